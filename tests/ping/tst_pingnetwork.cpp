// The ping monitor end to end with the real `ping`: loopback, a name that cannot resolve, and
// hosts in network namespaces made here that lose exactly 1, 2 or 4 of every 4 echo requests
// (root only; skipped with the reason otherwise). The alert mails go to the local SMTP server.
#include "CycleFixture.h"
#include "WindowChecks.h"
#include "support/NetNs.h"
#include "support/SmtpPeer.h"

#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;
using namespace cycletest;

class TestPingNetwork : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() {
        if (QStandardPaths::findExecutable(u"ping"_s).isEmpty())
            QSKIP("ping (iputils-ping) is not installed");
        m_peer = std::make_unique<SmtpPeer>();
        if (!m_peer->start())
            QSKIP(qPrintable(u"the local SMTP server cannot start: "_s + m_peer->errorString()));
    }
    void init() { m_peer->clear(); }
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    void probe_data() {
        QTest::addColumn<QString>("host"); // "ns" + dropped echoes of every four: a namespace
        QTest::addColumn<QString>("addresses");
        QTest::addColumn<QString>("maxAverage");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("label3"); // %1 is the host's address
        QTest::addColumn<QString>("mail");   // subject | body; %1 is the host's address

        const QString two = u"ops@site.invalid;desk@site.invalid"_s;
        const QString down = u"Korvane - Device Can Not Be Pinged - %1 | %1 is not able to be "
                             u"pinged."_s;
        QTest::newRow("loopback") << u"127.0.0.1"_s << two << QString() << u"Percentage Lost 0%"_s
                                  << kPingOk << lossLine(u"%1"_s, u"0"_s) << QString();
        QTest::newRow("unresolvable name")
            << u"korvane-gone.invalid"_s << two << u"5"_s << u"Not Found In Domain"_s
            << u"Emailed To: "_s + two << notFoundLine(u"%1"_s) << down;
        QTest::newRow("1 of 4 lost")
            << u"ns1"_s << two << QString() << u"Percentage Lost 25%"_s << u"Nothing For Now"_s
            << lossLine(u"%1"_s, u"25"_s) << QString();
        QTest::newRow("2 of 4 lost")
            << u"ns2"_s << u"ops@site.invalid"_s << QString() << u"Percentage Lost 50%"_s
            << u"Emailed To: ops@site.invalid"_s << lossLine(u"%1"_s, u"50"_s)
            << u"Korvane - Device Is Dropping Packets - %1 | %1 is pinging, but is droping "
               u"packets. Currently pinging with a 50% loss."_s;
        QTest::newRow("4 of 4 lost, no address")
            << u"ns4"_s << QString() << u"5"_s << u"Percentage Lost 100%"_s
            << u"No Email Address In Database"_s << lossLine(u"%1"_s, u"100"_s) << QString();
        // Loopback answers in more than no time at all: a maximum average of 0 is exceeded.
        QTest::newRow("loopback, slower than 0 ms")
            << u"127.0.0.1"_s << two << u"0"_s << u"Device Is Slow"_s << u"Emailed To: "_s + two
            << lossLine(u"%1"_s, u"0"_s) << u"Ping Time Is Slow - %1 | %1 - is pinging with an "_s;
    }

    void probe() {
        QFETCH(QString, host);
        QFETCH(QString, addresses);
        QFETCH(QString, maxAverage);
        QFETCH(QString, status);
        QFETCH(QString, action);
        QFETCH(QString, label3);
        QFETCH(QString, mail);
        std::unique_ptr<NetNs> ns;
        if (host.startsWith(u"ns"_s)) {
            ns = std::make_unique<NetNs>(host.mid(2).toInt());
            if (!ns->isReady())
                QSKIP(qPrintable(ns->failureReason()));
            host = ns->address();
        }
        CycleFixture<ProcessCommandRunner> fx;
        fx.folder.execSql(u"UPDATE SMTPsettings SET ServerName = '127.0.0.1', FromEmail = "
                          u"'korvane@site.invalid', SMTPport = ?"_s,
                          {QString::number(m_peer->port())});
        const qint64 id = fx.addDevice(host, addresses, maxAverage);
        fx.load();
        fx.click(u"Command1"_s);
        fx.form->Timer1_Timer();
        QTRY_VERIFY_WITH_TIMEOUT(fx.cycle().resultPending(), 30000);
        fx.form->Timer2_Timer();
        QTRY_VERIFY_WITH_TIMEOUT(!fx.cycle().handlingResult(), 40000);

        QCOMPARE(fx.row(id), (QStringList{status, action}));
        QCOMPARE(fx.listColumn(2), QStringList{action});
        QCOMPARE(fx.text(u"Label3"_s), label3.arg(host));
        const QList<ReceivedMail> mails = m_peer->messages();
        QCOMPARE(mails.size(), mail.isEmpty() ? 0 : 1);
        if (!mail.isEmpty()) {
            const QString got = mails.at(0).decodedHeader(u"Subject"_s).value_or(QString()) +
                                u" | "_s + mails.at(0).body();
            QVERIFY2(got.startsWith(mail.arg(host)), qPrintable(got));
            QCOMPARE(mails.at(0).recipients, addresses.split(u';'));
        }
        QVERIFY(fx.folder.dialogs().shown.isEmpty());
    }

  private:
    std::unique_ptr<SmtpPeer> m_peer;
};

QTEST_MAIN(TestPingNetwork)
#include "tst_pingnetwork.moc"
