#pragma once

#include <QString>

// Every text of the job monitor window: caption, tooltips, messages and status lines (the
// alert notes and mails are in JobAlerts).
namespace JobTexts {

using namespace Qt::Literals::StringLiterals;

inline const QString kCaption = u"Check Remote PC Services & Network File Age"_s;
inline const QString kStartTip = u"Click here to start this feature"_s;
inline const QString kStopTip = u"Click here to stop this process"_s;
inline const QString kPauseTip = u"Click here to Pause this process"_s;
inline const QString kPauseAgainTip = u"Click here again to Pause the process"_s;
inline const QString kResumeTip = u"Click here again to Resume the process"_s;
inline const QString kJobCountTip = u"This is the number of enabled records that will be checked"_s;
// What a screen reader says of the controls without a caption.
inline const QString kStartName = u"Start"_s;
inline const QString kStopName = u"Stop"_s;
inline const QString kPauseName = u"Pause"_s;
inline const QString kFocusName = u"Job monitor"_s;
inline const QString kFocusDescription = u"Press Tab to reach the buttons"_s;

inline const QString kMissingFileTitle = u"Missing File"_s;
inline const QString kMissingFileText =
    u"The File psservice.exe does NOT exist in the same folder as this application is in. You "
    u"should reinstall this application. You can not continue the Service check until this file "
    u"is replaced."_s;
inline const QString kNoRecordsTitle = u"No Records In Database"_s;
inline const QString kNoRecordsText =
    u"You don't have any records setup yet! Before you can start to check the status of "
    u"services, or the age of files on your network PC's you must first create new records to "
    u"the database by clicking on the Edit menu then click Edit Remote Services/File Age/File "
    u"Exist/Drive Exist Database on the main window."_s;
inline const QString kReadMeTitle = u"Read Me"_s;
inline const QString kNotStartedText =
    u"You can not Pause or Unpause until you have started the Service Check process."_s;
inline const QString kInvalidIntervalTitle = u"Invalid Interval"_s;
inline QString invalidIntervalText(const QString& stored) {
    return u"The job monitor's interval (ServicesTimerSeconds) is \""_s + stored +
           u"\", but it must be a whole number of minutes from 1 to 32767. Set the Tallis Timer "
           u"Interval in Settings > Application Settings, then press Start again."_s;
}

inline const QString kPreparing = u"Preparing, Please Wait...."_s;
inline QString currentJobs(int count) {
    return u"Current Jobs = "_s + QString::number(count);
}
inline QString countdown(int remaining) {
    return u"Less Than "_s + QString::number(remaining) +
           (remaining == 1 ? u" minute until the next one"_s : u" minutes until the next one"_s);
}

// The tick's trapped outcomes.
inline QString pcNotFound(const QString& pc) {
    return u"PC named ("_s + pc +
           u") was not found on the network, or the user name/password doesn't have admin "
           u"rights on the PC, or the PC is on a different WorkGroup/Domain, or one of the "
           u"services is not spelled correctly, or the service doesn't exist on the PC. Preparing "
           u"for the next PC...."_s;
}
inline QString filePathNotFound(const QString& path) {
    return u"File Path to ("_s + path +
           u") was NOT found. Please check the database list to make sure the file name or path "
           u"was not spelled incorrectly. "_s;
}
inline QString fileNotFound(const QString& path) {
    return u"File ("_s + path +
           u") was NOT found. Please check the database list to make sure the file name or path "
           u"was not spelled incorrectly. "_s;
}

// File-age jobs.
inline QString checkingFile(const QString& path) {
    return u"Checking File "_s + path;
}
inline QString checkedFile(const QString& path) {
    return u"Checked File ("_s + path + u")"_s;
}
inline QString ageFine(const QString& path, bool hourRule) {
    return u"File ("_s + path + u") age checked out fine according to the criteria set."_s +
           (hourRule ? QString() : u" Now waiting on timer for the next record."_s);
}
inline QString olderThanCriteria(const QString& path) {
    return u"File ("_s + path + u") is older than the set criteria."_s;
}

// File-exists jobs.
inline QString checkedFileIn(const QString& name, const QString& folder) {
    return u"Checked File ("_s + name + u") located in ("_s + folder + u")."_s;
}
inline QString doesExist(const QString& name, const QString& folder) {
    return u"File ("_s + name + u") Does exist in ("_s + folder +
           u"). Criteria set not to email if exist. Now waiting on timer for the next record."_s;
}
inline QString doesNotExist(const QString& name, const QString& folder) {
    return u"File ("_s + name + u") Does NOT exist in ("_s + folder +
           u"). Criteria set not to email if missing. Now waiting on timer for the next record."_s;
}
inline QString permissionError(const QString& name, const QString& folder) {
    return u"Attempted to Check File ("_s + name + u") located in ("_s + folder +
           u"), and a permission error occured"_s;
}
inline const QString kNoFullRights =
    u"This application does NOT have full rights on the pc that has this file. This job has "
    u"failed."_s;

// Drive-letter jobs.
inline QString checkedDriveLetter(const QString& letter) {
    return u"Checked Drive Letter ("_s + letter + u"). Waiting for timer..."_s;
}
inline QString driveLetterFound(const QString& letter, const QString& pc) {
    return u"Drive Letter ("_s + letter + u") WAS found on PC named ("_s + pc + u")."_s;
}
inline QString pcCannotBeAccessed(const QString& pc) {
    return u"The PC named ("_s + pc +
           u") can't be accessed properly. Make sure this PC name is correct and this application "
           u"has full access to it. Waiting for the timer for the next record."_s;
}
inline const QString kDriveCheckIssue =
    u"This Drive Letter job check has encountered an issue. Please read below."_s;

// Service jobs.
inline QString checkingComputer(const QString& pc) {
    return u"Checking Computer Named ("_s + pc + u")"_s;
}
inline QString checkedComputer(const QString& pc) {
    return u"Checked Computer Named ("_s + pc + u")"_s;
}
inline QString serviceAlreadyRunning(const QString& service, const QString& pc) {
    return u"Service ("_s + service + u") on PC Named ("_s + pc + u") Is Already Running"_s;
}
inline QString serviceRestarted(const QString& service, const QString& pc) {
    return u"Restarted Service "_s + service + u" on PC Named ("_s + pc + u")"_s;
}
inline QString serviceNotRunning(const QString& service, const QString& pc) {
    return u"Service "_s + service + u" on PC Named ("_s + pc +
           u") is NOT running. Current record settings are set to NOT restart this service."_s;
}
inline QString alwaysRestarted(const QString& service, const QString& pc) {
    return u"Restarted Service ("_s + service + u") on PC Named ("_s + pc + u")"_s;
}

} // namespace JobTexts
