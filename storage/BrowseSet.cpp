#include "storage/BrowseSet.h"

#include <QSqlField>
#include <QSqlQuery>

using namespace Qt::Literals::StringLiterals;

BrowseSet::BrowseSet(QString databasePath, QString table, QString orderBy)
    : m_path(std::move(databasePath)), m_table(std::move(table)), m_orderBy(std::move(orderBy)) {}

DbStatus BrowseSet::open() {
    m_rows.clear();
    m_pending.clear();
    m_adding = false;
    DbSession session(m_path);
    QSqlQuery q(session.db());
    QString sql = u"SELECT * FROM "_s + m_table;
    if (!m_orderBy.isEmpty())
        sql += u" ORDER BY "_s + m_orderBy;
    const DbStatus status = session.exec(q, sql);
    if (!status.ok()) {
        m_pos = -1;
        return status;
    }
    m_shape = q.record();
    while (q.next())
        m_rows.append(q.record());
    m_pos = 0;
    return status;
}

DbStatus BrowseSet::requery() {
    const QVariant id = eof() || bof() ? QVariant() : m_rows.at(m_pos).value(u"ID"_s);
    const DbStatus status = open();
    if (status.ok() && id.isValid() && !moveToId(id.toLongLong()))
        m_pos = 0;
    return status;
}

void BrowseSet::moveFirst() {
    cancelUpdate();
    m_pos = 0;
}

void BrowseSet::moveLast() {
    cancelUpdate();
    m_pos = m_rows.isEmpty() ? 0 : int(m_rows.size()) - 1;
}

void BrowseSet::moveNext() {
    cancelUpdate();
    if (m_pos < m_rows.size())
        ++m_pos;
}

void BrowseSet::movePrevious() {
    cancelUpdate();
    if (m_pos >= 0)
        --m_pos;
}

bool BrowseSet::moveToId(qint64 id) {
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).value(u"ID"_s).toLongLong() == id) {
            cancelUpdate();
            m_pos = i;
            return true;
        }
    }
    return false;
}

QSqlRecord BrowseSet::current() const {
    return (bof() || eof()) ? QSqlRecord() : m_rows.at(m_pos);
}

DbResult<QVariant> BrowseSet::value(const QString& column) const {
    DbResult<QVariant> result;
    if (m_pending.contains(column)) {
        result.value = m_pending.value(column);
        return result;
    }
    if (m_adding) {
        return result; // a new row: every column not set yet is empty
    }
    if (bof() || eof()) {
        result.status = DbStatus::failure(DbError::NoCurrentRecord);
        return result;
    }
    result.value = m_rows.at(m_pos).value(column);
    return result;
}

void BrowseSet::addNew() {
    m_pending.clear();
    m_adding = true;
}

DbStatus BrowseSet::setValue(const QString& column, const QVariant& value) {
    if (m_shape.indexOf(column) < 0 || column == u"ID"_s)
        return DbStatus::failure(DbError::Other, u"no column %1"_s.arg(column));
    if (!m_adding && (bof() || eof()))
        return DbStatus::failure(DbError::NoCurrentRecord);
    m_pending.insert(column, value);
    return {};
}

void BrowseSet::cancelUpdate() {
    m_pending.clear();
    m_adding = false;
}

DbStatus BrowseSet::update() {
    if (!m_adding && m_pending.isEmpty())
        return {};
    if (!m_adding && (bof() || eof()))
        return DbStatus::failure(DbError::NoCurrentRecord);
    const QStringList columns = m_pending.keys(); // names checked against the table in setValue
    QVariantList values;
    for (const QString& c : columns)
        values << m_pending.value(c);

    DbSession session(m_path);
    QSqlQuery q(session.db());
    DbStatus status;
    if (m_adding) {
        QString sql;
        if (columns.isEmpty()) {
            sql = u"INSERT INTO "_s + m_table + u" DEFAULT VALUES"_s;
        } else {
            QStringList marks;
            marks.fill(u"?"_s, columns.size());
            sql = u"INSERT INTO "_s + m_table + u" ("_s + columns.join(u", "_s) + u") VALUES ("_s +
                  marks.join(u", "_s) + u")"_s;
        }
        // The insert and the read of the new row go together: a row that cannot be shown
        // afterwards is not left behind.
        status = session.transaction();
        if (!status.ok())
            return status;
        status = session.exec(q, sql, values);
        QSqlQuery read(session.db());
        if (status.ok()) {
            const qint64 id = q.lastInsertId().toLongLong();
            q.finish();
            status = session.exec(read, u"SELECT * FROM "_s + m_table + u" WHERE ID = ?"_s, {id});
        }
        if (status.ok() && !read.next())
            status = DbStatus::failure(DbError::Other, u"the new row could not be read back"_s);
        const QSqlRecord added = status.ok() ? read.record() : QSqlRecord();
        read.finish();
        q.finish();
        if (status.ok())
            status = session.commit();
        if (!status.ok()) {
            session.rollback();
            return status;
        }
        m_rows.append(added);
        m_pos = int(m_rows.size()) - 1;
    } else {
        QStringList assignments;
        for (const QString& c : columns)
            assignments << c + u" = ?"_s;
        const QVariant id = m_rows.at(m_pos).value(u"ID"_s);
        values << id;
        status = session.exec(
            q, u"UPDATE "_s + m_table + u" SET "_s + assignments.join(u", "_s) + u" WHERE ID = ?"_s,
            values);
        if (!status.ok())
            return status;
        if (q.numRowsAffected() < 1)
            return DbStatus::failure(DbError::NoCurrentRecord, u"the row was deleted meanwhile"_s);
        QSqlRecord& row = m_rows[m_pos];
        for (const QString& c : columns)
            row.setValue(c, m_pending.value(c));
    }
    m_pending.clear();
    m_adding = false;
    return status;
}

DbStatus BrowseSet::deleteCurrent() {
    cancelUpdate();
    if (bof() || eof())
        return DbStatus::failure(DbError::NoCurrentRecord);
    DbSession session(m_path);
    QSqlQuery q(session.db());
    const DbStatus status = session.exec(q, u"DELETE FROM "_s + m_table + u" WHERE ID = ?"_s,
                                         {m_rows.at(m_pos).value(u"ID"_s)});
    if (status.ok())
        m_rows.removeAt(m_pos);
    return status;
}
