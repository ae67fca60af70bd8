#pragma once

#include <QDateTime>
#include <QString>

// The file checks of the job monitor: the age of one file, and whether a folder holds files
// that match a name. The readers touch the file system and block until it answers (run them on
// the job monitor's worker pool); judging the age is plain arithmetic.

// What went wrong with a path, as the job cycle handles it.
enum class FileProblem {
    None,
    FileNotFound, // the folder is there, the file is not
    PathNotFound, // the folder of the path is not there
    BadFileName,  // the path cannot be read: permission refused, an I/O error, a bad name
};

struct FileTimeReading {
    FileProblem problem = FileProblem::None;
    QDateTime lastModified; // local time; valid when problem is None
    QString detail;         // the system's reason, for the log
};

// The file's last-modified time. A file that is there but cannot be opened for reading is a
// BadFileName, like a path whose folder cannot be searched.
FileTimeReading readFileTime(const QString& path);

// How a file's age compares with the record's AgeOfFile.
struct AgeJudgement {
    enum class Verdict { Fine, Old, TypeMismatch };
    Verdict verdict = Verdict::Fine;
    bool hourRule = false; // judged in whole minutes ("Greater Than An Hour")
    QString ageLabel;      // strAgeLabel of a tabled criterion; empty for a number of days
};

// "Greater Than An Hour": old when the absolute difference, in whole minutes, is above 60.
// The day criteria (and a stored number of days): old when the file's time is strictly
// earlier than now minus that many days. A value that is neither is a type mismatch.
AgeJudgement judgeFileAge(const QString& ageOfFile, const QDateTime& lastModified,
                          const QDateTime& now);

struct FolderSearch {
    FileProblem problem = FileProblem::None; // None or BadFileName (the folder cannot be read)
    bool found = false;
    QString detail;
};

// Whether the folder holds an ordinary, not hidden file that matches "*." + name under the
// wildcard rules of a Windows directory listing. A folder that is not there (its path well
// formed) holds nothing; one that cannot be read is a BadFileName.
FolderSearch findMatchingFile(const QString& folder, const QString& name);

// Windows wildcard matching of a file name: letter case ignored, "*" any run of characters,
// "?" one character, and a pattern ending in ".*" also matches names without a dot (so "*.*"
// matches every name).
bool wildcardMatches(const QString& pattern, const QString& name);

// A path as the user typed it, with "\" taken as a folder separator like "/".
QString typedPathToNative(const QString& typed);
