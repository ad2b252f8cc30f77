// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the JPEG and TIFF fuzzers: read a photo's metadata from arbitrary
// bytes, then use every reading, in-place writing and carry-over operation on
// the result.
#pragma once

#include "metadata/exif_reader.h"
#include "metadata/exif_writer.h"

#include "fuzz_check.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void exercise(kelvra::TimgData &data, bool ok, kelvra::ContainerKind kind, size_t inputSize, std::string_view input)
{
    using namespace kelvra;
    check(data.SectionCnt == static_cast<int>(data.sections.size()));
    // A slot costs at least a marker and a length: the input bounds the table.
    if (kind == ContainerKind::Jpeg)
        check(static_cast<size_t>(data.SectionCnt) <= inputSize / 3 + 1);
    else
        check(data.SectionCnt == (data.HasEXIF() ? 1 : 0));
    // A failed read keeps the last status the walk met.
    check(ok ? data.ErrStr == "<none>"
             : data.ErrStr == "Not an EXIF file" || data.ErrStr == "Incorrect Exif header"
                || data.ErrStr == "Invalid Exif alignment marker" || data.ErrStr == "Illegally sized directory"
                || data.ErrStr.rfind("Error Detected = ", 0) == 0);
    check(!ok || data.HasMetaData());
    for (int i = 0; i < data.SectionCnt; ++i)
        check(data.sections[static_cast<size_t>(i)].data.size()
            == static_cast<size_t>(data.sections[static_cast<size_t>(i)].size));
    (void)data.GetCommentStr();
    (void)data.HasThumbnail();
    if (!data.ExifObj)
        return;
    TImageInfo &info = *data.ExifObj;
    check(info.FITagCount == static_cast<int>(info.FITagArray.size()));
    for (const char *name : { "Make", "Model", "ExposureTime", "FNumber", "FocalLength", "ISOSpeedRatings",
             "GPSLatitude", "GPSLongitude", "GPSAltitude", "GPSImageDirection", "Orientation" }) {
        (void)info.LookupTagVal(name);
        (void)info.GetRawInt(name);
        try {
            (void)info.LookupTagInt(name);
        } catch (const ExifValueError &) {
        }
    }
    (void)ExifDateToDateTime(info.DateTime);
    (void)info.GetImgDateTime();
    TTagEntry entry;
    info.ResetIterator();
    while (info.IterateFoundTags(0, entry)) { }
    info.AdjDateTime(1, 2, 3, 4);
    info.OverwriteDateTime(45000.5);
    info.ProcessThumbnail();
    for (int i = 0; i < data.SectionCnt; ++i)
        check(data.sections[static_cast<size_t>(i)].data.size()
            == static_cast<size_t>(data.sections[static_cast<size_t>(i)].size));

    // The carry-over writer reads the same untrusted block again.
    if (data.HasThumbnail())
        removeThumbnail(data);
    const std::string out = ComposeExifJpeg(data, std::string_view("\xFF\xD8\xFF\xDB\x00\x02", 6));
    check(out.compare(0, 2, "\xFF\xD8") == 0 && out.size() >= 8);
    // A JFIF or EXIF header leads, and the written segments hold one APP0 at
    // most. A TIFF window has no length field to walk by.
    check(out[3] == '\xE0' || out[3] == '\xE1');
    // The date writer walks the same block; what it makes must read back.
    if (data.ExifSegment) {
        const std::string &segment = data.ExifSegment->data;
        const std::string offset = exifOffsetTimeOriginal(segment);
        check(offset.empty() || isExifOffset(offset));
        const std::optional<std::string> dated = withExifDates(segment, { "2021:09:06 16:52:43", "+02:00" });
        if (dated) {
            check(dated->size() <= 0xFFFF && dated->size() >= segment.size());
            (void)withExifSegment(input, *dated);
        }
    }
    (void)withExifSegment(input, minimalExifSegment({ "2021:09:06 16:52:43", "" }));

    if (kind != ContainerKind::Jpeg)
        return;
    int app0 = 0;
    size_t p = 2;
    while (p + 4 <= out.size() && out[p] == '\xFF' && out[p + 1] != '\xDB') {
        app0 += out[p + 1] == '\xE0';
        p += 2 + (static_cast<size_t>(static_cast<unsigned char>(out[p + 2])) << 8)
            + static_cast<unsigned char>(out[p + 3]);
    }
    check(p + 4 <= out.size() && out.compare(p, 2, "\xFF\xDB") == 0 && app0 <= 1);
}

inline int fuzzMetadata(const uint8_t *bytes, size_t size, kelvra::ContainerKind kind)
{
    const std::string_view input(reinterpret_cast<const char *>(bytes), size);
    kelvra::ExifTextOptions options;
    options.GPSForm = size % 4; // 3: coordinates stay raw text
    options.decimalSeparator = size % 2 ? "," : ".";
    kelvra::TimgData data(255, options);
    kelvra::MemoryByteSource source(input);
    const bool ok = data.ProcessStream(source, kind);
    exercise(data, ok, kind, size, input);
    return 0;
}

} // namespace
