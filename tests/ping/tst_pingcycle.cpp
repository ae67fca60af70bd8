// The ping monitor's cycle on the main window, as one table over its states (Start, the due and
// non-due countdown ticks, the result tick, Stop, Pause and Resume, the menus shared with the job
// monitor, the refusals), then what one probe leaves behind, and what Stop and Pause do to a
// probe or an outcome under way. The timers' handlers are called directly; `ping` answers from
// canned outputs.
#include "CycleFixture.h"
#include "WindowChecks.h"

#include <QSignalSpy>

using namespace Qt::Literals::StringLiterals;
using namespace cycletest;

namespace {

// Buttons enabled (Start Stop Pause), timers running (Timer1 Timer2), menus, running, paused.
template <typename R> QString stateOf(CycleFixture<R>& fx) {
    auto on = [](bool b) { return b ? u"1"_s : u"0"_s; };
    return u"buttons %1%2%3 timers %4%5 menus %6 running %7 paused %8"_s
        .arg(on(fx.template ui<QAbstractButton>(u"Command1"_s)->isEnabled()))
        .arg(on(fx.template ui<QAbstractButton>(u"Command2"_s)->isEnabled()))
        .arg(on(fx.template ui<QAbstractButton>(u"Command3"_s)->isEnabled()))
        .arg(on(fx.timerActive(u"Timer1"_s)))
        .arg(on(fx.timerActive(u"Timer2"_s)))
        .arg(on(fx.menusEnabled()))
        .arg(on(fx.folder.ctx.values().blForm1isRunning))
        .arg(on(fx.cycle().paused()));
}

template <typename R> QStringList labels(CycleFixture<R>& fx) {
    return {fx.text(u"Label1"_s), fx.text(u"Label3"_s), fx.text(u"Label4"_s), fx.text(u"Label5"_s)};
}

QStringList boxes(TestProgramFolder& folder) {
    QStringList out;
    for (const auto& box : folder.dialogs().shown)
        out << (box.icon == DialogIcon::Critical ? u"critical "_s : u"information "_s) + box.title +
                   u": "_s + box.text;
    return out;
}

const QString kStopped = u"buttons 100 timers 00 menus 1 running 0 paused 0"_s;
const QString kWaiting = u"buttons 011 timers 10 menus 0 running 1 paused 0"_s;
const QString kWaitingForTimer = u"Preparing, Please Wait.... Waiting For Timer"_s;
const QString kNoDevices =
    u"critical No Devices In Database: You don't have any devices setup yet! Before you can "
    u"start to automatically ping your network devices you must add devices to the database by "
    u"clicking on the Edit menu then click Edit Ping Database. You can add Computers, Printers, "
    u"or any device that can be pinged on the network in any combination."_s;
QString invalidInterval(const QString& stored) {
    return u"information Invalid Interval: The time between two pings is stored as \""_s + stored +
           u"\" minutes, which the ping process cannot use: it must be a whole number of "
           u"minutes, at least 1 and at most 32767. Please correct it in Settings > Application "
           u"Settings, then click Start again."_s;
}
const QString kOk = u"Percentage Lost 0%"_s;

} // namespace

class TestPingCycle : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    void states_data() {
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QStringList>("devices"); // "!" marks a disabled device
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("pinged");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("labels"); // Label1, Label3, Label4, Label5
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("statuses"); // by name

