#include "jobs/CheckPool.h"

namespace {
// One job runs at a time; the spare thread takes the read-back of a file-old alert.
constexpr int kBaseThreads = 2;
// Beyond this many hung calls the next ones queue (and time out in their turn) rather than
// start ever more threads.
constexpr int kMostHungCalls = 64;
} // namespace

CheckPool::CheckPool() {
    m_pool.setObjectName(QStringLiteral("JobChecks"));
    m_pool.setMaxThreadCount(kBaseThreads);
}

CheckPool& CheckPool::instance() {
    // Never destroyed: its destructor would wait for calls that may never return.
    static CheckPool* pool = new CheckPool;
    return *pool;
}

bool CheckPool::abandon(std::atomic<int>& call) {
    int expected = kRunning;
    if (!call.compare_exchange_strong(expected, kAbandoned))
        return false;
    if (m_hung.fetch_add(1) < kMostHungCalls)
        m_pool.setMaxThreadCount(m_pool.maxThreadCount() + 1);
    return true;
}

void CheckPool::finished(std::atomic<int>& call) {
    int expected = kRunning;
    if (call.compare_exchange_strong(expected, kFinished))
        return;
    if (m_hung.fetch_sub(1) <= kMostHungCalls)
        m_pool.setMaxThreadCount(m_pool.maxThreadCount() - 1);
}
