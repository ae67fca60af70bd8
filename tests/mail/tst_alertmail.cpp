// Alert mails end to end: the request filled from the main window's mail settings, a fresh
// mail window per alert, and the mail exactly as a real SMTP server (aiosmtpd on 127.0.0.1)
// received it; the ways a send can stop or fail.
#include "SmtpPeer.h"
#include "TestProgramFolder.h"
#include "app/Form1.h"
#include "mail/AlertMail.h"
#include "mail/frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString kUser = u"korvane"_s;
const QString kPassword = u"s3cret"_s;

// The real component with short limits, so a silent server fails the send quickly.
MailComponentFactory quickFactory(int* made = nullptr) {
    return [made] {
        MailComponentResult result = createMailComponent();
        if (result.component) {
            result.component->setConnectTimeout(3s);
            result.component->setTransferTimeout(4s);
        }
        if (made)
            ++*made;
        return result;
    };
}

QList<frmMain*> mailWindows(Form1& main) {
    return main.findChildren<frmMain*>(Qt::FindDirectChildrenOnly);
}

} // namespace

class TestAlertMail : public QObject {
    Q_OBJECT

    std::unique_ptr<SmtpPeer> m_peer; // offers AUTH
    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<Form1> m_main;

    void setMailSettings(const QString& port) {
        m_main->publicValues().SMTPserver = u"127.0.0.1"_s;
        m_main->publicValues().SMTPFromEmail = u"alerts@korvane.invalid"_s;
        m_main->publicValues().SMTPFromName = u"Korvane Alerts"_s;
        m_main->publicValues().SMTPUserName = kUser;
        m_main->publicValues().SMTPPassword = kPassword;
        m_main->publicValues().SMTPport = port;
    }

    // Runs one alert to its end.
    // Starts one alert towards a server that accepts and never answers.
    QCoro::Task<MailOutcome> sendToSilentServer(const SilentPeer& silent) {
        m_main->publicValues().SMTPport = QString::number(silent.port());
        return sendAlertMail(
            m_folder->ctx, m_main->mailWindows(),
            alertMailRequest(m_main->publicValues(), u"a@x.invalid"_s, u"hangs"_s, u"body"_s),
            quickFactory());
    }
    void sendAlert(const AlertMailRequest& request, MailComponentFactory factory = quickFactory()) {
        QCoro::Task<MailOutcome> sending =
            sendAlertMail(m_folder->ctx, m_main->mailWindows(), request, std::move(factory));
        QTRY_VERIFY_WITH_TIMEOUT(sending.isReady(), 20000);
    }

  private Q_SLOTS:
    void initTestCase() {
        QCoreApplication::setApplicationName(u"Korvane"_s);
        m_peer = std::make_unique<SmtpPeer>(SmtpPeer::Options{0, kUser, kPassword});
        if (!m_peer->start())
            QSKIP(qPrintable(u"the local SMTP server cannot start: "_s + m_peer->errorString()));
    }
    void init() {
        m_peer->clear();
        m_folder = std::make_unique<TestProgramFolder>();
        m_main = std::make_unique<Form1>(m_folder->ctx);
        setMailSettings(QString::number(m_peer->port()));
    }
    void cleanup() {
        m_main.reset();
        m_folder.reset();
    }

    void requestFromMainWindow() {
        const AlertMailRequest r =
            alertMailRequest(m_main->publicValues(), u"a@x.invalid;b@x.invalid"_s, u"PC1 is Down"_s,
                             u"PC1 did not answer."_s);
        QCOMPARE(r.txtServer, u"127.0.0.1"_s);
        QCOMPARE(r.txtFrom, u"alerts@korvane.invalid"_s);
        QCOMPARE(r.txtFromName, u"Korvane Alerts"_s);
        QCOMPARE(r.txtTo, u"a@x.invalid;b@x.invalid"_s);
        QCOMPARE(r.txtSubject, u"PC1 is Down"_s);
        QCOMPARE(r.txtMsg, u"PC1 did not answer."_s);
        QCOMPARE(r.txtUserName, kUser);
        QCOMPARE(r.txtPassword, kPassword);
    }

