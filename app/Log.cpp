#include "app/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>

#include <cstdio>

Q_LOGGING_CATEGORY(lcApp, "korvane.app")
Q_LOGGING_CATEGORY(lcDatabase, "korvane.database")
Q_LOGGING_CATEGORY(lcPing, "korvane.ping")
Q_LOGGING_CATEGORY(lcJobs, "korvane.jobs")
Q_LOGGING_CATEGORY(lcMail, "korvane.mail")

namespace {

constexpr qint64 kRotateBytes = 1024 * 1024;

QMutex g_mutex;
QFile* g_file = nullptr;
QtMessageHandler g_previous = nullptr;
bool g_installed = false;

const char* levelName(QtMsgType type) {
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "?";
}

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

void rotateIfLarge(QFile& file) {
    if (file.size() < kRotateBytes)
        return;
    const QString path = file.fileName();
    file.close();
    QFile::remove(path + QStringLiteral(".1"));
    QFile::rename(path, path + QStringLiteral(".1"));
    file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text, kOwnerOnly);
}

void writeToFile(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    {
        QMutexLocker lock(&g_mutex);
        if (g_file && g_file->isOpen()) {
            // One line per message, whatever the message holds.
            QString text = message;
            text.replace(QLatin1Char('\r'), QLatin1Char(' '))
                .replace(QLatin1Char('\n'), QLatin1Char(' '));
            const QByteArray line =
                QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' ' +
                levelName(type) + ' ' + (context.category ? context.category : "default") + ": " +
                text.toUtf8() + '\n';
            g_file->write(line);
            g_file->flush();
            rotateIfLarge(*g_file);
        }
    }
    if (g_previous) {
        g_previous(type, context, message);
    } else {
        const QByteArray text = qFormatLogMessage(type, context, message).toLocal8Bit() + '\n';
        std::fputs(text.constData(), stderr);
    }
}

} // namespace

namespace Log {

QString logFilePath(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("korvane.log"));
}

QString installFileLog(const QString& folder) {
    QDir().mkpath(folder);
    const QString path = logFilePath(folder);
    QMutexLocker lock(&g_mutex);
    if (!g_file)
        g_file = new QFile(path);
    // Created readable by its owner only; a file left by an older version is made so too.
    if (!g_file->isOpen() &&
        !g_file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text, kOwnerOnly))
        return {};
    g_file->setPermissions(kOwnerOnly);
    if (!g_installed) {
        g_installed = true;
        g_previous = qInstallMessageHandler(&writeToFile);
    }
    return path;
}

} // namespace Log
