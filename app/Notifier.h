#pragma once

#include <QString>

// A note on the user's desktop (what alert went out, or why one did not). The real one speaks
// to the desktop's notification service; without one, nothing is shown.
class Notifier {
  public:
    virtual ~Notifier() = default;
    virtual void notify(const QString& title, const QString& body) = 0;
};

// Shows nothing: the notifier of a context that has no desktop to speak to.
class SilentNotifier final : public Notifier {
  public:
    void notify(const QString&, const QString&) override {}
};
