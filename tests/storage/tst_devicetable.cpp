// The device list: order, hostile names, status writes, nulls and booleans.
#include "TestProgramFolder.h"
#include "storage/DeviceTable.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestDeviceTable : public QObject {
    Q_OBJECT

  private:
    static QStringList names(const QList<DeviceRecord>& records) {
        QStringList out;
        for (const auto& r : records)
            out << r.computerName;
        return out;
    }

  private Q_SLOTS:
    void emptyTable() {
        TestProgramFolder folder;
        DeviceTable table(folder.databasePath());
        QCOMPARE(table.allByName().value.size(), 0);
        QCOMPARE(table.countEnabled().value, 0);
        QCOMPARE(table.enabledAt(0).status.error, DbError::NoCurrentRecord);
        QCOMPARE(table.updateStatus(u"nobody"_s, u"x"_s).error, DbError::NoCurrentRecord);
    }

    void orderIgnoresLetterCaseAndListsDisabled() {
        TestProgramFolder folder;
        for (const QString& n :
             {u"bravo"_s, u"Alpha"_s, u"charlie"_s, u"alpha2"_s, u"ZULU"_s, u"delta"_s})
            folder.addDevice(n, n == u"charlie"_s);
        DeviceTable table(folder.databasePath());
        QCOMPARE(names(table.allByName().value),
                 (QStringList{u"Alpha"_s, u"alpha2"_s, u"bravo"_s, u"charlie"_s, u"delta"_s,
                              u"ZULU"_s}));
        QCOMPARE(table.countEnabled().value, 5);
        QStringList walk;
        for (int i = 0; i < 5; ++i)
            walk << table.enabledAt(i).value.computerName;
        QCOMPARE(walk, (QStringList{u"Alpha"_s, u"alpha2"_s, u"bravo"_s, u"delta"_s, u"ZULU"_s}));
        QCOMPARE(table.enabledAt(5).status.error, DbError::NoCurrentRecord);
    }

    void hostileNames_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("quote") << u"O'Brien"_s;
        QTest::newRow("quote and statement") << u"O'Brien; DROP TABLE ComputerPingList; --"_s;
        QTest::newRow("double quotes") << u"\"host\" OR 1=1"_s;
        QTest::newRow("300 characters") << QString(300, u'x');
        QTest::newRow("newline") << u"line1\nline2"_s;
        QTest::newRow("percent and underscore") << u"a%_b"_s;
        QTest::newRow("non-ASCII") << u"Drucker-Büro-Ø"_s;
        QTest::newRow("leading dash") << u"-f"_s;
    }

    void hostileNames() {
        QFETCH(QString, name);
        TestProgramFolder folder;
        folder.addDevice(u"aaa-before"_s);
        folder.addDevice(name);
        folder.addDevice(u"zzz-after"_s);
        DeviceTable table(folder.databasePath());

        QVERIFY(table.updateStatus(name, u"Percentage Lost 25%"_s).ok());
        QVERIFY(table.updateActionTaken(name, u"Nothing For Now"_s).ok());

        const auto all = table.allByName();
        QVERIFY(all.ok());
        QCOMPARE(all.value.size(), 3);
        int found = 0;
        for (const DeviceRecord& d : all.value) {
            if (d.computerName == name) {
                ++found;
                QCOMPARE(d.status, u"Percentage Lost 25%"_s);
                QCOMPARE(d.actionTaken, u"Nothing For Now"_s);
            } else {
                QCOMPARE(d.status, QString());
                QCOMPARE(d.actionTaken, QString());
            }
        }
        QCOMPARE(found, 1);
        QCOMPARE(table.countEnabled().value, 3);
    }

    void sameNameTwiceChangesTheFirstOnly() {
        TestProgramFolder folder;
        const qint64 first = folder.addDevice(u"printer"_s);
        const qint64 second = folder.addDevice(u"printer"_s);
        DeviceTable table(folder.databasePath());
        QVERIFY(table.updateStatus(u"printer"_s, u"Device Is Slow"_s).ok());
        for (const DeviceRecord& d : table.allByName().value) {
            if (d.id == first)
                QCOMPARE(d.status, u"Device Is Slow"_s);
            if (d.id == second)
                QCOMPARE(d.status, QString());
        }
    }

    void nullsAndStoredBooleans() {
        TestProgramFolder folder;
        folder.execSql(
            u"INSERT INTO ComputerPingList (ComputerName, EmailWhenDown, MaxAverage, Disabled,"
            u" Status, ActionTaken) VALUES ('nulls', NULL, NULL, 0, NULL, NULL)"_s);
        folder.execSql(
            u"INSERT INTO ComputerPingList (ComputerName, Disabled) VALUES ('minus-one', -1)"_s);
        DeviceTable table(folder.databasePath());
        const auto all = table.allByName().value;
        QCOMPARE(all.size(), 2);
        QCOMPARE(all.at(0).computerName, u"minus-one"_s);
        QVERIFY(all.at(0).disabled);
        QCOMPARE(all.at(1).status, QString());
        QCOMPARE(all.at(1).maxAverage, QString());
        QVERIFY(!all.at(1).disabled);
        QCOMPARE(table.countEnabled().value, 1);
        QCOMPARE(table.enabledAt(0).value.computerName, u"nulls"_s);
    }
};

QTEST_GUILESS_MAIN(TestDeviceTable)
#include "tst_devicetable.moc"
