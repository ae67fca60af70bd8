#include "app/DeviceListReader.h"

#include <QtConcurrent/QtConcurrentRun>

DeviceListReader::DeviceListReader(QObject* parent) : QObject(parent) {
    m_pool.setMaxThreadCount(1);
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &DeviceListReader::readEnded);
}

DeviceListReader::~DeviceListReader() {
    m_watcher.disconnect(this);
    m_pool.waitForDone();
}

void DeviceListReader::request(const QString& databasePath) {
    m_path = databasePath;
    if (m_reading) {
        m_again = true;
        return;
    }
    startRead();
}

void DeviceListReader::startRead() {
    m_again = false;
    m_reading = true;
    m_watcher.setFuture(
        QtConcurrent::run(&m_pool, [path = m_path] { return DeviceTable(path).allByName(); }));
}

void DeviceListReader::readEnded() {
    // A request came while this read ran: its rows may already be out of date.
    if (m_again) {
        startRead();
        return;
    }
    m_reading = false;
    const DbResult<QList<DeviceRecord>> result = m_watcher.result();
    if (result.ok())
        Q_EMIT devicesRead(result.value);
    else
        Q_EMIT readFailed(result.status);
}
