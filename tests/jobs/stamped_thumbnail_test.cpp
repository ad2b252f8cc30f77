// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/qt_test_support.h"
#include "common/test_support.h"
#include "imaging/bitmap_rotate.h"
#include "imaging/label_renderer.h"
#include "jobs/batch_run.h"
#include "metadata/exif_reader.h"

#include <QImage>

#include <gtest/gtest.h>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::photo;
using test::qpath;
using test::readFileBytes;
using test::runTool;
using test::TempDir;

// The EXIF thumbnail as exiftool extracts it, decoded; null without one.
QImage thumbnailOf(const fs::path &file)
{
    const std::string bytes = runTool({ "exiftool", "-b", "-ThumbnailImage", file.string() }).out;
    return QImage::fromData(reinterpret_cast<const uchar *>(bytes.data()), int(bytes.size()), "JPG")
        .convertToFormat(QImage::Format_RGB32);
}

// Mean difference of the channels of two pictures of one size, inside or
// outside a rectangle (grown by a margin for the outside).
double meanDifference(const QImage &a, const QImage &b, const QRect &area, bool inside)
{
    const QRect grown = area.adjusted(-3, -3, 3, 3);
    double sum = 0;
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (inside ? !area.contains(x, y) : grown.contains(x, y))
                continue;
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
            count += 3;
        }
    return count ? sum / count : 0;
}

// A large label with a box, its text fixed, so that its place is known.
BatchJob boxedLabel(bool keepQuality)
{
    BatchJob job;
    job.settings.CaptionFormat = QStringLiteral("KELVRA 2024");
    job.settings.Size = 5;
    job.settings.BgColor = 0x2040C0;
    job.settings.XOrient = job.settings.YOrient = 1;
    job.options.KeepQuality = keepQuality;
    job.jobs = 1;
    return job;
}

struct ThumbnailCase
{
    const char *what;
    std::string source; // test photo
    std::vector<std::string> exiftool; // applied to the staged copy
    int orientation;
    bool uprightThumbnail; // the staged thumbnail is stored upright
};

// On both roads and in Save As: a photo with an EXIF thumbnail gets one of
// the stamped photo, the size the old one was and stored as it was, whose
// label area differs from the old one and whose rest does not; a photo
// without one gets none.
TEST(StampedThumbnail, ShowsTheLabelAtTheOldThumbnailsSize)
{
    if (!test::toolAvailable("exiftool") || !test::toolAvailable("convert"))
        GTEST_SKIP() << "needs exiftool and ImageMagick";
    TempDir dir;
    fs::create_directories(dir / "in");
    // An upright thumbnail for a photo stored on its side, as some cameras write.
    ASSERT_EQ(runTool({ "convert", photo("gps/DSCN0010.jpg").string(), "-rotate", "90", "-resize", "120x160!",
                          (dir / "upright.jpg").string() })
                  .exitCode,
        0);
    const std::vector<ThumbnailCase> cases = {
        { "camera thumbnail", "gps/DSCN0010.jpg", {}, 1, false },
        { "thumbnail before the maker note", "makers/nikon-e950.jpg", {}, 1, false },
        { "thumbnail larger than the photo", "structure/Nikon_D70.jpg", {}, 1, false },
        { "turned, thumbnail stored as the photo", "gps/DSCN0010.jpg", { "-Orientation#=6" }, 6, false },
        { "turned, thumbnail stored upright", "gps/DSCN0010.jpg",
            { "-Orientation#=6", "-ThumbnailImage<=" + (dir / "upright.jpg").string() }, 6, true },
        { "no thumbnail", "orientation/landscape_3.jpg", {}, 3, false },
    };
    int n = 0;
    for (const ThumbnailCase &c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path source = dir / "in" / ("photo" + std::to_string(n++) + ".jpg");
        fs::copy_file(photo(c.source), source);
        if (!c.exiftool.empty()) {
            std::vector<std::string> argv { "exiftool", "-q", "-overwrite_original" };
            argv.insert(argv.end(), c.exiftool.begin(), c.exiftool.end());
            argv.push_back(source.string());
            ASSERT_EQ(runTool(argv).exitCode, 0);
        }
        const QImage old = thumbnailOf(source);
        for (const int road : { 0, 1, 2 }) { // normal, kept quality, Save As
            SCOPED_TRACE(road);
            const BatchJob job = boxedLabel(road == 1);
            const fs::path out = dir / "out" / (source.stem().string() + "_" + std::to_string(road) + ".jpg");
            fs::create_directories(out.parent_path());
            if (road == 2) {
                EXPECT_EQ(SaveStampedAs(qpath(source), qpath(out), job).outcome, PhotoOutcome::Stamped);
            } else {
                const BatchReport report = RunBatch({ qpath(source) }, qpath(dir / "batch"), job, nullptr);
                ASSERT_EQ(report.count(PhotoOutcome::Stamped), 1);
                fs::rename(test::nativeOf(report.photos[0].output), out);
            }
            QImage now = thumbnailOf(out);
            if (old.isNull()) {
                EXPECT_TRUE(now.isNull());
                continue;
            }
            ASSERT_FALSE(now.isNull());
            ASSERT_EQ(now.size(), old.size());
            EXPECT_EQ(now.width() < now.height(), c.uprightThumbnail);
            // Where the label lies on the thumbnail, in its stored orientation.
            const QImage stored = QImage::fromData(QByteArray::fromStdString(readFileBytes(source)), "JPG");
            const QRect area
                = StoredPhotoLabel(stored.size(), c.orientation, job.settings, QStringLiteral("KELVRA 2024"))
                      .storedArea();
            QImage a = old, b = now;
            if (c.uprightThumbnail) {
                ASSERT_TRUE(orientationTurns(c.orientation).back(a) && orientationTurns(c.orientation).back(b));
            }
            const double sx = double(a.width()) / stored.width(), sy = double(a.height()) / stored.height();
            const QRect small(
                int(area.left() * sx), int(area.top() * sy), int(area.width() * sx), int(area.height() * sy));
            ASSERT_FALSE(small.isEmpty());
            const double inside = meanDifference(a, b, small, true), outside = meanDifference(a, b, small, false);
            EXPECT_GT(inside, outside + 20) << inside << " " << outside;
            EXPECT_LT(outside, 15);
        }
    }
}

} // namespace
} // namespace kelvra
