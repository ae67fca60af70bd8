#pragma once

#include "jobs/JobAlerts.h"
#include "storage/JobTable.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class AppContext;
class LogicalDisks;
class MailWindows;
class MonitorHost;
class ProcessTerminator;
class QAbstractButton;
class QLabel;
class QTimer;
class QWidget;
struct DbStatus;

// The controls of the job monitor window that its cycle drives.
struct JobControls {
    QAbstractButton* Command1 = nullptr; // Start
    QAbstractButton* Command2 = nullptr; // Stop
    QAbstractButton* Command3 = nullptr; // Pause / Resume
    QWidget* Text1 = nullptr;            // focus holder
    QTimer* Timer1 = nullptr;            // the job cycle's tick
    QLabel* Label1 = nullptr;            // detail status line
    QLabel* Label2 = nullptr;            // countdown line
    QLabel* Label3 = nullptr;            // main status line
    QLabel* Label4 = nullptr;            // number of jobs
};

// The job monitor's cycle: Start, Stop, Pause and Resume, the countdown tick, the walk over the
// enabled jobs one per interval, the dispatch by record kind, the file, drive-letter and
// service jobs, the tick's trapped outcomes and the alert mails.
//
// Every check that touches a file system or asks a PC runs on the job monitor's worker pool
// and is awaited with a time limit, so the window keeps painting and a share that never
// answers ends as a failed check. The service-control tool is a child process, awaited with a
// time limit of its own; a tool that is still running when its check is dropped is ended. Start,
// Stop, Pause and closing the window bump a generation: a check whose result has not been applied
// yet is dropped. Once a result is being applied (labels, alert mail), it is finished as one step;
// only Stop and closing cut it short, and then nothing more is written.
class JobCycle final : public QObject {
    Q_OBJECT
  public:
    enum class State { Idle, Waiting, Running, Paused, Halted };
    // How a job, or a step of one, ended.
    enum class JobEnd {
        Done,         // the job's outcome is applied
        TypeMismatch, // the tick's trapped outcomes, applied by the trap
        FileNotFound,
        PathNotFound,
        Halted,  // anything else: the cycle stands until Pause/Resume or Stop/Start
        Dropped, // the run was paused or stopped before the outcome was applied
        Gone,    // the cycle itself has gone: nothing may be touched
    };

    // How long a check may take before it counts as failed.
    static constexpr std::chrono::milliseconds kCheckTimeLimit = std::chrono::seconds(20);
    // How long the service-control tool may take for a query (it limits each of its own calls
    // on the network to 30 seconds); a start may take twice and a restart four times as long.
    static constexpr std::chrono::milliseconds kServiceToolTimeLimit = std::chrono::seconds(45);

    JobCycle(AppContext& ctx, MonitorHost& host, MailWindows& mailWindows,
             const JobControls& controls, std::shared_ptr<LogicalDisks> disks, QObject* parent);
    ~JobCycle() override;

    void Command1_Click(); // Start
    void Command2_Click(); // Stop
    void Command3_Click(); // Pause or Resume
    // A tick of a timer that is not running is ignored.
    void Timer1_Timer();
    // Starts the cycle when the settings say so.
    void fncCheckForAutoStart();
    // The window unloads: the running flag, the main window's menus, nothing applied anymore.
    void unload();

    // The alert routines: the detail line, then the mail to the record's recipients (or the
    // no-address text). A send that failed is noted as failed in the detail line.
    QCoro::Task<JobEnd> fncPCServiceWasDownEmail(JobRecord job, QString strCurrentService);
    QCoro::Task<JobEnd> fncPCServiceWasDownButNotSetToRestartEmail(JobRecord job,
                                                                   QString strCurrentService);
    QCoro::Task<JobEnd> fncPCisntRespondingEmail(JobRecord job);
    // Reads the file's time again for the body; a failure there ends as the tick's outcome.
    QCoro::Task<JobEnd> fncFileIsOldEmail(JobRecord job);
    QCoro::Task<JobEnd> fncFileIsMissingEmail(JobRecord job);
    QCoro::Task<JobEnd> fnPathIsMissingEmail(JobRecord job);
    QCoro::Task<JobEnd> fncFileIsThereEmail(JobRecord job);
    QCoro::Task<JobEnd> fncFileIsNOTThereEmail(JobRecord job);
    QCoro::Task<JobEnd> fncFileExistJobPermissionIssue(JobRecord job);
    QCoro::Task<JobEnd> fncDriveLetterIsntThereEmail(JobRecord job);
    QCoro::Task<JobEnd> fncDriveLetterErrorNoAccessToPCEmail(JobRecord job);

