// The device list refilled on the window's thread with 10,000 devices (as at load), and
// opening the database.
#include "app/AppContext.h"
#include "app/Form1.h"
#include "bench/common/BenchFolder.h"
#include "bench/common/QtBenchMain.h"
#include "storage/Database.h"
#include "storage/DeviceTable.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Folder : BenchFolder {
    explicit Folder(int devices) { addDevices(devices); }
};

void BM_ReloadAllRecords(benchmark::State& state) {
    Folder folder(int(state.range(0)));
    Form1 form(folder.ctx);
    form.Form_Load();
    const QAbstractItemModel* list = form.findChild<QAbstractItemView*>(u"ListView1"_s)->model();
    for (auto _ : state) {
        form.fncReloadAllRecords();
        benchmark::DoNotOptimize(list->rowCount());
    }
    state.counters["rows"] = list->rowCount();
    form.close();
}
BENCHMARK(BM_ReloadAllRecords)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_OpenDatabase(benchmark::State& state) {
    Folder folder(0);
    for (auto _ : state) {
        DbSession s(folder.ctx.databasePath());
        benchmark::DoNotOptimize(s.ok());
    }
}
BENCHMARK(BM_OpenDatabase)->Unit(benchmark::kMicrosecond);

void BM_ReadDeviceList(benchmark::State& state) {
    Folder folder(int(state.range(0)));
    DeviceTable table(folder.ctx.databasePath());
    for (auto _ : state)
        benchmark::DoNotOptimize(table.allByName().value.size());
}
BENCHMARK(BM_ReadDeviceList)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runWindowBenchmarks(argc, argv, nullptr);
}
