#pragma once

#include "storage/Database.h"

#include <QString>
#include <QStringList>

// The settings windows' rules that need no widget: trimming, the numeric test of the interval
// fields, the order of the checks, the Yes/No pairs and the wording of a database failure.
namespace SettingsRules {

// The text without leading and trailing blanks (spaces; other characters are kept).
QString trimBlanks(const QString& text);

// Whether the text reads as a number: digits with an optional leading sign and at most one
// decimal point, at least one digit, blanks allowed around it. "1." and ".5" pass; letters,
// a lone sign or point, and blanks inside fail.
bool isNumericText(const QString& text);

// The email settings: the index (0..5) of the first empty value among the six trimmed values
// in the order they are checked (server, user name, password, from email, from name, port),
// or -1 when none is empty.
int firstEmptyEmailField(const QStringList& trimmedValues);

// The application settings: the first test that the two interval fields fail, in the order
// of the checks.
enum class IntervalProblem {
    None,
    PingEmpty,
    ServicesEmpty,
    PingNotNumber,
    ServicesNotNumber,
    PingHasPoint,
    ServicesHasPoint,
    PingNotPositive,
    ServicesNotPositive,
};
IntervalProblem checkIntervals(const QString& pingText, const QString& servicesText);
// Which field a problem is about (0 the ping interval, 1 the services interval) and whether
// the field is emptied when it is reported.
int fieldOf(IntervalProblem problem);
bool emptiesField(IntervalProblem problem);

// A Yes/No pair after one box's value changed: what happens to the pair.
enum class PairAction {
    UncheckPartner, // the box was checked: its partner goes off
    CheckAgain,     // the checked box was unchecked: it comes back on
    Nothing,        // the box went off because its partner came on
};
PairAction yesNoPairClick(bool boxChecked, bool partnerChecked);

// What went wrong with the database, in words for a message.
QString databaseFailureReason(const DbStatus& status);

} // namespace SettingsRules
