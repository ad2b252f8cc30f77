// SPDX-License-Identifier: GPL-3.0-or-later
// HEIC, PNG, TIFF and WebP photos made here by the outside tools, through the
// command line: read, captioned, stamped and renamed as a JPEG is, checked
// against exiftool.
#include "common/photo_kinds_support.h"
#include "common/test_support.h"

#include <QImage>
#include <QImageReader>
#include <QTransform>

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <sstream>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::runCli;
using test::runTool;

using PhotoKindsCli = test::KindPhotosTest;

// The EXIF and XMP lines exiftool gives, group and tag, without the lines
// that describe a file's own pixels and layout.
std::set<std::string> metadataLines(const fs::path &file)
{
    static const std::set<std::string> pixelTags { "ImageWidth", "ImageHeight", "BitsPerSample", "Compression",
        "PhotometricInterpretation", "StripOffsets", "SamplesPerPixel", "RowsPerStrip", "StripByteCounts",
        "PlanarConfiguration", "FillOrder", "Predictor", "ExtraSamples", "SampleFormat" };
    const auto r = runTool({ "exiftool", "-a", "-G1", "-s", "-EXIF:all", "-XMP:all", file.string() });
    std::set<std::string> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string group, tag;
        words >> group >> tag;
        if (!pixelTags.count(tag))
            lines.insert(line);
    }
    return lines;
}

std::string iccOf(const fs::path &file)
{
    return runTool({ "exiftool", "-b", "-ICC_Profile", file.string() }).out;
}

// The output as a person sees it: turned by its EXIF orientation (6 here).
QImage upright(const fs::path &file)
{
    QImageReader reader(QString::fromStdString(file.string()));
    reader.setAutoTransform(false);
    const QImage stored = reader.read();
    const std::string orientation = runTool({ "exiftool", "-n", "-s3", "-Orientation", file.string() }).out;
    return orientation.rfind("6", 0) == 0 ? stored.transformed(QTransform().rotate(90)) : stored;
}

// How many pixels of a quarter of the picture are the label's red box.
int redIn(const QImage &image, bool right, bool bottom)
{
    int red = 0;
    const int w = image.width() / 2, h = image.height() / 2;
    for (int y = bottom ? h : 0; y < (bottom ? image.height() : h); ++y) {
        for (int x = right ? w : 0; x < (right ? image.width() : w); ++x) {
            const QRgb p = image.pixel(x, y);
            red += qRed(p) > 180 && qGreen(p) < 90 && qBlue(p) < 90;
        }
    }
    return red;
}

TEST_F(PhotoKindsCli, TagsAndCaptionsReadEveryKindAsTheJpeg)
{
    const std::string caption = "[Make]|[Model]|[ISO]|[FNumber]|[ETime]|[GPSPos]|[PHOTO_DATE]";
    const auto expected = runCli({ "caption", caption, (dir / "base.jpg").string() });
    ASSERT_EQ(expected.exitCode, 0) << expected.err;
    ASSERT_TRUE(test::contains(expected.out, "Canon|Canon EOS 80D|200|")) << expected.out;
    for (const fs::path &photo : photos) {
        const auto tags = runCli({ "tags", photo.string() });
        EXPECT_EQ(tags.exitCode, 0) << photo << tags.err;
        EXPECT_TRUE(test::contains(tags.out, "Model\tCanon EOS 80D")) << photo << tags.out;
        EXPECT_TRUE(test::contains(tags.out, "DateTimeOriginal\t2021:06:15 10:20:30")) << photo << tags.out;
        const auto r = runCli({ "caption", caption, photo.string() });
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, expected.out) << photo;
    }
}

