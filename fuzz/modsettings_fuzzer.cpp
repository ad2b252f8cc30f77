// SPDX-License-Identifier: GPL-3.0-or-later
// A module's settings record: every name and length is checked against the
// bytes; what reads writes back and reads the same.
#include "localization/loc_errors.h"
#include "localization/module_settings.h"

#include "fuzz_check.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace kelvra;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TLibSettings s;
    try {
        s = parseLibSettings(bytes);
    } catch (const ELocError &) {
        return 0;
    }
    check(s.HasBuild || s.Build == 0);
    const TLibSettings again = parseLibSettings(serializeLibSettings(s));
    check(again.Signature == s.Signature && again.Version == s.Version && again.Locale == s.Locale);
    check(again.EnglishName == s.EnglishName && again.LocalizedName == s.LocalizedName);
    check(again.Build == s.Build && again.HasBuild);
    return 0;
}
