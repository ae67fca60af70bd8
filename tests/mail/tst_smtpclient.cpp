// SmtpClient against a real SMTP server (aiosmtpd on 127.0.0.1): what arrives, who is refused
// and why, encryption and login, and how a send ends when the server refuses, hangs or is not
// there.
#include "mail/MailFormat.h"
#include "mail/SmtpClient.h"
#include "support/SmtpPeer.h"

#include <QCoroTask>
#include <QDateTime>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using Tls = SmtpPeer::Tls;

namespace {

const QString kUser = u"korvane"_s;
const QString kPassword = u"s3cret"_s;
const QString kFrom = u"alerts@korvane.invalid"_s;
const QString kTo = u"admin@korvane.invalid"_s;
const QString kEvil = u"a@x.invalid\r\nRCPT TO:<evil@x.invalid>"_s;

void configure(SmtpClient& client, int port) {
    client.setServer(u"127.0.0.1"_s);
    client.setPort(port);
    client.setFrom(kFrom);
    client.setFromName(u"Korvane Alerts"_s);
    client.setRecipients(kTo);
    client.setReplyTo(kFrom);
    client.setSubject(u"PC1 is down"_s);
    client.setMessage(u"PC1 did not answer."_s);
    client.setConnectTimeout(5s);
    client.setTransferTimeout(15s);
}

QByteArray pseudoRandom(int size) {
    QByteArray out(size, Qt::Uninitialized);
    quint32 seed = 7;
    for (char& c : out)
        c = char((seed = seed * 1664525u + 1013904223u) >> 24);
    return out;
}

} // namespace

class TestSmtpClient : public QObject {
    Q_OBJECT

    // One peer per kind: plain, AUTH, STARTTLS with AUTH.
    std::unique_ptr<SmtpPeer> m_peers[3];
    QTemporaryDir m_files;

    SmtpPeer& peer(int kind = 0) { return *m_peers[kind]; }

    // Sends and returns the outcome; exactly one verdict was told, the right one.
    MailOutcome sendNow(SmtpClient& client) {
        QSignalSpy ok(&client, &SmtpClient::SendSuccesful);
        QSignalSpy failed(&client, &SmtpClient::SendFailed);
        const MailOutcome outcome = QCoro::waitFor(client.send());
        const bool sent = outcome.deliveredToAny();
        if (ok.count() != int(sent) || failed.count() != int(!sent) ||
            (!sent && failed.first().first().toString() != outcome.explanation))
            qWarning() << "wrong notifications" << ok.count() << failed.count();
        return outcome;
    }

