#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// The previous-instance test: one lock file per executable in the user's runtime folder.
// The lock is held for the life of the guard and released when the process ends, even by a
// crash (a stale lock of a dead process is taken over).
class SingleInstanceGuard {
  public:
    explicit SingleInstanceGuard(const QString& executablePath);
    // True when no other instance of this executable holds the lock; it is now ours.
    bool tryAcquire();
    QString lockPath() const { return m_path; }

    static QString alreadyRunningTitle();
    static QString alreadyRunningText(const QString& programTitle);

  private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
