// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <functional>
#include <vector>

namespace kelvra::cli {

// Exit codes shared by every command.
enum ExitCode { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

struct Command
{
    const char *name;
    const char *synopsis; // one line for --help, after the command name
    std::function<int(const QStringList &args)> run; // args after the command name
    bool needsGui = false; // drawing text needs a (headless) GUI application
};

// Each command's file registers itself with a static CommandRegistration, so
// adding a command never touches main().
const std::vector<Command> &commands();

struct CommandRegistration
{
    explicit CommandRegistration(Command command);
};

// Prints "kelvra-cli NAME: MESSAGE" to stderr and returns ExitUsage.
int usageError(const char *command, const QString &message);

} // namespace kelvra::cli
