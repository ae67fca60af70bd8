#pragma once

#include <QDateTime>

// "Now" comes from here, so time-dependent texts and limits can be tested at chosen times.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
  public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
