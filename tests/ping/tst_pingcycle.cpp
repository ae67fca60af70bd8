// The ping monitor's cycle on the main window: one table over its states; what one probe leaves
// behind (alert mails at the local SMTP server included); a database held locked; rows only their
// key tells apart (`ping` answering from canned outputs); and the monitor end to end with the real
// `ping`: loopback, a name that cannot resolve, and hosts in network namespaces made here that lose
// exactly 2 or 4 of every 4 echo requests (root only).
#include "CycleFixture.h"
#include "SmtpPeer.h"
#include "TestTables.h"
#include "WindowChecks.h"
#include "support/NetNs.h"

#include <QAction>
#include <QMenu>
#include <QRegularExpression>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;
using namespace cycletest;
using namespace std::chrono_literals;

namespace {

// Buttons enabled (Start Stop Pause), timers running (Timer1 Timer2), menus, running, paused:
// "011 10 0 1 0".
QString stateOf(CycleFixture<>& fx) {
    const auto on = [&fx](const QString& button) {
        return fx.ui(button)->isEnabled() ? u"1"_s : u"0"_s;
    };
    return on(u"Command1"_s) + on(u"Command2"_s) + on(u"Command3"_s) +
           u" %1%2 %3 %4 %5"_s.arg(int(fx.timerActive(u"Timer1"_s)))
               .arg(int(fx.timerActive(u"Timer2"_s)))
               .arg(int(fx.ui<QMenu>(u"mnuEdit"_s)->menuAction()->isEnabled() &&
                        fx.ui<QMenu>(u"mnuSettingsMain"_s)->menuAction()->isEnabled()))
               .arg(int(fx.folder.ctx.values().blForm1isRunning))
               .arg(int(fx.cycle().paused()));
}

const QString kStopped = u"100 00 1 0 0"_s;
const QString kWaiting = u"011 10 0 1 0"_s;
const QString kOk = u"Percentage Lost 0%"_s;

struct State {
    const char* name;
    QString interval;
    QString devices; // by name; "!" marks a disabled device
    QString steps;
    QString pinged;   // the hosts `ping` was run for
    QString state;    // see stateOf
    QString labels;   // Label1|Label3|Label4|Label5; "pinged X" for X's line after a probe
    QString box;      // the message shown, if any
    QString statuses; // the list's status column; "ok" for "Percentage Lost 0%"
};

struct Outcome {
    const char* name;
    QString maxAverage, addresses, probe;
    QString tenEchoes; // empty: no ten-echo run
    QString loss;      // the loss figure shown; empty: not found
    QString status, action;
    QString mail; // subject | body, as the SMTP server got it
};

struct Probe { // host "nsN": a namespace that drops N of every 4 echoes; row: Status|ActionTaken
    const char* name;
    QString host, maxAverage, row, subject; // how the alert's subject starts
};
} // namespace

class TestPingCycle : public QObject {
    Q_OBJECT

    SmtpPeer m_peer;

