// The job monitor's cycle, opened from the main window's menu: one table over its states
// (Start, due and not-due ticks, Stop, Pause/Resume, Halted, unload, the menus with and
// without the ping monitor, refused starts, a list that shrank while paused), the order of the
// job kinds, and checks that never answer or are cut short.
#include "JobFixture.h"
#include "WindowChecks.h"
#include "jobs/CheckPool.h"
#include "jobs/JobTexts.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace jobtest;
using State = JobCycle::State;

namespace {

// A file-exists job that finds nothing and mails nothing; its name shows in Label3.
JobRecord quietJob(const QString& folder, const QString& name) {
    JobRecord j;
    j.checkIfFileExistFolder = folder;
    j.fileNameOfFileExist = name;
    j.fileExistEmailifThereOrNot = fileExistActionTexts().at(0);
    return j;
}

// A FIFO without a writer: opening it for reading waits until one comes, like a share that
// never answers.
QString makeFifo(const QString& folder) {
    const QString path = folder + u"/hang.bak"_s;
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
        qFatal("cannot make a FIFO");
    return path;
}

// Lets a reader waiting on the FIFO go on; false while none waits.
bool releaseFifo(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
}

QString onOff(bool on) {
    return on ? u"on"_s : u"off"_s;
}

} // namespace

class TestJobCycle : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    void states_data() {
        QTest::addColumn<int>("interval");
        QTest::addColumn<QString>("script");
        QTest::addColumn<State>("state");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("timer");   // "off" or its interval
        QTest::addColumn<QString>("buttons"); // Command1..3 enabled
        QTest::addColumn<QString>("label2");
        QTest::addColumn<QString>("lastJob"); // the job whose outcome Label3 shows
        QTest::addColumn<QString>("menus");   // Edit, Settings, job-scanning check mark
        QTest::addColumn<bool>("running");    // blForm3isRunning
        QTest::addColumn<bool>("paused");     // blPaused
        QTest::addColumn<QString>("dialog");  // title of the last message box

