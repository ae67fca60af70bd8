#include "jobs/JobAlerts.h"

#include <QLocale>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kWaiting = u" Now waiting on timer for the next record."_s;

// "No email address was found for this <what>record. ..." with or without the waiting words.
QString noAddress(const QString& what, bool waiting = true) {
    return u"No email address was found for this "_s + what +
           u"record. Enter an Email address in this record to recieve a email notification."_s +
           (waiting ? kWaiting : QString());
}

QString emailing(const QString& recipients) {
    return u"Now emailing ("_s + recipients + u") because "_s;
}

QString inFolder(const QString& name, const QString& folder) {
    return u"("_s + name + u") located in ("_s + folder + u")"_s;
}

QString driveNotOn(const JobRecord& j) {
    return u"Drive Letter ("_s + j.checkIfDriveExistDriveLetter +
           u") is NOT currently on the PC named ("_s + j.checkIfDriveExistPCName +
           u"), or the user name\\password for this record doesn't have admin rights on the pc, or "_s;
}

void serviceAlert(JobAlertTexts& t, const JobRecord& j, const QString& service) {
    t.recipients = j.emailWhenDown;
    t.noAddressText = noAddress(QString());
    t.note = emailing(t.recipients) + u"the service ("_s + service + u") on PC ("_s +
             j.computerName + u") "_s;
    t.subject = u"Korvane Service Check - "_s + service + u" Service "_s;
    t.body = j.computerName + u" - "_s + service + u" - "_s;
}

void fileAgeAlert(JobAlertTexts& t, const JobRecord& j, const QString& noAddressWhat,
                  const QString& noteMiddle, const QString& subjectEnd, const QString& bodyEnd) {
    t.recipients = j.emailWhenDown;
    t.noAddressText = noAddress(noAddressWhat);
    t.note = emailing(t.recipients) + noteMiddle + kWaiting;
    t.subject = u"Korvane File Check - "_s + j.filePathToCheck + subjectEnd;
    t.body = j.filePathToCheck + bodyEnd;
}

void fileExistsAlert(JobAlertTexts& t, const JobRecord& j, const QString& where) {
    const QString located = inFolder(j.fileNameOfFileExist, j.checkIfFileExistFolder);
    t.recipients = j.fileExistEmailHere;
    t.note = emailing(t.recipients) + u"the file "_s + located + u" is "_s + where + kWaiting;
    t.subject = u"Korvane File Check - "_s + located + u" is "_s + where;
    t.body = u"The file, or partial file name "_s + located + u" is "_s + where;
}

} // namespace

QString alertRoutineName(JobAlert alert) {
    switch (alert) {
    case JobAlert::PCServiceWasDown:
        return u"fncPCServiceWasDownEmail"_s;
    case JobAlert::PCServiceWasDownButNotSetToRestart:
        return u"fncPCServiceWasDownButNotSetToRestartEmail"_s;
    case JobAlert::PCisntResponding:
        return u"fncPCisntRespondingEmail"_s;
    case JobAlert::FileIsOld:
        return u"fncFileIsOldEmail"_s;
    case JobAlert::FileIsMissing:
        return u"fncFileIsMissingEmail"_s;
    case JobAlert::PathIsMissing:
        return u"fnPathIsMissingEmail"_s;
    case JobAlert::FileIsThere:
        return u"fncFileIsThereEmail"_s;
    case JobAlert::FileIsNOTThere:
        return u"fncFileIsNOTThereEmail"_s;
    case JobAlert::FileExistJobPermissionIssue:
        return u"fncFileExistJobPermissionIssue"_s;
    case JobAlert::DriveLetterIsntThere:
        return u"fncDriveLetterIsntThereEmail"_s;
    case JobAlert::DriveLetterErrorNoAccessToPC:
        return u"fncDriveLetterErrorNoAccessToPCEmail"_s;
    }
    return {};
}

