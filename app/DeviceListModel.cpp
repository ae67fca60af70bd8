#include "app/DeviceListModel.h"

namespace {
// The texts the list shows of a device, by column.
bool sameTexts(const DeviceRecord& a, const DeviceRecord& b) {
    return a.computerName == b.computerName && a.status == b.status &&
           a.actionTaken == b.actionTaken;
}
} // namespace

void DeviceListModel::setColumnCaptions(const QStringList& captions) {
    beginResetModel();
    m_captions = captions;
    endResetModel();
}

bool DeviceListModel::setDevices(QList<DeviceRecord> devices) {
    bool sameRows = devices.size() == m_devices.size();
    for (qsizetype i = 0; sameRows && i < devices.size(); ++i)
        sameRows = devices.at(i).id == m_devices.at(i).id;
    if (!sameRows) {
        beginResetModel();
        m_devices = std::move(devices);
        indexRows();
        endResetModel();
        return true;
    }
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype i = 0; i < devices.size(); ++i) {
        if (sameTexts(devices.at(i), m_devices.at(i)))
            continue;
        first = first < 0 ? i : first;
        last = i;
    }
    m_devices = std::move(devices);
    if (first >= 0 && columnCount() > 0)
        Q_EMIT dataChanged(index(int(first), 0), index(int(last), columnCount() - 1));
    return false;
}

bool DeviceListModel::setOutcome(qint64 id, const QString& status, const QString& actionTaken) {
    const auto found = m_rowOfId.constFind(id);
    if (found == m_rowOfId.constEnd())
        return false;
    DeviceRecord& device = m_devices[*found];
    device.status = status;
    device.actionTaken = actionTaken;
    if (columnCount() > 1)
        Q_EMIT dataChanged(index(*found, 1), index(*found, columnCount() - 1));
    return true;
}

void DeviceListModel::indexRows() {
    m_rowOfId.clear();
    m_rowOfId.reserve(m_devices.size());
    for (qsizetype i = 0; i < m_devices.size(); ++i)
        m_rowOfId.insert(m_devices.at(i).id, int(i));
}

int DeviceListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_devices.size());
}

int DeviceListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_captions.size());
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_devices.size())
        return {};
    const DeviceRecord& device = m_devices.at(index.row());
    switch (index.column()) {
    case 0:
        return device.computerName;
    case 1:
        return device.status;
    case 2:
        return device.actionTaken;
    default:
        return {};
    }
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= m_captions.size())
        return {};
    return m_captions.at(section);
}
