// The job editor's input rules: typing in one section empties the others, the Update button
// follows the four key boxes, boxes are trimmed when the focus leaves them, the drive letter
// stays in capitals, the service mail box needs an "@", a restart box needs a named service,
// and the two list boxes take no typing.
#include "app/AppContext.h"
#include "editors/EditorTexts.h"
#include "editors/FieldHooks.h"
#include "editors/Form2.h"
#include "settings/SettingsRules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;
using namespace JobText;

void Form2::installInputRules() {
    for (auto it = m_controls.cbegin(); it != m_controls.cend(); ++it) {
        auto* box = qobject_cast<QLineEdit*>(it.value());
        if (!box)
            continue;
        const QString name = it.key();
        if (!EditorRules::controlsEmptiedBy(name).isEmpty()) {
            m_hooks->onCharacterKey(box, [this, name](int) {
                clearOtherSections(name);
                return false;
            });
            // A paste from the context menu or a drop edits without a key press.
            connect(box, &QLineEdit::textEdited, this, [this, name] { clearOtherSections(name); });
        }
        if (EditorRules::trimmedOnFocusLoss().contains(name)) {
            if (box == Text10)
                m_hooks->onFocusLost(box, [this] { Text10_LostFocus(); });
            else
                m_hooks->onFocusLost(box, [this, box] { trimOnFocusLoss(box); });
        }
        if (EditorRules::keyBoxes().contains(name))
            connect(box, &QLineEdit::textChanged, this, &Form2::keyBoxChanged);
    }
    connect(Text14, &QLineEdit::textChanged, this, &Form2::Text14_Change);
    connect(Text18, &QLineEdit::textChanged, this, &Form2::Text18_Change);

    const QList<QCheckBox*> restart = restartBoxes();
    for (int i = 0; i < restart.size(); ++i) {
        QCheckBox* box = restart.at(i);
        auto* service =
            static_cast<QLineEdit*>(m_controls.value(EditorRules::serviceBoxes().at(i)));
        connect(box, &QCheckBox::toggled, this,
                [this, box, service] { restartBoxChanged(box, service); });
    }

    for (QComboBox* list : {Combo1, Combo2}) {
        auto refuseTyping = [this, list](int code) {
            if (!EditorRules::listBoxRefuses(code))
                return false;
            // The key becomes a Backspace.
            m_ctx.dialogs().information(kCantTypeTitle, kCantType);
            list->lineEdit()->backspace();
            return true;
        };
        m_hooks->onCharacterKey(list, refuseTyping);
        m_hooks->onCharacterKey(list->lineEdit(), refuseTyping);
    }
}

void Form2::clearOtherSections(const QString& box) {
    for (const QString& name : EditorRules::controlsEmptiedBy(box)) {
        QWidget* control = m_controls.value(name);
        if (auto* text = qobject_cast<QLineEdit*>(control)) {
            text->clear();
        } else if (auto* list = qobject_cast<QComboBox*>(control)) {
            list->setCurrentIndex(-1);
            list->clearEditText();
        }
    }
}

void Form2::keyBoxChanged() {
    Command3->setEnabled(showsRecord());
}

void Form2::Text14_Change() {
    const QString trimmed = SettingsRules::trimBlanks(Text14->text());
    if (trimmed != Text14->text())
        Text14->setText(trimmed);
}

void Form2::Text18_Change() {
    const QString upper = Text18->text().toUpper();
    if (upper != Text18->text())
        Text18->setText(upper);
}

void Form2::trimOnFocusLoss(QLineEdit* box) {
    const QString trimmed = SettingsRules::trimBlanks(box->text());
    if (trimmed != box->text())
        box->setText(trimmed);
}

void Form2::Text10_LostFocus() {
    mailBoxLostFocus(Text10);
}

void Form2::restartBoxChanged(QCheckBox* box, QLineEdit* service) {
    if (m_inRestartRule || !service->text().isEmpty())
        return;
    m_inRestartRule = true; // clearing the box here does not run the rule again
    box->setChecked(false);
    m_inRestartRule = false;
    m_ctx.dialogs().critical(kRestartErrorTitle, kRestartError);
}
