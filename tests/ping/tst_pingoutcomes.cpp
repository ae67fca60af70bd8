// What one probe of the ping monitor leaves behind: the device's Status and ActionTaken, the
// main window's lines, the ten-echo average check, hostile device names and database failures.
// `ping` answers from canned outputs of both forms; devices here have no mail addresses (the
// mails themselves are tested against the local SMTP server elsewhere).
#include "CycleFixture.h"
#include "WindowChecks.h"

#include "app/DatabaseTrap.h"

#include <QApplication>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace cycletest;

namespace {

using Fixture = CycleFixture<FakeCommandRunner>;

const QStringList kProbePrefix = {u"ping"_s, u"-c"_s, u"4"_s, u"-W"_s, u"4"_s, u"--"_s};
const QStringList kAveragePrefix = {u"ping"_s, u"-c"_s, u"10"_s, u"-W"_s, u"4"_s, u"--"_s};

// Start, one tick (interval 1), the result tick; waits until the result has been handled.
void probeOnce(Fixture& fx) {
    if (fx.form->Command1->isEnabled())
        fx.form->Command1->click();
    fx.form->Timer1_Timer();
    QTRY_VERIFY(fx.form->Timer2->isActive());
    fx.form->Timer2_Timer();
    QTRY_VERIFY(fx.form->Timer1->isActive());
}

} // namespace

