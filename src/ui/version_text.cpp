// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/version_text.h"

#include "kelvra_version.h"

namespace kelvra {

QString versionText(uint32_t mostSignificant, uint32_t leastSignificant)
{
    return QStringLiteral("v%1.%2.%3")
        .arg(mostSignificant >> 16)
        .arg(mostSignificant & 0xFFFF)
        .arg(leastSignificant >> 16);
}

QString programVersionText()
{
    return versionText(uint32_t(kVersionMajor) << 16 | uint32_t(kVersionMinor), uint32_t(kVersionRelease) << 16);
}

} // namespace kelvra
