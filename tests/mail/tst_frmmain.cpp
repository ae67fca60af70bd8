// The mail window without a mail server: controls, load, layout, option handlers, the
// priority keys, notifications, browse, reset, and the sends that stop before anything goes out.
#include "SmtpPeer.h"
#include "TestProgramFolder.h"
#include "WindowChecks.h"
#include "app/Form1.h"
#include "mail/MailWindows.h"
#include "mail/frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

MailComponentFactory failingFactory(MailComponentError error) {
    return [error] { return MailComponentResult{nullptr, error}; };
}

const QString kPrinterErrorText =
    u"An error has occured. Possibly the vbSendMail.dll file isn't located in the c:\\windows\\system32 folder, or the file is there but isnt registered. Make sure you register this file."_s;

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<Form1> m_main;

    std::unique_ptr<frmMain> loadedWindow(MailComponentFactory factory = createMailComponent) {
        auto w = std::make_unique<frmMain>(m_folder->ctx, m_main.get(), std::move(factory));
        w->Form_Load();
        return w;
    }

  private Q_SLOTS:
    void initTestCase() { QCoreApplication::setApplicationName(u"Korvane"_s); }
    void init() {
        m_folder = std::make_unique<TestProgramFolder>();
        m_main = std::make_unique<Form1>(m_folder->ctx);
    }
    void cleanup() {
        m_main.reset();
        m_folder.reset();
        KORVANE_VERIFY_NO_WINDOW_OPEN();
    }

    void controls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text"); // caption or label text
        QTest::addColumn<QString>("tip");
        const QString loginTip = u"Use Login Authorization When Connecting to a Host"_s;
        const struct {
            const char16_t* name;
            const char16_t* text;
        } labels[] = {
            {u"lblServer", u"SMTP Server"}, {u"lblPopServer", u"POP3 Server"},
            {u"lblFrom", u"Sender Email"},  {u"lblFromName", u"Sender Name"},
            {u"lblTo", u"Recipient Email"}, {u"lblToName", u"Recipient Name"},
            {u"lblCC", u"Cc: Email"},       {u"lblCcName", u"Cc: Name"},
            {u"lblBcc", u"Bcc: Email"},     {u"lblSubject", u"Subject"},
            {u"lblMsg", u"Message"},        {u"lblAttach", u"Attachment"},
            {u"Label1", u"Username:"},      {u"Label2", u"Password:"},
            {u"lblStatus", u"Status"},      {u"cmdSend", u"Send"},
            {u"cmdReset", u"Reset"},        {u"cmdExit", u"Exit"},
            {u"cmdBrowse", u"Browse..."},   {u"fraOptions", u"Options"},
        };
        for (const auto& l : labels)
            QTest::newRow(QString::fromUtf16(l.name).toUtf8().constData())
                << QString::fromUtf16(l.name) << QString::fromUtf16(l.text) << QString();
        QTest::newRow("cboPriority")
            << u"cboPriority"_s << QString() << u"Sets the Prioirty of the Mail Message"_s;
        QTest::newRow("optEncodeType_0")
            << u"optEncodeType_0"_s << u"MIME"_s << u"Use MIME encoding for Mail & Attachments."_s;
        QTest::newRow("optEncodeType_1")
            << u"optEncodeType_1"_s << u"UUEncode"_s << u"Use UU Encoding for Attachments."_s;
        QTest::newRow("ckHtml") << u"ckHtml"_s << u"Html"_s << u"Mail Body is HTML / Plain Text"_s;
        QTest::newRow("ckReceipt")
            << u"ckReceipt"_s << u"Receipt"_s << u"Request a Return Receipt"_s;
        QTest::newRow("ckLogin") << u"ckLogin"_s << u"Login"_s << loginTip;
        QTest::newRow("ckPopLogin") << u"ckPopLogin"_s << u"POP Login"_s << loginTip;
        for (const char16_t* box :
             {u"txtServer", u"txtPopServer", u"txtFrom", u"txtFromName", u"txtTo", u"txtToName",
              u"txtCc", u"txtCcName", u"txtBcc", u"txtSubject", u"txtAttach", u"txtUserName",
              u"txtPassword", u"txtMsg", u"lstStatus"})
            QTest::newRow(QString::fromUtf16(box).toUtf8().constData())
                << QString::fromUtf16(box) << QString() << QString();
    }
    void controls() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, tip);
        frmMain window(m_folder->ctx, m_main.get());
        QCOMPARE(window.objectName(), u"frmMain"_s);
        QCOMPARE(window.windowTitle(), u"Brackwater SMTP Server"_s);
        const auto found = window.findChildren<QWidget*>(name);
        QCOMPARE(found.size(), 1);
        QWidget* w = found.first();
        QCOMPARE(w->toolTip(), tip);
        if (auto* label = qobject_cast<QLabel*>(w))
            QCOMPARE(label->text(), text);
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            QCOMPARE(button->text(), text);
        else if (auto* frame = qobject_cast<QGroupBox*>(w))
            QCOMPARE(frame->title(), text);
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            QCOMPARE(edit->text(), QString());
        // The login fields sit in the options frame, everything else on the window itself.
        const bool inFrame = name.startsWith(u"ck"_s) || name.startsWith(u"opt"_s) ||
                             name == u"cboPriority"_s || name == u"Label1"_s ||
                             name == u"Label2"_s || name == u"txtUserName"_s ||
                             name == u"txtPassword"_s;
        QCOMPARE(w->parentWidget(), inFrame ? static_cast<QWidget*>(window.fraOptions) : &window);
    }

    void loadState() {
        auto window = loadedWindow();
        QVERIFY(window->poSendMail());
        QVERIFY(!window->isVisible());
        QCOMPARE(m_folder->dialogs().shown.size(), 0);
        QCOMPARE(window->lblProgress->text(), QString());
        QCOMPARE(window->cboPriority->count(), 3);
        QCOMPARE(window->cboPriority->itemText(0), u"Normal"_s);
        QCOMPARE(window->cboPriority->itemText(1), u"High"_s);
        QCOMPARE(window->cboPriority->itemText(2), u"Low"_s);
        QCOMPARE(window->cboPriority->currentIndex(), 0);
        QCOMPARE(window->lPriority(), 3);
        QCOMPARE(window->lEncodeType(), 0);
        QVERIFY(window->optEncodeType[0]->isChecked());
        QVERIFY(!window->optEncodeType[1]->isChecked());
        QVERIFY(window->ckLogin->isChecked());
        QVERIFY(window->blUseLogin());
        QVERIFY(!window->ckHtml->isChecked());
        QVERIFY(!window->blSendAsHtml());
        QVERIFY(!window->ckReceipt->isChecked());
        QVERIFY(!window->blRequestReceipt());
        QVERIFY(!window->ckPopLogin->isChecked());
        QVERIFY(!window->blUsePopLogin());
        QVERIFY(window->lblPopServer->isHidden());
        QVERIFY(window->txtPopServer->isHidden());
        QCOMPARE(window->fraOptions->height(), 237); // 3555 twips with Login checked
        QCOMPARE(window->txtPassword->echoMode(), QLineEdit::Password);
        QCOMPARE(window->txtMsg->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(window->cmdSend->isEnabled());
        const auto boxes = window->findChildren<QLineEdit*>();
        QCOMPARE(boxes.size(), 13);
        for (QLineEdit* box : boxes)
            QCOMPARE(box->text(), QString());
        QCOMPARE(window->txtMsg->toPlainText(), QString());
        QCOMPARE(window->lstStatus->count(), 0);
    }

    void layout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry"); // pixels, from the twips of the arrangement
        QTest::newRow("txtServer") << u"txtServer"_s << QRect(125, 14, 321, 21);
        QTest::newRow("lblServer") << u"lblServer"_s << QRect(16, 16, 89, 17);
        QTest::newRow("cmdSend") << u"cmdSend"_s << QRect(466, 12, 160, 25);
        QTest::newRow("txtMsg") << u"txtMsg"_s << QRect(125, 290, 321, 133);
        QTest::newRow("lstStatus") << u"lstStatus"_s << QRect(125, 458, 321, 82);
        QTest::newRow("cmdBrowse") << u"cmdBrowse"_s << QRect(466, 428, 160, 25);
        QTest::newRow("fraOptions") << u"fraOptions"_s << QRect(466, 143, 160, 237);
    }
    void layout() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        auto window = loadedWindow();
        QCOMPARE(window->findChild<QWidget*>(name)->geometry(), geometry);
    }

    void loginOptions_data() {
        QTest::addColumn<bool>("login");
        QTest::addColumn<bool>("popLogin");
        QTest::addColumn<int>("frameHeight");
        QTest::addColumn<bool>("popServerShown");
        QTest::newRow("login only") << true << false << 237 << false;
        QTest::newRow("neither") << false << false << 165 << false;
        QTest::newRow("pop login only") << false << true << 237 << true;
        QTest::newRow("both") << true << true << 237 << true;
    }
    void loginOptions() {
        QFETCH(bool, login);
        QFETCH(bool, popLogin);
        QFETCH(int, frameHeight);
        QFETCH(bool, popServerShown);
        auto window = loadedWindow();
        // Go through both boxes off first, then set the wanted state.
        window->ckLogin->setChecked(false);
        QCOMPARE(window->fraOptions->height(), 165);
        window->ckPopLogin->setChecked(popLogin);
        window->ckLogin->setChecked(login);
        QCOMPARE(window->blUseLogin(), login);
        QCOMPARE(window->blUsePopLogin(), popLogin);
        QCOMPARE(window->fraOptions->height(), frameHeight);
        QCOMPARE(!window->txtPopServer->isHidden(), popServerShown);
        QCOMPARE(!window->lblPopServer->isHidden(), popServerShown);
        // Turning one of two checked boxes off keeps the frame tall.
        if (login && popLogin) {
            window->ckLogin->setChecked(false);
            QCOMPARE(window->fraOptions->height(), 237);
            window->ckPopLogin->setChecked(false);
            QCOMPARE(window->fraOptions->height(), 165);
            QVERIFY(window->txtPopServer->isHidden());
        }
    }

    void htmlAndReceipt() {
        auto window = loadedWindow();
        window->ckHtml->setChecked(true);
        QVERIFY(window->blSendAsHtml());
        window->ckReceipt->setChecked(true);
        QVERIFY(window->blRequestReceipt());
        window->ckHtml->setChecked(false);
        QVERIFY(!window->blSendAsHtml());
        window->ckReceipt->setChecked(false);
        QVERIFY(!window->blRequestReceipt());
    }

    void encodeType_data() {
        QTest::addColumn<bool>("popLogin");
        QTest::addColumn<int>("frameHeight");
        QTest::newRow("without pop login") << false << 165;
        QTest::newRow("with pop login") << true << 237;
    }
    void encodeType() {
        QFETCH(bool, popLogin);
        QFETCH(int, frameHeight);
        auto window = loadedWindow();
        window->ckHtml->setChecked(true);
        window->ckReceipt->setChecked(true);
        window->ckPopLogin->setChecked(popLogin);
        window->optEncodeType[1]->setChecked(true);
        QCOMPARE(window->lEncodeType(), 1);
        for (QCheckBox* box : {window->ckHtml, window->ckReceipt, window->ckLogin}) {
            QVERIFY(!box->isChecked());
            QVERIFY(!box->isEnabled());
        }
        QVERIFY(!window->cboPriority->isEnabled());
        QVERIFY(!window->blSendAsHtml());
        QVERIFY(!window->blRequestReceipt());
        QVERIFY(!window->blUseLogin());
        QCOMPARE(window->blUsePopLogin(), popLogin);
        QVERIFY(window->ckPopLogin->isEnabled());
        QCOMPARE(window->fraOptions->height(), frameHeight);

        window->optEncodeType[0]->setChecked(true);
        QCOMPARE(window->lEncodeType(), 0);
        for (QCheckBox* box : {window->ckHtml, window->ckReceipt, window->ckLogin}) {
            QVERIFY(!box->isChecked());
            QVERIFY(box->isEnabled());
        }
        QVERIFY(window->cboPriority->isEnabled());
        QVERIFY(!window->blUseLogin());
    }

    void priorityKeys_data() {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("priority");
        QTest::newRow("Down") << QList<int>{Qt::Key_Down} << 1 << 1;
        QTest::newRow("Down Down") << QList<int>{Qt::Key_Down, Qt::Key_Down} << 2 << 5;
        QTest::newRow("past the end")
            << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down} << 2 << 5;
        QTest::newRow("Down Up") << QList<int>{Qt::Key_Down, Qt::Key_Up} << 0 << 3;
        QTest::newRow("typed H") << QList<int>{Qt::Key_H} << 0 << 3;
        QTest::newRow("typed L") << QList<int>{Qt::Key_L} << 0 << 3;
        QTest::newRow("End") << QList<int>{Qt::Key_End} << 0 << 3;
        QTest::newRow("PageDown") << QList<int>{Qt::Key_PageDown} << 0 << 3;
        QTest::newRow("Down then Home") << QList<int>{Qt::Key_Down, Qt::Key_Home} << 1 << 1;
        QTest::newRow("Down then typed N") << QList<int>{Qt::Key_Down, Qt::Key_N} << 1 << 1;
    }
    void priorityKeys() {
        QFETCH(QList<int>, keys);
        QFETCH(int, index);
        QFETCH(int, priority);
        auto window = loadedWindow();
        for (int key : keys) {
            const QString text =
                key >= Qt::Key_A && key <= Qt::Key_Z ? QString(QChar(key)) : QString();
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
            QApplication::sendEvent(window->cboPriority, &press);
        }
        QCOMPARE(window->cboPriority->currentIndex(), index);
        QCOMPARE(window->lPriority(), priority);
    }

    void priorityByMouse() {
        auto window = loadedWindow();
        window->cboPriority->setCurrentIndex(2);
        QCOMPARE(window->lPriority(), 5);
        window->cboPriority->setCurrentIndex(1);
        QCOMPARE(window->lPriority(), 1);
        window->cboPriority->setCurrentIndex(0);
        QCOMPARE(window->lPriority(), 3);
    }

    void notifications() {
        auto window = loadedWindow();
        SmtpClient* component = window->poSendMail();
        Q_EMIT component->Progress(42);
        QCOMPARE(window->lblProgress->text(), u"42% complete"_s);
        Q_EMIT component->Progress(100);
        QCOMPARE(window->lblProgress->text(), u"100% complete"_s);
        const QStringList lines{u"220 mail.x.invalid ESMTP"_s, u"250 OK"_s,
                                u"354 End data with <CR><LF>.<CR><LF>"_s};
        for (const QString& line : lines)
            Q_EMIT component->Status(line);
        QCOMPARE(window->lstStatus->count(), 3);
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(window->lstStatus->item(i)->text(), lines.at(i));
        QCOMPARE(window->lstStatus->currentRow(), -1);
        QVERIFY(window->lstStatus->selectedItems().isEmpty());
    }

    void endNotifications_data() {
        QTest::addColumn<bool>("success");
        QTest::newRow("success") << true;
        QTest::newRow("failure") << false;
    }
    void endNotifications() {
        QFETCH(bool, success);
        auto window = loadedWindow();
        window->cmdSend->setEnabled(false);
        QPointer<SmtpClient> component = window->poSendMail();
        Q_EMIT component->Progress(50);
        if (success)
            Q_EMIT component->SendSuccesful();
        else
            Q_EMIT component->SendFailed(u"The server refused the mail."_s);
        QVERIFY(window->isUnloaded());
        QVERIFY(!window->poSendMail());
        // A failure clears the progress and gives the Send button back; the explanation is not
        // shown.
        QCOMPARE(window->lblProgress->text(), success ? u"50% complete"_s : QString());
        QCOMPARE(window->cmdSend->isEnabled(), !success);
        QCOMPARE(m_folder->dialogs().shown.size(), 0);
        QTRY_VERIFY(component.isNull());
    }

    void browse_data() {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QStringList>("picked"); // empty: cancelled
        QTest::addColumn<QString>("result");
        QTest::newRow("two files")
            << QString() << QStringList{u"/srv/mail/a.txt"_s, u"/srv/mail/b.txt"_s}
            << u"/srv/mail/a.txt;/srv/mail/b.txt"_s;
        QTest::newRow("two files after x.doc")
            << u"x.doc"_s << QStringList{u"/srv/mail/a.txt"_s, u"/srv/mail/b.txt"_s}
            << u"x.doc;/srv/mail/a.txt;/srv/mail/b.txt"_s;
        QTest::newRow("root folder")
            << QString() << QStringList{u"/a.txt"_s, u"/b.txt"_s} << u"/a.txt;/b.txt"_s;
        QTest::newRow("one file") << QString() << QStringList{u"/srv/mail/a.txt"_s}
                                  << u"/srv/mail/a.txt"_s;
        QTest::newRow("one file after x.doc")
            << u"x.doc"_s << QStringList{u"/srv/mail/a.txt"_s} << u"x.doc;/srv/mail/a.txt"_s;
        QTest::newRow("cancelled") << u"x.doc"_s << QStringList{} << u"x.doc"_s;
    }
    void browse() {
        QFETCH(QString, current);
        QFETCH(QStringList, picked);
        QFETCH(QString, result);
        auto window = loadedWindow();
        window->txtAttach->setText(current);
        QString askedTitle;
        QStringList askedFilters;
        QWidget* askedParent = nullptr;
        window->setFileChooser([&](QWidget* parent, const QString& title,
                                   const QStringList& filters) -> std::optional<QStringList> {
            askedParent = parent;
            askedTitle = title;
            askedFilters = filters;
            if (picked.isEmpty())
                return std::nullopt;
            return picked;
        });
        window->cmdBrowse_Click();
        QCOMPARE(askedParent, window.get());
        QCOMPARE(askedTitle, u"Select File Attachment(s)"_s);
        QCOMPARE(askedFilters,
                 (QStringList{u"All Files (*)"_s, u"HTML Files (*.htm *.html *.shtml)"_s,
                              u"Images (*.bmp *.jpg *.gif)"_s}));
        QCOMPARE(window->txtAttach->text(), result);
    }

    void browseDialog_data() {
        QTest::addColumn<QStringList>("select"); // empty: cancel
        QTest::addColumn<QString>("result");
        QTest::newRow("two files")
            << QStringList{u"a.txt"_s, u"b.txt"_s} << u"x.doc;%1/a.txt;%1/b.txt"_s;
        QTest::newRow("one file") << QStringList{u"b.txt"_s} << u"x.doc;%1/b.txt"_s;
        QTest::newRow("cancelled") << QStringList{} << u"x.doc"_s;
    }
    void browseDialog() {
        QFETCH(QStringList, select);
        QFETCH(QString, result);
        QTemporaryDir dir;
        for (const QString& name : {u"a.txt"_s, u"b.txt"_s}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        auto window = loadedWindow();
        window->txtAttach->setText(u"x.doc"_s);
        QString title;
        QStringList filters;
        bool severalFiles = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            title = dialog->windowTitle();
            filters = dialog->nameFilters();
            severalFiles = dialog->fileMode() == QFileDialog::ExistingFiles;
            if (select.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->setDirectory(dir.path());
            QStringList quoted;
            for (const QString& name : select)
                quoted << u'"' + name + u'"';
            dialog->selectFile(quoted.join(u' '));
            static_cast<QDialog*>(dialog)->accept();
        });
        window->cmdBrowse_Click();
        QCOMPARE(title, u"Select File Attachment(s)"_s);
        QCOMPARE(filters, (QStringList{u"All Files (*)"_s, u"HTML Files (*.htm *.html *.shtml)"_s,
                                       u"Images (*.bmp *.jpg *.gif)"_s}));
        QVERIFY(severalFiles);
        QCOMPARE(window->txtAttach->text(), result.arg(QDir::toNativeSeparators(dir.path())));
    }

    void reset() {
        auto window = loadedWindow();
        for (QLineEdit* box : window->findChildren<QLineEdit*>())
            box->setText(u"old "_s + box->objectName());
        window->txtMsg->setPlainText(u"old message"_s);
        Q_EMIT window->poSendMail()->Status(u"250 OK"_s);
        Q_EMIT window->poSendMail()->Progress(30);
        SmtpClient* component = window->poSendMail();
        component->setServer(u"smtp.x.invalid"_s);
        component->setPop3Server(u"pop.x.invalid"_s);
        component->setFrom(u"alerts@x.invalid"_s);
        component->setFromName(u"Alerts"_s);
        component->setUserName(u"korvane"_s);
        component->setEncodeType(1);
        component->setUseAuthentication(false);
        window->cmdReset_Click();
        QCOMPARE(window->txtServer->text(), u"smtp.x.invalid"_s);
        QCOMPARE(window->txtPopServer->text(), u"pop.x.invalid"_s);
        QCOMPARE(window->txtFrom->text(), u"alerts@x.invalid"_s);
        QCOMPARE(window->txtFromName->text(), u"Alerts"_s);
        QCOMPARE(window->txtUserName->text(), u"korvane"_s);
        for (QLineEdit* box :
             {window->txtTo, window->txtToName, window->txtCc, window->txtCcName, window->txtBcc,
              window->txtSubject, window->txtAttach, window->txtPassword})
            QCOMPARE(box->text(), QString());
        QCOMPARE(window->txtMsg->toPlainText(), QString());
        QCOMPARE(window->lstStatus->count(), 0);
        QCOMPARE(window->lblProgress->text(), QString());
        QVERIFY(window->optEncodeType[1]->isChecked());
        QCOMPARE(window->lEncodeType(), 1);
        QVERIFY(!window->ckLogin->isChecked());

        component->setEncodeType(0);
        component->setUseAuthentication(true);
        window->cmdReset_Click();
        QVERIFY(window->optEncodeType[0]->isChecked());
        QVERIFY(window->ckLogin->isChecked());
        QVERIFY(window->blUseLogin());
    }

    void loadFailures_data() {
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("component unavailable")
            << int(MailComponentError::Unavailable) << int(DialogIcon::Critical)
            << u"Support File Error"_s
            << u"This application support file called vbSendMail.dll is not registered, or is missing. It needs to be located in the same folder as this application file."_s;
        QTest::newRow("other failure")
            << int(MailComponentError::Other) << int(DialogIcon::None) << u"Korvane"_s
            << u"An error has occured in the frmMain form load. Please tell Halloran at ext 5522"_s;
    }
    void loadFailures() {
        QFETCH(int, error);
        QFETCH(int, icon);
        QFETCH(QString, title);
        QFETCH(QString, text);
        auto window = loadedWindow(failingFactory(MailComponentError(error)));
        QVERIFY(!window->poSendMail());
        auto& shown = m_folder->dialogs().shown;
        QCOMPARE(shown.size(), 1);
        QCOMPARE(int(shown.at(0).icon), icon);
        QCOMPARE(shown.at(0).buttons, DialogButtons::Ok);
        QCOMPARE(shown.at(0).title, title);
        QCOMPARE(shown.at(0).text, text);
        // The rest of the load was skipped.
        QCOMPARE(window->cboPriority->count(), 0);
        QVERIFY(!window->ckLogin->isChecked());

        // A send without a component (here by the Send button): the message, and the window
        // stays as it is.
        window->txtTo->setText(u"admin@x.invalid"_s);
        window->cmdSend->click();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(1).icon, DialogIcon::Critical);
        QCOMPARE(shown.at(1).title, u"Printer Error"_s);
        QCOMPARE(shown.at(1).text, kPrinterErrorText);
        QVERIFY(!window->cmdSend->isEnabled());
        QVERIFY(window->stoppedOnError());
        QVERIFY(!window->isUnloaded());
        QCOMPARE(window->txtTo->text(), u"admin@x.invalid"_s);
        // Called again, it says the same once more.
        QCoro::Task<MailOutcome> again = window->cmdSend_Click();
        QVERIFY(again.isReady());
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown.at(2).title, u"Printer Error"_s);
    }

    void portNotAWholeNumber_data() {
        QTest::addColumn<QString>("port");
        QTest::newRow("letters") << u"abc"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("fraction") << u"25.5"_s;
        QTest::newRow("too large") << u"99999999999"_s;
    }
    void portNotAWholeNumber() {
        QFETCH(QString, port);
        m_main->publicValues().SMTPport = port;
        auto window = loadedWindow();
        window->txtServer->setText(u"127.0.0.1"_s);
        window->txtTo->setText(u"admin@x.invalid"_s);
        window->txtSubject->setText(u"PC1 is Down"_s);
        Q_EMIT window->poSendMail()->Status(u"earlier line"_s);
        QCoro::Task<MailOutcome> sending = window->cmdSend_Click();
        QVERIFY(sending.isReady());
        QVERIFY(window->stoppedOnError());
        QVERIFY(!window->cmdSend->isEnabled());
        QVERIFY(!window->isUnloaded());
        QCOMPARE(window->lstStatus->count(), 0);
        QCOMPARE(m_folder->dialogs().shown.size(), 0);
        // Everything before the port was handed over; the port was not, and nothing was sent.
        SmtpClient* component = window->poSendMail();
        QVERIFY(component);
        QVERIFY(!component->isSending());
        QCOMPARE(component->server(), u"127.0.0.1"_s);
        QCOMPARE(component->subject(), u"PC1 is Down"_s);
        QCOMPARE(component->port(), 25);
    }

    void settingsHandedOver() {
        // Nothing listens on the port, so the send fails at once; the settings are read back
        // while it runs.
        const quint16 deadPort = unusedLoopbackPort();
        m_main->publicValues().SMTPport = u" %1 "_s.arg(deadPort);
        auto* window = new frmMain(m_folder->ctx, m_main.get());
        window->setAttribute(Qt::WA_DeleteOnClose);
        const QPointer<frmMain> guard(window);
        window->Form_Load();
        window->txtServer->setText(u"127.0.0.1"_s);
        window->txtFrom->setText(u"alerts@x.invalid"_s);
        window->txtFromName->setText(u"Alerts"_s);
        window->txtTo->setText(u"a@x.invalid;b@x.invalid"_s);
        window->txtToName->setText(u"Ann;Bob"_s);
        window->txtCc->setText(u"c@x.invalid"_s);
        window->txtCcName->setText(u"Cy"_s);
        window->txtBcc->setText(u"d@x.invalid"_s);
        window->txtSubject->setText(u"Subject line"_s);
        window->txtMsg->setPlainText(u"Line one\nLine two"_s);
        window->txtAttach->setText(u"  /srv/a b.txt ; /srv/c.txt  "_s);
        window->txtUserName->setText(u"korvane"_s);
        window->txtPassword->setText(u"s3cret"_s);
        window->ckPopLogin->setChecked(true);
        window->txtPopServer->setText(u"127.0.0.2"_s);
        window->ckHtml->setChecked(true);
        window->ckReceipt->setChecked(true);
        window->cboPriority->setCurrentIndex(1);
        QPointer<SmtpClient> component = window->poSendMail();

        QCoro::Task<MailOutcome> sending = window->cmdSend_Click();
        QVERIFY(component);
        QVERIFY(component->isSending());
        QVERIFY(!window->cmdSend->isEnabled());
        QCOMPARE(component->listSeparator(), u";"_s);
        QCOMPARE(component->server(), u"127.0.0.1"_s);
        QCOMPARE(component->from(), u"alerts@x.invalid"_s);
        QCOMPARE(component->fromName(), u"Alerts"_s);
        QCOMPARE(component->recipients(), u"a@x.invalid;b@x.invalid"_s);
        QCOMPARE(component->recipientNames(), u"Ann;Bob"_s);
        QCOMPARE(component->cc(), u"c@x.invalid"_s);
        QCOMPARE(component->ccNames(), u"Cy"_s);
        QCOMPARE(component->bcc(), u"d@x.invalid"_s);
        QCOMPARE(component->replyTo(), u"alerts@x.invalid"_s);
        QCOMPARE(component->subject(), u"Subject line"_s);
        QCOMPARE(component->message(), u"Line one\nLine two"_s);
        QCOMPARE(component->attachments(), u"/srv/a b.txt ; /srv/c.txt"_s);
        QVERIFY(component->asHtml());
        QCOMPARE(component->encodeType(), 0);
        QCOMPARE(component->priority(), 1);
        QVERIFY(component->receipt());
        QVERIFY(component->useAuthentication());
        QVERIFY(component->popLogin());
        QCOMPARE(component->userName(), u"korvane"_s);
        QCOMPARE(component->pop3Server(), u"127.0.0.2"_s);
        QCOMPARE(component->port(), int(deadPort));

        // The failure closes the window; it deletes itself.
        QTRY_VERIFY(sending.isReady());
        QVERIFY(m_folder->dialogs().shown.isEmpty());
        QTRY_VERIFY(guard.isNull());
        QTRY_VERIFY(component.isNull());
    }

    void mainWindowUnloadClosesMailWindows() {
        QList<QPointer<frmMain>> windows;
        for (int i = 0; i < 2; ++i) {
            windows << m_main->mailWindows().create(m_folder->ctx);
        }
        m_main->close();
        for (const auto& w : windows)
            QTRY_VERIFY(w.isNull());
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