    void defaultComponentLimits() {
        const MailComponentResult made = createMailComponent();
        QCOMPARE(made.error, MailComponentError::None);
        QVERIFY(made.component);
        QCOMPARE(made.component->connectTimeout(), std::chrono::milliseconds(10s));
        QCOMPARE(made.component->transferTimeout(), std::chrono::milliseconds(30s));
    }

    void wholeMail() {
        sendAlert(alertMailRequest(m_main->publicValues(), u"a@x.invalid;b@x.invalid"_s,
                                   u"PC1 is Down"_s,
                                   u"PC1 did not answer the ping.\nAction taken: mailed."_s),
                  createMailComponent);
        QVERIFY(m_peer->waitForMessages(1));
        const QList<ReceivedMail> mails = m_peer->messages();
        QCOMPARE(mails.size(), 1);
        const ReceivedMail& mail = mails.first();
        QCOMPARE(mail.mailFrom, u"alerts@korvane.invalid"_s);
        QCOMPARE(mail.recipients, (QStringList{u"a@x.invalid"_s, u"b@x.invalid"_s}));
        QVERIFY(mail.loggedIn);
        QCOMPARE(mail.login, kUser);
        QCOMPARE(mail.header(u"From"_s), u"Korvane Alerts <alerts@korvane.invalid>"_s);
        QCOMPARE(mail.header(u"To"_s), u"a@x.invalid, b@x.invalid"_s);
        QCOMPARE(mail.header(u"Reply-To"_s), u"alerts@korvane.invalid"_s);
        QCOMPARE(mail.header(u"Subject"_s), u"PC1 is Down"_s);
        QVERIFY(!mail.header(u"Cc"_s));
        QVERIFY(!mail.header(u"Bcc"_s));
        QVERIFY(!mail.header(u"X-Priority"_s));
        QVERIFY(!mail.header(u"Disposition-Notification-To"_s));
        QCOMPARE(mail.bodyType(), u"text/plain"_s);
        QCOMPARE(mail.body(), u"PC1 did not answer the ping.\nAction taken: mailed."_s);
        QVERIFY(mail.attachments().isEmpty());
        // The window closed itself after the send and is gone.
        QTRY_VERIFY(mailWindows(*m_main).isEmpty());
        QVERIFY(m_folder->dialogs().shown.isEmpty());
    }

