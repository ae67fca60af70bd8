#include "mail/SmtpClient.h"

#include "mail/MailFormat.h"

#include <QCoroFuture>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QPointer>
#include <QUrl>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

#include <curl/curl.h>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

using namespace std::chrono_literals;

// What the worker hands to the client's thread. The worker never touches the QObject itself:
// it queues notes here and posts one delivery call while the client is alive; the destructor
// clears `owner` under the mutex, so a post can never reach a destroyed object (and posted
// calls still queued for it are dropped by QObject's destructor).
struct SmtpClient::Shared {
    struct Note {
        bool isProgress = false;
        int percent = 0;
        QString line;
    };

    std::mutex mutex;
    SmtpClient* owner = nullptr;
    bool deliveryPosted = false;
    std::deque<Note> pending;
    std::atomic<bool> cancelled{false};

    void post(Note note) {
        std::lock_guard lock(mutex);
        if (!owner)
            return;
        pending.push_back(std::move(note));
        if (deliveryPosted)
            return;
        deliveryPosted = true;
        SmtpClient* target = owner;
        QMetaObject::invokeMethod(
            target, [target] { target->deliverPending(); }, Qt::QueuedConnection);
    }
};

namespace {

using Settings = SmtpClient::Settings;
using Shared = SmtpClient::Shared;
using MailFormat::Mailbox;

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

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

struct Outcome {
    bool ok = false;
    QString explanation;
};

Outcome failure(const QString& explanation) {
    return Outcome{false, explanation};
}

// Shows control characters of a user's value in a readable, single-line form.
QString visible(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return text;
}

// Callback context of one libcurl handle.
struct Transfer {
    Shared* shared = nullptr;
    bool reportUpload = false;
    int lastPercent = -1;
    char error[CURL_ERROR_SIZE] = {};
};

int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    if (type != CURLINFO_HEADER_IN)
        return 0;
    auto* transfer = static_cast<Transfer*>(user);
    const QByteArray text(data, qsizetype(size));
    for (QByteArray line : text.split('\n')) {
        while (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            transfer->shared->post({false, 0, QString::fromUtf8(line)});
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
// protocol, the time limits, status lines and progress through the callbacks above.
void setCommonOptions(CURL* handle, Transfer& transfer, const char* protocol,
                      std::chrono::milliseconds connectLimit, std::chrono::milliseconds limit) {
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, protocol);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                     long(std::min(connectLimit, limit).count()));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, long(limit.count()));
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, transfer.error);
    curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, &onDebug);
    curl_easy_setopt(handle, CURLOPT_DEBUGDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
}