// A folder of the four kinds: HEIC, TIFF and WebP become JPEGs named ".jpg",
// PNG stays PNG; each upright with the label at the chosen corner, each with
// the source's EXIF, XMP and ICC and its file dates.
TEST_F(PhotoKindsCli, StampsAFolderOfEveryKind)
{
    const fs::path out = dir / "out";
    const auto r = runCli({ "stamp", "--caption", "[Make] [Model]", "--place", "br", "--size", "4", "--color",
        "#FFFFFF", "--bg", "#FF0000", "--quality", "90", "--out", out.string(), (dir / "in").string() });
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_TRUE(test::contains(r.out, "4 stamped")) << r.out;

    const std::pair<const char *, const char *> outputs[] = {
        { "phone.heic", "phone_timestamp.jpg" },
        { "screen.png", "screen_timestamp.png" },
        { "scan.tif", "scan_timestamp.jpg" },
        { "web.webp", "web_timestamp.jpg" },
    };
    for (const auto &[sourceName, outputName] : outputs) {
        SCOPED_TRACE(sourceName);
        const fs::path source = dir / "in" / sourceName;
        const fs::path output = out / outputName;
        ASSERT_TRUE(fs::exists(output));
        const std::string head = test::readFileBytes(output).substr(0, 4);
        EXPECT_EQ(head, std::string(outputName).ends_with(".png") ? "\x89PNG" : "\xFF\xD8\xFF\xE1");

        const QImage picture = upright(output);
        ASSERT_EQ(picture.size(), QSize(400, 600)); // stored 600 x 400, orientation 6
        EXPECT_GT(redIn(picture, true, true), 50);
        EXPECT_EQ(redIn(picture, false, false), 0);
        EXPECT_EQ(redIn(picture, true, false), 0);

        EXPECT_EQ(metadataLines(output), metadataLines(source));
        EXPECT_EQ(iccOf(output), iccOf(source));
        // The source's modification time, cut to two seconds as for every output.
        const auto seconds = [](const fs::path &f) {
            const auto time = std::chrono::file_clock::to_sys(fs::last_write_time(f));
            return std::chrono::floor<std::chrono::seconds>(time).time_since_epoch().count();
        };
        EXPECT_EQ(seconds(output), seconds(source) - ((seconds(source) % 2) + 2) % 2);
    }
}

// The rename road copies every kind byte for byte, sorted by the EXIF date.
TEST_F(PhotoKindsCli, RenamesEveryKindIntoDatedFolders)
{
    const fs::path out = dir / "sorted";
    const auto r
        = runCli({ "stamp", "--no-stamp", "--rename", "%y/%m/%o", "--out", out.string(), (dir / "in").string() });
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    for (const fs::path &photo : photos) {
        const fs::path copy = out / "2021" / "06" / photo.filename();
        ASSERT_TRUE(fs::exists(copy)) << copy;
        EXPECT_EQ(test::readFileBytes(copy), test::readFileBytes(photo));
    }
}

// A cut HEIC fails with libheif's reason and leaves nothing under a JPEG
// name; a cut PNG, even one that lacks only its end chunk, fails with the
// reader's words and its plain copy stands, as for JPEG.
TEST_F(PhotoKindsCli, CutFilesFailWithTheLibrarysReason)
{
    fs::create_directories(dir / "cut");
    for (const fs::path &photo : { photos[0], photos[1] }) {
        const std::string bytes = test::readFileBytes(photo);
        test::writeFileBytes(dir / "cut" / photo.filename(), bytes.substr(0, bytes.size() * 2 / 3));
    }
    // Only the end marker gone: the picture is whole, the file is not.
    const std::string png = test::readFileBytes(photos[1]);
    test::writeFileBytes(dir / "cut" / "tail.png", png.substr(0, png.size() - 12));
    const fs::path out = dir / "cutout";
    const auto r = runCli({ "stamp", "--out", out.string(), (dir / "cut").string() });
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(test::contains(r.err, "phone.heic: Invalid input")) << r.err; // libheif's words
    EXPECT_TRUE(test::contains(r.err, "screen.png: Unable to read image data")) << r.err; // the reader's words
    EXPECT_TRUE(test::contains(r.err, "tail.png: Unable to read image data")) << r.err;
    EXPECT_FALSE(fs::exists(out / "phone_timestamp.jpg"));
    EXPECT_FALSE(fs::exists(out / "phone_timestamp.heic"));
    // Whatever stands under the PNG's name is a whole PNG: the source, or a stamped one.
    if (fs::exists(out / "screen_timestamp.png")) {
        const std::string written = test::readFileBytes(out / "screen_timestamp.png");
        const bool copy = written == test::readFileBytes(dir / "cut" / "screen.png");
        EXPECT_TRUE(copy || written.ends_with(std::string("IEND\xAE\x42\x60\x82", 8)));
    }
    for (const auto &entry : fs::directory_iterator(out))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

} // namespace
} // namespace kelvra
