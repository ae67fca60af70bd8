// The two record editors and the two settings windows over real database files, as one table of
// user actions. The device editor: browsing, Add New/Cancel, saving with the duplicate check, the
// field rules, deleting; closing it always refreshes the main window's device list. The job
// editor: the eleven checks, saving each kind, a kind change, deleting up to the last job, a
// stored restart flag, and the input rules typed as a user types them. The settings windows:
// the checks in their order, what they load and save, the Yes/No pairs, database failures.
#include "FakeMonitorHost.h"
#include "WindowChecks.h"
#include "WindowScript.h"
#include "editors/Form2.h"
#include "editors/Form6.h"
#include "settings/Form4.h"
#include "settings/Form7.h"
#include "settings/SettingsRules.h"
#include "storage/JobTable.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kAppSetup = u"UPDATE Settings SET PingTimerSeconds = 7, ServicesTimerSeconds = 12, "
                          u"AutoStartPinger = 1, AutoStartServices = 0"_s;
const QString kMailSetup = u"UPDATE SMTPsettings SET ServerName = 'mail.x.invalid', SMTPusername = "
                           u"'korvane', SMTPpassword = 's3cret', FromEmail = 'alerts@x.invalid', "
                           u"FromName = NULL, SMTPport = '2525', Subject = 'Keep this subject'"_s;
const QString kMailRow = u"SELECT ServerName, SMTPusername, SMTPpassword, FromEmail, FromName, "
                         u"SMTPport, Subject FROM SMTPsettings"_s;
const QString kAppRow = u"SELECT PingTimerSeconds, ServicesTimerSeconds, AutoStartPinger, "
                        u"AutoStartServices, DesktopNotifications FROM Settings"_s;

// A window made and loaded; none when its load refused.
template <typename Form, typename... Args> std::unique_ptr<QDialog> loaded(Args&&... args) {
    auto form = std::make_unique<Form>(std::forward<Args>(args)...);
    return form->Form_Load() ? std::move(form) : nullptr;
}

// A row as the editor writes it: the given "Column=quoted value"s, Null in the three columns it
// writes only when they are used, 0 in the flags, '' in every other text column.
QString newRow(const QStringList& given) {
    const QStringList optional{u"EmailWhenDown"_s, u"AgeOfFile"_s, u"FileExistEmailifThereOrNot"_s};
    QMap<QString, QString> values;
    for (const QString& g : given)
        values.insert(g.section(u'=', 0, 0), g.section(u'=', 1));
    QStringList out;
    for (const QString& c : jobColumns().mid(1)) {
        const bool flag = c.startsWith(u"Restart"_s) || c == u"Disabled"_s;
        out << values.value(c, optional.contains(c) ? u"NULL"_s : flag ? u"0"_s : u"''"_s);
    }
    return out.join(u'|');
}
} // namespace

