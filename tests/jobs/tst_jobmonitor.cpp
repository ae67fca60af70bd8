// The job monitor: every job's status lines and alert mails (on real files, the local SMTP server,
// scripted tool answers and stand-in disks), and its cycle as one table over its states, with
// jobs that wait until their limit or until Pause, Stop or closing cuts them short.
#include "JobFixture.h"
#include "TestTables.h"
#include "jobs/CheckPool.h"
#include "jobs/DriveLetterCheck.h"
#include "jobs/FileChecks.h"
#include "support/SambaPeer.h"

#include <QLocalServer>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace jobtest;
using S = LogicalDiskList::Status;

namespace {

const QString kOps = u"ops@site.invalid"_s;
const QString kTwo = u"ops@site.invalid;desk@site.invalid"_s;
const QString kWait = u" Now waiting on timer for the next record."_s;
const QString kUser = u"OFFICE\\admin"_s;
// clang-format off
const QString kNoResponse = u"%1 - Is not responding with any Services information. Either the name is spelled incorrectly in the database, the device is turn off, currently being restarted, or the user name/password doesn't have admin rights on the PC, or the PC is on a different WorkGroup/Domain."_s;

// The service job on pc1 alerting two recipients: the services ("-" empty, "+" may be started),
// after "/" the always-restart service; a leading "!" leaves out the account.
QString serviceRow(QString slots) {
    const bool account = !slots.startsWith(u'!');
    QString job = u"ComputerName=pc1|EmailWhenDown="_s + kTwo + (account ? u"|AdminUserName="_s + kUser + u"|AdminPassword="_s + SambaPeer::password() : QString());
    const QStringList names = slots.remove(u'!').section(u'/', 0, 0).split(u' ', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names[i] != u"-"_s)
            job += u"|Service%1=%2|RestartService%1=%3"_s.arg(i + 1).arg(QString(names[i]).remove(u'+')).arg(int(names[i].endsWith(u'+')));
    return job + u"|AlwaysRestartThisService="_s + slots.section(u'/', 1).trimmed();
}
// clang-format on

// A job: its record, the age of %F/a.bak in seconds, the PC's disks (none: no mail server either),
// the tool's answers and runs ("OPERATION SERVICE"), the outcome (status lines "Label3 | Label1",
// then the mails), the log after "Service job for PC pc1: ".
struct Job {
    const char* name;
    QString job;
    qint64 age;
    std::shared_ptr<LogicalDisks> pc;
    QStringList answers;
    QString runs, outcome, log = {};
};

} // namespace

class TestJobMonitor : public QObject {
    Q_OBJECT

    SmtpPeer m_peer;

  private Q_SLOTS:
    void initTestCase() { KORVANE_START_SMTP_PEER(m_peer); }
    void init() { m_peer.clear(); }
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    // The disks go into a fresh owner-only file, which a PC that cannot be asked leaves empty
    // (never with the previous job's list). No letter matches any disk.
    void driveLetterFile() {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"Drive-Letter-Check.txt"_s);
        QCOMPARE(checkDriveLetter(*disks(S::Found, {u"C:"_s, u"Z:"_s}), {}, {}, file).result,
                 DriveCheck::Result::Found);
        QCOMPARE(readFile(file), "C:Z:"_ba);
        QCOMPARE(checkDriveLetter(*disks(S::Failed), u"pc"_s, u"c"_s, file).result,
                 DriveCheck::Result::NotThere);
        QCOMPARE(readFile(file), QByteArray());
        QCOMPARE(QFile::permissions(file),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    }

    // The detail line of every alert, in the order of the alert routines, without an address.
    void noAddressTexts() {
        // clang-format off
        const QStringList kinds{{}, {}, u"PC isn't responding "_s, u"File is old "_s, u"file is missing "_s, u"Path Missing "_s, u"File Exist "_s, u"File Doesn't Exist "_s, u"File Doesn't Exist permission issue "_s, u"Drive Letter check "_s, u"Drive Letter check "_s};
        const QString text = u"No email address was found for this %1record. Enter an Email address in this record to recieve a email notification."_s;
        // clang-format on
        for (int a = 0; a < kinds.size(); ++a)
            QCOMPARE(alertDetailLine(jobAlertTexts(JobAlert(a), JobRecord{}, {}), u"before"_s),
                     text.arg(kinds[a]) + (a == 6 ? QString() : kWait));
    }

