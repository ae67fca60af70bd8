// SmtpClient against a real SMTP server (aiosmtpd on 127.0.0.1): what arrives, who is refused,
// encryption and login, and hung servers. What a failed send records: tst_frmmain.
#include "TestTables.h"
#include "mail/MailFormat.h"
#include "mail/SmtpClient.h"
#include "support/SmtpPeer.h"

#include <QCoroTask>
#include <QDateTime>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentRun>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString kUser = u"korvane"_s, kPassword = u"s3cret"_s;
const QString kFrom = u"alerts@korvane.invalid"_s, kTo = u"admin@korvane.invalid"_s;

void configure(SmtpClient& client, int port) {
    client.setServer(u"127.0.0.1"_s);
    client.setPort(port);
    client.setFrom(kFrom);
    client.setFromName(u"Korvane Alerts"_s);
    client.setRecipients(kTo);
    client.setReplyTo(kFrom);
    client.setSubject(u"PC1 is down"_s);
    client.setConnectTimeout(5s);
    client.setTransferTimeout(15s);
}

// A scripted POP3 server on 127.0.0.1 that accepts one user and records every command line.
struct PopPeer {
    PopPeer() {
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            QTcpSocket* socket = server.nextPendingConnection();
            socket->write("+OK Korvane test POP3 ready\r\n");
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, this] {
                while (socket->canReadLine()) {
                    const QString line =
                        commands.emplace_back(QString::fromUtf8(socket->readLine()).trimmed());
                    const bool refused =
                        line.startsWith(u"PASS"_s) &&
                        !(commands.contains(u"USER "_s + kUser) && line == u"PASS "_s + kPassword);
                    socket->write(line == u"CAPA"_s ? "+OK\r\nUSER\r\n.\r\n"
                                  : refused         ? "-ERR invalid login\r\n"
                                                    : "+OK\r\n"); // USER, PASS, NOOP, QUIT
                }
            });
        });
        server.listen(QHostAddress::LocalHost, 0);
    }
    QTcpServer server; // owns the sockets it hands out
    QStringList commands;
};

// One mail: the names go with the To addresses by position; envelope joined by blanks, headers
// To then "|" and Cc when there is one, refused entries joined by "|". html: also high priority
// with a receipt.
struct Mail {
    const char* name;
    QString to, toNames, cc, bcc, subject, message;
    bool html;
    QString envelope, headers, refused;
};

struct Login {
    const char* name;
    int kind; // 0 plain, 1 AUTH, 2 STARTTLS with AUTH, 3 implicit TLS, 4 POP login first
    bool loginFlag;
    QString password, reason, login;
};

} // namespace

class TestSmtpClient : public QObject {
    Q_OBJECT

    // One peer per kind: plain, AUTH, STARTTLS with AUTH.
    std::unique_ptr<SmtpPeer> m_peers[3];
    QTemporaryDir m_files;

    SmtpPeer& peer(int kind = 0) { return *m_peers[kind]; }

  private Q_SLOTS:
    void initTestCase() {
        const SmtpPeer::Options options[3] = {
            {}, {0, kUser, kPassword}, {0, kUser, kPassword, SmtpPeer::Tls::StartTls}};
        for (int i = 0; i < 3; ++i) {
            m_peers[i] = std::make_unique<SmtpPeer>(options[i]);
            KORVANE_START_SMTP_PEER(*m_peers[i]);
        }
    }
    void init() {
        for (auto& p : m_peers)
            p->clear();
    }

