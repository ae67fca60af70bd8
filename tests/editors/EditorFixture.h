#pragma once

#include "TestProgramFolder.h"
#include "WindowChecks.h"
#include "storage/Database.h"

#include <QLineEdit>
#include <QSqlQuery>
#include <QTest>

// Every row of a table, ID left out, as SQLite quotes its values ('text', NULL, 1), joined by
// "|": what a save wrote, byte for byte.
inline QStringList tableRows(TestProgramFolder& folder, const QString& table,
                             const QStringList& columns) {
    QStringList quoted;
    for (const QString& c : columns)
        quoted << QStringLiteral("quote(%1)").arg(c);
    DbSession session(folder.databasePath());
    QSqlQuery q(session.db());
    session.exec(q, QStringLiteral("SELECT %1 FROM %2 ORDER BY ID")
                        .arg(quoted.join(QStringLiteral(" || '|' || ")), table));
    QStringList rows;
    while (q.next())
        rows << q.value(0).toString();
    return rows;
}

// The boxes shown so far, as "icon title: text" (I information, C critical, Q question,
// - none), and forgets them.
inline QStringList takeShown(RecordingDialogs& dialogs) {
    QStringList out;
    for (const auto& s : dialogs.shown)
        out << QStringLiteral("%1 %2: %3")
                   .arg(QStringView(u"-ICQ").at(int(s.icon)))
                   .arg(s.title, s.text);
    dialogs.shown.clear();
    return out;
}

// Makes an editor, loads it and shows it as the active window.
template <typename Form, typename... Args> std::unique_ptr<Form> openEditor(Args&&... args) {
    auto form = std::make_unique<Form>(std::forward<Args>(args)...);
    if (!form->Form_Load() || (form->show(), !QTest::qWaitForWindowActive(form.get())))
        qFatal("the editor did not open");
    return form;
}

// Types into a box as a user does: the focus moves to it first.
inline void typeInto(QWidget* box, const QString& text) {
    box->setFocus();
    QTest::keyClicks(box, text);
}

template <typename T> T* control(QWidget& form, const QString& name) {
    return form.findChild<T*>(name);
}
