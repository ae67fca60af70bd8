// The jobs of the job monitor's cycle: the three file and drive kinds (the service job is in
// ServiceJob.cpp), the tick's trapped outcomes and the alert routines.
#include "jobs/JobCycle.h"

#include "app/AppContext.h"
#include "app/Log.h"
#include "jobs/CheckPool.h"
#include "jobs/DriveLetterCheck.h"
#include "jobs/FileChecks.h"
#include "jobs/JobTexts.h"
#include "mail/AlertMail.h"

#include <QLabel>
#include <QPointer>

using namespace Qt::Literals::StringLiterals;

namespace {

// The trapped outcome of a path problem of a file-age job. A file that is there but cannot be
// read is the path problem ("File Path to ..." and the path-in-error alert), never a file
// older than the criteria.
JobCycle::JobEnd trappedFor(FileProblem problem) {
    return problem == FileProblem::PathNotFound ? JobCycle::JobEnd::PathNotFound
                                                : JobCycle::JobEnd::FileNotFound;
}

void logTimeout(const QString& what, const QString& where, std::chrono::milliseconds limit) {
    qCWarning(lcJobs).noquote() << what << where << "did not answer within" << limit.count()
                                << "ms";
}

} // namespace

// ---------------------------------------------------------------------------------------
// File-age job
// ---------------------------------------------------------------------------------------

QCoro::Task<JobCycle::JobEnd> JobCycle::fileAgeJob(Run run, JobRecord job) {
    QPointer<JobCycle> self(this);
    const QString path = job.filePathToCheck;
    m_ui.Label3->setText(JobTexts::checkingFile(path));
    m_ui.Label1->clear();
    auto reading = CheckPool::instance().run<FileTimeReading>([path] { return readFileTime(path); },
                                                              m_checkLimit);
    const std::optional<FileTimeReading> read = co_await reading;
    if (!self)
        co_return JobEnd::Gone;
    if (!beginApplying(run))
        co_return JobEnd::Dropped;
    if (!read) {
        logTimeout(u"the file"_s, path, m_checkLimit);
        co_return JobEnd::PathNotFound;
    }
    if (read->problem != FileProblem::None) {
        qCInfo(lcJobs).noquote() << "file-age job" << path << ":" << read->detail;
        co_return trappedFor(read->problem);
    }

    const AgeJudgement judged =
        judgeFileAge(job.ageOfFile, read->lastModified, m_ctx.clock().now());
    using Verdict = AgeJudgement::Verdict;
    if (judged.verdict == Verdict::TypeMismatch)
        co_return JobEnd::TypeMismatch;
    if (!judged.ageLabel.isEmpty() && (!judged.hourRule || judged.verdict == Verdict::Old))
        m_strAgeLabel = judged.ageLabel;
    if (judged.verdict == Verdict::Fine) {
        m_ui.Label3->setText(JobTexts::checkedFile(path));
        m_ui.Label1->setText(JobTexts::ageFine(path, judged.hourRule));
        co_return JobEnd::Done;
    }
    if (!judged.hourRule)
        m_ui.Label3->setText(JobTexts::olderThanCriteria(path));
    auto alert = fncFileIsOldEmail(std::move(job));
    co_return co_await alert;
}

// ---------------------------------------------------------------------------------------
// File-exists job
// ---------------------------------------------------------------------------------------

QCoro::Task<JobCycle::JobEnd> JobCycle::fileExistsJob(Run run, JobRecord job) {
    QPointer<JobCycle> self(this);
    const QString folder = job.checkIfFileExistFolder;
    const QString name = job.fileNameOfFileExist;
    auto searching = CheckPool::instance().run<FolderSearch>(
        [folder, name] { return findMatchingFile(folder, name); }, m_checkLimit);
    const std::optional<FolderSearch> search = co_await searching;
    if (!self)
        co_return JobEnd::Gone;
    if (!beginApplying(run))
        co_return JobEnd::Dropped;

    // A folder that cannot be read, or never answers, gives no presence result.
    bool blFilePermissionError = !search;
    if (!search) {
        logTimeout(u"the folder"_s, folder, m_checkLimit);
    } else if (search->problem != FileProblem::None) {
        qCInfo(lcJobs).noquote() << "file-exists job" << folder << ":" << search->detail;
        blFilePermissionError = true;
    }
    if (blFilePermissionError) {
        m_ui.Label3->setText(JobTexts::permissionError(name, folder));
        m_ui.Label1->setText(JobTexts::kNoFullRights);
        auto alert = fncFileExistJobPermissionIssue(std::move(job));
        co_return co_await alert;
    }

    const QString& mailWhen = job.fileExistEmailifThereOrNot;
    if (search->found && mailWhen == fileExistActionTexts().at(0)) {
        auto alert = fncFileIsThereEmail(std::move(job));
        co_return co_await alert;
    }
    if (!search->found && mailWhen == fileExistActionTexts().at(1)) {
        auto alert = fncFileIsNOTThereEmail(std::move(job));
        co_return co_await alert;
    }
    m_ui.Label3->setText(JobTexts::checkedFileIn(name, folder));
    m_ui.Label1->setText(search->found ? JobTexts::doesExist(name, folder)
                                       : JobTexts::doesNotExist(name, folder));
    co_return JobEnd::Done;
}