JobAlertTexts jobAlertTexts(JobAlert alert, const JobRecord& j, const JobAlertFacts& facts) {
    JobAlertTexts t;
    const QString& service = facts.strCurrentService;
    switch (alert) {
    case JobAlert::PCServiceWasDown:
        serviceAlert(t, j, service);
        t.note += u"was restarted."_s + kWaiting;
        t.subject += u"Was Restarted - "_s + j.computerName;
        t.body += u"Had to be restarted. If you continue to get this email then the service keeps "
                  u"stopping."_s;
        break;
    case JobAlert::PCServiceWasDownButNotSetToRestart:
        serviceAlert(t, j, service);
        t.note += u"is not running."_s + kWaiting;
        t.subject += u"is NOT running - "_s + j.computerName;
        t.body += u"is NOT running. The current settings for this PC is set to NOT restart this "
                  u"service, and to only monitor and report."_s;
        break;
    case JobAlert::PCisntResponding:
        t.recipients = j.emailWhenDown;
        t.noAddressText = noAddress(u"PC isn't responding "_s);
        t.note = emailing(t.recipients) + u"the PC ("_s + j.computerName +
                 u") is not responding."_s + kWaiting;
        t.subject = u"Korvane Service Check - "_s + j.computerName + u" is NOT responding"_s;
        t.body =
            j.computerName +
            u" - Is not responding with any Services information. Either the name is spelled "
            u"incorrectly in the database, the device is turn off, currently being restarted, "
            u"or the user name/password doesn't have admin rights on the PC, or the PC is on a "
            u"different WorkGroup/Domain."_s;
        break;
    case JobAlert::FileIsOld:
        fileAgeAlert(t, j, u"File is old "_s,
                     u"the file ("_s + j.filePathToCheck + u") is older than the criteria of "_s +
                         facts.strAgeLabel + u"."_s,
                     u" File is older than the set criteria"_s,
                     u" - File is older than the set criteria.\r\n File was last modified on ("_s +
                         generalDateText(facts.fileTime) + u"), and the current Date/Time is ("_s +
                         generalDateText(facts.now) + u")."_s);
        break;
    case JobAlert::FileIsMissing:
        fileAgeAlert(t, j, u"file is missing "_s,
                     u"the file ("_s + j.filePathToCheck +
                         u") is Missing. Try using a mapped network drive pointing to this file "
                         u"and check the spelling."_s,
                     u" File is Missing"_s,
                     u" - File is Missing. Try using a mapped network drive pointing to this file "
                     u"and check the spelling."_s);
        break;
    case JobAlert::PathIsMissing:
        fileAgeAlert(t, j, u"Path Missing "_s,
                     u"there was a problem with the path ("_s + j.filePathToCheck +
                         u"). Try using a mapped network drive pointing to this file and check "
                         u"the spelling."_s,
                     u" Path is in error"_s,
                     u" - The Path is in error. Try checking the path to this file. Try to always "
                     u"use a mapped network drive"_s);
        break;
    case JobAlert::FileIsThere:
        fileExistsAlert(t, j, u"currently in the folder."_s);
        t.noAddressText = noAddress(u"File Exist "_s, false);
        break;
    case JobAlert::FileIsNOTThere:
        fileExistsAlert(t, j, u"NOT in the folder."_s);
        t.noAddressText = noAddress(u"File Doesn't Exist "_s);
        break;
    case JobAlert::FileExistJobPermissionIssue: {
        const QString located = inFolder(j.fileNameOfFileExist, j.checkIfFileExistFolder);
        t.recipients = j.fileExistEmailHere;
        t.noAddressText = noAddress(u"File Doesn't Exist permission issue "_s);
        t.subject = u"Korvane File Check - No permission to read "_s + located + u"."_s;
        t.body =
            u"Korvane does NOT have the rights on the PC with the following : "_s + located +
            u". Some causes could be this PC is currently not turned on, not on the network "_s;
        break;
    }
    case JobAlert::DriveLetterIsntThere:
    case JobAlert::DriveLetterErrorNoAccessToPC: {
        const bool noAccess = alert == JobAlert::DriveLetterErrorNoAccessToPC;
        t.recipients = j.checkIfDriveExistEmailIfIssue;
        t.noAddressText = noAddress(u"Drive Letter check "_s);
        t.appendsNote = noAccess;
        t.note = noAccess ? u" Now emailing ("_s + t.recipients + u")"_s
                          : emailing(t.recipients) + u"the "_s + driveNotOn(j) +
                                u"the PC is turned off or doesn't exist."_s;
        t.subject = u"Korvane Drive Letter Check - Drive Letter ("_s +
                    j.checkIfDriveExistDriveLetter + u") is NOT on ("_s +
                    j.checkIfDriveExistPCName + u")"_s;
        t.body = driveNotOn(j) + (noAccess ? u"this PC is turned off or doesn't exist."_s
                                           : u"this turned off or doesn't exist."_s);
        break;
    }
    }
    return t;
}

QString alertDetailLine(const JobAlertTexts& texts, const QString& before,
                        const std::optional<MailOutcome>& failedSend) {
    if (texts.recipients.isEmpty())
        return texts.noAddressText;
    const QString kept = texts.appendsNote || texts.note.isEmpty() ? before : QString();
    if (!failedSend)
        return kept + texts.note;
    const QString what = mailActionText(texts.recipients, *failedSend);
    return kept.isEmpty() ? what : kept + u' ' + what;
}

QString generalDateText(const QDateTime& when) {
    const QLocale locale = QLocale::system();
    QString date = locale.dateFormat(QLocale::ShortFormat);
    if (!date.contains(u"yyyy"_s))
        date.replace(u"yy"_s, u"yyyy"_s);
    // The long time form without its time zone.
    static const QRegularExpression zone(u"\\s*\\bt+\\b"_s);
    QString time = locale.timeFormat(QLocale::LongFormat);
    time.remove(zone);
    return locale.toString(when, date + u' ' + time.trimmed());
}
