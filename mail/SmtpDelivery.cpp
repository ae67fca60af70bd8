#include "mail/SmtpDelivery.h"

#include "mail/MailFormat.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QUrl>
#include <QUuid>

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <memory>

using namespace std::chrono_literals;

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

namespace {

using Settings = SmtpClient::Settings;
using Shared = SmtpClient::Shared;
using MailFormat::Mailbox;

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct MimeDeleter {
    void operator()(curl_mime* mime) const { curl_mime_free(mime); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using MimeHandle = std::unique_ptr<curl_mime, MimeDeleter>;
using StringList = std::unique_ptr<curl_slist, ListDeleter>;

void append(StringList& list, const QByteArray& text) {
    curl_slist* grown = curl_slist_append(list.get(), text.constData());
    if (grown) {
        (void)list.release();
        list.reset(grown);
    }
}

// Why a send failed: a short reason that callers record ("refused login"), and the long
// explanation for the log and the failure notification.
struct Failure {
    QString reason;
    QString explanation;
};

Failure fail(const char* reason, const QString& explanation) {
    return Failure{QString::fromLatin1(reason), explanation};
}

// Shows control characters of a user's value in a readable, single-line form.
QString visible(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return text;
}

// The final line of a server reply ("250 OK"), as opposed to a continued one ("250-...").
bool isFinalReply(const QByteArray& line) {
    return line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line.at(0))) &&
           (line.size() == 3 || line.at(3) == ' ');
}

// Callback context of one libcurl handle.
struct Transfer {
    Shared* shared = nullptr;
    bool reportUpload = false;
    int lastPercent = -1;
    char error[CURL_ERROR_SIZE] = {};
    // Every RCPT TO sent, with the server's final reply to it (empty until it came).
    QList<QPair<QString, QString>> rcptReplies;

    // The server's reply to the address; empty when it was never asked for or never answered.
    QString replyFor(const QString& address) const {
        for (const auto& [asked, reply] : rcptReplies) {
            if (asked == address)
                return reply;
        }
        return QString();
    }
    bool anyRecipientAccepted() const {
        return std::any_of(rcptReplies.cbegin(), rcptReplies.cend(),
                           [](const auto& r) { return r.second.startsWith(QLatin1Char('2')); });
    }
    bool everyRecipientRefused() const {
        return !rcptReplies.isEmpty() &&
               std::all_of(rcptReplies.cbegin(), rcptReplies.cend(), [](const auto& r) {
                   return !r.second.isEmpty() && !r.second.startsWith(QLatin1Char('2'));
               });
    }
};

int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const QByteArray text(data, qsizetype(size));
    if (type == CURLINFO_HEADER_OUT && text.startsWith("RCPT TO:<")) {
        const qsizetype close = text.indexOf('>');
        transfer->rcptReplies.append({QString::fromLatin1(text.mid(9, close - 9)), QString()});
        return 0;
    }
    if (type != CURLINFO_HEADER_IN)
        return 0;
    for (QByteArray line : text.split('\n')) {
        while (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const QString status = QString::fromUtf8(line);
        transfer->shared->post({false, 0, status});
        auto& last = transfer->rcptReplies;
        if (!last.isEmpty() && last.last().second.isEmpty() && isFinalReply(line))
            last.last().second = status;
    }
    return 0;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t uploadTotal, curl_off_t uploaded) {
    auto* transfer = static_cast<Transfer*>(user);
    if (transfer->shared->cancelled.load())
        return 1; // aborts the transfer: the client is gone
    if (transfer->reportUpload && uploadTotal > 0) {
        const int percent = int(std::clamp<curl_off_t>(uploaded * 100 / uploadTotal, 0, 100));
        if (percent > transfer->lastPercent) {
            transfer->lastPercent = percent;
            transfer->shared->post({true, percent, QString()});
        }
    }
    return 0;
}

// Options every handle gets: no signals, no proxy from the environment, only the one
// protocol, the time limits, status lines and progress through the callbacks above. The
// session is encrypted whenever the server offers it (STARTTLS, or TLS from the start on
// the implicit-TLS port), so a password never goes out in clear text to a server that could
// have taken it encrypted. The certificate is not checked: like mail servers among
// themselves, a small office's self-signed server must keep working.
void setCommonOptions(CURL* handle, Transfer& transfer, const char* protocols,
                      std::chrono::milliseconds connectLimit, std::chrono::milliseconds limit) {
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, protocols);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                     long(std::min(connectLimit, limit).count()));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, long(limit.count()));
    curl_easy_setopt(handle, CURLOPT_USE_SSL, long(CURLUSESSL_TRY));
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, transfer.error);
    curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, &onDebug);
    curl_easy_setopt(handle, CURLOPT_DEBUGDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
}

