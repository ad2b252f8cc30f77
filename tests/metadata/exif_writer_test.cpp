// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/test_support.h"
#include "metadata/exif_builder.h"
#include "metadata/exif_reader.h"
#include "metadata/exif_writer.h"

#include <gtest/gtest.h>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::photo;
using test::readFileBytes;

// What an encoder writes: SOI, its JFIF APP0, then tables and scan (faked).
const std::string kEncoded = std::string("\xFF\xD8", 2)
    + test::segment(0xE0, std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14)) + test::segment(0xDB, std::string(65, '\x01'))
    + std::string("\xFF\xDA\x00\x02scan\xFF\xD9", 10);
const std::string kEncodedTail = kEncoded.substr(20);

// The platform layer's writer is out of this layer's reach; a plain one does.
bool writePlainly(const fs::path &path, std::string_view bytes, std::string *)
{
    test::writeFileBytes(path, std::string(bytes));
    return true;
}

std::string segmentBytes(const tSection &s, int marker)
{
    return std::string { '\xFF', static_cast<char>(marker) } + s.data;
}

uint32_t bigEndian16(const std::string &bytes, size_t at)
{
    return static_cast<unsigned char>(bytes[at]) << 8 | static_cast<unsigned char>(bytes[at + 1]);
}

TEST(ExifWriter, CarriesExifIptcAndCommentWithoutTheThumbnail)
{
    TimgData data;
    ASSERT_TRUE(data.ProcessFile(photo("structure/GPS_with_comment.jpg")));
    ASSERT_TRUE(data.HasEXIF() && data.HasIPTC() && data.HasComment());
    const std::string exif = segmentBytes(*data.ExifSegment, 0xE1);
    const std::string out = ComposeExifJpeg(data, kEncoded);
    EXPECT_EQ(out,
        "\xFF\xD8" + exif + segmentBytes(*data.IPTCSegment, 0xED) + segmentBytes(*data.CommentSegment, 0xFE)
            + kEncodedTail);
    // The APP1 length counts exactly the bytes written for it.
    EXPECT_EQ(bigEndian16(out, 4), exif.size() - 2);
}

// The batch's form writes into a buffer it keeps from photo to photo: what
// was there before is gone, and the memory stays.
TEST(ExifWriter, ComposesIntoAReusedBuffer)
{
    TimgData data;
    ASSERT_TRUE(data.ProcessFile(photo("structure/GPS_with_comment.jpg")));
    TimgData bare;
    std::string buffer(100000, 'x');
    const char *memory = buffer.data();
    ComposeExifJpeg(data, kEncoded, buffer);
    EXPECT_EQ(buffer, ComposeExifJpeg(data, kEncoded));
    EXPECT_EQ(buffer.data(), memory);
    ComposeExifJpeg(bare, kEncoded, buffer);
    EXPECT_EQ(buffer, ComposeExifJpeg(bare, kEncoded));
    EXPECT_EQ(buffer.data(), memory);
}

TEST(ExifWriter, RemovesALargeThumbnailAndItsLink)
{
    TimgData data;
    ASSERT_TRUE(data.ProcessFile(photo("makers/Canon_PowerShot_S40.jpg")));
    ASSERT_TRUE(data.HasThumbnail());
    const int32_t thumbStart = data.ExifObj->ThumbStart;
    const std::string before = data.ExifSegment->data;
    removeThumbnail(data);

    const std::string &after = data.ExifSegment->data;
    ASSERT_EQ(after.size(), static_cast<size_t>(8 + thumbStart));
    EXPECT_EQ(data.ExifSegment->size, 8 + thumbStart);
    EXPECT_EQ(bigEndian16(after, 0), after.size());
    EXPECT_FALSE(data.HasThumbnail());

    // Everything up to the cut is kept but the four bytes of IFD0's link.
    const size_t ifd0 = 8 + (static_cast<unsigned char>(before[12]) | static_cast<unsigned char>(before[13]) << 8);
    const size_t entries = static_cast<unsigned char>(before[ifd0]) | static_cast<unsigned char>(before[ifd0 + 1]) << 8;
    const size_t link = ifd0 + 2 + 12 * entries;
    EXPECT_EQ(after.substr(2, link - 2), before.substr(2, link - 2));
    EXPECT_EQ(after.substr(link, 4), std::string(4, '\0'));
    EXPECT_EQ(after.substr(link + 4), before.substr(link + 4, after.size() - link - 4));

    // Read back, the block has its tags and no thumbnail directory.
    test::TempDir dir;
    ASSERT_TRUE(WriteEXIFJpeg(data, kEncoded, dir / "out.jpg", writePlainly));
    TimgData back;
    ASSERT_TRUE(back.ProcessFile(dir / "out.jpg"));
    EXPECT_EQ(back.ExifObj->LookupTagVal("Model"), data.ExifObj->LookupTagVal("Model"));
    EXPECT_EQ(back.ExifObj->ThumbStart, 0);
}

