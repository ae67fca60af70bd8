#pragma once

#include "app/CmdOutput.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <chrono>

// The ping probe of the main window, without the window: the command lines handed to the
// command runner, the reading of what `ping` printed, the classification of a device and the
// status, action and label texts that follow from it.
//
// Two output forms are understood: the iputils `ping` of this system ("N% packet loss",
// "rtt min/avg/max/mdev = a/b/c/d ms", resolver errors) and the Windows one ("(25% loss),",
// "Average = 990ms", "Ping request could not find host").
namespace ping {

// ---------------------------------------------------------------------------------------
// Command lines
// ---------------------------------------------------------------------------------------

// Echo requests of the probe and of the average check.
inline constexpr int probeEchoes = 4;
inline constexpr int averageEchoes = 10;
// Seconds `ping` waits for a reply when none has come back (Windows waits 4 s per echo).
inline constexpr int replyWaitSeconds = 4;

// {"ping", "-c", echoes, "-W", wait, "--", host}. The host always follows "--", so a device
// named "-f" or ";reboot" is only ever a host name, and no shell ever sees the line.
QStringList pingArguments(const QString& host, int echoes, int waitSeconds = replyWaitSeconds);
// The four-echo probe that classifies a device.
QStringList probeCommand(const QString& host);
// The ten-echo run whose average is compared with the device's maximum average.
QStringList averageCommand(const QString& host);

// How long the runner may let such a run go on before it kills it: one second per echo (the
// default interval), the reply wait, and room for a slow name lookup. iputils' own deadline
// (-w) is not used: together with -c it keeps sending until that many replies came back,
// which would change the loss figure.
std::chrono::milliseconds pingTimeLimit(int echoes, int waitSeconds = replyWaitSeconds);

// Runner options for both runs. Standard error is read as well as standard output: iputils
// reports an unknown name there, and a probe must never come back empty for it.
CommandOptions pingCommandOptions(int echoes);

// ---------------------------------------------------------------------------------------
// Reading the output
// ---------------------------------------------------------------------------------------

// Reads a number the way the original program did: leading blanks are skipped, then the
// longest prefix that is a number (sign, digits, decimal point, exponent) is taken; no number
// reads as 0. "23ms" -> 23, "0.5" -> 0.5, "abc" -> 0, " 12 " -> 12, "-3" -> -3.
double leadingNumber(QStringView text);

// Removes leading and trailing blanks (spaces only, as the original Trim did).
QString trimBlanks(const QString& text);

// What one run of `ping` printed, as far as the monitor cares.
struct PingReading {
    // A packet-loss summary was found ("(N% loss)," or "N% packet loss").
    bool markerFound = false;
    // The loss as the monitor compares it: "0", "25", "50", "75", "100" for four echoes.
    // iputils prints fractions with %g ("33.3333" for one of three lost); only the whole
    // part is kept, which is what Windows prints for the same counts ("33"). Without a
    // summary it is the first three characters of the output, trimmed of blanks, as the
    // Windows reading did.
    QString lossText;
    // An average round-trip time was found ("Average = Nms", or the avg of "rtt min/avg/...").
    bool averageFound = false;
    // That average in milliseconds; 0 when none was found.
    double average = 0;
    // The output says the host could not be found ("Ping request could not ..." or a
    // resolver error of iputils).
    bool hostNotFound = false;
};

PingReading readPingOutput(const QString& output);

// The "could not be found" test of the average check.
bool pingHostNotFound(const QString& output);

// The measured average as it is shown and mailed: "23", "0.067".
QString averageText(double average);

// ---------------------------------------------------------------------------------------
// Classification
// ---------------------------------------------------------------------------------------

enum class PingOutcome { Down, DroppingPackets, MinorLoss, Reachable, NotFound };

// The first rule that holds decides: "100" down; "75" or "50" dropping packets; "25" minor
// loss; any other loss with a summary reachable; no summary not found.
PingOutcome classifyPing(const QString& lossText, bool markerFound);
PingOutcome classifyPing(const PingReading& reading);

// Which alert mail an outcome sends.
enum class PingAlertKind { None, DeviceDown, DroppingPackets };
PingAlertKind alertFor(PingOutcome outcome);

// The ten-echo average check runs after the classification when the device has a maximum
// average and was neither down nor not found.
bool runsAverageCheck(PingOutcome outcome, bool hasMaximumAverage);

// The device's MaxAverage, trimmed of blanks, is not empty.
bool hasMaximumAverage(const QString& maxAverage);

// The device is slow when its MaxAverage (read as a leading number, 0 when it is no number)
// is less than the measured average; an equal average is not slow.
bool isSlow(const QString& maxAverage, double measuredAverage);

// ---------------------------------------------------------------------------------------
// Texts
// ---------------------------------------------------------------------------------------

QString notFoundStatus();      // "Not Found In Domain"
QString slowStatus();          // "Device Is Slow"
QString nothingForNowAction(); // "Nothing For Now"

// What fncUpdateStatus writes to Status for its argument: the argument itself when it is
// "Not Found In Domain" or "Device Is Slow", else "Percentage Lost " + argument + "%".
QString statusText(const QString& percentageLost);
// The argument the probe hands fncUpdateStatus for an outcome.
QString statusArgument(PingOutcome outcome, const QString& lossText);

// Label3 after a probe: the loss line, or the not-found line for NotFound.
QString activityLine(PingOutcome outcome, const QString& name, const QString& lossText);
// Label5 during and after a probe.
QString pingingProgressLine(int position, int count);
QString pingedProgressLine(int position, int count);

// The locale's short date form with the year written in full ("M/d/yy" -> "M/d/yyyy").
QString shortDateFormatWithFullYear(const QLocale& locale);

// "Ping OK - " + the locale's short date with a four-digit year + "-" + time as "H:mm AMPM"
// (hour of the 12-hour clock without a leading zero, two-digit minutes, a blank, the locale's
// AM or PM designator): "Ping OK - 5/12/2026-9:05 PM".
QString pingOkAction(const QDateTime& now, const QLocale& locale = QLocale::system());

} // namespace ping
