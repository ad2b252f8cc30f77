// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-cli looks: the ready designs, by name, with their files.
#include "cli/command.h"
#include "cli/design_options.h"

#include "platform/install_paths.h"
#include "stamp/looks.h"

#include <QDir>
#include <QTextStream>

namespace kelvra::cli {

namespace {

const char *const kUsage = "usage: kelvra-cli looks\n"
                           "       lists the ready designs that stamp, preview and caption take with --look NAME";

int runLooks(const QStringList &args)
{
    if (!args.isEmpty())
        return usageError("looks",
            args.first().startsWith(u'-') ? unknownOption(args.first()) : QStringLiteral("no arguments are taken"));
    const std::vector<ReadyLook> looks = readyLooks();
    if (looks.empty()) {
        QTextStream(stderr) << "kelvra-cli looks: no ready designs in " << QDir::toNativeSeparators(looksFolder())
                            << '\n';
        return ExitFailed;
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    const FormatSettings format = FormatSettings::system();
    for (const ReadyLook &look : looks) {
        out << look.name << '\t' << QDir::toNativeSeparators(look.path) << '\n';
        StampSettings design;
        applyLook(look.path, design, format);
        if (const QString note = fontNote(design); !note.isEmpty())
            err << "kelvra-cli looks: note: " << look.name << ": " << note << '\n';
    }
    return ExitOk;
}

const CommandRegistration registration(
    { "looks", "                the ready designs (for --look NAME) and their files", runLooks, true, kUsage });

} // namespace

} // namespace kelvra::cli
