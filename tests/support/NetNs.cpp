#include "support/NetNs.h"
#include "support/RunProgram.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

#include <atomic>

using namespace Qt::Literals::StringLiterals;

NetNs::NetNs(int droppedOfEveryFour) {
    // The first rule drops one request in four; the second sees the three left of each group
    // and drops one of them, and so on: the first k of every four are dropped.
    bool ok = create();
    for (int i = 0; ok && i < droppedOfEveryFour; ++i)
        ok = ip(u"netns exec %1 iptables -w 5 -A INPUT -p icmp --icmp-type echo-request -m "
                "statistic --mode nth --every %2 --packet 0 -j DROP"_s.arg(m_name)
                    .arg(4 - i));
    if (!ok)
        ip(u"netns del "_s + std::exchange(m_name, {}));
}

bool NetNs::ip(const QString& arguments, QString* output) {
    const ProgramRun run = runProgram(u"/usr/sbin/ip"_s, arguments.split(u' '), {}, 10000);
    if (output)
        *output = run.output;
    if (!run.ok)
        m_failure = run.failure;
    return run.ok;
}

bool NetNs::create() {
    static std::atomic<int> sequence{0};
    const qint64 pid = QCoreApplication::applicationPid(), seq = sequence++;
    QString listing;
    static const QRegularExpression ours(u"^kvns-(\\d+)-\\d+"_s,
                                         QRegularExpression::MultilineOption);
    if (!ip(u"netns list"_s, &listing))
        return false;
    for (const auto& m : ours.globalMatch(listing)) // of test processes that died
        if (!QFileInfo::exists(u"/proc/"_s + m.captured(1)))
            ip(u"netns del "_s + m.captured(0));
    // A /30 block of 10.213.0.0/16 that no interface uses yet, spread by process.
    if (!ip(u"-o -4 addr show"_s, &listing))
        return false;
    qint64 block = (pid * 37 + seq) % 16384;
    const auto address = [&block](int host) {
        return u"10.213.%1.%2"_s.arg(block / 64).arg(block % 64 * 4 + host);
    };
    while (listing.contains(u"inet "_s + address(1) + u'/'))
        block = (block + 1) % 16384;
    m_name = u"kvns-%1-%2"_s.arg(pid).arg(seq);
    m_address = address(2);
    // Link names have at most 15 characters: "kv?" + 7 digits + "_" + up to 4 digits.
    const QString link = u"%1_%2"_s.arg(pid).arg(seq % 10000);
    const QString steps =
        u"netns add %1|link add kvh%2 type veth peer name kvn%2 netns %1|addr add %3/30 dev kvh%2|"
        "link set kvh%2 up|-n %1 addr add %4/30 dev kvn%2|-n %1 link set kvn%2 up|"
        "-n %1 link set lo up"_s.arg(m_name, link, address(1), m_address);
    for (const QString& step : steps.split(u'|'))
        if (!ip(step))
            return false;
    m_failure.clear(); // a leftover that could not be removed is no failure
    return true;
}