    QString makeFile(const QString& name, const QByteArray& content) {
        QFile file(m_files.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size()
                   ? file.fileName()
                   : QString();
    }

  private Q_SLOTS:
    void initTestCase() {
        const SmtpPeer::Options options[3] = {
            {}, {0, kUser, kPassword}, {0, kUser, kPassword, Tls::StartTls}};
        for (int i = 0; i < 3; ++i) {
            m_peers[i] = std::make_unique<SmtpPeer>(options[i]);
            KORVANE_START_SMTP_PEER(*m_peers[i]);
        }
    }
    void init() {
        for (auto& p : m_peers)
            p->clear();
    }

    void recipients_data() {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("toNames");
        QTest::addColumn<QString>("cc");
        QTest::addColumn<QString>("bcc");
        QTest::addColumn<QStringList>("envelope");
        QTest::addColumn<QString>("headers"); // To, then Cc when there is one
        QTest::addColumn<QStringList>("refused");
        const QString a = u"a@x.invalid"_s, b = u"b@x.invalid"_s;
        QTest::newRow("names by position, blanks and empty entries")
            << u" a@x.invalid ; ;b@x.invalid ; "_s << u"Smith, Al;;"_s << QString() << QString()
            << QStringList{a, b} << u"\"Smith, Al\" <a@x.invalid>, b@x.invalid"_s << QStringList{};
        QTest::newRow("cc, and bcc only in the envelope")
            << a << QString() << u"c@x.invalid"_s << u"hidden@x.invalid"_s
            << QStringList{a, u"c@x.invalid"_s, u"hidden@x.invalid"_s}
            << u"a@x.invalid|c@x.invalid"_s << QStringList{};
        QTest::newRow("bcc alone") << QString() << QString() << QString() << b << QStringList{b}
                                   << u"undisclosed-recipients:;"_s << QStringList{};
        QTest::newRow("an invalid entry does not stop the valid ones")
            << u"a@x.invalid;bad entry"_s << QString() << QString() << QString() << QStringList{a}
            << a << QStringList{u"bad entry"_s};
        QTest::newRow("a stored line break cannot add a recipient")
            << b + u';' + kEvil << QString() << QString() << QString() << QStringList{b} << b
            << QStringList{u"a@x.invalid RCPT TO:<evil@x.invalid>"_s};
        QTest::newRow("display name, angle brackets or a second @ in an entry")
            << u"Al <a@x.invalid>;b@x.invalid;a@b@x.invalid"_s << QString() << u"<c@x.invalid>"_s
            << QString() << QStringList{b} << b
            << QStringList{u"Al <a@x.invalid>"_s, u"a@b@x.invalid"_s, u"<c@x.invalid>"_s};
        QTest::newRow("refused by the server")
            << u"refused@x.invalid;a@x.invalid"_s << QString() << QString() << QString()
            << QStringList{a} << u"refused@x.invalid, a@x.invalid"_s
            << QStringList{u"refused@x.invalid"_s};
    }
    void recipients() {
        QFETCH(QString, to);
        QFETCH(QString, toNames);
        QFETCH(QString, cc);
        QFETCH(QString, bcc);
        QFETCH(QStringList, envelope);
        QFETCH(QString, headers);
        QFETCH(QStringList, refused);
        SmtpClient client;
        configure(client, peer().port());
        client.setRecipients(to);
        client.setRecipientNames(toNames);
        client.setCc(cc);
        client.setBcc(bcc);
        const MailOutcome outcome = sendNow(client);
        QCOMPARE(outcome.delivered, envelope);
        QCOMPARE(outcome.refused, refused);
        QCOMPARE(outcome.reason, refused.isEmpty() ? QString() : u"refused address"_s);
        QVERIFY(peer().waitForMessages(1));
        const ReceivedMail mail = peer().messages().first();
        QCOMPARE(mail.recipients, envelope);
        const std::optional<QString> ccHeader = mail.header(u"Cc"_s);
        QCOMPARE(mail.header(u"To"_s).value_or(QString()) +
                     (ccHeader ? u'|' + *ccHeader : QString()),
                 headers);
        QVERIFY(!mail.header(u"Bcc"_s) && !mail.raw.contains("evil") &&
                !mail.raw.contains("hidden"));
    }

    void content_data() {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("name"); // sender and recipient display name
        QTest::addColumn<QString>("shownName");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("html"); // and high priority with a receipt
        const QString longText = QString(u"Störung 服务器 🔥 "_s).repeated(12);
        QTest::newRow("plain") << u"PC1 is down"_s << u"Korvane"_s << u"Korvane"_s
                               << u"a\r\nb\nc\rd .\n..two dots"_s << false;
        QTest::newRow("line breaks cannot start a header")
            << u"Alert\r\nBcc: evil@x.invalid"_s << u"Ops\nX-Injected: yes"_s
            << u"\"Ops X-Injected: yes\""_s << QString() << false;
        QTest::newRow("non-ascii, long, html") << longText << u"Jörg Müller"_s << u"Jörg Müller"_s
                                               << u"<p>Grüße =3D ✓</p>  \n"_s + longText << true;
        QTest::newRow("text that looks encoded")
            << u"=?UTF-8?B?eA==?="_s << u"K"_s << u"K"_s << QString() << false;
    }
    void content() {
        QFETCH(QString, subject);
        QFETCH(QString, name);
        QFETCH(QString, shownName);
        QFETCH(QString, message);
        QFETCH(bool, html);
        SmtpClient client;
        configure(client, peer().port());
        client.setSubject(subject);
        client.setFromName(name);
        client.setRecipientNames(name);
        client.setMessage(message);
        client.setAsHtml(html);
        client.setPriority(html ? 1 : 3);
        client.setReceipt(html);
        QVERIFY(sendNow(client).complete());
        const ReceivedMail mail = peer().messages().value(0);
        QCOMPARE(mail.header(u"Subject"_s), MailFormat::oneLine(subject));
        QCOMPARE(mail.header(u"From"_s), shownName + u" <"_s + kFrom + u'>');
        QCOMPARE(mail.header(u"To"_s), shownName + u" <"_s + kTo + u'>');
        QCOMPARE(mail.header(u"Reply-To"_s), kFrom);
        QCOMPARE(mail.header(u"X-Priority"_s), html ? std::optional(u"1"_s) : std::nullopt);
        QCOMPARE(mail.header(u"Disposition-Notification-To"_s).has_value(), html);
        QVERIFY(QDateTime::fromString(*mail.header(u"Date"_s), Qt::RFC2822Date).isValid());
        QVERIFY(mail.header(u"Message-ID"_s)->endsWith(u"@korvane.invalid>"_s));
        QCOMPARE(mail.body(), QString(message).replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n'));
        QCOMPARE(mail.bodyType(), html ? u"text/html"_s : u"text/plain"_s);
        // Only the headers the client writes; 7-bit, encoded words on lines of at most 76.
        QCOMPARE(mail.headers.size(), html ? 10 : 8);
        const QByteArray block = mail.raw.left(mail.raw.indexOf("\r\n\r\n"));
        for (const QByteArray& line : block.split('\n')) {
            QVERIFY2(line.size() <= 77 || !line.contains("=?"), line.data());
            QVERIFY(std::all_of(line.cbegin(), line.cend(), [](char c) { return c > 0; }));
        }
    }

    void attachments_data() {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QStringList>("names");
        for (int encoding : {0, 1}) {
            QTest::addRow("%s", encoding ? "UUEncode" : "MIME")
                << encoding << QStringList{u"Prüfbericht Köln.csv"_s, u"big.bin"_s, u"empty"_s};
        }
    }
    void attachments() {
        QFETCH(int, encoding);
        QFETCH(QStringList, names);
        const QByteArrayList contents{"x;y\n1;2\n", pseudoRandom(200'000), QByteArray()};
        QStringList paths;
        for (qsizetype i = 0; i < names.size(); ++i)
            paths << makeFile(names.at(i), contents.at(i));
        SmtpClient client;
        configure(client, peer().port());
        client.setEncodeType(encoding);
        client.setAsHtml(true); // UUEncode makes the body plain text
        client.setAttachments(u"  "_s + paths.join(u" ; "_s) + u"  "_s);
        QVERIFY(sendNow(client).complete());
        QVERIFY(peer().waitForMessages(1));
        const ReceivedMail mail = peer().messages().first();
        QCOMPARE(mail.bodyType(), encoding ? u"text/plain"_s : u"text/html"_s);
        QCOMPARE(mail.attachments().size() + mail.uuFiles.size(), names.size());
        for (qsizetype i = 0; i < names.size(); ++i) {
            QCOMPARE(encoding ? mail.uuFiles.at(i).name : mail.attachments().at(i).fileName,
                     names.at(i));
            QCOMPARE(encoding ? mail.uuFiles.at(i).data : mail.attachments().at(i).data,
                     contents.at(i));
        }
    }

    void login_data() {
        QTest::addColumn<int>("kind"); // 0 plain, 1 AUTH, 2 STARTTLS with AUTH, 3 implicit TLS
        QTest::addColumn<bool>("loginFlag");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("login");
        QTest::addColumn<bool>("encrypted");
        QTest::newRow("no encryption offered")
            << 1 << true << kPassword << QString() << kUser << false;
        QTest::newRow("login off") << 1 << false << kPassword << QString() << QString() << false;
        QTest::newRow("wrong password")
            << 1 << true << u"wrong"_s << u"refused login"_s << QString() << false;
        QTest::newRow("server offers no AUTH")
            << 0 << true << kPassword << QString() << QString() << false;
        QTest::newRow("STARTTLS offered") << 2 << true << kPassword << QString() << kUser << true;
        QTest::newRow("implicit TLS on 465")
            << 3 << true << kPassword << QString() << kUser << true;
    }
    void login() {
        QFETCH(int, kind);
        QFETCH(bool, loginFlag);
        QFETCH(QString, password);
        QFETCH(QString, reason);
        QFETCH(QString, login);
        QFETCH(bool, encrypted);
        SmtpPeer implicit({465, kUser, kPassword, Tls::Implicit});
        if (kind == 3 && !implicit.start())
            QSKIP(qPrintable(u"no TLS server on port 465: "_s + implicit.errorString()));
        SmtpPeer& server = kind == 3 ? implicit : peer(kind);
        SmtpClient client;
        configure(client, server.port());
        client.setUseAuthentication(loginFlag);
        client.setUserName(kUser);
        client.setPassword(password);
        const MailOutcome outcome = sendNow(client);
        QCOMPARE(outcome.reason, reason);
        QCOMPARE(server.messageCount(), int(reason.isEmpty()));
        if (!reason.isEmpty())
            return;
        const ReceivedMail mail = server.messages().first();
        QCOMPARE(mail.login, login);
        QCOMPARE(mail.encrypted, encrypted);
        QCOMPARE(mail.loginEncrypted,
                 encrypted && !login.isEmpty()); // never in clear text when offered
    }

    void popLogin_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("reason");
        QTest::newRow("accepted") << kPassword << QString();
        QTest::newRow("refused") << u"wrong"_s << u"refused pop login"_s;
    }
    void popLogin() {
        QFETCH(QString, password);
        QFETCH(QString, reason);
        PopPeer pop(kUser, kPassword);
        QVERIFY(pop.listen());
        SmtpClient client;
        configure(client, peer().port());
        client.setPopLogin(true);
        client.setPop3Port(pop.port()); // no POP3 server given: the SMTP server is asked
        client.setUserName(kUser);
        client.setPassword(password);
        QCOMPARE(sendNow(client).reason, reason);
        QVERIFY(pop.commands().contains(u"PASS "_s + password));
        QCOMPARE(peer().messageCount(), int(reason.isEmpty()));
    }

    void failures_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("port"); // -1 nothing listens, -2 a silent server, -3 the peer
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("explanation"); // how it starts
        const QString local = u"127.0.0.1"_s;
        QTest::newRow("nothing listens") << local << -1 << kFrom << kTo << u"could not connect"_s
                                         << u"Could not connect to the mail server 127.0.0.1:"_s;
        QTest::newRow("silent server")
            << local << -2 << kFrom << kTo << u"no answer from the server"_s
            << u"The mail server 127.0.0.1:"_s;
        QTest::newRow("empty server") << u" "_s << -3 << kFrom << kTo << u"bad server name"_s
                                      << u"No SMTP server was given."_s;
        QTest::newRow("server with a line break")
            << u"127.0.0.1\r\nx"_s << -3 << kFrom << kTo << u"bad server name"_s
            << u"The SMTP server \"127.0.0.1\\r\\nx\""_s;
        QTest::newRow("name that does not resolve")
            << u"smtp.korvane.invalid"_s << 25 << kFrom << kTo << u"server name not found"_s
            << u"The mail server name smtp.korvane.invalid could not be resolved"_s;
        for (int port : {70000, 0, -25})
            QTest::addRow("port %d", port) << local << port << kFrom << kTo << u"bad port"_s
                                           << u"The SMTP port %1 is not valid."_s.arg(port);
        QTest::newRow("sender not an address")
            << local << -3 << u"Al <a@x.invalid>"_s << kTo << u"bad sender address"_s
            << u"The sender address \"Al <a@x.invalid>\""_s;
        QTest::newRow("no recipient") << local << -3 << kFrom << u" ; "_s << u"no recipient"_s
                                      << u"No recipient address was given."_s;
        QTest::newRow("only a redirected entry")
            << local << -3 << kFrom << kEvil << u"refused address"_s
            << u"The recipient address \"a@x.invalid\\r\\nRCPT TO:<evil@x.invalid>\""_s;
        QTest::newRow("every recipient refused by the server")
            << local << -3 << kFrom << u"refused@x.invalid"_s << u"refused address"_s
            << u"The mail server refused the recipient refused@x.invalid (550 "_s;
        QTest::newRow("missing attachment")
            << local << -3 << kFrom << kTo << u"attachment not found"_s << u"The attachment \""_s;
    }
    void failures() {
        QFETCH(QString, server);
        QFETCH(int, port);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, reason);
        QFETCH(QString, explanation);
        SilentPeer silent;
        QVERIFY(silent.listen());
        SmtpClient client;
        configure(client, port == -1   ? unusedLoopbackPort()
                          : port == -2 ? silent.port()
                          : port == -3 ? peer().port()
                                       : port);
        client.setServer(server);
        client.setFrom(from);
        client.setRecipients(to);
        client.setTransferTimeout(2s);
        if (reason == u"attachment not found"_s)
            client.setAttachments(m_files.filePath(u"no such file"_s));
        const MailOutcome outcome = sendNow(client);
        QCOMPARE(outcome.reason, reason);
        QVERIFY2(outcome.explanation.startsWith(explanation), qPrintable(outcome.explanation));
        QVERIFY(outcome.delivered.isEmpty());
        QCOMPARE(outcome.refused, MailFormat::splitList(MailFormat::oneLine(to), u";"_s));
        QVERIFY(!client.isSending());
        QCOMPARE(peer().messageCount(), 0);
    }

    void hungServersHoldNoOtherThread() {
        SilentPeer silent;
        QVERIFY(silent.listen());
        std::vector<std::unique_ptr<SmtpClient>> clients;
        std::vector<QCoro::Task<MailOutcome>> sends;
        for (int i = 0; i < 4; ++i) {
            clients.push_back(std::make_unique<SmtpClient>());
            configure(*clients.back(), silent.port());
            clients.back()->setTransferTimeout(60s); // only cancelling ends them in time
            sends.push_back(clients.back()->send());
        }
        QTRY_COMPARE(silent.connectionCount(), 4);
        QVERIFY(clients.front()->isSending());
        // A second send on a busy client is refused and tells nothing.
        QCOMPARE(QCoro::waitFor(clients.front()->send()).reason, u"busy"_s);
        // Work on the global pool still runs at once.
        QFuture<int> other = QtConcurrent::run([] { return 42; });
        QTRY_VERIFY(other.isFinished());
        // A client destroyed mid-send abandons it; its task still ends, with no notification.
        bool told = false;
        connect(clients.front().get(), &SmtpClient::SendFailed, this, [&] { told = true; });
        clients.clear();
        for (auto& send : sends)
            QTRY_VERIFY_WITH_TIMEOUT(send.isReady(), 10000);
        QVERIFY(!told);
    }

    void notifications() {
        SmtpClient client;
        configure(client, peer().port());
        client.setAttachments(makeFile(u"big"_s, pseudoRandom(300'000)));
        QStringList log;
        QList<int> percents;
        connect(&client, &SmtpClient::Progress, this, [&](int percent) { percents << percent; });
        connect(&client, &SmtpClient::Status, this, [&](const QString& line) { log << line; });
        connect(&client, &SmtpClient::SendSuccesful, this, [&] { log << u"success"_s; });
        QVERIFY(sendNow(client).complete());
        QCOMPARE(log.count(u"success"_s), 1);
        QCOMPARE(log.last(), u"success"_s);
        QVERIFY(log.first().startsWith(u"220 "_s));
        QVERIFY(log.contains(u"354 End data with <CR><LF>.<CR><LF>"_s));
        QVERIFY(!percents.isEmpty());
        QCOMPARE(percents.last(), 100);
        QVERIFY(std::is_sorted(percents.cbegin(), percents.cend()) && percents.first() >= 0);
    }
};

QTEST_GUILESS_MAIN(TestSmtpClient)
#include "tst_smtpclient.moc"
