// SPDX-License-Identifier: GPL-3.0-or-later
// LZK streams come inside language files from anywhere: decode arbitrary bytes,
// and check that whatever is encoded decodes back to itself.
#include "localization/loc_errors.h"
#include "localization/lzk.h"

#include "fuzz_check.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace kelvra;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const QByteArray plain = lzkDecompress(bytes);
        check(plain.size() <= lzk::kMaxPlainSize);
        check(lzkDecompress(lzkCompress(plain)) == plain);
    } catch (const EKCompressError &) {
    }
    check(lzkDecompress(lzkCompress(bytes)) == bytes);
    return 0;
}
