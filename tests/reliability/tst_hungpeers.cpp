// Hung and hostile peers: a `ping` that never ends, an SMTP server that never answers and one
// that drops the connection in the middle of the message, a service tool that never ends and
// one that prints without end, and a file check on a path that never answers. Each ends within
// its limit as a failed probe, failed send or path failure, recorded as such; the window keeps
// answering (the longest stall is printed) and the next record is processed.
#include "Reliability.h"
#include "SmtpPeer.h"
#include "TestProgramFolder.h"
#include "app/Form1.h"
#include "bench/common/EventLoopGapMeter.h"
#include "jobs/Form3.h"
#include "jobs/JobCycle.h"
#include "storage/JobTable.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {
void writeTool(const QString& path, const QString& body) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write the tool");
    file.write("#!/bin/sh\n" + body.toUtf8() + "\n");
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}
// Lets a reader blocked on the FIFO go on; false while none waits.
bool releaseReader(const QString& fifo) {
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}
} // namespace

class TestHungPeers : public QObject {
    Q_OBJECT
    rel::StandIns m_standIns;

  private Q_SLOTS:
    void initTestCase() { qputenv("PATH", m_standIns.searchPath().toLocal8Bit()); }

    void hungPeer_data() {
        QTest::addColumn<QString>("peer");
        QTest::addColumn<QString>("outcome"); // the hung record's row, or its status lines
        const QString noMail =
            u" | No email address was found for this %1 record. Enter an Email address in"
            " this record to recieve a email notification. Now waiting on timer"
            " for the next record."_s;
        QTest::newRow("ping that never ends")
            << u"ping"_s << u"Not Found In Domain|No Email Address In Database"_s;
        QTest::newRow("SMTP server that never answers")
            << u"smtp silent"_s
            << u"Percentage Lost 100%|Email Failed To: ops@x.invalid - no answer from the server"_s;
        QTest::newRow("SMTP server that drops the message")
            << u"smtp drop"_s
            << u"Percentage Lost 100%|Email Failed To: ops@x.invalid - send failed"_s;
        QTest::newRow("service tool that never ends")
            << u"tool hang"_s
            << u"PC named (a-hung) was not found on the network, or the user name/password doesn't"
               " have admin rights on the PC, or the PC is on a different WorkGroup/Domain, or one"
               " of the services is not spelled correctly, or the service doesn't exist on the PC."
               " Preparing for the next PC...."_s +
                   noMail.arg(u"PC isn't responding"_s);
        QTest::newRow("service tool that prints without end")
            << u"tool flood"_s
            << u"Checked Computer Named (a-hung) | Service (Spooler) on PC Named (a-hung) Is "
               u"Already"
               " Running"_s;
        QTest::newRow("file path that never answers")
            << u"path"_s
            << u"File (%1) was NOT found. Please check the database list to make sure the file name"
               " or path was not spelled incorrectly. "_s +
                   noMail.arg(u"file is missing"_s);
    }

    void hungPeer() {
        QFETCH(QString, peer);
        QFETCH(QString, outcome);
        TestProgramFolder folder;
        folder.ctx.setTickDivisor(1000);
        SilentPeer silent;
        QVERIFY(silent.port() != 0);
        rel::DroppingSmtpPeer dropping;
        const bool onJobs = peer.startsWith(u"tool"_s) || peer == u"path"_s;
        const quint16 port = peer == u"smtp drop"_s ? dropping.port() : silent.port();
        folder.execSql(u"UPDATE SMTPsettings SET ServerName = '127.0.0.1', SMTPport = ?,"
                       " FromEmail = 'korvane@x.invalid'"_s,
                       {QString::number(port)});
        // The hung record sorts first, a well-behaved one after it.
        QString fifo;
        if (onJobs) {
            JobRecord hung;
            hung.computerName = u"a-hung"_s;
            if (peer == u"path"_s) {
                fifo = folder.path() + u"/never-answers"_s;
                QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
                hung.filePathToCheck = fifo;
                hung.ageOfFile = ageOfFileTexts().at(1);
            } else {
                hung.service[0] = u"Spooler"_s;
                writeTool(folder.path() + u"/psservice.exe"_s,
                          peer == u"tool hang"_s ? u"exec sleep 3600"_s
                                                 : u"exec yes '        STATE    : 4  RUNNING'"_s);
            }
            JobTable(folder.databasePath()).insert(hung);
            JobRecord next;
            next.computerName = u"b-next"_s;
            next.filePathToCheck = folder.databasePath();
            next.ageOfFile = ageOfFileTexts().at(1);
            JobTable(folder.databasePath()).insert(next);
            if (!QFile::exists(folder.path() + u"/psservice.exe"_s))
                writeTool(folder.path() + u"/psservice.exe"_s, u"exit 0"_s);
        } else {
            folder.addDevice({0,
                              peer == u"ping"_s ? u"hang-1"_s : u"down-1"_s,
                              peer == u"ping"_s ? QString() : u"ops@x.invalid"_s,
                              {},
                              false,
                              {},
                              {}});
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
            main.findChild<QAction*>(u"mnuRemoteServicesScanning"_s)->trigger();
            Form3* form = Form3::openWindow(&main);
            form->cycle().setCheckTimeLimit(std::chrono::seconds(3));
            form->cycle().setServiceToolTimeLimit(std::chrono::seconds(3));
            QSignalSpy ended(&form->cycle(), &JobCycle::jobEnded);
            QStringList lines;
            QObject listening; // goes before `lines`, and its connection with it
            connect(&form->cycle(), &JobCycle::jobEnded, &listening, [&] {
                lines << form->Label3->text() + u" | "_s + form->Label1->text();
                if (!firstDone)
                    firstDone = clock.elapsed();
            });
            form->cycle().Command1_Click();
            QTRY_VERIFY_WITH_TIMEOUT(ended.size() >= 2, 120000);
            form->cycle().Command2_Click();
            QCOMPARE(lines.value(0), fifo.isEmpty() ? outcome : outcome.arg(fifo));
            QVERIFY(lines.value(1).startsWith(u"Checked File"_s));
            form->close();
        } else {
            const QString db = folder.databasePath();
            auto row = [&](const QString& name) {
                return rel::query(db, u"SELECT Status || '|' || ActionTaken FROM ComputerPingList"
                                      " WHERE ComputerName = '%1'"_s.arg(name))
                    .value(0);
            };
            main.pingCycle().Command1_Click();
            const QString first = peer == u"ping"_s ? u"hang-1"_s : u"down-1"_s;
            QTRY_VERIFY_WITH_TIMEOUT(row(first) != u"|"_s, 120000);
            firstDone = clock.elapsed();
            QTRY_VERIFY_WITH_TIMEOUT(row(u"up-2"_s).startsWith(u"Percentage Lost 0%|Ping OK"_s),
                                     60000);
            main.pingCycle().Command2_Click();
            QCOMPARE(row(first), outcome);
        }
        const double stall = stalls.stop();
        // The check still blocked on the path goes once a writer comes.
        QVERIFY(QTest::qWaitFor([&] { return fifo.isEmpty() || releaseReader(fifo); }));
        rel::figure(u"stalls"_s, QString::fromLatin1(QTest::currentDataTag()),
                    u"%1 ms longest stall; hung record done after %2 s; next after %3 s"_s
                        .arg(stall, 0, 'f', 1)
                        .arg(firstDone / 1000.0, 0, 'f', 1)
                        .arg(clock.elapsed() / 1000.0, 0, 'f', 1));
    }
};

QTEST_MAIN(TestHungPeers)
#include "tst_hungpeers.moc"
