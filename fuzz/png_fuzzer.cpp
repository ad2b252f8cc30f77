// SPDX-License-Identifier: GPL-3.0-or-later
// PNG photos come from phones, editors and the web.
#include "container_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    return fuzzContainer(bytes, size, kelvra::PhotoKind::Png, kelvra::ContainerKind::Png);
}