Failure describeCurlError(CURLcode code, const Transfer& transfer, const QString& server, int port,
                          const QString& user) {
    const QString detail = transfer.error[0] ? QString::fromUtf8(transfer.error)
                                             : QString::fromUtf8(curl_easy_strerror(code));
    const QString where = QStringLiteral("%1:%2").arg(server).arg(port);
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return fail(
            "no answer from the server",
            QStringLiteral("The mail server %1 did not answer in time (%2).").arg(where, detail));
    case CURLE_COULDNT_RESOLVE_HOST:
        return fail("server name not found",
                    QStringLiteral("The mail server name %1 could not be resolved (%2).")
                        .arg(server, detail));
    case CURLE_COULDNT_CONNECT:
        return fail(
            "could not connect",
            QStringLiteral("Could not connect to the mail server %1 (%2).").arg(where, detail));
    case CURLE_LOGIN_DENIED:
        return fail("refused login",
                    QStringLiteral("The mail server %1 refused the login of \"%2\" (%3).")
                        .arg(server, user, detail));
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_USE_SSL_FAILED:
        return fail("encryption failed",
                    QStringLiteral("No encrypted session with the mail server %1 (%2).")
                        .arg(where, detail));
    case CURLE_ABORTED_BY_CALLBACK:
        return fail("cancelled", QStringLiteral("The send was cancelled."));
    default:
        return fail("send failed",
                    QStringLiteral("Sending through %1 failed: %2.").arg(where, detail));
    }
}

class Deadline {
  public:
    explicit Deadline(std::chrono::milliseconds limit)
        : m_end(std::chrono::steady_clock::now() + limit) {}
    std::chrono::milliseconds remaining() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            m_end - std::chrono::steady_clock::now());
    }

  private:
    std::chrono::steady_clock::time_point m_end;
};

bool isValidPort(int port) {
    return port >= 1 && port <= 65535;
}

// The server part of a URL, or an empty URL when the name cannot be one.
QUrl serverUrl(const char* scheme, const QString& server, int port) {
    QUrl url;
    url.setScheme(QLatin1String(scheme));
    url.setHost(server, QUrl::StrictMode);
    url.setPort(port);
    if (!url.isValid() || url.host().isEmpty())
        return QUrl();
    return url;
}

// POP before SMTP: log in to the POP3 server and leave again.
std::optional<Failure> popLogin(const Settings& s, Shared& shared, const Deadline& deadline) {
    const QString server =
        s.popServer.trimmed().isEmpty() ? s.server.trimmed() : s.popServer.trimmed();
    const QUrl url = serverUrl("pop3", server, s.popPort);
    if (url.isEmpty() || !isValidPort(s.popPort))
        return fail("bad pop server",
                    QStringLiteral("The POP3 server \"%1\" is not valid.").arg(visible(server)));
    if (s.userName.isEmpty())
        return fail("pop login failed", QStringLiteral("POP login needs a user name."));
    if (deadline.remaining() <= 0ms)
        return fail("no answer from the server",
                    QStringLiteral("No time was left for the POP3 login."));

    EasyHandle handle(curl_easy_init());
    if (!handle)
        return fail("no mail library", QStringLiteral("The mail library could not be started."));
    Transfer transfer;
    transfer.shared = &shared;
    const QByteArray urlText = url.toEncoded();
    const QByteArray user = s.userName.toUtf8();
    const QByteArray password = s.password.toUtf8();
    setCommonOptions(handle.get(), transfer, "pop3", s.connectTimeout, deadline.remaining());
    curl_easy_setopt(handle.get(), CURLOPT_URL, urlText.constData());
    curl_easy_setopt(handle.get(), CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(handle.get(), CURLOPT_PASSWORD, password.constData());
    curl_easy_setopt(handle.get(), CURLOPT_CUSTOMREQUEST, "NOOP");
    curl_easy_setopt(handle.get(), CURLOPT_NOBODY, 1L);
    const CURLcode code = curl_easy_perform(handle.get());
    if (code == CURLE_OK)
        return std::nullopt;
    Failure why = describeCurlError(code, transfer, server, s.popPort, s.userName);
    if (code == CURLE_LOGIN_DENIED)
        why.reason = QStringLiteral("refused pop login");
    why.explanation = QStringLiteral("POP3 login before sending failed. ") + why.explanation;
    return why;
}

QByteArray messageIdDomain(const QString& address) {
    QByteArray domain = address.mid(address.lastIndexOf(QLatin1Char('@')) + 1).toLatin1();
    for (char c : domain) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '-';
        if (!ok)
            return "korvane.localdomain";
    }
    return domain.isEmpty() ? QByteArray("korvane.localdomain") : domain;
}

