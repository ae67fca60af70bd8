#include "NotifyPeer.h"

#include <QJsonDocument>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int kStartMs = 10000;
const QString kConnectionName = u"korvane-notify-peer"_s;
} // namespace

NotifyPeer::NotifyPeer() = default;

NotifyPeer::~NotifyPeer() {
    QDBusConnection::disconnectFromBus(kConnectionName);
    for (auto* p : {m_service.get(), m_bus.get()}) {
        if (p && p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(kStartMs);
        }
    }
}

bool NotifyPeer::fail(const QString& why) {
    m_error = why;
    return false;
}

bool NotifyPeer::start() {
    m_bus = std::make_unique<QProcess>();
    m_bus->start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
    if (!m_bus->waitForStarted(kStartMs))
        return fail(u"dbus-daemon: "_s + m_bus->errorString());
    if (!QTest::qWaitFor([this] { return m_bus->canReadLine(); }, kStartMs))
        return fail(u"dbus-daemon printed no address"_s);
    m_address = QString::fromUtf8(m_bus->readLine()).trimmed();

    m_service = std::make_unique<QProcess>();
    m_service->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_service->start(u"/usr/bin/python3"_s,
                     {QStringLiteral(KORVANE_TEST_SUPPORT_DIR) + u"/notify_peer.py"_s, m_address,
                      u"--markup"_s});
    if (!m_service->waitForStarted(kStartMs))
        return fail(u"notify_peer.py: "_s + m_service->errorString());
    if (!QTest::qWaitFor([this] { return m_service->canReadLine(); }, kStartMs))
        return fail(u"notify_peer.py did not start (python3-dbus and python3-gi installed?)"_s);
    m_service->readLine();
    if (!connection().isConnected())
        return fail(u"cannot connect to the private bus "_s + m_address);
    return true;
}

QDBusConnection NotifyPeer::connection() const {
    return QDBusConnection::connectToBus(m_address, kConnectionName);
}

QList<QJsonObject> NotifyPeer::notes(int n) {
    (void)QTest::qWaitFor(
        [&] {
            while (m_service->canReadLine())
                m_notes << QJsonDocument::fromJson(m_service->readLine()).object();
            return m_notes.size() >= n;
        },
        5000);
    return m_notes;
}
