// The service-control tool: its authentication file, then the built program against a
// scripted net and against a real Samba server in a network namespace.
#include "Files.h"
#include "TestTables.h"
#include "support/SambaPeer.h"
#include "tools/psservice/AuthFile.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kTricky = u"-a b \"c\" 'd' %e%"_s;

// Runs the tool; what it printed and its exit code.
QString runTool(const QStringList& args, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(QStringLiteral(KORVANE_PROGRAM_DIR "/psservice.exe"), args);
    if (!p.waitForFinished(60000))
        p.kill();
    return QString::fromLocal8Bit(p.readAllStandardOutput()) + u'|' + QString::number(p.exitCode());
}

QJsonObject reply(const QString& out, int exit = 0, const QString& err = {}) {
    return {{u"out"_s, out}, {u"exit"_s, exit}, {u"err"_s, err}};
}

struct ServerCase {
    const char* name;
    bool server;                    // or an address where nothing listens
    QString password, service, out; // out: what the tool printed, "|", its exit code
};

} // namespace

class TestPsService : public QObject {
    Q_OBJECT

    SambaPeer m_peer;
    bool m_peerReady = false;
    NetNs m_noServer; // an address where nothing listens

  private Q_SLOTS:
    void initTestCase() { m_peerReady = m_peer.start(); }

    // The authentication file's text, or nothing when a value would add a line of its own.
    void authFile() {
        const QString local = u"username = admin\npassword = \ndomain = PC1\n"_s;
        const QString rows[][3] = {// user, password, text
                                   {u".\\admin"_s, u""_s, local},
                                   {u"admin"_s, u"a\nusername = x"_s, {}},
                                   {u"admin"_s, u" p"_s, {}}};
        for (const auto& [user, password, text] : rows) {
            QString why;
            QCOMPARE(psservice::authFileText(user.toUtf8(), password.toUtf8(), u"PC1"_s, &why)
                         .value_or(QByteArray()),
                     text.toUtf8());
            QCOMPARE(why.isEmpty(), !text.isEmpty());
        }
    }

