// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/arguments.h"

#include <QStringList>

#include <functional>
#include <vector>

namespace kelvra::cli {

// Exit codes shared by every command; a run stopped by a signal exits with
// 128 plus its number (130 for Ctrl+C), as a shell reports it.
enum ExitCode { ExitOk = 0, ExitFailed = 1, ExitUsage = 2, ExitInterrupted = 130 };

struct Command
{
    const char *name;
    const char *synopsis; // one line for --help, after the command name
    std::function<int(const QStringList &args)> run; // args after the command name
    bool needsGui = false; // drawing text needs a (headless) GUI application
    const char *usage = nullptr; // the full usage for --help and usage errors; null: name and synopsis
    // The options, so "--opt=value" and an option given twice read the same
    // for every command (see normaliseArguments).
    std::vector<Option> options = {};
};

// Each command's file registers itself with a static CommandRegistration, so
// adding a command never touches main().
const std::vector<Command> &commands();

struct CommandRegistration
{
    explicit CommandRegistration(Command command);
};

// "usage: kelvra-cli NAME ..." for the named command, with a line ending.
QString usageText(const char *command);

// Prints "kelvra-cli NAME: MESSAGE" and then the command's usage to stderr,
// and returns ExitUsage.
int usageError(const char *command, const QString &message);

// The same value-taking options are spelt the same way everywhere.
QString unknownOption(const QString &arg);
QString needsValue(const QString &option, const char *what);

} // namespace kelvra::cli
