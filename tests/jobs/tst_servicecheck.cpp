// The service check: the tool's output read as a table, and service jobs run by one tick of the
// job monitor against a scripted tool in the program folder (it records how it was run and
// answers from files), with the status lines, the log and the mails at the local SMTP server.
#include "JobFixture.h"
#include "WindowChecks.h"
#include "jobs/ServiceCheck.h"
#include "platform/ProcessTerminator.h"
#include "support/SambaPeer.h"

#include <QLabel>
#include <QRegularExpression>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;
using namespace jobtest;

Q_DECLARE_METATYPE(SlotVerdict)

namespace {

// Writes its arguments ("|" between them) to runs.log beside it, prints OPERATION-SERVICE.out,
// and never ends for the service "hang".
const QByteArray kTool = R"sh(#!/bin/sh
dir=$(dirname "$0")
{ printf '%s' "$(basename "$0")"; for a in "$@"; do printf '|%s' "$a"; done; echo; } >>"$dir/runs.log"
[ "$7" = hang ] && echo $$ >"$dir/hang.pid" && exec sleep 600
cat "$dir/$6-$7.out" 2>/dev/null
)sh";

// Ending tools by name would reach those of tests running alongside: calls go to runs.log.
class RecordingTerminator final : public ProcessTerminator {
  public:
    explicit RecordingTerminator(QString log) : m_log(std::move(log)) {}
    QCoro::Task<int> fncTerminateProcess(QString text) override {
        QFile f(m_log);
        if (f.open(QIODevice::Append))
            f.write((u"terminate "_s + text + u'\n').toUtf8());
        co_return 0;
    }

  private:
    QString m_log;
};

const QString kTo = u"ops@site.invalid;desk@site.invalid"_s;
const QString kUser = u"OFFICE\\admin"_s;
const QString kWait = u". Now waiting on timer for the next record."_s;
const QString kNotFound =
    u"PC named (pc1) was not found on the network, or the user name/password doesn't have admin "
    u"rights on the PC, or the PC is on a different WorkGroup/Domain, or one of the services is "
    u"not spelled correctly, or the service doesn't exist on the PC. Preparing for the next "
    u"PC...."_s;

// The table's shorthand: "{up:S}" and the like stand for the exact texts about the service S.
QString expand(const QString& text) {
    static const QRegularExpression token(u"\\{(\\w+):?(\\w*)\\}"_s);
    QString out = text;
    for (QRegularExpressionMatch m = token.match(out); m.hasMatch(); m = token.match(out)) {
        const QString kind = m.captured(1), s = m.captured(2);
        const QString mailTo = kTo + u" | Korvane Service Check - "_s;
        const QString by = u"Now emailing ("_s + kTo + u") because the "_s;
        const QHash<QString, QString> texts = {
            {u"up"_s, u"Service (%1) on PC Named (pc1) Is Already Running"_s},
            {u"always"_s, u"Restarted Service (%1) on PC Named (pc1)"_s},
            {u"restarted"_s, by + u"service (%1) on PC (pc1) was restarted"_s + kWait},
            {u"down"_s, by + u"service (%1) on PC (pc1) is not running"_s + kWait},
            {u"noresp"_s, by + u"PC (pc1) is not responding"_s + kWait},
            {u"mailRestarted"_s, mailTo + u"%1 Service Was Restarted - pc1 | pc1 - %1 - Had to be "
                                          u"restarted. If you continue to get this email then the "
                                          u"service keeps stopping."_s},
            {u"mailDown"_s, mailTo +
                                u"%1 Service is NOT running - pc1 | pc1 - %1 - is NOT running. "
                                u"The current settings for this PC is set to NOT restart this "
                                u"service, and to only monitor and report."_s},
            {u"mailNoresp"_s,
             mailTo + u"pc1 is NOT responding | pc1 - Is not responding with any Services "
                      u"information. Either the name is spelled incorrectly in the database, the "
                      u"device is turn off, currently being restarted, or the user name/password "
                      u"doesn't have admin rights on the PC, or the PC is on a different "
                      u"WorkGroup/Domain."_s}};
        const QString text = texts.value(kind);
        out.replace(m.capturedStart(), m.capturedLength(), s.isEmpty() ? text : text.arg(s));
    }
    return out;
}

} // namespace

class TestServiceCheck : public QObject {
    Q_OBJECT

    SmtpPeer m_peer;

