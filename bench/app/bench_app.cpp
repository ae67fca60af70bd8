// The device list refilled on the window's thread with 10,000 devices (as at load), and
// opening the database.
#include "app/AppContext.h"
#include "app/Form1.h"
#include "storage/Database.h"
#include "storage/DeviceTable.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Qt::Literals::StringLiterals;

namespace {

class SilentDialogs final : public Dialogs {
  public:
    DialogAnswer show(DialogIcon, DialogButtons, const QString&, const QString&) override {
        return DialogAnswer::Ok;
    }
};

struct Folder {
    QTemporaryDir dir;
    AppContext ctx{dir.path()};

    explicit Folder(int devices) {
        ctx.setDialogs(std::make_unique<SilentDialogs>());
        Schema::create(ctx.databasePath());
        DbSession s(ctx.databasePath());
        s.transaction();
        QSqlQuery q(s.db());
        q.prepare(
            u"INSERT INTO ComputerPingList (ComputerName, EmailWhenDown, MaxAverage, Disabled,"
            u" Status, ActionTaken) VALUES (?, 'ops@x.invalid', '', ?, 'Percentage Lost 0%',"
            u" 'Ping OK - 5/12/2026-9:05 PM')"_s);
        for (int i = 0; i < devices; ++i) {
            q.addBindValue(u"device-%1"_s.arg((i * 7919) % devices, 5, 10, QChar(u'0')));
            q.addBindValue(i % 10 == 0 ? 1 : 0);
            q.exec();
        }
        q.finish();
        s.commit();
    }
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
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
