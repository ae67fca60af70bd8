#include "mail/frmMain.h"

#include "app/AppContext.h"
#include "app/Detach.h"
#include "app/PasswordBox.h"
#include "app/Twips.h"
#include "mail/MailFormat.h"
#include "mail/MailLayout.h"
#include "mail/MailRules.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

using namespace Qt::Literals::StringLiterals;

namespace {

// Every user-visible text of the mail window.
namespace Text {
const QString kCaption = u"Brackwater SMTP Server"_s;
const QString kServer = u"SMTP Server"_s;
const QString kPopServer = u"POP3 Server"_s;
const QString kFrom = u"Sender Email"_s;
const QString kFromName = u"Sender Name"_s;
const QString kTo = u"Recipient Email"_s;
const QString kToName = u"Recipient Name"_s;
const QString kCc = u"Cc: Email"_s;
const QString kCcName = u"Cc: Name"_s;
const QString kBcc = u"Bcc: Email"_s;
const QString kSubject = u"Subject"_s;
const QString kMsg = u"Message"_s;
const QString kAttach = u"Attachment"_s;
const QString kUserName = u"Username:"_s;
const QString kPassword = u"Password:"_s;
const QString kOptions = u"Options"_s;
const QString kPriorityTip = u"Sets the Prioirty of the Mail Message"_s;
const QString kNormal = u"Normal"_s;
const QString kHigh = u"High"_s;
const QString kLow = u"Low"_s;
const QString kMime = u"MIME"_s;
const QString kMimeTip = u"Use MIME encoding for Mail & Attachments."_s;
const QString kUuencode = u"UUEncode"_s;
const QString kUuencodeTip = u"Use UU Encoding for Attachments."_s;
const QString kHtml = u"Html"_s;
const QString kHtmlTip = u"Mail Body is HTML / Plain Text"_s;
const QString kReceipt = u"Receipt"_s;
const QString kReceiptTip = u"Request a Return Receipt"_s;
const QString kLogin = u"Login"_s;
const QString kLoginTip = u"Use Login Authorization When Connecting to a Host"_s;
const QString kPopLogin = u"POP Login"_s;
const QString kSend = u"Send"_s;
const QString kReset = u"Reset"_s;
const QString kExit = u"Exit"_s;
const QString kBrowse = u"Browse..."_s;
const QString kStatus = u"Status"_s;
const QString kProgressDesign = u"Progress  "_s;
const QString kComplete = u"% complete"_s;
const QString kBrowseTitle = u"Select File Attachment(s)"_s;
const QString kBrowseFilter =
    u"All Files (*.*)|*.*|HTML Files (*.htm;*.html;*.shtml)|*.htm;*.html;*.shtml|Images (*.bmp;*.jpg;*.gif)|*.bmp;*.jpg;*.gif"_s;
const QString kSupportFileErrorTitle = u"Support File Error"_s;
const QString kSupportFileErrorText =
    u"This application support file called vbSendMail.dll is not registered, or is missing. It needs to be located in the same folder as this application file."_s;
const QString kLoadErrorText =
    u"An error has occured in the frmMain form load. Please tell Halloran at ext 5522"_s;
const QString kPrinterErrorTitle = u"Printer Error"_s;
const QString kPrinterErrorText =
    u"An error has occured. Possibly the vbSendMail.dll file isn't located in the c:\\windows\\system32 folder, or the file is there but isnt registered. Make sure you register this file."_s;
} // namespace Text

// Design measures, in twips.
namespace Design {
constexpr int kInnerWidth = 9630;
constexpr int kInnerHeight = 8655;
constexpr int kLabelWidth = 1335;
constexpr int kLabelHeight = 255;
constexpr int kBoxWidth = 4815;
constexpr int kBoxHeight = 315;
constexpr int kMsgHeight = 1995;
constexpr int kStatusHeight = 1230;
constexpr int kButtonWidth = 2400;
constexpr int kButtonHeight = 375;
} // namespace Design

QRect pixels(const QRect& twips) {
    return QRect(twipsToPixels(twips.left()), twipsToPixels(twips.top()),
                 twipsToPixels(twips.width()), twipsToPixels(twips.height()));
}

template <typename W> W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

} // namespace

