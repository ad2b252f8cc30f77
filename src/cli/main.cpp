// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/command.h"

#include "platform/console.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

namespace kelvra::cli {

namespace {

std::vector<Command> &registry()
{
    static std::vector<Command> all;
    return all;
}

void printHelp(FILE *stream)
{
    QTextStream out(stream);
    out << "kelvra-cli: put the date and the camera's facts on photos, and rename them by date\n\n"
        << "usage:\n";
    for (const Command &c : commands())
        out << "  kelvra-cli " << c.name << ' ' << c.synopsis << '\n';
    out << "  kelvra-cli --help\n";
}

} // namespace

const std::vector<Command> &commands()
{
    return registry();
}

CommandRegistration::CommandRegistration(Command command)
{
    registry().push_back(std::move(command));
}

int usageError(const char *command, const QString &message)
{
    QTextStream(stderr) << "kelvra-cli " << command << ": " << message << '\n';
    return ExitUsage;
}

} // namespace kelvra::cli

int main(int argc, char **argv)
{
    using namespace kelvra::cli;
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        printHelp(args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? ExitUsage : ExitOk;
    }
    const QString name = args.takeFirst();
    for (const Command &c : commands()) {
        if (name != QLatin1String(c.name))
            continue;
        if (c.needsGui) {
            // A command-line run never opens a window, whatever DISPLAY says.
            qputenv("QT_QPA_PLATFORM", "offscreen");
            kelvra::prepareHeadlessRuntime();
            QGuiApplication app(argc, argv);
            return c.run(args);
        }
        QCoreApplication app(argc, argv);
        return c.run(args);
    }
    QTextStream(stderr) << "kelvra-cli: unknown command \"" << name << "\"; see kelvra-cli --help\n";
    return ExitUsage;
}
