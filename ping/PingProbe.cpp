#include "ping/PingProbe.h"

#include <QRegularExpression>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace ping {

namespace {

// Texts the user sees, in one place.
const QString percentageLostPrefix = u"Percentage Lost "_s;
const QString percentageLostSuffix = u"%"_s;
const QString notFoundStatusText = u"Not Found In Domain"_s;
const QString slowStatusText = u"Device Is Slow"_s;
const QString nothingForNowText = u"Nothing For Now"_s;
const QString lossLinePattern =
    u"Pinged %1 with a %2% Loss. Preparing for the next one.... Waiting For Timer"_s;
const QString notFoundLinePattern =
    u"Pinged %1, and it wasn't found on your network. Preparing for the next one.... Waiting For Timer"_s;
const QString pingingProgressPattern = u"Pinging Device (%1) of (%2)"_s;
const QString pingedProgressPattern = u"Pinged Device (%1) of (%2)"_s;
const QString pingOkPrefix = u"Ping OK - "_s;

// Markers read in the output of `ping`.
const QString windowsLossMarker = u"% loss),"_s;
const QString windowsAverageMarker = u"Average = "_s;
// Windows' unknown-name message, then the resolver messages iputils prints (gai_strerror)
// and the one of older iputils versions.
const QString hostNotFoundMarkers[] = {
    u"Ping request could not"_s,
    u"Name or service not known"_s,
    u"Temporary failure in name resolution"_s,
    u"No address associated with hostname"_s,
    u"Non-recoverable failure in name resolution"_s,
    u"unknown host"_s,
};

const QRegularExpression& iputilsLossPattern() {
    // "4 packets transmitted, 3 received, +1 duplicates, 25% packet loss, time 3004ms"
    static const QRegularExpression re(u"([0-9]+(?:\\.[0-9]*)?(?:e[-+]?[0-9]+)?)% packet loss"_s,
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression& iputilsAveragePattern() {
    // "rtt min/avg/max/mdev = 0.045/0.067/0.116/0.028 ms[, pipe 3]"
    static const QRegularExpression re(u"min/avg/max\\S* = [0-9.]+/([0-9.]+)/"_s,
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

// The Windows reading: the three characters that end just before the "%" at percentIndex,
// trimmed, every "(" made a blank, trimmed again.
QString windowsLossText(const QString& output, qsizetype percentIndex) {
    qsizetype start = percentIndex - 3;
    qsizetype length = 3;
    if (start < 0) {
        length += start;
        start = 0;
    }
    QString text = trimBlanks(output.mid(start, length));
    text.replace(u'(', u' ');
    return trimBlanks(text);
}

// iputils prints the loss with %g; the whole part is the figure Windows would print.
QString wholePercentText(const QString& figure) {
    const double value = figure.toDouble();
    if (!std::isfinite(value))
        return QString();
    // Written without a conversion to a whole-number type, which a figure of more digits than
    // it holds would overflow.
    const double whole = std::floor(value);
    return QString::number(whole == 0 ? 0.0 : whole, 'f', 0);
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

// ---------------------------------------------------------------------------------------

QStringList pingArguments(const QString& host, int echoes, int waitSeconds) {
    return {u"ping"_s, u"-c"_s, QString::number(echoes), u"-W"_s, QString::number(waitSeconds),
            u"--"_s,   host};
}

QStringList probeCommand(const QString& host) {
    return pingArguments(host, probeEchoes);
}

QStringList averageCommand(const QString& host) {
    return pingArguments(host, averageEchoes);
}

std::chrono::milliseconds pingTimeLimit(int echoes, int waitSeconds) {
    // A name lookup may take the resolver's timeout times its attempts (5 s, 2 tries).
    constexpr int lookupSeconds = 10;
    return std::chrono::seconds(echoes + waitSeconds + lookupSeconds);
}

CommandOptions pingCommandOptions(int echoes) {
    CommandOptions options;
    options.wantStdOut = true;
    options.wantStdErr = true;
    options.oemConvert = true;
    options.timeout = pingTimeLimit(echoes);
    return options;
}

// ---------------------------------------------------------------------------------------

double leadingNumber(QStringView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\r' || text[i] == u'\n'))
        ++i;
    const qsizetype begin = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    qsizetype end = i;
    // An exponent counts only when at least one digit follows it: "2e" is 2, "2e3" is 2000.
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        if (j < n && isDigit(text[j])) {
            while (j < n && isDigit(text[j]))
                ++j;
            end = j;
        }
    }
    const double value = text.sliced(begin, end - begin).toString().toDouble();
    return std::isfinite(value) ? value : 0;
}

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin);
}

PingReading readPingOutput(const QString& output) {
    PingReading reading;

    const qsizetype windowsLoss = output.indexOf(windowsLossMarker, 0, Qt::CaseInsensitive);
    if (windowsLoss >= 0) {
        reading.markerFound = true;
        reading.lossText = windowsLossText(output, windowsLoss);
    } else if (const auto m = iputilsLossPattern().match(output); m.hasMatch()) {
        reading.markerFound = true;
        reading.lossText = wholePercentText(m.captured(1));
    } else {
        // No summary: the Windows reading falls back to the start of the output.
        reading.lossText = windowsLossText(output, 3);
    }

    const qsizetype windowsAverage = output.indexOf(windowsAverageMarker, 0, Qt::CaseInsensitive);
    if (windowsAverage >= 0) {
        reading.averageFound = true;
        reading.average =
            leadingNumber(QStringView(output).mid(windowsAverage + windowsAverageMarker.size(), 5));
    } else if (const auto m = iputilsAveragePattern().match(output); m.hasMatch()) {
        reading.averageFound = true;
        reading.average = leadingNumber(m.capturedView(1));
    }

    reading.hostNotFound = pingHostNotFound(output);
    return reading;
}

bool pingHostNotFound(const QString& output) {
    for (const QString& marker : hostNotFoundMarkers) {
        if (output.contains(marker, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString averageText(double average) {
    return QString::number(average, 'g', 15);
}

// ---------------------------------------------------------------------------------------

PingOutcome classifyPing(const QString& lossText, bool markerFound) {
    if (lossText == u"100")
        return PingOutcome::Down;
    if (lossText == u"75" || lossText == u"50")
        return PingOutcome::DroppingPackets;
    if (lossText == u"25")
        return PingOutcome::MinorLoss;
    return markerFound ? PingOutcome::Reachable : PingOutcome::NotFound;
}

PingOutcome classifyPing(const PingReading& reading) {
    return classifyPing(reading.lossText, reading.markerFound);
}

PingAlertKind alertFor(PingOutcome outcome) {
    switch (outcome) {
    case PingOutcome::Down:
    case PingOutcome::NotFound:
        return PingAlertKind::DeviceDown;
    case PingOutcome::DroppingPackets:
        return PingAlertKind::DroppingPackets;
    case PingOutcome::MinorLoss:
    case PingOutcome::Reachable:
        break;
    }
    return PingAlertKind::None;
}

bool runsAverageCheck(PingOutcome outcome, bool hasMaximumAverage) {
    return hasMaximumAverage && outcome != PingOutcome::Down && outcome != PingOutcome::NotFound;
}

bool hasMaximumAverage(const QString& maxAverage) {
    return !trimBlanks(maxAverage).isEmpty();
}

bool isSlow(const QString& maxAverage, double measuredAverage) {
    return leadingNumber(maxAverage) < measuredAverage;
}

// ---------------------------------------------------------------------------------------

QString notFoundStatus() {
    return notFoundStatusText;
}
QString slowStatus() {
    return slowStatusText;
}
QString nothingForNowAction() {
    return nothingForNowText;
}

QString statusText(const QString& percentageLost) {
    if (percentageLost == notFoundStatusText || percentageLost == slowStatusText)
        return percentageLost;
    return percentageLostPrefix + percentageLost + percentageLostSuffix;
}

QString statusArgument(PingOutcome outcome, const QString& lossText) {
    return outcome == PingOutcome::NotFound ? notFoundStatusText : lossText;
}

QString activityLine(PingOutcome outcome, const QString& name, const QString& lossText) {
    if (outcome == PingOutcome::NotFound)
        return notFoundLinePattern.arg(name);
    // Two separate substitutions would read a "%1" inside the name as the second place.
    return lossLinePattern.arg(name, lossText);
}

QString pingingProgressLine(int position, int count) {
    return pingingProgressPattern.arg(position).arg(count);
}

QString pingedProgressLine(int position, int count) {
    return pingedProgressPattern.arg(position).arg(count);
}

QString shortDateFormatWithFullYear(const QLocale& locale) {
    // A run of exactly two 'y' outside quoted text is the two-digit year; runs of four stay.
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            out += c;
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run) == c)
            ++run;
        out += (!quoted && c == u'y' && run == 2) ? u"yyyy"_s : format.sliced(i, run);
        i += run;
    }
    return out;
}

QString pingOkAction(const QDateTime& now, const QLocale& locale) {
    const QTime time = now.time();
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    const QString designator = time.hour() < 12 ? locale.amText() : locale.pmText();
    return pingOkPrefix + locale.toString(now.date(), shortDateFormatWithFullYear(locale)) + u'-' +
           QString::number(hour12) + u':' + u"%1"_s.arg(time.minute(), 2, 10, QChar(u'0')) + u' ' +
           designator;
}

} // namespace ping
