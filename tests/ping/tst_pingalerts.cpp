#include "ping/PingAlerts.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestPingAlerts : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void mails_data();
    void mails();
    void actions_data();
    void actions();
};

void TestPingAlerts::mails_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("body");

    QTest::newRow("down") << u"down"_s << u"PRINTER-2"_s
                          << u"Korvane - Device Can Not Be Pinged - PRINTER-2"_s
                          << u"PRINTER-2 is not able to be pinged."_s;
    QTest::newRow("dropping 50") << u"dropping 50"_s << u"PC-7"_s
                                 << u"Korvane - Device Is Dropping Packets - PC-7"_s
                                 << u"PC-7 is pinging, but is droping packets. Currently pinging "
                                    u"with a 50% loss."_s;
    QTest::newRow("dropping 75") << u"dropping 75"_s << u"PC-7"_s
                                 << u"Korvane - Device Is Dropping Packets - PC-7"_s
                                 << u"PC-7 is pinging, but is droping packets. Currently pinging "
                                    u"with a 75% loss."_s;
    QTest::newRow("slow") << u"slow"_s << u"SERVER"_s << u"Ping Time Is Slow - SERVER"_s
                          << u"SERVER - is pinging with an average of 23ms which is slower than "
                             u"your desired average of 20ms."_s;
    QTest::newRow("slow, maximum as stored")
        << u"slow as stored"_s << u"SERVER"_s << u"Ping Time Is Slow - SERVER"_s
        << u"SERVER - is pinging with an average of 0.067ms "
           u"which is slower than your desired average of  "
           u"fast ms."_s;
    QTest::newRow("place holders in name")
        << u"slow"_s << u"%1%2"_s << u"Ping Time Is Slow - %1%2"_s
        << u"%1%2 - is pinging with an average of 23ms which "
           u"is slower than your desired average of 20ms."_s;
    QTest::newRow("empty name") << u"down"_s << QString()
                                << u"Korvane - Device Can Not Be Pinged - "_s
                                << u" is not able to be pinged."_s;
}

void TestPingAlerts::mails() {
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QFETCH(QString, subject);
    QFETCH(QString, body);

    ping::AlertMail mail;
    if (kind == u"down")
        mail = ping::deviceDownMail(name);
    else if (kind == u"dropping 50")
        mail = ping::droppingPacketsMail(name, u"50"_s);
    else if (kind == u"dropping 75")
        mail = ping::droppingPacketsMail(name, u"75"_s);
    else if (kind == u"slow")
        mail = ping::slowPingMail(name, u"23"_s, u"20"_s);
    else if (kind == u"slow as stored")
        mail = ping::slowPingMail(name, u"0.067"_s, u" fast "_s);
    else
        QFAIL("unknown kind");
    QCOMPARE(mail.subject, subject);
    QCOMPARE(mail.body, body);
}

void TestPingAlerts::actions_data() {
    QTest::addColumn<QString>("emailAddress");
    QTest::addColumn<bool>("mailed");
    QTest::addColumn<QString>("action");

    QTest::newRow("one address") << u"admin@example.com"_s << true
                                 << u"Emailed To: admin@example.com"_s;
    QTest::newRow("two addresses as stored")
        << u"a@example.com;b@example.com"_s << true << u"Emailed To: a@example.com;b@example.com"_s;
    QTest::newRow("empty") << QString() << false << u"No Email Address In Database"_s;
    // Only an empty value means no recipient; a blank is handed to the mail window as it is.
    QTest::newRow("blank") << u" "_s << true << u"Emailed To:  "_s;
}

void TestPingAlerts::actions() {
    QFETCH(QString, emailAddress);
    QFETCH(bool, mailed);
    QFETCH(QString, action);

    QCOMPARE(ping::alertHasRecipients(emailAddress), mailed);
    QCOMPARE(ping::alertAction(emailAddress), action);
    QCOMPARE(ping::emailedToAction(emailAddress), u"Emailed To: "_s + emailAddress);
    QCOMPARE(ping::noEmailAddressAction(), u"No Email Address In Database"_s);
}

QTEST_GUILESS_MAIN(TestPingAlerts)
#include "tst_pingalerts.moc"
