// The job monitor: its checks as tables on real files and folders, the alerts' no-address
// texts, and its cycle as one table over its states (including jobs that wait for an answer that
// never comes, until their time limit or until Pause, Stop or closing cuts them short).
#include "JobFixture.h"
#include "jobs/CheckPool.h"
#include "jobs/DriveLetterCheck.h"
#include "jobs/FileChecks.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace jobtest;
using Verdict = AgeJudgement::Verdict;
using R = DriveCheck::Result;
using S = LogicalDiskList::Status;

Q_DECLARE_METATYPE(std::shared_ptr<LogicalDisks>)

class TestJobCycle : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.path() + u'/' + name; }
    // Only root may read or search these.
    void setLocked(bool locked) {
        for (const QString& name : {u"locked"_s, u"secret"_s})
            QFile::setPermissions(path(name),
                                  locked ? QFile::Permissions()
                                         : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

  private Q_SLOTS:
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }
    void initTestCase() {
        QVERIFY(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                        QFile::ExeOwner | QFile::ReadOther |
                                                        QFile::ExeOther));
        for (const QString& e :
             {u"logs/a.LOG"_s, u"logs/.b.txt"_s, u"logs/readme"_s, u"dirs/x.log/"_s,
              u"hidden/.c.log"_s, u"only/log.txt"_s, u"locked/a.log"_s, u"secret"_s}) {
            QDir().mkpath(QFileInfo(path(e)).path());
            e.endsWith(u'/') ? void(QDir().mkpath(path(e))) : writeFile(path(e));
        }
        setLocked(true);
    }
    void cleanupTestCase() { setLocked(false); }

    // Fine up to the limit, old past it; a file from the future is old only under the hour rule
    // (judged in whole minutes, either way).
    void fileAge_data() {
        // clang-format off
        QTest::addColumn<QString>("ageOfFile");
        QTest::addColumn<qint64>("limit"); // seconds
        QTest::addColumn<QString>("label");
        const qint64 day = 86400;
        QTest::newRow("hour") << u"Greater Than An Hour"_s << 3659LL << u"1 Hour"_s;
        QTest::newRow("day") << u"Greater Than 1 Day"_s << day << u"1 Day"_s;
        QTest::newRow("week") << u"Greater Than 1 Week"_s << 7 * day << u"7 Days"_s;
        QTest::newRow("month") << u"Greater Than 1 Month"_s << 30 * day << u"30 Days"_s;
        QTest::newRow("a number of days") << u" 2 "_s << 2 * day << QString();
        // clang-format on
    }
    void fileAge() {
        QFETCH(QString, ageOfFile);
        QFETCH(qint64, limit);
        const QDateTime now(QDate(2026, 5, 12), QTime(21, 5));
        const auto judged = [&](qint64 ago) {
            return judgeFileAge(ageOfFile, now.addSecs(-ago), now);
        };
        QCOMPARE(judged(limit).verdict, Verdict::Fine);
        QCOMPARE(judged(limit + 1).verdict, Verdict::Old);
        QCOMPARE(judged(-limit - 1).verdict, limit < 86400 ? Verdict::Old : Verdict::Fine);
        QTEST(judged(0).ageLabel, "label");
    }

    // A file's time (no name) or a search of the folder, as an unprivileged user.
    void paths_data() {
        // clang-format off
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("result"); // the problem, or whether a file was found
        QTest::newRow("file there, typed with \\") << u"logs\\readme"_s << QString() << u"None"_s;
        QTest::newRow("file through a file") << u"logs/readme/a"_s << QString() << u"PathNotFound"_s;
        QTest::newRow("unreadable file") << u"secret"_s << QString() << u"BadFileName"_s;
        QTest::newRow("file in an unreadable folder") << u"locked/a.log"_s << QString() << u"BadFileName"_s;
        QTest::newRow("log, case ignored") << u"logs"_s << u"log"_s << u"found"_s;
        QTest::newRow("txt: hidden only") << u"logs"_s << u"txt"_s << u"none"_s;
        QTest::newRow("star: a name without a dot") << u"logs"_s << u"*"_s << u"found"_s;
        QTest::newRow("log.txt is not *.log") << u"only"_s << u"log"_s << u"none"_s;
        QTest::newRow("hidden file") << u"hidden"_s << u"log"_s << u"none"_s;
        QTest::newRow("sub-folders only") << u"dirs"_s << u"*"_s << u"none"_s;
        QTest::newRow("missing folder") << u"gone"_s << u"log"_s << u"none"_s;
        QTest::newRow("folder typed with \\") << u"..\\"_s + QFileInfo(m_dir.path()).fileName() + u"\\logs"_s << u"?og"_s << u"found"_s;
        QTest::newRow("unreadable folder") << u"locked"_s << u"log"_s << u"BadFileName"_s;
        // clang-format on
    }
    void paths() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        // Root reads everything: these run as "nobody".
        const bool root = ::geteuid() == 0;
        QVERIFY(!root || (::setegid(65534) == 0 && ::seteuid(65534) == 0));
        const FolderSearch search =
            name.isEmpty() ? FolderSearch{readFileTime(this->path(path)).problem, false, {}}
                           : findMatchingFile(this->path(path), name);
        if (root && (::seteuid(0) != 0 || ::setegid(0) != 0))
            qFatal("cannot become root again");
        const char* const problems[] = {"None", "FileNotFound", "PathNotFound", "BadFileName"};
        QTEST(name.isEmpty() || search.problem != FileProblem::None
                  ? QString::fromLatin1(problems[int(search.problem)])
              : search.found ? u"found"_s
                             : u"none"_s,
              "result");
    }

    void driveLetter_data() {
        // clang-format off
        QTest::addColumn<std::shared_ptr<LogicalDisks>>("pc");
        QTest::addColumn<QString>("letter");
        QTest::addColumn<DriveCheck::Result>("result");
        QTest::addColumn<QByteArray>("file");
        const QStringList three{u"C:"_s, u"D:"_s, u"Z:"_s};
        QTest::newRow("z among C: D: Z:") << disks(S::Found, three) << u"z"_s << R::Found << QByteArray("C:D:Z:");
        QTest::newRow("no letter") << disks(S::Found, {u"C:"_s}) << QString() << R::Found << QByteArray("C:");
        QTest::newRow("letter with colon") << disks(S::Found, three) << u"Z:"_s << R::NotThere << QByteArray("C:D:Z:");
        QTest::newRow("PC unreachable: a fresh file") << disks(S::Failed) << u"q"_s << R::NotThere << QByteArray();
        // clang-format on
    }
    // The disks go into a fresh file that only its owner may read or write (never the previous
    // job's list); the letter is looked for in it.
    void driveLetter() {
        QFETCH(std::shared_ptr<LogicalDisks>, pc);
        QFETCH(QString, letter);
        const QString file = path(u"Drive-Letter-Check.txt"_s);
        checkDriveLetter(*disks(S::Found, {u"Q:"_s}), u"pc"_s, u"q"_s, file);
        QTEST(checkDriveLetter(*pc, u"pc"_s, letter, file).result, "result");
        QTEST(readFile(file), "file");
        QCOMPARE(QFile::permissions(file) &
                     ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
                 QFile::Permissions());
    }

    // The detail line of every alert, in the order of the alert routines, without an address.
    void noAddressTexts() {
        QStringList seen;
        for (int a = 0; a <= int(JobAlert::DriveLetterErrorNoAccessToPC); ++a)
            seen << alertDetailLine(jobAlertTexts(JobAlert(a), JobRecord{}, {}), u"before"_s);
        // clang-format off
        const QString text = u"No email address was found for this %1record. Enter an Email address in this record to recieve a email notification."_s;
        const QString wait = u" Now waiting on timer for the next record."_s;
        QCOMPARE(seen, (QStringList{text.arg(QString()) + wait, text.arg(QString()) + wait, text.arg(u"PC isn't responding "_s) + wait,
                                    text.arg(u"File is old "_s) + wait, text.arg(u"file is missing "_s) + wait, text.arg(u"Path Missing "_s) + wait,
                                    text.arg(u"File Exist "_s), text.arg(u"File Doesn't Exist "_s) + wait, text.arg(u"File Doesn't Exist permission issue "_s) + wait,
                                    text.arg(u"Drive Letter check "_s) + wait, text.arg(u"Drive Letter check "_s) + wait}));
        // clang-format on
    }

    // The summary: state, walk index, Timer1's step, Command1..3 enabled, the main window's menus
    // and mark, blForm3isRunning, blPaused ("gone" once closed); then Label2, Label3 (the name of
    // a job that ran), and the title of the last message box.
    void states_data() {
        // clang-format off
        QTest::addColumn<int>("interval");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("summary");
        const auto row = [](const char* name, int interval, const QString& script,
                            const QString& summary, const QString& label2 = {},
                            const QString& job = {}, const QString& box = {}) {
            QTest::newRow(name) << interval << script
                                << QStringList{summary, label2, job, box}.join(u" | "_s);
        };
        const QString five = u"Less Than 5 minutes until the next one"_s, one = u"Less Than 1 minute until the next one"_s;
        const QString waiting = u"Waiting 1 60000 011 off off on running"_s, idle = u"Idle 0 off 100 on on on stopped"_s, prep = u"Preparing, Please Wait...."_s;
        row("start", 5, u"start"_s, u"Waiting 0 60000 011 off off on running"_s, {}, prep);
        row("auto-start", 5, u"auto"_s, u"Waiting 0 60000 011 off off on running"_s, {}, prep);
        row("first tick runs job 1", 5, u"start tick"_s, waiting, five, u"j1"_s);
        row("one minute left", 5, u"start tick tick tick tick tick"_s, waiting, one, u"j1"_s);
        row("6th tick runs job 2", 5, u"start"_s + u" tick"_s.repeated(6), u"Waiting 2 60000 011 off off on running"_s, five, u"j2"_s);
        row("16th tick wraps to job 1", 5, u"start"_s + u" tick"_s.repeated(16), waiting, five, u"j1"_s);
        row("stop", 1, u"start tick stop"_s, u"Idle 1 off 101 on on on stopped"_s);
        row("stop, ping runs", 1, u"ping start stop"_s, u"Idle 0 off 101 off off on stopped"_s);
        row("pause", 1, u"start tick pause"_s, u"Paused 1 off 011 on on on running paused"_s, {}, u"j1"_s);
        row("pause, ping runs", 1, u"ping start pause"_s, u"Paused 0 off 011 off off on running paused"_s, {}, prep);
        row("resume: 20 s steps", 1, u"start tick pause pause"_s, u"Waiting 1 20000 011 off off on running"_s, {}, u"j1"_s);
        row("resume, then a job", 1, u"start tick pause pause tick"_s, u"Waiting 2 20000 011 off off on running"_s, one, u"j2"_s);
        row("paused kept across stop and start", 1, u"start pause stop start"_s, u"Waiting 0 60000 011 off off on running paused"_s, {}, prep);
        row("...so the next press resumes", 1, u"start pause stop start pause"_s, u"Waiting 0 20000 011 off off on running"_s, {}, prep);
        row("pause after stop", 1, u"start stop pause"_s, u"Idle 0 off 101 on on on stopped"_s, {}, {}, u"Read Me"_s);
        row("halted", 1, u"start break tick"_s, u"Halted 0 off 011 off off on running"_s, one, prep);
        row("halted, pause, resume", 1, u"start break tick pause pause"_s, u"Waiting 0 20000 011 off off on running"_s, {}, prep);
        row("shrank while paused: back to job 1", 1, u"start tick tick pause shrink pause tick"_s, u"Waiting 1 20000 011 off off on running"_s, one, u"j1"_s);
        row("unload", 1, u"start unload"_s, u"gone on off off stopped"_s);
        row("unload, ping runs", 1, u"ping start unload"_s, u"gone off off off stopped"_s);
        row("two checks hang, the next job runs on time", 1, u"fifo fifo limit start tick tick hung tick release"_s, u"Waiting 3 60000 011 off off on running"_s, one, u"j1"_s);
        row("a check cut short by Pause", 1, u"fifo start tick- pause release"_s, u"Paused 0 off 011 on on on running paused"_s, {}, u"Checking File %F/hang1.bak"_s);
        row("a check cut short by Stop", 1, u"fifo start tick- stop release"_s, u"Idle 0 off 101 on on on stopped"_s);
        row("a check cut short by closing", 1, u"fifo start tick- unload release"_s, u"gone on off off stopped"_s);
        row("a tool ended by Pause", 1, u"svc start tick- started pause gone"_s, u"Paused 0 off 011 on on on running paused"_s, {}, u"Checking Computer Named (a)"_s);
        row("a tool ended by Stop", 1, u"svc start tick- started stop gone"_s, u"Idle 0 off 101 on on on stopped"_s);
        row("a tool ended by closing", 1, u"svc start tick- started unload gone"_s, u"gone on off off stopped"_s);
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
            fx.add(u"CheckIfFileExistFolder=%F|FileNameOfFileExist=%1|FileExistEmailifThereOrNot=If"
                   " File Exist - Email Below|ComputerName=%1"_s.arg(name));
        if (script.startsWith(u"auto"_s))
            fx.folder.execSql(u"UPDATE Settings SET AutoStartServices = 1"_s);
        Form3& form = fx.open();
        QPointer<Form3> window(&form);
        QStringList fifos;
        CheckPool& pool = CheckPool::instance();
        // clang-format off
        const QHash<QString, std::function<void()>> actions = {
            {u"start"_s, [&] { form.Command1->click(); }}, {u"stop"_s, [&] { form.Command2->click(); }},
            {u"pause"_s, [&] { form.Command3->click(); }}, {u"tick"_s, [&] { fx.tick(); }}, {u"unload"_s, [&] { form.close(); }},
            {u"ping"_s, [&] { fx.host.pingStart = !(fx.folder.ctx.values().blForm1isRunning = true); }},
            {u"shrink"_s, [&] { fx.folder.execSql(u"UPDATE Services SET Disabled = 1 WHERE ID > 1"_s); }},
            {u"nojobs"_s, [&] { fx.folder.execSql(u"DELETE FROM Services"_s); }},
            {u"notool"_s, [&] { QFile::remove(fx.folder.path() + u"/PsService.EXE"_s); }},
            {u"break"_s, [&] { fx.folder.execSql(u"ALTER TABLE Services RENAME TO Gone"_s); }}, {u"auto"_s, [] {}},
            // A job that waits: a file-age job on a FIFO without a writer, a service job whose tool never ends;
            // two hung checks hold the pool's first two workers, so it must grow for the next one.
            {u"fifo"_s, [&] { fifos << fx.folder.path() + u"/hang%1.bak"_s.arg(fifos.size() + 1); ::mkfifo(QFile::encodeName(fifos.last()).constData(), 0600); fx.add(u"AgeOfFile=Greater Than 1 Month|FilePathToCheck="_s + fifos.last()); }},
            {u"svc"_s, [&] { fx.runner.gated = true; fx.add(u"ComputerName=a|Service1=hang"_s); }},
            {u"limit"_s, [&] { fx.cycle().setCheckTimeLimit(std::chrono::milliseconds(300)); }},
            {u"tick-"_s, [&] { fx.cycle().Timer1_Timer(); QVERIFY(fx.cycle().jobUnderWay()); }}, // returns at once
            {u"hung"_s, [&] { QCOMPARE(pool.hungCalls(), fifos.size()); }},
            {u"started"_s, [&] { QTRY_COMPARE(fx.runner.gates.size(), 1); }},
            // The waiting ends: a writer lets the reader of the FIFO go on; the tool has been ended.
            {u"release"_s, [&] { for (const QString& fifo : fifos) QVERIFY(QTest::qWaitFor([&] { const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK); return fd >= 0 && ::close(fd) == 0; }));
                                 QTRY_COMPARE(pool.activeThreadCount(), 0); QCOMPARE(pool.hungCalls(), 0); }},
            {u"gone"_s, [&] { QVERIFY(fx.runner.gates[0]->cancelled); }}};
        // clang-format on
        for (const QString& step : script.split(u' ', Qt::SkipEmptyParts))
            actions.value(step)();
        QCoreApplication::processEvents(); // whatever came back late is dropped
        const auto on = [](bool on) { return on ? u"on "_s : u"off "_s; };
        const QString host =
            on(fx.host.editMenu) + on(fx.host.settingsMenu) + on(fx.host.jobScanning) +
            (fx.folder.ctx.values().blForm3isRunning ? u"running"_s : u"stopped"_s);
        if (!window) {
            QTEST(u"gone "_s + host + u" |  |  | "_s, "summary");
            return;
        }
        static const char* const states[] = {"Idle", "Waiting", "Running", "Paused", "Halted"};
        const QStringList summary{QString::fromLatin1(states[int(fx.cycle().state())]),
                                  QString::number(fx.cycle().intJobIndex()),
                                  form.Timer1->isActive() ? QString::number(form.Timer1->interval())
                                                          : u"off"_s,
                                  QString::number(form.Command1->isEnabled()) +
                                      QString::number(form.Command2->isEnabled()) +
                                      QString::number(form.Command3->isEnabled()),
                                  host + (fx.cycle().blPaused() ? u" paused"_s : QString())};
        // Label3 names the job that ran, or is shown with "%F" for the folder.
        const QString label3 = QString(form.Label3->text())
                                   .replace(fx.folder.path(), u"%F"_s)
                                   .remove(u"Checked File ("_s)
                                   .remove(u") located in (%F)."_s);
        const auto& shown = fx.folder.dialogs().shown;
        QTEST(QStringList({summary.join(u' '), form.Label2->text(), label3,
                           shown.isEmpty() ? QString() : shown.last().title})
                  .join(u" | "_s),
              "summary");
    }
};

QTEST_MAIN(TestJobCycle)
#include "tst_jobcycle.moc"
