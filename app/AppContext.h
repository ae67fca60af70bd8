#pragma once

#include "app/Clock.h"
#include "app/CmdOutput.h"
#include "app/Dialogs.h"
#include "app/Notifier.h"
#include "app/PublicValues.h"
#include "storage/DbRetry.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

// What every window and cycle needs from its surroundings: the program folder and its
// database, the shared public values, the clock, the message boxes, the command runner and the
// way the program ends.
// main() builds the real one; a test builds one over a fresh folder with stand-ins.
class AppContext {
  public:
    // The database is "HalvardDB.mdb" in the program folder, or in the per-user data folder
    // when the program folder cannot be written (see resolveDatabasePath).
    explicit AppContext(QString programFolder);
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    const QString& programFolder() const { return m_programFolder; }
    const QString& databasePath() const { return m_databasePath; }
    void setDatabasePath(QString path) { m_databasePath = std::move(path); }

    Clock& clock() { return *m_clock; }
    void setClock(std::unique_ptr<Clock> clock) { m_clock = std::move(clock); }

    Dialogs& dialogs() { return *m_dialogs; }
    void setDialogs(std::unique_ptr<Dialogs> dialogs) { m_dialogs = std::move(dialogs); }

    // The values the windows and the monitors share (mail settings, running flags).
    PublicValues& values() { return m_values; }

    // The desktop notifications of the alerts (on unless the settings say otherwise).
    Notifier& notifier() { return *m_notifier; }
    void setNotifier(std::unique_ptr<Notifier> notifier) { m_notifier = std::move(notifier); }
    bool desktopNotifications() const { return m_desktopNotifications; }
    void setDesktopNotifications(bool on) { m_desktopNotifications = on; }

    CommandRunner& runner() { return *m_runner; }
    void setRunner(std::unique_ptr<CommandRunner> runner) { m_runner = std::move(runner); }

    // How long a monitor rides out a database that another program holds locked before the
    // failure counts (a test shortens it).
    std::chrono::milliseconds lockedRetryLimit() const { return m_lockedRetryLimit; }
    void setLockedRetryLimit(std::chrono::milliseconds limit) { m_lockedRetryLimit = limit; }

    // A monitor timer's step as the timers are armed with. The product keeps its steps (minutes
    // for the countdowns); only a test run shortens them: KORVANE_TEST_TICK_DIVISOR, read once
    // here, divides every step (at least 1 ms). Ignored unless set to a whole number above 1.
    std::chrono::milliseconds tick(std::chrono::milliseconds step) const;
    int tickDivisor() const { return m_tickDivisor; }
    void setTickDivisor(int divisor) { m_tickDivisor = divisor > 1 ? divisor : 1; }

    // Ends the program with the exit code (after its message has been shown). The real
    // handler ends the process at once; a test installs one that records the call.
    void endProgram(int exitCode);
    // endProgram has been called: nothing may run anymore.
    bool ended() const { return m_ended; }
    void setEndProgramHandler(std::function<void(int)> handler) {
        m_endProgram = std::move(handler);
    }

    // The file name of the database, fixed by the program.
    static QString databaseFileName() { return QStringLiteral("HalvardDB.mdb"); }
    // HalvardDB.mdb in the program folder when it exists there or the folder is writable,
    // otherwise in the per-user application data folder. An installed program (its folder holds
    // the installed mark) always uses the data folder.
    static QString resolveDatabasePath(const QString& programFolder);
    // The file the Debian package puts into the program folder to mark it as installed.
    static QString installedMarkName() { return QStringLiteral("installed-by-package"); }

  private:
    QString m_programFolder;
    QString m_databasePath;
    std::unique_ptr<Clock> m_clock;
    std::unique_ptr<Dialogs> m_dialogs;
    std::unique_ptr<CommandRunner> m_runner;
    std::unique_ptr<Notifier> m_notifier;
    std::function<void(int)> m_endProgram;
    PublicValues m_values;
    std::chrono::milliseconds m_lockedRetryLimit = kLockedRetryLimit;
    bool m_desktopNotifications = true;
    int m_tickDivisor = 1;
    bool m_ended = false;
};