frmMain::frmMain(AppContext& ctx, QWidget* parent, MailComponentFactory factory)
    : QWidget(parent, Qt::Window), m_ctx(ctx), m_factory(std::move(factory)),
      m_chooseFiles(&frmMain::chooseFilesWithDialog) {
    setObjectName(u"frmMain"_s);
    setWindowTitle(Text::kCaption);
    buildControls();
    resize(twipsToPixels(Design::kInnerWidth), twipsToPixels(Design::kInnerHeight));
}

frmMain::~frmMain() = default;

void frmMain::buildControls() {
    // Controls of the window itself get their design size in twips; the load places them.
    auto design = [this](QWidget* w, int width, int height) {
        m_designTwips.insert(w->objectName(), QRect(0, 0, width, height));
        w->setGeometry(pixels(QRect(0, 0, width, height)));
    };
    auto label = [&design](QWidget* parent, const QString& name, const QString& text) {
        auto* l = named(new QLabel(text, parent), name);
        design(l, Design::kLabelWidth, Design::kLabelHeight);
        return l;
    };
    auto box = [this, &design](const QString& name) {
        auto* e = named(new QLineEdit(this), name);
        design(e, Design::kBoxWidth, Design::kBoxHeight);
        return e;
    };
    auto button = [this, &design](const QString& name, const QString& caption) {
        auto* b = named(new QPushButton(caption, this), name);
        design(b, Design::kButtonWidth, Design::kButtonHeight);
        return b;
    };

    lblServer = label(this, u"lblServer"_s, Text::kServer);
    txtServer = box(u"txtServer"_s);
    lblPopServer = label(this, u"lblPopServer"_s, Text::kPopServer);
    txtPopServer = box(u"txtPopServer"_s);
    lblFrom = label(this, u"lblFrom"_s, Text::kFrom);
    txtFrom = box(u"txtFrom"_s);
    lblFromName = label(this, u"lblFromName"_s, Text::kFromName);
    txtFromName = box(u"txtFromName"_s);
    lblTo = label(this, u"lblTo"_s, Text::kTo);
    txtTo = box(u"txtTo"_s);
    lblToName = label(this, u"lblToName"_s, Text::kToName);
    txtToName = box(u"txtToName"_s);
    lblCC = label(this, u"lblCC"_s, Text::kCc);
    txtCc = box(u"txtCc"_s);
    lblCcName = label(this, u"lblCcName"_s, Text::kCcName);
    txtCcName = box(u"txtCcName"_s);
    lblBcc = label(this, u"lblBcc"_s, Text::kBcc);
    txtBcc = box(u"txtBcc"_s);
    lblSubject = label(this, u"lblSubject"_s, Text::kSubject);
    txtSubject = box(u"txtSubject"_s);
    lblMsg = label(this, u"lblMsg"_s, Text::kMsg);
    txtMsg = named(new QPlainTextEdit(this), u"txtMsg"_s);
    txtMsg->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    design(txtMsg, Design::kBoxWidth, Design::kMsgHeight);
    lblAttach = label(this, u"lblAttach"_s, Text::kAttach);
    txtAttach = box(u"txtAttach"_s);

    // A screen reader names each box after its label.
    const std::pair<QLabel*, QWidget*> buddies[] = {
        {lblServer, txtServer}, {lblPopServer, txtPopServer},
        {lblFrom, txtFrom},     {lblFromName, txtFromName},
        {lblTo, txtTo},         {lblToName, txtToName},
        {lblCC, txtCc},         {lblCcName, txtCcName},
        {lblBcc, txtBcc},       {lblSubject, txtSubject},
        {lblMsg, txtMsg},       {lblAttach, txtAttach}};
    for (const auto& [label, buddy] : buddies)
        label->setBuddy(buddy);

    cmdSend = button(u"cmdSend"_s, Text::kSend);
    cmdReset = button(u"cmdReset"_s, Text::kReset);
    cmdExit = button(u"cmdExit"_s, Text::kExit);
    cmdBrowse = button(u"cmdBrowse"_s, Text::kBrowse);

    lblStatus = label(this, u"lblStatus"_s, Text::kStatus);
    lstStatus = named(new QListWidget(this), u"lstStatus"_s);
    lstStatus->setSelectionMode(QAbstractItemView::SingleSelection);
    design(lstStatus, Design::kBoxWidth, Design::kStatusHeight);
    // A list is not named by a label's buddy: it carries the label's text itself.
    lstStatus->setAccessibleName(Text::kStatus);
    lblProgress = label(this, u"lblProgress"_s, Text::kProgressDesign);
    design(lblProgress, Design::kBoxWidth, Design::kLabelHeight);

    // The options frame; the login fields lie below its short height and show when it grows.
    fraOptions = named(new QGroupBox(Text::kOptions, this), u"fraOptions"_s);
    design(fraOptions, Design::kButtonWidth, kOptionsShortTwips);
    auto place = [](QWidget* w, int left, int top, int width, int height) {
        w->setGeometry(pixels(QRect(left, top, width, height)));
    };
    cboPriority = named(new QComboBox(fraOptions), u"cboPriority"_s);
    cboPriority->setToolTip(Text::kPriorityTip);
    cboPriority->setEditable(false);
    place(cboPriority, 120, 300, 2160, 315);
    optEncodeType[0] = named(new QRadioButton(Text::kMime, fraOptions), u"optEncodeType_0"_s);
    optEncodeType[0]->setToolTip(Text::kMimeTip);
    optEncodeType[0]->setChecked(true);
    place(optEncodeType[0], 120, 780, 1000, 255);
    optEncodeType[1] = named(new QRadioButton(Text::kUuencode, fraOptions), u"optEncodeType_1"_s);
    optEncodeType[1]->setToolTip(Text::kUuencodeTip);
    place(optEncodeType[1], 1140, 780, 1200, 255);
    ckHtml = named(new QCheckBox(Text::kHtml, fraOptions), u"ckHtml"_s);
    ckHtml->setToolTip(Text::kHtmlTip);
    place(ckHtml, 120, 1260, 1000, 255);
    ckReceipt = named(new QCheckBox(Text::kReceipt, fraOptions), u"ckReceipt"_s);
    ckReceipt->setToolTip(Text::kReceiptTip);
    place(ckReceipt, 1140, 1260, 1200, 255);
    ckLogin = named(new QCheckBox(Text::kLogin, fraOptions), u"ckLogin"_s);
    ckLogin->setToolTip(Text::kLoginTip);
    place(ckLogin, 120, 1740, 1000, 255);
    ckPopLogin = named(new QCheckBox(Text::kPopLogin, fraOptions), u"ckPopLogin"_s);
    ckPopLogin->setToolTip(Text::kLoginTip);
    place(ckPopLogin, 1140, 1740, 1200, 255);
    Label1 = label(fraOptions, u"Label1"_s, Text::kUserName);
    place(Label1, 120, 2580, 1020, 255);
    txtUserName = named(new QLineEdit(fraOptions), u"txtUserName"_s);
    place(txtUserName, 1140, 2550, 1140, 315);
    Label2 = label(fraOptions, u"Label2"_s, Text::kPassword);
    place(Label2, 120, 3030, 1020, 255);
    txtPassword = named(new QLineEdit(fraOptions), u"txtPassword"_s);
    maskWithAsterisks(txtPassword);
    place(txtPassword, 1140, 3000, 1140, 315);

    // Handlers run on every change of a value, whether the user or the code made it.
    connect(cmdSend, &QPushButton::clicked, this,
            [this] { detach(cmdSend_Click(), u"the mail window's send"_s, {}, &lcMail); });
    connect(cmdReset, &QPushButton::clicked, this, &frmMain::cmdReset_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmMain::cmdBrowse_Click);
    for (int index = 0; index < 2; ++index) {
        connect(optEncodeType[index], &QRadioButton::toggled, this, [this, index](bool selected) {
            if (selected)
                optEncodeType_Click(index);
        });
    }
    connect(cboPriority, &QComboBox::currentIndexChanged, this, &frmMain::cboPriority_Click);
    connect(ckHtml, &QCheckBox::toggled, this, &frmMain::ckHtml_Click);
    connect(ckReceipt, &QCheckBox::toggled, this, &frmMain::ckReceipt_Click);
    connect(ckLogin, &QCheckBox::toggled, this, &frmMain::ckLogin_Click);
    connect(ckPopLogin, &QCheckBox::toggled, this, &frmMain::ckPopLogin_Click);
    // Only Up and Down reach the priority list from the keyboard, closed or dropped down.
    cboPriority->installEventFilter(this);
    cboPriority->view()->installEventFilter(this);
}

