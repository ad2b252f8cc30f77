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
                 "orientation/portrait_6.jpg", "orientation/landscape_8.jpg", "invalid/corrupted.jpg" })
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

// The batch's one pass must write the very bytes of decoding the whole
// photo, drawing on it and encoding it, whatever the rows the label covers.
// One workspace serves all files in turn, as a worker does.
TEST_F(OnePass, SameJpegAsTheWholeRaster)
{
    EXPECT_GE(files->size(), 7u) << "jpegtran or convert missing: fewer kinds of file tried";
    PhotoWorkspace worker;
    for (const fs::path &file : *files) {
        const QString path = qpath(file);
        const int orientation = readExifOrientation(path);
        for (const Design &d : kDesigns) {
            SCOPED_TRACE(file.filename().string() + ", orientation " + std::to_string(orientation) + ": " + d.what);
            const QString text = QStringLiteral("2024:07:01 08:00:00");
            ASSERT_TRUE(worker.readFile(path));
            const auto layOut = [&](QSize stored) { return StoredPhotoLabel(stored, orientation, d.settings, text); };
            const ImageResult<> transcoded = worker.transcode(85, layOut);
            ASSERT_TRUE(transcoded) << transcoded.detail;

            PhotoWorkspace whole;
            ASSERT_TRUE(whole.readFile(path));
            ASSERT_TRUE(whole.decode());
            const QImage unstamped = whole.raster().copy();
            ASSERT_TRUE(drawLabelOnStoredPhoto(whole.raster(), orientation, d.settings, text));
            ASSERT_FALSE(whole.raster() == unstamped); // there is a label to carry
            ASSERT_TRUE(whole.encode(85));

            EXPECT_EQ(worker.warnings() > 0, whole.warnings() > 0);
            EXPECT_TRUE(worker.encoded() == whole.encoded());
        }
    }
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
