#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QTcpServer>
#include <QTemporaryDir>

#include <chrono>
#include <memory>

// What the reliability tests share: the figures they report, what /proc says about a process,
// stand-in programs put first on PATH, and a copy of the program folder run as a child.
namespace rel {

// Writes one figure of a part of the suite ("kills", "soak"...) for the report: a line
// "key<TAB>value" in <KORVANE_RELIABILITY_OUT>/<part>.tsv (the build's reliability/ folder
// unless set), and prints it. The first figure of a part in a run starts its file afresh.
void figure(const QString& part, const QString& key, const QString& value);

// What /proc says about a process.
struct ProcessFigures {
    qint64 residentKb = 0;
    int descriptors = 0;
    int threads = 0;
    int children = 0; // living children
    int zombies = 0;  // children that ended and were never waited for
};
ProcessFigures processFigures(qint64 pid);

// A folder of stand-in programs, put first on PATH of the children that need them. The
// `ping` stand-in answers at once and appends the host it was asked for to pingLog(): a host
// starting with "down" gets no reply, one starting with "hang" never ends, any other answers.
// The `net` stand-in appends its arguments (one per line, then "--") and its parent's command
// line as the system shows it to netLog(), and says the service runs.
class StandIns {
  public:
    StandIns();
    QString path() const { return m_dir.path(); }
    QString pingLog() const { return m_dir.filePath(QStringLiteral("ping.log")); }
    QString netLog() const { return m_dir.filePath(QStringLiteral("net.log")); }
    // PATH with this folder first.
    QString searchPath() const;
    // The lines of a log so far.
    static QStringList lines(const QString& log);

  private:
    QTemporaryDir m_dir;
};

// A folder holding copies of the program and its service tool, with its own database (created
// when the folder is made), runtime and data folders, run as a child with the test tick scale.
class ProgramCopy {
  public:
    ProgramCopy();
    ~ProgramCopy();
    QString folder() const { return m_dir.path(); }
    QString databasePath() const;
    // Starts the program with the stand-ins first on PATH and every timer step divided.
    void start(const StandIns& standIns, int tickDivisor);
    QProcess& process() { return *m_process; }
    // SIGKILL, and waits for the end.
    void kill();
    // Ends the program with SIGTERM (no one can close its window offscreen) and waits.
    void stop();

  private:
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
};

// Fills a database for a run of both monitors: both intervals one minute, both auto-starts on,
// the SMTP server at 127.0.0.1:smtpPort, `up` devices named up-N, `down` devices named
// down-N mailing down-N@x.invalid, and `jobs` file-exists jobs on `folder` (job N mails
// job-N@x.invalid when a file named file-N is there), all in one transaction.
void seedMonitors(const QString& databasePath, int up, int down, int jobs, const QString& folder,
                  quint16 smtpPort);

// Runs one SQL statement and returns the first column of every row.
QStringList query(const QString& databasePath, const QString& sql);

// An SMTP server on 127.0.0.1 that answers until the message itself comes, then drops the
// connection in the middle of it.
class DroppingSmtpPeer final : public QObject {
    Q_OBJECT
  public:
    DroppingSmtpPeer();
    quint16 port() const { return m_server.serverPort(); }

  private:
    QTcpServer m_server;
};

} // namespace rel
