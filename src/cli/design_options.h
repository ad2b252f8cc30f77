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
      "         [--shadow] [--outline] [--place tl|tr|br|bl]";

// Takes the design options out of args into design and leaves the rest in
// order. Returns an error text for a bad value or a missing --cfg file.
std::optional<QString> takeDesignOptions(QStringList &args, DesignOptions &design);

// The design options and more, for a command's option table.
std::vector<Option> withDesignOptions(std::vector<Option> more);

// The one warning line a settings file's load earns, or empty.
QString cfgWarning(const QString &path, const CfgLoadResult &loaded);

// "#RRGGBB" as 0x00BBGGRR; "none" as kNoColor where allowed.
std::optional<TColor> parseColour(const QString &text, bool noneAllowed);

} // namespace kelvra::cli