class TestEditors : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    void editor_data() {
        // clang-format off
        QTest::addColumn<QString>("setup"); // SQL run before the window opens
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("report");
        QTest::addColumn<QStringList>("rows"); // the table afterwards
        const auto add = [](const char* name, const QString& setup, const QString& script, const QStringList& shown, const QString& report, const QStringList& rows = {}) { QTest::newRow(name) << setup << script << shown << report << rows; };
        const QString readMe = u"information Read ME: You Must first click the Add New button in order to add a new record."_s, empty = u"information Empty Field: The I.P. Address or Host Name field is blank. If you don't want to create a new record click Cancel."_s;
        const QString dup = u"critical Duplicate Record Detected: There is already a Record with that I.P. Address or Host Name. Please make the change before updating."_s, added = u"plain Saved: Record (%1) has been added to the database."_s, updated = u"information Updated: Your changes have been saved."_s, mail = u"information Email Address Error: Please enter at least one valid Email Address."_s, number = u"information Input Error: You must only enter a number in this field greater than 1."_s, ask = u"question Delete?: Are you sure you want to delete this record?"_s, deleted = u"information Deleted: The record was deleted."_s;
        const auto devices = [](const QString& names) { return u"INSERT INTO ComputerPingList (ComputerName, EmailWhenDown, MaxAverage, Disabled, Status, ActionTaken) VALUES ('"_s + names.split(u',').join(u"', '', '', 0, '', ''), ('"_s) + u"', '', '', 0, '', '')"_s; };
        // A row as the monitor leaves it ('' in Status and ActionTaken); a new one has Nulls.
        const auto row = [](const QString& name, const QString& rest = u"''|''|0|''|''"_s) { return u"'"_s + name + u"'|"_s + rest; };
        const QString newRest = u"'ops@x.invalid'|'250'|1|NULL|NULL"_s, savedRest = u"'ops@x.invalid'|'250'|1|''|''"_s, ab = devices(u"alpha,beta"_s), abc = devices(u"a,b,c"_s);
        const QStringList abRows{row(u"alpha"_s), row(u"beta"_s)};
        const auto saveDevice = [](const QString& host, bool adding) { return (adding ? u"Command2|Text1="_s : u"Text1="_s) + host + u"|Text2=ops@x.invalid|Text4=250|Check1=1|Command3|?Command2|?Text1|?focus"_s; };
        const auto rule = [](const QString& box, const QString& typed) { return box + u'<' + typed + u"|>Check1|?"_s + box + u"|?focus|"_s + box + u"=|"_s; };
        add("device: empty table", {}, u"?Text1|?Text2|?Text4|!cmdMovePrevious|?focus"_s, {}, u"Text1= Text2= Text4= cmdMovePrevious=off focus=Text3"_s);
        add("device: update before Add New", {}, u"Text1<pc1|Command3|?focus"_s, {readMe}, u"focus=Text3"_s);
        add("device: Add New: Update follows the host box", {}, u"Command2|?Command2|!Command3|Text1<x|!Command3|Text1^Backspace|!Command3|Command2|!Command3|Command3|?focus"_s, {empty}, u"Command2=Cancel Command3=off Command3=on Command3=off Command3=on focus=Text1"_s);
        add("device: walk both ways", devices(u"bravo,Alpha,charlie"_s), u"?Text1|cmdMoveNext|?Text1|cmdMoveNext|?Text1|cmdMoveNext|?Text1|!cmdMoveNext|cmdMovePrevious|cmdMovePrevious|cmdMovePrevious|?Text1|!cmdMoveNext|!cmdMovePrevious|?focus"_s, {u"information Last Record: You are at the last record."_s, u"information First Record: You are at the first record."_s}, u"Text1=Alpha Text1=bravo Text1=charlie Text1=charlie cmdMoveNext=off Text1=Alpha cmdMoveNext=on cmdMovePrevious=off focus=Text3"_s, {row(u"bravo"_s), row(u"Alpha"_s), row(u"charlie"_s)});
        add("device: new", ab, saveDevice(u"pc-new"_s, true), {added.arg(u"pc-new"_s)}, u"Command2=Add New Text1=pc-new focus=Text3"_s, abRows + QStringList{row(u"pc-new"_s, newRest)});
        add("device: new, taken", ab, saveDevice(u"alpha"_s, true), {dup}, u"Command2=Cancel Text1=alpha focus=Text1"_s, abRows);
        add("device: new, other case", ab, saveDevice(u"ALPHA"_s, true), {added.arg(u"ALPHA"_s)}, u"Command2=Add New Text1=ALPHA focus=Text3"_s, abRows + QStringList{row(u"ALPHA"_s, newRest)});
        add("device: update, same name", ab, saveDevice(u"alpha"_s, false), {updated}, u"Command2=Add New Text1=alpha focus=Text3"_s, {row(u"alpha"_s, savedRest), row(u"beta"_s)});
        add("device: update, renamed to a taken name", ab, saveDevice(u"beta"_s, false), {dup}, u"Command2=Add New Text1=beta focus=Text1"_s, abRows);
        add("device: update, renamed in case only", ab, saveDevice(u"Beta"_s, false), {updated}, u"Command2=Add New Text1=Beta focus=Text3"_s, {row(u"Beta"_s, savedRest), row(u"beta"_s)});
        add("device: host trimmed", {}, rule(u"Text1"_s, u"  pc 1  "_s), {}, u"Text1=pc 1 focus=Check1"_s);
        add("device: mail without @", {}, rule(u"Text2"_s, u"nobody"_s), {mail}, u"Text2= focus=Text2"_s);
        add("device: average: its leading number, four digits at most", {}, rule(u"Text4"_s, u"12ms"_s) + rule(u"Text4"_s, u"007"_s) + rule(u"Text4"_s, u"0.5"_s) + rule(u"Text4"_s, u"12345"_s), {}, u"Text4=12 focus=Check1 Text4=7 focus=Check1 Text4=0.5 focus=Check1 Text4=1234 focus=Check1"_s);
        add("device: average: no number above 0", {}, rule(u"Text4"_s, u"abc"_s) + rule(u"Text4"_s, u"-5"_s), {number, number}, u"Text4= focus=Text4 Text4= focus=Text4"_s);
        add("device: delete the first, No then Yes", abc, u"Text2=keep@x.invalid|no|Command4|?focus|Command4|?Text1|?Text2|?focus"_s, {ask, ask, deleted}, u"focus=Text1 Text1=b Text2= focus=Text1"_s, {row(u"b"_s), row(u"c"_s)});
        add("device: delete the last", abc, u"cmdMoveNext|cmdMoveNext|Command4|?Text1"_s, {ask, deleted}, u"Text1=b"_s, {row(u"a"_s), row(u"b"_s)});
        add("device: delete the only one", devices(u"a"_s), u"Text2=keep@x.invalid|Command4|?Text1|?Text2|Command4"_s, {ask, deleted, u"plain No Record To Delete: No Record to Delete."_s}, u"Text1= Text2="_s);
        const auto check = [](const QString& entries) { return u"Command2|"_s + entries + u"|Command3|?focus"_s; };
        const auto save = [](const QString& entries) { return u"Command2|"_s + entries + u"|Command3|?Command2|!Command4|!cmdMoveNext|?focus"_s; };
        const QString saved = u"Command2=Add New Command4=on cmdMoveNext=on focus=Text3"_s, pc = u"Text1=pc|Text2=svc|Text8=u|Text9=p"_s, age = u"Text12=X:\\f|Combo1=Greater Than 1 Day"_s, exist = u"Text15=\\\\pc\\c$|Combo2=If File Exist - Email Below|Text16=n"_s;
        const QString enterMail = u"information Enter Email Address: You must enter an email address."_s, select = u"information Make Selection: You must select "_s, restart = u"critical Error: You must have a service name typed before checking this box!"_s, refused = u"information Error - Can't Type Here: You can't type here. You can only select from the list."_s;
        const QString a = u"12,13,15,16,17,18,19,20,Combo1,Combo2"_s, service = u"1,2,4,5,6,7,8,9,10,11,14"_s, e = u"1,2,4,5,6,7,8,9,10,11,12,13,14,15,16,17,Combo2"_s; // what family A and E empty
        add("job: check 1: no key box", {}, u"Command3|?focus"_s, {u"information Empty PC Name Field: The I.P. Address or Host Name field is blank. If you don't want to create a new record click Cancel."_s}, u"focus=Text1"_s);
        add("job: check 2: service", {}, check(pc.section(u'|', 0, 0)), {u"information Empty Service Name Field: The First Services box needs the name of the Service to check on this remote PC. You do not have to enter anything in the other four boxes, but you do in the first."_s}, u"focus=Text2"_s);
        add("job: check 3: user", {}, check(pc.section(u'|', 0, 1)), {u"information Empty User Name Field: The User Name of the PC must be filled out."_s}, u"focus=Text8"_s);
        add("job: check 4: password", {}, check(pc.section(u'|', 0, 2)), {u"information Empty Password Field: The Password of the PC must be filled out."_s}, u"focus=Text9"_s);
        add("job: check 5: age", {}, check(age.section(u'|', 0, 0)), {select + u"the Age Of the file from the drop down menu before saving."_s}, u"focus=Combo1"_s);
        add("job: check 6: age mail", {}, check(age), {enterMail}, u"focus=Text13"_s);
        add("job: check 7: action", {}, check(exist.section(u'|', 0, 0)), {select + u"a If File Exist email action."_s}, u"focus=Combo2"_s);
        add("job: check 8: name part", {}, check(exist.section(u'|', 0, 1)), {u"information Enter File Name: You must enter part of the file name. Do not use a wild card charater."_s}, u"focus=Text16"_s);
        add("job: check 9: exist mail", {}, check(exist), {enterMail}, u"focus=Text17"_s);
        add("job: check 10: letter", {}, check(u"Text19=pc"_s), {u"information Enter Drive Letter: You must enter an Drive letter."_s}, u"focus=Text18"_s);
        add("job: check 11: drive mail", {}, check(u"Text19=pc|Text18=c"_s), {enterMail}, u"focus=Text20"_s);
        add("job: Update follows the key boxes", {}, u"Command2|!Command3|Text19<q|!Command3|Text19^Backspace|!Command3|Text12=p|!Command3"_s, {}, u"Command3=off Command3=on Command3=off Command3=on"_s);
        add("job: save a service job", {}, save(u"Text1=pc1|Text2=Spooler|Text8=dom\\admin|Text9=pw|Text14=W32Time|Check2=1|Check1=1"_s), {u"plain Saved: Record for PC (pc1) has been added to the database."_s}, saved, {newRow({u"ComputerName='pc1'"_s, u"Service1='Spooler'"_s, u"RestartService1=1"_s, u"AlwaysRestartThisService='W32Time'"_s, u"AdminUserName='dom\\admin'"_s, u"AdminPassword='pw'"_s, u"EmailWhenDown=''"_s, u"Disabled=1"_s})});
        add("job: save a file-age job", {}, save(u"Text12=X:\\log.txt|Combo1=Greater Than 1 Week|Text13=a@x.invalid"_s), {u"plain Saved: Record for Path (X:\\log.txt) has been added to the database."_s}, saved, {newRow({u"FilePathToCheck='X:\\log.txt'"_s, u"AgeOfFile='Greater Than 1 Week'"_s, u"EmailWhenDown='a@x.invalid'"_s})});
        add("job: save a file-exists job", {}, save(u"Text15=\\\\pc\\in|Text16=*.csv|Combo2=If File Doesn't Exist - Email Below|Text17=b@x.invalid"_s), {u"plain Saved: Record for File (*.csv) has been added to the database."_s}, saved, {newRow({u"CheckIfFileExistFolder='\\\\pc\\in'"_s, u"FileNameOfFileExist='*.csv'"_s, u"FileExistEmailifThereOrNot='If File Doesn''t Exist - Email Below'"_s, u"FileExistEmailHere='b@x.invalid'"_s})});
        add("job: save a drive-letter job", {}, save(u"Text19=pc9|Text18=d|Text20=c@x.invalid"_s), {u"plain Saved: The Record for PC named (pc9) & drive (D) has been added to the database."_s}, saved, {newRow({u"CheckIfDriveExistPCName='pc9'"_s, u"CheckIfDriveExistDriveLetter='D'"_s, u"CheckIfDriveExistEmailIfIssue='c@x.invalid'"_s})});
        add("job: a new kind keeps the old list value", u"INSERT INTO Services (FilePathToCheck, AgeOfFile, EmailWhenDown) VALUES ('X:\\f', 'Greater Than 1 Day', 'a@x.invalid')"_s, u"?Combo1|?Text13|Text15<\\\\pc\\in|Text16=n|Combo2=If File Exist - Email Below|Text17=m@x.invalid|Command3"_s, {u"information Updated: Your changes have been saved."_s}, u"Combo1=Greater Than 1 Day Text13=a@x.invalid"_s, {newRow({u"CheckIfFileExistFolder='\\\\pc\\in'"_s, u"FileNameOfFileExist='n'"_s, u"FileExistEmailHere='m@x.invalid'"_s, u"AgeOfFile='Greater Than 1 Day'"_s, u"EmailWhenDown='a@x.invalid'"_s, u"FileExistEmailifThereOrNot='If File Exist - Email Below'"_s})});
        add("job: delete until the window closes", u"INSERT INTO Services (ComputerName, Service2, RestartService1, RestartService2) VALUES ('pc-b', 'svc2', 1, 1), ('pc-a', '', 0, 0)"_s, u"Command4|?Text1|?Check2|?Check3|Command4|?visible"_s, {ask, u"information Deleted: The record was deleted."_s, restart, ask, u"information Deleted: The record was deleted. Since that was the last record, this window will now close"_s}, u"Text1=pc-b Check2=0 Check3=1 visible=0"_s);
        add("job: typing in A: a letter", {}, u"*|Text1<x|?empty"_s, {}, u"empty="_s + a);
        add("job: typing in A: Enter", {}, u"*|Text9^Return|?empty"_s, {}, u"empty="_s + a);
        add("job: typing in A: Backspace", {}, u"*|Text10^Backspace|?empty"_s, {}, u"empty=10,"_s + a);
        add("job: typing in B", {}, u"*|Text11<x|?empty"_s, {}, u"empty=12,18,19,20,Combo1"_s);
        add("job: typing in C keeps the restart ticks", {}, u"*|Text13<x|?empty|?Check2|?Check7"_s, {}, u"empty="_s + service + u",15,16,17,18,19,20,Combo2 Check2=1 Check7=1"_s);
        add("job: typing in D", {}, u"*|Text16<x|?empty"_s, {}, u"empty=1,2,4,5,6,7,8,9,10,11,12,13,14,18,19,20,Combo1"_s);
        add("job: typing in E", {}, u"*|Text20<x|?empty"_s, {}, u"empty="_s + e);
        add("job: pasting in E", {}, u"*|Text19^Ctrl+V|?empty"_s, {}, u"empty="_s + e);
        add("job: typing the always-restart service", {}, u"*|Text14<x|?empty"_s, {}, u"empty="_s);
        add("job: Delete key", {}, u"*|Text12^Del|?empty"_s, {}, u"empty="_s);
        add("job: box rules", {}, u"Text18<cd|?Text18|Text14< a b |?Text14|Text8<  u  |Text10< nobody |?Text8|>Text2|?Text10|?focus"_s, {u"information Email Address Error: Please enter at least one valid Email Address."_s}, u"Text18=C Text14=ab Text8=u Text10= focus=Text10"_s);
        add("job: restart boxes need a service", {}, u"Check4|?Check4|Text5=svc|Check4|?Check4|Text5=|Check4|?Check4"_s, {restart, restart}, u"Check4=0 Check4=1 Check4=0"_s);
        add("job: lists take no typing", {}, u"Combo1=Greater Than An Hour|Combo1^A|?Combo1|Combo2=If File Exist - Email Below|Combo2^Space|?Combo2|Combo1^Backspace|?Combo1"_s, {refused, refused}, u"Combo1=Greater Than An Hou Combo2=If File Exist - Email Belo Combo1=Greater Than An Ho"_s);
        const QString appRow = u"7|12|1|0|1"_s, mailRow = u"mail.x.invalid|korvane|s3cret|alerts@x.invalid||2525|Keep this subject"_s, blank = u"information Empty Field: The "_s, bad = u"information Invalid Data: The "_s, field = u" field is blank. If you don't want to create a new record click Cancel."_s, dbError = u"critical Database Error: The "_s, missing = u" row is missing. Nothing has been changed in the database."_s;
        const auto app = [](const QString& ping, const QString& services, const QString& clicks = {}) { return u"Text1=|Text2=|Text1<"_s + ping + u"|Text2<"_s + services + u'|' + clicks + (clicks.isEmpty() ? u"Command1|?focus|?Text1|?Text2"_s : u"|Command1|?visible"_s); };
        const auto smtp = [](const QString& typed) { QString script; const QStringList v = typed.split(u','); for (int i = 0; i < 6; ++i) script += u"Text%1="_s.arg(i < 5 ? i + 1 : 7) + v[i] + u'|'; return script + u"Command1|?focus|?Text1|?Text2|?Text3|?Text4|?Text5|?Text7"_s; };
        add("application: as loaded", kAppSetup, u"?Text1|?Text2"_s, {}, u"Text1=7 Text2=12"_s, {appRow});
        add("application: both empty", kAppSetup, app({}, {}), {blank + u"Korvane timer interval field can not be blank."_s}, u"focus=Text1 Text1= Text2="_s, {appRow});
        add("application: services empty before a letter", kAppSetup, app(u"a"_s, {}), {blank + u"Tallis timer interval field can not be blank."_s}, u"focus=Text2 Text1=a Text2="_s, {appRow});
        add("application: both letters", kAppSetup, app(u"a"_s, u"b"_s), {bad + u"Korvane timer interval must be a number."_s}, u"focus=Text1 Text1= Text2=b"_s, {appRow});
        add("application: number tests before points", kAppSetup, app(u"1."_s, u"a"_s), {bad + u"Tallis timer interval must be a number."_s}, u"focus=Text2 Text1=1. Text2="_s, {appRow});
        add("application: ping 1.", kAppSetup, app(u"1."_s, u"5"_s), {bad + u"Korvane timer interval can only have numbers."_s}, u"focus=Text1 Text1= Text2=5"_s, {appRow});
        add("application: services 1.", kAppSetup, app(u"5"_s, u"1."_s), {bad + u"Tallis timer interval can only have numbers."_s}, u"focus=Text2 Text1=5 Text2="_s, {appRow});
        add("application: ping -1", kAppSetup, app(u"-1"_s, u"0"_s), {bad + u"Korvane timer interval must be greater than 0."_s}, u"focus=Text1 Text1= Text2=0"_s, {appRow});
        add("application: services 0", kAppSetup, app(u"5"_s, u"0"_s), {bad + u"Tallis timer interval must be greater than 0."_s}, u"focus=Text2 Text1=5 Text2="_s, {appRow});
        add("application: unchecking Yes checks it again", kAppSetup, app(u"7"_s, u"12"_s, u"Check1"_s), {updated}, u"visible=0"_s, {u"7|12|1|0|1"_s});
        add("application: checking the other boxes switches the pairs", kAppSetup, app(u"1"_s, u"99"_s, u"Check2|Check3|Check6"_s), {updated}, u"visible=0"_s, {u"1|99|0|1|0"_s});
        add("application: switch, then uncheck; the ping interval trimmed as typed", kAppSetup, app(u" +3 "_s, u" 5"_s, u"Check2|Check2|Check5|?Text1"_s), {updated}, u"Text1=+3 visible=0"_s, {u"3|5|0|0|1"_s});
        add("email: as loaded", kMailSetup, u"?Text1|?Text2|?Text3|?Text4|?Text5|?Text7"_s, {}, u"Text1=mail.x.invalid Text2=korvane Text3=s3cret Text4=alerts@x.invalid Text5= Text7=2525"_s, {mailRow});
        add("email: all empty", kMailSetup, smtp(u",,,,,"_s), {blank + u"SMTP Server Name"_s + field}, u"focus=Text1 Text1= Text2= Text3= Text4= Text5= Text7="_s, {mailRow});
        add("email: server", kMailSetup, smtp(u"   ,u,p,f,n,25"_s), {blank + u"SMTP Server Name"_s + field}, u"focus=Text1 Text1= Text2=u Text3=p Text4=f Text5=n Text7=25"_s, {mailRow});
        add("email: user", kMailSetup, smtp(u"s,   ,p,f,n,25"_s), {blank + u"SMTP User Name"_s + field}, u"focus=Text2 Text1=s Text2= Text3=p Text4=f Text5=n Text7=25"_s, {mailRow});
        add("email: password", kMailSetup, smtp(u"s,u,   ,f,n,25"_s), {blank + u"SMTP password"_s + field}, u"focus=Text3 Text1=s Text2=u Text3= Text4=f Text5=n Text7=25"_s, {mailRow});
        add("email: from", kMailSetup, smtp(u"s,u,p,   ,n,25"_s), {blank + u"from email"_s + field}, u"focus=Text4 Text1=s Text2=u Text3=p Text4= Text5=n Text7=25"_s, {mailRow});
        add("email: name, the others trimmed", kMailSetup, smtp(u"  s  , u,p , f ,, 25"_s), {blank + u"from name"_s + field}, u"focus=Text5 Text1=s Text2=u Text3=p Text4=f Text5= Text7=25"_s, {mailRow});
        add("email: port", kMailSetup, smtp(u"s,u,p,f,n,   "_s), {blank + u"SMTP port"_s + field}, u"focus=Text7 Text1=s Text2=u Text3=p Text4=f Text5=n Text7="_s, {mailRow});
        add("email: saved", kMailSetup, smtp(u"  127.0.0.1  , newuser,newpass ,new@x.invalid,New  Name  , smtp"_s).replace(u"?focus"_s, u"?visible"_s), {u"information Updated: The email settings have been updated."_s}, u"visible=0 Text1=127.0.0.1 Text2=newuser Text3=newpass Text4=new@x.invalid Text5=New  Name Text7=smtp"_s, {u"127.0.0.1|newuser|newpass|new@x.invalid|New  Name|smtp|Keep this subject"_s});
        add("application: saving without its row", kAppSetup, u"%DELETE FROM Settings|Text1=9|Command1|?visible|?Text1"_s, {dbError + u"settings could not be saved: the Settings"_s + missing}, u"visible=1 Text1=9"_s);
        add("email: saving without its row", kMailSetup, u"%DELETE FROM SMTPsettings|Text1=127.0.0.1|Text5=Alerts|Command1|?visible|?Text1"_s, {dbError + u"email settings could not be saved: the SMTPsettings"_s + missing}, u"visible=1 Text1=127.0.0.1"_s);
        // clang-format on
    }
    void editor() {
        QFETCH(QString, setup);
        QFETCH(QString, script);
        const QByteArray tag = QTest::currentDataTag(), kind = tag.left(tag.indexOf(':'));
        TestProgramFolder folder;
        if (!setup.isEmpty())
            folder.execSql(setup);
        folder.ctx.values().fncGetSMTPsettings(folder.databasePath());
        const QString mailBefore = folder.select(kMailRow).value(0).section(u'|', 0, 5);
        FakeMonitorHost host;
        const std::unique_ptr<QDialog> form = kind == "device"  ? loaded<Form6>(folder.ctx, host)
                                              : kind == "job"   ? loaded<Form2>(folder.ctx)
                                              : kind == "email" ? loaded<Form7>(folder.ctx)
                                                                : loaded<Form4>(folder.ctx);
        QVERIFY(form);
        QVERIFY(kind != "email" || form->findChild<QLineEdit*>(u"Text3"_s)->displayText() ==
                                       u"******"_s); // a "*" for every character
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTEST(runScript(*form, folder, script), "report");
        QTEST(folder.dialogs().boxes(), "shown");
        const QString db = folder.databasePath();
        QTEST(kind == "device" ? quotedRows(db, u"ComputerPingList"_s,
                                            {u"ComputerName"_s, u"EmailWhenDown"_s, u"MaxAverage"_s,
                                             u"Disabled"_s, u"Status"_s, u"ActionTaken"_s})
              : kind == "job"  ? quotedRows(db, u"Services"_s, jobColumns().mid(1))
                               : folder.select(kind == "email" ? kMailRow : kAppRow),
              "rows");
        // The shared mail settings are loaded again after a save, for the next alert, and kept
        // as they were otherwise; the alerts follow the notification choice at once.
        const PublicValues& v = folder.ctx.values();
        QCOMPARE(QStringList({v.SMTPserver, v.SMTPUserName, v.SMTPPassword, v.SMTPFromEmail,
                              v.SMTPFromName, v.SMTPport})
                     .join(u'|'),
                 kind != "email" || form->isVisible()
                     ? mailBefore
                     : folder.select(kMailRow).value(0).section(u'|', 0, 5));
        QCOMPARE(folder.ctx.desktopNotifications(),
                 !folder.select(kAppRow).value(0).endsWith(u"|0"_s));
        form->close();
        QCOMPARE(host.refreshes, kind == "device" ? 1 : 0);
    }

    // The platform's numeric test behind the interval checks.
    void numericText() {
        QString got;
        for (const QString& text : u"5| 5|5 |1.|.5|-1|+1|0|a|1a|| |.|-|1.2.3|1 2|- 1"_s.split(u'|'))
            got += SettingsRules::isNumericText(text) ? u'1' : u'0';
        QCOMPARE(got, u"11111111000000000"_s);
    }

    // A load that fails shows its message and refuses to open the window.
    void loadFailures() {
        TestProgramFolder folder;
        QVERIFY(QFile::remove(folder.databasePath()));
        QVERIFY(!Form7(folder.ctx).Form_Load() && !Form4(folder.ctx).Form_Load() &&
                folder.endedWith.isEmpty());
        const QString unusable = u" could not be read from the database: the database file is "
                                 u"missing, unreadable or in use by another program."_s;
        QCOMPARE(folder.dialogs().boxes(),
                 (QStringList{u"critical Database Error: The email settings"_s + unusable,
                              u"critical Database Error: The settings"_s + unusable}));
    }
};

QTEST_MAIN(TestEditors)
#include "tst_editors.moc"
