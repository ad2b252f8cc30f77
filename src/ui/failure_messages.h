// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobs/batch_run.h"

#include <QString>

namespace kelvra {

// The window's words for a failure the jobs report as a code; each text goes
// through the translation of the window it is shown in.
QString failureMessage(const BatchPhotoResult &result);

} // namespace kelvra
