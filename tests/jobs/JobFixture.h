#pragma once

// The job monitor's tests: a program folder with a scripted service-control tool, the job
// monitor window over it beside a stand-in main window, a stand-in PC's disks, and the mails.
#include "FakeMonitorHost.h"
#include "Files.h"
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
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace jobtest {

using namespace Qt::Literals::StringLiterals;

// A PC whose disks the test knows.
struct FakeDisks final : LogicalDisks {
    explicit FakeDisks(LogicalDiskList answer) : m_answer(std::move(answer)) {}
    LogicalDiskList list(const QString&) override { return m_answer; }
    LogicalDiskList m_answer;
};
inline std::shared_ptr<LogicalDisks> disks(LogicalDiskList::Status status, QStringList ids = {}) {
    return std::make_shared<FakeDisks>(LogicalDiskList{status, std::move(ids), {}});
}

// The scripted service-control tool: logs its arguments ("|" between them) to runs.log beside
// it, prints OPERATION-SERVICE.out, and never ends for the service "hang".
inline const QByteArray kScriptedTool = R"sh(#!/bin/sh
dir=$(dirname "$0")
{ printf '%s' "$(basename "$0")"; for a in "$@"; do printf '|%s' "$a"; done; echo; } >>"$dir/runs.log"
[ "$7" = hang ] && echo $$ >"$dir/hang.pid" && exec sleep 600
cat "$dir/$6-$7.out" 2>/dev/null
)sh";

// Ending tools by name would reach those of tests running alongside: calls go to runs.log.
struct RecordingTerminator final : ProcessTerminator {
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
        writeScript(tool, QString::fromUtf8(kScriptedTool));
        folder.execSql(u"UPDATE Settings SET ServicesTimerSeconds = ?"_s, {interval});
    }
    // As the main window's unload.
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
    // The job monitor window as the main window's menu opens it, with a shorter check limit.
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
    // One tick, and the end of the job it started.
    void tick() {
        QSignalSpy ended(&cycle(), &JobCycle::jobEnded);
        cycle().Timer1_Timer();
        if (cycle().jobUnderWay() && !ended.wait(20000))
            qWarning("the job did not end");
    }
    QString lines() const { return form->Label3->text() + u" | "_s + form->Label1->text(); }

    TestProgramFolder folder;
    FakeMonitorHost host;
    std::unique_ptr<QWidget> owner = std::make_unique<QWidget>(); // in the main window's place
    MailWindows* mailWindows = new MailWindows(owner.get());
    Form3* form = nullptr;
};

} // namespace jobtest
