#pragma once

// What the tests of the ping monitor share: a main window over a fresh program folder with a
// command runner of the test's choice, the device rows as stored, and ping outputs of both
// forms (iputils on this system, Windows as the monitor was first written for).

#include "FakeCommandRunner.h"
#include "TestProgramFolder.h"
#include "app/Form1.h"
#include "ping/PingCycle.h"
#include "storage/DeviceTable.h"

#include <QCoroSignal>
#include <QLabel>
#include <QLocale>
#include <QObject>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

namespace cycletest {

using namespace Qt::Literals::StringLiterals;

// Hands each command line a result only when the test says so (or kills it when the
// monitor destroys the run's cancel guard), so a test can act while `ping` is "running".
class GatedCommandRunner final : public QObject, public CommandRunner {
    Q_OBJECT
  public:
    struct Call {
        QStringList argv;
        bool guarded = false;   // the run came with a cancel guard
        bool cancelled = false; // the guard was destroyed while the run was going
        bool finished = false;
    };

    QCoro::Task<QString> GetCommandOutput(QStringList argv, CommandOptions options) override {
        const int index = int(calls.size());
        calls.append({argv, !options.cancelGuard.isNull(), false, false});
        if (!options.cancelGuard.isNull()) {
            connect(options.cancelGuard.data(), &QObject::destroyed, this, [this, index] {
                if (calls[index].finished)
                    return;
                calls[index].cancelled = true;
                // A killed ping has printed its first line at most; the kill is noticed on a
                // later turn of the event loop, as with a real child.
                QMetaObject::invokeMethod(
                    this, [this, index] { Q_EMIT released(index, u"PING killed"_s); },
                    Qt::QueuedConnection);
            });
        }
        for (;;) {
            auto next = qCoro(this, &GatedCommandRunner::released);
            const auto [which, output] = co_await next;
            if (which == index) {
                calls[index].finished = true;
                co_return output;
            }
        }
    }

    // Lets run `index` end with this output.
    void release(int index, const QString& output) { Q_EMIT released(index, output); }
    int unfinished() const {
        int n = 0;
        for (const Call& c : calls)
            n += c.finished ? 0 : 1;
        return n;
    }

    QList<Call> calls;

  Q_SIGNALS:
    void released(int index, const QString& output);
};

// A main window, loaded, over a fresh folder whose Settings row says `interval` minutes.
template <typename Runner = FakeCommandRunner> struct CycleFixture {
    explicit CycleFixture(int interval = 1) {
        auto owned = std::make_unique<Runner>();
        runner = owned.get();
        folder.ctx.setRunner(std::move(owned));
        setInterval(interval);
    }
    ~CycleFixture() {
        if (form)
            form->close();
    }

    // Loads the window (after the devices have been added).
    Form1& load() {
        form = std::make_unique<Form1>(folder.ctx);
        if (!form->Form_Load())
            qWarning("the main window did not load");
        return *form;
    }
    PingCycle& cycle() { return form->pingCycle(); }

    void setInterval(int minutes) {
        folder.execSql(u"UPDATE Settings SET PingTimerSeconds = ?"_s, {QString::number(minutes)});
    }
    qint64 addDevice(const QString& name, const QString& addresses = {},
                     const QString& maxAverage = {}, bool disabled = false) {
        DeviceRecord d;
        d.computerName = name;
        d.emailWhenDown = addresses;
        d.maxAverage = maxAverage;
        d.disabled = disabled;
        return folder.addDevice(d);
    }
    // The stored row of the device with this ID.
    DeviceRecord row(qint64 id) const {
        const auto all = DeviceTable(folder.databasePath()).allByName();
        for (const DeviceRecord& d : all.value)
            if (d.id == id)
                return d;
        return {};
    }
    // Status and ActionTaken of every device, by name.
    QStringList statusColumn() const { return column(&DeviceRecord::status); }
    QStringList actionColumn() const { return column(&DeviceRecord::actionTaken); }
    QStringList column(QString DeviceRecord::*field) const {
        QStringList out;
        for (const DeviceRecord& d : DeviceTable(folder.databasePath()).allByName().value)
            out << d.*field;
        return out;
    }
    // The list view's column of every row.
    QStringList listColumn(int column) const {
        QStringList out;
        for (int i = 0; i < form->ListView1->topLevelItemCount(); ++i)
            out << form->ListView1->topLevelItem(i)->text(column);
        return out;
    }

    TestProgramFolder folder;
    Runner* runner = nullptr;
    std::unique_ptr<Form1> form;
};

// --- outputs of iputils ping (this system) ---

// A run of `echoes` echo requests of which `received` came back; `avg` is the average
// round-trip time printed when anything came back.
inline QString iputilsOutput(const QString& host, int echoes, int received,
                             const QString& avg = u"0.067"_s) {
    QString out = u"PING %1 (10.213.0.2) 56(84) bytes of data.\n"_s.arg(host);
    for (int i = 1; i <= received; ++i)
        out += u"64 bytes from 10.213.0.2: icmp_seq=%1 ttl=64 time=%2 ms\n"_s.arg(i).arg(avg);
    const int loss = (echoes - received) * 100 / echoes;
    out += u"\n--- %1 ping statistics ---\n"_s.arg(host);
    out += u"%1 packets transmitted, %2 received, %3% packet loss, time 3004ms\n"_s.arg(echoes)
               .arg(received)
               .arg(loss);
    if (received > 0)
        out += u"rtt min/avg/max/mdev = 0.031/%1/0.116/0.028 ms\n"_s.arg(avg);
    return out;
}

inline QString iputilsUnknownHost(const QString& host) {
    return u"ping: %1: Name or service not known\n"_s.arg(host);
}

// --- outputs of Windows ping ---

inline QString windowsOutput(const QString& host, int lost, int averageMs = 990) {
    QString out = u"\nPinging %1 [10.0.0.5] with 32 bytes of data:\n"_s.arg(host);
    for (int i = 0; i < 4; ++i)
        out += i < lost ? u"Request timed out.\n"_s
                        : u"Reply from 10.0.0.5: bytes=32 time=%1ms TTL=128\n"_s.arg(averageMs);
    out += u"\nPing statistics for 10.0.0.5:\n"_s;
    out += u"    Packets: Sent = 4, Received = %1, Lost = %2 (%3% loss),\n"_s.arg(4 - lost)
               .arg(lost)
               .arg(lost * 25);
    if (lost < 4) {
        out += u"Approximate round trip times in milli-seconds:\n"_s;
        out += u"    Minimum = %1ms, Maximum = %1ms, Average = %1ms\n"_s.arg(averageMs);
    }
    return out;
}

inline QString windowsUnknownHost(const QString& host) {
    return u"Ping request could not find host %1. Please check the name and try again.\n"_s.arg(
        host);
}

// The action of a reachable device at the fake clock's time (12 May 2026, 21:05), with the
// date in the system's short form.
inline QString pingOkAt2105() {
    return u"Ping OK - "_s + QLocale::system().toString(QDate(2026, 5, 12), QLocale::ShortFormat) +
           u"-9:05 PM"_s;
}

// The texts of the main window that follow a probe.
inline QString lossLine(const QString& name, const QString& loss) {
    return u"Pinged "_s + name + u" with a "_s + loss +
           u"% Loss. Preparing for the next one.... Waiting For Timer"_s;
}
inline QString notFoundLine(const QString& name) {
    return u"Pinged "_s + name +
           u", and it wasn't found on your network. Preparing for the next one.... Waiting For Timer"_s;
}

} // namespace cycletest
