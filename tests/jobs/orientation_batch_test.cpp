// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/qt_test_support.h"
#include "common/test_support.h"
#include "imaging/label_renderer.h"
#include "jobs/batch_run.h"

#include <QImage>
#include <QPainter>
#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::photo;
using test::qpath;
using test::TempDir;

// The photos upright as a viewer shows them, by ImageMagick rather than by
// our own turns: file base name to raster.
std::map<std::string, QImage> uprightByImageMagick(const std::vector<fs::path> &jpegs, const fs::path &folder)
{
    fs::create_directories(folder);
    std::vector<std::string> argv = { "mogrify", "-path", folder.string(), "-auto-orient", "-format", "ppm" };
    for (const fs::path &jpeg : jpegs)
        argv.push_back(jpeg.string());
    const test::CommandResult r = test::runTool(argv);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::map<std::string, QImage> upright;
    for (const fs::path &jpeg : jpegs) {
        const std::string name = jpeg.stem().string();
        upright[name] = QImage(qpath(folder / (name + ".ppm"))).convertToFormat(QImage::Format_RGB32);
    }
    return upright;
}

double meanDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

QRect rectOf(const LabelBox &box)
{
    return QRect(box.Left, box.Top, box.width(), box.height());
}

struct Placement
{
    const char *name;
    int xOrient;
    int yOrient;
};

// Every orientation, stamped on both roads, turned upright by a viewer, must
// show the label a design drawn on the upright photo shows: in the chosen
// corner, its text neither mirrored nor on its side.
TEST(OrientationBatch, EveryOrientationGetsAnUprightLabelInTheChosenCorner)
{
    if (!test::toolAvailable("mogrify"))
        GTEST_SKIP() << "ImageMagick is not installed";
    TempDir dir;
    std::vector<fs::path> sources;
    QStringList sourceList;
    for (const char *scene : { "landscape", "portrait" })
        for (int n = 1; n <= 8; ++n) {
            sources.push_back(photo("orientation/" + std::string(scene) + "_" + std::to_string(n) + ".jpg"));
            sourceList << qpath(sources.back());
        }
    const std::map<std::string, QImage> uprightSources = uprightByImageMagick(sources, dir / "sources");

    for (const bool keepQuality : { false, true }) {
        for (const Placement &place : { Placement { "bottom right", 1, 1 }, Placement { "top left", 0, 0 } }) {
            BatchJob job;
            // Letters that read differently mirrored either way, black on a white box.
            job.settings.CaptionFormat = QStringLiteral("FLRJ4");
            job.settings.Size = 7;
            job.settings.FontColor = 0x000000;
            job.settings.BgColor = 0xFFFFFF;
            job.settings.XOrient = place.xOrient;
            job.settings.YOrient = place.yOrient;
            job.settings.XD = job.settings.YD = 0.04;
            job.options.KeepQuality = keepQuality;
            job.options.jpgquality = 95;
            job.jobs = 2;
            const fs::path out = dir / (std::string(keepQuality ? "kept" : "normal") + std::to_string(place.xOrient));
            const BatchReport report = RunBatch(sourceList, qpath(out), job, nullptr);
            ASSERT_EQ(report.count(PhotoOutcome::Stamped), 16);
            std::vector<fs::path> outputs;
            for (const BatchPhotoResult &result : report.photos)
                outputs.push_back(result.output.toStdString());
            const std::map<std::string, QImage> uprightOutputs = uprightByImageMagick(outputs, out / "upright");

            for (const auto &[name, upright] : uprightSources) {
                SCOPED_TRACE(name + (keepQuality ? ", kept quality, " : ", normal, ") + place.name);
                const QImage &stamped = uprightOutputs.at(name + "_timestamp");
                ASSERT_EQ(stamped.size(), upright.size());

                QImage expected = upright.copy();
                PhotoCanvas canvas(&expected);
                const QRect box = rectOf(DrawTextToPhotoWITH_PARAMS(canvas, job.settings, QStringLiteral("FLRJ4")));
                ASSERT_GT(box.width(), box.height() * 2);
                // The corner itself: the box sits by the chosen sides.
                EXPECT_EQ(box.center().x() > upright.width() / 2, place.xOrient == 1);
                EXPECT_EQ(box.center().y() > upright.height() / 2, place.yOrient == 1);

                const QImage got = stamped.copy(box);
                const double same = meanDifference(got, expected.copy(box));
                const double mirroredH = meanDifference(got, expected.copy(box).mirrored(true, false));
                const double mirroredV = meanDifference(got, expected.copy(box).mirrored(false, true));
                EXPECT_LT(same, 4.0);
                EXPECT_LT(same * 3, mirroredH);
                EXPECT_LT(same * 3, mirroredV);
                // Nothing drawn elsewhere: the picture around the box is the photo's.
                QImage outside = stamped.copy();
                QImage plain = upright.copy();
                const QRect margin = box.adjusted(-box.height(), -box.height(), box.height(), box.height());
                for (QImage *image : { &outside, &plain })
                    QPainter(image).fillRect(margin, Qt::black);
                EXPECT_LT(meanDifference(outside, plain), 3.0);
            }
        }
    }
}

} // namespace
} // namespace kelvra
