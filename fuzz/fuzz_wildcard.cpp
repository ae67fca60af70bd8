// The file checks' text handling: the Windows wildcard match of file names, the typed path,
// and the age criterion as stored. Fields: pattern, name, age.
#include "FuzzInput.h"
#include "jobs/FileChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QStringList in = fuzz::fields(data, size, 3);
    const QString& pattern = in[0];
    const QString& name = in[1];
    FUZZ_CHECK(wildcardMatches(name, name));
    FUZZ_CHECK(wildcardMatches(QStringLiteral("*"), name));
    FUZZ_CHECK(!wildcardMatches(pattern, name) || wildcardMatches(u'*' + pattern, name));
    FUZZ_CHECK(!typedPathToNative(pattern).contains(u'\\'));
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1767225600, Qt::UTC);
    judgeFileAge(in[2], now.addSecs(-qint64(size) * 3600), now);
    return 0;
}
