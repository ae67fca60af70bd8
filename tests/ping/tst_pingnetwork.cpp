// The ping monitor end to end with the real `ping`: loopback, a name that cannot resolve, and
// hosts in network namespaces made here that lose exactly 2 or 4 of every 4 echo requests
// (root only); the alerts go to the local SMTP server (their texts: tst_pingcycle).
#include "CycleFixture.h"
#include "SmtpPeer.h"
#include "TestTables.h"
#include "WindowChecks.h"
#include "support/NetNs.h"

#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;
using namespace cycletest;

namespace {
struct Probe { // host "nsN": a namespace that drops N of every 4 echoes; row: Status|ActionTaken
    const char* name;
    QString host, maxAverage, row, subject; // how the alert's subject starts
};
} // namespace

class TestPingNetwork : public QObject {
    Q_OBJECT

    SmtpPeer m_peer;

  private Q_SLOTS:
    void initTestCase() {
        if (QStandardPaths::findExecutable(u"ping"_s).isEmpty())
            QSKIP("ping (iputils-ping) is not installed");
        KORVANE_START_SMTP_PEER(m_peer);
    }
    void init() { m_peer.clear(); }
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    void probe_data() {
        // clang-format off
        const QString emailed = u"|Emailed To: ops@site.invalid"_s, down = u"Korvane - Device Can Not Be Pinged"_s;
        addRows<Probe>({
            {"unresolvable name", u"korvane-gone.invalid"_s, u"5"_s, u"Not Found In Domain"_s + emailed, down},
            {"2 of 4 lost", u"ns2"_s, {}, u"Percentage Lost 50%"_s + emailed, u"Korvane - Device Is Dropping Packets"_s},
            {"4 of 4 lost", u"ns4"_s, u"5"_s, u"Percentage Lost 100%"_s + emailed, down},
            // Loopback answers in more than no time at all: a maximum average of 0 is exceeded.
            {"loopback, slower than 0 ms", u"127.0.0.1"_s, u"0"_s, u"Device Is Slow"_s + emailed, u"Ping Time Is Slow"_s},
        });
        // clang-format on
    }
    void probe() {
        QFETCH(Probe, c);
        QString host = c.host;
        std::unique_ptr<NetNs> ns;
        if (host.startsWith(u"ns"_s)) {
            ns = std::make_unique<NetNs>(host.mid(2).toInt());
            if (!ns->isReady())
                QSKIP(qPrintable(ns->failureReason()));
            host = ns->address();
        }
        CycleFixture<ProcessCommandRunner> fx;
        fx.folder.mailTo(m_peer.port());
        const qint64 id = fx.addDevice(host, u"ops@site.invalid"_s, c.maxAverage);
        fx.start();
        fx.form->Timer1_Timer();
        QTRY_VERIFY_WITH_TIMEOUT(fx.cycle().resultPending(), 30000);
        fx.form->Timer2_Timer();
        QTRY_VERIFY_WITH_TIMEOUT(!fx.cycle().handlingResult(), 40000);
        QCOMPARE(fx.row(id), c.row);
        QCOMPARE(m_peer.messageCount(), 1);
        QCOMPARE(m_peer.messages().value(0).header(u"Subject"_s).value_or(QString()),
                 c.subject + u" - "_s + host);
        QVERIFY(fx.folder.dialogs().shown.isEmpty());
    }
};

QTEST_MAIN(TestPingNetwork)
#include "tst_pingnetwork.moc"
