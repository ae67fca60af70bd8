// The probe against the real iputils `ping`: loopback, a name that cannot resolve, and hosts
// in network namespaces made here that lose a fixed share of the echo requests.

#include "app/CmdOutput.h"
#include "ping/PingProbe.h"
#include "support/NetNs.h"

#include <QCoroTask>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using ping::PingOutcome;

Q_DECLARE_METATYPE(ping::PingOutcome)

namespace {

// Runs a command line the way the monitor does: through the program's runner, with the
// probe's options (both output streams, the time limit).
QString runPing(const QStringList& argv, int echoes) {
    ProcessCommandRunner runner;
    return QCoro::waitFor(runner.GetCommandOutput(argv, ping::pingCommandOptions(echoes)));
}

// The same command line with echoes sent every 0.2 s instead of every second, to keep the
// test short; everything else stays as the monitor sends it.
QStringList faster(QStringList argv) {
    argv.insert(1, u"-i"_s);
    argv.insert(2, u"0.2"_s);
    return argv;
}

QStringList ipCommand(const QStringList& arguments) {
    QProcess process;
    process.start(u"ip"_s, arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class TestRealPing : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void probeLoopback();
    void averageLoopback();
    void unknownName_data();
    void unknownName();
    void namespaceLoss_data();
    void namespaceLoss();
    void lossChangedInPlace();
    void harnessRemovesEverything();
    void leftoversOfDeadTestsAreRemoved();
};

void TestRealPing::initTestCase() {
    if (QStandardPaths::findExecutable(u"ping"_s).isEmpty())
        QSKIP("ping (iputils-ping) is not installed");
}

void TestRealPing::probeLoopback() {
    // The probe's own command line, at the default interval.
    const QString output = runPing(ping::probeCommand(u"127.0.0.1"_s), ping::probeEchoes);
    const ping::PingReading reading = ping::readPingOutput(output);
    QVERIFY2(reading.markerFound, qPrintable(output));
    QCOMPARE(reading.lossText, u"0"_s);
    QCOMPARE(ping::classifyPing(reading), PingOutcome::Reachable);
    QVERIFY2(reading.averageFound, qPrintable(output));
    QVERIFY(reading.average > 0);
    QVERIFY(!reading.hostNotFound);
    QVERIFY(output.contains(u"4 packets transmitted, 4 received"_s));
}

void TestRealPing::averageLoopback() {
    const QString output =
        runPing(faster(ping::averageCommand(u"127.0.0.1"_s)), ping::averageEchoes);
    const ping::PingReading reading = ping::readPingOutput(output);
    QVERIFY2(output.contains(u"10 packets transmitted, 10 received"_s), qPrintable(output));
    QCOMPARE(reading.lossText, u"0"_s);
    QVERIFY2(reading.averageFound, qPrintable(output));
    QVERIFY(!ping::pingHostNotFound(output));
    // Loopback answers in well under a second, and never in no time at all.
    QVERIFY(ping::isSlow(u"0"_s, reading.average));
    QVERIFY(!ping::isSlow(u"1000"_s, reading.average));
    QCOMPARE(ping::leadingNumber(ping::averageText(reading.average)), reading.average);
}

void TestRealPing::unknownName_data() {
    QTest::addColumn<QStringList>("argv");
    QTest::addColumn<int>("echoes");
    QTest::newRow("probe") << ping::probeCommand(u"korvane-probe.invalid"_s) << ping::probeEchoes;
    QTest::newRow("average") << ping::averageCommand(u"korvane-probe.invalid"_s)
                             << ping::averageEchoes;
}

void TestRealPing::unknownName() {
    QFETCH(QStringList, argv);
    QFETCH(int, echoes);
    const QString output = runPing(argv, echoes);
    // The resolver's message arrives on standard error; the probe must still see it.
    QVERIFY2(!output.isEmpty(), "nothing was read from ping");
    const ping::PingReading reading = ping::readPingOutput(output);
    QVERIFY2(reading.hostNotFound, qPrintable(output));
    QVERIFY(!reading.markerFound);
    QVERIFY(!reading.averageFound);
    QCOMPARE(ping::classifyPing(reading), PingOutcome::NotFound);
    QCOMPARE(ping::statusText(ping::statusArgument(PingOutcome::NotFound, reading.lossText)),
             u"Not Found In Domain"_s);
}

void TestRealPing::namespaceLoss_data() {
    QTest::addColumn<int>("dropped");
    QTest::addColumn<QString>("loss");
    QTest::addColumn<PingOutcome>("outcome");

    QTest::newRow("none lost") << 0 << u"0"_s << PingOutcome::Reachable;
    QTest::newRow("1 of 4 lost") << 1 << u"25"_s << PingOutcome::MinorLoss;
    QTest::newRow("2 of 4 lost") << 2 << u"50"_s << PingOutcome::DroppingPackets;
    QTest::newRow("3 of 4 lost") << 3 << u"75"_s << PingOutcome::DroppingPackets;
    QTest::newRow("4 of 4 lost") << 4 << u"100"_s << PingOutcome::Down;
}

void TestRealPing::namespaceLoss() {
    QFETCH(int, dropped);
    QFETCH(QString, loss);
    QFETCH(PingOutcome, outcome);

    const NetNs ns(dropped);
    if (!ns.isReady())
        QSKIP(qPrintable(ns.failureReason()));

    // One second of reply wait instead of four keeps the all-lost case short.
    const QString output =
        runPing(faster(ping::pingArguments(ns.address(), ping::probeEchoes, 1)), ping::probeEchoes);
    QVERIFY2(output.contains(u"4 packets transmitted, %1 received"_s.arg(4 - dropped)),
             qPrintable(output));
    const ping::PingReading reading = ping::readPingOutput(output);
    QVERIFY(reading.markerFound);
    QCOMPARE(reading.lossText, loss);
    QCOMPARE(ping::classifyPing(reading), outcome);
    QCOMPARE(reading.averageFound, dropped < 4);
    QVERIFY(!reading.hostNotFound);
}

void TestRealPing::lossChangedInPlace() {
    NetNs ns(2);
    if (!ns.isReady())
        QSKIP(qPrintable(ns.failureReason()));
    const QStringList argv = faster(ping::pingArguments(ns.address(), ping::probeEchoes, 1));

    // Consecutive probes of one device see the same loss: every probe is one group of four.
    QCOMPARE(ping::readPingOutput(runPing(argv, ping::probeEchoes)).lossText, u"50"_s);
    QCOMPARE(ping::readPingOutput(runPing(argv, ping::probeEchoes)).lossText, u"50"_s);
    QVERIFY2(ns.setDroppedOfEveryFour(1), qPrintable(ns.failureReason()));
    QCOMPARE(ns.droppedOfEveryFour(), 1);
    QCOMPARE(ping::readPingOutput(runPing(argv, ping::probeEchoes)).lossText, u"25"_s);
    QVERIFY(!ns.setDroppedOfEveryFour(5));
}

void TestRealPing::harnessRemovesEverything() {
    QString name;
    QString hostAddress;
    {
        const NetNs ns;
        if (!ns.isReady())
            QSKIP(qPrintable(ns.failureReason()));
        name = ns.name();
        hostAddress = ns.hostAddress();
        QVERIFY(ns.address().startsWith(u"10.213."_s));
        QVERIFY(ipCommand({u"netns"_s, u"list"_s}).join(u'\n').contains(name));
        QVERIFY(ipCommand({u"-o"_s, u"-4"_s, u"addr"_s, u"show"_s})
                    .join(u'\n')
                    .contains(u"inet "_s + hostAddress + u"/30"_s));
    }
    QVERIFY(!ipCommand({u"netns"_s, u"list"_s}).join(u'\n').contains(name));
    QVERIFY(!ipCommand({u"-o"_s, u"-4"_s, u"addr"_s, u"show"_s})
                 .join(u'\n')
                 .contains(u"inet "_s + hostAddress + u"/30"_s));
}

void TestRealPing::leftoversOfDeadTestsAreRemoved() {
    if (geteuid() != 0)
        QSKIP("making a network namespace needs root");
    // A namespace named as if a test process that no longer runs had left it behind.
    int deadPid = 4194000;
    while (QFileInfo::exists(u"/proc/%1"_s.arg(deadPid)))
        ++deadPid;
    const QString leftover = u"kvns-%1-0"_s.arg(deadPid);
    QProcess add;
    add.start(u"ip"_s, {u"netns"_s, u"add"_s, leftover});
    QVERIFY(add.waitForFinished(10000));
    QCOMPARE(add.exitCode(), 0);
    QVERIFY(ipCommand({u"netns"_s, u"list"_s}).join(u'\n').contains(leftover));

    const NetNs ns;
    if (!ns.isReady())
        QSKIP(qPrintable(ns.failureReason()));
    QVERIFY(!ipCommand({u"netns"_s, u"list"_s}).join(u'\n').contains(leftover));
    QVERIFY(ipCommand({u"netns"_s, u"list"_s}).join(u'\n').contains(ns.name()));
}

QTEST_GUILESS_MAIN(TestRealPing)
#include "tst_realping.moc"
