// Start to window shown: the program's own start-up path (single-instance guard, database
// check or creation, main window load over the devices already in the folder's database) timed from
// the moment the process was created, as read from /proc. Prints one figure in milliseconds.
#include "app/AppContext.h"
#include "app/Form1.h"
#include "app/SingleInstance.h"
#include "bench/common/BenchFolder.h"
#include "storage/Database.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

// Milliseconds since this process was created.
double sinceProcessStart() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    stat.open(QIODevice::ReadOnly);
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble(); // field 22 of the whole line
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs = double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
    return nowMs - startTicks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

} // namespace

int main(int argc, char** argv) {
    // argv[1]: the program folder (its database is created there when missing).
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_startup FOLDER\n");
        return 2;
    }
    QApplication app(argc, argv);
    AppContext ctx(QString::fromLocal8Bit(argv[1]));
    ctx.setDialogs(std::make_unique<SilentDialogs>());
    SingleInstanceGuard guard(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/korvane"));
    if (!guard.tryAcquire())
        return 1;
    if (!Schema::ensure(ctx.databasePath()).ok())
        return 1;
    Form1 form(ctx);
    if (!form.Form_Load())
        return 1;
    QCoreApplication::processEvents();
    std::printf("%.1f\n", sinceProcessStart());
    return 0;
}
