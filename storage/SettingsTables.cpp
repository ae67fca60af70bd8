#include "storage/SettingsTables.h"

#include <QSqlQuery>

using namespace Qt::Literals::StringLiterals;

namespace {

// Runs an UPDATE of the first row (lowest rowid) of a one-row table inside a transaction.
DbStatus updateFirstRow(const QString& path, const QString& table, const QString& assignments,
                        const QVariantList& values) {
    DbSession session(path);
    DbStatus status = session.transaction();
    if (!status.ok())
        return status;
    QSqlQuery q(session.db());
    status = session.exec(q,
                          u"UPDATE "_s + table + u" SET "_s + assignments +
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

// Reads the first row of a one-row table with sql and hands it to fill.
template <typename Row, typename Fill>
DbResult<Row> readFirstRow(const QString& path, const QString& table, const QString& sql,
                           Fill fill) {
    DbResult<Row> result;
    DbSession session(path);
    QSqlQuery q(session.db());
    result.status = session.exec(q, sql);
    if (!result.ok())
        return result;
    if (!q.next()) {
        result.status =
            DbStatus::failure(DbError::NoCurrentRecord, u"the %1 row is missing"_s.arg(table));
        return result;
    }
    fill(q, result.value);
    return result;
}

} // namespace

int leadingWholeNumber(const QString& text) {
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

std::optional<int> intervalMinutes(const QString& stored) {
    const QString text = stored.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const int minutes = text.toInt(&ok);
    if (!ok || minutes < 1 || minutes > 32767)
        return std::nullopt;
    return minutes;
}

DbResult<SettingsRow> SettingsTable::read() const {
    return readFirstRow<SettingsRow>(
        m_path, u"Settings"_s,
        u"SELECT PingTimerSeconds, ServicesTimerSeconds, AutoStartPinger, AutoStartServices,"
        u" DesktopNotifications FROM Settings ORDER BY rowid LIMIT 1"_s,
        [](const QSqlQuery& q, SettingsRow& r) {
            r.pingTimerSeconds = textOf(q.value(0));
            r.servicesTimerSeconds = textOf(q.value(1));
            r.autoStartPinger = boolOf(q.value(2));
            r.autoStartServices = boolOf(q.value(3));
            r.desktopNotifications = boolOf(q.value(4));
        });
}

DbStatus SettingsTable::write(int pingTimerMinutes, int servicesTimerMinutes, bool autoStartPinger,
                              bool autoStartServices, bool desktopNotifications) const {
    return updateFirstRow(m_path, u"Settings"_s,
                          u"PingTimerSeconds = ?, ServicesTimerSeconds = ?, AutoStartPinger = ?,"
                          u" AutoStartServices = ?, DesktopNotifications = ?"_s,
                          {pingTimerMinutes, servicesTimerMinutes, autoStartPinger ? 1 : 0,
                           autoStartServices ? 1 : 0, desktopNotifications ? 1 : 0});
}

DbResult<SmtpSettingsRow> SmtpSettingsTable::read() const {
    return readFirstRow<SmtpSettingsRow>(
        m_path, u"SMTPsettings"_s,
        u"SELECT ServerName, SMTPusername, SMTPpassword, FromEmail, FromName, Subject, SMTPport"
        u" FROM SMTPsettings ORDER BY rowid LIMIT 1"_s,
        [](const QSqlQuery& q, SmtpSettingsRow& r) {
            r.serverName = textOf(q.value(0));
            r.smtpUserName = textOf(q.value(1));
            r.smtpPassword = textOf(q.value(2));
            r.fromEmail = textOf(q.value(3));
            r.fromName = textOf(q.value(4));
            r.subject = textOf(q.value(5));
            r.smtpPort = textOf(q.value(6));
        });
}

DbStatus SmtpSettingsTable::write(const SmtpSettingsRow& r) const {
    return updateFirstRow(
        m_path, u"SMTPsettings"_s,
        u"ServerName = ?, SMTPusername = ?, SMTPpassword = ?, FromEmail = ?,"
        u" FromName = ?, SMTPport = ?"_s,
        {r.serverName, r.smtpUserName, r.smtpPassword, r.fromEmail, r.fromName, r.smtpPort});
}