QString describeCurlError(CURLcode code, const Transfer& transfer, const QString& server, int port,
                          const QString& user) {
    const QString detail = transfer.error[0] ? QString::fromUtf8(transfer.error)
                                             : QString::fromUtf8(curl_easy_strerror(code));
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("The mail server %1:%2 did not answer in time (%3).")
            .arg(server)
            .arg(port)
            .arg(detail);
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("The mail server name %1 could not be resolved (%2).")
            .arg(server, detail);
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("Could not connect to the mail server %1:%2 (%3).")
            .arg(server)
            .arg(port)
            .arg(detail);
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("The mail server %1 refused the login of \"%2\" (%3).")
            .arg(server, user, detail);
    case CURLE_ABORTED_BY_CALLBACK:
        return QStringLiteral("The send was cancelled.");
    default:
        return QStringLiteral("Sending through %1:%2 failed: %3.")
            .arg(server)
            .arg(port)
            .arg(detail);
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
Outcome popLogin(const Settings& s, Shared& shared, const Deadline& deadline) {
    const QString server =
        s.popServer.trimmed().isEmpty() ? s.server.trimmed() : s.popServer.trimmed();
    const QUrl url = serverUrl("pop3", server, s.popPort);
    if (url.isEmpty() || s.popPort <= 0 || s.popPort > 65535)
        return failure(QStringLiteral("The POP3 server \"%1\" is not valid.").arg(visible(server)));
    if (s.userName.isEmpty())
        return failure(QStringLiteral("POP login needs a user name."));
    if (deadline.remaining() <= 0ms)
        return failure(QStringLiteral("No time was left for the POP3 login."));

    EasyHandle handle(curl_easy_init());
    if (!handle)
        return failure(QStringLiteral("The mail library could not be started."));
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
    if (code != CURLE_OK) {
        return failure(QStringLiteral("POP3 login before sending failed. %1")
                           .arg(describeCurlError(code, transfer, server, s.popPort, s.userName)));
    }
    return Outcome{true, QString()};
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

// The whole send, on the worker thread. Touches only its arguments.
Outcome deliver(const Settings& s, Shared& shared) {
    initialiseCurlOnce();
    const Deadline deadline(s.transferTimeout);

    // Check everything before the first byte goes out.
    const QString server = s.server.trimmed();
    if (server.isEmpty())
        return failure(QStringLiteral("No SMTP server was given."));
    const int port = s.port == 0 ? 25 : s.port;
    if (port < 0 || port > 65535)
        return failure(QStringLiteral("The SMTP port %1 is not valid.").arg(s.port));
    const QUrl url = serverUrl("smtp", server, port);
    if (url.isEmpty())
        return failure(QStringLiteral("The SMTP server \"%1\" is not valid.").arg(visible(server)));

    std::optional<Mailbox> sender = MailFormat::parseMailbox(s.from);
    if (!sender)
        return failure(QStringLiteral("The sender address \"%1\" is not valid.")
                           .arg(visible(s.from.trimmed())));
    if (!MailFormat::oneLine(s.fromName).trimmed().isEmpty())
        sender->name = MailFormat::oneLine(s.fromName).trimmed();

    QString bad;
    const auto to = MailFormat::pairMailboxes(s.to, s.toNames, s.separator, &bad);
    const auto cc =
        to ? MailFormat::pairMailboxes(s.cc, s.ccNames, s.separator, &bad) : std::nullopt;
    const auto bcc =
        cc ? MailFormat::pairMailboxes(s.bcc, QString(), s.separator, &bad) : std::nullopt;
    if (!bcc)
        return failure(
            QStringLiteral("The recipient address \"%1\" is not valid.").arg(visible(bad)));
    if (to->isEmpty() && cc->isEmpty() && bcc->isEmpty())
        return failure(QStringLiteral("No recipient address was given."));

    std::optional<Mailbox> replyTo;
    if (!s.replyTo.trimmed().isEmpty()) {
        replyTo = MailFormat::parseMailbox(s.replyTo);
        if (!replyTo)
            return failure(QStringLiteral("The reply address \"%1\" is not valid.")
                               .arg(visible(s.replyTo.trimmed())));
    }

    QList<Attachment> attachments;
    for (const QString& path : MailFormat::splitList(s.attachments, s.separator)) {
        const QFileInfo info(path);
        if (!info.exists())
            return failure(
                QStringLiteral("The attachment \"%1\" was not found.").arg(visible(path)));
        if (!info.isFile() || !info.isReadable())
            return failure(
                QStringLiteral("The attachment \"%1\" cannot be read.").arg(visible(path)));
        attachments.append({path, info.fileName()});
    }

    if (s.usePopLogin) {
        const Outcome pop = popLogin(s, shared, deadline);
        if (!pop.ok)
            return pop;
    }
    if (shared.cancelled.load())
        return failure(QStringLiteral("The send was cancelled."));
    if (deadline.remaining() <= 0ms)
        return failure(QStringLiteral("No time was left for sending the mail."));

    EasyHandle handle(curl_easy_init());
    if (!handle)
        return failure(QStringLiteral("The mail library could not be started."));
    MimeHandle mime(curl_mime_init(handle.get()));

    // The body: UUEncode appends every attachment to a plain-text body.
    const bool uu = s.encodeType == SmtpClient::UUEncode;
    QByteArray body = MailFormat::crlfText(s.message);
    if (uu) {
        for (const Attachment& attachment : attachments) {
            QFile file(attachment.path);
            if (!file.open(QIODevice::ReadOnly))
                return failure(QStringLiteral("The attachment \"%1\" cannot be read.")
                                   .arg(visible(attachment.path)));
            if (!body.isEmpty() && !body.endsWith("\r\n"))
                body += "\r\n";
            body += "\r\n" + MailFormat::uuencode(file.readAll(), attachment.fileName);
        }
    }
    const QByteArray encodedBody = MailFormat::quotedPrintable(body);
    curl_mimepart* text = curl_mime_addpart(mime.get());
    curl_mime_data(text, encodedBody.constData(), size_t(encodedBody.size()));
    curl_mime_type(text, s.html && !uu ? "text/html; charset=UTF-8" : "text/plain; charset=UTF-8");
    StringList textHeaders;
    append(textHeaders, "Content-Transfer-Encoding: quoted-printable");
    curl_mime_headers(text, textHeaders.release(), 1);

    if (!uu) {
        const QMimeDatabase types;
        for (const Attachment& attachment : attachments) {
            curl_mimepart* part = curl_mime_addpart(mime.get());
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
    }

    // The headers. Bcc addresses go to the envelope only.
    StringList headers;
    append(headers, "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1());
    append(headers, "Message-ID: <" + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + '@' +
                        messageIdDomain(sender->address) + '>');
    append(headers, MailFormat::addressHeader("From", {*sender}));
    if (!to->isEmpty())
        append(headers, MailFormat::addressHeader("To", *to));
    else if (cc->isEmpty())
        append(headers, "To: undisclosed-recipients:;");
    if (!cc->isEmpty())
        append(headers, MailFormat::addressHeader("Cc", *cc));
    if (replyTo)
        append(headers, MailFormat::addressHeader("Reply-To", {*replyTo}));
    append(headers, MailFormat::textHeader("Subject", s.subject));
    // Normal priority (3) is what every reader assumes; only other priorities are written.
    const int priority = std::clamp(s.priority, 1, 5);
    if (priority != 3)
        append(headers, "X-Priority: " + QByteArray::number(priority));
    if (s.receipt)
        append(headers, MailFormat::addressHeader("Disposition-Notification-To", {*sender}));

    StringList recipients;
    for (const auto* list : {&*to, &*cc, &*bcc}) {
        for (const Mailbox& box : *list)
            append(recipients, box.address.toLatin1());
    }

    Transfer transfer;
    transfer.shared = &shared;
    transfer.reportUpload = true;
    const QByteArray urlText = url.toEncoded();
    const QByteArray from = sender->address.toLatin1();
    const QByteArray user = s.userName.toUtf8();
    const QByteArray password = s.password.toUtf8();
    CURL* h = handle.get();
    setCommonOptions(h, transfer, "smtp", s.connectTimeout, deadline.remaining());
    curl_easy_setopt(h, CURLOPT_URL, urlText.constData());
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_MIMEPOST, mime.get());
    if (s.useLogin && !s.userName.isEmpty()) {
        // libcurl picks a mechanism the server offers (PLAIN, LOGIN...); with no AUTH in the
        // server's EHLO it sends without logging in.
        curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, password.constData());
    }
    const CURLcode code = curl_easy_perform(h);
    if (code != CURLE_OK)
        return failure(describeCurlError(code, transfer, server, port, s.userName));
    if (transfer.lastPercent < 100)
        shared.post({true, 100, QString()});
    return Outcome{true, QString()};
}

} // namespace

SmtpClient::SmtpClient(QObject* parent) : QObject(parent), m_shared(std::make_shared<Shared>()) {
    m_shared->owner = this;
    initialiseCurlOnce();
}

SmtpClient::~SmtpClient() {
    std::lock_guard lock(m_shared->mutex);
    m_shared->owner = nullptr;
    m_shared->cancelled = true;
}

void SmtpClient::setListSeparator(const QString& separator) {
    m_settings.separator = separator;
}
void SmtpClient::setServer(const QString& server) {
    m_settings.server = server;
}
void SmtpClient::setFrom(const QString& address) {
    m_settings.from = address;
}
void SmtpClient::setFromName(const QString& name) {
    m_settings.fromName = name;
}
void SmtpClient::setRecipients(const QString& addresses) {
    m_settings.to = addresses;
}
void SmtpClient::setRecipientNames(const QString& names) {
    m_settings.toNames = names;
}
void SmtpClient::setCc(const QString& addresses) {
    m_settings.cc = addresses;
}
void SmtpClient::setCcNames(const QString& names) {
    m_settings.ccNames = names;
}
void SmtpClient::setBcc(const QString& addresses) {
    m_settings.bcc = addresses;
}
void SmtpClient::setReplyTo(const QString& address) {
    m_settings.replyTo = address;
}
void SmtpClient::setSubject(const QString& subject) {
    m_settings.subject = subject;
}
void SmtpClient::setMessage(const QString& message) {
    m_settings.message = message;
}
void SmtpClient::setAttachments(const QString& paths) {
    m_settings.attachments = paths;
}
void SmtpClient::setAsHtml(bool html) {
    m_settings.html = html;
}
void SmtpClient::setEncodeType(int code) {
    m_settings.encodeType = code == UUEncode ? UUEncode : Mime;
}
void SmtpClient::setPriority(int priority) {
    m_settings.priority = std::clamp(priority, 1, 5);
}
void SmtpClient::setReceipt(bool requested) {
    m_settings.receipt = requested;
}
void SmtpClient::setUseAuthentication(bool on) {
    m_settings.useLogin = on;
}
void SmtpClient::setPopLogin(bool on) {
    m_settings.usePopLogin = on;
}
void SmtpClient::setUserName(const QString& name) {
    m_settings.userName = name;
}
void SmtpClient::setPassword(const QString& password) {
    m_settings.password = password;
}
void SmtpClient::setPop3Server(const QString& server) {
    m_settings.popServer = server;
}
void SmtpClient::setPort(int port) {
    m_settings.port = port;
}
void SmtpClient::setPop3Port(int port) {
    m_settings.popPort = port;
}

void SmtpClient::setConnectTimeout(std::chrono::milliseconds limit) {
    m_settings.connectTimeout = std::max(limit, 1ms);
}

void SmtpClient::setTransferTimeout(std::chrono::milliseconds limit) {
    m_settings.transferTimeout = std::max(limit, 1ms);
}

void SmtpClient::deliverPending() {
    std::deque<Shared::Note> notes;
    {
        std::lock_guard lock(m_shared->mutex);
        notes.swap(m_shared->pending);
        m_shared->deliveryPosted = false;
    }
    const QPointer<SmtpClient> self(this);
    for (const Shared::Note& note : notes) {
        if (!self) // a receiver destroyed us
            return;
        if (note.isProgress)
            Q_EMIT Progress(note.percent);
        else
            Q_EMIT Status(note.line);
    }
}

QCoro::Task<bool> SmtpClient::send() {
    if (m_sending)
        co_return false; // the notifications belong to the send that is running
    m_sending = true;
    const QPointer<SmtpClient> self(this);
    const std::shared_ptr<Shared> shared = m_shared;
    const Settings settings = m_settings;
    // Built outside the co_await: g++ 12 mishandles temporaries inside a co_await expression.
    QFuture<Outcome> running =
        QtConcurrent::run([settings, shared] { return deliver(settings, *shared); });
    const Outcome outcome = co_await running;
    if (!self) // destroyed while the worker ran: nothing left to tell
        co_return outcome.ok;
    m_sending = false;
    deliverPending(); // whatever the worker queued comes before the verdict
    if (!self)
        co_return outcome.ok;
    if (outcome.ok)
        Q_EMIT SendSuccesful();
    else
        Q_EMIT SendFailed(outcome.explanation);
    co_return outcome.ok;
}
