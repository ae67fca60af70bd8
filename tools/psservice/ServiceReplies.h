#pragma once

#include "platform/SambaNet.h"

#include <QString>

// What one run of `net rpc service status|start|stop NAME` said, and the lines the tool prints
// for it. The check that reads the tool's output takes the character 11 places after the
// first "STATE" as the state (or the 11th character when there is no "STATE"), and looks
// for "Unable to connect to": nothing else on standard output may look like either.
namespace psservice {

enum class ReplyKind {
    State,         // the service's state is known (`state`)
    Started,       // "Successfully started service: NAME"
    StartUnclear,  // "Failed to start service: NAME [WERR_OK]": may still be starting
    Unreachable,   // no connection, login refused, or no right to open the service manager
    NoSuchService, // the PC has no service of that name
    Refused,       // the service itself may not be opened or controlled by this user
    Failed,        // anything else
};

struct ServiceReply {
    ReplyKind kind = ReplyKind::Failed;
    int state = 0;  // Windows state number 1..7 for State
    QString detail; // what net said, for standard error
};

// Windows' number for a state word of `net`: "stopped" 1, "start pending" 2, "stop pending" 3,
// "running" 4, "resume pending" 5, "pause pending" 6, "paused" 7; 0 for anything else.
int stateNumber(const QString& netWord);

ServiceReply readServiceReply(const samba::NetRun& run, const QString& service);

// "        STATE    : 4  RUNNING\n        SERVICE  : NAME\n": the state line first, so no
// service name can come before it.
QString stateText(int state, const QString& service);
// "Unable to connect to \\PC\n".
QString unreachableText(const QString& pc);

} // namespace psservice
