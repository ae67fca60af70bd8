#include "tools/psservice/ServiceReplies.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace psservice {

namespace {

struct StateName {
    const char16_t* netWord;
    const char16_t* shown;
};
// Indexed by the Windows state number.
constexpr StateName states[] = {
    {u"", u""},
    {u"stopped", u"STOPPED"},
    {u"start pending", u"START_PENDING"},
    {u"stop pending", u"STOP_PENDING"},
    {u"running", u"RUNNING"},
    {u"resume pending", u"CONTINUE_PENDING"},
    {u"pause pending", u"PAUSE_PENDING"},
    {u"paused", u"PAUSED"},
};
constexpr int stateCount = int(std::size(states));

// Failures to reach the PC, to log in, or to open its service manager at all.
const QString unreachableMarkers[] = {
    u"Could not connect to server"_s,
    u"Connection failed:"_s,
    u"session setup failed"_s,
    u"The username or password was not correct"_s,
    u"Failed to open Service Control Manager"_s,
};

bool containsAny(const QString& text, const auto& markers) {
    for (const QString& marker : markers)
        if (text.contains(marker, Qt::CaseInsensitive))
            return true;
    return false;
}

// The word of "NAME service is WORD." (net prints the name as it was given).
std::optional<QString> stateWord(const QStringList& lines, const QString& service) {
    const QString prefix = service + u" service is "_s;
    for (const QString& line : lines)
        if (line.startsWith(prefix) && line.endsWith(u'.'))
            return line.mid(prefix.size(), line.size() - prefix.size() - 1);
    return std::nullopt;
}

} // namespace

int stateNumber(const QString& netWord) {
    for (int n = 1; n < stateCount; ++n)
        if (netWord.compare(QStringView(states[n].netWord), Qt::CaseInsensitive) == 0)
            return n;
    return 0;
}

ServiceReply readServiceReply(const samba::NetRun& run, const QString& service) {
    const QString said = run.output.trimmed();
    if (!run.started)
        return {ReplyKind::Failed, 0, u"cannot run net (samba-common-bin): "_s + said};
    if (run.timedOut)
        return {ReplyKind::Unreachable, 0, u"no answer in time"_s};
    if (containsAny(said, unreachableMarkers))
        return {ReplyKind::Unreachable, 0, said};
    if (said.contains(u"WERR_SERVICE_DOES_NOT_EXIST"_s))
        return {ReplyKind::NoSuchService, 0, said};
    const QStringList lines = said.split(u'\n');
    if (const auto word = stateWord(lines, service)) {
        const int state = stateNumber(*word);
        if (state != 0)
            return {ReplyKind::State, state, said};
        return {ReplyKind::Failed, 0, u"unknown state: "_s + said};
    }
    if (lines.contains(u"Successfully started service: "_s + service))
        return {ReplyKind::Started, 0, said};
    if (run.exitCode == 0 &&
        lines.contains(u"Failed to start service: %1 [WERR_OK]"_s.arg(service)))
        return {ReplyKind::StartUnclear, 0, said};
    if (samba::refusedAccess(said))
        return {ReplyKind::Refused, 0, said};
    return {ReplyKind::Failed, 0, said.isEmpty() ? u"net printed nothing"_s : said};
}

QString stateText(int state, const QString& service) {
    if (state < 1 || state >= stateCount)
        return {};
    return u"        STATE    : %1  %2\n        SERVICE  : %3\n"_s.arg(state).arg(
        QStringView(states[state].shown), service);
}

QString unreachableText(const QString& pc) {
    return u"Unable to connect to \\\\%1\n"_s.arg(pc);
}

} // namespace psservice
