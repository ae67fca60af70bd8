#pragma once

#include <QString>
#include <QStringList>

// Every user-visible text of the two record editors: what both windows show alike, then the
// device editor's, then the job editor's.
namespace EditorText {
inline const QString kAddNew = QStringLiteral("Add New");
inline const QString kCancel = QStringLiteral("Cancel");
inline const QString kAddNewDesignTip = QStringLiteral("Create a New record");
inline const QString kAddNewTip = QStringLiteral("Click here to add a new record");
inline const QString kCancelTip = QStringLiteral("Click here to cancel");
inline const QString kUpdate = QStringLiteral("Update");
inline const QString kUpdateTip =
    QStringLiteral("Click here to save and update the current record");
inline const QString kDelete = QStringLiteral("Delete");
inline const QString kDeleteTip = QStringLiteral("Click to Delete the current record");
inline const QString kPreviousTip = QStringLiteral("Click here to go back one record");
inline const QString kNextTip = QStringLiteral("Click here to go forward one record");
// What a screen reader says of the controls without a caption.
inline const QString kPreviousName = QStringLiteral("Previous Record");
inline const QString kNextName = QStringLiteral("Next Record");
inline const QString kFocusName = QStringLiteral("Record");
inline const QString kFocusDescription =
    QStringLiteral("Press Tab to reach the fields and the buttons");
inline const QString kDisabled = QStringLiteral("Don't Check This Record");
inline const QString kDisabledTip =
    QStringLiteral("Check this box if you do not want this application to check this record");

inline const QString kLastRecordTitle = QStringLiteral("Last Record");
inline const QString kLastRecord = QStringLiteral("You are at the last record.");
inline const QString kFirstRecordTitle = QStringLiteral("First Record");
inline const QString kFirstRecord = QStringLiteral("You are at the first record.");
inline const QString kReadMeTitle = QStringLiteral("Read ME");
inline const QString kReadMe =
    QStringLiteral("You Must first click the Add New button in order to add a new record.");
inline const QString kEmptyKey =
    QStringLiteral("The I.P. Address or Host Name field is blank. If you don't want to create a "
                   "new record click Cancel.");
inline const QString kUpdatedTitle = QStringLiteral("Updated");
inline const QString kUpdated = QStringLiteral("Your changes have been saved.");
inline const QString kSavedTitle = QStringLiteral("Saved");
inline const QString kNoRecordTitle = QStringLiteral("No Record To Delete");
inline const QString kNoRecord = QStringLiteral("No Record to Delete.");
inline const QString kDeleteTitle = QStringLiteral("Delete?");
inline const QString kDeleteQuestion =
    QStringLiteral("Are you sure you want to delete this record?");
inline const QString kDeletedTitle = QStringLiteral("Deleted");
inline const QString kDeleted = QStringLiteral("The record was deleted.");
inline const QString kEmailErrorTitle = QStringLiteral("Email Address Error");
inline const QString kEmailError = QStringLiteral("Please enter at least one valid Email Address.");

// A database failure: %1 is the engine's own words.
inline const QString kDatabaseErrorTitle = QStringLiteral("Database Error");
inline const QString kLoadFailed =
    QStringLiteral("The records could not be read from the database: %1");
inline const QString kSaveFailed =
    QStringLiteral("The record could not be saved: %1\n\nNothing was written to the database. "
                   "Your entries are still in the window, so you can try again.");
inline const QString kDeleteFailed =
    QStringLiteral("The record could not be deleted: %1\n\nThe record is still in the database.");
inline const QString kCountFailed = QStringLiteral("The records could not be counted: %1");
} // namespace EditorText

