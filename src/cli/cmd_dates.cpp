// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-cli dates [--cfg FILE] [date options] PHOTO...: every date a photo offers, the one chosen and the
// corrected one.
#include "cli/command.h"
#include "cli/design_options.h"

#include "stamp/photo_date.h"

#include <QFileInfo>
#include <QTextStream>

namespace kelvra::cli {

namespace {

const char *const kUsage = "usage: kelvra-cli dates [--cfg FILE] [date options] PHOTO...\n" KELVRA_DATE_USAGE;

void printDating(QTextStream &out, const QString &photo, const PhotoDating &d)
{
    out << photo << '\n';
    for (const DateCandidate &c : d.candidates) {
        QString line = QStringLiteral("  %1").arg(dateSourceName(c.source), -17);
        if (c.source != DateSource::FileDate)
            line += QStringLiteral("%1").arg(c.text.isEmpty() ? QStringLiteral("-") : c.text, -24);
        if (isRealDate(c.value))
            line += isoDateText(c.value);
        else if (!c.rejected.isEmpty())
            line += QStringLiteral("not used: ") + c.rejected;
        if (c.source == d.source && isRealDate(c.value))
            line += QStringLiteral("  <- chosen");
        out << line.trimmed().prepend(QStringLiteral("  ")) << '\n';
    }
    if (d.source == DateSource::None) {
        out << "  chosen           none: no source has a usable date\n";
        return;
    }
    out << "  chosen           " << dateSourceName(d.source) << ", the first source with a usable date\n";
    if (d.shiftSeconds != 0)
        out << "  shift            " << formatDateOffset(d.shiftSeconds) << " (" << d.shiftRule << ")\n";
    out << "  corrected        " << isoDateText(d.corrected) << '\n';
    if (!d.offset.isEmpty())
        out << "  zone             " << d.offset << " (OffsetTimeOriginal)\n";
    if (d.shownZone != d.offset)
        out << "  in captions      " << isoDateText(d.shown) << ' ' << d.shownZone << '\n';
}

int runDates(const QStringList &arguments)
{
    QStringList args = arguments;
    DesignOptions design;
    if (const std::optional<QString> error = takeDesignOptions(args, design))
        return usageError("dates", *error);
    QStringList photos;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--")) {
            photos << args.mid(i + 1);
            break;
        }
        if (args.at(i).startsWith(QLatin1String("--")))
            return usageError("dates", unknownOption(args.at(i)));
        photos << args.at(i);
    }
    if (photos.isEmpty())
        return usageError("dates", QStringLiteral("no photo given"));

    const DateRules rules = dateRulesOf(design.settings);
    QTextStream out(stdout);
    int result = ExitOk;
    for (const QString &photo : photos) {
        if (!QFileInfo(photo).isFile()) {
            out.flush();
            QTextStream(stderr) << "kelvra-cli dates: no such file: " << photo << '\n';
            result = ExitFailed;
            continue;
        }
        printDating(out, photo, resolvePhotoDate(readPhotoDateInputs(photo), rules));
    }
    return result;
}

const CommandRegistration registration(
    { "dates", "[--cfg FILE] [date options] PHOTO...   every date of each photo, the one chosen and the corrected one",
        runDates, false, kUsage, [] {
            std::vector<Option> options { { "--cfg", "a file" } };
            const std::vector<Option> dates = dateOptions();
            options.insert(options.end(), dates.begin(), dates.end());
            return options;
        }() });

} // namespace

} // namespace kelvra::cli
