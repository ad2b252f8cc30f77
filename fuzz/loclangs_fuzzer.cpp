// SPDX-License-Identifier: GPL-3.0-or-later
// The embedded languages resource: checked as a whole before any language of
// it is used; what reads writes back and reads the same.
#include "localization/embedded_langs.h"
#include "localization/loc_errors.h"

#include "fuzz_check.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace kelvra;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TEmbeddedLanguages langs;
    try {
        langs = parseEmbeddedLanguages(bytes);
    } catch (const ELocError &) {
        return 0;
    }
    size_t total = 0;
    for (const TEmbeddedLanguage &lang : langs.Languages)
        total += size_t(lang.Data.size());
    check(total <= size);
    if (langs.FormatVersion < 2)
        return 0; // u16 block sizes: a long block is not written back in that version
    check(parseEmbeddedLanguages(serializeEmbeddedLanguages(langs)) == langs);
    return 0;
}
