// SPDX-License-Identifier: GPL-3.0-or-later
// The JPEG segment walk, the TIFF window and the failure table of ProcessFile,
// on small files built here.
#include "common/test_support.h"
#include "exif_builder.h"

#include "metadata/exif_reader.h"

#include <gtest/gtest.h>

#include <fstream>

#include <unistd.h>

namespace kelvra {
namespace {

using test::exifPayload;
using test::jpegFile;
using test::segment;
using test::TiffBuilder;

std::string smallExif(bool motorola = false)
{
    TiffBuilder t(motorola);
    t.ascii(0, 0x010F, "Kelvra");
    t.shorts(0, 0x0112, { 6 });
    return segment(0xE1, exifPayload(t.build()));
}

const std::string kTable = segment(0xDB, std::string(65, '\x01'));
const std::string kFrame = segment(0xC0, std::string(15, '\x02'));
const std::string kJfif = segment(0xE0, std::string("JFIF\0\1\2\1\0\1\0\1\0\0", 14));
const std::string kXmp = segment(0xE1, "http://ns.adobe.com/xap/1.0/\0<x/>");
const std::string kComment = segment(0xFE, "a comment");
const std::string kIptc = segment(0xED, "Photoshop 3.0\0");

std::string flashInMainDirectory()
{
    TiffBuilder t(false);
    t.ascii(0, 0x010F, "Kelvra");
    t.shorts(0, 0x9209, { 1, 2 }); // "1, 2" is no single integer
    t.ascii(0, 0x0110, "never reached");
    return segment(0xE1, exifPayload(t.build()));
}

struct WalkCase
{
    const char *name;
    std::string bytes;
    bool ok;
    std::vector<int> markers; // dtype of each slot in use
    int exifSlot, commentSlot, iptcSlot;
    bool hasTags;
};

std::vector<WalkCase> walkCases()
{
    const std::string exif = smallExif();
    std::string fill = jpegFile({ kJfif, exif });
    fill.insert(2, "\xFF\xFF\xFF");
    // What is carried may stand behind any number of segments that are not.
    std::vector<std::string> behindMany { kComment };
    std::vector<int> behindManyMarkers { 0xFE };
    for (int i = 0; i < 30; ++i) {
        behindMany.push_back(segment(static_cast<uint8_t>(0xE2 + i % 9), "x"));
        behindManyMarkers.push_back(0xE2 + i % 9);
    }
    behindMany.insert(behindMany.end(), { kIptc, kComment });
    behindManyMarkers.insert(behindManyMarkers.end(), { 0xED, 0xFE, 0xDA });
    std::string truncated = jpegFile({ exif });
    truncated.resize(2 + 4 + 30); // ends inside the EXIF segment
    std::string badLength = jpegFile({ kComment });
    badLength[2 + kComment.size() + 3] = 1; // SOS length field 0x0001
    badLength[2 + kComment.size() + 2] = 0;
    std::string badMark = smallExif();
    badMark.replace(4 + 6, 2, "XX");
    return {
        { "NoStartOfImage", "GIF89a" + exif, false, {}, 0, 0, 0, false },
        { "ExifFifth", jpegFile({ kJfif, kTable, kTable, kFrame, exif }), false, { 0xE0, 0xDB, 0xDB, 0xC0, 0xE1 }, 0, 0,
            0, false },
        { "CommentThenExif", jpegFile({ kJfif, kComment, exif }), true, { 0xE0, 0xFE, 0xE1, 0xDA }, 3, 2, 0, true },
        { "SecondApp1Dropped", jpegFile({ exif, kXmp, kTable }), true, { 0xE1, 0xDB, 0xDA }, 1, 0, 0, true },
        { "XmpBeforeExif", jpegFile({ kJfif, kXmp, exif }), true, { 0xE0, 0xE1, 0xDA }, 2, 0, 0, false },
        { "FillBytes", fill, true, { 0xE0, 0xE1, 0xDA }, 2, 0, 0, true },
        { "CommentOnly", jpegFile({ kJfif, kComment }), true, { 0xE0, 0xFE, 0xDA }, 0, 2, 0, false },
        { "NoMetadata", jpegFile({ kJfif, kTable }), false, { 0xE0, 0xDB, 0xDA }, 0, 0, 0, false },
        { "ExifAfterFifthDropped", jpegFile({ kComment, kTable, kTable, kTable, kFrame, exif }), true,
            { 0xFE, 0xDB, 0xDB, 0xDB, 0xC0, 0xDA }, 0, 1, 0, false },
        { "TwoIptcFirstTaken", jpegFile({ kIptc, kIptc }), true, { 0xED, 0xED, 0xDA }, 0, 0, 1, false },
        { "LaterCommentWins", jpegFile({ kComment, kComment }), true, { 0xFE, 0xFE, 0xDA }, 0, 2, 0, false },
        { "CarriedBehindThirtySegments", jpegFile(behindMany), true, behindManyMarkers, 0, 33, 32, false },
        { "EndsInsideExif", truncated, true, { 0xE1 }, 1, 0, 0, true },
        { "EndsBeforeMarker", std::string("\xFF\xD8", 2) + kComment, true, { 0xFE }, 0, 1, 0, false },
        { "LengthBelowTwo", badLength, false, { 0xFE }, 0, 1, 0, false },
        { "BadAlignmentMark", jpegFile({ badMark }), true, { 0xE1, 0xDA }, 1, 0, 0, false },
        { "MainDirectoryValueError", jpegFile({ flashInMainDirectory(), kComment }), false, { 0xE1 }, 1, 0, 0, true },
    };
}

void PrintTo(const WalkCase &c, std::ostream *os)
{
    *os << c.name;
}

class JpegWalk : public ::testing::TestWithParam<WalkCase>
{
};

TEST_P(JpegWalk, SlotsAndResult)
{
    const WalkCase &c = GetParam();
    TimgData data;
    MemoryByteSource source(c.bytes);
    EXPECT_EQ(data.ProcessStream(source, ContainerKind::Jpeg), c.ok);
    EXPECT_EQ(data.ErrStr, c.ok ? "<none>" : "Not an EXIF file");
    std::vector<int> markers;
    for (int i = 0; i < data.SectionCnt; ++i)
        markers.push_back(data.sections[static_cast<size_t>(i)].dtype);
    EXPECT_EQ(markers, c.markers);
    EXPECT_EQ(data.slotOf(data.ExifSegment), c.exifSlot);
    EXPECT_EQ(data.slotOf(data.CommentSegment), c.commentSlot);
    EXPECT_EQ(data.slotOf(data.IPTCSegment), c.iptcSlot);
    EXPECT_EQ(data.HasEXIF(), c.exifSlot != 0);
    EXPECT_EQ(data.ExifObj != nullptr, c.exifSlot != 0);
    EXPECT_EQ(data.ExifObj && data.ExifObj->FITagCount > 0, c.hasTags);
    if (data.HasEXIF()) {
        EXPECT_FALSE(data.HasThumbnail());
    }
    for (int i = 0; i < data.SectionCnt; ++i) {
        const tSection &s = data.sections[static_cast<size_t>(i)];
        EXPECT_EQ(static_cast<int>(s.data.size()), s.size);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JpegWalk, ::testing::ValuesIn(walkCases()), [](const auto &info) { return std::string(info.param.name); });

TEST(JpegWalk, MainDirectoryErrorKeepsTagsDecodedSoFar)
{
    TimgData data;
    const std::string bytes = jpegFile({ flashInMainDirectory() });
    MemoryByteSource source(bytes);
    EXPECT_FALSE(data.ProcessStream(source, ContainerKind::Jpeg));
    ASSERT_TRUE(data.ExifObj);
    EXPECT_EQ(data.ExifObj->LookupTagVal("Make"), "Kelvra");
    EXPECT_EQ(data.ExifObj->LookupTag("Model"), -1);
}

TEST(JpegWalk, CommentText)
{
    TimgData data;
    const std::string bytes = jpegFile({ kComment });
    MemoryByteSource source(bytes);
    ASSERT_TRUE(data.ProcessStream(source, ContainerKind::Jpeg));
    EXPECT_EQ(data.GetCommentStr(), "a comment");
}

// The failure table, through real files: extension, existence, opening.
TEST(ProcessFile, FailureTable)
{
    test::TempDir dir;
    const std::string jpeg = jpegFile({ smallExif(true) });
    test::writeFileBytes(dir / "upper.JPG", jpeg);
    test::writeFileBytes(dir / "other.jfif", jpeg);
    test::writeFileBytes(dir / "other.png", jpeg); // a name that is no JPEG's is read by its content
    test::writeFileBytes(dir / "junk.png", "not a picture of any kind");
    test::writeFileBytes(dir / "bad.tif", "XX*\0" + std::string(100, '\0'));
    struct Row
    {
        std::string name;
        bool ok;
        const char *err;
    } rows[] = {
        { "upper.JPG", true, "<none>" },
        { "other.jfif", true, "<none>" },
        { "other.png", true, "<none>" },
        { "junk.png", false, "Not an EXIF file" },
        { "missing.jpg", false, "" },
        { "bad.tif", false, "Not an EXIF file" },
    };
    for (const Row &row : rows) {
        TimgData data;
        EXPECT_EQ(data.ProcessFile(dir / row.name), row.ok) << row.name;
        EXPECT_EQ(data.ErrStr, row.err) << row.name;
    }
    TimgData data;
    ASSERT_TRUE(data.ProcessFile(dir / "upper.JPG"));
    EXPECT_EQ(data.ExifObj->GetRawInt("Orientation"), 6);
    EXPECT_EQ(data.FileSize, static_cast<int32_t>(jpeg.size()));
    EXPECT_EQ(data.Filename, dir / "upper.JPG");

    if (::geteuid() != 0) { // root opens anything
        std::filesystem::permissions(dir / "upper.JPG", std::filesystem::perms::none);
        EXPECT_FALSE(data.ProcessFile(dir / "upper.JPG"));
        EXPECT_EQ(data.ErrStr, "Illegal Exif construction");
        EXPECT_FALSE(data.HasEXIF());
    }
}

TEST(TiffWindow, FirstDirectoryAfterTheHeader)
{
    for (bool motorola : { false, true }) {
        TiffBuilder t(motorola);
        t.ascii(0, 0x010F, "Maker of a long name");
        t.ascii(0, 0x0110, "Model 7");
        t.addLiteral(0, 0x9286, 7, 1000, 255500); // runs past the 256000-byte window
        std::string file = t.build();
        file.resize(260000, '\x41');
        TimgData data;
        MemoryByteSource source(file);
        ASSERT_TRUE(data.ProcessStream(source, ContainerKind::Tiff)) << motorola;
        EXPECT_EQ(data.ErrStr, "<none>");
        EXPECT_EQ(data.SectionCnt, 1);
        EXPECT_EQ(data.ExifSegment->data.size(), TimgData::kTiffWindow);
        EXPECT_EQ(data.ExifObj->LookupTagVal("Make"), "Maker of a long name");
        EXPECT_EQ(data.ExifObj->LookupTagVal("Model"), "Model 7");
        EXPECT_EQ(data.ExifObj->GetTagByName("UserComment").Size, 256000 - (255500 - 8));
        EXPECT_FALSE(data.HasThumbnail());

        // A header that points elsewhere is not followed.
        t.setGap(40);
        const std::string movedFile = t.build();
        MemoryByteSource moved(movedFile);
        ASSERT_TRUE(data.ProcessStream(moved, ContainerKind::Tiff));
        EXPECT_EQ(data.ExifObj->LookupTagVal("Make"), "");
    }
}

// A 12 MB photo costs its header segments: the walk stops at the scan header.
TEST(ProcessFile, LargePhotoReadsOnlyTheHeaderSegments)
{
    const std::string photo = test::readFileBytes(test::photo("gps/DSCN0010.jpg"));
    size_t headerEnd = 2;
    for (bool scan = false; !scan;) {
        ASSERT_LT(headerEnd + 4, photo.size());
        scan = photo[headerEnd + 1] == '\xDA';
        headerEnd += 2
            + (static_cast<unsigned char>(photo[headerEnd + 2]) << 8
                | static_cast<unsigned char>(photo[headerEnd + 3]));
    }
    test::TempDir dir;
    {
        std::ofstream out(dir / "large.jpg", std::ios::binary);
        out.write(photo.data(), static_cast<std::streamsize>(headerEnd));
        const std::string block(1 << 20, '\x5A');
        for (int i = 0; i < 12; ++i)
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        out.write("\xFF\xD9", 2);
    }
    FileByteSource file;
    ASSERT_TRUE(file.open(dir / "large.jpg"));
    TimgData data;
    ASSERT_TRUE(data.ProcessStream(file, ContainerKind::Jpeg));
    EXPECT_EQ(file.bytesRead(), headerEnd);
    EXPECT_LT(headerEnd, 16u * 1024);
    std::cout << "[ bytes    ] " << file.bytesRead() << " of " << std::filesystem::file_size(dir / "large.jpg")
              << " bytes read\n";

    TimgData viaPath;
    ASSERT_TRUE(viaPath.ProcessFile(dir / "large.jpg"));
    EXPECT_EQ(viaPath.ExifObj->FITagCount, data.ExifObj->FITagCount);
    EXPECT_EQ(viaPath.FileSize, static_cast<int32_t>(std::filesystem::file_size(dir / "large.jpg")));
}

} // namespace
} // namespace kelvra
