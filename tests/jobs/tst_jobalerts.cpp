// Every job alert as the local SMTP server receives it, with the status lines the job leaves:
// one job per row, run by one tick. File and drive jobs run on real files ("%F" for the folder)
// and a stand-in PC; the service-control tool's answers are scripted.
#include "JobFixture.h"
#include "TestTables.h"
#include "support/SambaPeer.h"

#include <QRegularExpression>

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

// "{up:S}" and the like: the exact texts about the service S on pc1.
QString expand(QString text) {
    static const QRegularExpression token(u"\\{(\\w+):?(\\w*)\\}"_s);
    const QString by = u"Now emailing ("_s + kTwo + u") because the "_s, mail = kTwo + u" | Korvane Service Check - "_s;
    const QHash<QString, QString> texts = {
        {u"checked"_s, u"Checked Computer Named (pc1) | "_s}, {u"notfound"_s, pcNotFoundText(u"pc1"_s) + u" | "_s},
        {u"up"_s, u"Service (%1) on PC Named (pc1) Is Already Running"_s},
        {u"always"_s, u"Restarted Service (%1) on PC Named (pc1)"_s},
        {u"restarted"_s, by + u"service (%1) on PC (pc1) was restarted."_s + kWait},
        {u"down"_s, by + u"service (%1) on PC (pc1) is not running."_s + kWait},
        {u"noresp"_s, by + u"PC (pc1) is not responding."_s + kWait},
        {u"mailRestarted"_s, mail + u"%1 Service Was Restarted - pc1 | pc1 - %1 - Had to be restarted. If you continue to get this email then the service keeps stopping."_s},
        {u"mailDown"_s, mail + u"%1 Service is NOT running - pc1 | pc1 - %1 - is NOT running. The current settings for this PC is set to NOT restart this service, and to only monitor and report."_s},
        {u"mailNoresp"_s, mail + u"pc1 is NOT responding | "_s + kNoResponse.arg(u"pc1"_s)}};
    for (auto m = token.match(text); m.hasMatch(); m = token.match(text))
        text.replace(m.capturedStart(), m.capturedLength(), texts.value(m.captured(1)).arg(m.captured(2)));
    return text;
}
// clang-format on

// A job: its record, the file %F/a.bak last modified `age` seconds ago, the PC's disks (none: no
// mail server either), the service-control tool's answers in turn (a state digit or the whole
// text) and its runs ("OPERATION SERVICE"), the outcome (status lines "Label3 | Label1", then
// the mails) and what is logged after "Service job for PC pc1: ".
struct Job {
    const char* name;
    QString job;
    qint64 age;
    std::shared_ptr<LogicalDisks> pc;
    QStringList answers;
    QString runs, outcome, log = {};
};

} // namespace

class TestJobAlerts : public QObject {
    Q_OBJECT

    SmtpPeer m_peer;

