#pragma once

#include <QString>
#include <QStringList>

// A network namespace that a test makes and removes: a veth pair whose two ends carry the two
// addresses of a private 10.213.x.y/30 subnet that exists only on that pair, so a test can
// ping a real host without sending anything beyond this machine. Inside the namespace,
// iptables can drop a fixed number of every four echo requests, which gives deterministic
// packet loss (the first k of each group of four are dropped).
//
// Needs root, `ip` with netns support and, for loss, a working iptables (the nft backend,
// or iptables-legacy when that one fails). When something is missing, isReady() is false and
// failureReason() says why, so a test can skip with that reason. Everything made is removed
// by the destructor; namespaces left behind by a test process that died are removed the next
// time one is made.
class NetNs final {
  public:
    explicit NetNs(int droppedOfEveryFour = 0);
    ~NetNs();
    NetNs(const NetNs&) = delete;
    NetNs& operator=(const NetNs&) = delete;

    bool isReady() const { return m_ready; }
    const QString& failureReason() const { return m_failure; }

    // The namespace's name, as `ip netns` knows it.
    const QString& name() const { return m_name; }
    // The address inside the namespace: the host a test pings.
    const QString& address() const { return m_address; }
    // The address of this machine's end of the pair.
    const QString& hostAddress() const { return m_hostAddress; }

    // Replaces the drop rules: 0 drops nothing, 4 drops every echo request. The rules'
    // counters start again, so the next echo request is the first of a group of four.
    bool setDroppedOfEveryFour(int dropped);
    int droppedOfEveryFour() const { return m_dropped; }

  private:
    struct Run {
        bool ok = false;
        QString output;
    };
    static Run run(const QString& program, const QStringList& arguments, int timeoutMs = 10000);
    static QString findTool(const QString& name);
    static QString describe(const QString& program, const QStringList& arguments, const Run& r);
    static void removeLeftovers(const QString& ip);

    bool create();
    bool chooseSubnet();
    Run iptables(const QStringList& arguments);
    void destroy();

    bool m_ready = false;
    bool m_created = false;
    int m_dropped = 0;
    QString m_failure;
    QString m_ip;
    QString m_iptables;
    QString m_name;
    QString m_hostLink;
    QString m_nsLink;
    QString m_address;
    QString m_hostAddress;
};