    void twoAlertsInARow() {
        int made = 0;
        // The first alert's window gets more than the request while it sends: none of it may
        // reach the second.
        QCoro::Task<MailOutcome> first = sendAlertMail(
            m_folder->ctx, m_main->mailWindows(),
            alertMailRequest(m_main->publicValues(), u"a@x.invalid"_s, u"first"_s, u"one"_s),
            quickFactory(&made));
        QList<frmMain*> windows = mailWindows(*m_main);
        QCOMPARE(windows.size(), 1);
        const QPointer<frmMain> firstWindow = windows.first();
        QCOMPARE(firstWindow->txtSubject->text(), u"first"_s);
        firstWindow->txtCc->setText(u"leftover@x.invalid"_s);
        firstWindow->ckHtml->setChecked(true);
        firstWindow->cboPriority->setCurrentIndex(2);
        QTRY_VERIFY_WITH_TIMEOUT(first.isReady(), 20000);
        QTRY_VERIFY(firstWindow.isNull());

        QCoro::Task<MailOutcome> second = sendAlertMail(
            m_folder->ctx, m_main->mailWindows(),
            alertMailRequest(m_main->publicValues(), u"b@x.invalid"_s, u"second"_s, u"two"_s),
            quickFactory(&made));
        windows = mailWindows(*m_main);
        QCOMPARE(windows.size(), 1);
        frmMain* w = windows.first();
        QCOMPARE(w->txtServer->text(), u"127.0.0.1"_s);
        QCOMPARE(w->txtFrom->text(), u"alerts@korvane.invalid"_s);
        QCOMPARE(w->txtFromName->text(), u"Korvane Alerts"_s);
        QCOMPARE(w->txtTo->text(), u"b@x.invalid"_s);
        QCOMPARE(w->txtSubject->text(), u"second"_s);
        QCOMPARE(w->txtMsg->toPlainText(), u"two"_s);
        QCOMPARE(w->txtUserName->text(), kUser);
        QCOMPARE(w->txtPassword->text(), kPassword);
        for (QLineEdit* box :
             {w->txtToName, w->txtCc, w->txtCcName, w->txtBcc, w->txtAttach, w->txtPopServer})
            QCOMPARE(box->text(), QString());
        QCOMPARE(w->lPriority(), 3);
        QCOMPARE(w->lEncodeType(), 0);
        QVERIFY(!w->blSendAsHtml());
        QVERIFY(!w->blRequestReceipt());
        QVERIFY(w->blUseLogin());
        QVERIFY(!w->blUsePopLogin());
        QTRY_VERIFY_WITH_TIMEOUT(second.isReady(), 20000);
        QCOMPARE(made, 2);

        QVERIFY(m_peer->waitForMessages(2));
        const QList<ReceivedMail> mails = m_peer->messages();
        QCOMPARE(mails.size(), 2);
        QCOMPARE(mails.at(0).header(u"Subject"_s), u"first"_s);
        QCOMPARE(mails.at(1).header(u"Subject"_s), u"second"_s);
        QCOMPARE(mails.at(1).recipients, QStringList{u"b@x.invalid"_s});
        QVERIFY(!mails.at(1).header(u"Cc"_s));
        QVERIFY(!mails.at(1).header(u"X-Priority"_s));
        QCOMPARE(mails.at(1).bodyType(), u"text/plain"_s);
        QCOMPARE(mails.at(1).body(), u"two"_s);
    }

