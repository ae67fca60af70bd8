// Alert mails end to end against a real SMTP server (aiosmtpd on 127.0.0.1): what each send
// records and logs, who gets the mail, the reuse of a window that stopped on an error, and
// sends that outlive their windows.
#include "SmtpPeer.h"
#include "TestProgramFolder.h"
#include "mail/AlertMail.h"
#include "mail/MailWindows.h"
#include "mail/frmMain.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString kUser = u"korvane"_s;
const QString kPassword = u"s3cret"_s;
const QString kSubject = u"PC1 is Down"_s;
const QString kEvil = u"a@x.invalid\r\nRCPT TO:<evil@x.invalid>"_s;

// The real component with short limits, so a silent server fails the send quickly.
MailComponentResult quickComponent() {
    MailComponentResult result = createMailComponent();
    result.component->setTransferTimeout(3s);
    return result;
}

} // namespace

class TestAlertMail : public QObject {
    Q_OBJECT

    std::unique_ptr<SmtpPeer> m_peer; // offers AUTH
    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<QWidget> m_owner;
    MailWindows* m_windows = nullptr;

    QCoro::Task<MailOutcome> alert(const QString& to,
                                   MailComponentFactory factory = quickComponent) {
        return sendAlertMail(m_folder->ctx, *m_windows,
                             alertMailRequest(m_folder->ctx.values(), to, kSubject, u"body"_s),
                             std::move(factory));
    }
    MailOutcome alertNow(const QString& to, MailComponentFactory factory = quickComponent) {
        return QCoro::waitFor(alert(to, std::move(factory)));
    }

  private Q_SLOTS:
    void initTestCase() {
        QCoreApplication::setApplicationName(u"Korvane"_s);
        m_peer = std::make_unique<SmtpPeer>(SmtpPeer::Options{0, kUser, kPassword});
        KORVANE_START_SMTP_PEER(*m_peer);
    }
    void init() {
        m_peer->clear();
        m_folder = std::make_unique<TestProgramFolder>();
        m_owner = std::make_unique<QWidget>();
        m_windows = new MailWindows(m_owner.get());
        PublicValues& v = m_folder->ctx.values();
        v.SMTPserver = u"127.0.0.1"_s;
        v.SMTPFromEmail = u"alerts@korvane.invalid"_s;
        v.SMTPFromName = u"Korvane Alerts"_s;
        v.SMTPUserName = kUser;
        v.SMTPPassword = kPassword;
        v.SMTPport = QString::number(m_peer->port());
    }
    void cleanup() {
        m_owner.reset();
        m_folder.reset();
    }

