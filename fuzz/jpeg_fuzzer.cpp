// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG photos come from anywhere: walk the segments, decode the EXIF block,
// then use every reading and in-place writing operation on the result.
#include "metadata/exif_reader.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void exercise(kelvra::TimgData &data, bool ok)
{
    using namespace kelvra;
    check(data.SectionCnt >= 0 && data.SectionCnt <= TimgData::kMaxJpegSegments);
    // A failed read keeps the last status the walk met.
    check(ok ? data.ErrStr == "<none>"
             : data.ErrStr == "Not an EXIF file" || data.ErrStr == "Incorrect Exif header"
                 || data.ErrStr == "Invalid Exif alignment marker" || data.ErrStr == "Illegally sized directory"
                 || data.ErrStr.rfind("Error Detected = ", 0) == 0);
    check(!ok || data.HasMetaData());
    for (int i = 0; i < data.SectionCnt; ++i)
        check(data.sections[static_cast<size_t>(i)].data.size() == static_cast<size_t>(data.sections[static_cast<size_t>(i)].size));
    (void)data.GetCommentStr();
    (void)data.HasThumbnail();
    if (!data.ExifObj)
        return;
    TImageInfo &info = *data.ExifObj;
    check(info.FITagCount == static_cast<int>(info.FITagArray.size()));
    for (const char *name : {"Make", "Model", "ExposureTime", "FNumber", "FocalLength", "ISOSpeedRatings",
                             "GPSLatitude", "GPSLongitude", "GPSAltitude", "GPSImageDirection", "Orientation"}) {
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
    while (info.IterateFoundTags(0, entry)) {
    }
    info.AdjDateTime(1, 2, 3, 4);
    info.OverwriteDateTime(45000.5);
    info.ProcessThumbnail();
    for (int i = 0; i < data.SectionCnt; ++i)
        check(data.sections[static_cast<size_t>(i)].data.size() == static_cast<size_t>(data.sections[static_cast<size_t>(i)].size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(bytes), size);
    kelvra::ExifTextOptions options;
    options.GPSForm = size % 4; // 3: coordinates stay raw text
    options.decimalSeparator = size % 2 ? "," : ".";
    kelvra::TimgData data(255, options);
    kelvra::MemoryByteSource source(input);
    const bool ok = data.ProcessStream(source, kelvra::ContainerKind::Jpeg);
    exercise(data, ok);
    return 0;
}
