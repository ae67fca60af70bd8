#pragma once

#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <chrono>
#include <optional>

// One message as the local SMTP server received it, decoded by Python's email package.
struct ReceivedMail {
    struct Part {
        QString fileName; // decoded
        QByteArray data;  // transfer encoding undone
    };
    QString mailFrom;            // the envelope sender
    QStringList recipients;      // envelope recipients the server accepted, in RCPT order
    QString login;               // user name of a successful AUTH, empty without one
    bool loginEncrypted = false; // that login came over an encrypted session
    bool encrypted = false;      // the mail itself came over an encrypted session
    QByteArray raw;              // exactly as received
    QList<QPair<QString, QString>> headers; // encoded words decoded, in order
    QString text, type; // the first text part that is no file ("\n" line ends), its media type
    QList<Part> files;  // parts with a file name, then the text's uuencoded blocks
    std::optional<QString> header(const QString& name) const { // the first one, any case
        for (const auto& field : headers)
            if (field.first.compare(name, Qt::CaseInsensitive) == 0)
                return field.second;
        return std::nullopt;
    }
    QString body() const { return text; }
    QString bodyType() const { return type; }
    QList<Part> attachments() const { return files; }
};

// The local SMTP server (smtp_peer.py on Debian's python3-aiosmtpd) on 127.0.0.1, stopped with
// it. It refuses recipients whose local part starts with "refused".
class SmtpPeer final {
  public:
    enum class Tls { None, StartTls, Implicit };
    struct Options {
        int port = 0; // 0: a free port
        QString user; // non-empty: AUTH is offered and this user is accepted
        QString password;
        Tls tls = Tls::None; // with a self-signed certificate made at start
    };
    SmtpPeer() : SmtpPeer(Options()) {}
    explicit SmtpPeer(Options options) : m_options(std::move(options)) {}
    // Starts the server; false with errorString() telling why it cannot.
    bool start(std::chrono::milliseconds timeout = std::chrono::seconds(15));
    QString errorString() const { return m_error; }
    quint16 port() const { return m_port; }
    QList<ReceivedMail> messages() const; // oldest first
    int messageCount() const { return int(records().size()); }
    // Waits (turning the event loop) until at least n messages are stored.
    bool waitForMessages(int n, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    void clear() { // forgets the messages stored so far
        for (const QFileInfo& record : records())
            QFile::remove(record.filePath());
    }

  private:
    QFileInfoList records() const { // the stored messages, oldest first
        return QDir(m_folder.path())
            .entryInfoList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    }
    struct Stop { // the peer stops when its standard input closes, or is killed
        void operator()(QProcess* p) const {
            p->closeWriteChannel(), p->waitForFinished(5000), delete p;
        }
    };
    Options m_options;
    QTemporaryDir m_folder;
    std::unique_ptr<QProcess, Stop> m_process;
    quint16 m_port = 0;
    QString m_error;
};

// The mails the peer received, oldest first, as "recipients | subject | body" (recipients
// joined by ";", the body without the line breaks at its end).
QStringList receivedMails(const SmtpPeer& peer);

// Starts `peer` in a test function or skips the test with the reason it cannot start.
#define KORVANE_START_SMTP_PEER(peer)                                                              \
    do {                                                                                           \
        if (!(peer).start())                                                                       \
            QSKIP(qPrintable((peer).errorString()));                                               \
    } while (false)

// A server on 127.0.0.1 that accepts connections and never says a word or, dropping, one that
// answers every command until the message itself comes, then drops the connection.
class SilentPeer final {
  public:
    explicit SilentPeer(bool dropping = false);
    quint16 port() const { return m_server.serverPort(); } // 0 when it could not listen
    int connectionCount() const { return m_connections; }

  private:
    QTcpServer m_server;
    int m_connections = 0;
};

// A loopback port on which nothing listens (bound for a moment, then released).
inline quint16 unusedLoopbackPort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}
