// The leading-number readers: the maximum average as the probe compares it, and as the device
// editor keeps it.
#include "FuzzInput.h"
#include "editors/EditorRules.h"
#include "ping/PingProbe.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzz::fields(data, size, 1).first();
    const double value = ping::leadingNumber(text);
    FUZZ_CHECK(std::isfinite(value));
    // What the editor keeps is a plain number that reads back as itself.
    const QString kept = EditorRules::leadingNumberText(text);
    bool isNumber = false;
    FUZZ_CHECK(std::isfinite(kept.toDouble(&isNumber)) && isNumber);
    FUZZ_CHECK(EditorRules::leadingNumberText(kept) == kept);
    ping::isSlow(text, value);
    EditorRules::maxAverageRefused(kept);
    return 0;
}
