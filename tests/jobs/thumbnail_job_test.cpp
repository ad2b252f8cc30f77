// SPDX-License-Identifier: GPL-3.0-or-later
// Strip thumbnails: where the picture comes from, that it stands upright,
// and the maker's queue and cache.
#include "common/qt_test_support.h"
#include "common/test_support.h"
#include "jobs/thumbnail_job.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace kelvra {
namespace {

using test::photo;
using test::qpath;
using test::TempDir;

const QSize kBound(160, 100);

bool waitFor(const std::function<bool()> &condition, int ms = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void makeJpeg(const QString &path, QSize size, QColor colour)
{
    QImage raster(size, QImage::Format_RGB32);
    raster.fill(colour);
    ASSERT_TRUE(raster.save(path, "JPEG"));
}

TEST(MakeThumbnail, TakesTheExifThumbnailElseAnEighthScaleDecodeTurnedUpright)
{
    TempDir dir;
    // The EXIF thumbnail of this 640 x 480 photo is 160 x 120; an eighth-scale
    // decode would give 80 x 60, which is never enlarged.
    const QString withThumb = qpath(photo("gps/DSCN0010.jpg"));
    EXPECT_EQ(makeThumbnail(withThumb, kBound).size(), QSize(133, 100));
    // Its picture is damaged, its thumbnail is not.
    EXPECT_EQ(makeThumbnail(qpath(photo("invalid/corrupted.jpg")), kBound).size(), QSize(133, 100));

    // Stored 600 x 450 and to be turned a quarter: no thumbnail, so decoded at 75 x 57 and turned.
    const QImage turned = makeThumbnail(qpath(photo("orientation/portrait_6.jpg")), kBound);
    EXPECT_EQ(turned.size(), QSize(57, 75));
    EXPECT_EQ(makeThumbnail(qpath(photo("orientation/portrait_1.jpg")), kBound).size(), QSize(57, 75));

    // The EXIF thumbnail is turned with its photo.
    if (test::toolAvailable("exiftool")) {
        const std::filesystem::path copy = dir / "turned.jpg";
        std::filesystem::copy_file(photo("gps/DSCN0010.jpg"), copy);
        ASSERT_EQ(
            test::runTool({ "exiftool", "-q", "-overwrite_original", "-Orientation#=6", copy.string() }).exitCode, 0);
        EXPECT_EQ(makeThumbnail(qpath(copy), kBound).size(), QSize(75, 100));
    }

    // A useless 28-byte thumbnail falls back to the photo itself.
    EXPECT_EQ(makeThumbnail(qpath(photo("makers/Nikon.jpg")), kBound).size(), QSize(1, 1));

    // A large photo is decoded at an eighth and shrunk to fit.
    const QString large = qpath(dir / "large.jpg");
    makeJpeg(large, QSize(2400, 1200), Qt::darkGreen);
    const QImage shrunk = makeThumbnail(large, kBound);
    EXPECT_EQ(shrunk.size(), QSize(160, 80));
    EXPECT_EQ(shrunk.format(), QImage::Format_RGB32);
    EXPECT_LE(qAbs(qGreen(shrunk.pixel(80, 40)) - 128), 8);
}

TEST(MakeThumbnail, OtherContentUnderAJpegNameIsReadAndGarbageGivesNothing)
{
    TempDir dir;
    const QString png = qpath(dir / "really_a_png.jpg");
    QImage raster(400, 400, QImage::Format_RGB32);
    raster.fill(Qt::yellow);
    ASSERT_TRUE(raster.save(png, "PNG"));
    EXPECT_EQ(makeThumbnail(png, kBound).size(), QSize(100, 100));

    const std::filesystem::path garbage = dir / "garbage.jpg";
    test::writeFileBytes(garbage,
        std::string("\xFF\xD8\xFF\xE1\x00\x10"
                    "Exif\0\0MM\0*",
            16)
            + std::string(300, '\x07'));
    EXPECT_TRUE(makeThumbnail(qpath(garbage), kBound).isNull());
    EXPECT_TRUE(makeThumbnail(qpath(dir / "missing.jpg"), kBound).isNull());
}

// An APP1 segment as the reader stores it, with IFD0 (no entries) linking to
// IFD1, which names the thumbnail's offset and length.
QByteArray segment(bool motorola, quint32 offset, quint32 length, const QByteArray &thumb, quint32 ifd1 = 14)
{
    QByteArray tiff;
    auto put16 = [&](quint16 v) {
        const char b[2] = { char(v >> 8), char(v) };
        tiff.append(motorola ? b[0] : b[1]).append(motorola ? b[1] : b[0]);
    };
    auto put32 = [&](quint32 v) {
        motorola ? (put16(quint16(v >> 16)), put16(quint16(v))) : (put16(quint16(v)), put16(quint16(v >> 16)));
    };
    tiff.append(motorola ? "MM" : "II");
    put16(42);
    put32(8); // IFD0
    put16(0);
    put32(ifd1);
    put16(2); // IFD1 at 14
    put16(0x0201);
    put16(4);
    put32(1);
    put32(offset);
    put16(0x0202);
    put16(4);
    put32(1);
    put32(length);
    put32(0);
    tiff.append(thumb); // at 44
    QByteArray out;
    const int size = int(tiff.size()) + 8;
    out.append(char(size >> 8)).append(char(size)).append("Exif", 4).append('\0').append('\0').append(tiff);
    return out;
}

TEST(ExifThumbnailBytes, ReadsOnlyWhatLiesInsideTheSegment)
{
    const QByteArray thumb = QByteArray("\xFF\xD8", 2) + QByteArray(20, 'j');
    struct Case
    {
        const char *what;
        QByteArray segment;
        bool found;
    };
    const Case cases[] = {
        { "Intel order", segment(false, 44, 22, thumb), true },
        { "Motorola order", segment(true, 44, 22, thumb), true },
        { "length one past the end", segment(false, 44, 23, thumb), false },
        { "offset past the end", segment(false, 4000, 22, thumb), false },
        { "offset and length wrapping", segment(false, 44, 0xFFFFFFF0u, thumb), false },
        { "zero length", segment(false, 44, 0, thumb), false },
        { "not a JPEG", segment(false, 46, 20, thumb), false },
        { "IFD1 outside", segment(false, 44, 22, thumb, 0x7FFFFFF0u), false },
        { "no IFD1", segment(false, 44, 22, thumb, 0), false },
        { "not EXIF", QByteArray(40, 'x'), false },
        { "cut short", segment(false, 44, 22, thumb).left(20), false },
        { "empty", QByteArray(), false },
    };
    for (const Case &c : cases) {
        const QByteArray found = exifThumbnailBytes(c.segment);
        EXPECT_EQ(!found.isEmpty(), c.found) << c.what;
        if (c.found) {
            EXPECT_EQ(found, thumb) << c.what;
        }
    }
}

// A making function that holds every call until the test lets it go, one
// at a time or all at once, and records the order in which calls started.
class Gate
{
public:
    QImage make(const QString &path, QSize)
    {
        std::unique_lock<std::mutex> locker(m_lock);
        m_started.push_back(path);
        m_changed.notify_all();
        m_changed.wait(locker, [this] { return m_open || m_permits > 0; });
        if (!m_open)
            --m_permits;
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::white);
        return image;
    }
    void letOneGo()
    {
        const std::lock_guard<std::mutex> locker(m_lock);
        ++m_permits;
        m_changed.notify_all();
    }
    void open()
    {
        const std::lock_guard<std::mutex> locker(m_lock);
        m_open = true;
        m_changed.notify_all();
    }
    void waitStarted(qsizetype count)
    {
        std::unique_lock<std::mutex> locker(m_lock);
        m_changed.wait(locker, [&] { return m_started.size() >= count; });
    }
    QStringList started()
    {
        const std::lock_guard<std::mutex> locker(m_lock);
        return m_started;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    QStringList m_started;
    int m_permits = 0;
    bool m_open = false;
};

TEST(ThumbnailMaker, AnswersAtOnceAndKeepsPicturesByPathAndModificationTime)
{
    TempDir dir;
    const QString path = qpath(dir / "photo.jpg");
    makeJpeg(path, QSize(800, 400), Qt::red);
    ThumbnailMaker maker(kBound);
    QStringList ready;
    QObject::connect(&maker, &ThumbnailMaker::ready, [&](const QString &p) { ready << p; });
    QImage image;
    EXPECT_EQ(maker.thumbnail(path, &image), ThumbnailMaker::Status::Pending);
    EXPECT_EQ(maker.thumbnail(path, &image), ThumbnailMaker::Status::Pending); // queued once
    ASSERT_TRUE(waitFor([&] { return !ready.isEmpty(); }));
    EXPECT_EQ(ready, QStringList { path });
    ASSERT_EQ(maker.thumbnail(path, &image), ThumbnailMaker::Status::Ready);
    EXPECT_EQ(image.size(), QSize(100, 50));
    EXPECT_GT(qRed(image.pixel(50, 25)), 200);
    EXPECT_EQ(maker.madeCount(), 1);

    // Checked again, unchanged: not made again.
    maker.recheck({ path });
    EXPECT_EQ(maker.thumbnail(path, &image), ThumbnailMaker::Status::Ready);
    ASSERT_TRUE(waitFor([&] { return maker.queuedCount() == 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(maker.madeCount(), 1);

    // Edited meanwhile: made again once it is checked, the old picture shown until then.
    makeJpeg(path, QSize(800, 800), Qt::blue);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
    }
    EXPECT_EQ(maker.thumbnail(path, &image), ThumbnailMaker::Status::Ready);
    EXPECT_EQ(image.size(), QSize(100, 50));
    EXPECT_EQ(maker.madeCount(), 1);
    maker.recheck({ path });
    EXPECT_EQ(maker.thumbnail(path, &image), ThumbnailMaker::Status::Ready);
    ASSERT_TRUE(waitFor([&] { return ready.size() == 2; }));
    EXPECT_EQ(maker.thumbnail(path, &image), ThumbnailMaker::Status::Ready);
    EXPECT_EQ(image.size(), QSize(100, 100));
    EXPECT_EQ(maker.madeCount(), 2);

    // A photo that cannot be decoded fails once and is not tried again and again.
    const std::filesystem::path bad = dir / "bad.jpg";
    test::writeFileBytes(bad, "not a photo");
    maker.thumbnail(qpath(bad), nullptr);
    ASSERT_TRUE(waitFor([&] { return ready.size() == 3; }));
    EXPECT_EQ(maker.thumbnail(qpath(bad), &image), ThumbnailMaker::Status::Failed);
    EXPECT_EQ(maker.thumbnail(qpath(bad), &image), ThumbnailMaker::Status::Failed);
    QCoreApplication::processEvents();
    EXPECT_EQ(maker.madeCount(), 3);
}

TEST(ThumbnailMaker, MakesTheNewestRequestFirstAndDropsForgottenOnes)
{
    Gate gate;
    QStringList ready;
    {
        ThumbnailMaker maker(kBound, [&](const QString &path, QSize bound) { return gate.make(path, bound); });
        QObject::connect(&maker, &ThumbnailMaker::ready, [&](const QString &p) { ready << p; });
        maker.thumbnail(QStringLiteral("/a.jpg"), nullptr);
        maker.thumbnail(QStringLiteral("/b.jpg"), nullptr);
        gate.waitStarted(2); // both workers busy
        for (const char *p : { "/c.jpg", "/d.jpg", "/e.jpg", "/f.jpg" })
            maker.thumbnail(QLatin1String(p), nullptr);
        maker.forget(QStringLiteral("/e.jpg"));
        maker.forget(QStringLiteral("/never.jpg"));
        EXPECT_EQ(maker.queuedCount(), 3);
        // Both workers are held, so each picture let go frees one for the newest waiting path.
        for (qsizetype next = 3; next <= 5; ++next) {
            gate.letOneGo();
            gate.waitStarted(next);
        }
        gate.open();
        ASSERT_TRUE(waitFor([&] { return ready.size() == 5; }));
        const QStringList started = gate.started();
        ASSERT_EQ(started.size(), 5);
        EXPECT_EQ(QStringList(started.begin() + 2, started.end()),
            (QStringList { QStringLiteral("/f.jpg"), QStringLiteral("/d.jpg"), QStringLiteral("/c.jpg") }));
        EXPECT_FALSE(ready.contains(QStringLiteral("/e.jpg")));
    }
}

TEST(ThumbnailMaker, GoingAwayWhilePicturesAreMadeWaitsAndReportsNothingMore)
{
    Gate gate;
    int reported = 0;
    {
        auto maker = std::make_unique<ThumbnailMaker>(
            kBound, [&](const QString &path, QSize bound) { return gate.make(path, bound); });
        QObject::connect(maker.get(), &ThumbnailMaker::ready, [&] { ++reported; });
        for (int i = 0; i < 20; ++i)
            maker->thumbnail(QStringLiteral("/p%1.jpg").arg(i), nullptr);
        gate.waitStarted(2);
        std::thread opener([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            gate.open();
        });
        maker.reset(); // waits for the two running, drops the other eighteen
        opener.join();
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(reported, 0);
    EXPECT_EQ(gate.started().size(), 2);
}

} // namespace
} // namespace kelvra
