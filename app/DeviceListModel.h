#pragma once

#include "storage/DeviceTable.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QStringList>

// The rows of the main window's device list: every device by name with its last status and
// last action. The columns exist once their captions have been set (the window adds them when
// it loads).
class DeviceListModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    void setColumnCaptions(const QStringList& captions);

    // Shows these devices. When they are the same devices in the same order as before, only
    // the rows whose texts changed are redrawn and the selection stays; otherwise the model is
    // reset. Returns true when it was reset.
    bool setDevices(QList<DeviceRecord> devices);
    // The device with this key now has this status and action; false when it is not listed.
    bool setOutcome(qint64 id, const QString& status, const QString& actionTaken);
    const QList<DeviceRecord>& devices() const { return m_devices; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    void indexRows();

    QStringList m_captions;
    QList<DeviceRecord> m_devices;
    QHash<qint64, int> m_rowOfId;
};
