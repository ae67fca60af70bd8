#pragma once

#include "TestProgramFolder.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::Literals::StringLiterals;

// Runs user actions on a window, steps separated by "|":
//   Name         clicks the button or check box
//   Name=text    sets the box's text, the list's text or the check box ("1") as the code does
//   Name<text    types the text into the box (the focus moves there first)
//   Name^key     presses the key ("Backspace", "Return", "Ctrl+V"...) in the box
//   >Name        moves the focus to the control (the one that had it loses it)
//   *            fills every box and list with "v" and ticks every check box
//   no           answers the next question No
//   %statement   runs the SQL statement on the window's database, as another program would
//   ?Name        reports the control's value, !Name whether it is enabled, ?focus the control
//                with the focus, ?visible the window, ?empty the boxes and lists that are empty
// Returns the reports as "Name=value", joined by blanks.
inline QString runScript(QWidget& form, TestProgramFolder& folder, const QString& script) {
    QStringList reports;
    const auto control = [&form](const QString& name) {
        if (auto* w = form.findChild<QWidget*>(name))
            return w;
        qFatal("no control %s", qPrintable(name));
    };
    const auto value = [](QWidget* w) {
        if (auto* list = qobject_cast<QComboBox*>(w))
            return list->currentText();
        auto* check = qobject_cast<QCheckBox*>(w);
        return check ? QString::number(check->isChecked()) : w->property("text").toString();
    };
    for (const QString& step : script.split(u'|', Qt::SkipEmptyParts)) {
        const QString rest = step.mid(1);
        qsizetype op = 0;
        while (op < step.size() && step.at(op).isLetterOrNumber())
            ++op;
        if (step == u"no"_s) {
            folder.dialogs().answers << DialogAnswer::No;
        } else if (step.front() == u'%') {
            folder.execSql(rest);
        } else if (step == u"*"_s) {
            for (QLineEdit* box : form.findChildren<QLineEdit*>(QRegularExpression(u"^Text"_s)))
                box->setText(u"v"_s);
            for (QComboBox* list : form.findChildren<QComboBox*>())
                list->setCurrentText(u"v"_s);
            for (QCheckBox* check : form.findChildren<QCheckBox*>())
                check->setChecked(true);
        } else if (step == u"?focus"_s) {
            QWidget* w = QApplication::focusWidget();
            while (w && w->objectName().isEmpty())
                w = w->parentWidget();
            reports << u"focus="_s + (w ? w->objectName() : QString());
        } else if (step == u"?visible"_s) {
            reports << u"visible="_s + QString::number(form.isVisible());
        } else if (step == u"?empty"_s) {
            QStringList empty;
            for (int i = 1; i <= 22; ++i) {
                const QString name = i > 20 ? u"Combo%1"_s.arg(i - 20) : u"Text%1"_s.arg(i);
                if (i != 3 && form.findChild<QWidget*>(name) && value(control(name)).isEmpty())
                    empty << (i > 20 ? name : QString::number(i));
            }
            reports << u"empty="_s + empty.join(u',');
        } else if (step.front() == u'?') {
            reports << rest + u'=' + value(control(rest));
        } else if (step.front() == u'!') {
            reports << rest + (control(rest)->isEnabled() ? u"=on"_s : u"=off"_s);
        } else if (step.front() == u'>') {
            control(rest)->setFocus();
        } else if (QWidget* w = control(step.left(op)); op == step.size()) {
            QTest::mouseClick(w, Qt::LeftButton);
        } else if (step.at(op) == u'=') {
            w->setProperty(qobject_cast<QCheckBox*>(w)   ? "checked"
                           : qobject_cast<QComboBox*>(w) ? "currentText"
                                                         : "text",
                           step.mid(op + 1));
        } else if (w->setFocus(); step.at(op) == u'<') {
            QTest::keyClicks(w, step.mid(op + 1));
        } else {
            QTest::keySequence(w, QKeySequence::fromString(step.mid(op + 1)));
        }
    }
    return reports.join(u' ');
}
