// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stamp/date_time.h"
#include "stamp/format_settings.h"

#include <QString>

namespace kelvra {

// The date language of the date tokens and of the mask's date fields. Field
// letters work in either case; a run of one character is one field. A "/"
// always prints as a slash and "AM/PM" in any case prints in capitals. An
// empty format gives an empty text.
QString FormatPhotoDate(const QString &format, TDateTime value, const FormatSettings &locale);

} // namespace kelvra
