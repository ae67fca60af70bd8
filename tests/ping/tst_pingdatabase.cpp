// The ping monitor against a database that is not as it should be: another program holding it
// locked for a while (ridden out) or past the limit (the database-failure outcome), at Start,
// at the read of the walk position and at the write of an outcome; and rows that only their
// key tells apart (no name, a name that is not UTF-8, names that differ in letter case).
#include "CycleFixture.h"
#include "WindowChecks.h"

#include "app/DatabaseTrap.h"

using namespace Qt::Literals::StringLiterals;
using namespace cycletest;
using namespace std::chrono_literals;

class TestPingDatabase : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    void locked_data() {
        QTest::addColumn<QString>("when");
        QTest::addColumn<bool>("released");
        for (const QString& when : {u"Start"_s, u"read"_s, u"write"_s}) {
            QTest::addRow("%s, locked for a while", qPrintable(when)) << when << true;
            QTest::addRow("%s, locked past the limit", qPrintable(when)) << when << false;
        }
    }

    void locked() {
        QFETCH(QString, when);
        QFETCH(bool, released);
        CycleFixture<> fx;
        fx.folder.ctx.setLockedRetryLimit(released ? 10min : 200ms);
        const qint64 id = fx.addDevice(u"pc1"_s);
        fx.runner->outputs = {iputilsOutput(u"pc1"_s, 4, 3)};
        fx.load();
        std::unique_ptr<DbLock> lock;
        if (when == u"Start")
            lock = std::make_unique<DbLock>(fx.folder.databasePath());
        fx.click(u"Command1"_s);
        if (when == u"read")
            lock = std::make_unique<DbLock>(fx.folder.databasePath());
        fx.form->Timer1_Timer();
        if (when == u"write") {
            QTRY_VERIFY(fx.cycle().resultPending());
            lock = std::make_unique<DbLock>(fx.folder.databasePath());
            fx.form->Timer2_Timer();
        }
        if (!released) {
            QTRY_COMPARE(fx.folder.endedWith, QList<int>{1});
            QCOMPARE(fx.folder.dialogs().shown.size(), 1);
            const auto& box = fx.folder.dialogs().shown.at(0);
            QCOMPARE(box.icon, DialogIcon::Critical);
            QCOMPARE(box.title, u"Database Error"_s);
            QCOMPARE(box.text, u"The monitoring database could not be read or written (the "
                               u"database is locked by another program). This application will "
                               u"now close."_s);
            lock.reset();
            QCOMPARE(fx.row(id), (QStringList{QString(), QString()}));
            QVERIFY(!fx.timerActive(u"Timer1"_s) && !fx.timerActive(u"Timer2"_s));
            return;
        }
        // The window keeps its event loop while the lock lasts; then the run goes on.
        QTRY_VERIFY(DbLock::retried());
        lock->release();
        if (when == u"Start") {
            QTRY_VERIFY(fx.timerActive(u"Timer1"_s));
            fx.form->Timer1_Timer();
        }
        QTRY_VERIFY(!fx.cycle().probeRunning());
        if (when != u"write")
            fx.form->Timer2_Timer();
        QTRY_VERIFY(fx.timerActive(u"Timer1"_s));
        QCOMPARE(fx.row(id), (QStringList{u"Percentage Lost 25%"_s, u"Nothing For Now"_s}));
        QVERIFY(fx.folder.dialogs().shown.isEmpty());
        QVERIFY(fx.folder.endedWith.isEmpty());
    }

    void writtenByKey_data() {
        QTest::addColumn<QString>("insert"); // the names of three devices, as SQL
        QTest::newRow("no name") << u"(NULL), ('alpha'), ('beta')"_s;
        QTest::newRow("a name that is not UTF-8") << u"(CAST(X'70C3' AS TEXT)), ('a'), ('b')"_s;
        QTest::newRow("names that differ in letter case") << u"('pc1'), ('PC1'), ('Pc1')"_s;
    }

    void writtenByKey() {
        QFETCH(QString, insert);
        CycleFixture<> fx;
        fx.folder.execSql(u"INSERT INTO ComputerPingList (ComputerName) VALUES "_s + insert);
        fx.runner->outputs = {iputilsOutput(u"x"_s, 4, 3), iputilsOutput(u"x"_s, 4, 2),
                              iputilsOutput(u"x"_s, 4, 0)};
        fx.load();
        fx.click(u"Command1"_s);
        for (int i = 0; i < 3; ++i)
            QVERIFY(fx.tick());
        // Each probe's outcome is on the row it probed, whatever its name.
        QStringList statuses;
        for (qint64 id = 1; id <= 3; ++id)
            statuses << fx.row(id).at(0);
        statuses.sort();
        QCOMPARE(statuses, (QStringList{u"Percentage Lost 100%"_s, u"Percentage Lost 25%"_s,
                                        u"Percentage Lost 50%"_s}));
        QCOMPARE(fx.folder.dialogs().shown.size(), 0);
    }
};

QTEST_MAIN(TestPingDatabase)
#include "tst_pingdatabase.moc"
