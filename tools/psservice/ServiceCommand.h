#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The command line of the service-control tool:
//     psservice.exe \\PC -u USER -p PASSWORD query|start|restart SERVICE
// Every value is exactly one argument and is taken as it stands (it may be empty, hold
// blanks, quotes, "%" or begin with a dash).
namespace psservice {

enum class Operation { Query, Start, Restart };

struct Command {
    QString pc; // without the leading backslashes
    QByteArray user;
    QByteArray password;
    Operation operation = Operation::Query;
    QString service;
};

// Where the password stands in the argument vector (argv[0] included), -1 when there is
// none: the argument after "-p" of a well-formed line, otherwise the one after the first
// "-p", so that even a malformed line does not leave a password in sight.
int passwordArgument(const QList<QByteArray>& args);

// The command of a well-formed line; nothing for --help or anything malformed.
std::optional<Command> parseCommand(const QList<QByteArray>& args);

// Printed to standard error for --help and for a malformed line.
QString usageText();

} // namespace psservice
