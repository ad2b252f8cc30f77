// SPDX-License-Identifier: GPL-3.0-or-later
// Maker notes are the least regular bytes of a photo: read a JPEG or TIFF
// (by its first bytes) with the maker decoder on, then decode every note found
// once more as each known maker, so every table meets every note.
#include "metadata/exif_reader.h"
#include "metadata/maker_decoder.h"

#include "fuzz_check.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace kelvra;

// No stored tag lacks a number, maker tags are marked, and skip rows never
// reach the trace. (Where maker tags sit depends on the directory that held
// the note: a MakerNote entry in a GPS directory is decoded but not stored.)
void checkFoundTags(const TImageInfo &info)
{
    for (const TTagEntry &tag : info.FITagArray)
        check(tag.Tag != 0 && (tag.TID == 0 || tag.TID == 1));
    check(info.msTraceStr.find("\r\nSkip = ") == std::string::npos);
}

void decodeAsEveryMaker(const TImageInfo &info, const ExifTextOptions &options)
{
    // The Nikon layouts also depend on the EXIF version; the others on the Make alone.
    struct Variant
    {
        const char *make;
        const char *version;
    };
    static const Variant variants[] = {
        { "NIKON", "0210" },
        { "NIKON", "0221" },
        { "NIKON", "" },
        { "OLYMPUS", "0210" },
        { "CASIO", "0210" },
        { "FUJIFILM", "0210" },
        { "Canon", "0210" },
        { "SEIKO EPSON", "0210" },
        { "SANYO", "0210" },
        { "Minolta", "0210" },
        { "ACME", "0210" },
    };
    for (const auto &[make, version] : variants) {
        TImageInfo scratch(nullptr, 255, options);
        scratch.MakerOffset = info.MakerOffset;
        std::string errStr;
        const MakerNoteInput note { info.llData, info.TiffFmt ? -8 : 8, info.MakerOffset,
            static_cast<int64_t>(info.MakerNote.size()), info.MotorolaOrder, info.TiffFmt, make, "NIKON D70", version,
            options };
        MakerNoteOutput out { scratch, scratch.msTraceStr, scratch.msName, errStr };
        const bool known = makerNotesDecoder()->decode(note, out);
        check(known == (std::string_view(make) != "ACME"));
        check(errStr.empty() || errStr.rfind("Error Detected = ", 0) == 0);
        checkFoundTags(scratch);
        for (const TTagEntry &tag : scratch.FITagArray)
            check(tag.TID == 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const bool tiff = bytes.substr(0, 2) == "II" || bytes.substr(0, 2) == "MM";
    TimgData img;
    MemoryByteSource source(bytes);
    const bool ok = img.ProcessStream(source, tiff ? ContainerKind::Tiff : ContainerKind::Jpeg);
    check(!ok || img.ErrStr == "<none>");
    if (!img.ExifObj)
        return 0;
    const TImageInfo &info = *img.ExifObj;
    checkFoundTags(info);
    if (!info.MakerNote.empty())
        decodeAsEveryMaker(info, img.textOptions());
    return 0;
}
