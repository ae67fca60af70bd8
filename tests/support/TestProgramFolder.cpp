#include "TestProgramFolder.h"

#include "storage/Database.h"

#include <QSqlQuery>
#include <QSqlRecord>

TestProgramFolder::TestProgramFolder(bool createDatabase) : ctx(m_dir.path()) {
    auto dialogs = std::make_unique<RecordingDialogs>();
    m_dialogs = dialogs.get();
    ctx.setDialogs(std::move(dialogs));
    auto clock = std::make_unique<FakeClock>();
    m_clock = clock.get();
    ctx.setClock(std::move(clock));
    ctx.setEndProgramHandler([this](int code) { endedWith.append(code); });
    if (createDatabase) {
        const DbStatus status = Schema::create(ctx.databasePath());
        if (!status.ok())
            qFatal("cannot create the test database: %s", qPrintable(status.detail));
    }
}

qint64 TestProgramFolder::addDevice(const DeviceRecord& record) {
    const auto id = DeviceTable(databasePath()).insert(record);
    if (!id.ok())
        qFatal("cannot add a device: %s", qPrintable(id.status.detail));
    return id.value;
}

qint64 TestProgramFolder::addDevice(const QString& name, bool disabled) {
    DeviceRecord d;
    d.computerName = name;
    d.disabled = disabled;
    return addDevice(d);
}

void TestProgramFolder::execSql(const QString& sql, const QVariantList& values) {
    select(sql, values);
}

QStringList TestProgramFolder::select(const QString& sql, const QVariantList& values) {
    DbSession session(databasePath());
    QSqlQuery q(session.db());
    const DbStatus status = session.exec(q, sql, values);
    if (!status.ok())
        qFatal("SQL failed: %s: %s", qPrintable(sql), qPrintable(status.detail));
    QStringList rows;
    while (q.isSelect() && q.next()) {
        QStringList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << textOf(q.value(i));
        rows << row.join(u'|');
    }
    return rows;
}
