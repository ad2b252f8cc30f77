// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/photo_workspace.h"

#include "common/test_support.h"
#include "imaging/coefficient_stamp.h"
#include "imaging/imaging_test_support.h"
#include "imaging/label_renderer.h"
#include "imaging/photo_loading.h"

#include <gtest/gtest.h>

namespace kelvra::test {
namespace {

namespace fs = std::filesystem;

StampSettings design(int place, double size, bool heavy)
{
    StampSettings s;
    s.XOrient = place & 1;
    s.YOrient = (place >> 1) & 1;
    s.XD = s.YD = 0.1;
    s.Size = size;
    s.FShadow = s.FOutline = heavy;
    s.Style.Italic = heavy;
    if (heavy)
        s.BgColor = 0x204060;
    return s;
}

struct Design
{
    const char *what;
    StampSettings settings;
};

const Design kDesigns[] = {
    { "top left", design(0, 20, false) },
    { "bottom right, shadow and outline", design(3, 8, true) },
    { "taller and wider than the photo: every row in the band", design(1, 0.8, true) },
};

// Files of every kind the decoder meets: turned ones, progressive, grey,
// Adobe CMYK and one whose entropy data is damaged.
class OnePass : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir = new TempDir;
        files = new std::vector<fs::path>;
        for (const char *name : { "orientation/landscape_1.jpg", "orientation/landscape_3.jpg",
                 "orientation/portrait_6.jpg", "orientation/landscape_8.jpg", "invalid/corrupted.jpg",
                 "makers/NikonD70.jpg", "structure/GPS_with_comment.jpg" })
            files->push_back(photo(name));
        const fs::path source = photo("gps/DSCN0010.jpg");
        if (toolAvailable("jpegtran")) {
            const fs::path progressive = *dir / "progressive.jpg";
            if (runTool({ "jpegtran", "-progressive", "-outfile", progressive.string(), source.string() }).exitCode
                == 0)
                files->push_back(progressive);
        }
        if (toolAvailable("convert")) {
            for (const char *space : { "Gray", "CMYK" }) {
                const fs::path out = *dir / (std::string(space) + ".jpg");
                if (runTool({ "convert", source.string(), "-colorspace", space, "-quality", "90", out.string() })
                        .exitCode
                    == 0)
                    files->push_back(out);
            }
        }
    }
    static void TearDownTestSuite()
    {
        delete files;
        delete dir;
    }

    static inline TempDir *dir = nullptr;
    static inline std::vector<fs::path> *files = nullptr;
};

QImage decoded(std::string_view jpeg)
{
    return QImage::fromData(QByteArrayView(jpeg.data(), qsizetype(jpeg.size())), "JPEG")
        .convertToFormat(QImage::Format_RGB32);
}

