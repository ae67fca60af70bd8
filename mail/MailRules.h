#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

#include <optional>

// The mail window's rules that need no widget: the port conversion of a send, the priority
// list, the attachment field after a file selection and the file dialog's filters.
namespace MailRules {

// The port text of the main window as a signed 32-bit whole number: blanks around it are
// ignored, a sign is allowed. Anything else (empty, letters, a fraction, out of range) gives
// nothing, and the send stops there.
std::optional<qint32> portFromText(const QString& text);

// Priority of each entry of the list "Normal", "High", "Low": 3, 1, 5. Nothing for any other
// index (the priority is then left as it was).
std::optional<int> priorityForIndex(int index);

// Whether a key pressed on the priority list may reach it. Only Up and Down move the
// selection; Tab and Backtab still move the focus on. While the list is dropped down, Return,
// Enter and Escape close it as well.
bool priorityKeyAllowed(int key, bool listDroppedDown);

// The files picked in the attachment dialog in the form the joining works on: one full path
// for a single file; otherwise the folder first, then the bare file names. Paths are turned
// into native ones. Files from more than one folder are kept as full paths, one part each
// after an empty folder part.
QStringList selectionParts(const QStringList& absolutePaths);

// The attachment field after a selection (see selectionParts): a single full path is added;
// for several files the folder gets a trailing separator unless it ends with one already, and
// each file is added as folder + name. Entries are joined by ";", an empty field starts fresh.
QString joinAttachments(const QString& current, const QStringList& parts,
                        QChar separator = QChar(u'/'));

// The file dialog's filters, written as "description|patterns|description|patterns...", in
// the form QFileDialog takes: "description (pattern pattern...)". "*.*" matches every file.
QStringList dialogNameFilters(const QString& pipeSeparatedFilter);

} // namespace MailRules
