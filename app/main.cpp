#include "app/AppContext.h"
#include "app/DatabaseTrap.h"
#include "app/Form1.h"
#include "app/Log.h"
#include "app/MessageBoxDialogs.h"
#include "app/SingleInstance.h"
#include "app/TrayIcon.h"
#include "platform/DesktopNotifier.h"
#include "storage/Database.h"

#include <QApplication>
#include <QDBusConnection>
#include <QIcon>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Korvane"_s);
    QApplication::setOrganizationName(u"Brackwater"_s);
    QApplication::setApplicationVersion(Form1::versionText());
    QApplication::setDesktopFileName(u"korvane"_s);
    QApplication::setWindowIcon(QIcon(TrayIcon::iconPath(u"korvane"_s)));
    Log::installFileLog(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));

    AppContext ctx(QApplication::applicationDirPath());
    ctx.setDialogs(std::make_unique<MessageBoxDialogs>());
    ctx.setNotifier(std::make_unique<DesktopNotifier>(QDBusConnection::sessionBus()));

    SingleInstanceGuard guard(QApplication::applicationFilePath());
    if (!guard.tryAcquire()) {
        ctx.dialogs().critical(
            SingleInstanceGuard::alreadyRunningTitle(),
            SingleInstanceGuard::alreadyRunningText(QApplication::applicationName()));
        return 1;
    }

    // The database is created with its default rows when there is none; a file that cannot
    // be used ends the program with its message.
    const DbStatus db = Schema::ensure(ctx.databasePath());
    if (!db.ok()) {
        if (databaseTrap(ctx, db, kStartupTrap) != TrapAction::EndProgram)
            fatalOnDatabaseError(ctx, db);
        return 1;
    }

    Form1 form(ctx);
    if (!form.Form_Load())
        return 1;
    return app.exec();
}
