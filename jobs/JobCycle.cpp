#include "jobs/JobCycle.h"

#include "app/AppContext.h"
#include "app/DatabaseTrap.h"
#include "app/Detach.h"
#include "app/Log.h"
#include "app/MonitorHost.h"
#include "jobs/JobTexts.h"
#include "jobs/ServiceCheck.h"
#include "mail/MailWindows.h"
#include "platform/LogicalDisks.h"
#include "platform/ProcessTerminator.h"
#include "storage/DbRetry.h"
#include "storage/SettingsTables.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

// Timer1's step: a minute after Start, 20 seconds after a Resume.
constexpr std::chrono::milliseconds kStartStep = std::chrono::minutes(1);
constexpr std::chrono::milliseconds kResumeStep = std::chrono::seconds(20);

} // namespace

JobCycle::JobCycle(AppContext& ctx, MonitorHost& host, MailWindows& mailWindows,
                   const JobControls& controls, std::shared_ptr<LogicalDisks> disks,
                   QObject* parent)
    : QObject(parent), m_ctx(ctx), m_host(host), m_mailWindows(mailWindows), m_ui(controls),
      m_disks(std::move(disks)), m_terminator(std::make_shared<ProcfsProcessTerminator>()) {
    setObjectName(u"JobCycle"_s);
}

JobCycle::~JobCycle() = default;

// ---------------------------------------------------------------------------------------
// Start and auto-start
// ---------------------------------------------------------------------------------------

void JobCycle::Command1_Click() {
    // A Start that waits for a locked database is not started twice.
    if (m_starting)
        return;
    detach(
        start(), u"the job monitor's Start"_s,
        [self = QPointer<JobCycle>(this)] {
            if (self)
                self->m_starting = false;
        },
        &lcJobs);
}

QCoro::Task<void> JobCycle::start() {
    QPointer<JobCycle> self(this);
    if (serviceToolPath(m_ctx.programFolder()).isEmpty()) {
        m_ctx.dialogs().critical(JobTexts::kMissingFileTitle, JobTexts::kMissingFileText);
        co_return;
    }
    m_starting = true;
    auto counted = fncCountNumberOfComputersToPing();
    const bool countOk = co_await counted;
    if (!self || m_unloaded)
        co_return;
    m_starting = false;
    if (!countOk)
        co_return;
    if (m_intNumberOfJobs < 1) {
        m_ctx.dialogs().critical(JobTexts::kNoRecordsTitle, JobTexts::kNoRecordsText);
        m_ui.Text1->setFocus();
        co_return;
    }
    m_starting = true;
    auto interval = fncGetPingTimerTime();
    const bool intervalOk = co_await interval;
    if (!self || m_unloaded)
        co_return;
    m_starting = false;
    if (!intervalOk)
        co_return;

    dropRun(false);
    ++m_runId;
    m_intJobIndex = 0;
    m_ctx.values().blForm3isRunning = true;
    m_host.setEditAndSettingsMenusEnabled(false);
    m_ui.Text1->setFocus();
    m_ui.Command2->setEnabled(true);
    m_ui.Command1->setEnabled(false);
    m_ui.Command3->setEnabled(true);
    m_ui.Label3->setText(JobTexts::kPreparing);
    m_ui.Label4->setText(JobTexts::currentJobs(m_intNumberOfJobs));
    // One short of the interval: the first tick runs the first job.
    m_intTicksElapsed = m_intTimerTicks - 1;
    m_state = State::Waiting;
    m_ui.Timer1->start(m_ctx.tick(kStartStep));
    Q_EMIT stateChanged();
}

QCoro::Task<bool> JobCycle::fncCountNumberOfComputersToPing() {
    m_intNumberOfJobs = 0;
    DbResult<int> count;
    auto read = retryWhileLocked([path = m_ctx.databasePath(), &count] {
        count = JobTable(path).countEnabled();
        return count.status;
    });
    const DbStatus status = co_await read;
    if (!status.ok()) {
        startFailed(status, u"count the enabled jobs"_s);
        co_return false;
    }
    m_intNumberOfJobs = count.value;
    co_return true;
}

QCoro::Task<bool> JobCycle::fncGetPingTimerTime() {
    DbResult<SettingsRow> settings;
    auto read = retryWhileLocked([path = m_ctx.databasePath(), &settings] {
        settings = SettingsTable(path).read();
        return settings.status;
    });
    const DbStatus status = co_await read;
    if (!status.ok()) {
        startFailed(status, u"read the interval"_s);
        co_return false;
    }
    // An interval that would run one job and then never another is refused.
    const std::optional<int> minutes = intervalMinutes(settings.value.servicesTimerSeconds);
    if (!minutes) {
        m_ctx.dialogs().information(
            JobTexts::kInvalidIntervalTitle,
            JobTexts::invalidIntervalText(settings.value.servicesTimerSeconds));
        m_ui.Text1->setFocus();
        co_return false;
    }
    m_intTimerTicks = *minutes;
    co_return true;
}

