// SPDX-License-Identifier: GPL-3.0-or-later
// Maker notes built here, one per maker layout, inside EXIF blocks of either
// byte order; recognition, offsets, skip rows, errors and the Canon fields.
#include "exif_builder.h"

#include "metadata/exif_reader.h"
#include "metadata/maker_canon.h"
#include "metadata/maker_decoder.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace kelvra {
namespace {

using test::TiffBuilder;

struct NoteEntry
{
    uint16_t tag;
    uint16_t fmt;
    uint32_t count;
    std::string bytes; // as stored, already in the note's byte order
};

// A maker directory as a camera writes it: header bytes, the entry table at
// countPosition, then the values that do not fit in an entry. A value's offset
// is its position in the note plus offsetDelta.
std::string buildNote(bool motorola, const std::string &header, size_t countPosition,
    const std::vector<NoteEntry> &entries, int64_t offsetDelta)
{
    const TiffBuilder order(motorola);
    std::string note = header;
    note.resize(countPosition, '\0');
    const size_t valuesStart = countPosition + 2 + 12 * entries.size() + 4;
    std::string values;
    note += order.u16(static_cast<uint32_t>(entries.size()));
    for (const NoteEntry &e : entries) {
        note += order.u16(e.tag) + order.u16(e.fmt) + order.u32(e.count);
        if (e.bytes.size() <= 4) {
            note += e.bytes + std::string(4 - e.bytes.size(), '\0');
        } else {
            note += order.u32(static_cast<uint32_t>(static_cast<int64_t>(valuesStart + values.size()) + offsetDelta));
            values += e.bytes;
        }
    }
    note += order.u32(0);
    return note + values;
}

struct Photo
{
    bool motorola = false;
    std::string make;
    std::string model = "Test Model";
    std::string exifVersion; // empty: no ExifVersion tag
};

// IFD0 with Make, Model and the EXIF pointer; the EXIF directory with
// ExifVersion, the note and two dimensions after it. note() gets the TIFF
// offset the note will have, for notes whose offsets count from the header.
std::string exifTiff(const Photo &photo, const std::function<std::string(uint32_t)> &note)
{
    const auto build = [&](uint32_t noteOffset) {
        TiffBuilder t(photo.motorola);
        const int exif = t.addIfd();
        t.ascii(0, 0x010F, photo.make);
        t.ascii(0, 0x0110, photo.model);
        t.pointer(0, 0x8769, exif);
        if (!photo.exifVersion.empty())
            t.undefined(exif, 0x9000, photo.exifVersion);
        t.undefined(exif, 0x927C, note(noteOffset));
        t.longs(exif, 0xA002, { 640 });
        t.longs(exif, 0xA003, { 480 });
        return t.build();
    };
    const std::string draft = build(0);
    const size_t at = draft.find(note(0));
    if (at == std::string::npos)
        throw std::logic_error("note not found");
    return build(static_cast<uint32_t>(at));
}

std::string app1(const std::string &tiff)
{
    return test::segment(0xE1, test::exifPayload(tiff));
}

std::unique_ptr<TimgData> readJpeg(const std::string &tiff)
{
    auto data = std::make_unique<TimgData>();
    const std::string bytes = test::jpegFile({ app1(tiff) });
    MemoryByteSource source(bytes);
    EXPECT_TRUE(data->ProcessStream(source, ContainerKind::Jpeg));
    EXPECT_TRUE(data->ExifObj);
    return data;
}

// The walk alone keeps the status it leaves; ProcessFile would end with "<none>".
std::unique_ptr<TimgData> walkExif(const std::string &tiff)
{
    auto data = std::make_unique<TimgData>();
    data->llData = app1(tiff).substr(2);
    data->ProcessEXIF();
    return data;
}

std::vector<std::string> namesWithTid(const TImageInfo &info, int tid)
{
    std::vector<std::string> out;
    for (const TTagEntry &tag : info.FITagArray) {
        if (tag.TID == tid)
            out.push_back(tag.Name);
    }
    return out;
}

// Maker tags sit together right before the MakerNote entry, after the
// standard tags that precede it, and the EXIF walk went on after the note.
void expectWalkAroundNote(const TImageInfo &info)
{
    const int note = info.LookupTag("MakerNote");
    ASSERT_GE(note, 0);
    int first = note;
    while (first > 0 && info.FITagArray[static_cast<size_t>(first - 1)].TID == 1)
        --first;
    for (int i = 0; i < info.FITagCount; ++i)
        EXPECT_EQ(info.FITagArray[static_cast<size_t>(i)].TID, i >= first && i < note ? 1 : 0) << i;
    EXPECT_EQ(info.LookupTagVal("ExifVersion").empty(), info.exifVersion.empty());
    EXPECT_EQ(info.Width, 640);
    EXPECT_EQ(info.Height, 480);
    EXPECT_EQ(info.GetRawInt("ExifImageLength"), 480);
}

std::string u16s(bool motorola, std::initializer_list<uint16_t> values)
{
    std::string out;
    for (uint16_t v : values)
        out += TiffBuilder(motorola).u16(v);
    return out;
}

std::string rationals(bool motorola, std::initializer_list<std::pair<uint32_t, uint32_t>> values)
{
    const TiffBuilder order(motorola);
    std::string out;
    for (const auto &[n, d] : values)
        out += order.u32(n) + order.u32(d);
    return out;
}

// One note per maker layout, each with a value that needs the layout's
// entry-count position and offset reference to come out right.
struct LayoutCase
{
    const char *label;
    Photo photo;
    std::string header;
    size_t countPosition;
    OffsetReference reference;
    bool littleEndianNote;
    std::vector<NoteEntry> (*entries)(bool motorola);
    const char *name; // the found tag
    const char *desc; // its name in the trace
    const char *expected; // its value text
};

void PrintTo(const LayoutCase &c, std::ostream *os)
{
    *os << c.label;
}

const LayoutCase kLayouts[] = {
    { "NikonFirst", { false, "NIKON", "E950", "0210" }, std::string("Nikon\0\1\0", 8), 8, OffsetReference::ExifHeader,
        false,
        [](bool m) {
            return std::vector<NoteEntry> { { 0x0008, 5, 1, rationals(m, { { 3, 2 } }) } };
        },
        "Focus", "Focus", "3/2" },
    { "NikonSecondOwnHeader", { true, "Nikon Corporation", "NIKON D70", "0221" },
        std::string("Nikon\0\2\x10\0\0MM\0*\0\0\0\x08", 18), 18, OffsetReference::NoteHeader, false,
        [](bool m) {
            return std::vector<NoteEntry> { { 0x0084, 5, 4,
                rationals(m, { { 180, 10 }, { 70, 1 }, { 35, 10 }, { 45, 10 } }) } };
        },
        "LensInformation", "Lens information", "18.0-70.0(mm)  F3.5-F4.5" },
    { "NikonSecondBare", { false, "NIKON", "E775", "0210" }, "", 0, OffsetReference::ExifHeader, false,
        [](bool) {
            return std::vector<NoteEntry> { { 0x008D, 2, 7, std::string("MODE3a\0", 7) } };
        },
        "ColorMode", "Color Mode", "Mode 3 (sRGB): higher saturation" },
    { "NikonSecondInTiffWithoutVersion", { false, "NIKON", "NIKON D1X", "" },
        std::string("Nikon\0\2\0\0\0II*\0\x08\0\0\0", 18), 18, OffsetReference::NoteHeader, false,
        [](bool m) {
            return std::vector<NoteEntry> { { 0x0002, 3, 2, u16s(m, { 0, 400 }) } };
        },
        "ISOSpeed", "ISO Speed", "0, 400" },
    { "Olympus", { false, "OLYMPUS OPTICAL CO.,LTD", "C2000Z", "0210" }, std::string("OLYMP\0\1\0", 8), 8,
        OffsetReference::ExifHeader, false,
        [](bool) {
            return std::vector<NoteEntry> { { 0x0207, 2, 8, std::string("SR951\0\0\0", 8) } };
        },
        "Firmware", "Firmware", "\"SR951\"" },
    { "CasioFirst", { true, "CASIO", "QV-3000EX", "0210" }, "", 0, OffsetReference::ExifHeader, false,
        [](bool m) {
            return std::vector<NoteEntry> { { 0x0014, 3, 1, u16s(m, { 125 }) } };
        },
        "CCDSensitivity", "CCDSensitivity", "+1.0" },
    { "CasioSecond", { true, "CASIO COMPUTER CO.,LTD", "EX-Z3", "0220" }, std::string("QVC\0\0\0", 6), 6,
        OffsetReference::ExifHeader, false,
        [](bool) {
            return std::vector<NoteEntry> { { 0x3006, 2, 7, std::string("Berlin\0", 7) } };
        },
        "TimeZone", "Time Zone", "\"Berlin\"" },
    { "FujifilmInBigEndianExif", { true, "FUJIFILM", "FinePix", "0210" }, std::string("FUJIFILM\x0c\0\0\0", 12), 12,
        OffsetReference::NoteStart, true,
        [](bool) {
            return std::vector<NoteEntry> { { 0x1031, 3, 1, u16s(false, { 256 }) },
                { 0x1000, 2, 8, std::string("NORMAL \0", 8) } };
        },
        "Quality", "Quality", "\"NORMAL \"" },
    { "Canon", { false, "Canon", "Canon PowerShot S40", "0220" }, "", 0, OffsetReference::ExifHeader, false,
        [](bool) {
            return std::vector<NoteEntry> { { 0x0009, 2, 14, std::string("Kelvra Tester\0", 14) } };
        },
        "OwnerName", "OwnerName", "\"Kelvra Tester\"" },
    { "SeikoEpson", { false, "SEIKO EPSON CORP.", "PhotoPC", "0210" }, std::string("EPSON\0\1\0", 8), 8,
        OffsetReference::ExifHeader, false,
        [](bool) {
            return std::vector<NoteEntry> { { 0x020A, 2, 9, std::string("Holidays\0", 9) } };
        },
        "Comments", "Comments", "\"Holidays\"" },
    { "Sanyo", { false, "SANYO Electric Co.,Ltd.", "SX113", "0220" }, std::string("SANYO\0\1\0", 8), 8,
        OffsetReference::ExifHeader, false,
        [](bool m) {
            return std::vector<NoteEntry> { { 0x0204, 5, 1, rationals(m, { { 3, 2 } }) } };
        },
        "DigiZoom", "DigiZoom", "3/2" },
    { "Minolta", { true, "Minolta Co., Ltd.", "DiMAGE 7i", "0220" }, "", 0, OffsetReference::ExifHeader, false,
        [](bool) {
            return std::vector<NoteEntry> { { 0x0E00, 7, 8, "PrintIM1" } };
        },
        "PIMdata", "PIMdata", "\"PrintIM1\"" },
};

class MakerLayoutNote : public ::testing::TestWithParam<LayoutCase>
{
};

TEST_P(MakerLayoutNote, DecodesTheValueAndKeepsTheWalkGoing)
{
    const LayoutCase &c = GetParam();
    const bool noteMotorola = c.littleEndianNote ? false : c.photo.motorola;
    const auto note = [&](uint32_t noteOffset) {
        int64_t delta = 0;
        if (c.reference == OffsetReference::ExifHeader)
            delta = noteOffset;
        else if (c.reference == OffsetReference::NoteHeader)
            delta = -10;
        return buildNote(noteMotorola, c.header, c.countPosition, c.entries(noteMotorola), delta);
    };
    const std::string tiff = exifTiff(c.photo, note);
    // The TIFF case has no ExifVersion and lives in a TIFF file.
    std::unique_ptr<TimgData> data;
    if (c.photo.exifVersion.empty()) {
        data = std::make_unique<TimgData>();
        MemoryByteSource source(tiff);
        ASSERT_TRUE(data->ProcessStream(source, ContainerKind::Tiff));
    } else {
        data = readJpeg(tiff);
    }
    const TImageInfo &info = *data->ExifObj;

    EXPECT_TRUE(info.msAvailable);
    EXPECT_EQ(info.msName, c.photo.make);
    const int i = info.LookupTag(c.name);
    ASSERT_GE(i, 0) << info.msTraceStr;
    const TTagEntry &tag = info.FITagArray[static_cast<size_t>(i)];
    EXPECT_EQ(tag.TID, 1);
    EXPECT_EQ(tag.Desc, c.desc);
    EXPECT_EQ(tag.Data, c.expected);
    EXPECT_NE(info.msTraceStr.find(std::string("\r\n") + c.desc + " = " + c.expected), std::string::npos)
        << info.msTraceStr;
    EXPECT_EQ(data->ErrStr, "<none>");
    expectWalkAroundNote(info);
}

INSTANTIATE_TEST_SUITE_P(Makers, MakerLayoutNote, ::testing::ValuesIn(kLayouts),
    [](const auto &info) { return std::string(info.param.label); });

TEST(MakerNotes, SkipRowsStayOutAndUnknownTagsGoToTheTraceOnly)
{
    const Photo photo { false, "NIKON", "E950", "0210" };
    const std::vector<NoteEntry> entries = {
        { 0x0003, 3, 1, u16s(false, { 12 }) }, // Quality
        { 0x0009, 3, 1, u16s(false, { 1 }) }, // a skip row
        { 0x0099, 3, 1, u16s(false, { 7 }) }, // no row
        { 0x0F00, 7, 6, "binary" }, // a skip row
        { 0x0004, 3, 1, u16s(false, { 2 }) }, // ColorMode
    };
    const std::string tiff
        = exifTiff(photo, [&](uint32_t at) { return buildNote(false, std::string("Nikon\0\1\0", 8), 8, entries, at); });
    const auto data = readJpeg(tiff);
    const TImageInfo &info = *data->ExifObj;
    EXPECT_EQ(info.msTraceStr, "\r\nQuality = 2 Mpixel Fine\r\nUnknown = 7\r\nColorMode = Monochrome");
    EXPECT_EQ(namesWithTid(info, 1), (std::vector<std::string> { "Quality", "ColorMode" }));
    expectWalkAroundNote(info);
}

// Notes that carry their own byte-order mark are read in it, whatever the
// EXIF block's order (an editor rewrote the one and not the other): Nikon's
// own TIFF header, and newer Olympus notes ("OLYMPUS\0", the mark, offsets
// from the note's first byte).
TEST(MakerNotes, NotesAreReadInTheirOwnByteOrder)
{
    struct Case
    {
        const char *label;
        Photo photo;
        std::string header; // without the mark
        size_t markAt, countPosition;
        int64_t delta; // value offset minus note position
        NoteEntry entry;
        const char *name, *expected;
    };
    const std::vector<Case> makers = {
        { "Nikon", { false, "NIKON CORPORATION", "NIKON D70", "0221" }, std::string("Nikon\0\2\x10\0\0", 10), 10, 18,
            -10, { 0x0004, 2, 8, std::string("FINE   \0", 8) }, "Quality", "\"FINE   \"" },
        { "Olympus", { false, "OLYMPUS IMAGING CORP.", "E-M5", "0230" }, std::string("OLYMPUS\0", 8), 8, 12, 0,
            { 0x0207, 2, 8, std::string("SR951\0\0\0", 8) }, "Firmware", "\"SR951\"" },
    };
    for (const Case &base : makers) {
        for (bool exifMotorola : { false, true }) {
            for (bool noteMotorola : { false, true }) {
                Case c = base;
                c.photo.motorola = exifMotorola;
                SCOPED_TRACE(std::string(c.label) + (exifMotorola ? " MM" : " II") + " block, note "
                    + (noteMotorola ? "MM" : "II"));
                std::string header = c.header + (noteMotorola ? "MM" : "II");
                if (std::string(c.label) == "Nikon")
                    header += TiffBuilder(noteMotorola).u16(42) + TiffBuilder(noteMotorola).u32(8);
                else
                    header += TiffBuilder(noteMotorola).u16(3);
                const auto data = readJpeg(exifTiff(c.photo,
                    [&](uint32_t) { return buildNote(noteMotorola, header, c.countPosition, { c.entry }, c.delta); }));
                const TImageInfo &info = *data->ExifObj;
                EXPECT_EQ(info.LookupTagVal(c.name), c.expected) << info.msTraceStr;
                EXPECT_EQ(info.msTraceStr.find("Unknown"), std::string::npos) << info.msTraceStr;
                expectWalkAroundNote(info);
            }
        }
    }
}

// A note read in a layout it does not have lists nothing rather than rows of
// "Unknown" noise.
TEST(MakerNotes, NoteInAnotherLayoutListsNothing)
{
    for (bool motorola : { false, true }) {
        SCOPED_TRACE(motorola ? "MM" : "II");
        const Photo photo { motorola, "NIKON", "E775", "0210" };
        // A newer note's byte-order mark read as the entry count, then
        // entries of plausible formats and tags no table knows.
        const TiffBuilder order(motorola);
        std::string noise = "II";
        for (uint32_t i = 0; i < 10; ++i)
            noise += order.u16(0x3000 + 7919 * i % 0x1000) + order.u16(3) + order.u32(1) + order.u32(i);
        const auto data = readJpeg(exifTiff(photo, [&](uint32_t) { return noise; }));
        const TImageInfo &info = *data->ExifObj;
        EXPECT_TRUE(namesWithTid(info, 1).empty()) << info.msTraceStr;
        EXPECT_EQ(info.msTraceStr.find("Unknown"), std::string::npos) << info.msTraceStr;
        expectWalkAroundNote(info);
    }
}

TEST(MakerNotes, OlympusValueOutsideTheNoteComesFromTheExifBlock)
{
    const Photo photo { false, "OLYMPUS OPTICAL CO.,LTD", "C2000Z", "0210" };
    const auto note = [&](uint32_t modelOffset) {
        // CameraID pointing at the Model text, which lies before the note.
        const std::vector<NoteEntry> entries = { { 0x0209, 7, 6, {} } };
        std::string bytes = buildNote(false, std::string("OLYMP\0\1\0", 8), 8, entries, 0);
        const std::string offset = TiffBuilder(false).u32(modelOffset);
        bytes.replace(8 + 2 + 8, 4, offset);
        return bytes;
    };
    std::string draft = exifTiff(photo, [&](uint32_t) { return note(0); });
    const auto modelOffset = static_cast<uint32_t>(draft.find("C2000Z"));
    const auto data = readJpeg(exifTiff(photo, [&](uint32_t) { return note(modelOffset); }));
    EXPECT_EQ(data->ExifObj->LookupTagVal("CameraID"), "\"C2000Z\"");
}

TEST(MakerNotes, NoteRelativeValueIsCutAtTheEndOfTheNote)
{
    const Photo photo { false, "FUJIFILM", "FinePix", "0210" };
    // Quality claims 12 bytes at the last 4 bytes of the note.
    std::string note = buildNote(false, std::string("FUJIFILM\x0c\0\0\0", 12), 12, { { 0x1000, 2, 12, {} } }, 0);
    note += "FINE";
    note.replace(12 + 2 + 8, 4, TiffBuilder(false).u32(static_cast<uint32_t>(note.size() - 4)));
    const auto data = readJpeg(exifTiff(photo, [&](uint32_t) { return note; }));
    const TTagEntry tag = data->ExifObj->GetTagByName("Quality");
    EXPECT_EQ(tag.Raw, "FINE");
    EXPECT_EQ(tag.Data, "\"FINE\"");
}

struct BrokenNote
{
    const char *label;
    std::string make;
    std::string note;
    const char *error;
    std::vector<std::string> decoded; // tags found before the failure
};

TEST(MakerNotes, ErrorInsideTheNoteIsReportedAndTheWalkGoesOn)
{
    const TiffBuilder le(false);
    // Five entries announced, two present.
    std::string truncated
        = buildNote(false, "", 0, { { 0x0008, 4, 1, le.u32(1171771) }, { 0x000C, 4, 1, le.u32(42) } }, 0);
    truncated.replace(0, 2, le.u16(5));
    const BrokenNote cases[] = {
        { "truncated", "Canon", truncated, "Error Detected = maker note entry 2 outside the note",
            { "ImageNumber", "CameraSerialNumber" } },
        { "count outside", "SANYO", std::string("SANYO\0", 6),
            "Error Detected = maker note entry count outside the note", {} },
    };
    for (const BrokenNote &c : cases) {
        SCOPED_TRACE(c.label);
        const Photo photo { false, c.make, "Model", "0220" };
        const std::string tiff = exifTiff(photo, [&](uint32_t) { return c.note; });
        const auto walked = walkExif(tiff);
        EXPECT_EQ(walked->ErrStr, c.error);
        const TImageInfo &info = *walked->ExifObj;
        EXPECT_TRUE(info.msAvailable);
        EXPECT_EQ(namesWithTid(info, 1), c.decoded);
        expectWalkAroundNote(info);

        // A whole read still succeeds and reports that, as for any other walk status.
        const auto read = readJpeg(tiff);
        EXPECT_EQ(read->ErrStr, "<none>");
        EXPECT_EQ(read->ExifObj->FITagCount, info.FITagCount);
    }
}

TEST(MakerNotes, UnknownMakerKeepsOnlyTheUndefinedValue)
{
    const Photo photo { false, "ACME Cameras", "Model", "0220" };
    const std::string note = buildNote(false, "", 0, { { 0x0001, 3, 1, u16s(false, { 1 }) } }, 0);
    const auto data = readJpeg(exifTiff(photo, [&](uint32_t) { return note; }));
    const TImageInfo &info = *data->ExifObj;
    EXPECT_FALSE(info.msAvailable);
    EXPECT_EQ(info.msTraceStr, "");
    EXPECT_EQ(info.msName, "");
    EXPECT_TRUE(namesWithTid(info, 1).empty());
    EXPECT_EQ(info.MakerNote, note);
    EXPECT_EQ(info.GetTagByName("MakerNote").TType, 7);
    expectWalkAroundNote(info);
}

// Recognition alone, including notes that the layouts above do not show.
struct Recognition
{
    const char *make;
    const char *model;
    const char *exifVersion;
    bool isTiff;
    std::string noteStart;
    std::optional<MakerTableId> table;
    int64_t countPosition;
    OffsetReference reference;
};

TEST(MakerNotes, RecognitionByMakeAndNote)
{
    using T = MakerTableId;
    using R = OffsetReference;
    const Recognition cases[] = {
        { "NIKON", "E950", "0210", false, std::string("Nikon\0\1\0", 8), T::NikonFirst, 8, R::ExifHeader },
        { "nikon", "E950", "0210", false, std::string("Nikon\0\1\0", 8), T::NikonFirst, 8, R::ExifHeader },
        // A version above 0210 decides before the note is looked at.
        { "NIKON", "E5700", "0220", false, std::string("Nikon\0\1\0", 8), T::NikonSecond, 18, R::NoteHeader },
        { "NIKON", "E775", "0210", false, std::string("\x12\0\1\0", 4), T::NikonSecond, 0, R::ExifHeader },
        { "NIKON", "NIKON D100", "", true, std::string("Nikon\0\2\0", 8), T::NikonSecond, 18, R::NoteHeader },
        { "NIKON", "NIKON D100", "", false, std::string("Nikon\0\2\0", 8), T::NikonFirst, 8, R::ExifHeader },
        { "NIKON", "COOLPIX P1", "", true, std::string("Nikon\0\2\0", 8), T::NikonFirst, 8, R::ExifHeader },
        { "OLYMPUS CORPORATION", "E-1", "0221", false, "OLYMP", T::Olympus, 8, R::ExifHeader },
        { "Casio", "QV", "0210", false, std::string("QVC\0", 4), T::CasioSecond, 6, R::ExifHeader },
        { "CASIO", "QV", "0210", false, std::string("\0\x14", 2), T::CasioFirst, 0, R::ExifHeader },
        { "FujiFilm", "FinePix", "0220", false, "FUJIFILM", T::Fujifilm, 12, R::NoteStart },
        { "Canon", "EOS", "0221", false, "", T::Canon, 0, R::ExifHeader },
        { "SEIKO EPSON CORP.", "PhotoPC", "0210", false, "EPSON", T::SeikoEpson, 8, R::ExifHeader },
        { "SANYO Electric", "SX113", "0210", false, "SANYO", T::Sanyo, 8, R::ExifHeader },
        { "Minolta Co., Ltd.", "DiMAGE", "0220", false, "MLT0", T::Minolta, 0, R::ExifHeader },
        { "Panasonic", "DMC-FZ30", "0220", false, "Panasonic", std::nullopt, 0, R::ExifHeader },
        { "Can", "", "0220", false, "", std::nullopt, 0, R::ExifHeader },
        { "", "", "", false, "", std::nullopt, 0, R::ExifHeader },
    };
    const ExifTextOptions options;
    for (const Recognition &c : cases) {
        SCOPED_TRACE(std::string(c.make) + " " + c.model + " " + c.exifVersion);
        const std::string exif = "xx" + c.noteStart + std::string(32, '\0');
        const MakerNoteInput note { exif, 8, 2, 32, false, c.isTiff, c.make, c.model, c.exifVersion, options };
        const auto layout = chooseMakerLayout(note);
        ASSERT_EQ(layout.has_value(), c.table.has_value());
        if (!layout)
            continue;
        EXPECT_EQ(layout->table, *c.table);
        EXPECT_EQ(layout->countPosition, c.countPosition);
        EXPECT_EQ(layout->reference, c.reference);
        EXPECT_EQ(layout->littleEndian, *c.table == T::Fujifilm);
    }
}

TEST(MakerNotes, EveryRowIsReachableAndEveryValueListParses)
{
    const MakerTableId tables[] = { MakerTableId::NikonFirst, MakerTableId::NikonSecond, MakerTableId::Olympus,
        MakerTableId::CasioFirst, MakerTableId::CasioSecond, MakerTableId::Fujifilm, MakerTableId::Canon,
        MakerTableId::SeikoEpson, MakerTableId::Sanyo, MakerTableId::Minolta };
    for (const MakerTableId id : tables) {
        for (const TTagEntry &row : makerTagTable(id)) {
            SCOPED_TRACE(row.Name);
            // The first row of a tag wins, so a second one would never be used.
            EXPECT_EQ(findMakerRow(makerTagTable(id), row.Tag), &row);
            EXPECT_TRUE(row.FormatS.empty());
            if (row.Code.empty())
                continue;
            // Entries "key:label" back to back: a decimal key, a label without ':'.
            size_t start = 0;
            while (start <= row.Code.size()) {
                const size_t end = std::min(row.Code.find(',', start), row.Code.size());
                const std::string entry = row.Code.substr(start, end - start);
                const size_t colon = entry.find(':');
                ASSERT_NE(colon, std::string::npos) << entry;
                EXPECT_GT(colon, 0u) << entry;
                EXPECT_EQ(entry.find_first_not_of("0123456789"), colon) << entry;
                EXPECT_EQ(entry.find(':', colon + 1), std::string::npos) << entry;
                start = end + 1;
            }
        }
    }
}

TEST(CanonFields, CustomFunctionsDecodeEveryFunctionAfterTheLength)
{
    // Length word, then function 1 = 1, function 3 = 1, a value past 4095,
    // function 7 = 2, and function 15 = 1 as the last value of the record.
    const auto fields = decodeCanonCustomFunctions("12, 257, 769, 5000, 1794, 3841");
    const std::vector<CanonField> expected = { { "Noise Reduction", " On" }, { "Mirror Lockup", "Enable" },
        { "AEB Sequence", "- 0 + / Enabled" }, { "Shutter Release w/o CF Card", "Disable" } };
    EXPECT_EQ(fields, expected);
    EXPECT_TRUE(decodeCanonCustomFunctions("").empty());
    EXPECT_TRUE(decodeCanonCustomFunctions("4, 265, x").empty()) << "setting 9 has no label";
}

TEST(CanonFields, ShortRecordsAndUnlabelledValues)
{
    // Elements 0..3 only: a list field past the end shows "0", a numeric field
    // past the end nothing, and Compression Rate 9 has no label.
    const std::vector<CanonField> expected = {
        { "Macro mode", "Macro" },
        { "Flash Mode", "0" },
        { "Drive Mode", "0" },
        { "Focus Mode", "0" },
        { "Image Size", "0" },
        { "Easy Shoot", "0" },
        { "Contrast", "0" },
        { "Saturation", "0" },
        { "Sharpness", "0" },
        { "Metering Mode", "0" },
        { "AF Point", "0" },
        { "Exposure Mode", "0" },
        { "Focus Mode", "0" },
        { "CCD ISO", "0" },
        { "Self Timer", "3" },
    };
    EXPECT_EQ(decodeCanonExposureInfo1("10, 1, 3, 9"), expected);
    const auto fields = decodeCanonExposureInfo2("66, 0, 0, 0, 0, 0, 0, 9");
    ASSERT_FALSE(fields.empty());
    EXPECT_EQ(fields.front(), CanonField("Flash bias", "0")) << "White balance 9 has no label";
}

TEST(CanonFields, FieldsReachTheTraceButNotTheFoundTags)
{
    const Photo photo { false, "Canon", "Canon PowerShot S40", "0220" };
    const TiffBuilder le(false);
    std::string settings;
    for (uint16_t v : { 12, 10, 25, 1, 1, 1, 4 })
        settings += le.u16(v);
    const std::string customs = le.u16(6) + le.u16(0x0101) + le.u16(0x0F00);
    // A record stored as bytes must not break the trace into lines of its own.
    const std::string forged = "\r\nSkip = 1\r\nMacro mode = Macro";
    const std::vector<NoteEntry> entries = { { 0x0001, 3, 7, settings },
        { 0x0004, 7, static_cast<uint32_t>(forged.size()), forged }, { 0x000F, 3, 3, customs } };
    const auto data = readJpeg(exifTiff(photo, [&](uint32_t at) { return buildNote(false, "", 0, entries, at); }));
    const TImageInfo &info = *data->ExifObj;
    EXPECT_EQ(info.LookupTagVal("ExposureInfo1"), "12, 10, 25, 1, 1, 1, 4");
    EXPECT_EQ(info.LookupTagVal("CustomFunctions"), "6, 257, 3840");
    EXPECT_EQ(info.LookupTagVal("ExposureInfo2"), '"' + forged + '"');
    EXPECT_EQ(info.msTraceStr.find("\r\nSkip = "), std::string::npos) << info.msTraceStr;
    EXPECT_EQ(info.msTraceStr.find("\r\nMacro mode = "), std::string::npos) << info.msTraceStr;
    EXPECT_EQ(
        namesWithTid(info, 1), (std::vector<std::string> { "ExposureInfo1", "ExposureInfo2", "CustomFunctions" }));
    EXPECT_EQ(info.LookupTag("Macro mode"), -1);
    EXPECT_NE(info.msTraceStr.find("\r\nFlash Mode = Auto\r\nDrive Mode = Continuous\r\n"), std::string::npos)
        << info.msTraceStr;
    EXPECT_NE(info.msTraceStr.find("\r\nSelf Timer = 25\r\n"), std::string::npos);
    EXPECT_NE(info.msTraceStr.find("\r\nNoise Reduction =  On\r\nShutter Release w/o CF Card = Enable\r\n"
                                   "CustomFunctions = 6, 257, 3840"),
        std::string::npos)
        << info.msTraceStr;
}

} // namespace
} // namespace kelvra
