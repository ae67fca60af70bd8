#include "storage/Database.h"

#include "app/Log.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlError>
#include <QThread>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kVerifierRounds = 60000;
constexpr int kVerifierBytes = 32;

QByteArray deriveVerifier(const QString& password, const QByteArray& salt, int rounds) {
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt,
                                              rounds, kVerifierBytes);
}

// A verifier once checked against a password needs no second derivation in this process:
// the derivation is a pure function of salt, rounds and password.
class VerifiedCache {
  public:
    bool contains(const QByteArray& key) {
        QMutexLocker lock(&m_mutex);
        return m_keys.contains(key);
    }
    void insert(const QByteArray& key) {
        QMutexLocker lock(&m_mutex);
        m_keys.insert(key);
    }

  private:
    QMutex m_mutex;
    QSet<QByteArray> m_keys;
};

VerifiedCache& verifiedCache() {
    static VerifiedCache cache;
    return cache;
}

// How long a connection waits for a lock another connection holds before its statement fails
// as locked. On the window's thread the wait is kept below a frame: the monitors ride out a
// longer lock with an awaited retry instead (retryWhileLocked). Elsewhere a few seconds.
QString busyTimeoutOption() {
    const QCoreApplication* app = QCoreApplication::instance();
    const bool windowThread = app && QThread::currentThread() == app->thread();
    return windowThread ? u"QSQLITE_BUSY_TIMEOUT=20"_s : u"QSQLITE_BUSY_TIMEOUT=3000"_s;
}

QString nextConnectionName() {
    static QAtomicInteger<quint64> counter;
    return u"korvane-db-%1"_s.arg(counter.fetchAndAddRelaxed(1));
}

const char* const kNameIndex = "CREATE INDEX IF NOT EXISTS ComputerPingListByName"
                               " ON ComputerPingList (ComputerName COLLATE NOCASE, ID)";
// The walk of the ping monitor reads the enabled devices in name order from here.
const char* const kEnabledNameIndex =
    "CREATE INDEX IF NOT EXISTS ComputerPingListEnabledByName"
    " ON ComputerPingList (Disabled, ComputerName COLLATE NOCASE, ID)";
// The default rows of the two one-row tables.
const char* const kSettingsDefaultRow =
    "INSERT INTO Settings (PingTimerSeconds, ServicesTimerSeconds, AutoStartPinger,"
    " AutoStartServices) VALUES (5, 5, 0, 0)";
// The desktop-notification choice came after the first files were made: a file without it
// gets the column, switched on, and keeps every other value.
const char* const kDesktopNotificationsColumn =
    "ALTER TABLE Settings ADD COLUMN DesktopNotifications BOOLEAN NOT NULL DEFAULT 1";
const char* const kSmtpSettingsDefaultRow =
    "INSERT INTO SMTPsettings (ServerName, SMTPusername, SMTPpassword, FromEmail, FromName,"
    " Subject, SMTPport) VALUES ('', '', '', '', '', '', '25')";

// Something of a file the program relies on: restored with `sql` when `check` counts none.
struct Repair {
    QString check;
    const char* sql;
};

const char* const kCreateStatements[] = {
    "CREATE TABLE ComputerPingList ("
    " ID INTEGER PRIMARY KEY AUTOINCREMENT,"
    " ComputerName VARCHAR(255) COLLATE NOCASE,"
    " EmailWhenDown VARCHAR(255),"
    " MaxAverage VARCHAR(255),"
    " Disabled BOOLEAN NOT NULL DEFAULT 0,"
    " Status VARCHAR(255),"
    " ActionTaken VARCHAR(255))",
    kNameIndex,
    kEnabledNameIndex,
    "CREATE TABLE Settings ("
    " PingTimerSeconds INTEGER,"
    " ServicesTimerSeconds INTEGER,"
    " AutoStartPinger BOOLEAN NOT NULL DEFAULT 0,"
    " AutoStartServices BOOLEAN NOT NULL DEFAULT 0,"
    " DesktopNotifications BOOLEAN NOT NULL DEFAULT 1)",
    "CREATE TABLE SMTPsettings ("
    " ServerName VARCHAR(255), SMTPusername VARCHAR(255), SMTPpassword VARCHAR(255),"
    " FromEmail VARCHAR(255), FromName VARCHAR(255), Subject VARCHAR(255), SMTPport VARCHAR(255))",
    "CREATE TABLE Services ("
    " ID INTEGER PRIMARY KEY AUTOINCREMENT,"
    " ComputerName VARCHAR(255) COLLATE NOCASE,"
    " Service1 VARCHAR(255), Service2 VARCHAR(255), Service3 VARCHAR(255),"
    " Service4 VARCHAR(255), Service5 VARCHAR(255), Service6 VARCHAR(255),"
    " RestartService1 BOOLEAN NOT NULL DEFAULT 0, RestartService2 BOOLEAN NOT NULL DEFAULT 0,"
    " RestartService3 BOOLEAN NOT NULL DEFAULT 0, RestartService4 BOOLEAN NOT NULL DEFAULT 0,"
    " RestartService5 BOOLEAN NOT NULL DEFAULT 0, RestartService6 BOOLEAN NOT NULL DEFAULT 0,"
    " AlwaysRestartThisService VARCHAR(255),"
    " AdminUserName VARCHAR(255), AdminPassword VARCHAR(255),"
    " EmailWhenDown VARCHAR(255),"
    " FilePathToCheck VARCHAR(255), AgeOfFile VARCHAR(255),"
    " CheckIfFileExistFolder VARCHAR(255), FileNameOfFileExist VARCHAR(255),"
    " FileExistEmailifThereOrNot VARCHAR(255), FileExistEmailHere VARCHAR(255),"
    " CheckIfDriveExistDriveLetter VARCHAR(255), CheckIfDriveExistPCName VARCHAR(255),"
    " CheckIfDriveExistEmailIfIssue VARCHAR(255),"
    " Disabled BOOLEAN NOT NULL DEFAULT 0)",
    "CREATE INDEX ServicesByName ON Services (ComputerName COLLATE NOCASE, ID)",
    "CREATE TABLE KorvaneMeta (Name VARCHAR(64) PRIMARY KEY, Value TEXT)",
    kSettingsDefaultRow,
    kSmtpSettingsDefaultRow,
};

} // namespace

