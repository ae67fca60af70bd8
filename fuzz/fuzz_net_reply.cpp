// The service-control tool's mapping of Samba `net` replies, and the lines it prints from
// them, which the job monitor reads back. Fields: flags byte, `net` output, service name.
#include "FuzzInput.h"
#include "jobs/ServiceCheck.h"
#include "tools/psservice/ServiceReplies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const QStringList in = fuzz::fields(data + 1, size - 1, 2);
    const QString& service = in[1];
    samba::NetRun run;
    run.started = data[0] & 1;
    run.timedOut = data[0] & 2;
    run.exitCode = (data[0] & 4) ? 255 : (data[0] & 8) ? 235 : 0;
    run.output = in[0];
    const psservice::ServiceReply reply = psservice::readServiceReply(run, service);
    if (reply.kind == psservice::ReplyKind::State) {
        FUZZ_CHECK(reply.state >= 1 && reply.state <= 7);
        // Whatever the service is called, the monitor reads back the state that was printed.
        const QString printed = psservice::stateText(reply.state, service);
        FUZZ_CHECK(serviceStateCode(serviceStateCharacter(printed)) == reply.state);
    }
    FUZZ_CHECK(unableToConnect(psservice::unreachableText(service)));
    psservice::stateNumber(run.output);
    return 0;
}
