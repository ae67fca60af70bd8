// The ping monitor's cycle on the main window: Start, Stop, Pause and Resume, the countdown
// and result ticks, the walk over the enabled devices, the labels, buttons, menus and messages.
// The timers' handlers are called directly; `ping` answers from canned outputs.
#include "CycleFixture.h"
#include "WindowChecks.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;
using namespace cycletest;

namespace {

using Fixture = CycleFixture<FakeCommandRunner>;

int selectedRow(QTreeWidget* list) {
    const auto items = list->selectedItems();
    return items.size() == 1 ? list->indexOfTopLevelItem(items.first()) : -1;
}

bool menusEnabled(Form1& form) {
    const bool edit = form.mnuEdit->menuAction()->isEnabled();
    const bool settings = form.mnuSettingsMain->menuAction()->isEnabled();
    if (edit != settings)
        qWarning("the Edit and Settings menus differ");
    return edit && settings;
}

// One Timer1 tick; when it began a probe, the result tick follows once the probe is back.
// Returns whether a probe ran.
bool tick(Fixture& fx) {
    const qsizetype before = fx.runner->calls.size();
    fx.form->Timer1_Timer();
    if (fx.runner->calls.size() == before)
        return false;
    if (!QTest::qWaitFor([&] { return fx.form->Timer2->isActive(); }))
        qWarning("the probe did not come back");
    fx.form->Timer2_Timer();
    if (!QTest::qWaitFor([&] { return fx.form->Timer1->isActive(); }))
        qWarning("the result was not handled");
    return true;
}

const QString kNoDevicesText =
    u"You don't have any devices setup yet! Before you can start to automatically ping your "
    u"network devices you must add devices to the database by clicking on the Edit menu then "
    u"click Edit Ping Database. You can add Computers, Printers, or any device that can be "
    u"pinged on the network in any combination."_s;

} // namespace