// Some cameras store the interoperability directory and the maker note after
// the thumbnail's directory: only the thumbnail picture may go then.
TEST(ExifWriter, ThumbnailCutKeepsDataStoredAfterItsDirectory)
{
    for (const char *name : { "makers/nikon-e950.jpg", "makers/sanyo-vpcsx550.jpg" }) {
        SCOPED_TRACE(name);
        TimgData data;
        ASSERT_TRUE(data.ProcessFile(photo(name)));
        ASSERT_TRUE(data.HasThumbnail());
        const int32_t thumbStart = data.ExifObj->ThumbStart;
        const std::string before = data.ExifSegment->data;
        removeThumbnail(data);
        EXPECT_GT(data.ExifSegment->data.size(), static_cast<size_t>(8 + thumbStart));
        EXPECT_LT(data.ExifSegment->data.size(), before.size());

        test::TempDir dir;
        ASSERT_TRUE(WriteEXIFJpeg(data, kEncoded, dir / "out.jpg", writePlainly));
        TimgData back, original;
        ASSERT_TRUE(back.ProcessFile(dir / "out.jpg"));
        ASSERT_TRUE(original.ProcessFile(photo(name)));
        for (const char *tag : { "InteroperabilityIndex", "MakerNote", "Model", "DateTimeOriginal" }) {
            EXPECT_FALSE(original.ExifObj->LookupTagVal(tag).empty()) << tag;
            EXPECT_EQ(back.ExifObj->LookupTagVal(tag), original.ExifObj->LookupTagVal(tag)) << tag;
        }
        EXPECT_EQ(back.ExifObj->ThumbStart, 0);
    }
}

// A stamped photo's thumbnail takes the place of the old one: read back by
// us and by exiftool, every other tag as it was, the old picture gone even
// where data follows it. A picture too large for the block changes nothing.
TEST(ExifWriter, ReplacesTheThumbnailOfEveryTestPhotoThatHasOne)
{
    const bool exiftool = test::toolAvailable("exiftool");
    test::TempDir dir;
    int replaced = 0;
    // Real pictures, as exiftool will not hand out anything else.
    TimgData donors[2];
    ASSERT_TRUE(donors[0].ProcessFile(photo("gps/DSCN0010.jpg")));
    ASSERT_TRUE(donors[1].ProcessFile(photo("makers/Canon_PowerShot_S40.jpg")));
    for (const auto &entry : fs::recursive_directory_iterator(test::photosDir())) {
        if (entry.path().extension() != ".jpg")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        TimgData data;
        if (!data.ProcessFile(entry.path()) || exifThumbnail(data).empty())
            continue;
        const std::string old(exifThumbnail(data));
        const std::string before = data.ExifSegment->data;
        EXPECT_FALSE(replaceThumbnail(data, std::string(70000, 'x')));
        EXPECT_EQ(data.ExifSegment->data, before);
        const std::string picture(exifThumbnail(donors[old == exifThumbnail(donors[0]) ? 1 : 0]));
        ASSERT_FALSE(picture.empty());
        ASSERT_TRUE(replaceThumbnail(data, picture));
        ++replaced;
        EXPECT_EQ(exifThumbnail(data), picture);
        EXPECT_EQ(data.ExifSegment->data.find(old), std::string::npos);
        EXPECT_EQ(bigEndian16(data.ExifSegment->data, 0), data.ExifSegment->data.size());

        const fs::path out = dir / "out.jpg";
        ASSERT_TRUE(WriteEXIFJpeg(data, kEncoded, out, writePlainly));
        TimgData back, original;
        ASSERT_TRUE(back.ProcessFile(out));
        ASSERT_TRUE(original.ProcessFile(entry.path()));
        EXPECT_EQ(exifThumbnail(back), picture);
        for (const char *tag : { "Make", "Model", "DateTimeOriginal", "MakerNote", "Orientation", "GPSLatitude" })
            EXPECT_EQ(back.ExifObj->LookupTagVal(tag), original.ExifObj->LookupTagVal(tag)) << tag;
        if (exiftool) {
            EXPECT_EQ(test::runTool({ "exiftool", "-b", "-ThumbnailImage", out.string() }).out, picture);
        }
    }
    EXPECT_GT(replaced, 10);
}

