// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/jpeg_image.h"

#include "common/test_support.h"
#include "imaging/imaging_test_support.h"
#include "imaging/jpeg_codec.h"

#include <QFile>

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <random>

#include <jpeglib.h>

namespace kelvra::test {
namespace {

QByteArray bytesOf(const std::filesystem::path &path)
{
    const std::string bytes = readFileBytes(path);
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

bool allOpaque(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(row[x]) != 255)
                return false;
    }
    return true;
}

// Our decoder and djpeg run the same library with the same settings, so the
// pixels must agree exactly; this checks that every setting reaches libjpeg.
struct DecodeCase
{
    const char *photo;
    int scale;
    JpegImage::Performance performance;
    bool smoothing;
};

class DecodeMatchesDjpeg : public ::testing::TestWithParam<DecodeCase>
{
};

TEST_P(DecodeMatchesDjpeg, SamePixels)
{
    const DecodeCase c = GetParam();
    JpegImage jpeg;
    const ImageResult<> loaded = jpeg.loadFromFile(qpath(photo(c.photo)));
    ASSERT_TRUE(loaded) << loaded.detail;
    jpeg.setScale(c.scale);
    jpeg.setPerformance(c.performance);
    jpeg.setSmoothing(c.smoothing);
    const int expectedWidth = jpeg.width();
    const int expectedHeight = jpeg.height();
    const ImageResult<> decoded = jpeg.decode();
    ASSERT_TRUE(decoded) << decoded.detail;
    EXPECT_EQ(jpeg.image().format(), QImage::Format_RGB32);
    EXPECT_EQ(jpeg.width(), expectedWidth);
    EXPECT_EQ(jpeg.height(), expectedHeight);
    EXPECT_TRUE(allOpaque(jpeg.image()));

    std::vector<std::string> options { "-scale", "1/" + std::to_string(1 << c.scale), "-dct",
        c.performance == JpegImage::Performance::BestSpeed ? "fast" : "int" };
    if (!c.smoothing)
        options.push_back("-nosmooth");
    const QImage reference = djpegDecode(photo(c.photo), options);
    const PixelDifference d = compareImages(jpeg.image(), reference);
    EXPECT_EQ(d.maxChannel, 0) << "mean " << d.meanChannel;
}

using P = JpegImage::Performance;
INSTANTIATE_TEST_SUITE_P(Photos, DecodeMatchesDjpeg,
    ::testing::Values(DecodeCase { "orientation/landscape_1.jpg", 0, P::BestQuality, true },
        DecodeCase { "orientation/landscape_1.jpg", 1, P::BestSpeed, true },
        DecodeCase { "orientation/landscape_1.jpg", 2, P::BestQuality, false },
        DecodeCase { "orientation/portrait_6.jpg", 3, P::BestSpeed, true },
        DecodeCase { "gps/DSCN0010.jpg", 0, P::BestSpeed, false },
        DecodeCase { "gps/DSCN0010.jpg", 3, P::BestQuality, true },
        DecodeCase { "makers/Canon_PowerShot_S40.jpg", 1, P::BestQuality, true },
        DecodeCase { "structure/olympus-d320l.jpg", 2, P::BestSpeed, true }),
    [](const auto &info) {
        const DecodeCase &c = info.param;
        std::string name = QString::fromLatin1(c.photo)
                               .section(QLatin1Char('/'), -1)
                               .section(QLatin1Char('.'), 0, 0)
                               .replace(QLatin1Char('-'), QLatin1Char('_'))
                               .toStdString();
        name += "_scale" + std::to_string(c.scale);
        name += c.performance == P::BestSpeed ? "_fast" : "_accurate";
        return name + (c.smoothing ? "" : "_nosmooth");
    });

// Files in other colour models, made at test time by outside tools and by
// libjpeg itself; each must come out as the RGB colours it was made from.
class ColourModels : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir = new TempDir;
        // Left half (200, 60, 30), right half (40, 90, 220).
        QImage picture(64, 32, QImage::Format_RGB32);
        picture.fill(qRgb(200, 60, 30));
        for (int y = 0; y < 32; ++y)
            for (int x = 32; x < 64; ++x)
                picture.setPixel(x, y, qRgb(40, 90, 220));
        ASSERT_TRUE(picture.save(qpath(*dir / "source.png")));
        ASSERT_TRUE(picture.save(qpath(*dir / "source.bmp")));
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }

    static QImage decoded(const std::filesystem::path &file)
    {
        JpegImage jpeg;
        const ImageResult<> loaded = jpeg.loadFromFile(qpath(file));
        EXPECT_TRUE(loaded) << loaded.detail;
        const ImageResult<> decoded = jpeg.decode();
        EXPECT_TRUE(decoded) << decoded.detail;
        return jpeg.image();
    }

    static void expectNear(QRgb actual, int r, int g, int b, int tolerance)
    {
        EXPECT_NEAR(qRed(actual), r, tolerance);
        EXPECT_NEAR(qGreen(actual), g, tolerance);
        EXPECT_NEAR(qBlue(actual), b, tolerance);
        EXPECT_EQ(qAlpha(actual), 255);
    }

    static TempDir *dir;
};

