#include "mail/SmtpClient.h"

#include "mail/SmtpDelivery.h"

#include <QCoroFuture>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

using namespace std::chrono_literals;

namespace {

// Mail sends wait on servers that may never answer; they get threads of their own, so a hung
// server (each send ends within its time limit) never holds up work on the global pool.
class MailThreadPool final : public QThreadPool {
  public:
    MailThreadPool() { setMaxThreadCount(16); }
};
Q_GLOBAL_STATIC(MailThreadPool, g_mailThreads)

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

QThreadPool* SmtpClient::threadPool() {
    return g_mailThreads();
}

QCoro::Task<MailOutcome> SmtpClient::send() {
    if (m_sending) {
        // The notifications belong to the send that is running.
        co_return MailOutcome::failure({}, QStringLiteral("busy"),
                                       QStringLiteral("A send is already under way."));
    }
    m_sending = true;
    const QPointer<SmtpClient> self(this);
    const std::shared_ptr<Shared> shared = m_shared;
    const Settings settings = m_settings;
    // Built outside the co_await: g++ 12 mishandles temporaries inside a co_await expression.
    QFuture<MailOutcome> running = QtConcurrent::run(
        threadPool(), [settings, shared] { return deliverMail(settings, *shared); });
    const MailOutcome outcome = co_await running;
    if (!self) // destroyed while the worker ran: nothing left to tell
        co_return outcome;
    m_sending = false;
    deliverPending(); // whatever the worker queued comes before the verdict
    if (!self)
        co_return outcome;
    if (outcome.deliveredToAny())
        Q_EMIT SendSuccesful();
    else
        Q_EMIT SendFailed(outcome.explanation);
    co_return outcome;
}