        const QString five = u"Less Than 5 minutes until the next one"_s;
        QTest::newRow("loaded") << 5 << u""_s << State::Idle << 0 << u"off"_s << u"100"_s
                                << QString() << QString() << u"on on on"_s << false << false
                                << QString();
        QTest::newRow("start") << 5 << u"start"_s << State::Waiting << 0 << u"60000"_s << u"011"_s
                               << QString() << QString() << u"off off on"_s << true << false
                               << QString();
        QTest::newRow("auto-start")
            << 5 << u"auto"_s << State::Waiting << 0 << u"60000"_s << u"011"_s << QString()
            << QString() << u"off off on"_s << true << false << QString();
        QTest::newRow("first tick runs job 1")
            << 5 << u"start tick"_s << State::Waiting << 1 << u"60000"_s << u"011"_s << five
            << u"j1"_s << u"off off on"_s << true << false << QString();
        QTest::newRow("countdown")
            << 5 << u"start tick tick tick"_s << State::Waiting << 1 << u"60000"_s << u"011"_s
            << u"Less Than 3 minutes until the next one"_s << u"j1"_s << u"off off on"_s << true
            << false << QString();
        QTest::newRow("one minute left")
            << 5 << u"start tick tick tick tick tick"_s << State::Waiting << 1 << u"60000"_s
            << u"011"_s << u"Less Than 1 minute until the next one"_s << u"j1"_s << u"off off on"_s
            << true << false << QString();
        QTest::newRow("6th tick runs job 2")
            << 5 << u"start tick tick tick tick tick tick"_s << State::Waiting << 2 << u"60000"_s
            << u"011"_s << five << u"j2"_s << u"off off on"_s << true << false << QString();
        QTest::newRow("16th tick wraps to job 1")
            << 5 << u"start"_s + u" tick"_s.repeated(16) << State::Waiting << 1 << u"60000"_s
            << u"011"_s << five << u"j1"_s << u"off off on"_s << true << false << QString();
        QTest::newRow("stop") << 1 << u"start tick stop"_s << State::Idle << 1 << u"off"_s
                              << u"101"_s << QString() << QString() << u"on on on"_s << false
                              << false << QString();
        QTest::newRow("stop, ping runs")
            << 1 << u"ping start stop"_s << State::Idle << 0 << u"off"_s << u"101"_s << QString()
            << QString() << u"off off on"_s << false << false << QString();
        QTest::newRow("pause") << 1 << u"start tick pause"_s << State::Paused << 1 << u"off"_s
                               << u"011"_s << QString() << u"j1"_s << u"on on on"_s << true << true
                               << QString();
        QTest::newRow("pause, ping runs")
            << 1 << u"ping start pause"_s << State::Paused << 0 << u"off"_s << u"011"_s << QString()
            << QString() << u"off off on"_s << true << true << QString();
        QTest::newRow("resume: 20 s steps")
            << 1 << u"start tick pause pause"_s << State::Waiting << 1 << u"20000"_s << u"011"_s
            << QString() << u"j1"_s << u"off off on"_s << true << false << QString();
        QTest::newRow("resume, then a job")
            << 1 << u"start tick pause pause tick"_s << State::Waiting << 2 << u"20000"_s
            << u"011"_s << u"Less Than 1 minute until the next one"_s << u"j2"_s << u"off off on"_s
            << true << false << QString();
        QTest::newRow("paused kept across stop and start")
            << 1 << u"start pause stop start"_s << State::Waiting << 0 << u"60000"_s << u"011"_s
            << QString() << QString() << u"off off on"_s << true << true << QString();
        QTest::newRow("...so the next press resumes")
            << 1 << u"start pause stop start pause"_s << State::Waiting << 0 << u"20000"_s
            << u"011"_s << QString() << QString() << u"off off on"_s << true << false << QString();
        QTest::newRow("pause before start: disabled")
            << 1 << u"pause"_s << State::Idle << 0 << u"off"_s << u"100"_s << QString() << QString()
            << u"on on on"_s << false << false << QString();
        QTest::newRow("pause after stop")
            << 1 << u"start stop pause"_s << State::Idle << 0 << u"off"_s << u"101"_s << QString()
            << QString() << u"on on on"_s << false << false << u"Read Me"_s;
        QTest::newRow("halted") << 1 << u"start break tick"_s << State::Halted << 0 << u"off"_s
                                << u"011"_s << u"Less Than 1 minute until the next one"_s
                                << QString() << u"off off on"_s << true << false << QString();
        QTest::newRow("halted, pause, resume")
            << 1 << u"start break tick pause pause"_s << State::Waiting << 0 << u"20000"_s
            << u"011"_s << QString() << QString() << u"off off on"_s << true << false << QString();
        QTest::newRow("shrank while paused: back to job 1")
            << 1 << u"start tick tick pause shrink pause tick"_s << State::Waiting << 1
            << u"20000"_s << u"011"_s << u"Less Than 1 minute until the next one"_s << u"j1"_s
            << u"off off on"_s << true << false << QString();
        QTest::newRow("unload") << 1 << u"start unload"_s << State::Idle << 0 << u"off"_s
                                << u"011"_s << QString() << QString() << u"on off off"_s << false
                                << false << QString();
        QTest::newRow("unload, ping runs")
            << 1 << u"ping start unload"_s << State::Idle << 0 << u"off"_s << u"011"_s << QString()
            << QString() << u"off off off"_s << false << false << QString();
        QTest::newRow("interval 0 refused")
            << 0 << u"start"_s << State::Idle << 0 << u"off"_s << u"100"_s << QString() << QString()
            << u"on on on"_s << false << false << u"Invalid Interval"_s;
        QTest::newRow("no service tool")
            << 1 << u"notool start"_s << State::Idle << 0 << u"off"_s << u"100"_s << QString()
            << QString() << u"on on on"_s << false << false << u"Missing File"_s;
        QTest::newRow("no enabled job")
            << 1 << u"nojobs start"_s << State::Idle << 0 << u"off"_s << u"100"_s << QString()
            << QString() << u"on on on"_s << false << false << u"No Records In Database"_s;
    }

    void states() {
        QFETCH(int, interval);
        QFETCH(QString, script);
        JobFixture fx(interval);
        for (const QString& name : {u"j1"_s, u"j2"_s, u"j3"_s})
            fx.add(quietJob(fx.folder.path(), name));
        QStringList steps = script.split(u' ', Qt::SkipEmptyParts);
        if (steps.value(0) == u"auto"_s)
            fx.folder.execSql(u"UPDATE Settings SET AutoStartServices = 1"_s);
        Form3& form = fx.open();
        Form1& main = *fx.main;
        QPointer<Form3> window(&form);
        for (const QString& step : std::as_const(steps)) {
            if (step == u"start"_s)
                form.Command1->click();
            else if (step == u"stop"_s)
                form.Command2->click();
            else if (step == u"pause"_s)
                form.Command3->click();
            else if (step == u"tick"_s)
                fx.tick();
            else if (step == u"unload"_s)
                form.close();
            else if (step == u"ping"_s) {
                main.Command1->setEnabled(false);
                fx.folder.ctx.values().blForm1isRunning = true;
            } else if (step == u"shrink"_s)
                fx.folder.execSql(u"UPDATE Services SET Disabled = 1 WHERE ID > 1"_s);
            else if (step == u"nojobs"_s)
                fx.folder.execSql(u"DELETE FROM Services"_s);
            else if (step == u"notool"_s)
                QVERIFY(QFile::remove(fx.folder.path() + u"/PsService.EXE"_s));
            else if (step == u"break"_s)
                fx.folder.execSql(u"ALTER TABLE Services RENAME TO Gone"_s);
        }
        const QString menus = onOff(main.mnuEdit->menuAction()->isEnabled()) + u' ' +
                              onOff(main.mnuSettingsMain->menuAction()->isEnabled()) + u' ' +
                              onOff(main.mnuRemoteServicesScanning->isChecked());
        QTEST(menus, "menus");
        QTEST(fx.folder.ctx.values().blForm3isRunning, "running");
        const auto& shown = fx.folder.dialogs().shown;
        QTEST(shown.isEmpty() ? QString() : shown.last().title, "dialog");
        if (!window) // closed: nothing else is left to look at
            return;
        JobCycle& cycle = form.cycle();
        QTEST(cycle.state(), "state");
        QTEST(cycle.intJobIndex(), "index");
        QTEST(cycle.blPaused(), "paused");
        QTEST(form.Timer1->isActive() ? QString::number(form.Timer1->interval()) : u"off"_s,
              "timer");
        QTEST(QString::number(form.Command1->isEnabled()) +
                  QString::number(form.Command2->isEnabled()) +
                  QString::number(form.Command3->isEnabled()),
              "buttons");
        QTEST(form.Label2->text(), "label2");
        QFETCH(QString, lastJob);
        const QString ran = JobTexts::checkedFileIn(lastJob, fx.folder.path());
        QCOMPARE(form.Label3->text() == ran, !lastJob.isEmpty());
    }

    void kindsRunBeforeServiceJobs() {
        JobFixture fx;
        JobRecord service;
        service.computerName = u"aaa-pc"_s;
        service.service[0] = u"Spooler"_s;
        fx.add(service);
        const QString file = fx.folder.path() + u"/fresh.bak"_s;
        writeFile(file);
        JobRecord age;
        age.filePathToCheck = file;
        age.ageOfFile = u"Greater Than 1 Month"_s;
        setFileTime(file, fx.folder.clock().time);
        fx.add(age);
        JobRecord drive;
        drive.checkIfDriveExistPCName = u"pc9"_s;
        drive.checkIfDriveExistDriveLetter = u"C"_s;
        fx.add(drive);
        fx.add(quietJob(fx.folder.path(), u"j4"_s));
        Form3& form = fx.open();
        form.Command1->click();

        QStringList lines;
        for (int i = 0; i < 4; ++i) {
            fx.tick();
            lines << form.Label3->text() + u" | "_s + form.Label1->text();
        }
        const QString folder = fx.folder.path();
        const QStringList expected = {
            u"Checked File ("_s + file + u") | File ("_s + file +
                u") age checked out fine according to the criteria set. Now waiting on timer for "
                u"the next record."_s,
            // This build cannot list a PC's disks: the letter is reported as not there.
            u"Preparing, Please Wait.... | No email address was found for this Drive Letter check "
            u"record. Enter an Email address in this record to recieve a email notification. Now "
            u"waiting on timer for the next record."_s,
            u"Checked File (j4) located in ("_s + folder + u"). | File (j4) Does NOT exist in ("_s +
                folder +
                u"). Criteria set not to email if missing. Now waiting on timer for the next "
                u"record."_s,
            u"Computer Named (aaa-pc) was NOT checked. | This version cannot check the services "
            u"of a PC yet: the state of these services is unknown, and nothing was mailed. Now "
            u"waiting on timer for the next record."_s};
        QCOMPARE(lines, expected);
    }

    void pathThatNeverAnswers() {
        JobFixture fx;
        JobRecord age;
        age.filePathToCheck = makeFifo(fx.folder.path());
        age.ageOfFile = u"Greater Than 1 Day"_s;
        fx.add(age);
        fx.add(quietJob(fx.folder.path(), u"j2"_s));
        Form3& form = fx.open();
        fx.cycle().setCheckTimeLimit(std::chrono::milliseconds(300));
        form.Command1->click();

        // The tick returns at once; the window goes on while the check waits.
        QSignalSpy ended(&fx.cycle(), &JobCycle::jobEnded);
        fx.cycle().Timer1_Timer();
        QVERIFY(fx.cycle().jobUnderWay());
        QVERIFY(ended.wait(10000));
        QCOMPARE(form.Label3->text(),
                 u"File ("_s + age.filePathToCheck +
                     u") was NOT found. Please check the database list to make sure the file name "
                     u"or path was not spelled incorrectly. "_s);
        QCOMPARE(form.Label1->text(),
                 u"No email address was found for this file is missing record. Enter an Email "
                 u"address in this record to recieve a email notification. Now waiting on timer "
                 u"for the next record."_s);
        QVERIFY(form.Timer1->isActive());
        QCOMPARE(CheckPool::instance().hungCalls(), 1);

        // The next job runs on time, though the first check still hangs on its worker.
        fx.tick();
        QCOMPARE(fx.cycle().intJobIndex(), 2);
        QVERIFY(form.Label3->text().startsWith(u"Checked File (j2)"_s));

        QVERIFY(QTest::qWaitFor([&] { return releaseFifo(age.filePathToCheck); }));
        QTRY_COMPARE(CheckPool::instance().hungCalls(), 0);
    }

    void checkCutShort_data() {
        QTest::addColumn<QString>("action");
        QTest::newRow("pause") << u"pause"_s;
        QTest::newRow("stop") << u"stop"_s;
        QTest::newRow("close") << u"close"_s;
    }
    void checkCutShort() {
        QFETCH(QString, action);
        JobFixture fx;
        JobRecord age;
        age.filePathToCheck = makeFifo(fx.folder.path());
        age.ageOfFile = u"Greater Than 1 Day"_s;
        fx.add(age);
        Form3& form = fx.open();
        QPointer<Form3> window(&form);
        form.Command1->click();
        QSignalSpy ended(&fx.cycle(), &JobCycle::jobEnded);
        fx.cycle().Timer1_Timer();
        QVERIFY(fx.cycle().jobUnderWay());
        QAbstractButton* button = action == u"pause"_s ? form.Command3 : form.Command2;
        if (action == u"close"_s)
            form.close();
        else
            button->click();

        // The check comes back after that: its result is dropped.
        QVERIFY(QTest::qWaitFor([&] { return releaseFifo(age.filePathToCheck); }));
        QTRY_COMPARE(CheckPool::instance().activeThreadCount(), 0);
        QCoreApplication::processEvents();
        if (!window)
            return;
        QCOMPARE(ended.size(), 0);
        QCOMPARE(fx.cycle().intJobIndex(), 0);
        QCOMPARE(form.Label3->text(),
                 action == u"pause"_s ? u"Checking File "_s + age.filePathToCheck : QString());
        QVERIFY(!form.Timer1->isActive());
    }
};

QTEST_MAIN(TestJobCycle)
#include "tst_jobcycle.moc"