    void outcomes_data() {
        QTest::addColumn<QString>("port"); // empty: the peer's; "silent": a server that hangs
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("envelope");
        QTest::addColumn<QString>("log"); // how the one log line starts; empty: no line
        const QString a = u"a@x.invalid"_s;
        const QString notSent = u"Alert mail \"PC1 is Down\" not sent to "_s;
        QTest::newRow("delivered to both") << QString() << kPassword << u"a@x.invalid;b@x.invalid"_s
                                           << u"Emailed To: a@x.invalid;b@x.invalid"_s
                                           << QStringList{a, u"b@x.invalid"_s} << QString();
        QTest::newRow("an invalid entry among valid ones")
            << QString() << kPassword << u"a@x.invalid; bad entry"_s
            << u"Emailed To: a@x.invalid - Email Failed To: bad entry - refused address"_s
            << QStringList{a}
            << notSent +
                   u"bad entry - refused address (The recipient address \"bad entry\" is not valid.)"_s;
        QTest::newRow("refused by the server")
            << QString() << kPassword << u"refused@x.invalid;a@x.invalid"_s
            << u"Emailed To: a@x.invalid - Email Failed To: refused@x.invalid - refused address"_s
            << QStringList{a}
            << notSent +
                   u"refused@x.invalid - refused address (The mail server refused the recipient refused@x.invalid (550 "_s;
        QTest::newRow("a stored line break never redirects")
            << QString() << kPassword << kEvil
            << u"Email Failed To: "_s + kEvil + u" - refused address"_s << QStringList{}
            << notSent + u"a@x.invalid RCPT TO:<evil@x.invalid> - refused address"_s;
        for (const QString& port : {u"70000"_s, u"0"_s, u"abc"_s})
            QTest::addRow("port %s", qPrintable(port))
                << port << kPassword << a << u"Email Failed To: a@x.invalid - bad port"_s
                << QStringList{} << notSent + u"a@x.invalid - bad port (The SMTP port "_s;
        QTest::newRow("silent server")
            << u"silent"_s << kPassword << a
            << u"Email Failed To: a@x.invalid - no answer from the server"_s << QStringList{}
            << notSent + u"a@x.invalid - no answer from the server (The mail server 127.0.0.1:"_s;
        QTest::newRow("refused login")
            << QString() << u"wrong"_s << a << u"Email Failed To: a@x.invalid - refused login"_s
            << QStringList{}
            << notSent +
                   u"a@x.invalid - refused login (The mail server 127.0.0.1 refused the login of \"korvane\""_s;
    }
    void outcomes() {
        QFETCH(QString, port);
        QFETCH(QString, password);
        QFETCH(QString, to);
        QFETCH(QString, action);
        QFETCH(QStringList, envelope);
        QFETCH(QString, log);
        SilentPeer silent;
        QVERIFY(silent.listen());
        PublicValues& v = m_folder->ctx.values();
        v.SMTPport = port == u"silent"_s ? QString::number(silent.port())
                     : port.isEmpty()    ? v.SMTPport
                                         : port;
        v.SMTPPassword = password;
        // Exactly one line for a failed send, none for a delivered one.
        if (!log.isEmpty())
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression(u'^' + QRegularExpression::escape(log)));
        QTest::failOnWarning(QRegularExpression(u"."_s));
        const MailOutcome outcome = alertNow(to);
        QCOMPARE(mailActionText(to, outcome), action);
        QCOMPARE(m_peer->messageCount(), int(!envelope.isEmpty()));
        if (!envelope.isEmpty()) {
            const ReceivedMail mail = m_peer->messages().first();
            QCOMPARE(mail.recipients, envelope);
            QCOMPARE(mail.login, kUser);
            QCOMPARE(mail.header(u"From"_s), u"Korvane Alerts <alerts@korvane.invalid>"_s);
            QCOMPARE(mail.header(u"Subject"_s).value_or(QString()) + u'|' + mail.body(),
                     kSubject + u"|body"_s);
        }
        QVERIFY(m_folder->dialogs().shown.isEmpty());
        // A window that stopped before sending (a port that is no number) waits; others are gone.
        QTRY_COMPARE(m_windows->windows().size(), int(port == u"abc"_s));
    }

    void stoppedWindowIsReused() {
        m_folder->ctx.values().SMTPport = u"abc"_s;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"bad port"_s));
        alertNow(u"a@x.invalid"_s);
        const QPointer<frmMain> stopped = m_windows->windows().value(0);
        QVERIFY(stopped && stopped->stoppedOnError() && !stopped->cmdSend->isEnabled());
        stopped->txtCc->setText(u"leftover@x.invalid"_s);
        m_folder->ctx.values().SMTPport = QString::number(m_peer->port());
        QCoro::Task<MailOutcome> second = alert(u"b@x.invalid"_s);
        QCOMPARE(m_windows->windows(), QList<frmMain*>{stopped.data()});
        QCOMPARE(stopped->txtTo->text() + stopped->txtCc->text(), u"b@x.invalid"_s);
        QVERIFY(QCoro::waitFor(second).complete());
        QCOMPARE(m_peer->messages().first().recipients, QStringList{u"b@x.invalid"_s});
        QTRY_VERIFY(stopped.isNull());
    }

    void missingComponent() {
        const MailComponentFactory missing = [] {
            return MailComponentResult{nullptr, MailComponentError::Unavailable};
        };
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"no mail component"_s));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"no mail component"_s));
        const MailOutcome first = alertNow(u"a@x.invalid"_s, missing);
        QCOMPARE(mailActionText(u"a@x.invalid"_s, first),
                 u"Email Failed To: a@x.invalid - no mail component"_s);
        const auto& shown = m_folder->dialogs().shown;
        QCOMPARE(shown.size(), 2); // the load's message, then the send's
        QCOMPARE(shown.at(0).title, u"Support File Error"_s);
        QCOMPARE(shown.at(1).title, u"Printer Error"_s);
        // The next alert reuses that window and shows the send message once.
        const QPointer<frmMain> window = m_windows->windows().value(0);
        alertNow(u"b@x.invalid"_s, missing);
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown.at(2).title, u"Printer Error"_s);
        QCOMPARE(m_windows->windows(), QList<frmMain*>{window.data()});
        QCOMPARE(m_peer->messageCount(), 0);
    }

    void overlappingAlertsGetAWindowEach() {
        QCoro::Task<MailOutcome> first = alert(u"a@x.invalid"_s);
        QCoro::Task<MailOutcome> second = alert(u"b@x.invalid"_s);
        QCOMPARE(m_windows->windows().size(), 2);
        QVERIFY(QCoro::waitFor(first).complete() && QCoro::waitFor(second).complete());
        QCOMPARE(m_peer->messageCount(), 2);
    }

    void windowsGoDuringSend_data() {
        QTest::addColumn<bool>("ownerDeleted"); // else the windows are closed
        QTest::newRow("closed") << false;
        QTest::newRow("owner deleted") << true;
    }
    void windowsGoDuringSend() {
        QFETCH(bool, ownerDeleted);
        SilentPeer silent;
        QVERIFY(silent.listen());
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

QTEST_MAIN(TestAlertMail)
#include "tst_alertmail.moc"
