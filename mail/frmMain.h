#pragma once

#include "mail/MailComponent.h"
#include "mail/MailOutcome.h"

#include <QCoroTask>
#include <QHash>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class AppContext;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// The mail window: a complete mail form (server, sender, recipients, subject, message,
// attachments, options) around one SMTP component, `poSendMail`. The monitors never show it:
// an alert fills a fresh window and awaits cmdSend_Click, which hands everything to the
// component; the window closes itself when the send has ended.
//
// The window is a child window of its parent (the main window): MailWindows closes it when the
// main window unloads, and it is deleted with its parent at the latest. A window that is closed
// while its send is still running drops the component, which abandons the transfer; nothing
// touches the window afterwards.
class frmMain final : public QWidget {
    Q_OBJECT
  public:
    frmMain(AppContext& ctx, QWidget* parent, MailComponentFactory factory = createMailComponent);
    ~frmMain() override;

    // Makes the component and arranges the window; shows nothing. A component that cannot be
    // made is reported with a message box and the remaining steps are skipped.
    void Form_Load();

    // Hands every field to the component and sends. Completes when the attempt has ended,
    // with what became of it (the window itself shows nothing of it).
    QCoro::Task<MailOutcome> cmdSend_Click();
    void cmdExit_Click();
    void cmdBrowse_Click();
    void cmdReset_Click();
    void ClearTextBoxesOnForm();
    void RefillFromComponent();

    // Option handlers; they run whenever the control's value changes, from code or by the user.
    void optEncodeType_Click(int index);
    void cboPriority_Click();
    void ckHtml_Click();
    void ckReceipt_Click();
    void ckLogin_Click();
    void ckPopLogin_Click();

    // Notifications of the component.
    void poSendMail_Progress(int lPercentCompete);
    void poSendMail_Status(const QString& Status);
    void poSendMail_SendSuccesful();
    void poSendMail_SendFailed(const QString& Explanation);

    // The option state handed to the component at each send.
    bool blSendAsHtml() const { return m_blSendAsHtml; }
    bool blRequestReceipt() const { return m_blRequestReceipt; }
    bool blUseLogin() const { return m_blUseLogin; }
    bool blUsePopLogin() const { return m_blUsePopLogin; }
    qint32 lEncodeType() const { return m_lEncodeType; }
    qint32 lPriority() const { return m_lPriority; }

    SmtpClient* poSendMail() const { return m_poSendMail; }
    // The window has run its close steps (it is deleted later if it deletes on close).
    bool isUnloaded() const { return m_unloaded; }
    // The last send stopped on an error before anything was sent: the window stays open and
    // hidden with cmdSend disabled, ready to be used by the next alert.
    bool stoppedOnError() const { return m_stoppedOnError; }

    // Takes a stopped window for the next request: true when the window had stopped on an
    // error and is still open (it is then no longer marked as stopped); its text fields are
    // emptied, so it starts as empty as a fresh window.
    bool takeForReuse();

    // The attachment dialog: returns the chosen files as absolute paths, nothing when
    // cancelled. Replaceable for tests; the default is a QFileDialog.
    using FileChooser = std::function<std::optional<QStringList>(
        QWidget* parent, const QString& title, const QStringList& nameFilters)>;
    void setFileChooser(FileChooser chooser) { m_chooseFiles = std::move(chooser); }
    static std::optional<QStringList> chooseFilesWithDialog(QWidget* parent, const QString& title,
                                                            const QStringList& nameFilters);

    // Design sizes of the options frame, in twips.
    static constexpr int kOptionsShortTwips = 2475;
    static constexpr int kOptionsTallTwips = 3555;

    // --- controls ---
    QLabel* lblServer = nullptr;
    QLineEdit* txtServer = nullptr;
    QLabel* lblPopServer = nullptr;
    QLineEdit* txtPopServer = nullptr;
    QLabel* lblFrom = nullptr;
    QLineEdit* txtFrom = nullptr;
    QLabel* lblFromName = nullptr;
    QLineEdit* txtFromName = nullptr;
    QLabel* lblTo = nullptr;
    QLineEdit* txtTo = nullptr;
    QLabel* lblToName = nullptr;
    QLineEdit* txtToName = nullptr;
    QLabel* lblCC = nullptr;
    QLineEdit* txtCc = nullptr;
    QLabel* lblCcName = nullptr;
    QLineEdit* txtCcName = nullptr;
    QLabel* lblBcc = nullptr;
    QLineEdit* txtBcc = nullptr;
    QLabel* lblSubject = nullptr;
    QLineEdit* txtSubject = nullptr;
    QLabel* lblMsg = nullptr;
    QPlainTextEdit* txtMsg = nullptr;
    QLabel* lblAttach = nullptr;
    QLineEdit* txtAttach = nullptr;
    QGroupBox* fraOptions = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtUserName = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtPassword = nullptr;
    QComboBox* cboPriority = nullptr;
    QRadioButton* optEncodeType[2] = {nullptr, nullptr}; // objectNames optEncodeType_0 / _1
    QCheckBox* ckHtml = nullptr;
    QCheckBox* ckReceipt = nullptr;
    QCheckBox* ckLogin = nullptr;
    QCheckBox* ckPopLogin = nullptr;
    QPushButton* cmdSend = nullptr;
    QPushButton* cmdReset = nullptr;
    QPushButton* cmdExit = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QLabel* lblStatus = nullptr;
    QListWidget* lstStatus = nullptr;
    QLabel* lblProgress = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls();
    void arrangeControls();
    void setOptionsHeight(int twips);
    void Form_Unload();
    void releaseComponent();

    AppContext& m_ctx;
    MailComponentFactory m_factory;
    FileChooser m_chooseFiles;
    SmtpClient* m_poSendMail = nullptr;  // child of the window while it holds it
    QHash<QString, QRect> m_designTwips; // the window's own controls, in twips
    int m_optionsTwips = kOptionsShortTwips;

    bool m_blSendAsHtml = false;
    bool m_blRequestReceipt = false;
    bool m_blUseLogin = false;
    bool m_blUsePopLogin = false;
    qint32 m_lEncodeType = 0;
    qint32 m_lPriority = 3;

    bool m_unloaded = false;
    bool m_stoppedOnError = false;
};
