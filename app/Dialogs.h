#pragma once

#include <QString>

// Every message box of the program goes through this interface, so a test can record what
// was shown and answer questions from a script. The real one is MessageBoxDialogs.
enum class DialogIcon { None, Information, Critical, Question };
enum class DialogButtons { Ok, YesNo };
enum class DialogAnswer { Ok, Yes, No };

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    virtual DialogAnswer show(DialogIcon icon, DialogButtons buttons, const QString& title,
                              const QString& text) = 0;

    void information(const QString& title, const QString& text) {
        show(DialogIcon::Information, DialogButtons::Ok, title, text);
    }
    void critical(const QString& title, const QString& text) {
        show(DialogIcon::Critical, DialogButtons::Ok, title, text);
    }
    void plain(const QString& title, const QString& text) {
        show(DialogIcon::None, DialogButtons::Ok, title, text);
    }
    bool question(const QString& title, const QString& text) {
        return show(DialogIcon::Question, DialogButtons::YesNo, title, text) == DialogAnswer::Yes;
    }
};
