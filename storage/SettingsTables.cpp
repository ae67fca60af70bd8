#include "storage/SettingsTables.h"

#include <QSqlQuery>

using namespace Qt::Literals::StringLiterals;

namespace {

// Runs an UPDATE of the first row (lowest rowid) of a one-row table inside a transaction.
DbStatus updateFirstRow(const QString& path, const QString& table, const QString& assignments,
                        const QVariantList& values)
{
    DbSession session(path);
    DbStatus status = session.transaction();
    if (!status.ok())
        return status;
    QSqlQuery q(session.db());
    status = session.exec(q, u"UPDATE "_s + table + u" SET "_s + assignments +
                                 u" WHERE rowid = (SELECT MIN(rowid) FROM "_s + table + u")"_s,
                          values);
    if (status.ok() && q.numRowsAffected() < 1)
        status = DbStatus::failure(DbError::NoCurrentRecord, u"the %1 row is missing"_s.arg(table));
    q.finish();
    if (status.ok())
        status = session.commit();
    if (!status.ok())
        session.rollback();
    return status;
}

}  // namespace

int leadingWholeNumber(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    qsizetype start = i;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+'))
        ++i;
    while (i < text.size() && text.at(i).isDigit() && i - start < 10)
        ++i;
    bool ok = false;
    const int value = text.mid(start, i - start).toInt(&ok);
    return ok ? value : 0;
}

DbResult<SettingsRow> SettingsTable::read() const
{
    DbResult<SettingsRow> result;
    DbSession session(m_path);
    QSqlQuery q(session.db());
    result.status = session.exec(q, u"SELECT PingTimerSeconds, ServicesTimerSeconds, AutoStartPinger,"
                                    u" AutoStartServices FROM Settings ORDER BY rowid LIMIT 1"_s);
    if (!result.ok())
        return result;
    if (!q.next()) {
        result.status = DbStatus::failure(DbError::NoCurrentRecord, u"the Settings row is missing"_s);
        return result;
    }
    result.value.pingTimerSeconds = textOf(q.value(0));
    result.value.servicesTimerSeconds = textOf(q.value(1));
    result.value.autoStartPinger = boolOf(q.value(2));
    result.value.autoStartServices = boolOf(q.value(3));
    return result;
}

DbStatus SettingsTable::write(int pingTimerMinutes, int servicesTimerMinutes, bool autoStartPinger,
                              bool autoStartServices) const
{
    return updateFirstRow(m_path, u"Settings"_s,
                          u"PingTimerSeconds = ?, ServicesTimerSeconds = ?, AutoStartPinger = ?,"
                          u" AutoStartServices = ?"_s,
                          {pingTimerMinutes, servicesTimerMinutes, autoStartPinger ? 1 : 0,
                           autoStartServices ? 1 : 0});
}

DbResult<SmtpSettingsRow> SmtpSettingsTable::read() const
{
    DbResult<SmtpSettingsRow> result;
    DbSession session(m_path);
    QSqlQuery q(session.db());
    result.status = session.exec(q, u"SELECT ServerName, SMTPusername, SMTPpassword, FromEmail, FromName,"
                                    u" Subject, SMTPport FROM SMTPsettings ORDER BY rowid LIMIT 1"_s);
    if (!result.ok())
        return result;
    if (!q.next()) {
        result.status = DbStatus::failure(DbError::NoCurrentRecord, u"the SMTPsettings row is missing"_s);
        return result;
    }
    SmtpSettingsRow& r = result.value;
    r.serverName = textOf(q.value(0));
    r.smtpUserName = textOf(q.value(1));
    r.smtpPassword = textOf(q.value(2));
    r.fromEmail = textOf(q.value(3));
    r.fromName = textOf(q.value(4));
    r.subject = textOf(q.value(5));
    r.smtpPort = textOf(q.value(6));
    return result;
}

DbStatus SmtpSettingsTable::write(const SmtpSettingsRow& r) const
{
    return updateFirstRow(m_path, u"SMTPsettings"_s,
                          u"ServerName = ?, SMTPusername = ?, SMTPpassword = ?, FromEmail = ?,"
                          u" FromName = ?, SMTPport = ?"_s,
                          {r.serverName, r.smtpUserName, r.smtpPassword, r.fromEmail, r.fromName,
                           r.smtpPort});
}
