// Reading and classifying what `ping` printed, and every text a probe shows, stores or mails,
// as plain tables.
#include "ping/PingAlerts.h"
#include "ping/PingProbe.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using ping::PingAlertKind;
using ping::PingOutcome;

Q_DECLARE_METATYPE(ping::PingOutcome)
Q_DECLARE_METATYPE(ping::PingAlertKind)

namespace {

// Outputs as the two kinds of `ping` print them.
const QString iputilsHead = u"PING 10.213.0.2 (10.213.0.2) 56(84) bytes of data.\n"_s;

QString iputils(const QString& summary, const QString& rtt = QString()) {
    return iputilsHead + u"\n--- 10.213.0.2 ping statistics ---\n"_s + summary + u"\n"_s +
           (rtt.isEmpty() ? QString() : rtt + u"\n"_s);
}

QString windows(int sent, int received, const QString& loss, const QString& average) {
    QString out = u"\r\nPinging pc-7 [192.0.2.7] with 32 bytes of data:\r\n"
                  u"Reply from 192.0.2.7: bytes=32 time=990ms TTL=128\r\n\r\n"
                  u"Ping statistics for 192.0.2.7:\r\n"_s;
    out += u"    Packets: Sent = %1, Received = %2, Lost = %3 %4,\r\n"_s.arg(sent)
               .arg(received)
               .arg(sent - received)
               .arg(loss);
    if (!average.isEmpty())
        out += u"Approximate round trip times in milli-seconds:\r\n"
               u"    Minimum = 827ms, Maximum = 1080ms, Average = "_s +
               average + u"\r\n"_s;
    return out;
}

} // namespace

class TestPingProbe : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void readOutput_data();
    void readOutput();
    void classify_data();
    void classify();
    void leadingNumber_data();
    void leadingNumber();
    void maximumAverage_data();
    void maximumAverage();
    void texts_data();
    void texts();
};