namespace DeviceText {
inline const QString kCaption = QStringLiteral("Add/Edit Network Device By Host Name Or I.P.");
inline const QString kHostLabel = QStringLiteral("Add I.P. , Host Name, or URL");
inline const QString kHostTip = QStringLiteral("Edit or enter a new I.P. address, host name or "
                                               "URL. not all IP's respond to ping request.");
inline const QString kMailLabel = QStringLiteral("Email When Device Is Down");
inline const QString kMailTip =
    QStringLiteral("Add multiple email addresses seperated by a semi-colon and NO spaces. If left "
                   "empty no email will be sent if device is unreachable.");
inline const QString kAverageLabel = QStringLiteral("Check Ping Return ms Average");
inline const QString kAverageTip = QStringLiteral(
    "If you enter a number here, Korvane will check this device with 10 pings and if the Average "
    "is greater than the entered amount you will get an email, If left empty than you only get "
    "the email if the device is unreachable.");
inline const QString kEmptyFieldTitle = QStringLiteral("Empty Field");
inline const QString kDuplicateTitle = QStringLiteral("Duplicate Record Detected");
inline const QString kDuplicate =
    QStringLiteral("There is already a Record with that I.P. Address or Host Name. Please make "
                   "the change before updating.");
inline const QString kInputErrorTitle = QStringLiteral("Input Error");
inline const QString kInputError =
    QStringLiteral("You must only enter a number in this field greater than 1.");
// The "Saved" text of a new device named %1.
inline const QString kSaved = QStringLiteral("Record (%1) has been added to the database.");
} // namespace DeviceText

