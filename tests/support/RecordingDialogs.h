#pragma once

#include "app/Dialogs.h"
#include <QStringList>

// Records every message box instead of showing it; questions are answered from a script
// (Yes when the script is empty).
struct RecordingDialogs final : Dialogs {
    struct Shown {
        DialogIcon icon;
        QString title, text;
    };
    DialogAnswer show(DialogIcon icon, DialogButtons buttons, const QString& title,
                      const QString& text) override {
        shown.append({icon, title, text});
        return buttons == DialogButtons::Ok ? DialogAnswer::Ok
               : answers.isEmpty()          ? DialogAnswer::Yes
                                            : answers.takeFirst();
    }
    // Every box shown so far as "icon title: text".
    QStringList boxes() const {
        static const char* const icons[] = {"plain ", "information ", "critical ", "question "};
        QStringList out;
        for (const Shown& s : shown)
            out << QLatin1String(icons[int(s.icon)]) + s.title + QStringLiteral(": ") + s.text;
        return out;
    }
    QList<Shown> shown;
    QList<DialogAnswer> answers;
};
