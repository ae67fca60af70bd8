#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// What every fuzz target shares: the input cut into text fields, and a check that stops the
// run (libFuzzer keeps the input that did it) when a promise of the code under test is broken.
namespace fuzz {

// The input split at NUL bytes into `count` fields (the last one takes the rest), each read as
// UTF-8 (invalid sequences become replacement characters, as text from outside does).
inline QStringList fields(const uint8_t* data, size_t size, int count) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QStringList out;
    qsizetype from = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype nul = i + 1 < count ? bytes.indexOf('\0', from) : -1;
        const qsizetype end = nul < 0 ? bytes.size() : nul;
        out << QString::fromUtf8(bytes.mid(from, end - from));
        from = nul < 0 ? bytes.size() : nul + 1;
    }
    return out;
}

[[noreturn]] inline void broken(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: broken promise: %s\n", file, line, what);
    std::abort();
}

} // namespace fuzz

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            fuzz::broken(#condition, __FILE__, __LINE__);                                          \
    } while (false)