struct Attachment {
    QString path;
    QString fileName;
};

// The mailboxes among the recipients.
QList<Mailbox> mailboxes(const QList<MailFormat::Recipient>& recipients) {
    QList<Mailbox> out;
    for (const auto& recipient : recipients) {
        if (recipient.mailbox)
            out.append(*recipient.mailbox);
    }
    return out;
}

// The whole send, on the worker thread. Touches only its arguments.
class Delivery {
  public:
    Delivery(const Settings& s, Shared& shared) : m_s(s), m_shared(shared) {
        m_to = MailFormat::pairRecipients(s.to, s.toNames, s.separator);
        m_cc = MailFormat::pairRecipients(s.cc, s.ccNames, s.separator);
        m_bcc = MailFormat::pairRecipients(s.bcc, QString(), s.separator);
        m_all = m_to + m_cc + m_bcc;
    }

    MailOutcome run() {
        initialiseCurlOnce();
        const Deadline deadline(m_s.transferTimeout);
        if (const std::optional<Failure> why = check())
            return failed(*why);
        if (m_s.usePopLogin) {
            if (const std::optional<Failure> why = popLogin(m_s, m_shared, deadline))
                return failed(*why);
        }
        if (m_shared.cancelled.load())
            return failed(fail("cancelled", QStringLiteral("The send was cancelled.")));
        if (deadline.remaining() <= 0ms)
            return failed(fail("no answer from the server",
                               QStringLiteral("No time was left for sending the mail.")));
        return transfer(deadline);
    }

  private:
    MailOutcome failed(const Failure& why) const {
        QStringList entries;
        for (const auto& recipient : m_all)
            entries.append(MailFormat::oneLine(recipient.entry));
        return MailOutcome::failure(entries, why.reason, why.explanation);
    }

    // Everything is checked before the first byte goes out.
    std::optional<Failure> check() {
        m_server = m_s.server.trimmed();
        const char* scheme = m_s.port == kImplicitTlsPort ? "smtps" : "smtp";
        m_url = serverUrl(scheme, m_server, m_s.port);
        if (m_server.isEmpty())
            return fail("bad server name", QStringLiteral("No SMTP server was given."));
        if (!isValidPort(m_s.port))
            return fail("bad port", QStringLiteral("The SMTP port %1 is not valid.").arg(m_s.port));
        if (m_url.isEmpty())
            return fail(
                "bad server name",
                QStringLiteral("The SMTP server \"%1\" is not valid.").arg(visible(m_server)));
        const QString from = m_s.from.trimmed();
        if (!MailFormat::isSendableAddress(from))
            return fail(
                "bad sender address",
                QStringLiteral("The sender address \"%1\" is not valid.").arg(visible(from)));
        m_sender = Mailbox{MailFormat::oneLine(m_s.fromName).trimmed(), from};
        const QString replyTo = m_s.replyTo.trimmed();
        if (!replyTo.isEmpty() && !MailFormat::isSendableAddress(replyTo))
            return fail(
                "bad sender address",
                QStringLiteral("The reply address \"%1\" is not valid.").arg(visible(replyTo)));
        if (!replyTo.isEmpty())
            m_replyTo = Mailbox{QString(), replyTo};
        if (m_all.isEmpty())
            return fail("no recipient", QStringLiteral("No recipient address was given."));
        if (mailboxes(m_all).isEmpty())
            return fail("refused address", invalidEntries().join(QLatin1Char(' ')));
        for (const QString& path : MailFormat::splitList(m_s.attachments, m_s.separator)) {
            const QFileInfo info(path);
            if (!info.exists())
                return fail(
                    "attachment not found",
                    QStringLiteral("The attachment \"%1\" was not found.").arg(visible(path)));
            if (!info.isFile() || !info.isReadable())
                return fail(
                    "attachment unreadable",
                    QStringLiteral("The attachment \"%1\" cannot be read.").arg(visible(path)));
            m_attachments.append({path, info.fileName()});
        }
        return std::nullopt;
    }

