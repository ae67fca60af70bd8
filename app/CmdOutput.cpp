#include "app/CmdOutput.h"

#include "app/Log.h"

#include <QCoroProcess>
#include <QProcess>
#include <QStringDecoder>

#include <csignal>
#include <stdexcept>
#include <sys/types.h>
#include <unistd.h>

namespace {

// The child leads a process group of its own, so that a time limit or a cancel ends the
// grandchildren it may have started too.
void killGroup(QProcess& process) {
    const qint64 pid = process.processId();
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
    process.kill();
}

QString decode(const QByteArray& bytes, bool oemConvert) {
    if (!oemConvert)
        return QString::fromLatin1(bytes);
    QStringDecoder decoder(QStringDecoder::System);
    return decoder.decode(bytes);
}

} // namespace

QCoro::Task<QString> ProcessCommandRunner::GetCommandOutput(QStringList argv,
                                                            CommandOptions options) {
    // Raised to the caller at the call, before anything runs.
    if (!options.wantStdOut && !options.wantStdErr)
        throw std::invalid_argument(
            "GetCommandOutput: neither standard output nor standard error wanted");
    return run(std::move(argv), std::move(options));
}

QCoro::Task<QString> ProcessCommandRunner::run(QStringList argv, CommandOptions options) {
    if (argv.isEmpty() || argv.first().isEmpty())
        co_return commandStartFailureText();
    const bool guarded = !options.cancelGuard.isNull();

    QProcess process;
    process.setProgram(argv.takeFirst());
    process.setArguments(argv);
    process.setStandardInputFile(QProcess::nullDevice());
    if (options.wantStdOut && options.wantStdErr) {
        process.setProcessChannelMode(QProcess::MergedChannels);
    } else if (options.wantStdOut) {
        process.setStandardErrorFile(QProcess::nullDevice());
    } else {
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setReadChannel(QProcess::StandardError);
    }
    process.setChildProcessModifier([] { ::setpgid(0, 0); });

    QByteArray output;
    bool overflowed = false;
    auto collect = [&process, &output, &options, &overflowed] {
        output +=
            options.wantStdOut ? process.readAllStandardOutput() : process.readAllStandardError();
        if (output.size() <= options.maxOutputBytes || overflowed)
            return;
        overflowed = true;
        output.truncate(options.maxOutputBytes);
        qCWarning(lcApp).noquote() << process.program() << "printed more than"
                                   << options.maxOutputBytes << "bytes and was ended";
        killGroup(process);
    };
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &process, collect);
    QObject::connect(&process, &QProcess::readyReadStandardError, &process, collect);

    QMetaObject::Connection cancel;
    if (guarded) {
        if (options.cancelGuard.isNull())
            co_return QString();
        cancel = QObject::connect(options.cancelGuard.data(), &QObject::destroyed, &process,
                                  [&process] { killGroup(process); });
    }

    // Starting is fork and exec: its outcome is known at once, so it is awaited in place.
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(10000)) {
        QObject::disconnect(cancel);
        co_return commandStartFailureText();
    }
    if (guarded && options.cancelGuard.isNull()) {
        killGroup(process);
    }
    if (process.state() != QProcess::NotRunning) {
        const bool finished = co_await qCoro(process).waitForFinished(options.timeout);
        if (!finished && process.state() != QProcess::NotRunning) {
            killGroup(process);
            co_await qCoro(process).waitForFinished(std::chrono::seconds(5));
        }
    }
    QObject::disconnect(cancel);
    collect();
    output.truncate(options.maxOutputBytes);
    co_return decode(output, options.oemConvert);
}
