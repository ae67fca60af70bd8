#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

SingleInstanceGuard::SingleInstanceGuard(const QString& executablePath) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QByteArray key = QCryptographicHash::hash(
        QFileInfo(executablePath).absoluteFilePath().toUtf8(), QCryptographicHash::Sha1);
    m_path =
        QDir(folder).filePath(u"korvane-%1.lock"_s.arg(QString::fromLatin1(key.toHex().left(16))));
}

bool SingleInstanceGuard::tryAcquire() {
    m_lock = std::make_unique<QLockFile>(m_path);
    m_lock->setStaleLockTime(0); // only a lock whose process is gone is stale
    return m_lock->tryLock(0);
}

QString SingleInstanceGuard::alreadyRunningTitle() {
    return u"Ending....."_s;
}

QString SingleInstanceGuard::alreadyRunningText(const QString& programTitle) {
    return programTitle +
           u" is Already running! If not already running wait a moment after closing."_s;
}
