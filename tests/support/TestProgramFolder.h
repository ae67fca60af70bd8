#pragma once

#include "FakeClock.h"
#include "RecordingDialogs.h"
#include "app/AppContext.h"
#include "storage/Database.h"
#include "storage/DeviceTable.h"
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

// The rows of a query, each as its values joined by "|" (null as empty), or "<failed: why>".
inline QStringList sqlRows(const QString& db, const QString& sql, const QVariantList& values = {}) {
    DbSession session(db);
    QSqlQuery q(session.db());
    if (const DbStatus status = session.exec(q, sql, values); !status.ok())
        return {QStringLiteral("<failed: ") + status.detail + u'>'};
    QStringList rows;
    while (q.isSelect() && q.next()) {
        QStringList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << textOf(q.value(i));
        rows << row.join(u'|');
    }
    return rows;
}
// Every row of a table ordered by ID, as SQLite quotes its values ('text', NULL, 1) joined by
// "|": what was written, byte for byte. Without columns, all of them.
inline QStringList quotedRows(const QString& db, const QString& table, QStringList columns = {}) {
    if (columns.isEmpty())
        columns = sqlRows(db, QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table});
    return sqlRows(db, QStringLiteral("SELECT quote(%1) FROM %2 ORDER BY ID")
                           .arg(columns.join(QStringLiteral("), quote(")), table));
}

// A fresh program folder with its own database (none when createDatabase is false) for one
// test: an AppContext over it with recording dialogs, a fake clock and a recorded program end.
class TestProgramFolder {
    QTemporaryDir m_dir; // made before the context that lives in it
    RecordingDialogs* m_dialogs = new RecordingDialogs;
    FakeClock* m_clock = new FakeClock;

  public:
    explicit TestProgramFolder(bool createDatabase = true) : ctx(m_dir.path()) {
        ctx.setDialogs(std::unique_ptr<RecordingDialogs>(m_dialogs));
        ctx.setClock(std::unique_ptr<FakeClock>(m_clock));
        ctx.setEndProgramHandler([this](int code) { endedWith.append(code); });
        if (const DbStatus made = createDatabase ? Schema::create(databasePath()) : DbStatus();
            !made.ok())
            qFatal("cannot create the test database: %s", qPrintable(made.detail));
    }
    QString path() const { return m_dir.path(); }
    QString databasePath() const { return ctx.databasePath(); }
    RecordingDialogs& dialogs() { return *m_dialogs; }
    FakeClock& clock() { return *m_clock; }
    // Adds a device, enabled unless said, with no addresses unless given; returns its ID.
    qint64 addDevice(const DeviceRecord& record) {
        const auto id = DeviceTable(databasePath()).insert(record);
        if (!id.ok())
            qFatal("cannot add a device: %s", qPrintable(id.status.detail));
        return id.value;
    }
    qint64 addDevice(const QString& name, bool disabled = false) {
        return addDevice({0, name, {}, {}, disabled, {}, {}});
    }
    qint64 addDevice(const QString& name, const QString& addresses) {
        return addDevice({0, name, addresses, {}, false, {}, {}});
    }
    // Runs one statement straight on the database file; a failure ends the test program.
    void execSql(const QString& sql, const QVariantList& values = {}) {
        if (const QString failed = select(sql, values).value(0); failed.startsWith(u"<failed: "))
            qFatal("SQL failed: %s: %s", qPrintable(sql), qPrintable(failed));
    }
    QStringList select(const QString& sql, const QVariantList& values = {}) {
        return sqlRows(databasePath(), sql, values);
    }
    // Alerts go to the SMTP server on 127.0.0.1:port, from korvane@site.invalid, with this login
    // (none when empty); the mail settings are read again, as the main window's load does.
    void mailTo(quint16 port, const QString& user = {}, const QString& password = {}) {
        execSql(QStringLiteral("UPDATE SMTPsettings SET ServerName = '127.0.0.1', SMTPport = ?, "
                               "SMTPusername = ?, SMTPpassword = ?, FromEmail = "
                               "'korvane@site.invalid', FromName = 'Korvane'"),
                {QString::number(port), user, password});
        ctx.values().fncGetSMTPsettings(databasePath());
    }
    AppContext ctx;
    QList<int> endedWith; // exit codes passed to endProgram
};