    void overlappingAlerts() {
        // Both monitors may raise an alert while the other's is still going out.
        QCoro::Task<MailOutcome> first = sendAlertMail(
            m_folder->ctx, m_main->mailWindows(),
            alertMailRequest(m_main->publicValues(), u"a@x.invalid"_s, u"ping alert"_s, u"one"_s),
            quickFactory());
        QCoro::Task<MailOutcome> second = sendAlertMail(
            m_folder->ctx, m_main->mailWindows(),
            alertMailRequest(m_main->publicValues(), u"b@x.invalid"_s, u"job alert"_s, u"two"_s),
            quickFactory());
        QCOMPARE(mailWindows(*m_main).size(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(first.isReady() && second.isReady(), 20000);
        QVERIFY(m_peer->waitForMessages(2));
        QStringList seen;
        for (const ReceivedMail& mail : m_peer->messages())
            seen << mail.recipients.join(u',') + u' ' +
                        mail.header(u"Subject"_s).value_or(QString()) + u' ' + mail.body();
        seen.sort();
        QCOMPARE(seen,
                 (QStringList{u"a@x.invalid ping alert one"_s, u"b@x.invalid job alert two"_s}));
        QTRY_VERIFY(mailWindows(*m_main).isEmpty());
    }

    void portText_data() {
        QTest::addColumn<QString>("port"); // "%1": the server's port
        QTest::addColumn<bool>("delivered");
        QTest::newRow("the port") << u"%1"_s << true;
        QTest::newRow("with blanks around") << u" %1 "_s << true;
        QTest::newRow("letters") << u"abc"_s << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("port then letters") << u"%1x"_s << false;
    }
    void portText() {
        QFETCH(QString, port);
        QFETCH(bool, delivered);
        m_main->publicValues().SMTPport = port.contains(u"%1"_s) ? port.arg(m_peer->port()) : port;
        sendAlert(alertMailRequest(m_main->publicValues(), u"a@x.invalid"_s, u"first"_s, u"one"_s));
        QVERIFY(m_folder->dialogs().shown.isEmpty());
        if (delivered) {
            QVERIFY(m_peer->waitForMessages(1));
            QTRY_VERIFY(mailWindows(*m_main).isEmpty());
            return;
        }
        // Nothing was handed to the server; the window waits, hidden, with Send disabled.
        const QList<frmMain*> windows = mailWindows(*m_main);
        QCOMPARE(windows.size(), 1);
        QVERIFY(windows.first()->stoppedOnError());
        QVERIFY(!windows.first()->cmdSend->isEnabled());
        QVERIFY(!windows.first()->isVisible());
        // The next alert with a good port uses that window and is the only mail that arrives.
        m_main->publicValues().SMTPport = QString::number(m_peer->port());
        sendAlert(
            alertMailRequest(m_main->publicValues(), u"b@x.invalid"_s, u"second"_s, u"two"_s));
        QVERIFY(m_peer->waitForMessages(1));
        const QList<ReceivedMail> mails = m_peer->messages();
        QCOMPARE(mails.size(), 1);
        QCOMPARE(mails.first().header(u"Subject"_s), u"second"_s);
        QTRY_VERIFY(mailWindows(*m_main).isEmpty());
    }

    void fixedPort2525() {
        SmtpPeer peer(SmtpPeer::Options{2525, {}, {}});
        if (!peer.start())
            QSKIP(qPrintable(u"port 2525 is not free here: "_s + peer.errorString()));
        m_main->publicValues().SMTPport = u"2525"_s;
        sendAlert(
            alertMailRequest(m_main->publicValues(), u"a@x.invalid"_s, u"on 2525"_s, u"body"_s));
        QVERIFY(peer.waitForMessages(1));
        QCOMPARE(peer.messages().first().header(u"Subject"_s), u"on 2525"_s);
        QCOMPARE(m_peer->messageCount(), 0);
    }

    void missingComponent() {
        const MailComponentFactory missing = [] {
            return MailComponentResult{nullptr, MailComponentError::Unavailable};
        };
        const QString supportText =
            u"This application support file called vbSendMail.dll is not registered, or is missing. It needs to be located in the same folder as this application file."_s;
        const QString printerText =
            u"An error has occured. Possibly the vbSendMail.dll file isn't located in the c:\\windows\\system32 folder, or the file is there but isnt registered. Make sure you register this file."_s;
        sendAlert(alertMailRequest(m_main->publicValues(), u"a@x.invalid"_s, u"first"_s, u"one"_s),
                  missing);
        auto& shown = m_folder->dialogs().shown;
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(0).icon, DialogIcon::Critical);
        QCOMPARE(shown.at(0).title, u"Support File Error"_s);
        QCOMPARE(shown.at(0).text, supportText);
        QCOMPARE(shown.at(1).icon, DialogIcon::Critical);
        QCOMPARE(shown.at(1).title, u"Printer Error"_s);
        QCOMPARE(shown.at(1).text, printerText);
        const QPointer<frmMain> window = mailWindows(*m_main).value(0);
        QVERIFY(window);

        // Each later alert reuses that window and shows the send message once.
        for (int i = 0; i < 2; ++i) {
            sendAlert(
                alertMailRequest(m_main->publicValues(), u"b@x.invalid"_s, u"later"_s, u"two"_s),
                missing);
            QCOMPARE(shown.size(), 3 + i);
            QCOMPARE(shown.last().title, u"Printer Error"_s);
            QCOMPARE(shown.last().text, printerText);
            QCOMPARE(mailWindows(*m_main), QList<frmMain*>{window.data()});
            QCOMPARE(window->txtSubject->text(), u"later"_s);
        }
        QCOMPARE(m_peer->messageCount(), 0);
        // The main window's unload closes it.
        m_main->close();
        QTRY_VERIFY(window.isNull());
    }

    void notificationsDuringSend() {
        QCoro::Task<MailOutcome> sending = sendAlertMail(
            m_folder->ctx, m_main->mailWindows(),
            alertMailRequest(m_main->publicValues(), u"a@x.invalid"_s, u"watched"_s, u"body"_s),
            quickFactory());
        frmMain* window = mailWindows(*m_main).value(0);
        QVERIFY(window);
        QVERIFY(!window->cmdSend->isEnabled());
        SmtpClient* component = window->poSendMail();
        QStringList progressTexts;
        QStringList expectedProgress;
        QStringList statusRows;
        QStringList statusLines;
        // Connected after the window's own handlers, so they see what the window shows.
        connect(component, &SmtpClient::Progress, this, [&](int percent) {
            expectedProgress << QString::number(percent) + u"% complete"_s;
            progressTexts << window->lblProgress->text();
        });
        connect(component, &SmtpClient::Status, this, [&](const QString& line) {
            statusLines << line;
            statusRows << window->lstStatus->item(window->lstStatus->count() - 1)->text();
            QCOMPARE_EQ(window->lstStatus->currentRow(), -1);
        });
        QTRY_VERIFY_WITH_TIMEOUT(sending.isReady(), 20000);
        QVERIFY(!expectedProgress.isEmpty());
        QCOMPARE(progressTexts, expectedProgress);
        QCOMPARE(progressTexts.last(), u"100% complete"_s);
        QVERIFY(!statusLines.isEmpty());
        QCOMPARE(statusRows, statusLines);
        QVERIFY(statusLines.first().startsWith(u"220"_s));
        QVERIFY(m_peer->waitForMessages(1));
    }

    void silentServer() {
        SilentPeer silent;
        QVERIFY(silent.listen());
        QCoro::Task<MailOutcome> sending = sendToSilentServer(silent);
        const QPointer<frmMain> window = mailWindows(*m_main).value(0);
        QVERIFY(window);
        // The user-interface thread keeps turning while the server says nothing: the silent
        // server (on this thread) accepts, and a queued call runs, with the send still open.
        QTRY_COMPARE(silent.connectionCount(), 1);
        bool ran = false;
        QTimer::singleShot(0, this, [&ran] { ran = true; });
        QTRY_VERIFY(ran);
        QVERIFY(!sending.isReady());
        QVERIFY(window);
        QVERIFY(!window->cmdSend->isEnabled());
        // The time limit ends it as a failed send; the window closes without a word.
        QTRY_VERIFY_WITH_TIMEOUT(sending.isReady(), 20000);
        QTRY_VERIFY(window.isNull());
        QVERIFY(m_folder->dialogs().shown.isEmpty());
    }

    void mainWindowClosesDuringSend() {
        SilentPeer silent;
        QVERIFY(silent.listen());
        QCoro::Task<MailOutcome> sending = sendToSilentServer(silent);
        const QPointer<frmMain> window = mailWindows(*m_main).value(0);
        QVERIFY(window);
        QPointer<SmtpClient> component = window->poSendMail();
        QTRY_COMPARE(silent.connectionCount(), 1);
        m_main->close();
        QTRY_VERIFY(window.isNull());
        QTRY_VERIFY(component.isNull());
        // The abandoned send still ends, and nothing touches the closed window.
        QTRY_VERIFY_WITH_TIMEOUT(sending.isReady(), 20000);
        QVERIFY(m_folder->dialogs().shown.isEmpty());
    }

    void mainWindowDeletedDuringSend() {
        SilentPeer silent;
        QVERIFY(silent.listen());
        QCoro::Task<MailOutcome> sending = sendToSilentServer(silent);
        const QPointer<frmMain> window = mailWindows(*m_main).value(0);
        QTRY_COMPARE(silent.connectionCount(), 1);
        m_main.reset();
        QVERIFY(window.isNull());
        QTRY_VERIFY_WITH_TIMEOUT(sending.isReady(), 20000);
    }
};

QTEST_MAIN(TestAlertMail)
#include "tst_alertmail.moc"
