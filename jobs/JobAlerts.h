#pragma once

#include "mail/MailOutcome.h"
#include "storage/JobTable.h"

#include <QDateTime>
#include <QString>

#include <optional>

// The job monitor's alerts: who gets each one, the note the window shows while it is sent,
// its subject and body, and what the window says when the record has no address.

// One value per alert routine of the job monitor window.
enum class JobAlert {
    PCServiceWasDown,                   // fncPCServiceWasDownEmail
    PCServiceWasDownButNotSetToRestart, // fncPCServiceWasDownButNotSetToRestartEmail
    PCisntResponding,                   // fncPCisntRespondingEmail
    FileIsOld,                          // fncFileIsOldEmail
    FileIsMissing,                      // fncFileIsMissingEmail
    PathIsMissing,                      // fnPathIsMissingEmail
    FileIsThere,                        // fncFileIsThereEmail
    FileIsNOTThere,                     // fncFileIsNOTThereEmail
    FileExistJobPermissionIssue,        // fncFileExistJobPermissionIssue
    DriveLetterIsntThere,               // fncDriveLetterIsntThereEmail
    DriveLetterErrorNoAccessToPC,       // fncDriveLetterErrorNoAccessToPCEmail
};

// The routine's name, for the log.
QString alertRoutineName(JobAlert alert);

// What an alert's texts take besides the record.
struct JobAlertFacts {
    QString strCurrentService; // the service slot being examined
    QString strAgeLabel;       // the file-age limit as the mails show it
    QDateTime fileTime;        // the file's last-modified time (file-old alert)
    QDateTime now;             // the current time (file-old alert)
};

struct JobAlertTexts {
    QString recipients;       // the record's recipient column, unchanged
    QString note;             // the mailing note; empty when the routine has none
    bool appendsNote = false; // the note goes after the current detail line
    QString subject;
    QString body;
    QString noAddressText; // the detail line when the recipient column is empty
};

JobAlertTexts jobAlertTexts(JobAlert alert, const JobRecord& job, const JobAlertFacts& facts);

// The detail line (Label1) around an alert, from the line as it stood before it: the
// no-address text, or the mailing note while the mail goes out, or, once a send has failed
// (wholly or for some recipients), what became of it in place of the note.
QString alertDetailLine(const JobAlertTexts& texts, const QString& before,
                        const std::optional<MailOutcome>& failedSend = std::nullopt);

// A date and time in the system's general date format (short date with a four-digit year,
// then the time with seconds).
QString generalDateText(const QDateTime& when);
