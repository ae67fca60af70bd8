// The monitoring database: repairs, the interval rule, the job table's kinds and reads, and
// writes to rows that have gone. Refused files: tst_form1; the file's mode: tst_faults.
#include "TestProgramFolder.h"
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
        TestProgramFolder folder;
        folder.addDevice(u"kept"_s);
        folder.execSql(u"UPDATE SMTPsettings SET ServerName = 'kept.invalid'"_s);
        for (const QString& sql : damage.split(u';', Qt::SkipEmptyParts))
            sql == u"remove" ? void(QFile::remove(folder.databasePath())) : folder.execSql(sql);
        const DbStatus status = Schema::ensure(folder.databasePath());
        QVERIFY2(status.ok(), qPrintable(status.detail));
        QStringList got; // each statement's rows, "|" between values
        for (const QString& sql :
             {u"SELECT COUNT(*), * FROM Settings"_s,
              u"SELECT COUNT(*), SMTPport, ServerName FROM SMTPsettings"_s,
              u"SELECT COUNT(*) FROM ComputerPingList"_s,
              u"SELECT COUNT(*) FROM sqlite_master WHERE name LIKE 'ComputerPingList%ByName'"_s})
            got += folder.select(sql);
        QTEST(got.join(u' '), "left");
    }

    // A stored interval: its leading whole number, and whether the cycles can keep it.
    void numbers() {
        QStringList got;
        for (const QString& t : u"15| 5 |32767|32768|99999999999|0|-1|7min|1.5|abc|"_s.split(u'|'))
            got << u"%1:%2"_s.arg(leadingWholeNumber(t)).arg(intervalMinutes(t).value_or(0));
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
            const QStringList k = row.split(u'|');
            JobRecord j;
            j.computerName = k[0], j.filePathToCheck = k[1];
            j.checkIfFileExistFolder = k[2], j.checkIfDriveExistPCName = k[3];
            got += u"SAED"_s.at(int(kindOf(j)));
        }
        QCOMPARE(got, u"SAEDDEAS"_s);
    }

    // The enabled jobs in the monitor's order (no PC name first) with their flags; a position
    // past the last, or a device row that has gone, is no row, not a failure.
    void rowsAndGoneRows() {
        TestProgramFolder folder;
        folder.execSql(u"INSERT INTO Services (ComputerName, RestartService6, Disabled) VALUES"
                       " ('pc9', 1, 1), ('SERVER''1', 1, 0), (NULL, 0, 0)"_s);
        JobTable table(folder.databasePath());
        QCOMPARE(table.countAll().value, 3);
        QCOMPARE(table.countEnabled().value, 2);
        QCOMPARE(table.enabledAt(0).value.restartService, (std::array<bool, 6>{}));
        QCOMPARE(table.enabledAt(1).value.computerName, u"SERVER'1"_s);
        QCOMPARE(table.enabledAt(1).value.restartService[5], true);
        QCOMPARE(table.enabledAt(2).status.error, DbError::NoCurrentRecord);
        QCOMPARE(DeviceTable(folder.databasePath()).writeOutcome(99, u"x"_s, u"y"_s).error,
                 DbError::NoCurrentRecord);
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
