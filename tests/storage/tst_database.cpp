// Creating, opening and refusing database files.
#include "TestProgramFolder.h"
#include "storage/Database.h"
#include "storage/SettingsTables.h"

#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestDatabase : public QObject {
    Q_OBJECT

  private:
    static QStringList columnsOf(const QString& path, const QString& table) {
        DbSession s(path);
        QSqlQuery q(s.db());
        if (!s.exec(q, u"SELECT * FROM "_s + table + u" LIMIT 0"_s).ok())
            return {};
        QStringList names;
        const QSqlRecord r = q.record();
        for (int i = 0; i < r.count(); ++i)
            names << r.fieldName(i);
        return names;
    }

  private Q_SLOTS:
    void createdFileHasTablesAndDefaults() {
        TestProgramFolder folder;
        const QString path = folder.databasePath();
        QVERIFY(path.endsWith(u"/HalvardDB.mdb"_s));
        QCOMPARE(QFile::permissions(path) & (QFileDevice::ReadGroup | QFileDevice::ReadOther |
                                             QFileDevice::WriteGroup | QFileDevice::WriteOther),
                 QFileDevice::Permissions());

        QCOMPARE(columnsOf(path, u"ComputerPingList"_s),
                 (QStringList{u"ID"_s, u"ComputerName"_s, u"EmailWhenDown"_s, u"MaxAverage"_s,
                              u"Disabled"_s, u"Status"_s, u"ActionTaken"_s}));
        QCOMPARE(columnsOf(path, u"Settings"_s),
                 (QStringList{u"PingTimerSeconds"_s, u"ServicesTimerSeconds"_s,
                              u"AutoStartPinger"_s, u"AutoStartServices"_s}));
        QCOMPARE(columnsOf(path, u"SMTPsettings"_s),
                 (QStringList{u"ServerName"_s, u"SMTPusername"_s, u"SMTPpassword"_s, u"FromEmail"_s,
                              u"FromName"_s, u"Subject"_s, u"SMTPport"_s}));
        QCOMPARE(columnsOf(path, u"Services"_s).size(), 28);

        const auto settings = SettingsTable(path).read();
        QVERIFY(settings.ok());
        QCOMPARE(settings.value.pingTimerSeconds, u"5"_s);
        QCOMPARE(settings.value.servicesTimerSeconds, u"5"_s);
        QVERIFY(!settings.value.autoStartPinger);
        QVERIFY(!settings.value.autoStartServices);
        const auto smtp = SmtpSettingsTable(path).read();
        QVERIFY(smtp.ok());
        QCOMPARE(smtp.value.smtpPort, u"25"_s);
        QCOMPARE(smtp.value.serverName, QString());
    }

    void fileNeverHoldsThePasswordInClear() {
        TestProgramFolder folder;
        QFile f(folder.databasePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(!bytes.contains(databasePassword().toUtf8()));
        QVERIFY(!bytes.contains(databasePassword().toUtf8().toBase64()));
    }

    void ensureCreatesOnlyWhenMissing() {
        TestProgramFolder folder(false);
        const QString path = folder.databasePath();
        QVERIFY(!QFile::exists(path));
        QVERIFY(Schema::ensure(path).ok());
        QVERIFY(QFile::exists(path));
        folder.addDevice(u"kept"_s);
        QVERIFY(Schema::ensure(path).ok());
        QCOMPARE(DeviceTable(path).allByName().value.size(), 1);
        QCOMPARE(Schema::create(path).error, DbError::Other); // never overwrites
    }

    void openOutcomes_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("expected");
        QTest::newRow("good file") << u"good"_s << int(DbError::None);
        QTest::newRow("another password") << u"password"_s << int(DbError::WrongPassword);
        QTest::newRow("not a database") << u"garbage"_s << int(DbError::BadDatabase);
        QTest::newRow("truncated database") << u"truncated"_s << int(DbError::BadDatabase);
        QTest::newRow("foreign database") << u"foreign"_s << int(DbError::BadDatabase);
        QTest::newRow("verifier damaged") << u"verifier"_s << int(DbError::WrongPassword);
        QTest::newRow("missing file") << u"missing"_s << int(DbError::FileNotFound);
        QTest::newRow("folder in its place") << u"folder"_s << int(DbError::FileNotFound);
        QTest::newRow("locked by another process") << u"locked"_s << int(DbError::FileNotFound);
    }

    void openOutcomes() {
        QFETCH(QString, kind);
        QFETCH(int, expected);
        TestProgramFolder folder(false);
        const QString path = folder.databasePath();
        std::unique_ptr<DbSession> holder;
        std::unique_ptr<QSqlQuery> lock;
        if (kind == u"good"_s || kind == u"locked"_s) {
            QVERIFY(Schema::create(path).ok());
            if (kind == u"locked"_s) {
                holder = std::make_unique<DbSession>(path);
                lock = std::make_unique<QSqlQuery>(holder->db());
                QVERIFY(lock->exec(u"BEGIN EXCLUSIVE"_s));
            }
        } else if (kind == u"password"_s) {
            QVERIFY(Schema::create(path, u"ZZZZ11111"_s).ok());
        } else if (kind == u"garbage"_s || kind == u"truncated"_s) {
            QByteArray bytes;
            if (kind == u"truncated"_s) {
                QVERIFY(Schema::create(path).ok());
                QFile f(path);
                QVERIFY(f.open(QIODevice::ReadOnly));
                bytes = f.read(100) + QByteArray(400, 'x');
                f.close();
                QFile::remove(path);
            } else {
                bytes = "Standard Jet DB\0 this is not what the program wrote" +
                        QByteArray(5000, '\x7f');
            }
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        } else if (kind == u"foreign"_s) {
            const QString name = u"foreign"_s;
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
                db.setDatabaseName(path);
                QVERIFY(db.open());
                QSqlQuery q(db);
                QVERIFY(q.exec(u"CREATE TABLE ComputerPingList (ID INTEGER)"_s));
                db.close();
            }
            QSqlDatabase::removeDatabase(name);
        } else if (kind == u"verifier"_s) {
            QVERIFY(Schema::create(path).ok());
            DbSession raw(path);
            QSqlQuery q(raw.db());
            QVERIFY(raw.exec(q,
                             u"UPDATE KorvaneMeta SET Value = ? WHERE Name = 'PasswordVerifier'"_s,
                             {QString::fromLatin1(QByteArray(32, 'a').toBase64())})
                        .ok());
        } else if (kind == u"folder"_s) {
            QVERIFY(QDir().mkpath(path));
        }

        DbSession session(path);
        QCOMPARE(int(session.status().error), expected);
        if (expected == int(DbError::None)) {
            QSqlQuery q(session.db());
            QVERIFY(session.exec(q, u"SELECT COUNT(*) FROM ComputerPingList"_s).ok());
        }
    }

    void oneRowTablesWithoutTheirRow() {
        TestProgramFolder folder;
        folder.execSql(u"DELETE FROM Settings"_s);
        folder.execSql(u"DELETE FROM SMTPsettings"_s);
        QCOMPARE(SettingsTable(folder.databasePath()).read().status.error,
                 DbError::NoCurrentRecord);
        QCOMPARE(SmtpSettingsTable(folder.databasePath()).read().status.error,
                 DbError::NoCurrentRecord);
        QCOMPARE(SettingsTable(folder.databasePath()).write(3, 4, true, false).error,
                 DbError::NoCurrentRecord);
        QCOMPARE(SmtpSettingsTable(folder.databasePath()).write({}).error,
                 DbError::NoCurrentRecord);
        // No row appears from a write.
        QCOMPARE(SettingsTable(folder.databasePath()).read().status.error,
                 DbError::NoCurrentRecord);
    }

    void settingsWritesKeepSubjectAndWriteEmptyText() {
        TestProgramFolder folder;
        folder.execSql(u"UPDATE SMTPsettings SET Subject = 'kept subject'"_s);
        SmtpSettingsRow row;
        row.serverName = u"127.0.0.1"_s;
        row.fromName = u"Ops \"Desk\"; DROP TABLE Settings"_s;
        row.smtpPort = u"2525"_s; // the other fields stay null texts
        QVERIFY(SmtpSettingsTable(folder.databasePath()).write(row).ok());
        const auto back = SmtpSettingsTable(folder.databasePath()).read();
        QVERIFY(back.ok());
        QCOMPARE(back.value.subject, u"kept subject"_s);
        QCOMPARE(back.value.fromName, row.fromName);
        QCOMPARE(back.value.smtpPort, u"2525"_s);

        {
            DbSession s(folder.databasePath());
            QSqlQuery q(s.db());
            QVERIFY(
                s.exec(q, u"SELECT COUNT(*) FROM SMTPsettings WHERE SMTPusername IS NULL"_s).ok());
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toInt(), 0);
        }

        const DbStatus written = SettingsTable(folder.databasePath()).write(12, 99, true, false);
        QVERIFY2(written.ok(), qPrintable(written.detail));
        const auto settings = SettingsTable(folder.databasePath()).read();
        QCOMPARE(settings.value.pingTimerSeconds, u"12"_s);
        QCOMPARE(settings.value.servicesTimerSeconds, u"99"_s);
        QVERIFY(settings.value.autoStartPinger);
        QVERIFY(!settings.value.autoStartServices);
    }

    void leadingWholeNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("digits") << u"15"_s << 15;
        QTest::newRow("blank first") << u" 5"_s << 5;
        QTest::newRow("sign") << u"-3"_s << -3;
        QTest::newRow("trailing text") << u"7min"_s << 7;
        QTest::newRow("none") << u"abc"_s << 0;
        QTest::newRow("empty") << QString() << 0;
    }

    void leadingWholeNumber() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(::leadingWholeNumber(text), value);
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
