// The tray through its state object: the icon halves, the tooltip and the menu entries that can
// be used for each state of the two monitors; the main window feeding it as the monitors start,
// probe, pause and stop (the tray's own entries included); and the icon drawn sharp at 200 %.
#include "FakeCommandRunner.h"
#include "TestProgramFolder.h"
#include "app/Form1.h"
#include "app/TrayIcon.h"
#include "app/TrayState.h"
#include "jobs/Form3.h"
#include "jobs/JobCycle.h"
#include "ping/CycleFixture.h"
#include "storage/JobTable.h"

#include <QSignalSpy>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;
using M = MonitorState;

class TestTray : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // "icons | tooltip | entries": the entries start and stop ping, start and stop jobs, show
    // and quit, 1 where they can be used.
    void state_data() {
        // clang-format off
        QTest::addColumn<TrayState>("state");
        QTest::addColumn<QString>("shown");
        TrayState s;
        const QString ping = u"Korvane\nPing monitor: "_s, jobs = u"\nJob monitor: "_s;
        QTest::newRow("both stopped") << s << u"korvane-stopped korvane-stopped | "_s + ping + u"stopped"_s + jobs + u"stopped | 101011"_s;
        s = {M::Running, M::Paused, u"Pinged pc1 with a 0% Loss."_s, {}, false};
        QTest::newRow("ping running, jobs paused") << s << u"korvane-running korvane-paused | "_s + ping + u"running\nPinged pc1 with a 0% Loss."_s + jobs + u"paused | 010111"_s;
        s = {M::Paused, M::Running, s.pingOutcome, u"Checked File (a.bak)"_s, true};
        QTest::newRow("a modal window open") << s << u"korvane-paused korvane-running | "_s + ping + u"paused\nPinged pc1 with a 0% Loss."_s + jobs + u"running\nChecked File (a.bak) | 000010"_s;
        // clang-format on
    }
    void state() {
        QFETCH(TrayState, state);
        const TrayState::Actions a = state.actions();
        QString entries;
        for (bool on : {a.startPing, a.stopPing, a.startJobs, a.stopJobs, a.show, a.quit})
            entries += on ? u'1' : u'0';
        QTEST(state.leftIconName() + u' ' + state.rightIconName() + u" | "_s + state.toolTip() +
                  u" | "_s + entries,
              "shown");
    }

    // The ping monitor started, probed, paused and stopped from the tray and the window; the
    // job monitor started and stopped from the tray.
    void mainWindowFeedsTheTray() {
        TestProgramFolder folder;
        auto runner = std::make_unique<FakeCommandRunner>();
        runner->outputs = {cycletest::iputilsOutput(4, 4)};
        folder.ctx.setRunner(std::move(runner));
        folder.addDevice(u"pc1.site.invalid"_s);
        QFile(folder.path() + u"/psservice.exe"_s).open(QIODevice::WriteOnly); // Start needs it
        JobRecord job;
        job.filePathToCheck = folder.path() + u"/a.bak"_s;
        job.ageOfFile = ageOfFileTexts().at(1);
        QVERIFY(JobTable(folder.databasePath()).insert(job).ok());
        Form1 main(folder.ctx);
        QVERIFY(main.Form_Load());
        main.mnuRemoteServicesScanning_Click();
        Form3& jobs = *Form3::openWindow(&main);
        auto states = [&] { return QList<M>{main.trayState().ping, main.trayState().jobs}; };
        QCOMPARE(states(), (QList<M>{M::Stopped, M::Stopped}));

        main.trayStartPing();
        QCOMPARE(states(), (QList<M>{M::Running, M::Stopped}));
        main.Timer1_Timer();
        QVERIFY(QTest::qWaitFor([&] { return main.pingCycle().resultPending(); }));
        main.Timer2_Timer();
        QTRY_VERIFY(!main.pingCycle().handlingResult());
        QCOMPARE(main.trayState().pingOutcome, cycletest::lossLine(u"pc1.site.invalid"_s, u"0"_s));
        main.findChild<QToolButton*>(u"Command3"_s)->click();
        QCOMPARE(states(), (QList<M>{M::Paused, M::Stopped}));

        main.trayStartJobs();
        QCOMPARE(states(), (QList<M>{M::Paused, M::Running}));
        QSignalSpy ended(&jobs.cycle(), &JobCycle::jobEnded);
        jobs.cycle().Timer1_Timer();
        QVERIFY(ended.wait(20000));
        QCOMPARE(
            main.trayState().jobOutcome,
            u"File Path to ("_s + job.filePathToCheck +
                u") was NOT found. Please check the database list to make sure the file name or path was not spelled incorrectly. "_s);
        main.trayStopJobs();
        main.trayStopPing();
        QCOMPARE(states(), (QList<M>{M::Stopped, M::Stopped}));
        jobs.close();
        QCOMPARE(main.trayState().jobs, M::Stopped);
    }

    // Drawn from the SVGs at the device size: 44 by 44 pixels for a 22-point icon at 200 %,
    // the ping monitor's colour on the left, the job monitor's on the right (inside each half's
    // background, clear of the glyphs, colours within rounding).
    void iconAtDoubleScale() {
        const QPixmap pixmap =
            TrayIcon::stateIcon({M::Running, M::Paused, {}, {}, false}).pixmap(QSize(22, 22), 2.0);
        QCOMPARE(pixmap.size(), QSize(44, 44));
        QCOMPARE(pixmap.devicePixelRatio(), 2.0);
        const QImage image = pixmap.toImage();
        QCOMPARE(image.pixelColor(8, 8).name().first(4) + image.pixelColor(36, 8).name().first(4),
                 u"#2e7#c77"_s);
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
