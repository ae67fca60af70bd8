#pragma once

#include <QCoroSignal>
#include <QCoroTask>
#include <QFutureWatcher>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// The job monitor's own worker threads for everything that touches a file system or asks a
// PC over the network. A call is awaited with a time limit; one that does not come back in
// time is left to finish on its worker (a hung network share cannot be interrupted) and the
// pool grows by one thread for as long as it hangs, so the next check never queues behind
// it. The pool is never torn down: closing a window or ending the program does not wait for
// a call that hangs.
class CheckPool {
  public:
    // The one pool of the job monitor (not the global pool, not the mail pool).
    static CheckPool& instance();

    // Runs `work` on a worker and waits for it without blocking the caller's thread; nothing
    // when it did not finish within `limit`.
    template <typename T>
    QCoro::Task<std::optional<T>> run(std::function<T()> work, std::chrono::milliseconds limit) {
        auto call = std::make_shared<std::atomic<int>>(kRunning);
        QFuture<T> future = QtConcurrent::run(&m_pool, [this, call, work = std::move(work)]() -> T {
            T result = work();
            finished(*call);
            return result;
        });
        QFutureWatcher<T> watcher;
        watcher.setFuture(future);
        if (!future.isFinished()) {
            auto waiting = qCoro(&watcher, &QFutureWatcherBase::finished, limit);
            const auto done = co_await waiting;
            if (!done.has_value() && abandon(*call))
                co_return std::nullopt;
        }
        future.waitForFinished(); // it has finished, or was just about to
        co_return future.result();
    }

    // Calls that did not come back in time and still hold a worker.
    int hungCalls() const { return m_hung.load(); }
    int maxThreadCount() const { return m_pool.maxThreadCount(); }
    // Workers busy with a call, hung or not.
    int activeThreadCount() const { return m_pool.activeThreadCount(); }

  private:
    CheckPool();
    enum { kRunning, kFinished, kAbandoned };
    // The caller gave up on a call: true when it was still running (it then holds its worker
    // and the pool grows by one), false when it had just finished.
    bool abandon(std::atomic<int>& call);
    // On the worker, when a call ends: an abandoned call gives its extra thread back.
    void finished(std::atomic<int>& call);

    QThreadPool m_pool;
    std::atomic<int> m_hung{0};
};
