// The ping monitor's alert mails, delivered to the local SMTP server: subjects, bodies,
// recipients, the actions recorded after them and the slow case's overwrite order. `ping`
// answers from canned outputs; the mail goes over real SMTP on 127.0.0.1.
#include "CycleFixture.h"
#include "WindowChecks.h"
#include "support/SmtpPeer.h"

#include <QApplication>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace cycletest;

namespace {

using Fixture = CycleFixture<FakeCommandRunner>;

const QString kFrom = u"korvane@site.invalid"_s;
const QString kFromName = u"Korvane Alerts"_s;

void pointMailAt(Fixture& fx, quint16 port) {
    fx.folder.execSql(
        u"UPDATE SMTPsettings SET ServerName = '127.0.0.1', FromEmail = ?, FromName = ?,"
        u" SMTPusername = '', SMTPpassword = '', SMTPport = ?"_s,
        {kFrom, kFromName, QString::number(port)});
}

// One probe (interval 1) through to the handled result.
void probeOnce(Fixture& fx) {
    if (fx.form->Command1->isEnabled())
        fx.form->Command1->click();
    fx.form->Timer1_Timer();
    QTRY_VERIFY(fx.form->Timer2->isActive());
    fx.form->Timer2_Timer();
    QTRY_VERIFY_WITH_TIMEOUT(fx.form->Timer1->isActive(), 20000);
}

struct Mail {
    QString subject;
    QString body;
};

} // namespace

Q_DECLARE_METATYPE(QList<Mail>)