TempDir *ColourModels::dir = nullptr;

TEST_F(ColourModels, GreyscaleBecomesEqualRgb)
{
    const auto gray = *dir / "gray.jpg";
    ASSERT_EQ(runTool({ "convert", (*dir / "source.png").string(), "-colorspace", "Gray", "-type", "Grayscale",
                          "-quality", "95", gray.string() })
                  .exitCode,
        0);
    JpegImage jpeg;
    ASSERT_TRUE(jpeg.loadFromFile(qpath(gray)));
    ASSERT_TRUE(jpeg.isGrayscale());
    const QImage image = decoded(gray);
    const QImage reference = djpegDecode(gray, {});
    for (QPoint p : { QPoint(16, 16), QPoint(48, 16) }) {
        const QRgb px = image.pixel(p);
        EXPECT_EQ(qRed(px), qGreen(px));
        EXPECT_EQ(qGreen(px), qBlue(px));
        EXPECT_EQ(px, reference.pixel(p));
    }
    // ImageMagick's grey is the Rec. 709 luma of the two halves.
    EXPECT_NEAR(qRed(image.pixel(16, 16)), 88, 3);
    EXPECT_NEAR(qRed(image.pixel(48, 16)), 89, 3);
}

TEST_F(ColourModels, AdobeCmykFromImageMagick)
{
    const auto cmyk = *dir / "cmyk.jpg";
    ASSERT_EQ(
        runTool({ "convert", (*dir / "source.png").string(), "-colorspace", "CMYK", "-quality", "95", cmyk.string() })
            .exitCode,
        0);
    const QImage image = decoded(cmyk);
    expectNear(image.pixel(16, 16), 200, 60, 30, 4);
    expectNear(image.pixel(48, 16), 40, 90, 220, 4);
}

TEST_F(ColourModels, ProgressiveFromJpegtran)
{
    const auto baseline = *dir / "baseline.jpg";
    const auto progressive = *dir / "progressive.jpg";
    ASSERT_EQ(
        runTool({ "cjpeg", "-quality", "95", "-outfile", baseline.string(), (*dir / "source.bmp").string() }).exitCode,
        0);
    ASSERT_EQ(runTool({ "jpegtran", "-progressive", "-outfile", progressive.string(), baseline.string() }).exitCode, 0);
    JpegImage jpeg;
    ASSERT_TRUE(jpeg.loadFromFile(qpath(progressive)));
    EXPECT_TRUE(jpeg.isProgressive());
    const QImage image = decoded(progressive);
    // The same coefficients as the baseline file, so the same pixels.
    EXPECT_EQ(compareImages(image, decoded(baseline)).maxChannel, 0);
    expectNear(image.pixel(16, 16), 200, 60, 30, 4);
}

// Writes a 4-component file through libjpeg: inverted (Adobe) CMYK values,
// stored as YCCK or CMYK. Test-only, with libjpeg's default error exit.
void writeFourComponentJpeg(const std::filesystem::path &path, J_COLOR_SPACE stored, const unsigned char ink[2][4])
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    FILE *out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = 64;
    cinfo.image_height = 32;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, stored);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(64 * 4);
    for (int x = 0; x < 64; ++x)
        std::copy(ink[x / 32], ink[x / 32] + 4, row.begin() + 4 * x);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = { row.data() };
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(out);
}

