// Reading and classifying what `ping` printed, and every text a probe shows, stores or mails,
// as plain tables.
#include "ping/PingAlerts.h"
#include "ping/PingProbe.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using ping::PingOutcome;

namespace {

QString iputils(const QString& summary, const QString& rtt = QString()) {
    return u"PING 10.213.0.2 (10.213.0.2) 56(84) bytes of data.\n\n--- 10.213.0.2 ping "
           u"statistics ---\n"_s +
           summary + u"\n"_s + rtt;
}

QString windows(const QString& loss, const QString& average) {
    return u"\r\nPinging pc-7 [192.0.2.7] with 32 bytes of data:\r\n    Packets: Sent = 4, "
           u"Received = 3, Lost = 1 "_s +
           loss + u",\r\n"_s +
           (average.isEmpty() ? QString()
                              : u"    Minimum = 827ms, Maximum = 1080ms, Average = "_s + average);
}

const char* outcomeName(PingOutcome o) {
    static const char* const names[] = {"down", "dropping", "minor", "reachable", "not found"};
    return names[int(o)];
}

// What a reading says, in one line: marker, loss, average, host not found, outcome.
QString summary(const ping::PingReading& r) {
    return u"%1 loss '%2' avg %3 %4-> %5"_s.arg(r.markerFound ? u"marker"_s : u"no marker"_s)
        .arg(r.lossText)
        .arg(r.averageFound ? QString::number(r.average) : u"none"_s)
        .arg(r.hostNotFound ? u"unknown host "_s : QString())
        .arg(QString::fromLatin1(outcomeName(ping::classifyPing(r))));
}

} // namespace