QString databasePassword() {
    return u"QXLB62087"_s;
}

QString textOf(const QVariant& v) {
    return v.isNull() ? QString() : v.toString();
}

bool boolOf(const QVariant& v) {
    if (v.isNull())
        return false;
    bool numeric = false;
    const qlonglong n = v.toLongLong(&numeric);
    if (numeric)
        return n != 0;
    const QString t = v.toString().trimmed();
    return t.compare(u"true"_s, Qt::CaseInsensitive) == 0 ||
           t.compare(u"yes"_s, Qt::CaseInsensitive) == 0;
}

DbStatus DbSession::statusOf(const QSqlError& error) {
    if (error.type() == QSqlError::NoError)
        return {};
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric) & 0xff;
    const QString why = error.text();
    if (!numeric)
        return DbStatus::failure(DbError::Other, why);
    switch (code) {
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return DbStatus::failure(DbError::BadDatabase, why);
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
    {
        DbStatus status = DbStatus::failure(DbError::FileNotFound, why);
        status.locked = true;
        return status;
    }
    case 3:  // SQLITE_PERM
    case 14: // SQLITE_CANTOPEN
        return DbStatus::failure(DbError::FileNotFound, why);
    default:
        return DbStatus::failure(DbError::Other, why);
    }
}

DbSession::DbSession(const QString& path, const QString& password) : m_name(nextConnectionName()) {
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile()) {
        m_status = DbStatus::failure(DbError::FileNotFound, u"no database file at %1"_s.arg(path));
        return;
    }
    m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_name);
    m_db.setDatabaseName(path);
    m_db.setConnectOptions(busyTimeoutOption());
    if (!m_db.open()) {
        m_status = statusOf(m_db.lastError());
        if (m_status.ok() || m_status.error == DbError::Other)
            m_status.error = DbError::FileNotFound;
        return;
    }

    // The password check: the file carries a salted key-derivation verifier.
    QSqlQuery q(m_db);
    if (!q.exec(u"SELECT Name, Value FROM KorvaneMeta"_s)) {
        m_status = statusOf(q.lastError());
        if (m_status.error == DbError::Other) // a database, but not one of ours
            m_status.error = DbError::BadDatabase;
        return;
    }
    QByteArray salt, verifier;
    int rounds = 0;
    while (q.next()) {
        const QString name = q.value(0).toString();
        if (name == u"PasswordSalt"_s)
            salt = QByteArray::fromBase64(q.value(1).toString().toLatin1());
        else if (name == u"PasswordRounds"_s)
            rounds = q.value(1).toInt();
        else if (name == u"PasswordVerifier"_s)
            verifier = QByteArray::fromBase64(q.value(1).toString().toLatin1());
    }
    if (salt.isEmpty() || verifier.size() != kVerifierBytes || rounds < 1 || rounds > 10'000'000) {
        m_status = DbStatus::failure(DbError::BadDatabase, u"the password verifier is missing"_s);
        return;
    }
    const QByteArray cacheKey = salt.toBase64() + '|' + QByteArray::number(rounds) + '|' +
                                verifier.toBase64() + '|' + password.toUtf8().toBase64();
    if (verifiedCache().contains(cacheKey))
        return;
    if (deriveVerifier(password, salt, rounds) != verifier) {
        m_status = DbStatus::failure(DbError::WrongPassword, u"wrong database password"_s);
        return;
    }
    verifiedCache().insert(cacheKey);
}

