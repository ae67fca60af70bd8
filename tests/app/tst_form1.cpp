// The program started as a user starts it; the main window as a frame: its list, auto-start, the
// About box, closing; its tray fed by both monitors; every window as a screen reader meets it.
#include "Files.h"
#include "ProgramCopy.h"
#include "WindowChecks.h"
#include "app/TrayIcon.h"
#include "app/TrayState.h"
#include "editors/Form2.h"
#include "editors/Form6.h"
#include "jobs/Form3.h"
#include "jobs/JobCycle.h"
#include "mail/MailWindows.h"
#include "mail/frmMain.h"
#include "ping/CycleFixture.h"
#include "settings/Form4.h"
#include "settings/Form7.h"
#include "storage/Database.h"
#include "storage/SettingsTables.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::Literals::StringLiterals;

namespace {

// Whether the run has said the text on standard error so far.
bool says(QProcess& run, const QString& text) {
    run.setProperty("err",
                    run.property("err").toString() + QString::fromUtf8(run.readAllStandardError()));
    return run.property("err").toString().contains(text);
}

// "icons | tooltip | entries | colours": the entries start and stop ping, start and stop jobs,
// show and quit, 1 where they can be used; the colours of the two halves of the icon as drawn
// sharp at 200 %.
QString shown(const TrayState& state) {
    const TrayState::Actions a = state.actions();
    QString entries;
    for (bool on : {a.startPing, a.stopPing, a.startJobs, a.stopJobs, a.show, a.quit})
        entries += on ? u'1' : u'0';
    const QImage image = TrayIcon::stateIcon(state).pixmap(QSize(22, 22), 2.0).toImage();
    return state.leftIconName() + u' ' + state.rightIconName() + u" | "_s + state.toolTip() +
           u" | "_s + entries + u" | "_s + image.pixelColor(8, 8).name().first(4) +
           image.pixelColor(36, 8).name().first(4);
}

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    // Of two started together on a new folder exactly one gets the guard, runs on and creates
    // the database with its password and default rows; a file it refuses ends it with a message.
    void startUp_data() {
        QTest::addColumn<QString>("message");
        // clang-format off
        QTest::newRow("two at once") << u"Ending.....: Korvane is Already running! If not already running wait a moment after closing."_s;
        QTest::newRow("another password") << u"Wrong Password: You entered an incorrect password. This application will now close."_s;
        QTest::newRow("not a database") << u"Error: A database error or password error with the database has been detected."_s;
        QTest::newRow("cannot be opened") << u"Database File Not Found: Database File not found, or is currently opened with another process. Contact your computer administrator"_s;
        // clang-format on
    }
    void startUp() {
        QFETCH(QString, message);
        ProgramCopy program(false);
        const QByteArray kind = QTest::currentDataTag();
        if (kind == "another password")
            QVERIFY(Schema::create(program.databasePath(), u"WXYZ98765"_s).ok());
        else if (kind == "not a database")
            writeFile(program.databasePath(), {}, QByteArray(8192, 1));
        else if (kind == "cannot be opened")
            QVERIFY(QDir().mkpath(program.databasePath()));
        QProcess& first = program.start();
        QProcess& second = kind == "two at once" ? program.start() : first;
        QTRY_VERIFY_WITH_TIMEOUT(says(first, message) || says(second, message), 15000);
        if (kind != "two at once")
            return;
        QProcess& runs = says(first, message) ? second : first;
        QTRY_VERIFY_WITH_TIMEOUT(SettingsTable(program.databasePath()).read().ok(), 15000);
        QCOMPARE(SmtpSettingsTable(program.databasePath()).read().value.smtpPort, u"25"_s);
        QVERIFY(runs.state() == QProcess::Running && !says(runs, u"Ending"_s));
    }

