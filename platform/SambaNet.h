#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

// Running Samba's `net` (samba-common-bin) against a Windows PC, shared by the service-control
// tool and the drive listing: the program is started with an argument list (never a shell),
// in the C locale so that its replies read the same everywhere, with standard input closed
// (so it never waits for a password) and with a time limit.
namespace samba {

// The `net` of this machine: found on PATH, else /usr/bin/net.
QString defaultNetPath();

// The environment `net` runs in: this process's, with LC_ALL=C, and without the variables
// from which Samba's tools would take a password (PASSWD, PASSWD_FD, PASSWD_FILE).
QProcessEnvironment netEnvironment();

struct NetRunOptions {
    std::chrono::milliseconds timeout = std::chrono::seconds(30);
    // Called with the child's process ID once it runs (a caller that must end the child
    // from a signal handler keeps it).
    std::function<void(qint64)> started;
};

struct NetRun {
    bool started = false;  // the program could be run at all
    bool timedOut = false; // killed at the time limit
    int exitCode = -1;
    QString output; // standard output, then standard error
};

// Runs `program` (normally `net`) with the arguments and waits for it, at most the time
// limit; a child still running then is killed. Blocking: call it from a worker thread or a
// command-line program, never from a window's thread.
NetRun runNet(const QString& program, const QStringList& arguments,
              const NetRunOptions& options = {});

// `net` says the PC refused the login or the rights for what was asked (wrong password,
// unknown or locked account, access denied).
bool refusedAccess(const QString& output);

} // namespace samba
