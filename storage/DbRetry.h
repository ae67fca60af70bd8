#pragma once

#include "storage/Database.h"

#include <QCoroTask>

#include <chrono>
#include <functional>

// How long a monitor rides out a database that another program holds locked (a backup, an
// SQLite tool) before the failure counts.
inline constexpr std::chrono::milliseconds kLockedRetryLimit = std::chrono::seconds(30);

// Runs `attempt` until it ends in anything but a locked file, or until `limit` has passed;
// returns the last status. Between two tries the caller's event loop keeps running (the wait is
// awaited, never slept on the window's thread), and every try after the first is logged once.
QCoro::Task<DbStatus> retryWhileLocked(std::function<DbStatus()> attempt,
                                       std::chrono::milliseconds limit = kLockedRetryLimit);