void JobCycle::fncCheckForAutoStart() {
    detach(checkForAutoStart(), u"the job monitor's auto-start"_s, {}, &lcJobs);
}

QCoro::Task<void> JobCycle::checkForAutoStart() {
    QPointer<JobCycle> self(this);
    DbResult<SettingsRow> settings;
    auto read = retryWhileLocked([path = m_ctx.databasePath(), &settings] {
        settings = SettingsTable(path).read();
        return settings.status;
    });
    const DbStatus status = co_await read;
    if (!self || m_unloaded)
        co_return;
    if (!status.ok()) {
        startFailed(status, u"read the auto-start setting"_s);
        co_return;
    }
    if (settings.value.autoStartServices)
        Command1_Click();
}

void JobCycle::startFailed(const DbStatus& status, const QString& what) {
    qCWarning(lcJobs).noquote() << "the job monitor could not" << what
                                << "at Start:" << status.detail;
    databaseTrap(m_ctx, status, kListTrap);
}

// ---------------------------------------------------------------------------------------
// Stop, Pause, Resume, unload
// ---------------------------------------------------------------------------------------

void JobCycle::Command2_Click() {
    dropRun(false);
    ++m_runId;
    m_mailWindows.closeAll();
    m_ui.Timer1->stop();
    m_ui.Text1->setFocus();
    m_ui.Command1->setEnabled(true);
    m_ui.Command2->setEnabled(false);
    m_ui.Label2->clear();
    m_ui.Label1->clear();
    m_ui.Label3->clear();
    m_ui.Label4->clear();
    m_ctx.values().blForm3isRunning = false;
    enableMenusUnlessPingRuns();
    m_state = State::Idle;
    Q_EMIT stateChanged();
}

void JobCycle::Command3_Click() {
    if (m_ui.Command1->isEnabled()) {
        m_ctx.dialogs().information(JobTexts::kReadMeTitle, JobTexts::kNotStartedText);
        m_ui.Text1->setFocus();
        return;
    }
    m_ui.Label2->clear();
    if (m_blPaused) {
        // Resume: from now on every countdown step lasts 20 seconds.
        m_ui.Text1->setFocus();
        m_host.setEditAndSettingsMenusEnabled(false);
        m_ui.Timer1->setInterval(m_ctx.tick(kResumeStep));
        if (m_phase != Phase::None) {
            // The job under way arms the timer when it is done.
            m_state = State::Running;
        } else {
            m_state = State::Waiting;
            m_ui.Timer1->start();
        }
        m_blPaused = false;
        m_ui.Command3->setToolTip(JobTexts::kPauseAgainTip);
        Q_EMIT stateChanged();
        return;
    }
    // Pause: a check still waited for is dropped; an outcome being applied runs on.
    m_ui.Text1->setFocus();
    dropRun(true);
    m_ui.Timer1->stop();
    enableMenusUnlessPingRuns();
    m_blPaused = true;
    m_ui.Command3->setToolTip(JobTexts::kResumeTip);
    m_state = State::Paused;
    Q_EMIT stateChanged();
}

void JobCycle::unload() {
    dropRun(false);
    ++m_runId;
    m_unloaded = true;
    m_ui.Timer1->stop();
    m_ctx.values().blForm3isRunning = false;
    m_host.setJobScanningChecked(false);
    if (m_host.pingStartEnabled())
        m_host.setEditMenuEnabled(true);
    m_state = State::Idle;
    Q_EMIT stateChanged();
}

void JobCycle::dropRun(bool keepApplying) {
    ++m_generation;
    if (!keepApplying || m_phase == Phase::Checking) {
        m_phase = Phase::None;
        // A service-control tool still waited for is ended.
        delete m_toolGuard.data();
    }
}

void JobCycle::enableMenusUnlessPingRuns() {
    if (!m_ctx.values().blForm1isRunning)
        m_host.setEditAndSettingsMenusEnabled(true);
}

// ---------------------------------------------------------------------------------------
// The tick and the walk
// ---------------------------------------------------------------------------------------

