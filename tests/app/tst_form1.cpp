// The main window as a frame: load sequence, controls, menus, device list and public values.
#include "TestProgramFolder.h"
#include "WindowChecks.h"
#include "app/DatabaseTrap.h"
#include "app/Form1.h"
#include "storage/Database.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

using namespace Qt::Literals::StringLiterals;

namespace {

QStringList rowTexts(QTreeWidget* list, int column) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(column);
    return out;
}

int selectedRow(QTreeWidget* list) {
    const auto items = list->selectedItems();
    return items.size() == 1 ? list->indexOfTopLevelItem(items.first()) : -1;
}

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    void captionControlsAndMenus() {
        TestProgramFolder folder;
        Form1 form(folder.ctx);
        QCOMPARE(form.windowTitle(), u"Korvane & Services - Network & File Monitoring Tools"_s);
        QVERIFY(form.Form_Load());
        QCOMPARE(form.windowTitle(),
                 u"Korvane & Services - Network & File Monitoring Tools - Version "_s +
                     Form1::versionText());
        QVERIFY(
            QRegularExpression(u"^\\d+\\.\\d+\\.\\d+$"_s).match(Form1::versionText()).hasMatch());
        QVERIFY(form.isVisible());

        const struct {
            const char* name;
            const char* tip;
            bool enabled;
        } buttons[] = {
            {"Command1", "Click here to start the Ping process", true},
            {"Command2", "Click here to stop the Ping process", false},
            {"Command3", "Click here to Pause the Ping process", false},
        };
        for (const auto& b : buttons) {
            auto* w = form.findChild<QToolButton*>(QString::fromLatin1(b.name));
            QVERIFY2(w, b.name);
            QCOMPARE(w->toolTip(), QString::fromLatin1(b.tip));
            QCOMPARE(w->isEnabled(), b.enabled);
            QVERIFY(!w->icon().isNull());
            QVERIFY(w->text().isEmpty() || w->toolButtonStyle() == Qt::ToolButtonIconOnly);
        }
        auto* list = form.findChild<QTreeWidget*>(u"ListView1"_s);
        QVERIFY(list);
        QCOMPARE(list->toolTip(), u"Current Working Ping List & Status"_s);
        QCOMPARE(list->columnCount(), 3);
        QCOMPARE(list->headerItem()->text(0), u"Device Name"_s);
        QCOMPARE(list->headerItem()->text(1), u"Last Logged Status"_s);
        QCOMPARE(list->headerItem()->text(2), u"Last Logged Action Taken"_s);
        QCOMPARE(list->columnWidth(0), 167); // 2500 twips
        QCOMPARE(list->columnWidth(1), 180); // 2700 twips
        QCOMPARE(list->columnWidth(2), 247); // 3700 twips

        QCOMPARE(form.findChild<QLabel*>(u"Label3"_s)->text(), QString());
        QCOMPARE(form.findChild<QLabel*>(u"Label1"_s)->font().family(), u"Courier New"_s);
        QCOMPARE(form.findChild<QLineEdit*>(u"Text1"_s)->text(), u"Text1"_s);
        auto* timer1 = form.findChild<QTimer*>(u"Timer1"_s);
        auto* timer2 = form.findChild<QTimer*>(u"Timer2"_s);
        QCOMPARE(timer1->interval(), 60000);
        QCOMPARE(timer2->interval(), 3000);
        QVERIFY(!timer1->isActive());
        QVERIFY(!timer2->isActive());

        // Menus, top to bottom.
        QStringList bar;
        for (QAction* a : form.menuBar()->actions())
            bar << a->text();
        QCOMPARE(bar, (QStringList{u"Edit"_s, u"Remote Services"_s, u"Settings"_s, u"Help"_s}));
        const QList<std::pair<QString, QStringList>> menus = {
            {u"mnuEdit"_s,
             {u"mnuPingList"_s, u"mnuEditRemoteServicesDatabaseList"_s, u"mnuExit"_s}},
            {u"mnuServices"_s, {u"mnuRemoteServicesScanning"_s}},
            {u"mnuSettingsMain"_s, {u"mnuEmailSettings"_s, u"mnuApplicationSettings"_s}},
            {u"mnuHelp"_s, {u"mnuKorvaneOnline"_s, u"mnuAbout"_s}},
        };
        for (const auto& [menuName, items] : menus) {
            auto* menu = form.findChild<QMenu*>(menuName);
            QVERIFY2(menu, qPrintable(menuName));
            QStringList names;
            for (QAction* a : menu->actions())
                names << a->objectName();
            QCOMPARE(names, items);
        }
        QCOMPARE(form.mnuPingList->text(), u"Edit Ping Database"_s);
        QCOMPARE(form.mnuEditRemoteServicesDatabaseList->text(),
                 u"Edit Remote Services/File Age/File Exist/Drive Exist Database"_s);
        QCOMPARE(form.mnuRemoteServicesScanning->text(),
                 u"Start Services/File Age/File Exist/Drive Exist Scanning"_s);
        QCOMPARE(form.mnuEmailSettings->text(), u"Email Settings"_s);
        QCOMPARE(form.mnuApplicationSettings->text(), u"Application Settings"_s);
        QCOMPARE(form.mnuKorvaneOnline->text(), u"Korvane Online"_s);
        QCOMPARE(form.mnuAbout->text(), u"About"_s);
        QVERIFY(folder.dialogs().shown.isEmpty());
        form.close();
    }

    void deviceList_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("walk");
        QTest::addColumn<QStringList>("expectedOrder");
        QTest::addColumn<int>("expectedSelection");
        QTest::newRow("empty") << QStringList{} << 0 << QStringList{} << -1;
        QTest::newRow("one") << QStringList{u"router"_s} << 0 << QStringList{u"router"_s} << 0;
        QTest::newRow("many, mixed case")
            << QStringList{u"printer2"_s, u"Alpha"_s, u"-disabled"_s, u"beta"_s, u"O'Brien; DROP"_s}
            << 0
            << QStringList{u"-disabled"_s, u"Alpha"_s, u"beta"_s, u"O'Brien; DROP"_s, u"printer2"_s}
            << 0;
        QTest::newRow("walk position 3")
            << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s} << 3
            << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s} << 3;
        QTest::newRow("walk on the last row")
            << QStringList{u"a"_s, u"b"_s} << 1 << QStringList{u"a"_s, u"b"_s} << 1;
        QTest::newRow("walk past the end")
            << QStringList{u"a"_s, u"b"_s} << 2 << QStringList{u"a"_s, u"b"_s} << -1;
    }

    void deviceList() {
        QFETCH(QStringList, names);
        QFETCH(int, walk);
        QFETCH(QStringList, expectedOrder);
        QFETCH(int, expectedSelection);
        TestProgramFolder folder;
        for (const QString& n : names) {
            DeviceRecord d;
            d.computerName = n;
            d.disabled = n.startsWith(u'-');
            d.status = n == u"beta"_s ? u"Percentage Lost 25%"_s : QString();
            d.actionTaken = n == u"beta"_s ? u"Nothing For Now"_s : QString();
            folder.addDevice(d);
        }
        Form1 form(folder.ctx);
        QVERIFY(form.Form_Load());
        if (walk != 0)
            QSKIP("the walk position is set by the ping cycle");
        form.fncReloadAllRecords();
        QCOMPARE(rowTexts(form.ListView1, 0), expectedOrder);
        QCOMPARE(selectedRow(form.ListView1), expectedSelection);
        const qsizetype beta = expectedOrder.indexOf(u"beta"_s);
        if (beta >= 0) {
            QCOMPARE(form.ListView1->topLevelItem(int(beta))->text(1), u"Percentage Lost 25%"_s);
            QCOMPARE(form.ListView1->topLevelItem(int(beta))->text(2), u"Nothing For Now"_s);
        }
        for (int i = 0; i < form.ListView1->topLevelItemCount(); ++i) {
            if (i != beta)
                QCOMPARE(form.ListView1->topLevelItem(i)->text(1), QString());
        }
        QVERIFY(folder.dialogs().shown.isEmpty());
        form.close();
    }

    void reloadShowsNewStatus() {
        TestProgramFolder folder;
        folder.addDevice(u"host"_s);
        Form1 form(folder.ctx);
        QVERIFY(form.Form_Load());
        QCOMPARE(form.ListView1->topLevelItem(0)->text(1), QString());
        QVERIFY(DeviceTable(folder.databasePath())
                    .updateStatus(u"host"_s, u"Not Found In Domain"_s)
                    .ok());
        form.fncReloadAllRecords();
        QCOMPARE(form.ListView1->topLevelItemCount(), 1);
        QCOMPARE(form.ListView1->topLevelItem(0)->text(1), u"Not Found In Domain"_s);
        form.close();
    }

    void unusableDatabaseEndsTheLoad_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("wrong password")
            << u"password"_s << u"Wrong Password"_s
            << u"You entered an incorrect password. This application will now close."_s;
        QTest::newRow("not a database")
            << u"garbage"_s << u"Error"_s
            << u"A database error or password error with the database has been detected."_s;
    }

    void unusableDatabaseEndsTheLoad() {
        QFETCH(QString, kind);
        QFETCH(QString, title);
        QFETCH(QString, text);
        TestProgramFolder folder(false);
        if (kind == u"password"_s) {
            QVERIFY(Schema::create(folder.databasePath(), u"ABCD12345"_s).ok());
        } else {
            QFile f(folder.databasePath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(4096, 'j'));
        }
        Form1 form(folder.ctx);
        QVERIFY(!form.Form_Load());
        QCOMPARE(folder.endedWith, QList<int>{1});
        QCOMPARE(folder.dialogs().shown.size(), 1);
        QCOMPARE(folder.dialogs().shown.at(0).icon, DialogIcon::Critical);
        QCOMPARE(folder.dialogs().shown.at(0).title, title);
        QCOMPARE(folder.dialogs().shown.at(0).text, text);
        QVERIFY(!form.isVisible());
    }

    void startupTrapCoversEveryOutcome_data() {
        QTest::addColumn<int>("error");
        QTest::addColumn<unsigned>("trapped");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("title");
        QTest::newRow("missing file at start-up")
            << int(DbError::FileNotFound) << kStartupTrap << int(TrapAction::EndProgram)
            << u"Database File Not Found"_s;
        QTest::newRow("missing file in the list refresh")
            << int(DbError::FileNotFound) << kListTrap << int(TrapAction::LeaveRoutine)
            << QString();
        QTest::newRow("no current record")
            << int(DbError::NoCurrentRecord) << kListTrap << int(TrapAction::Continue) << QString();
        QTest::newRow("other error")
            << int(DbError::Other) << kStartupTrap << int(TrapAction::LeaveRoutine) << QString();
    }

    void startupTrapCoversEveryOutcome() {
        QFETCH(int, error);
        QFETCH(unsigned, trapped);
        QFETCH(int, action);
        QFETCH(QString, title);
        TestProgramFolder folder;
        QCOMPARE(int(databaseTrap(folder.ctx, DbStatus::failure(DbError(error)), trapped)), action);
        if (title.isEmpty()) {
            QVERIFY(folder.dialogs().shown.isEmpty());
            QVERIFY(folder.endedWith.isEmpty());
        } else {
            QCOMPARE(folder.dialogs().shown.at(0).title, title);
            QCOMPARE(
                folder.dialogs().shown.at(0).text,
                u"Database File not found, or is currently opened with another process. Contact your computer administrator"_s);
            QCOMPARE(folder.endedWith, QList<int>{1});
        }
    }

    void mailSettingsAndAutoStart() {
        TestProgramFolder folder;
        folder.execSql(u"UPDATE SMTPsettings SET ServerName = '127.0.0.1', SMTPusername = 'u',"
                       u" SMTPpassword = 'p', FromEmail = 'k@x.invalid', FromName = 'Korvane',"
                       u" SMTPport = NULL"_s);
        folder.execSql(u"UPDATE Settings SET AutoStartPinger = 0, AutoStartServices = 1"_s);
        Form1 form(folder.ctx);
        QVERIFY(form.Form_Load());
        QCOMPARE(form.publicValues().SMTPserver, u"127.0.0.1"_s);
        QCOMPARE(form.publicValues().SMTPUserName, u"u"_s);
        QCOMPARE(form.publicValues().SMTPPassword, u"p"_s);
        QCOMPARE(form.publicValues().SMTPFromEmail, u"k@x.invalid"_s);
        QCOMPARE(form.publicValues().SMTPFromName, u"Korvane"_s);
        QCOMPARE(form.publicValues().SMTPport, QString());
        QVERIFY(!form.autoStartPing());
        QVERIFY(form.autoStartJobs());

        // A missing row leaves the values as they were.
        folder.execSql(u"DELETE FROM SMTPsettings"_s);
        form.publicValues().fncGetSMTPsettings(form.context().databasePath());
        QCOMPARE(form.publicValues().SMTPserver, u"127.0.0.1"_s);
        folder.execSql(u"UPDATE Settings SET AutoStartPinger = 1"_s);
        form.fncCheckForAutoStart();
        QVERIFY(form.autoStartPing());
        QVERIFY(folder.endedWith.isEmpty());
        form.close();
    }

    void autoStartCheckWithoutSettingsRowEndsTheProgram() {
        TestProgramFolder folder;
        folder.execSql(u"DELETE FROM Settings"_s);
        Form1 form(folder.ctx);
        QVERIFY(!form.Form_Load());
        QCOMPARE(folder.endedWith, QList<int>{1});
        QCOMPARE(folder.dialogs().shown.size(), 1);
        QCOMPARE(folder.dialogs().shown.at(0).icon, DialogIcon::Critical);
        form.close();
    }

    void pausedRefusesTheDeviceEditor() {
        TestProgramFolder folder;
        folder.addDevice(u"pc1.invalid"_s);
        Form1 form(folder.ctx);
        QVERIFY(form.Form_Load());
        form.Command1->click();
        form.Command3->click();
        form.mnuPingList->trigger();
        QCOMPARE(folder.dialogs().shown.size(), 1);
        QCOMPARE(folder.dialogs().shown.at(0).icon, DialogIcon::Information);
        QCOMPARE(folder.dialogs().shown.at(0).title, u"Read Me"_s);
        QCOMPARE(
            folder.dialogs().shown.at(0).text,
            u"You can't edit the ping list list in the paused state. Please click the stop button."_s);
        form.close();
    }

    void aboutBox() {
        TestProgramFolder folder;
        Form1 form(folder.ctx);
        QVERIFY(form.Form_Load());
        form.mnuAbout->trigger();
        QCOMPARE(folder.dialogs().shown.size(), 1);
        const auto& box = folder.dialogs().shown.at(0);
        QCOMPARE(box.icon, DialogIcon::Information);
        QCOMPARE(box.title, u"About Korvane"_s);
        const QStringList blocks = box.text.split(u"\n\n"_s);
        QCOMPARE(blocks.size(), 4);
        QCOMPARE(blocks.at(0), u"Korvane "_s + Form1::versionText());
        QVERIFY(box.text.contains(u"Brackwater"_s));
        QCOMPARE(blocks.at(3), Form1::productWebPage());
        form.close();
    }

    void menusSwitchTogether() {
        TestProgramFolder folder;
        Form1 form(folder.ctx);
        QVERIFY(form.Form_Load());
        form.setEditAndSettingsMenusEnabled(false);
        QVERIFY(!form.mnuEdit->menuAction()->isEnabled());
        QVERIFY(!form.mnuSettingsMain->menuAction()->isEnabled());
        QVERIFY(form.mnuServices->menuAction()->isEnabled());
        form.setEditAndSettingsMenusEnabled(true);
        QVERIFY(form.mnuEdit->menuAction()->isEnabled());
        QVERIFY(form.mnuSettingsMain->menuAction()->isEnabled());
        form.close();
    }

    void closingUnloads() {
        TestProgramFolder folder;
        Form1 form(folder.ctx);
        QVERIFY(form.Form_Load());
        form.Timer1->start();
        form.mnuExit->trigger();
        QVERIFY(!form.isVisible());
        QVERIFY(!form.Timer1->isActive());
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
