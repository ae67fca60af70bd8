#pragma once

#include "storage/DeviceTable.h"

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>

// Reads the whole device list on a thread of its own, with its own connection, so the
// window's thread only takes the finished rows. Requests that come while a read is under way
// are served by one more read after it; only the newest read is handed over.
class DeviceListReader final : public QObject {
    Q_OBJECT
  public:
    explicit DeviceListReader(QObject* parent);
    // Waits for a read that is under way (it never outlives the reader).
    ~DeviceListReader() override;

    // Reads the devices of this database file.
    void request(const QString& databasePath);
    bool busy() const { return m_reading; }

  Q_SIGNALS:
    // The devices by name, every one of them; or why they could not be read.
    void devicesRead(const QList<DeviceRecord>& devices);
    void readFailed(const DbStatus& status);

  private:
    void startRead();
    void readEnded();

    QString m_path;
    QThreadPool m_pool;
    QFutureWatcher<DbResult<QList<DeviceRecord>>> m_watcher;
    bool m_again = false;
    bool m_reading = false;
};
