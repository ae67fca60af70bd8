#pragma once

#include <QDialog>

class AppContext;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The application settings window: the two monitor intervals in minutes, the two
// auto-start flags and the desktop notifications of the Settings row. Its one button checks, saves
// and closes. Opened modally from the main window's Settings menu; the monitors pick the values up
// the next time they read their settings.
class Form4 final : public QDialog {
    Q_OBJECT
  public:
    explicit Form4(AppContext& ctx, QWidget* parent = nullptr);
    ~Form4() override;

    // Loads the window and shows it modally until it is closed. When the load fails the
    // failure has been reported and the window does not open.
    static void showModal(AppContext& ctx, QWidget* parent);

    // Fills the fields and the Yes/No pairs from the table. A database failure is reported;
    // false then, and the window must not be shown.
    bool Form_Load();
    // Trims Text1 while it is typed (Text2 keeps its blanks).
    void Text1_Change();
    // Keep each Yes/No pair with exactly one box checked.
    void Check1_Click();
    void Check2_Click();
    void Check3_Click();
    void Check4_Click();
    void Check5_Click();
    void Check6_Click();
    // Checks, saves and closes. A failure to save is reported and the window stays open.
    void Command1_Click();

    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr; // PingTimerSeconds (minutes)
    QLabel* Label2 = nullptr;
    QLineEdit* Text2 = nullptr; // ServicesTimerSeconds (minutes)
    QLabel* Label3 = nullptr;
    QCheckBox* Check1 = nullptr; // AutoStartPinger: Yes
    QCheckBox* Check2 = nullptr; // AutoStartPinger: No
    QLabel* Label4 = nullptr;
    QCheckBox* Check3 = nullptr; // AutoStartServices: Yes
    QCheckBox* Check4 = nullptr; // AutoStartServices: No
    QLabel* Label5 = nullptr;
    QCheckBox* Check5 = nullptr; // DesktopNotifications: Yes
    QCheckBox* Check6 = nullptr; // DesktopNotifications: No
    QPushButton* Command1 = nullptr;

  private:
    void pairClick(QCheckBox* box, QCheckBox* partner);

    AppContext& m_ctx;
};
