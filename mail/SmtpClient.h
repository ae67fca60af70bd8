#pragma once

#include "mail/MailOutcome.h"

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QVariant>

class QThreadPool;

#include <chrono>
#include <memory>

// The SMTP component behind the mail window (`poSendMail`): SMTP through libcurl, encrypted
// whenever the server offers STARTTLS (TLS from the start on port 465), the server's
// certificate not checked, plain SMTP with a server that offers no encryption.
//
// The window writes its settings, then awaits send(). The transfer runs on a worker thread of
// the mail thread pool so the calling thread's event loop keeps turning; the notifications arrive
// as signals on the object's own thread, in order: Progress and Status while the mail goes out,
// then exactly one of SendSuccesful or SendFailed, all of them before the task returned by send()
// completes.
//
// The object may be destroyed while a send is running: the transfer is then aborted, the worker
// finishes on shared state only, and nothing is emitted any more.
//
// What goes out:
//  - Envelope: MAIL FROM the sender address; RCPT TO every To, Cc and Bcc address.
//  - Headers: Date, Message-ID, From ("Name <addr>"), To and Cc with their display names
//    paired by position, Reply-To, Subject, X-Priority (only for a priority other than the
//    normal 3), Disposition-Notification-To (when a receipt is requested). Never a Bcc header.
//    Line breaks in any value become blanks, so no value can start a header of its own;
//    non-ASCII subjects and names are sent as RFC 2047 encoded words.
//  - Body: UTF-8, quoted-printable, text/plain or text/html. Attachments are base64 parts
//    (MIME) or uuencoded blocks appended to a plain-text body (UUEncode).
// Address lists, name lists and the attachment list are split on the list separator (";"
// unless set otherwise); blanks around each entry are dropped, empty entries skipped. An
// address entry is a bare address: an entry that is anything else (a display name, angle
// brackets, blanks or line breaks inside) is refused and named in the outcome, and the mail
// still goes to the usable ones. A recipient the server refuses is named the same way.
class SmtpClient final : public QObject {
    Q_OBJECT

  public:
    enum EncodeType { Mime = 0, UUEncode = 1 };

    explicit SmtpClient(QObject* parent = nullptr);
    ~SmtpClient() override;

    // Settings, in the order the mail window writes them.
    void setListSeparator(const QString& separator);
    void setServer(const QString& server);
    void setFrom(const QString& address);
    void setFromName(const QString& name);
    void setRecipients(const QString& addresses);
    void setRecipientNames(const QString& names);
    void setCc(const QString& addresses);
    void setCcNames(const QString& names);
    void setBcc(const QString& addresses);
    void setReplyTo(const QString& address);
    void setSubject(const QString& subject);
    void setMessage(const QString& message);
    void setAttachments(const QString& paths);
    void setAsHtml(bool html);
    void setEncodeType(int code);   // 0 MIME, 1 UUEncode; any other code is taken as MIME
    void setPriority(int priority); // 1 high, 3 normal, 5 low (clamped to 1..5)
    void setReceipt(bool requested);
    void setUseAuthentication(bool on);
    void setPopLogin(bool on);
    void setUserName(const QString& name);
    void setPassword(const QString& password);
    void setPop3Server(const QString& server); // empty: the SMTP server is asked
    void setPort(int port);                    // 1..65535; any other port fails the send

    // Time limits. The connect limit covers reaching the server; the transfer limit is the
    // longest a whole send may take, POP login included. Defaults: 10 s and 30 s.
    void setConnectTimeout(std::chrono::milliseconds limit);
    void setTransferTimeout(std::chrono::milliseconds limit);
    // The POP3 port used by the POP login (110 unless changed).
    void setPop3Port(int port);

    // Read-backs.
    QString listSeparator() const { return m_settings.separator; }
    QString server() const { return m_settings.server; }
    QString pop3Server() const { return m_settings.popServer; }
    QString from() const { return m_settings.from; }
    QString fromName() const { return m_settings.fromName; }
    QString recipients() const { return m_settings.to; }
    QString recipientNames() const { return m_settings.toNames; }
    QString cc() const { return m_settings.cc; }
    QString ccNames() const { return m_settings.ccNames; }
    QString bcc() const { return m_settings.bcc; }
    QString replyTo() const { return m_settings.replyTo; }
    QString subject() const { return m_settings.subject; }
    QString message() const { return m_settings.message; }
    QString attachments() const { return m_settings.attachments; }
    bool asHtml() const { return m_settings.html; }
    int encodeType() const { return m_settings.encodeType; }
    int priority() const { return m_settings.priority; }
    bool receipt() const { return m_settings.receipt; }
    bool useAuthentication() const { return m_settings.useLogin; }
    bool popLogin() const { return m_settings.usePopLogin; }
    QString userName() const { return m_settings.userName; }
    int port() const { return m_settings.port; }
    int pop3Port() const { return m_settings.popPort; }
    std::chrono::milliseconds connectTimeout() const { return m_settings.connectTimeout; }
    std::chrono::milliseconds transferTimeout() const { return m_settings.transferTimeout; }

    bool isSending() const { return m_sending; }

    // Delivers the mail with the current settings. Completes with who got it, who did not
    // and, when anything failed, a short reason and the long explanation. The mail went out
    // (SendSuccesful) when any recipient got it. A second send while one is running is
    // refused: it fails at once with reason "busy" and emits nothing, since the notifications
    // belong to the send that is running.
    QCoro::Task<MailOutcome> send();

    // The threads mail sends run on (not the global pool, so a hung server delays nothing
    // else).
    static QThreadPool* threadPool();

    // Everything one send needs, copied when the send starts.
    struct Settings {
        QString separator = QStringLiteral(";");
        QString server;
        QString from;
        QString fromName;
        QString to;
        QString toNames;
        QString cc;
        QString ccNames;
        QString bcc;
        QString replyTo;
        QString subject;
        QString message;
        QString attachments;
        bool html = false;
        int encodeType = Mime;
        int priority = 3;
        bool receipt = false;
        bool useLogin = false;
        bool usePopLogin = false;
        QString userName;
        QString password;
        QString popServer;
        int port = 25;
        int popPort = 110;
        std::chrono::milliseconds connectTimeout = std::chrono::seconds(10);
        std::chrono::milliseconds transferTimeout = std::chrono::seconds(30);
    };

  Q_SIGNALS:
    void Progress(int percent);
    void Status(const QString& line);
    void SendSuccesful();
    void SendFailed(const QString& explanation);

  public:
    struct Shared; // state shared with the worker; public only so the worker code can name it

  private:
    void deliverPending();

    Settings m_settings;
    std::shared_ptr<Shared> m_shared;
    bool m_sending = false;
};
