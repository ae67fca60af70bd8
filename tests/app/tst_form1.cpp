// The main window as a frame: the device list and its refresh, auto-start, a database that
// cannot be read, the About box and closing.
#include "TestProgramFolder.h"
#include "WindowChecks.h"
#include "app/Form1.h"
#include "storage/Database.h"

#include <QAbstractItemView>
#include <QAction>
#include <QSignalSpy>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

// The list as shown: one "name/status/action" per row, then the selected row.
QString shown(Form1& form) {
    const QAbstractItemView* list = form.findChild<QAbstractItemView*>(u"ListView1"_s);
    QStringList rows;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        rows << list->model()->index(r, 0).data().toString() + u'/' +
                    list->model()->index(r, 1).data().toString() + u'/' +
                    list->model()->index(r, 2).data().toString();
    return rows.join(u' ') + u" @"_s + QString::number(list->currentIndex().row());
}

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    // By name without regard to case, disabled devices too, a null as empty text; a refresh
    // reads what another program changed off the window's thread.
    void deviceList() {
        TestProgramFolder folder;
        for (const QString& n : {u"printer2"_s, u"Alpha"_s, u"O'Brien; DROP"_s})
            folder.addDevice(n, n == u"printer2"_s);
        folder.execSql(u"INSERT INTO ComputerPingList (ComputerName, Status, ActionTaken)"
                       u" VALUES ('beta', 'Percentage Lost 25%', NULL)"_s);
        folder.execSql(
            u"UPDATE SMTPsettings SET ServerName = 'mail.site.invalid', SMTPport = NULL"_s);
        Form1 form(folder.ctx);
        QVERIFY(form.Form_Load() && form.isVisible());
        QCOMPARE(shown(form), u"Alpha// beta/Percentage Lost 25%/ O'Brien; DROP// printer2// @0"_s);
        QCOMPARE(form.publicValues().SMTPserver + u'|' + form.publicValues().SMTPport,
                 u"mail.site.invalid|"_s);

        folder.execSql(u"UPDATE ComputerPingList SET Status = 'Device Is Slow' WHERE ID = 2"_s);
        folder.addDevice(u"aaa"_s);
        QSignalSpy refreshed(&form, &Form1::deviceListRefreshed);
        form.refreshDeviceList();
        QVERIFY(refreshed.wait());
        QCOMPARE(shown(form), u"aaa// Alpha/Device Is Slow/ beta/Percentage Lost 25%/ O'Brien; "
                              u"DROP// printer2// @0"_s);

        form.findChild<QAction*>(u"mnuAbout"_s)->trigger();
        QCOMPARE(folder.dialogs().boxes(),
                 QStringList{u"information About Korvane: Korvane "_s + Form1::versionText() +
                             u"\n\nNetwork & File Monitoring Tools\n\nDeveloped by Brackwater, "
                             u"written by Halloran\n\n"_s +
                             Form1::productWebPage()});
        form.findChild<QAction*>(u"mnuExit"_s)->trigger();
        QVERIFY(!form.isVisible());
    }

    void loadOutcomes_data() {
        QTest::addColumn<QString>("autoStart"); // AutoStartPinger, AutoStartServices
        QTest::addColumn<bool>("device");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("auto-start with a device") << u"1 0"_s << true << QStringList();
        QTest::newRow("auto-start without a device, or the service tool")
            << u"1 1"_s << false
            << QStringList{u"critical Missing File: The File psservice.exe does NOT exist in the "
                           u"same folder as this application is in. You should reinstall this "
                           u"application. You can not continue the Service check until this file "
                           u"is replaced."_s,
                           u"critical No Devices In Database: You don't have any devices setup "
                           u"yet! Before you can start to automatically ping your network devices "
                           u"you must add devices to the database by clicking on the Edit menu "
                           u"then click Edit Ping Database. You can add Computers, Printers, or "
                           u"any device that can be pinged on the network in any combination."_s};
        // Start-up refuses such a file first (tst_startup); the list's own trap ends the
        // program as well.
        QTest::newRow("another password")
            << QString() << false
            << QStringList{u"critical Wrong Password: You entered an incorrect password. This "
                           u"application will now close."_s};
    }
    void loadOutcomes() {
        QFETCH(QString, autoStart);
        QFETCH(bool, device);
        QFETCH(QStringList, boxes);
        TestProgramFolder folder(!autoStart.isEmpty());
        if (autoStart.isEmpty())
            QVERIFY(Schema::create(folder.databasePath(), u"ABCD12345"_s).ok());
        else
            folder.execSql(u"UPDATE Settings SET AutoStartPinger = ?, AutoStartServices = ?"_s,
                           {autoStart.left(1), autoStart.right(1)});
        if (device)
            folder.addDevice(u"pc1.invalid"_s);
        Form1 form(folder.ctx);
        const bool loaded = form.Form_Load();
        QCOMPARE(loaded && form.isVisible(), !autoStart.isEmpty());
        QCOMPARE(folder.endedWith, loaded ? QList<int>{} : QList<int>{1});
        QCOMPARE(folder.dialogs().boxes(), boxes);
        QCOMPARE(form.publicValues().blForm1isRunning, device);
        QCOMPARE(form.findChild<QTimer*>(u"Timer1"_s)->isActive(), device);
        QCOMPARE(form.autoStartJobs(), autoStart == u"1 1"_s);
        form.close();
        QVERIFY(!form.findChild<QTimer*>(u"Timer1"_s)->isActive());
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
