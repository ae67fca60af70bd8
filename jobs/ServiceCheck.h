#pragma once

#include "storage/JobTable.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// The pieces of a service job that need no window: finding the service-control tool, the
// argument lists it is run with, and reading what it printed.

enum class ServiceOperation { Query, Start, Restart };

// The service-control tool of the program folder: the file named psservice.exe, letter case
// ignored. Empty when there is none.
QString serviceToolPath(const QString& programFolder);

// The tool's argument list for one operation, program first:
//     TOOL \\PC -u USER -p PASSWORD query|start|restart SERVICE
// Every value is one argument as it is stored (an empty one stays an empty argument); no
// shell ever sees them.
QStringList serviceToolCommand(const QString& tool, const JobRecord& job,
                               ServiceOperation operation, const QString& service);

// How long one run of the tool may take: its own calls on the network are limited, a start
// makes two of them and a restart up to four (stop, wait, start, state).
std::chrono::milliseconds serviceToolTimeLimit(ServiceOperation operation,
                                               std::chrono::milliseconds queryLimit);

// The tool says it could not reach the PC ("Unable to connect to", letter case ignored).
bool unableToConnect(const QString& output);

// The state character: the one 11 places after the first "STATE" (letter case ignored), or
// the 11th character when there is no "STATE". Empty when the output is shorter.
QString serviceStateCharacter(const QString& output);

// The state code of that character: a digit; nothing for anything else (a letter, a blank,
// nothing at all), which means the output carries no service information.
std::optional<int> serviceStateCode(const QString& strServiceState);

// What a query's state means for its slot.
enum class SlotVerdict {
    Running,    // code 4
    Restart,    // not running, and the slot may start it
    NotRunning, // not running, and the slot only reports it
    NoState,    // no usable state: the PC is taken as not responding
};
SlotVerdict slotVerdict(const QString& queryOutput, bool restartFlag);

// The detail line with one more status line: the line alone when the detail line is empty,
// otherwise after a CR LF.
QString withStatusLine(const QString& label1, const QString& line);

// The tool's output made fit for the log: at most its first line, the password blanked out.
QString outputForLog(const QString& output, const QString& password);
