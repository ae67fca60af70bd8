#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

// What a database access can end in. The first three end the program where a routine traps
// them; "no current record" lets a routine go on; anything else leaves the routine.
enum class DbError {
    None,
    WrongPassword,   // the file was made with another password
    BadDatabase,     // not a database, damaged, or without the program's tables
    FileNotFound,    // missing, unreadable, or locked by another process
    NoCurrentRecord, // a row was expected and there is none
    Other,
};

struct DbStatus {
    DbError error = DbError::None;
    QString detail; // the engine's own words, for the generic message
    // Another connection holds the file locked for the moment (the error is FileNotFound):
    // trying again a little later may succeed. On the window's thread a statement waits only
    // a few tens of milliseconds for a lock before it ends this way.
    bool locked = false;

    bool ok() const { return error == DbError::None; }
    static DbStatus failure(DbError e, QString why = {}) {
        DbStatus status;
        status.error = e;
        status.detail = std::move(why);
        return status;
    }
};

template <typename T> struct DbResult {
    DbStatus status;
    T value{};
    bool ok() const { return status.ok(); }
};

// The fixed database password of the program.
QString databasePassword();

// One connection for one access: opened and password-checked when made, closed when it goes.
// No connection is kept between two events.
class DbSession {
  public:
    explicit DbSession(const QString& path, const QString& password = databasePassword());
    ~DbSession();
    DbSession(const DbSession&) = delete;
    DbSession& operator=(const DbSession&) = delete;

    const DbStatus& status() const { return m_status; }
    bool ok() const { return m_status.ok(); }
    QSqlDatabase& db() { return m_db; }

    // Prepares and runs sql with the values bound in order; on failure the status says why.
    DbStatus exec(QSqlQuery& query, const QString& sql, const QVariantList& values = {});
    DbStatus transaction();
    DbStatus commit();
    void rollback();

    // Maps an error of the engine to the program's outcomes.
    static DbStatus statusOf(const QSqlError& error);

  private:
    QString m_name;
    QSqlDatabase m_db;
    DbStatus m_status;
};

namespace Schema {
// Creates the database file with its tables and the default rows of the two one-row tables,
// readable by its owner only. Fails when the file exists already.
DbStatus create(const QString& path, const QString& password = databasePassword());
// Creates the file when it is missing; otherwise checks that it opens with the password and
// restores what the program relies on when it is gone: the default row of Settings and of
// SMTPsettings (as a new file has them), the indexes on the device names, and the
// DesktopNotifications column of Settings (switched on) in a file made before it existed.
// Other data is left as it is.
DbStatus ensure(const QString& path);
} // namespace Schema

// Values read from the database: a null reads as the empty text; a boolean is true when the
// stored value is not zero (true is stored as 1; a -1 from elsewhere reads true as well).
QString textOf(const QVariant& v);
bool boolOf(const QVariant& v);
