// SPDX-License-Identifier: GPL-3.0-or-later
// TIFF-structured files (.tif, .nef) come from anywhere.
#include "metadata_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    return fuzzMetadata(bytes, size, kelvra::ContainerKind::Tiff);
}
