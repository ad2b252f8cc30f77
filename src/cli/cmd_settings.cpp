// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-cli settings [FILE]: both settings records as the program reads them.
#include "cli/command.h"

#include "platform/data_folder.h"
#include "platform/file_ops.h"
#include "stamp/ini_document.h"
#include "stamp/settings_file.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <optional>

namespace kelvra::cli {

namespace {

// Why a named file cannot be read as settings: a given file that is missing
// or empty would otherwise print the defaults as if it held them.
std::optional<QString> notASettingsFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("no such file: ") + path;
    if (info.isDir())
        return path + QStringLiteral(" is a folder, not a settings file");
    QFile file;
    if (!openForReading(file, path))
        return QStringLiteral("cannot read ") + path + QStringLiteral(": ") + file.errorString();
    if (file.read(1).isEmpty())
        return path + QStringLiteral(" is empty");
    return std::nullopt;
}

int runSettings(const QStringList &args)
{
    if (!args.isEmpty() && args.first().startsWith(QLatin1Char('-')))
        return usageError("settings", unknownOption(args.first()));
    if (args.size() > 1)
        return usageError("settings", QStringLiteral("one file only"));
    // The program INI may not exist yet: then its defaults are what the program reads.
    const QString path = args.isEmpty() ? programIniPathToRead() : args.first();
    if (!args.isEmpty()) {
        if (const std::optional<QString> problem = notASettingsFile(path)) {
            QTextStream(stderr) << "kelvra-cli settings: " << *problem << '\n';
            return ExitFailed;
        }
    }

    const FormatSettings format = FormatSettings::system();
    StampSettings s;
    AppOptions o;
    if (!LoadProgramSettings(path, s, o, format).hadOptionsSection && !args.isEmpty()) {
        QTextStream(stderr) << "kelvra-cli settings: " << path
                            << " is not a settings file: it has no [Options] section\n";
        return ExitFailed;
    }

    const std::string sep = format.decimalSeparatorUtf8();
    auto number = [&sep](double v) { return QString::fromStdString(formatIniDouble(v, sep)); };
    auto flag = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };

    QTextStream out(stdout);
    out << "FontSize=" << number(s.Size) << '\n'
        << "FontName=" << s.FontName << '\n'
        << "FontColor=" << s.FontColor << '\n'
        << "BgColor=" << s.BgColor << '\n'
        << "OutlineColor=" << s.OutlineColor << '\n'
        << "DateFormat=" << s.DateFormat << '\n'
        << "DefaultSaveFolder=" << o.DefaultSaveFolder << '\n'
        << "DefaultBrowseFolder=" << o.DefaultBrowseFolder << '\n'
        << "FNMask=" << s.FNMask << '\n'
        << "FontStyle=" << fontStyleText(s.Style) << '\n'
        << "FShadow=" << flag(s.FShadow) << '\n'
        << "FOutline=" << flag(s.FOutline) << '\n'
        << "XOrient=" << s.XOrient << '\n'
        << "YOrient=" << s.YOrient << '\n'
        << "XD=" << number(s.XD) << '\n'
        << "YD=" << number(s.YD) << '\n'
        << "RenamePhotos=" << flag(s.RenamePhotos) << '\n'
        << "StampPhotosOpt=" << flag(s.StampPhotosOpt) << '\n'
        << "CaptionFormat=" << s.CaptionFormat.section(QLatin1Char('\n'), 0, 0) << '\n'
        << "FilePostfix=" << o.FilePostfix << '\n'
        << "Language=" << o.Language << '\n'
        << "GPSForm=" << o.GPSForm << '\n'
        << "jpgquality=" << o.jpgquality << '\n'
        << "Skin=" << o.Skin << '\n'
        << "KeepQuality=" << flag(o.KeepQuality) << '\n'
        << "FGlow=" << flag(s.FGlow) << '\n'
        << "GlowColor=" << s.GlowColor << '\n'
        << "GlowSize=" << number(s.GlowSize) << '\n'
        << "BgAlpha=" << s.BgAlpha << '\n'
        << "Strip=" << s.Strip << '\n'
        << "CaptionLine2=" << s.CaptionFormat.section(QLatin1Char('\n'), 1) << '\n';
    return ExitOk;
}

const CommandRegistration registration(
    { "settings", "[FILE]          print the settings read from FILE (default: the program INI)", runSettings });

} // namespace

} // namespace kelvra::cli
