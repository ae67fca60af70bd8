// The service job of the job monitor's cycle: each service slot of the record is queried with
// the service-control tool of the program folder, started when it is down and may be
// started, reported and mailed; then the always-restart service is restarted.
#include "jobs/JobCycle.h"

#include "app/AppContext.h"
#include "app/Log.h"
#include "jobs/JobTexts.h"
#include "jobs/ServiceCheck.h"
#include "platform/ProcessTerminator.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kToolProcessName = u"psservice.exe"_s;

// Why a query gave no usable state, for the log.
QString noStateReason(const QString& output, bool timedOut, std::chrono::milliseconds limit,
                      const QString& password) {
    if (timedOut)
        return u"the tool did not finish within %1 ms and was ended"_s.arg(limit.count());
    if (output == commandStartFailureText())
        return u"the tool could not be started"_s;
    const QString excerpt = outputForLog(output, password);
    return excerpt.isEmpty() ? u"the tool printed nothing"_s : u"the tool printed: "_s + excerpt;
}

} // namespace

QCoro::Task<JobCycle::JobEnd> JobCycle::serviceJob(Run run, JobRecord job) {
    // Every wait below reports Gone when the cycle has gone; nothing is touched then.
    const QString pc = job.computerName;
    m_ui.Label3->setText(JobTexts::checkingComputer(pc));
    m_ui.Label1->clear();
    // A tool that went missing since Start cannot be started: that reads as no usable state.
    QString tool = serviceToolPath(m_ctx.programFolder());
    if (tool.isEmpty())
        tool = QDir(m_ctx.programFolder()).filePath(kToolProcessName);
    const auto queryLimit = serviceToolTimeLimit(ServiceOperation::Query, m_toolLimit);

    for (std::size_t n = 0; n < job.service.size(); ++n) {
        const QString strCurrentService = job.service.at(n);
        if (strCurrentService.isEmpty())
            continue;
        auto query = runServiceTool(
            run, serviceToolCommand(tool, job, ServiceOperation::Query, strCurrentService),
            queryLimit);
        const ToolRun queried = co_await query;
        if (queried.end != JobEnd::Done)
            co_return queried.end;

        // Only the first slot tells an unreachable PC apart; later slots read its answer as
        // no usable state, which ends the same way.
        if (n == 0 && unableToConnect(queried.output)) {
            qCWarning(lcJobs).noquote()
                << u"Service job for PC %1: the PC could not be reached (%2)"_s.arg(
                       pc, outputForLog(queried.output, job.adminPassword));
            co_return JobEnd::TypeMismatch;
        }
        switch (slotVerdict(queried.output, job.restartService.at(n))) {
        case SlotVerdict::NoState:
            qCWarning(lcJobs).noquote()
                << u"Service job for PC %1: no usable state for the service %2, so the PC is "
                   u"reported as not responding: %3"_s.arg(
                       pc, strCurrentService,
                       noStateReason(queried.output, queried.timedOut, queryLimit,
                                     job.adminPassword));
            co_return JobEnd::TypeMismatch;
        case SlotVerdict::Running:
            m_ui.Label1->setText(withStatusLine(
                m_ui.Label1->text(), JobTexts::serviceAlreadyRunning(strCurrentService, pc)));
            break;
        case SlotVerdict::Restart: {
            // The start is not checked: the next run finds the service still down, if it is.
            auto start = runServiceTool(
                run, serviceToolCommand(tool, job, ServiceOperation::Start, strCurrentService),
                serviceToolTimeLimit(ServiceOperation::Start, m_toolLimit));
            const ToolRun started = co_await start;
            if (started.end != JobEnd::Done)
                co_return started.end;
            m_ui.Label1->setText(withStatusLine(m_ui.Label1->text(),
                                                JobTexts::serviceRestarted(strCurrentService, pc)));
            auto alert = fncPCServiceWasDownEmail(job, strCurrentService);
            const JobEnd mailed = co_await alert;
            if (mailed != JobEnd::Done)
                co_return mailed;
            break;
        }
        case SlotVerdict::NotRunning: {
            m_ui.Label1->setText(withStatusLine(
                m_ui.Label1->text(), JobTexts::serviceNotRunning(strCurrentService, pc)));
            auto alert = fncPCServiceWasDownButNotSetToRestartEmail(job, strCurrentService);
            const JobEnd mailed = co_await alert;
            if (mailed != JobEnd::Done)
                co_return mailed;
            break;
        }
        }
    }

    const QString always = job.alwaysRestartThisService;
    if (!always.isEmpty()) {
        // Restarted whatever its state; what the tool says is not looked at.
        auto restart =
            runServiceTool(run, serviceToolCommand(tool, job, ServiceOperation::Restart, always),
                           serviceToolTimeLimit(ServiceOperation::Restart, m_toolLimit));
        const ToolRun restarted = co_await restart;
        if (restarted.end != JobEnd::Done)
            co_return restarted.end;
        m_ui.Label1->setText(m_ui.Label1->text() + u"\r\n"_s +
                             JobTexts::alwaysRestarted(always, pc));
    }
    // A record without any service has waited for nothing so far.
    const JobEnd end = continueAfterWait(run);
    if (end == JobEnd::Done)
        m_ui.Label3->setText(JobTexts::checkedComputer(pc));
    co_return end;
}

QCoro::Task<JobCycle::ToolRun> JobCycle::runServiceTool(Run run, QStringList argv,
                                                        std::chrono::milliseconds limit) {
    QPointer<JobCycle> self(this);
    CommandOptions options;
    options.wantStdOut = true;
    options.wantStdErr = false;
    options.oemConvert = true;
    options.timeout = limit;
    // The guard of this run alone: deleting it (Stop, Pause while waiting, closing) ends the
    // tool.
    const QPointer<QObject> guard = new QObject(this);
    m_toolGuard = guard;
    options.cancelGuard = guard;

    ToolRun ran;
    QElapsedTimer clock;
    clock.start();
    auto running = m_ctx.runner().GetCommandOutput(std::move(argv), options);
    ran.output = co_await running;
    // The runner's limit is a coarse timer, which may fire up to 5 % early.
    ran.timedOut = clock.elapsed() >= limit.count() * 19 / 20;
    if (!self) {
        ran.end = JobEnd::Gone;
        co_return ran;
    }
    delete guard.data();
    if (run.runId != m_runId || run.job != m_currentJob || m_phase == Phase::None) {
        ran.end = JobEnd::Dropped;
        co_return ran;
    }

    // Every run is followed by ending whatever copy of the tool is left over.
    auto terminating = m_terminator->fncTerminateProcess(kToolProcessName);
    co_await terminating;
    if (!self) {
        ran.end = JobEnd::Gone;
        co_return ran;
    }
    ran.end = continueAfterWait(run);
    co_return ran;
}

JobCycle::JobEnd JobCycle::continueAfterWait(const Run& run) {
    if (run.runId != m_runId || run.job != m_currentJob)
        return JobEnd::Dropped;
    if (m_phase == Phase::Applying)
        return JobEnd::Done;
    return beginApplying(run) ? JobEnd::Done : JobEnd::Dropped;
}
