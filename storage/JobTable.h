#pragma once

#include "storage/Database.h"

#include <QList>
#include <QString>

#include <array>

// The four kinds of job that share the Services table.
enum class JobKind { Service, FileAge, FileExists, DriveLetter };

// The stored texts of AgeOfFile, in the order of the job editor's list.
inline const QStringList& ageOfFileTexts() {
    static const QStringList texts = {
        QStringLiteral("Greater Than An Hour"), QStringLiteral("Greater Than 1 Day"),
        QStringLiteral("Greater Than 1 Week"), QStringLiteral("Greater Than 1 Month")};
    return texts;
}

// The stored texts of FileExistEmailifThereOrNot, in the order of the job editor's list.
inline const QStringList& fileExistActionTexts() {
    static const QStringList texts = {QStringLiteral("If File Exist - Email Below"),
                                      QStringLiteral("If File Doesn't Exist - Email Below")};
    return texts;
}

// One job (a row of Services); every text reads as the empty text when Null.
struct JobRecord {
    qint64 id = 0;
    QString computerName;
    std::array<QString, 6> service;       // Service1 .. Service6
    std::array<bool, 6> restartService{}; // RestartService1 .. RestartService6
    QString alwaysRestartThisService;
    QString adminUserName;
    QString adminPassword;
    QString emailWhenDown;
    QString filePathToCheck;
    QString ageOfFile;
    QString checkIfFileExistFolder;
    QString fileNameOfFileExist;
    QString fileExistEmailifThereOrNot;
    QString fileExistEmailHere;
    QString checkIfDriveExistDriveLetter;
    QString checkIfDriveExistPCName;
    QString checkIfDriveExistEmailIfIssue;
    bool disabled = false;
};

// Tells the kind of a job by its key columns, in the job monitor's dispatch order: a folder
// to look in makes a file-exists job, else a PC for a drive letter a drive-letter job, else a
// file path a file-age job, and anything else is a service job.
JobKind kindOf(const JobRecord& job);

// Every column of Services in table order, ID first.
const QStringList& jobColumns();

class JobTable {
  public:
    explicit JobTable(QString databasePath) : m_path(std::move(databasePath)) {}

    DbResult<QList<JobRecord>> allByName() const;
    DbResult<QList<JobRecord>> enabledByName() const;
    DbResult<int> countEnabled() const;
    DbResult<int> countAll() const;
    // The enabled job at this 0-based position of the enabled list by ComputerName;
    // NoCurrentRecord when there is none.
    DbResult<JobRecord> enabledAt(int position) const;
    // Adds a job and returns its ID.
    DbResult<qint64> insert(const JobRecord& job) const;

  private:
    QString m_path;
};

JobRecord jobFromValues(const class QSqlRecord& record);
// Column name -> value for every column but ID, for inserts and updates.
QVariantList jobValues(const JobRecord& job);
