// psservice.exe: the service-control tool of Korvane's service check, on Samba's `net`.
// See ServiceCommand.cpp (usageText) for the command line and what it prints.
#include "platform/SambaNet.h"
#include "tools/psservice/AuthFile.h"
#include "tools/psservice/ServiceCommand.h"
#include "tools/psservice/ServiceControl.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace {

void print(std::FILE* stream, const QString& text) {
    if (text.isEmpty())
        return;
    const QByteArray bytes =
        text.endsWith(u'\n') ? text.toLocal8Bit() : (text + u'\n').toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

std::chrono::milliseconds netTimeout() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("KORVANE_NET_TIMEOUT_MS", &ok);
    return std::chrono::milliseconds(ok && ms > 0 ? ms : 30000);
}

} // namespace

int main(int argc, char** argv) {
    // The password leaves the argument vector before anything else happens, so that `ps`
    // shows it for a moment at most.
    QList<QByteArray> args;
    for (int i = 0; i < argc; ++i)
        args.append(QByteArray(argv[i]));
    const int secret = psservice::passwordArgument(args);
    if (secret > 0)
        std::memset(argv[secret], 0, std::strlen(argv[secret]));

    QCoreApplication app(argc, argv);
    const auto command = psservice::parseCommand(args);
    if (!command) {
        print(stderr, psservice::usageText());
        return 2;
    }

    psservice::installCleanupOnSignals();
    psservice::removeStaleAuthFolders();
    QString why;
    const auto text = psservice::authFileText(command->user, command->password, command->pc, &why);
    if (!text) {
        print(stderr, u"psservice: "_s + why);
        return 1;
    }
    psservice::AuthFile authFile;
    if (!authFile.write(*text)) {
        print(stderr, u"psservice: cannot write the authentication file for net"_s);
        return 1;
    }

    const QString net = qEnvironmentVariable("KORVANE_NET", samba::defaultNetPath());
    psservice::ServiceControl control(net, authFile.path(), command->pc, netTimeout());
    const psservice::ToolOutput output = control.run(command->operation, command->service);
    print(stdout, output.out);
    if (!output.err.isEmpty())
        print(stderr, u"psservice: "_s + output.err);
    return output.exitCode;
}
