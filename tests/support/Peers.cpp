// The real peers a test talks to: the SMTP server, network namespaces, the Samba server.
#include "support/Files.h"
#include "support/RunProgram.h"
#include "support/SambaPeer.h"
#include "support/SmtpPeer.h"
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>
#include <atomic>
#include <csignal>

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
    m_error = u"the local SMTP server cannot start: "_s + m_process->errorString() + u' ' +
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
        mail.raw = o[u"raw"_s].toString().toLatin1();
        for (const QJsonValue& h : o[u"headers"_s].toArray())
            mail.headers.append({h[0].toString(), h[1].toString()});
        mail.text = o[u"body"_s].toString();
        mail.type = o[u"body_type"_s].toString();
        for (const QJsonValue& f : o[u"files"_s].toArray())
            mail.files.append({f[0].toString(), f[1].toString().toLatin1()});
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

NetNs::NetNs(int droppedOfEveryFour) {
    if (!create(droppedOfEveryFour))
        runSetUp(u"ip netns del "_s + std::exchange(m_name, {}), m_failure);
}

NetNs::~NetNs() { // its end of the pair goes with it, and with that the other end
    if (!m_name.isEmpty())
        runSetUp(u"ip netns del "_s + m_name, m_failure);
}

bool NetNs::create(int droppedOfEveryFour) {
    static std::atomic<int> sequence{0};
    const qint64 pid = QCoreApplication::applicationPid(), seq = sequence++;
    QString listing;
    if (!runSetUp(u"ip netns list"_s, m_failure, &listing))
        return false;
    const QRegularExpression ours(u"^kvns-(\\d+)-\\d+"_s, QRegularExpression::MultilineOption);
    for (const auto& m : ours.globalMatch(listing)) // of test processes that died
        if (!QFileInfo::exists(u"/proc/"_s + m.captured(1)))
            runSetUp(u"ip netns del "_s + m.captured(0), m_failure);
    // A /30 block of 10.213.0.0/16 that no interface uses yet, spread by process.
    if (!runSetUp(u"ip -o -4 addr show"_s, m_failure, &listing))
        return false;
    qint64 block = (pid * 37 + seq) % 16384;
    const auto address = [&block](int host) {
        return u"10.213.%1.%2"_s.arg(block / 64).arg(block % 64 * 4 + host);
    };
    while (listing.contains(u"inet "_s + address(1) + u'/'))
        block = (block + 1) % 16384;
    m_name = u"kvns-%1-%2"_s.arg(pid).arg(seq);
    m_address = address(2);
    // Link names have at most 15 characters: "kv?" + 7 digits + "_" + up to 4 digits.
    const QString link = u"%1_%2"_s.arg(pid).arg(seq % 10000);
    QStringList steps =
        u"netns add %1|link add kvh%2 type veth peer name kvn%2 netns %1|addr add %3/30 dev kvh%2|"
        "link set kvh%2 up|-n %1 addr add %4/30 dev kvn%2|-n %1 link set kvn%2 up|"
        "-n %1 link set lo up"_s.arg(m_name, link, address(1), m_address)
            .split(u'|');
    // The first rule drops one request in four; the second sees the three left of each group
    // and drops one of them, and so on: the first k of every four are dropped.
    for (int i = 0; i < droppedOfEveryFour; ++i)
        steps << u"netns exec %1 iptables -w 5 -A INPUT -p icmp --icmp-type echo-request -m "
                 "statistic --mode nth --every %2 --packet 0 -j DROP"_s.arg(m_name)
                     .arg(4 - i);
    for (const QString& step : steps)
        if (!runSetUp(u"ip "_s + step, m_failure))
            return false;
    m_failure.clear(); // a leftover that could not be removed is no failure
    return true;
}

bool SambaPeer::start(bool anonymousListing) {
    const bool first = !m_ns;
    if (first) { // the user has no home or shell; one that an earlier run made is reused
        m_ns = std::make_unique<NetNs>();
        m_error = m_ns->failureReason();
        if (!m_ns->isReady() || !QDir(m_dir.path()).mkpath(u"share"_s) ||
            !(runSetUp(u"useradd -rMs /usr/sbin/nologin "_s + user(), m_error) ||
              runSetUp(u"id "_s + user(), m_error)))
            return false;
    }
    stop();
    // Everything in the temporary folder; the namespace has no other interface to serve.
    const QString conf = m_dir.filePath(u"smb.conf"_s);
    writeFile(conf, {},
              uR"([global]
private dir = %1
lock directory = %1
state directory = %1
cache directory = %1
pid directory = %1
ncalrpc dir = %1/ncalrpc
log file = %1/smbd.log
disable spoolss = yes
load printers = no
restrict anonymous = %2
[C$]
path = %1/share
[D$]
path = %1/share
)"_s.arg(m_dir.path(), anonymousListing ? u"0"_s : u"2"_s)
                  .toUtf8());
    const QByteArray twice = (password() + u'\n' + password() + u'\n').toUtf8();
    if ((first && !runSetUp(u"smbpasswd -c %1 -s -a "_s.arg(conf) + user(), m_error, {}, twice)) ||
        !runSetUp(u"ip netns exec %1 smbd -D -s %2"_s.arg(m_ns->name(), conf), m_error))
        return false;
    m_error = u"smbd did not start; see "_s + m_dir.filePath(u"smbd.log"_s);
    const auto answers = [this] {
        QTcpSocket socket;
        socket.connectToHost(address(), 445);
        return socket.waitForConnected(200);
    };
    return QTest::qWaitFor(answers, 20000);
}

// smbd starts samba-dcerpcd and workers that outlive it: all in the namespace is the server's.
void SambaPeer::stop() {
    const auto signalAll = [this](int sig) { // true when none was left
        bool none = true;
        QString pids;
        runSetUp(u"ip netns pids "_s + m_ns->name(), m_error, &pids);
        for (const QString& pid : pids.split(u'\n'))
            if (pid.toInt() > 0) // never 0, that would be this process's own group
                none = ::kill(pid_t(pid.toInt()), sig) != 0 && none;
        return none;
    };
    for (int sig : {SIGTERM, SIGKILL})
        if (!m_ns || signalAll(sig) || QTest::qWaitFor([&] { return signalAll(0); }, 5000))
            return;
}
