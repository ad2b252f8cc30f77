// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/design_options.h"

#include "cli/command.h"

#include "jobs/preview_job.h"
#include "stamp/looks.h"
#include "stamp/photo_date.h"
#include "stamp/settings_file.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

#include <cmath>

namespace kelvra::cli {

std::optional<TColor> parseColour(const QString &text, bool noneAllowed)
{
    if (noneAllowed && text == QLatin1String("none"))
        return kNoColor;
    static const QRegularExpression hex(QStringLiteral("^#([0-9A-Fa-f]{6})$"));
    const QRegularExpressionMatch m = hex.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const uint rgb = m.captured(1).toUInt(nullptr, 16);
    return TColor(((rgb >> 16) & 0xff) | (rgb & 0xff00) | ((rgb & 0xff) << 16));
}

QString cfgWarning(const QString &path, const CfgLoadResult &loaded)
{
    QStringList parts;
    if (!loaded.hadOptionsSection)
        parts << QStringLiteral("no [Options] section, the defaults apply");
    if (!loaded.correctedKeys.isEmpty())
        parts << QStringLiteral("out of range, corrected: ") + loaded.correctedKeys.join(QStringLiteral(", "));
    if (parts.isEmpty())
        return QString();
    return path + QStringLiteral(": ") + parts.join(QStringLiteral("; "));
}

std::vector<Option> dateOptions()
{
    return { { "--shift", "an offset" }, { "--shift-camera", "MODEL=OFFSET", true },
        { "--shift-from", "PHOTO=TIME", true }, { "--no-name-dates" }, { "--ignore-placeholder-dates" },
        { "--fix-exif-dates" }, { "--zone", "a value" } };
}

std::vector<Option> withDesignOptions(std::vector<Option> more)
{
    std::vector<Option> all { { "--cfg", "a file" }, { "--caption", "a value" }, { "--date-format", "a value" },
        { "--font", "a value" }, { "--size", "a number" }, { "--color", "a value" }, { "--bg", "a value" },
        { "--outline-color", "a value" }, { "--place", "a value" }, { "--bold" }, { "--italic" }, { "--underline" },
        { "--shadow" }, { "--outline" }, { "--look", "a name" }, { "--glow" }, { "--glow-color", "a value" },
        { "--glow-size", "a number" }, { "--bg-alpha", "a number" }, { "--strip", "a value" } };
    const std::vector<Option> dates = dateOptions();
    all.insert(all.end(), dates.begin(), dates.end());
    all.insert(all.end(), more.begin(), more.end());
    return all;
}

namespace {

QString badOffset(const QString &option, const QString &text)
{
    return option + QStringLiteral(": not an offset: \"") + text
        + QStringLiteral("\" (use [+|-][Nd][H:MM[:SS]], e.g. +1:00:00, -1d, +1d2:30)");
}

QString badZone(const QString &option, const QString &text)
{
    return option + QStringLiteral(": not a zone: \"") + text
        + QStringLiteral("\" (use +HH:MM or -HH:MM, e.g. +05:30)");
}

// The clock correction that makes photo's date read time: for the photo's
// camera when it names one, else for every photo.
std::optional<QString> shiftFrom(const QString &value, StampSettings &s)
{
    const QString option = QStringLiteral("--shift-from");
    // A path may hold "=", the time never does.
    const qsizetype equals = value.lastIndexOf(u'=');
    if (equals <= 0)
        return needsValue(option, "PHOTO=\"YYYY-MM-DD HH:MM[:SS]\"");
    const QString photo = value.left(equals);
    const std::optional<TDateTime> truth = parseIsoDateText(value.mid(equals + 1));
    if (!truth)
        return option + QStringLiteral(": not a time: \"") + value.mid(equals + 1)
            + QStringLiteral("\" (use \"YYYY-MM-DD HH:MM[:SS]\")");
    if (!QFileInfo(photo).isFile())
        return option + QStringLiteral(": no such file: ") + photo;
    DateRules unshifted = dateRulesOf(s);
    unshifted.shift.clear();
    unshifted.cameraShifts.clear();
    const DateInputs inputs = readPhotoDateInputs(photo);
    const PhotoDating dating = resolvePhotoDate(inputs, unshifted);
    if (!isRealDate(dating.date))
        return option + QStringLiteral(": ") + photo + QStringLiteral(" has no date to correct");
    const qint64 seconds = qRound64((*truth - dating.date) * 86400.0);
    if (inputs.model.isEmpty())
        s.DateShift = formatDateOffset(seconds);
    else
        s.CameraShifts = withCameraShift(s.CameraShifts, inputs.model, seconds);
    return std::nullopt;
}

} // namespace

std::optional<QString> takeDateOptions(QStringList &args, StampSettings &s)
{
    QStringList rest, shiftsFrom;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const bool hasValue = i + 1 < args.size();
        static const QStringList valueOptions { QStringLiteral("--shift"), QStringLiteral("--shift-camera"),
            QStringLiteral("--shift-from"), QStringLiteral("--zone") };
        if (arg == QLatin1String("--")) {
            rest << args.mid(i);
            break;
        } else if (valueOptions.contains(arg) && !hasValue) {
            return needsValue(arg, arg == QLatin1String("--shift") ? "an offset" : "a value");
        } else if (arg == QLatin1String("--shift")) {
            const QString text = args.at(++i);
            if (text.trimmed().isEmpty() || !parseDateOffset(text))
                return badOffset(arg, text);
            s.DateShift = text.trimmed();
        } else if (arg == QLatin1String("--shift-camera")) {
            const QString text = args.at(++i);
            const qsizetype equals = text.lastIndexOf(u'=');
            const QString camera = text.left(std::max<qsizetype>(equals, 0)).trimmed();
            if (equals < 0 || camera.isEmpty())
                return needsValue(arg, "MODEL=OFFSET");
            const QString offset = text.mid(equals + 1);
            const std::optional<qint64> seconds = parseDateOffset(offset);
            if (offset.trimmed().isEmpty() || !seconds)
                return badOffset(arg, offset);
            s.CameraShifts = withCameraShift(s.CameraShifts, camera, *seconds);
        } else if (arg == QLatin1String("--shift-from")) {
            shiftsFrom << args.at(++i);
        } else if (arg == QLatin1String("--no-name-dates")) {
            s.NameDates = false;
        } else if (arg == QLatin1String("--ignore-placeholder-dates")) {
            s.IgnorePlaceholderDates = true;
        } else if (arg == QLatin1String("--fix-exif-dates")) {
            s.FixExifDates = true;
        } else if (arg == QLatin1String("--zone")) {
            s.DateZone = args.at(++i).trimmed();
            if (!s.DateZone.isEmpty() && !parseZoneOffset(s.DateZone))
                return badZone(arg, s.DateZone);
        } else {
            rest << arg;
        }
    }
    for (const QString &value : shiftsFrom) {
        if (const std::optional<QString> error = shiftFrom(value, s))
            return error;
    }
    // A settings file may bring them too.
    if (!parseDateOffset(s.DateShift))
        return badOffset(QStringLiteral("DateShift"), s.DateShift);
    QString bad;
    if (!parseCameraShifts(s.CameraShifts, &bad))
        return QStringLiteral("CameraShifts: not MODEL=OFFSET: \"") + bad + u'"';
    if (!s.DateZone.isEmpty() && !parseZoneOffset(s.DateZone))
        return badZone(QStringLiteral("DateZone"), s.DateZone);
    args = rest;
    return std::nullopt;
}

