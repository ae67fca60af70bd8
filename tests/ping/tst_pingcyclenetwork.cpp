// The ping monitor end to end: the real `ping` against loopback, a name that cannot resolve and
// hosts in network namespaces made here that lose exactly 1, 2 or 4 of 4 echo requests; the
// alert mails go to the local SMTP server. Each case checks the stored row, the window's lines
// and the mail that arrived.
#include "CycleFixture.h"
#include "WindowChecks.h"
#include "support/NetNs.h"
#include "support/SmtpPeer.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace cycletest;

namespace {

using Fixture = CycleFixture<ProcessCommandRunner>;

const QString kFrom = u"korvane@site.invalid"_s;
const QString kTwo = u"ops@site.invalid;desk@site.invalid"_s;
const QString kOne = u"ops@site.invalid"_s;

// Which host a case pings.
enum class Host { Loopback, Unresolvable, Namespace };

} // namespace

Q_DECLARE_METATYPE(Host)

class TestPingCycleNetwork : public QObject {
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

    void realProbe_data() {
        QTest::addColumn<Host>("host");
        QTest::addColumn<int>("dropped");
        QTest::addColumn<QString>("addresses");
        QTest::addColumn<QString>("maxAverage");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("loss");    // empty: not found
        QTest::addColumn<QString>("subject"); // empty: no mail; %1 is the device name

        QTest::newRow("loopback") << Host::Loopback << 0 << kTwo << QString()
                                  << u"Percentage Lost 0%"_s << pingOkAt2105() << u"0"_s
                                  << QString();
        QTest::newRow("unresolvable, two addresses")
            << Host::Unresolvable << 0 << kTwo << u"5"_s << u"Not Found In Domain"_s
            << u"Emailed To: "_s + kTwo << QString()
            << u"Korvane - Device Can Not Be Pinged - %1"_s;
        QTest::newRow("unresolvable, no address")
            << Host::Unresolvable << 0 << QString() << QString() << u"Not Found In Domain"_s
            << u"No Email Address In Database"_s << QString() << QString();
        QTest::newRow("1 of 4 lost")
            << Host::Namespace << 1 << kTwo << QString() << u"Percentage Lost 25%"_s
            << u"Nothing For Now"_s << u"25"_s << QString();
        QTest::newRow("2 of 4 lost") << Host::Namespace << 2 << kOne << QString()
                                     << u"Percentage Lost 50%"_s << u"Emailed To: "_s + kOne
                                     << u"50"_s << u"Korvane - Device Is Dropping Packets - %1"_s;
        QTest::newRow("4 of 4 lost")
            << Host::Namespace << 4 << kTwo << u"5"_s << u"Percentage Lost 100%"_s
            << u"Emailed To: "_s + kTwo << u"100"_s << u"Korvane - Device Can Not Be Pinged - %1"_s;
    }

