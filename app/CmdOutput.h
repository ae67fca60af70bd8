#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <chrono>

// How one console command is run and read.
struct CommandOptions {
    bool wantStdOut = true;
    bool wantStdErr = false;
    // Decode the output in the console's (locale) encoding; without it every byte is taken
    // as one Latin-1 character, unconverted.
    bool oemConvert = true;
    // After this the child and its whole process group are killed and whatever was read so
    // far is returned.
    std::chrono::milliseconds timeout = std::chrono::seconds(60);
    // A program that prints more than this is ended at once and the first this many bytes are
    // returned: a child that prints without end never fills the memory.
    qsizetype maxOutputBytes = qsizetype(1) << 20;
    // When this object is destroyed while the command runs, the child is killed at once
    // (a monitor that stops drops its probe this way). Optional.
    QPointer<QObject> cancelGuard;
};

// The text returned when the program cannot be started.
inline QString commandStartFailureText() {
    return QStringLiteral("Failed to create process, check the path of the command line.");
}

// Runs console programs and returns everything they printed. The first element of argv is the
// program, the rest are its arguments, handed over as they are: no shell ever sees them.
class CommandRunner {
  public:
    virtual ~CommandRunner() = default;
    // Throws std::invalid_argument when neither output stream is wanted.
    virtual QCoro::Task<QString> GetCommandOutput(QStringList argv, CommandOptions options) = 0;
};

// The real runner, on QProcess.
class ProcessCommandRunner final : public CommandRunner {
  public:
    QCoro::Task<QString> GetCommandOutput(QStringList argv, CommandOptions options) override;

  private:
    static QCoro::Task<QString> run(QStringList argv, CommandOptions options);
};