    QStringList invalidEntries() const {
        QStringList out;
        for (const auto& recipient : m_all) {
            if (!recipient.mailbox)
                out.append(QStringLiteral("The recipient address \"%1\" is not valid.")
                               .arg(visible(recipient.entry)));
        }
        return out;
    }

    std::optional<Failure> buildBody(curl_mime* mime) {
        // UUEncode appends every attachment to a plain-text body.
        const bool uu = m_s.encodeType == SmtpClient::UUEncode;
        QByteArray body = MailFormat::crlfText(m_s.message);
        if (uu) {
            for (const Attachment& attachment : m_attachments) {
                QFile file(attachment.path);
                if (!file.open(QIODevice::ReadOnly))
                    return fail("attachment unreadable",
                                QStringLiteral("The attachment \"%1\" cannot be read.")
                                    .arg(visible(attachment.path)));
                if (!body.isEmpty() && !body.endsWith("\r\n"))
                    body += "\r\n";
                body += "\r\n" + MailFormat::uuencode(file.readAll(), attachment.fileName);
            }
        }
        const QByteArray encodedBody = MailFormat::quotedPrintable(body);
        curl_mimepart* text = curl_mime_addpart(mime);
        curl_mime_data(text, encodedBody.constData(), size_t(encodedBody.size()));
        curl_mime_type(text,
                       m_s.html && !uu ? "text/html; charset=UTF-8" : "text/plain; charset=UTF-8");
        StringList textHeaders;
        append(textHeaders, "Content-Transfer-Encoding: quoted-printable");
        curl_mime_headers(text, textHeaders.release(), 1);
        if (uu)
            return std::nullopt;
        const QMimeDatabase types;
        for (const Attachment& attachment : m_attachments) {
            curl_mimepart* part = curl_mime_addpart(mime);
            const QByteArray localPath = QFile::encodeName(attachment.path);
            curl_mime_filedata(part, localPath.constData());
            const QString mediaType =
                types.mimeTypeForFile(attachment.path, QMimeDatabase::MatchExtension).name();
            curl_mime_type(
                part,
                MailFormat::attachmentContentType(mediaType, attachment.fileName).constData());
            curl_mime_encoder(part, "base64");
            StringList partHeaders;
            append(partHeaders, MailFormat::attachmentDisposition(attachment.fileName));
            curl_mime_headers(part, partHeaders.release(), 1);
        }
        return std::nullopt;
    }

    // The headers. Bcc addresses go to the envelope only.
    StringList buildHeaders() const {
        const QList<Mailbox> to = mailboxes(m_to);
        const QList<Mailbox> cc = mailboxes(m_cc);
        StringList headers;
        append(headers,
               "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1());
        append(headers, "Message-ID: <" + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) +
                            '@' + messageIdDomain(m_sender.address) + '>');
        append(headers, MailFormat::addressHeader("From", {m_sender}));
        if (!to.isEmpty())
            append(headers, MailFormat::addressHeader("To", to));
        else if (cc.isEmpty())
            append(headers, "To: undisclosed-recipients:;");
        if (!cc.isEmpty())
            append(headers, MailFormat::addressHeader("Cc", cc));
        if (m_replyTo)
            append(headers, MailFormat::addressHeader("Reply-To", {*m_replyTo}));
        append(headers, MailFormat::textHeader("Subject", m_s.subject));
        // Normal priority (3) is what every reader assumes; only other priorities are written.
        const int priority = std::clamp(m_s.priority, 1, 5);
        if (priority != 3)
            append(headers, "X-Priority: " + QByteArray::number(priority));
        if (m_s.receipt)
            append(headers, MailFormat::addressHeader("Disposition-Notification-To", {m_sender}));
        return headers;
    }