class TestPingAlertMail : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() {
        m_peer = std::make_unique<SmtpPeer>();
        if (!m_peer->start())
            QSKIP(qPrintable(u"the local SMTP server cannot start: "_s + m_peer->errorString()));
    }
    void init() { m_peer->clear(); }
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    void alert_data() {
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("tenEchoes");
        QTest::addColumn<QString>("maxAverage");
        QTest::addColumn<QString>("addresses");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QList<Mail>>("mails");

        const QString name = u"pc-7"_s;
        const QString two = u"ops@site.invalid;desk@site.invalid"_s;
        const QString one = u"ops@site.invalid"_s;
        const Mail down{u"Korvane - Device Can Not Be Pinged - pc-7"_s,
                        u"pc-7 is not able to be pinged."_s};
        auto dropping = [](const QString& loss) {
            return Mail{u"Korvane - Device Is Dropping Packets - pc-7"_s,
                        u"pc-7 is pinging, but is droping packets. Currently pinging with a "_s +
                            loss + u"% loss."_s};
        };
        auto slow = [](const QString& measured, const QString& wanted) {
            return Mail{u"Ping Time Is Slow - pc-7"_s,
                        u"pc-7 - is pinging with an average of "_s + measured +
                            u"ms which is slower than your desired average of "_s + wanted +
                            u"ms."_s};
        };

        QTest::newRow("down, two addresses")
            << iputilsOutput(name, 4, 0) << QString() << QString() << two
            << u"Percentage Lost 100%"_s << u"Emailed To: "_s + two << QList<Mail>{down};
        QTest::newRow("not found, one address")
            << windowsUnknownHost(name) << QString() << u"5"_s << one << u"Not Found In Domain"_s
            << u"Emailed To: "_s + one << QList<Mail>{down};
        QTest::newRow("dropping 50") << iputilsOutput(name, 4, 2) << QString() << QString() << one
                                     << u"Percentage Lost 50%"_s << u"Emailed To: "_s + one
                                     << QList<Mail>{dropping(u"50"_s)};
        QTest::newRow("dropping 75")
            << windowsOutput(name, 3) << QString() << QString() << two << u"Percentage Lost 75%"_s
            << u"Emailed To: "_s + two << QList<Mail>{dropping(u"75"_s)};
        QTest::newRow("slow, windows average")
            << iputilsOutput(name, 4, 4) << windowsOutput(name, 0, 23) << u"20"_s << one
            << u"Device Is Slow"_s << u"Emailed To: "_s + one
            << QList<Mail>{slow(u"23"_s, u"20"_s)};
        QTest::newRow("slow, iputils average, maximum as stored")
            << iputilsOutput(name, 4, 4) << iputilsOutput(name, 10, 10, u"0.067"_s) << u" 0 "_s
            << two << u"Device Is Slow"_s << u"Emailed To: "_s + two
            << QList<Mail>{slow(u"0.067"_s, u" 0 "_s)};
        QTest::newRow("dropping, then slow")
            << iputilsOutput(name, 4, 2) << windowsOutput(name, 0, 40) << u"30"_s << one
            << u"Device Is Slow"_s << u"Emailed To: "_s + one
            << QList<Mail>{dropping(u"50"_s), slow(u"40"_s, u"30"_s)};
        QTest::newRow("minor loss: no mail")
            << iputilsOutput(name, 4, 3) << QString() << QString() << two
            << u"Percentage Lost 25%"_s << u"Nothing For Now"_s << QList<Mail>{};
        QTest::newRow("equal average: no mail")
            << iputilsOutput(name, 4, 4) << windowsOutput(name, 0, 20) << u"20"_s << two
            << u"Percentage Lost 0%"_s << pingOkAt2105() << QList<Mail>{};
        QTest::newRow("down without addresses: no mail")
            << iputilsOutput(name, 4, 0) << QString() << QString() << QString()
            << u"Percentage Lost 100%"_s << u"No Email Address In Database"_s << QList<Mail>{};
    }

    void alert() {
        QFETCH(QString, probe);
        QFETCH(QString, tenEchoes);
        QFETCH(QString, maxAverage);
        QFETCH(QString, addresses);
        QFETCH(QString, status);
        QFETCH(QString, action);
        QFETCH(QList<Mail>, mails);
        Fixture fx;
        pointMailAt(fx, m_peer->port());
        const qint64 id = fx.addDevice(u"pc-7"_s, addresses, maxAverage);
        fx.runner->outputs = {probe, tenEchoes};
        fx.load();
        probeOnce(fx);

        QCOMPARE(fx.row(id).status, status);
        QCOMPARE(fx.row(id).actionTaken, action);
        QCOMPARE(fx.listColumn(2), QStringList{action});
        // A send has ended when the result tick goes on, so every mail is in by now.
        const QList<ReceivedMail> received = m_peer->messages();
        QCOMPARE(received.size(), mails.size());
        const QStringList recipients = addresses.split(u';', Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < mails.size(); ++i) {
            const ReceivedMail& got = received.at(i);
            QCOMPARE(got.decodedHeader(u"Subject"_s).value_or(QString()), mails.at(i).subject);
            QCOMPARE(got.body(), mails.at(i).body);
            QCOMPARE(got.recipients, recipients);
            QCOMPARE(got.mailFrom, kFrom);
            QCOMPARE(got.decodedHeader(u"From"_s).value_or(QString()),
                     kFromName + u" <"_s + kFrom + u">"_s);
        }
        QVERIFY(fx.folder.dialogs().shown.isEmpty());
    }

    void newMailSettingsReachTheNextAlert() {
        SmtpPeer second;
        if (!second.start())
            QSKIP(qPrintable(u"a second SMTP server cannot start: "_s + second.errorString()));
        Fixture fx;
        pointMailAt(fx, m_peer->port());
        fx.addDevice(u"pc-7"_s, u"ops@site.invalid"_s);
        fx.runner->outputs = {iputilsOutput(u"pc-7"_s, 4, 0)};
        fx.load();
        probeOnce(fx);
        QCOMPARE(m_peer->messageCount(), 1);

        // The settings window saves and has the main window reload the values.
        pointMailAt(fx, second.port());
        fx.form->publicValues().fncGetSMTPsettings(fx.form->context().databasePath());
        QCOMPARE(fx.form->publicValues().SMTPport, QString::number(second.port()));
        probeOnce(fx);
        QCOMPARE(m_peer->messageCount(), 1);
        QCOMPARE(second.messageCount(), 1);
        QCOMPARE(second.messages().at(0).decodedHeader(u"Subject"_s).value_or(QString()),
                 u"Korvane - Device Can Not Be Pinged - pc-7"_s);
    }

    void mailsGoOnEveryProbe() {
        // There is no memory of earlier alerts: a device that stays down is mailed at each of
        // its probes, once per pass over the list.
        Fixture fx;
        pointMailAt(fx, m_peer->port());
        fx.addDevice(u"pc-7"_s, u"ops@site.invalid"_s);
        fx.addDevice(u"pc-8"_s);
        fx.runner->outputs = {iputilsOutput(u"pc-7"_s, 4, 0), iputilsOutput(u"pc-8"_s, 4, 0),
                              iputilsOutput(u"pc-7"_s, 4, 0)};
        fx.load();
        for (int i = 0; i < 3; ++i)
            probeOnce(fx);
        QCOMPARE(m_peer->messageCount(), 2);
        QCOMPARE(fx.actionColumn(), (QStringList{u"Emailed To: ops@site.invalid"_s,
                                                 u"No Email Address In Database"_s}));
    }

  private:
    std::unique_ptr<SmtpPeer> m_peer;
};

QTEST_MAIN(TestPingAlertMail)
#include "tst_pingalertmail.moc"
