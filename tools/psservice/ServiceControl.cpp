#include "tools/psservice/ServiceControl.h"

#include "tools/psservice/AuthFile.h"

#include <QDeadlineTimer>
#include <QThread>

using namespace Qt::Literals::StringLiterals;

namespace psservice {

namespace {

constexpr int stoppedState = 1;
constexpr unsigned long stopPollMs = 500;

bool endsTheOperation(ReplyKind kind) {
    return kind == ReplyKind::Unreachable || kind == ReplyKind::NoSuchService ||
           kind == ReplyKind::Refused;
}

} // namespace

ServiceControl::ServiceControl(QString netPath, QString authFile, QString pc,
                               std::chrono::milliseconds timeout)
    : m_netPath(std::move(netPath)), m_authFile(std::move(authFile)), m_pc(std::move(pc)),
      m_timeout(timeout) {}

ServiceReply ServiceControl::call(const QString& verb, const QString& service) {
    // The server and the file are one argument each, and the service follows "--": no value
    // is ever taken for an option of net.
    const QStringList args = {u"rpc"_s,
                              u"service"_s,
                              verb,
                              u"--server="_s + m_pc,
                              u"--authentication-file="_s + m_authFile,
                              u"--"_s,
                              service};
    samba::NetRunOptions options;
    options.timeout = m_timeout;
    options.started = setRunningChild;
    return readServiceReply(samba::runNet(m_netPath, args, options), service);
}

ToolOutput ServiceControl::show(const ServiceReply& reply, const QString& service) const {
    switch (reply.kind) {
    case ReplyKind::State:
        return {stateText(reply.state, service), {}, 0};
    case ReplyKind::Unreachable:
        return {unreachableText(m_pc), reply.detail, 1};
    case ReplyKind::NoSuchService:
        return {{}, u"there is no service %1 on \\\\%2: %3"_s.arg(service, m_pc, reply.detail), 1};
    default:
        return {{}, reply.detail, 1};
    }
}

ToolOutput ServiceControl::startAndShow(const QString& service) {
    const ServiceReply started = call(u"start"_s, service);
    if (endsTheOperation(started.kind))
        return show(started, service);
    ToolOutput out = show(call(u"status"_s, service), service);
    if (started.kind != ReplyKind::Started && started.kind != ReplyKind::StartUnclear) {
        out.err = u"the service was not started: "_s + started.detail;
        out.exitCode = 1;
    }
    return out;
}

ToolOutput ServiceControl::run(Operation operation, const QString& service) {
    if (service.isEmpty())
        return {{}, u"no service name given"_s, 1};
    if (operation == Operation::Query)
        return show(call(u"status"_s, service), service);
    if (operation == Operation::Start)
        return startAndShow(service);

    ServiceReply reply = call(u"stop"_s, service);
    if (endsTheOperation(reply.kind))
        return show(reply, service);
    const QDeadlineTimer limit(m_timeout);
    while (!(reply.kind == ReplyKind::State && reply.state == stoppedState)) {
        if (limit.hasExpired()) {
            ToolOutput out = show(reply, service);
            out.err = u"the service did not stop in time"_s;
            out.exitCode = 1;
            return out;
        }
        QThread::msleep(stopPollMs);
        reply = call(u"status"_s, service);
        if (reply.kind != ReplyKind::State)
            return show(reply, service);
    }
    return startAndShow(service);
}

} // namespace psservice
