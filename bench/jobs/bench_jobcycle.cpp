// The job monitor's cost to the user-interface thread:
//  - the cycle's own work per job with 10,000 jobs in the table (the read at the walk position,
//    the dispatch and the status lines; service jobs, whose check does no I/O in this build);
//  - the longest pause of the event loop (gap between ticks of a 1 ms timer) while a file-age
//    check waits on a path that never answers (a FIFO without a writer) until its time limit.
// Figures are printed, never judged.
#include "bench/common/EventLoopGapMeter.h"
#include "bench/common/QtBenchMain.h"
#include "jobs/CheckPool.h"
#include "jobs/JobFixture.h"

#include <QApplication>
#include <QToolButton>

#include <benchmark/benchmark.h>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace jobtest;

namespace {

void fillServiceJobs(TestProgramFolder& folder, int count) {
    folder.execSql(u"WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < ?)"
                   u" INSERT INTO Services (ComputerName, Service1, AdminUserName, AdminPassword,"
                   u" Disabled) SELECT printf('pc-%05d', (i * 7919) % ?), 'Spooler', 'admin',"
                   u" 'secret', 0 FROM n"_s,
                   {count - 1, count});
}

void BM_CycleCostPerJob(benchmark::State& state) {
    JobFixture fx;
    writeFile(fx.folder.path() + u"/PsService.EXE"_s); // an empty tool: it fails to start at once
    fillServiceJobs(fx.folder, int(state.range(0)));
    Form3& form = fx.open();
    form.Command1->click();
    for (auto _ : state)
        fx.tick(); // interval 1: every tick runs the next job
    state.counters["jobs"] = fx.cycle().intNumberOfJobs();
    state.counters["walk"] = fx.cycle().intJobIndex();
}
BENCHMARK(BM_CycleCostPerJob)
    ->Arg(10000)
    ->Iterations(10000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_StallWhileCheckHangs(benchmark::State& state) {
    JobFixture fx;
    const QString fifo = fx.folder.path() + u"/hang.bak"_s;
    ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
    fx.add(u"FilePathToCheck=%F/hang.bak|AgeOfFile=Greater Than 1 Day"_s);
    fx.open();
    fx.cycle().setCheckTimeLimit(std::chrono::milliseconds(state.range(0)));
    fx.form->Command1->click();
    EventLoopGapMeter meter;
    double worst = 0;
    for (auto _ : state) {
        meter.start();
        fx.tick();
        worst = std::max(worst, meter.stop());
    }
    // Let the hung reader go.
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0)
        ::close(fd);
    state.counters["max_stall_ms"] = worst;
    state.counters["hung_calls"] = CheckPool::instance().hungCalls();
}
BENCHMARK(BM_StallWhileCheckHangs)
    ->Arg(2000)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runWindowBenchmarks(
        argc, argv, "Targets: cycle cost per job <= 5 ms, max stall while a check hangs <= 16 ms.");
}
