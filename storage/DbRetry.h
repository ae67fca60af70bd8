#pragma once

#include "storage/Database.h"

#include <QCoroTask>

#include <chrono>
#include <functional>

// How long a monitor rides out a database that another program holds locked (a backup, an
// SQLite tool) before the failure counts.
inline constexpr std::chrono::milliseconds kLockedRetryLimit = std::chrono::seconds(30);

// What a status that stayed locked past the limit says in the program's messages.
QString lockedDatabaseDetail();

// Runs `attempt` until it ends in anything but a locked file, or until `limit` has passed;
// returns the last status (a lock that outlasted the limit with lockedDatabaseDetail()).
// Between two tries the caller's event loop keeps running (the wait is awaited, never slept on
// the window's thread); the first retry and a lock that outlasted the limit are logged.
QCoro::Task<DbStatus> retryWhileLocked(std::function<DbStatus()> attempt,
                                       std::chrono::milliseconds limit = kLockedRetryLimit);
// The same for an attempt that is itself awaited (one that runs on another thread).
QCoro::Task<DbStatus> retryWhileLocked(std::function<QCoro::Task<DbStatus>()> attempt,
                                       std::chrono::milliseconds limit = kLockedRetryLimit);
