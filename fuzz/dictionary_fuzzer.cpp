// SPDX-License-Identifier: GPL-3.0-or-later
// A translator's dictionary: refused with a message or made into a language
// file of a small native file, never anything else.
#include "localization/lang_dictionary.h"
#include "localization/lang_file.h"
#include "localization/loc_errors.h"

#include "fuzz_check.h"

#include <cstdint>

namespace {

QByteArray nativeFile()
{
    using namespace kelvra;
    TLocStorage store;
    store.Locales.push_back(0x0409);
    TLocProperty *caption = store.AddProperty(1, "Form1", "Label1", "Caption", TLocValueType::ptString);
    caption->Values[0].SetValue(QStringLiteral("Start"));
    TLocProperty *items = store.AddProperty(2, "Form1", "Combo1", "Items.Strings", TLocValueType::ptStringList);
    items->Values[0].SetValue(QStringLiteral("One\r\nTwo\nThree"));
    TLocConstant *message = store.AddConstant(1, "Unit1", "S1", 100);
    message->Values[0].SetValue(QStringLiteral("Photo %1 of %2"));
    TLangFile file;
    file.IsNative = true;
    file.Locale = 0x0409;
    return file.SaveToBytes(&store, -1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace kelvra;
    static const QByteArray native = nativeFile();
    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    TTranslationResult result;
    try {
        result = translateNativeFile(native, json);
    } catch (const ELocError &) {
        return 0;
    }
    check(result.TextCount == 5);
    // What was made reads back as a translation.
    TLocStorage store;
    TLangFile reader;
    reader.LoadFromBytes(native, &store, -1);
    const int index = store.AddLanguage(0, 0x0407);
    TLangFile translation;
    translation.LoadFromBytes(result.File, &store, index);
    check(!translation.IsNative);
    return 0;
}
