// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/failure_text.h"

#include <QJsonObject>

#include <vector>

namespace kelvra::cli {

// One photo as a plan and a run's report both give it: source, output (the
// file written, absolute; null when nothing was or would be written), result,
// error, reason, existing and wanted (the name asked for before the conflict
// rule, absolute; null when no name was reached).
QJsonObject photoJson(const ReportedPhoto &photo);

// How many photos each result has: photos, stamped, copied, skipped, failed.
QJsonObject planTotals(const std::vector<ReportedPhoto> &photos);

// {"kelvraPlan": 1, "output": ABS, "photos": [...], "totals": {...}}: what a
// run into outputFolder would do with each photo.
QJsonObject planJson(const QString &outputFolder, const std::vector<ReportedPhoto> &photos);

// A path as a report gives it: absolute, in the system's spelling.
QString absoluteNative(const QString &path);

} // namespace kelvra::cli
