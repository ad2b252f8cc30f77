// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>

namespace kelvra {

// "v" + major.minor.release of a fixed file version held as two 32-bit
// halves (major in the high half of mostSignificant); the build number is
// not shown, so 3.0.6902.3106 reads v3.0.6902.
QString versionText(uint32_t mostSignificant, uint32_t leastSignificant);

// The version text of this program.
QString programVersionText();

} // namespace kelvra