void TestPingProbe::readOutput_data() {
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("markerFound");
    QTest::addColumn<QString>("lossText");
    QTest::addColumn<bool>("averageFound");
    QTest::addColumn<double>("average");
    QTest::addColumn<bool>("hostNotFound");
    QTest::addColumn<PingOutcome>("outcome");

    const QString rtt = u"rtt min/avg/max/mdev = 0.045/0.067/0.116/0.028 ms"_s;

    QTest::newRow("iputils 0%")
        << iputils(u"4 packets transmitted, 4 received, 0% packet loss, time 3063ms"_s, rtt) << true
        << u"0"_s << true << 0.067 << false << PingOutcome::Reachable;
    QTest::newRow("iputils 25%")
        << iputils(u"4 packets transmitted, 3 received, 25% packet loss, time 3004ms"_s, rtt)
        << true << u"25"_s << true << 0.067 << false << PingOutcome::MinorLoss;
    QTest::newRow("iputils 50%")
        << iputils(u"4 packets transmitted, 2 received, 50% packet loss, time 3011ms"_s, rtt)
        << true << u"50"_s << true << 0.067 << false << PingOutcome::DroppingPackets;
    QTest::newRow("iputils 100%, no rtt line")
        << iputils(u"4 packets transmitted, 0 received, 100% packet loss, time 3062ms"_s) << true
        << u"100"_s << false << 0.0 << false << PingOutcome::Down;
    QTest::newRow("iputils errors and pipe")
        << iputils(
               u"4 packets transmitted, 0 received, +4 errors, 100% packet loss, time 3036ms, pipe 4"_s)
        << true << u"100"_s << false << 0.0 << false << PingOutcome::Down;
    QTest::newRow("iputils duplicates")
        << iputils(
               u"4 packets transmitted, 4 received, +2 duplicates, 0% packet loss, time 3005ms"_s,
               u"rtt min/avg/max/mdev = 1.201/23.456/40.9/3.1 ms, pipe 2"_s)
        << true << u"0"_s << true << 23.456 << false << PingOutcome::Reachable;
    QTest::newRow("iputils 1 of 3 lost")
        << iputils(u"3 packets transmitted, 2 received, 33.3333% packet loss, time 2003ms"_s, rtt)
        << true << u"33"_s << true << 0.067 << false << PingOutcome::Reachable;
    QTest::newRow("iputils unknown name")
        << u"ping: pc-9.invalid: Name or service not known\n"_s << false << u"pin"_s << false << 0.0
        << true << PingOutcome::NotFound;
    QTest::newRow("empty output") << QString() << false << QString() << false << 0.0 << false
                                  << PingOutcome::NotFound;
    QTest::newRow("runner failure text")
        << u"Failed to create process, check the path of the command line."_s << false << u"Fai"_s
        << false << 0.0 << false << PingOutcome::NotFound;
    QTest::newRow("iputils in another language")
        << iputils(u"4 Pakete übertragen, 4 empfangen, 0% Paketverlust, Zeit 3004ms"_s) << false
        << u"PIN"_s << false << 0.0 << false << PingOutcome::NotFound;
    // Without a summary the loss is still tested first: three leading characters that read
    // "100" decide "down" before "not found", as the table's order says.
    QTest::newRow("no summary, starts with 100") << u"100 packets queued\n"_s << false << u"100"_s
                                                 << false << 0.0 << false << PingOutcome::Down;

    QTest::newRow("windows 0%") << windows(4, 4, u"(0% loss)"_s, u"1ms"_s) << true << u"0"_s << true
                                << 1.0 << false << PingOutcome::Reachable;
    QTest::newRow("windows 25%") << windows(4, 3, u"(25% loss)"_s, u"990ms"_s) << true << u"25"_s
                                 << true << 990.0 << false << PingOutcome::MinorLoss;
    QTest::newRow("windows 100%") << windows(4, 0, u"(100% loss)"_s, QString()) << true << u"100"_s
                                  << false << 0.0 << false << PingOutcome::Down;
    // Only five characters after "Average = " are read.
    QTest::newRow("windows long average")
        << windows(10, 10, u"(0% loss)"_s, u"123456ms"_s) << true << u"0"_s << true << 12345.0
        << false << PingOutcome::Reachable;
    QTest::newRow("windows unknown name")
        << u"Ping request could not find host pc-9. Please check the name and try again.\r\n"_s
        << false << u"Pin"_s << false << 0.0 << true << PingOutcome::NotFound;
    QTest::newRow("windows in another language")
        << u"\r\nPing wird ausgeführt für pc-7 [192.0.2.7] mit 32 Bytes Daten:\r\n"
           u"    Pakete: Gesendet = 4, Empfangen = 4, Verloren = 0\r\n    (0% Verlust),\r\n"
           u"    Minimum = 1ms, Maximum = 1ms, Mittelwert = 1ms\r\n"_s
        << false << u"\r\nP"_s << false << 0.0 << false << PingOutcome::NotFound;
}

void TestPingProbe::readOutput() {
    QFETCH(QString, output);
    QFETCH(bool, markerFound);
    QFETCH(QString, lossText);
    QFETCH(bool, averageFound);
    QFETCH(double, average);
    QFETCH(bool, hostNotFound);
    QFETCH(PingOutcome, outcome);

    const ping::PingReading reading = ping::readPingOutput(output);
    QCOMPARE(reading.markerFound, markerFound);
    QCOMPARE(reading.lossText, lossText);
    QCOMPARE(reading.averageFound, averageFound);
    QCOMPARE(reading.average, average);
    QCOMPARE(reading.hostNotFound, hostNotFound);
    QCOMPARE(ping::pingHostNotFound(output), hostNotFound);
    QCOMPARE(ping::classifyPing(reading), outcome);
}

