#pragma once

#include "app/Dialogs.h"

#include <QList>
#include <QString>

// Records every message box instead of showing it; questions are answered from a script
// (Yes when the script is empty).
class RecordingDialogs final : public Dialogs {
  public:
    struct Shown {
        DialogIcon icon;
        DialogButtons buttons;
        QString title;
        QString text;
    };

    DialogAnswer show(DialogIcon icon, DialogButtons buttons, const QString& title,
                      const QString& text) override {
        shown.append({icon, buttons, title, text});
        if (buttons == DialogButtons::Ok)
            return DialogAnswer::Ok;
        return answers.isEmpty() ? DialogAnswer::Yes : answers.takeFirst();
    }

    QList<Shown> shown;
    QList<DialogAnswer> answers;
};