class TestPingProbe : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void readOutput_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("reading");
        const QString rtt = u"rtt min/avg/max/mdev = 0.045/0.067/0.116/0.028 ms\n"_s;
        QTest::newRow("iputils 0%")
            << iputils(u"4 packets transmitted, 4 received, 0% packet loss, time 3063ms"_s, rtt)
            << u"marker loss '0' avg 0.067 -> reachable"_s;
        QTest::newRow("iputils 25%")
            << iputils(u"4 packets transmitted, 3 received, 25% packet loss, time 3004ms"_s, rtt)
            << u"marker loss '25' avg 0.067 -> minor"_s;
        QTest::newRow("iputils 50%")
            << iputils(u"4 packets transmitted, 2 received, 50% packet loss, time 3011ms"_s, rtt)
            << u"marker loss '50' avg 0.067 -> dropping"_s;
        QTest::newRow("iputils 100%, errors and pipe")
            << iputils(u"4 packets transmitted, 0 received, +4 errors, 100% packet loss, time "
                       u"3036ms, pipe 4"_s)
            << u"marker loss '100' avg none -> down"_s;
        QTest::newRow("iputils duplicates, rtt with pipe")
            << iputils(u"4 packets transmitted, 4 received, +2 duplicates, 0% packet loss"_s,
                       u"rtt min/avg/max/mdev = 1.201/23.456/40.9/3.1 ms, pipe 2"_s)
            << u"marker loss '0' avg 23.456 -> reachable"_s;
        // %g fractions keep their whole part, the figure Windows prints for the same counts.
        QTest::newRow("iputils 1 of 3 lost")
            << iputils(u"3 packets transmitted, 2 received, 33.3333% packet loss"_s)
            << u"marker loss '33' avg none -> reachable"_s;
        QTest::newRow("iputils unknown name")
            << u"ping: pc-9.invalid: Name or service not known\n"_s
            << u"no marker loss 'pin' avg none unknown host -> not found"_s;
        QTest::newRow("empty output") << QString() << u"no marker loss '' avg none -> not found"_s;
        QTest::newRow("runner failure text")
            << u"Failed to create process, check the path of the command line."_s
            << u"no marker loss 'Fai' avg none -> not found"_s;
        QTest::newRow("iputils in another language")
            << iputils(u"4 Pakete übertragen, 4 empfangen, 0% Paketverlust, Zeit 3004ms"_s)
            << u"no marker loss 'PIN' avg none -> not found"_s;
        // Without a summary the loss is still tested first, as the table's order says.
        QTest::newRow("no summary, starts with 100")
            << u"100 packets queued\n"_s << u"no marker loss '100' avg none -> down"_s;
        QTest::newRow("windows 25%")
            << windows(u"(25% loss)"_s, u"990ms"_s) << u"marker loss '25' avg 990 -> minor"_s;
        QTest::newRow("windows 75%, upper case")
            << windows(u"(75% LOSS)"_s, u"3ms"_s) << u"marker loss '75' avg 3 -> dropping"_s;
        QTest::newRow("windows 100%")
            << windows(u"(100% loss)"_s, QString()) << u"marker loss '100' avg none -> down"_s;
        // Only five characters after "Average = " are read.
        QTest::newRow("windows long average") << windows(u"(0% loss)"_s, u"123456ms"_s)
                                              << u"marker loss '0' avg 12345 -> reachable"_s;
        QTest::newRow("windows unknown name")
            << u"Ping request could not find host pc-9. Please check the name and try again.\r\n"_s
            << u"no marker loss 'Pin' avg none unknown host -> not found"_s;
    }

    void readOutput() {
        QFETCH(QString, output);
        QFETCH(QString, reading);
        QCOMPARE(summary(ping::readPingOutput(output)), reading);
        QCOMPARE(ping::pingHostNotFound(output), reading.contains(u"unknown host"_s));
    }

    void classify_data() {
        QTest::addColumn<QString>("loss");
        QTest::addColumn<bool>("marker");
        QTest::addColumn<int>("alert"); // PingAlertKind
        QTest::addColumn<bool>("averageCheck");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("activity");
        const QString line =
            u"Pinged PC-1 with a %1% Loss. Preparing for the next one.... Waiting For Timer"_s;
        QTest::newRow("100") << u"100"_s << true << int(ping::PingAlertKind::DeviceDown) << false
                             << u"Percentage Lost 100%"_s << line.arg(u"100");
        QTest::newRow("75") << u"75"_s << true << int(ping::PingAlertKind::DroppingPackets) << true
                            << u"Percentage Lost 75%"_s << line.arg(u"75");
        QTest::newRow("25") << u"25"_s << true << int(ping::PingAlertKind::None) << true
                            << u"Percentage Lost 25%"_s << line.arg(u"25");
        QTest::newRow("not trimmed") << u"100 "_s << true << int(ping::PingAlertKind::None) << true
                                     << u"Percentage Lost 100 %"_s << line.arg(u"100 ");
        QTest::newRow("no marker") << u"0"_s << false << int(ping::PingAlertKind::DeviceDown)
                                   << false << u"Not Found In Domain"_s
                                   << u"Pinged PC-1, and it wasn't found on your network. "
                                      u"Preparing for the next one.... Waiting For Timer"_s;
    }

    void classify() {
        QFETCH(QString, loss);
        QFETCH(bool, marker);
        QFETCH(int, alert);
        QFETCH(bool, averageCheck);
        QFETCH(QString, status);
        QFETCH(QString, activity);
        const PingOutcome outcome = ping::classifyPing(loss, marker);
        QCOMPARE(int(ping::alertFor(outcome)), alert);
        QCOMPARE(ping::runsAverageCheck(outcome, true), averageCheck);
        QVERIFY(!ping::runsAverageCheck(outcome, false));
        QCOMPARE(ping::statusText(ping::statusArgument(outcome, loss)), status);
        QCOMPARE(ping::activityLine(outcome, u"PC-1"_s, loss), activity);
    }

    // MaxAverage and measured averages: read as a leading number ("23ms" is 23, no number is 0);
    // an average equal to the maximum is not slow.
    void averages_data() {
        QTest::addColumn<QString>("maxAverage");
        QTest::addColumn<double>("measured");
        QTest::addColumn<double>("number");
        QTest::addColumn<bool>("slow");
        QTest::newRow("equal") << u"20"_s << 20.0 << 20.0 << false;
        QTest::newRow("1 more") << u"20"_s << 21.0 << 20.0 << true;
        QTest::newRow("unit and blanks") << u" 20ms "_s << 20.001 << 20.0 << true;
        QTest::newRow("fraction") << u".5"_s << 0.5 << 0.5 << false;
        QTest::newRow("sign") << u"-3"_s << 0.0 << -3.0 << true;
        QTest::newRow("exponent") << u"2e3"_s << 2000.0 << 2000.0 << false;
        QTest::newRow("bare e") << u"2e"_s << 2.5 << 2.0 << true;
        QTest::newRow("comma stops") << u"1,5"_s << 1.5 << 1.0 << true;
        QTest::newRow("hex is no number") << u"0x10"_s << 0.067 << 0.0 << true;
        QTest::newRow("no number, nothing measured") << u"fast"_s << 0.0 << 0.0 << false;
    }

    void averages() {
        QFETCH(QString, maxAverage);
        QFETCH(double, measured);
        QFETCH(double, number);
        QFETCH(bool, slow);
        QCOMPARE(ping::leadingNumber(maxAverage), number);
        QCOMPARE(ping::isSlow(maxAverage, measured), slow);
        QVERIFY(ping::hasMaximumAverage(maxAverage));
        QVERIFY(!ping::hasMaximumAverage(u"   "_s));
    }

    void texts_data();
    void texts();
};