void frmMain::Form_Load() {
    MailComponentResult made =
        m_factory ? m_factory() : MailComponentResult{nullptr, MailComponentError::Other};
    if (!made.component) {
        if (made.error == MailComponentError::Unavailable)
            m_ctx.dialogs().critical(Text::kSupportFileErrorTitle, Text::kSupportFileErrorText);
        else
            m_ctx.dialogs().plain(QCoreApplication::applicationName(), Text::kLoadErrorText);
        return;
    }
    m_poSendMail = made.component.release();
    m_poSendMail->setParent(this);
    connect(m_poSendMail, &SmtpClient::Progress, this, &frmMain::poSendMail_Progress);
    connect(m_poSendMail, &SmtpClient::Status, this, &frmMain::poSendMail_Status);
    connect(m_poSendMail, &SmtpClient::SendSuccesful, this, &frmMain::poSendMail_SendSuccesful);
    connect(m_poSendMail, &SmtpClient::SendFailed, this, &frmMain::poSendMail_SendFailed);

    if (const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) {
        const QRect area = s->geometry();
        move(area.left() + (area.width() - width()) / 2,
             area.top() + (area.height() - height()) / 2);
    }
    setOptionsHeight(kOptionsShortTwips);
    lblProgress->clear();
    cboPriority->addItems({Text::kNormal, Text::kHigh, Text::kLow});
    cboPriority->setCurrentIndex(0);
    arrangeControls();
    lblPopServer->hide();
    txtPopServer->hide();
    ckLogin->setChecked(true);
}

