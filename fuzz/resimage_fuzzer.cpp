// SPDX-License-Identifier: GPL-3.0-or-later
// Resource modules lie in the user's data folder: read arbitrary bytes as an
// image, write what was read and read it again.
#include "localization/loc_errors.h"
#include "localization/res_image.h"

#include "fuzz_check.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace kelvra;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TResourceSet set;
    try {
        set = TPEReader::ReadBytes(bytes);
    } catch (const ELocError &) {
        return 0;
    }
    const TResourceSet again = TPEReader::ReadBytes(writeResourceImage(set));
    check(again.Is64 == set.Is64);
    check(again.Strings == set.Strings);
    check(again.RCData.Items.size() == set.RCData.Items.size());
    for (const TResRCDataItem &item : set.RCData.Items) {
        const TResRCDataItem *found = again.RCData.Find(item.Name);
        check(found && found->Data == item.Data);
    }
    return 0;
}
