#pragma once

#include <QString>

// A network namespace that a test makes and removes: a veth pair carrying the two addresses of
// a private 10.213.x.y/30 subnet, so a test can ping a real host without sending anything
// beyond this machine. Inside, iptables drops the first k of every four echo requests. Needs
// root, `ip` and, for loss, iptables; when something is missing, isReady() is false and
// failureReason() says why. Namespaces left behind by a test process that died are removed the
// next time one is made.
class NetNs final {
  public:
    explicit NetNs(int droppedOfEveryFour = 0);
    ~NetNs();
    NetNs(const NetNs&) = delete;
    NetNs& operator=(const NetNs&) = delete;

    bool isReady() const { return m_failure.isEmpty(); }
    const QString& failureReason() const { return m_failure; }
    const QString& name() const { return m_name; }       // as `ip netns` knows it
    const QString& address() const { return m_address; } // the host inside: what a test pings

  private:
    bool create();

    QString m_failure, m_name, m_address;
};
