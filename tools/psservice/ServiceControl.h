#pragma once

#include "tools/psservice/ServiceCommand.h"
#include "tools/psservice/ServiceReplies.h"

#include <QString>

#include <chrono>

// The operations of the tool on top of `net rpc service`, and what they print.
namespace psservice {

struct ToolOutput {
    QString out; // standard output: what the check reads
    QString err; // standard error: why, for a person
    int exitCode = 1;
};

class ServiceControl {
  public:
    ServiceControl(QString netPath, QString authFile, QString pc,
                   std::chrono::milliseconds timeout);

    // query: the state. start: start, then the state (queried again after a start that net
    // reports unclearly). restart: stop, wait until stopped (within the time limit), start,
    // then the state.
    ToolOutput run(Operation operation, const QString& service);

  private:
    ServiceReply call(const QString& verb, const QString& service);
    ToolOutput startAndShow(const QString& service);
    ToolOutput show(const ServiceReply& reply, const QString& service) const;

    QString m_netPath;
    QString m_authFile;
    QString m_pc;
    std::chrono::milliseconds m_timeout;
};

} // namespace psservice
