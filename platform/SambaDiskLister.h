#pragma once

#include "platform/LogicalDisks.h"

#include <QCoroTask>
#include <QString>
#include <QStringList>

#include <chrono>

// The logical disks of a Windows PC, read over the network with Samba's
// `net rpc share list`: every administrative drive share the PC offers (C$, D$...) gives
// a drive ID (C:, D:...). Drives without an administrative share (a drive whose share was
// removed, most mapped network drives of a logged-on user) cannot be seen this way.
// A listing is Found when the PC answered (possibly with no drive), AccessRefused when it
// refused the login or the listing, and Failed for anything else (unreachable, unknown name,
// no answer in time, no `net`); every failed try is written to the log.

// Which credentials a listing goes out with.
enum class DiskCredentials { KerberosTicket, CredentialsFile, Anonymous };

class SambaDiskLister {
  public:
    struct Options {
        // The program's per-user data folder, where drive-check.credentials may lie.
        QString dataFolder;
        QString netPath;
        // `klist`; when it cannot be run, no Kerberos ticket is assumed.
        QString klistPath;
        std::chrono::milliseconds timeout = std::chrono::seconds(30);
    };

    // The data folder of this user (~/.local/share/Brackwater/Korvane), the `net` and
    // `klist` of this machine.
    static Options defaultOptions();
    static QString credentialsFileName() { return QStringLiteral("drive-check.credentials"); }

    explicit SambaDiskLister(Options options);

    // Lists the PC's drives, trying in turn: a Kerberos ticket of the user (when `klist -s`
    // says there is a valid one), the credentials file (only when its owner alone may read
    // it; otherwise it is skipped and the log says why), anonymous access. The next kind is
    // tried only when the ticket was turned down; the password of the file never reaches a
    // command line. Blocking (up to the time limit for each try).
    LogicalDiskList list(const QString& pcName) const;
    // The same on a worker thread of the drive listing, awaited.
    QCoro::Task<LogicalDiskList> listAsync(QString pcName) const;

    // The credentials file when it may be used; empty otherwise (the reason is logged).
    QString usableCredentialsFile() const;
    // The arguments of one listing with the given credentials (and the file for
    // CredentialsFile).
    static QStringList listArguments(const QString& pcName, DiskCredentials credentials,
                                     const QString& credentialsFile = {});

  private:
    bool hasKerberosTicket() const;
    LogicalDiskList listWith(const QString& pcName, DiskCredentials credentials,
                             const QString& credentialsFile) const;

    Options m_options;
};

// Reads what `net rpc share list` printed: the drive IDs of the administrative drive shares
// ("C$" -> "C:"), upper case, each once, in order. ADMIN$, IPC$, print$ and ordinary shares
// are no drives.
QStringList drivesFromShareList(const QString& output);

// The outcome of one run of `net rpc share list`.
LogicalDiskList readShareListing(bool finished, int exitCode, const QString& output);