void JobCycle::Timer1_Timer() {
    if (!m_ui.Timer1->isActive())
        return;
    ++m_intTicksElapsed;
    if (!m_ui.Label2->text().isEmpty())
        writeCountdown(m_intTimerTicks - m_intTicksElapsed);
    if (m_intTicksElapsed != m_intTimerTicks)
        return;

    m_intTicksElapsed = 0;
    m_ui.Label3->setText(JobTexts::kPreparing);
    m_ui.Label1->clear();
    m_ui.Timer1->stop();
    if (m_intJobIndex >= m_intNumberOfJobs)
        m_intJobIndex = 0;
    writeCountdown(m_intTimerTicks);

    m_state = State::Running;
    m_phase = Phase::Checking;
    const Run run{m_runId, m_generation, ++m_currentJob};
    detach(runJob(run), u"the job cycle's tick"_s, haltOnError(run), &lcJobs);
}

QCoro::Task<void> JobCycle::runJob(Run run) {
    QPointer<JobCycle> self(this);
    const QString path = m_ctx.databasePath();
    JobRecord job;
    auto readAt = [path, &job](int position) {
        return retryWhileLocked([path, position, &job] {
            auto record = JobTable(path).enabledAt(position);
            job = record.value;
            return record.status;
        });
    };
    DbStatus status = co_await readAt(m_intJobIndex);
    if (!self || run.generation != m_generation)
        co_return;
    if (status.error == DbError::NoCurrentRecord && m_intJobIndex > 0) {
        // Jobs were deleted or disabled while the cycle was paused: the walk starts again at
        // the first job instead of running past the end of the list.
        qCInfo(lcJobs) << "the job list has fewer than" << m_intJobIndex + 1
                       << "enabled jobs now; the walk goes back to the first job";
        m_intJobIndex = 0;
        status = co_await readAt(0);
        if (!self || run.generation != m_generation)
            co_return;
    }

    JobEnd end = JobEnd::Done;
    if (status.error == DbError::NoCurrentRecord) {
        qCInfo(lcJobs) << "no enabled job is left to run; waiting for the next interval";
        beginApplying(run);
    } else if (!status.ok()) {
        qCWarning(lcJobs).noquote()
            << "the job cycle halted: the job list could not be read:" << status.detail;
        beginApplying(run);
        end = JobEnd::Halted;
    } else {
        auto running = dispatch(run, job);
        end = co_await running;
        if (end == JobEnd::Gone || !self)
            co_return;
        if (end == JobEnd::TypeMismatch || end == JobEnd::FileNotFound ||
            end == JobEnd::PathNotFound) {
            auto trap = applyTrap(end, job);
            end = co_await trap;
            if (end == JobEnd::Gone || !self)
                co_return;
        }
    }
    finishJob(run, end);
}

QCoro::Task<JobCycle::JobEnd> JobCycle::dispatch(Run run, JobRecord job) {
    // The key columns decide, first match wins.
    switch (kindOf(job)) {
    case JobKind::FileExists:
        return fileExistsJob(run, std::move(job));
    case JobKind::DriveLetter:
        return driveLetterJob(run, std::move(job));
    case JobKind::FileAge:
        return fileAgeJob(run, std::move(job));
    case JobKind::Service:
        break;
    }
    return serviceJob(run, std::move(job));
}

bool JobCycle::beginApplying(const Run& run) {
    if (run.generation != m_generation || run.job != m_currentJob)
        return false;
    m_phase = Phase::Applying;
    return true;
}

void JobCycle::finishJob(const Run& run, JobEnd end) {
    // A job whose run was stopped, or whose check was dropped, leaves everything as it is.
    if (run.runId != m_runId || run.job != m_currentJob || end == JobEnd::Dropped ||
        m_phase != Phase::Applying)
        return;
    m_phase = Phase::None;
    if (end == JobEnd::Halted) {
        // The timer stays off and the walk stays on this job until Pause/Resume or Stop/Start.
        if (m_state == State::Running)
            m_state = State::Halted;
        Q_EMIT jobEnded();
        return;
    }
    ++m_intJobIndex;
    if (m_state == State::Running) {
        m_state = State::Waiting;
        m_ui.Timer1->start();
    }
    Q_EMIT jobEnded();
}

std::function<void()> JobCycle::haltOnError(const Run& run) {
    return [self = QPointer<JobCycle>(this), run] {
        if (!self || self->m_ctx.ended())
            return;
        // The job failed in an unforeseen way: the cycle halts on it, as for any other error.
        if (run.job != self->m_currentJob || run.runId != self->m_runId ||
            self->m_phase == Phase::None)
            return;
        self->m_phase = Phase::Applying;
        self->finishJob(run, JobEnd::Halted);
    };
}

void JobCycle::writeCountdown(int remaining) {
    m_ui.Label2->setText(JobTexts::countdown(remaining));
}
