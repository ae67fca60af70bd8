#pragma once

#include <QDBusConnection>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>

#include <memory>

// A private session bus (dbus-daemon) with the desktop's notification service on it
// (notify_peer.py on Debian's python3-dbus), recording every notification. The body is read
// with markup, so the notifier must escape it. Both processes end with the peer.
class NotifyPeer final {
  public:
    NotifyPeer();
    ~NotifyPeer();

    // False with errorString() telling why the bus or the service cannot start.
    bool start();
    QString errorString() const { return m_error; }
    // A connection of this process to the private bus.
    QDBusConnection connection() const;
    // The notifications received so far (summary, body, app, icon), waiting up to a few
    // seconds for at least n.
    QList<QJsonObject> notes(int n);

  private:
    bool fail(const QString& why);

    std::unique_ptr<QProcess> m_bus;
    std::unique_ptr<QProcess> m_service;
    QString m_address;
    QString m_error;
    QList<QJsonObject> m_notes;
};
