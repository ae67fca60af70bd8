#include "support/SmtpPeer.h"
#include "support/Files.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kPython = u"/usr/bin/python3"_s;

QByteArray base64(const QJsonValue& value) {
    return QByteArray::fromBase64(value.toString().toLatin1());
}

ReceivedMail parseRecord(const QJsonObject& o) {
    ReceivedMail mail;
    mail.mailFrom = o[u"mail_from"_s].toString();
    mail.recipients = o[u"rcpt_tos"_s].toVariant().toStringList();
    mail.login = o[u"login"_s].toString();
    mail.loginEncrypted = o[u"login_tls"_s].toBool();
    mail.encrypted = o[u"tls"_s].toBool();
    mail.raw = base64(o[u"raw_b64"_s]);
    for (const QJsonValue& h : o[u"headers"_s].toArray())
        mail.headers.append({h[0].toString(), h[1].toString()});
    for (const QJsonValue& p : o[u"parts"_s].toArray())
        mail.parts.append({p[u"content_type"_s].toString(), p[u"filename"_s].toString(),
                           base64(p[u"data_b64"_s]), p[u"text"_s].toString()});
    return mail;
}

} // namespace

std::optional<QString> ReceivedMail::header(const QString& name) const {
    for (const auto& field : headers)
        if (field.first.compare(name, Qt::CaseInsensitive) == 0)
            return field.second;
    return std::nullopt;
}

const ReceivedMail::Part* ReceivedMail::bodyPart() const {
    for (const auto& part : parts)
        if (part.contentType.startsWith(u"text/"_s) && part.fileName.isEmpty())
            return &part;
    return nullptr;
}

QList<ReceivedMail::Part> ReceivedMail::attachments() const {
    QList<Part> out = parts;
    out.removeIf([](const Part& part) { return part.fileName.isEmpty(); });
    return out;
}

SmtpPeer::SmtpPeer(Options options) : m_options(std::move(options)) {}

SmtpPeer::~SmtpPeer() {
    stop();
}

bool SmtpPeer::fail(const QString& why) {
    m_error = why;
    stop();
    return false;
}

bool SmtpPeer::start(std::chrono::milliseconds timeout) {
    stop();
    if (!QFileInfo(kPython).isExecutable() || !m_folder.isValid())
        return fail(kPython + u" is not installed, or no temporary folder"_s);
    QStringList arguments{QStringLiteral(KORVANE_TEST_SUPPORT_DIR "/smtp_peer.py"), m_folder.path(),
                          u"--port"_s, QString::number(m_options.port)};
    if (!m_options.user.isEmpty())
        arguments << u"--user"_s << m_options.user << u"--password"_s << m_options.password;
    if (m_options.tls != SmtpPeer::Tls::None)
        arguments << u"--tls"_s
                  << (m_options.tls == SmtpPeer::Tls::StartTls ? u"starttls"_s : u"implicit"_s);
    m_process = std::make_unique<QProcess>();
    m_process->start(kPython, arguments);
    const QDeadlineTimer deadline(timeout);
    while (!deadline.hasExpired() && m_process->state() != QProcess::NotRunning) {
        if (!m_process->canReadLine()) {
            m_process->waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
            continue;
        }
        const QByteArray line = m_process->readLine().trimmed();
        if (line.startsWith("PORT ") && (m_port = quint16(line.mid(5).toUInt())) != 0)
            return true;
    }
    return fail(u"the SMTP peer did not become ready: "_s +
                QString::fromUtf8(m_process->readAllStandardError()).trimmed());
}

void SmtpPeer::stop() {
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->closeWriteChannel(); // the peer stops when its standard input closes
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(2000);
        }
    }
    m_process.reset();
    m_port = 0;
}

QFileInfoList SmtpPeer::records() const {
    return QDir(m_folder.path()).entryInfoList({u"*.json"_s}, QDir::Files, QDir::Name);
}

QList<ReceivedMail> SmtpPeer::messages() const {
    QList<ReceivedMail> out;
    for (const QFileInfo& record : records())
        out.append(parseRecord(QJsonDocument::fromJson(readFile(record.filePath())).object()));
    return out;
}

QStringList receivedMails(const SmtpPeer& peer) {
    QStringList mails;
    for (const ReceivedMail& m : peer.messages())
        mails << m.recipients.join(u';') + u" | "_s + m.header(u"Subject"_s).value_or(QString()) +
                     u" | "_s + m.body().remove(QRegularExpression(u"\n+$"_s));
    return mails;
}

int SmtpPeer::messageCount() const {
    return int(records().size());
}

bool SmtpPeer::waitForMessages(int n, std::chrono::milliseconds timeout) {
    return QTest::qWaitFor([&] { return messageCount() >= n; }, int(timeout.count()));
}

void SmtpPeer::clear() {
    for (const QFileInfo& record : records())
        QFile::remove(record.filePath());
}

SilentPeer::SilentPeer(bool dropping) {
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this, dropping] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(&m_server); // kept open
            ++m_connections;
            if (!dropping)
                continue;
            socket->write("220 localhost ESMTP\r\n");
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                while (socket->canReadLine()) {
                    if (socket->property("data").toBool())
                        return socket->abort();
                    const bool data = socket->readLine().toUpper().startsWith("DATA");
                    socket->setProperty("data", data);
                    socket->write(data ? "354 go ahead\r\n" : "250 ok\r\n");
                }
            });
        }
    });
    m_server.listen(QHostAddress::LocalHost, 0);
}

quint16 unusedLoopbackPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort(); // released when the probe goes
}
