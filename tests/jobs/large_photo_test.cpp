// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/qt_test_support.h"
#include "common/test_support.h"
#include "imaging/jpeg_codec.h"
#include "imaging/jpeg_image.h"
#include "imaging/photo_loading.h"
#include "imaging/photo_workspace.h"
#include "jobs/batch_run.h"

#include <QImage>

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::qpath;
using test::TempDir;

// Wider than any raster we hold: 65500 x 4100 is 268.55 MP, just over the
// 1 GiB of a whole raster, at libjpeg's largest width.
constexpr int kWidth = 65500;
constexpr int kHeight = 4100;

// The process's peak resident memory since the last reset, in bytes; none
// where the kernel does not let a process reset it.
bool resetPeakMemory()
{
    std::ofstream clear("/proc/self/clear_refs");
    return clear && (clear << "5").flush();
}

std::optional<long long> peakMemory()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long long kilobytes = 0;
    while (status >> key) {
        if (key == "VmHWM:" && status >> kilobytes)
            return kilobytes * 1024;
        status.ignore(1 << 20, '\n');
    }
    return std::nullopt;
}

class LargePhoto : public ::testing::Test
{
protected:
    // One black photo for the suite, streamed from a PGM into cjpeg: it
    // never exists as a raster, here or there.
    static void SetUpTestSuite()
    {
        dir = new TempDir;
        source = new fs::path(*dir / "in" / "panorama.jpg");
        fs::create_directories(source->parent_path());
        const std::string pgm = "{ printf 'P5\\n" + std::to_string(kWidth) + " " + std::to_string(kHeight)
            + "\\n255\\n'; head -c " + std::to_string(qint64(kWidth) * kHeight) + " /dev/zero; }";
        made = test::toolAvailable("cjpeg")
            && test::runTool(
                   { "sh", "-c", pgm + " | cjpeg -grayscale -quality 50 -outfile '" + source->string() + "'" })
                    .exitCode
                == 0;
    }
    static void TearDownTestSuite()
    {
        delete source;
        delete dir;
    }
    void SetUp() override
    {
        if (!made)
            GTEST_SKIP() << "cjpeg could not make the large photo";
    }

    static TempDir *dir;
    static fs::path *source;
    static bool made;
};

TempDir *LargePhoto::dir = nullptr;
fs::path *LargePhoto::source = nullptr;
bool LargePhoto::made = false;

// Both roads stamp it row by row: the label in its corner, the memory far
// below the 1 GiB a whole raster would take.
TEST_F(LargePhoto, StampedRowByRowOnBothRoads)
{
    for (const bool keepQuality : { false, true }) {
        SCOPED_TRACE(keepQuality ? "kept quality" : "normal");
        BatchJob job;
        job.settings.CaptionFormat = QStringLiteral("KELVRA");
        job.settings.Size = 7;
        job.settings.FontColor = 0x000000;
        job.settings.BgColor = 0xFFFFFF;
        job.settings.XOrient = job.settings.YOrient = 1;
        job.options.KeepQuality = keepQuality;
        job.jobs = 1;
        const fs::path out = *dir / (keepQuality ? "kept" : "normal");
        const bool measured = resetPeakMemory();
        const std::optional<long long> before = peakMemory();
        const BatchReport report = RunBatch({ qpath(*source) }, qpath(out), job, nullptr);
        const std::optional<long long> after = peakMemory();
        ASSERT_EQ(report.photos.size(), 1u);
        EXPECT_EQ(report.photos[0].outcome, PhotoOutcome::Stamped) << int(report.photos[0].imageError);
        EXPECT_FALSE(report.photos[0].copiedUnchanged);
        if (measured && before && after) {
            EXPECT_LT(*after - *before, 512LL << 20);
        }

        // Seen at an eighth, as the preview decodes it.
        JpegImage stamped;
        ASSERT_TRUE(stamped.loadFromFile(report.photos[0].output));
        EXPECT_EQ(stamped.fullWidth(), kWidth);
        EXPECT_EQ(stamped.fullHeight(), kHeight);
        stamped.setScale(3);
        ASSERT_TRUE(stamped.decode());
        const QImage &small = stamped.image();
        QRect white;
        for (int y = 0; y < small.height(); ++y)
            for (int x = 0; x < small.width(); ++x)
                if (qGray(small.pixel(x, y)) > 240)
                    white |= QRect(x, y, 1, 1);
        ASSERT_FALSE(white.isEmpty());
        EXPECT_GT(white.left(), small.width() * 3 / 4);
        EXPECT_GT(white.top(), small.height() / 2);
        EXPECT_LT(qGray(small.pixel(10, 10)), 3);
    }
}

// The roads that need the whole raster still refuse it, and say why.
TEST_F(LargePhoto, WholeRasterRoadsRefuseWithAClearError)
{
    PhotoWorkspace workspace;
    ASSERT_TRUE(workspace.readFile(qpath(*source)));
    EXPECT_EQ(workspace.decode().error, ImageError::PictureTooLarge);

    JpegImage full;
    ASSERT_TRUE(full.loadFromFile(qpath(*source)));
    EXPECT_EQ(full.decode().error, ImageError::PictureTooLarge);
}

} // namespace
} // namespace kelvra