TEST_F(ColourModels, YcckAndCmykWithAdobeMarker)
{
    // Inverted ink: R = c * k / 255 and so on.
    const unsigned char ink[2][4] = { { 255, 77, 38, 200 }, { 51, 115, 255, 220 } };
    for (J_COLOR_SPACE stored : { JCS_YCCK, JCS_CMYK }) {
        SCOPED_TRACE(stored == JCS_YCCK ? "YCCK" : "CMYK");
        const auto file = *dir / "four.jpg";
        writeFourComponentJpeg(file, stored, ink);
        const QImage image = decoded(file);
        expectNear(image.pixel(16, 16), 200, 60, 30, 4);
        expectNear(image.pixel(48, 16), 44, 99, 220, 4);
    }
}

TEST(JpegImage, CorruptEntropyDataDecodesWithWarnings)
{
    JpegImage jpeg;
    jpeg.setScale(3);
    ASSERT_TRUE(jpeg.loadFromFile(qpath(photo("invalid/corrupted.jpg"))));
    EXPECT_EQ(jpeg.fullWidth(), 3648);
    EXPECT_EQ(jpeg.fullHeight(), 2736);
    ASSERT_TRUE(jpeg.decode());
    EXPECT_GT(jpeg.warningCount(), 0);
    EXPECT_EQ(jpeg.image().size(), QSize(456, 342));
}

TEST(JpegImage, TruncatedFilesFailOrDecodeWhatIsThere)
{
    const QByteArray whole = bytesOf(photo("orientation/landscape_1.jpg"));
    struct Cut
    {
        double fraction;
        bool loads;
    };
    // Before the frame header nothing is usable; inside the scan the rest
    // comes out grey.
    const Cut cuts[] = { { 0.0005, false }, { 0.01, false }, { 0.3, true }, { 0.7, true }, { 0.999, true } };
    for (const Cut &cut : cuts) {
        SCOPED_TRACE(cut.fraction);
        JpegImage jpeg;
        const QByteArray part = whole.left(qsizetype(whole.size() * cut.fraction));
        const bool loaded = jpeg.loadFromData(part).ok();
        EXPECT_EQ(loaded, cut.loads);
        if (!loaded) {
            EXPECT_FALSE(jpeg.hasData());
            EXPECT_FALSE(jpeg.decode());
            continue;
        }
        ASSERT_TRUE(jpeg.decode());
        EXPECT_GT(jpeg.warningCount(), 0);
        EXPECT_EQ(jpeg.image().size(), QSize(600, 450));
    }
}

TEST(JpegImage, RejectsWhatIsNotJpeg)
{
    JpegImage jpeg;
    struct Case
    {
        const char *what;
        ImageResult<> loaded;
        ImageError error;
        bool libraryWords; // the detail is libjpeg's or the system's
    };
    const Case cases[] = {
        { "nothing", jpeg.loadFromData(QByteArray()), ImageError::NoData, false },
        { "text", jpeg.loadFromData(QByteArray("not a picture at all")), ImageError::Library, true },
        { "TIFF", jpeg.loadFromFile(qpath(photo("tiff/Arbitro.tiff"))), ImageError::Library, true },
        { "no file", jpeg.loadFromFile(QStringLiteral("/nonexistent/file.jpg")), ImageError::FileUnreadable, true },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(c.loaded);
        EXPECT_EQ(c.loaded.error, c.error);
        EXPECT_EQ(c.loaded.detail.empty(), !c.libraryWords) << c.loaded.detail;
    }
    EXPECT_FALSE(jpeg.hasData());
    EXPECT_EQ(jpeg.decode().error, ImageError::NoData);
}

