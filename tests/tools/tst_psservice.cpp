// The service-control tool: its authentication file, then the built program against a
// scripted net and against a real Samba server in a network namespace.
#include "Files.h"
#include "support/SambaPeer.h"
#include "tools/psservice/AuthFile.h"

#include <QDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kTricky = u"-a b \"c\" 'd' %e%"_s;

// What the tool printed, "|", its exit code.
QString runTool(const QStringList& args,
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KORVANE_PROGRAM_DIR "/psservice.exe"), args);
    p.waitForFinished(60000); // one that hangs is killed as it goes
    return QString::fromLocal8Bit(p.readAllStandardOutput()) + u'|' + QString::number(p.exitCode());
}

} // namespace

class TestPsService : public QObject {
    Q_OBJECT

    SambaPeer m_peer;
    bool m_peerReady = false;
    NetNs m_noServer; // an address where nothing listens

  private Q_SLOTS:
    void initTestCase() { m_peerReady = m_peer.start(); }

    // A local account of the PC: the PC stands for the domain.
    void authFileLocalAccount() {
        QString why;
        QCOMPARE(psservice::authFileText(".\\admin", "", u"PC1"_s, &why).value_or(""),
                 "username = admin\npassword = \ndomain = PC1\n"_ba);
    }

    // The built tool with a scripted net (support/fake_net.py; replies as JSON): what it prints,
    // net's calls, the password only in an owner-only authentication file (on no command line),
    // and nothing left in the temporary folder, not even a killed run's.
    void scripted_data() {
        // clang-format off
        QTest::addColumn<QString>("args"); // after "\\PC1|-u|OFFICE\admin|-p|PASSWORD", or all of them
        QTest::addColumn<QString>("plan");
        QTest::addColumn<QString>("verbs");
        QTest::addColumn<QString>("out"); // and "|" the exit code
        const QString running = uR"({"out": "Svc service is running.\n"})"_s, started = uR"({"out": "Successfully started service: Svc\n"})"_s;
        const QString runningOut = u"        STATE    : 4  RUNNING\n        SERVICE  : Svc\n|0"_s, unable = u"Unable to connect to \\\\PC1\n|1"_s;
        const char* const states[][2] = {{"stopped", "STOPPED"}, {"start pending", "START_PENDING"}, {"stop pending", "STOP_PENDING"}, {"running", "RUNNING"}, {"resume pending", "CONTINUE_PENDING"}, {"pause pending", "PAUSE_PENDING"}, {"paused", "PAUSED"}};
        for (int n = 1; n <= 7; ++n)
            QTest::addRow("query, %s", states[n - 1][0]) << u"query|Svc"_s << uR"([{"out": "Svc service is %1.\nConfiguration details:\n"}])"_s.arg(QLatin1StringView(states[n - 1][0])) << u"status"_s << u"        STATE    : %1  %2\n        SERVICE  : Svc\n|0"_s.arg(n).arg(QLatin1StringView(states[n - 1][1]));
        QTest::newRow("query, other service") << u"query|Svc"_s << uR"([{"out": "Svc2 service is running."}])"_s << u"status"_s << u"|1"_s;
        QTest::newRow("unknown state") << u"query|Svc"_s << uR"([{"out": "Svc service is Unknown State [8].\n"}])"_s << u"status"_s << u"|1"_s;
        QTest::newRow("start") << u"START|Svc"_s << u"[%1, %2]"_s.arg(started, running) << u"start status"_s << runningOut;
        QTest::newRow("start unclear") << u"start|Svc"_s << uR"([{"err": "Failed to start service: Svc [WERR_OK]\n"}, {"out": "Svc service is start pending.\n"}])"_s << u"start status"_s << u"        STATE    : 2  START_PENDING\n        SERVICE  : Svc\n|0"_s;
        QTest::newRow("start refused") << u"start|Svc"_s << uR"([{"err": "Failed to open service.  [WERR_ACCESS_DENIED]\n", "exit": 255}])"_s << u"start"_s << u"|1"_s;
        QTest::newRow("restart") << u"restart|Svc"_s << uR"([{"out": "Svc service is stop pending.\n"}, {"out": "Svc service is stopped.\n"}, %1, %2])"_s.arg(started, running) << u"stop status start status"_s << runningOut;
        QTest::newRow("restart unreachable") << u"restart|Svc"_s << uR"([{"err": "Could not connect to server PC1\n", "exit": 255}])"_s << u"stop"_s << unable;
        QTest::newRow("hung net") << u"query|Svc"_s << uR"([{"sleep": 60}])"_s << u"status"_s << unable;
        QTest::newRow("no service name") << u"query|"_s << u"[%1]"_s.arg(running) << QString() << u"|1"_s;
        QTest::newRow("a password that would add a line") << u"\\\\PC1|-u|admin|-p|a\nusername = x|query|Svc"_s << u"[%1]"_s.arg(running) << QString() << u"|1"_s;
        QTest::newRow("a password net would cut") << u"\\\\PC1|-u|admin|-p| p|query|Svc"_s << u"[%1]"_s.arg(running) << QString() << u"|1"_s;
        QTest::newRow("bad operation") << u"stop|Svc"_s << u"[%1]"_s.arg(running) << QString() << u"|2"_s;
        // clang-format on
    }
    void scripted() {
        QFETCH(QString, args);
        QFETCH(QString, verbs);
        QFETCH(QString, plan);
        QFETCH(QString, out);
        QTemporaryDir dir;
        writeFile(dir.filePath(u"plan"_s), {}, plan.toUtf8());
        QDir().mkpath(dir.filePath(u"tmp/korvane-psservice-999999999-abc"_s)); // of a killed run
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& v : {u"KVT_NET_PLAN=plan"_s, u"KVT_NET_LOG=log"_s, u"TMPDIR=tmp"_s})
            env.insert(v.section(u'=', 0, 0), dir.filePath(v.section(u'=', 1)));
        env.insert(u"KVT_SECRET"_s, kTricky);
        env.insert(u"KORVANE_NET"_s, QStringLiteral(KORVANE_TEST_SUPPORT_DIR "/fake_net.py"));
        env.insert(u"KORVANE_NET_TIMEOUT_MS"_s, u"5000"_s);
        const QStringList pc{u"\\\\PC1"_s, u"-u"_s, u"OFFICE\\admin"_s, u"-p"_s, kTricky};
        QCOMPARE(runTool(args.startsWith(u'\\') ? args.split(u'|') : pc + args.split(u'|'), env),
                 out);
        if (!out.endsWith(u"|2"_s)) // a usage error leaves the killed run's folder alone
            QCOMPARE(
                QDir(dir.filePath(u"tmp"_s)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                QStringList());
        QString expected;
        for (const QString& verb : verbs.split(u' ', Qt::SkipEmptyParts))
            expected +=
                u"rpc service %1 --server=PC1 --authentication-file=@ -- Svc|username = admin\\npassword = %2\\ndomain = OFFICE\\n|0o600|C|\n"_s
                    .arg(verb, kTricky);
        QCOMPARE(QString::fromUtf8(readFile(dir.filePath(u"log"_s))), expected);
    }