    // Auto-start; the device list by name without regard to case, disabled devices too, a null
    // as empty text, and a refresh that reads what another program changed off the window's
    // thread; the About box and closing; a database the list cannot read ends the program.
    void load_data() {
        QTest::addColumn<QString>("autoStart"); // AutoStartPinger, AutoStartServices
        QTest::addColumn<bool>("device");
        QTest::addColumn<QStringList>("boxes");
        // clang-format off
        QTest::newRow("auto-start with devices") << u"1 0"_s << true << QStringList{u"information About Korvane: Korvane "_s + Form1::versionText() + u"\n\nNetwork & File Monitoring Tools\n\nDeveloped by Brackwater, written by Halloran\n\n"_s + Form1::productWebPage()};
        QTest::newRow("auto-start without a device, or the service tool") << u"1 1"_s << false << QStringList{
            u"critical Missing File: The File psservice.exe does NOT exist in the same folder as this application is in. You should reinstall this application. You can not continue the Service check until this file is replaced."_s,
            cycletest::kNoDevices};
        QTest::newRow("another password") << QString() << false << QStringList{u"critical Wrong Password: You entered an incorrect password. This application will now close."_s};
        // clang-format on
    }
    void load() {
        QFETCH(QString, autoStart);
        QFETCH(bool, device);
        cycletest::CycleFixture<> fx;
        TestProgramFolder& folder = fx.folder;
        folder.execSql(u"UPDATE SMTPsettings SET ServerName = 'mail.invalid', SMTPport = NULL"_s);
        if (autoStart.isEmpty())
            QVERIFY(QFile::remove(folder.databasePath()) &&
                    Schema::create(folder.databasePath(), u"ABCD12345"_s).ok());
        else
            folder.execSql(u"UPDATE Settings SET AutoStartPinger = ?, AutoStartServices = ?"_s,
                           {autoStart.left(1), autoStart.right(1)});
        for (const QString& n :
             device ? QStringList{u"printer2"_s, u"Alpha"_s, u"O'Brien; DROP"_s} : QStringList())
            folder.addDevice(n, n == u"printer2"_s);
        if (device)
            folder.execSql(u"INSERT INTO ComputerPingList (ComputerName, Status, ActionTaken) "
                           u"VALUES ('beta', 'Percentage Lost 25%', NULL)"_s);
        fx.load();
        Form1& form = *fx.form;
        QCOMPARE(form.isVisible(), !autoStart.isEmpty());
        QCOMPARE(folder.endedWith, autoStart.isEmpty() ? QList<int>{1} : QList<int>{});
        QCOMPARE(form.publicValues().blForm1isRunning, device);
        QTimer* timer = form.findChild<QTimer*>(u"Timer1"_s);
        QCOMPARE(timer->isActive(), device);
        QCOMPARE(form.autoStartJobs(), autoStart == u"1 1"_s);
        const auto shown = [&] { // the name, status and action columns, then the selected row
            return fx.listColumn(0) + u' ' + fx.listColumn(1) + u' ' + fx.listColumn(2) + u" @"_s +
                   QString::number(fx.ui<QAbstractItemView>(u"ListView1"_s)->currentIndex().row());
        };
        if (device) {
            QCOMPARE(shown(), u"Alpha|beta|O'Brien; DROP|printer2 |Percentage Lost 25%|| ||| @0"_s);
            QCOMPARE(form.publicValues().SMTPserver + u'|' + form.publicValues().SMTPport,
                     u"mail.invalid|"_s);
            folder.execSql(u"UPDATE ComputerPingList SET Status = 'Device Is Slow' WHERE ID = 2"_s);
            folder.addDevice(u"aaa"_s);
            form.refreshDeviceList();
            QCOMPARE(shown(), u"aaa|Alpha|beta|O'Brien; DROP|printer2 |Device Is Slow|Percentage "
                              u"Lost 25%|| |||| @0"_s);
            form.findChild<QAction*>(u"mnuAbout"_s)->trigger();
        }
        QTEST(folder.dialogs().boxes(), "boxes");
        form.findChild<QAction*>(u"mnuExit"_s)->trigger();
        QVERIFY(!form.isVisible() && !timer->isActive());
    }