TEST(ExifWriter, ChoosesTheLeadingSegment)
{
    // Without EXIF the source's JFIF header leads, and its comment follows;
    // the extension APP0 after it holds the unstamped picture and stays behind.
    TimgData withApp0;
    ASSERT_TRUE(withApp0.ProcessFile(photo("structure/sony-powershota5.jpg")));
    ASSERT_FALSE(withApp0.HasEXIF());
    ASSERT_TRUE(jfifSegment(withApp0) && jfifSegment(withApp0) != withApp0.HeaderSegment);
    EXPECT_EQ(ComposeExifJpeg(withApp0, kEncoded),
        "\xFF\xD8" + segmentBytes(*jfifSegment(withApp0), 0xE0) + segmentBytes(*withApp0.CommentSegment, 0xFE)
            + kEncodedTail);

    // With EXIF the source's APP0 is left out.
    TimgData both;
    ASSERT_TRUE(both.ProcessFile(photo("structure/Nikon_D70.jpg")));
    ASSERT_TRUE(both.HeaderSegment && both.HasEXIF());
    EXPECT_EQ(ComposeExifJpeg(both, kEncoded).substr(0, 4), "\xFF\xD8\xFF\xE1");

    TimgData empty;
    EXPECT_EQ(ComposeExifJpeg(empty, kEncoded), "\xFF\xD8" + std::string(kDefaultJfifHeader) + kEncodedTail);
}

// The source's JFIF header leads whenever the EXIF block does not state the
// print size itself; the encoder's own header never stays beside it.
TEST(ExifWriter, KeepsTheJfifHeaderUnlessExifStatesAResolution)
{
    const std::string jfif300 = test::segment(0xE0, std::string("JFIF\0\1\2\1\1\x2C\1\x2C\0\0", 14));
    const std::string withThumbnail
        = test::segment(0xE0, std::string("JFIF\0\1\2\2\0\x76\0\x76\2\1", 14) + std::string(6, '\x7F'));
    const std::string thumbnailDropped = test::segment(0xE0, std::string("JFIF\0\1\2\2\0\x76\0\x76\0\0", 14));
    const std::string jfxx = test::segment(0xE0, std::string("JFXX\0\x10", 6));
    const std::string avi = test::segment(0xE0, "AVI1");
    const std::string comment = test::segment(0xFE, "kept");
    test::TiffBuilder plain(false);
    plain.ascii(0, kTagMake, "Kelvra");
    const std::string exif = test::segment(0xE1, test::exifPayload(plain.build()));
    test::TiffBuilder dense(true);
    dense.shorts(0, kTagResolutionUnit, { 2 });
    const std::string exifWithUnit = test::segment(0xE1, test::exifPayload(dense.build()));

    struct Case
    {
        const char *name;
        std::vector<std::string> source;
        std::string lead; // what the output holds between SOI and the encoder's tables
    } cases[] = {
        { "ExifWithoutResolution", { jfif300, exif }, jfif300 + exif },
        { "ExifFirstInTheSource", { exif, jfif300 }, jfif300 + exif },
        { "ExifStatesAResolution", { jfif300, exifWithUnit }, exifWithUnit },
        { "ThumbnailLeftOut", { withThumbnail, exif }, thumbnailDropped + exif },
        { "NoExifExtensionAfterJfif", { jfif300, jfxx, comment }, jfif300 + comment },
        { "NoExifOtherApp0", { avi, comment }, avi + comment },
        { "ExifOnly", { exif }, exif },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = test::jpegFile(c.source);
        TimgData data;
        MemoryByteSource source(bytes);
        ASSERT_TRUE(data.ProcessStream(source, ContainerKind::Jpeg));
        EXPECT_EQ(ComposeExifJpeg(data, kEncoded), "\xFF\xD8" + c.lead + kEncodedTail);
    }
}

