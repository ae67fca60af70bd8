// The desktop notification of each alert as a notification service on a private session bus
// receives it: sent, not sent, switched off, and a job alert escaped for the service's markup.
#include "jobs/JobFixture.h"
#include "ping/CycleFixture.h"
#include "platform/DesktopNotifier.h"
#include "support/SmtpPeer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kOps = u"ops@site.invalid"_s;
const QString kDown = u"Korvane - Device Can Not Be Pinged - pc7.site.invalid"_s;
} // namespace

class TestNotifications : public QObject {
    Q_OBJECT

    QProcess m_bus; // both processes are ended with the test
    QProcess m_service;
    SmtpPeer m_smtp;

    void prepare(TestProgramFolder& folder, quint16 smtpPort, bool on) {
        folder.ctx.setNotifier(std::make_unique<DesktopNotifier>(
            QDBusConnection::connectToBus(m_bus.property("address").toString(), u"notes"_s)));
        folder.mailTo(smtpPort);
        folder.execSql(u"UPDATE Settings SET DesktopNotifications = ?"_s, {on});
    }
    // The next notification: application, title, body.
    QStringList nextNote() {
        if (!QTest::qWaitFor([this] { return m_service.canReadLine(); }, 5000))
            return {};
        QStringList note;
        for (const QJsonValue& v : QJsonDocument::fromJson(m_service.readLine()).array())
            note << v.toString();
        return note;
    }

  private Q_SLOTS:
    void initTestCase() {
        auto lineFrom = [](QProcess& p) {
            return QTest::qWaitFor([&p] { return p.canReadLine(); }, 10000)
                       ? QString::fromUtf8(p.readLine()).trimmed()
                       : QString();
        };
        m_bus.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        m_bus.setProperty("address", lineFrom(m_bus));
        if (m_bus.property("address").toString().isEmpty())
            QSKIP("dbus-daemon cannot start (scripts/setup.sh installs dbus)");
        m_service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_service.start(u"/usr/bin/python3"_s,
                        {QStringLiteral(KORVANE_TEST_SUPPORT_DIR "/notify_peer.py"),
                         m_bus.property("address").toString()});
        if (lineFrom(m_service) != u"ready"_s)
            QSKIP("the notification service cannot start (python3-dbus, python3-gi)");
        KORVANE_START_SMTP_PEER(m_smtp);
    }

    void cleanupTestCase() {
        m_service.kill();
        m_bus.kill();
        m_service.waitForFinished();
        m_bus.waitForFinished();
    }

    void pingAlert_data() {
        QTest::addColumn<bool>("serverUp");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("note"); // application|title|body
        // clang-format off
        QTest::newRow("sent") << true << true << u"Korvane|"_s + kDown + u"|pc7.site.invalid is not able to be pinged.\n\nEmailed To: ops@site.invalid"_s;
        QTest::newRow("not sent") << false << true << u"Korvane|Alert not sent|"_s + kDown + u"\nEmail Failed To: ops@site.invalid - could not connect"_s;
        // Nothing shown: the next note is the one the test sends itself.
        QTest::newRow("switched off") << true << false << u"Korvane|mark|m"_s;
        // clang-format on
    }
    void pingAlert() {
        QFETCH(bool, serverUp);
        QFETCH(bool, on);
        QFETCH(QString, note);
        cycletest::CycleFixture<> fx;
        prepare(fx.folder, serverUp ? m_smtp.port() : unusedLoopbackPort(), on);
        fx.addDevice(u"pc7.site.invalid"_s, kOps);
        fx.runner->outputs = {cycletest::kUnknownHost};
        fx.load();
        fx.click(u"Command1"_s);
        QVERIFY(fx.tick());
        fx.folder.ctx.notifier().notify(u"mark"_s, u"m"_s);
        QCOMPARE(nextNote().join(u'|'), note);
        if (on)
            QCOMPARE(nextNote().value(1), u"mark"_s);
    }

    void jobAlertEscaped() {
        jobtest::JobFixture fx;
        prepare(fx.folder, m_smtp.port(), true);
        const QString path = fx.folder.path() + u"/R&D.bak"_s;
        fx.add(u"FilePathToCheck=%F/R&D.bak|AgeOfFile=Greater Than 1 Day|EmailWhenDown="_s + kOps);
        fx.open().Command1->click();
        fx.tick();
        QCOMPARE(
            nextNote(),
            (QStringList{u"Korvane"_s, u"Korvane File Check - "_s + path + u" Path is in error"_s,
                         path.toHtmlEscaped() +
                             u" - The Path is in error. Try checking the path to this file. "
                             u"Try to always use a mapped network drive\n\n"
                             u"Emailed To: ops@site.invalid"_s}));
    }
};

QTEST_MAIN(TestNotifications)
#include "tst_notifications.moc"
