// The desktop notification of each alert as a notification service on a private session bus
// receives it: sent, not sent, switched off, escaped for the service's markup; and no bus at all.
#include "ping/CycleFixture.h"
#include "platform/DesktopNotifier.h"
#include "support/SmtpPeer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

class TestNotifications : public QObject {
    Q_OBJECT

    QProcess m_bus; // both processes are ended with the test
    QProcess m_service;
    QString m_address;
    SmtpPeer m_smtp;

    static QString lineFrom(QProcess& p) {
        return QTest::qWaitFor([&p] { return p.canReadLine(); }, 10000)
                   ? QString::fromUtf8(p.readLine()).trimmed()
                   : QString();
    }
    QString nextNote() { // application|title|body
        return QJsonDocument::fromJson(lineFrom(m_service).toUtf8())
            .toVariant()
            .toStringList()
            .join(u'|');
    }

  private Q_SLOTS:
    void initTestCase() {
        m_bus.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        if ((m_address = lineFrom(m_bus)).isEmpty())
            QSKIP("dbus-daemon cannot start (scripts/setup.sh installs dbus)");
        m_service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_service.start(u"/usr/bin/python3"_s,
                        {QStringLiteral(KORVANE_TEST_SUPPORT_DIR "/notify_peer.py"), m_address});
        if (lineFrom(m_service) != u"ready"_s)
            QSKIP("the notification service cannot start (python3-dbus, python3-gi)");
        KORVANE_START_SMTP_PEER(m_smtp);
    }
    void cleanupTestCase() {
        for (QProcess* p : {&m_service, &m_bus})
            p->kill(), p->waitForFinished();
    }

    // The device's name holds markup, which the body shows as text.
    void pingAlert_data() {
        QTest::addColumn<bool>("serverUp");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("notes"); // one per line
        const QString down = u"Korvane - Device Can Not Be Pinged - R&D<7>.invalid"_s;
        // clang-format off
        QTest::newRow("sent") << true << true << u"Korvane|"_s + down + u"|R&amp;D&lt;7&gt;.invalid is not able to be pinged.\n\nEmailed To: ops@site.invalid"_s;
        QTest::newRow("not sent") << false << true << u"Korvane|Alert not sent|"_s + down.toHtmlEscaped() + u"\nEmail Failed To: ops@site.invalid - could not connect"_s;
        QTest::newRow("switched off") << true << false << QString();
        // clang-format on
    }
    void pingAlert() {
        QFETCH(bool, serverUp);
        QFETCH(bool, on);
        QFETCH(QString, notes);
        cycletest::CycleFixture<> fx;
        fx.folder.ctx.setNotifier(std::make_unique<DesktopNotifier>(
            QDBusConnection::connectToBus(m_address, u"notes"_s)));
        fx.folder.mailTo(serverUp ? m_smtp.port() : unusedLoopbackPort());
        fx.folder.execSql(u"UPDATE Settings SET DesktopNotifications = ?"_s, {on});
        fx.addDevice(u"R&D<7>.invalid"_s, u"ops@site.invalid"_s);
        fx.runner->outputs = {cycletest::kUnknownHost};
        fx.load();
        fx.click(u"Command1"_s);
        QVERIFY(fx.tick());
        // A note of the test's own closes the list: nothing else shown before it.
        fx.folder.ctx.notifier().notify(u"mark"_s, u"m"_s);
        QStringList got;
        for (QString note = nextNote(); note != u"Korvane|mark|m"_s; note = nextNote()) {
            QVERIFY2(!note.isEmpty(), "the test's own note did not come");
            got << note;
        }
        QCOMPARE(got.join(u'\n'), notes);
    }

    // Without a session bus nothing can be shown: the log says so once.
    void noSessionBus() {
        DesktopNotifier notifier{QDBusConnection(u"none"_s)};
        QTest::ignoreMessage(QtWarningMsg,
                             "There is no session bus: desktop notifications are not shown.");
        QTest::failOnWarning(QRegularExpression(u"."_s));
        notifier.notify(u"a"_s, u"b"_s);
        notifier.notify(u"a"_s, u"b"_s);
    }
};

QTEST_MAIN(TestNotifications)
#include "tst_notifications.moc"