namespace {

void warnAboutCfg(const QString &path, const CfgLoadResult &loaded)
{
    if (const QString warning = cfgWarning(path, loaded); !warning.isEmpty())
        QTextStream(stderr) << "kelvra-cli: warning: " << warning << '\n';
}

// The settings files go first so that the other options override them.
std::optional<QString> takeSettingsFiles(const QStringList &args, DesignOptions &design)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--"))
            break;
        if (args.at(i) != QLatin1String("--cfg"))
            continue;
        if (i + 1 == args.size())
            return needsValue(args.at(i), "a file");
        const QString cfg = args.at(i + 1);
        if (!QFileInfo(cfg).isFile())
            return QStringLiteral("no such settings file: ") + cfg;
        warnAboutCfg(cfg, LoadCFGFromFile(cfg, design.settings, design.options, FormatSettings::system()));
    }
    return std::nullopt;
}

// A ready design next, over the settings file, under the other options.
std::optional<QString> takeLooks(const QStringList &args, DesignOptions &design)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--"))
            break;
        if (args.at(i) != QLatin1String("--look"))
            continue;
        if (i + 1 == args.size())
            return needsValue(args.at(i), "a name");
        const std::vector<ReadyLook> looks = readyLooks();
        const std::optional<ReadyLook> look = findLook(looks, args.at(i + 1));
        if (!look) {
            QStringList names;
            for (const ReadyLook &known : looks)
                names << QStringLiteral("\"") + known.name + u'"';
            return QStringLiteral("no such look: ") + args.at(i + 1)
                + (names.isEmpty() ? QStringLiteral(" (no ready designs are installed)")
                                   : QStringLiteral(" (there are ") + names.join(QStringLiteral(", ")) + u')');
        }
        warnAboutCfg(look->path, applyLook(look->path, design.settings, FormatSettings::system()));
    }
    return std::nullopt;
}