class TestPingCycle : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    void startWithoutEnabledDevices_data() {
        QTest::addColumn<QStringList>("disabledDevices");
        QTest::newRow("empty table") << QStringList{};
        QTest::newRow("only disabled devices") << QStringList{u"off1"_s, u"off2"_s};
    }

    void startWithoutEnabledDevices() {
        QFETCH(QStringList, disabledDevices);
        Fixture fx;
        for (const QString& name : disabledDevices)
            fx.addDevice(name, {}, {}, true);
        Form1& form = fx.load();
        form.Command1->click();

        QCOMPARE(fx.folder.dialogs().shown.size(), 1);
        const auto& box = fx.folder.dialogs().shown.at(0);
        QCOMPARE(box.icon, DialogIcon::Critical);
        QCOMPARE(box.title, u"No Devices In Database"_s);
        QCOMPARE(box.text, kNoDevicesText);
        QCOMPARE(form.focusWidget(), form.Text1);
        // Nothing else changes.
        QVERIFY(form.Command1->isEnabled());
        QVERIFY(!form.Command2->isEnabled());
        QVERIFY(!form.Command3->isEnabled());
        QVERIFY(!form.Timer1->isActive());
        QVERIFY(!form.Timer2->isActive());
        QVERIFY(!form.publicValues().blForm1isRunning);
        QVERIFY(menusEnabled(form));
        QCOMPARE(form.Label3->text(), QString());
        QCOMPARE(form.Label4->text(), QString());
        QCOMPARE(fx.cycle().deviceCount(), 0);
        QVERIFY(fx.folder.endedWith.isEmpty());
    }

    void startPreparesTheRun() {
        Fixture fx(5);
        fx.addDevice(u"charlie"_s);
        fx.addDevice(u"alpha"_s);
        fx.addDevice(u"beta-off"_s, {}, {}, true);
        fx.addDevice(u"Bravo"_s);
        Form1& form = fx.load();
        form.ListView1->setCurrentItem(form.ListView1->topLevelItem(3));
        form.Command1->click();

        QVERIFY(fx.folder.dialogs().shown.isEmpty());
        QVERIFY(form.Label3->isVisibleTo(&form));
        QCOMPARE(form.Label3->text(), u"Preparing, Please Wait.... Waiting For Timer"_s);
        QCOMPARE(form.Label4->text(), u"Devices To Ping = 3"_s);
        QCOMPARE(form.Label1->text(), QString());
        QCOMPARE(form.Label5->text(), QString());
        QVERIFY(!form.Command1->isEnabled());
        QVERIFY(form.Command2->isEnabled());
        QVERIFY(form.Command3->isEnabled());
        QCOMPARE(form.Command3->toolTip(), u"Click here to Pause the Ping process"_s);
        QVERIFY(!form.mnuEdit->menuAction()->isEnabled());
        QVERIFY(!form.mnuSettingsMain->menuAction()->isEnabled());
        QVERIFY(form.mnuServices->menuAction()->isEnabled());
        QVERIFY(form.publicValues().blForm1isRunning);
        QVERIFY(!form.pingCycle().paused());
        QVERIFY(form.Timer1->isActive());
        QCOMPARE(form.Timer1->interval(), 60000);
        QVERIFY(!form.Timer2->isActive());
        QCOMPARE(fx.cycle().deviceCount(), 3);
        QCOMPARE(fx.cycle().interval(), 5);
        QCOMPARE(fx.cycle().countdown(), 4);
        QCOMPARE(form.pingCycle().walkPosition(), 0);
        QCOMPARE(selectedRow(form.ListView1), 0);
        QCOMPARE(form.focusWidget(), form.ListView1);
        QVERIFY(fx.runner->calls.isEmpty());
    }

    void walkAndWrap_data() {
        QTest::addColumn<int>("interval");
        QTest::addColumn<QList<int>>("probeTicks");
        QTest::addColumn<QStringList>("countdownLines");
        QTest::newRow("interval 1") << 1 << QList<int>{1, 2, 3, 4}
                                    << QStringList{u"Less Than 1 minute until the next one"_s,
                                                   u"Less Than 1 minute until the next one"_s,
                                                   u"Less Than 1 minute until the next one"_s,
                                                   u"Less Than 1 minute until the next one"_s};
        QStringList five;
        five << u"Less Than 5 minutes until the next one"_s;
        for (int round = 0; round < 3; ++round) {
            five << u"Less Than 4 minutes until the next one"_s
                 << u"Less Than 3 minutes until the next one"_s
                 << u"Less Than 2 minutes until the next one"_s
                 << u"Less Than 1 minute until the next one"_s
                 << u"Less Than 5 minutes until the next one"_s;
        }
        QTest::newRow("interval 5") << 5 << QList<int>{1, 6, 11, 16} << five;
    }

    void walkAndWrap() {
        QFETCH(int, interval);
        QFETCH(QList<int>, probeTicks);
        QFETCH(QStringList, countdownLines);
        Fixture fx(interval);
        fx.addDevice(u"charlie"_s);
        fx.addDevice(u"alpha"_s);
        fx.addDevice(u"beta-off"_s, {}, {}, true);
        fx.addDevice(u"Bravo"_s);
        fx.runner->outputs = {iputilsOutput(u"host"_s, 4, 4)};
        Form1& form = fx.load();
        form.Command1->click();

        QList<int> ticks;
        QStringList hosts;
        QStringList labels1;
        QStringList progress;
        QList<int> selections;
        for (int t = 1; t <= probeTicks.last(); ++t) {
            if (tick(fx)) {
                ticks << t;
                hosts << fx.runner->calls.last().last();
                progress << form.Label5->text();
                selections << selectedRow(form.ListView1);
                QCOMPARE(form.Label3->text(), lossLine(fx.runner->calls.last().last(), u"0"_s));
                QVERIFY(form.Timer1->isActive());
                QCOMPARE(form.Timer1->interval(), 60000);
                QVERIFY(!form.Timer2->isActive());
            }
            labels1 << form.Label1->text();
        }
        QCOMPARE(ticks, probeTicks);
        QCOMPARE(hosts, (QStringList{u"alpha"_s, u"Bravo"_s, u"charlie"_s, u"alpha"_s}));
        QCOMPARE(progress,
                 (QStringList{u"Pinged Device (1) of (3)"_s, u"Pinged Device (2) of (3)"_s,
                              u"Pinged Device (3) of (3)"_s, u"Pinged Device (1) of (3)"_s}));
        QCOMPARE(labels1, countdownLines);
        // The list selects the row of the walk position, counted over the whole list (the
        // disabled device included), as the list refresh always did.
        QCOMPARE(selections, (QList<int>{1, 2, 3, 1}));
        for (const QStringList& argv : fx.runner->calls)
            QCOMPARE(argv.mid(0, 6),
                     (QStringList{u"ping"_s, u"-c"_s, u"4"_s, u"-W"_s, u"4"_s, u"--"_s}));
        // The disabled device is never pinged and never written.
        QCOMPARE(fx.statusColumn(),
                 (QStringList{u"Percentage Lost 0%"_s, u""_s, u"Percentage Lost 0%"_s,
                              u"Percentage Lost 0%"_s}));
        QCOMPARE(fx.listColumn(1), fx.statusColumn());
        QCOMPARE(fx.listColumn(2), fx.actionColumn());
        QCOMPARE(fx.actionColumn().at(0), pingOkAt2105());
        QVERIFY(fx.folder.dialogs().shown.isEmpty());
    }

    void probeSetsTheLinesAndTheTimers() {
        Fixture fx(2);
        fx.addDevice(u"pc1"_s, u"ops@site.invalid"_s, u"40"_s);
        fx.runner->outputs = {iputilsOutput(u"pc1"_s, 4, 4)};
        Form1& form = fx.load();
        form.Command1->click();
        // Keep the result waiting: the probe's lines stay until the result tick.
        form.Timer1_Timer();
        QCOMPARE(fx.cycle().countdown(), 0);
        QVERIFY(!form.Timer1->isActive());
        QVERIFY(form.Timer2->isActive());
        QCOMPARE(form.Timer2->interval(), 3000);
        QCOMPARE(form.Label1->text(), u"Less Than 2 minutes until the next one"_s);
        QCOMPARE(form.Label3->text(), u"Pinging - pc1, Please Wait...."_s);
        QCOMPARE(form.Label5->text(), u"Pinging Device (1) of (1)"_s);
        QCOMPARE(form.publicValues().PCnameToEmail, u"pc1"_s);
        QCOMPARE(form.publicValues().EmailAddress, u"ops@site.invalid"_s);
        QCOMPARE(form.publicValues().AverageReturn, u"40"_s);
        QVERIFY(form.pingCycle().hasMaxAverage());
        QCOMPARE(form.pingCycle().walkPosition(), 1);
        QVERIFY(fx.cycle().resultPending());
        QCOMPARE(fx.runner->calls, (QList<QStringList>{{u"ping"_s, u"-c"_s, u"4"_s, u"-W"_s, u"4"_s,
                                                        u"--"_s, u"pc1"_s}}));
        // Timer1 is off while the result waits: a tick changes nothing.
        form.Timer1_Timer();
        QCOMPARE(fx.cycle().countdown(), 0);
        QCOMPARE(fx.runner->calls.size(), 1);
        // Nothing was written before the result tick.
        QCOMPARE(fx.statusColumn(), QStringList{QString()});
    }

    void stopAndStartAgain() {
        Fixture fx;
        fx.addDevice(u"a1"_s);
        fx.addDevice(u"a2"_s);
        fx.addDevice(u"a3"_s);
        fx.runner->outputs = {iputilsOutput(u"host"_s, 4, 4)};
        Form1& form = fx.load();
        form.Command1->click();
        QVERIFY(tick(fx));
        QVERIFY(tick(fx));
        form.Command2->click();

        QCOMPARE(form.focusWidget(), form.Text1);
        QVERIFY(form.Command1->isEnabled());
        QVERIFY(!form.Command2->isEnabled());
        QVERIFY(form.Command3->isEnabled()); // keeps its state
        QVERIFY(!form.Timer1->isActive());
        QVERIFY(!form.Timer2->isActive());
        for (QLabel* label : {form.Label1, form.Label3, form.Label4, form.Label5})
            QCOMPARE(label->text(), QString());
        QVERIFY(!form.Label3->isVisibleTo(&form));
        QVERIFY(!form.publicValues().blForm1isRunning);
        QVERIFY(!form.pingCycle().paused());
        QVERIFY(menusEnabled(form));
        // The walk is kept until the next Start.
        QCOMPARE(form.pingCycle().walkPosition(), 2);
        form.Timer1_Timer();
        QCOMPARE(fx.runner->calls.size(), 2);

        // Start again: the count is read anew and the walk begins at the first device.
        fx.addDevice(u"a0"_s);
        form.Command1->click();
        QCOMPARE(form.Label4->text(), u"Devices To Ping = 4"_s);
        QVERIFY(form.Label3->isVisibleTo(&form));
        QCOMPARE(form.Label3->text(), u"Preparing, Please Wait.... Waiting For Timer"_s);
        QVERIFY(tick(fx));
        QCOMPARE(fx.runner->calls.last().last(), u"a0"_s);
        QVERIFY(tick(fx));
        QCOMPARE(fx.runner->calls.last().last(), u"a1"_s);
        QCOMPARE(form.Label5->text(), u"Pinged Device (2) of (4)"_s);
    }

    void pauseAndResume() {
        Fixture fx(5);
        fx.addDevice(u"a1"_s);
        fx.addDevice(u"a2"_s);
        fx.runner->outputs = {iputilsOutput(u"host"_s, 4, 4)};
        Form1& form = fx.load();
        form.Command1->click();
        QVERIFY(tick(fx));  // a1
        QVERIFY(!tick(fx)); // countdown 1
        QCOMPARE(form.Label1->text(), u"Less Than 4 minutes until the next one"_s);

        form.Command3->click(); // Pause
        QCOMPARE(form.Label1->text(), QString());
        QCOMPARE(form.focusWidget(), form.Text1);
        QVERIFY(!form.Timer1->isActive());
        QVERIFY(!form.Timer2->isActive());
        QVERIFY(!form.publicValues().blForm1isRunning);
        QVERIFY(form.pingCycle().paused());
        QVERIFY(menusEnabled(form));
        QCOMPARE(form.Command3->toolTip(), u"Click here again to Resume the Ping process"_s);
        QVERIFY(!form.Command1->isEnabled());
        QVERIFY(form.Command2->isEnabled());
        QCOMPARE(fx.cycle().countdown(), 1);
        QCOMPARE(form.pingCycle().walkPosition(), 1);
        // The device editor is refused while paused.
        form.mnuPingList->trigger();
        QCOMPARE(fx.folder.dialogs().shown.size(), 1);
        QCOMPARE(fx.folder.dialogs().shown.at(0).title, u"Read Me"_s);
        // A paused cycle does not count.
        form.Timer1_Timer();
        QCOMPARE(fx.cycle().countdown(), 1);

        form.Command3->click(); // Resume
        QVERIFY(!form.pingCycle().paused());
        QVERIFY(form.publicValues().blForm1isRunning);
        QVERIFY(!menusEnabled(form));
        QCOMPARE(form.Command3->toolTip(), u"Click here again to Pause the Ping process"_s);
        QVERIFY(form.Timer1->isActive());
        QCOMPARE(form.Timer1->interval(), 30000);
        QVERIFY(!form.Timer2->isActive());
        QCOMPARE(form.focusWidget(), form.Text1);

        // The countdown goes on from where it was, in half-minute steps; Label1 stays empty
        // until the next probe.
        QStringList lines;
        QList<int> countdowns;
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!tick(fx));
            lines << form.Label1->text();
            countdowns << fx.cycle().countdown();
        }
        QCOMPARE(lines, (QStringList{QString(), QString(), QString()}));
        QCOMPARE(countdowns, (QList<int>{2, 3, 4}));
        QVERIFY(tick(fx));
        QCOMPARE(fx.runner->calls.last().last(), u"a2"_s);
        QCOMPARE(form.Label1->text(), u"Less Than 5 minutes until the next one"_s);
        QCOMPARE(form.Timer1->interval(), 30000);
        QVERIFY(!tick(fx));
        QCOMPARE(form.Label1->text(), u"Less Than 4 minutes until the next one"_s);

        // The next Start goes back to whole minutes.
        form.Command2->click();
        form.Command1->click();
        QCOMPARE(form.Timer1->interval(), 60000);
    }

    void pauseWhileTheResultWaitsDropsIt() {
        Fixture fx;
        fx.addDevice(u"a1"_s);
        fx.addDevice(u"a2"_s);
        fx.runner->outputs = {iputilsOutput(u"a1"_s, 4, 0), iputilsOutput(u"a2"_s, 4, 4)};
        Form1& form = fx.load();
        form.Command1->click();
        form.Timer1_Timer();
        QVERIFY(form.Timer2->isActive());
        QVERIFY(fx.cycle().resultPending());

        form.Command3->click(); // Pause
        QVERIFY(!form.Timer2->isActive());
        QVERIFY(!fx.cycle().resultPending());
        form.Timer2_Timer();
        form.Command3->click(); // Resume: Timer2 stays off
        QVERIFY(!form.Timer2->isActive());
        form.Timer2_Timer();
        QCOMPARE(fx.statusColumn(), (QStringList{QString(), QString()}));

        // The next probe takes the next device; the first one's result is gone.
        QVERIFY(tick(fx));
        QCOMPARE(fx.runner->calls.last().last(), u"a2"_s);
        QCOMPARE(fx.statusColumn(), (QStringList{QString(), u"Percentage Lost 0%"_s}));
        QCOMPARE(fx.actionColumn(), (QStringList{QString(), pingOkAt2105()}));
    }

    void pauseOrResumeBeforeStart_data() {
        QTest::addColumn<bool>("startAndStopFirst");
        QTest::newRow("never started") << false;
        QTest::newRow("stopped") << true;
    }

    void pauseOrResumeBeforeStart() {
        QFETCH(bool, startAndStopFirst);
        Fixture fx;
        fx.addDevice(u"a1"_s);
        Form1& form = fx.load();
        if (startAndStopFirst) {
            form.Command1->click();
            form.Command2->click();
            QVERIFY(form.Command3->isEnabled());
        }
        form.Command3_Click();
        QCOMPARE(fx.folder.dialogs().shown.size(), 1);
        const auto& box = fx.folder.dialogs().shown.at(0);
        QCOMPARE(box.icon, DialogIcon::Information);
        QCOMPARE(box.title, u"Read Me"_s);
        QCOMPARE(box.text,
                 u"You can not Pause or Unpause until you have started the ping process."_s);
        QCOMPARE(form.focusWidget(), form.Text1);
        QVERIFY(!form.pingCycle().paused());
        QVERIFY(!form.Timer1->isActive());
        QCOMPARE(form.Command3->toolTip(), u"Click here to Pause the Ping process"_s);
    }

    void menusSharedWithTheJobMonitor_data() {
        QTest::addColumn<bool>("jobsRunning");
        QTest::addColumn<bool>("pause");
        QTest::addColumn<bool>("menusAfter");
        QTest::newRow("stop, jobs idle") << false << false << true;
        QTest::newRow("stop, jobs running") << true << false << false;
        QTest::newRow("pause, jobs idle") << false << true << true;
        QTest::newRow("pause, jobs running") << true << true << false;
    }

    void menusSharedWithTheJobMonitor() {
        QFETCH(bool, jobsRunning);
        QFETCH(bool, pause);
        QFETCH(bool, menusAfter);
        Fixture fx;
        fx.addDevice(u"a1"_s);
        Form1& form = fx.load();
        form.publicValues().blForm3isRunning = jobsRunning;
        if (jobsRunning)
            form.setEditAndSettingsMenusEnabled(false);
        form.Command1->click();
        QVERIFY(!menusEnabled(form));
        if (pause)
            form.Command3->click();
        else
            form.Command2->click();
        QCOMPARE(menusEnabled(form), menusAfter);
        QVERIFY(!form.publicValues().blForm1isRunning);
        QCOMPARE(form.publicValues().blForm3isRunning, jobsRunning);
        if (pause) {
            form.Command3->click(); // Resume disables them whatever the job monitor does
            QVERIFY(!menusEnabled(form));
        }
    }

    void autoStart_data() {
        QTest::addColumn<bool>("withDevice");
        QTest::newRow("with a device") << true;
        QTest::newRow("without devices") << false;
    }

    void autoStart() {
        QFETCH(bool, withDevice);
        Fixture fx;
        if (withDevice)
            fx.addDevice(u"a1"_s);
        fx.folder.execSql(u"UPDATE Settings SET AutoStartPinger = 1, AutoStartServices = 0"_s);
        Form1& form = fx.load();
        QCOMPARE(form.publicValues().blForm1isRunning, withDevice);
        QCOMPARE(form.Timer1->isActive(), withDevice);
        QCOMPARE(form.Command1->isEnabled(), !withDevice);
        if (withDevice) {
            QVERIFY(fx.folder.dialogs().shown.isEmpty());
            QCOMPARE(form.Label3->text(), u"Preparing, Please Wait.... Waiting For Timer"_s);
        } else {
            QCOMPARE(fx.folder.dialogs().shown.size(), 1);
            QCOMPARE(fx.folder.dialogs().shown.at(0).title, u"No Devices In Database"_s);
        }
    }

    void intervalZeroProbesOnce() {
        // A stored 0 (refused by the settings window) lets the countdown meet the interval
        // only once.
        Fixture fx(0);
        fx.addDevice(u"a1"_s);
        fx.runner->outputs = {iputilsOutput(u"a1"_s, 4, 4)};
        Form1& form = fx.load();
        form.Command1->click();
        QCOMPARE(fx.cycle().countdown(), -1);
        QVERIFY(tick(fx));
        QCOMPARE(form.Label1->text(), u"Less Than 0 minutes until the next one"_s);
        for (int i = 0; i < 5; ++i)
            QVERIFY(!tick(fx));
        QCOMPARE(fx.runner->calls.size(), 1);
        QCOMPARE(form.Label1->text(), u"Less Than -5 minutes until the next one"_s);
    }

    void closingStopsTheCycle() {
        Fixture fx;
        fx.addDevice(u"a1"_s);
        Form1& form = fx.load();
        form.Command1->click();
        form.close();
        QVERIFY(!form.Timer1->isActive());
        form.Timer1_Timer();
        QVERIFY(fx.runner->calls.isEmpty());
    }
};

QTEST_MAIN(TestPingCycle)
#include "tst_pingcycle.moc"
