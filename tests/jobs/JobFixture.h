#pragma once

// What the job monitor's tests share: a fresh program folder that holds a scripted
// service-control tool, the job monitor window opened over it beside a stand-in main window,
// jobs added as rows, a stand-in for a PC's logical disks, and the mails at the local SMTP
// server.

#include "FakeMonitorHost.h"
#include "SmtpPeer.h"
#include "TestProgramFolder.h"
#include "WindowChecks.h"
#include "jobs/Form3.h"
#include "jobs/JobCycle.h"
#include "mail/MailWindows.h"
#include "platform/LogicalDisks.h"
#include "platform/ProcessTerminator.h"

#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace jobtest {

using namespace Qt::Literals::StringLiterals;

// The main status line of a service job whose PC did not answer.
inline const QString kNotFound =
    u"PC named (%1) was not found on the network, or the user name/password doesn't have admin "
    u"rights on the PC, or the PC is on a different WorkGroup/Domain, or one of the services is "
    u"not spelled correctly, or the service doesn't exist on the PC. Preparing for the next "
    u"PC...."_s;

// A PC whose disks are known to the test.
class FakeDisks final : public LogicalDisks {
  public:
    explicit FakeDisks(LogicalDiskList answer) : m_answer(std::move(answer)) {}
    LogicalDiskList list(const QString&) override { return m_answer; }
    LogicalDiskList m_answer;
};

inline std::shared_ptr<LogicalDisks> disks(LogicalDiskList::Status status, QStringList ids = {}) {
    return std::make_shared<FakeDisks>(LogicalDiskList{status, std::move(ids), {}});
}

// Writes a file, last modified at the given time when there is one.
inline void writeFile(const QString& path, const QDateTime& modified = {},
                      const QByteArray& text = {}) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size() ||
        (modified.isValid() && !f.setFileTime(modified, QFileDevice::FileModificationTime)))
        qFatal("cannot write %s", qPrintable(path));
}

// The service-control tool of a test: writes its arguments ("|" between them) to runs.log
// beside it, prints OPERATION-SERVICE.out, and never ends for the service "hang".
inline const QByteArray kScriptedTool = R"sh(#!/bin/sh
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
    QString m_log;
};

struct JobFixture {
    explicit JobFixture(int interval = 1) {
        const QString tool = folder.path() + u"/PsService.EXE"_s;
        writeFile(tool, {}, kScriptedTool);
        QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        folder.execSql(u"UPDATE Settings SET ServicesTimerSeconds = ?"_s, {interval});
    }
    // The main window's unload: the job monitor window and the mail windows close.
    ~JobFixture() {
        Form3::unloadShared(owner.get());
        mailWindows->closeAll();
    }

    // Adds a job from "Column=value" pairs separated by "|"; "%F" stands for the folder.
    void add(const QString& job) {
        QStringList names;
        QVariantList values;
        for (const QString& column : job.split(u'|')) {
            names << column.section(u'=', 0, 0);
            values << column.section(u'=', 1).replace(u"%F"_s, folder.path());
        }
        folder.execSql(u"INSERT INTO Services (%1) VALUES (?%2)"_s.arg(
                           names.join(u','), u",?"_s.repeated(names.size() - 1)),
                       values);
    }
    // Opens the job monitor window as the main window's menu does; its checks get a shorter
    // time limit and, when given, the stand-in PC.
    Form3& open(std::shared_ptr<LogicalDisks> pc = {}) {
        form = Form3::showShared(folder.ctx, host, *mailWindows, owner.get());
        cycle().setCheckTimeLimit(std::chrono::seconds(5));
        if (pc)
            cycle().setLogicalDisks(std::move(pc));
        cycle().setProcessTerminator(
            std::make_shared<RecordingTerminator>(folder.path() + u"/runs.log"_s));
        return *form;
    }
    JobCycle& cycle() { return form->cycle(); }
    // One tick; when it made a job due, waits until the job has ended.
    void tick() {
        QSignalSpy ended(&cycle(), &JobCycle::jobEnded);
        cycle().Timer1_Timer();
        if (cycle().jobUnderWay() && !ended.wait(20000))
            qWarning("the job did not end");
    }
    // The status lines: Label3, then Label1.
    QString lines() const { return form->Label3->text() + u" | "_s + form->Label1->text(); }

    TestProgramFolder folder;
    FakeMonitorHost host;
    std::unique_ptr<QWidget> owner = std::make_unique<QWidget>(); // in the main window's place
    MailWindows* mailWindows = new MailWindows(owner.get());
    Form3* form = nullptr;
};

// Every mail the server received, oldest first, as "recipients | subject | body".
inline QStringList receivedMails(const SmtpPeer& peer) {
    QStringList mails;
    for (const ReceivedMail& m : peer.messages())
        mails << m.recipients.join(u';') + u" | "_s + m.header(u"Subject"_s).value_or(QString()) +
                     u" | "_s + m.body().remove(QRegularExpression(u"\n+$"_s));
    return mails;
}

} // namespace jobtest
