#include "support/NetNs.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>

#include <atomic>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Names and addresses of everything made here. The /16 is split into /30 blocks.
const QString namespacePrefix = u"kvns-"_s;
constexpr int subnetBlocks = 16384;

std::atomic<int> sequence{0};

int processId() {
    return static_cast<int>(QCoreApplication::applicationPid());
}

QString blockAddress(int block, int host) {
    const int value = block * 4 + host;
    return u"10.213.%1.%2"_s.arg(value / 256).arg(value % 256);
}

} // namespace

NetNs::NetNs(int droppedOfEveryFour) {
    if (geteuid() != 0) {
        m_failure = u"making a network namespace needs root"_s;
        return;
    }
    m_ip = findTool(u"ip"_s);
    if (m_ip.isEmpty()) {
        m_failure = u"the ip program (iproute2) is not installed"_s;
        return;
    }
    removeLeftovers(m_ip);
    if (!create()) {
        destroy();
        return;
    }
    if (!setDroppedOfEveryFour(droppedOfEveryFour)) {
        destroy();
        return;
    }
    m_ready = true;
}

NetNs::~NetNs() {
    destroy();
}

bool NetNs::create() {
    const int pid = processId();
    const int seq = sequence.fetch_add(1);
    m_name = namespacePrefix + u"%1-%2"_s.arg(pid).arg(seq);
    // Link names have at most 15 characters: "kvh" + 7 digits + "_" + up to 4 digits.
    m_hostLink = u"kvh%1_%2"_s.arg(pid).arg(seq % 10000);
    m_nsLink = u"kvn%1_%2"_s.arg(pid).arg(seq % 10000);
    if (!chooseSubnet())
        return false;

    const QList<QStringList> steps = {
        {u"netns"_s, u"add"_s, m_name},
        {u"link"_s, u"add"_s, m_hostLink, u"type"_s, u"veth"_s, u"peer"_s, u"name"_s, m_nsLink,
         u"netns"_s, m_name},
        {u"addr"_s, u"add"_s, m_hostAddress + u"/30"_s, u"dev"_s, m_hostLink},
        {u"link"_s, u"set"_s, m_hostLink, u"up"_s},
        {u"-n"_s, m_name, u"addr"_s, u"add"_s, m_address + u"/30"_s, u"dev"_s, m_nsLink},
        {u"-n"_s, m_name, u"link"_s, u"set"_s, m_nsLink, u"up"_s},
        {u"-n"_s, m_name, u"link"_s, u"set"_s, u"lo"_s, u"up"_s},
    };
    for (const QStringList& step : steps) {
        const Run r = run(m_ip, step);
        if (!r.ok) {
            m_failure = describe(m_ip, step, r);
            return false;
        }
        if (step.at(0) == u"netns")
            m_created = true;
    }
    return true;
}

bool NetNs::chooseSubnet() {
    const QStringList listArgs = {u"-o"_s, u"-4"_s, u"addr"_s, u"show"_s};
    const Run r = run(m_ip, listArgs);
    if (!r.ok) {
        m_failure = describe(m_ip, listArgs, r);
        return false;
    }
    QSet<int> used;
    static const QRegularExpression inUse(u"inet 10\\.213\\.(\\d+)\\.(\\d+)"_s);
    for (auto it = inUse.globalMatch(r.output); it.hasNext();) {
        const auto m = it.next();
        used.insert((m.captured(1).toInt() * 256 + m.captured(2).toInt()) / 4);
    }
    // Spread the start by process so that tests running side by side rarely meet.
    const int start = (processId() * 37 + sequence.load()) % subnetBlocks;
    for (int i = 0; i < subnetBlocks; ++i) {
        const int block = (start + i) % subnetBlocks;
        if (!used.contains(block)) {
            m_hostAddress = blockAddress(block, 1);
            m_address = blockAddress(block, 2);
            return true;
        }
    }
    m_failure = u"no free /30 subnet left in 10.213.0.0/16"_s;
    return false;
}

