// The ping monitor: its readings as plain tables; the cycle as one table over its states and one
// over what a probe leaves behind (rows, lines, mails); writes by row key; the real `ping`.
#include "CycleFixture.h"
#include "SmtpPeer.h"
#include "TestTables.h"
#include "WindowChecks.h"
#include "ping/PingProbe.h"
#include "support/NetNs.h"

#include <QAction>
#include <QMenu>
#include <QRegularExpression>
#include <QSqlQuery>

using namespace Qt::Literals::StringLiterals;
using namespace cycletest;

namespace {

// Another program holding the database; s_retried once the monitor found it locked and waits.
struct DbLock {
    explicit DbLock(const QString& path) : session(path), query(session.db()) {
        s_retried = false;
        s_next =
            qInstallMessageHandler([](QtMsgType t, const QMessageLogContext& c, const QString& m) {
                s_retried = s_retried || m.contains(u"locked by another program; trying again"_s);
                s_next(t, c, m);
            });
        if (!query.exec(u"BEGIN EXCLUSIVE"_s))
            qFatal("cannot lock the database");
    }
    ~DbLock() { query.exec(u"ROLLBACK"_s), qInstallMessageHandler(s_next); }
    static inline bool s_retried = false;
    static inline QtMessageHandler s_next = nullptr;
    DbSession session;
    QSqlQuery query;
};

// Buttons enabled (Start Stop Pause), timers running (Timer1 Timer2), menus, running, paused:
// "011 10 0 1 0".
QString stateOf(CycleFixture<>& fx) {
    const auto on = [&fx](const QString& name) { return int(fx.ui(name)->isEnabled()); };
    return QString::asprintf(
        "%d%d%d %d%d %d %d %d", on(u"Command1"_s), on(u"Command2"_s), on(u"Command3"_s),
        int(fx.timerActive(u"Timer1"_s)), int(fx.timerActive(u"Timer2"_s)),
        int(fx.ui<QMenu>(u"mnuEdit"_s)->menuAction()->isEnabled()),
        int(fx.folder.ctx.values().blForm1isRunning), int(fx.cycle().paused()));
}

const QString kStopped = u"100 00 1 0 0"_s, kWaiting = u"011 10 0 1 0"_s,
              kOk = u"Percentage Lost 0%"_s;

// labels: Label1|Label3|Label4|Label5; statuses: the list's status column, "ok" for kOk;
// pinged: the hosts `ping` was run for ("killed" after one killed).
struct State {
    const char* name;
    QString interval, devices /* "!" disabled, ":N" MaxAverage */, steps, pinged, state, labels,
        box, statuses;
};
struct Outcome {
    const char* name;
    QString maxAverage, addresses, probe, tenEchoes /* empty: not run */, line /* Label3 */, status,
        action, mail /* subject | body */;
};
struct Probe { // host "nsN": a namespace that drops N of every 4 echoes
    const char* name;
    QString host, maxAverage, row /* Status|ActionTaken */, subject /* its start */;
};
} // namespace

class TestPingCycle : public QObject {
    Q_OBJECT

    SmtpPeer m_peer;