        const QStringList four{u"charlie"_s, u"alpha"_s, u"!beta-off"_s, u"Bravo"_s};
        const QStringList none{QString(), QString(), QString(), QString()};
        const QString ticks = u"tick"_s;
        QTest::newRow("Start without an enabled device")
            << u"1"_s << QStringList{u"!off"_s} << QStringList{u"start"_s} << QStringList{}
            << kStopped << none << QStringList{kNoDevices} << QStringList{QString()};
        QTest::newRow("Start") << u"5"_s << four << QStringList{u"start"_s} << QStringList{}
                               << kWaiting
                               << QStringList{{}, kWaitingForTimer, u"Devices To Ping = 3"_s, {}}
                               << QStringList{} << QStringList{{}, {}, {}, {}};
        QTest::newRow("due and non-due ticks walk the enabled devices by name and wrap")
            << u"2"_s << four << QStringList{u"start"_s} + QStringList(8, ticks)
            << QStringList{u"alpha"_s, u"Bravo"_s, u"charlie"_s, u"alpha"_s} << kWaiting
            << QStringList{u"Less Than 1 minute until the next one"_s, lossLine(u"alpha"_s, u"0"_s),
                           u"Devices To Ping = 3"_s, u"Pinged Device (1) of (3)"_s}
            << QStringList{} << QStringList{kOk, {}, kOk, kOk};
        QTest::newRow("a probe whose result waits for the result tick")
            << u"2"_s << QStringList{u"pc1"_s} << QStringList{u"start"_s, u"hold"_s}
            << QStringList{u"pc1"_s} << u"buttons 011 timers 01 menus 0 running 1 paused 0"_s
            << QStringList{u"Less Than 2 minutes until the next one"_s,
                           u"Pinging - pc1, Please Wait...."_s, u"Devices To Ping = 1"_s,
                           u"Pinging Device (1) of (1)"_s}
            << QStringList{} << QStringList{QString()};
        QTest::newRow("Stop; a tick afterwards does nothing")
            << u"1"_s << four << QStringList{u"start"_s, ticks, u"stop"_s, ticks}
            << QStringList{u"alpha"_s} << u"buttons 101 timers 00 menus 1 running 0 paused 0"_s
            << none << QStringList{} << QStringList{kOk, {}, {}, {}};
        QTest::newRow("Stop while the job monitor runs keeps the menus off")
            << u"1"_s << four << QStringList{u"jobs"_s, u"start"_s, u"stop"_s} << QStringList{}
            << u"buttons 101 timers 00 menus 0 running 0 paused 0"_s << none << QStringList{}
            << QStringList{{}, {}, {}, {}};
        QTest::newRow("Start again counts anew and walks from the first device")
            << u"1"_s << four
            << QStringList{u"start"_s, ticks, ticks, u"stop"_s, u"add:aaa"_s, u"start"_s, ticks}
            << QStringList{u"alpha"_s, u"Bravo"_s, u"aaa"_s} << kWaiting
            << QStringList{u"Less Than 1 minute until the next one"_s, lossLine(u"aaa"_s, u"0"_s),
                           u"Devices To Ping = 4"_s, u"Pinged Device (1) of (4)"_s}
            << QStringList{} << QStringList{kOk, kOk, {}, kOk, {}};
        QTest::newRow("Pause refuses the device editor and stops counting")
            << u"3"_s << four << QStringList{u"start"_s, ticks, u"pause"_s, u"editor"_s, ticks}
            << QStringList{u"alpha"_s} << u"buttons 011 timers 00 menus 1 running 0 paused 1"_s
            << QStringList{{},
                           lossLine(u"alpha"_s, u"0"_s),
                           u"Devices To Ping = 3"_s,
                           u"Pinged Device (1) of (3)"_s}
            << QStringList{u"information Read Me: You can't edit the ping list list in the paused "
                           u"state. Please click the stop button."_s}
            << QStringList{kOk, {}, {}, {}};
        QTest::newRow("Resume goes on from the countdown; the line returns with the next probe")
            << u"3"_s << four
            << QStringList{u"start"_s, ticks, ticks, u"pause"_s, u"pause"_s, ticks, ticks}
            << QStringList{u"alpha"_s, u"Bravo"_s} << kWaiting
            << QStringList{u"Less Than 3 minutes until the next one"_s,
                           lossLine(u"Bravo"_s, u"0"_s), u"Devices To Ping = 3"_s,
                           u"Pinged Device (2) of (3)"_s}
            << QStringList{} << QStringList{kOk, {}, kOk, {}};
        QTest::newRow("Pause and Resume while the job monitor runs")
            << u"1"_s << four << QStringList{u"jobs"_s, u"start"_s, u"pause"_s} << QStringList{}
            << u"buttons 011 timers 00 menus 0 running 0 paused 1"_s
            << QStringList{{}, kWaitingForTimer, u"Devices To Ping = 3"_s, {}} << QStringList{}
            << QStringList{{}, {}, {}, {}};
        QTest::newRow("Pause after Stop")
            << u"1"_s << four << QStringList{u"start"_s, u"stop"_s, u"pause"_s} << QStringList{}
            << u"buttons 101 timers 00 menus 1 running 0 paused 0"_s << none
            << QStringList{u"information Read Me: You can not Pause or Unpause until you have "
                           u"started the ping process."_s}
            << QStringList{{}, {}, {}, {}};
        QTest::newRow("Pause drops a result not picked up; the walk goes on")
            << u"1"_s << QStringList{u"a1"_s, u"a2"_s}
            << QStringList{u"start"_s, u"hold"_s, u"pause"_s, u"result"_s, u"pause"_s, ticks}
            << QStringList{u"a1"_s, u"a2"_s} << kWaiting
            << QStringList{u"Less Than 1 minute until the next one"_s, lossLine(u"a2"_s, u"0"_s),
                           u"Devices To Ping = 2"_s, u"Pinged Device (2) of (2)"_s}
            << QStringList{} << QStringList{{}, kOk};
        for (const QString& bad : {u"0"_s, u"-1"_s, u"abc"_s, u"99999999999"_s})
            QTest::addRow("interval %s is refused", qPrintable(bad))
                << bad << four << QStringList{u"start"_s, ticks} << QStringList{} << kStopped
                << none << QStringList{invalidInterval(bad)} << QStringList{{}, {}, {}, {}};
    }

    void states() {
        QFETCH(QString, interval);
        QFETCH(QStringList, devices);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, pinged);
        QFETCH(QString, state);
        QFETCH(QStringList, labels);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, statuses);
        CycleFixture<> fx(interval);
        for (const QString& d : devices)
            fx.addDevice(d.startsWith(u'!') ? d.mid(1) : d, {}, {}, d.startsWith(u'!'));
        fx.runner->outputs = {iputilsOutput(u"host"_s, 4, 4)};
        fx.load();
        for (const QString& step : steps) {
            if (step == u"jobs") {
                fx.folder.ctx.values().blForm3isRunning = true;
                fx.form->setEditAndSettingsMenusEnabled(false);
            } else if (step == u"start") {
                fx.click(u"Command1"_s);
            } else if (step == u"stop") {
                fx.click(u"Command2"_s);
            } else if (step == u"pause") {
                fx.click(u"Command3"_s);
            } else if (step == u"tick" || step == u"hold") {
                fx.tick(step == u"tick");
            } else if (step == u"result") {
                fx.form->Timer2_Timer();
            } else if (step == u"editor") {
                fx.template ui<QAction>(u"mnuPingList"_s)->trigger();
            } else if (step.startsWith(u"add:")) {
                fx.addDevice(step.mid(4));
            }
        }
        QStringList hosts;
        for (const QStringList& argv : fx.runner->calls)
            hosts << argv.last();
        QCOMPARE(hosts, pinged);
        QCOMPARE(stateOf(fx), state);
        QCOMPARE(::labels(fx), labels);
        QCOMPARE(::boxes(fx.folder), boxes);
        QCOMPARE(fx.listColumn(1), statuses);
        QVERIFY(fx.folder.endedWith.isEmpty());
    }

    void outcome_data() {
        QTest::addColumn<QString>("maxAverage");
        QTest::addColumn<QString>("addresses"); // the mail port is not a number: sends fail
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("tenEchoes"); // empty: no ten-echo run
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("label3");

        const QString pc = u"pc1"_s;
        const QString ops = u"ops@site.invalid"_s;
        const QString failed = u"Email Failed To: ops@site.invalid - bad port"_s;
        const QString noMail = u"No Email Address In Database"_s;
        const QString slow = u"Device Is Slow"_s;
        const QString reachable = iputilsOutput(pc, 4, 4);
        QTest::newRow("none lost") << QString() << QString() << reachable << QString() << kOk
                                   << kPingOk << lossLine(pc, u"0"_s);
        QTest::newRow("1 of 4 lost")
            << QString() << ops << iputilsOutput(pc, 4, 3) << QString() << u"Percentage Lost 25%"_s
            << u"Nothing For Now"_s << lossLine(pc, u"25"_s);
        QTest::newRow("2 of 4 lost, the mail fails")
            << QString() << ops << iputilsOutput(pc, 4, 2) << QString() << u"Percentage Lost 50%"_s
            << failed << lossLine(pc, u"50"_s);
        QTest::newRow("windows, 3 of 4 lost, no address")
            << QString() << QString() << windowsOutput(3) << QString() << u"Percentage Lost 75%"_s
            << noMail << lossLine(pc, u"75"_s);
        QTest::newRow("all lost: no average check")
            << u"5"_s << ops << iputilsOutput(pc, 4, 0) << QString() << u"Percentage Lost 100%"_s
            << failed << lossLine(pc, u"100"_s);
        QTest::newRow("unknown name: no average check")
            << u"5"_s << QString() << iputilsUnknownHost(pc) << QString()
            << u"Not Found In Domain"_s << noMail << notFoundLine(pc);
        QTest::newRow("nothing printed") << QString() << QString() << QString() << QString()
                                         << u"Not Found In Domain"_s << noMail << notFoundLine(pc);
        QTest::newRow("blank maximum: no average check")
            << u"   "_s << QString() << reachable << QString() << kOk << kPingOk
            << lossLine(pc, u"0"_s);
        QTest::newRow("average equal to the maximum")
            << u"20"_s << QString() << reachable << windowsOutput(0, 20) << kOk << kPingOk
            << lossLine(pc, u"0"_s);
        QTest::newRow("1 ms slower, no address")
            << u"20"_s << QString() << reachable << windowsOutput(0, 21) << slow
            << u"Emailed To: "_s << lossLine(pc, u"0"_s);
        QTest::newRow("slower, the mail fails")
            << u"0.5"_s << ops << reachable << iputilsOutput(pc, 10, 10, u"0.501"_s) << slow
            << failed << lossLine(pc, u"0"_s);
        QTest::newRow("ten echoes find no host")
            << u"5"_s << QString() << reachable << iputilsUnknownHost(pc) << kOk << kPingOk
            << lossLine(pc, u"0"_s);
        QTest::newRow("dropping packets, then slow")
            << u"5"_s << QString() << iputilsOutput(pc, 4, 2) << windowsOutput(0, 6) << slow
            << u"Emailed To: "_s << lossLine(pc, u"50"_s);
    }

    void outcome() {
        QFETCH(QString, maxAverage);
        QFETCH(QString, addresses);
        QFETCH(QString, probe);
        QFETCH(QString, tenEchoes);
        QFETCH(QString, status);
        QFETCH(QString, action);
        QFETCH(QString, label3);
        CycleFixture<> fx;
        fx.folder.execSql(u"UPDATE SMTPsettings SET ServerName = '127.0.0.1', SMTPport = 'x'"_s);
        const qint64 id = fx.addDevice(u"pc1"_s, addresses, maxAverage);
        const qint64 other = fx.addDevice(u"pc2"_s);
        fx.folder.execSql(u"UPDATE ComputerPingList SET Status = 'old' WHERE ID = ?"_s, {other});
        fx.runner->outputs = {probe, tenEchoes};
        fx.load();
        fx.click(u"Command1"_s);
        QVERIFY(fx.tick());

        QCOMPARE(fx.runner->calls.size(), tenEchoes.isEmpty() ? 1 : 2);
        QCOMPARE(fx.row(id), (QStringList{status, action}));
        QCOMPARE(fx.row(other), (QStringList{u"old"_s, QString()}));
        QCOMPARE(fx.listColumn(1), (QStringList{status, u"old"_s}));
        QCOMPARE(fx.listColumn(2), (QStringList{action, QString()}));
        QCOMPARE(fx.text(u"Label3"_s), label3);
        QCOMPARE(fx.text(u"Label5"_s), u"Pinged Device (1) of (2)"_s);
        QVERIFY(fx.form->updatesEnabled());
        QVERIFY(fx.timerActive(u"Timer1"_s));
        QVERIFY(fx.folder.dialogs().shown.isEmpty());
    }

    // Stop and Pause drop a probe still running or a result not picked up; an outcome whose
    // writing has begun is finished, without touching the lines or timers of the stopped run.
    void interrupted_data() {
        QTest::addColumn<QString>("during");
        QTest::addColumn<bool>("pause");
        QTest::addColumn<bool>("killed");
        QTest::addColumn<QStringList>("row");
        QTest::addColumn<QString>("label3");
        const QStringList written{kOk, kPingOk};
        const QString pinging = u"Pinging - pc1, Please Wait...."_s;
        QTest::newRow("probe, Stop")
            << u"probe"_s << false << true << QStringList{{}, {}} << QString();
        QTest::newRow("probe, Pause")
            << u"probe"_s << true << true << QStringList{{}, {}} << pinging;
        QTest::newRow("result waiting, Stop")
            << u"waiting"_s << false << false << QStringList{{}, {}} << QString();
        QTest::newRow("row being written, Stop")
            << u"write"_s << false << false << written << QString();
        QTest::newRow("row being written, Pause")
            << u"write"_s << true << false << written << pinging;
        QTest::newRow("ten-echo check, Stop")
            << u"check"_s << false << true << written << QString();
        QTest::newRow("ten-echo check, Pause")
            << u"check"_s << true << true << written << lossLine(u"pc1"_s, u"0"_s);
    }

    void interrupted() {
        QFETCH(QString, during);
        QFETCH(bool, pause);
        QFETCH(bool, killed);
        QFETCH(QStringList, row);
        QFETCH(QString, label3);
        CycleFixture<GatedCommandRunner> fx;
        fx.folder.ctx.setLockedRetryLimit(std::chrono::minutes(1));
        const qint64 id = fx.addDevice(u"pc1"_s, {}, during == u"check" ? u"1"_s : QString());
        fx.load();
        fx.click(u"Command1"_s);
        fx.form->Timer1_Timer();
        QSignalSpy handled(&fx.cycle(), &PingCycle::resultHandled);
        std::unique_ptr<DbLock> lock;
        if (during != u"probe") {
            fx.runner->release(0, iputilsOutput(u"pc1"_s, 4, 4));
            QTRY_VERIFY(fx.timerActive(u"Timer2"_s));
        }
        if (during == u"write")
            lock = std::make_unique<DbLock>(fx.folder.databasePath());
        if (during == u"write" || during == u"check")
            fx.form->Timer2_Timer();
        if (during == u"write")
            QTRY_VERIFY(DbLock::retried());
        if (during == u"check") {
            QTRY_COMPARE(fx.runner->calls.size(), 2);
            QVERIFY(!fx.form->updatesEnabled());
        }

        fx.click(pause ? u"Command3"_s : u"Command2"_s);
        if (lock)
            lock->release();
        const int last = int(fx.runner->calls.size()) - 1;
        QCOMPARE(fx.runner->calls.at(last).cancelled, killed);
        QTRY_VERIFY(fx.runner->calls.at(last).finished);
        if (during == u"write" || during == u"check")
            QTRY_COMPARE(handled.size(), 1);
        fx.form->Timer2_Timer(); // a stray result tick finds nothing
        QCOMPARE(fx.row(id), row);
        QCOMPARE(fx.listColumn(1), QStringList{row.at(0)});
        QCOMPARE(fx.text(u"Label3"_s), label3);
        QVERIFY(!fx.timerActive(u"Timer1"_s));
        QVERIFY(!fx.timerActive(u"Timer2"_s));
        QVERIFY(fx.form->updatesEnabled());
        QVERIFY(!fx.cycle().handlingResult());
        QVERIFY(fx.folder.dialogs().shown.isEmpty());
    }
};

QTEST_MAIN(TestPingCycle)
#include "tst_pingcycle.moc"