    MailOutcome transfer(const Deadline& deadline) {
        EasyHandle handle(curl_easy_init());
        if (!handle)
            return failed(
                fail("no mail library", QStringLiteral("The mail library could not be started.")));
        MimeHandle mime(curl_mime_init(handle.get()));
        if (const std::optional<Failure> why = buildBody(mime.get()))
            return failed(*why);
        const StringList headers = buildHeaders();
        StringList recipients;
        for (const Mailbox& box : mailboxes(m_all))
            append(recipients, box.address.toLatin1());

        Transfer transfer;
        transfer.shared = &m_shared;
        transfer.reportUpload = true;
        const QByteArray urlText = m_url.toEncoded();
        const QByteArray from = m_sender.address.toLatin1();
        const QByteArray user = m_s.userName.toUtf8();
        const QByteArray password = m_s.password.toUtf8();
        CURL* h = handle.get();
        setCommonOptions(h, transfer, "smtp,smtps", m_s.connectTimeout, deadline.remaining());
        curl_easy_setopt(h, CURLOPT_URL, urlText.constData());
        curl_easy_setopt(h, CURLOPT_MAIL_FROM, from.constData());
        curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.get());
        // A recipient the server refuses does not stop the mail to the others.
        curl_easy_setopt(h, CURLOPT_MAIL_RCPT_ALLLOWFAILS, 1L);
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(h, CURLOPT_MIMEPOST, mime.get());
        if (m_s.useLogin && !m_s.userName.isEmpty()) {
            // libcurl picks a mechanism the server offers (PLAIN, LOGIN...); with no AUTH in
            // the server's EHLO it sends without logging in.
            curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
            curl_easy_setopt(h, CURLOPT_PASSWORD, password.constData());
        }
        const CURLcode code = curl_easy_perform(h);
        if (code != CURLE_OK || !transfer.anyRecipientAccepted()) {
            if (transfer.everyRecipientRefused())
                return failed(fail("refused address", refusals(transfer).join(QLatin1Char(' '))));
            return failed(describeCurlError(code, transfer, m_server, m_s.port, m_s.userName));
        }
        if (transfer.lastPercent < 100)
            m_shared.post({true, 100, QString()});
        return outcome(transfer);
    }

    // Why each recipient that got nothing was left out.
    QStringList refusals(const Transfer& transfer) const {
        QStringList out = invalidEntries();
        for (const Mailbox& box : mailboxes(m_all)) {
            const QString reply = transfer.replyFor(box.address);
            if (!reply.startsWith(QLatin1Char('2')))
                out.append(QStringLiteral("The mail server refused the recipient %1 (%2).")
                               .arg(box.address, reply));
        }
        return out;
    }

    // The mail went out: who got it and who did not.
    MailOutcome outcome(const Transfer& transfer) const {
        MailOutcome out;
        for (const auto& recipient : m_all) {
            if (recipient.mailbox &&
                transfer.replyFor(recipient.mailbox->address).startsWith(QLatin1Char('2')))
                out.delivered.append(recipient.mailbox->address);
            else
                out.refused.append(MailFormat::oneLine(recipient.entry));
        }
        if (!out.refused.isEmpty()) {
            out.reason = QStringLiteral("refused address");
            out.explanation = refusals(transfer).join(QLatin1Char(' '));
        }
        return out;
    }

    static constexpr int kImplicitTlsPort = 465;

    const Settings& m_s;
    Shared& m_shared;
    QList<MailFormat::Recipient> m_to, m_cc, m_bcc, m_all;
    QString m_server;
    QUrl m_url;
    Mailbox m_sender;
    std::optional<Mailbox> m_replyTo;
    QList<Attachment> m_attachments;
};

} // namespace

MailOutcome deliverMail(const Settings& settings, Shared& shared) {
    return Delivery(settings, shared).run();
}
