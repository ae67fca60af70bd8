// Takes the README's pictures: the main window with devices in several states (one probed by the
// running ping monitor), the job monitor after a run, and both editors. The probe's output is
// canned, no mail server is asked and the clock is fixed.
//   korvane_screenshots OUTPUT_FOLDER [WORK_FOLDER]
// WORK_FOLDER (default /tmp/korvane-screenshots, the path the pictures show) is removed at the end.
#include "FakeClock.h"
#include "FakeCommandRunner.h"
#include "RecordingDialogs.h"
#include "app/AppContext.h"
#include "app/Form1.h"
#include "editors/Form2.h"
#include "editors/Form6.h"
#include "jobs/Form3.h"
#include "jobs/JobCycle.h"
#include "ping/PingProbe.h"
#include "storage/Database.h"
#include "storage/DeviceTable.h"
#include "storage/JobTable.h"
#include "storage/SettingsTables.h"

#include <QApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

QString g_workFolder = u"/tmp/korvane-screenshots"_s;
const QString kHelpdesk = u"helpdesk@site.invalid"_s;

bool fail(const char* what) {
    std::fprintf(stderr, "korvane_screenshots: %s\n", what);
    return false;
}

bool save(QWidget& window, const QString& folder, const QString& name) {
    window.show();
    window.activateWindow();
    QApplication::processEvents();
    const QString path = QDir(folder).filePath(name + u".png"_s);
    return window.grab().save(path) ? std::printf("%s\n", qPrintable(path)) > 0
                                    : fail("cannot save a picture");
}

// The devices as earlier passes of the ping monitor left them ("access-router" is probed live),
// and a job whose file is three hours old.
void fillDatabase(AppContext& ctx) {
    const QString db = ctx.databasePath(), ok = ping::pingOkAction(ctx.clock().now().addSecs(-600));
    const QString mailed = ping::emailedToAction(kHelpdesk);
    // clang-format off
    for (const DeviceRecord& d : {
             DeviceRecord{0, u"access-router.site.invalid"_s, kHelpdesk, {}, false, {}, {}},
             DeviceRecord{0, u"printer-hall.site.invalid"_s, kHelpdesk, {}, false, ping::statusText(u"50"_s), mailed},
             DeviceRecord{0, u"nas-backup.site.invalid"_s, kHelpdesk, {}, false, ping::statusText(ping::notFoundStatus()), mailed},
             DeviceRecord{0, u"switch-core.site.invalid"_s, kHelpdesk, {}, false, ping::statusText(u"0"_s), ok},
             DeviceRecord{0, u"wifi-lobby.site.invalid"_s, kHelpdesk, {}, true, ping::statusText(u"0"_s), ok}})
        // clang-format on
        DeviceTable(db).insert(d);
    JobRecord job;
    job.filePathToCheck = g_workFolder + u"/nightly.bak"_s;
    job.ageOfFile = ageOfFileTexts().at(1);
    job.emailWhenDown = kHelpdesk;
    JobTable(db).insert(job);
    QFile file(job.filePathToCheck);
    file.open(QIODevice::WriteOnly);
    file.setFileTime(ctx.clock().now().addSecs(-3 * 3600), QFileDevice::FileModificationTime);
}

bool takePictures(const QString& out) {
    const QString programFolder = g_workFolder + u"/program"_s;
    QDir(g_workFolder).removeRecursively();
    QDir().mkpath(programFolder);
    QFile::link(QStringLiteral(KORVANE_PROGRAM_DIR) + u"/psservice.exe"_s,
                programFolder + u"/psservice.exe"_s);
    AppContext ctx(programFolder);
    ctx.setDialogs(std::make_unique<RecordingDialogs>());
    ctx.setClock(std::make_unique<FakeClock>());
    auto runner = std::make_unique<FakeCommandRunner>();
    runner->outputs = {u"4 packets transmitted, 4 received, 0% packet loss, time 3004ms\n"
                       u"rtt min/avg/max/mdev = 0.9/1.2/1.8/0.3 ms\n"_s};
    ctx.setRunner(std::move(runner));
    if (!Schema::create(ctx.databasePath()).ok())
        return fail("cannot create the database");
    ctx.setEndProgramHandler([](int) {});
    fillDatabase(ctx);

    Form1 main(ctx);
    if (!main.Form_Load())
        return fail("the main window did not load");
    main.resize(760, 300);
    // The ping monitor runs and probes the first device.
    main.Command1_Click();
    main.Timer1_Timer();
    if (!QTest::qWaitFor([&] { return main.pingCycle().resultPending(); }))
        return fail("the probe did not come back");
    main.Timer2_Timer();
    if (!QTest::qWaitFor([&] { return !main.pingCycle().handlingResult(); }) ||
        !QTest::qWaitFor([&] { return !main.deviceListReading(); }))
        return fail("the probe's outcome was not shown");
    main.Command3_Click(); // paused, so the countdown stands still in the picture
    if (!save(main, out, u"main-window"_s))
        return false;

    main.mnuRemoteServicesScanning_Click();
    Form3* jobs = Form3::openWindow(&main);
    jobs->Command1->click();
    QSignalSpy ended(&jobs->cycle(), &JobCycle::jobEnded);
    jobs->cycle().Timer1_Timer();
    if (!ended.wait(20000))
        return fail("the job did not run");
    if (!save(*jobs, out, u"job-monitor"_s))
        return false;
    jobs->Command2->click();
    jobs->close();
    main.Command2_Click();

    Form6 devices(ctx, main, &main);
    if (!devices.Form_Load() || !save(devices, out, u"device-editor"_s))
        return false;
    devices.close();
    Form2 jobEditor(ctx, &main);
    if (!jobEditor.Form_Load() || !save(jobEditor, out, u"job-editor"_s))
        return false;
    jobEditor.close();
    main.close();
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2 || argc > 3)
        return fail("usage: korvane_screenshots OUTPUT_FOLDER [WORK_FOLDER]"), 2;
    if (argc == 3)
        g_workFolder = QString::fromLocal8Bit(argv[2]);
    const bool ok = takePictures(QString::fromLocal8Bit(argv[1]));
    QDir(g_workFolder).removeRecursively();
    return ok ? 0 : 1;
}