// A header that claims a huge picture must not make us allocate it: not as
// a raster, nor as the coefficients of the whole picture.
TEST(JpegImage, RefusesHugeClaimedSize)
{
    QByteArray bytes = bytesOf(photo("makers/Canon.jpg"));
    const qsizetype sof = bytes.indexOf(QByteArray("\xff\xc0", 2));
    ASSERT_GT(sof, 0);
    for (int i : { 5, 7 }) // height and width 65000, inside libjpeg's own limit
        bytes[sof + i] = char(0xfd);
    for (int i : { 6, 8 })
        bytes[sof + i] = char(0xe8);
    JpegImage jpeg;
    ASSERT_TRUE(jpeg.loadFromData(bytes));
    EXPECT_EQ(jpeg.fullWidth(), 65000);
    EXPECT_EQ(jpeg.decode().error, ImageError::PictureTooLarge);
    EXPECT_FALSE(jpeg.hasImage());

    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    jpeg::RowMemory band;
    jpeg::EncodeBuffer out;
    const ImageResult<jpeg::Warnings> rewrite
        = jpeg::rewriteCoefficients(data, std::size_t(bytes.size()), nullptr, nullptr, nullptr, &band, &out);
    EXPECT_EQ(rewrite.error, ImageError::PictureTooLarge);
}

TEST(JpegImage, RandomDamageNeverCrashes)
{
    const QByteArray whole = bytesOf(photo("makers/Canon_PowerShot_S40.jpg"));
    std::mt19937 random(20240701);
    int decoded = 0;
    for (int round = 0; round < 60; ++round) {
        QByteArray damaged = whole;
        const int hits = 1 + int(random() % 20);
        for (int i = 0; i < hits; ++i)
            damaged[qsizetype(random() % damaged.size())] = char(random() & 0xff);
        JpegImage jpeg;
        jpeg.setScale(int(random() % 4));
        if (jpeg.loadFromData(damaged) && jpeg.decode()) {
            ++decoded;
            EXPECT_EQ(jpeg.image().width(), jpeg.width());
        }
    }
    EXPECT_GT(decoded, 0);
}

// Encoded files are read back by outside tools: ImageMagick estimates the
// quality from the quantization tables, djpeg decodes the pixels.
TEST(JpegImage, EncodesAtTheAskedQuality)
{
    TempDir dir;
    const QImage source = gradientRaster(333, 211);
    qsizetype previousSize = 0;
    for (int quality : { 1, 40, 75, 90, 100 }) {
        SCOPED_TRACE(quality);
        JpegImage jpeg;
        EXPECT_EQ(jpeg.quality(), 90);
        jpeg.setQuality(quality);
        jpeg.setImage(source);
        EXPECT_TRUE(jpeg.isDataStale());
        const auto file = dir / ("q" + std::to_string(quality) + ".jpg");
        const ImageResult<QByteArray> saved = jpeg.saveToData();
        ASSERT_TRUE(saved) << saved.detail;
        writeFileBytes(file, saved.value.toStdString());
        EXPECT_FALSE(jpeg.isDataStale());
        EXPECT_GT(jpeg.data().size(), previousSize);
        previousSize = jpeg.data().size();

        const CommandResult identify = runTool({ "identify", "-format", "%Q %wx%h", file.string() });
        ASSERT_EQ(identify.exitCode, 0) << identify.err;
        EXPECT_EQ(identify.out, std::to_string(quality) + " 333x211");
        const PixelDifference d = compareImages(djpegDecode(file, {}), source);
        EXPECT_LT(d.meanChannel, quality >= 75 ? 1.5 : 20.0);
    }
}

TEST(JpegImage, ScaleAndSpeedChangesDropOnlyADecodedPicture)
{
    JpegImage jpeg;
    ASSERT_TRUE(jpeg.loadFromFile(qpath(photo("orientation/landscape_1.jpg"))));
    EXPECT_EQ(jpeg.width(), 600);
    jpeg.setScale(2);
    EXPECT_EQ(jpeg.width(), 150);
    EXPECT_EQ(jpeg.height(), 113); // rounded up, as libjpeg does
    ASSERT_TRUE(jpeg.decode());
    EXPECT_EQ(jpeg.image().size(), QSize(150, 113));
    jpeg.setScale(1);
    EXPECT_FALSE(jpeg.hasImage());
    EXPECT_EQ(jpeg.width(), 300);

    // A raster that was put in has no other copy and stays.
    jpeg.setImage(gradientRaster(40, 30));
    jpeg.setScale(3);
    jpeg.setPerformance(JpegImage::Performance::BestSpeed);
    EXPECT_TRUE(jpeg.hasImage());
    EXPECT_EQ(jpeg.width(), 40);
    EXPECT_FALSE(jpeg.decode());
}

} // namespace
} // namespace kelvra::test
