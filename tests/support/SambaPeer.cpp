#include "SambaPeer.h"
#include "RunProgram.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

SambaPeer::~SambaPeer() {
    stop();
}

bool SambaPeer::run(const QString& program, const QStringList& arguments, const QByteArray& input) {
    const ProgramRun run = runProgram(program, arguments, input, 20000);
    m_error = run.failure;
    return run.ok;
}

// The namespace, the folders and the user (a system user without home or shell; one that an
// earlier run made is reused).
bool SambaPeer::prepare() {
    if (::geteuid() != 0 || !QFile::exists(u"/usr/sbin/smbd"_s)) {
        m_error = u"the Samba peer needs root and smbd (Debian package samba)"_s;
        return false;
    }
    m_ns = std::make_unique<NetNs>();
    m_error = m_ns->failureReason();
    for (const char* sub : {"private", "lock", "state", "cache", "pid", "ncalrpc", "share"})
        QDir(m_dir.path()).mkpath(QLatin1StringView(sub));
    return m_ns->isReady() &&
           (run(u"id"_s, {user()}) ||
            run(u"/usr/sbin/useradd"_s, {u"--system"_s, u"--no-create-home"_s, u"--shell"_s,
                                         u"/usr/sbin/nologin"_s, user()}) ||
            run(u"id"_s, {user()}));
}

bool SambaPeer::start(bool anonymousListing) {
    const bool first = !m_ns;
    if (first && !prepare())
        return false;
    stop();
    const QString conf = m_dir.filePath(u"smb.conf"_s);
    QString text = uR"([global]
workgroup = KVTEST
netbios name = KVPC
server role = standalone server
interfaces = %1/30
bind interfaces only = yes
smb ports = 445
disable netbios = yes
private dir = %2/private
lock directory = %2/lock
state directory = %2/state
cache directory = %2/cache
pid directory = %2/pid
ncalrpc dir = %2/ncalrpc
passdb backend = tdbsam:%2/private/passdb.tdb
log file = %2/smbd.log
disable spoolss = yes
load printers = no
printcap name = /dev/null
map to guest = never
restrict anonymous = %3
)"_s.arg(address(), m_dir.path(), anonymousListing ? u"0"_s : u"2"_s);
    for (const QString& share : {u"C$"_s, u"D$"_s})
        text += u"[%1]\npath = %2/share\nbrowseable = yes\n"_s.arg(share, m_dir.path());
    if (QFile file(conf); !file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
        return false;
    const QByteArray twice = (password() + u'\n' + password() + u'\n').toUtf8();
    if (first && !run(u"smbpasswd"_s, {u"-c"_s, conf, u"-s"_s, u"-a"_s, user()}, twice))
        return false;

    m_smbd = std::make_unique<QProcess>();
    m_smbd->setProcessChannelMode(QProcess::MergedChannels);
    // smbd ends its whole process group when it stops: it gets a group of its own.
    m_smbd->setChildProcessModifier([] { ::setpgid(0, 0); });
    m_smbd->start(u"ip"_s, {u"netns"_s, u"exec"_s, m_ns->name(), u"/usr/sbin/smbd"_s,
                            u"--foreground"_s, u"--no-process-group"_s, u"-s"_s, conf});
    const auto answers = [this] {
        QTcpSocket socket;
        socket.connectToHost(address(), 445);
        return socket.waitForConnected(200) || m_smbd->state() == QProcess::NotRunning;
    };
    m_error = u"smbd did not start"_s;
    return QTest::qWaitFor(answers, 20000) && m_smbd->state() == QProcess::Running;
}

void SambaPeer::stop() {
    if (!m_smbd)
        return;
    m_smbd->terminate();
    if (!m_smbd->waitForFinished(10000))
        m_smbd->kill();
    m_smbd.reset();
    // smbd starts samba-dcerpcd and its workers on demand, and they outlive it: everything
    // still running in the namespace is the server's.
    const auto signalAll = [this](int sig) { // true when none was left
        bool none = true;
        const QString out =
            runProgram(u"ip"_s, {u"netns"_s, u"pids"_s, m_ns->name()}, {}, 5000).output;
        for (const QString& pid : out.split(u'\n'))
            if (pid.toInt() > 0)
                none = ::kill(pid_t(pid.toInt()), sig) != 0 && none;
        return none;
    };
    signalAll(SIGTERM);
    if (!QTest::qWaitFor([&] { return signalAll(0); }, 5000))
        signalAll(SIGKILL);
}
