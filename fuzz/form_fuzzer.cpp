// SPDX-License-Identifier: GPL-3.0-or-later
// Form definitions come from modules: read a binary object stream, write it
// and read it again.
#include "localization/form_stream.h"
#include "localization/loc_errors.h"

#include "fuzz_check.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace kelvra;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TFormObject form;
    try {
        form = readFormDefinition(bytes);
    } catch (const ELocError &) {
        return 0;
    }
    // Whatever was read fits the stream again: a throw here escapes and stops the run.
    check(readFormDefinition(writeFormDefinition(form)) == form);
    return 0;
}
