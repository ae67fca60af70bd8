// The main window as a frame: the load sequence, the device list and its refresh, a database
// that cannot be used, auto-start, the About box and closing.
#include "TestProgramFolder.h"
#include "WindowChecks.h"
#include "app/Form1.h"
#include "ping/PingCycle.h"
#include "storage/Database.h"

#include <QAbstractItemView>
#include <QAction>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {

QStringList column(QAbstractItemView* list, int c) {
    QStringList out;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        out << list->model()->index(r, c).data().toString();
    return out;
}

QStringList boxes(TestProgramFolder& folder) {
    QStringList out;
    for (const auto& box : folder.dialogs().shown)
        out << box.title + u": "_s + box.text;
    return out;
}

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    void loadShowsTheDeviceList() {
        TestProgramFolder folder;
        for (const QString& n : {u"printer2"_s, u"Alpha"_s, u"beta"_s, u"O'Brien; DROP"_s})
            folder.addDevice(n, n == u"printer2"_s);
        folder.execSql(u"INSERT INTO ComputerPingList (ComputerName, Status, ActionTaken)"
                       u" VALUES ('Beta2', 'Percentage Lost 25%', NULL)"_s);
        folder.execSql(
            u"UPDATE SMTPsettings SET ServerName = 'mail.site.invalid', SMTPport = NULL"_s);
        Form1 form(folder.ctx);
        QVERIFY(form.Form_Load());
        QVERIFY(form.isVisible());
        QCOMPARE(form.windowTitle(),
                 u"Korvane & Services - Network & File Monitoring Tools - Version "_s +
                     Form1::versionText());
        auto* list = form.findChild<QAbstractItemView*>(u"ListView1"_s);
        QStringList headers;
        for (int c = 0; c < list->model()->columnCount(); ++c)
            headers << list->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{u"Device Name"_s, u"Last Logged Status"_s,
                                       u"Last Logged Action Taken"_s}));
        // By name without regard to case, disabled devices too; a null shows as empty text.
        QCOMPARE(column(list, 0), (QStringList{u"Alpha"_s, u"beta"_s, u"Beta2"_s,
                                               u"O'Brien; DROP"_s, u"printer2"_s}));
        QCOMPARE(column(list, 1), (QStringList{{}, {}, u"Percentage Lost 25%"_s, {}, {}}));
        QCOMPARE(column(list, 2), (QStringList{{}, {}, {}, {}, {}}));
        QCOMPARE(list->currentIndex().row(), 0);
        QCOMPARE(form.publicValues().SMTPserver, u"mail.site.invalid"_s);
        QCOMPARE(form.publicValues().SMTPport, QString());
        QVERIFY(folder.dialogs().shown.isEmpty());

        // Another program changes a status and adds a device: a refresh reads them off the
        // window's thread and shows them.
        folder.execSql(u"UPDATE ComputerPingList SET Status = 'Device Is Slow' WHERE ID = 2"_s);
        QSignalSpy refreshed(&form, &Form1::deviceListRefreshed);
        form.refreshDeviceList();
        QVERIFY(refreshed.wait());
        QCOMPARE(column(list, 1),
                 (QStringList{u"Device Is Slow"_s, {}, u"Percentage Lost 25%"_s, {}, {}}));
        folder.addDevice(u"aaa"_s);
        form.refreshDeviceList();
        QVERIFY(refreshed.wait());
        QCOMPARE(column(list, 0).first(), u"aaa"_s);
        QCOMPARE(list->currentIndex().row(), 0);

        form.findChild<QAction*>(u"mnuAbout"_s)->trigger();
        QCOMPARE(boxes(folder), QStringList{u"About Korvane: Korvane "_s + Form1::versionText() +
                                            u"\n\nNetwork & File Monitoring Tools\n\nDeveloped by "
                                            u"Brackwater, written by Halloran\n\n"_s +
                                            Form1::productWebPage()});
        form.findChild<QAction*>(u"mnuExit"_s)->trigger();
        QVERIFY(!form.isVisible());
    }

    void loadOutcomes_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("autoStart"); // AutoStartPinger, AutoStartServices
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("another password")
            << u"password"_s << u"0, 0"_s << false << false
            << QStringList{u"Wrong Password: You entered an incorrect password. This application "
                           u"will now close."_s};
        QTest::newRow("not a database")
            << u"garbage"_s << u"0, 0"_s << false << false
            << QStringList{u"Error: A database error or password error with the database has "
                           u"been detected."_s};
        QTest::newRow("auto-start with a device")
            << u"device"_s << u"1, 0"_s << true << true << QStringList{};
        QTest::newRow("auto-start without a device")
            << u"empty"_s << u"1, 1"_s << true << false
            << QStringList{u"Missing File: The File psservice.exe does NOT exist in the same "
                           u"folder as this application is in. You should reinstall this "
                           u"application. You can not continue the Service check until this file "
                           u"is replaced."_s,
                           u"No Devices In Database: You don't have any devices setup yet! Before "
                           u"you can start to automatically ping your network devices you must "
                           u"add devices to the database by clicking on the Edit menu then click "
                           u"Edit Ping Database. You can add Computers, Printers, or any device "
                           u"that can be pinged on the network in any combination."_s};
    }

    void loadOutcomes() {
        QFETCH(QString, file);
        QFETCH(QString, autoStart);
        QFETCH(bool, loaded);
        QFETCH(bool, running);
        QFETCH(QStringList, boxes);
        TestProgramFolder folder(file != u"password" && file != u"garbage");
        if (file == u"password") {
            QVERIFY(Schema::create(folder.databasePath(), u"ABCD12345"_s).ok());
        } else if (file == u"garbage") {
            QFile f(folder.databasePath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(4096, 'j'));
        } else {
            folder.execSql(u"UPDATE Settings SET AutoStartPinger = ?, AutoStartServices = ?"_s,
                           {autoStart.left(1), autoStart.right(1)});
            if (file == u"device")
                folder.addDevice(u"pc1.invalid"_s);
        }
        Form1 form(folder.ctx);
        QCOMPARE(form.Form_Load(), loaded);
        QCOMPARE(form.isVisible(), loaded);
        QCOMPARE(folder.endedWith, loaded ? QList<int>{} : QList<int>{1});
        QCOMPARE(::boxes(folder), boxes);
        QCOMPARE(form.publicValues().blForm1isRunning, running);
        QCOMPARE(form.findChild<QTimer*>(u"Timer1"_s)->isActive(), running);
        QCOMPARE(form.autoStartJobs(), autoStart.endsWith(u'1') && loaded);
        form.close();
        QVERIFY(!form.findChild<QTimer*>(u"Timer1"_s)->isActive());
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
