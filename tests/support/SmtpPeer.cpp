#include "support/SmtpPeer.h"
#include "support/Files.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

bool SmtpPeer::start(std::chrono::milliseconds timeout) {
    m_process.reset(new QProcess), m_port = 0; // an earlier one stops first
    m_process->start(u"/usr/bin/python3"_s,
                     {QStringLiteral(KORVANE_TEST_SUPPORT_DIR "/smtp_peer.py"), m_folder.path(),
                      QString::number(m_options.port), m_options.user, m_options.password,
                      QStringList{u"none"_s, u"starttls"_s, u"implicit"_s}.at(int(m_options.tls))});
    (void)QTest::qWaitFor([this] { return m_process->canReadLine() || !m_process->processId(); },
                          int(timeout.count()));
    if (const QByteArray line = m_process->readLine(); line.startsWith("PORT "))
        return (m_port = line.mid(5).trimmed().toUShort()) != 0;
    m_error = u"the SMTP peer did not become ready: "_s + m_process->errorString() + u' ' +
              QString::fromUtf8(m_process->readAllStandardError()).trimmed();
    m_process.reset();
    return false;
}

QList<ReceivedMail> SmtpPeer::messages() const {
    QList<ReceivedMail> out;
    for (const QFileInfo& record : records()) {
        const QJsonObject o = QJsonDocument::fromJson(readFile(record.filePath())).object();
        ReceivedMail& mail = out.emplace_back();
        mail.mailFrom = o[u"mail_from"_s].toString();
        mail.recipients = o[u"recipients"_s].toVariant().toStringList();
        mail.login = o[u"login"_s].toString();
        mail.loginEncrypted = o[u"login_tls"_s].toBool();
        mail.encrypted = o[u"tls"_s].toBool();
        mail.raw = QByteArray::fromBase64(o[u"raw"_s].toString().toLatin1());
        for (const QJsonValue& h : o[u"headers"_s].toArray())
            mail.headers.append({h[0].toString(), h[1].toString()});
        mail.text = o[u"body"_s].toString();
        mail.type = o[u"body_type"_s].toString();
        for (const QJsonValue& f : o[u"files"_s].toArray())
            mail.files.append(
                {f[0].toString(), QByteArray::fromBase64(f[1].toString().toLatin1())});
    }
    return out;
}

QStringList receivedMails(const SmtpPeer& peer) {
    QStringList mails;
    for (const ReceivedMail& m : peer.messages())
        mails << m.recipients.join(u';') + u" | "_s + m.header(u"Subject"_s).value_or(QString()) +
                     u" | "_s + m.body().remove(QRegularExpression(u"\n+$"_s));
    return mails;
}

bool SmtpPeer::waitForMessages(int n, std::chrono::milliseconds timeout) {
    return QTest::qWaitFor([&] { return messageCount() >= n; }, int(timeout.count()));
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
