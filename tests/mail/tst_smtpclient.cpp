// SmtpClient against a real SMTP server (aiosmtpd on 127.0.0.1): what arrives, and how the
// client behaves when the server refuses, hangs or is not there.
#include "mail/SmtpClient.h"
#include "support/SmtpPeer.h"

#include <QCoroTask>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString kUser = u"korvane"_s;
const QString kPassword = u"s3cret"_s;
const QString kFrom = u"alerts@korvane.invalid"_s;
const QString kTo = u"admin@korvane.invalid"_s;

// The fields every alert mail sets; a test changes what it looks at.
void configure(SmtpClient& client, quint16 port) {
    client.setListSeparator(u";"_s);
    client.setServer(u"127.0.0.1"_s);
    client.setPort(port);
    client.setFrom(kFrom);
    client.setFromName(u"Korvane Alerts"_s);
    client.setRecipients(kTo);
    client.setReplyTo(kFrom);
    client.setSubject(u"PC1 is down"_s);
    client.setMessage(u"PC1 did not answer."_s);
    client.setUseAuthentication(false);
    client.setConnectTimeout(5s);
    client.setTransferTimeout(15s);
}

bool sendNow(SmtpClient& client) {
    return QCoro::waitFor(client.send());
}

QByteArray pseudoRandom(int size, quint32 seed) {
    QByteArray out(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) {
        seed = seed * 1664525u + 1013904223u;
        out[i] = char(seed >> 24);
    }
    return out;
}

QByteArray allBytes() {
    QByteArray out;
    for (int i = 0; i < 256; ++i)
        out.append(char(i));
    return out;
}

} // namespace