    void realProbe() {
        QFETCH(Host, host);
        QFETCH(int, dropped);
        QFETCH(QString, addresses);
        QFETCH(QString, maxAverage);
        QFETCH(QString, status);
        QFETCH(QString, action);
        QFETCH(QString, loss);
        QFETCH(QString, subject);

        std::unique_ptr<NetNs> ns;
        QString name = host == Host::Loopback ? u"127.0.0.1"_s : u"korvane-gone.invalid"_s;
        if (host == Host::Namespace) {
            ns = std::make_unique<NetNs>(dropped);
            if (!ns->isReady())
                QSKIP(qPrintable(ns->failureReason()));
            name = ns->address();
        }
        Fixture fx;
        pointMailAt(fx);
        const qint64 id = fx.addDevice(name, addresses, maxAverage);
        fx.load();
        runOneProbe(fx);
        if (QTest::currentTestFailed())
            return;

        QCOMPARE(fx.row(id).status, status);
        QCOMPARE(fx.row(id).actionTaken, action);
        QCOMPARE(fx.listColumn(1), QStringList{status});
        QCOMPARE(fx.listColumn(2), QStringList{action});
        QCOMPARE(fx.form->Label3->text(),
                 loss.isEmpty() ? notFoundLine(name) : lossLine(name, loss));
        QCOMPARE(fx.form->Label5->text(), u"Pinged Device (1) of (1)"_s);
        QCOMPARE(fx.form->Label1->text(), u"Less Than 1 minute until the next one"_s);

        const QList<ReceivedMail> mails = m_peer->messages();
        if (subject.isEmpty()) {
            QCOMPARE(mails.size(), 0);
        } else {
            QCOMPARE(mails.size(), 1);
            const ReceivedMail& mail = mails.at(0);
            QCOMPARE(mail.decodedHeader(u"Subject"_s).value_or(QString()), subject.arg(name));
            QCOMPARE(mail.body(), loss == u"50"_s
                                      ? name + u" is pinging, but is droping packets. Currently "
                                               u"pinging with a 50% loss."_s
                                      : name + u" is not able to be pinged."_s);
            QCOMPARE(mail.recipients, addresses.split(u';'));
            QCOMPARE(mail.mailFrom, kFrom);
        }
        QVERIFY(fx.folder.dialogs().shown.isEmpty());
    }

    void slowLoopback() {
        // Loopback answers in more than no time at all, so a maximum average of 0 is exceeded.
        Fixture fx;
        pointMailAt(fx);
        const qint64 id = fx.addDevice(u"127.0.0.1"_s, kTwo, u"0"_s);
        fx.load();
        runOneProbe(fx);
        if (QTest::currentTestFailed())
            return;

        QCOMPARE(fx.row(id).status, u"Device Is Slow"_s);
        QCOMPARE(fx.row(id).actionTaken, u"Emailed To: "_s + kTwo);
        QCOMPARE(fx.form->Label3->text(), lossLine(u"127.0.0.1"_s, u"0"_s));
        QVERIFY(fx.form->updatesEnabled());
        const QList<ReceivedMail> mails = m_peer->messages();
        QCOMPARE(mails.size(), 1);
        QCOMPARE(mails.at(0).decodedHeader(u"Subject"_s).value_or(QString()),
                 u"Ping Time Is Slow - 127.0.0.1"_s);
        QCOMPARE(mails.at(0).recipients, kTwo.split(u';'));
        const QString prefix = u"127.0.0.1 - is pinging with an average of "_s;
        const QString suffix = u"ms which is slower than your desired average of 0ms."_s;
        const QString body = mails.at(0).body();
        QVERIFY2(body.startsWith(prefix) && body.endsWith(suffix), qPrintable(body));
        bool isNumber = false;
        const double measured = body.mid(prefix.size(), body.size() - prefix.size() - suffix.size())
                                    .toDouble(&isNumber);
        QVERIFY2(isNumber && measured > 0, qPrintable(body));
    }

  private:
    void pointMailAt(Fixture& fx) {
        fx.folder.execSql(u"UPDATE SMTPsettings SET ServerName = '127.0.0.1', FromEmail = ?,"
                          u" FromName = 'Korvane', SMTPport = ?"_s,
                          {kFrom, QString::number(m_peer->port())});
    }

    // Start, the first tick, the real probe, the result tick and whatever follows it.
    static void runOneProbe(Fixture& fx) {
        fx.form->Command1->click();
        fx.form->Timer1_Timer();
        QVERIFY(fx.cycle().probeRunning());
        QTRY_VERIFY_WITH_TIMEOUT(fx.form->Timer2->isActive(), 30000);
        fx.form->Timer2_Timer();
        QTRY_VERIFY_WITH_TIMEOUT(fx.form->Timer1->isActive(), 40000);
    }

    std::unique_ptr<SmtpPeer> m_peer;
};

QTEST_MAIN(TestPingCycleNetwork)
#include "tst_pingcyclenetwork.moc"
