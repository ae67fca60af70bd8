#pragma once

#include "FakeClock.h"
#include "RecordingDialogs.h"
#include "app/AppContext.h"
#include "storage/DeviceTable.h"

#include <QList>
#include <QTemporaryDir>

// The rows of a query, each as its values joined by "|" (null as empty), or "<failed: why>".
QStringList sqlRows(const QString& db, const QString& sql, const QVariantList& values = {});
// Every row of a table ordered by ID, as SQLite quotes its values ('text', NULL, 1) joined by
// "|": what was written, byte for byte. Without columns, all of them.
QStringList quotedRows(const QString& db, const QString& table, QStringList columns = {});

// A fresh program folder with its own database (none when createDatabase is false) for one
// test: an AppContext over it with recording dialogs, a fake clock and a recorded program end.
class TestProgramFolder {
  public:
    explicit TestProgramFolder(bool createDatabase = true);

    QString path() const { return m_dir.path(); }
    QString databasePath() const { return ctx.databasePath(); }
    RecordingDialogs& dialogs() { return *m_dialogs; }
    FakeClock& clock() { return *m_clock; }

    // Adds a device, enabled unless said, with no addresses unless given; returns its ID.
    qint64 addDevice(const DeviceRecord& record);
    qint64 addDevice(const QString& name, bool disabled = false) {
        return addDevice({0, name, {}, {}, disabled, {}, {}});
    }
    qint64 addDevice(const QString& name, const QString& addresses) {
        return addDevice({0, name, addresses, {}, false, {}, {}});
    }
    // Runs one statement straight on the database file; a failure ends the test program.
    void execSql(const QString& sql, const QVariantList& values = {});
    QStringList select(const QString& sql, const QVariantList& values = {}) {
        return sqlRows(databasePath(), sql, values);
    }
    // Alerts go to the SMTP server on 127.0.0.1:port, from korvane@site.invalid, with this
    // login (none when empty); the shared mail settings are read again, as the main window's
    // load does.
    void mailTo(quint16 port, const QString& user = {}, const QString& password = {});

  private:
    QTemporaryDir m_dir; // made before the context that lives in it
    RecordingDialogs* m_dialogs = new RecordingDialogs;
    FakeClock* m_clock = new FakeClock;

  public:
    AppContext ctx;
    QList<int> endedWith; // exit codes passed to endProgram
};