    void job_data() {
        // clang-format off
        const auto none = disks(S::Failed);
        const QString lng = QString(300, u'n');
        const QString notFound = u") was NOT found. Please check the database list to make sure the file name or path was not spelled incorrectly.  | "_s;
        const auto age = [](const QString& path, const QString& age, const QString& to = kOps) { return u"FilePathToCheck="_s + path + u"|AgeOfFile=Greater Than "_s + age + u"|EmailWhenDown="_s + to; };
        const auto exist = [](const QString& name, int when, const QString& folder = u"%F"_s) { return u"CheckIfFileExistFolder="_s + folder + u"|FileNameOfFileExist="_s + name + u"|FileExistEmailHere=ops@site.invalid|FileExistEmailifThereOrNot="_s + fileExistActionTexts().at(when); };
        const auto drive = [](const QString& letter) { return u"CheckIfDriveExistPCName=pc9|CheckIfDriveExistEmailIfIssue=ops@site.invalid|CheckIfDriveExistDriveLetter="_s + letter; };
        const auto pathNote = [](const QString& path) { return u"Now emailing (ops@site.invalid) because there was a problem with the path ("_s + path + u"). Try using a mapped network drive pointing to this file and check the spelling."_s + kWait; };
        const auto pathMail = [](const QString& path) { return kOps + u" | Korvane File Check - "_s + path + u" Path is in error | "_s + path + u" - The Path is in error. Try checking the path to this file. Try to always use a mapped network drive"_s; };
        // The texts about a service on pc1.
        const QString by = u"Now emailing ("_s + kTwo + u") because the "_s, mail = kTwo + u" | Korvane Service Check - "_s;
        const QString checked = u"Checked Computer Named (pc1) | "_s, pcGone = pcNotFoundText(u"pc1"_s) + u" | "_s, noResponding = by + u"PC (pc1) is not responding."_s + kWait;
        const QString mailNoResp = mail + u"pc1 is NOT responding | "_s + kNoResponse.arg(u"pc1"_s);
        const auto up = [](const QString& s) { return u"Service (%1) on PC Named (pc1) Is Already Running"_s.arg(s); };
        const auto always = [](const QString& s) { return u"Restarted Service (%1) on PC Named (pc1)"_s.arg(s); };
        const auto restarted = [&](const QString& s) { return by + u"service (%1) on PC (pc1) was restarted."_s.arg(s) + kWait; };
        const auto down = [&](const QString& s) { return by + u"service (%1) on PC (pc1) is not running."_s.arg(s) + kWait; };
        const auto mailRestarted = [&](const QString& s) { return mail + u"%1 Service Was Restarted - pc1 | pc1 - %1 - Had to be restarted. If you continue to get this email then the service keeps stopping."_s.arg(s); };
        const auto mailDown = [&](const QString& s) { return mail + u"%1 Service is NOT running - pc1 | pc1 - %1 - is NOT running. The current settings for this PC is set to NOT restart this service, and to only monitor and report."_s.arg(s); };
        const auto st = [](int state) { return u"        STATE    : %1  X\n"_s.arg(state); };
        const auto notThere = [](const QString& name, const QString& folder) { const QString what = u"("_s + name + u") located in ("_s + folder + u") is NOT in the folder."_s; return u"Preparing, Please Wait.... | Now emailing (ops@site.invalid) because the file "_s + what + kWait + u"\n"_s + kOps + u" | Korvane File Check - "_s + what + u" | The file, or partial file name "_s + what; };
        const QString noState = u"no usable state for the service %1, so the PC is reported as not responding: the tool "_s, noResp = pcGone + noResponding + u"\n"_s + mailNoResp;
        const QString onPc = u"Drive Letter (Z:) is NOT currently on the PC named (pc9), or the user name\\password for this record doesn't have admin rights on the pc, or "_s;
        const auto old = [](const QString& label, const QString& modified, bool hour = false) { return (hour ? u"Checking File %F/a.bak"_s : u"File (%F/a.bak) is older than the set criteria."_s) + u" | Now emailing (ops@site.invalid) because the file (%F/a.bak) is older than the criteria of "_s + label + u"."_s + kWait + u"\n"_s + kOps + u" | Korvane File Check - %F/a.bak File is older than the set criteria | %F/a.bak - File is older than the set criteria.\n File was last modified on ("_s + modified + u"), and the current Date/Time is (12 May 2026 21:05:00)."_s; };
        addRows<Job>({
            {"old, hour rule: ahead counts too", age(u"%F/a.bak"_s, u"An Hour"_s), -3660, none, {}, {}, old(u"1 Hour"_s, u"12 May 2026 22:06:00"_s, true)},
            {"old, day rule", age(u"%F/a.bak"_s, u"1 Day"_s), 86401, none, {}, {}, old(u"1 Day"_s, u"11 May 2026 21:04:59"_s)},
            {"old, week rule", age(u"%F/a.bak"_s, u"1 Week"_s), 7 * 86400 + 1, none, {}, {}, old(u"7 Days"_s, u"5 May 2026 21:04:59"_s)},
            {"old, month rule", age(u"%F/a.bak"_s, u"1 Month"_s), 30 * 86400 + 1, none, {}, {}, old(u"30 Days"_s, u"12 Apr 2026 21:04:59"_s)},
            {"old, a number of days", u"FilePathToCheck=%F/a.bak|AgeOfFile= 2 |EmailWhenDown=ops@site.invalid"_s, 2 * 86400 + 1, none, {}, {}, old(QString(), u"10 May 2026 21:04:59"_s)},
            {"old, hour rule, two recipients", age(u"%F/a.bak"_s, u"An Hour"_s, kTwo), 3660, none, {}, {}, u"Checking File %F/a.bak | Now emailing ("_s + kTwo + u") because the file (%F/a.bak) is older than the criteria of 1 Hour."_s + kWait + u"\n"_s + kTwo + u" | Korvane File Check - %F/a.bak File is older than the set criteria | %F/a.bak - File is older than the set criteria.\n File was last modified on (12 May 2026 20:04:00), and the current Date/Time is (12 May 2026 21:05:00)."_s},
            {"fine, hour rule", age(u"%F/a.bak"_s, u"An Hour"_s), 3659, none, {}, {}, u"Checked File (%F/a.bak) | File (%F/a.bak) age checked out fine according to the criteria set."_s + u"\n"_s},
            {"fine, day rule", age(u"%F/a.bak"_s, u"1 Day"_s), 86400, none, {}, {}, u"Checked File (%F/a.bak) | File (%F/a.bak) age checked out fine according to the criteria set."_s + kWait + u"\n"_s},
            {"fine, week rule", age(u"%F/a.bak"_s, u"1 Week"_s), 7 * 86400, none, {}, {}, u"Checked File (%F/a.bak) | File (%F/a.bak) age checked out fine according to the criteria set."_s + kWait + u"\n"_s},
            {"fine, month rule", age(u"%F/a.bak"_s, u"1 Month"_s), 30 * 86400, none, {}, {}, u"Checked File (%F/a.bak) | File (%F/a.bak) age checked out fine according to the criteria set."_s + kWait + u"\n"_s},
            {"file missing: the path alert", age(u"%F/gone.bak"_s, u"1 Day"_s), 0, none, {}, {}, u"File Path to (%F/gone.bak"_s + notFound + pathNote(u"%F/gone.bak"_s) + u"\n"_s + pathMail(u"%F/gone.bak"_s)},
            {"file unreadable: the path alert", age(u"%F/"_s + lng, u"1 Day"_s), 0, none, {}, {}, u"File Path to (%F/"_s + lng + notFound + pathNote(u"%F/"_s + lng) + u"\n"_s + pathMail(u"%F/"_s + lng)},
            {"folder missing: the file-missing alert", age(u"%F/no/a.bak"_s, u"1 Day"_s), 0, none, {}, {}, u"File (%F/no/a.bak"_s + notFound + u"Now emailing (ops@site.invalid) because the file (%F/no/a.bak) is Missing. Try using a mapped network drive pointing to this file and check the spelling."_s + kWait + u"\n"_s + kOps + u" | Korvane File Check - %F/no/a.bak File is Missing | %F/no/a.bak - File is Missing. Try using a mapped network drive pointing to this file and check the spelling."_s},
            {"age not a number: the type-mismatch outcome", u"FilePathToCheck=%F/a.bak|AgeOfFile=soon|EmailWhenDown=ops@site.invalid"_s, 0, none, {}, {}, pcNotFoundText(QString()) + u" | Now emailing (ops@site.invalid) because the PC () is not responding."_s + kWait + u"\n"_s + kOps + u" | Korvane Service Check -  is NOT responding | "_s + kNoResponse.arg(QString())},
            {"a failed send is noted as failed", age(u"%F/gone.bak"_s, u"1 Day"_s), 0, nullptr, {}, {}, u"File Path to (%F/gone.bak"_s + notFound + u"Email Failed To: ops@site.invalid - could not connect"_s + u"\n"_s},
            {"file there", exist(u"BAK"_s, 0), 0, none, {}, {}, u"Preparing, Please Wait.... | Now emailing (ops@site.invalid) because the file (BAK) located in (%F) is currently in the folder."_s + kWait + u"\n"_s + kOps + u" | Korvane File Check - (BAK) located in (%F) is currently in the folder. | The file, or partial file name (BAK) located in (%F) is currently in the folder."_s},
            {"file there, mail when not", exist(u"bak"_s, 1), 0, none, {}, {}, u"Checked File (bak) located in (%F). | File (bak) Does exist in (%F). Criteria set not to email if exist."_s + kWait + u"\n"_s},
            {"file typed with \\", age(u"%F\\a.bak"_s, u"1 Day"_s), 0, none, {}, {}, u"Checked File (%F\\a.bak) | File (%F\\a.bak) age checked out fine according to the criteria set."_s + kWait + u"\n"_s},
            {"a file in place of a folder", age(u"%F/a.bak/x"_s, u"1 Day"_s), 0, none, {}, {}, u"File (%F/a.bak/x"_s + notFound + u"Now emailing (ops@site.invalid) because the file (%F/a.bak/x) is Missing. Try using a mapped network drive pointing to this file and check the spelling."_s + kWait + u"\n"_s + kOps + u" | Korvane File Check - %F/a.bak/x File is Missing | %F/a.bak/x - File is Missing. Try using a mapped network drive pointing to this file and check the spelling."_s},
            {"a file that cannot be opened: the path alert", age(u"%F/socket"_s, u"1 Day"_s), 0, none, {}, {}, u"File Path to (%F/socket"_s + notFound + pathNote(u"%F/socket"_s) + u"\n"_s + pathMail(u"%F/socket"_s)},
            {"hidden files are skipped", exist(u"txt"_s, 1, u"%F/logs"_s), 0, none, {}, {}, notThere(u"txt"_s, u"%F/logs"_s)},
            {"log.txt is not *.log", exist(u"log"_s, 1, u"%F/only"_s), 0, none, {}, {}, notThere(u"log"_s, u"%F/only"_s)},
            {"folders are skipped", exist(u"*"_s, 1, u"%F/dirs"_s), 0, none, {}, {}, notThere(u"*"_s, u"%F/dirs"_s)},
            {"folder missing", exist(u"log"_s, 1, u"%F/gone"_s), 0, none, {}, {}, notThere(u"log"_s, u"%F/gone"_s)},
            {"? and a folder typed with \\", exist(u"?og"_s, 0, u"%F\\logs"_s), 0, none, {}, {}, u"Preparing, Please Wait.... | Now emailing (ops@site.invalid) because the file (?og) located in (%F\\logs) is currently in the folder."_s + kWait + u"\n"_s + kOps + u" | Korvane File Check - (?og) located in (%F\\logs) is currently in the folder. | The file, or partial file name (?og) located in (%F\\logs) is currently in the folder."_s},
            {"folder unreadable", exist(u"bak"_s, 0, u"%F/"_s + lng), 0, none, {}, {}, u"Attempted to Check File (bak) located in (%F/"_s + lng + u"), and a permission error occured | This application does NOT have full rights on the pc that has this file. This job has failed."_s + u"\n"_s + kOps + u" | Korvane File Check - No permission to read (bak) located in (%F/"_s + lng + u"). | Korvane does NOT have the rights on the PC with the following : (bak) located in (%F/"_s + lng + u"). Some causes could be this PC is currently not turned on, not on the network "_s},
            {"drive letter found", drive(u"c"_s), 0, disks(S::Found, {u"C:"_s, u"D:"_s}), {}, {}, u"Checked Drive Letter (c). Waiting for timer... | Drive Letter (c) WAS found on PC named (pc9).\n"_s},
            {"drive letter not there, written with its colon", drive(u"Z:"_s), 0, disks(S::Found, {u"C:"_s, u"Z:"_s}), {}, {}, u"Preparing, Please Wait.... | Now emailing (ops@site.invalid) because the "_s + onPc + u"the PC is turned off or doesn't exist."_s + u"\n"_s + kOps + u" | Korvane Drive Letter Check - Drive Letter (Z:) is NOT on (pc9) | "_s + onPc + u"this turned off or doesn't exist."_s},
            {"drive query refused", drive(u"Z:"_s), 0, disks(S::AccessRefused), {}, {}, u"This Drive Letter job check has encountered an issue. Please read below. | The PC named (pc9) can't be accessed properly. Make sure this PC name is correct and this application has full access to it. Waiting for the timer for the next record. Now emailing (ops@site.invalid)"_s + u"\n"_s + kOps + u" | Korvane Drive Letter Check - Drive Letter (Z:) is NOT on (pc9) | "_s + onPc + u"this PC is turned off or doesn't exist."_s},
            {"running", serviceRow(u"Spooler"_s), 0, none, {st(4)}, u"query Spooler"_s, checked + up(u"Spooler"_s) + u"\n"_s},
            {"stopped, restart; always-restart", serviceRow(u"Spooler+ / W3SVC"_s), 0, none, {st(1)}, u"query Spooler,start Spooler,restart W3SVC"_s, checked + restarted(u"Spooler"_s) + u"\r\n"_s + always(u"W3SVC"_s) + u"\n"_s + mailRestarted(u"Spooler"_s)},
            {"stopped, no restart", serviceRow(u"Spooler"_s), 0, none, {st(1)}, u"query Spooler"_s, checked + down(u"Spooler"_s) + u"\n"_s + mailDown(u"Spooler"_s)},
            {"two stopped, one running", serviceRow(u"Spooler Dhcp W32Time"_s), 0, none, {st(1), st(1), st(4)}, u"query Spooler,query Dhcp,query W32Time"_s, checked + down(u"Dhcp"_s) + u"\r\n"_s + up(u"W32Time"_s) + u"\n"_s + mailDown(u"Spooler"_s) + u"\n"_s + mailDown(u"Dhcp"_s)},
            {"slot 1 empty, unreachable", serviceRow(u"- Spooler"_s), 0, none, {u"Unable to connect to \\\\pc1\n"_s}, u"query Spooler"_s, noResp, noState.arg(u"Spooler"_s) + u"printed: Unable to connect to \\\\pc1"_s},
            {"unreachable", serviceRow(u"Spooler+ Dhcp / W3SVC"_s), 0, none, {u"unable to connect to \\\\pc1 as "_s + SambaPeer::password()}, u"query Spooler"_s, noResp, u"the PC could not be reached (unable to connect to \\\\pc1 as ********)"_s},
            {"no STATE", serviceRow(u"Spooler Bogus Dhcp / W3SVC"_s), 0, none, {st(4), u"Service Bogus is not installed"_s}, u"query Spooler,query Bogus"_s, noResp, noState.arg(u"Bogus"_s) + u"printed: Service Bogus is not installed"_s},
            {"state read in lower case", serviceRow(u"Spooler+"_s), 0, none, {u"  state    : 1  STOPPED"_s}, u"query Spooler,start Spooler"_s, checked + restarted(u"Spooler"_s) + u"\n"_s + mailRestarted(u"Spooler"_s)},
            {"the first STATE counts", serviceRow(u"Spooler"_s), 0, none, {u"STATE      2 STATE      4"_s}, u"query Spooler"_s, checked + down(u"Spooler"_s) + u"\n"_s + mailDown(u"Spooler"_s)},
            {"no STATE: the 11th character", serviceRow(u"Spooler"_s), 0, none, {u"Spooler   4 up"_s}, u"query Spooler"_s, checked + up(u"Spooler"_s) + u"\n"_s},
            {"always-restart only, no account", serviceRow(u"!/ W3SVC"_s), 0, none, {}, u"restart W3SVC"_s, checked + u"\r\n"_s + always(u"W3SVC"_s) + u"\n"_s},
        });
        // clang-format on
    }
    void job() {
        QFETCH(Job, c);
        JobFixture fx;
        writeFile(fx.folder.path() + u"/a.bak"_s, fx.folder.clock().time.addSecs(-c.age));
        for (const QString& e : {u"logs"_s, u"only"_s, u"dirs/x.log"_s})
            QDir(fx.folder.path()).mkpath(e);
        for (const QString& e : {u"logs/a.LOG"_s, u"logs/.b.txt"_s, u"only/log.txt"_s})
            writeFile(fx.folder.path() + u'/' + e);
        QLocalServer socket; // a file that cannot be opened for reading
        QVERIFY(socket.listen(fx.folder.path() + u"/socket"_s));
        fx.runner.outputs = c.answers;
        fx.add(c.job);
        fx.folder.mailTo(c.pc ? m_peer.port() : unusedLoopbackPort());
        if (!c.log.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(u"Service job for PC pc1: "_s + c.log));
        QTest::failOnWarning(QRegularExpression(QRegularExpression::escape(SambaPeer::password())));
        fx.open(c.pc ? c.pc : disks(S::Failed)).Command1->click();
        fx.tick();
        // Every run of the tool is one argument vector, then stray copies are ended.
        const bool account = c.job.contains(u"AdminUserName"_s);
        QStringList expected, calls;
        for (QString run : c.runs.split(u',', Qt::SkipEmptyParts))
            expected << u"%1/PsService.EXE|\\\\pc1|-u|%2|-p|%3|%4"_s.arg(
                            fx.folder.path(), account ? kUser : QString(),
                            account ? SambaPeer::password() : QString(), run.replace(u' ', u'|'))
                     << u"terminate|psservice.exe"_s;
        for (const QStringList& call : fx.runner.calls)
            calls << call.join(u'|');
        QCOMPARE(calls, expected);
        QCOMPARE(fx.form->Label3->text() + u" | "_s + fx.form->Label1->text() + u'\n' +
                     receivedMails(m_peer).join(u'\n'),
                 c.outcome.replace(u"%F"_s, fx.folder.path()));
    }