TEST(ExifWriter, KeepsTheColourProfile)
{
    TimgData data;
    ASSERT_TRUE(data.ProcessFile(photo("structure/BlueSquare.jpg")));
    std::string icc;
    for (int i = 0; i < data.SectionCnt; ++i) {
        if (data.sections[static_cast<size_t>(i)].dtype == 0xE2)
            icc += segmentBytes(data.sections[static_cast<size_t>(i)], 0xE2);
    }
    ASSERT_FALSE(icc.empty());
    const std::string out = ComposeExifJpeg(data, kEncoded);
    const size_t at = out.find(icc);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(out.substr(at + icc.size()), kEncodedTail);
}

TEST(ExifWriter, SkipsOnlyTheEncodersLeadingSegmentsInOrder)
{
    const std::string app0 = test::segment(0xE0, "J");
    const std::string app1 = test::segment(0xE1, "X");
    const std::string com = test::segment(0xFE, "C");
    const std::string dqt = test::segment(0xDB, "Q");
    struct Case
    {
        std::string jpeg;
        size_t start;
    };
    const Case cases[] = {
        { "\xFF\xD8" + app0 + app1 + com + dqt, 2 + app0.size() + app1.size() + com.size() },
        { "\xFF\xD8" + com + app0 + dqt, 2 + com.size() }, // COM first: APP0 is not looked for again
        { "\xFF\xD8" + dqt, 2 },
        { "\xFF\xD8\xFF\xE0\xFF\xFF", 6 }, // a length past the end stops at the end
        { "\xFF\xD8", 2 },
        { "", 0 },
    };
    for (const Case &c : cases)
        EXPECT_EQ(encodedImageStart(c.jpeg), c.start);
}

TEST(ExifWriter, MakesIptcAndCommentSegments)
{
    TimgData data;
    ASSERT_TRUE(data.ProcessFile(photo("makers/Nikon.jpg")));
    const int slots = data.SectionCnt;
    MakeCommentSegment(data, "hello");
    ASSERT_TRUE(data.HasComment());
    EXPECT_EQ(data.SectionCnt, slots + 1);
    EXPECT_EQ(GetCommentSegment(data), std::string("\x00\x07hello", 7));
    MakeCommentSegment(data, "again");
    EXPECT_EQ(data.SectionCnt, slots + 1);
    MakeIPTCSegment(data, std::string("\x1C\x02\x78", 3));
    EXPECT_EQ(data.IPTCSegment->dtype, 0xED);
    EXPECT_EQ(data.IPTCSegment->size, 5);
    const std::string out = ComposeExifJpeg(data, kEncoded);
    EXPECT_NE(out.find(std::string("\xFF\xED\x00\x05\x1C\x02\x78\xFF\xFE\x00\x07"
                                   "again",
                  16)),
        std::string::npos);
}

TEST(ExifWriter, HandsTheComposedFileToTheWriterAndReportsItsRefusal)
{
    TimgData data;
    ASSERT_TRUE(data.ProcessFile(photo("structure/GPS_with_comment.jpg")));
    fs::path writtenTo;
    std::string written;
    const auto refuse = [&](const fs::path &path, std::string_view bytes, std::string *error) {
        writtenTo = path;
        written = bytes;
        *error = "disk full";
        return false;
    };
    std::string error;
    EXPECT_FALSE(WriteEXIFJpeg(data, kEncoded, "/some/out.jpg", refuse, &error));
    EXPECT_EQ(error, "disk full");
    EXPECT_EQ(writtenTo, "/some/out.jpg");
    EXPECT_EQ(written, ComposeExifJpeg(data, kEncoded));

    // The batch's form reads the stamped image back from data.Filename first.
    data.Filename = "/proc/kelvra-no/stamped.jpg";
    written.clear();
    EXPECT_FALSE(WriteEXIFJpeg(data, "/some/out.jpg", refuse, &error));
    EXPECT_NE(error, "disk full");
    EXPECT_TRUE(written.empty());
}

