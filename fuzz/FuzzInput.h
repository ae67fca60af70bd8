#pragma once

#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {
// The input split at NUL bytes into `count` fields (the last one takes the rest), each read as
// UTF-8 (invalid sequences become replacement characters, as text from outside does).
inline QStringList fields(const uint8_t* data, size_t size, int count) {
    const QByteArrayList parts =
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\0');
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << QString::fromUtf8(i + 1 < count ? parts.value(i) : parts.mid(i).join('\0'));
    return out;
}
} // namespace fuzz

// A broken promise of the code under test stops the run; libFuzzer keeps the input that did it.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            std::fprintf(stderr, "%s:%d: broken promise: %s\n", __FILE__, __LINE__, #condition),   \
                std::abort();                                                                      \
    } while (false)
