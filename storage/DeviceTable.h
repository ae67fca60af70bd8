#pragma once

#include "storage/Database.h"

#include <QList>
#include <QString>

// One network device to ping (a row of ComputerPingList).
struct DeviceRecord {
    qint64 id = 0;
    QString computerName;
    QString emailWhenDown;
    QString maxAverage;
    bool disabled = false;
    QString status;
    QString actionTaken;
};

// The device list. Every call opens its own connection and closes it before it returns.
// Names are compared and sorted without regard to letter case.
class DeviceTable {
  public:
    explicit DeviceTable(QString databasePath) : m_path(std::move(databasePath)) {}

    // Every device, disabled ones too, by name.
    DbResult<QList<DeviceRecord>> allByName() const;
    // The number of enabled devices.
    DbResult<int> countEnabled() const;
    // The enabled device at this 0-based position of the enabled list by name;
    // NoCurrentRecord when there is none there.
    DbResult<DeviceRecord> enabledAt(int position) const;
    // Writes Status and ActionTaken of the device with this key in one statement, so the two
    // are never seen apart; NoCurrentRecord when the row has gone.
    DbStatus writeOutcome(qint64 id, const QString& status, const QString& actionTaken) const;
    // Whether another device carries exactly this name (letter case counts), leaving out the
    // device with the ID exceptId (none when it is negative).
    DbResult<bool> nameTaken(const QString& computerName, qint64 exceptId = -1) const;
    // Adds a device and returns its ID (used by tests and benchmarks to prepare a list).
    DbResult<qint64> insert(const DeviceRecord& record) const;

    static const QString& selectAllByName();

  private:
    QString m_path;
};
