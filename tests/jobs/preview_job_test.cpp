// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/qt_test_support.h"
#include "common/test_support.h"
#include "jobs/preview_job.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

namespace kelvra {
namespace {

using test::photo;
using test::qpath;
using test::TempDir;

TEST(PreviewJob, ScaleCoversTheAreaUpright)
{
    struct Case
    {
        QSize upright;
        QSize area;
        int scale;
    };
    const Case cases[] = {
        { { 4032, 2012 }, { 642, 378 }, 2 },
        { { 4032, 2012 }, { 300, 200 }, 3 },
        { { 4032, 2012 }, { 2000, 1200 }, 1 },
        { { 4032, 2012 }, { 4100, 2100 }, 0 },
        { { 450, 600 }, { 400, 300 }, 1 }, // a portrait covers the height at half
        { { 600, 450 }, { 400, 300 }, 0 },
        { { 1, 1 }, { 642, 378 }, 0 },
        { { 0, 0 }, { 642, 378 }, 0 },
    };
    for (const Case &c : cases)
        EXPECT_EQ(neededPreviewScale(c.upright, c.area), c.scale) << c.upright.width() << "x" << c.upright.height();
}

TEST(PreviewJob, PhotosComeUprightWithTheirValues)
{
    const FormatSettings format = FormatSettings::system();
    // Stored 600 x 450 with orientation 6, so upright 450 x 600; landscape_3 is turned half a turn.
    const PreviewPhoto portrait = loadPreviewPhoto(qpath(photo("orientation/portrait_6.jpg")), { 400, 300 }, 0, format);
    ASSERT_TRUE(portrait.ok()) << portrait.detail.toStdString();
    EXPECT_EQ(portrait.uprightFullSize, QSize(450, 600));
    EXPECT_EQ(portrait.scale, 1);
    EXPECT_EQ(portrait.raster.size(), QSize(225, 300));
    EXPECT_EQ(portrait.raster.format(), QImage::Format_RGB32);

    const PreviewPhoto camera = loadPreviewPhoto(qpath(photo("gps/DSCN0010.jpg")), { 642, 378 }, 0, format);
    ASSERT_TRUE(camera.ok());
    EXPECT_EQ(camera.values.Make, QStringLiteral("NIKON"));
    EXPECT_FALSE(camera.values.GPSPos.isEmpty());
    EXPECT_EQ(camera.values.CurrentFile, camera.path);
    EXPECT_EQ(camera.warnings, 0);
}

TEST(PreviewJob, FailuresAreCodes)
{
    TempDir dir;
    test::writeFileBytes(dir / "junk.jpg", "neither JPEG nor anything else");
    test::writeFileBytes(dir / "junk.heic", "neither HEIC nor anything else");
    test::writeFileBytes(dir / "notes.txt", "text");
    struct Case
    {
        QString path;
        PreviewError error;
    };
    const Case cases[] = {
        { qpath(dir / "missing.jpg"), PreviewError::NotFound },
        { qpath(dir.path()), PreviewError::NotFound },
        { qpath(dir / "notes.txt"), PreviewError::NotJpegName },
        { qpath(dir / "junk.heic"), PreviewError::Unreadable },
        { qpath(dir / "junk.jpg"), PreviewError::Unreadable },
    };
    for (const Case &c : cases) {
        const PreviewPhoto p = loadPreviewPhoto(c.path, { 642, 378 }, 0, FormatSettings::system());
        EXPECT_EQ(p.error, c.error) << c.path.toStdString();
        EXPECT_FALSE(p.ok());
        EXPECT_TRUE(p.raster.isNull());
    }
}

TEST(PreviewJob, DrawingLeavesTheLoadedRasterAlone)
{
    const FormatSettings format = FormatSettings::system();
    const PreviewPhoto p = loadPreviewPhoto(qpath(photo("gps/DSCN0010.jpg")), { 642, 378 }, 0, format);
    ASSERT_TRUE(p.ok());
    const QImage before = p.raster.copy();
    StampSettings s;
    s.CaptionFormat = QStringLiteral("[Make]");
    s.BgColor = 0x0000ff; // red, opaque
    const PreviewPicture picture = drawPreview(p, s, format);
    EXPECT_EQ(picture.text, QStringLiteral("NIKON"));
    EXPECT_EQ(p.raster, before);
    ASSERT_GT(picture.box.width(), 0);
    ASSERT_GT(picture.box.height(), 0);
    EXPECT_EQ(picture.raster.pixel(picture.box.Left, picture.box.Top), qRgb(255, 0, 0));
    // Outside the box nothing changed.
    EXPECT_EQ(picture.raster.pixel(p.raster.width() - 1, p.raster.height() - 1),
        before.pixel(p.raster.width() - 1, p.raster.height() - 1));

    s.StampPhotosOpt = false;
    const PreviewPicture off = drawPreview(p, s, format);
    EXPECT_TRUE(off.text.isEmpty());
    EXPECT_EQ(off.raster, before);
}

// A load that waits for the test's word, so requests can pile up behind it.
class Gate
{
public:
    void open()
    {
        std::lock_guard<std::mutex> locker(m_lock);
        m_open = true;
        m_changed.notify_all();
    }
    void waitOpen()
    {
        std::unique_lock<std::mutex> locker(m_lock);
        m_changed.wait(locker, [this] { return m_open; });
    }
    void markStarted()
    {
        std::lock_guard<std::mutex> locker(m_lock);
        m_started = true;
        m_changed.notify_all();
    }
    void waitStarted()
    {
        std::unique_lock<std::mutex> locker(m_lock);
        m_changed.wait(locker, [this] { return m_started; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_open = false;
    bool m_started = false;
};

TEST(PreviewLoader, NewerRequestWins)
{
    Gate gate;
    std::mutex lock;
    std::condition_variable delivered;
    std::vector<QString> loaded;
    std::vector<QString> results;
    {
        PreviewLoader loader([&](const QString &path, QSize, int, const FormatSettings &) {
            {
                std::lock_guard<std::mutex> locker(lock);
                loaded.push_back(path);
            }
            if (path == QLatin1String("first")) {
                gate.markStarted();
                gate.waitOpen();
            }
            PreviewPhoto p;
            p.path = path;
            return p;
        });
        auto done = [&](PreviewPhoto p) {
            std::lock_guard<std::mutex> locker(lock);
            results.push_back(p.path);
            delivered.notify_all();
        };
        const FormatSettings format;
        loader.request(QStringLiteral("first"), { 10, 10 }, 0, format, done);
        gate.waitStarted();
        // Both come while the first is running: the second never starts.
        loader.request(QStringLiteral("second"), { 10, 10 }, 0, format, done);
        loader.request(QStringLiteral("third"), { 10, 10 }, 0, format, done);
        gate.open();
        std::unique_lock<std::mutex> locker(lock);
        delivered.wait(locker, [&] { return !results.empty(); });
        locker.unlock();
        // The destructor waits for anything still running; nothing else is delivered.
        EXPECT_EQ(loader.decodeCount(), 2);
    }
    EXPECT_EQ(loaded, (std::vector<QString> { QStringLiteral("first"), QStringLiteral("third") }));
    EXPECT_EQ(results, (std::vector<QString> { QStringLiteral("third") }));
}

TEST(PreviewLoader, LoadsRealPhotosOneAfterAnother)
{
    PreviewLoader loader;
    std::mutex lock;
    std::condition_variable delivered;
    std::vector<PreviewPhoto> results;
    auto done = [&](PreviewPhoto p) {
        std::lock_guard<std::mutex> locker(lock);
        results.push_back(std::move(p));
        delivered.notify_all();
    };
    const FormatSettings format = FormatSettings::system();
    const char *const photos[] = { "orientation/landscape_1.jpg", "makers/Canon.jpg" };
    for (size_t i = 0; i < 2; ++i) {
        loader.request(qpath(photo(photos[i])), { 642, 378 }, 0, format, done);
        std::unique_lock<std::mutex> locker(lock);
        delivered.wait(locker, [&] { return results.size() == i + 1; });
    }
    EXPECT_EQ(loader.decodeCount(), 2);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_TRUE(results[i].ok());
        EXPECT_EQ(results[i].path, qpath(photo(photos[i])));
        EXPECT_FALSE(results[i].raster.isNull());
    }
}

} // namespace
} // namespace kelvra
