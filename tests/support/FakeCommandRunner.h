#pragma once

#include "app/CmdOutput.h"

#include <QList>
#include <QStringList>

// Hands back canned outputs in order (the last one again when they run out) and records
// every command line it was given.
class FakeCommandRunner final : public CommandRunner {
  public:
    QCoro::Task<QString> GetCommandOutput(QStringList argv, CommandOptions) override {
        calls.append(argv);
        if (outputs.isEmpty())
            co_return QString();
        co_return outputs.size() > 1 ? outputs.takeFirst() : outputs.first();
    }

    QList<QString> outputs;
    QList<QStringList> calls;
};
