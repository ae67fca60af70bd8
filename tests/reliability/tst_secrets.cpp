// The database, its journal and the log are their owner's only, whatever the umask, and the
// database password is not in the file; while both monitors run, no password shows in a child's
// command line (the service tool blanks its own before it runs `net`), the log, a status line
// or a stored row.
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
    const bool there = ::stat(QFile::encodeName(path).constData(), &st) == 0;
    return there ? QString::number(st.st_mode & 0777, 8) : u"missing"_s;
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
        QVERIFY(!readFile(db).isEmpty() && !readFile(db).contains(databasePassword().toUtf8()));
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
        folder.mailTo(smtp.port(), u"korvane"_s, kSmtpPassword);
        folder.addDevice(u"down-1"_s, u"ops@x.invalid"_s);
        folder.execSql(u"INSERT INTO Services (ComputerName, Service1, AdminUserName,"
                       " AdminPassword, EmailWhenDown) VALUES ('pc1', 'Spooler', 'admin', ?,"
                       " 'ops@x.invalid')"_s,
                       {kJobPassword});
        Form1 main(folder.ctx);
        QVERIFY(main.Form_Load());
        QSignalSpy handled(&main.pingCycle(), &PingCycle::resultHandled);
        main.pingCycle().Command1_Click();
        QTRY_VERIFY_WITH_TIMEOUT(handled.size() >= 1, 120000);
        QStringList shown = rel::runJobMonitor(main, 1);
        for (const QLabel* label : main.findChildren<QLabel*>())
            shown << label->text();
        main.pingCycle().Command2_Click();
        const QStringList logLines = readLines(m_log);
        const QString log = logLines.join(u'\n');
        const QString net = readLines(standIns.netLog()).join(u'\n');
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
                        .arg(logLines.size())
                        .arg(shown.size()));
    }
};

QTEST_MAIN(TestSecrets)
#include "tst_secrets.moc"