  private Q_SLOTS:
    void initTestCase() { KORVANE_START_SMTP_PEER(m_peer); }
    void init() { m_peer.clear(); }
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    void states_data() {
        // clang-format off
        const QString four = u"charlie alpha !beta-off Bravo"_s, none;
        const QString stopped = u"101 00 1 0 0"_s, paused = u"011 00 1 0 1"_s;
        const QString noInterval = u"information Invalid Interval: The time between two pings is stored as \"abc\" minutes, which the ping process cannot use: it must be a whole number of minutes, at least 1 and at most 32767. Please correct it in Settings > Application Settings, then click Start again."_s;
        const QString editor = u"information Read Me: You can't edit the ping list list in the paused state. Please click the stop button."_s;
        const QString notStarted = u"information Read Me: You can not Pause or Unpause until you have started the ping process."_s;
        const QString ticks8 = u"start tick tick tick tick tick tick tick tick"_s;
        const QString dbLocked = u"critical Database Error: The monitoring database could not be read or written (the database is locked by another program). This application will now close."_s;
        const QString minute = u"Less Than 1 minute until the next one|"_s;
        addRows<State>({
            {"Start without an enabled device", u"1"_s, u"!off"_s, u"start"_s, none, kStopped, u"|||"_s, kNoDevices, none},
            {"due and non-due ticks walk the enabled devices by name and wrap", u"2"_s, four, ticks8, u"alpha Bravo charlie alpha"_s, kWaiting, minute + u"pinged alpha|Devices To Ping = 3|Pinged Device (1) of (3)"_s, none, u"ok||ok|ok"_s},
            {"a probe whose result waits for the result tick", u"2"_s, u"pc1"_s, u"start hold"_s, u"pc1"_s, u"011 01 0 1 0"_s, u"Less Than 2 minutes until the next one|Pinging - pc1, Please Wait....|Devices To Ping = 1|Pinging Device (1) of (1)"_s, none, none},
            {"Stop; a tick afterwards does nothing", u"1"_s, four, u"start tick stop tick"_s, u"alpha"_s, stopped, u"|||"_s, none, u"ok|||"_s},
            {"Stop while the job monitor runs keeps the menus off", u"1"_s, four, u"jobs start stop"_s, none, u"101 00 0 0 0"_s, u"|||"_s, none, u"|||"_s},
            {"Start again counts anew and walks from the first device", u"1"_s, four, u"start tick tick stop add:aaa start tick"_s, u"alpha Bravo aaa"_s, kWaiting, minute + u"pinged aaa|Devices To Ping = 4|Pinged Device (1) of (4)"_s, none, u"ok|ok||ok|"_s},
            {"Pause refuses the device editor and stops counting", u"3"_s, four, u"start tick pause editor tick"_s, u"alpha"_s, paused, u"|pinged alpha|Devices To Ping = 3|Pinged Device (1) of (3)"_s, editor, u"ok|||"_s},
            {"Resume goes on from the countdown; the line returns with the next probe", u"3"_s, four, u"start tick tick pause pause tick tick"_s, u"alpha Bravo"_s, kWaiting, u"Less Than 3 minutes until the next one|pinged Bravo|Devices To Ping = 3|Pinged Device (2) of (3)"_s, none, u"ok||ok|"_s},
            {"Pause and Resume while the job monitor runs", u"1"_s, four, u"jobs start pause"_s, none, u"011 00 0 0 1"_s, u"|Preparing, Please Wait.... Waiting For Timer|Devices To Ping = 3|"_s, none, u"|||"_s},
            {"Pause after Stop", u"1"_s, four, u"start stop pause"_s, none, stopped, u"|||"_s, notStarted, u"|||"_s},
            {"Pause drops a result not picked up; the walk goes on", u"1"_s, u"a1 a2"_s, u"start hold pause result pause tick"_s, u"a1 a2"_s, kWaiting, minute + u"pinged a2|Devices To Ping = 2|Pinged Device (2) of (2)"_s, none, u"|ok"_s},
            {"the database locked at Start for a while", u"1"_s, u"pc1"_s, u"lock start unlock tick"_s, u"pc1"_s, kWaiting, minute + u"pinged pc1|Devices To Ping = 1|Pinged Device (1) of (1)"_s, none, u"ok"_s},
            {"the database locked at a tick's read for a while", u"1"_s, u"pc1"_s, u"start lock fire unlock result"_s, u"pc1"_s, kWaiting, minute + u"pinged pc1|Devices To Ping = 1|Pinged Device (1) of (1)"_s, none, u"ok"_s},
            {"the database locked at Start past the limit", u"1"_s, u"pc1"_s, u"limit lock start ended"_s, none, kStopped, u"|||"_s, dbLocked, none},
            {"the database locked at a tick's read past the limit", u"1"_s, u"pc1"_s, u"limit start lock fire ended"_s, none, u"011 00 0 1 0"_s, minute + u"Preparing, Please Wait....|Devices To Ping = 1|"_s, dbLocked, none},
            {"an interval the cycle cannot keep is refused", u"abc"_s, four, u"start tick"_s, none, kStopped, u"|||"_s, noInterval, u"|||"_s},
            // Stop and Pause drop a probe still running or a result not picked up; an outcome
            // whose writing has begun is finished, without touching the lines or timers.
            {"probe, Stop", u"1"_s, u"pc1"_s, u"gate start fire stop"_s, u"pc1 killed"_s, stopped, u"|||"_s, none, none},
            {"probe, Pause", u"1"_s, u"pc1"_s, u"gate start fire pause"_s, u"pc1 killed"_s, paused, u"|Pinging - pc1, Please Wait....|Devices To Ping = 1|Pinging Device (1) of (1)"_s, none, none},
            {"result waiting, Stop", u"1"_s, u"pc1"_s, u"gate start fire release stop result"_s, u"pc1"_s, stopped, u"|||"_s, none, none},
            {"row being written, Stop", u"1"_s, u"pc1"_s, u"gate start fire release lock handle stop"_s, u"pc1"_s, stopped, u"|||"_s, none, u"ok"_s},
            {"row being written, Pause", u"1"_s, u"pc1"_s, u"gate start fire release lock handle pause"_s, u"pc1"_s, paused, u"|Pinging - pc1, Please Wait....|Devices To Ping = 1|Pinging Device (1) of (1)"_s, none, u"ok"_s},
            {"ten-echo check, Stop", u"1"_s, u"pc1:1"_s, u"gate start fire release handle checking stop"_s, u"pc1 pc1 killed"_s, stopped, u"|||"_s, none, u"ok"_s},
            {"ten-echo check, Pause", u"1"_s, u"pc1:1"_s, u"gate start fire release handle checking pause"_s, u"pc1 pc1 killed"_s, paused, u"|pinged pc1|Devices To Ping = 1|Pinged Device (1) of (1)"_s, none, u"ok"_s},
        });
        // clang-format on
    }
    void states() {
        QFETCH(State, c);
        CycleFixture<> fx(c.interval);
        for (const QString& d : c.devices.split(u' ', Qt::SkipEmptyParts))
            fx.addDevice(d.mid(d.startsWith(u'!')).section(u':', 0, 0), {}, d.section(u':', 1),
                         d.startsWith(u'!'));
        fx.runner->outputs = {iputilsOutput(4, 4)};
        fx.load();
        std::unique_ptr<DbLock> lock;
        for (const QString& step : c.steps.split(u' ')) {
            const qsizetype button = QStringList{u"start"_s, u"stop"_s, u"pause"_s}.indexOf(step);
            if (button >= 0) {
                fx.click(u"Command%1"_s.arg(button + 1));
            } else if (step == u"tick" || step == u"hold") {
                fx.tick(step == u"tick");
            } else if (step == u"fire") { // a tick whose probe is not waited for
                fx.form->Timer1_Timer();
            } else if (step == u"result") {
                fx.form->Timer2_Timer();
                QTRY_VERIFY(!fx.cycle().handlingResult());
            } else if (step == u"lock") {
                lock = std::make_unique<DbLock>(fx.folder.databasePath());
            } else if (step == u"unlock") {
                QTRY_VERIFY(DbLock::retried());
                lock->release();
                QTRY_VERIFY(!fx.cycle().probeRunning() &&
                            (fx.timerActive(u"Timer1"_s) || fx.cycle().resultPending()));
            } else if (step == u"gate") { // commands run until released or killed
                fx.runner->gated = true;
            } else if (step == u"release") {
                fx.runner->release(0, iputilsOutput(4, 4));
                QTRY_VERIFY(fx.timerActive(u"Timer2"_s));
            } else if (step == u"handle") { // a result tick whose outcome is not waited for
                fx.form->Timer2_Timer();
                QTRY_VERIFY(!lock || DbLock::retried());
            } else if (step == u"checking") { // the ten-echo check under way
                QTRY_COMPARE(fx.runner->calls.size(), 2);
                QVERIFY(!fx.form->updatesEnabled());
            } else if (step == u"limit") { // a lock outlasts the wait
                fx.folder.ctx.setLockedRetryLimit(200ms);
            } else if (step == u"ended") {
                QTRY_COMPARE(fx.folder.endedWith, QList<int>{1});
            } else if (step == u"editor") {
                fx.ui<QAction>(u"mnuPingList"_s)->trigger();
            } else if (step.startsWith(u"add:")) {
                fx.addDevice(step.mid(4));
            } else if (step == u"jobs") {
                fx.folder.ctx.values().blForm3isRunning = true;
                fx.form->setEditAndSettingsMenusEnabled(false);
            }
        }
        lock.reset();
        QStringList hosts;
        for (qsizetype i = 0; i < fx.runner->calls.size(); ++i) {
            hosts << fx.runner->calls[i].last();
            if (fx.runner->gated) {
                QTRY_VERIFY(fx.runner->gates[i]->finished);
                if (fx.runner->gates[i]->cancelled)
                    hosts << u"killed"_s;
            }
        }
        QTRY_VERIFY(!fx.cycle().handlingResult());
        QVERIFY(fx.form->updatesEnabled());
        QCOMPARE(hosts.join(u' '), c.pinged);
        QCOMPARE(stateOf(fx), c.state);
        static const QRegularExpression lossLine(
            u"^Pinged (\\S+) with a 0% Loss. Preparing for the next one.... Waiting For Timer$"_s);
        QCOMPARE(QStringList({fx.text(u"Label1"_s),
                              fx.text(u"Label3"_s).replace(lossLine, u"pinged \\1"_s),
                              fx.text(u"Label4"_s), fx.text(u"Label5"_s)})
                     .join(u'|'),
                 c.labels);
        QCOMPARE(fx.folder.dialogs().boxes().join(u'\n'), c.box);
        QCOMPARE(fx.listColumn(1).replace(kOk, u"ok"_s), c.statuses);
        QCOMPARE(fx.folder.endedWith.isEmpty(), !c.box.contains(u"will now close"_s));
    }

