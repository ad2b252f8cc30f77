// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stamp/settings_file.h"
#include "stamp/stamp_settings.h"

#include <QString>

#include <optional>
#include <vector>

namespace kelvra {

// A ready design: a ".cfg" file shipped with the program, named by its
// LookName key (or, without one, by its file name).
struct ReadyLook
{
    QString name;
    QString path;
};

// The ready designs of folder (the shipped ones by default), by name.
std::vector<ReadyLook> readyLooks(const QString &folder);
std::vector<ReadyLook> readyLooks();

// The look called name, or whose file is name(.cfg); any case.
std::optional<ReadyLook> findLook(const std::vector<ReadyLook> &looks, const QString &name);

// The look's appearance over settings: font, colours, styles, glow, strip,
// placement, date format and caption. The file-name mask, the two tasks and
// the date rules (clock corrections, name dates, placeholder dates, the zone
// captions show, whether outputs' EXIF dates are corrected) stay the user's.
CfgLoadResult applyLook(const QString &path, StampSettings &settings, const FormatSettings &format);

} // namespace kelvra
