#pragma once

#include <QHash>
#include <QObject>

#include <functional>

class QWidget;

// Watches the key presses and focus losses of an editor's boxes on the widgets themselves, so
// what a user types goes through the same rules as what a test types with QTest.
class FieldHooks final : public QObject {
  public:
    // Runs before the box gets a key that delivers a character (EditorRules::keyCharacterCode);
    // returns true when the key was dealt with and the box must not get it.
    using KeyRule = std::function<bool(int code)>;
    using FocusRule = std::function<void()>;

    explicit FieldHooks(QObject* parent) : QObject(parent) {}

    // Several rules on one widget run in the order they were added.
    void onCharacterKey(QWidget* widget, KeyRule rule);
    // Runs when the focus moves from the widget to another control of the same window (not
    // when another window or a popup takes it).
    void onFocusLost(QWidget* widget, FocusRule rule);
    // While inactive (the window is closing) no rule runs.
    void setActive(bool active) { m_active = active; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QHash<QObject*, QList<KeyRule>> m_keyRules;
    QHash<QObject*, QList<FocusRule>> m_focusRules;
    bool m_active = true;
};
