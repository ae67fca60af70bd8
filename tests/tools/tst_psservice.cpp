// The service-control tool psservice.exe: its tables, then the built program against a
// scripted net and against a real Samba server.

#include "support/SambaPeer.h"
#include "tools/psservice/AuthFile.h"
#include "tools/psservice/ServiceReplies.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using psservice::ReplyKind;

Q_DECLARE_METATYPE(psservice::ReplyKind)

namespace {

const QString tricky = u"-a b \"c\" 'd' %e%"_s;

struct ToolRun {
    QString out;
    int exitCode = -1;
    QStringList leftInTemp; // what the tool left in its temporary folder
};

ToolRun runTool(const QStringList& args, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(QStringLiteral(KORVANE_PROGRAM_DIR "/psservice.exe"), args);
    if (!p.waitForFinished(60000))
        p.kill();
    return {QString::fromLocal8Bit(p.readAllStandardOutput()), p.exitCode(), {}};
}

// Runs the tool with the scripted net (tests/support/fake_net.py) answering from the plan;
// returns what the tool printed and the calls net received.
ToolRun runScripted(const QStringList& args, const QJsonArray& plan, QList<QJsonObject>& calls) {
    QTemporaryDir dir;
    QFile planFile(dir.filePath(u"plan"_s));
    if (!planFile.open(QIODevice::WriteOnly) || planFile.write(QJsonDocument(plan).toJson()) < 0)
        qFatal("cannot write the plan");
    planFile.close();
    QDir().mkpath(dir.filePath(u"tmp/korvane-psservice-999999999-abc"_s)); // of a killed run
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"KVT_NET_PLAN"_s, dir.filePath(u"plan"_s));
    env.insert(u"KVT_NET_LOG"_s, dir.filePath(u"log"_s));
    env.insert(u"KVT_SECRET"_s, tricky);
    env.insert(u"KORVANE_NET"_s, QStringLiteral(KORVANE_TEST_SUPPORT_DIR "/fake_net.py"));
    env.insert(u"KORVANE_NET_TIMEOUT_MS"_s, u"5000"_s);
    env.insert(u"TMPDIR"_s, dir.filePath(u"tmp"_s));
    ToolRun run = runTool(args, env);
    run.leftInTemp =
        QDir(dir.filePath(u"tmp"_s)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QFile log(dir.filePath(u"log"_s));
    for (const QByteArray& line :
         log.open(QIODevice::ReadOnly) ? log.readAll().split('\n') : QByteArrayList())
        if (!line.isEmpty())
            calls.append(QJsonDocument::fromJson(line).object());
    return run;
}

QJsonObject reply(const QString& out, int exit = 0, const QString& err = {}) {
    return {{u"out"_s, out}, {u"exit"_s, exit}, {u"err"_s, err}};
}

} // namespace

class TestPsService : public QObject {
    Q_OBJECT

    SambaPeer m_peer;
    bool m_peerReady = false;
    NetNs m_noServer; // an address where nothing listens

  private Q_SLOTS:
    void initTestCase() { m_peerReady = m_peer.start(); }

