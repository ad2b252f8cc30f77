// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/exif_thumbnail.h"

#include "common/test_support.h"
#include "imaging/coefficient_stamp.h"
#include "imaging/imaging_test_support.h"
#include "imaging/label_renderer.h"
#include "imaging/photo_workspace.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kelvra::test {
namespace {

namespace fs = std::filesystem;

// A thumbnail JPEG of the given size, to ask for one like it.
std::string smallJpeg(int width, int height)
{
    const QImage picture = gradientRaster(width, height);
    const ImageResult<jpeg::EncodeBuffer> encoded
        = jpeg::encode(picture.constBits(), width, height, std::size_t(picture.bytesPerLine()), 80);
    EXPECT_TRUE(encoded) << encoded.detail;
    return std::string(encoded.value.bytes());
}

// The reduced picture each road leaves for the thumbnail is the stamped JPEG
// as djpeg shows it at the same scale (label included): the kept road's from
// its DC terms, spliced or coded again, the normal road's from the rows it
// encodes. Camera photos, a turned one, greyscale, 4:4:4, restart markers
// and tables that lack the label's codes.
TEST(ExifThumbnail, ReducedPictureIsTheStampedPhotoAtItsScale)
{
    if (!toolAvailable("djpeg") || !toolAvailable("cjpeg"))
        GTEST_SKIP() << "needs djpeg and cjpeg";
    TempDir dir;
    const QImage gradient = gradientRaster(1200, 900);
    ASSERT_TRUE(gradient.save(QString::fromStdString((dir / "gradient.ppm").string())));
    {
        std::ofstream out(dir / "flat.ppm", std::ios::binary);
        out << "P6\n640 480\n255\n" << std::string(640 * 480 * 3, char(90));
    }
    struct Case
    {
        const char *what;
        std::vector<std::string> cjpeg; // empty: the photo as it is
        fs::path source;
        int orientation;
        bool keep;
    };
    const std::vector<Case> cases = {
        { "camera photo, kept", {}, photo("gps/DSCN0010.jpg"), 1, true },
        { "camera photo, normal", {}, photo("gps/DSCN0010.jpg"), 1, false },
        { "turned, kept", {}, photo("gps/DSCN0010.jpg"), 6, true },
        { "turned, normal", {}, photo("gps/DSCN0010.jpg"), 8, false },
        { "greyscale, kept", { "-grayscale", "-restart", "2" }, dir / "gradient.ppm", 1, true },
        { "4:4:4 optimised, kept", { "-sample", "1x1", "-optimize" }, dir / "gradient.ppm", 3, true },
        { "tables without the label's codes, kept", { "-optimize" }, dir / "flat.ppm", 1, true },
        { "progressive, kept", { "-progressive" }, dir / "gradient.ppm", 1, true },
    };
    StampSettings design;
    design.Size = 12;
    design.BgColor = 0x2040C0;
    design.FShadow = true;
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fs::path source = c.source;
        if (!c.cjpeg.empty()) {
            source = dir / ("in" + std::to_string(n++) + ".jpg");
            std::vector<std::string> argv { "cjpeg" };
            argv.insert(argv.end(), c.cjpeg.begin(), c.cjpeg.end());
            argv.insert(argv.end(), { "-outfile", source.string(), c.source.string() });
            ASSERT_EQ(runTool(argv).exitCode, 0);
        }
        const std::string thumbnail = smallJpeg(80, 60);
        ExifThumbnailMaker maker;
        maker.want(thumbnail, c.orientation);
        const auto layOut
            = [&](QSize stored) { return StoredPhotoLabel(stored, c.orientation, design, QStringLiteral("KELVRA")); };
        std::string output;
        CoefficientStamp stamp;
        PhotoWorkspace workspace;
        if (c.keep) {
            const ImageResult<CoefficientStamp::Road> stamped = stamp.stamp(readFileBytes(source), layOut, &maker);
            ASSERT_TRUE(stamped && stamped.value != CoefficientStamp::Road::Declined);
            output = std::string(stamp.encoded());
        } else {
            ASSERT_TRUE(workspace.readFile(QString::fromStdString(source.string())));
            ASSERT_TRUE(workspace.transcode(90, layOut, &maker));
            output = std::string(workspace.encoded());
        }
        const QImage reduced = maker.reduced();
        ASSERT_FALSE(reduced.isNull());
        ASSERT_EQ(maker.scale(), 8);
        const fs::path written = dir / "out.jpg";
        std::ofstream(written, std::ios::binary) << output;
        const QImage shown = djpegDecode(written, { "-scale", "1/8" });
        ASSERT_EQ(reduced.size(), shown.size());
        const PixelDifference d = compareImages(reduced, shown);
        // Rounding and chroma upsampling differ; a misplaced block would not.
        EXPECT_LT(d.meanChannel, 2.5);
        EXPECT_LT(d.maxChannel, 64);
        const QByteArray made = maker.make();
        ASSERT_FALSE(made.isEmpty());
        EXPECT_EQ(QImage::fromData(made, "JPG").size(), QSize(80, 60));
    }
}

} // namespace
} // namespace kelvra::test
