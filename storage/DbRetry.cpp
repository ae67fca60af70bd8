#include "storage/DbRetry.h"

#include "app/Log.h"

#include <QCoroTimer>

using namespace std::chrono_literals;
using namespace Qt::Literals::StringLiterals;

QString lockedDatabaseDetail() {
    return u"the database is locked by another program"_s;
}

QCoro::Task<DbStatus> retryWhileLocked(std::function<DbStatus()> attempt,
                                       std::chrono::milliseconds limit) {
    // An attempt that ends at once: the retry completes without waiting when nothing is locked.
    std::function<QCoro::Task<DbStatus>()> awaited = [attempt]() -> QCoro::Task<DbStatus> {
        co_return attempt();
    };
    auto retrying = retryWhileLocked(std::move(awaited), limit);
    co_return co_await retrying;
}

QCoro::Task<DbStatus> retryWhileLocked(std::function<QCoro::Task<DbStatus>()> attempt,
                                       std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::chrono::milliseconds pause = 50ms;
    bool logged = false;
    for (;;) {
        auto trying = attempt();
        DbStatus status = co_await trying;
        if (!status.locked)
            co_return status;
        if (std::chrono::steady_clock::now() >= deadline) {
            qCWarning(lcDatabase).noquote()
                << "the database stayed locked by another program; giving up:" << status.detail;
            status.detail = lockedDatabaseDetail();
            co_return status;
        }
        if (!logged) {
            logged = true;
            qCInfo(lcDatabase).noquote()
                << "the database is locked by another program; trying again for up to"
                << std::chrono::duration_cast<std::chrono::milliseconds>(limit).count() << "ms";
        }
        co_await QCoro::sleepFor(pause);
        pause = std::min<std::chrono::milliseconds>(pause * 2, 1s);
    }
}
