// Reading and classifying what `ping` printed, the reading of averages, and the date of the
// reachable action in other locales, as plain tables. The common outputs, and what a probe
// shows, stores and mails, are tested with the cycle (tst_pingcycle).
#include "ping/PingProbe.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestPingProbe : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // What a reading says in one line: marker, loss, average, host not found, outcome (0 down,
    // 1 dropping packets, 2 minor loss, 3 reachable, 4 not found).
    void readOutput_data() {
        // clang-format off
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("reading");
        const QString win = u"\r\nPinging pc-7 [192.0.2.7] with 32 bytes of data:\r\n    Packets: Sent = 4, Received = 3, Lost = 1 "_s;
        QTest::newRow("iputils 100%, errors and pipe") << u"4 packets transmitted, 0 received, +4 errors, 100% packet loss, time 3036ms, pipe 4\n"_s << u"marker '100' none -> 0"_s;
        QTest::newRow("iputils duplicates, rtt with pipe") << u"4 packets transmitted, 4 received, +2 duplicates, 0% packet loss\nrtt min/avg/max/mdev = 1.201/23.456/40.9/3.1 ms, pipe 2"_s << u"marker '0' 23.456 -> 3"_s;
        // %g fractions keep their whole part, the figure Windows prints for the same counts.
        QTest::newRow("iputils 1 of 3 lost") << u"3 packets transmitted, 2 received, 33.3333% packet loss\n"_s << u"marker '33' none -> 3"_s;
        QTest::newRow("iputils in another language") << u"PING 10.213.0.2 (10.213.0.2) 56(84) bytes of data.\n4 Pakete übertragen, 4 empfangen, 0% Paketverlust, Zeit 3004ms"_s << u"no marker 'PIN' none -> 4"_s;
        // Without a summary the loss is still tested first, as the rules' order says.
        QTest::newRow("no summary, starts with 100") << u"100 packets queued\n"_s << u"no marker '100' none -> 0"_s;
        QTest::newRow("windows 25%") << win + u"(25% loss),\r\n    Minimum = 8ms, Maximum = 9ms, Average = 990ms"_s << u"marker '25' 990 -> 2"_s;
        QTest::newRow("windows 75%, upper case") << win + u"(75% LOSS),\r\n    Minimum = 8ms, Maximum = 9ms, Average = 3ms"_s << u"marker '75' 3 -> 1"_s;
        QTest::newRow("windows, a blank before the %") << win + u"(100 % loss),\r\n"_s << u"marker '00' none -> 3"_s;
        // Only five characters after "Average = " are read.
        QTest::newRow("windows long average") << win + u"(0% loss),\r\n    Average = 123456ms"_s << u"marker '0' 12345 -> 3"_s;
        QTest::newRow("windows unknown name") << u"Ping request could not find host pc-9. Please check the name and try again.\r\n"_s << u"no marker 'Pin' none unknown host -> 4"_s;
        // clang-format on
    }
    void readOutput() {
        QFETCH(QString, output);
        const ping::PingReading r = ping::readPingOutput(output);
        QTEST(u"%1 '%2' %3 %4-> %5"_s.arg(r.markerFound ? u"marker"_s : u"no marker"_s, r.lossText,
                                          r.averageFound ? QString::number(r.average) : u"none"_s,
                                          r.hostNotFound ? u"unknown host "_s : QString(),
                                          QString::number(int(ping::classifyPing(r)))),
              "reading");
        QCOMPARE(ping::pingHostNotFound(output), r.hostNotFound);
    }

    // A MaxAverage read as a leading number ("23ms" is 23, no number is 0) against a measured
    // average, as "maximum|measured|number read|slow"; an average equal to the maximum is not
    // slow.
    void averages() {
        for (const char* row :
             {"20|20|20|0", "20|21|20|1", " 20ms |20.001|20|1", ".5|0.5|0.5|0", "-3|0|-3|1",
              "2e3|2000|2000|0", "2e|2.5|2|1", "1,5|1.5|1|1", "0x10|0.067|0|1", "fast|0|0|0"}) {
            const QStringList c = QString::fromLatin1(row).split(u'|');
            QCOMPARE(ping::leadingNumber(c[0]), c[2].toDouble());
            QCOMPARE(ping::isSlow(c[0], c[1].toDouble()), c[3] == u"1"_s);
        }
    }

    // The reachable action at 12 May 2026: the locale's short date with the year in full, the
    // time as "H:mm AMPM".
    void pingOkAction() {
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QDate day(2026, 5, 12);
        QCOMPARE(ping::pingOkAction({day, {0, 7}}, us), u"Ping OK - 5/12/2026-12:07 AM"_s);
        QCOMPARE(ping::pingOkAction({day, {12, 0}}, us), u"Ping OK - 5/12/2026-12:00 PM"_s);
        QCOMPARE(ping::pingOkAction({day, {9, 30}}, QLocale(QLocale::Korean, QLocale::SouthKorea)),
                 u"Ping OK - 2026. 5. 12.-9:30 오전"_s);
        QCOMPARE(
            ping::pingOkAction({day, {13, 45}}, QLocale(QLocale::English, QLocale::UnitedKingdom)),
            u"Ping OK - 12/05/2026-1:45 pm"_s);
    }
};

QTEST_GUILESS_MAIN(TestPingProbe)
#include "tst_pingprobe.moc"
