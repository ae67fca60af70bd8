#pragma once

#include <QDateTime>
#include <QFile>
#include <QStringList>

// A file's content, empty when it cannot be read; its lines, the empty ones left out.
inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
inline QStringList readLines(const QString& path) {
    return QString::fromUtf8(readFile(path)).split(u'\n', Qt::SkipEmptyParts);
}
// A file, last modified at the given time when there is one; a failure ends the test program.
inline void writeFile(const QString& path, const QDateTime& modified = {},
                      const QByteArray& text = {}) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size() ||
        (modified.isValid() && !f.setFileTime(modified, QFileDevice::FileModificationTime)))
        qFatal("cannot write %s", qPrintable(path));
}
// A program only its owner can read, write and run.
inline void writeScript(const QString& path, const QString& text) {
    writeFile(path, {}, text.toUtf8());
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
// What the job monitor says of a PC its service tool cannot reach.
inline QString pcNotFoundText(const QString& pc) {
    return QStringLiteral("PC named (%1) was not found on the network, or the user name/password "
                          "doesn't have admin rights on the PC, or the PC is on a different "
                          "WorkGroup/Domain, or one of the services is not spelled correctly, or "
                          "the service doesn't exist on the PC. Preparing for the next PC....")
        .arg(pc);
}
