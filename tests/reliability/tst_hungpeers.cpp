// Hung and hostile peers (ping, SMTP server, service tool, a file path): each ends within its
// limit as a failed probe, send or check, recorded as such; the window keeps answering (the
// longest stall is printed) and the next record is processed.
#include "Reliability.h"
#include "bench/common/EventLoopGapMeter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestHungPeers : public QObject {
    Q_OBJECT
    rel::StandIns m_standIns;

  private Q_SLOTS:
    void initTestCase() { qputenv("PATH", m_standIns.searchPath().toLocal8Bit()); }

    void hungPeer_data() {
        // clang-format off
        QTest::addColumn<QString>("peer");
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
            folder.execSql(
                u"INSERT INTO Services (ComputerName, Service1, FilePathToCheck, AgeOfFile)"
                " VALUES ('a-hung', ?, ?, ?), ('b-next', NULL, ?, ?)"_s,
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
            const auto row = [&](const QString& name) {
                return folder
                    .select(u"SELECT Status, ActionTaken FROM ComputerPingList WHERE"
                            " ComputerName = ?"_s,
                            {name})
                    .value(0);
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
                    u"%1 ms longest stall; hung record done after %2 s; next after %3 s"_s
                        .arg(stall, 0, 'f', 1)
                        .arg(firstDone / 1000.0, 0, 'f', 1)
                        .arg(clock.elapsed() / 1000.0, 0, 'f', 1));
    }
};

QTEST_MAIN(TestHungPeers)
#include "tst_hungpeers.moc"
