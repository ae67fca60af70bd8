// The job table: kinds, round trips and the browse set the editors use.
#include "TestProgramFolder.h"
#include "storage/BrowseSet.h"
#include "storage/JobTable.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestJobTable : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void kindOrder_data() {
        QTest::addColumn<QString>("pc");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("drivePc");
        QTest::addColumn<int>("kind");
        QTest::newRow("service") << u"pc1"_s << QString() << QString() << QString()
                                 << int(JobKind::Service);
        QTest::newRow("file age") << QString() << u"M:\\a.log"_s << QString() << QString()
                                  << int(JobKind::FileAge);
        QTest::newRow("file exists")
            << QString() << QString() << u"\\\\pc\\c$"_s << QString() << int(JobKind::FileExists);
        QTest::newRow("drive letter")
            << QString() << QString() << QString() << u"pc2"_s << int(JobKind::DriveLetter);
        QTest::newRow("folder wins over all")
            << u"pc"_s << u"p"_s << u"f"_s << u"d"_s << int(JobKind::FileExists);
    }

    void kindOrder() {
        QFETCH(QString, pc);
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QFETCH(QString, drivePc);
        QFETCH(int, kind);
        JobRecord j;
        j.computerName = pc;
        j.filePathToCheck = path;
        j.checkIfFileExistFolder = folder;
        j.checkIfDriveExistPCName = drivePc;
        QCOMPARE(int(kindOf(j)), kind);
    }

    void roundTripAndOrder() {
        TestProgramFolder folder;
        JobTable table(folder.databasePath());
        JobRecord service;
        service.computerName = u"SERVER'1"_s;
        service.service = {u"Spooler"_s, u"W32Time"_s, {}, {}, {}, u"Last"_s};
        service.restartService = {true, false, false, false, false, true};
        service.alwaysRestartThisService = u"Spooler"_s;
        service.adminUserName = u"DOM\\admin"_s;
        service.adminPassword = u"p'; --"_s;
        service.emailWhenDown = u"a@x.invalid;b@x.invalid"_s;
        JobRecord drive;
        drive.checkIfDriveExistPCName = u"pc9"_s;
        drive.checkIfDriveExistDriveLetter = u"E"_s;
        drive.checkIfDriveExistEmailIfIssue = u"ops@x.invalid"_s;
        JobRecord disabled = drive;
        disabled.disabled = true;
        QVERIFY(table.insert(service).ok());
        QVERIFY(table.insert(drive).ok());
        QVERIFY(table.insert(disabled).ok());

        QCOMPARE(table.countAll().value, 3);
        QCOMPARE(table.countEnabled().value, 2);
        const auto enabled = table.enabledByName();
        QVERIFY(enabled.ok());
        QCOMPARE(enabled.value.size(), 2);
        // An empty ComputerName sorts before every service job.
        QCOMPARE(int(kindOf(enabled.value.at(0))), int(JobKind::DriveLetter));
        const JobRecord& back = enabled.value.at(1);
        QCOMPARE(back.computerName, service.computerName);
        QCOMPARE(back.service, service.service);
        QCOMPARE(back.restartService, service.restartService);
        QCOMPARE(back.adminPassword, service.adminPassword);
        QCOMPARE(back.emailWhenDown, service.emailWhenDown);
        QCOMPARE(table.enabledAt(1).value.computerName, service.computerName);
        QCOMPARE(table.enabledAt(2).status.error, DbError::NoCurrentRecord);
    }

    void unsetBooleansReadFalse() {
        TestProgramFolder folder;
        folder.execSql(u"INSERT INTO Services (ComputerName) VALUES ('pc')"_s);
        const auto all = JobTable(folder.databasePath()).allByName();
        QCOMPARE(all.value.size(), 1);
        QCOMPARE(all.value.at(0).restartService, (std::array<bool, 6>{}));
        QVERIFY(!all.value.at(0).disabled);
        QCOMPARE(all.value.at(0).service.at(0), QString());
    }

    void browseEmptySet() {
        TestProgramFolder folder;
        BrowseSet set(folder.databasePath(), u"Services"_s, u"ComputerName, ID"_s);
        QVERIFY(set.open().ok());
        QCOMPARE(set.recordCount(), 0);
        QVERIFY(set.bof());
        QVERIFY(set.eof());
        QCOMPARE(set.value(u"ComputerName"_s).status.error, DbError::NoCurrentRecord);
        QCOMPARE(set.deleteCurrent().error, DbError::NoCurrentRecord);
    }

    void browseMoveAddUpdateDelete() {
        TestProgramFolder folder;
        for (const QString& n : {u"b"_s, u"a"_s, u"c"_s})
            folder.addDevice(n);
        BrowseSet set(folder.databasePath(), u"ComputerPingList"_s, u"ComputerName, ID"_s);
        QVERIFY(set.open().ok());
        QCOMPARE(set.recordCount(), 3);
        QCOMPARE(set.text(u"ComputerName"_s), u"a"_s);
        set.moveNext();
        QCOMPARE(set.text(u"ComputerName"_s), u"b"_s);
        set.moveLast();
        QCOMPARE(set.text(u"ComputerName"_s), u"c"_s);
        set.moveNext();
        QVERIFY(set.eof());
        set.moveNext(); // stays after the last
        QVERIFY(set.eof());
        set.moveFirst();
        set.movePrevious();
        QVERIFY(set.bof());

        // Change the first row.
        set.moveFirst();
        QVERIFY(set.setValue(u"EmailWhenDown"_s, u"x@y.invalid"_s).ok());
        QCOMPARE(set.text(u"EmailWhenDown"_s), u"x@y.invalid"_s);
        QVERIFY(set.update().ok());
        QCOMPARE(DeviceTable(folder.databasePath()).allByName().value.at(0).emailWhenDown,
                 u"x@y.invalid"_s);
        QVERIFY(!set.setValue(u"NoSuchColumn"_s, 1).ok());
        QVERIFY(!set.setValue(u"ID"_s, 99).ok());

        // A new row becomes the current one.
        set.addNew();
        QCOMPARE(set.text(u"ComputerName"_s), QString());
        QVERIFY(set.setValue(u"ComputerName"_s, u"0-new'one"_s).ok());
        QVERIFY(set.setValue(u"Disabled"_s, 1).ok());
        QVERIFY(set.update().ok());
        QCOMPARE(set.recordCount(), 4);
        QCOMPARE(set.text(u"ComputerName"_s), u"0-new'one"_s);
        QVERIFY(boolOf(set.value(u"Disabled"_s).value));
        const qint64 newId = set.value(u"ID"_s).value.toLongLong();
        QVERIFY(newId > 0);

        // A requery puts it in name order and keeps it current.
        QVERIFY(set.requery().ok());
        QCOMPARE(set.position(), 0);
        QCOMPARE(set.value(u"ID"_s).value.toLongLong(), newId);

        // Delete it: the cursor moves onto the row that followed.
        QVERIFY(set.deleteCurrent().ok());
        QCOMPARE(set.recordCount(), 3);
        QCOMPARE(set.text(u"ComputerName"_s), u"a"_s);
        QCOMPARE(DeviceTable(folder.databasePath()).allByName().value.size(), 3);

        // Moving away drops an edit that was not written.
        QVERIFY(set.setValue(u"ComputerName"_s, u"dropped"_s).ok());
        set.moveNext();
        set.movePrevious();
        QCOMPARE(set.text(u"ComputerName"_s), u"a"_s);
    }
};

QTEST_GUILESS_MAIN(TestJobTable)
#include "tst_jobtable.moc"