    void mails_data() {
        // clang-format off
        const QString a = u"a@x.invalid"_s, b = u"b@x.invalid"_s, none, longText = QString(u"Störung 服务器 🔥 "_s).repeated(12);
        addRows<Mail>({
            {"names by position, blanks and empty entries", u" a@x.invalid ; ;b@x.invalid ; "_s, u"Smith, \"Al\";;"_s, none, none, u"PC1 is down"_s, u"a\r\nb\nc\rd .\n..two dots"_s, false,
             u"a@x.invalid b@x.invalid"_s, u"\"Smith, \\\"Al\\\"\" <a@x.invalid>, b@x.invalid"_s, none},
            {"cc, bcc only in the envelope; non-ascii, long, html", a, u"Jörg Müller"_s, u"c@x.invalid"_s, u"hidden@x.invalid"_s, longText, u"<p>Grüße =3D ✓</p>  \n"_s + QString(74, u'x') + u"=z\n"_s + longText, true,
             u"a@x.invalid c@x.invalid hidden@x.invalid"_s, u"Jörg Müller <a@x.invalid>|c@x.invalid"_s, none},
            {"bcc alone, text that looks encoded", none, none, none, b, u"=?UTF-8?B?eA==?="_s, none, false, b, u"undisclosed-recipients:;"_s, none},
            {"entries that are not bare addresses do not stop the others",
             u"a@;Al <a@x.invalid>;a@b@x.invalid;a\"b@x.invalid;jörg@x.invalid;a,b@x.invalid;a@x.invalid"_s, none, u"<c@x.invalid>"_s, none, u"x"_s, u"x"_s, false, a, a,
             u"a@|Al <a@x.invalid>|a@b@x.invalid|a\"b@x.invalid|jörg@x.invalid|a,b@x.invalid|<c@x.invalid>"_s},
        });
        // clang-format on
    }
    void mails() {
        QFETCH(Mail, c);
        SmtpClient client;
        configure(client, peer().port());
        client.setFromName(u"Jörg Müller"_s);
        client.setRecipients(c.to);
        client.setRecipientNames(c.toNames);
        client.setCc(c.cc);
        client.setBcc(c.bcc);
        client.setSubject(c.subject);
        client.setMessage(c.message);
        client.setAsHtml(c.html);
        client.setPriority(c.html ? 1 : 3);
        client.setReceipt(c.html);
        const MailOutcome outcome = QCoro::waitFor(client.send());
        QCOMPARE(outcome.delivered.join(u' '), c.envelope);
        QCOMPARE(outcome.refused.join(u'|'), c.refused);
        QCOMPARE(outcome.reason, c.refused.isEmpty() ? QString() : u"refused address"_s);
        const ReceivedMail mail = peer().messages().value(0);
        QCOMPARE(mail.recipients.join(u' '), c.envelope);
        const std::optional<QString> cc = mail.header(u"Cc"_s);
        QCOMPARE(mail.header(u"To"_s).value_or(QString()) + (cc ? u'|' + *cc : QString()),
                 c.headers);
        QVERIFY(!mail.header(u"Bcc"_s) && !mail.raw.contains("hidden"));
        QCOMPARE(mail.header(u"Subject"_s), c.subject);
        QCOMPARE(mail.header(u"From"_s), u"Jörg Müller <"_s + kFrom + u'>');
        QCOMPARE(mail.header(u"Reply-To"_s), kFrom);
        QCOMPARE(mail.header(u"X-Priority"_s), c.html ? std::optional(u"1"_s) : std::nullopt);
        QCOMPARE(mail.header(u"Disposition-Notification-To"_s).has_value(), c.html);
        QVERIFY(QDateTime::fromString(*mail.header(u"Date"_s), Qt::RFC2822Date).isValid());
        QVERIFY(mail.header(u"Message-ID"_s)->endsWith(u"@korvane.invalid>"_s));
        QCOMPARE(mail.body(), QString(c.message).replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n'));
        QCOMPARE(mail.bodyType(), c.html ? u"text/html"_s : u"text/plain"_s);
        // Only the headers the client writes; every line 7-bit; lines of the body, and those with
        // an encoded word, at most 76 characters long with no blank at their end.
        QCOMPARE(mail.headers.size(), 8 + 2 * c.html + int(cc.has_value()));
        QVERIFY(std::all_of(mail.raw.cbegin(), mail.raw.cend(), [](char ch) { return ch > 0; }));
        bool body = false;
        for (const QByteArray& line : mail.raw.split('\n'))
            if ((body = body || line == "\r") || line.contains("=?"))
                QVERIFY2(line.size() <= 77 && !line.endsWith(" \r"), line.data());
    }

    // Attachments in both encodings (one whose name tries to start a header of its own), with
    // what the client tells while the mail goes out.
    void attachments_data() {
        QTest::addColumn<int>("encoding");
        QTest::newRow("MIME") << 0;
        QTest::newRow("UUEncode") << 1;
    }
    void attachments() {
        QFETCH(int, encoding);
        QByteArray random(300'000, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(random.data()), random.size() / 4);
        const QByteArrayList contents{"x;y\n1;2\n", "a", random, QByteArray()};
        const QStringList names{u"Prüfbericht Köln.csv"_s, u"a\"b\nX: 1.txt"_s, u"big.bin"_s,
                                u"empty"_s};
        QStringList paths;
        for (qsizetype i = 0; i < names.size(); ++i) {
            QFile file(paths.emplace_back(m_files.filePath(names.at(i))));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents.at(i)) >= 0);
        }
        SmtpClient client;
        configure(client, peer().port());
        client.setEncodeType(encoding);
        client.setAsHtml(true); // UUEncode makes the body plain text
        client.setAttachments(u"  "_s + paths.join(u" ; "_s) + u"  "_s);
        QSignalSpy log(&client, &SmtpClient::Status), percents(&client, &SmtpClient::Progress);
        QVERIFY(QCoro::waitFor(client.send()).complete());
        const ReceivedMail mail = peer().messages().value(0);
        QCOMPARE(mail.bodyType(), encoding ? u"text/plain"_s : u"text/html"_s);
        QCOMPARE(mail.attachments().size(), names.size());
        for (qsizetype i = 0; i < names.size(); ++i) {
            QCOMPARE(mail.attachments().at(i).fileName, MailFormat::oneLine(names.at(i)));
            QCOMPARE(mail.attachments().at(i).data, contents.at(i));
        }
        QVERIFY(!mail.raw.contains("\nX: 1"));
        QVERIFY(log.contains({u"354 End data with <CR><LF>.<CR><LF>"_s}));
        QVERIFY(!percents.isEmpty() && percents.first().first().toInt() >= 0);
        QCOMPARE(percents.last().first().toInt(), 100);
        // A file that is not there stops the send before anything goes out.
        client.setAttachments(m_files.filePath(u"no such file"_s));
        QCOMPARE(QCoro::waitFor(client.send()).reason, u"attachment not found"_s);
        QCOMPARE(peer().messageCount(), 1);
    }

