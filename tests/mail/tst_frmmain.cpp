// The mail window, and alert mails through it to a real SMTP server (aiosmtpd on 127.0.0.1):
// what each send records and logs, who gets the mail, windows reused or gone during a send.
#include "SmtpPeer.h"
#include "TestProgramFolder.h"
#include "TestTables.h"
#include "WindowChecks.h"
#include "mail/AlertMail.h"
#include "mail/MailFormat.h"
#include "mail/MailRules.h"
#include "mail/MailWindows.h"
#include "mail/frmMain.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kUser = u"korvane"_s, kPassword = u"s3cret"_s;
const QString kPrinterError =
    u"critical Printer Error: An error has occured. Possibly the vbSendMail.dll file isn't located "
    u"in the c:\\windows\\system32 folder, or the file is there but isnt registered. Make sure "
    u"you register this file."_s;

// setting: the mail setting changed to value ("closed": a port nothing listens on); envelope: who
// got the mail, joined by blanks; explanation: how the log line's explanation starts, if any.
struct Outcome {
    const char* name;
    QString PublicValues::*setting;
    QString value, to, action, envelope, explanation;
};

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

    SmtpPeer m_peer{{0, kUser, kPassword}}; // offers AUTH
    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<QWidget> m_owner;
    MailWindows* m_windows = nullptr;

    QCoro::Task<MailOutcome> alert(const QString& to,
                                   MailComponentFactory factory = createMailComponent) {
        return sendAlertMail(
            m_folder->ctx, *m_windows,
            alertMailRequest(m_folder->ctx.values(), to, u"PC1 is Down"_s, u"body"_s), factory);
    }

  private Q_SLOTS:
    void initTestCase() {
        QCoreApplication::setApplicationName(u"Korvane"_s);
        KORVANE_START_SMTP_PEER(m_peer);
    }
    void init() {
        m_peer.clear();
        m_folder = std::make_unique<TestProgramFolder>();
        m_owner = std::make_unique<QWidget>();
        m_windows = new MailWindows(m_owner.get());
        m_folder->mailTo(m_peer.port(), kUser, kPassword); // from Korvane <korvane@site.invalid>
    }
    void cleanup() {
        m_owner.reset();
        m_folder.reset();
        KORVANE_VERIFY_NO_WINDOW_OPEN();
    }

    // Files picked in the attachment dialog as added to the field: one folder once, then names.
    void attachmentsPicked() {
        QStringList got;
        for (const QString& picked :
             u"/m/a.txt,/m/a.txt|/m/b c.txt,/x/a.txt|/y/b.txt,/a|/b"_s.split(u','))
            got << MailRules::joinAttachments(u"x.doc"_s,
                                              MailRules::selectionParts(picked.split(u'|')));
        QCOMPARE(got.join(u','), u"x.doc;/m/a.txt,x.doc;/m/a.txt;/m/b c.txt,"
                                 u"x.doc;/x/a.txt;/y/b.txt,x.doc;/a;/b"_s);
    }

    // The port text of a send as a signed 32-bit whole number, blanks around it allowed.
    void portFromText() {
        QStringList got;
        for (const char16_t* text : {u" 587 ", u"+25", u"-1", u"2147483647", u"2147483648", u"abc",
                                     u"", u"25.0", u"2525x", u"1e3", u"-", u"25 25"})
            got << QString::number(MailRules::portFromText(QString::fromUtf16(text)).value_or(0));
        QCOMPARE(got.join(u' '), u"587 25 -1 2147483647 0 0 0 0 0 0 0 0"_s);
    }

    void outcomes_data() {
        // clang-format off
        const QString a = u"a@x.invalid"_s, none, failed = u"Email Failed To: a@x.invalid - "_s, refused = u"refused@x.invalid"_s;
        const QString refusal = u"The mail server refused the recipient refused@x.invalid (550 "_s;
        using P = PublicValues;
        addRows<Outcome>({
            {"delivered to both", {}, none, u"a@x.invalid;b@x.invalid"_s, u"Emailed To: a@x.invalid;b@x.invalid"_s, u"a@x.invalid b@x.invalid"_s, none},
            {"an invalid entry among valid ones", {}, none, u"a@x.invalid; bad entry"_s, u"Emailed To: a@x.invalid - Email Failed To: bad entry - refused address"_s, a, u"The recipient address \"bad entry\" is not valid."_s},
            {"refused by the server", {}, none, u"refused@x.invalid;a@x.invalid"_s, u"Emailed To: a@x.invalid - Email Failed To: refused@x.invalid - refused address"_s, a, refusal},
            {"every recipient refused", {}, none, refused, u"Email Failed To: refused@x.invalid - refused address"_s, none, refusal},
            {"no recipient", {}, none, u" ; "_s, u"Email Failed To:  ;  - no recipient"_s, none, u"No recipient address was given."_s},
            {"port out of range", &P::SMTPport, u"70000"_s, a, failed + u"bad port"_s, none, u"The SMTP port 70000 is not valid."_s},
            {"port not a whole number", &P::SMTPport, u"25.5"_s, a, failed + u"bad port"_s, none, u"The SMTP port \"25.5\" is not a whole number."_s},
            {"nothing listens", &P::SMTPport, u"closed"_s, a, failed + u"could not connect"_s, none, u"Could not connect to the mail server 127.0.0.1:"_s},
            {"refused login", &P::SMTPPassword, u"wrong"_s, a, failed + u"refused login"_s, none, u"The mail server 127.0.0.1 refused the login of \"korvane\""_s},
            {"empty server", &P::SMTPserver, u" "_s, a, failed + u"bad server name"_s, none, u"No SMTP server was given."_s},
            {"server with a line break", &P::SMTPserver, u"127.0.0.1\r\nx"_s, a, failed + u"bad server name"_s, none, u"The SMTP server \"127.0.0.1\\r\\nx\""_s},
            {"server name not found", &P::SMTPserver, u"smtp.korvane.invalid"_s, a, failed + u"server name not found"_s, none, u"The mail server name smtp.korvane.invalid could not be resolved"_s},
            {"sender not an address", &P::SMTPFromEmail, u"Al <a@x.invalid>"_s, a, failed + u"bad sender address"_s, none, u"The sender address \"Al <a@x.invalid>\""_s},
        });
        // clang-format on
    }
    void outcomes() {
        QFETCH(Outcome, c);
        if (c.setting)
            m_folder->ctx.values().*c.setting =
                c.value == u"closed"_s ? QString::number(unusedLoopbackPort()) : c.value;
        // Exactly one line for a failed send, naming who got nothing and why; none otherwise.
        if (!c.explanation.isEmpty())
            QTest::ignoreMessage(
                QtWarningMsg, QRegularExpression(QRegularExpression::escape(
                                  u"Alert mail \"PC1 is Down\" not sent to "_s +
                                  MailFormat::oneLine(c.action.section(u"Email Failed To: "_s, 1)) +
                                  u" ("_s + c.explanation)));
        QTest::failOnWarning(QRegularExpression(u"."_s));
        QCOMPARE(mailActionText(c.to, QCoro::waitFor(alert(c.to))), c.action);
        QCOMPARE(m_peer.messageCount(), int(!c.envelope.isEmpty()));
        const ReceivedMail mail = m_peer.messages().value(0);
        QCOMPARE(mail.recipients.join(u' '), c.envelope);
        if (!c.envelope.isEmpty()) {
            QCOMPARE(mail.login, kUser);
            QCOMPARE(mail.header(u"From"_s).value_or(QString()) + u'|' +
                         mail.header(u"Reply-To"_s).value_or(QString()),
                     u"Korvane <korvane@site.invalid>|korvane@site.invalid"_s);
            QCOMPARE(mail.header(u"Subject"_s).value_or(QString()) + u'|' + mail.body(),
                     u"PC1 is Down|body"_s);
        }
        QVERIFY(m_folder->dialogs().shown.isEmpty());
        // A window that stopped before sending (a port that is no number) waits; others are gone.
        QTRY_COMPARE(m_windows->windows().size(), int(c.value == u"25.5"_s));
    }

    // A window that stopped on an error is taken by the next alert, as empty as a new one; an
    // alert while that one sends gets a window of its own.
    void stoppedWindowIsReused() {
        m_folder->ctx.values().SMTPport = u"abc"_s;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"bad port"_s));
        QCoro::waitFor(alert(u"a@x.invalid"_s));
        const QPointer<frmMain> stopped = m_windows->windows().value(0);
        QVERIFY(stopped && stopped->stoppedOnError() && !stopped->cmdSend->isEnabled());
        stopped->txtCc->setText(u"leftover@x.invalid"_s);
        m_folder->ctx.values().SMTPport = QString::number(m_peer.port());
        QCoro::Task<MailOutcome> second = alert(u"b@x.invalid"_s);
        QCOMPARE(m_windows->windows(), QList<frmMain*>{stopped.data()});
        QCOMPARE(stopped->txtTo->text() + stopped->txtCc->text(), u"b@x.invalid"_s);
        QCoro::Task<MailOutcome> third = alert(u"c@x.invalid"_s);
        QCOMPARE(m_windows->windows().size(), 2);
        QVERIFY(QCoro::waitFor(second).complete() && QCoro::waitFor(third).complete());
        QStringList mails = receivedMails(m_peer);
        mails.sort();
        QCOMPARE(mails, (QStringList{u"b@x.invalid | PC1 is Down | body"_s,
                                     u"c@x.invalid | PC1 is Down | body"_s}));
        QTRY_VERIFY(stopped.isNull());
    }

    // A component that cannot be made: the load says so once and skips its remaining steps;
    // every send says so again on the same window, which waits for the next alert.
    void componentMissing_data() {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("box");
        // clang-format off
        QTest::newRow("unavailable") << int(MailComponentError::Unavailable) << u"critical Support File Error: This application support file called vbSendMail.dll is not registered, or is missing. It needs to be located in the same folder as this application file."_s;
        QTest::newRow("other failure") << int(MailComponentError::Other) << u"plain Korvane: An error has occured in the frmMain form load. Please tell Halloran at ext 5522"_s;
        // clang-format on
    }
    void componentMissing() {
        QFETCH(int, error);
        QFETCH(QString, box);
        const MailComponentFactory missing = [error] {
            return MailComponentResult{nullptr, MailComponentError(error)};
        };
        for (int send = 0; send < 2; ++send)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"no mail component"_s));
        QCOMPARE(mailActionText(u"a@x.invalid"_s, QCoro::waitFor(alert(u"a@x.invalid"_s, missing))),
                 u"Email Failed To: a@x.invalid - no mail component"_s);
        const QPointer<frmMain> window = m_windows->windows().value(0);
        QCoro::waitFor(alert(u"b@x.invalid"_s, missing));
        QCOMPARE(m_windows->windows(), QList<frmMain*>{window.data()});
        QVERIFY(window->stoppedOnError());
        QCOMPARE(m_folder->dialogs().boxes(), (QStringList{box, kPrinterError, kPrinterError}));
    }

    // The windows are closed, or their owner goes, while a send waits for a silent server.
    void windowsGoDuringSend_data() {
        QTest::addColumn<bool>("ownerDeleted");
        QTest::newRow("closed") << false;
        QTest::newRow("owner deleted") << true;
    }
    void windowsGoDuringSend() {
        QFETCH(bool, ownerDeleted);
        SilentPeer silent;
        m_folder->ctx.values().SMTPport = QString::number(silent.port());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"cancelled|no answer"_s));
        QCoro::Task<MailOutcome> sending = alert(u"a@x.invalid"_s);
        const QPointer<frmMain> window = m_windows->windows().value(0);
        const QPointer<SmtpClient> component = window->poSendMail();
        QTRY_COMPARE(silent.connectionCount(), 1);
        if (ownerDeleted)
            m_owner.reset();
        else
            m_windows->closeAll();
        QTRY_VERIFY(window.isNull() && component.isNull());
        // The abandoned send still ends, and nothing touches the closed window.
        QTRY_VERIFY_WITH_TIMEOUT(sending.isReady(), 20000);
        QVERIFY(m_folder->dialogs().shown.isEmpty());
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