void frmMain::arrangeControls() {
    MailLayout::Rects rects = m_designTwips;
    rects[u"fraOptions"_s].setHeight(m_optionsTwips);
    m_designTwips =
        MailLayout::arrangeMailWindow(rects, QSize(Design::kInnerWidth, Design::kInnerHeight));
    for (auto it = m_designTwips.cbegin(); it != m_designTwips.cend(); ++it) {
        if (auto* w = findChild<QWidget*>(it.key(), Qt::FindDirectChildrenOnly))
            w->setGeometry(pixels(*it));
    }
}

void frmMain::setOptionsHeight(int twips) {
    m_optionsTwips = twips;
    fraOptions->resize(fraOptions->width(), twipsToPixels(twips));
}

QCoro::Task<MailOutcome> frmMain::cmdSend_Click() {
    const QPointer<frmMain> self(this);
    m_stoppedOnError = false;
    cmdSend->setEnabled(false);
    lstStatus->clear();
    const QStringList recipients =
        MailFormat::splitList(txtTo->text() + u';' + txtCc->text() + u';' + txtBcc->text(), u";"_s);

    SmtpClient* const mail = m_poSendMail;
    if (!mail) {
        // Nothing to send with: the window stays as it is, to be used again.
        m_stoppedOnError = true;
        m_ctx.dialogs().critical(Text::kPrinterErrorTitle, Text::kPrinterErrorText);
        co_return MailOutcome::failure(recipients, u"no mail component"_s,
                                       u"The mail window has no SMTP component."_s);
    }
    mail->setListSeparator(u";"_s);
    mail->setServer(txtServer->text());
    mail->setFrom(txtFrom->text());
    mail->setFromName(txtFromName->text());
    mail->setRecipients(txtTo->text());
    mail->setRecipientNames(txtToName->text());
    mail->setCc(txtCc->text());
    mail->setCcNames(txtCcName->text());
    mail->setBcc(txtBcc->text());
    mail->setReplyTo(txtFrom->text());
    mail->setSubject(txtSubject->text());
    mail->setMessage(txtMsg->toPlainText());
    mail->setAttachments(txtAttach->text().trimmed());
    mail->setAsHtml(m_blSendAsHtml);
    mail->setEncodeType(m_lEncodeType);
    mail->setPriority(m_lPriority);
    mail->setReceipt(m_blRequestReceipt);
    mail->setUseAuthentication(m_blUseLogin);
    mail->setPopLogin(m_blUsePopLogin);
    mail->setUserName(txtUserName->text());
    mail->setPassword(txtPassword->text());
    mail->setPop3Server(txtPopServer->text());
    const std::optional<qint32> port = MailRules::portFromText(m_ctx.values().SMTPport);
    if (!port) {
        // A port that is not a whole number: nothing is sent, and the window waits for the
        // next request.
        m_stoppedOnError = true;
        co_return MailOutcome::failure(
            recipients, u"bad port"_s,
            u"The SMTP port \"%1\" is not a whole number."_s.arg(m_ctx.values().SMTPport));
    }
    mail->setPort(*port);

    QCoro::Task<MailOutcome> sending = mail->send();
    MailOutcome outcome = co_await sending;
    // A notification may have closed the window, or the main window may have gone meanwhile.
    if (!self || self->m_unloaded)
        co_return outcome;
    if (m_poSendMail)
        txtServer->setText(m_poSendMail->server());
    unsetCursor();
    cmdSend->setEnabled(true);
    close();
    co_return outcome;
}

