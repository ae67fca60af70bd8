#pragma once

// The job monitor window beside a stand-in main window, in a program folder whose service tool
// answers through a fake command runner, with a stand-in PC's disks.
#include "FakeCommandRunner.h"
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

#include <QLabel>
#include <QSignalSpy>
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

// Ending tools by name would reach those of tests running alongside: the calls are recorded
// among the command runner's, as {"terminate", name}.
struct RecordingTerminator final : ProcessTerminator {
    explicit RecordingTerminator(QList<QStringList>& calls) : m_calls(calls) {}
    QCoro::Task<int> fncTerminateProcess(QString text) override {
        m_calls.append({u"terminate"_s, text});
        co_return 0;
    }
    QList<QStringList>& m_calls;
};

struct JobFixture {
    explicit JobFixture(int interval = 1) {
        writeFile(folder.path() + u"/PsService.EXE"_s);
        folder.execSql(u"UPDATE Settings SET ServicesTimerSeconds = ?"_s, {interval});
    }
    ~JobFixture() { // as the main window's unload
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
    // The job monitor window as the main window's menu opens it.
    Form3& open(std::shared_ptr<LogicalDisks> pc = {}) {
        form = Form3::showShared(folder.ctx, host, *mailWindows, owner.get());
        if (pc)
            cycle().setLogicalDisks(std::move(pc));
        cycle().setProcessTerminator(std::make_shared<RecordingTerminator>(runner.calls));
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

    TestProgramFolder folder;
    FakeCommandRunner& runner = FakeCommandRunner::installIn(folder.ctx);
    FakeMonitorHost host;
    std::unique_ptr<QWidget> owner = std::make_unique<QWidget>(); // in the main window's place
    MailWindows* mailWindows = new MailWindows(owner.get());
    Form3* form = nullptr;
};

} // namespace jobtest