    void login_data() {
        addRows<Login>({
            {"login off", 1, false, kPassword, {}, {}},
            {"server offers no AUTH", 0, true, kPassword, {}, {}},
            {"STARTTLS offered", 2, true, kPassword, {}, kUser},
            {"implicit TLS on 465", 3, true, kPassword, {}, kUser},
            {"POP login first", 4, false, kPassword, {}, {}},
            {"POP login refused", 4, false, u"wrong"_s, u"refused pop login"_s, {}},
        });
    }
    void login() {
        QFETCH(Login, c);
        SmtpPeer implicit({465, kUser, kPassword, SmtpPeer::Tls::Implicit});
        if (c.kind == 3 && !implicit.start())
            QSKIP(qPrintable(u"no TLS server on port 465: "_s + implicit.errorString()));
        PopPeer pop;
        SmtpPeer& server = c.kind == 3 ? implicit : peer(c.kind % 4);
        SmtpClient client;
        configure(client, server.port());
        client.setUseAuthentication(c.loginFlag);
        client.setPopLogin(c.kind == 4);
        client.setPop3Port(pop.server.serverPort()); // no POP3 server given: the SMTP server's
        client.setUserName(kUser);
        client.setPassword(c.password);
        QCOMPARE(QCoro::waitFor(client.send()).reason, c.reason);
        QCOMPARE(pop.commands.contains(u"PASS "_s + c.password), c.kind == 4);
        QCOMPARE(server.messageCount(), int(c.reason.isEmpty()));
        const ReceivedMail mail = server.messages().value(0);
        QCOMPARE(mail.login, c.login);
        // Never in clear text when encryption is offered.
        QCOMPARE(mail.encrypted, c.kind == 2 || c.kind == 3);
        QCOMPARE(mail.loginEncrypted, mail.encrypted && !c.login.isEmpty());
    }

    // Hung servers hold threads of the mail's own: work on the global pool still runs at once,
    // and the sends of clients destroyed while they wait still end.
    void hungServersHoldNoOtherThread() {
        SilentPeer silent;
        std::vector<std::unique_ptr<SmtpClient>> clients(4);
        std::vector<QCoro::Task<MailOutcome>> sends;
        for (auto& client : clients) {
            configure(*(client = std::make_unique<SmtpClient>()), silent.port());
            client->setTransferTimeout(60s); // only cancelling ends them in time
            sends.push_back(client->send());
        }
        QTRY_COMPARE(silent.connectionCount(), 4);
        QFuture<int> other = QtConcurrent::run([] { return 42; });
        QTRY_VERIFY(other.isFinished());
        clients.clear();
        for (auto& send : sends)
            QTRY_VERIFY_WITH_TIMEOUT(send.isReady(), 10000);
    }
};

QTEST_GUILESS_MAIN(TestSmtpClient)
#include "tst_smtpclient.moc"