std::optional<QString> setColourOption(const QString &arg, const QString &value, StampSettings &s)
{
    const bool isFont = arg == QLatin1String("--color");
    const std::optional<TColor> colour = parseColour(value, !isFont);
    if (!colour)
        return needsValue(arg, isFont ? "#RRGGBB" : "#RRGGBB or none");
    (isFont ? s.FontColor : arg == QLatin1String("--bg") ? s.BgColor : s.OutlineColor) = *colour;
    return std::nullopt;
}

std::optional<QString> setGlowOption(const QString &arg, const QString &value, StampSettings &s)
{
    if (arg == QLatin1String("--glow-color")) {
        const std::optional<TColor> colour = parseColour(value, true);
        if (!colour)
            return needsValue(arg, "#RRGGBB or none (the font colour)");
        s.GlowColor = *colour;
    } else {
        bool ok = false;
        const double size = value.toDouble(&ok);
        if (!ok || !(size > 0 && size <= kMaxGlowSize))
            return needsValue(arg, "a number above 0 up to 100 (percent of the font height)");
        s.GlowSize = size;
    }
    s.FGlow = true;
    return std::nullopt;
}

std::optional<QString> setPlace(const QString &arg, const QString &value, StampSettings &s)
{
    // The four standard places.
    const QStringList places { QStringLiteral("tl"), QStringLiteral("tr"), QStringLiteral("br"), QStringLiteral("bl") };
    const qsizetype index = places.indexOf(value);
    if (index < 0)
        return needsValue(arg, "tl, tr, br or bl");
    s.XOrient = (index == 1 || index == 2) ? 1 : 0;
    s.YOrient = (index == 2 || index == 3) ? 1 : 0;
    s.XD = s.YD = 0.1;
    return std::nullopt;
}

