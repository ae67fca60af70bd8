#pragma once

#include "app/Clock.h"

// A clock that shows the time the test sets.
struct FakeClock final : Clock {
    explicit FakeClock(QDateTime t = QDateTime(QDate(2026, 5, 12), QTime(21, 5))) : time(t) {}
    QDateTime now() const override { return time; }
    QDateTime time;
};
