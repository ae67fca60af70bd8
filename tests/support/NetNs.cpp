#include "support/NetNs.h"
#include "support/RunProgram.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

#include <atomic>

using namespace Qt::Literals::StringLiterals;

namespace {
std::atomic<int> sequence{0};
}

NetNs::NetNs(int droppedOfEveryFour) {
    // The first rule drops one request in four; the second sees the three left of each group
    // and drops one of them, and so on: the first k of every four are dropped.
    bool ok = create();
    for (int i = 0; ok && i < droppedOfEveryFour; ++i)
        ok = ip(
            u"netns exec %1 iptables -w 5 -A INPUT -p icmp --icmp-type echo-request%2 -j DROP"_s
                .arg(m_name, i < 3 ? u" -m statistic --mode nth --every %1 --packet 0"_s.arg(4 - i)
                                   : QString()));
    if (!ok)
        remove();
}

bool NetNs::ip(const QString& arguments, QString* output) {
    const ProgramRun run = runProgram(u"/usr/sbin/ip"_s, arguments.split(u' '), {}, 10000);
    if (output)
        *output = run.output;
    if (!run.ok)
        m_failure = run.failure;
    return run.ok;
}

void NetNs::remove() {
    // Removing the namespace removes its end of the pair, and with it the other end.
    if (!m_name.isEmpty())
        runProgram(u"/usr/sbin/ip"_s, {u"netns"_s, u"del"_s, m_name}, {}, 10000);
    if (!m_hostLink.isEmpty())
        runProgram(u"/usr/sbin/ip"_s, {u"link"_s, u"del"_s, m_hostLink}, {}, 10000);
    m_name.clear(), m_hostLink.clear();
}

bool NetNs::create() {
    const qint64 pid = QCoreApplication::applicationPid();
    const int seq = sequence.fetch_add(1);
    QString listing;
    // Namespaces of test processes that died are removed first.
    if (!ip(u"netns list"_s, &listing))
        return false;
    static const QRegularExpression ours(u"^kvns-(\\d+)-\\d+"_s,
                                         QRegularExpression::MultilineOption);
    for (const auto& m : ours.globalMatch(listing))
        if (!QFileInfo::exists(u"/proc/"_s + m.captured(1)))
            ip(u"netns del "_s + m.captured(0));
    // A /30 block of 10.213.0.0/16 that no interface uses yet, spread by process.
    if (!ip(u"-o -4 addr show"_s, &listing))
        return false;
    int block = int((pid * 37 + seq) % 16384);
    const auto address = [&block](int host) {
        return u"10.213.%1.%2"_s.arg(block / 64).arg(block % 64 * 4 + host);
    };
    while (listing.contains(u"inet "_s + address(1) + u'/'))
        block = (block + 1) % 16384;
    m_name = u"kvns-%1-%2"_s.arg(pid).arg(seq);
    // Link names have at most 15 characters: "kvh" + 7 digits + "_" + up to 4 digits.
    m_hostLink = u"kvh%1_%2"_s.arg(pid).arg(seq % 10000);
    m_address = address(2);
    const QString steps =
        u"netns add %1|link add %2 type veth peer name kvn%3 netns %1|addr add %4/30 dev %2|"
        "link set %2 up|-n %1 addr add %5/30 dev kvn%3|-n %1 link set kvn%3 up|"
        "-n %1 link set lo up"_s.arg(m_name, m_hostLink, m_hostLink.mid(3), address(1), m_address);
    for (const QString& step : steps.split(u'|'))
        if (!ip(step))
            return false;
    m_failure.clear(); // a leftover that could not be removed is no failure
    return true;
}
