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
              run(u"useradd"_s, {u"-rMs"_s, u"/usr/sbin/nologin"_s, user()}) ||
              run(u"id"_s, {user()})))
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
    if ((first && !run(u"smbpasswd"_s, {u"-c"_s, conf, u"-s"_s, u"-a"_s, user()}, twice)) ||
        !run(u"ip"_s, {u"netns"_s, u"exec"_s, m_ns->name(), u"smbd"_s, u"-D"_s, u"-s"_s, conf}))
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
        const ProgramRun pids = runProgram(u"ip"_s, {u"netns"_s, u"pids"_s, m_ns->name()});
        for (const QString& pid : pids.output.split(u'\n'))
            if (pids.ok && pid.toInt() > 0) // never 0: that would be this process's own group
                none = ::kill(pid_t(pid.toInt()), sig) != 0 && none;
        return none;
    };
    for (int sig : {SIGTERM, SIGKILL})
        if (!m_ns || signalAll(sig) || QTest::qWaitFor([&] { return signalAll(0); }, 5000))
            return;
}
