#include "support/SmtpPeer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTest>

namespace {

QString jsonText(const QJsonValue& value) {
    return value.isString() ? value.toString() : QString();
}

QByteArray jsonBase64(const QJsonValue& value) {
    return QByteArray::fromBase64(value.toString().toLatin1());
}

QList<QPair<QString, QString>> unfoldHeaders(const QByteArray& block) {
    QList<QPair<QString, QString>> out;
    const QList<QByteArray> lines = block.split('\n');
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        if ((line.startsWith(' ') || line.startsWith('\t')) && !out.isEmpty()) {
            out.last().second += QString::fromUtf8(line); // unfolding keeps the blank
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon < 0) {
            out.append({QString::fromUtf8(line), QString()});
            continue;
        }
        out.append({QString::fromUtf8(line.left(colon)), QString::fromUtf8(line.mid(colon + 1))});
    }
    for (auto& field : out)
        field.second = field.second.trimmed();
    return out;
}

ReceivedMail parseRecord(const QJsonObject& o) {
    ReceivedMail mail;
    mail.mailFrom = jsonText(o.value(QLatin1String("mail_from")));
    for (const QJsonValue& r : o.value(QLatin1String("rcpt_tos")).toArray())
        mail.recipients.append(r.toString());
    mail.loggedIn = o.value(QLatin1String("login")).isString();
    mail.login = jsonText(o.value(QLatin1String("login")));
    mail.raw = jsonBase64(o.value(QLatin1String("raw_b64")));
    mail.rawHeaders = unfoldHeaders(mail.rawHeaderBlock());
    for (const QJsonValue& h : o.value(QLatin1String("headers")).toArray()) {
        const QJsonArray pair = h.toArray();
        mail.decodedHeaders.append({pair.at(0).toString(), pair.at(1).toString()});
    }
    for (const QJsonValue& p : o.value(QLatin1String("parts")).toArray()) {
        const QJsonObject po = p.toObject();
        ReceivedMail::Part part;
        part.contentType = jsonText(po.value(QLatin1String("content_type")));
        part.charset = jsonText(po.value(QLatin1String("charset")));
        part.fileName = jsonText(po.value(QLatin1String("filename")));
        part.disposition = jsonText(po.value(QLatin1String("disposition")));
        part.data = jsonBase64(po.value(QLatin1String("data_b64")));
        part.text = jsonText(po.value(QLatin1String("text")));
        mail.parts.append(part);
    }
    for (const QJsonValue& u : o.value(QLatin1String("uu")).toArray()) {
        const QJsonObject uo = u.toObject();
        mail.uuFiles.append({jsonText(uo.value(QLatin1String("name"))),
                             jsonText(uo.value(QLatin1String("mode"))),
                             jsonBase64(uo.value(QLatin1String("data_b64")))});
    }
    return mail;
}

} // namespace

std::optional<QString> ReceivedMail::header(const QString& name) const {
    for (const auto& field : rawHeaders) {
        if (field.first.compare(name, Qt::CaseInsensitive) == 0)
            return field.second;
    }
    return std::nullopt;
}

QStringList ReceivedMail::headerValues(const QString& name) const {
    QStringList out;
    for (const auto& field : rawHeaders) {
        if (field.first.compare(name, Qt::CaseInsensitive) == 0)
            out.append(field.second);
    }
    return out;
}

std::optional<QString> ReceivedMail::decodedHeader(const QString& name) const {
    for (const auto& field : decodedHeaders) {
        if (field.first.compare(name, Qt::CaseInsensitive) == 0)
            return field.second;
    }
    return std::nullopt;
}

QStringList ReceivedMail::headerNames() const {
    QStringList out;
    for (const auto& field : rawHeaders)
        out.append(field.first);
    return out;
}

QByteArray ReceivedMail::rawHeaderBlock() const {
    qsizetype end = raw.indexOf("\r\n\r\n");
    if (end < 0)
        end = raw.indexOf("\n\n");
    return end < 0 ? raw : raw.left(end);
}

QString ReceivedMail::body() const {
    for (const Part& part : parts) {
        if (part.contentType.startsWith(QLatin1String("text/")) && part.fileName.isEmpty()) {
            QString text = part.text;
            text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
            return text;
        }
    }
    return QString();
}

QString ReceivedMail::bodyType() const {
    for (const Part& part : parts) {
        if (part.contentType.startsWith(QLatin1String("text/")) && part.fileName.isEmpty())
            return part.contentType;
    }
    return QString();
}

QList<ReceivedMail::Part> ReceivedMail::attachments() const {
    QList<Part> out;
    for (const Part& part : parts) {
        if (!part.fileName.isEmpty() || part.disposition == QLatin1String("attachment"))
            out.append(part);
    }
    return out;
}

SmtpPeer::SmtpPeer() : SmtpPeer(Options{}) {}

SmtpPeer::SmtpPeer(Options options) : m_options(std::move(options)) {}

SmtpPeer::~SmtpPeer() {
    stop();
}