namespace JobText {
inline const QString kCaption =
    QStringLiteral("Add/Edit Remote PC Name & Services Or Network File Name Age");
inline const QString kOneSection =
    QStringLiteral("Each Record Can Only Use One Of The Four Sections On This Page");
inline const QString kFileNotFound =
    QStringLiteral("Database File not found. Contact your computer administrator");

inline const QString kServiceFrame = QStringLiteral("Check && Restart Failed Services");
inline const QString kPcLabel = QStringLiteral("PC Name");
inline const QString kPcTip = QStringLiteral("Edit or enter a new Post Location");
inline const QString kUserLabel = QStringLiteral("User Name With Admin Rights");
inline const QString kUserTip =
    QStringLiteral("A local administrator user name and password example would look like this = "
                   "DomainName\\UserName");
inline const QString kPasswordLabel = QStringLiteral("Password For User Name");
inline const QString kPasswordTip =
    QStringLiteral("The password for the local or domain password on the remote  pc");
inline const QString kMailLabel = QStringLiteral("Email Here When There Is An Issue");
inline const QString kMailTip =
    QStringLiteral("Add multiple email addresses seperated by a semi-colon and NO spaces in "
                   "between addresses.");
inline const QString kServicesLabel = QStringLiteral("Service Name To Monitor");
// The tooltips of the six service boxes, in order.
inline const QStringList kServiceTips = {
    QStringLiteral("#1 Service To Check. Not case sensitive. Services are checked in this order."),
    QStringLiteral("#2 Service To Check. Not case sensitive.  Services are checked in this order."),
    QStringLiteral("#3 Service To Check. Not case sensitive.  Services are checked in this order."),
    QStringLiteral("#4 Service To Check. Not case sensitive.  Services are checked in this order."),
    QStringLiteral("#5 Service To Check. Not case sensitive.  Services are checked in this order."),
    QStringLiteral("#6 Service To Check. Not case sensitive.  Services are checked in this order."),
};
inline const QString kRestartLabel = QStringLiteral("Restart");
inline const QString kRestartCaption = QStringLiteral("Yes");
inline const QString kRestartTip = QStringLiteral(
    "Check here if you want to restart this service if it is found to be not running");
inline const QString kAlwaysLabel = QStringLiteral("Always Restart This Service No Matter What");
inline const QString kAlwaysTip =
    QStringLiteral("Enter the exact name of the service that you want to always restart on this "
                   "PC even if its running already");

inline const QString kAgeFrame = QStringLiteral("Check Age Of File");
inline const QString kPathLabel = QStringLiteral("Full Mapped Network File Path");
inline const QString kPathTip =
    QStringLiteral("Enter only a mapped network drive with the complete path to the file incluing "
                   "the full file name.");
inline const QString kAgeLabel = QStringLiteral("Age OF File");
inline const QString kAgeTip = QStringLiteral("Select the age of the file");

inline const QString kExistFrame = QStringLiteral("Check If File Or Directory Path Exist");
inline const QString kFolderLabel = QStringLiteral("Full Networked Directory Path");
inline const QString kFolderTip =
    QStringLiteral("Enter the netowrk path. You can user a format like this as well "
                   "\\\\PCname\\c$\\folder-name");
inline const QString kNamePartLabel = QStringLiteral("All Or Part of the File Name");
inline const QString kNamePartTip =
    QStringLiteral("Enter part of the filename or you could enter a wildcard to see if any files "
                   "are there enter *.*");
inline const QString kActionLabel = QStringLiteral("Select Action");
inline const QString kActionTip = QStringLiteral("Seclect one of the items");

inline const QString kDriveFrame = QStringLiteral("Check If Drive Letter Exist On A Certain PC");
inline const QString kDrivePcLabel = QStringLiteral("Computer Name");
inline const QString kLetterLabel = QStringLiteral("Enter Drive Letter To Check For");

inline const QString kDeletedLast = QStringLiteral(
    "The record was deleted. Since that was the last record, this window will now close");
inline const QString kRestartErrorTitle = QStringLiteral("Error");
inline const QString kRestartError =
    QStringLiteral("You must have a service name typed before checking this box!");
inline const QString kCantTypeTitle = QStringLiteral("Error - Can't Type Here");
inline const QString kCantType =
    QStringLiteral("You can't type here. You can only select from the list.");

// The "Saved" texts of a new job, by the section it uses.
inline const QString kSavedPc =
    QStringLiteral("Record for PC (%1) has been added to the database.");
inline const QString kSavedPath =
    QStringLiteral("Record for Path (%1) has been added to the database.");
inline const QString kSavedFile =
    QStringLiteral("Record for File (%1) has been added to the database.");
inline const QString kSavedDrive =
    QStringLiteral("The Record for PC named (%1) & drive (%2) has been added to the database.");

// The checks of a save, in the order they run: title, message and the control that gets the
// focus when the check fails.
struct Check {
    QString title;
    QString message;
    QString focus;
};
inline const QString kEnterMail = QStringLiteral("You must enter an email address.");
inline const QString kEnterMailTitle = QStringLiteral("Enter Email Address");
inline const QString kSelectTitle = QStringLiteral("Make Selection");
inline const QList<Check> kChecks = {
    {QStringLiteral("Empty PC Name Field"), EditorText::kEmptyKey, QStringLiteral("Text1")},
    {QStringLiteral("Empty Service Name Field"),
     QStringLiteral("The First Services box needs the name of the Service to check on this remote "
                    "PC. You do not have to enter anything in the other four boxes, but you do in "
                    "the first."),
     QStringLiteral("Text2")},
    {QStringLiteral("Empty User Name Field"),
     QStringLiteral("The User Name of the PC must be filled out."), QStringLiteral("Text8")},
    {QStringLiteral("Empty Password Field"),
     QStringLiteral("The Password of the PC must be filled out."), QStringLiteral("Text9")},
    {kSelectTitle,
     QStringLiteral("You must select the Age Of the file from the drop down menu before saving."),
     QStringLiteral("Combo1")},
    {kEnterMailTitle, kEnterMail, QStringLiteral("Text13")},
    {kSelectTitle, QStringLiteral("You must select a If File Exist email action."),
     QStringLiteral("Combo2")},
    {QStringLiteral("Enter File Name"),
     QStringLiteral("You must enter part of the file name. Do not use a wild card charater."),
     QStringLiteral("Text16")},
    {kEnterMailTitle, kEnterMail, QStringLiteral("Text17")},
    {QStringLiteral("Enter Drive Letter"), QStringLiteral("You must enter an Drive letter."),
     QStringLiteral("Text18")},
    {kEnterMailTitle, kEnterMail, QStringLiteral("Text20")},
};
} // namespace JobText
