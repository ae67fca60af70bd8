// The mail window as a user meets it: its options, the priority keys, what the component's
// notifications show, browse, reset, load failures and the sends that stop before anything
// goes out.
#include "TestProgramFolder.h"
#include "WindowChecks.h"
#include "mail/frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kPrinterErrorText =
    u"An error has occured. Possibly the vbSendMail.dll file isn't located in the c:\\windows\\system32 folder, or the file is there but isnt registered. Make sure you register this file."_s;

// The window's option state in words, for one comparison per table row.
QString optionState(const frmMain& w) {
    QStringList words;
    const std::pair<bool, const char*> states[] = {
        {w.blUseLogin(), "login"},
        {w.blUsePopLogin(), "pop"},
        {w.blSendAsHtml(), "html"},
        {w.blRequestReceipt(), "receipt"},
        {w.lEncodeType() == 1, "uu"},
        // The frame is tall enough to show the login fields.
        {w.fraOptions->height() > w.txtPassword->geometry().bottom(), "fields"},
        {!w.txtPopServer->isHidden() && !w.lblPopServer->isHidden(), "popserver"},
        {!w.ckHtml->isEnabled() && !w.ckReceipt->isEnabled() && !w.ckLogin->isEnabled() &&
             !w.cboPriority->isEnabled(),
         "locked"}};
    for (const auto& [on, word] : states) {
        if (on)
            words << QString::fromLatin1(word);
    }
    return words.join(u' ');
}

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<QWidget> m_owner;

    std::unique_ptr<frmMain> loadedWindow(MailComponentFactory factory = createMailComponent) {
        auto w = std::make_unique<frmMain>(m_folder->ctx, m_owner.get(), std::move(factory));
        w->Form_Load();
        return w;
    }

  private Q_SLOTS:
    void initTestCase() { QCoreApplication::setApplicationName(u"Korvane"_s); }
    void init() {
        m_folder = std::make_unique<TestProgramFolder>();
        m_owner = std::make_unique<QWidget>();
    }
    void cleanup() {
        m_owner.reset();
        m_folder.reset();
        KORVANE_VERIFY_NO_WINDOW_OPEN();
    }

    void loadState() {
        auto w = loadedWindow();
        QVERIFY(w->poSendMail() && !w->isVisible());
        QVERIFY(m_folder->dialogs().shown.isEmpty());
        QCOMPARE(w->lPriority(), 3);
        QCOMPARE(w->lblProgress->text(), QString());
        for (QLineEdit* box : w->findChildren<QLineEdit*>())
            QCOMPARE(box->text(), QString());
        // The password shows "*" for every character.
        QCOMPARE(w->txtPassword->echoMode(), QLineEdit::Password);
        QCOMPARE(w->txtPassword->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                    w->txtPassword),
                 int(u'*'));
    }

    void layout() {
        auto w = loadedWindow();
        // Each label beside its box, the boxes in one column, no two controls overlapping.
        const std::pair<QWidget*, QLineEdit*> rows[] = {
            {w->lblServer, w->txtServer}, {w->lblFrom, w->txtFrom}, {w->lblTo, w->txtTo},
            {w->lblCC, w->txtCc},         {w->lblBcc, w->txtBcc},   {w->lblAttach, w->txtAttach}};
        for (const auto& [label, box] : rows) {
            QVERIFY(qAbs(label->geometry().center().y() - box->geometry().center().y()) <= 1);
            QVERIFY(label->geometry().right() < box->geometry().left());
            QCOMPARE(box->x(), w->txtServer->x());
            QCOMPARE(box->width(), w->txtServer->width());
        }
        const auto controls = w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* a : controls) {
            for (QWidget* b : controls) {
                QVERIFY2(a == b || a->isHidden() || b->isHidden() ||
                             !a->geometry().intersects(b->geometry()),
                         qPrintable(a->objectName() + u' ' + b->objectName()));
            }
        }
    }

    void options_data() {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("state");
        QTest::newRow("loaded") << QStringList{} << u"login fields"_s;
        QTest::newRow("login off") << QStringList{u"ckLogin"_s} << QString();
        QTest::newRow("pop login only")
            << QStringList{u"ckLogin"_s, u"ckPopLogin"_s} << u"pop fields popserver"_s;
        QTest::newRow("login off while pop login is on")
            << QStringList{u"ckPopLogin"_s, u"ckLogin"_s} << u"pop fields popserver"_s;
        QTest::newRow("html and receipt")
            << QStringList{u"ckHtml"_s, u"ckReceipt"_s} << u"login html receipt fields"_s;
        QTest::newRow("uuencode unchecks and locks")
            << QStringList{u"ckHtml"_s, u"ckReceipt"_s, u"optEncodeType_1"_s} << u"uu locked"_s;
        QTest::newRow("uuencode keeps pop login")
            << QStringList{u"ckPopLogin"_s, u"optEncodeType_1"_s}
            << u"pop uu fields popserver locked"_s;
        QTest::newRow("back to MIME: enabled, still unchecked")
            << QStringList{u"ckHtml"_s, u"optEncodeType_1"_s, u"optEncodeType_0"_s} << QString();
    }
    void options() {
        QFETCH(QStringList, clicks);
        QFETCH(QString, state);
        auto w = loadedWindow();
        for (const QString& name : clicks)
            w->findChild<QAbstractButton*>(name)->click();
        QCOMPARE(optionState(*w), state);
    }

    void priorityKeys_data() {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("priority");
        QTest::newRow("Down") << QList<int>{Qt::Key_Down} << 1;
        QTest::newRow("past the end") << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down} << 5;
        QTest::newRow("Down Up") << QList<int>{Qt::Key_Down, Qt::Key_Up} << 3;
        QTest::newRow("typed L") << QList<int>{Qt::Key_L} << 3;
        QTest::newRow("End, PageDown") << QList<int>{Qt::Key_End, Qt::Key_PageDown} << 3;
        QTest::newRow("Down then Home") << QList<int>{Qt::Key_Down, Qt::Key_Home} << 1;
    }
    void priorityKeys() {
        QFETCH(QList<int>, keys);
        QFETCH(int, priority);
        auto w = loadedWindow();
        for (int key : keys) {
            const QString text = key == Qt::Key_L ? u"L"_s : QString();
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
            QApplication::sendEvent(w->cboPriority, &press);
        }
        QCOMPARE(w->lPriority(), priority);
    }

    void notifications_data() {
        QTest::addColumn<bool>("success");
        QTest::newRow("success") << true;
        QTest::newRow("failure") << false;
    }
    void notifications() {
        QFETCH(bool, success);
        auto w = loadedWindow();
        w->cmdSend->setEnabled(false);
        const QPointer<SmtpClient> component = w->poSendMail();
        Q_EMIT component->Progress(42);
        QCOMPARE(w->lblProgress->text(), u"42% complete"_s);
        const QStringList lines{u"220 mail.x.invalid ESMTP"_s, u"250 OK"_s};
        for (const QString& line : lines)
            Q_EMIT component->Status(line);
        QCOMPARE(w->lstStatus->count(), 2);
        QCOMPARE(w->lstStatus->item(1)->text(), lines.at(1));
        QCOMPARE(w->lstStatus->currentRow(), -1);
        if (success)
            Q_EMIT component->SendSuccesful();
        else
            Q_EMIT component->SendFailed(u"The server refused the mail."_s);
        // Either ends the window; a failure clears the progress and gives Send back.
        QVERIFY(w->isUnloaded() && !w->poSendMail());
        QCOMPARE(w->lblProgress->text(), success ? u"42% complete"_s : QString());
        QCOMPARE(w->cmdSend->isEnabled(), !success);
        QVERIFY(m_folder->dialogs().shown.isEmpty());
        QTRY_VERIFY(component.isNull());
    }

    void browse() {
        auto w = loadedWindow();
        w->txtAttach->setText(u"x.doc"_s);
        std::optional<QStringList> picked = QStringList{u"/srv/m/a.txt"_s, u"/srv/m/b.txt"_s};
        w->setFileChooser([&](QWidget*, const QString&, const QStringList&) { return picked; });
        w->cmdBrowse->click();
        picked.reset(); // cancelled: the field stays
        w->cmdBrowse->click();
        QCOMPARE(w->txtAttach->text(), u"x.doc;/srv/m/a.txt;/srv/m/b.txt"_s);
    }

    void reset() {
        auto w = loadedWindow();
        for (QLineEdit* box : w->findChildren<QLineEdit*>())
            box->setText(u"old"_s);
        w->txtMsg->setPlainText(u"old"_s);
        Q_EMIT w->poSendMail()->Status(u"250 OK"_s);
        SmtpClient* component = w->poSendMail();
        component->setServer(u"smtp.x.invalid"_s);
        component->setFrom(u"alerts@x.invalid"_s);
        component->setEncodeType(1);
        w->cmdReset->click();
        QCOMPARE(w->txtServer->text(), u"smtp.x.invalid"_s);
        QCOMPARE(w->txtFrom->text(), u"alerts@x.invalid"_s);
        QCOMPARE(w->txtTo->text() + w->txtPassword->text() + w->txtMsg->toPlainText(), QString());
        QCOMPARE(w->lstStatus->count(), 0);
        QCOMPARE(optionState(*w), u"uu locked"_s); // the component's encoding, login off
    }

    void loadFailures_data() {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("component unavailable")
            << int(MailComponentError::Unavailable) << u"Support File Error"_s
            << u"This application support file called vbSendMail.dll is not registered, or is missing. It needs to be located in the same folder as this application file."_s;
        QTest::newRow("other failure")
            << int(MailComponentError::Other) << u"Korvane"_s
            << u"An error has occured in the frmMain form load. Please tell Halloran at ext 5522"_s;
    }
    void loadFailures() {
        QFETCH(int, error);
        QFETCH(QString, title);
        QFETCH(QString, text);
        auto w = loadedWindow([error] {
            return MailComponentResult{nullptr, MailComponentError(error)};
        });
        auto& shown = m_folder->dialogs().shown;
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).icon, error == int(MailComponentError::Unavailable)
                                       ? DialogIcon::Critical
                                       : DialogIcon::None);
        QCOMPARE(shown.at(0).title + shown.at(0).text, title + text);
        QCOMPARE(w->cboPriority->count(), 0); // the rest of the load was skipped
        // Each send then shows its message and leaves the window as it is.
        for (int i = 1; i <= 2; ++i) {
            const MailOutcome outcome = QCoro::waitFor(w->cmdSend_Click());
            QCOMPARE(outcome.reason, u"no mail component"_s);
            QCOMPARE(shown.size(), 1 + i);
            QCOMPARE(shown.last().icon, DialogIcon::Critical);
            QCOMPARE(shown.last().title + shown.last().text,
                     u"Printer Error"_s + kPrinterErrorText);
            QVERIFY(w->stoppedOnError() && !w->cmdSend->isEnabled() && !w->isUnloaded());
        }
    }

    void portNotAWholeNumber() {
        m_folder->ctx.values().SMTPport = u"25.5"_s;
        auto w = loadedWindow();
        w->txtServer->setText(u"127.0.0.1"_s);
        w->txtTo->setText(u"a@x.invalid;b@x.invalid"_s);
        const MailOutcome outcome = QCoro::waitFor(w->cmdSend_Click());
        QCOMPARE(outcome.refused, (QStringList{u"a@x.invalid"_s, u"b@x.invalid"_s}));
        QCOMPARE(outcome.reason, u"bad port"_s);
        QCOMPARE(outcome.explanation, u"The SMTP port \"25.5\" is not a whole number."_s);
        QVERIFY(w->stoppedOnError() && !w->cmdSend->isEnabled() && !w->isUnloaded());
        QVERIFY(!w->poSendMail()->isSending());
        QVERIFY(m_folder->dialogs().shown.isEmpty());
    }

    void settingsHandedOver() {
        m_folder->ctx.values().SMTPport = u" 2526 "_s;
        auto w = loadedWindow();
        const QStringList texts{u"127.0.0.9"_s, u"alerts@x.invalid"_s,
                                u"Alerts"_s,    u"a@x.invalid"_s,
                                u"Ann"_s,       u"c@x.invalid"_s,
                                u"Cy"_s,        u"d@x.invalid"_s,
                                u"Subject"_s,   u"ku"_s,
                                u"127.0.0.2"_s};
        QLineEdit* boxes[] = {w->txtServer,  w->txtFrom,     w->txtFromName, w->txtTo,
                              w->txtToName,  w->txtCc,       w->txtCcName,   w->txtBcc,
                              w->txtSubject, w->txtUserName, w->txtPopServer};
        for (int i = 0; i < texts.size(); ++i)
            boxes[i]->setText(texts.at(i));
        w->txtMsg->setPlainText(u"Body"_s);
        w->txtAttach->setText(u"  /srv/a b.txt ; /srv/c.txt  "_s);
        for (const char* name : {"ckPopLogin", "ckHtml", "ckReceipt"})
            w->findChild<QAbstractButton*>(QLatin1String(name))->click();
        w->cboPriority->setCurrentIndex(2);
        const QPointer<SmtpClient> c = w->poSendMail();
        QCoro::Task<MailOutcome> sending = w->cmdSend_Click();
        QVERIFY(c && c->isSending() && !w->cmdSend->isEnabled());
        const QStringList handed{
            c->server(),  c->from(), c->fromName(), c->recipients(), c->recipientNames(), c->cc(),
            c->ccNames(), c->bcc(),  c->subject(),  c->userName(),   c->pop3Server()};
        QCOMPARE(handed, texts);
        QCOMPARE(c->replyTo(), texts.at(1));
        QCOMPARE(c->message(), u"Body"_s);
        QCOMPARE(c->attachments(), u"/srv/a b.txt ; /srv/c.txt"_s);
        QVERIFY(c->asHtml() && c->receipt() && c->useAuthentication() && c->popLogin());
        QCOMPARE(c->priority(), 5);
        QCOMPARE(c->port(), 2526);
        // Nothing answers there: the failure ends the send and the window.
        QTRY_VERIFY_WITH_TIMEOUT(sending.isReady(), 20000);
        QVERIFY(w->isUnloaded());
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