    // The job on PC pc1 from the table's shorthand (see serviceJob_data), with every alert to
    // two recipients.
    static JobRecord serviceJob(const QString& slots, bool account) {
        JobRecord job;
        job.computerName = u"pc1"_s;
        const QStringList names = slots.section(u'/', 0, 0).split(u' ', Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < names.size(); ++i) {
            job.service[i] =
                names[i] == u"-"_s ? QString() : names[i].chopped(names[i].endsWith(u'+'));
            job.restartService[i] = names[i].endsWith(u'+');
        }
        job.alwaysRestartThisService = slots.section(u'/', 1).trimmed();
        job.adminUserName = account ? kUser : QString();
        job.adminPassword = account ? SambaPeer::password() : QString();
        job.emailWhenDown = kTo;
        return job;
    }
    // The job monitor over a folder whose tool is the scripted one, the job its only job.
    Form3& open(JobFixture& fx, const JobRecord& job) {
        const QString folder = fx.folder.path() + u'/';
        QFile tool(folder + u"PsService.EXE"_s);
        if (!tool.open(QIODevice::WriteOnly) || tool.write(kTool) != kTool.size() ||
            !tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            qFatal("cannot write the tool");
        tool.close();
        fx.add(job);
        pointMailAt(fx, m_peer.port());
        Form3& form = fx.open();
        fx.cycle().setProcessTerminator(
            std::make_shared<RecordingTerminator>(folder + u"runs.log"_s));
        return form;
    }

  private Q_SLOTS:
    void initTestCase() {
        if (!m_peer.start())
            QSKIP(qPrintable(u"the local SMTP server cannot start: "_s + m_peer.errorString()));
    }
    void init() { m_peer.clear(); }
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    void toolOutput_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("restart");
        QTest::addColumn<QString>("state");
        QTest::addColumn<SlotVerdict>("verdict");
        using V = SlotVerdict;
        // clang-format off
        QTest::newRow("lower case") << u"  state    : 1  STOPPED"_s << true << u"1"_s << V::Restart;
        QTest::newRow("first STATE") << u"STATE      2 STATE      4"_s << false << u"2"_s << V::NotRunning;
        QTest::newRow("no STATE") << u"Spooler   4 up"_s << false << u"4"_s << V::Running;
        QTest::newRow("blank") << u"        STATE    :    RUNNING"_s << true << u" "_s << V::NoState;
        QTest::newRow("cut short") << u"        STATE    : "_s << true << QString() << V::NoState;
        // clang-format on
    }
    void toolOutput() {
        QFETCH(QString, output);
        QFETCH(bool, restart);
        QTEST(serviceStateCharacter(output), "state");
        QTEST(slotVerdict(output, restart), "verdict");
    }

