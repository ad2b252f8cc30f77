// SPDX-License-Identifier: GPL-3.0-or-later
// Language files are downloaded and shared: parse arbitrary bytes (plain or
// LZK), write what was read and read it again, and load it into a store both
// as the native file and as a translation.
#include "localization/lang_file.h"
#include "localization/loc_errors.h"

#include "fuzz_check.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace kelvra;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TLangFileContent content;
    try {
        content = parseLangFile(plainLangBytes(bytes));
    } catch (const ELocError &) {
        return 0;
    }
    // The header alone reads the same, however far the stream goes.
    check(readLangHeader(bytes).Header == content.Header);
    check(parseLangFile(serializeLangFile(content)) == content);

    TLocStorage store;
    TLangFile file;
    file.LoadFromBytes(bytes, &store, -1, loRepair);
    const int index = store.AddLanguage(0, 0x0419);
    file.LoadFromBytes(bytes, &store, index, loSyncByName);
    file.LoadFromBytes(bytes, &store, index);
    for (int i : { 0, index }) {
        const TLangFileContent saved = parseLangFile(plainLangBytes(file.SaveToBytes(&store, i, i > 0)));
        check(saved.Header.FormatVersion >= 4);
    }
    return 0;
}