// One of the design's options that take a value, with its value.
std::optional<QString> setDesignValue(const QString &arg, const QString &value, StampSettings &s)
{
    if (arg == QLatin1String("--caption")) {
        s.CaptionFormat = value;
    } else if (arg == QLatin1String("--date-format")) {
        s.DateFormat = value;
    } else if (arg == QLatin1String("--font")) {
        s.FontName = value;
    } else if (arg == QLatin1String("--size")) {
        bool ok = false;
        const double size = value.toDouble(&ok);
        // The bounds of a settings file's FontSize: what the size slider reaches.
        const double smallest = 1000.0 / kSizeSliderMax, largest = 1000.0 / kSizeSliderMin;
        if (!ok || !(size >= smallest && size <= largest))
            return needsValue(arg, "a number from 2 to 125 (the photo's shorter side over the font height)");
        s.Size = size;
    } else if (arg == QLatin1String("--color") || arg == QLatin1String("--bg")
        || arg == QLatin1String("--outline-color")) {
        return setColourOption(arg, value, s);
    } else if (arg == QLatin1String("--glow-color") || arg == QLatin1String("--glow-size")) {
        return setGlowOption(arg, value, s);
    } else if (arg == QLatin1String("--bg-alpha")) {
        bool ok = false;
        const int alpha = value.toInt(&ok);
        if (!ok || alpha < 0 || alpha > 255)
            return needsValue(arg, "a whole number from 0 (clear) to 255 (opaque)");
        s.BgAlpha = alpha;
    } else if (arg == QLatin1String("--strip")) {
        const QStringList strips { QStringLiteral("none"), QStringLiteral("across"), QStringLiteral("down") };
        const qsizetype index = strips.indexOf(value);
        if (index < 0)
            return needsValue(arg, "none, across or down");
        s.Strip = int(index);
    } else if (arg == QLatin1String("--place")) {
        return setPlace(arg, value, s);
    }
    return std::nullopt;
}

// One of the design's switches; false when arg is none.
bool setDesignSwitch(const QString &arg, StampSettings &s)
{
    bool *const flag = arg == QLatin1String("--bold") ? &s.Style.Bold
        : arg == QLatin1String("--italic")            ? &s.Style.Italic
        : arg == QLatin1String("--underline")         ? &s.Style.Underline
        : arg == QLatin1String("--shadow")            ? &s.FShadow
        : arg == QLatin1String("--outline")           ? &s.FOutline
        : arg == QLatin1String("--glow")              ? &s.FGlow
                                                      : nullptr;
    if (flag)
        *flag = true;
    return flag != nullptr;
}

} // namespace

std::optional<QString> takeDesignOptions(QStringList &args, DesignOptions &design)
{
    if (std::optional<QString> error = takeSettingsFiles(args, design))
        return error;
    if (std::optional<QString> error = takeLooks(args, design))
        return error;
    StampSettings &s = design.settings;
    if (std::optional<QString> error = takeDateOptions(args, s))
        return error;
    static const QStringList valueOptions { QStringLiteral("--caption"), QStringLiteral("--date-format"),
        QStringLiteral("--font"), QStringLiteral("--size"), QStringLiteral("--color"), QStringLiteral("--bg"),
        QStringLiteral("--outline-color"), QStringLiteral("--place"), QStringLiteral("--look"),
        QStringLiteral("--glow-color"), QStringLiteral("--glow-size"), QStringLiteral("--bg-alpha"),
        QStringLiteral("--strip") };
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--")) {
            rest << args.mid(i);
            break;
        } else if (!hasValue && valueOptions.contains(arg)) {
            const bool number = arg == QLatin1String("--size") || arg == QLatin1String("--glow-size")
                || arg == QLatin1String("--bg-alpha");
            return needsValue(arg, number ? "a number" : arg == QLatin1String("--look") ? "a name" : "a value");
        } else if ((arg == QLatin1String("--cfg") || arg == QLatin1String("--look")) && hasValue) {
            ++i; // taken above
        } else if (valueOptions.contains(arg)) {
            if (std::optional<QString> error = setDesignValue(arg, args.at(++i), s))
                return error;
        } else if (!setDesignSwitch(arg, s)) {
            rest << arg;
        }
    }
    args = rest;
    return std::nullopt;
}

QString fontNote(const StampSettings &settings)
{
    const auto fallback = missingDesignFont(settings);
    if (!fallback)
        return QString();
    return QStringLiteral("the font \"%1\" is not installed; the label is drawn with \"%2\"")
        .arg(fallback->first, fallback->second);
}

} // namespace kelvra::cli
