// SPDX-License-Identifier: GPL-3.0-or-later
// What the window asks of the jobs for HEIC, PNG, TIFF and WebP photos made
// here: queued from a folder, previewed and thumbnailed upright, named.
#include "common/photo_kinds_support.h"
#include "common/qt_test_support.h"
#include "common/test_support.h"

#include "jobs/batch_run.h"
#include "jobs/photo_list.h"
#include "jobs/preview_job.h"
#include "jobs/thumbnail_job.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace kelvra {
namespace {

namespace fs = std::filesystem;

// A file beside the photos that is none.
class PhotoKindsJobs : public test::KindPhotosTest
{
protected:
    void SetUp() override
    {
        KindPhotosTest::SetUp();
        if (!IsSkipped() && !HasFatalFailure())
            test::writeFileBytes(dir / "in" / "notes.txt", "not a photo");
    }
};

TEST_F(PhotoKindsJobs, AFolderQueuesEveryKind)
{
    const PhotoInputs inputs = listPhotos({ test::qpath(dir / "in") });
    QStringList names;
    for (const QString &p : inputs.photos)
        names << QFileInfo(p).fileName();
    EXPECT_EQ(names, QStringList({ "phone.heic", "scan.tif", "screen.png", "web.webp" }));
    ASSERT_EQ(inputs.folders.size(), 1u);
    EXPECT_EQ(inputs.folders[0].notJpeg, 1);
}

// Stored 600 x 400 with orientation 6: upright is 400 x 600, in the preview,
// the thumbnail and the values the caption uses.
TEST_F(PhotoKindsJobs, PreviewAndThumbnailAreUpright)
{
    for (const fs::path &photo : photos) {
        SCOPED_TRACE(photo.filename().string());
        const PreviewPhoto p = loadPreviewPhoto(test::qpath(photo), { 200, 200 }, 0, FormatSettings::system());
        ASSERT_TRUE(p.ok()) << p.detail.toStdString();
        EXPECT_EQ(p.uprightFullSize, QSize(400, 600));
        EXPECT_EQ(p.scale, 1);
        EXPECT_EQ(p.raster.size(), QSize(200, 300));
        EXPECT_EQ(p.raster.format(), QImage::Format_RGB32);
        EXPECT_TRUE(test::sameColour(p.raster.pixelColor(100, 150), QColor(0x80, 0x80, 0x80)));
        EXPECT_EQ(p.values.Make, QStringLiteral("Canon"));

        const QImage thumb = makeThumbnail(test::qpath(photo), { 96, 96 });
        ASSERT_FALSE(thumb.isNull());
        EXPECT_EQ(thumb.size(), QSize(64, 96));
    }
}

TEST_F(PhotoKindsJobs, OutputNamesSayWhatEachBecomes)
{
    BatchJob job;
    job.settings.StampPhotosOpt = true;
    QStringList list;
    for (const fs::path &photo : photos)
        list << test::qpath(photo);
    std::vector<BatchPhotoResult> plans = PlanBatch(list, test::qpath(dir / "out"), job);
    QStringList outputs;
    for (const BatchPhotoResult &r : plans)
        outputs << QFileInfo(r.output).fileName();
    const QString postfix = job.options.FilePostfix;
    EXPECT_EQ(outputs,
        QStringList({ "phone" + postfix + ".jpg", "screen" + postfix + ".png", "scan" + postfix + ".jpg",
            "web" + postfix + ".jpg" }));

    job.settings.StampPhotosOpt = false;
    job.settings.RenamePhotos = true;
    job.settings.FNMask = QStringLiteral("%y-%m-%d %o");
    plans = PlanBatch(list, test::qpath(dir / "out"), job);
    for (size_t i = 0; i < plans.size(); ++i)
        EXPECT_EQ(QFileInfo(plans[i].output).fileName(), "2021-06-15 " + QFileInfo(list[qsizetype(i)]).fileName());
}

} // namespace
} // namespace kelvra
