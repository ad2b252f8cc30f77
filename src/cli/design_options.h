// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/arguments.h"
#include "stamp/settings_file.h"
#include "stamp/stamp_settings.h"

#include <QStringList>

#include <optional>

namespace kelvra::cli {

// The label design the preview and stamp commands share: the built-in
// defaults, or a ".cfg" file given with --cfg, then each design option over
// it whatever their order.
struct DesignOptions
{
    StampSettings settings;
    AppOptions options;
};

inline constexpr const char *kDesignUsage
    = "[--cfg FILE] [--caption TEXT] [--date-format F] [--font NAME] [--size N] [--color #RRGGBB]\n"
      "         [--bg #RRGGBB|none] [--outline-color #RRGGBB|none] [--bold] [--italic] [--underline]\n"
      "         [--shadow] [--outline] [--place tl|tr|br|bl] [--look NAME] [--glow] [--glow-color #RRGGBB|none]\n"
      "         [--glow-size N] [--bg-alpha N] [--strip none|across|down] [date options]";

// The photo-date options, as every usage that takes them lists them.
#define KELVRA_DATE_USAGE                                                                                              \
    "       date options: [--shift OFFSET] [--shift-camera MODEL=OFFSET]... [--shift-from PHOTO=TIME]...\n"            \
    "         [--no-name-dates] [--ignore-placeholder-dates] [--fix-exif-dates] [--zone +HH:MM]\n"                     \
    "         (OFFSET is [+|-][Nd][H:MM[:SS]]: +1:00:00, -1d, +1d2:30; TIME is \"YYYY-MM-DD HH:MM[:SS]\";\n"           \
    "         --fix-exif-dates writes the corrected date into the outputs' EXIF; --zone shows caption dates\n"         \
    "         in that zone when the photo's own zone (OffsetTimeOriginal) is known)"

// Takes the design options out of args into design and leaves the rest in
// order. Returns an error text for a bad value or a missing --cfg file.
std::optional<QString> takeDesignOptions(QStringList &args, DesignOptions &design);

// Takes the date options out of args into settings, leaving the rest in
// order; --shift-from is worked out last, with the other date rules. Returns
// an error text naming a bad value.
std::optional<QString> takeDateOptions(QStringList &args, StampSettings &settings);

// The date options, for a command's option table; the design options hold them too.
std::vector<Option> dateOptions();

// The design options and more, for a command's option table.
std::vector<Option> withDesignOptions(std::vector<Option> more);

// The one warning line a settings file's load earns, or empty.
QString cfgWarning(const QString &path, const CfgLoadResult &loaded);

// The note a design earns whose font the machine lacks, or empty. Needs the
// toolkit's fonts (a command with needsGui).
QString fontNote(const StampSettings &settings);

// "#RRGGBB" as 0x00BBGGRR; "none" as kNoColor where allowed.
std::optional<TColor> parseColour(const QString &text, bool noneAllowed);

} // namespace kelvra::cli
