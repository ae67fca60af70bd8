#include "tools/psservice/ServiceCommand.h"

using namespace Qt::Literals::StringLiterals;

namespace psservice {

namespace {

constexpr int wellFormedCount = 8; // argv[0] and seven arguments
constexpr int userSwitch = 2;
constexpr int passwordSwitch = 4;

std::optional<Operation> operationNamed(const QByteArray& word) {
    const QByteArray w = word.toLower();
    if (w == "query")
        return Operation::Query;
    if (w == "start")
        return Operation::Start;
    if (w == "restart")
        return Operation::Restart;
    return std::nullopt;
}

} // namespace

int passwordArgument(const QList<QByteArray>& args) {
    if (args.size() > passwordSwitch + 1 && args.at(passwordSwitch) == "-p")
        return passwordSwitch + 1;
    for (int i = 1; i + 1 < args.size(); ++i)
        if (args.at(i) == "-p")
            return i + 1;
    return -1;
}

std::optional<Command> parseCommand(const QList<QByteArray>& args) {
    if (args.size() != wellFormedCount || args.at(userSwitch) != "-u" ||
        args.at(passwordSwitch) != "-p" || !args.at(1).startsWith("\\\\"))
        return std::nullopt;
    const QByteArray pc = args.at(1).mid(2);
    const auto operation = operationNamed(args.at(6));
    if (pc.isEmpty() || pc.contains('\\') || !operation)
        return std::nullopt;
    return Command{QString::fromLocal8Bit(pc), args.at(3), args.at(5), *operation,
                   QString::fromLocal8Bit(args.at(7))};
}

QString usageText() {
    return uR"(Usage: psservice.exe \\PC -u USER -p PASSWORD query|start|restart SERVICE

Queries, starts or restarts the Windows service SERVICE on the PC named PC through Samba's
"net rpc service" (Debian package samba-common-bin). USER is an administrator of the PC:
DOMAIN\USER for a domain account, .\USER for an account of the PC itself. The
password is handed to net in an authentication file that only you can read and that is
removed after the run; it never appears on a command line.

Standard output, first line, for a service it could read:
        STATE    : N  WORD
where N is 1 stopped, 2 start pending, 3 stop pending, 4 running, 5 continue pending,
6 pause pending, 7 paused. When the PC cannot be reached or refuses the login:
Unable to connect to \\PC
Anything else (an unknown service, missing rights) is told on standard error only.

restart stops the service, waits until it has stopped, then starts it. start and restart
print the state the service is in afterwards.

Exit status: 0 a state was printed and the operation succeeded, 1 it failed, 2 this text.
Environment, for tests: KORVANE_NET the net program to run, KORVANE_NET_TIMEOUT_MS the
time limit of each run of net (30000).
)"_s;
}

} // namespace psservice
