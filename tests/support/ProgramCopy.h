#pragma once

#include "storage/Database.h"
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <list>

// Copies of the program and its service tool in a folder of their own, run as children
// (offscreen, with their own runtime and data folders); every run is killed when the copy goes.
class ProgramCopy {
  public:
    // createDatabase false leaves making the database to the program or the test.
    explicit ProgramCopy(bool createDatabase = true) {
        for (const QString& name : {QStringLiteral("korvane"), QStringLiteral("psservice.exe")})
            if (!QFile::copy(QStringLiteral(KORVANE_PROGRAM_DIR "/") + name, path(name)))
                qFatal("cannot copy %s", qPrintable(name));
        QDir().mkdir(path(QStringLiteral("data")));
        QDir().mkdir(path(QStringLiteral("runtime")),
                     QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (createDatabase && !Schema::create(databasePath()).ok())
            qFatal("cannot create the database");
    }
    ~ProgramCopy() {
        for (QProcess& run : m_runs)
            kill(run);
    }
    QString folder() const { return m_dir.path(); }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString databasePath() const { return path(QStringLiteral("HalvardDB.mdb")); }

    // One more run with `env` added; its standard error is kept for the test or passed on.
    QProcess& start(const QHash<QString, QString>& env = {}, bool forwardErrors = false) {
        QProcessEnvironment all = QProcessEnvironment::systemEnvironment();
        all.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        all.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("runtime")));
        all.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
        for (const auto& [name, value] : env.asKeyValueRange())
            all.insert(name, value);
        QProcess& run = m_runs.emplace_back();
        run.setProcessEnvironment(all);
        run.setProcessChannelMode(forwardErrors ? QProcess::ForwardedErrorChannel
                                                : QProcess::SeparateChannels);
        run.setStandardOutputFile(QProcess::nullDevice());
        run.start(path(QStringLiteral("korvane")), {});
        if (!run.waitForStarted(10000))
            qFatal("the program did not start: %s", qPrintable(run.errorString()));
        return run;
    }
    // The latest run: killed, or ended with SIGTERM (offscreen no one can close its window).
    QProcess& last() { return m_runs.back(); }
    void kill() { kill(last()); }
    void stop() {
        last().terminate();
        if (!last().waitForFinished(10000))
            kill();
    }

  private:
    static void kill(QProcess& run) { run.kill(), run.waitForFinished(10000); }
    QTemporaryDir m_dir;
    std::list<QProcess> m_runs;
};
