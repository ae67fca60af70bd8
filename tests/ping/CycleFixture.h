#pragma once

// The main window over a fresh program folder with a command runner of the test's choice, and
// what iputils `ping` prints.
#include "FakeCommandRunner.h"
#include "TestProgramFolder.h"
#include "app/Form1.h"
#include "ping/PingCycle.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QLabel>
#include <QTest>
#include <QTimer>

namespace cycletest {

using namespace Qt::Literals::StringLiterals;

// A main window over a fresh folder whose Settings row says `interval` minutes.
template <typename Runner = FakeCommandRunner> struct CycleFixture {
    explicit CycleFixture(const QString& interval = u"1"_s) {
        auto owned = std::make_unique<Runner>();
        runner = owned.get();
        folder.ctx.setRunner(std::move(owned));
        folder.execSql(u"UPDATE Settings SET PingTimerSeconds = ?"_s, {interval});
    }
    ~CycleFixture() {
        if (form)
            form->close();
    }

    void load() {
        form = std::make_unique<Form1>(folder.ctx);
        if (!form->Form_Load())
            qWarning("the main window did not load");
    }
    void start() { load(), click(u"Command1"_s); }
    PingCycle& cycle() { return form->pingCycle(); }
    template <typename T = QWidget> T* ui(const QString& name) { return form->findChild<T*>(name); }
    QString text(const QString& label) { return ui<QLabel>(label)->text(); }
    void click(const QString& button) { ui<QAbstractButton>(button)->click(); }
    bool timerActive(const QString& name) { return ui<QTimer>(name)->isActive(); }

    // One Timer1 tick: true once the probe it began came back (and with `handle`, once its
    // result was applied).
    bool tick(bool handle = true) {
        form->Timer1_Timer();
        return (cycle().probeRunning() || cycle().resultPending()) &&
               QTest::qWaitFor([&] { return cycle().resultPending(); }, 60000) &&
               (!handle || (form->Timer2_Timer(),
                            QTest::qWaitFor([&] { return !cycle().handlingResult(); }, 60000)));
    }

    qint64 addDevice(const QString& name, const QString& addresses = {},
                     const QString& maxAverage = {}, bool disabled = false) {
        return folder.addDevice({0, name, addresses, maxAverage, disabled, {}, {}});
    }
    // Status and ActionTaken of the device with this key, as stored.
    QString row(qint64 id) {
        return folder
            .select(u"SELECT Status, ActionTaken FROM ComputerPingList WHERE ID = ?"_s, {id})
            .value(0);
    }
    // A column of the list as it shows after a re-read under way, rows joined by "|".
    QString listColumn(int column) {
        (void)QTest::qWaitFor([&] { return !form->deviceListReading(); });
        const QAbstractItemModel* model = ui<QAbstractItemView>(u"ListView1"_s)->model();
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r)
            out << model->index(r, column).data().toString();
        return out.join(u'|');
    }

    TestProgramFolder folder;
    Runner* runner = nullptr;
    std::unique_ptr<Form1> form;
};

// What iputils ping prints for `received` of `echoes` replies.
inline QString iputilsOutput(int echoes, int received, const QString& avg = u"0.067"_s) {
    const QString out =
        u"%1 packets transmitted, %2 received, %3% packet loss, time 3004ms\n"_s.arg(echoes)
            .arg(received)
            .arg((echoes - received) * 100 / echoes);
    return received ? out + u"rtt min/avg/max/mdev = 0.031/%1/0.116/0.028 ms\n"_s.arg(avg) : out;
}
inline const QString kNoDevices =
    u"critical No Devices In Database: You don't have any devices setup yet! Before you can "
    u"start to automatically ping your network devices you must add devices to the database by "
    u"clicking on the Edit menu then click Edit Ping Database. You can add Computers, Printers, "
    u"or any device that can be pinged on the network in any combination."_s;
inline const QString kUnknownHost = u"ping: pc1: Name or service not known\n"_s;
// A reachable device's action at the fake clock's time (12 May 2026, 21:05), C locale.
inline const QString kPingOk = u"Ping OK - 12 May 2026-9:05 PM"_s;

inline QString lossLine(const QString& name, const QString& loss) {
    return u"Pinged "_s + name + u" with a "_s + loss +
           u"% Loss. Preparing for the next one.... Waiting For Timer"_s;
}

} // namespace cycletest
