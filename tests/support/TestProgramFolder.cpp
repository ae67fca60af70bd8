#include "TestProgramFolder.h"

#include "storage/Database.h"

#include <QSqlQuery>
#include <QSqlRecord>

using namespace Qt::Literals::StringLiterals;

QStringList sqlRows(const QString& db, const QString& sql, const QVariantList& values) {
    DbSession session(db);
    QSqlQuery q(session.db());
    if (const DbStatus status = session.exec(q, sql, values); !status.ok())
        return {u"<failed: "_s + status.detail + u'>'};
    QStringList rows;
    while (q.isSelect() && q.next()) {
        QStringList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << textOf(q.value(i));
        rows << row.join(u'|');
    }
    return rows;
}

QStringList quotedRows(const QString& db, const QString& table, QStringList columns) {
    if (columns.isEmpty())
        columns = sqlRows(db, u"SELECT name FROM pragma_table_info(?)"_s, {table});
    return sqlRows(
        db, u"SELECT quote(%1) FROM %2 ORDER BY ID"_s.arg(columns.join(u"), quote("_s), table));
}

TestProgramFolder::TestProgramFolder(bool createDatabase) : ctx(m_dir.path()) {
    ctx.setDialogs(std::unique_ptr<RecordingDialogs>(m_dialogs));
    ctx.setClock(std::unique_ptr<FakeClock>(m_clock));
    ctx.setEndProgramHandler([this](int code) { endedWith.append(code); });
    if (const DbStatus made = createDatabase ? Schema::create(databasePath()) : DbStatus();
        !made.ok())
        qFatal("cannot create the test database: %s", qPrintable(made.detail));
}

qint64 TestProgramFolder::addDevice(const DeviceRecord& record) {
    const auto id = DeviceTable(databasePath()).insert(record);
    if (!id.ok())
        qFatal("cannot add a device: %s", qPrintable(id.status.detail));
    return id.value;
}

void TestProgramFolder::execSql(const QString& sql, const QVariantList& values) {
    if (const QString failed = select(sql, values).value(0); failed.startsWith(u"<failed: "_s))
        qFatal("SQL failed: %s: %s", qPrintable(sql), qPrintable(failed));
}

void TestProgramFolder::mailTo(quint16 port, const QString& user, const QString& password) {
    execSql(u"UPDATE SMTPsettings SET ServerName = '127.0.0.1', SMTPport = ?, SMTPusername = ?,"
            " SMTPpassword = ?, FromEmail = 'korvane@site.invalid', FromName = 'Korvane'"_s,
            {QString::number(port), user, password});
    ctx.values().fncGetSMTPsettings(databasePath());
}
