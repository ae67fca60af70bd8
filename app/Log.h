#pragma once

#include <QLoggingCategory>
#include <QString>

// The program's log: one category per subsystem. A monitor never shows a box for a failed
// send or check; it writes one line here instead.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcDatabase)
Q_DECLARE_LOGGING_CATEGORY(lcPing)
Q_DECLARE_LOGGING_CATEGORY(lcJobs)
Q_DECLARE_LOGGING_CATEGORY(lcMail)

namespace Log {
// Sends every message to the log file as well as to standard error: korvane.log in the
// per-user data folder, one line per message with its time, level and category. The file
// is readable by its owner only and starts afresh (the old one kept as korvane.log.1) when it
// grows past a megabyte. Returns the file's path; empty when it could not be opened.
QString installFileLog(const QString& folder);
// Where installFileLog writes in a folder.
QString logFilePath(const QString& folder);
} // namespace Log
