#include "platform/DesktopNotifier.h"

#include "app/Log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kService = u"org.freedesktop.Notifications"_s;
const QString kPath = u"/org/freedesktop/Notifications"_s;
const QString kInterface = u"org.freedesktop.Notifications"_s;
const QString kAppName = u"Korvane"_s;
const QString kAppIcon = u"korvane"_s;
// How long the service may take to answer before the note counts as lost.
constexpr int kCallTimeoutMs = 10000;
// Notes kept while the service is asked about markup.
constexpr qsizetype kMostWaiting = 20;
} // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)) {}

void DesktopNotifier::notify(const QString& title, const QString& body) {
    // Without a session bus no call can even be made (and none would ever answer): said once.
    if (!m_bus.isConnected()) {
        if (!m_noBusLogged)
            qCWarning(lcApp).noquote() << "There is no session bus: desktop notifications are not"
                                          " shown.";
        m_noBusLogged = true;
        return;
    }
    if (m_markup == Markup::Plain || m_markup == Markup::Escaped) {
        send(title, body);
        return;
    }
    // A service that is slow to answer does not make notes pile up without end.
    if (m_waiting.size() >= kMostWaiting)
        m_waiting.removeFirst();
    m_waiting.append({title, body});
    if (m_markup == Markup::Unknown)
        askCapabilities();
}

void DesktopNotifier::askCapabilities() {
    m_markup = Markup::Asking;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, u"GetCapabilities"_s);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QStringList> reply = *watcher;
        if (reply.isError()) {
            qCWarning(lcApp).noquote()
                << "The desktop's notification service did not answer:" << reply.error().message();
            // Asked again with the next note: a service may come up later.
            m_markup = Markup::Unknown;
            m_waiting.clear();
            return;
        }
        m_markup = reply.value().contains(u"body-markup"_s) ? Markup::Escaped : Markup::Plain;
        const auto waiting = std::exchange(m_waiting, {});
        for (const auto& [title, body] : waiting)
            send(title, body);
    });
}

void DesktopNotifier::send(const QString& title, const QString& body) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, u"Notify"_s);
    const QString text = m_markup == Markup::Escaped ? body.toHtmlEscaped() : body;
    call << kAppName << quint32(0) << kAppIcon << title << text << QStringList() << QVariantMap()
         << qint32(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, title] {
        watcher->deleteLater();
        if (watcher->isError())
            qCWarning(lcApp).noquote() << "The desktop notification" << title
                                       << "could not be shown:" << watcher->error().message();
    });
}