// ---------------------------------------------------------------------------------------
// Drive-letter job
// ---------------------------------------------------------------------------------------

QCoro::Task<JobCycle::JobEnd> JobCycle::driveLetterJob(Run run, JobRecord job) {
    QPointer<JobCycle> self(this);
    const QString pc = job.checkIfDriveExistPCName;
    const QString letter = job.checkIfDriveExistDriveLetter;
    auto checking = CheckPool::instance().run<DriveCheck>(
        [disks = m_disks, pc, letter, file = driveLetterCheckFile()] {
            return checkDriveLetter(*disks, pc, letter, file);
        },
        m_checkLimit);
    const std::optional<DriveCheck> check = co_await checking;
    if (!self)
        co_return JobEnd::Gone;
    if (!beginApplying(run))
        co_return JobEnd::Dropped;

    using Result = DriveCheck::Result;
    // A PC that never answers is one that could not be asked: the letter is not there.
    const Result result = check ? check->result : Result::NotThere;
    if (!check)
        logTimeout(u"the disk query of"_s, pc, m_checkLimit);
    else if (!check->detail.isEmpty())
        qCInfo(lcJobs).noquote() << "drive-letter job" << pc << ":" << check->detail;

    switch (result) {
    case Result::Found:
        m_ui.Label3->setText(JobTexts::checkedDriveLetter(letter));
        m_ui.Label1->setText(JobTexts::driveLetterFound(letter, pc));
        co_return JobEnd::Done;
    case Result::NotThere: {
        auto alert = fncDriveLetterIsntThereEmail(std::move(job));
        co_return co_await alert;
    }
    case Result::AccessRefused: {
        m_ui.Label1->setText(JobTexts::pcCannotBeAccessed(pc));
        m_ui.Label3->setText(JobTexts::kDriveCheckIssue);
        auto alert = fncDriveLetterErrorNoAccessToPCEmail(std::move(job));
        co_return co_await alert;
    }
    case Result::FileFailed:
        break;
    }
    qCWarning(lcJobs).noquote() << "the job cycle halted: the drive-letter check's file failed:"
                                << check->detail;
    co_return JobEnd::Halted;
}

// ---------------------------------------------------------------------------------------
// The tick's trapped outcomes
// ---------------------------------------------------------------------------------------

QCoro::Task<JobCycle::JobEnd> JobCycle::applyTrap(JobEnd trapped, JobRecord job) {
    switch (trapped) {
    case JobEnd::TypeMismatch:
        m_ui.Label3->setText(JobTexts::pcNotFound(job.computerName));
        return fncPCisntRespondingEmail(std::move(job));
    case JobEnd::FileNotFound:
        m_ui.Label3->setText(JobTexts::filePathNotFound(job.filePathToCheck));
        return fnPathIsMissingEmail(std::move(job));
    default:
        m_ui.Label3->setText(JobTexts::fileNotFound(job.filePathToCheck));
        return fncFileIsMissingEmail(std::move(job));
    }
}

// ---------------------------------------------------------------------------------------
// Alert routines
// ---------------------------------------------------------------------------------------

