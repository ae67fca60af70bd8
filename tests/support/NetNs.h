#pragma once

#include <QString>

// A network namespace a test makes and removes: a veth pair on a private 10.213.x.y/30 subnet,
// a real host to ping with no traffic beyond this machine, that drops the first k of every four
// echo requests. Needs root, `ip` and iptables, else isReady() is false and failureReason() says
// why. Namespaces left behind by test processes that died are removed when one is made.
class NetNs final {
  public:
    explicit NetNs(int droppedOfEveryFour = 0);
    ~NetNs();
    Q_DISABLE_COPY(NetNs)
    bool isReady() const { return m_failure.isEmpty(); }
    const QString& failureReason() const { return m_failure; }
    const QString& name() const { return m_name; }       // as `ip netns` knows it
    const QString& address() const { return m_address; } // the host inside: what a test pings

  private:
    bool create(int droppedOfEveryFour);
    QString m_failure, m_name, m_address;
};