QString SmtpPeer::scriptPath() {
    return QStringLiteral(KORVANE_TEST_SUPPORT_DIR "/smtp_peer.py");
}

bool SmtpPeer::start(std::chrono::milliseconds timeout) {
    stop();
    m_error.clear();
    if (!QFileInfo(pythonPath()).isExecutable()) {
        m_error = QStringLiteral("%1 is not installed").arg(pythonPath());
        return false;
    }
    if (!QFileInfo::exists(scriptPath())) {
        m_error = QStringLiteral("%1 is missing").arg(scriptPath());
        return false;
    }
    if (!m_folder.isValid()) {
        m_error = QStringLiteral("no temporary folder for the messages");
        return false;
    }
    QStringList arguments{scriptPath(), m_folder.path(), QStringLiteral("--port"),
                          QString::number(m_options.port)};
    if (!m_options.user.isEmpty()) {
        arguments << QStringLiteral("--user") << m_options.user << QStringLiteral("--password")
                  << m_options.password;
    }
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(pythonPath());
    m_process->setArguments(arguments);
    m_process->start();
    if (!m_process->waitForStarted(int(timeout.count()))) {
        m_error = QStringLiteral("cannot start %1: %2").arg(pythonPath(), m_process->errorString());
        m_process.reset();
        return false;
    }
    const QDeadlineTimer deadline(timeout);
    QByteArray seen;
    while (!deadline.hasExpired()) {
        if (m_process->canReadLine()) {
            const QByteArray line = m_process->readLine().trimmed();
            seen += line + '\n';
            if (line.startsWith("PORT ")) {
                m_port = quint16(line.mid(5).toUInt());
                if (m_port != 0)
                    return true;
            }
            continue;
        }
        if (m_process->state() != QProcess::Running)
            break;
        m_process->waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
    m_error = QStringLiteral("the SMTP peer did not become ready: %1 %2")
                  .arg(QString::fromUtf8(seen),
                       QString::fromUtf8(m_process->readAllStandardError()).trimmed());
    stop();
    return false;
}

bool SmtpPeer::isRunning() const {
    return m_process && m_process->state() == QProcess::Running;
}

void SmtpPeer::stop() {
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->closeWriteChannel(); // the peer stops when its standard input closes
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(2000);
        }
    }
    m_process.reset();
    m_port = 0;
}

QList<ReceivedMail> SmtpPeer::messages() const {
    QList<ReceivedMail> out;
    const QDir dir(m_folder.path());
    const QStringList names = dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
        out.append(parseRecord(doc.object()));
    }
    return out;
}

int SmtpPeer::messageCount() const {
    return int(QDir(m_folder.path()).entryList({QStringLiteral("*.json")}, QDir::Files).size());
}

bool SmtpPeer::waitForMessages(int n, std::chrono::milliseconds timeout) {
    return QTest::qWaitFor([&] { return messageCount() >= n; }, int(timeout.count()));
}

void SmtpPeer::clear() {
    const QDir dir(m_folder.path());
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files))
        QFile::remove(dir.filePath(name));
}

SilentPeer::SilentPeer(QObject* parent) : QObject(parent) {
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this); // kept open, never answered
            ++m_connections;
        }
    });
}

bool SilentPeer::listen() {
    return m_server.listen(QHostAddress::LocalHost, 0);
}

PopPeer::PopPeer(QString user, QString password, QObject* parent)
    : QObject(parent), m_user(std::move(user)), m_password(std::move(password)) {
    connect(&m_server, &QTcpServer::newConnection, this, &PopPeer::onConnection);
}

bool PopPeer::listen() {
    return m_server.listen(QHostAddress::LocalHost, 0);
}

void PopPeer::onConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        auto givenUser = std::make_shared<QString>();
        socket->write("+OK Korvane test POP3 ready\r\n");
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, givenUser] {
            while (socket->canReadLine()) {
                const QString line = QString::fromUtf8(socket->readLine()).trimmed();
                m_commands.append(line);
                const QString verb = line.section(QLatin1Char(' '), 0, 0).toUpper();
                const QString argument = line.section(QLatin1Char(' '), 1);
                if (verb == QLatin1String("CAPA")) {
                    socket->write("+OK\r\nUSER\r\n.\r\n");
                } else if (verb == QLatin1String("USER")) {
                    *givenUser = argument;
                    socket->write("+OK\r\n");
                } else if (verb == QLatin1String("PASS")) {
                    if (*givenUser == m_user && argument == m_password) {
                        m_loggedIn = true;
                        socket->write("+OK logged in\r\n");
                    } else {
                        socket->write("-ERR invalid user name or password\r\n");
                    }
                } else if (verb == QLatin1String("NOOP")) {
                    socket->write("+OK\r\n");
                } else if (verb == QLatin1String("QUIT")) {
                    socket->write("+OK bye\r\n");
                    socket->disconnectFromHost();
                } else {
                    socket->write("-ERR unknown command\r\n");
                }
            }
        });
    }
}

quint16 unusedLoopbackPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}
