#pragma once

#include <QDialog>

class AppContext;
class QLabel;
class QLineEdit;
class QPushButton;

// The email settings window: shows and changes the one row of SMTPsettings. Its one button
// checks the six fields, saves them, reloads the shared mail settings (fncGetSMTPsettings)
// and closes. Opened modally from the main window's Settings menu.
class Form7 final : public QDialog {
    Q_OBJECT
  public:
    explicit Form7(AppContext& ctx, QWidget* parent = nullptr);
    ~Form7() override;

    // Loads the window and shows it modally until it is closed. When the load fails the
    // failure has been reported and the window does not open.
    static void showModal(AppContext& ctx, QWidget* parent);

    // Fills the fields from the table. A database failure is reported; false then, and the
    // window must not be shown.
    bool Form_Load();
    // Trims, checks, saves, reloads the main window's mail settings, closes. A failure to save
    // is reported and the window stays open with the entries.
    void Command1_Click();

    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr; // ServerName
    QLabel* Label2 = nullptr;
    QLineEdit* Text2 = nullptr; // SMTPusername
    QLabel* Label3 = nullptr;
    QLineEdit* Text3 = nullptr; // SMTPpassword
    QLabel* Label4 = nullptr;
    QLineEdit* Text4 = nullptr; // FromEmail
    QLabel* Label5 = nullptr;
    QLineEdit* Text5 = nullptr; // FromName
    QLabel* Label7 = nullptr;
    QLineEdit* Text7 = nullptr; // SMTPport
    QLabel* Label8 = nullptr;
    QPushButton* Command1 = nullptr;

  private:
    AppContext& m_ctx;
};
