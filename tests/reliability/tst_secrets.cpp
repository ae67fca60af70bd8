// Secrets: the database and the journal SQLite makes during a write are readable by their owner
// only from the first byte, whatever the umask, and the database password is not in the file;
// and while both monitors run a service job and send alerts, no password appears in any child's
// command line (the service tool blanks its own before it runs `net`), in the log, in a status
// line or in a stored row.
#include "Reliability.h"
#include "SmtpPeer.h"
#include "app/Log.h"

#include <QSignalSpy>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kJobPassword = u"Job-Secret-7731"_s;
const QString kSmtpPassword = u"Smtp-Secret-5519"_s;

QString modeOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return u"missing"_s;
    return QString::number(st.st_mode & 0777, 8);
}
} // namespace

class TestSecrets : public QObject {
    Q_OBJECT
    QTemporaryDir m_logFolder;
    QString m_log;

  private Q_SLOTS:
    void initTestCase() {
        const mode_t old = ::umask(0);
        m_log = Log::installFileLog(m_logFolder.path());
        ::umask(old);
    }

    void filesOwnerOnly() {
        const mode_t old = ::umask(0);
        QTemporaryDir dir;
        const QString db = dir.filePath(u"HalvardDB.mdb"_s);
        QVERIFY(Schema::create(db).ok());
        QCOMPARE(modeOf(db), u"600"_s);
        // A write under way: the journal is there until the commit.
        {
            DbSession session(db);
            QSqlQuery q(session.db());
            QVERIFY(session.transaction().ok());
            QVERIFY(session.exec(q, u"UPDATE SMTPsettings SET SMTPpassword = ?"_s, {kSmtpPassword})
                        .ok());
            QCOMPARE(modeOf(db + u"-journal"_s), u"600"_s);
            session.rollback();
        }
        ::umask(old);
        QCOMPARE(modeOf(m_log), u"600"_s);
        // The file holds a check of the password, not the password; it is never made anew.
        QFile file(db);
        QVERIFY(file.open(QIODevice::ReadOnly) &&
                !file.readAll().contains(databasePassword().toUtf8()));
        QCOMPARE(Schema::create(db).error, DbError::Other);
        rel::figure(u"secrets"_s, u"database, journal, log modes"_s, u"600, 600, 600"_s);
    }

    void passwordsNeverShown() {
        rel::StandIns standIns;
        qputenv("PATH", standIns.searchPath().toLocal8Bit());
        SmtpPeer smtp({0, u"korvane"_s, u"the-right-one"_s, SmtpPeer::Tls::None});
        KORVANE_START_SMTP_PEER(smtp);
        TestProgramFolder folder;
        folder.ctx.setTickDivisor(1000);
        QFile::copy(QStringLiteral(KORVANE_PROGRAM_DIR "/psservice.exe"),
                    folder.path() + u"/psservice.exe"_s);
        folder.mailTo(smtp.port());
        folder.execSql(u"UPDATE SMTPsettings SET SMTPusername = 'korvane', SMTPpassword = ?"_s,
                       {kSmtpPassword});
        folder.addDevice({0, u"down-1"_s, u"ops@x.invalid"_s, {}, false, {}, {}});
        JobRecord job;
        job.computerName = u"pc1"_s;
        job.service[0] = u"Spooler"_s;
        job.adminUserName = u"admin"_s;
        job.adminPassword = kJobPassword;
        job.emailWhenDown = u"ops@x.invalid"_s;
        JobTable(folder.databasePath()).insert(job);

        Form1 main(folder.ctx);
        QVERIFY(main.Form_Load());
        QSignalSpy handled(&main.pingCycle(), &PingCycle::resultHandled);
        main.pingCycle().Command1_Click();
        QTRY_VERIFY_WITH_TIMEOUT(handled.size() >= 1, 120000);
        QStringList shown = rel::runJobMonitor(main, 1);
        for (const QLabel* label : main.findChildren<QLabel*>())
            shown << label->text();
        main.pingCycle().Command2_Click();

        QFile logFile(m_log);
        QVERIFY(logFile.open(QIODevice::ReadOnly));
        const QString log = QString::fromUtf8(logFile.readAll());
        const QString net = rel::lines(standIns.netLog()).join(u'\n');
        const QString rows =
            folder.select(u"SELECT Status, ActionTaken FROM ComputerPingList"_s).join(u'\n');
        // The tool ran `net` (with the parent's command line recorded), the mail was refused.
        QVERIFY(net.contains(u"psservice.exe"_s));
        QVERIFY(rows.contains(u"Email Failed To: ops@x.invalid - refused login"_s));
        QVERIFY(log.contains(u"korvane.mail"_s));
        for (const QString& secret : {kJobPassword, kSmtpPassword}) {
            QVERIFY2(!net.contains(secret), "a password on a child's command line");
            QVERIFY2(!log.contains(secret), "a password in the log");
            QVERIFY2(!shown.join(u'\n').contains(secret), "a password in a status line");
            QVERIFY2(!rows.contains(secret), "a password in a device's row");
        }
        rel::figure(u"secrets"_s, u"service-tool runs / log lines / status lines searched"_s,
                    u"%1 / %2 / %3"_s.arg(net.count(u"psservice.exe"_s))
                        .arg(log.count(u'\n'))
                        .arg(shown.size()));
    }
};

QTEST_MAIN(TestSecrets)
#include "tst_secrets.moc"
