#include "settings/SettingsRules.h"

#include "storage/SettingsTables.h"

using namespace Qt::Literals::StringLiterals;

namespace SettingsRules {

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

bool isNumericText(const QString& text) {
    const QString t = trimBlanks(text);
    qsizetype i = 0;
    if (i < t.size() && (t.at(i) == u'+' || t.at(i) == u'-'))
        ++i;
    int digits = 0;
    int points = 0;
    for (; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c >= u'0' && c <= u'9')
            ++digits;
        else if (c == u'.' && points == 0)
            ++points;
        else
            return false;
    }
    return digits > 0;
}

int firstEmptyEmailField(const QStringList& trimmedValues) {
    for (qsizetype i = 0; i < trimmedValues.size(); ++i) {
        if (trimmedValues.at(i).isEmpty())
            return int(i);
    }
    return -1;
}

IntervalProblem checkIntervals(const QString& pingText, const QString& servicesText) {
    if (pingText.isEmpty())
        return IntervalProblem::PingEmpty;
    if (servicesText.isEmpty())
        return IntervalProblem::ServicesEmpty;
    if (!isNumericText(pingText))
        return IntervalProblem::PingNotNumber;
    if (!isNumericText(servicesText))
        return IntervalProblem::ServicesNotNumber;
    if (pingText.contains(u'.'))
        return IntervalProblem::PingHasPoint;
    if (servicesText.contains(u'.'))
        return IntervalProblem::ServicesHasPoint;
    if (leadingWholeNumber(pingText) <= 0)
        return IntervalProblem::PingNotPositive;
    if (leadingWholeNumber(servicesText) <= 0)
        return IntervalProblem::ServicesNotPositive;
    return IntervalProblem::None;
}

int fieldOf(IntervalProblem problem) {
    switch (problem) {
    case IntervalProblem::ServicesEmpty:
    case IntervalProblem::ServicesNotNumber:
    case IntervalProblem::ServicesHasPoint:
    case IntervalProblem::ServicesNotPositive:
        return 1;
    default:
        return 0;
    }
}

bool emptiesField(IntervalProblem problem) {
    return problem != IntervalProblem::None && problem != IntervalProblem::PingEmpty &&
           problem != IntervalProblem::ServicesEmpty;
}

PairAction yesNoPairClick(bool boxChecked, bool partnerChecked) {
    if (boxChecked)
        return PairAction::UncheckPartner;
    return partnerChecked ? PairAction::Nothing : PairAction::CheckAgain;
}

QString databaseFailureReason(const DbStatus& status) {
    switch (status.error) {
    case DbError::None:
        return QString();
    case DbError::WrongPassword:
        return u"the database file was made with another password"_s;
    case DbError::BadDatabase:
        return u"the database file is damaged or is not a Korvane database"_s;
    case DbError::FileNotFound:
        return u"the database file is missing, unreadable or in use by another program"_s;
    case DbError::NoCurrentRecord:
    case DbError::Other:
        break;
    }
    return status.detail.isEmpty() ? u"unknown database error"_s : status.detail;
}

} // namespace SettingsRules
