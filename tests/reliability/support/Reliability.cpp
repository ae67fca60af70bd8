#include "Reliability.h"

#include "storage/Database.h"
#include "storage/JobTable.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTextStream>

#include <csignal>

using namespace Qt::Literals::StringLiterals;

namespace rel {

namespace {

QString figuresFile(const QString& part) {
    const QString folder =
        qEnvironmentVariable("KORVANE_RELIABILITY_OUT", QStringLiteral(KORVANE_RELIABILITY_OUT));
    QDir().mkpath(folder);
    return QDir(folder).filePath(part + u".tsv"_s);
}

QByteArray readProc(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeScript(const QString& path, const QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
        qFatal("cannot write %s", qPrintable(path));
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

void figure(const QString& part, const QString& key, const QString& value) {
    static QSet<QString> started;
    QFile file(figuresFile(part));
    const bool first = !started.contains(part);
    started.insert(part);
    if (file.open(first ? QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text
                        : QIODevice::Append | QIODevice::Text))
        QTextStream(&file) << key << '\t' << value << '\n';
    qInfo().noquote() << "figure:" << part << key << "=" << value;
}

ProcessFigures processFigures(qint64 pid) {
    const QString proc = u"/proc/%1"_s.arg(pid);
    ProcessFigures figures;
    for (const QByteArray& line : readProc(proc + u"/status"_s).split('\n')) {
        if (line.startsWith("VmRSS:"))
            figures.residentKb = line.mid(6).trimmed().split(' ').first().toLongLong();
        else if (line.startsWith("Threads:"))
            figures.threads = line.mid(8).trimmed().toInt();
    }
    figures.descriptors =
        int(QDir(proc + u"/fd"_s).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
    const QStringList all = QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : all) {
        // /proc/PID/stat: "PID (name) STATE PPID ..."; the name may hold blanks and brackets.
        const QByteArray stat = readProc(u"/proc/"_s + entry + u"/stat"_s);
        const QList<QByteArray> rest = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (rest.size() < 2 || rest.at(1).toLongLong() != pid)
            continue;
        (rest.at(0) == "Z" ? figures.zombies : figures.children)++;
    }
    return figures;
}

StandIns::StandIns() {
    // The logs are in this folder, whose name holds no quote.
    writeScript(m_dir.filePath(u"ping"_s), QStringLiteral(R"(#!/bin/sh
for host; do :; done
printf '%s\n' "$host" >> 'LOG'
case "$host" in
  down*) echo '4 packets transmitted, 0 received, 100% packet loss, time 3003ms'; exit 1;;
  hang*) exec sleep 3600;;
esac
echo '4 packets transmitted, 4 received, 0% packet loss, time 3004ms'
echo 'rtt min/avg/max/mdev = 0.031/0.042/0.060/0.011 ms'
)")
                                               .replace(u"LOG"_s, pingLog()));
    writeScript(m_dir.filePath(u"net"_s), QStringLiteral(R"(#!/bin/sh
printf '%s\n' "$@" -- >> 'LOG'
tr '\0' ' ' < /proc/$PPID/cmdline >> 'LOG'
echo >> 'LOG'
for service; do :; done
echo "$service service is running."
)")
                                              .replace(u"LOG"_s, netLog()));
}

QString StandIns::searchPath() const {
    return path() + u':' + qEnvironmentVariable("PATH", u"/usr/bin:/bin"_s);
}

QStringList StandIns::lines(const QString& log) {
    return QString::fromUtf8(readProc(log)).split(u'\n', Qt::SkipEmptyParts);
}

ProgramCopy::ProgramCopy() {
    for (const QString& name : {u"korvane"_s, u"psservice.exe"_s}) {
        if (!QFile::copy(QStringLiteral(KORVANE_PROGRAM_DIR) + u'/' + name, m_dir.filePath(name)))
            qFatal("cannot copy %s", qPrintable(name));
    }
    for (const QString& sub : {u"runtime"_s, u"data"_s})
        QDir(m_dir.path()).mkdir(sub);
    QFile::setPermissions(m_dir.filePath(u"runtime"_s),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const DbStatus created = Schema::create(databasePath());
    if (!created.ok())
        qFatal("cannot create the database: %s", qPrintable(created.detail));
}

ProgramCopy::~ProgramCopy() {
    if (m_process && m_process->state() != QProcess::NotRunning)
        kill();
}

QString ProgramCopy::databasePath() const {
    return m_dir.filePath(u"HalvardDB.mdb"_s);
}

void ProgramCopy::start(const StandIns& standIns, int tickDivisor) {
    m_process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"PATH"_s, standIns.searchPath());
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"XDG_RUNTIME_DIR"_s, m_dir.filePath(u"runtime"_s));
    env.insert(u"XDG_DATA_HOME"_s, m_dir.filePath(u"data"_s));
    env.insert(u"KORVANE_TEST_TICK_DIVISOR"_s, QString::number(tickDivisor));
    m_process->setProcessEnvironment(env);
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->start(m_dir.filePath(u"korvane"_s), {});
    if (!m_process->waitForStarted(10000))
        qFatal("the program did not start: %s", qPrintable(m_process->errorString()));
}

void ProgramCopy::kill() {
    ::kill(pid_t(m_process->processId()), SIGKILL);
    m_process->waitForFinished(10000);
}

void ProgramCopy::stop() {
    m_process->terminate();
    if (!m_process->waitForFinished(10000))
        kill();
}

DroppingSmtpPeer::DroppingSmtpPeer() {
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        qFatal("cannot listen on loopback");
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            socket->write("220 localhost ESMTP\r\n");
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                while (socket->canReadLine()) {
                    const QByteArray line = socket->readLine().trimmed().toUpper();
                    if (socket->property("data").toBool()) {
                        socket->abort();
                        return;
                    }
                    if (line.startsWith("DATA")) {
                        socket->setProperty("data", true);
                        socket->write("354 go ahead\r\n");
                    } else {
                        socket->write(line.startsWith("QUIT") ? "221 bye\r\n" : "250 ok\r\n");
                    }
                }
            });
        }
    });
}