// XMP goes after the EXIF block byte for byte, from wherever the section
// table lost it: a second APP1, past the table's twentieth segment, after an
// EXIF block that does not decode. Segments tied to the old encoding stay out.
TEST(ExifWriter, CarriesEveryXmpSegmentAndNothingOfTheOldEncoding)
{
    test::TiffBuilder tiff(false);
    tiff.ascii(0, 0x010F, "Maker");
    const std::string exif = test::segment(0xE1, test::exifPayload(tiff.build()));
    const std::string packet
        = test::segment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta rating=5/>", 51));
    const std::string extended = test::segment(
        0xE1, std::string("http://ns.adobe.com/xmp/extension/\0", 35) + std::string(40, 'G') + "<rest/>");
    const std::string other = test::segment(0xE1, "http://example.com/other/");
    const std::string adobe = test::segment(0xEE, std::string("Adobe\0\x64\0\0\0\0\x01", 12));
    const std::string mpf = test::segment(0xE2, std::string("MPF\0II*\0\0\0\0\x08", 12));
    const std::string table = test::segment(0xDB, std::string(65, '\x01'));

    struct Case
    {
        const char *name;
        std::vector<std::string> segments;
        std::string expectedXmp;
    };
    std::vector<std::string> many = { exif, adobe, mpf };
    for (int i = 0; i < 20; ++i)
        many.push_back(table);
    many.push_back(packet);
    many.push_back(extended);
    const Case cases[] = {
        { "second APP1", { exif, packet, extended, adobe, mpf, other, table }, packet + extended },
        { "after the fifth segment", { exif, table, table, table, table, table, packet }, packet },
        { "past the table", many, packet + extended },
        { "XMP first", { packet, exif, extended }, extended },
        { "none", { exif, other, adobe, mpf }, "" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = test::jpegFile(c.segments);
        TimgData data;
        MemoryByteSource source(file);
        ASSERT_TRUE(data.ProcessStream(source, ContainerKind::Jpeg));
        const std::string out = ComposeExifJpeg(data, kEncoded);
        const std::string lead = segmentBytes(*data.ExifSegment, 0xE1);
        EXPECT_EQ(out, "\xFF\xD8" + lead + c.expectedXmp + kEncodedTail);
    }

    // A main directory that cannot be decoded fails the read, yet the XMP
    // after it is still the photo's.
    test::TiffBuilder bad(false);
    bad.ascii(0, 0x9209, "not a number"); // Flash
    const std::string broken = test::jpegFile({ test::segment(0xE1, test::exifPayload(bad.build())), table, packet });
    TimgData data;
    MemoryByteSource source(broken);
    EXPECT_FALSE(data.ProcessStream(source, ContainerKind::Jpeg));
    ASSERT_TRUE(data.HasEXIF());
    ASSERT_EQ(data.xmpSegments.size(), 1u);
    EXPECT_EQ(segmentBytes(data.xmpSegments[0], 0xE1), packet);
}

// A real re-encoded picture with the carried metadata passes the outside
// reader's validation with no more warnings than its source.
TEST(ExifWriter, OutputValidatesLikeItsSource)
{
    if (!test::toolAvailable("exiftool") || !test::toolAvailable("cjpeg"))
        GTEST_SKIP() << "exiftool or cjpeg missing";
    test::TempDir dir;
    for (const char *name :
        { "makers/Canon_PowerShot_S40.jpg", "gps/DSCN0010.jpg", "structure/GPS_with_comment.jpg" }) {
        SCOPED_TRACE(name);
        const fs::path source = photo(name);
        const fs::path encoded = dir / "encoded.jpg";
        ASSERT_EQ(
            test::runTool(
                { "sh", "-c", "djpeg '" + source.string() + "' | cjpeg -quality 85 > '" + encoded.string() + "'" })
                .exitCode,
            0);
        TimgData data;
        ASSERT_TRUE(data.ProcessFile(source));
        if (data.HasThumbnail())
            removeThumbnail(data);
        const fs::path out = dir / "out.jpg";
        ASSERT_TRUE(WriteEXIFJpeg(data, readFileBytes(encoded), out, writePlainly));

        auto warnings = [](const fs::path &p) {
            std::string text
                = test::runTool({ "exiftool", "-q", "-validate", "-warning", "-a", "-s3", p.string() }).out;
            return text;
        };
        const std::string sourceWarnings = warnings(source);
        const std::string outWarnings = warnings(out);
        // Every warning of the output is one the source has too.
        size_t start = 0;
        while (start < outWarnings.size()) {
            size_t end = outWarnings.find('\n', start);
            const std::string line = outWarnings.substr(start, end - start);
            if (!line.empty() && line.find("IFD1") == std::string::npos) {
                EXPECT_NE(sourceWarnings.find(line), std::string::npos) << line;
            }
            start = end == std::string::npos ? outWarnings.size() : end + 1;
        }
        EXPECT_EQ(outWarnings.find("IFD1"), std::string::npos) << outWarnings;
        EXPECT_EQ(test::runTool({ "djpeg", "-outfile", "/dev/null", out.string() }).exitCode, 0);
    }
}

} // namespace
} // namespace kelvra
