#include "jobs/DriveLetterCheck.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

QString driveLetterCheckFile() {
    return QDir::tempPath() + u"/Drive-Letter-Check.txt"_s;
}

VbsRun fncRunVBSfile(LogicalDisks& disks, const QString& strPCName, const QString& file) {
    VbsRun run;
    const QByteArray name = QFile::encodeName(file);
    // Replaced, never reused: the new file is ours alone, even in a shared temporary folder.
    if (::unlink(name.constData()) != 0 && errno != ENOENT) {
        run.detail = u"cannot replace "_s + file + u": "_s + qt_error_string(errno);
        return run;
    }
    const int fd =
        ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        run.detail = u"cannot create "_s + file + u": "_s + qt_error_string(errno);
        return run;
    }
    const LogicalDiskList answer = disks.list(strPCName);
    run.detail = answer.detail;
    run.blDriveCheckFailed = answer.status == LogicalDiskList::Status::AccessRefused;
    run.fileWritten = answer.status != LogicalDiskList::Status::Found ||
                      writeAll(fd, answer.deviceIds.join(QString()).toLocal8Bit());
    if (!run.fileWritten)
        run.detail = u"cannot write "_s + file + u": "_s + qt_error_string(errno);
    if (::close(fd) != 0 && run.fileWritten) {
        run.fileWritten = false;
        run.detail = u"cannot write "_s + file + u": "_s + qt_error_string(errno);
    }
    return run;
}

std::optional<bool> fncReadVBSfile(const QString& file, const QString& letter) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QString text = QString::fromLocal8Bit(f.readAll());
    // Read field by field (commas and line ends separate them); the last one counts.
    static const QRegularExpression separators(u"[,\r\n]"_s);
    const QStringList fields = text.split(separators, Qt::SkipEmptyParts);
    const QString last = fields.isEmpty() ? QString() : fields.last();
    return last.contains(letter + u':', Qt::CaseInsensitive);
}

DriveCheck checkDriveLetter(LogicalDisks& disks, const QString& pcName, const QString& letter,
                            const QString& file) {
    using Result = DriveCheck::Result;
    const VbsRun run = fncRunVBSfile(disks, pcName, file);
    if (run.blDriveCheckFailed)
        return {Result::AccessRefused, run.detail};
    if (!run.fileWritten)
        return {Result::FileFailed, run.detail};
    const std::optional<bool> found = fncReadVBSfile(file, letter);
    if (!found)
        return {Result::FileFailed, u"cannot read back "_s + file};
    return {*found ? Result::Found : Result::NotThere, run.detail};
}
