#include "platform/SambaNet.h"

#include <QProcess>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace samba {

namespace {

// What Samba prints when the PC turned the user away: logon failures of every kind (NTSTATUS
// names) and refused rights (NTSTATUS and WERROR names).
const QString refusalMarkers[] = {
    u"NT_STATUS_ACCESS_DENIED"_s,
    u"NT_STATUS_LOGON_FAILURE"_s,
    u"NT_STATUS_WRONG_PASSWORD"_s,
    u"NT_STATUS_NO_SUCH_USER"_s,
    u"NT_STATUS_ACCOUNT_DISABLED"_s,
    u"NT_STATUS_ACCOUNT_LOCKED_OUT"_s,
    u"NT_STATUS_ACCOUNT_EXPIRED"_s,
    u"NT_STATUS_ACCOUNT_RESTRICTION"_s,
    u"NT_STATUS_PASSWORD_EXPIRED"_s,
    u"NT_STATUS_PASSWORD_MUST_CHANGE"_s,
    u"NT_STATUS_INVALID_LOGON_HOURS"_s,
    u"NT_STATUS_INVALID_WORKSTATION"_s,
    u"NT_STATUS_LOGON_TYPE_NOT_GRANTED"_s,
    u"NT_STATUS_NETWORK_ACCESS_DENIED"_s,
    u"WERR_ACCESS_DENIED"_s,
    u"The username or password was not correct"_s,
};

} // namespace

QString defaultNetPath() {
    const QString found = QStandardPaths::findExecutable(u"net"_s);
    return found.isEmpty() ? u"/usr/bin/net"_s : found;
}

QProcessEnvironment netEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"LC_ALL"_s, u"C"_s);
    for (const QString& name : {u"PASSWD"_s, u"PASSWD_FD"_s, u"PASSWD_FILE"_s})
        env.remove(name);
    return env;
}

NetRun runNet(const QString& program, const QStringList& arguments, const NetRunOptions& options) {
    NetRun result;
    QProcess process;
    process.setProcessEnvironment(netEnvironment());
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(10000)) {
        result.output = process.errorString();
        return result;
    }
    result.started = true;
    if (options.started)
        options.started(process.processId());
    if (!process.waitForFinished(int(options.timeout.count()))) {
        result.timedOut = true;
        process.kill();
        process.waitForFinished(5000);
    }
    if (options.started)
        options.started(0);
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output =
        QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
    return result;
}

bool refusedAccess(const QString& output) {
    for (const QString& marker : refusalMarkers)
        if (output.contains(marker, Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace samba
