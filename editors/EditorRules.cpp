#include "editors/EditorRules.h"

#include "editors/EditorTexts.h"

#include <QHash>
#include <QLocale>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace EditorRules {

int keyCharacterCode(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return -1;
    default:
        break;
    }
    if ((modifiers & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z)
        return key - Qt::Key_A + 1;
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return -1;
    if (text.isEmpty())
        return -1;
    const char16_t c = text.at(0).unicode();
    return (c < 32 || c == 127) ? -1 : int(c);
}

bool mailBoxRefused(const QString& trimmed) {
    return !trimmed.isEmpty() && !trimmed.contains(u'@');
}

QString leadingNumberText(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto isDigit = [&text, n](qsizetype at) { return at < n && text.at(at).isDigit(); };
    while (i < n && (text.at(i) == u' ' || text.at(i) == u'\t'))
        ++i;
    QString number;
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-'))
        number += text.at(i++);
    bool digits = false;
    for (; isDigit(i); ++i, digits = true)
        number += text.at(i);
    if (i < n && text.at(i) == u'.') {
        number += text.at(i++);
        for (; isDigit(i); ++i, digits = true)
            number += text.at(i);
    }
    if (!digits)
        return u"0"_s;
    if (i < n && QStringView(u"eEdD").contains(text.at(i))) {
        qsizetype j = i + 1;
        if (j < n && (text.at(j) == u'+' || text.at(j) == u'-'))
            ++j;
        if (isDigit(j)) {
            number += u'e' + text.mid(i + 1, j - i - 1);
            for (; isDigit(j); ++j)
                number += text.at(j);
        }
    }
    const double value = number.toDouble();
    // A number too large for a double has no value the probe could compare with: it counts as
    // no number, which the maximum-average rule refuses.
    if (!std::isfinite(value))
        return u"0"_s;
    if (value == 0)
        return u"0"_s;
    // Fifteen digits, unless that rounds past the largest double: then the shortest text that
    // reads back as the same number.
    const QString fifteen = QString::number(value, 'g', 15);
    return std::isfinite(fifteen.toDouble())
               ? fifteen
               : QString::number(value, 'g', QLocale::FloatingPointShortest);
}

bool maxAverageRefused(const QString& numberText) {
    return numberText == u"0"_s || numberText.startsWith(u'-');
}

bool listBoxRefuses(int code) {
    return code >= 32 && code <= 190;
}

QString listSelection(const QString& text, const QStringList& items) {
    return items.contains(text) ? text : QString();
}

namespace {

QStringList boxes(std::initializer_list<int> numbers) {
    QStringList out;
    for (int n : numbers)
        out << u"Text%1"_s.arg(n);
    return out;
}

// The section-clearing families: the boxes whose key presses run one, and what it empties.
struct Family {
    QStringList boxes;
    QStringList empties;
};

const QList<Family>& families() {
    static const QList<Family> list = {
        {boxes({1, 2, 4, 5, 6, 7, 8, 9, 10}), boxes({12, 13}) + QStringList{u"Combo1"_s} +
                                                  boxes({15, 16, 17, 18, 19, 20}) +
                                                  QStringList{u"Combo2"_s}},
        {boxes({11}), boxes({12}) + QStringList{u"Combo1"_s} + boxes({18, 19, 20})},
        {boxes({12, 13}), boxes({1, 8, 9, 2, 4, 5, 6, 7, 10, 11, 14, 15, 16, 17, 18, 19, 20}) +
                              QStringList{u"Combo2"_s}},
        {boxes({15, 16, 17}), boxes({1, 8, 9, 2, 4, 5, 6, 7, 10, 11, 14, 12, 13, 18, 19, 20}) +
                                  QStringList{u"Combo1"_s}},
        {boxes({18, 19, 20}), boxes({1, 8, 9, 2, 4, 5, 6, 7, 10, 11, 14, 12, 13, 15, 16, 17}) +
                                  QStringList{u"Combo2"_s}},
    };
    return list;
}

} // namespace

const QStringList& controlsEmptiedBy(const QString& box) {
    static const QHash<QString, QStringList> byBox = [] {
        QHash<QString, QStringList> map;
        for (const Family& f : families())
            for (const QString& b : f.boxes)
                map.insert(b, f.empties);
        return map;
    }();
    static const QStringList none;
    const auto it = byBox.constFind(box);
    return it == byBox.constEnd() ? none : *it;
}

const QStringList& trimmedOnFocusLoss() {
    static const QStringList list =
        boxes({1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16, 17, 18, 19, 20});
    return list;
}

const QStringList& keyBoxes() {
    static const QStringList list = boxes({1, 12, 15, 19});
    return list;
}

const QStringList& serviceBoxes() {
    static const QStringList list = boxes({2, 4, 5, 6, 7, 11});
    return list;
}

int firstFailedJobCheck(const JobEntries& e) {
    const bool otherKeysEmpty = e.text12.isEmpty() && e.text15.isEmpty() && e.text19.isEmpty();
    const bool failed[] = {
        e.text1.isEmpty() && otherKeysEmpty,
        e.text2.isEmpty() && otherKeysEmpty,
        e.text8.isEmpty() && otherKeysEmpty,
        e.text9.isEmpty() && otherKeysEmpty,
        !e.text12.isEmpty() && e.combo1.isEmpty(),
        !e.text12.isEmpty() && e.text13.isEmpty(),
        !e.text15.isEmpty() && e.combo2.isEmpty(),
        !e.text15.isEmpty() && e.text16.isEmpty(),
        !e.text15.isEmpty() && e.text17.isEmpty(),
        !e.text19.isEmpty() && e.text18.isEmpty(),
        !e.text19.isEmpty() && !e.text18.isEmpty() && e.text20.isEmpty(),
    };
    for (int i = 0; i < int(std::size(failed)); ++i)
        if (failed[i])
            return i;
    return -1;
}

QString jobSavedText(const JobEntries& e) {
    if (!e.text1.isEmpty())
        return JobText::kSavedPc.arg(e.text1);
    if (!e.text12.isEmpty())
        return JobText::kSavedPath.arg(e.text12);
    if (!e.text15.isEmpty())
        return JobText::kSavedFile.arg(e.text16);
    if (!e.text19.isEmpty())
        return JobText::kSavedDrive.arg(e.text19, e.text18);
    return QString();
}

} // namespace EditorRules
