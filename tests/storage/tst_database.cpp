// The monitoring database: repairs, the interval rule, the job table's kinds and hostile values,
// and the browse set the editors use. Refused files: tst_startup; the file's mode: tst_secrets.
#include "TestProgramFolder.h"
#include "storage/BrowseSet.h"
#include "storage/Database.h"
#include "storage/JobTable.h"
#include "storage/SettingsTables.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestDatabase : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void ensureRepairs_data() {
        QTest::addColumn<QString>("damage"); // statements, ";" between them
        QTest::addColumn<QString>("left");   // Settings SMTPsettings devices indexes
        // clang-format off
        QTest::newRow("missing file") << u"remove"_s << u"1|5|5|0|0|1 1|25| 0 2"_s;
        QTest::newRow("nothing missing") << QString() << u"1|5|5|0|0|1 1|25|kept.invalid 1 2"_s;
        QTest::newRow("both rows gone") << u"DELETE FROM Settings;DELETE FROM SMTPsettings"_s << u"1|5|5|0|0|1 1|25| 1 2"_s;
        QTest::newRow("made before the notification choice") << u"ALTER TABLE Settings DROP COLUMN DesktopNotifications"_s << u"1|5|5|0|0|1 1|25|kept.invalid 1 2"_s;
        QTest::newRow("name indexes gone") << u"DROP INDEX ComputerPingListByName;DROP INDEX ComputerPingListEnabledByName"_s << u"1|5|5|0|0|1 1|25|kept.invalid 1 2"_s;
        // clang-format on
    }
    void ensureRepairs() {
        QFETCH(QString, damage);
        QFETCH(QString, left);
        TestProgramFolder folder;
        folder.addDevice(u"kept"_s);
        folder.execSql(u"UPDATE SMTPsettings SET ServerName = 'kept.invalid'"_s);
        for (const QString& sql : damage.split(u';', Qt::SkipEmptyParts))
            sql == u"remove" ? void(QFile::remove(folder.databasePath())) : folder.execSql(sql);
        const DbStatus status = Schema::ensure(folder.databasePath());
        QVERIFY2(status.ok(), qPrintable(status.detail));
        QStringList got; // each statement's rows, "|" between values
        for (const char16_t* sql :
             {u"SELECT COUNT(*), PingTimerSeconds, ServicesTimerSeconds, AutoStartPinger, "
              u"AutoStartServices, DesktopNotifications FROM Settings",
              u"SELECT COUNT(*), SMTPport, ServerName FROM SMTPsettings",
              u"SELECT COUNT(*) FROM ComputerPingList",
              u"SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND tbl_name = "
              u"'ComputerPingList'"})
            got += folder.select(QString::fromUtf16(sql));
        QCOMPARE(got.join(u' '), left);
    }

    // A stored interval: its leading whole number, and whether the cycles can keep it.
    void numbers() {
        QStringList got;
        for (const char16_t* text : {u"15", u" 5 ", u"32767", u"32768", u"99999999999", u"0", u"-1",
                                     u"7min", u"1.5", u"abc", u""}) {
            const QString t = QString::fromUtf16(text);
            got << u"%1:%2"_s.arg(leadingWholeNumber(t)).arg(intervalMinutes(t).value_or(0));
        }
        QCOMPARE(got.join(u' '), u"15:15 5:5 32767:32767 32768:0 0:0 0:0 -1:0 7:0 1:0 0:0 0:0"_s);
    }

    // The job monitor's dispatch: a folder, then a drive PC, then a file path, else a service.
    // Rows: PC name|file path|folder|drive PC, the kind (S service, A file age, E file exists,
    // D drive letter).
    void kindOrder() {
        QString got;
        for (const QString& row :
             u"pc1||| |M:\\a.log|| ||\\\\pc\\c$| |||pc2 pc|p||d pc|p|f|d pc|p|| |||"_s.split(
                 u' ')) {
            const QStringList keys = row.split(u'|');
            JobRecord j;
            j.computerName = keys[0];
            j.filePathToCheck = keys[1];
            j.checkIfFileExistFolder = keys[2];
            j.checkIfDriveExistPCName = keys[3];
            got += u"SAED"_s.at(int(kindOf(j)));
        }
        QCOMPARE(got, u"SAEDDEAS"_s);
    }

    // Values with quotes and SQL in them come back as they were; booleans never set read false;
    // a job without a PC name sorts before every service job.
    void jobsRoundTrip() {
        TestProgramFolder folder;
        JobTable table(folder.databasePath());
        JobRecord service;
        service.computerName = u"SERVER'1"_s;
        service.service = {u"Spooler"_s, u"W32Time'; DROP TABLE Services; --"_s, {}, {}, {},
                           u"Last"_s};
        service.restartService = {true, false, false, false, false, true};
        service.adminUserName = u"DOM\\admin"_s;
        service.adminPassword = u"p'; --"_s;
        service.emailWhenDown = u"a@x.invalid;b@x.invalid"_s;
        JobRecord drive;
        drive.checkIfDriveExistPCName = u"pc9"_s;
        drive.disabled = true;
        QVERIFY(table.insert(service).ok() && table.insert(drive).ok());
        folder.execSql(u"INSERT INTO Services (CheckIfDriveExistPCName) VALUES ('pc8')"_s);
        QCOMPARE(table.countAll().value, 3);
        QCOMPARE(table.countEnabled().value, 2);
        const QList<JobRecord> enabled = table.enabledByName().value;
        QCOMPARE(enabled.size(), 2);
        QCOMPARE(enabled.at(0).checkIfDriveExistPCName, u"pc8"_s);
        QCOMPARE(enabled.at(0).restartService, (std::array<bool, 6>{}));
        const JobRecord& back = enabled.at(1);
        QCOMPARE(back.computerName + back.adminUserName + back.adminPassword + back.emailWhenDown,
                 service.computerName + service.adminUserName + service.adminPassword +
                     service.emailWhenDown);
        QCOMPARE(back.service, service.service);
        QCOMPARE(back.restartService, service.restartService);
        QCOMPARE(table.enabledAt(1).value.computerName, service.computerName);
        QCOMPARE(table.enabledAt(2).status.error, DbError::NoCurrentRecord);
        // A device whose row has gone has nothing to write to: no row, not a failure.
        QCOMPARE(DeviceTable(folder.databasePath()).writeOutcome(99, u"x"_s, u"y"_s).error,
                 DbError::NoCurrentRecord);
    }

    void browseSet() {
        TestProgramFolder folder;
        BrowseSet empty(folder.databasePath(), u"Services"_s, u"ComputerName, ID"_s);
        QVERIFY(empty.open().ok() && empty.bof() && empty.eof() && empty.recordCount() == 0);
        QCOMPARE(empty.value(u"ComputerName"_s).status.error, DbError::NoCurrentRecord);
        QCOMPARE(empty.deleteCurrent().error, DbError::NoCurrentRecord);
        for (const QString& n : {u"b"_s, u"a"_s, u"c"_s})
            folder.addDevice(n);
        BrowseSet set(folder.databasePath(), u"ComputerPingList"_s, u"ComputerName, ID"_s);
        QVERIFY(set.open().ok());
        QString walk = set.text(u"ComputerName"_s);
        set.moveNext();
        walk += set.text(u"ComputerName"_s);
        set.moveLast();
        walk += set.text(u"ComputerName"_s);
        set.moveNext();
        set.moveNext(); // stays after the last
        QVERIFY(set.eof() && walk == u"abc"_s);
        set.moveFirst();
        set.movePrevious();
        QVERIFY(set.bof());
        // Change the first row; columns that are not there or are the key are refused.
        set.moveFirst();
        QVERIFY(set.setValue(u"EmailWhenDown"_s, u"x@y.invalid"_s).ok() && set.update().ok());
        QVERIFY(!set.setValue(u"NoSuchColumn"_s, 1).ok() && !set.setValue(u"ID"_s, 99).ok());
        // A new row becomes the current one; a requery puts it in name order and keeps it.
        set.addNew();
        QVERIFY(set.setValue(u"ComputerName"_s, u"0-new'one"_s).ok() && set.update().ok());
        const qint64 newId = set.value(u"ID"_s).value.toLongLong();
        QVERIFY(newId > 0 && set.requery().ok() && set.position() == 0);
        QCOMPARE(set.value(u"ID"_s).value.toLongLong(), newId);
        // Deleting it moves the cursor onto the row that followed.
        QVERIFY(set.deleteCurrent().ok());
        QCOMPARE(set.text(u"ComputerName"_s), u"a"_s);
        // Moving away drops an edit that was not written.
        QVERIFY(set.setValue(u"ComputerName"_s, u"dropped"_s).ok());
        set.moveNext();
        QVERIFY(!set.editPending() && set.setValue(u"ComputerName"_s, u"dropped"_s).ok());
        set.movePrevious();
        QVERIFY(!set.editPending() && set.text(u"ComputerName"_s) == u"a"_s);
        QCOMPARE(
            folder.select(u"SELECT ComputerName || '/' || EmailWhenDown FROM ComputerPingList"_s),
            (QStringList{u"b/"_s, u"a/x@y.invalid"_s, u"c/"_s}));
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
