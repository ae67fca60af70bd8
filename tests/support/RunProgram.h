#pragma once

#include <QProcess>
#include <QStringList>

// A program a test's set-up runs to its end: whether it exited with 0 within the limit (it is
// killed after that), what it printed on both streams, and a line saying what failed.
struct ProgramRun {
    bool ok = false;
    QString output, failure;
};
inline ProgramRun runProgram(const QString& program, const QStringList& arguments,
                             const QByteArray& input = {}, int limitMs = 30000) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    const bool ended = p.waitForFinished(limitMs) || (p.kill(), false);
    const QString output = QString::fromLocal8Bit(p.readAll());
    return {ended && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, output,
            QStringLiteral("%1 %2 failed: %3")
                .arg(program, arguments.join(u' '), ended ? output.trimmed() : p.errorString())};
}
// The same for a command line whose arguments hold no blank: whether it succeeded, else
// `failure` says why; `output` gets what it printed.
inline bool runSetUp(const QString& commandLine, QString& failure, QString* output = nullptr,
                     const QByteArray& input = {}) {
    QStringList arguments = commandLine.split(u' ');
    const ProgramRun run = runProgram(arguments.takeFirst(), arguments, input, 20000);
    if (output)
        *output = run.output;
    failure = run.ok ? failure : run.failure;
    return run.ok;
}
