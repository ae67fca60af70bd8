// The reading of what `ping` printed: loss, average, unknown host, and the texts that follow.
#include "FuzzInput.h"
#include "ping/PingProbe.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString output = fuzz::fields(data, size, 1).first();
    const ping::PingReading reading = ping::readPingOutput(output);
    FUZZ_CHECK(std::isfinite(reading.average));
    FUZZ_CHECK(reading.averageFound || reading.average == 0);
    const ping::PingOutcome outcome = ping::classifyPing(reading);
    FUZZ_CHECK(!ping::statusText(ping::statusArgument(outcome, reading.lossText)).isEmpty());
    ping::activityLine(outcome, QStringLiteral("host"), reading.lossText);
    ping::alertFor(outcome);
    ping::pingHostNotFound(output);
    ping::averageText(reading.average);
    return 0;
}
