#pragma once

#include "app/AppContext.h"
#include "app/CmdOutput.h"
#include <QTimer>
#include <optional>

// Hands back canned outputs in order (the last one again when they run out) and records every
// command line. Gated, a command runs until the test releases it with its output or the monitor
// kills it (destroys the run's cancel guard), so a test can act while `ping` is "running".
struct FakeCommandRunner final : CommandRunner {
    struct Gate {
        bool cancelled = false, finished = false;
        std::optional<QString> output;
        std::coroutine_handle<> waiter;
        QObject context; // queued resumption ends with the gate
        // The first output given ends the command on a later turn of the event loop, as a
        // child's end is noticed.
        void open(const QString& text) {
            if (!output)
                output = text, QTimer::singleShot(0, &context, [this] { resume(); });
        }
        void resume() {
            if (waiter)
                std::exchange(waiter, {}).resume();
        }
        void kill() { // the monitor ends the run: cancelled unless its output came first
            cancelled = !output;
            open(QStringLiteral("PING killed"));
        }
        // What the command awaits; a frame destroyed while waiting is never resumed.
        struct Wait {
            Gate* gate;
            bool await_ready() const { return false; }
            void await_suspend(std::coroutine_handle<> h) { gate->waiter = h; }
            QString await_resume() const { return *gate->output; }
            ~Wait() { gate->waiter = {}; }
        };
    };
    // A new one as the context's command runner.
    static FakeCommandRunner& installIn(AppContext& ctx) {
        auto* runner = new FakeCommandRunner;
        ctx.setRunner(std::unique_ptr<CommandRunner>(runner));
        return *runner;
    }

    QCoro::Task<QString> GetCommandOutput(QStringList argv, CommandOptions options) override {
        calls.append(argv);
        if (onRun)
            std::exchange(onRun, {})();
        if (!gated)
            co_return outputs.isEmpty() ? QString()
            : outputs.size() > 1        ? outputs.takeFirst()
                                        : outputs.first();
        const std::shared_ptr<Gate> gate = gates.emplace_back(std::make_shared<Gate>());
        if (!options.cancelGuard.isNull())
            QObject::connect(options.cancelGuard.data(), &QObject::destroyed, &gate->context,
                             [g = gate.get()] { g->kill(); });
        QString output = co_await Gate::Wait{gate.get()};
        gate->finished = true;
        co_return output;
    }
    void release(int index, const QString& output) { gates[index]->open(output); }
    QList<QString> outputs;
    QList<QStringList> calls;
    std::function<void()> onRun; // called once, as the next command starts
    bool gated = false;
    QList<std::shared_ptr<Gate>> gates; // one per command while gated
};
