// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-cli caption [--date-format F] [--gps-form N] TEMPLATE PHOTO: the label text for PHOTO.
#include "cli/command.h"

#include "stamp/photo_values.h"
#include "stamp/stamp_settings.h"

#include <QFileInfo>
#include <QTextStream>

namespace kelvra::cli {

namespace {

int runCaption(const QStringList &args)
{
    QString dateFormat = StampSettings().DateFormat;
    int gpsForm = AppOptions().GPSForm;
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if ((arg == QLatin1String("--date-format") || arg == QLatin1String("--gps-form")) && i + 1 == args.size()) {
            return usageError("caption", needsValue(arg, arg == QLatin1String("--gps-form") ? "a number" : "a value"));
        } else if (arg == QLatin1String("--date-format") && i + 1 < args.size()) {
            dateFormat = args.at(++i);
        } else if (arg == QLatin1String("--gps-form") && i + 1 < args.size()) {
            bool ok = false;
            gpsForm = args.at(++i).toInt(&ok);
            if (!ok || gpsForm < 0 || gpsForm > 2)
                return usageError("caption", needsValue(arg, "0, 1 or 2"));
        } else if (arg == QLatin1String("--")) {
            positional << args.mid(i + 1);
            break;
        } else if (arg.startsWith(QLatin1String("--"))) {
            return usageError("caption", unknownOption(arg));
        } else {
            positional << arg;
        }
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
    const PhotoValues values = FillPhotoValues(photo, gpsForm, locale);
    QTextStream(stdout) << GetCurrentFileStampText(positional.at(0), dateFormat, values, locale) << '\n';
    return ExitOk;
}

const CommandRegistration registration(
    { "caption", "[--date-format F] [--gps-form N] TEMPLATE PHOTO   print the label text TEMPLATE gives PHOTO",
        runCaption, false, nullptr, { { "--date-format", "a value" }, { "--gps-form", "a number" } } });

} // namespace

} // namespace kelvra::cli
