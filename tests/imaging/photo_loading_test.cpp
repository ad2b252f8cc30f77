// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/photo_decoder.h"
#include "imaging/photo_loading.h"

#include "common/test_support.h"
#include "imaging/bitmap_rotate.h"
#include "imaging/imaging_test_support.h"
#include "imaging/photo_workspace.h"
#include "platform/file_ops.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include <gtest/gtest.h>

#include <stdexcept>

namespace kelvra::test {
namespace {

TEST(JPGGetNeededSize, StrongestReductionThatStillCovers)
{
    struct Case
    {
        int scale, width, height, areaWidth, areaHeight, expected;
    };
    const Case cases[] = {
        { 0, 6000, 4000, 642, 378, 3 }, // 4000 div 8 = 500 >= 378
        { 0, 1200, 800, 642, 378, 1 }, // 800 div 4 = 200, 1200 div 4 = 300, 800 div 2 = 400
        { 0, 600, 400, 642, 378, 0 }, { 3, 750, 500, 642, 378, 3 }, // the size at 1/8 counts eight times
        { 1, 600, 400, 642, 378, 1 }, { 0, 5200, 1000, 642, 378, 3 }, // the width alone is enough
        { 0, 1283, 700, 642, 378, 0 }, // 1283 div 2 = 641, 700 div 2 = 350
        { 0, 1284, 700, 642, 378, 1 }, { 0, 100, 100, 0, 0, 3 }, // a hidden area
    };
    for (const Case &c : cases)
        EXPECT_EQ(JPGGetNeededSize(c.scale, c.width, c.height, c.areaWidth, c.areaHeight), c.expected)
            << c.scale << " " << c.width << "x" << c.height << " in " << c.areaWidth << "x" << c.areaHeight;
}

TEST(JPGGetNeededSize, UsesThePhotosSizeAtItsCurrentScale)
{
    JpegImage jpeg;
    ASSERT_TRUE(jpeg.loadFromFile(qpath(photo("gps/67-0_length_string.jpg")))); // 4032 x 2012
    EXPECT_EQ(JPGGetNeededSize(jpeg, 642, 378), 2);
    jpeg.setScale(3); // 504 x 252 at this scale, 4032 x 2016 taken as full
    EXPECT_EQ(JPGGetNeededSize(jpeg, 642, 378), 2);
    EXPECT_EQ(JPGGetNeededSize(jpeg, 500, 378), 3);
}

// Each kind is decoded straight from its bytes, whatever its name, with no
// JPEG round on the way: lossless kinds come back exact.
struct KindCase
{
    const char *format;
    PhotoKind kind;
    int tolerance; // largest mean channel difference
};

class OtherKinds : public ::testing::TestWithParam<KindCase>
{
};

TEST_P(OtherKinds, DecodeStraightFromTheirBytes)
{
    const KindCase c = GetParam();
    TempDir dir;
    const QString file = qpath(dir / "named-anything.jpg");
    const QImage source = gradientRaster(160, 90);
    QImageWriter writer(file, c.format);
    if (std::string(c.format) == "webp")
        writer.setQuality(100);
    ASSERT_TRUE(writer.write(source)) << writer.errorString().toStdString();

    EXPECT_EQ(photoKindOfFile(nativePath(file)), c.kind);
    const ImageResult<DecodedPhoto> decoded = loadOtherPhoto(file, c.kind);
    ASSERT_TRUE(decoded) << decoded.detail;
    const QImage &raster = decoded.value.raster;
    EXPECT_EQ(raster.format(), QImage::Format_RGB32);
    ASSERT_EQ(raster.size(), QSize(160, 90));
    EXPECT_LE(compareImages(raster, source).meanChannel, c.tolerance);
}

INSTANTIATE_TEST_SUITE_P(Kinds, OtherKinds,
    ::testing::Values(KindCase { "png", PhotoKind::Png, 0 }, KindCase { "tiff", PhotoKind::Tiff, 0 },
        KindCase { "webp", PhotoKind::Webp, 3 }),
    [](const auto &info) { return std::string(info.param.format); });

TEST(OtherKinds, SixteenBitsAndTransparencyBecomeOpaqueEightBits)
{
    TempDir dir;
    QImage deep(40, 20, QImage::Format_RGBA64);
    deep.fill(Qt::transparent);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            deep.setPixelColor(x, y, QColor::fromRgba64(0, 0, 0xFFFF, 0xFFFF));
    for (const char *format : { "png", "tiff" }) {
        const QString file = qpath(dir / (std::string("deep.") + format));
        ASSERT_TRUE(deep.save(file, format));
        const ImageResult<DecodedPhoto> decoded = loadOtherPhoto(file, photoKindOfFile(nativePath(file)));
        ASSERT_TRUE(decoded) << format;
        const QImage &raster = decoded.value.raster;
        EXPECT_EQ(raster.format(), QImage::Format_RGB32);
        EXPECT_EQ(raster.pixel(30, 10), qRgb(255, 255, 255)) << format; // lies on white
        EXPECT_EQ(raster.pixel(10, 10), qRgb(0, 0, 255)) << format;
    }
}

TEST(OtherKinds, DamagedOrMissingFilesFailWithTheReadersWords)
{
    TempDir dir;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(gradientRaster(64, 48).save(&buffer, "PNG"));
    const ImageResult<DecodedPhoto> cut = decodeOtherPhoto(PhotoKind::Png, png.left(40));
    EXPECT_EQ(cut.error, ImageError::NoReader);
    EXPECT_FALSE(cut.detail.empty());
    EXPECT_TRUE(cut.value.raster.isNull());

    const QByteArray heifHeaderOnly("\0\0\0\x18"
                                    "ftypheic\0\0\0\0heicmif1",
        24);
    const ImageResult<DecodedPhoto> heif = decodeOtherPhoto(PhotoKind::Heif, heifHeaderOnly);
    EXPECT_EQ(heif.error, ImageError::Library);
    EXPECT_FALSE(heif.detail.empty()); // libheif's own words

    EXPECT_EQ(loadOtherPhoto(qpath(dir / "missing.png"), PhotoKind::Png).error, ImageError::FileUnreadable);
}

// A photo decoded in full and turned upright by its own orientation, as the preview turns it.
struct UprightPhoto
{
    bool ok = false;
    int orientation = 1;
    QImage raster;
};

UprightPhoto uprightPhoto(const QString &path)
{
    UprightPhoto photo;
    JpegImage jpeg;
    photo.ok = jpeg.loadFromFile(path) && jpeg.decode();
    photo.orientation = readExifOrientation(path);
    photo.ok = photo.ok && applyOrientation(jpeg, photo.orientation, false);
    photo.raster = jpeg.takeImage();
    return photo;
}

// The orientation photos show one scene stored in each EXIF orientation; the
// number in the name is the file's Orientation value.
TEST(Orientation, UprightPhotosMatchTheUnturnedOne)
{
    for (const char *scene : { "landscape", "portrait" }) {
        const auto base
            = [&](int n) { return photo("orientation/" + std::string(scene) + "_" + std::to_string(n) + ".jpg"); };
        const UprightPhoto normal = uprightPhoto(qpath(base(1)));
        const UprightPhoto halfTurn = uprightPhoto(qpath(base(3)));
        ASSERT_TRUE(normal.ok);
        ASSERT_TRUE(halfTurn.ok);
        for (int n = 2; n <= 8; ++n) {
            SCOPED_TRACE(std::string(scene) + " " + std::to_string(n));
            const UprightPhoto turned = uprightPhoto(qpath(base(n)));
            ASSERT_TRUE(turned.ok);
            EXPECT_EQ(turned.orientation, n);
            EXPECT_EQ(turned.raster.size(), normal.raster.size());
            // File 1 was processed apart (other colours), so the right turn
            // only has to match it far better than the opposite one.
            QImage opposite = turned.raster;
            ASSERT_TRUE(Rotate180(opposite));
            EXPECT_LT(compareImages(turned.raster, normal.raster).meanChannel * 2,
                compareImages(opposite, normal.raster).meanChannel);
            // Files 2 to 8 share their processing: close, only the JPEG loss apart.
            EXPECT_LT(compareImages(turned.raster, halfTurn.raster).meanChannel, 6.0);
        }
    }
}

// The program's reader against the values exiftool reports for these files.
TEST(Orientation, ReadsTheFilesOwnValue)
{
    for (const char *scene : { "landscape", "portrait" })
        for (int n = 1; n <= 8; ++n) {
            const auto file = photo("orientation/" + std::string(scene) + "_" + std::to_string(n) + ".jpg");
            EXPECT_EQ(readExifOrientation(qpath(file)), n) << file;
        }
    // No EXIF block, an EXIF block that cannot be reached, no file.
    EXPECT_EQ(readExifOrientation(qpath(photo("structure/olympus-d320l.jpg"))), 1);
    EXPECT_EQ(readExifOrientation(qpath(photo("invalid/image01551.jpg"))), 1);
    EXPECT_EQ(readExifOrientation(QStringLiteral("/nonexistent/photo.jpg")), 1);
}

TEST(Orientation, UprightAndBackGivesIdenticalPixels)
{
    for (int orientation = 2; orientation <= 8; ++orientation) {
        JpegImage jpeg;
        ASSERT_TRUE(jpeg.loadFromFile(qpath(photo("orientation/portrait_6.jpg"))));
        ASSERT_TRUE(applyOrientation(jpeg, orientation, false)); // decodes on demand
        EXPECT_EQ(jpeg.image().size(), orientation < 5 ? QSize(600, 450) : QSize(450, 600));
        ASSERT_TRUE(applyOrientation(jpeg, orientation, true));
        JpegImage fresh;
        ASSERT_TRUE(fresh.loadFromFile(qpath(photo("orientation/portrait_6.jpg"))));
        ASSERT_TRUE(fresh.decode());
        EXPECT_EQ(jpeg.image(), fresh.image()) << orientation;
    }
}

TEST(Orientation, ReaderFailuresAndOtherValuesLeaveThePicture)
{
    const QString path = qpath(photo("orientation/landscape_6.jpg"));
    JpegImage reference;
    ASSERT_TRUE(reference.loadFromFile(path));
    ASSERT_TRUE(reference.decode());
    const std::vector<OrientationReader> readers = {
        [](const QString &) -> int { throw std::runtime_error("unreadable"); },
        [](const QString &) { return 0; },
        [](const QString &) { return 9; },
        [](const QString &) { return -6; },
        OrientationReader(),
    };
    for (const OrientationReader &reader : readers) {
        JpegImage jpeg = reference;
        const ImageResult<bool> turned = ApplyExifOrientation(jpeg, path, false, reader);
        EXPECT_TRUE(turned && !turned.value);
        EXPECT_EQ(jpeg.image(), reference.image());
        EXPECT_FALSE(jpeg.isDataStale());
    }
    QString seen;
    JpegImage jpeg = reference;
    const ImageResult<bool> turned = ApplyExifOrientation(jpeg, path, false, [&seen](const QString &p) {
        seen = p;
        return 6;
    });
    EXPECT_TRUE(turned && turned.value);
    EXPECT_EQ(seen, path);
    EXPECT_EQ(jpeg.image().size(), QSize(600, 450));
}

// The batch's whole-raster road decodes by content, not by name.
TEST(BatchWorkspace, DecodesAPngNamedJpgAsAPng)
{
    TempDir dir;
    const QString file = qpath(dir / "png-inside.jpg");
    ASSERT_TRUE(gradientRaster(64, 48).save(file, "PNG"));
    PhotoWorkspace workspace;
    ASSERT_TRUE(workspace.readFile(file));
    const ImageResult<> decoded = workspace.decode();
    ASSERT_TRUE(decoded) << decoded.detail;
    EXPECT_EQ(workspace.decodedKind(), PhotoKind::Png);
    EXPECT_EQ(workspace.raster().size(), QSize(64, 48));

    writeFileBytes(dir / "junk.jpg", "garbage");
    ASSERT_TRUE(workspace.readFile(qpath(dir / "junk.jpg")));
    EXPECT_NE(workspace.decode().error, ImageError::None);
}

TEST(BatchWorkspace, EncodesThePictureAsStored)
{
    TempDir dir;
    PhotoWorkspace workspace;
    ASSERT_TRUE(workspace.readFile(qpath(photo("orientation/landscape_6.jpg")))); // stored 450 x 600
    ASSERT_TRUE(workspace.decode());
    ASSERT_EQ(workspace.raster().size(), QSize(450, 600)); // not turned
    QPainter(&workspace.raster()).fillRect(0, 0, 20, 40, QColor(255, 0, 255));
    ASSERT_TRUE(workspace.encode(85));
    const auto out = dir / "out.jpg";
    writeFileBytes(out, std::string(workspace.encoded()));

    const QImage stored = djpegDecode(out, {});
    ASSERT_EQ(stored.size(), QSize(450, 600));
    const QRgb mark = stored.pixel(10, 20);
    EXPECT_GT(qRed(mark), 220);
    EXPECT_LT(qGreen(mark), 40);
    EXPECT_GT(qBlue(mark), 220);
    EXPECT_EQ(runTool({ "identify", "-format", "%Q", out.string() }).out, "85");
}

} // namespace
} // namespace kelvra::test
