#include "platform/ProcessTerminator.h"

#include <QCoroTimer>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

QByteArray readProcFile(qint64 pid, const char* name) {
    QFile file(u"/proc/%1/%2"_s.arg(pid).arg(QLatin1StringView(name)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll(); // /proc files report no size: read to the end
}

// State and start time from /proc/PID/stat; the name in parentheses may hold anything, so
// the fields are counted from its last closing parenthesis.
struct ProcStat {
    bool exists = false;
    char state = '?';
    qint64 startTime = 0;
};

ProcStat readStat(qint64 pid) {
    const QByteArray stat = readProcFile(pid, "stat");
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return {};
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() < 20 || fields.at(0).isEmpty())
        return {};
    return {true, fields.at(0).at(0), fields.at(19).toLongLong()};
}

// Real user ID from /proc/PID/status ("Uid:\treal\teffective\tsaved\tfs"), -1 when unknown.
qint64 realUid(qint64 pid) {
    const QByteArray status = readProcFile(pid, "status");
    const qsizetype at = status.indexOf("\nUid:");
    if (at < 0)
        return -1;
    const QByteArray line = status.mid(at + 5, status.indexOf('\n', at + 1) - at - 5);
    bool ok = false;
    const qint64 uid = line.simplified().split(' ').value(0).toLongLong(&ok);
    return ok ? uid : -1;
}

// Still the same process, and not just waiting to be reaped.
bool stillRunning(const ProcessEntry& process) {
    const ProcStat stat = readStat(process.pid);
    return stat.exists && stat.startTime == process.startTime && stat.state != 'Z' &&
           stat.state != 'X';
}

void signalIfRunning(const ProcessEntry& process, int signal) {
    if (stillRunning(process))
        ::kill(pid_t(process.pid), signal); // failures are passed over
}

} // namespace

QList<ProcessEntry> ownProcesses() {
    const qint64 self = ::getpid();
    const qint64 uid = ::getuid();
    QList<ProcessEntry> processes;
    const QStringList entries = QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok || pid == self || pid <= 1 || realUid(pid) != uid)
            continue;
        const ProcStat stat = readStat(pid);
        if (!stat.exists)
            continue; // ended meanwhile
        ProcessEntry p;
        p.pid = pid;
        p.startTime = stat.startTime;
        p.name = QString::fromLocal8Bit(readProcFile(pid, "comm")).trimmed();
        const QByteArray cmdline = readProcFile(pid, "cmdline");
        const QByteArray program = cmdline.left(cmdline.indexOf('\0'));
        p.programName = QString::fromLocal8Bit(program.mid(program.lastIndexOf('/') + 1));
        processes.append(p);
    }
    return processes;
}

bool processNameContains(const ProcessEntry& process, const QString& text) {
    const QString wanted = text.trimmed();
    if (wanted.isEmpty())
        return false; // an empty text would end every process of the user
    return process.name.trimmed().contains(wanted, Qt::CaseInsensitive) ||
           process.programName.trimmed().contains(wanted, Qt::CaseInsensitive);
}

QCoro::Task<int> ProcfsProcessTerminator::fncTerminateProcess(QString text) {
    QList<ProcessEntry> matches;
    for (const ProcessEntry& p : ownProcesses())
        if (processNameContains(p, text))
            matches.append(p);
    for (const ProcessEntry& p : matches)
        signalIfRunning(p, SIGTERM);

    const QDeadlineTimer grace(m_grace);
    QList<ProcessEntry> running = matches;
    while (!running.isEmpty()) {
        running.removeIf([](const ProcessEntry& p) { return !stillRunning(p); });
        if (running.isEmpty() || grace.hasExpired())
            break;
        co_await QCoro::sleepFor(20ms);
    }
    for (const ProcessEntry& p : running)
        signalIfRunning(p, SIGKILL);
    co_return int(matches.size());
}
