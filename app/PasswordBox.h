#pragma once

#include <QLineEdit>

// A password box that shows "*" for every character (styles draw a dot by default).
inline void maskWithAsterisks(QLineEdit* box) {
    box->setEchoMode(QLineEdit::Password);
    box->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
}