    // The real net against the real server, or an address where nothing listens ("%1").
    void realServer_data() {
        // clang-format off
        QTest::addColumn<QString>("args"); // server or none, password, service
        QTest::addColumn<QString>("out");
        const QString unable = u"Unable to connect to \\\\%1\n|1"_s;
        QTest::newRow("stopped") << u"server|"_s + SambaPeer::password() + u"|Spooler"_s << u"        STATE    : 1  STOPPED\n        SERVICE  : Spooler\n|0"_s;
        QTest::newRow("unknown service") << u"server|"_s + SambaPeer::password() + u"|NoSuchSvc"_s << u"|1"_s;
        QTest::newRow("wrong password") << u"server|wrong|Spooler"_s << unable;
        QTest::newRow("no server") << u"none|"_s + SambaPeer::password() + u"|Spooler"_s << unable;
        // clang-format on
    }
    void realServer() {
        QFETCH(QString, args);
        QFETCH(QString, out);
        if (!m_peerReady)
            QSKIP(qPrintable(m_peer.errorString()));
        const QStringList a = args.split(u'|');
        const QString pc = a[0] == u"server"_s ? m_peer.address() : m_noServer.address();
        QCOMPARE(
            runTool({u"\\\\"_s + pc, u"-u"_s, SambaPeer::user(), u"-p"_s, a[1], u"query"_s, a[2]}),
            out.arg(pc));
    }
};

QTEST_GUILESS_MAIN(TestPsService)
#include "tst_psservice.moc"
