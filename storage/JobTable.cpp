#include "storage/JobTable.h"

#include <QSqlQuery>
#include <QSqlRecord>

using namespace Qt::Literals::StringLiterals;

const QStringList& jobColumns() {
    static const QStringList columns = {u"ID"_s,
                                        u"ComputerName"_s,
                                        u"Service1"_s,
                                        u"Service2"_s,
                                        u"Service3"_s,
                                        u"Service4"_s,
                                        u"Service5"_s,
                                        u"Service6"_s,
                                        u"RestartService1"_s,
                                        u"RestartService2"_s,
                                        u"RestartService3"_s,
                                        u"RestartService4"_s,
                                        u"RestartService5"_s,
                                        u"RestartService6"_s,
                                        u"AlwaysRestartThisService"_s,
                                        u"AdminUserName"_s,
                                        u"AdminPassword"_s,
                                        u"EmailWhenDown"_s,
                                        u"FilePathToCheck"_s,
                                        u"AgeOfFile"_s,
                                        u"CheckIfFileExistFolder"_s,
                                        u"FileNameOfFileExist"_s,
                                        u"FileExistEmailifThereOrNot"_s,
                                        u"FileExistEmailHere"_s,
                                        u"CheckIfDriveExistDriveLetter"_s,
                                        u"CheckIfDriveExistPCName"_s,
                                        u"CheckIfDriveExistEmailIfIssue"_s,
                                        u"Disabled"_s};
    return columns;
}

JobKind kindOf(const JobRecord& job) {
    if (!job.checkIfFileExistFolder.isEmpty())
        return JobKind::FileExists;
    if (!job.checkIfDriveExistPCName.isEmpty())
        return JobKind::DriveLetter;
    if (!job.filePathToCheck.isEmpty())
        return JobKind::FileAge;
    return JobKind::Service;
}

JobRecord jobFromValues(const QSqlRecord& r) {
    auto text = [&r](const QString& name) { return textOf(r.value(name)); };
    JobRecord j;
    j.id = r.value(u"ID"_s).toLongLong();
    j.computerName = text(u"ComputerName"_s);
    for (int i = 0; i < 6; ++i) {
        j.service[size_t(i)] = text(u"Service%1"_s.arg(i + 1));
        j.restartService[size_t(i)] = boolOf(r.value(u"RestartService%1"_s.arg(i + 1)));
    }
    j.alwaysRestartThisService = text(u"AlwaysRestartThisService"_s);
    j.adminUserName = text(u"AdminUserName"_s);
    j.adminPassword = text(u"AdminPassword"_s);
    j.emailWhenDown = text(u"EmailWhenDown"_s);
    j.filePathToCheck = text(u"FilePathToCheck"_s);
    j.ageOfFile = text(u"AgeOfFile"_s);
    j.checkIfFileExistFolder = text(u"CheckIfFileExistFolder"_s);
    j.fileNameOfFileExist = text(u"FileNameOfFileExist"_s);
    j.fileExistEmailifThereOrNot = text(u"FileExistEmailifThereOrNot"_s);
    j.fileExistEmailHere = text(u"FileExistEmailHere"_s);
    j.checkIfDriveExistDriveLetter = text(u"CheckIfDriveExistDriveLetter"_s);
    j.checkIfDriveExistPCName = text(u"CheckIfDriveExistPCName"_s);
    j.checkIfDriveExistEmailIfIssue = text(u"CheckIfDriveExistEmailIfIssue"_s);
    j.disabled = boolOf(r.value(u"Disabled"_s));
    return j;
}

QVariantList jobValues(const JobRecord& j) {
    QVariantList v;
    v << j.computerName;
    for (const QString& s : j.service)
        v << s;
    for (bool b : j.restartService)
        v << (b ? 1 : 0);
    v << j.alwaysRestartThisService << j.adminUserName << j.adminPassword << j.emailWhenDown
      << j.filePathToCheck << j.ageOfFile << j.checkIfFileExistFolder << j.fileNameOfFileExist
      << j.fileExistEmailifThereOrNot << j.fileExistEmailHere << j.checkIfDriveExistDriveLetter
      << j.checkIfDriveExistPCName << j.checkIfDriveExistEmailIfIssue << (j.disabled ? 1 : 0);
    return v;
}

namespace {

DbResult<QList<JobRecord>> selectJobs(const QString& path, const QString& sql,
                                      const QVariantList& values = {}) {
    DbResult<QList<JobRecord>> result;
    DbSession session(path);
    QSqlQuery q(session.db());
    result.status = session.exec(q, sql, values);
    while (result.ok() && q.next())
        result.value.append(jobFromValues(q.record()));
    return result;
}

DbResult<int> countJobs(const QString& path, const QString& sql) {
    DbResult<int> result;
    DbSession session(path);
    QSqlQuery q(session.db());
    result.status = session.exec(q, sql);
    if (result.ok() && q.next())
        result.value = q.value(0).toInt();
    return result;
}

} // namespace

DbResult<QList<JobRecord>> JobTable::allByName() const {
    return selectJobs(m_path, u"SELECT * FROM Services ORDER BY ComputerName, ID"_s);
}

DbResult<QList<JobRecord>> JobTable::enabledByName() const {
    return selectJobs(m_path,
                      u"SELECT * FROM Services WHERE Disabled = False ORDER BY ComputerName, ID"_s);
}

DbResult<int> JobTable::countEnabled() const {
    return countJobs(m_path, u"SELECT COUNT(*) FROM Services WHERE Disabled = False"_s);
}

DbResult<int> JobTable::countAll() const {
    return countJobs(m_path, u"SELECT COUNT(*) FROM Services"_s);
}

DbResult<JobRecord> JobTable::enabledAt(int position) const {
    DbResult<JobRecord> result;
    if (position < 0) {
        result.status = DbStatus::failure(DbError::NoCurrentRecord);
        return result;
    }
    auto rows =
        selectJobs(m_path,
                   u"SELECT * FROM Services WHERE Disabled = False ORDER BY ComputerName, ID"
                   u" LIMIT 1 OFFSET ?"_s,
                   {position});
    result.status = rows.status;
    if (result.ok() && rows.value.isEmpty())
        result.status = DbStatus::failure(DbError::NoCurrentRecord);
    else if (result.ok())
        result.value = rows.value.first();
    return result;
}

DbResult<qint64> JobTable::insert(const JobRecord& job) const {
    DbResult<qint64> result;
    const QStringList columns = jobColumns().mid(1);
    QStringList marks;
    marks.fill(u"?"_s, columns.size());
    DbSession session(m_path);
    QSqlQuery q(session.db());
    result.status = session.exec(q,
                                 u"INSERT INTO Services ("_s + columns.join(u", "_s) +
                                     u") VALUES ("_s + marks.join(u", "_s) + u")"_s,
                                 jobValues(job));
    if (result.ok())
        result.value = q.lastInsertId().toLongLong();
    return result;
}
