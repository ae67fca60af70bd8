// The ping monitor's cost to the user-interface thread:
//  - the longest pause of the event loop (gap between ticks of a 1 ms timer) while the cycle
//    probes an unreachable host and while it runs the ten-echo check, next to the time the
//    window would have been frozen if `ping` were run in place;
//  - the cycle's own work per probe with 10,000 devices (read at the walk position, the status
//    and action writes, the list refresh), `ping` answering at once from a canned output,
//    next to a plain read of the whole device list;
//  - the resident memory with 10,000 devices in the list.
// Figures are printed, never judged. KORVANE_BENCH_TRACE=1 prints every pause above 5 ms with
// the cycle's state at that moment.
#include "FakeCommandRunner.h"
#include "TestProgramFolder.h"
#include "app/Form1.h"
#include "ping/PingCycle.h"
#include "storage/DeviceTable.h"
#include "support/NetNs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kManyDevices = 10000;

// Resident and peak resident memory of this process in MB.
double statusMegabytes(const char* field) {
    QFile f(u"/proc/self/status"_s);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(field)) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() >= 2)
                return parts.at(1).toDouble() / 1024.0;
        }
    }
    return -1;
}

void fillDevices(TestProgramFolder& folder, int count) {
    folder.execSql(
        u"WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < ?)"
        u" INSERT INTO ComputerPingList (ComputerName, EmailWhenDown, MaxAverage, Disabled, Status,"
        u" ActionTaken) SELECT printf('device-%05d', (i * 7919) % ?), '', '', i % 10 = 0,"
        u" 'Percentage Lost 0%', 'Ping OK - 5/12/26-9:05 PM' FROM n"_s,
        {count - 1, count});
}

// Turns the event loop until the cycle has handled one result (or the limit passes), and
// measures the longest gap between two ticks of a 1 ms timer meanwhile.
struct StallProbe {
    double worstGapMs = 0;
    double totalMs = 0;
    bool finished = false;

    void run(Form1& form, int limitMs) {
        QEventLoop loop;
        QElapsedTimer clock;
        QElapsedTimer sinceTick;
        QTimer ticker;
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
            const double gap = double(sinceTick.nsecsElapsed()) / 1e6;
            if (qEnvironmentVariableIsSet("KORVANE_BENCH_TRACE") && gap > 5)
                std::fprintf(stderr, "gap %.1f ms at %.0f ms: probe %d result %d label3 %s\n", gap,
                             double(clock.nsecsElapsed()) / 1e6, form.pingCycle().probeRunning(),
                             form.pingCycle().handlingResult(), qPrintable(form.Label3->text()));
            worstGapMs = std::max(worstGapMs, gap);
            sinceTick.restart();
        });
        QObject::connect(&form.pingCycle(), &PingCycle::probeFinished, &loop,
                         [&form] { form.Timer2_Timer(); });
        QObject::connect(&form.pingCycle(), &PingCycle::resultHandled, &loop, [&] {
            finished = true;
            loop.quit();
        });
        QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
        clock.start();
        sinceTick.start();
        ticker.start();
        form.Timer1_Timer();
        if (!finished)
            loop.exec();
        totalMs = double(clock.nsecsElapsed()) / 1e6;
    }
};

// One probe of `host` with the real runner: the longest event-loop gap, and the whole time
// from the tick to the handled result (what a probe run in place would have frozen).
void stallFor(benchmark::State& state, const QString& host, const QString& maxAverage) {
    TestProgramFolder folder;
    folder.ctx.setRunner(std::make_unique<ProcessCommandRunner>());
    folder.execSql(u"UPDATE Settings SET PingTimerSeconds = '1'"_s);
    DeviceRecord d;
    d.computerName = host;
    d.maxAverage = maxAverage;
    folder.addDevice(d);
    Form1 form(folder.ctx);
    form.Form_Load();
    double worst = 0;
    double total = 0;
    bool finished = true;
    for (auto _ : state) {
        form.Command1->click();
        StallProbe probe;
        probe.run(form, 60000);
        form.Command2->click();
        worst = std::max(worst, probe.worstGapMs);
        total = probe.totalMs;
        finished = finished && probe.finished;
    }
    state.counters["max_stall_ms"] = worst;
    state.counters["frozen_in_place_ms"] = total;
    state.counters["stall_ratio"] = total > 0 ? worst / total : 0;
    if (!finished)
        state.SkipWithError("the cycle did not finish its probe");
    form.close();
}

