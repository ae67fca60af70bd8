#pragma once

#include "storage/Database.h"

#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QVariantMap>

// An updatable record set over one table, as the record editors use it: the rows are read
// once in the given order, a cursor moves over them (with a position before the first and
// one after the last), and the current row can be changed, a new one added, or the current
// one deleted. Every write opens its own connection and binds its values.
class BrowseSet {
  public:
    // table and orderBy are fixed texts of the program, never user input.
    BrowseSet(QString databasePath, QString table, QString orderBy);

    DbStatus open();
    // Reads the rows again in order and keeps the cursor on the same ID when it still exists.
    DbStatus requery();

    int recordCount() const { return int(m_rows.size()); }
    bool bof() const { return m_pos < 0 || m_rows.isEmpty(); }
    bool eof() const { return m_pos >= m_rows.size() || m_rows.isEmpty(); }
    // 0-based position of the current row; -1 before the first, recordCount() after the last.
    int position() const { return m_pos; }
    // The cursor stands on a row (neither before the first nor after the last).
    bool hasCurrent() const { return !bof() && !eof(); }

    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    // Moves to the row with this ID; false (cursor unchanged) when there is none.
    bool moveToId(qint64 id);

    // The current row's value, or the pending value during an edit. NoCurrentRecord when
    // the cursor is before the first or after the last row.
    DbResult<QVariant> value(const QString& column) const;
    QString text(const QString& column) const { return textOf(value(column).value); }
    QSqlRecord current() const;

    // Starts a new row; values set after it go into that row when update() is called.
    void addNew();
    // Sets a column of the new row, or of the current row when no new row is pending.
    DbStatus setValue(const QString& column, const QVariant& value);
    // Writes the pending row: inserts a new one (it then becomes the current row, at the end
    // of the set until the next requery) or updates the changed columns of the current row.
    // The row is written whole in one statement or not at all; on a failure the pending
    // values stay, so the caller decides whether to try again or cancel.
    DbStatus update();
    void cancelUpdate();
    bool editPending() const { return m_adding || !m_pending.isEmpty(); }

    // Deletes the current row; the cursor then stands on the row that followed it.
    DbStatus deleteCurrent();

  private:
    QString m_path;
    QString m_table;
    QString m_orderBy;
    QSqlRecord m_shape;
    QList<QSqlRecord> m_rows;
    int m_pos = -1;
    bool m_adding = false;
    QVariantMap m_pending;
};