void TestPingProbe::texts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale korea(QLocale::Korean, QLocale::SouthKorea);
    const QLocale britain(QLocale::English, QLocale::UnitedKingdom);
    const QLocale germany(QLocale::German, QLocale::Germany);
    const QDate day(2026, 5, 12);

    // The command lines: the name is one argument after "--", never an option or shell text.
    QTest::newRow("probe") << ping::probeCommand(u"-f"_s).join(u' ') << u"ping -c 4 -W 4 -- -f"_s;
    QTest::newRow("average") << ping::averageCommand(u";reboot"_s).join(u'|')
                             << u"ping|-c|10|-W|4|--|;reboot"_s;

    // The reachable action: the short date with the year in full, the time as "H:mm AMPM".
    QTest::newRow("ok, us evening")
        << ping::pingOkAction(QDateTime(day, QTime(21, 5)), us) << u"Ping OK - 5/12/2026-9:05 PM"_s;
    QTest::newRow("ok, us midnight")
        << ping::pingOkAction(QDateTime(day, QTime(0, 7)), us) << u"Ping OK - 5/12/2026-12:07 AM"_s;
    QTest::newRow("ok, us noon") << ping::pingOkAction(QDateTime(day, QTime(12, 0)), us)
                                 << u"Ping OK - 5/12/2026-12:00 PM"_s;
    QTest::newRow("ok, korea") << ping::pingOkAction(QDateTime(day, QTime(9, 30)), korea)
                               << u"Ping OK - 2026. 5. 12.-9:30 오전"_s;
    QTest::newRow("ok, germany") << ping::pingOkAction(QDateTime(day, QTime(23, 59)), germany)
                                 << u"Ping OK - 12.05.2026-11:59 PM"_s;
    QTest::newRow("ok, britain keeps its year")
        << ping::pingOkAction(QDateTime(day, QTime(13, 45)), britain)
        << u"Ping OK - 12/05/2026-1:45 pm"_s;
    QTest::newRow("status, slow") << ping::statusText(u"Device Is Slow"_s) << u"Device Is Slow"_s;
    QTest::newRow("status, other case")
        << ping::statusText(u"device is slow"_s) << u"Percentage Lost device is slow%"_s;
    QTest::newRow("pinging line") << ping::pingingProgressLine(3, 12)
                                  << u"Pinging Device (3) of (12)"_s;
    QTest::newRow("pinged line") << ping::pingedProgressLine(12, 12)
                                 << u"Pinged Device (12) of (12)"_s;
    QTest::newRow("name with a place holder")
        << ping::activityLine(PingOutcome::MinorLoss, u"pc%2"_s, u"25"_s)
        << u"Pinged pc%2 with a 25% Loss. Preparing for the next one.... Waiting For Timer"_s;
    QTest::newRow("average, whole") << ping::averageText(23) << u"23"_s;
    QTest::newRow("average, fraction") << ping::averageText(0.067) << u"0.067"_s;

    // The alert mails and the actions that record them.
    const auto mail = [](const ping::AlertMail& m) { return m.subject + u" | "_s + m.body; };
    QTest::newRow("down mail") << mail(ping::deviceDownMail(u"PRINTER-2"_s))
                               << u"Korvane - Device Can Not Be Pinged - PRINTER-2 | PRINTER-2 is "
                                  u"not able to be pinged."_s;
    QTest::newRow("dropping mail")
        << mail(ping::droppingPacketsMail(u"PC-7"_s, u"75"_s))
        << u"Korvane - Device Is Dropping Packets - PC-7 | PC-7 is pinging, but is droping "
           u"packets. Currently pinging with a 75% loss."_s;
    QTest::newRow("slow mail, maximum as stored")
        << mail(ping::slowPingMail(u"%1%2"_s, u"0.067"_s, u" fast "_s))
        << u"Ping Time Is Slow - %1%2 | %1%2 - is pinging with an average of 0.067ms which is "
           u"slower than your desired average of  fast ms."_s;
    QTest::newRow("emailed to") << ping::alertAction(u"a@example.com;b@example.com"_s)
                                << u"Emailed To: a@example.com;b@example.com"_s;
    QTest::newRow("no address") << ping::alertAction(QString())
                                << u"No Email Address In Database"_s;
    QTest::newRow("a blank is an address") << ping::alertAction(u" "_s) << u"Emailed To:  "_s;
}

void TestPingProbe::texts() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

QTEST_GUILESS_MAIN(TestPingProbe)
#include "tst_pingprobe.moc"