    // The built tool with a scripted net (tests/support/fake_net.py): what it prints, the
    // calls net gets, that the password reaches net only in an owner-only authentication file,
    // and that nothing is left in the temporary folder (not even a killed run's folder).
    void scripted_data() {
        // clang-format off
        QTest::addColumn<QStringList>("args"); // after "\\PC1 -u OFFICE\admin -p PASSWORD"
        QTest::addColumn<QJsonArray>("plan");
        QTest::addColumn<QString>("verbs");
        QTest::addColumn<QString>("out"); // and "|" the exit code
        const QJsonObject running = reply(u"Svc service is running.\n"_s),
                          started = reply(u"Successfully started service: Svc\n"_s);
        const QString runningOut = u"        STATE    : 4  RUNNING\n        SERVICE  : Svc\n|0"_s,
                      unable = u"Unable to connect to \\\\PC1\n|1"_s;
        const QStringList query{u"query"_s, u"Svc"_s};
        const char* const states[][2] = {{"stopped", "STOPPED"}, {"start pending", "START_PENDING"}, {"stop pending", "STOP_PENDING"}, {"running", "RUNNING"}, {"resume pending", "CONTINUE_PENDING"}, {"pause pending", "PAUSE_PENDING"}, {"paused", "PAUSED"}};
        for (int n = 1; n <= 7; ++n)
            QTest::addRow("query, %s", states[n - 1][0]) << query << QJsonArray{reply(u"Svc service is %1.\nConfiguration details:\n"_s.arg(QLatin1StringView(states[n - 1][0])))} << u"status"_s << u"        STATE    : %1  %2\n        SERVICE  : Svc\n|0"_s.arg(n).arg(QLatin1StringView(states[n - 1][1]));
        QTest::newRow("query, other service") << query << QJsonArray{reply(u"Svc2 service is running."_s)} << u"status"_s << u"|1"_s;
        QTest::newRow("query, manager denied") << query << QJsonArray{reply(u"Failed to open Service Control Manager. [WERR_ACCESS_DENIED]"_s, 255)} << u"status"_s << unable;
        QTest::newRow("query, nothing") << query << QJsonArray{reply({}, 255)} << u"status"_s << u"|1"_s;
        QTest::newRow("start") << QStringList{u"START"_s, u"Svc"_s} << QJsonArray{started, running} << u"start status"_s << runningOut;
        QTest::newRow("start unclear") << QStringList{u"start"_s, u"Svc"_s} << QJsonArray{reply({}, 0, u"Failed to start service: Svc [WERR_OK]\n"_s), reply(u"Svc service is start pending.\n"_s)} << u"start status"_s << u"        STATE    : 2  START_PENDING\n        SERVICE  : Svc\n|0"_s;
        QTest::newRow("start refused") << QStringList{u"start"_s, u"Svc"_s} << QJsonArray{reply({}, 255, u"Failed to open service.  [WERR_ACCESS_DENIED]\n"_s)} << u"start"_s << u"|1"_s;
        QTest::newRow("restart") << QStringList{u"restart"_s, u"Svc"_s} << QJsonArray{reply(u"Svc service is stop pending.\n"_s), reply(u"Svc service is stopped.\n"_s), started, running} << u"stop status start status"_s << runningOut;
        QTest::newRow("restart unreachable") << QStringList{u"restart"_s, u"Svc"_s} << QJsonArray{reply({}, 255, u"Could not connect to server PC1\n"_s)} << u"stop"_s << unable;
        QTest::newRow("hung net") << QStringList{u"query"_s, u"Svc"_s} << QJsonArray{QJsonObject{{u"sleep"_s, 60}}} << u"status"_s << unable;
        QTest::newRow("unknown state") << QStringList{u"query"_s, u"Svc"_s} << QJsonArray{reply(u"Svc service is Unknown State [8].\n"_s)} << u"status"_s << u"|1"_s;
        QTest::newRow("no service name") << QStringList{u"query"_s, u""_s} << QJsonArray{running} << QString() << u"|1"_s;
        QTest::newRow("bad operation") << QStringList{u"stop"_s, u"Svc"_s} << QJsonArray{running} << QString() << u"|2"_s;
        QTest::newRow("help") << QStringList{u"--help"_s} << QJsonArray{running} << QString() << u"|2"_s;
        // clang-format on
    }
    void scripted() {
        QFETCH(QStringList, args);
        QFETCH(QJsonArray, plan);
        QFETCH(QString, verbs);
        QFETCH(QString, out);
        QTemporaryDir dir;
        QFile planFile(dir.filePath(u"plan"_s));
        QVERIFY(planFile.open(QIODevice::WriteOnly) &&
                planFile.write(QJsonDocument(plan).toJson()));
        planFile.close();
        QDir().mkpath(dir.filePath(u"tmp/korvane-psservice-999999999-abc"_s)); // of a killed run
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"KVT_NET_PLAN"_s, dir.filePath(u"plan"_s));
        env.insert(u"KVT_NET_LOG"_s, dir.filePath(u"log"_s));
        env.insert(u"KVT_SECRET"_s, kTricky);
        env.insert(u"KORVANE_NET"_s, QStringLiteral(KORVANE_TEST_SUPPORT_DIR "/fake_net.py"));
        env.insert(u"KORVANE_NET_TIMEOUT_MS"_s, u"5000"_s);
        env.insert(u"TMPDIR"_s, dir.filePath(u"tmp"_s));
        const QStringList pc{u"\\\\PC1"_s, u"-u"_s, u"OFFICE\\admin"_s, u"-p"_s, kTricky};
        QCOMPARE(runTool(pc + args, env), out);
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

    // The real net against the real server, or an address where nothing listens.
    void realServer_data() {
        const QString unable = u"Unable to connect to \\\\%1\n|1"_s;
        // clang-format off
        addRows<ServerCase>({
            {"stopped", true, SambaPeer::password(), u"Spooler"_s, u"        STATE    : 1  STOPPED\n        SERVICE  : Spooler\n|0"_s},
            {"unknown service", true, SambaPeer::password(), u"NoSuchSvc"_s, u"|1"_s},
            {"wrong password", true, u"wrong"_s, u"Spooler"_s, unable},
            {"no server", false, SambaPeer::password(), u"Spooler"_s, unable}});
        // clang-format on
    }
    void realServer() {
        QFETCH(ServerCase, c);
        if (!m_peerReady)
            QSKIP(qPrintable(m_peer.errorString()));
        const QString pc = c.server ? m_peer.address() : m_noServer.address();
        QCOMPARE(runTool({u"\\\\"_s + pc, u"-u"_s, SambaPeer::user(), u"-p"_s, c.password,
                          u"query"_s, c.service},
                         QProcessEnvironment::systemEnvironment()),
                 c.out.replace(u"%1"_s, pc));
    }
};

QTEST_GUILESS_MAIN(TestPsService)
#include "tst_psservice.moc"