  private Q_SLOTS:
    void initTestCase() { KORVANE_START_SMTP_PEER(m_peer); }
    void init() { m_peer.clear(); }
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

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
        const QString noState = u"no usable state for the service %1, so the PC is reported as not responding: the tool "_s, noResp = u"{notfound}{noresp}\n{mailNoresp}"_s;
        const QString onPc = u"Drive Letter (Z) is NOT currently on the PC named (pc9), or the user name\\password for this record doesn't have admin rights on the pc, or "_s;
        addRows<Job>({
            {"old, hour rule, two recipients", age(u"%F/a.bak"_s, u"An Hour"_s, kTwo), 7200, none, {}, {}, u"Checking File %F/a.bak | Now emailing ("_s + kTwo + u") because the file (%F/a.bak) is older than the criteria of 1 Hour."_s + kWait + u"\n"_s + kTwo + u" | Korvane File Check - %F/a.bak File is older than the set criteria | %F/a.bak - File is older than the set criteria.\n File was last modified on (12 May 2026 19:05:00), and the current Date/Time is (12 May 2026 21:05:00)."_s},
            {"fine, hour rule", age(u"%F/a.bak"_s, u"An Hour"_s), 600, none, {}, {}, u"Checked File (%F/a.bak) | File (%F/a.bak) age checked out fine according to the criteria set."_s + u"\n"_s},
            {"fine, day rule", age(u"%F/a.bak"_s, u"1 Day"_s), 600, none, {}, {}, u"Checked File (%F/a.bak) | File (%F/a.bak) age checked out fine according to the criteria set."_s + kWait + u"\n"_s},
            {"file missing: the path alert", age(u"%F/gone.bak"_s, u"1 Day"_s), 0, none, {}, {}, u"File Path to (%F/gone.bak"_s + notFound + pathNote(u"%F/gone.bak"_s) + u"\n"_s + pathMail(u"%F/gone.bak"_s)},
            {"file unreadable: the path alert", age(u"%F/"_s + lng, u"1 Day"_s), 0, none, {}, {}, u"File Path to (%F/"_s + lng + notFound + pathNote(u"%F/"_s + lng) + u"\n"_s + pathMail(u"%F/"_s + lng)},
            {"folder missing: the file-missing alert", age(u"%F/no/a.bak"_s, u"1 Day"_s), 0, none, {}, {}, u"File (%F/no/a.bak"_s + notFound + u"Now emailing (ops@site.invalid) because the file (%F/no/a.bak) is Missing. Try using a mapped network drive pointing to this file and check the spelling."_s + kWait + u"\n"_s + kOps + u" | Korvane File Check - %F/no/a.bak File is Missing | %F/no/a.bak - File is Missing. Try using a mapped network drive pointing to this file and check the spelling."_s},
            {"age not a number: the type-mismatch outcome", u"FilePathToCheck=%F/a.bak|AgeOfFile=soon|EmailWhenDown=ops@site.invalid"_s, 0, none, {}, {}, pcNotFoundText(QString()) + u" | Now emailing (ops@site.invalid) because the PC () is not responding."_s + kWait + u"\n"_s + kOps + u" | Korvane Service Check -  is NOT responding | "_s + kNoResponse.arg(QString())},
            {"a failed send is noted as failed", age(u"%F/gone.bak"_s, u"1 Day"_s), 0, nullptr, {}, {}, u"File Path to (%F/gone.bak"_s + notFound + u"Email Failed To: ops@site.invalid - could not connect"_s + u"\n"_s},
            {"file there", exist(u"BAK"_s, 0), 0, none, {}, {}, u"Preparing, Please Wait.... | Now emailing (ops@site.invalid) because the file (BAK) located in (%F) is currently in the folder."_s + kWait + u"\n"_s + kOps + u" | Korvane File Check - (BAK) located in (%F) is currently in the folder. | The file, or partial file name (BAK) located in (%F) is currently in the folder."_s},
            {"file not there", exist(u"zip"_s, 1), 0, none, {}, {}, u"Preparing, Please Wait.... | Now emailing (ops@site.invalid) because the file (zip) located in (%F) is NOT in the folder."_s + kWait + u"\n"_s + kOps + u" | Korvane File Check - (zip) located in (%F) is NOT in the folder. | The file, or partial file name (zip) located in (%F) is NOT in the folder."_s},
            {"file there, mail when not", exist(u"bak"_s, 1), 0, none, {}, {}, u"Checked File (bak) located in (%F). | File (bak) Does exist in (%F). Criteria set not to email if exist."_s + kWait + u"\n"_s},
            {"folder unreadable", exist(u"bak"_s, 0, u"%F/"_s + lng), 0, none, {}, {}, u"Attempted to Check File (bak) located in (%F/"_s + lng + u"), and a permission error occured | This application does NOT have full rights on the pc that has this file. This job has failed."_s + u"\n"_s + kOps + u" | Korvane File Check - No permission to read (bak) located in (%F/"_s + lng + u"). | Korvane does NOT have the rights on the PC with the following : (bak) located in (%F/"_s + lng + u"). Some causes could be this PC is currently not turned on, not on the network "_s},
            {"drive letter not there", drive(u"Z"_s), 0, disks(S::Found, {u"C:"_s}), {}, {}, u"Preparing, Please Wait.... | Now emailing (ops@site.invalid) because the "_s + onPc + u"the PC is turned off or doesn't exist."_s + u"\n"_s + kOps + u" | Korvane Drive Letter Check - Drive Letter (Z) is NOT on (pc9) | "_s + onPc + u"this turned off or doesn't exist."_s},
            {"drive query refused", drive(u"Z"_s), 0, disks(S::AccessRefused), {}, {}, u"This Drive Letter job check has encountered an issue. Please read below. | The PC named (pc9) can't be accessed properly. Make sure this PC name is correct and this application has full access to it. Waiting for the timer for the next record. Now emailing (ops@site.invalid)"_s + u"\n"_s + kOps + u" | Korvane Drive Letter Check - Drive Letter (Z) is NOT on (pc9) | "_s + onPc + u"this PC is turned off or doesn't exist."_s},
            {"running", serviceRow(u"Spooler"_s), 0, none, {u"4"_s}, u"query Spooler"_s, u"{checked}{up:Spooler}\n"_s},
            {"stopped, restart; always-restart", serviceRow(u"Spooler+ / W3SVC"_s), 0, none, {u"1"_s}, u"query Spooler,start Spooler,restart W3SVC"_s, u"{checked}{restarted:Spooler}\r\n{always:W3SVC}\n{mailRestarted:Spooler}"_s},
            {"stopped, no restart", serviceRow(u"Spooler"_s), 0, none, {u"1"_s}, u"query Spooler"_s, u"{checked}{down:Spooler}\n{mailDown:Spooler}"_s},
            {"two stopped, one running", serviceRow(u"Spooler Dhcp W32Time"_s), 0, none, {u"1"_s, u"1"_s, u"4"_s}, u"query Spooler,query Dhcp,query W32Time"_s, u"{checked}{down:Dhcp}\r\n{up:W32Time}\n{mailDown:Spooler}\n{mailDown:Dhcp}"_s},
            {"slot 1 empty, unreachable", serviceRow(u"- Spooler"_s), 0, none, {u"Unable to connect to \\\\pc1\n"_s}, u"query Spooler"_s, noResp, noState.arg(u"Spooler"_s) + u"printed: Unable to connect to \\\\pc1"_s},
            {"unreachable", serviceRow(u"Spooler+ Dhcp / W3SVC"_s), 0, none, {u"unable to connect to \\\\pc1 as "_s + SambaPeer::password()}, u"query Spooler"_s, noResp, u"the PC could not be reached (unable to connect to \\\\pc1 as ********)"_s},
            {"no STATE", serviceRow(u"Spooler Bogus Dhcp / W3SVC"_s), 0, none, {u"4"_s, u"Service Bogus is not installed"_s}, u"query Spooler,query Bogus"_s, noResp, noState.arg(u"Bogus"_s) + u"printed: Service Bogus is not installed"_s},
            {"state read in lower case", serviceRow(u"Spooler+"_s), 0, none, {u"  state    : 1  STOPPED"_s}, u"query Spooler,start Spooler"_s, u"{checked}{restarted:Spooler}\n{mailRestarted:Spooler}"_s},
            {"the first STATE counts", serviceRow(u"Spooler"_s), 0, none, {u"STATE      2 STATE      4"_s}, u"query Spooler"_s, u"{checked}{down:Spooler}\n{mailDown:Spooler}"_s},
            {"no STATE: the 11th character", serviceRow(u"Spooler"_s), 0, none, {u"Spooler   4 up"_s}, u"query Spooler"_s, u"{checked}{up:Spooler}\n"_s},
            {"a blank for the state", serviceRow(u"Spooler"_s), 0, none, {u"        STATE    :    RUNNING"_s}, u"query Spooler"_s, noResp, noState.arg(u"Spooler"_s) + u"printed: STATE    :    RUNNING"_s},
            {"cut short before the state", serviceRow(u"Spooler"_s), 0, none, {u"        STATE    : "_s}, u"query Spooler"_s, noResp, noState.arg(u"Spooler"_s) + u"printed: STATE    :"_s},
            {"always-restart only, no account", serviceRow(u"!/ W3SVC"_s), 0, none, {}, u"restart W3SVC"_s, u"{checked}\r\n{always:W3SVC}\n"_s},
        });
        // clang-format on
    }
    void job() {
        QFETCH(Job, c);
        JobFixture fx;
        writeFile(fx.folder.path() + u"/a.bak"_s, fx.folder.clock().time.addSecs(-c.age));
        for (const QString& said : c.answers)
            fx.runner.outputs << (said.size() > 1 ? said
                                                  : u"        STATE    : %1  X\n"_s.arg(said));
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
        QCOMPARE(fx.lines() + u'\n' + receivedMails(m_peer).join(u'\n'),
                 expand(c.outcome).replace(u"%F"_s, fx.folder.path()));
    }
};

QTEST_MAIN(TestJobAlerts)
#include "tst_jobalerts.moc"