  private Q_SLOTS:
    void initTestCase() { KORVANE_START_SMTP_PEER(m_peer); }
    void init() { m_peer.clear(); }
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    // What a reading says in one line: marker, loss, average, host not found, outcome (0 down,
    // 1 dropping packets, 2 minor loss, 3 reachable, 4 not found).
    void readOutput_data() {
        // clang-format off
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("reading");
        const QString win = u"\r\nPinging pc-7 [192.0.2.7] with 32 bytes of data:\r\n    Packets: Sent = 4, Received = 3, Lost = 1 "_s;
        QTest::newRow("iputils 100%, errors and pipe") << u"4 packets transmitted, 0 received, +4 errors, 100% packet loss, time 3036ms, pipe 4\n"_s << u"marker '100' none -> 0"_s;
        QTest::newRow("iputils duplicates, rtt with pipe") << u"4 packets transmitted, 4 received, +2 duplicates, 0% packet loss\nrtt min/avg/max/mdev = 1.201/23.456/40.9/3.1 ms, pipe 2"_s << u"marker '0' 23.456 -> 3"_s;
        // %g fractions keep their whole part, the figure Windows prints for the same counts.
        QTest::newRow("iputils 1 of 3 lost") << u"3 packets transmitted, 2 received, 33.3333% packet loss\n"_s << u"marker '33' none -> 3"_s;
        QTest::newRow("iputils in another language") << u"PING 10.213.0.2 (10.213.0.2) 56(84) bytes of data.\n4 Pakete übertragen, 4 empfangen, 0% Paketverlust, Zeit 3004ms"_s << u"no marker 'PIN' none -> 4"_s;
        // Without a summary the loss is still tested first, as the rules' order says.
        QTest::newRow("no summary, starts with 100") << u"100 packets queued\n"_s << u"no marker '100' none -> 0"_s;
        QTest::newRow("windows 25%") << win + u"(25% loss),\r\n    Minimum = 8ms, Maximum = 9ms, Average = 990ms"_s << u"marker '25' 990 -> 2"_s;
        QTest::newRow("windows 75%, upper case") << win + u"(75% LOSS),\r\n    Minimum = 8ms, Maximum = 9ms, Average = 3ms"_s << u"marker '75' 3 -> 1"_s;
        QTest::newRow("windows, a blank before the %") << win + u"(100 % loss),\r\n"_s << u"marker '00' none -> 3"_s;
        // Only five characters after "Average = " are read.
        QTest::newRow("windows long average") << win + u"(0% loss),\r\n    Average = 123456ms"_s << u"marker '0' 12345 -> 3"_s;
        QTest::newRow("windows unknown name") << u"Ping request could not find host pc-9. Please check the name and try again.\r\n"_s << u"no marker 'Pin' none unknown host -> 4"_s;
        // clang-format on
    }
    void readOutput() {
        QFETCH(QString, output);
        const ping::PingReading r = ping::readPingOutput(output);
        QTEST(u"%1 '%2' %3 %4-> %5"_s.arg(r.markerFound ? u"marker"_s : u"no marker"_s, r.lossText,
                                          r.averageFound ? QString::number(r.average) : u"none"_s,
                                          r.hostNotFound ? u"unknown host "_s : QString(),
                                          QString::number(int(ping::classifyPing(r)))),
              "reading");
        QCOMPARE(ping::pingHostNotFound(output), r.hostNotFound);
    }

    // A MaxAverage read as a leading number ("23ms" is 23, no number is 0) against a measured
    // average ("maximum|measured|number read|slow"); an average equal to the maximum is not slow.
    void averages() {
        for (const char* row :
             {"20|20|20|0", "20|21|20|1", " 20ms |20.001|20|1", ".5|0.5|0.5|0", "-3|0|-3|1",
              "2e3|2000|2000|0", "2e|2.5|2|1", "1,5|1.5|1|1", "0x10|0.067|0|1", "fast|0|0|0"}) {
            const QStringList c = QString::fromLatin1(row).split(u'|');
            QCOMPARE(ping::leadingNumber(c[0]), c[2].toDouble());
            QCOMPARE(ping::isSlow(c[0], c[1].toDouble()), c[3] == u"1"_s);
        }
    }

    // The reachable action at 12 May 2026: the locale's short date with the year in full, the
    // time as "H:mm AMPM".
    void pingOkAction() {
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QDate day(2026, 5, 12);
        QCOMPARE(ping::pingOkAction({day, {0, 7}}, us), u"Ping OK - 5/12/2026-12:07 AM"_s);
        QCOMPARE(ping::pingOkAction({day, {12, 0}}, us), u"Ping OK - 5/12/2026-12:00 PM"_s);
        QCOMPARE(ping::pingOkAction({day, {9, 30}}, QLocale(QLocale::Korean, QLocale::SouthKorea)),
                 u"Ping OK - 2026. 5. 12.-9:30 오전"_s);
    }

