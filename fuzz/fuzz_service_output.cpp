// The job monitor's reading of what the service-control tool printed, and the log excerpt of
// it that must never show the job's password. Fields: output, password.
#include "FuzzInput.h"
#include "jobs/ServiceCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QStringList in = fuzz::fields(data, size, 2);
    const QString& output = in[0];
    const QString& password = in[1];
    const QString state = serviceStateCharacter(output);
    const std::optional<int> code = serviceStateCode(state);
    FUZZ_CHECK(state.size() <= 1);
    FUZZ_CHECK(!code || (*code >= 0 && *code <= 9));
    FUZZ_CHECK((slotVerdict(output, true) == SlotVerdict::NoState) ==
               (slotVerdict(output, false) == SlotVerdict::NoState));
    unableToConnect(output);
    withStatusLine(output, password);
    const QString logged = outputForLog(output, password);
    FUZZ_CHECK(!logged.contains(u'\n'));
    // A password that blanking and cutting cannot rebuild from their own characters never
    // reaches the log.
    const bool plain = !password.isEmpty() && !password.contains(u'*') &&
                       !password.contains(u'.') && password.trimmed() == password &&
                       !password.contains(u'\n');
    FUZZ_CHECK(!plain || !logged.contains(password));
    return 0;
}
