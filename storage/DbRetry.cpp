#include "storage/DbRetry.h"

#include "app/Log.h"

#include <QCoroTimer>

using namespace std::chrono_literals;

QCoro::Task<DbStatus> retryWhileLocked(std::function<DbStatus()> attempt,
                                       std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::chrono::milliseconds pause = 50ms;
    bool logged = false;
    for (;;) {
        DbStatus status = attempt();
        if (!status.locked || std::chrono::steady_clock::now() >= deadline)
            co_return status;
        if (!logged) {
            logged = true;
            qCInfo(lcDatabase).noquote()
                << "the database is locked by another program; trying again for up to"
                << std::chrono::duration_cast<std::chrono::seconds>(limit).count() << "s";
        }
        co_await QCoro::sleepFor(pause);
        pause = std::min<std::chrono::milliseconds>(pause * 2, 1s);
    }
}
