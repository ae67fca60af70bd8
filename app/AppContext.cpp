#include "app/AppContext.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cstdlib>

AppContext::AppContext(QString programFolder)
    : m_programFolder(std::move(programFolder)),
      m_databasePath(resolveDatabasePath(m_programFolder)),
      m_clock(std::make_unique<SystemClock>()), m_runner(std::make_unique<ProcessCommandRunner>()),
      m_notifier(std::make_unique<SilentNotifier>()),
      m_endProgram([](int code) { std::exit(code); }) {
    // For tests only: shortens every monitor timer step (see tick()).
    bool numeric = false;
    const int divisor = qEnvironmentVariableIntValue("KORVANE_TEST_TICK_DIVISOR", &numeric);
    setTickDivisor(numeric ? divisor : 1);
}

AppContext::~AppContext() = default;

std::chrono::milliseconds AppContext::tick(std::chrono::milliseconds step) const {
    return std::max(step / m_tickDivisor, std::chrono::milliseconds(1));
}

void AppContext::endProgram(int exitCode) {
    m_ended = true;
    m_endProgram(exitCode);
}

QString AppContext::resolveDatabasePath(const QString& programFolder) {
    const QString beside = QDir(programFolder).filePath(databaseFileName());
    // An installed program keeps each user's database with the user's data, even for a user
    // who could write to the program folder (root). A portable copy keeps it beside itself.
    const bool installed = QFileInfo::exists(QDir(programFolder).filePath(installedMarkName()));
    if (!installed && (QFileInfo::exists(beside) || QFileInfo(programFolder).isWritable()))
        return beside;
    // A program folder that is not writable, or an installed one: the user's data folder.
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dataFolder);
    return QDir(dataFolder).filePath(databaseFileName());
}