    // Both monitors driven from the tray and the window; a modal window leaves only Show.
    void mainWindowFeedsTheTray() {
        cycletest::CycleFixture<> fx;
        fx.runner->outputs = {cycletest::iputilsOutput(4, 4)};
        fx.addDevice(u"pc1.site.invalid"_s);
        writeFile(fx.folder.path() + u"/psservice.exe"_s); // Start needs it
        const QString bak = fx.folder.path() + u"/a.bak"_s;
        fx.folder.execSql(u"INSERT INTO Services (FilePathToCheck, AgeOfFile) VALUES (?, ?)"_s,
                          {bak, u"Greater Than 1 Day"_s});
        fx.load();
        Form1& main = *fx.form;
        main.mnuRemoteServicesScanning_Click();
        Form3& jobs = *Form3::openWindow(&main);
        const QString ping = u"Korvane\nPing monitor: "_s, job = u"\nJob monitor: "_s,
                      pinged = u"\n"_s + cycletest::lossLine(u"pc1.site.invalid"_s, u"0"_s),
                      checked = u"\nFile Path to ("_s + bak +
                                u") was NOT found. Please check the database list to make sure "
                                u"the file name or path was not spelled incorrectly. "_s;
        main.trayStartPing();
        QCOMPARE(shown(main.trayState()), u"korvane-running korvane-stopped | "_s + ping +
                                              u"running"_s + job +
                                              u"stopped | 011011 | #2e7#5f6"_s);
        QVERIFY(fx.tick());
        fx.click(u"Command3"_s);
        main.trayStartJobs();
        QSignalSpy ended(&jobs.cycle(), &JobCycle::jobEnded);
        jobs.cycle().Timer1_Timer();
        QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), 20000);
        QCOMPARE(shown(main.trayState()), u"korvane-paused korvane-running | "_s + ping +
                                              u"paused"_s + pinged + job + u"running"_s + checked +
                                              u" | 010111 | #c77#2e7"_s);
        TrayState modal = main.trayState();
        modal.modalOpen = true;
        QCOMPARE(shown(modal).section(u" | "_s, 2, 2), u"000010"_s);
        main.trayStopJobs();
        main.trayStopPing();
        QCOMPARE(shown(main.trayState()), u"korvane-stopped korvane-stopped | "_s + ping +
                                              u"stopped"_s + pinged + job + u"stopped"_s + checked +
                                              u" | 101011 | #5f6#5f6"_s);
        jobs.close();
    }

    // The controls a screen reader would read without a name, and buttons Tab cannot reach, in
    // every window. Qt's own parts (a combo box's text box, a list's header, the menu bar's
    // overflow) and the controls of other windows are left out.
    void everyWindow() {
        TestProgramFolder folder;
        Form1 main(folder.ctx);
        QVERIFY(main.Form_Load());
        main.mnuRemoteServicesScanning_Click();
        Form6 devices(folder.ctx, main, &main);
        Form2 jobEditor(folder.ctx, &main);
        Form4 application(folder.ctx, &main);
        Form7 email(folder.ctx, &main);
        QVERIFY(devices.Form_Load() && jobEditor.Form_Load() && application.Form_Load() &&
                email.Form_Load());
        QStringList missing;
        for (QWidget* window : std::initializer_list<QWidget*>{
                 &main, Form3::openWindow(&main), &devices, &jobEditor, &application, &email,
                 main.mailWindows().create(folder.ctx)})
            for (QWidget* w : window->findChildren<QWidget*>()) {
                const auto* button = qobject_cast<QAbstractButton*>(w);
                if ((button || qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
                     qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w)) &&
                    w->window() == window && !qobject_cast<QHeaderView*>(w) &&
                    !w->objectName().startsWith(u"qt_"_s) &&
                    !qobject_cast<QComboBox*>(w->parentWidget()) &&
                    (QAccessible::queryAccessibleInterface(w)
                         ->text(QAccessible::Name)
                         .trimmed()
                         .isEmpty() ||
                     (button && !(w->focusPolicy() & Qt::TabFocus))))
                    missing << window->objectName() + u'.' + w->objectName();
            }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u", "_s)));
        for (QAction* menu : main.menuBar()->actions())
            for (QAction* a : QList<QAction*>{menu} + menu->menu()->actions())
                QVERIFY2(a->text().count(u'&') == 1, qPrintable(a->text()));
        main.mailWindows().closeAll();
        main.close();
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