    // The summary: state, walk index, Timer1's step, the main window's menus and mark,
    // blForm3isRunning, blPaused ("gone" once closed); then Label2, Label3 (the name of
    // a job that ran), and the title of the last message box.
    void states_data() {
        // clang-format off
        QTest::addColumn<int>("interval");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("summary");
        const auto row = [](const char* name, int interval, const QString& script, const QString& summary, const QString& label2 = {}, const QString& job = {}, const QString& box = {}) { QTest::newRow(name) << interval << script << QStringList{summary, label2, job, box}.join(u" | "_s); };
        const QString five = u"Less Than 5 minutes until the next one"_s, one = u"Less Than 1 minute until the next one"_s;
        const QString waiting = u"Waiting 1 60000 off off on running"_s, idle = u"Idle 0 off on on on stopped"_s, prep = u"Preparing, Please Wait...."_s;
        row("start", 5, u"start"_s, u"Waiting 0 60000 off off on running"_s, {}, prep);
        row("first tick runs job 1", 5, u"start tick"_s, waiting, five, u"j1"_s);
        row("one minute left", 5, u"start tick tick tick tick tick"_s, waiting, one, u"j1"_s);
        row("6th tick runs job 2", 5, u"start"_s + u" tick"_s.repeated(6), u"Waiting 2 60000 off off on running"_s, five, u"j2"_s);
        row("16th tick wraps to job 1", 5, u"start"_s + u" tick"_s.repeated(16), waiting, five, u"j1"_s);
        row("stop", 1, u"start tick stop"_s, u"Idle 1 off on on on stopped"_s);
        row("stop, ping runs", 1, u"ping start stop"_s, u"Idle 0 off off off on stopped"_s);
        row("pause", 1, u"start tick pause"_s, u"Paused 1 off on on on running paused"_s, {}, u"j1"_s);
        row("resume, then a job", 1, u"start tick pause pause tick"_s, u"Waiting 2 20000 off off on running"_s, one, u"j2"_s);
        row("...so the next press resumes", 1, u"start pause stop start pause"_s, u"Waiting 0 20000 off off on running"_s, {}, prep);
        row("pause after stop", 1, u"start stop pause"_s, u"Idle 0 off on on on stopped"_s, {}, {}, u"Read Me"_s);
        row("halted", 1, u"start break tick"_s, u"Halted 0 off off off on running"_s, one, prep);
        row("halted, pause, resume", 1, u"start break tick pause pause"_s, u"Waiting 0 20000 off off on running"_s, {}, prep);
        row("shrank while paused: back to job 1", 1, u"start tick tick pause shrink pause tick"_s, u"Waiting 1 20000 off off on running"_s, one, u"j1"_s);
        row("unload", 1, u"start unload"_s, u"gone on off off stopped"_s);
        row("unload, ping runs", 1, u"ping start unload"_s, u"gone off off off stopped"_s);
        row("two checks hang, the next job runs on time", 1, u"fifo fifo limit start tick tick tick release"_s, u"Waiting 3 60000 off off on running"_s, one, u"j1"_s);
        row("a check cut short by Pause", 1, u"fifo start tick- pause release"_s, u"Paused 0 off on on on running paused"_s, {}, u"Checking File %F/hang1.bak"_s);
        row("a check cut short by closing", 1, u"fifo start tick- unload release"_s, u"gone on off off stopped"_s);
        row("a tool ended by Pause", 1, u"svc start tick- started pause gone"_s, u"Paused 0 off on on on running paused"_s, {}, u"Checking Computer Named (a)"_s);
        row("a tool ended by Stop", 1, u"svc start tick- started stop gone"_s, u"Idle 0 off on on on stopped"_s);
        row("a tool ended by closing", 1, u"svc start tick- started unload gone"_s, u"gone on off off stopped"_s);
        row("interval 0 refused", 0, u"start"_s, idle, {}, {}, u"Invalid Interval"_s);
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
        Form3& form = fx.open();
        QPointer<Form3> window(&form);
        QStringList fifos;
        // clang-format off
        const QHash<QString, std::function<void()>> actions = {
            {u"start"_s, [&] { form.Command1->click(); }}, {u"stop"_s, [&] { form.Command2->click(); }},
            {u"pause"_s, [&] { form.Command3->click(); }}, {u"tick"_s, [&] { fx.tick(); }}, {u"unload"_s, [&] { form.close(); }},
            {u"ping"_s, [&] { fx.host.pingStart = !(fx.folder.ctx.values().blForm1isRunning = true); }},
            {u"shrink"_s, [&] { fx.folder.execSql(u"UPDATE Services SET Disabled = 1 WHERE ID > 1"_s); }},
            {u"nojobs"_s, [&] { fx.folder.execSql(u"DELETE FROM Services"_s); }},
            {u"break"_s, [&] { fx.folder.execSql(u"ALTER TABLE Services RENAME TO Gone"_s); }}, 
            // A job that waits: a file-age job on a FIFO without a writer, a service job whose tool never ends;
            // two hung checks hold the pool's first two workers, so it must grow for the next one.
            {u"fifo"_s, [&] { fifos << fx.folder.path() + u"/hang%1.bak"_s.arg(fifos.size() + 1); ::mkfifo(QFile::encodeName(fifos.last()).constData(), 0600); fx.add(u"AgeOfFile=Greater Than 1 Month|FilePathToCheck="_s + fifos.last()); }},
            {u"svc"_s, [&] { fx.runner.gated = true; fx.add(u"ComputerName=a|Service1=hang"_s); }},
            {u"limit"_s, [&] { fx.cycle().setCheckTimeLimit(std::chrono::milliseconds(300)); }},
            {u"tick-"_s, [&] { fx.cycle().Timer1_Timer(); QVERIFY(fx.cycle().jobUnderWay()); }}, // returns at once
            {u"started"_s, [&] { QTRY_COMPARE(fx.runner.gates.size(), 1); }},
            // The waiting ends: a writer lets the reader of the FIFO go on; the tool has been ended.
            {u"release"_s, [&] { for (const QString& fifo : fifos) QVERIFY(QTest::qWaitFor([&] { const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK); return fd >= 0 && ::close(fd) == 0; }));
                                 QTRY_COMPARE(CheckPool::instance().activeThreadCount(), 0); QCOMPARE(CheckPool::instance().hungCalls(), 0); }},
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
        // Label3 names the job that ran, or is shown with "%F" for the folder.
        const QString label3 = QString(form.Label3->text())
                                   .replace(fx.folder.path(), u"%F"_s)
                                   .remove(u"Checked File ("_s)
                                   .remove(u") located in (%F)."_s);
        const auto& shown = fx.folder.dialogs().shown;
        QTEST(u"%1 %2 %3 %4%5 | %6 | %7 | %8"_s.arg(
                  QString::fromLatin1(states[int(fx.cycle().state())]),
                  QString::number(fx.cycle().intJobIndex()),
                  form.Timer1->isActive() ? QString::number(form.Timer1->interval()) : u"off"_s,
                  host, fx.cycle().blPaused() ? u" paused"_s : QString(), form.Label2->text(),
                  label3, shown.isEmpty() ? QString() : shown.last().title),
              "summary");
    }
};

QTEST_MAIN(TestJobMonitor)
#include "tst_jobmonitor.moc"