void TestPingProbe::classify_data() {
    QTest::addColumn<QString>("loss");
    QTest::addColumn<bool>("marker");
    QTest::addColumn<PingOutcome>("outcome");
    QTest::addColumn<PingAlertKind>("alert");
    QTest::addColumn<bool>("averageCheck"); // for a device that has a maximum average
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("activity");

    const QString lossLine =
        u"Pinged PC-1 with a %1% Loss. Preparing for the next one.... Waiting For Timer"_s;
    const QString notFoundLine = u"Pinged PC-1, and it wasn't found on your network. Preparing "
                                 u"for the next one.... Waiting For Timer"_s;

    QTest::newRow("100") << u"100"_s << true << PingOutcome::Down << PingAlertKind::DeviceDown
                         << false << u"Percentage Lost 100%"_s << lossLine.arg(u"100");
    QTest::newRow("75") << u"75"_s << true << PingOutcome::DroppingPackets
                        << PingAlertKind::DroppingPackets << true << u"Percentage Lost 75%"_s
                        << lossLine.arg(u"75");
    QTest::newRow("25") << u"25"_s << true << PingOutcome::MinorLoss << PingAlertKind::None << true
                        << u"Percentage Lost 25%"_s << lossLine.arg(u"25");
    QTest::newRow("0") << u"0"_s << true << PingOutcome::Reachable << PingAlertKind::None << true
                       << u"Percentage Lost 0%"_s << lossLine.arg(u"0");
    QTest::newRow("33") << u"33"_s << true << PingOutcome::Reachable << PingAlertKind::None << true
                        << u"Percentage Lost 33%"_s << lossLine.arg(u"33");
    QTest::newRow("not trimmed") << u"100 "_s << true << PingOutcome::Reachable
                                 << PingAlertKind::None << true << u"Percentage Lost 100 %"_s
                                 << lossLine.arg(u"100 ");
    QTest::newRow("no marker") << u"pin"_s << false << PingOutcome::NotFound
                               << PingAlertKind::DeviceDown << false << u"Not Found In Domain"_s
                               << notFoundLine;
}

void TestPingProbe::classify() {
    QFETCH(QString, loss);
    QFETCH(bool, marker);
    QFETCH(PingOutcome, outcome);
    QFETCH(PingAlertKind, alert);
    QFETCH(bool, averageCheck);
    QFETCH(QString, status);
    QFETCH(QString, activity);

    QCOMPARE(ping::classifyPing(loss, marker), outcome);
    QCOMPARE(ping::alertFor(outcome), alert);
    QCOMPARE(ping::runsAverageCheck(outcome, true), averageCheck);
    QCOMPARE(ping::runsAverageCheck(outcome, false), false);
    QCOMPARE(ping::statusText(ping::statusArgument(outcome, loss)), status);
    QCOMPARE(ping::activityLine(outcome, u"PC-1"_s, loss), activity);
}

void TestPingProbe::leadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("unit after") << u"23ms"_s << 23.0;
    QTest::newRow("fraction") << u"0.5"_s << 0.5;
    QTest::newRow("blanks around") << u" 12 "_s << 12.0;
    QTest::newRow("negative") << u"-3"_s << -3.0;
    QTest::newRow("leading point") << u".5"_s << 0.5;
    QTest::newRow("exponent") << u"2e3"_s << 2000.0;
    QTest::newRow("bare e") << u"2e"_s << 2.0;
    QTest::newRow("comma stops") << u"1,5"_s << 1.0;
    QTest::newRow("hex is not read") << u"0x10"_s << 0.0;
}

void TestPingProbe::leadingNumber() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(ping::leadingNumber(text), value);
}

void TestPingProbe::maximumAverage_data() {
    QTest::addColumn<QString>("maxAverage");
    QTest::addColumn<double>("measured");
    QTest::addColumn<bool>("hasMaximum");
    QTest::addColumn<bool>("slow");

    QTest::newRow("equal is not slow") << u"20"_s << 20.0 << true << false;
    QTest::newRow("one more is slow") << u"20"_s << 21.0 << true << true;
    QTest::newRow("blanks around") << u" 20 "_s << 20.0 << true << false;
    QTest::newRow("no number, nothing measured") << u"fast"_s << 0.0 << true << false;
    QTest::newRow("no number, any average") << u"fast"_s << 0.067 << true << true;
    QTest::newRow("empty") << QString() << 5.0 << false << true;
}

void TestPingProbe::maximumAverage() {
    QFETCH(QString, maxAverage);
    QFETCH(double, measured);
    QFETCH(bool, hasMaximum);
    QFETCH(bool, slow);
    QCOMPARE(ping::hasMaximumAverage(maxAverage), hasMaximum);
    QCOMPARE(ping::isSlow(maxAverage, measured), slow);
}

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