bool NetNs::setDroppedOfEveryFour(int dropped) {
    if (!m_created || dropped < 0 || dropped > 4) {
        m_failure = u"cannot drop %1 of every four echo requests here"_s.arg(dropped);
        return false;
    }
    if (dropped == 0 && m_iptables.isEmpty()) {
        m_dropped = 0;
        return true; // nothing was ever added
    }

    // The first rule drops one request in four; the second sees the three left of each group
    // and drops one of them, and so on: the first k of every four are dropped.
    QList<QStringList> rules;
    for (int i = 0; i < dropped; ++i) {
        QStringList rule = {u"-A"_s,   u"INPUT"_s,       u"-p"_s,
                            u"icmp"_s, u"--icmp-type"_s, u"echo-request"_s};
        if (4 - i > 1)
            rule << u"-m"_s << u"statistic"_s << u"--mode"_s << u"nth"_s << u"--every"_s
                 << QString::number(4 - i) << u"--packet"_s << u"0"_s;
        rule << u"-j"_s << u"DROP"_s;
        rules.append(rule);
    }

    // Debian 12 uses iptables-nft; fall back to the legacy backend when it does not work.
    const QStringList candidates = m_iptables.isEmpty()
                                       ? QStringList{u"iptables"_s, u"iptables-legacy"_s}
                                       : QStringList{m_iptables};
    QString lastFailure = u"iptables is not installed"_s;
    for (const QString& candidate : candidates) {
        const QString tool = findTool(candidate);
        if (tool.isEmpty())
            continue;
        m_iptables = tool;
        Run r = iptables({u"-F"_s, u"INPUT"_s});
        bool ok = r.ok;
        if (!ok)
            lastFailure = describe(tool, {u"-F"_s, u"INPUT"_s}, r);
        for (int i = 0; ok && i < rules.size(); ++i) {
            r = iptables(rules.at(i));
            if (!r.ok) {
                lastFailure = describe(tool, rules.at(i), r);
                ok = false;
            }
        }
        if (ok) {
            // Check that the kernel really holds the rules.
            r = iptables({u"-S"_s, u"INPUT"_s});
            const auto count = r.output.count(u"-j DROP"_s);
            if (r.ok && count == rules.size()) {
                m_dropped = dropped;
                return true;
            }
            lastFailure = u"%1 lists %2 drop rules instead of %3: %4"_s.arg(
                tool, QString::number(count), QString::number(rules.size()), r.output.trimmed());
        }
        iptables({u"-F"_s, u"INPUT"_s});
        m_iptables.clear();
    }
    m_failure = lastFailure;
    return false;
}

NetNs::Run NetNs::iptables(const QStringList& arguments) {
    QStringList argv = {u"netns"_s, u"exec"_s, m_name, m_iptables, u"-w"_s, u"5"_s};
    argv += arguments;
    return run(m_ip, argv);
}

void NetNs::destroy() {
    if (m_created) {
        // Removing the namespace removes its end of the pair, and with it the other end.
        run(m_ip, {u"netns"_s, u"del"_s, m_name});
        m_created = false;
    }
    if (!m_hostLink.isEmpty() && !m_ip.isEmpty()) {
        const Run r = run(m_ip, {u"link"_s, u"show"_s, m_hostLink});
        if (r.ok)
            run(m_ip, {u"link"_s, u"del"_s, m_hostLink});
    }
    m_ready = false;
}

void NetNs::removeLeftovers(const QString& ip) {
    const Run r = run(ip, {u"netns"_s, u"list"_s});
    if (!r.ok)
        return;
    static const QRegularExpression ours(u"^kvns-(\\d+)-\\d+\\b"_s,
                                         QRegularExpression::MultilineOption);
    for (auto it = ours.globalMatch(r.output); it.hasNext();) {
        const auto m = it.next();
        const int pid = m.captured(1).toInt();
        if (pid != processId() && !QFileInfo::exists(u"/proc/%1"_s.arg(pid)))
            run(ip, {u"netns"_s, u"del"_s, m.captured(0)});
    }
}

NetNs::Run NetNs::run(const QString& program, const QStringList& arguments, int timeoutMs) {
    Run result;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs)) {
        result.output = process.errorString();
        return result;
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        result.output = u"no answer within %1 ms"_s.arg(timeoutMs);
        return result;
    }
    result.output = QString::fromLocal8Bit(process.readAll());
    result.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return result;
}

QString NetNs::findTool(const QString& name) {
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(
            name, {u"/usr/sbin"_s, u"/sbin"_s, u"/usr/bin"_s, u"/bin"_s});
    return path;
}

QString NetNs::describe(const QString& program, const QStringList& arguments, const Run& r) {
    return u"%1 %2 failed: %3"_s.arg(program, arguments.join(u' '), r.output.trimmed());
}
