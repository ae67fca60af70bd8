#include "editors/FieldHooks.h"

#include "editors/EditorRules.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QWidget>

void FieldHooks::onCharacterKey(QWidget* widget, KeyRule rule) {
    widget->installEventFilter(this);
    m_keyRules[widget].append(std::move(rule));
}

void FieldHooks::onFocusLost(QWidget* widget, FocusRule rule) {
    widget->installEventFilter(this);
    m_focusRules[widget].append(std::move(rule));
}

bool FieldHooks::eventFilter(QObject* watched, QEvent* event) {
    if (!m_active)
        return false;
    if (event->type() == QEvent::KeyPress) {
        const auto it = m_keyRules.constFind(watched);
        if (it == m_keyRules.constEnd())
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const int code = EditorRules::keyCharacterCode(key->key(), key->modifiers(), key->text());
        if (code < 0)
            return false;
        const QList<KeyRule> rules = *it; // a rule may add rules or close the window
        for (const KeyRule& rule : rules)
            if (rule(code))
                return true;
        return false;
    }
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return false;
        const auto it = m_focusRules.constFind(watched);
        if (it == m_focusRules.constEnd())
            return false;
        const QList<FocusRule> rules = *it;
        for (const FocusRule& rule : rules)
            rule();
    }
    return false;
}