void seedMonitors(const QString& databasePath, int up, int down, int jobs, const QString& folder,
                  quint16 smtpPort) {
    DbSession session(databasePath);
    QSqlQuery q(session.db());
    auto run = [&](const QString& sql, const QVariantList& values = {}) {
        const DbStatus status = session.exec(q, sql, values);
        if (!status.ok())
            qFatal("cannot seed the database: %s", qPrintable(status.detail));
    };
    run(u"BEGIN"_s);
    run(u"UPDATE Settings SET PingTimerSeconds = 1, ServicesTimerSeconds = 1,"
        " AutoStartPinger = 1, AutoStartServices = 1"_s);
    run(u"UPDATE SMTPsettings SET ServerName = '127.0.0.1', FromEmail = 'korvane@x.invalid',"
        " SMTPport = ?"_s,
        {QString::number(smtpPort)});
    for (int i = 0; i < up + down; ++i) {
        const bool isDown = i >= up;
        const QString name = (isDown ? u"down-%1"_s : u"up-%1"_s).arg(i);
        run(u"INSERT INTO ComputerPingList (ComputerName, EmailWhenDown, MaxAverage, Status,"
            " ActionTaken) VALUES (?, ?, '', '', '')"_s,
            {name, isDown ? name + u"@x.invalid"_s : QString()});
    }
    for (int i = 0; i < jobs; ++i) {
        run(u"INSERT INTO Services (ComputerName, CheckIfFileExistFolder, FileNameOfFileExist,"
            " FileExistEmailifThereOrNot, FileExistEmailHere) VALUES (?, ?, ?, ?, ?)"_s,
            {u"files-%1"_s.arg(i), folder, u"j%1"_s.arg(i), fileExistActionTexts().at(0),
             u"job-%1@x.invalid"_s.arg(i)});
        QFile file(QDir(folder).filePath(u"f.j%1"_s.arg(i)));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write a job's file");
    }
    run(u"COMMIT"_s);
}

QStringList query(const QString& databasePath, const QString& sql) {
    DbSession session(databasePath);
    QSqlQuery q(session.db());
    QStringList out;
    if (const DbStatus status = session.exec(q, sql); !status.ok())
        return {u"<failed: "_s + status.detail + u">"_s};
    while (q.next())
        out << q.value(0).toString();
    return out;
}

} // namespace rel
