// SPDX-License-Identifier: GPL-3.0-or-later
// TIFF-structured files (.tif, .nef) come from anywhere; a TIFF's first
// directory is also rebuilt as the EXIF block of a JPEG made of it.
#include "metadata_fuzz.h"

#include "metadata/photo_containers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    fuzzMetadata(bytes, size, kelvra::ContainerKind::Tiff);
    const std::string_view input(reinterpret_cast<const char *>(bytes), size);
    kelvra::ContainerMetadata found;
    kelvra::readTiffMetadata(input, found);
    check(found.exif.size() <= kelvra::kMaxContainerBlock);
    kelvra::TimgData data;
    data.adoptContainerMetadata(found, kelvra::PhotoKind::Tiff);
    check(data.SectionCnt == static_cast<int>(data.sections.size()));
    return 0;
}
