#pragma once

#include "storage/Database.h"

class AppContext;

// Which outcomes a routine's database error trap handles itself.
enum class TrapFlag : unsigned {
    WrongPassword = 1u << 0,
    BadDatabase = 1u << 1,
    FileNotFound = 1u << 2,
    NoCurrentRecord = 1u << 3,
};
constexpr unsigned operator|(TrapFlag a, TrapFlag b) {
    return unsigned(a) | unsigned(b);
}
constexpr unsigned operator|(unsigned a, TrapFlag b) {
    return a | unsigned(b);
}

// The usual trap of the routines that read the device list.
constexpr unsigned kListTrap =
    TrapFlag::WrongPassword | TrapFlag::BadDatabase | TrapFlag::NoCurrentRecord;
// The trap of start-up: every way the file can be unusable.
constexpr unsigned kStartupTrap = kListTrap | TrapFlag::FileNotFound;

// What the routine does after its trap has run.
enum class TrapAction {
    Continue,     // nothing went wrong, or no current record: go on with the next statement
    LeaveRoutine, // leave the routine silently
    EndProgram,   // the message has been shown and the program is ending
};

// The database error trap: shows the outcome's message with the critical icon and ends the
// program for a wrong password, an unusable file or a missing/locked file (when trapped),
// continues after "no current record" (when trapped), and leaves the routine otherwise.
TrapAction databaseTrap(AppContext& ctx, const DbStatus& status, unsigned trapped);

// For routines without a trap of their own: a generic message naming the failure, then the
// program ends. Returns true when there was a failure.
bool fatalOnDatabaseError(AppContext& ctx, const DbStatus& status);

namespace TrapTexts {
QString wrongPasswordTitle();
QString wrongPasswordText();
QString badDatabaseTitle();
QString badDatabaseText();
QString fileNotFoundTitle();
QString fileNotFoundText();
QString genericTitle();
QString genericText(const QString& detail);
} // namespace TrapTexts
