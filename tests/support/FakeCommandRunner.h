#pragma once

#include "app/AppContext.h"
#include "app/CmdOutput.h"

#include <QCoroSignal>
#include <QList>
#include <QStringList>

#include <memory>

// Hands back canned outputs in order (the last one again when they run out) and records
// every command line it was given. Gated, a command runs until the test releases it with its
// output, or is killed when the monitor destroys the run's cancel guard, so a test can act while
// `ping` is "running".
class FakeCommandRunner final : public CommandRunner {
  public:
    struct Gate {
        QObject opener; // its name changing to the output (not empty) ends the command
        bool cancelled = false, finished = false;
    };

    // A new one as the context's command runner.
    static FakeCommandRunner& installIn(AppContext& ctx) {
        auto runner = std::make_unique<FakeCommandRunner>();
        FakeCommandRunner& installed = *runner;
        ctx.setRunner(std::move(runner));
        return installed;
    }

    QCoro::Task<QString> GetCommandOutput(QStringList argv, CommandOptions options) override {
        calls.append(argv);
        if (onRun)
            std::exchange(onRun, {})();
        if (gated) {
            const std::shared_ptr<Gate> gate = gates.emplace_back(std::make_shared<Gate>());
            if (!options.cancelGuard.isNull())
                QObject::connect(options.cancelGuard.data(), &QObject::destroyed, &gate->opener,
                                 [g = gate.get()] {
                                     g->cancelled = g->opener.objectName().isEmpty();
                                     if (g->cancelled)
                                         g->opener.setObjectName(QStringLiteral("PING killed"));
                                 });
            // The signal arrives on a later turn of the event loop, as a killed child's end.
            QString output =
                std::get<0>(co_await qCoro(&gate->opener, &QObject::objectNameChanged));
            gate->finished = true;
            co_return output;
        }
        if (outputs.isEmpty())
            co_return QString();
        co_return outputs.size() > 1 ? outputs.takeFirst() : outputs.first();
    }
    void release(int index, const QString& output) { gates[index]->opener.setObjectName(output); }

    QList<QString> outputs;
    QList<QStringList> calls;
    std::function<void()> onRun; // called once, as the next command starts
    bool gated = false;
    QList<std::shared_ptr<Gate>> gates; // one per command while gated
};
