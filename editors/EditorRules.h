#pragma once

#include <QString>
#include <QStringList>
#include <Qt>

// The record editors' rules that need no widget: what a key press delivers, trimming, the
// mail-box and maximum-average rules, which job-editor box empties which other sections, the
// list boxes that refuse typing, the order of a job's checks and the "Saved" texts.
namespace EditorRules {

// The character code a key press delivers to a box, as a text box sees it: printable
// characters, Backspace (8), Enter (13), Escape (27) and control-key combinations (Ctrl+A is
// 1 .. Ctrl+Z 26). -1 for keys that deliver none: arrows, Delete, Tab, function keys.
int keyCharacterCode(int key, Qt::KeyboardModifiers modifiers, const QString& text);

// A mail box's trimmed text is refused when it is not empty and holds no "@".
bool mailBoxRefused(const QString& trimmed);

// The plain decimal text of the leading number of a text: blanks before it are skipped, the
// reading stops at the first character that cannot continue a number, and a text without a
// number gives "0" ("12ms" -> "12", "007" -> "7", " 0.5" -> "0.5").
QString leadingNumberText(const QString& text);
// The maximum average is refused when its number is zero or negative.
bool maxAverageRefused(const QString& numberText);

// The list boxes refuse the character codes 32 .. 190 (they become a Backspace).
bool listBoxRefuses(int code);
// What a list box holds as a selection: its text when that is one of its items, else empty.
QString listSelection(const QString& text, const QStringList& items);

// --- the job editor ---

// The controls that a key press in this box empties, in order; empty for a box without the
// rule (the always-restart service box, the focus sink).
const QStringList& controlsEmptiedBy(const QString& box);
// The boxes trimmed when the focus leaves them (the service mail box is checked as well).
const QStringList& trimmedOnFocusLoss();
// The four key boxes, one per section: PC name, file path, folder, drive PC name.
const QStringList& keyBoxes();
// The six service boxes, paired in order with the restart boxes Check2 .. Check7.
const QStringList& serviceBoxes();

// What a job's save checks and reports.
struct JobEntries {
    QString text1;  // PC name
    QString text2;  // first service
    QString text8;  // user
    QString text9;  // password
    QString text12; // file path
    QString combo1; // age selection
    QString text13; // file-age mail
    QString text15; // folder
    QString combo2; // file-exists action selection
    QString text16; // file name part
    QString text17; // file-exists mail
    QString text18; // drive letter
    QString text19; // drive PC name
    QString text20; // drive mail
};
// The index of the first of the eleven checks that the entries fail (in the order of
// JobText::kChecks), or -1 when they pass all.
int firstFailedJobCheck(const JobEntries& e);
// The "Saved" text of a new job, by the first section that holds a key.
QString jobSavedText(const JobEntries& e);

} // namespace EditorRules
