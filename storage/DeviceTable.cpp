#include "storage/DeviceTable.h"

#include <QSqlQuery>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kColumns =
    u"ID, ComputerName, EmailWhenDown, MaxAverage, Disabled, Status, ActionTaken"_s;

// Reads a row selected with kColumns, in that order.
DeviceRecord deviceFromQuery(const QSqlQuery& q) {
    DeviceRecord d;
    d.id = q.value(0).toLongLong();
    d.computerName = textOf(q.value(1));
    d.emailWhenDown = textOf(q.value(2));
    d.maxAverage = textOf(q.value(3));
    d.disabled = boolOf(q.value(4));
    d.status = textOf(q.value(5));
    d.actionTaken = textOf(q.value(6));
    return d;
}
} // namespace

const QString& DeviceTable::selectAllByName() {
    static const QString sql =
        u"SELECT "_s + kColumns + u" FROM ComputerPingList ORDER BY ComputerName, ID"_s;
    return sql;
}

DbResult<QList<DeviceRecord>> DeviceTable::allByName() const {
    DbResult<QList<DeviceRecord>> result;
    DbSession session(m_path);
    QSqlQuery q(session.db());
    result.status = session.exec(q, selectAllByName());
    while (result.ok() && q.next())
        result.value.append(deviceFromQuery(q));
    return result;
}

DbResult<bool> DeviceTable::nameTaken(const QString& computerName, qint64 exceptId) const {
    DbResult<bool> result;
    DbSession session(m_path);
    QSqlQuery q(session.db());
    // The column sorts without regard to letter case; this comparison must not.
    result.status = session.exec(q,
                                 u"SELECT 1 FROM ComputerPingList WHERE ComputerName = ?"
                                 u" COLLATE BINARY AND ID <> ? LIMIT 1"_s,
                                 {computerName, exceptId});
    result.value = result.ok() && q.next();
    return result;
}

DbResult<int> DeviceTable::countEnabled() const {
    DbResult<int> result;
    DbSession session(m_path);
    QSqlQuery q(session.db());
    result.status =
        session.exec(q, u"SELECT COUNT(*) FROM ComputerPingList WHERE Disabled = False"_s);
    if (result.ok() && q.next())
        result.value = q.value(0).toInt();
    return result;
}

DbResult<DeviceRecord> DeviceTable::enabledAt(int position) const {
    DbResult<DeviceRecord> result;
    if (position < 0) {
        result.status = DbStatus::failure(DbError::NoCurrentRecord);
        return result;
    }
    DbSession session(m_path);
    QSqlQuery q(session.db());
    result.status = session.exec(q,
                                 // The index on (Disabled, name, ID) hands the enabled
                                 // devices over in this order without sorting the table.
                                 u"SELECT "_s + kColumns +
                                     u" FROM ComputerPingList WHERE Disabled = False"
                                     u" ORDER BY ComputerName, ID LIMIT 1 OFFSET ?"_s,
                                 {position});
    if (!result.ok())
        return result;
    if (!q.next()) {
        result.status = DbStatus::failure(DbError::NoCurrentRecord);
        return result;
    }
    result.value = deviceFromQuery(q);
    return result;
}

DbStatus DeviceTable::writeOutcome(qint64 id, const QString& status,
                                   const QString& actionTaken) const {
    DbSession session(m_path);
    QSqlQuery q(session.db());
    DbStatus result =
        session.exec(q, u"UPDATE ComputerPingList SET Status = ?, ActionTaken = ? WHERE ID = ?"_s,
                     {status, actionTaken, id});
    if (result.ok() && q.numRowsAffected() < 1)
        result = DbStatus::failure(DbError::NoCurrentRecord);
    return result;
}

DbResult<qint64> DeviceTable::insert(const DeviceRecord& d) const {
    DbResult<qint64> result;
    DbSession session(m_path);
    QSqlQuery q(session.db());
    result.status = session.exec(
        q,
        u"INSERT INTO ComputerPingList (ComputerName, EmailWhenDown, MaxAverage, Disabled, Status,"
        u" ActionTaken) VALUES (?, ?, ?, ?, ?, ?)"_s,
        {d.computerName, d.emailWhenDown, d.maxAverage, d.disabled ? 1 : 0, d.status,
         d.actionTaken});
    if (result.ok())
        result.value = q.lastInsertId().toLongLong();
    return result;
}