    // --- state, for the window, its tests and benchmarks ---
    State state() const { return m_state; }
    int intNumberOfJobs() const { return m_intNumberOfJobs; }
    int intJobIndex() const { return m_intJobIndex; }
    int intTimerTicks() const { return m_intTimerTicks; }
    int intTicksElapsed() const { return m_intTicksElapsed; }
    bool blPaused() const { return m_blPaused; }
    // A job has been taken and its outcome is not applied yet.
    bool jobUnderWay() const { return m_phase != Phase::None; }
    const QString& strAgeLabel() const { return m_strAgeLabel; }

    void setCheckTimeLimit(std::chrono::milliseconds limit) { m_checkLimit = limit; }
    void setLogicalDisks(std::shared_ptr<LogicalDisks> disks) { m_disks = std::move(disks); }
    void setServiceToolTimeLimit(std::chrono::milliseconds limit) { m_toolLimit = limit; }
    void setProcessTerminator(std::shared_ptr<ProcessTerminator> terminator) {
        m_terminator = std::move(terminator);
    }

  Q_SIGNALS:
    // A job has ended (its outcome applied, or the cycle halted on it).
    void jobEnded();
    // Start, Stop, Pause, Resume or closing the window has taken effect.
    void stateChanged();

  private:
    enum class Phase { None, Checking, Applying };
    // Which run and which job a coroutine works for.
    struct Run {
        quint64 runId = 0;      // bumped by Start, Stop and unload
        quint64 generation = 0; // bumped by those and by Pause
        quint64 job = 0;
    };

    QCoro::Task<void> start();
    QCoro::Task<void> checkForAutoStart();
    QCoro::Task<bool> fncCountNumberOfComputersToPing();
    QCoro::Task<bool> fncGetPingTimerTime();
    // A database failure at Start or auto-start: the trap's message (the program may end),
    // and a line in the log.
    void startFailed(const DbStatus& status, const QString& what);

    QCoro::Task<void> runJob(Run run);
    QCoro::Task<JobEnd> dispatch(Run run, JobRecord job);
    QCoro::Task<JobEnd> fileAgeJob(Run run, JobRecord job);
    QCoro::Task<JobEnd> fileExistsJob(Run run, JobRecord job);
    QCoro::Task<JobEnd> driveLetterJob(Run run, JobRecord job);
    QCoro::Task<JobEnd> serviceJob(Run run, JobRecord job);
    // One run of the service-control tool, then the ending of every stray copy of it.
    struct ToolRun {
        JobEnd end = JobEnd::Done; // Done, or Dropped / Gone when the job is not to go on
        QString output;
        bool timedOut = false;
    };
    QCoro::Task<ToolRun> runServiceTool(Run run, QStringList argv, std::chrono::milliseconds limit);
    // After a wait of a job that goes through several steps: Done while the job may go on.
    // The first result to come back begins applying the job's outcome; until then Pause drops
    // the job, from then on only Stop and closing do.
    JobEnd continueAfterWait(const Run& run);
    // The tick's trap: the status line and the alert of a trapped outcome.
    QCoro::Task<JobEnd> applyTrap(JobEnd trapped, JobRecord job);
    QCoro::Task<JobEnd> sendJobAlert(JobAlert alert, JobRecord job, JobAlertFacts facts);
    // The result of a check has come back: false when it is to be dropped; otherwise the job
    // is now applying its outcome.
    bool beginApplying(const Run& run);
    void finishJob(const Run& run, JobEnd end);
    std::function<void()> haltOnError(const Run& run);
    // Stops whatever a run has under way; a job's outcome being applied runs on only when
    // `keepApplying` (Pause).
    void dropRun(bool keepApplying);
    void writeCountdown(int remaining);
    void enableMenusUnlessPingRuns();

    AppContext& m_ctx;
    MonitorHost& m_host;
    MailWindows& m_mailWindows;
    JobControls m_ui;
    std::shared_ptr<LogicalDisks> m_disks;
    std::chrono::milliseconds m_checkLimit = kCheckTimeLimit;
    std::shared_ptr<ProcessTerminator> m_terminator;
    std::chrono::milliseconds m_toolLimit = kServiceToolTimeLimit;
    // Deleting it ends the service-control tool that runs for the current job.
    QPointer<QObject> m_toolGuard;

    int m_intNumberOfJobs = 0;
    int m_intJobIndex = 0;
    int m_intTimerTicks = 0;
    int m_intTicksElapsed = 0;
    bool m_blPaused = false;
    QString m_strAgeLabel;

    State m_state = State::Idle;
    Phase m_phase = Phase::None;
    quint64 m_runId = 0;
    quint64 m_generation = 0;
    quint64 m_currentJob = 0;
    bool m_starting = false;
    bool m_unloaded = false;
};
