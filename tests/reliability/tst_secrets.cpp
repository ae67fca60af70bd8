// The database, its journal and the log are their owner's only, whatever the umask, and the
// database password is not in the file; while both monitors run, no password shows in a child's
// command line (the service tool blanks its own before it runs `net`), the log, a status line
// or a stored row.
#include "Reliability.h"
#include "app/Log.h"

#include <sys/stat.h>

class TestSecrets : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void secretsKept() {
        ::umask(0);
        QTemporaryDir logFolder;
        const QString logFile = Log::installFileLog(logFolder.path());
        const QStringList secrets{u"Job-Secret-7731"_s, u"Smtp-Secret-5519"_s};
        rel::StandIns standIns;
        qputenv("PATH", standIns.searchPath().toLocal8Bit());
        SmtpPeer smtp({0, u"korvane"_s, u"the-right-one"_s, SmtpPeer::Tls::None});
        KORVANE_START_SMTP_PEER(smtp);
        TestProgramFolder folder;
        const QString db = folder.databasePath();
        QStringList modes; // the database and its journal while a write is under way, the log
        for (const QString& path : {db, db + u"-journal"_s, logFile}) {
            DbSession session(db);
            QSqlQuery q(session.db());
            QVERIFY(session.transaction().ok() &&
                    session.exec(q, u"UPDATE Settings SET PingTimerSeconds = 1"_s).ok());
            struct stat st {};
            modes << QString::number(
                ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0, 8);
            session.rollback();
        }
        rel::figure(u"secrets"_s, u"database, journal, log modes"_s, modes.join(u", "_s));
        QCOMPARE(modes.join(u", "_s), u"600, 600, 600"_s);
        // The file holds a check of the password, not the password; it is never made anew.
        QVERIFY(!readFile(db).isEmpty() && !readFile(db).contains(databasePassword().toUtf8()));
        QCOMPARE(Schema::create(db).error, DbError::Other);
        folder.ctx.setTickDivisor(1000);
        QFile::copy(QStringLiteral(KORVANE_PROGRAM_DIR "/psservice.exe"),
                    folder.path() + u"/psservice.exe"_s);
        folder.mailTo(smtp.port(), u"korvane"_s, secrets[1]);
        folder.addDevice(u"down-1"_s, u"ops@x.invalid"_s);
        folder.execSql(u"INSERT INTO Services (ComputerName, Service1, AdminUserName,"
                       " AdminPassword, EmailWhenDown) VALUES ('pc1', 'Spooler', 'admin', ?,"
                       " 'ops@x.invalid')"_s,
                       {secrets[0]});
        Form1 main(folder.ctx);
        QVERIFY(main.Form_Load());
        QSignalSpy handled(&main.pingCycle(), &PingCycle::resultHandled);
        main.pingCycle().Command1_Click();
        QTRY_VERIFY_WITH_TIMEOUT(handled.size() >= 1, 120000);
        QStringList shown = rel::runJobMonitor(main, 1);
        for (const QLabel* label : main.findChildren<QLabel*>())
            shown << label->text();
        main.pingCycle().Command2_Click();
        const QStringList log = readLines(logFile);
        const QString net = readLines(standIns.netLog()).join(u'\n');
        const QString rows =
            folder.select(u"SELECT Status, ActionTaken FROM ComputerPingList"_s).join(u'\n');
        // The tool ran `net` (with the parent's command line recorded), the mail was refused.
        QVERIFY(net.contains(u"psservice.exe"_s) && log.join(u'\n').contains(u"korvane.mail"_s));
        QVERIFY(rows.contains(u"Email Failed To: ops@x.invalid - refused login"_s));
        for (const QString& secret : secrets)
            for (const QString& where : {net, log.join(u'\n'), shown.join(u'\n'), rows})
                QVERIFY2(!where.contains(secret), qPrintable(where.left(500)));
        rel::figure(
            u"secrets"_s, u"service-tool runs / log lines / status lines searched"_s,
            u"%1 / %2 / %3"_s.arg(net.count(u"psservice.exe"_s)).arg(log.size()).arg(shown.size()));
    }
};

QTEST_MAIN(TestSecrets)
#include "tst_secrets.moc"
