#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

// Measures how long the event loop of the calling thread went without a turn: a 1 ms timer
// records the longest gap between two of its ticks between start() and stop().
class EventLoopGapMeter {
  public:
    EventLoopGapMeter() {
        m_ticker.setInterval(1);
        m_ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_ticker, &QTimer::timeout, &m_ticker, [this] { tick(); });
    }

    void start() {
        m_longest = 0;
        m_last = 0;
        m_clock.start();
        m_ticker.start();
    }

    // Stops measuring and returns the longest gap in milliseconds.
    double stop() {
        m_ticker.stop();
        tick();
        return double(m_longest) / 1e6;
    }

  private:
    void tick() {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }

    QElapsedTimer m_clock;
    QTimer m_ticker;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};
