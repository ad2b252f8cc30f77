// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the HEIF, PNG and WebP fuzzers: the blocks of arbitrary bytes,
// read directly and through TimgData, then carried into a JPEG and a PNG.
#pragma once

#include "metadata/exif_reader.h"
#include "metadata/exif_writer.h"
#include "metadata/photo_containers.h"

#include "fuzz_check.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

// A 1 x 1 grey PNG as an encoder would write it.
const std::string_view kTinyPng { "\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x01\0\0\0\x01\x08\x00\0\0\0\x3A\x7E\x9B\x55"
                                  "\0\0\0\x0AIDATx\x9C"
                                  "c\xB8\x01\0\0\x83\0\x82\x04\x1B\xA7\x5A"
                                  "\0\0\0\0IEND\xAE\x42\x60\x82",
    8 + 25 + 22 + 12 };

inline int fuzzContainer(const uint8_t *bytes, size_t size, kelvra::PhotoKind kind, kelvra::ContainerKind container)
{
    using namespace kelvra;
    const std::string_view input(reinterpret_cast<const char *>(bytes), size);
    ContainerMetadata found;
    readContainerMetadata(kind, input, found);
    // Nothing is made up: the blocks come from the input (the PNG's may be
    // inflated, which the block limit bounds).
    check(found.exif.size() <= kMaxContainerBlock && found.xmp.size() <= kMaxContainerBlock
        && found.icc.size() <= kMaxContainerBlock);
    if (kind != PhotoKind::Png)
        check(found.exif.size() + found.xmp.size() + found.icc.size() <= 3 * size);
    check(found.exif.empty() || found.exif.compare(0, 2, "II") == 0 || found.exif.compare(0, 2, "MM") == 0);

    TimgData data;
    MemoryByteSource source(input);
    const bool ok = data.ProcessStream(source, container);
    check(data.SectionCnt == static_cast<int>(data.sections.size()));
    check(!ok || data.ErrStr == "<none>");
    if (data.ExifObj) {
        (void)data.exifOrientation();
        (void)data.ExifObj->GetRawInt("Orientation");
    }
    if (data.HasThumbnail())
        removeThumbnail(data);
    if (data.ExifSegment && data.ExifSegment->data.size() > 0xFFFF)
        data.ClearEXIF();
    const std::string jpeg = ComposeExifJpeg(data, std::string_view("\xFF\xD8\xFF\xDB\x00\x02", 6));
    check(jpeg.compare(0, 2, "\xFF\xD8") == 0);

    std::string tiff = found.exif;
    setTiffOrientation(tiff, 1);
    check(tiff.size() == found.exif.size());
    const std::string png = composePng(kTinyPng, input, tiff);
    check(png.compare(0, 8, kTinyPng.substr(0, 8)) == 0);
    return 0;
}

} // namespace