void frmMain::poSendMail_Progress(int lPercentCompete) {
    lblProgress->setText(QString::number(lPercentCompete) + Text::kComplete);
}

void frmMain::poSendMail_Status(const QString& Status) {
    lstStatus->addItem(Status);
    // Select the new line so it scrolls into view, then take the selection away again.
    lstStatus->setCurrentRow(lstStatus->count() - 1);
    lstStatus->scrollToItem(lstStatus->item(lstStatus->count() - 1));
    lstStatus->setCurrentRow(-1);
    lstStatus->clearSelection();
}

void frmMain::poSendMail_SendSuccesful() {
    cmdExit_Click();
}

void frmMain::poSendMail_SendFailed(const QString& Explanation) {
    // Not shown: the send's outcome carries it to the caller, which logs it.
    Q_UNUSED(Explanation);
    lblProgress->clear();
    unsetCursor();
    cmdSend->setEnabled(true);
    cmdExit_Click();
}

void frmMain::cmdExit_Click() {
    releaseComponent();
    close();
}

void frmMain::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmMain::Form_Unload() {
    releaseComponent();
    m_unloaded = true;
}

void frmMain::releaseComponent() {
    if (!m_poSendMail)
        return;
    SmtpClient* mail = m_poSendMail;
    m_poSendMail = nullptr;
    disconnect(mail, nullptr, this, nullptr);
    // Deleted once the current notification has returned; a running transfer is abandoned.
    mail->deleteLater();
}