DbSession::~DbSession() {
    if (m_db.isValid()) {
        if (m_db.isOpen())
            m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
}

DbStatus DbSession::exec(QSqlQuery& query, const QString& sql, const QVariantList& values) {
    if (!ok())
        return m_status;
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return statusOf(query.lastError());
    for (const QVariant& v : values) {
        // Text columns never receive Null from the program: an empty text is written as such.
        if (v.typeId() == QMetaType::QString && v.toString().isNull())
            query.addBindValue(QVariant(QStringLiteral("")));
        else
            query.addBindValue(v);
    }
    if (!query.exec())
        return statusOf(query.lastError());
    return {};
}

DbStatus DbSession::transaction() {
    if (!ok())
        return m_status;
    return m_db.transaction() ? DbStatus{} : statusOf(m_db.lastError());
}

DbStatus DbSession::commit() {
    return m_db.commit() ? DbStatus{} : statusOf(m_db.lastError());
}

void DbSession::rollback() {
    m_db.rollback();
}

namespace Schema {

DbStatus create(const QString& path, const QString& password) {
    {
        // The file holds passwords: it is created readable by its owner only, so not even
        // its empty first moment is open to others (SQLite gives its journal the same mode).
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                       QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return DbStatus::failure(QFileInfo::exists(path) ? DbError::Other
                                                             : DbError::FileNotFound,
                                     file.errorString());
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    DbStatus status;
    {
        const QString name = nextConnectionName();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
            db.setDatabaseName(path);
            if (!db.open()) {
                status = DbSession::statusOf(db.lastError());
            } else {
                db.transaction();
                QSqlQuery q(db);
                for (const char* sql : kCreateStatements) {
                    if (!q.exec(QString::fromLatin1(sql))) {
                        status = DbSession::statusOf(q.lastError());
                        break;
                    }
                }
                if (status.ok()) {
                    QByteArray salt(16, '\0');
                    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()),
                                                          salt.size() / 4);
                    const QByteArray verifier = deriveVerifier(password, salt, kVerifierRounds);
                    const QList<std::pair<QString, QString>> meta = {
                        {u"PasswordSalt"_s, QString::fromLatin1(salt.toBase64())},
                        {u"PasswordRounds"_s, QString::number(kVerifierRounds)},
                        {u"PasswordVerifier"_s, QString::fromLatin1(verifier.toBase64())},
                    };
                    q.prepare(u"INSERT INTO KorvaneMeta (Name, Value) VALUES (?, ?)"_s);
                    for (const auto& [key, value] : meta) {
                        q.addBindValue(key);
                        q.addBindValue(value);
                        if (!q.exec()) {
                            status = DbSession::statusOf(q.lastError());
                            break;
                        }
                    }
                }
                q.finish();
                if (status.ok() && !db.commit())
                    status = DbSession::statusOf(db.lastError());
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(name);
    }
    if (!status.ok())
        QFile::remove(path);
    return status;
}

DbStatus ensure(const QString& path) {
    if (!QFileInfo::exists(path))
        return create(path);
    DbSession session(path);
    if (!session.ok())
        return session.status();
    // A file that lost something the program relies on gets it back; nothing else is touched.
    // Each repair writes only when something is missing, so a file that another program holds
    // open for reading still opens.
    const Repair repairs[] = {
        {u"SELECT COUNT(*) FROM Settings"_s, kSettingsDefaultRow},
        {u"SELECT COUNT(*) FROM SMTPsettings"_s, kSmtpSettingsDefaultRow},
        {u"SELECT COUNT(*) FROM sqlite_master WHERE type = 'index'"
         u" AND name = 'ComputerPingListByName'"_s,
         kNameIndex},
        {u"SELECT COUNT(*) FROM sqlite_master WHERE type = 'index'"
         u" AND name = 'ComputerPingListEnabledByName'"_s,
         kEnabledNameIndex},
        {u"SELECT COUNT(*) FROM pragma_table_info('Settings')"
         u" WHERE name = 'DesktopNotifications'"_s,
         kDesktopNotificationsColumn},
    };
    for (const Repair& repair : repairs) {
        QSqlQuery q(session.db());
        DbStatus status = session.exec(q, repair.check);
        if (!status.ok())
            return status;
        if (q.next() && q.value(0).toInt() > 0)
            continue;
        q.finish();
        qCInfo(lcDatabase).noquote() << "the database lacked something; restored:" << repair.sql;
        status = session.exec(q, QString::fromLatin1(repair.sql));
        if (!status.ok())
            return status;
    }
    return {};
}

} // namespace Schema
