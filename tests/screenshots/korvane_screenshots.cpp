// Takes the README's pictures: the main window with devices in several states (one probed by the
// running ping monitor), the job monitor after a run, and both editors. The probe's output is
// canned, no mail server is asked and the clock is fixed.
//   korvane_screenshots OUTPUT_FOLDER [WORK_FOLDER]
// WORK_FOLDER (default /tmp/korvane-screenshots, the path the pictures show) is removed at the end.
#include "Files.h"
#include "editors/Form2.h"
#include "editors/Form6.h"
#include "jobs/Form3.h"
#include "jobs/JobCycle.h"
#include "ping/CycleFixture.h"
#include "ping/PingProbe.h"
#include "storage/JobTable.h"

#include <QtTest>
#include <QtWidgets>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

QString g_workFolder = u"/tmp/korvane-screenshots"_s;

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

bool takePictures(const QString& out) {
    cycletest::CycleFixture<> fx;
    AppContext& ctx = fx.folder.ctx;
    QDir(g_workFolder).removeRecursively();
    QDir().mkpath(g_workFolder);
    QFile::link(QStringLiteral(KORVANE_PROGRAM_DIR) + u"/psservice.exe"_s,
                fx.folder.path() + u"/psservice.exe"_s);
    fx.runner->outputs = {cycletest::iputilsOutput(4, 4, u"1.2"_s)};
    // The devices as earlier passes of the ping monitor left them ("access-router" is probed
    // live), and a job whose file is three hours old.
    const QString mail = u"helpdesk@site.invalid"_s, mailed = ping::emailedToAction(mail);
    const QString pingOk = ping::pingOkAction(ctx.clock().now().addSecs(-600)),
                  up = ping::statusText(u"0"_s);
    // clang-format off
    for (const auto& [name, disabled, status, action] : std::initializer_list<std::tuple<QString, bool, QString, QString>>{
             {u"access-router"_s, false, {}, {}}, {u"printer-hall"_s, false, ping::statusText(u"50"_s), mailed},
             {u"nas-backup"_s, false, ping::statusText(ping::notFoundStatus()), mailed},
             {u"switch-core"_s, false, up, pingOk}, {u"wifi-lobby"_s, true, up, pingOk}})
        fx.folder.addDevice({0, name + u".site.invalid"_s, mail, {}, disabled, status, action});
    // clang-format on
    const QString bak = g_workFolder + u"/nightly.bak"_s;
    fx.folder.execSql(
        u"INSERT INTO Services (FilePathToCheck, AgeOfFile, EmailWhenDown) VALUES (?, ?, ?)"_s,
        {bak, ageOfFileTexts().at(1), mail});
    writeFile(bak, ctx.clock().now().addSecs(-3 * 3600));
    // The ping monitor probes the first device, then pauses so the countdown stands still.
    fx.start();
    Form1& main = *fx.form;
    main.resize(760, 300);
    if (!fx.tick() || fx.listColumn(0).isEmpty())
        return fail("the probe's outcome was not shown");
    fx.click(u"Command3"_s);
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
    jobs->close();
    main.Command2_Click();
    Form6 devices(ctx, main, &main);
    Form2 jobEditor(ctx, &main);
    const bool ok = devices.Form_Load() && save(devices, out, u"device-editor"_s) &&
                    (devices.close(), jobEditor.Form_Load()) &&
                    save(jobEditor, out, u"job-editor"_s);
    jobEditor.close();
    return ok;
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