    void states_data() {
        // clang-format off
        const QString four = u"charlie alpha !beta-off Bravo"_s, none;
        const QString stopped = u"101 00 1 0 0"_s, paused = u"011 00 1 0 1"_s;
        const QString noInterval = u"information Invalid Interval: The time between two pings is stored as \"abc\" minutes, which the ping process cannot use: it must be a whole number of minutes, at least 1 and at most 32767. Please correct it in Settings > Application Settings, then click Start again."_s;
        const QString editor = u"information Read Me: You can't edit the ping list list in the paused state. Please click the stop button."_s;
        const QString notStarted = u"information Read Me: You can not Pause or Unpause until you have started the ping process."_s;
        const QString dbLocked = u"critical Database Error: The monitoring database could not be read or written (the database is locked by another program). This application will now close."_s;
        const QString minute = u"Less Than 1 minute until the next one|"_s;
        addRows<State>({
            {"Start without an enabled device", u"1"_s, u"!off"_s, u"start"_s, none, kStopped, u"|||"_s, kNoDevices, none},
            {"due and non-due ticks walk the enabled devices by name and wrap", u"2"_s, four, u"start tick tick tick tick tick tick tick tick"_s, u"alpha Bravo charlie alpha"_s, kWaiting, minute + lossLine(u"alpha"_s, u"0"_s) + u"|Devices To Ping = 3|Pinged Device (1) of (3)"_s, none, u"ok||ok|ok"_s},
            {"a probe whose result waits for the result tick", u"2"_s, u"pc1"_s, u"start hold"_s, u"pc1"_s, u"011 01 0 1 0"_s, u"Less Than 2 minutes until the next one|Pinging - pc1, Please Wait....|Devices To Ping = 1|Pinging Device (1) of (1)"_s, none, none},
            {"Stop; a tick afterwards does nothing", u"1"_s, four, u"start tick stop tick"_s, u"alpha"_s, stopped, u"|||"_s, none, u"ok|||"_s},
            {"Stop while the job monitor runs keeps the menus off", u"1"_s, four, u"jobs start stop"_s, none, u"101 00 0 0 0"_s, u"|||"_s, none, u"|||"_s},
            {"Start again counts anew and walks from the first device", u"1"_s, four, u"start tick tick stop add start tick"_s, u"alpha Bravo aaa"_s, kWaiting, minute + lossLine(u"aaa"_s, u"0"_s) + u"|Devices To Ping = 4|Pinged Device (1) of (4)"_s, none, u"ok|ok||ok|"_s},
            {"Pause refuses the device editor and stops counting", u"3"_s, four, u"start tick pause editor tick"_s, u"alpha"_s, paused, u"|"_s + lossLine(u"alpha"_s, u"0"_s) + u"|Devices To Ping = 3|Pinged Device (1) of (3)"_s, editor, u"ok|||"_s},
            {"Resume goes on from the countdown; the line returns with the next probe", u"3"_s, four, u"start tick tick pause pause tick tick"_s, u"alpha Bravo"_s, kWaiting, u"Less Than 3 minutes until the next one|"_s + lossLine(u"Bravo"_s, u"0"_s) + u"|Devices To Ping = 3|Pinged Device (2) of (3)"_s, none, u"ok||ok|"_s},
            {"Pause and Resume while the job monitor runs", u"1"_s, four, u"jobs start pause"_s, none, u"011 00 0 0 1"_s, u"|Preparing, Please Wait.... Waiting For Timer|Devices To Ping = 3|"_s, none, u"|||"_s},
            {"Pause after Stop", u"1"_s, four, u"start stop pause"_s, none, stopped, u"|||"_s, notStarted, u"|||"_s},
            {"Pause drops a result not picked up; the walk goes on", u"1"_s, u"a1 a2"_s, u"start hold pause result pause tick"_s, u"a1 a2"_s, kWaiting, minute + lossLine(u"a2"_s, u"0"_s) + u"|Devices To Ping = 2|Pinged Device (2) of (2)"_s, none, u"|ok"_s},
            {"the database locked at Start for a while", u"1"_s, u"pc1"_s, u"lock start unlock tick"_s, u"pc1"_s, kWaiting, minute + lossLine(u"pc1"_s, u"0"_s) + u"|Devices To Ping = 1|Pinged Device (1) of (1)"_s, none, u"ok"_s},
            {"the database locked at a tick's read for a while", u"1"_s, u"pc1"_s, u"start lock fire unlock result"_s, u"pc1"_s, kWaiting, minute + lossLine(u"pc1"_s, u"0"_s) + u"|Devices To Ping = 1|Pinged Device (1) of (1)"_s, none, u"ok"_s},
            {"the database locked at Start past the limit", u"1"_s, u"pc1"_s, u"limit lock start"_s, none, kStopped, u"|||"_s, dbLocked, none},
            {"an interval the cycle cannot keep is refused", u"abc"_s, four, u"start tick"_s, none, kStopped, u"|||"_s, noInterval, u"|||"_s},
            // Stop and Pause drop a probe still running or a result not picked up; an outcome
            // whose writing has begun is finished, without touching the lines or timers.
            {"probe, Stop", u"1"_s, u"pc1"_s, u"gate start fire stop"_s, u"pc1 killed"_s, stopped, u"|||"_s, none, none},
            {"probe, Pause", u"1"_s, u"pc1"_s, u"gate start fire pause"_s, u"pc1 killed"_s, paused, u"|Pinging - pc1, Please Wait....|Devices To Ping = 1|Pinging Device (1) of (1)"_s, none, none},
            {"result waiting, Stop", u"1"_s, u"pc1"_s, u"gate start fire release stop result"_s, u"pc1"_s, stopped, u"|||"_s, none, none},
            {"row being written, Stop", u"1"_s, u"pc1"_s, u"gate start fire release lock handle stop"_s, u"pc1"_s, stopped, u"|||"_s, none, u"ok"_s},
            {"row being written, Pause", u"1"_s, u"pc1"_s, u"gate start fire release lock handle pause"_s, u"pc1"_s, paused, u"|Pinging - pc1, Please Wait....|Devices To Ping = 1|Pinging Device (1) of (1)"_s, none, u"ok"_s},
            {"ten-echo check, Stop", u"1"_s, u"pc1:1"_s, u"gate start fire release handle checking stop"_s, u"pc1 pc1 killed"_s, stopped, u"|||"_s, none, u"ok"_s},
            {"ten-echo check, Pause", u"1"_s, u"pc1:1"_s, u"gate start fire release handle checking pause"_s, u"pc1 pc1 killed"_s, paused, u"|"_s + lossLine(u"pc1"_s, u"0"_s) + u"|Devices To Ping = 1|Pinged Device (1) of (1)"_s, none, u"ok"_s},
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
            if (const qsizetype b = QStringList{u"start"_s, u"stop"_s, u"pause"_s}.indexOf(step);
                b >= 0)
                fx.click(u"Command%1"_s.arg(b + 1));
            else if (step == u"tick" || step == u"hold") // "hold": the result is not applied
                fx.tick(step == u"tick");
            else if (step == u"fire") // a tick whose probe is not waited for
                fx.form->Timer1_Timer();
            else if (step == u"result" || step == u"handle") { // "handle": not waited for
                fx.form->Timer2_Timer();
                QTRY_VERIFY(step == u"handle" ? !lock || DbLock::s_retried
                                              : !fx.cycle().handlingResult());
            } else if (step == u"lock")
                lock = std::make_unique<DbLock>(fx.folder.databasePath());
            else if (step == u"unlock") {
                QTRY_VERIFY(DbLock::s_retried);
                lock.reset();
                QTRY_VERIFY(!fx.cycle().probeRunning() &&
                            (fx.timerActive(u"Timer1"_s) || fx.cycle().resultPending()));
            } else if (step == u"gate") // commands run until released or killed
                fx.runner->gated = true;
            else if (step == u"release") {
                fx.runner->release(0, iputilsOutput(4, 4));
                QTRY_VERIFY(fx.timerActive(u"Timer2"_s));
            } else if (step == u"checking") // the ten-echo check under way, the window frozen
                QTRY_VERIFY(fx.runner->calls.size() == 2 && !fx.form->updatesEnabled());
            else if (step == u"limit") // a lock outlasts the wait
                fx.folder.ctx.setLockedRetryLimit(std::chrono::milliseconds(200));
            else if (step == u"editor")
                fx.ui<QAction>(u"mnuPingList"_s)->trigger();
            else if (step == u"add")
                fx.addDevice(u"aaa"_s);
            else if (step == u"jobs")
                fx.folder.ctx.values().blForm3isRunning = true,
                fx.form->setEditAndSettingsMenusEnabled(false);
        }
        QTRY_COMPARE(fx.folder.dialogs().boxes().join(u'\n'), c.box);
        lock.reset();
        QStringList hosts;
        const auto& gates = fx.runner->gates;
        QTRY_VERIFY(std::ranges::all_of(gates, [](const auto& g) { return g->finished; }));
        for (qsizetype i = 0; i < fx.runner->calls.size(); ++i)
            hosts << fx.runner->calls[i].last() +
                         (i < gates.size() && gates[i]->cancelled ? u" killed"_s : QString());
        QTRY_VERIFY(!fx.cycle().handlingResult());
        QVERIFY(fx.form->updatesEnabled());
        QCOMPARE(hosts.join(u' '), c.pinged);
        QCOMPARE(stateOf(fx), c.state);
        QCOMPARE(QStringList({fx.text(u"Label1"_s), fx.text(u"Label3"_s), fx.text(u"Label4"_s),
                              fx.text(u"Label5"_s)})
                     .join(u'|'),
                 c.labels);
        QCOMPARE(fx.listColumn(1).replace(kOk, u"ok"_s), c.statuses);
        QCOMPARE(fx.folder.endedWith.isEmpty(), !c.box.contains(u"will now close"_s));
    }

    void outcome_data() {
        // clang-format off
        const QString ops = u"ops@site.invalid"_s, two = u"ops@site.invalid;desk@site.invalid"_s;
        const QString lost = u"Percentage Lost "_s, noMail = u"No Email Address In Database"_s;
        const QString notFound = u"Not Found In Domain"_s, slow = u"Device Is Slow"_s;
        const QString ok = iputilsOutput(4, 4), none, ok0 = lossLine(u"pc%1"_s, u"0"_s);
        const QString gone = u"Pinged pc%1, and it wasn't found on your network. Preparing for the next one.... Waiting For Timer"_s;
        const QString down = u"Korvane - Device Can Not Be Pinged - pc%1 | pc%1 is not able to be pinged."_s;
        const QString dropping = u"Korvane - Device Is Dropping Packets - pc%1 | pc%1 is pinging, but is droping packets. Currently pinging with a 50% loss."_s;
        const QString slowMail = u"Ping Time Is Slow - pc%1 | pc%1 - is pinging with an average of 0.501ms which is slower than your desired average of 0.5ms."_s;
        addRows<Outcome>({
            {"none lost", none, ops, ok, none, ok0, kOk, kPingOk, none},
            {"1 of 4 lost, faster than the maximum", u"5"_s, ops, iputilsOutput(4, 3), iputilsOutput(10, 10, u"4"_s), lossLine(u"pc%1"_s, u"25"_s), lost + u"25%"_s, u"Nothing For Now"_s, none},
            {"2 of 4 lost", none, ops, iputilsOutput(4, 2), none, lossLine(u"pc%1"_s, u"50"_s), lost + u"50%"_s, u"Emailed To: "_s + ops, dropping},
            {"3 of 4 lost, no address", none, none, iputilsOutput(4, 1), none, lossLine(u"pc%1"_s, u"75"_s), lost + u"75%"_s, noMail, none},
            {"all lost: no average check", u"5"_s, two, iputilsOutput(4, 0), none, lossLine(u"pc%1"_s, u"100"_s), lost + u"100%"_s, u"Emailed To: "_s + two, down},
            {"unknown name, the mail refused: no average check", u"5"_s, u"refused@site.invalid"_s, kUnknownHost, none, gone, notFound, u"Email Failed To: refused@site.invalid - refused address"_s, none},
            {"nothing printed", none, none, none, none, gone, notFound, noMail, none},
            {"blank maximum: no average check", u"   "_s, none, ok, none, ok0, kOk, kPingOk, none},
            {"1 ms slower, no address", u"20"_s, none, ok, iputilsOutput(10, 10, u"21"_s), ok0, slow, u"Emailed To: "_s, none},
            {"slower", u"0.5"_s, ops, ok, iputilsOutput(10, 10, u"0.501"_s), ok0, slow, u"Emailed To: "_s + ops, slowMail},
            {"ten echoes find no host", u"5"_s, none, ok, kUnknownHost, ok0, kOk, kPingOk, none},
            {"dropping packets, then slow", u"5"_s, none, iputilsOutput(4, 2), iputilsOutput(10, 10, u"6"_s), lossLine(u"pc%1"_s, u"50"_s), slow, u"Emailed To: "_s, none},
        });
        // clang-format on
    }
    void outcome() {
        QFETCH(Outcome, c);
        CycleFixture<> fx;
        fx.folder.mailTo(m_peer.port());
        const qint64 id = fx.addDevice(u"pc%1"_s, c.addresses, c.maxAverage);
        fx.folder.execSql(
            u"INSERT INTO ComputerPingList (ComputerName, Status) VALUES ('pc2', 'old')"_s);
        fx.runner->outputs = {c.probe, c.tenEchoes};
        if (c.action.startsWith(u"Email Failed"_s))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"refused address"_s));
        fx.start();
        QVERIFY(fx.tick());
        // The name is one argument after "--", never an option or shell text.
        QCOMPARE(fx.runner->calls.size(), c.tenEchoes.isEmpty() ? 1 : 2);
        QCOMPARE(fx.runner->calls.last(),
                 (QStringList{u"ping"_s, u"-c"_s, c.tenEchoes.isEmpty() ? u"4"_s : u"10"_s, u"-W"_s,
                              u"4"_s, u"--"_s, u"pc%1"_s}));
        QCOMPARE(fx.row(id), c.status + u'|' + c.action);
        QCOMPARE(fx.listColumn(1) + u'|' + fx.listColumn(2),
                 c.status + u"|old|"_s + c.action + u'|');
        QCOMPARE(fx.text(u"Label3"_s), c.line);
        QCOMPARE(receivedMails(m_peer),
                 c.mail.isEmpty() ? QStringList() : QStringList{c.addresses + u" | "_s + c.mail});
        QVERIFY(fx.form->updatesEnabled() && fx.timerActive(u"Timer1"_s) &&
                fx.folder.dialogs().shown.isEmpty());
    }

    // Each probe's outcome is written to the row it probed, whatever its name: none, not UTF-8,
    // or differing from another only in letter case.
    void writtenByKey() {
        CycleFixture<> fx;
        fx.folder.execSql(u"INSERT INTO ComputerPingList (ComputerName) VALUES (NULL), "
                          "(CAST(X'70C3' AS TEXT)), ('pc1'), ('PC1')"_s);
        fx.runner->outputs = {iputilsOutput(4, 3), iputilsOutput(4, 2), iputilsOutput(4, 1),
                              iputilsOutput(4, 0)};
        fx.start();
        for (int i = 0; i < 4; ++i)
            QVERIFY(fx.tick());
        QCOMPARE(
            fx.folder.select(u"SELECT Status FROM ComputerPingList ORDER BY Status"_s).join(u'|'),
            u"Percentage Lost 100%|Percentage Lost 25%|Percentage Lost 50%|Percentage Lost 75%"_s);
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
        QVERIFY(fx.tick());
        QCOMPARE(fx.row(id), c.row);
        const QStringList mails = receivedMails(m_peer);
        QCOMPARE(mails.size(), 1);
        QCOMPARE(mails[0].section(u" | "_s, 1, 1), c.subject + u" - "_s + host);
        QVERIFY(fx.folder.dialogs().shown.isEmpty());
    }
};

QTEST_MAIN(TestPingCycle)
#include "tst_pingcycle.moc"
