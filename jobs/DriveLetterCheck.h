#pragma once

#include "platform/LogicalDisks.h"

#include <QString>

#include <optional>

// The drive-letter check: the PC's logical disks are written to a temporary file, and the
// file is searched for the letter. Blocks until the PC has answered (run it on the job
// monitor's worker pool).

// Drive-Letter-Check.txt in the temporary folder.
QString driveLetterCheckFile();

struct VbsRun {
    bool blDriveCheckFailed = false; // the PC refused the query
    bool fileWritten = false;        // the file was emptied and what the PC listed written
    QString detail;                  // why something failed, for the log
};

// Empties the file (a fresh file readable by its owner only, never one that someone else put
// in its place) and writes into it the DeviceID of every disk the PC lists, one after another
// with nothing between them. A PC that refuses the query sets blDriveCheckFailed; any other
// failure leaves the file empty.
VbsRun fncRunVBSfile(LogicalDisks& disks, const QString& strPCName, const QString& file);

// Reads the file back: whether its text holds the letter followed by ":", letter case
// ignored. Nothing when the file cannot be read.
std::optional<bool> fncReadVBSfile(const QString& file, const QString& letter);

struct DriveCheck {
    enum class Result {
        Found,
        NotThere,      // not listed, or the PC could not be asked
        AccessRefused, // the PC refused the query
        FileFailed,    // the temporary file could not be written or read back
    };
    Result result = Result::NotThere;
    QString detail;
};

// Both steps for one drive-letter job.
DriveCheck checkDriveLetter(LogicalDisks& disks, const QString& pcName, const QString& letter,
                            const QString& file);