class TestPingOutcomes : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    void outcome_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("label3");

        const QString name = u"pc1"_s;
        const QString noMail = u"No Email Address In Database"_s;
        QTest::newRow("iputils, none lost") << iputilsOutput(name, 4, 4) << u"Percentage Lost 0%"_s
                                            << pingOkAt2105() << lossLine(name, u"0"_s);
        QTest::newRow("iputils, 1 of 4 lost")
            << iputilsOutput(name, 4, 3) << u"Percentage Lost 25%"_s << u"Nothing For Now"_s
            << lossLine(name, u"25"_s);
        QTest::newRow("iputils, 2 of 4 lost")
            << iputilsOutput(name, 4, 2) << u"Percentage Lost 50%"_s << noMail
            << lossLine(name, u"50"_s);
        QTest::newRow("iputils, 3 of 4 lost")
            << iputilsOutput(name, 4, 1) << u"Percentage Lost 75%"_s << noMail
            << lossLine(name, u"75"_s);
        QTest::newRow("iputils, all lost") << iputilsOutput(name, 4, 0) << u"Percentage Lost 100%"_s
                                           << noMail << lossLine(name, u"100"_s);
        QTest::newRow("iputils, 1 of 3 lost")
            << iputilsOutput(name, 3, 2).replace(u"33%"_s, u"33.3333%"_s)
            << u"Percentage Lost 33%"_s << pingOkAt2105() << lossLine(name, u"33"_s);
        QTest::newRow("iputils, unknown name")
            << iputilsUnknownHost(name) << u"Not Found In Domain"_s << noMail << notFoundLine(name);
        QTest::newRow("windows, none lost") << windowsOutput(name, 0) << u"Percentage Lost 0%"_s
                                            << pingOkAt2105() << lossLine(name, u"0"_s);
        QTest::newRow("windows, 1 lost") << windowsOutput(name, 1) << u"Percentage Lost 25%"_s
                                         << u"Nothing For Now"_s << lossLine(name, u"25"_s);
        QTest::newRow("windows, 2 lost") << windowsOutput(name, 2) << u"Percentage Lost 50%"_s
                                         << noMail << lossLine(name, u"50"_s);
        QTest::newRow("windows, 3 lost") << windowsOutput(name, 3) << u"Percentage Lost 75%"_s
                                         << noMail << lossLine(name, u"75"_s);
        QTest::newRow("windows, all lost") << windowsOutput(name, 4) << u"Percentage Lost 100%"_s
                                           << noMail << lossLine(name, u"100"_s);
        QTest::newRow("windows, unknown name")
            << windowsUnknownHost(name) << u"Not Found In Domain"_s << noMail << notFoundLine(name);
        QTest::newRow("another language")
            << u"Paquets : envoyés = 4, reçus = 4, perdus = 0 (perte 0%),\n"_s
            << u"Not Found In Domain"_s << noMail << notFoundLine(name);
        QTest::newRow("nothing printed")
            << QString() << u"Not Found In Domain"_s << noMail << notFoundLine(name);
        QTest::newRow("program missing") << commandStartFailureText() << u"Not Found In Domain"_s
                                         << noMail << notFoundLine(name);
    }

    void outcome() {
        QFETCH(QString, output);
        QFETCH(QString, status);
        QFETCH(QString, action);
        QFETCH(QString, label3);
        Fixture fx;
        const qint64 id = fx.addDevice(u"pc1"_s);
        const qint64 other = fx.addDevice(u"pc2"_s);
        fx.folder.execSql(
            u"UPDATE ComputerPingList SET Status = 'old', ActionTaken = 'older' WHERE ID = ?"_s,
            {other});
        fx.runner->outputs = {output};
        fx.load();
        probeOnce(fx);

        const DeviceRecord row = fx.row(id);
        QCOMPARE(row.status, status);
        QCOMPARE(row.actionTaken, action);
        QCOMPARE(fx.form->Label3->text(), label3);
        QCOMPARE(fx.form->Label5->text(), u"Pinged Device (1) of (2)"_s);
        QCOMPARE(fx.form->Label1->text(), u"Less Than 1 minute until the next one"_s);
        QCOMPARE(fx.runner->calls, QList<QStringList>{kProbePrefix + QStringList{u"pc1"_s}});
        // The other device is left alone; the list shows what is stored.
        QCOMPARE(fx.row(other).status, u"old"_s);
        QCOMPARE(fx.row(other).actionTaken, u"older"_s);
        QCOMPARE(fx.listColumn(1), (QStringList{status, u"old"_s}));
        QCOMPARE(fx.listColumn(2), (QStringList{action, u"older"_s}));
        QVERIFY(fx.folder.dialogs().shown.isEmpty());
        QVERIFY(!fx.cycle().handlingResult());
        QVERIFY(fx.form->updatesEnabled());
    }

    void averageCheck_data() {
        QTest::addColumn<QString>("maxAverage");
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("tenEchoes");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("action");

        const QString name = u"pc1"_s;
        const QString ok = u"Percentage Lost 0%"_s;
        const QString slow = u"Device Is Slow"_s;
        // Without an address the slow case still records "Emailed To: " with nothing after it.
        const QString emailedToNobody = u"Emailed To: "_s;
        const QString reachable = iputilsOutput(name, 4, 4);
        QTest::newRow("no maximum")
            << QString() << reachable << QString() << false << ok << pingOkAt2105();
        QTest::newRow("blank maximum")
            << u"   "_s << reachable << QString() << false << ok << pingOkAt2105();
        QTest::newRow("windows, equal is not slow")
            << u"20"_s << reachable << windowsOutput(name, 0, 20) << true << ok << pingOkAt2105();
        QTest::newRow("windows, 1 ms more is slow")
            << u"20"_s << reachable << windowsOutput(name, 0, 21) << true << slow
            << emailedToNobody;
        QTest::newRow("iputils, equal fraction")
            << u"0.5"_s << reachable << iputilsOutput(name, 10, 10, u"0.5"_s) << true << ok
            << pingOkAt2105();
        QTest::newRow("iputils, above the maximum")
            << u"0.5"_s << reachable << iputilsOutput(name, 10, 10, u"0.501"_s) << true << slow
            << emailedToNobody;
        QTest::newRow("maximum that is no number")
            << u"abc"_s << reachable << iputilsOutput(name, 10, 10) << true << slow
            << emailedToNobody;
        QTest::newRow("maximum with a unit")
            << u"23ms"_s << reachable << windowsOutput(name, 0, 23) << true << ok << pingOkAt2105();
        QTest::newRow("ten echoes: windows host not found")
            << u"5"_s << reachable << windowsUnknownHost(name) << true << ok << pingOkAt2105();
        QTest::newRow("ten echoes: iputils host not found")
            << u"5"_s << reachable << iputilsUnknownHost(name) << true << ok << pingOkAt2105();
        QTest::newRow("ten echoes: nothing came back")
            << u"5"_s << reachable << iputilsOutput(name, 10, 0) << true << ok << pingOkAt2105();
        QTest::newRow("minor loss, slow")
            << u"5"_s << iputilsOutput(name, 4, 3) << windowsOutput(name, 0, 6) << true << slow
            << emailedToNobody;
        QTest::newRow("minor loss, fast")
            << u"5"_s << iputilsOutput(name, 4, 3) << windowsOutput(name, 0, 5) << true
            << u"Percentage Lost 25%"_s << u"Nothing For Now"_s;
        QTest::newRow("dropping packets, slow: the slow action overwrites")
            << u"5"_s << iputilsOutput(name, 4, 2) << windowsOutput(name, 0, 6) << true << slow
            << emailedToNobody;
        QTest::newRow("dropping packets, fast")
            << u"5"_s << iputilsOutput(name, 4, 2) << windowsOutput(name, 0, 5) << true
            << u"Percentage Lost 50%"_s << u"No Email Address In Database"_s;
        QTest::newRow("down: no check")
            << u"5"_s << iputilsOutput(name, 4, 0) << QString() << false
            << u"Percentage Lost 100%"_s << u"No Email Address In Database"_s;
        QTest::newRow("not found: no check")
            << u"5"_s << iputilsUnknownHost(name) << QString() << false << u"Not Found In Domain"_s
            << u"No Email Address In Database"_s;
    }

    void averageCheck() {
        QFETCH(QString, maxAverage);
        QFETCH(QString, probe);
        QFETCH(QString, tenEchoes);
        QFETCH(bool, checked);
        QFETCH(QString, status);
        QFETCH(QString, action);
        Fixture fx;
        const qint64 id = fx.addDevice(u"pc1"_s, {}, maxAverage);
        fx.runner->outputs = {probe, tenEchoes};
        fx.load();
        probeOnce(fx);

        QList<QStringList> calls{kProbePrefix + QStringList{u"pc1"_s}};
        if (checked)
            calls << kAveragePrefix + QStringList{u"pc1"_s};
        QCOMPARE(fx.runner->calls, calls);
        QCOMPARE(fx.row(id).status, status);
        QCOMPARE(fx.row(id).actionTaken, action);
        QCOMPARE(fx.listColumn(1), QStringList{status});
        QVERIFY(fx.form->updatesEnabled());
        QVERIFY(fx.folder.dialogs().shown.isEmpty());
        // The next probe of the same device starts from a clean slate.
        QCOMPARE(fx.form->pingCycle().hasMaxAverage(), checked);
    }

    void hostileNames_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("quote") << u"O'Brien"_s;
        QTest::newRow("SQL in a quote") << u"x' OR '1'='1"_s;
        QTest::newRow("semicolon") << u"pc;reboot"_s;
        QTest::newRow("leading dash") << u"-f"_s;
        QTest::newRow("option with a value") << u"-c 1000"_s;
        QTest::newRow("spaces") << u"  two words  "_s;
        QTest::newRow("shell") << u"$(touch /tmp/korvane-pwned)"_s;
        QTest::newRow("percent place") << u"%1%2"_s;
    }

    void hostileNames() {
        QFETCH(QString, name);
        Fixture fx;
        const qint64 id = fx.addDevice(name);
        const qint64 bystander = fx.addDevice(u"zz-bystander"_s);
        fx.runner->outputs = {iputilsOutput(name, 4, 2)};
        fx.load();
        probeOnce(fx);

        // The name is one argument after "--": ping never reads it as an option, no shell
        // sees it.
        QCOMPARE(fx.runner->calls, QList<QStringList>{kProbePrefix + QStringList{name}});
        QCOMPARE(fx.row(id).status, u"Percentage Lost 50%"_s);
        QCOMPARE(fx.row(id).actionTaken, u"No Email Address In Database"_s);
        QCOMPARE(fx.form->Label3->text(), lossLine(name, u"50"_s));
        QCOMPARE(fx.row(bystander).status, QString());
        QCOMPARE(fx.row(bystander).actionTaken, QString());
        QVERIFY(!QFile::exists(u"/tmp/korvane-pwned"_s));
    }

    void deviceGoneBeforeTheResultIsHarmless() {
        Fixture fx;
        const qint64 id = fx.addDevice(u"pc1"_s);
        const qint64 other = fx.addDevice(u"pc2"_s);
        fx.runner->outputs = {iputilsOutput(u"pc1"_s, 4, 4)};
        fx.load();
        fx.form->Command1->click();
        fx.form->Timer1_Timer();
        QTRY_VERIFY(fx.form->Timer2->isActive());
        fx.folder.execSql(u"DELETE FROM ComputerPingList WHERE ID = ?"_s, {id});
        fx.form->Timer2_Timer();
        QTRY_VERIFY(fx.form->Timer1->isActive());
        QVERIFY(fx.folder.dialogs().shown.isEmpty());
        QVERIFY(fx.folder.endedWith.isEmpty());
        QCOMPARE(fx.row(other).status, QString());
        QCOMPARE(fx.listColumn(0), QStringList{u"pc2"_s});
    }

    void databaseFailures_data() {
        QTest::addColumn<QString>("when");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("textStart");
        QTest::addColumn<bool>("probed");
        QTest::newRow("count: wrong password")
            << u"count-password"_s << u"Wrong Password"_s
            << u"You entered an incorrect password. This application will now close."_s << false;
        QTest::newRow("count: not a database")
            << u"count-garbage"_s << u"Error"_s
            << u"A database error or password error with the database has been detected."_s
            << false;
        QTest::newRow("interval: no Settings row")
            << u"interval"_s << u"Database Error"_s
            << u"The monitoring database could not be read or written ("_s << false;
        QTest::newRow("tick: the device at the walk position is gone")
            << u"tick"_s << u"Database Error"_s
            << u"The monitoring database could not be read or written ("_s << false;
        QTest::newRow("status write: table gone")
            << u"write"_s << u"Database Error"_s
            << u"The monitoring database could not be read or written ("_s << true;
    }

    void databaseFailures() {
        QFETCH(QString, when);
        QFETCH(QString, title);
        QFETCH(QString, textStart);
        QFETCH(bool, probed);
        Fixture fx;
        fx.addDevice(u"pc1"_s);
        fx.runner->outputs = {iputilsOutput(u"pc1"_s, 4, 4)};
        fx.load();

        if (when == u"count-password"_s || when == u"count-garbage"_s) {
            QFile::remove(fx.folder.databasePath());
            if (when == u"count-password"_s) {
                QVERIFY(Schema::create(fx.folder.databasePath(), u"ABCD12345"_s).ok());
            } else {
                QFile f(fx.folder.databasePath());
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(QByteArray(4096, 'j'));
            }
            fx.form->Command1->click();
        } else if (when == u"interval"_s) {
            fx.folder.execSql(u"DELETE FROM Settings"_s);
            fx.form->Command1->click();
        } else if (when == u"tick"_s) {
            fx.form->Command1->click();
            fx.folder.execSql(u"DELETE FROM ComputerPingList"_s);
            fx.form->Timer1_Timer();
        } else {
            fx.form->Command1->click();
            fx.form->Timer1_Timer();
            QTRY_VERIFY(fx.form->Timer2->isActive());
            fx.folder.execSql(u"DROP TABLE ComputerPingList"_s);
            fx.form->Timer2_Timer();
        }

        QCOMPARE(fx.folder.dialogs().shown.size(), 1);
        const auto& box = fx.folder.dialogs().shown.at(0);
        QCOMPARE(box.icon, DialogIcon::Critical);
        QCOMPARE(box.title, title);
        QVERIFY2(box.text.startsWith(textStart), qPrintable(box.text));
        QCOMPARE(fx.folder.endedWith, QList<int>{1});
        QCOMPARE(fx.runner->calls.size(), probed ? 1 : 0);
        // Nothing runs on after the end.
        QVERIFY(!fx.form->Timer1->isActive());
        QVERIFY(!fx.form->Timer2->isActive());
    }
};

QTEST_MAIN(TestPingOutcomes)
#include "tst_pingoutcomes.moc"
