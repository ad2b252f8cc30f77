// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-cli name [date options] MASK COUNTER PHOTO: the output name the batch would give PHOTO.
#include "cli/command.h"
#include "cli/design_options.h"
#include "cli/failure_text.h"

#include "stamp/file_mask.h"
#include "stamp/photo_date.h"
#include "stamp/photo_values.h"
#include "stamp/stamp_settings.h"

#include <QFileInfo>
#include <QTextStream>

namespace kelvra::cli {

namespace {

const char *const kUsage = "usage: kelvra-cli name [date options] MASK COUNTER PHOTO\n" KELVRA_DATE_USAGE;

int runName(const QStringList &arguments)
{
    // The date options correct the date the mask's date fields read, as in a run.
    StampSettings design;
    QStringList args = arguments;
    if (const std::optional<QString> error = takeDateOptions(args, design))
        return usageError("name", *error);
    for (const QString &arg : args) {
        if (arg.startsWith(QLatin1String("--")))
            return usageError("name", unknownOption(arg));
    }
    if (args.size() != 3)
        return usageError("name", QStringLiteral("MASK, COUNTER and PHOTO are needed, %1 given").arg(args.size()));
    const QString mask = args.at(0);
    if (const QString mistake = maskMistakeText(checkFileMask(mask), mask); !mistake.isEmpty())
        return usageError("name", mistake);
    bool ok = false;
    const qint64 counter = args.at(1).toLongLong(&ok);
    if (!ok || counter < 0)
        return usageError("name", QStringLiteral("COUNTER must be a whole number of 0 or more"));
    const QString photo = args.at(2);
    if (!QFileInfo(photo).isFile()) {
        QTextStream(stderr) << "kelvra-cli name: no such file: " << photo << '\n';
        return ExitFailed;
    }

    const FormatSettings locale = FormatSettings::system();
    const TDateTime date = FillPhotoValues(photo, AppOptions().GPSForm, locale, dateRulesOf(design)).PhotoDate;
    const QString expanded = ExpandFileMask(mask, photo, counter, date, locale);
    const std::optional<OutputName> name = splitOutputName(expanded);
    if (!name) {
        BatchPhotoResult refused;
        refused.error = BatchError::NameOutsideFolder;
        refused.path = expanded;
        QTextStream(stderr) << "kelvra-cli name: " << failureText(refused) << '\n';
        return ExitFailed;
    }
    QTextStream(stdout) << name->toNativePath() << '\n';
    return ExitOk;
}

const CommandRegistration registration(
    { "name", "[date options] MASK COUNTER PHOTO   print the output name MASK gives PHOTO", runName, false, kUsage,
        dateOptions() });

} // namespace

} // namespace kelvra::cli
