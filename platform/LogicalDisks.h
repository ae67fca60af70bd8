#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// What a PC answered when asked for its logical disks.
struct LogicalDiskList {
    enum class Status {
        Found,         // the PC listed its disks (deviceIds may still be empty)
        AccessRefused, // the PC refused the query
        Failed,        // anything else: unreachable, unknown name, no way to ask
    };
    Status status = Status::Failed;
    QStringList deviceIds; // "C:", "D:", ... in the order the PC gave them; empty unless Found
    QString detail;        // why it failed, for the log
};

// The logical disks of a PC on the network (its DeviceIDs: a letter and a colon each). The
// query blocks until the PC has answered; the job monitor calls it on a worker thread of its
// own, under a time limit, so an implementation must be callable from any thread.
class LogicalDisks {
  public:
    virtual ~LogicalDisks() = default;
    virtual LogicalDiskList list(const QString& pcName) = 0;
};

// The name stands for this machine: ".", localhost, a loopback address or an address of one
// of its interfaces, or its host name (with or without the domain), letter case ignored.
bool isThisMachine(const QString& pcName);

// The backend of this build, chosen here and nowhere else: the administrative drive shares of
// a Windows PC, listed over Samba (see SambaDiskLister). This machine itself lists no drive:
// every query about it fails, so a drive-letter job about it reports the letter missing.
std::shared_ptr<LogicalDisks> createLogicalDisks();
