// The monitoring database: creating, opening, refusing and repairing files, the device list
// and the interval rule.
#include "TestProgramFolder.h"
#include "storage/Database.h"
#include "storage/SettingsTables.h"

#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// The first value of a one-value query, as text.
QString scalar(const QString& path, const QString& sql) {
    DbSession s(path);
    QSqlQuery q(s.db());
    return s.exec(q, sql).ok() && q.next() ? q.value(0).toString() : u"error"_s;
}

QStringList columnsOf(const QString& path, const QString& table) {
    DbSession s(path);
    QSqlQuery q(s.db());
    QStringList names;
    if (s.exec(q, u"SELECT * FROM "_s + table + u" LIMIT 0"_s).ok())
        for (int i = 0; i < q.record().count(); ++i)
            names << q.record().fieldName(i);
    return names;
}

} // namespace

class TestDatabase : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void createdFile() {
        TestProgramFolder folder;
        const QString path = folder.databasePath();
        QCOMPARE(QFile::permissions(path) & (QFileDevice::ReadGroup | QFileDevice::ReadOther |
                                             QFileDevice::WriteGroup | QFileDevice::WriteOther),
                 QFileDevice::Permissions());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(!f.readAll().contains(databasePassword().toUtf8()));
        QCOMPARE(columnsOf(path, u"ComputerPingList"_s),
                 (QStringList{u"ID"_s, u"ComputerName"_s, u"EmailWhenDown"_s, u"MaxAverage"_s,
                              u"Disabled"_s, u"Status"_s, u"ActionTaken"_s}));
        QCOMPARE(
            columnsOf(path, u"Settings"_s),
            (QStringList{u"PingTimerSeconds"_s, u"ServicesTimerSeconds"_s, u"AutoStartPinger"_s,
                         u"AutoStartServices"_s, u"DesktopNotifications"_s}));
        QCOMPARE(columnsOf(path, u"SMTPsettings"_s),
                 (QStringList{u"ServerName"_s, u"SMTPusername"_s, u"SMTPpassword"_s, u"FromEmail"_s,
                              u"FromName"_s, u"Subject"_s, u"SMTPport"_s}));
        QCOMPARE(columnsOf(path, u"Services"_s).size(), 28);
        QCOMPARE(Schema::create(path).error, DbError::Other); // never overwrites
    }

    // Schema::ensure on a file that lost what the program relies on.
    void ensureRepairs_data() {
        QTest::addColumn<QStringList>("damage");
        QTest::newRow("missing file") << QStringList{u"remove"_s};
        QTest::newRow("nothing missing") << QStringList{};
        QTest::newRow("Settings row gone") << QStringList{u"DELETE FROM Settings"_s};
        QTest::newRow("both rows gone")
            << QStringList{u"DELETE FROM Settings"_s, u"DELETE FROM SMTPsettings"_s};
        QTest::newRow("made before the notification choice")
            << QStringList{u"ALTER TABLE Settings DROP COLUMN DesktopNotifications"_s};
        QTest::newRow("name indexes gone") << QStringList{
            u"DROP INDEX ComputerPingListByName"_s, u"DROP INDEX ComputerPingListEnabledByName"_s};
    }

    void ensureRepairs() {
        QFETCH(QStringList, damage);
        TestProgramFolder folder;
        const QString path = folder.databasePath();
        folder.addDevice(u"kept"_s);
        folder.execSql(u"UPDATE SMTPsettings SET ServerName = 'kept.invalid'"_s);
        for (const QString& sql : damage) {
            if (sql == u"remove")
                QFile::remove(path);
            else
                folder.execSql(sql);
        }
        const DbStatus status = Schema::ensure(path);
        QVERIFY2(status.ok(), qPrintable(status.detail));
        const bool fresh = damage == QStringList{u"remove"_s};
        const bool smtpRow = !damage.contains(u"DELETE FROM SMTPsettings"_s) && !fresh;
        QCOMPARE(scalar(path, u"SELECT COUNT(*) || ' ' || PingTimerSeconds || ' ' || "
                              u"ServicesTimerSeconds || ' ' || AutoStartPinger || ' ' || "
                              u"AutoStartServices || ' ' || DesktopNotifications FROM Settings"_s),
                 u"1 5 5 0 0 1"_s);
        QCOMPARE(scalar(path, u"SELECT COUNT(*) || ' ' || SMTPport || ' ' || ServerName FROM "
                              u"SMTPsettings"_s),
                 smtpRow ? u"1 25 kept.invalid"_s : u"1 25 "_s);
        QCOMPARE(scalar(path, u"SELECT COUNT(*) FROM ComputerPingList"_s), fresh ? u"0"_s : u"1"_s);
        QCOMPARE(scalar(path, u"SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND"
                              u" tbl_name = 'ComputerPingList'"_s),
                 u"2"_s);
    }

    void openOutcomes_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("locked");
        QTest::newRow("good file") << u"good"_s << int(DbError::None) << false;
        QTest::newRow("another password") << u"password"_s << int(DbError::WrongPassword) << false;
        QTest::newRow("not a database") << u"garbage"_s << int(DbError::BadDatabase) << false;
        QTest::newRow("missing file") << u"missing"_s << int(DbError::FileNotFound) << false;
        QTest::newRow("folder in its place") << u"folder"_s << int(DbError::FileNotFound) << false;
        QTest::newRow("locked by another connection")
            << u"locked"_s << int(DbError::FileNotFound) << true;
    }

    void openOutcomes() {
        QFETCH(QString, kind);
        QFETCH(int, expected);
        QFETCH(bool, locked);
        TestProgramFolder folder(kind == u"good" || kind == u"locked");
        const QString path = folder.databasePath();
        std::unique_ptr<DbSession> holder;
        std::unique_ptr<QSqlQuery> lock;
        if (kind == u"locked"_s) {
            holder = std::make_unique<DbSession>(path);
            lock = std::make_unique<QSqlQuery>(holder->db());
            QVERIFY(lock->exec(u"BEGIN EXCLUSIVE"_s));
        } else if (kind == u"password"_s) {
            QVERIFY(Schema::create(path, u"ZZZZ11111"_s).ok());
        } else if (kind == u"garbage"_s) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("Standard Jet DB\0 not what the program wrote" + QByteArray(5000, '\x7f'));
        } else if (kind == u"folder"_s) {
            QVERIFY(QDir().mkpath(path));
        }
        DbSession session(path);
        QCOMPARE(int(session.status().error), expected);
        QCOMPARE(session.status().locked, locked);
    }

    void devices() {
        TestProgramFolder folder;
        for (const QString& n : {u"bravo"_s, u"Alpha"_s, u"charlie"_s, u"ZULU"_s})
            folder.addDevice(n, n == u"charlie"_s);
        folder.execSql(u"INSERT INTO ComputerPingList (ComputerName, EmailWhenDown, Disabled)"
                       u" VALUES ('delta', NULL, -1), (NULL, NULL, 0)"_s);
        DeviceTable table(folder.databasePath());
        QStringList all;
        for (const DeviceRecord& d : table.allByName().value)
            all << d.computerName + (d.disabled ? u"(off)"_s : QString()) + d.emailWhenDown;
        QCOMPARE(all, (QStringList{QString(), u"Alpha"_s, u"bravo"_s, u"charlie(off)"_s,
                                   u"delta(off)"_s, u"ZULU"_s}));
        QCOMPARE(table.countEnabled().value, 4);
        QStringList walk;
        for (int i = 0; i < 4; ++i)
            walk << table.enabledAt(i).value.computerName;
        QCOMPARE(walk, (QStringList{QString(), u"Alpha"_s, u"bravo"_s, u"ZULU"_s}));
        QCOMPARE(table.enabledAt(4).status.error, DbError::NoCurrentRecord);

        const qint64 alpha = table.enabledAt(1).value.id;
        QVERIFY(table.writeOutcome(alpha, u"Percentage Lost 25%"_s, u"Nothing For Now"_s).ok());
        QCOMPARE(table.writeOutcome(9999, u"x"_s, u"y"_s).error, DbError::NoCurrentRecord);
        QCOMPARE(scalar(folder.databasePath(),
                        u"SELECT group_concat(coalesce(Status, '-') || '/' || coalesce(ActionTaken,"
                        u" '-'), ' ') FROM ComputerPingList"_s),
                 u"/ Percentage Lost 25%/Nothing For Now / / -/- -/-"_s);
    }

    void numbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("leading");
        QTest::addColumn<int>("interval"); // 0: refused
        QTest::newRow("digits") << u"15"_s << 15 << 15;
        QTest::newRow("blanks around") << u" 5 "_s << 5 << 5;
        QTest::newRow("largest") << u"32767"_s << 32767 << 32767;
        QTest::newRow("too large") << u"32768"_s << 32768 << 0;
        QTest::newRow("far too large") << u"99999999999"_s << 0 << 0;
        QTest::newRow("zero") << u"0"_s << 0 << 0;
        QTest::newRow("negative") << u"-1"_s << -1 << 0;
        QTest::newRow("trailing text") << u"7min"_s << 7 << 0;
        QTest::newRow("fraction") << u"1.5"_s << 1 << 0;
        QTest::newRow("letters") << u"abc"_s << 0 << 0;
        QTest::newRow("empty") << QString() << 0 << 0;
    }

    void numbers() {
        QFETCH(QString, text);
        QFETCH(int, leading);
        QFETCH(int, interval);
        QCOMPARE(leadingWholeNumber(text), leading);
        QCOMPARE(intervalMinutes(text).value_or(0), interval);
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
