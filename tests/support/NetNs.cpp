#include "support/NetNs.h"
#include "support/RunProgram.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <atomic>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

std::atomic<int> sequence{0};

QString findTool(const QString& name) {
    const QString path = QStandardPaths::findExecutable(name);
    return path.isEmpty() ? QStandardPaths::findExecutable(name, {u"/usr/sbin"_s, u"/sbin"_s})
                          : path;
}

} // namespace

NetNs::NetNs(int droppedOfEveryFour) : m_ip(findTool(u"ip"_s)) {
    if (geteuid() != 0)
        m_failure = u"making a network namespace needs root"_s;
    else if (m_ip.isEmpty())
        m_failure = u"the ip program (iproute2) is not installed"_s;
    else if (create() && dropEchoes(droppedOfEveryFour))
        m_failure.clear(); // a leftover that could not be removed is no failure
    else
        remove();
}

NetNs::~NetNs() {
    remove();
}

void NetNs::remove() {
    const QString failure = m_failure;
    // Removing the namespace removes its end of the pair, and with it the other end.
    if (m_created && run(m_ip, {u"netns"_s, u"del"_s, m_name}))
        m_created = false;
    else if (!m_hostLink.isEmpty())
        run(m_ip, {u"link"_s, u"del"_s, m_hostLink});
    m_failure = failure;
}

bool NetNs::run(const QString& program, const QStringList& arguments, QString* output) {
    const ProgramRun run = runProgram(program, arguments, {}, 10000);
    if (output)
        *output = run.output;
    if (!run.ok)
        m_failure = run.failure;
    return run.ok;
}

bool NetNs::create() {
    const int pid = int(QCoreApplication::applicationPid());
    const int seq = sequence.fetch_add(1);
    QString listing;
    // Namespaces of test processes that died are removed first.
    if (!run(m_ip, {u"netns"_s, u"list"_s}, &listing))
        return false;
    static const QRegularExpression ours(u"^kvns-(\\d+)-\\d+"_s,
                                         QRegularExpression::MultilineOption);
    for (const auto& m : ours.globalMatch(listing))
        if (m.captured(1).toInt() != pid && !QFileInfo::exists(u"/proc/"_s + m.captured(1)))
            run(m_ip, {u"netns"_s, u"del"_s, m.captured(0)});
    // A /30 block of 10.213.0.0/16 that no interface uses yet, spread by process.
    if (!run(m_ip, {u"-o"_s, u"-4"_s, u"addr"_s, u"show"_s}, &listing))
        return false;
    int block = (pid * 37 + seq) % 16384;
    const auto address = [&block](int host) {
        return u"10.213.%1.%2"_s.arg((block * 4 + host) / 256).arg((block * 4 + host) % 256);
    };
    for (int tries = 0; listing.contains(u"inet "_s + address(1) + u'/');
         ++tries, block = (block + 1) % 16384)
        if (tries == 16384) {
            m_failure = u"no free /30 subnet left in 10.213.0.0/16"_s;
            return false;
        }
    m_name = u"kvns-%1-%2"_s.arg(pid).arg(seq);
    // Link names have at most 15 characters: "kvh" + 7 digits + "_" + up to 4 digits.
    m_hostLink = u"kvh%1_%2"_s.arg(pid).arg(seq % 10000);
    const QString nsLink = u"kvn%1_%2"_s.arg(pid).arg(seq % 10000);
    m_address = address(2);
    const QString steps =
        u"netns add %1|link add %2 type veth peer name %3 netns %1|addr add %4/30"
        " dev %2|link set %2 up|-n %1 addr add %5/30 dev %3|-n %1 link set %3 up|"
        "-n %1 link set lo up"_s.arg(m_name, m_hostLink, nsLink, address(1), m_address);
    for (const QString& step : steps.split(u'|')) {
        if (!run(m_ip, step.split(u' ')))
            return false;
        m_created = true;
    }
    return true;
}

bool NetNs::dropEchoes(int dropped) {
    m_failure.clear();
    if (dropped == 0)
        return true;
    // The first rule drops one request in four; the second sees the three left of each group
    // and drops one of them, and so on: the first k of every four are dropped.
    QList<QStringList> rules;
    for (int i = 0; i < dropped; ++i)
        rules.append(u"-A INPUT -p icmp --icmp-type echo-request%1 -j DROP"_s
                         .arg(i < 3 ? u" -m statistic --mode nth --every %1 --packet 0"_s.arg(4 - i)
                                    : QString())
                         .split(u' '));
    // Debian 12 uses iptables-nft; fall back to the legacy backend when it does not work.
    for (const QString& candidate : {u"iptables"_s, u"iptables-legacy"_s}) {
        const QString tool = findTool(candidate);
        const auto iptables = [&](const QStringList& arguments, QString* output = nullptr) {
            return run(
                m_ip, QStringList{u"netns"_s, u"exec"_s, m_name, tool, u"-w"_s, u"5"_s} + arguments,
                output);
        };
        if (tool.isEmpty() || !iptables({u"-F"_s, u"INPUT"_s}))
            continue;
        bool ok = std::all_of(rules.cbegin(), rules.cend(), [&](auto& r) { return iptables(r); });
        // Check that the kernel really holds the rules.
        QString listing;
        if (ok && iptables({u"-S"_s, u"INPUT"_s}, &listing) &&
            listing.count(u"-j DROP"_s) == rules.size())
            return true;
        if (ok)
            m_failure = candidate + u" lists other drop rules: "_s + listing.trimmed();
        iptables({u"-F"_s, u"INPUT"_s});
    }
    if (m_failure.isEmpty())
        m_failure = u"iptables is not installed"_s;
    return false;
}
