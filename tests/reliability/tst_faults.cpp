// Database faults while the ping monitor or the device editor writes: each is told exactly,
// nothing crashes, no row is half written or lost without a word. Hung and hostile peers: each
// ends within its limit as a failure recorded as such, the window keeps answering (the longest
// stall is printed) and the next record is processed. Secrets: the database, its journal and
// the log are owner-only whatever the umask; no password shows in a child's command line, the
// log, a status line or a stored row while both monitors run.
#include "Reliability.h"
#include "RunProgram.h"
#include "app/Log.h"
#include "bench/common/EventLoopGapMeter.h"
#include "editors/Form6.h"

#include <QScopeGuard>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestFaults : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir; // a small tmpfs for each database fault
    QProcess m_locker;
    QString db() const { return m_dir.filePath(u"HalvardDB.mdb"_s); }
    bool mount(const QString& options) {
        return runProgram(u"mount"_s, options.split(u' ') << m_dir.path()).ok;
    }
    // Brings a fault on, or takes it away again where the file is still the database.
    void fault(const QString& fault, bool on) {
        const QString filler = m_dir.filePath(u"filler"_s);
        if (fault == u"removed"_s && on)
            QFile::remove(db());
        else if (fault == u"read-only"_s)
            mount(on ? u"-o remount,ro"_s : u"-o remount,rw"_s);
        else if (fault == u"garbage"_s && on)
            writeFile(db(), {}, QByteArray(8192, '\x5a'));
        else if (QFile file(filler);
                 fault == u"disk full"_s && on && file.open(QIODevice::WriteOnly))
            while (file.write(QByteArray(4096, '\0')) == 4096) {
            }
        else if (fault == u"disk full"_s)
            QFile::remove(filler);
        else if (fault == u"locked"_s && on)
            m_locker.start(u"python3"_s, {u"-c"_s,
                                          u"import sqlite3,sys; c=sqlite3.connect(sys.argv[1],"
                                          " isolation_level=None); c.execute('BEGIN EXCLUSIVE');"
                                          " print(1, flush=True); sys.stdin.read()"_s,
                                          db()}),
                m_locker.waitForReadyRead(30000);
        else if (fault == u"locked"_s && m_locker.state() != QProcess::NotRunning)
            m_locker.closeWriteChannel(), m_locker.waitForFinished();
    }

  private Q_SLOTS:
    void databaseFault_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("onMonitor");
        QTest::addColumn<QString>("said"); // the box
        const QString monitor = u"Database Error: The monitoring database could not be read or"
                                " written (%1). This application will now close."_s;
        const QString editor = u"Database Error: The record could not be saved: %1\n\nNothing was"
                               " written to the database. Your entries are still in the window, so"
                               " you can try again."_s;
        // fault, cause on the monitor, on the editor when it differs
        for (const auto& [fault, onMonitor, onEditor] : QList<std::array<QString, 3>>{
                 {u"removed"_s, u"no database file at HalvardDB.mdb"_s, {}},
                 {u"read-only"_s,
                  u"attempt to write a readonly database Unable to fetch row"_s,
                  {}},
                 {u"garbage"_s, u"file is not a database Unable to execute statement"_s, {}},
                 {u"locked"_s, u"the database is locked by another program"_s,
                  u"database is locked Unable to execute statement"_s},
                 {u"disk full"_s, u"database or disk is full Unable to fetch row"_s, {}}}) {
            QTest::addRow("%s, ping monitor", qPrintable(fault))
                << fault << true << monitor.arg(onMonitor);
            QTest::addRow("%s, device editor", qPrintable(fault))
                << fault << false << editor.arg(onEditor.isEmpty() ? onMonitor : onEditor);
        }
    }
    void databaseFault() {
        QFETCH(QString, fault);
        QFETCH(bool, onMonitor);
        QFETCH(QString, said);
        if (::geteuid() != 0 || !mount(u"-t tmpfs -o size=1m tmpfs"_s))
            QSKIP("mounting a small tmpfs needs root");
        const auto unmount = qScopeGuard([&] {
            this->fault(u"locked"_s, false);
            runProgram(u"umount"_s, {u"-l"_s, m_dir.path()});
        });
        TestProgramFolder folder(false);
        folder.ctx.setDatabasePath(db());
        folder.ctx.setTickDivisor(1000);
        folder.ctx.setLockedRetryLimit(std::chrono::seconds(2));
        QVERIFY(Schema::create(db()).ok());
        const QString row = u"SELECT ComputerName, EmailWhenDown, Status, ActionTaken FROM"
                            " ComputerPingList WHERE ID = %1"_s.arg(folder.addDevice(u"alpha"_s));
        const QStringList before = sqlRows(db(), row);
        Form1 main(folder.ctx);
        QVERIFY(main.Form_Load());
        Form6 editor(folder.ctx, main);
        if (onMonitor) {
            // The fault comes as the probe runs; the device answered. The monitor stops: what
            // could not be written is never taken as done.
            FakeCommandRunner& runner = FakeCommandRunner::installIn(folder.ctx);
            runner.outputs = {
                u"4 packets transmitted, 4 received, 0% packet loss, time 3003ms\n"_s};
            runner.onRun = [&] { this->fault(fault, true); };
            main.pingCycle().Command1_Click();
            QTRY_VERIFY_WITH_TIMEOUT(!folder.dialogs().shown.isEmpty(), 60000);
            QCOMPARE(folder.endedWith, QList<int>{1});
        } else {
            // The entry stays in the window for another try.
            QVERIFY(editor.Form_Load());
            this->fault(fault, true);
            editor.Text2->setText(u"ops@x.invalid"_s);
            editor.Command3_Click();
            QCOMPARE(editor.Text2->text(), u"ops@x.invalid"_s);
        }
        const auto& box = folder.dialogs().shown.value(0);
        const QString told =
            QString(box.title + u": "_s + box.text).replace(db(), u"HalvardDB.mdb"_s);
        QCOMPARE(told, said);
        this->fault(fault, false);
        if (fault != u"removed"_s && fault != u"garbage"_s) {
            QCOMPARE(sqlRows(db(), u"PRAGMA integrity_check"_s), QStringList{u"ok"_s});
            QCOMPARE(sqlRows(db(), row), before);
        }
        rel::figure(u"faults"_s, QString::fromLatin1(QTest::currentDataTag()),
                    QString(told).replace(u'\n', u' '));
    }

    void hungPeer_data() {
        // clang-format off
        QTest::addColumn<QString>("peer"); // the hung record's name, or the service tool's script
        QTest::addColumn<QString>("outcome"); // the hung record's row, or its status line
        const QString failed = u"Percentage Lost 100%|Email Failed To: ops@x.invalid - "_s;
        QTest::newRow("ping that never ends") << u"hang-1"_s << u"Not Found In Domain|No Email Address In Database"_s;
        QTest::newRow("SMTP server that never answers") << u"down-1"_s << failed + u"no answer from the server"_s;
        QTest::newRow("SMTP server that drops the message") << u"down-1 drop"_s << failed + u"send failed"_s;
        QTest::newRow("service tool that never ends") << u"tool exec sleep 3600"_s << rel::pcNotFoundLine(u"a-hung"_s);
        QTest::newRow("service tool that prints without end") << u"tool exec yes '        STATE    : 4  RUNNING'"_s << u"Checked Computer Named (a-hung) | Service (Spooler) on PC Named (a-hung) Is Already Running"_s;
        QTest::newRow("file path that never answers") << u"path"_s << u"File (%1) was NOT found. Please check the database list to make sure the file name or path was not spelled incorrectly. "_s + rel::noMailLine(u"file is missing"_s);
        // clang-format on
    }
    void hungPeer() {
        QFETCH(QString, peer);
        QFETCH(QString, outcome);
        rel::StandIns standIns;
        qputenv("PATH", standIns.searchPath().toLocal8Bit());
        TestProgramFolder folder;
        folder.ctx.setTickDivisor(1000);
        SilentPeer smtp(peer.endsWith(u"drop"_s));
        QVERIFY(smtp.port() != 0);
        folder.mailTo(smtp.port());
        // The hung record sorts first, a well-behaved one after it.
        const bool path = peer == u"path"_s, onJobs = path || peer.startsWith(u"tool"_s);
        const QString fifo = folder.path() + u"/never-answers"_s, first = peer.section(u' ', 0, 0);
        if (onJobs) {
            QVERIFY(!path || ::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
            writeScript(folder.path() + u"/psservice.exe"_s,
                        u"#!/bin/sh\n"_s + (path ? QString() : peer.section(u' ', 1)));
            const QString age = ageOfFileTexts().at(1);
            folder.execSql(u"INSERT INTO Services (ComputerName, Service1, FilePathToCheck,"
                           " AgeOfFile) VALUES ('a-hung', ?, ?, ?), ('b-next', NULL, ?, ?)"_s,
                           {path ? QVariant() : u"Spooler"_s, path ? fifo : QVariant(),
                            path ? age : QVariant(), folder.databasePath(), age});
        } else {
            folder.addDevice(first, first.startsWith(u"down"_s) ? u"ops@x.invalid"_s : QString());
            folder.addDevice(u"up-2"_s);
        }
        Form1 main(folder.ctx);
        QVERIFY(main.Form_Load());
        EventLoopGapMeter stalls;
        stalls.start();
        QElapsedTimer clock;
        clock.start();
        qint64 firstDone = 0;
        if (onJobs) {
            const QStringList lines = rel::runJobMonitor(main, 2, [&](JobCycle& cycle) {
                cycle.setCheckTimeLimit(std::chrono::seconds(3));
                cycle.setServiceToolTimeLimit(std::chrono::seconds(3));
                connect(&cycle, &JobCycle::jobEnded, &cycle,
                        [&] { firstDone = firstDone ? firstDone : clock.elapsed(); });
            });
            QCOMPARE(lines.value(0), path ? outcome.arg(fifo) : outcome);
            QVERIFY(lines.value(1).startsWith(u"Checked File"_s));
        } else {
            const QString sql =
                u"SELECT Status, ActionTaken FROM ComputerPingList WHERE ComputerName = ?"_s;
            const auto row = [&](const QString& name) {
                return folder.select(sql, {name}).value(0);
            };
            main.pingCycle().Command1_Click();
            QTRY_VERIFY_WITH_TIMEOUT(row(first) != u"|"_s, 120000);
            firstDone = clock.elapsed();
            QTRY_VERIFY_WITH_TIMEOUT(row(u"up-2"_s).startsWith(u"Percentage Lost 0%|Ping OK"_s),
                                     60000);
            main.pingCycle().Command2_Click();
            QCOMPARE(row(first), outcome);
        }
        const double stall = stalls.stop();
        // The check still blocked on the path goes once a writer comes.
        QVERIFY(!path || QTest::qWaitFor([&] {
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            return fd >= 0 && ::close(fd) == 0;
        }));
        rel::figure(u"stalls"_s, QString::fromLatin1(QTest::currentDataTag()),
                    QString::asprintf("%.1f ms longest stall; hung record done after %.1f s; next"
                                      " after %.1f s",
                                      stall, firstDone / 1e3, clock.elapsed() / 1e3));
    }

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

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
