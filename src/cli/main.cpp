// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/command.h"

#include "platform/console.h"
#include "platform/file_ops.h"
#include "platform/heap_reuse.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <cstring>

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
    out << "  kelvra-cli --help\n"
        << "  kelvra-cli --version\n";
}

const Command *findCommand(const QString &name)
{
    for (const Command &c : commands()) {
        if (name == QLatin1String(c.name))
            return &c;
    }
    return nullptr;
}

// "--help" anywhere before a "--" asks for the command's usage.
bool asksForHelp(const QStringList &args)
{
    for (const QString &arg : args) {
        if (arg == QLatin1String("--"))
            return false;
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            return true;
    }
    return false;
}

QtMessageHandler g_toolkitHandler = nullptr;

// A command's output is its own: the toolkit's log lines ("qt.gui.imageio...")
// and debug output would read as our errors.
void dropToolkitMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const char *category = context.category ? context.category : "";
    const bool toolkit = std::strncmp(category, "qt.", 3) == 0;
    if (type == QtDebugMsg || type == QtInfoMsg || (toolkit && type != QtFatalMsg))
        return;
    if (g_toolkitHandler)
        g_toolkitHandler(type, context, message);
    else
        QTextStream(stderr) << message << '\n';
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

QString usageText(const char *command)
{
    const Command *c = findCommand(QString::fromLatin1(command));
    if (!c)
        return QString();
    if (c->usage)
        return QString::fromLatin1(c->usage) + QLatin1Char('\n');
    return QStringLiteral("usage: kelvra-cli %1 %2\n").arg(QLatin1String(c->name), QLatin1String(c->synopsis));
}

int usageError(const char *command, const QString &message)
{
    QTextStream(stderr) << "kelvra-cli " << command << ": " << message << '\n' << usageText(command);
    return ExitUsage;
}

QString unknownOption(const QString &arg)
{
    return QStringLiteral("unknown option ") + arg;
}

QString needsValue(const QString &option, const char *what)
{
    return option + QStringLiteral(" needs ") + QLatin1String(what);
}

} // namespace kelvra::cli

int main(int argc, char **argv)
{
    using namespace kelvra::cli;
    kelvra::keepFreedMemoryForReuse(); // before any thread
    g_toolkitHandler = qInstallMessageHandler(dropToolkitMessages);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << kelvra::fromNativeBytes(argv[i]); // a photo's name may be any bytes
    if (args.isEmpty()) {
        QTextStream(stderr) << "kelvra-cli: the command is missing\n";
        printHelp(stderr);
        return ExitUsage;
    }
    if (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        printHelp(stdout);
        return ExitOk;
    }
    if (args.first() == QLatin1String("--version")) {
        QTextStream(stdout) << "kelvra-cli " << KELVRA_VERSION << '\n';
        return ExitOk;
    }
    const QString name = args.takeFirst();
    if (const Command *found = findCommand(name)) {
        const Command &c = *found;
        if (asksForHelp(args)) {
            QTextStream(stdout) << usageText(c.name);
            return ExitOk;
        }
        if (const std::optional<QString> error = normaliseArguments(args, c.options))
            return usageError(c.name, *error);
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
    QTextStream(stderr) << "kelvra-cli: unknown command \"" << name << "\"\n";
    printHelp(stderr);
    return ExitUsage;
}