QCoro::Task<JobCycle::JobEnd> JobCycle::sendJobAlert(JobAlert alert, JobRecord job,
                                                     JobAlertFacts facts) {
    QPointer<JobCycle> self(this);
    const quint64 runId = m_runId;
    const JobAlertTexts texts = jobAlertTexts(alert, job, facts);
    const QString before = m_ui.Label1->text();
    m_ui.Label1->setText(alertDetailLine(texts, before));
    if (texts.recipients.isEmpty())
        co_return JobEnd::Done;

    // Each alert goes out on a mail window of its own.
    auto send = sendAlertMail(
        m_ctx, m_mailWindows,
        alertMailRequest(m_ctx.values(), texts.recipients, texts.subject, texts.body));
    const MailOutcome outcome = co_await send;
    if (!self)
        co_return JobEnd::Gone;
    if (runId != m_runId)
        co_return JobEnd::Dropped;
    if (!outcome.complete())
        m_ui.Label1->setText(alertDetailLine(texts, before, outcome));
    co_return JobEnd::Done;
}

QCoro::Task<JobCycle::JobEnd> JobCycle::fncFileIsOldEmail(JobRecord job) {
    QPointer<JobCycle> self(this);
    const quint64 runId = m_runId;
    JobAlertFacts facts;
    facts.strAgeLabel = m_strAgeLabel;
    const JobAlertTexts texts = jobAlertTexts(JobAlert::FileIsOld, job, facts);
    m_ui.Label1->setText(alertDetailLine(texts, m_ui.Label1->text()));
    if (texts.recipients.isEmpty())
        co_return JobEnd::Done;
    // The body tells the file's time as it is now, read again.
    const QString path = job.filePathToCheck;
    auto reading = CheckPool::instance().run<FileTimeReading>([path] { return readFileTime(path); },
                                                              m_checkLimit);
    const std::optional<FileTimeReading> read = co_await reading;
    if (!self)
        co_return JobEnd::Gone;
    if (runId != m_runId)
        co_return JobEnd::Dropped;
    if (!read) {
        logTimeout(u"the file"_s, path, m_checkLimit);
        co_return JobEnd::PathNotFound;
    }
    if (read->problem != FileProblem::None)
        co_return trappedFor(read->problem);
    facts.fileTime = read->lastModified;
    facts.now = m_ctx.clock().now();
    auto send = sendJobAlert(JobAlert::FileIsOld, std::move(job), facts);
    co_return co_await send;
}

QCoro::Task<JobCycle::JobEnd> JobCycle::fncPCServiceWasDownEmail(JobRecord job,
                                                                 QString strCurrentService) {
    return sendJobAlert(JobAlert::PCServiceWasDown, std::move(job),
                        {std::move(strCurrentService), {}, {}, {}});
}

QCoro::Task<JobCycle::JobEnd>
JobCycle::fncPCServiceWasDownButNotSetToRestartEmail(JobRecord job, QString strCurrentService) {
    return sendJobAlert(JobAlert::PCServiceWasDownButNotSetToRestart, std::move(job),
                        {std::move(strCurrentService), {}, {}, {}});
}

QCoro::Task<JobCycle::JobEnd> JobCycle::fncPCisntRespondingEmail(JobRecord job) {
    return sendJobAlert(JobAlert::PCisntResponding, std::move(job), {});
}

QCoro::Task<JobCycle::JobEnd> JobCycle::fncFileIsMissingEmail(JobRecord job) {
    return sendJobAlert(JobAlert::FileIsMissing, std::move(job), {});
}

QCoro::Task<JobCycle::JobEnd> JobCycle::fnPathIsMissingEmail(JobRecord job) {
    return sendJobAlert(JobAlert::PathIsMissing, std::move(job), {});
}

QCoro::Task<JobCycle::JobEnd> JobCycle::fncFileIsThereEmail(JobRecord job) {
    return sendJobAlert(JobAlert::FileIsThere, std::move(job), {});
}

QCoro::Task<JobCycle::JobEnd> JobCycle::fncFileIsNOTThereEmail(JobRecord job) {
    return sendJobAlert(JobAlert::FileIsNOTThere, std::move(job), {});
}

QCoro::Task<JobCycle::JobEnd> JobCycle::fncFileExistJobPermissionIssue(JobRecord job) {
    return sendJobAlert(JobAlert::FileExistJobPermissionIssue, std::move(job), {});
}

QCoro::Task<JobCycle::JobEnd> JobCycle::fncDriveLetterIsntThereEmail(JobRecord job) {
    return sendJobAlert(JobAlert::DriveLetterIsntThere, std::move(job), {});
}

QCoro::Task<JobCycle::JobEnd> JobCycle::fncDriveLetterErrorNoAccessToPCEmail(JobRecord job) {
    return sendJobAlert(JobAlert::DriveLetterErrorNoAccessToPC, std::move(job), {});
}