class TestSmtpClient : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<SmtpPeer> m_peer;     // no AUTH offered
    std::unique_ptr<SmtpPeer> m_authPeer; // AUTH offered, kUser / kPassword accepted
    QTemporaryDir m_files;
    int m_fileCounter = 0;

    // Sends with the client's settings to m_peer and returns the one message that arrived.
    std::optional<ReceivedMail> deliverOne(SmtpClient& client, SmtpPeer* peer = nullptr) {
        peer = peer ? peer : m_peer.get();
        QSignalSpy ok(&client, &SmtpClient::SendSuccesful);
        QSignalSpy failed(&client, &SmtpClient::SendFailed);
        const bool sent = sendNow(client);
        if (!sent || ok.count() != 1 || !failed.isEmpty()) {
            qWarning() << "send failed:"
                       << (failed.isEmpty() ? QVariant() : failed.first().first());
            return std::nullopt;
        }
        if (!peer->waitForMessages(1))
            return std::nullopt;
        const QList<ReceivedMail> mails = peer->messages();
        if (mails.size() != 1)
            return std::nullopt;
        return mails.first();
    }

    QString makeFile(const QString& name, const QByteArray& content) {
        const QString dir = m_files.filePath(QString::number(++m_fileCounter));
        QDir().mkpath(dir);
        QFile file(dir + u'/' + name);
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        file.write(content);
        return file.fileName();
    }

  private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_files.isValid());
        m_peer = std::make_unique<SmtpPeer>();
        if (!m_peer->start())
            QSKIP(qPrintable(u"the local SMTP server cannot start: "_s + m_peer->errorString()));
        m_authPeer = std::make_unique<SmtpPeer>(SmtpPeer::Options{0, kUser, kPassword});
        if (!m_authPeer->start())
            QSKIP(
                qPrintable(u"the local SMTP server cannot start: "_s + m_authPeer->errorString()));
    }

    void init() {
        m_peer->clear();
        m_authPeer->clear();
    }

    void recipients_data() {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("toNames");
        QTest::addColumn<QString>("cc");
        QTest::addColumn<QString>("ccNames");
        QTest::addColumn<QString>("bcc");
        QTest::addColumn<QStringList>("envelope");
        QTest::addColumn<QString>("toHeader");
        QTest::addColumn<QString>("ccHeader"); // empty: no Cc header

        QTest::newRow("one") << u"a@x.invalid"_s << QString() << QString() << QString() << QString()
                             << QStringList{u"a@x.invalid"_s} << u"a@x.invalid"_s << QString();
        QTest::newRow("two joined by separator")
            << u"a@x.invalid;b@x.invalid"_s << QString() << QString() << QString() << QString()
            << QStringList{u"a@x.invalid"_s, u"b@x.invalid"_s} << u"a@x.invalid, b@x.invalid"_s
            << QString();
        QTest::newRow("blanks and empty entries")
            << u" a@x.invalid ; ;b@x.invalid ; "_s << QString() << QString() << QString()
            << QString() << QStringList{u"a@x.invalid"_s, u"b@x.invalid"_s}
            << u"a@x.invalid, b@x.invalid"_s << QString();
        QTest::newRow("names by position")
            << u"a@x.invalid;b@x.invalid"_s << u"Alice Smith;Bob"_s << QString() << QString()
            << QString() << QStringList{u"a@x.invalid"_s, u"b@x.invalid"_s}
            << u"Alice Smith <a@x.invalid>, Bob <b@x.invalid>"_s << QString();
        QTest::newRow("fewer names than addresses")
            << u"a@x.invalid;b@x.invalid"_s << u"Alice"_s << QString() << QString() << QString()
            << QStringList{u"a@x.invalid"_s, u"b@x.invalid"_s}
            << u"Alice <a@x.invalid>, b@x.invalid"_s << QString();
        QTest::newRow("name with a comma is quoted")
            << u"a@x.invalid"_s << u"Smith, Alice"_s << QString() << QString() << QString()
            << QStringList{u"a@x.invalid"_s} << u"\"Smith, Alice\" <a@x.invalid>"_s << QString();
        QTest::newRow("entry with its own name")
            << u"Alice <a@x.invalid>"_s << QString() << QString() << QString() << QString()
            << QStringList{u"a@x.invalid"_s} << u"Alice <a@x.invalid>"_s << QString();
        QTest::newRow("cc with names")
            << u"a@x.invalid"_s << QString() << u"c@x.invalid;d@x.invalid"_s << u"Carol;Dan"_s
            << QString() << QStringList{u"a@x.invalid"_s, u"c@x.invalid"_s, u"d@x.invalid"_s}
            << u"a@x.invalid"_s << u"Carol <c@x.invalid>, Dan <d@x.invalid>"_s;
        QTest::newRow("bcc only in the envelope")
            << u"a@x.invalid"_s << QString() << QString() << QString()
            << u"hidden1@x.invalid; hidden2@x.invalid"_s
            << QStringList{u"a@x.invalid"_s, u"hidden1@x.invalid"_s, u"hidden2@x.invalid"_s}
            << u"a@x.invalid"_s << QString();
        QTest::newRow("bcc alone")
            << QString() << QString() << QString() << QString() << u"hidden1@x.invalid"_s
            << QStringList{u"hidden1@x.invalid"_s} << u"undisclosed-recipients:;"_s << QString();
    }
    void recipients() {
        QFETCH(QString, to);
        QFETCH(QString, toNames);
        QFETCH(QString, cc);
        QFETCH(QString, ccNames);
        QFETCH(QString, bcc);
        QFETCH(QStringList, envelope);
        QFETCH(QString, toHeader);
        QFETCH(QString, ccHeader);

        SmtpClient client;
        configure(client, m_peer->port());
        client.setRecipients(to);
        client.setRecipientNames(toNames);
        client.setCc(cc);
        client.setCcNames(ccNames);
        client.setBcc(bcc);
        const auto mail = deliverOne(client);
        QVERIFY(mail);
        QCOMPARE(mail->mailFrom, kFrom);
        QCOMPARE(mail->recipients, envelope);
        QCOMPARE(mail->header(u"To"_s).value_or(u"(none)"_s), toHeader);
        QCOMPARE(mail->header(u"Cc"_s).value_or(QString()), ccHeader);
        QVERIFY(!mail->header(u"Bcc"_s));
        QVERIFY(!mail->rawHeaderBlock().contains("hidden"));
    }

    void headers() {
        SmtpClient client;
        configure(client, m_peer->port());
        const auto mail = deliverOne(client);
        QVERIFY(mail);
        QCOMPARE(mail->header(u"From"_s), u"Korvane Alerts <alerts@korvane.invalid>"_s);
        QCOMPARE(mail->header(u"To"_s), kTo);
        QCOMPARE(mail->header(u"Reply-To"_s), kFrom);
        QCOMPARE(mail->header(u"Subject"_s), u"PC1 is down"_s);
        QCOMPARE(mail->headerValues(u"Subject"_s).size(), 1);
        const QDateTime date =
            QDateTime::fromString(mail->header(u"Date"_s).value_or(QString()), Qt::RFC2822Date);
        QVERIFY2(date.isValid(), qPrintable(mail->header(u"Date"_s).value_or(QString())));
        QVERIFY(qAbs(date.secsTo(QDateTime::currentDateTime())) < 24 * 3600);
        const QRegularExpression messageId(u"^<[0-9a-f-]+@korvane\\.invalid>$"_s);
        QVERIFY(messageId.match(mail->header(u"Message-ID"_s).value_or(QString())).hasMatch());
        QVERIFY(!mail->header(u"X-Priority"_s));
        QVERIFY(!mail->header(u"Disposition-Notification-To"_s));
        QCOMPARE(mail->body(), u"PC1 did not answer."_s);
        QCOMPARE(mail->bodyType(), u"text/plain"_s);
        QVERIFY(mail->attachments().isEmpty());
    }

    void priorityAndReceipt_data() {
        QTest::addColumn<int>("priority");
        QTest::addColumn<bool>("receipt");
        QTest::addColumn<QString>("xPriority"); // empty: no header
        QTest::addColumn<QString>("notifyTo");  // empty: no header
        const QString from = u"Korvane Alerts <alerts@korvane.invalid>"_s;
        QTest::newRow("normal") << 3 << false << QString() << QString();
        QTest::newRow("high") << 1 << false << u"1"_s << QString();
        QTest::newRow("low") << 5 << false << u"5"_s << QString();
        QTest::newRow("receipt") << 3 << true << QString() << from;
        QTest::newRow("high with receipt") << 1 << true << u"1"_s << from;
    }
    void priorityAndReceipt() {
        QFETCH(int, priority);
        QFETCH(bool, receipt);
        QFETCH(QString, xPriority);
        QFETCH(QString, notifyTo);
        SmtpClient client;
        configure(client, m_peer->port());
        client.setPriority(priority);
        client.setReceipt(receipt);
        const auto mail = deliverOne(client);
        QVERIFY(mail);
        QCOMPARE(mail->header(u"X-Priority"_s).value_or(QString()), xPriority);
        QCOMPARE(mail->header(u"Disposition-Notification-To"_s).value_or(QString()), notifyTo);
    }

    void encodedTexts_data() {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("fromName");
        QTest::addColumn<QString>("toName");
        QTest::newRow("ascii") << u"Server down"_s << u"Korvane"_s << u"Admin"_s;
        QTest::newRow("latin") << u"Störung: Gerät nicht erreichbar"_s << u"Überwachung"_s
                               << u"Jörg Müller"_s;
        QTest::newRow("long cjk") << QString(u"服务器没有响应。"_s).repeated(15) << u"监控"_s
                                  << u"管理员"_s;
        QTest::newRow("emoji") << QString(u"Server 🔥 down "_s).repeated(8) << u"Bot 🤖"_s
                               << u"Ops 🛠"_s;
        QTest::newRow("long ascii")
            << QString(u"word "_s).repeated(250).trimmed() << u"Korvane"_s << u"Admin"_s;
        QTest::newRow("text that looks encoded")
            << u"=?UTF-8?B?eA==?= stays literal"_s << u"Korvane"_s << u"Admin"_s;
    }
    void encodedTexts() {
        QFETCH(QString, subject);
        QFETCH(QString, fromName);
        QFETCH(QString, toName);
        SmtpClient client;
        configure(client, m_peer->port());
        client.setSubject(subject);
        client.setFromName(fromName);
        client.setRecipientNames(toName);
        const auto mail = deliverOne(client);
        QVERIFY(mail);
        QCOMPARE(mail->decodedHeader(u"Subject"_s), subject);
        QCOMPARE(mail->decodedHeader(u"From"_s), fromName + u" <alerts@korvane.invalid>"_s);
        QCOMPARE(mail->decodedHeader(u"To"_s), toName + u" <admin@korvane.invalid>"_s);
        // On the wire: 7-bit only, encoded words of at most 75 characters on lines of at
        // most 76.
        const QByteArray block = mail->rawHeaderBlock();
        for (char c : block)
            QVERIFY(static_cast<unsigned char>(c) < 0x80);
        for (QByteArray line : block.split('\n')) {
            line = line.trimmed();
            if (line.contains("=?"))
                QVERIFY2(line.size() <= 76, line.constData());
        }
        const QRegularExpression word(u"=\\?UTF-8\\?B\\?[A-Za-z0-9+/=]*\\?="_s);
        auto words = word.globalMatch(QString::fromLatin1(block));
        while (words.hasNext())
            QVERIFY(words.next().capturedLength() <= 75);
    }

    void body_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("html");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("type");
        QTest::newRow("plain") << u"PC1 did not answer."_s << false << u"PC1 did not answer."_s
                               << u"text/plain"_s;
        QTest::newRow("html") << u"<p>PC1 is <b>down</b></p>"_s << true
                              << u"<p>PC1 is <b>down</b></p>"_s << u"text/html"_s;
        QTest::newRow("non-ascii")
            << u"Grüße aus Köln – ok ✓"_s << false << u"Grüße aus Köln – ok ✓"_s << u"text/plain"_s;
        QTest::newRow("line endings")
            << u"a\r\nb\nc\rd"_s << false << u"a\nb\nc\nd"_s << u"text/plain"_s;
        QTest::newRow("dots") << u".\n..two dots\n.end"_s << false << u".\n..two dots\n.end"_s
                              << u"text/plain"_s;
        QTest::newRow("long line") << QString(u"0123456789"_s).repeated(30) << false
                                   << QString(u"0123456789"_s).repeated(30) << u"text/plain"_s;
        QTest::newRow("blanks at line ends")
            << u"a  \nb\t\n"_s << false << u"a  \nb\t\n"_s << u"text/plain"_s;
        QTest::newRow("equals signs") << u"a=b =3D"_s << false << u"a=b =3D"_s << u"text/plain"_s;
        QTest::newRow("empty") << QString() << false << QString() << u"text/plain"_s;
    }
    void body() {
        QFETCH(QString, message);
        QFETCH(bool, html);
        QFETCH(QString, expected);
        QFETCH(QString, type);
        SmtpClient client;
        configure(client, m_peer->port());
        client.setMessage(message);
        client.setAsHtml(html);
        const auto mail = deliverOne(client);
        QVERIFY(mail);
        QCOMPARE(mail->body(), expected);
        QCOMPARE(mail->bodyType(), type);
        QCOMPARE(mail->parts.first().charset.toLower(), u"utf-8"_s);
    }

    void attachments_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QByteArrayList>("contents");
        QTest::addColumn<QString>("layout"); // %1, %2: the paths
        QTest::addColumn<int>("encoding");
        QTest::addColumn<bool>("html");

        for (int encoding : {0, 1}) {
            const char* kind = encoding == 0 ? "MIME" : "UUEncode";
            QTest::addRow("%s text file", kind)
                << QStringList{u"report.txt"_s} << QByteArrayList{"line one\nline two\n"} << u"%1"_s
                << encoding << false;
            QTest::addRow("%s two files with blanks around", kind)
                << QStringList{u"a.txt"_s, u"b.bin"_s} << QByteArrayList{"alpha", allBytes()}
                << u"  %1 ; %2  "_s << encoding << false;
            QTest::addRow("%s non-ascii name", kind)
                << QStringList{u"Prüfbericht Köln.csv"_s} << QByteArrayList{"x;y\n1;2\n"} << u"%1"_s
                << encoding << false;
            QTest::addRow("%s empty file", kind)
                << QStringList{u"empty.dat"_s} << QByteArrayList{QByteArray()} << u"%1"_s
                << encoding << false;
            QTest::addRow("%s larger binary", kind)
                << QStringList{u"big.bin"_s} << QByteArrayList{pseudoRandom(200'000, 7)} << u"%1"_s
                << encoding << false;
        }
        QTest::newRow("MIME beside an html body")
            << QStringList{u"page.html"_s} << QByteArrayList{"<p>x</p>"} << u"%1"_s << 0 << true;
        QTest::newRow("UUEncode makes an html body plain")
            << QStringList{u"page.html"_s} << QByteArrayList{"<p>x</p>"} << u"%1"_s << 1 << true;
    }
    void attachments() {
        QFETCH(QStringList, names);
        QFETCH(QByteArrayList, contents);
        QFETCH(QString, layout);
        QFETCH(int, encoding);
        QFETCH(bool, html);

        QString attach = layout;
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QString path = makeFile(names.at(i), contents.at(i));
            QVERIFY(!path.isEmpty());
            attach = attach.arg(path);
        }
        SmtpClient client;
        configure(client, m_peer->port());
        client.setMessage(u"See the attachments."_s);
        client.setAttachments(attach);
        client.setEncodeType(encoding);
        client.setAsHtml(html);
        const auto mail = deliverOne(client);
        QVERIFY(mail);
        QVERIFY(mail->body().startsWith(u"See the attachments."_s));
        if (encoding == 0) {
            QVERIFY(mail->uuFiles.isEmpty());
            QCOMPARE(mail->bodyType(), html ? u"text/html"_s : u"text/plain"_s);
            const auto parts = mail->attachments();
            QCOMPARE(parts.size(), names.size());
            for (qsizetype i = 0; i < names.size(); ++i) {
                QCOMPARE(parts.at(i).fileName, names.at(i));
                QCOMPARE(parts.at(i).disposition, u"attachment"_s);
                QCOMPARE(parts.at(i).data, contents.at(i));
            }
        } else {
            QVERIFY(mail->attachments().isEmpty());
            QCOMPARE(mail->bodyType(), u"text/plain"_s);
            QCOMPARE(mail->uuFiles.size(), names.size());
            for (qsizetype i = 0; i < names.size(); ++i) {
                QCOMPARE(mail->uuFiles.at(i).name, names.at(i));
                QCOMPARE(mail->uuFiles.at(i).mode, u"644"_s);
                QCOMPARE(mail->uuFiles.at(i).data, contents.at(i));
            }
        }
    }

    void missingAttachment_data() {
        QTest::addColumn<int>("encoding");
        QTest::newRow("MIME") << 0;
        QTest::newRow("UUEncode") << 1;
    }
    void missingAttachment() {
        QFETCH(int, encoding);
        const QString present = makeFile(u"present.txt"_s, "here");
        const QString missing = m_files.filePath(u"no such folder/missing.txt"_s);
        SmtpClient client;
        configure(client, m_peer->port());
        client.setEncodeType(encoding);
        client.setAttachments(present + u';' + missing);
        QSignalSpy ok(&client, &SmtpClient::SendSuccesful);
        QSignalSpy failed(&client, &SmtpClient::SendFailed);
        QVERIFY(!sendNow(client));
        QCOMPARE(ok.count(), 0);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.first().first().toString(),
                 u"The attachment \"%1\" was not found."_s.arg(missing));
        QCOMPARE(m_peer->messageCount(), 0); // nothing went out: the check comes first
    }

    void headerInjection_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("header");   // the header the value lands in
        QTest::addColumn<QString>("expected"); // its decoded value

        QTest::newRow("subject crlf") << u"subject"_s << u"Alert\r\nBcc: evil@x.invalid"_s
                                      << u"Subject"_s << u"Alert Bcc: evil@x.invalid"_s;
        QTest::newRow("subject lf") << u"subject"_s << u"Alert\nX-Injected: yes"_s << u"Subject"_s
                                    << u"Alert X-Injected: yes"_s;
        QTest::newRow("subject cr") << u"subject"_s << u"Alert\rX-Injected: yes"_s << u"Subject"_s
                                    << u"Alert X-Injected: yes"_s;
        QTest::newRow("subject folded look-alike") << u"subject"_s << u"Alert\r\n X-Injected: yes"_s
                                                   << u"Subject"_s << u"Alert  X-Injected: yes"_s;
        QTest::newRow("subject non-ascii with lf") << u"subject"_s << u"Gerät\nX-Injected: yes"_s
                                                   << u"Subject"_s << u"Gerät X-Injected: yes"_s;
        QTest::newRow("from name") << u"fromName"_s << u"Korvane\r\nX-Injected: yes"_s << u"From"_s
                                   << u"\"Korvane X-Injected: yes\" <alerts@korvane.invalid>"_s;
        QTest::newRow("to name") << u"toName"_s << u"Admin\r\nBcc: evil@x.invalid"_s << u"To"_s
                                 << u"\"Admin Bcc: evil@x.invalid\" <admin@korvane.invalid>"_s;
        QTest::newRow("cc name") << u"ccName"_s << u"Carol\nX-Injected: yes"_s << u"Cc"_s
                                 << u"\"Carol X-Injected: yes\" <c@x.invalid>"_s;
        QTest::newRow("attachment file name") << u"attachment"_s << u"evil\nX-Injected: yes.txt"_s
                                              << QString() << u"evil X-Injected: yes.txt"_s;
        QTest::newRow("uuencoded file name")
            << u"uuattachment"_s << u"evil\r\nX-Injected: yes.txt"_s << QString()
            << u"evil X-Injected: yes.txt"_s;
    }
    void headerInjection() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, header);
        QFETCH(QString, expected);

        SmtpClient client;
        configure(client, m_peer->port());
        QStringList envelope{kTo};
        if (field == u"subject"_s) {
            client.setSubject(value);
        } else if (field == u"fromName"_s) {
            client.setFromName(value);
        } else if (field == u"toName"_s) {
            client.setRecipientNames(value);
        } else if (field == u"ccName"_s) {
            client.setCc(u"c@x.invalid"_s);
            client.setCcNames(value);
            envelope.append(u"c@x.invalid"_s);
        } else {
            const QString path = makeFile(value, "payload");
            QVERIFY(!path.isEmpty());
            client.setAttachments(path);
            client.setEncodeType(field == u"uuattachment"_s ? 1 : 0);
        }
        const auto mail = deliverOne(client);
        QVERIFY(mail);
        QCOMPARE(mail->recipients, envelope);
        QStringList names;
        for (const QString& name : mail->headerNames())
            names.append(name.toLower());
        names.sort();
        QStringList standard{u"content-type"_s, u"date"_s,     u"from"_s,    u"message-id"_s,
                             u"mime-version"_s, u"reply-to"_s, u"subject"_s, u"to"_s};
        if (field == u"ccName"_s)
            standard.append(u"cc"_s);
        standard.sort();
        QCOMPARE(names, standard);
        // Not in the top headers, nor in any part's headers.
        QVERIFY(!mail->raw.contains("\nX-Injected"));
        QVERIFY(!mail->raw.contains("\nBcc"));
        if (!header.isEmpty()) {
            QCOMPARE(mail->header(header).value_or(QString()).isEmpty(), false);
            QCOMPARE(mail->decodedHeader(header), expected);
        } else if (field == u"attachment"_s) {
            QCOMPARE(mail->attachments().size(), 1);
            QCOMPARE(mail->attachments().first().fileName, expected);
            QCOMPARE(mail->attachments().first().data, QByteArray("payload"));
        } else {
            QCOMPARE(mail->uuFiles.size(), 1);
            QCOMPARE(mail->uuFiles.first().name, expected);
            QCOMPARE(mail->uuFiles.first().data, QByteArray("payload"));
        }
    }

    void addressInjection_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("explanation");
        const QString smuggled = u"a@x.invalid>\r\nRCPT TO:<evil@x.invalid"_s;
        const QString shown = u"a@x.invalid>\\r\\nRCPT TO:<evil@x.invalid"_s;
        QTest::newRow("to") << u"to"_s << smuggled
                            << u"The recipient address \"%1\" is not valid."_s.arg(shown);
        QTest::newRow("to among good ones")
            << u"to"_s << u"ok@x.invalid;"_s + smuggled
            << u"The recipient address \"%1\" is not valid."_s.arg(shown);
        QTest::newRow("cc") << u"cc"_s << smuggled
                            << u"The recipient address \"%1\" is not valid."_s.arg(shown);
        QTest::newRow("bcc") << u"bcc"_s << u"a@x.invalid\nDATA"_s
                             << u"The recipient address \"a@x.invalid\\nDATA\" is not valid."_s;
        QTest::newRow("to with parameters")
            << u"to"_s << u"<a@x.invalid> NOTIFY=NEVER"_s
            << u"The recipient address \"<a@x.invalid> NOTIFY=NEVER\" is not valid."_s;
        QTest::newRow("from") << u"from"_s << smuggled
                              << u"The sender address \"%1\" is not valid."_s.arg(shown);
        QTest::newRow("reply-to") << u"replyTo"_s << smuggled
                                  << u"The reply address \"%1\" is not valid."_s.arg(shown);
    }
    void addressInjection() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, explanation);
        SmtpClient client;
        configure(client, m_peer->port());
        if (field == u"to"_s)
            client.setRecipients(value);
        else if (field == u"cc"_s)
            client.setCc(value);
        else if (field == u"bcc"_s)
            client.setBcc(value);
        else if (field == u"from"_s)
            client.setFrom(value);
        else
            client.setReplyTo(value);
        QSignalSpy failed(&client, &SmtpClient::SendFailed);
        QVERIFY(!sendNow(client));
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.first().first().toString(), explanation);
        QCOMPARE(m_peer->messageCount(), 0);
    }

    void login_data() {
        QTest::addColumn<bool>("serverOffersAuth");
        QTest::addColumn<bool>("loginFlag");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("delivered");
        QTest::addColumn<QString>("loggedInAs"); // empty: no login
        QTest::newRow("login on, accepted") << true << true << kUser << kPassword << true << kUser;
        QTest::newRow("login off") << true << false << kUser << kPassword << true << QString();
        QTest::newRow("login on, wrong password")
            << true << true << kUser << u"wrong"_s << false << QString();
        QTest::newRow("login on, unknown user")
            << true << true << u"nobody"_s << kPassword << false << QString();
        QTest::newRow("login on, no user name")
            << true << true << QString() << QString() << true << QString();
        QTest::newRow("login on, server offers no AUTH")
            << false << true << kUser << kPassword << true << QString();
    }
    void login() {
        QFETCH(bool, serverOffersAuth);
        QFETCH(bool, loginFlag);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, delivered);
        QFETCH(QString, loggedInAs);
        SmtpPeer* peer = serverOffersAuth ? m_authPeer.get() : m_peer.get();
        SmtpClient client;
        configure(client, peer->port());
        client.setUseAuthentication(loginFlag);
        client.setUserName(user);
        client.setPassword(password);
        if (!delivered) {
            QSignalSpy failed(&client, &SmtpClient::SendFailed);
            QVERIFY(!sendNow(client));
            QCOMPARE(failed.count(), 1);
            QVERIFY2(failed.first().first().toString().startsWith(
                         u"The mail server 127.0.0.1 refused the login of \"%1\""_s.arg(user)),
                     qPrintable(failed.first().first().toString()));
            QCOMPARE(peer->messageCount(), 0);
            return;
        }
        const auto mail = deliverOne(client, peer);
        QVERIFY(mail);
        QCOMPARE(mail->loggedIn, !loggedInAs.isEmpty());
        QCOMPARE(mail->login, loggedInAs);
    }

    void popLogin_data() {
        QTest::addColumn<QString>("popServer");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("delivered");
        QTest::newRow("accepted") << u"127.0.0.1"_s << kPassword << true;
        QTest::newRow("no POP3 server: the SMTP server is asked") << QString() << kPassword << true;
        QTest::newRow("refused") << u"127.0.0.1"_s << u"wrong"_s << false;
    }
    void popLogin() {
        QFETCH(QString, popServer);
        QFETCH(QString, password);
        QFETCH(bool, delivered);
        PopPeer pop(kUser, kPassword);
        QVERIFY(pop.listen());
        SmtpClient client;
        configure(client, m_peer->port());
        client.setPopLogin(true);
        client.setPop3Server(popServer);
        client.setPop3Port(pop.port());
        client.setUserName(kUser);
        client.setPassword(password);
        QSignalSpy failed(&client, &SmtpClient::SendFailed);
        QCOMPARE(sendNow(client), delivered);
        QVERIFY(pop.commands().contains(u"USER "_s + kUser));
        QVERIFY(pop.commands().contains(u"PASS "_s + password));
        QCOMPARE(pop.loggedIn(), delivered);
        if (delivered) {
            QVERIFY(pop.commands().contains(u"NOOP"_s));
            QVERIFY(m_peer->waitForMessages(1));
            QCOMPARE(m_peer->messages().first().loggedIn, false); // login flag is off
        } else {
            QCOMPARE(failed.count(), 1);
            QVERIFY2(failed.first().first().toString().startsWith(
                         u"POP3 login before sending failed."_s),
                     qPrintable(failed.first().first().toString()));
            QCOMPARE(m_peer->messageCount(), 0);
        }
    }

    void port2525() {
        SmtpPeer peer(SmtpPeer::Options{2525, QString(), QString()});
        if (!peer.start())
            QSKIP(qPrintable(u"no SMTP server on port 2525: "_s + peer.errorString()));
        SmtpClient client;
        configure(client, 2525);
        const auto mail = deliverOne(client, &peer);
        QVERIFY(mail);
        QCOMPARE(mail->recipients, QStringList{kTo});
    }

    void failures_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("port"); // -1: a loopback port nothing listens on
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("explanation"); // how it starts
        QTest::newRow("nothing listens") << u"127.0.0.1"_s << -1 << kFrom << kTo
                                         << u"Could not connect to the mail server 127.0.0.1:"_s;
        QTest::newRow("empty server")
            << u"  "_s << 25 << kFrom << kTo << u"No SMTP server was given."_s;
        QTest::newRow("server name with a path")
            << u"127.0.0.1/x"_s << 25 << kFrom << kTo
            << u"The SMTP server \"127.0.0.1/x\" is not valid."_s;
        QTest::newRow("server name with a line break")
            << u"127.0.0.1\r\nx"_s << 25 << kFrom << kTo
            << u"The SMTP server \"127.0.0.1\\r\\nx\" is not valid."_s;
        QTest::newRow("port out of range")
            << u"127.0.0.1"_s << 70000 << kFrom << kTo << u"The SMTP port 70000 is not valid."_s;
        QTest::newRow("negative port")
            << u"127.0.0.1"_s << -25 << kFrom << kTo << u"The SMTP port -25 is not valid."_s;
        QTest::newRow("no recipient")
            << u"127.0.0.1"_s << -1 << kFrom << u" ; "_s << u"No recipient address was given."_s;
        QTest::newRow("sender not an address")
            << u"127.0.0.1"_s << -1 << u"not an address"_s << kTo
            << u"The sender address \"not an address\" is not valid."_s;
        QTest::newRow("name that does not resolve")
            << u"smtp.korvane.invalid"_s << 25 << kFrom << kTo
            << u"The mail server name smtp.korvane.invalid could not be resolved"_s;
    }
    void failures() {
        QFETCH(QString, server);
        QFETCH(int, port);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, explanation);
        SmtpClient client;
        configure(client, port == -1 ? unusedLoopbackPort() : quint16(0));
        if (port != -1)
            client.setPort(port);
        client.setServer(server);
        client.setFrom(from);
        client.setRecipients(to);
        QSignalSpy ok(&client, &SmtpClient::SendSuccesful);
        QSignalSpy failed(&client, &SmtpClient::SendFailed);
        QVERIFY(!sendNow(client));
        QCOMPARE(ok.count(), 0);
        QCOMPARE(failed.count(), 1);
        QVERIFY2(failed.first().first().toString().startsWith(explanation),
                 qPrintable(failed.first().first().toString()));
        QVERIFY(!client.isSending());
    }

    void silentServer() {
        SilentPeer silent;
        QVERIFY(silent.listen());
        SmtpClient client;
        configure(client, silent.port());
        client.setConnectTimeout(2s);
        client.setTransferTimeout(2s);
        QSignalSpy failed(&client, &SmtpClient::SendFailed);
        QSignalSpy ok(&client, &SmtpClient::SendSuccesful);
        auto task = client.send();
        QTRY_VERIFY(silent.connectionCount() >= 1);
        // The limit is 2 s; the wait allows generously for a slow machine.
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 20000);
        QCOMPARE(ok.count(), 0);
        QVERIFY2(failed.first().first().toString().startsWith(
                     u"The mail server 127.0.0.1:%1 did not answer in time"_s.arg(silent.port())),
                 qPrintable(failed.first().first().toString()));
        QVERIFY(task.isReady());
        QCOMPARE(QCoro::waitFor(task), false);
    }

    void notifications() {
        SmtpClient client;
        configure(client, m_peer->port());
        client.setAttachments(makeFile(u"big.bin"_s, pseudoRandom(300'000, 11)));
        QStringList log;
        QList<int> percents;
        connect(&client, &SmtpClient::Progress, this, [&](int percent) {
            percents.append(percent);
            log.append(u"progress"_s);
        });
        connect(&client, &SmtpClient::Status, this,
                [&](const QString& line) { log.append(u"status "_s + line); });
        connect(&client, &SmtpClient::SendSuccesful, this, [&] { log.append(u"success"_s); });
        connect(&client, &SmtpClient::SendFailed, this,
                [&](const QString& why) { log.append(u"failed "_s + why); });
        QVERIFY(sendNow(client));
        // Everything was told before send() returned, the verdict last and once.
        QCOMPARE(log.count(u"success"_s), 1);
        QCOMPARE(log.last(), u"success"_s);
        QVERIFY(!percents.isEmpty());
        QCOMPARE(percents.last(), 100);
        for (qsizetype i = 0; i < percents.size(); ++i) {
            QVERIFY(percents.at(i) >= 0 && percents.at(i) <= 100);
            if (i > 0)
                QVERIFY(percents.at(i) > percents.at(i - 1));
        }
        const QStringList statuses = log.filter(QRegularExpression(u"^status "_s));
        QVERIFY(statuses.first().startsWith(u"status 220 "_s)); // the greeting
        QVERIFY(statuses.contains(u"status 354 End data with <CR><LF>.<CR><LF>"_s));
        QVERIFY(statuses.last().startsWith(u"status 250 "_s)); // the message accepted
        for (const QString& line : statuses)
            QVERIFY(!line.contains(u'\r') && !line.contains(u'\n'));
    }

    void sameClientTwice() {
        SmtpClient client;
        configure(client, m_peer->port());
        QSignalSpy ok(&client, &SmtpClient::SendSuccesful);
        QVERIFY(sendNow(client));
        client.setSubject(u"second"_s);
        QVERIFY(sendNow(client));
        QCOMPARE(ok.count(), 2);
        QVERIFY(m_peer->waitForMessages(2));
        QCOMPARE(m_peer->messages().at(1).header(u"Subject"_s), u"second"_s);
    }

    void secondSendWhileRunning() {
        SilentPeer silent;
        QVERIFY(silent.listen());
        SmtpClient client;
        configure(client, silent.port());
        client.setTransferTimeout(2s);
        QSignalSpy failed(&client, &SmtpClient::SendFailed);
        auto first = client.send();
        QVERIFY(client.isSending());
        auto second = client.send();
        QVERIFY(second.isReady());
        QCOMPARE(QCoro::waitFor(second), false);
        QCOMPARE(failed.count(), 0); // the notifications belong to the running send
        QCOMPARE(QCoro::waitFor(first), false);
        QCOMPARE(failed.count(), 1);
        QVERIFY(!client.isSending());
    }

    void destroyedWhileSending() {
        SilentPeer silent;
        QVERIFY(silent.listen());
        auto* client = new SmtpClient;
        configure(*client, silent.port());
        client->setTransferTimeout(60s); // far beyond the wait below: only cancelling ends it
        bool told = false;
        connect(client, &SmtpClient::SendFailed, this, [&] { told = true; });
        auto task = client->send();
        QTRY_VERIFY(silent.connectionCount() >= 1);
        delete client;
        QTRY_VERIFY_WITH_TIMEOUT(task.isReady(), 10000);
        QCOMPARE(QCoro::waitFor(task), false);
        QVERIFY(!told);
    }

    void readBacks() {
        SmtpClient client;
        QCOMPARE(client.listSeparator(), u";"_s);
        QCOMPARE(client.port(), 25);
        QCOMPARE(client.pop3Port(), 110);
        QCOMPARE(client.priority(), 3);
        QCOMPARE(client.encodeType(), 0);
        QVERIFY(client.connectTimeout() <= 30s);
        QVERIFY(client.transferTimeout() <= 30s);
        client.setServer(u"mail.korvane.invalid"_s);
        client.setPop3Server(u"pop.korvane.invalid"_s);
        client.setFrom(kFrom);
        client.setFromName(u"Korvane"_s);
        client.setUserName(kUser);
        client.setUseAuthentication(true);
        client.setEncodeType(1);
        client.setPriority(9);
        client.setPort(2525);
        QCOMPARE(client.server(), u"mail.korvane.invalid"_s);
        QCOMPARE(client.pop3Server(), u"pop.korvane.invalid"_s);
        QCOMPARE(client.from(), kFrom);
        QCOMPARE(client.fromName(), u"Korvane"_s);
        QCOMPARE(client.userName(), kUser);
        QCOMPARE(client.useAuthentication(), true);
        QCOMPARE(client.encodeType(), 1);
        QCOMPARE(client.priority(), 5);
        QCOMPARE(client.port(), 2525);
        client.setEncodeType(7);
        QCOMPARE(client.encodeType(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSmtpClient)
#include "tst_smtpclient.moc"
