#include "jobs/FileChecks.h"

#include "storage/JobTable.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Ages of files, in days, are taken within a million years either way.
constexpr double kMostDays = 365.25e6;

// The days and the label of each tabled AgeOfFile, in the order of ageOfFileTexts().
struct Criterion {
    int days;
    QString label;
};
const std::array<Criterion, 4>& criteria() {
    static const std::array<Criterion, 4> table = {
        Criterion{0, u"1 Hour"_s}, Criterion{1, u"1 Day"_s}, Criterion{7, u"7 Days"_s},
        Criterion{30, u"30 Days"_s}};
    return table;
}

QByteArray nativeName(const QString& path) {
    return QFile::encodeName(path);
}

// The folder part of a native path ("/" for a file at the root, "." for a bare name).
QString folderOf(const QString& native) {
    const qsizetype slash = native.lastIndexOf(u'/');
    if (slash < 0)
        return u"."_s;
    return slash == 0 ? u"/"_s : native.left(slash);
}

// What a missing path means, told by its folder.
FileProblem missingPathProblem(const QString& native, QString& detail) {
    struct stat st {};
    if (::stat(nativeName(folderOf(native)).constData(), &st) == 0)
        return S_ISDIR(st.st_mode) ? FileProblem::FileNotFound : FileProblem::PathNotFound;
    const int err = errno;
    if (err == ENOENT || err == ENOTDIR)
        return FileProblem::PathNotFound;
    detail = qt_error_string(err);
    return FileProblem::BadFileName;
}

bool sameLetter(QChar a, QChar b) {
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

bool globMatches(QStringView pattern, QStringView name) {
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype star = -1;
    qsizetype resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || sameLetter(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

bool isOrdinaryFile(DIR* dir, const dirent* entry) {
    if (entry->d_type == DT_REG)
        return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return false;
    struct stat st {};
    return ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
}

} // namespace

QString typedPathToNative(const QString& typed) {
    QString native = typed;
    native.replace(u'\\', u'/');
    return native;
}

FileTimeReading readFileTime(const QString& path) {
    FileTimeReading reading;
    const QString native = typedPathToNative(path);
    const QByteArray name = nativeName(native);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        const int err = errno;
        reading.detail = qt_error_string(err);
        if (err == ENOENT)
            reading.problem = missingPathProblem(native, reading.detail);
        else
            reading.problem = err == ENOTDIR ? FileProblem::PathNotFound : FileProblem::BadFileName;
        return reading;
    }
    // A file the monitor may not read is a problem with the path, not a file of some age.
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        reading.detail = qt_error_string(errno);
        reading.problem = FileProblem::BadFileName;
        return reading;
    }
    ::close(fd);
    reading.lastModified = QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 +
                                                          st.st_mtim.tv_nsec / 1000000);
    return reading;
}

AgeJudgement judgeFileAge(const QString& ageOfFile, const QDateTime& lastModified,
                          const QDateTime& now) {
    using Verdict = AgeJudgement::Verdict;
    AgeJudgement judgement;
    const qsizetype tabled = ageOfFileTexts().indexOf(ageOfFile);
    if (tabled == 0) {
        judgement.hourRule = true;
        judgement.ageLabel = criteria()[0].label;
        const qint64 minutes = qAbs(lastModified.secsTo(now)) / 60;
        judgement.verdict = minutes > 60 ? Verdict::Old : Verdict::Fine;
        return judgement;
    }
    QDateTime limit;
    if (tabled > 0) {
        judgement.ageLabel = criteria()[size_t(tabled)].label;
        limit = now.addDays(-criteria()[size_t(tabled)].days);
    } else {
        // Any other stored value is taken as a number of days.
        bool isNumber = false;
        const double days = ageOfFile.trimmed().toDouble(&isNumber);
        if (!isNumber || std::isnan(days)) {
            judgement.verdict = Verdict::TypeMismatch;
            return judgement;
        }
        // Any age beyond every file's lifetime judges like that lifetime: the time arithmetic
        // holds no more.
        limit = now.addMSecs(-qRound64(std::clamp(days, -kMostDays, kMostDays) * 86400000.0));
    }
    judgement.verdict = lastModified < limit ? Verdict::Old : Verdict::Fine;
    return judgement;
}

bool wildcardMatches(const QString& pattern, const QString& name) {
    if (globMatches(pattern, name))
        return true;
    return pattern.endsWith(u".*"_s) && !name.contains(u'.') &&
           globMatches(QStringView(pattern).chopped(2), name);
}

FolderSearch findMatchingFile(const QString& folder, const QString& name) {
    FolderSearch search;
    const QString pattern = typedPathToNative(folder + u"\\*."_s + name);
    const qsizetype slash = pattern.lastIndexOf(u'/');
    const QString directory = slash == 0 ? u"/"_s : pattern.left(slash);
    const QString filePattern = pattern.mid(slash + 1);

    DIR* dir = ::opendir(nativeName(directory).constData());
    if (!dir) {
        const int err = errno;
        // A folder that is not there lists nothing; one that cannot be read is a failure.
        if (err != ENOENT && err != ENOTDIR) {
            search.problem = FileProblem::BadFileName;
            search.detail = qt_error_string(err);
        }
        return search;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0) {
                search.problem = FileProblem::BadFileName;
                search.detail = qt_error_string(errno);
            }
            break;
        }
        const QString entryName = QFile::decodeName(entry->d_name);
        // Hidden files (and "." and "..") are not listed.
        if (entryName.startsWith(u'.') || !wildcardMatches(filePattern, entryName))
            continue;
        if (isOrdinaryFile(dir, entry)) {
            search.found = true;
            break;
        }
    }
    ::closedir(dir);
    return search;
}
