// The device editor over a real database file, as one table of user actions: browsing, Add
// New/Cancel, saving with the duplicate check, the field rules, deleting; closing it always
// refreshes the main window's device list.
#include "EditorFixture.h"
#include "editors/Form6.h"

using namespace Qt::Literals::StringLiterals;

class TestForm6 : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    void script_data() {
        // clang-format off
        QTest::addColumn<QStringList>("devices");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("report");
        QTest::addColumn<QStringList>("rows"); // the table afterwards
        const QString readMe = u"information Read ME: You Must first click the Add New button in order to add a new record."_s;
        const QString empty = u"information Empty Field: The I.P. Address or Host Name field is blank. If you don't want to create a new record click Cancel."_s;
        const QString dup = u"critical Duplicate Record Detected: There is already a Record with that I.P. Address or Host Name. Please make the change before updating."_s;
        const QString added = u"plain Saved: Record (%1) has been added to the database."_s, updated = u"information Updated: Your changes have been saved."_s;
        const QString mail = u"information Email Address Error: Please enter at least one valid Email Address."_s;
        const QString number = u"information Input Error: You must only enter a number in this field greater than 1."_s;
        const QString ask = u"question Delete?: Are you sure you want to delete this record?"_s, deleted = u"information Deleted: The record was deleted."_s;
        // A row as the monitor leaves it ('' in Status and ActionTaken); a new one has Nulls.
        const auto row = [](const QString& name, const QString& rest = u"''|''|0|''|''"_s) { return u"'"_s + name + u"'|"_s + rest; };
        const QString newRest = u"'ops@x.invalid'|'250'|1|NULL|NULL"_s, savedRest = u"'ops@x.invalid'|'250'|1|''|''"_s;
        const QStringList ab{u"alpha"_s, u"beta"_s}, abc{u"a"_s, u"b"_s, u"c"_s}, abRows{row(u"alpha"_s), row(u"beta"_s)};
        const auto save = [](const QString& host, bool adding) { return (adding ? u"Command2|Text1="_s : u"Text1="_s) + host + u"|Text2=ops@x.invalid|Text4=250|Check1=1|Command3|?Command2|?Text1|?focus"_s; };
        const auto rule = [](const QString& box, const QString& typed) { return box + u'<' + typed + u"|>Check1|?"_s + box + u"|?focus"_s; };
        const auto add = [](const char* name, const QStringList& devices, const QString& script, const QStringList& shown, const QString& report, const QStringList& rows) { QTest::newRow(name) << devices << script << shown << report << rows; };
        add("empty table", {}, u"?Text1|?Text2|?Text4|!cmdMovePrevious|?focus"_s, {}, u"Text1= Text2= Text4= cmdMovePrevious=off focus=Text3"_s, {});
        add("update before Add New", {}, u"Text1<pc1|Command3|?focus"_s, {readMe}, u"focus=Text3"_s, {});
        add("Add New: Update follows the host box", {}, u"Command2|?Command2|!Command3|Text1<x|!Command3|Text1^Backspace|!Command3|Command2|!Command3|Command3|?focus"_s, {empty}, u"Command2=Cancel Command3=off Command3=on Command3=off Command3=on focus=Text1"_s, {});
        add("walk both ways", {u"bravo"_s, u"Alpha"_s, u"charlie"_s}, u"?Text1|cmdMoveNext|?Text1|cmdMoveNext|?Text1|cmdMoveNext|?Text1|!cmdMoveNext|cmdMovePrevious|cmdMovePrevious|cmdMovePrevious|?Text1|!cmdMoveNext|!cmdMovePrevious|?focus"_s, {u"information Last Record: You are at the last record."_s, u"information First Record: You are at the first record."_s}, u"Text1=Alpha Text1=bravo Text1=charlie Text1=charlie cmdMoveNext=off Text1=Alpha cmdMoveNext=on cmdMovePrevious=off focus=Text3"_s, {row(u"bravo"_s), row(u"Alpha"_s), row(u"charlie"_s)});
        add("new", ab, save(u"pc-new"_s, true), {added.arg(u"pc-new"_s)}, u"Command2=Add New Text1=pc-new focus=Text3"_s, abRows + QStringList{row(u"pc-new"_s, newRest)});
        add("new, taken", ab, save(u"alpha"_s, true), {dup}, u"Command2=Cancel Text1=alpha focus=Text1"_s, abRows);
        add("new, other case", ab, save(u"ALPHA"_s, true), {added.arg(u"ALPHA"_s)}, u"Command2=Add New Text1=ALPHA focus=Text3"_s, abRows + QStringList{row(u"ALPHA"_s, newRest)});
        add("update, same name", ab, save(u"alpha"_s, false), {updated}, u"Command2=Add New Text1=alpha focus=Text3"_s, {row(u"alpha"_s, savedRest), row(u"beta"_s)});
        add("update, renamed to a taken name", ab, save(u"beta"_s, false), {dup}, u"Command2=Add New Text1=beta focus=Text1"_s, abRows);
        add("update, renamed in case only", ab, save(u"Beta"_s, false), {updated}, u"Command2=Add New Text1=Beta focus=Text3"_s, {row(u"Beta"_s, savedRest), row(u"beta"_s)});
        add("host trimmed", {}, rule(u"Text1"_s, u"  pc 1  "_s), {}, u"Text1=pc 1 focus=Check1"_s, {});
        add("mail without @", {}, rule(u"Text2"_s, u"nobody"_s), {mail}, u"Text2= focus=Text2"_s, {});
        add("average 12ms", {}, rule(u"Text4"_s, u"12ms"_s), {}, u"Text4=12 focus=Check1"_s, {});
        add("average 007", {}, rule(u"Text4"_s, u"007"_s), {}, u"Text4=7 focus=Check1"_s, {});
        add("average 0.5", {}, rule(u"Text4"_s, u"0.5"_s), {}, u"Text4=0.5 focus=Check1"_s, {});
        add("average letters", {}, rule(u"Text4"_s, u"abc"_s), {number}, u"Text4= focus=Text4"_s, {});
        add("average negative", {}, rule(u"Text4"_s, u"-5"_s), {number}, u"Text4= focus=Text4"_s, {});
        add("average, four digits at most", {}, rule(u"Text4"_s, u"12345"_s), {}, u"Text4=1234 focus=Check1"_s, {});
        add("delete the first, No then Yes", abc, u"Text2=keep@x.invalid|no|Command4|?focus|Command4|?Text1|?Text2|?focus"_s, {ask, ask, deleted}, u"focus=Text1 Text1=b Text2= focus=Text1"_s, {row(u"b"_s), row(u"c"_s)});
        add("delete the last", abc, u"cmdMoveNext|cmdMoveNext|Command4|?Text1"_s, {ask, deleted}, u"Text1=b"_s, {row(u"a"_s), row(u"b"_s)});
        add("delete the only one", {u"a"_s}, u"Text2=keep@x.invalid|Command4|?Text1|?Text2|Command4"_s, {ask, deleted, u"plain No Record To Delete: No Record to Delete."_s}, u"Text1= Text2="_s, {});
        // clang-format on
    }
    void script() {
        QFETCH(QStringList, devices);
        QFETCH(QString, script);
        TestProgramFolder folder;
        for (const QString& d : devices)
            folder.addDevice(d);
        FakeMonitorHost host;
        auto form = openEditor<Form6>(folder.ctx, host);
        QTEST(runScript(*form, folder, script), "report");
        QTEST(folder.dialogs().boxes(), "shown");
        QTEST(quotedRows(folder.databasePath(), u"ComputerPingList"_s,
                         {u"ComputerName"_s, u"EmailWhenDown"_s, u"MaxAverage"_s, u"Disabled"_s,
                          u"Status"_s, u"ActionTaken"_s}),
              "rows");
        QCOMPARE(host.refreshes, 0);
        form->close();
        QCOMPARE(host.refreshes, 1);
    }
};

QTEST_MAIN(TestForm6)
#include "tst_form6.moc"