// The batch's one pass keeps a 4:2:0 photo's samples: decoded, it is the same
// pass without a label except in the label's MCUs (and the pixel beyond, where
// a decoder blends chroma), it draws the label as the whole raster does, and
// it keeps the rest of the photo closer to the source than decoding and encoding
// all of it. Any other photo is written as decoding it whole, drawing on it
// and encoding it would. One workspace serves all files in turn, as a worker does.
TEST_F(OnePass, KeepsTheSamplesOutsideTheLabel)
{
    EXPECT_GE(files->size(), 9u) << "jpegtran or convert missing: fewer kinds of file tried";
    PhotoWorkspace worker, ahead;
    ahead.setDecodeAhead(true);
    int kept = 0;
    for (const fs::path &file : *files) {
        const QString path = qpath(file);
        const int orientation = readExifOrientation(path);
        const std::string source = readFileBytes(file);
        const ImageResult<jpeg::HeaderInfo> header
            = jpeg::readHeader(reinterpret_cast<const unsigned char *>(source.data()), source.size());
        for (const Design &d : kDesigns) {
            SCOPED_TRACE(file.filename().string() + ", orientation " + std::to_string(orientation) + ": " + d.what);
            const QString text = QStringLiteral("2024:07:01 08:00:00");
            ASSERT_TRUE(worker.readFile(path));
            QRect area;
            const auto layOut = [&](QSize stored) {
                StoredPhotoLabel label(stored, orientation, d.settings, text);
                area = label.storedArea();
                return label;
            };
            const ImageResult<> transcoded = worker.transcode(85, layOut);
            ASSERT_TRUE(transcoded) << transcoded.detail;
            const std::string labelled(worker.encoded());
            // Decoding on a thread of its own changes nothing of the result.
            ASSERT_TRUE(ahead.readFile(path));
            ASSERT_TRUE(ahead.transcode(85, layOut));
            EXPECT_TRUE(ahead.encoded() == labelled);
            EXPECT_EQ(ahead.warnings(), worker.warnings());

            PhotoWorkspace whole;
            ASSERT_TRUE(whole.readFile(path));
            ASSERT_TRUE(whole.decode());
            const QImage unstamped = whole.raster().copy();
            ASSERT_TRUE(drawLabelOnStoredPhoto(whole.raster(), orientation, d.settings, text));
            ASSERT_FALSE(whole.raster() == unstamped); // there is a label to carry
            ASSERT_TRUE(whole.encode(85));
            EXPECT_EQ(worker.warnings() > 0, whole.warnings() > 0);
            if (!header.value.chroma420) {
                EXPECT_TRUE(labelled == whole.encoded());
                continue;
            }
            ++kept;
            StampSettings plain = d.settings;
            plain.BgColor = kNoColor;
            plain.FShadow = plain.FOutline = false;
            ASSERT_TRUE(worker.transcode(
                85, [&](QSize stored) { return StoredPhotoLabel(stored, orientation, plain, QString()); }));
            const QImage bare = decoded(worker.encoded()), stamped = decoded(labelled),
                         drawn = decoded(whole.encoded()), original = decoded(source);
            ASSERT_FALSE(area.isEmpty());
            const QRect mcus = QRect(QPoint(area.left() / 16 * 16, area.top() / 16 * 16),
                QPoint(area.right() / 16 * 16 + 15, area.bottom() / 16 * 16 + 15))
                                   .adjusted(-1, -1, 1, 1);
            int outside = 0;
            for (int y = 0; y < bare.height(); ++y)
                for (int x = 0; x < bare.width(); ++x)
                    outside += !mcus.contains(x, y) && bare.pixel(x, y) != stamped.pixel(x, y);
            EXPECT_EQ(outside, 0);
            const QRect label = area & stamped.rect();
            EXPECT_LT(meanDifference(stamped, drawn, label), 3.0);
            EXPECT_LE(
                meanDifference(stamped, original, original.rect()), meanDifference(drawn, original, original.rect()));
        }
    }
    EXPECT_GE(kept, 4);
}

TEST_F(OnePass, NoJpegInsideIsLeftToItsOwnDecoder)
{
    const fs::path fake = *dir / "really_a_png.jpg";
    ASSERT_TRUE(gradientRaster(64, 48).save(qpath(fake), "PNG"));
    PhotoWorkspace worker;
    ASSERT_TRUE(worker.readFile(qpath(fake)));
    const ImageResult<> transcoded = worker.transcode(
        90, [](QSize stored) { return StoredPhotoLabel(stored, 1, StampSettings(), QStringLiteral("x")); });
    EXPECT_EQ(transcoded.error, ImageError::Library); // the codec refuses a PNG, not the label
    EXPECT_FALSE(transcoded.detail.empty());
    ASSERT_TRUE(worker.decode());
    EXPECT_EQ(worker.decodedKind(), PhotoKind::Png);
    EXPECT_EQ(worker.raster().size(), QSize(64, 48));
}

// A label that cannot be laid out (no memory, say) fails every road with
// the same code, which the batch reports as no memory for the label.
TEST(LabelFailure, EveryRoadSaysPaintRefused)
{
    const std::string source = readFileBytes(photo("gps/DSCN0010.jpg"));
    const auto refuse = [](QSize) -> StoredPhotoLabel { throw std::bad_alloc(); };
    PhotoWorkspace pixels;
    ASSERT_TRUE(pixels.readFile(qpath(photo("gps/DSCN0010.jpg"))));
    EXPECT_EQ(pixels.transcode(90, refuse).error, ImageError::PaintRefused);
    for (const bool splicing : { true, false }) {
        SCOPED_TRACE(splicing);
        CoefficientStamp coefficients;
        coefficients.setSplicing(splicing);
        EXPECT_EQ(coefficients.stamp(source, refuse).error, ImageError::PaintRefused);
    }
}

} // namespace
} // namespace kelvra::test
