// SPDX-License-Identifier: GPL-3.0-or-later
// Settings files come from users and other programs: parse, look up, edit and
// write back arbitrary bytes.
#include "stamp/ini_document.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    auto doc = kelvra::IniDocument::parse(bytes);

    // Without an edit the text must come back byte for byte.
    if (doc.serialize() != bytes)
        std::abort();

    for (const char *key : { "FontSize", "FontColor", "CaptionFormat", "fontstyle" }) {
        if (auto value = doc.value("Options", key)) {
            if (value->size() > kelvra::IniDocument::kMaxValueLength)
                std::abort();
            (void)kelvra::parseIniInteger(*value);
            (void)kelvra::parseIniDouble(*value, ",");
            (void)kelvra::parseIniDouble(*value, ".");
        }
    }
    doc.setValue("Options", "FontSize", "20.5");
    doc.setValue("Form1", "Left", "10");
    auto reread = kelvra::IniDocument::parse(doc.serialize());
    if (reread.value("options", "fontsize") != "20.5")
        std::abort();
    return 0;
}