bool frmMain::takeForReuse() {
    if (!m_stoppedOnError || m_unloaded)
        return false;
    m_stoppedOnError = false;
    ClearTextBoxesOnForm();
    return true;
}

void frmMain::cmdBrowse_Click() {
    if (!m_chooseFiles)
        return;
    const std::optional<QStringList> picked =
        m_chooseFiles(this, Text::kBrowseTitle, MailRules::dialogNameFilters(Text::kBrowseFilter));
    if (!picked || picked->isEmpty())
        return;
    txtAttach->setText(MailRules::joinAttachments(
        txtAttach->text(), MailRules::selectionParts(*picked), QDir::separator()));
}

std::optional<QStringList> frmMain::chooseFilesWithDialog(QWidget* parent, const QString& title,
                                                          const QStringList& nameFilters) {
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(nameFilters);
    if (!nameFilters.isEmpty())
        dialog.selectNameFilter(nameFilters.first());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedFiles();
}

void frmMain::cmdReset_Click() {
    ClearTextBoxesOnForm();
    lstStatus->clear();
    lblProgress->clear();
    RefillFromComponent();
}

void frmMain::ClearTextBoxesOnForm() {
    const auto lines = findChildren<QLineEdit*>();
    for (QLineEdit* e : lines)
        e->clear();
    const auto texts = findChildren<QPlainTextEdit*>();
    for (QPlainTextEdit* e : texts)
        e->clear();
}

void frmMain::RefillFromComponent() {
    SmtpClient* const mail = m_poSendMail;
    if (!mail)
        return; // no component: the fields stay empty
    txtServer->setText(mail->server());
    txtPopServer->setText(mail->pop3Server());
    txtFrom->setText(mail->from());
    txtFromName->setText(mail->fromName());
    txtUserName->setText(mail->userName());
    const int code = mail->encodeType();
    if (code == 0 || code == 1)
        optEncodeType[code]->setChecked(true);
    ckLogin->setChecked(mail->useAuthentication());
}

void frmMain::optEncodeType_Click(int index) {
    const bool mime = index == 0;
    m_lEncodeType = mime ? 0 : 1;
    if (!mime) {
        ckHtml->setChecked(false);
        ckReceipt->setChecked(false);
        ckLogin->setChecked(false);
    }
    cboPriority->setEnabled(mime);
    ckHtml->setEnabled(mime);
    ckReceipt->setEnabled(mime);
    ckLogin->setEnabled(mime);
}

void frmMain::cboPriority_Click() {
    if (const std::optional<int> priority =
            MailRules::priorityForIndex(cboPriority->currentIndex()))
        m_lPriority = *priority;
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == cboPriority || watched == cboPriority->view()) &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool droppedDown = cboPriority->view()->isVisible();
        if (!MailRules::priorityKeyAllowed(key->key(), droppedDown))
            return true; // the key is dropped
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::ckHtml_Click() {
    m_blSendAsHtml = ckHtml->isChecked();
}

void frmMain::ckReceipt_Click() {
    m_blRequestReceipt = ckReceipt->isChecked();
}

void frmMain::ckLogin_Click() {
    if (ckLogin->isChecked()) {
        m_blUseLogin = true;
        setOptionsHeight(kOptionsTallTwips);
    } else {
        m_blUseLogin = false;
        if (!ckPopLogin->isChecked())
            setOptionsHeight(kOptionsShortTwips);
    }
}

void frmMain::ckPopLogin_Click() {
    if (ckPopLogin->isChecked()) {
        m_blUsePopLogin = true;
        lblPopServer->show();
        txtPopServer->show();
        setOptionsHeight(kOptionsTallTwips);
    } else {
        m_blUsePopLogin = false;
        lblPopServer->hide();
        txtPopServer->hide();
        if (!ckLogin->isChecked())
            setOptionsHeight(kOptionsShortTwips);
    }
}
