// The job monitor's cycle: one table over its states (Start, due and not-due ticks, Stop,
// Pause/Resume, Halted, unload, the main window's menus with and without the ping monitor,
// refused starts, a list that shrank while paused), the order of the job kinds, and checks that
// never answer or are cut short.
#include "JobFixture.h"
#include "jobs/CheckPool.h"

#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace jobtest;

namespace {
// A file-exists job that finds nothing and mails nothing; its name shows in Label3.
QString quiet(const QString& name, const QString& pc = {}) {
    return u"CheckIfFileExistFolder=%F|FileNameOfFileExist=%1|FileExistEmailifThereOrNot=If File "
           u"Exist - Email Below|ComputerName=%2"_s.arg(name, pc);
}
} // namespace

class TestJobCycle : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    // The summary reads: state, walk index, Timer1 ("off" or its step), Command1..3 enabled,
    // the Edit and Settings menus and the job-scanning mark, blForm3isRunning, blPaused; then
    // Label2, the job whose outcome Label3 shows, and the title of the last message box.
    void states_data() {
        QTest::addColumn<int>("interval");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("summary");
        const auto row = [](const char* name, int interval, const QString& script,
                            const QString& summary, const QString& label2 = {},
                            const QString& job = {}, const QString& box = {}) {
            QTest::newRow(name) << interval << script
                                << QStringList{summary, label2, job, box}.join(u" | "_s);
        };
        // clang-format off
        const QString five = u"Less Than 5 minutes until the next one"_s, one = u"Less Than 1 minute until the next one"_s;
        const QString waiting = u"Waiting 1 60000 011 off off on running"_s, idle = u"Idle 0 off 100 on on on stopped"_s;
        row("loaded", 5, {}, idle);
        row("start", 5, u"start"_s, u"Waiting 0 60000 011 off off on running"_s);
        row("auto-start", 5, u"auto"_s, u"Waiting 0 60000 011 off off on running"_s);
        row("first tick runs job 1", 5, u"start tick"_s, waiting, five, u"j1"_s);
        row("countdown", 5, u"start tick tick tick"_s, waiting, u"Less Than 3 minutes until the next one"_s, u"j1"_s);
        row("one minute left", 5, u"start tick tick tick tick tick"_s, waiting, one, u"j1"_s);
        row("6th tick runs job 2", 5, u"start"_s + u" tick"_s.repeated(6), u"Waiting 2 60000 011 off off on running"_s, five, u"j2"_s);
        row("16th tick wraps to job 1", 5, u"start"_s + u" tick"_s.repeated(16), waiting, five, u"j1"_s);
        row("stop", 1, u"start tick stop"_s, u"Idle 1 off 101 on on on stopped"_s);
        row("stop, ping runs", 1, u"ping start stop"_s, u"Idle 0 off 101 off off on stopped"_s);
        row("pause", 1, u"start tick pause"_s, u"Paused 1 off 011 on on on running paused"_s, {}, u"j1"_s);
        row("pause, ping runs", 1, u"ping start pause"_s, u"Paused 0 off 011 off off on running paused"_s);
        row("resume: 20 s steps", 1, u"start tick pause pause"_s, u"Waiting 1 20000 011 off off on running"_s, {}, u"j1"_s);
        row("resume, then a job", 1, u"start tick pause pause tick"_s, u"Waiting 2 20000 011 off off on running"_s, one, u"j2"_s);
        row("paused kept across stop and start", 1, u"start pause stop start"_s, u"Waiting 0 60000 011 off off on running paused"_s);
        row("...so the next press resumes", 1, u"start pause stop start pause"_s, u"Waiting 0 20000 011 off off on running"_s);
        row("pause before start: disabled", 1, u"pause"_s, idle);
        row("pause after stop", 1, u"start stop pause"_s, u"Idle 0 off 101 on on on stopped"_s, {}, {}, u"Read Me"_s);
        row("halted", 1, u"start break tick"_s, u"Halted 0 off 011 off off on running"_s, one);
        row("halted, pause, resume", 1, u"start break tick pause pause"_s, u"Waiting 0 20000 011 off off on running"_s);
        row("shrank while paused: back to job 1", 1, u"start tick tick pause shrink pause tick"_s, u"Waiting 1 20000 011 off off on running"_s, one, u"j1"_s);
        row("unload", 1, u"start unload"_s, u"Idle 0 off 011 on off off stopped"_s);
        row("unload, ping runs", 1, u"ping start unload"_s, u"Idle 0 off 011 off off off stopped"_s);
        row("interval 0 refused", 0, u"start"_s, idle, {}, {}, u"Invalid Interval"_s);
        row("no service tool", 1, u"notool start"_s, idle, {}, {}, u"Missing File"_s);
        row("no enabled job", 1, u"nojobs start"_s, idle, {}, {}, u"No Records In Database"_s);
        // clang-format on
    }
    void states() {
        QFETCH(int, interval);
        QFETCH(QString, script);
        JobFixture fx(interval);
        for (const QString& name : {u"j1"_s, u"j2"_s, u"j3"_s})
            fx.add(quiet(name));
        const QStringList steps = script.split(u' ', Qt::SkipEmptyParts);
        if (steps.value(0) == u"auto"_s)
            fx.folder.execSql(u"UPDATE Settings SET AutoStartServices = 1"_s);
        Form3& form = fx.open();
        // clang-format off
        const QHash<QString, std::function<void()>> actions = {
            {u"start"_s, [&] { form.Command1->click(); }}, {u"stop"_s, [&] { form.Command2->click(); }},
            {u"pause"_s, [&] { form.Command3->click(); }}, {u"tick"_s, [&] { fx.tick(); }}, {u"unload"_s, [&] { form.close(); }},
            {u"ping"_s, [&] { fx.host.pingStart = !(fx.folder.ctx.values().blForm1isRunning = true); }},
            {u"shrink"_s, [&] { fx.folder.execSql(u"UPDATE Services SET Disabled = 1 WHERE ID > 1"_s); }},
            {u"nojobs"_s, [&] { fx.folder.execSql(u"DELETE FROM Services"_s); }},
            {u"notool"_s, [&] { QFile::remove(fx.folder.path() + u"/PsService.EXE"_s); }},
            {u"break"_s, [&] { fx.folder.execSql(u"ALTER TABLE Services RENAME TO Gone"_s); }}, {u"auto"_s, [] {}}};
        for (const QString& step : steps)
            actions.value(step)();
        static const char* const states[] = {"Idle", "Waiting", "Running", "Paused", "Halted"};
        const JobCycle& cycle = fx.cycle();
        const auto on = [](bool on) { return on ? u"on"_s : u"off"_s; };
        const QStringList summary = {QString::fromLatin1(states[int(cycle.state())]), QString::number(cycle.intJobIndex()),
            form.Timer1->isActive() ? QString::number(form.Timer1->interval()) : u"off"_s,
            QString::number(form.Command1->isEnabled()) + QString::number(form.Command2->isEnabled()) + QString::number(form.Command3->isEnabled()),
            on(fx.host.editMenu), on(fx.host.settingsMenu), on(fx.host.jobScanning), fx.folder.ctx.values().blForm3isRunning ? u"running"_s : u"stopped"_s};
        // clang-format on
        static const QRegularExpression job(u"^Checked File \\((\\w+)\\) located"_s);
        const auto& shown = fx.folder.dialogs().shown;
        const QStringList seen{summary.join(u' ') + (cycle.blPaused() ? u" paused"_s : QString()),
                               form.Label2->text(), job.match(form.Label3->text()).captured(1),
                               shown.isEmpty() ? QString() : shown.last().title};
        QTEST(seen.join(u" | "_s), "summary");
    }

    // Jobs run in the order of their PC names: the kinds that leave it empty before every
    // service job.
    void kindsRunBeforeServiceJobs() {
        JobFixture fx;
        fx.add(u"ComputerName=aaa-pc|Service1=Spooler"_s);
        fx.add(u"FilePathToCheck=%F/fresh.bak|AgeOfFile=Greater Than 1 Month"_s);
        fx.add(u"CheckIfDriveExistPCName=pc|CheckIfDriveExistDriveLetter=C"_s);
        fx.add(quiet(u"j4"_s));
        writeFile(fx.folder.path() + u"/fresh.bak"_s, fx.folder.clock().time);
        Form3& form = fx.open(disks(LogicalDiskList::Status::Found, {u"C:"_s}));
        form.Command1->click();
        QStringList lines;
        for (int i = 0; i < 4; ++i)
            lines << (fx.tick(), form.Label3->text());
        QCOMPARE(lines,
                 (QStringList{u"Checked File (%F/fresh.bak)"_s,
                              u"Checked Drive Letter (C). Waiting for timer..."_s,
                              u"Checked File (j4) located in (%F)."_s, kNotFound.arg(u"aaa-pc"_s)})
                     .replaceInStrings(u"%F"_s, fx.folder.path()));
    }

    // A job that waits for an answer that never comes (a file-age job on a FIFO without a
    // writer, a service job whose tool never ends), then a quiet job: the wait is left to its
    // time limit, or cut short by Pause, Stop or closing the window.
    void waitUnderWay_data() {
        QTest::addColumn<bool>("tool");
        QTest::addColumn<QString>("action");
        for (bool tool : {false, true})
            for (const char* action : {"limit", "pause", "stop", "close"})
                if (!tool || qstrcmp(action, "limit") != 0) // the tool's limit: tst_jobalerts
                    QTest::addRow("%s, %s", tool ? "tool" : "file", action)
                        << tool << QString::fromLatin1(action);
    }
    void waitUnderWay() {
        QFETCH(bool, tool);
        QFETCH(QString, action);
        JobFixture fx(1, tool);
        const QString fifo = fx.folder.path() + u"/hang.bak"_s;
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        fx.add(tool ? u"ComputerName=pc1|Service1=hang"_s
                    : u"FilePathToCheck=%F/hang.bak|AgeOfFile=Greater Than 1 Month"_s);
        fx.add(quiet(u"j2"_s, u"zz"_s));
        Form3& form = fx.open();
        QPointer<Form3> window(&form);
        if (action == u"limit"_s)
            fx.cycle().setCheckTimeLimit(std::chrono::milliseconds(300));
        form.Command1->click();
        // The tick returns at once; the window goes on while the job waits.
        QSignalSpy ended(&fx.cycle(), &JobCycle::jobEnded);
        fx.cycle().Timer1_Timer();
        QVERIFY(fx.cycle().jobUnderWay());
        QFile pid(fx.folder.path() + u"/hang.pid"_s);
        QTRY_VERIFY(!tool || pid.size() > 0);
        if (action == u"limit"_s) {
            QVERIFY(ended.wait(10000));
            QCOMPARE(
                fx.lines(),
                u"File (%1) was NOT found. Please check the database list to make sure the file name or path was not spelled incorrectly.  | No email address was found for this file is missing record. Enter an Email address in this record to recieve a email notification. Now waiting on timer for the next record."_s
                    .arg(fifo));
            QCOMPARE(CheckPool::instance().hungCalls(), 1);
            // The next job runs on time, though the first check still hangs on its worker.
            fx.tick();
            QVERIFY(form.Label3->text().startsWith(u"Checked File (j2)"_s));
        } else if (action == u"close"_s) {
            form.close();
        } else {
            (action == u"pause"_s ? form.Command3 : form.Command2)->click();
        }
        if (tool) { // ended at once, not at the tool's time limit
            QVERIFY(pid.open(QIODevice::ReadOnly));
            const QString proc = u"/proc/"_s + QString::fromLatin1(pid.readAll().trimmed());
            QTRY_VERIFY(!QFile::exists(proc));
        } else { // a writer lets the reader waiting on the FIFO go on
            QVERIFY(QTest::qWaitFor([&] {
                const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
                return fd >= 0 && ::close(fd) == 0;
            }));
            QTRY_COMPARE(CheckPool::instance().activeThreadCount(), 0);
            QCOMPARE(CheckPool::instance().hungCalls(), 0);
        }
        QCoreApplication::processEvents();
        if (!window || action == u"limit"_s)
            return;
        // The answer came after that, or never: nothing of the job is applied.
        QCOMPARE(ended.size(), 0);
        QCOMPARE(fx.cycle().intJobIndex(), 0);
        const QString checking =
            tool ? u"Checking Computer Named (pc1)"_s : u"Checking File "_s + fifo;
        QCOMPARE(fx.lines(), (action == u"pause"_s ? checking : QString()) + u" | "_s);
        QVERIFY(!form.Timer1->isActive());
    }
};

QTEST_MAIN(TestJobCycle)
#include "tst_jobcycle.moc"