void BM_StallUnreachableHost(benchmark::State& state) {
    // A namespace host that answers nothing; without root, a name that cannot resolve.
    std::unique_ptr<NetNs> ns = std::make_unique<NetNs>(4);
    const QString host = ns->isReady() ? ns->address() : u"korvane-bench.invalid"_s;
    state.SetLabel((ns->isReady()
                        ? u"namespace host, 100% loss"_s
                        : u"unresolvable name (no namespace: "_s + ns->failureReason() + u")"_s)
                       .toStdString());
    stallFor(state, host, QString());
}
BENCHMARK(BM_StallUnreachableHost)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_StallTenEchoCheck(benchmark::State& state) {
    // A host that drops 3 of every 4 echoes and has a maximum average: the probe, then the
    // ten-echo check over the same lossy path. Without root, loopback.
    std::unique_ptr<NetNs> ns = std::make_unique<NetNs>(3);
    const QString host = ns->isReady() ? ns->address() : u"127.0.0.1"_s;
    state.SetLabel(ns->isReady() ? "namespace host, 75% loss, ten-echo check"
                                 : "loopback, ten-echo check");
    stallFor(state, host, u"1000"_s);
}
BENCHMARK(BM_StallTenEchoCheck)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// The cycle's own work for one probe with 10,000 devices; ping answers at once.
void BM_CycleCostPerProbe(benchmark::State& state) {
    TestProgramFolder folder;
    auto runner = std::make_unique<FakeCommandRunner>();
    runner->outputs = {u"4 packets transmitted, 4 received, 0% packet loss, time 3004ms\n"
                       u"rtt min/avg/max/mdev = 0.031/0.067/0.116/0.028 ms\n"_s};
    folder.ctx.setRunner(std::move(runner));
    folder.execSql(u"UPDATE Settings SET PingTimerSeconds = '1'"_s);
    fillDevices(folder, int(state.range(0)));
    Form1 form(folder.ctx);
    form.Form_Load();
    form.Command1->click();
    for (auto _ : state) {
        QEventLoop loop;
        QObject::connect(&form.pingCycle(), &PingCycle::resultHandled, &loop, &QEventLoop::quit);
        form.Timer1_Timer(); // read at the walk position, ping (at once)
        form.Timer2_Timer(); // status and action writes, list refresh
        if (form.pingCycle().handlingResult())
            loop.exec();
    }
    state.counters["devices"] = double(form.ListView1->topLevelItemCount());
    state.counters["walk"] = form.pingCycle().walkPosition();
    form.Command2->click();
    form.close();
}
BENCHMARK(BM_CycleCostPerProbe)->Arg(kManyDevices)->UseRealTime()->Unit(benchmark::kMillisecond);

// The pieces of one probe's work, each on its own.
void BM_ReadAtWalkPosition(benchmark::State& state) {
    TestProgramFolder folder;
    fillDevices(folder, int(state.range(0)));
    DeviceTable table(folder.databasePath());
    int position = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.enabledAt(position).value.computerName.size());
        position = (position + 997) % (state.range(0) * 9 / 10);
    }
}
BENCHMARK(BM_ReadAtWalkPosition)->Arg(kManyDevices)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_StatusWrite(benchmark::State& state) {
    TestProgramFolder folder;
    fillDevices(folder, int(state.range(0)));
    DeviceTable table(folder.databasePath());
    int i = 0;
    for (auto _ : state) {
        const QString name = u"device-%1"_s.arg((i++ * 7919) % state.range(0), 5, 10, QChar(u'0'));
        benchmark::DoNotOptimize(table.updateStatus(name, u"Percentage Lost 0%"_s).ok());
    }
}
BENCHMARK(BM_StatusWrite)->Arg(kManyDevices)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_ListRefresh(benchmark::State& state) {
    TestProgramFolder folder;
    fillDevices(folder, int(state.range(0)));
    Form1 form(folder.ctx);
    form.Form_Load();
    for (auto _ : state) {
        form.ListView1->setUpdatesEnabled(false);
        form.fncReloadAllRecords();
        form.ListView1->setUpdatesEnabled(true);
    }
    form.close();
}
BENCHMARK(BM_ListRefresh)->Arg(kManyDevices)->UseRealTime()->Unit(benchmark::kMillisecond);

// Baseline: reading the whole device list once, as the list refresh does.
void BM_ReadDeviceList(benchmark::State& state) {
    TestProgramFolder folder;
    fillDevices(folder, int(state.range(0)));
    DeviceTable table(folder.databasePath());
    for (auto _ : state)
        benchmark::DoNotOptimize(table.allByName().value.size());
}
BENCHMARK(BM_ReadDeviceList)->Arg(kManyDevices)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_MemoryWithDevices(benchmark::State& state) {
    const double before = statusMegabytes("VmRSS:");
    TestProgramFolder folder;
    fillDevices(folder, int(state.range(0)));
    double after = 0;
    for (auto _ : state) {
        Form1 form(folder.ctx);
        form.Form_Load();
        form.fncReloadAllRecords();
        after = statusMegabytes("VmRSS:");
        form.close();
    }
    state.counters["rss_mb"] = after;
    state.counters["rss_before_mb"] = before;
    state.counters["rss_added_mb"] = after - before;
    state.counters["peak_rss_mb"] = statusMegabytes("VmHWM:");
}
BENCHMARK(BM_MemoryWithDevices)->Arg(kManyDevices)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("Targets: max stall <= 50 ms, cycle cost per probe <= 40 ms, rss <= 80 MB.\n");
    return 0;
}
