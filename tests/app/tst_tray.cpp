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

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;
using M = MonitorState;

class TestTray : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void state_data() {
        QTest::addColumn<TrayState>("state");
        QTest::addColumn<QStringList>("icons");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QList<bool>>("enabled"); // start/stop ping, start/stop jobs, show, quit
        TrayState s;
        QTest::newRow("both stopped")
            << s << QStringList{u"korvane-stopped"_s, u"korvane-stopped"_s}
            << u"Korvane\nPing monitor: stopped\nJob monitor: stopped"_s
            << QList<bool>{true, false, true, false, true, true};
        s.ping = M::Running;
        s.jobs = M::Paused;
        s.pingOutcome = u"Pinged pc1 with a 0% Loss."_s;
        QTest::newRow("ping running, jobs paused")
            << s << QStringList{u"korvane-running"_s, u"korvane-paused"_s}
            << u"Korvane\nPing monitor: running\nPinged pc1 with a 0% Loss.\nJob monitor: paused"_s
            << QList<bool>{false, true, false, true, true, true};
        s.ping = M::Paused;
        s.jobs = M::Running;
        s.jobOutcome = u"Checked File (a.bak)"_s;
        s.modalOpen = true;
        QTest::newRow("a modal window open")
            << s << QStringList{u"korvane-paused"_s, u"korvane-running"_s}
            << u"Korvane\nPing monitor: paused\nPinged pc1 with a 0% Loss.\nJob monitor: "
               u"running\nChecked File (a.bak)"_s
            << QList<bool>{false, false, false, false, true, false};
    }
    void state() {
        QFETCH(TrayState, state);
        QFETCH(QStringList, icons);
        QFETCH(QString, toolTip);
        QFETCH(QList<bool>, enabled);
        QCOMPARE((QStringList{state.leftIconName(), state.rightIconName()}), icons);
        QCOMPARE(state.toolTip(), toolTip);
        const TrayState::Actions a = state.actions();
        QCOMPARE((QList<bool>{a.startPing, a.stopPing, a.startJobs, a.stopJobs, a.show, a.quit}),
                 enabled);
    }

    // The ping monitor started, probed, paused and stopped from the tray and the window; the
    // job monitor started and stopped from the tray.
    void mainWindowFeedsTheTray() {
        TestProgramFolder folder;
        auto runner = std::make_unique<FakeCommandRunner>();
        runner->outputs = {cycletest::iputilsOutput(4, 4)};
        folder.ctx.setRunner(std::move(runner));
        folder.addDevice(u"pc1.site.invalid"_s);
        QFile tool(folder.path() + u"/psservice.exe"_s); // Start looks for it
        QVERIFY(tool.open(QIODevice::WriteOnly));
        JobRecord job;
        job.filePathToCheck = folder.path() + u"/a.bak"_s;
        job.ageOfFile = ageOfFileTexts().at(1);
        QVERIFY(JobTable(folder.databasePath()).insert(job).ok());
        Form1 main(folder.ctx);
        QVERIFY(main.Form_Load());
        main.findChild<QAction*>(u"mnuRemoteServicesScanning"_s)->trigger();
        Form3& jobs = *Form3::openWindow(&main);
        auto tickJobs = [&jobs] {
            QSignalSpy ended(&jobs.cycle(), &JobCycle::jobEnded);
            jobs.cycle().Timer1_Timer();
            QVERIFY(ended.wait(20000));
        };
        auto states = [&] { return QList<M>{main.trayState().ping, main.trayState().jobs}; };
        QCOMPARE(states(), (QList<M>{M::Stopped, M::Stopped}));

        main.trayStartPing();
        QCOMPARE(states(), (QList<M>{M::Running, M::Stopped}));
        main.Timer1_Timer();
        QVERIFY(QTest::qWaitFor([&] { return main.pingCycle().resultPending(); }));
        main.Timer2_Timer();
        QTRY_VERIFY(!main.pingCycle().handlingResult());
        QCOMPARE(main.trayState().pingOutcome,
                 u"Pinged pc1.site.invalid with a 0% Loss. Preparing for the next one.... "
                 u"Waiting For Timer"_s);
        main.findChild<QToolButton*>(u"Command3"_s)->click();
        QCOMPARE(states(), (QList<M>{M::Paused, M::Stopped}));

        main.trayStartJobs();
        QCOMPARE(states(), (QList<M>{M::Paused, M::Running}));
        tickJobs();
        QCOMPARE(main.trayState().jobOutcome,
                 u"File Path to ("_s + job.filePathToCheck +
                     u") was NOT found. Please check the database list to make sure the file name "
                     u"or path was not spelled incorrectly. "_s);
        main.trayStopJobs();
        main.trayStopPing();
        QCOMPARE(states(), (QList<M>{M::Stopped, M::Stopped}));
        jobs.close();
        QCOMPARE(main.trayState().jobs, M::Stopped);
    }

    // Drawn from the SVGs at the device size: 44 by 44 pixels for a 22-point icon at 200 %,
    // the ping monitor's colour on the left, the job monitor's on the right.
    void iconAtDoubleScale() {
        TrayState s;
        s.ping = M::Running;
        s.jobs = M::Paused;
        const QPixmap pixmap = TrayIcon::stateIcon(s).pixmap(QSize(22, 22), 2.0);
        QCOMPARE(pixmap.size(), QSize(44, 44));
        QCOMPARE(pixmap.devicePixelRatio(), 2.0);
        // Inside each half's background, clear of the glyphs (colours within rounding).
        const QImage image = pixmap.toImage();
        QCOMPARE(image.pixelColor(8, 8).name().first(4), u"#2e7"_s);
        QCOMPARE(image.pixelColor(36, 8).name().first(4), u"#c77"_s);
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
