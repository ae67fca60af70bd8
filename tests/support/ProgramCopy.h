#pragma once

#include "storage/Database.h"

#include <QDir>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <memory>
#include <vector>

// Copies of the program and its service tool in a folder of their own, run as children
// (offscreen, with their own runtime and data folders); every run is killed when the copy goes.
class ProgramCopy {
  public:
    // createDatabase false leaves making the database to the program or the test.
    explicit ProgramCopy(bool createDatabase = true) {
        for (const QString& name : {QStringLiteral("korvane"), QStringLiteral("psservice.exe")})
            if (!QFile::copy(QStringLiteral(KORVANE_PROGRAM_DIR "/") + name, m_dir.filePath(name)))
                qFatal("cannot copy %s", qPrintable(name));
        QDir(m_dir.path()).mkdir(QStringLiteral("data"));
        QDir(m_dir.path())
            .mkdir(QStringLiteral("runtime"),
                   QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (const DbStatus created = createDatabase ? Schema::create(databasePath()) : DbStatus();
            !created.ok())
            qFatal("cannot create the database: %s", qPrintable(created.detail));
    }
    ~ProgramCopy() {
        for (auto& run : m_runs)
            kill(*run);
    }
    QString folder() const { return m_dir.path(); }
    QString databasePath() const { return m_dir.filePath(QStringLiteral("HalvardDB.mdb")); }

    // One more run, with `env` added to the environment; its standard error is kept for the test
    // to read, or passed on to the test's own.
    QProcess& start(const QHash<QString, QString>& env = {}, bool forwardErrors = false) {
        QProcessEnvironment all = QProcessEnvironment::systemEnvironment();
        all.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        all.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath(QStringLiteral("runtime")));
        all.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        for (auto it = env.cbegin(); it != env.cend(); ++it)
            all.insert(it.key(), it.value());
        QProcess& run = *m_runs.emplace_back(std::make_unique<QProcess>());
        run.setProcessEnvironment(all);
        if (forwardErrors)
            run.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        run.setStandardOutputFile(QProcess::nullDevice());
        run.start(m_dir.filePath(QStringLiteral("korvane")), {});
        if (!run.waitForStarted(10000))
            qFatal("the program did not start: %s", qPrintable(run.errorString()));
        return run;
    }
    // The latest run.
    qint64 pid() const { return m_runs.back()->processId(); }
    bool running() const { return m_runs.back()->state() == QProcess::Running; }
    void kill() { kill(*m_runs.back()); }
    // SIGTERM: no one can close its window offscreen.
    void stop() {
        m_runs.back()->terminate();
        if (!m_runs.back()->waitForFinished(10000))
            kill();
    }

  private:
    static void kill(QProcess& run) {
        if (run.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(run.processId()), SIGKILL);
        run.waitForFinished(10000);
    }

    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<QProcess>> m_runs;
};
