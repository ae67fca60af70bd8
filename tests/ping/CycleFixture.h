#pragma once

// What the tests of the ping monitor share: a main window over a fresh program folder with a
// command runner of the test's choice, its controls by name, the rows as stored, a second
// connection that holds the database locked, and ping outputs of both forms (iputils here,
// Windows as the monitor was first written for).
#include "FakeCommandRunner.h"
#include "TestProgramFolder.h"
#include "app/Form1.h"
#include "ping/PingCycle.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QLabel>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

namespace cycletest {

using namespace Qt::Literals::StringLiterals;

// Another program holding the database: an exclusive transaction on a connection of its own.
// retried() turns true once the monitor has found the file locked and waits to try again.
class DbLock {
  public:
    explicit DbLock(const QString& path) : m_session(path), m_query(m_session.db()) {
        s_retried = false;
        s_next = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context,
                                           const QString& text) {
            s_retried = s_retried || text.contains(u"locked by another program; trying again"_s);
            s_next(type, context, text);
        });
        if (!m_query.exec(u"BEGIN EXCLUSIVE"_s))
            qFatal("cannot lock the database");
    }
    ~DbLock() { release(), qInstallMessageHandler(s_next); }
    void release() { m_query.exec(u"ROLLBACK"_s); }
    static bool retried() { return s_retried; }

  private:
    static inline bool s_retried = false;
    static inline QtMessageHandler s_next = nullptr;
    DbSession m_session;
    QSqlQuery m_query;
};

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
    bool timerActive(const QString& name) { return form->findChild<QTimer*>(name)->isActive(); }

    // One Timer1 tick; a probe it begins is awaited, and with `handle` its result is applied.
    bool tick(bool handle = true) {
        form->Timer1_Timer();
        if (!cycle().probeRunning() && !cycle().resultPending())
            return false;
        if (!QTest::qWaitFor([&] { return cycle().resultPending(); }))
            qWarning("the probe did not come back");
        if (handle) {
            form->Timer2_Timer();
            if (!QTest::qWaitFor([&] { return !cycle().handlingResult(); }))
                qWarning("the result was not applied");
        }
        return true;
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
        if (!QTest::qWaitFor([&] { return !form->deviceListReading(); }))
            qWarning("the device list was not read again");
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
        u"PING host (10.213.0.2) 56(84) bytes of data.\n\n--- host ping statistics "
        u"---\n%1 packets transmitted, %2 received, %3% packet loss, time 3004ms\n"_s.arg(echoes)
            .arg(received)
            .arg((echoes - received) * 100 / echoes);
    return received ? out + u"rtt min/avg/max/mdev = 0.031/%1/0.116/0.028 ms\n"_s.arg(avg) : out;
}
// What Windows ping prints for four echoes with `lost` lost.
inline QString windowsOutput(int lost, int averageMs = 990) {
    const QString out =
        u"    Packets: Sent = 4, Received = %1, Lost = %2 (%3% loss),\n"_s.arg(4 - lost)
            .arg(lost)
            .arg(lost * 25);
    return lost < 4 ? out + u"    Minimum = %1ms, Maximum = %1ms, Average = %1ms\n"_s.arg(averageMs)
                    : out;
}
inline const QString kNoDevices =
    u"critical No Devices In Database: You don't have any devices setup yet! Before you can "
    u"start to automatically ping your network devices you must add devices to the database by "
    u"clicking on the Edit menu then click Edit Ping Database. You can add Computers, Printers, "
    u"or any device that can be pinged on the network in any combination."_s;
inline const QString kUnknownHost = u"ping: pc1: Name or service not known\n"_s;

// The action of a reachable device at the fake clock's time (12 May 2026, 21:05) in the C
// locale the tests run in (LC_ALL=C.UTF-8).
inline const QString kPingOk = u"Ping OK - 12 May 2026-9:05 PM"_s;

inline QString lossLine(const QString& name, const QString& loss) {
    return u"Pinged "_s + name + u" with a "_s + loss +
           u"% Loss. Preparing for the next one.... Waiting For Timer"_s;
}

} // namespace cycletest
