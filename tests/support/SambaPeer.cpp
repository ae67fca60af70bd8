#include "SambaPeer.h"
#include "Files.h"
#include "RunProgram.h"

#include <QDir>
#include <QTcpSocket>
#include <QTest>

#include <csignal>

using namespace Qt::Literals::StringLiterals;

bool SambaPeer::run(const QString& program, const QStringList& arguments, const QByteArray& input) {
    const ProgramRun run = runProgram(program, arguments, input, 20000);
    m_error = run.failure;
    return run.ok;
}

bool SambaPeer::start(bool anonymousListing) {
    const bool first = !m_ns;
    if (first) { // the user has no home or shell; one that an earlier run made is reused
        m_ns = std::make_unique<NetNs>();
        m_error = m_ns->failureReason();
        if (!m_ns->isReady() || !QDir(m_dir.path()).mkpath(u"share"_s) ||
            !(run(u"id"_s, {user()}) ||
              run(u"/usr/sbin/useradd"_s, {u"--system"_s, u"--no-create-home"_s, u"--shell"_s,
                                           u"/usr/sbin/nologin"_s, user()}) ||
              run(u"id"_s, {user()})))
            return false;
    }
    stop();
    const QString conf = m_dir.filePath(u"smb.conf"_s);
    writeFile(conf, {},
              uR"([global]
interfaces = %1/30
bind interfaces only = yes
smb ports = 445
private dir = %2
lock directory = %2
state directory = %2
cache directory = %2
pid directory = %2
ncalrpc dir = %2/ncalrpc
log file = %2/smbd.log
disable spoolss = yes
load printers = no
restrict anonymous = %3
[C$]
path = %2/share
[D$]
path = %2/share
)"_s.arg(address(), m_dir.path(), anonymousListing ? u"0"_s : u"2"_s)
                  .toUtf8());
    const QByteArray twice = (password() + u'\n' + password() + u'\n').toUtf8();
    if ((first && !run(u"smbpasswd"_s, {u"-c"_s, conf, u"-s"_s, u"-a"_s, user()}, twice)) ||
        !run(u"ip"_s,
             {u"netns"_s, u"exec"_s, m_ns->name(), u"/usr/sbin/smbd"_s, u"-D"_s, u"-s"_s, conf}))
        return false;
    m_error = u"smbd did not start; see "_s + m_dir.filePath(u"smbd.log"_s);
    return QTest::qWaitFor(
        [this] {
            QTcpSocket socket;
            socket.connectToHost(address(), 445);
            return socket.waitForConnected(200);
        },
        20000);
}

// smbd starts samba-dcerpcd and its workers on demand: everything running in the namespace is
// the server's.
void SambaPeer::stop() {
    const auto signalAll = [this](int sig) { // true when none was left
        bool none = true;
        for (const QString& pid :
             runProgram(u"ip"_s, {u"netns"_s, u"pids"_s, m_ns->name()}, {}, 5000)
                 .output.split(u'\n'))
            if (pid.toInt() > 0)
                none = ::kill(pid_t(pid.toInt()), sig) != 0 && none;
        return none;
    };
    for (int sig : {SIGTERM, SIGKILL})
        if (!m_ns || signalAll(sig) || QTest::qWaitFor([&] { return signalAll(0); }, 5000))
            return;
}