    void outcome_data() {
        // clang-format off
        const QString ops = u"ops@site.invalid"_s, two = u"ops@site.invalid;desk@site.invalid"_s;
        const QString lost = u"Percentage Lost "_s, noMail = u"No Email Address In Database"_s;
        const QString notFound = u"Not Found In Domain"_s, slow = u"Device Is Slow"_s;
        const QString ok = iputilsOutput(4, 4), none;
        const QString down = u"Korvane - Device Can Not Be Pinged - pc%1 | pc%1 is not able to be pinged."_s;
        const QString dropping = u"Korvane - Device Is Dropping Packets - pc%1 | pc%1 is pinging, but is droping packets. Currently pinging with a 50% loss."_s;
        const QString slowMail = u"Ping Time Is Slow - pc%1 | pc%1 - is pinging with an average of 0.501ms which is slower than your desired average of 0.5ms."_s;
        addRows<Outcome>({
            {"none lost", none, ops, ok, none, u"0"_s, kOk, kPingOk, none},
            {"1 of 4 lost, faster than the maximum", u"5"_s, ops, iputilsOutput(4, 3), windowsOutput(0, 4), u"25"_s, lost + u"25%"_s, u"Nothing For Now"_s, none},
            {"2 of 4 lost", none, ops, iputilsOutput(4, 2), none, u"50"_s, lost + u"50%"_s, u"Emailed To: "_s + ops, dropping},
            {"windows, 3 of 4 lost, no address", none, none, windowsOutput(3), none, u"75"_s, lost + u"75%"_s, noMail, none},
            {"all lost: no average check", u"5"_s, two, iputilsOutput(4, 0), none, u"100"_s, lost + u"100%"_s, u"Emailed To: "_s + two, down},
            {"unknown name, the mail refused: no average check", u"5"_s, u"refused@site.invalid"_s, kUnknownHost, none, none, notFound, u"Email Failed To: refused@site.invalid - refused address"_s, none},
            {"nothing printed", none, none, none, none, none, notFound, noMail, none},
            {"blank maximum: no average check", u"   "_s, none, ok, none, u"0"_s, kOk, kPingOk, none},
            {"average equal to the maximum", u"20"_s, none, ok, windowsOutput(0, 20), u"0"_s, kOk, kPingOk, none},
            {"1 ms slower, no address", u"20"_s, none, ok, windowsOutput(0, 21), u"0"_s, slow, u"Emailed To: "_s, none},
            {"slower", u"0.5"_s, ops, ok, iputilsOutput(10, 10, u"0.501"_s), u"0"_s, slow, u"Emailed To: "_s + ops, slowMail},
            {"ten echoes find no host", u"5"_s, none, ok, kUnknownHost, u"0"_s, kOk, kPingOk, none},
            {"dropping packets, then slow", u"5"_s, none, iputilsOutput(4, 2), windowsOutput(0, 6), u"50"_s, slow, u"Emailed To: "_s, none},
        });
        // clang-format on
    }
    void outcome() {
        QFETCH(Outcome, c);
        CycleFixture<> fx;
        fx.folder.mailTo(m_peer.port());
        const qint64 id = fx.addDevice(u"pc%1"_s, c.addresses, c.maxAverage);
        const qint64 other = fx.addDevice(u"pc2"_s);
        fx.folder.execSql(u"UPDATE ComputerPingList SET Status = 'old' WHERE ID = ?"_s, {other});
        fx.runner->outputs = {c.probe, c.tenEchoes};
        if (c.action.startsWith(u"Email Failed"_s))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"refused address"_s));
        fx.start();
        QVERIFY(fx.tick());

        // The name is one argument after "--", never an option or shell text.
        QCOMPARE(
            fx.runner->calls,
            (QList<QStringList>{{u"ping"_s, u"-c"_s, u"4"_s, u"-W"_s, u"4"_s, u"--"_s, u"pc%1"_s},
                                {u"ping"_s, u"-c"_s, u"10"_s, u"-W"_s, u"4"_s, u"--"_s, u"pc%1"_s}})
                .first(c.tenEchoes.isEmpty() ? 1 : 2));
        QCOMPARE(fx.row(id), c.status + u'|' + c.action);
        QCOMPARE(fx.row(other), u"old|"_s);
        QCOMPARE(fx.listColumn(1) + u'|' + fx.listColumn(2),
                 c.status + u"|old|"_s + c.action + u'|');
        QCOMPARE(
            fx.text(u"Label3"_s),
            c.loss.isEmpty()
                ? u"Pinged pc%1, and it wasn't found on your network. Preparing for the next one.... Waiting For Timer"_s
                : lossLine(u"pc%1"_s, c.loss));
        QCOMPARE(fx.text(u"Label5"_s), u"Pinged Device (1) of (2)"_s);
        QCOMPARE(receivedMails(m_peer),
                 c.mail.isEmpty() ? QStringList() : QStringList{c.addresses + u" | "_s + c.mail});
        QVERIFY(fx.form->updatesEnabled() && fx.timerActive(u"Timer1"_s));
        QVERIFY(fx.folder.dialogs().shown.isEmpty());
    }

    // Each probe's outcome is written to the row it probed, whatever its name.
    void writtenByKey_data() {
        QTest::addColumn<QString>("insert"); // the names of three devices, as SQL
        QTest::newRow("no name") << u"(NULL), ('alpha'), ('beta')"_s;
        QTest::newRow("a name that is not UTF-8") << u"(CAST(X'70C3' AS TEXT)), ('a'), ('b')"_s;
        QTest::newRow("names that differ in letter case") << u"('pc1'), ('PC1'), ('Pc1')"_s;
    }
    void writtenByKey() {
        QFETCH(QString, insert);
        CycleFixture<> fx;
        fx.folder.execSql(u"INSERT INTO ComputerPingList (ComputerName) VALUES "_s + insert);
        fx.runner->outputs = {iputilsOutput(4, 3), iputilsOutput(4, 2), iputilsOutput(4, 0)};
        fx.start();
        for (int i = 0; i < 3; ++i)
            QVERIFY(fx.tick());
        QStringList statuses = fx.folder.select(u"SELECT Status FROM ComputerPingList"_s);
        statuses.sort();
        QCOMPARE(statuses.join(u'|'),
                 u"Percentage Lost 100%|Percentage Lost 25%|Percentage Lost 50%"_s);
        QVERIFY(fx.folder.dialogs().shown.isEmpty());
    }

    void realPing_data() {
        // clang-format off
        const QString emailed = u"|Emailed To: ops@site.invalid"_s, down = u"Korvane - Device Can Not Be Pinged"_s;
        addRows<Probe>({
            {"unresolvable name", u"korvane-gone.invalid"_s, u"5"_s, u"Not Found In Domain"_s + emailed, down},
            {"2 of 4 lost", u"ns2"_s, {}, u"Percentage Lost 50%"_s + emailed, u"Korvane - Device Is Dropping Packets"_s},
            {"4 of 4 lost", u"ns4"_s, u"5"_s, u"Percentage Lost 100%"_s + emailed, down},
            // Loopback answers in more than no time at all: a maximum average of 0 is exceeded.
            {"loopback, slower than 0 ms", u"127.0.0.1"_s, u"0"_s, u"Device Is Slow"_s + emailed, u"Ping Time Is Slow"_s},
        });
        // clang-format on
    }
    void realPing() {
        if (QStandardPaths::findExecutable(u"ping"_s).isEmpty())
            QSKIP("ping (iputils-ping) is not installed");
        QFETCH(Probe, c);
        QString host = c.host;
        std::unique_ptr<NetNs> ns;
        if (host.startsWith(u"ns"_s)) {
            ns = std::make_unique<NetNs>(host.mid(2).toInt());
            if (!ns->isReady())
                QSKIP(qPrintable(ns->failureReason()));
            host = ns->address();
        }
        CycleFixture<ProcessCommandRunner> fx;
        fx.folder.mailTo(m_peer.port());
        const qint64 id = fx.addDevice(host, u"ops@site.invalid"_s, c.maxAverage);
        fx.start();
        fx.form->Timer1_Timer();
        QTRY_VERIFY_WITH_TIMEOUT(fx.cycle().resultPending(), 30000);
        fx.form->Timer2_Timer();
        QTRY_VERIFY_WITH_TIMEOUT(!fx.cycle().handlingResult(), 40000);
        QCOMPARE(fx.row(id), c.row);
        QCOMPARE(m_peer.messageCount(), 1);
        QCOMPARE(m_peer.messages().value(0).header(u"Subject"_s).value_or(QString()),
                 c.subject + u" - "_s + host);
        QVERIFY(fx.folder.dialogs().shown.isEmpty());
    }
};

QTEST_MAIN(TestPingCycle)
#include "tst_pingcycle.moc"
