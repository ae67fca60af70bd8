#pragma once

#include "app/Notifier.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QPair>

// Notifications through the freedesktop notification service (org.freedesktop.Notifications)
// on a session bus. Nothing here waits for the service: each note is sent without blocking,
// and a desktop without the service only costs a line in the log. The service is asked once
// whether it reads markup in the body; if it does, the body's text is escaped so that an
// address like <ops@site> or a path with "&" shows as written.
class DesktopNotifier final : public QObject, public Notifier {
    Q_OBJECT
  public:
    explicit DesktopNotifier(QDBusConnection bus, QObject* parent = nullptr);

    void notify(const QString& title, const QString& body) override;

  private:
    enum class Markup { Unknown, Asking, Plain, Escaped };
    void askCapabilities();
    void send(const QString& title, const QString& body);

    QDBusConnection m_bus;
    Markup m_markup = Markup::Unknown;
    // Notes that wait for the service's answer about markup.
    QList<QPair<QString, QString>> m_waiting;
    bool m_noBusLogged = false;
};
