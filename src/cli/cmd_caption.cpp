// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-cli caption [--date-format F] [--gps-form N] [date options] [--explain] TEMPLATE PHOTO: the
// label text for PHOTO.
#include "cli/command.h"
#include "cli/design_options.h"

#include "stamp/looks.h"
#include "stamp/photo_values.h"
#include "stamp/stamp_settings.h"

#include <QFileInfo>
#include <QTextStream>

namespace kelvra::cli {

namespace {

const char *const kUsage = "usage: kelvra-cli caption [--date-format F] [--gps-form N] [date options] [--explain]\n"
                           "         TEMPLATE PHOTO\n"
                           "       kelvra-cli caption --look NAME [--gps-form N] [date options] [--explain] PHOTO\n"
                           "         (the look's caption and date format)\n" KELVRA_DATE_USAGE;

int runCaption(const QStringList &arguments)
{
    StampSettings design;
    QStringList args = arguments;
    if (const std::optional<QString> error = takeDateOptions(args, design))
        return usageError("caption", *error);
    QString dateFormat = design.DateFormat;
    int gpsForm = AppOptions().GPSForm;
    bool explain = false;
    QString lookName;
    bool dateFormatGiven = false;
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if ((arg == QLatin1String("--date-format") || arg == QLatin1String("--gps-form")
                || arg == QLatin1String("--look"))
            && i + 1 == args.size()) {
            return usageError("caption",
                needsValue(arg,
                    arg == QLatin1String("--gps-form")   ? "a number"
                        : arg == QLatin1String("--look") ? "a name"
                                                         : "a value"));
        } else if (arg == QLatin1String("--look") && i + 1 < args.size()) {
            lookName = args.at(++i);
        } else if (arg == QLatin1String("--date-format") && i + 1 < args.size()) {
            dateFormat = args.at(++i);
            dateFormatGiven = true;
        } else if (arg == QLatin1String("--gps-form") && i + 1 < args.size()) {
            bool ok = false;
            gpsForm = args.at(++i).toInt(&ok);
            if (!ok || gpsForm < 0 || gpsForm > 2)
                return usageError("caption", needsValue(arg, "0, 1 or 2"));
        } else if (arg == QLatin1String("--explain")) {
            explain = true;
        } else if (arg == QLatin1String("--")) {
            positional << args.mid(i + 1);
            break;
        } else if (arg.startsWith(QLatin1String("--"))) {
            return usageError("caption", unknownOption(arg));
        } else {
            positional << arg;
        }
    }
    if (!lookName.isEmpty()) {
        const std::optional<ReadyLook> look = findLook(readyLooks(), lookName);
        if (!look)
            return usageError(
                "caption", QStringLiteral("no such look: ") + lookName + QStringLiteral(" (see kelvra-cli looks)"));
        StampSettings looked = design;
        applyLook(look->path, looked, FormatSettings::system());
        positional.prepend(looked.CaptionFormat);
        if (!dateFormatGiven)
            dateFormat = looked.DateFormat;
    }
    if (positional.size() < 2)
        return usageError("caption",
            positional.isEmpty() ? QStringLiteral("the template is missing") : QStringLiteral("the photo is missing"));
    if (positional.size() > 2)
        return usageError("caption", QStringLiteral("one template and one photo only"));
    const QString photo = positional.at(1);
    if (!QFileInfo(photo).isFile()) {
        QTextStream(stderr) << "kelvra-cli caption: no such file: " << photo << '\n';
        return ExitFailed;
    }

    const FormatSettings locale = FormatSettings::system();
    const DateRules rules = dateRulesOf(design);
    const PhotoValues values = FillPhotoValues(photo, gpsForm, locale, rules);
    QTextStream out(stdout);
    out << GetCurrentFileStampText(positional.at(0), dateFormat, values, locale) << '\n';
    if (explain) {
        const PhotoDating dating = resolvePhotoDate(readPhotoDateInputs(photo), rules);
        out << "date " << isoDateText(dating.corrected) << " from " << dateSourceName(dating.source);
        if (dating.shiftSeconds != 0)
            out << " " << isoDateText(dating.date) << " shifted " << formatDateOffset(dating.shiftSeconds) << " ("
                << dating.shiftRule << ')';
        if (dating.shownZone != dating.offset)
            out << " shown " << isoDateText(dating.shown) << " in " << dating.shownZone << " (taken in "
                << dating.offset << ')';
        out << '\n';
    }
    return ExitOk;
}

std::vector<Option> captionOptions()
{
    std::vector<Option> options { { "--date-format", "a value" }, { "--gps-form", "a number" }, { "--explain" },
        { "--look", "a name" } };
    const std::vector<Option> dates = dateOptions();
    options.insert(options.end(), dates.begin(), dates.end());
    return options;
}

const CommandRegistration registration({ "caption",
    "[--date-format F] [--gps-form N] [date options] [--explain] TEMPLATE PHOTO   print the label text TEMPLATE "
    "gives PHOTO",
    runCaption, false, kUsage, captionOptions() });

} // namespace

} // namespace kelvra::cli
