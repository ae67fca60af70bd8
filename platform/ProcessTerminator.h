#pragma once

#include <QCoroTask>
#include <QList>
#include <QString>

#include <chrono>

// Ending stray processes by name (the service check ends every leftover psservice.exe after
// each run of the tool).

// One running process as the termination sees it, read from /proc.
struct ProcessEntry {
    qint64 pid = 0;
    QString name;         // /proc/PID/comm: cut at 15 characters by the kernel
    QString programName;  // base name of the program in the command line, never cut
    qint64 startTime = 0; // tells a process apart from a later one with the same ID
};

// The processes of this user (same real user ID), without this program itself and init.
QList<ProcessEntry> ownProcesses();

// The process's name or program name, trimmed, contains the text, trimmed, ignoring letter
// case. An empty (or blank) text matches no process.
bool processNameContains(const ProcessEntry& process, const QString& text);

class ProcessTerminator {
  public:
    virtual ~ProcessTerminator() = default;
    // Ends every process of this user whose name contains the text (see
    // processNameContains); returns how many matched. Errors are ignored: a process that
    // ends by itself or may not be signalled is simply passed over.
    virtual QCoro::Task<int> fncTerminateProcess(QString text) = 0;
};

// The real one: SIGTERM to every match, then, after the grace, SIGKILL to those still
// running. The grace is awaited, never slept on the caller's thread.
class ProcfsProcessTerminator final : public ProcessTerminator {
  public:
    explicit ProcfsProcessTerminator(std::chrono::milliseconds grace = std::chrono::seconds(2))
        : m_grace(grace) {}
    QCoro::Task<int> fncTerminateProcess(QString text) override;

  private:
    std::chrono::milliseconds m_grace;
};