    void authFile_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("text"); // empty: refused
        // clang-format off
        QTest::newRow("plain") << u"admin"_s << tricky << u"username = admin\npassword = %1\n"_s.arg(tricky);
        QTest::newRow("domain") << u"OFFICE\\admin"_s << u"p"_s << u"username = admin\npassword = p\ndomain = OFFICE\n"_s;
        QTest::newRow("local") << u".\\admin"_s << u""_s << u"username = admin\npassword = \ndomain = PC1\n"_s;
        QTest::newRow("line break") << u"admin"_s << u"a\nusername = x"_s << QString();
        QTest::newRow("leading blank") << u"admin"_s << u" p"_s << QString();
        // clang-format on
    }
    void authFile() {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, text);
        QString why;
        const auto made = psservice::authFileText(user.toUtf8(), password.toUtf8(), u"PC1"_s, &why);
        QCOMPARE(made.value_or(QByteArray()), text.toUtf8());
        QCOMPARE(why.isEmpty(), !text.isEmpty());
    }

    void replies_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<ReplyKind>("kind");
        QTest::addColumn<int>("state");
        const char* words[] = {"stopped",        "start pending", "stop pending", "running",
                               "resume pending", "pause pending", "paused"};
        for (int n = 1; n <= 7; ++n)
            QTest::addRow("%s", words[n - 1])
                << u"Svc service is %1.\nConfiguration details:\n"_s.arg(
                       QLatin1StringView(words[n - 1]))
                << 0 << ReplyKind::State << n;
        // clang-format off
        QTest::newRow("other name") << u"Svc2 service is running."_s << 0 << ReplyKind::Failed << 0;
        QTest::newRow("manager denied") << u"Failed to open Service Control Manager. [WERR_ACCESS_DENIED]"_s << 255 << ReplyKind::Unreachable << 0;
        QTest::newRow("nothing") << QString() << 255 << ReplyKind::Failed << 0;
        // clang-format on
    }
    void replies() {
        QFETCH(QString, output);
        QFETCH(int, exitCode);
        QFETCH(ReplyKind, kind);
        QFETCH(int, state);
        const auto r = psservice::readServiceReply({true, false, exitCode, output}, u"Svc"_s);
        QCOMPARE(r.kind, kind);
        QCOMPARE(r.state, state);
        // The check reads the digit 11 places after the first "STATE".
        const QString text = psservice::stateText(r.state, u"StateRepository"_s);
        if (r.kind == ReplyKind::State)
            QCOMPARE(text.at(text.indexOf(u"state"_s, 0, Qt::CaseInsensitive) + 11),
                     QChar(u'0' + state));
    }

    // The built tool with a scripted net: the command line, the calls it makes, what it
    // prints, and that the password reaches net only in the authentication file.
    void scripted_data() {
        QTest::addColumn<QStringList>("args"); // after "\\PC1 -u OFFICE\admin -p PASSWORD"
        QTest::addColumn<QJsonArray>("plan");
        QTest::addColumn<QStringList>("verbs");
        QTest::addColumn<QString>("out");
        QTest::addColumn<int>("exitCode");
        const QJsonObject running = reply(u"Svc service is running.\n"_s);
        const QJsonObject started = reply(u"Successfully started service: Svc\n"_s);
        const QString runningOut = u"        STATE    : 4  RUNNING\n        SERVICE  : Svc\n"_s;
        const QString unable = u"Unable to connect to \\\\PC1\n"_s;
        // clang-format off
        QTest::newRow("query") << QStringList{u"query"_s, u"Svc"_s} << QJsonArray{running} << QStringList{u"status"_s} << runningOut << 0;
        QTest::newRow("start") << QStringList{u"START"_s, u"Svc"_s} << QJsonArray{started, running} << QStringList{u"start"_s, u"status"_s} << runningOut << 0;
        QTest::newRow("start unclear") << QStringList{u"start"_s, u"Svc"_s} << QJsonArray{reply({}, 0, u"Failed to start service: Svc [WERR_OK]\n"_s), reply(u"Svc service is start pending.\n"_s)} << QStringList{u"start"_s, u"status"_s} << u"        STATE    : 2  START_PENDING\n        SERVICE  : Svc\n"_s << 0;
        QTest::newRow("start refused") << QStringList{u"start"_s, u"Svc"_s} << QJsonArray{reply({}, 255, u"Failed to open service.  [WERR_ACCESS_DENIED]\n"_s)} << QStringList{u"start"_s} << QString() << 1;
        QTest::newRow("restart") << QStringList{u"restart"_s, u"Svc"_s} << QJsonArray{reply(u"Svc service is stop pending.\n"_s), reply(u"Svc service is stopped.\n"_s), started, running} << QStringList{u"stop"_s, u"status"_s, u"start"_s, u"status"_s} << runningOut << 0;
        QTest::newRow("restart unreachable") << QStringList{u"restart"_s, u"Svc"_s} << QJsonArray{reply({}, 255, u"Could not connect to server PC1\n"_s)} << QStringList{u"stop"_s} << unable << 1;
        QTest::newRow("hung net") << QStringList{u"query"_s, u"Svc"_s} << QJsonArray{QJsonObject{{u"sleep"_s, 60}}} << QStringList{u"status"_s} << unable << 1;
        QTest::newRow("unknown state") << QStringList{u"query"_s, u"Svc"_s} << QJsonArray{reply(u"Svc service is Unknown State [8].\n"_s)} << QStringList{u"status"_s} << QString() << 1;
        QTest::newRow("no service name") << QStringList{u"query"_s, u""_s} << QJsonArray{running} << QStringList() << QString() << 1;
        QTest::newRow("bad operation") << QStringList{u"stop"_s, u"Svc"_s} << QJsonArray{running} << QStringList() << QString() << 2;
        QTest::newRow("help") << QStringList{u"--help"_s} << QJsonArray{running} << QStringList() << QString() << 2;
        // clang-format on
    }
    void scripted() {
        QFETCH(QStringList, args);
        QFETCH(QJsonArray, plan);
        QFETCH(QStringList, verbs);
        QFETCH(QString, out);
        QFETCH(int, exitCode);
        QList<QJsonObject> calls;
        const ToolRun run = runScripted(
            QStringList{u"\\\\PC1"_s, u"-u"_s, u"OFFICE\\admin"_s, u"-p"_s, tricky} + args, plan,
            calls);
        QCOMPARE(run.out, out);
        QCOMPARE(run.exitCode, exitCode);
        if (exitCode != 2) // the file, its folder and the stale folder are gone
            QCOMPARE(run.leftInTemp, QStringList());
        QCOMPARE(calls.size(), verbs.size());
        for (int i = 0; i < calls.size(); ++i) {
            const QJsonObject& c = calls.at(i);
            const QString file = c[u"argv"_s].toArray().at(4).toString().mid(22);
            QCOMPARE(c[u"argv"_s].toVariant().toStringList(),
                     (QStringList{u"rpc"_s, u"service"_s, verbs.at(i), u"--server=PC1"_s,
                                  u"--authentication-file="_s + file, u"--"_s, u"Svc"_s}));
            QCOMPARE(c[u"auth"_s].toString(),
                     u"username = admin\npassword = %1\ndomain = OFFICE\n"_s.arg(tricky));
            QCOMPARE(c[u"mode"_s].toString(), u"0o600"_s);
            QCOMPARE(c[u"lc_all"_s].toString(), u"C"_s);
            QCOMPARE(c[u"leaks"_s].toArray(), QJsonArray()); // not even the tool's own
        }
    }

    // The real net against the real server.
    void realServer_data() {
        QTest::addColumn<bool>("server"); // or an address where nothing listens
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("out"); // %1: the PC
        // clang-format off
        QTest::newRow("stopped") << true << SambaPeer::password() << u"Spooler"_s << u"        STATE    : 1  STOPPED\n        SERVICE  : Spooler\n"_s;
        QTest::newRow("unknown service") << true << SambaPeer::password() << u"NoSuchSvc"_s << QString();
        QTest::newRow("wrong password") << true << u"wrong"_s << u"Spooler"_s << u"Unable to connect to \\\\%1\n"_s;
        QTest::newRow("no server") << false << SambaPeer::password() << u"Spooler"_s << u"Unable to connect to \\\\%1\n"_s;
        // clang-format on
    }
    void realServer() {
        QFETCH(bool, server);
        QFETCH(QString, password);
        QFETCH(QString, service);
        QFETCH(QString, out);
        if (!m_peerReady)
            QSKIP(qPrintable(m_peer.errorString()));
        const QString pc = server ? m_peer.address() : m_noServer.address();
        const QStringList args = {u"\\\\"_s + pc, u"-u"_s, SambaPeer::user(), u"-p"_s, password,
                                  u"query"_s,     service};
        QCOMPARE(runTool(args, QProcessEnvironment::systemEnvironment()).out,
                 out.replace(u"%1"_s, pc));
    }
};

QTEST_GUILESS_MAIN(TestPsService)
#include "tst_psservice.moc"