    // One service job per row. "slots": the six ("-" empty, "+" may be started) and after "/" the
    // always-restart service; answers are a state digit or the tool's whole output; runs are
    // "OPERATION SERVICE".
    void serviceJob_data() {
        QTest::addColumn<QString>("slots");
        QTest::addColumn<bool>("account");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("runs");
        QTest::addColumn<bool>("checked"); // Label3 says so; otherwise the PC was not found
        QTest::addColumn<QString>("label1");
        QTest::addColumn<QString>("mails");
        QTest::addColumn<QString>("log"); // after "Service job for PC pc1: "
        const QString noState = u"no usable state for the service %1, so the PC is reported as not "
                                u"responding: the tool "_s;
        // clang-format off
        QTest::newRow("running") << u"Spooler"_s << true << QStringList{u"Spooler=4"_s} << u"query Spooler"_s << true << u"{up:Spooler}"_s << QString() << QString();
        QTest::newRow("stopped, restart; always-restart") << u"Spooler+ / W3SVC"_s << true << QStringList{u"Spooler=1"_s} << u"query Spooler,start Spooler,restart W3SVC"_s << true << u"{restarted:Spooler}\r\n{always:W3SVC}"_s << u"{mailRestarted:Spooler}"_s << QString();
        QTest::newRow("stopped, no restart") << u"Spooler"_s << true << QStringList{u"Spooler=1"_s} << u"query Spooler"_s << true << u"{down:Spooler}"_s << u"{mailDown:Spooler}"_s << QString();
        QTest::newRow("two stopped, one running") << u"Spooler Dhcp W32Time"_s << true << QStringList{u"Spooler=1"_s, u"Dhcp=1"_s, u"W32Time=4"_s} << u"query Spooler,query Dhcp,query W32Time"_s << true << u"{down:Dhcp}\r\n{up:W32Time}"_s << u"{mailDown:Spooler},{mailDown:Dhcp}"_s << QString();
        QTest::newRow("slot 1 empty, unreachable") << u"- Spooler"_s << true << QStringList{u"Spooler=Unable to connect to \\\\pc1\n"_s} << u"query Spooler"_s << false << u"{noresp}"_s << u"{mailNoresp}"_s << noState.arg(u"Spooler"_s) + u"printed: Unable to connect to \\\\pc1"_s;
        QTest::newRow("unreachable") << u"Spooler+ Dhcp / W3SVC"_s << true << QStringList{u"Spooler=unable to connect to \\\\pc1 as "_s + SambaPeer::password()} << u"query Spooler"_s << false << u"{noresp}"_s << u"{mailNoresp}"_s << u"the PC could not be reached (unable to connect to \\\\pc1 as ********)"_s;
        QTest::newRow("no STATE") << u"Spooler Bogus Dhcp / W3SVC"_s << true << QStringList{u"Spooler=4"_s, u"Bogus=Service Bogus is not installed"_s} << u"query Spooler,query Bogus"_s << false << u"{noresp}"_s << u"{mailNoresp}"_s << noState.arg(u"Bogus"_s) + u"printed: Service Bogus is not installed"_s;
        QTest::newRow("no STATE, digit at 11") << u"Spooler"_s << true << QStringList{u"Spooler=Spooler   1 down"_s} << u"query Spooler"_s << true << u"{down:Spooler}"_s << u"{mailDown:Spooler}"_s << QString();
        QTest::newRow("always-restart only, no account") << u"/ W3SVC"_s << false << QStringList() << u"restart W3SVC"_s << true << u"\r\n{always:W3SVC}"_s << QString() << QString();
        QTest::newRow("hung tool") << u"hang Spooler"_s << true << QStringList() << u"query hang"_s << false << u"{noresp}"_s << u"{mailNoresp}"_s << noState.arg(u"hang"_s) + u"did not finish within 2000 ms and was ended"_s;
        // clang-format on
    }
    void serviceJob() {
        QFETCH(QString, slots);
        QFETCH(bool, account);
        QFETCH(QStringList, answers);
        QFETCH(QString, log);
        JobFixture fx;
        const QString folder = fx.folder.path() + u'/';
        for (const QString& answer : answers) {
            QFile out(folder + u"query-"_s + answer.section(u'=', 0, 0) + u".out"_s);
            const QString said = answer.section(u'=', 1);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(
                (said.size() > 1 ? said : u"        STATE    : "_s + said + u"  X\n"_s).toUtf8());
        }
        const JobRecord job = serviceJob(slots, account);
        Form3& form = open(fx, job);
        if (job.service[0] == u"hang"_s)
            fx.cycle().setServiceToolTimeLimit(std::chrono::seconds(2));
        if (!log.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(u"Service job for PC pc1: "_s + log));
        QTest::failOnWarning(QRegularExpression(QRegularExpression::escape(SambaPeer::password())));
        form.Command1->click();
        fx.tick();

        // Every run is one argument vector, followed by the ending of stray tools.
        QFETCH(QString, runs);
        QStringList expected;
        for (const QString& run : runs.split(u',', Qt::SkipEmptyParts))
            expected << u"PsService.EXE|\\\\pc1|-u|%1|-p|%2|%3|%4"_s.arg(
                            job.adminUserName, job.adminPassword, run.section(u' ', 0, 0),
                            run.section(u' ', 1))
                     << u"terminate psservice.exe"_s;
        QFile ran(folder + u"runs.log"_s);
        QVERIFY(ran.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(ran.readAll()).split(u'\n', Qt::SkipEmptyParts), expected);
        QFETCH(bool, checked);
        QCOMPARE(form.Label3->text(), checked ? u"Checked Computer Named (pc1)"_s : kNotFound);
        QFETCH(QString, label1);
        QCOMPARE(form.Label1->text(), expand(label1));
        QFETCH(QString, mails);
        QStringList sent, wanted;
        for (const QStringList& mail : receivedMails(m_peer))
            sent << mail.join(u" | "_s);
        for (const QString& mail : mails.split(u',', Qt::SkipEmptyParts))
            wanted << expand(mail);
        QCOMPARE(sent, wanted);
        QCOMPARE(fx.cycle().intJobIndex(), 1);
    }

    // A tool still waited for when the run is paused or stopped, or the window closed, is
    // ended at once (not at its time limit), and its job leaves nothing behind.
    void toolUnderWay_data() {
        QTest::addColumn<int>("action");
        QTest::newRow("pause") << 0;
        QTest::newRow("stop") << 1;
        QTest::newRow("close") << 2;
    }
    void toolUnderWay() {
        QFETCH(int, action);
        JobFixture fx;
        Form3& form = open(fx, serviceJob(u"hang"_s, true));
        QPointer<Form3> window(&form);
        form.Command1->click();
        fx.cycle().Timer1_Timer();
        QFile pid(fx.folder.path() + u"/hang.pid"_s);
        QTRY_VERIFY(pid.size() > 0);
        QVERIFY(pid.open(QIODevice::ReadOnly));
        const QString proc = u"/proc/"_s + QString::fromLatin1(pid.readAll().trimmed());
        if (action == 2)
            form.close();
        else
            (action == 0 ? form.Command3 : form.Command2)->click();
        QTRY_VERIFY(!QFile::exists(proc));
        QCoreApplication::processEvents();
        QCOMPARE(m_peer.messageCount(), 0);
        if (!window)
            return;
        QVERIFY(!fx.cycle().jobUnderWay());
        QCOMPARE(fx.cycle().intJobIndex(), 0);
        QCOMPARE(form.Label3->text(), action == 0 ? u"Checking Computer Named (pc1)"_s : QString());
    }
};

QTEST_MAIN(TestServiceCheck)
#include "tst_servicecheck.moc"
