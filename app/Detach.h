#pragma once

#include "app/Log.h"

#include <QCoroTask>
#include <QLoggingCategory>
#include <QString>

#include <exception>
#include <functional>
#include <utility>

// Starts a coroutine that nobody awaits (a timer's tick, a button's click) and watches it to
// its end. An error that escapes it is written to the log with `what`, and `recover` runs so
// its owner is left in a sound state (a cycle arms its timer again). Every coroutine the
// program starts without a caller goes through here; none is dropped on its own.
namespace detail {
template <typename T>
QCoro::Task<void> watch(QCoro::Task<T> task, QString what, std::function<void()> recover,
                        const QLoggingCategory& (*category)()) {
    QString error;
    try {
        co_await std::move(task);
        co_return;
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    } catch (...) {
        error = QStringLiteral("an unknown error");
    }
    qCWarning(category) << what << "ended with an error:" << error;
    if (recover)
        recover();
}
} // namespace detail

template <typename T>
void detach(QCoro::Task<T> task, QString what, std::function<void()> recover = {},
            const QLoggingCategory& (*category)() = &lcApp) {
    // The watcher runs eagerly up to its first await and then keeps itself alive until the
    // task has ended; the returned handle is not needed.
    (void)detail::watch(std::move(task), std::move(what), std::move(recover), category);
}
