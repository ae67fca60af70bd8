#pragma once

#include "app/AppContext.h"
#include "app/Dialogs.h"
#include "storage/Database.h"

#include <QSqlQuery>
#include <QTemporaryDir>

// Benchmarks answer every message box at once, without showing it.
class SilentDialogs final : public Dialogs {
  public:
    DialogAnswer show(DialogIcon, DialogButtons, const QString&, const QString&) override {
        return DialogAnswer::Ok;
    }
};

// A fresh program folder with its own database for a benchmark.
struct BenchFolder {
    QTemporaryDir dir;
    AppContext ctx{dir.path()};

    BenchFolder() {
        ctx.setDialogs(std::make_unique<SilentDialogs>());
        Schema::create(ctx.databasePath());
    }

    // Adds `count` devices named device-00000 .. in a scrambled order, every tenth disabled,
    // in one transaction.
    void addDevices(int count) {
        DbSession s(ctx.databasePath());
        s.transaction();
        QSqlQuery q(s.db());
        q.prepare(QStringLiteral(
            "INSERT INTO ComputerPingList (ComputerName, EmailWhenDown, MaxAverage, Disabled,"
            " Status, ActionTaken) VALUES (?, 'ops@x.invalid', '', ?, 'Percentage Lost 0%',"
            " 'Ping OK - 5/12/2026-9:05 PM')"));
        for (int i = 0; i < count; ++i) {
            q.addBindValue(QStringLiteral("device-%1").arg((i * 7919) % count, 5, 10, QChar(u'0')));
            q.addBindValue(i % 10 == 0 ? 1 : 0);
            q.exec();
        }
        q.finish();
        s.commit();
    }
};
