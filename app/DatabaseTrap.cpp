#include "app/DatabaseTrap.h"

#include "app/AppContext.h"

using namespace Qt::Literals::StringLiterals;

namespace TrapTexts {
QString wrongPasswordTitle() {
    return u"Wrong Password"_s;
}
QString wrongPasswordText() {
    return u"You entered an incorrect password. This application will now close."_s;
}
QString badDatabaseTitle() {
    return u"Error"_s;
}
QString badDatabaseText() {
    return u"A database error or password error with the database has been detected."_s;
}
QString fileNotFoundTitle() {
    return u"Database File Not Found"_s;
}
QString fileNotFoundText() {
    return u"Database File not found, or is currently opened with another process. Contact your computer administrator"_s;
}
QString genericTitle() {
    return u"Database Error"_s;
}
QString genericText(const QString& detail) {
    return u"The monitoring database could not be read or written (%1). This application will now close."_s
        .arg(detail.isEmpty() ? u"unknown error"_s : detail);
}
} // namespace TrapTexts

namespace {
bool traps(unsigned trapped, TrapFlag flag) {
    return (trapped & unsigned(flag)) != 0;
}

TrapAction endWith(AppContext& ctx, const QString& title, const QString& text) {
    ctx.dialogs().critical(title, text);
    ctx.endProgram(1);
    return TrapAction::EndProgram;
}
} // namespace

TrapAction databaseTrap(AppContext& ctx, const DbStatus& status, unsigned trapped) {
    using namespace TrapTexts;
    switch (status.error) {
    case DbError::None:
        return TrapAction::Continue;
    case DbError::WrongPassword:
        if (traps(trapped, TrapFlag::WrongPassword))
            return endWith(ctx, wrongPasswordTitle(), wrongPasswordText());
        break;
    case DbError::BadDatabase:
        if (traps(trapped, TrapFlag::BadDatabase))
            return endWith(ctx, badDatabaseTitle(), badDatabaseText());
        break;
    case DbError::FileNotFound:
        if (traps(trapped, TrapFlag::FileNotFound))
            return endWith(ctx, fileNotFoundTitle(), fileNotFoundText());
        break;
    case DbError::NoCurrentRecord:
        if (traps(trapped, TrapFlag::NoCurrentRecord))
            return TrapAction::Continue;
        break;
    case DbError::Other:
        break;
    }
    return TrapAction::LeaveRoutine;
}

bool fatalOnDatabaseError(AppContext& ctx, const DbStatus& status) {
    if (status.ok())
        return false;
    endWith(ctx, TrapTexts::genericTitle(), TrapTexts::genericText(status.detail));
    return true;
}
