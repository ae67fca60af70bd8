#pragma once

// What the reliability tests share: their figures, stand-in programs, a database seeded for both
// monitors, and the job monitor run from the main window.
#include "FakeCommandRunner.h"
#include "Files.h"
#include "ProgramCopy.h"
#include "SmtpPeer.h"
#include "TestProgramFolder.h"
#include "app/Form1.h"
#include "jobs/Form3.h"
#include "jobs/JobCycle.h"
#include "storage/JobTable.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace rel {

// One figure for the report, printed and added to <KORVANE_RELIABILITY_OUT>/<part>.tsv (begun
// afresh by the first of a part in a run).
inline void figure(const QString& part, const QString& key, const QVariant& value) {
    static QHash<QString, bool> started;
    const QString folder = QStringLiteral(KORVANE_RELIABILITY_OUT);
    QDir().mkpath(folder);
    QFile file(QDir(folder).filePath(part + u".tsv"_s));
    if (file.open(std::exchange(started[part], true) ? QIODevice::Append : QIODevice::WriteOnly))
        file.write((key + u'\t' + value.toString() + u'\n').toUtf8());
    qInfo().noquote() << "figure:" << part << key << "=" << value.toString();
}

// Stand-ins first on PATH: `ping` logs its host and answers at once ("down*": no reply, "hang*":
// never ends); `net` logs its arguments, "--" and its parent's command line, and says it runs.
class StandIns {
  public:
    StandIns() {
        writeScript(m_dir.filePath(u"ping"_s), uR"(#!/bin/sh
for host; do :; done
printf '%s\n' "$host" >> 'DIR/ping.log'
case "$host" in
  down*) echo '4 packets transmitted, 0 received, 100% packet loss, time 3003ms'; exit 1;;
  hang*) exec sleep 3600;;
esac
echo '4 packets transmitted, 4 received, 0% packet loss, time 3004ms'
echo 'rtt min/avg/max/mdev = 0.031/0.042/0.060/0.011 ms')"_s.replace(u"DIR"_s, m_dir.path()));
        writeScript(m_dir.filePath(u"net"_s), uR"(#!/bin/sh
{ printf '%s\n' "$@" --; tr '\0' ' ' < /proc/$PPID/cmdline; echo; } >> 'DIR/net.log'
for service; do :; done
echo "$service service is running.")"_s.replace(u"DIR"_s, m_dir.path()));
    }
    QString pingLog() const { return m_dir.filePath(u"ping.log"_s); }
    QString netLog() const { return m_dir.filePath(u"net.log"_s); }
    QString searchPath() const {
        return m_dir.path() + u':' + qEnvironmentVariable("PATH", u"/usr/bin:/bin"_s);
    }
    // The program copy started with its timers `divisor` times faster.
    void start(ProgramCopy& program, int divisor) const {
        program.start(
            {{u"PATH"_s, searchPath()}, {u"KORVANE_TEST_TICK_DIVISOR"_s, QString::number(divisor)}},
            true);
    }

  private:
    QTemporaryDir m_dir;
};

// Both monitors auto-started at one-minute steps, mailing to 127.0.0.1:smtpPort: devices up-N,
// then down-N mailing down-N@x.invalid; file-exists jobs N on `folder` that mail job-N@x.invalid.
inline void seedMonitors(const QString& db, int up, int down, int jobs, const QString& folder,
                         quint16 smtpPort) {
    const QString numbers = u" WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n"
                            " WHERE i + 1 < ?) SELECT "_s;
    const std::pair<QString, QVariantList> statements[] = {
        {u"UPDATE Settings SET PingTimerSeconds = 1, ServicesTimerSeconds = 1,"
         " AutoStartPinger = 1, AutoStartServices = 1"_s,
         {}},
        {u"UPDATE SMTPsettings SET ServerName = '127.0.0.1', FromEmail = 'korvane@x.invalid',"
         " SMTPport = ?"_s,
         {QString::number(smtpPort)}},
        {u"INSERT INTO ComputerPingList (ComputerName, EmailWhenDown, MaxAverage, Status,"
         " ActionTaken)"_s +
             numbers +
             u"iif(i < ?, 'up-', 'down-') || i, iif(i < ?, NULL, 'down-' || i || '@x.invalid'),"
             " '', '', '' FROM n"_s,
         {up + down, up, up}},
        {u"INSERT INTO Services (ComputerName, CheckIfFileExistFolder, FileNameOfFileExist,"
         " FileExistEmailifThereOrNot, FileExistEmailHere)"_s +
             numbers + u"'files-' || i, ?, 'j' || i, ?, 'job-' || i || '@x.invalid' FROM n"_s,
         {jobs, folder, fileExistActionTexts().at(0)}}};
    for (const auto& [sql, values] : statements)
        if (const QString failed = sqlRows(db, sql, values).value(0); failed.startsWith(u'<'))
            qFatal("cannot seed the database: %s", qPrintable(failed));
    for (int i = 0; i < jobs; ++i)
        writeFile(QDir(folder).filePath(u"f.j%1"_s.arg(i)));
}

// The job monitor started from the main window (`prepare` sees its cycle first): the status
// lines ("Label3 | Label1") of its first `count` jobs.
inline QStringList runJobMonitor(Form1& main, int count,
                                 const std::function<void(JobCycle&)>& prepare = {}) {
    main.findChild<QAction*>(u"mnuRemoteServicesScanning"_s)->trigger();
    Form3* form = Form3::openWindow(&main);
    if (prepare)
        prepare(form->cycle());
    QStringList lines;
    QObject listening; // goes before `lines`, and its connection with it
    QObject::connect(&form->cycle(), &JobCycle::jobEnded, &listening,
                     [&] { lines << form->Label3->text() + u" | "_s + form->Label1->text(); });
    form->cycle().Command1_Click();
    (void)QTest::qWaitFor([&] { return lines.size() >= count; }, 120000);
    form->cycle().Command2_Click();
    form->close();
    return lines;
}

// The job monitor's lines for a record without an address and for a PC that did not answer.
inline QString noMailLine(const QString& what) {
    return u" | No email address was found for this %1 record. Enter an Email address in this"
           " record to recieve a email notification. Now waiting on timer for the next record."_s
               .arg(what);
}
inline QString pcNotFoundLine(const QString& pc) {
    return pcNotFoundText(pc) + noMailLine(u"PC isn't responding"_s);
}

} // namespace rel
