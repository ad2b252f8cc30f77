// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/coefficient_stamp.h"

#include "common/test_support.h"
#include "imaging/imaging_test_support.h"
#include "imaging/label_renderer.h"
#include "imaging/photo_loading.h"
#include "imaging/photo_workspace.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iostream>
#include <map>
#include <random>

namespace kelvra::test {
namespace {

namespace fs = std::filesystem;

// Every block of a JPEG, read through the codec wrapper.
struct Coefficients
{
    jpeg::CoefficientLayout layout;
    std::vector<std::vector<short>> planes;
};

void keepAll(void *context, const jpeg::CoefficientLayout &layout, const jpeg::CoefficientBand &all)
{
    auto *c = static_cast<Coefficients *>(context);
    c->layout = layout;
    for (int i = 0; i < layout.components; ++i) {
        const jpeg::CoefficientPlane &p = layout.planes[i];
        c->planes.emplace_back(all.blocks[i], all.blocks[i] + std::size_t(p.blocksWide) * p.blocksHigh * 64);
    }
}

Coefficients readBlocks(std::string_view bytes, bool clean = false)
{
    Coefficients c;
    jpeg::RowMemory memory;
    const ImageResult<jpeg::Warnings> r = jpeg::readCoefficients(
        reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), keepAll, &c, &memory);
    EXPECT_TRUE(r) << r.detail;
    if (clean) {
        EXPECT_EQ(r.value.count, 0) << r.value.first;
    }
    return c;
}

// Whether two JPEGs of one layout hold the same blocks inside the picture
// (those past its edge pad the last MCU, and no decoder shows them).
bool samePictureBlocks(const Coefficients &a, const Coefficients &b)
{
    const jpeg::CoefficientLayout &l = a.layout;
    if (b.layout.width != l.width || b.layout.height != l.height || b.planes.size() != a.planes.size())
        return false;
    for (int c = 0; c < l.components; ++c) {
        const jpeg::CoefficientPlane &p = l.planes[c];
        const int wide = l.pictureBlocksWide(c);
        const int high = l.pictureBlocksHigh(c);
        for (int by = 0; by < high; ++by) {
            const auto row = std::size_t(by) * p.blocksWide * 64;
            if (!std::equal(
                    a.planes[c].begin() + row, a.planes[c].begin() + row + wide * 64, b.planes[c].begin() + row))
                return false;
        }
    }
    return true;
}

StampSettings design(int place, double size, bool heavy)
{
    StampSettings s;
    s.XOrient = place & 1;
    s.YOrient = (place >> 1) & 1;
    s.XD = s.YD = 0.1;
    s.Size = size;
    s.FShadow = s.FOutline = heavy;
    if (heavy)
        s.BgColor = 0x204060;
    return s;
}

const QString kText = QStringLiteral("2024:07:01 08:00:00");

// What one stamp gave, with the source it came from.
struct Stamped
{
    std::string source;
    std::string output;
    QRect area; // stored pixels the label may paint
    int changedBlocks = 0;
    int fittedBlocks = 0;
    CoefficientStamp::Road road = CoefficientStamp::Road::Rewritten;
};

// The label's MCUs, in stored pixels: what a stamp may change.
QRect labelMcus(const QRect &area, const jpeg::CoefficientLayout &l)
{
    const int w = 8 * l.maxHSamp, h = 8 * l.maxVSamp;
    if (area.isEmpty())
        return {};
    const int left = area.left() / w * w, top = area.top() / h * h;
    return QRect(left, top, (area.right() / w + 1) * w - left, (area.bottom() / h + 1) * h - top);
}

// Whether a stamp wrote the photo, rather than failing or leaving it to the
// pixel road.
bool wrote(const ImageResult<CoefficientStamp::Road> &result)
{
    return result && result.value != CoefficientStamp::Road::Declined;
}

Stamped stampBytes(std::string source, int orientation, const StampSettings &settings, bool splicing = true)
{
    const QString &text = kText;
    Stamped s;
    s.source = std::move(source);
    CoefficientStamp stamp;
    stamp.setSplicing(splicing);
    const auto layOut = [&](QSize stored) {
        StoredPhotoLabel label(stored, orientation, settings, text);
        s.area = label.storedArea();
        return label;
    };
    const ImageResult<CoefficientStamp::Road> result = stamp.stamp(s.source, layOut);
    EXPECT_TRUE(wrote(result)) << result.detail << int(result.error);
    s.output = std::string(stamp.encoded());
    s.changedBlocks = stamp.changedBlocks();
    s.fittedBlocks = stamp.fittedBlocks();
    s.road = stamp.road();
    return s;
}

// The promises of the road, for one stamped photo: the layout and tables
// are the source's, no block outside the label's MCUs changed, some inside
// did, and djpeg decodes every pixel more than one MCU away from the label
// as it decodes the source.
void checkKept(const Stamped &s, const TempDir &dir, bool pixelsToo = true)
{
    const Coefficients before = readBlocks(s.source);
    const Coefficients after = readBlocks(s.output, pixelsToo);
    const jpeg::CoefficientLayout &a = before.layout, &b = after.layout;
    ASSERT_EQ(b.width, a.width);
    ASSERT_EQ(b.height, a.height);
    ASSERT_EQ(b.components, a.components);
    EXPECT_EQ(b.progressive, a.progressive);
    EXPECT_EQ(b.restartInterval, a.restartInterval);
    EXPECT_EQ(b.colour, a.colour);
    int changed = 0;
    const QRect mcus = labelMcus(s.area, a);
    for (int c = 0; c < a.components; ++c) {
        const jpeg::CoefficientPlane &p = a.planes[c];
        ASSERT_EQ(b.planes[c].hSamp, p.hSamp);
        ASSERT_EQ(b.planes[c].vSamp, p.vSamp);
        EXPECT_TRUE(std::equal(p.quant, p.quant + 64, b.planes[c].quant));
        const int rx = a.maxHSamp / p.hSamp * 8, ry = a.maxVSamp / p.vSamp * 8;
        // Blocks past the picture's edge pad the last MCU; the encoder makes
        // its own and no decoder shows them.
        const int wide = a.pictureBlocksWide(c);
        const int high = a.pictureBlocksHigh(c);
        for (int by = 0; by < high; ++by) {
            for (int bx = 0; bx < wide; ++bx) {
                const std::size_t at = (std::size_t(by) * p.blocksWide + bx) * 64;
                const bool same = std::equal(
                    before.planes[c].begin() + at, before.planes[c].begin() + at + 64, after.planes[c].begin() + at);
                const bool underLabel = QRect(bx * rx, by * ry, rx, ry).intersects(mcus);
                if (!underLabel) {
                    ASSERT_TRUE(same) << "component " << c << " block " << bx << "," << by;
                }
                changed += same ? 0 : 1;
            }
        }
    }
    if (a.width >= 64 && a.height >= 64) {
        EXPECT_GT(changed, 0); // the label is there (an 8 x 8 photo gets a label of no pixels)
    }
    EXPECT_LE(changed, s.changedBlocks + s.fittedBlocks);
    if (!pixelsToo)
        return;

    writeFileBytes(dir / "source.jpg", s.source);
    writeFileBytes(dir / "output.jpg", s.output);
    const QImage was = djpegDecode(dir / "source.jpg", {});
    const QImage now = djpegDecode(dir / "output.jpg", {});
    ASSERT_EQ(was.size(), now.size());
    const QRect near = mcus.adjusted(-8 * a.maxHSamp, -8 * a.maxVSamp, 8 * a.maxHSamp, 8 * a.maxVSamp);
    for (int y = 0; y < was.height(); ++y) {
        const auto *p = reinterpret_cast<const QRgb *>(was.constScanLine(y));
        const auto *q = reinterpret_cast<const QRgb *>(now.constScanLine(y));
        for (int x = 0; x < was.width(); ++x)
            if (!near.contains(x, y)) {
                ASSERT_EQ(p[x], q[x]) << "pixel " << x << "," << y;
            }
    }
}

// A textured picture (real AC coefficients everywhere) as a PPM file.
void writeTexturedPpm(const fs::path &path, int width, int height)
{
    const QImage base = gradientRaster(width, height);
    std::mt19937 random(7);
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << ' ' << height << "\n255\n";
    for (int y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(base.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = int(random() % 41) - 20;
            for (int v : { qRed(row[x]), qGreen(row[x]), qBlue(row[x]) })
                out.put(char(std::clamp(v + grain, 0, 255)));
        }
    }
}

struct Generated
{
    const char *what;
    std::vector<std::string> cjpeg;
    int orientation;
    int width, height;
};

const Generated kGenerated[] = {
    { "baseline 4:2:0", { "-sample", "2x2" }, 1, 640, 480 },
    { "4:4:4", { "-sample", "1x1" }, 1, 640, 480 },
    { "4:2:2", { "-sample", "2x1" }, 1, 640, 480 },
    { "grey", { "-grayscale" }, 1, 640, 480 },
    { "progressive 4:2:0", { "-progressive" }, 1, 640, 480 },
    { "progressive grey", { "-progressive", "-grayscale" }, 1, 480, 320 },
    { "restart every MCU row", { "-restart", "1" }, 1, 640, 480 },
    { "restart every 5 MCUs, progressive 4:2:2", { "-restart", "5B", "-progressive", "-sample", "2x1" }, 1, 640, 480 },
    { "restart every 7 MCUs, odd size", { "-restart", "7B", "-sample", "2x2" }, 1, 641, 417 },
    { "restart every 3 blocks, grey", { "-restart", "3B", "-grayscale" }, 1, 333, 250 },
    { "optimised Huffman tables", { "-optimize" }, 1, 640, 480 },
    { "orientation 3, odd size", { "-sample", "2x2" }, 3, 641, 417 },
    { "orientation 6, 4:2:2", { "-sample", "2x1" }, 6, 600, 401 },
    { "orientation 8, progressive 4:4:4", { "-progressive", "-sample", "1x1" }, 8, 517, 390 },
};

const StampSettings kDesigns[] = {
    design(3, 8, true), // bottom right, box, shadow and outline
    design(0, 14, false), // top left, text only
    design(1, 1.5, true), // wider than the photo: the edge MCUs and padding
    [] { // a soft halo reaches past the glyphs' cell
        StampSettings s = design(3, 10, false);
        s.FGlow = true;
        s.GlowSize = 45;
        return s;
    }(),
    [] { // a translucent band across every MCU column, two lines
        StampSettings s = design(2, 12, false);
        s.Strip = 1;
        s.BgColor = 0;
        s.BgAlpha = 150;
        s.YD = 0.05;
        return s;
    }(),
};

TEST(CoefficientStamp, GeneratedPhotosKeepEveryBlockAwayFromTheLabel)
{
    if (!toolAvailable("cjpeg") || !toolAvailable("djpeg"))
        GTEST_SKIP() << "needs cjpeg and djpeg";
    TempDir dir;
    for (const Generated &g : kGenerated) {
        writeTexturedPpm(dir / "in.ppm", g.width, g.height);
        std::vector<std::string> argv { "cjpeg", "-quality", "88" };
        argv.insert(argv.end(), g.cjpeg.begin(), g.cjpeg.end());
        argv.insert(argv.end(), { "-outfile", (dir / "in.jpg").string(), (dir / "in.ppm").string() });
        ASSERT_EQ(runTool(argv).exitCode, 0) << g.what;
        const std::string source = readFileBytes(dir / "in.jpg");
        const bool progressive = std::find(g.cjpeg.begin(), g.cjpeg.end(), "-progressive") != g.cjpeg.end();
        const bool optimised = std::find(g.cjpeg.begin(), g.cjpeg.end(), "-optimize") != g.cjpeg.end();
        for (const StampSettings &settings : kDesigns) {
            SCOPED_TRACE(std::string(g.what) + ", size " + std::to_string(settings.Size));
            const Stamped spliced = stampBytes(source, g.orientation, settings);
            checkKept(spliced, dir);
            const Stamped rewritten = stampBytes(source, g.orientation, settings, false);
            if (progressive) {
                EXPECT_EQ(spliced.road, CoefficientStamp::Road::Rewritten);
            } else if (!optimised) {
                // The standard tables code everything, so splicing writes
                // the very bytes that rewriting every block does.
                EXPECT_EQ(spliced.road, CoefficientStamp::Road::Spliced);
                if (settings.strip() == LabelStrip::None)
                    EXPECT_TRUE(spliced.output == rewritten.output);
                else // a band to the edges also recodes the blocks that pad a partial MCU, each road its own way
                    EXPECT_TRUE(samePictureBlocks(readBlocks(spliced.output), readBlocks(rewritten.output)));
            } else {
                // Optimised tables: spliced too, the label's blocks moved
                // to the nearest the tables code where they lack a symbol,
                // unless that would cost the label too much.
                EXPECT_NE(spliced.road, CoefficientStamp::Road::RewrittenForData);
                EXPECT_NE(spliced.road, CoefficientStamp::Road::Rewritten);
                if (spliced.road == CoefficientStamp::Road::Spliced && spliced.fittedBlocks == 0) {
                    EXPECT_TRUE(samePictureBlocks(readBlocks(spliced.output), readBlocks(rewritten.output)));
                }
            }
        }
    }
}

// The label itself is the one the pixel road draws: against the pixel road
// at quality 100, both decoded by djpeg.
TEST(CoefficientStamp, LabelLooksLikeThePixelRoads)
{
    if (!toolAvailable("djpeg"))
        GTEST_SKIP() << "needs djpeg";
    TempDir dir;
    for (const char *name : { "gps/DSCN0010.jpg", "orientation/portrait_6.jpg", "orientation/landscape_3.jpg" }) {
        SCOPED_TRACE(name);
        const int orientation = readExifOrientation(QString::fromStdString(photo(name).string()));
        const StampSettings settings = design(3, 8, true);
        const Stamped kept = stampBytes(readFileBytes(photo(name)), orientation, settings);
        PhotoWorkspace workspace;
        ASSERT_TRUE(workspace.readFile(QString::fromStdString(photo(name).string())));
        ASSERT_TRUE(workspace.transcode(
            100, [&](QSize stored) { return StoredPhotoLabel(stored, orientation, settings, kText); }));
        writeFileBytes(dir / "kept.jpg", kept.output);
        writeFileBytes(dir / "pixels.jpg", std::string(workspace.encoded()));
        const QImage a = djpegDecode(dir / "kept.jpg", {}).copy(kept.area);
        const QImage b = djpegDecode(dir / "pixels.jpg", {}).copy(kept.area);
        const PixelDifference d = compareImages(a, b);
        EXPECT_LT(d.meanChannel, 4.0);
        // Single pixels at the glyphs' edges may differ by their chroma, which
        // the two roads subsample differently.
        int far = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                far += qAbs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 40 ? 1 : 0;
        EXPECT_LT(far, a.width() * a.height() / 100);
    }
}

// The bytes of a JPEG's entropy-coded data: what the splice copies.
std::size_t scanBytes(std::string_view jpeg)
{
    jpeg::EncodeBuffer markers;
    const ImageResult<jpeg::ScanHeader> r
        = jpeg::readScanHeader(reinterpret_cast<const unsigned char *>(jpeg.data()), jpeg.size(), &markers);
    EXPECT_TRUE(r && r.value.spliceable);
    return jpeg.size() - r.value.entropyOffset;
}

// Every photo the batch stamps, each with its own orientation: spliced
// unless progressive, arithmetic-coded or damaged, whatever its tables, no
// larger than rewriting it; with the blocks that rewriting every coefficient
// gives where the tables code the label's blocks as they are.
TEST(CoefficientStamp, EveryTestPhotoKeepsItsBlocks)
{
    TempDir dir;
    int stamped = 0, fitted = 0;
    std::map<CoefficientStamp::Road, int> roads;
    for (const auto &entry : fs::recursive_directory_iterator(photosDir())) {
        if (entry.path().extension() != ".jpg")
            continue;
        const std::string relative = fs::relative(entry.path(), photosDir()).string();
        SCOPED_TRACE(relative);
        const std::string source = readFileBytes(entry.path());
        const int orientation = readExifOrientation(QString::fromStdString(entry.path().string()));
        CoefficientStamp stamp;
        QRect area;
        const auto layOut = [&](QSize stored) {
            StoredPhotoLabel label(stored, orientation, design(3, 10, true), kText);
            area = label.storedArea();
            return label;
        };
        const ImageResult<CoefficientStamp::Road> outcome = stamp.stamp(source, layOut);
        if (!wrote(outcome)) {
            // Only damaged files are refused; the batch then takes the pixel road.
            EXPECT_EQ(relative.rfind("invalid/", 0), 0u) << outcome.detail << int(outcome.error);
            continue;
        }
        ++stamped;
        ++roads[stamp.road()];
        const bool damaged = stamp.warnings() > 0;
        switch (stamp.road()) {
        case CoefficientStamp::Road::Declined:
            ADD_FAILURE() << "declined, yet written";
            break;
        case CoefficientStamp::Road::Spliced:
            break;
        case CoefficientStamp::Road::Rewritten: // progressive, arithmetic-coded or one scan per component
            break;
        case CoefficientStamp::Road::RewrittenForCode:
            ADD_FAILURE() << "the tables did not code the label";
            break;
        case CoefficientStamp::Road::RewrittenForData:
            // The splice refuses only what libjpeg finds damaged too.
            EXPECT_TRUE(damaged);
            break;
        }
        const Stamped kept { source, std::string(stamp.encoded()), area, stamp.changedBlocks(), stamp.fittedBlocks(),
            stamp.road() };
        checkKept(kept, dir, !damaged);
        if (kept.road != CoefficientStamp::Road::Spliced)
            continue;
        fitted += kept.fittedBlocks > 0 ? 1 : 0;
        stamp.setSplicing(false);
        ASSERT_TRUE(wrote(stamp.stamp(source, layOut)));
        if (kept.fittedBlocks == 0) {
            EXPECT_TRUE(samePictureBlocks(readBlocks(kept.output), readBlocks(stamp.encoded())));
        }
        // On these small photos the label is much of the picture, so only
        // what fitting adds is weighed here: nothing beyond the rewrite.
        EXPECT_LE(scanBytes(kept.output), scanBytes(stamp.encoded()) * 102 / 100);
    }
    EXPECT_GT(stamped, 40);
    std::cout << "roads:";
    for (const auto &[road, count] : roads)
        std::cout << ' ' << int(road) << ": " << count;
    std::cout << "; spliced with fitted blocks: " << fitted << '\n';
    EXPECT_GT(roads[CoefficientStamp::Road::Spliced], 35);
}

double psnr(const QImage &a, const QImage &b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (const int d : { qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q) })
                sum += double(d) * d;
        }
    const double mse = sum / (3.0 * a.width() * a.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// Photos of a camera's size (a test photo enlarged, with grain), standard
// and optimised tables, upright and turned, with the usual label: spliced,
// every block outside the label's MCUs kept, and the entropy-coded data
// within 2 % of the source's.
TEST(CoefficientStamp, CameraSizedPhotosKeepTheirSize)
{
    if (!toolAvailable("cjpeg"))
        GTEST_SKIP() << "needs cjpeg";
    TempDir dir;
    {
        const QImage base = QImage(QString::fromStdString(photo("gps/DSCN0010.jpg").string()))
                                .scaled(3008, 2000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        ASSERT_FALSE(base.isNull());
        std::mt19937 random(11);
        std::ofstream out(dir / "in.ppm", std::ios::binary);
        out << "P6\n" << base.width() << ' ' << base.height() << "\n255\n";
        for (int y = 0; y < base.height(); ++y)
            for (int x = 0; x < base.width(); ++x) {
                const QRgb p = base.pixel(x, y);
                const int grain = int(random() % 13) - 6;
                for (int v : { qRed(p), qGreen(p), qBlue(p) })
                    out.put(char(std::clamp(v + grain, 0, 255)));
            }
    }
    StampSettings settings;
    settings.FShadow = true;
    for (const bool optimised : { false, true }) {
        std::vector<std::string> argv { "cjpeg", "-quality", "92" };
        if (optimised)
            argv.push_back("-optimize");
        argv.insert(argv.end(), { "-outfile", (dir / "in.jpg").string(), (dir / "in.ppm").string() });
        ASSERT_EQ(runTool(argv).exitCode, 0);
        const std::string source = readFileBytes(dir / "in.jpg");
        for (const int orientation : { 1, 6 }) {
            SCOPED_TRACE(std::to_string(optimised) + " " + std::to_string(orientation));
            const Stamped s = stampBytes(source, orientation, settings);
            EXPECT_EQ(s.road, CoefficientStamp::Road::Spliced);
            checkKept(s, dir, false);
            const double growth = double(scanBytes(s.output)) / double(scanBytes(source)) - 1;
            EXPECT_LT(std::abs(growth), 0.02) << growth;
        }
    }
}

// What fitting the label's blocks to tables that lack symbols costs the
// label: its pixels against the label rewriting with completed tables gives,
// and both against the normal road's (pixels encoded at quality 90).
TEST(CoefficientStamp, FittedLabelsStayCloseToTheRewrittenOnes)
{
    if (!toolAvailable("djpeg") || !toolAvailable("cjpeg"))
        GTEST_SKIP() << "needs cjpeg and djpeg";
    TempDir dir;
    std::vector<std::pair<std::string, std::string>> photos; // name, bytes
    writeTexturedPpm(dir / "in.ppm", 640, 480);
    ASSERT_EQ(
        runTool({ "cjpeg", "-optimize", "-outfile", (dir / "opt.jpg").string(), (dir / "in.ppm").string() }).exitCode,
        0);
    photos.emplace_back("generated, optimised", readFileBytes(dir / "opt.jpg"));
    for (const auto &entry : fs::recursive_directory_iterator(photosDir()))
        if (entry.path().extension() == ".jpg" && entry.path().string().find("invalid") == std::string::npos)
            photos.emplace_back(fs::relative(entry.path(), photosDir()).string(), readFileBytes(entry.path()));
    int measured = 0;
    double worst = 99, sumFitted = 0, sumKept = 0, sumRewritten = 0;
    for (const auto &[name, bytes] : photos) {
        SCOPED_TRACE(name);
        const StampSettings settings = design(3, 10, true);
        const Stamped kept = stampBytes(bytes, 1, settings);
        if (kept.road != CoefficientStamp::Road::Spliced || kept.fittedBlocks == 0)
            continue;
        const Stamped rewritten = stampBytes(bytes, 1, settings, false);
        PhotoWorkspace workspace;
        writeFileBytes(dir / "source.jpg", bytes);
        ASSERT_TRUE(workspace.readFile(QString::fromStdString((dir / "source.jpg").string())));
        ASSERT_TRUE(
            workspace.transcode(90, [&](QSize stored) { return StoredPhotoLabel(stored, 1, settings, kText); }));
        writeFileBytes(dir / "kept.jpg", kept.output);
        writeFileBytes(dir / "rewritten.jpg", rewritten.output);
        writeFileBytes(dir / "normal.jpg", std::string(workspace.encoded()));
        const QRect box = kept.area;
        const QImage a = djpegDecode(dir / "kept.jpg", {}).copy(box);
        const QImage b = djpegDecode(dir / "rewritten.jpg", {}).copy(box);
        const QImage n = djpegDecode(dir / "normal.jpg", {}).copy(box);
        const double fitted = psnr(a, b), againstNormal = psnr(a, n), rewrittenNormal = psnr(b, n);
        EXPECT_GT(fitted, 28.0);
        // Next to what the normal road's own re-encoding costs, fitting is small.
        EXPECT_GT(againstNormal, rewrittenNormal - 3);
        worst = std::min(worst, fitted);
        sumFitted += fitted;
        sumKept += againstNormal;
        sumRewritten += rewrittenNormal;
        ++measured;
    }
    ASSERT_GT(measured, 0);
    std::cout << "label PSNR over " << measured << " photos with fitted blocks: fitted against rewritten "
              << sumFitted / measured << " dB (worst " << worst << "), kept against the normal road "
              << sumKept / measured << " dB, rewritten against the normal road " << sumRewritten / measured << " dB\n";
}

// An optimised table codes only what its photo used: a flat picture's
// tables lack the label's symbols, and the photo is rewritten instead, one
// MCU at a time, into the very bytes libjpeg's rewrite gives: with restart
// intervals, greyscale, 4:4:4, a label turned down the picture's side, and
// pictures that end inside their last MCUs, whose blocks past the edge a
// rewrite fills anew.
TEST(CoefficientStamp, TablesWithoutTheLabelsCodesRewriteThePhoto)
{
    if (!toolAvailable("cjpeg"))
        GTEST_SKIP() << "needs cjpeg";
    TempDir dir;
    struct Case
    {
        const char *what;
        std::vector<std::string> options;
        int orientation;
        int width = 320, height = 240;
    };
    const std::vector<Case> cases = {
        { "4:2:0", {}, 1 },
        { "restart every 3 MCUs", { "-restart", "3B" }, 1 },
        { "restart every row, turned", { "-restart", "1" }, 6 },
        { "greyscale", { "-grayscale" }, 8 },
        { "4:4:4", { "-sample", "1x1" }, 3 },
        { "a bright edge inside the last MCUs", {}, 1, 324, 244 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        {
            // Flat but for the last two columns, which the encoder repeats
            // into the blocks past the edge.
            std::string pixels(std::size_t(c.width) * std::size_t(c.height) * 3, char(90));
            for (int y = 0; y < c.height; ++y)
                for (int x = c.width - 2; x < c.width && c.width % 16 != 0; ++x)
                    for (int k = 0; k < 3; ++k)
                        pixels[(std::size_t(y) * std::size_t(c.width) + std::size_t(x)) * 3 + std::size_t(k)]
                            = char(200);
            std::ofstream out(dir / "flat.ppm", std::ios::binary);
            out << "P6\n" << c.width << ' ' << c.height << "\n255\n" << pixels;
        }
        std::vector<std::string> argv { "cjpeg", "-optimize" };
        argv.insert(argv.end(), c.options.begin(), c.options.end());
        argv.insert(argv.end(), { "-outfile", (dir / "flat.jpg").string(), (dir / "flat.ppm").string() });
        ASSERT_EQ(runTool(argv).exitCode, 0);
        const std::string source = readFileBytes(dir / "flat.jpg");
        const Stamped s = stampBytes(source, c.orientation, design(3, 14, true));
        EXPECT_EQ(s.road, CoefficientStamp::Road::RewrittenForCode);
        checkKept(s, dir);
        const Stamped libjpeg = stampBytes(source, c.orientation, design(3, 14, true), false);
        EXPECT_TRUE(s.output == libjpeg.output) << s.output.size() << " " << libjpeg.output.size();
    }
    // Cameras fill the blocks past the picture's edge in ways of their own.
    for (const char *name : { "makers/Casio.jpg", "makers/Minolta.jpg" }) {
        SCOPED_TRACE(name);
        const std::string source = readFileBytes(photo(name));
        const Stamped s = stampBytes(source, 1, design(3, 5, false));
        EXPECT_EQ(s.road, CoefficientStamp::Road::RewrittenForCode);
        EXPECT_TRUE(s.output == stampBytes(source, 1, design(3, 5, false), false).output);
    }
}

TEST(CoefficientStamp, NothingToDrawKeepsEveryBlock)
{
    const std::string source = readFileBytes(photo("gps/DSCN0010.jpg"));
    CoefficientStamp stamp;
    ASSERT_TRUE(wrote(
        stamp.stamp(source, [](QSize stored) { return StoredPhotoLabel(stored, 1, StampSettings(), QString()); })));
    EXPECT_EQ(stamp.changedBlocks(), 0);
    const Coefficients a = readBlocks(source), b = readBlocks(stamp.encoded());
    EXPECT_EQ(a.planes, b.planes);
}

// Entropy-coded data out of step with its markers is never spliced, so the
// rewriting road keeps reporting what libjpeg finds damaged.
TEST(CoefficientStamp, DamagedScansAreRewrittenNotSpliced)
{
    if (!toolAvailable("cjpeg"))
        GTEST_SKIP() << "needs cjpeg";
    TempDir dir;
    writeTexturedPpm(dir / "in.ppm", 320, 240);
    ASSERT_EQ(runTool({ "cjpeg", "-restart", "1", "-outfile", (dir / "in.jpg").string(), (dir / "in.ppm").string() })
                  .exitCode,
        0);
    const std::string source = readFileBytes(dir / "in.jpg");
    std::vector<std::size_t> restarts; // offsets of the RSTn markers
    for (std::size_t i = source.find("\xFF\xDA"); i + 1 < source.size(); ++i)
        if (source[i] == '\xFF' && (source[i + 1] & 0xF8) == 0xD0)
            restarts.push_back(i);
    ASSERT_GT(restarts.size(), 10u);
    const std::size_t at = restarts[restarts.size() / 2];
    std::string renumbered = source, extra = source, cut = source;
    renumbered[at + 1] = char(0xD0 | ((renumbered[at + 1] + 3) & 7));
    extra.insert(at, 1, '\x5A');
    cut.erase(at, restarts.back() - at);
    struct Damage
    {
        const char *what;
        std::string bytes;
        bool libjpegWarns; // libjpeg-turbo passes over a stray byte in its bit buffer
    };
    for (const auto &[what, bytes, warns] : { Damage { "RSTn out of order", renumbered, true },
             Damage { "a byte too many before RSTn", extra, false }, Damage { "intervals missing", cut, true } }) {
        SCOPED_TRACE(what);
        CoefficientStamp stamp;
        ASSERT_TRUE(wrote(
            stamp.stamp(bytes, [](QSize stored) { return StoredPhotoLabel(stored, 1, design(3, 8, true), kText); })));
        EXPECT_EQ(stamp.road(), CoefficientStamp::Road::RewrittenForData);
        EXPECT_EQ(stamp.warnings() > 0, warns);
    }
}

// What the road refuses, and how: the batch takes the pixel road for these.
TEST(CoefficientStamp, RefusesWhatItCannotDrawOn)
{
    TempDir dir;
    const auto layOut = [](QSize stored) { return StoredPhotoLabel(stored, 1, design(3, 8, true), kText); };
    CoefficientStamp stamp;
    EXPECT_EQ(stamp.stamp("not a JPEG at all", layOut).error, ImageError::Library);
    EXPECT_EQ(stamp.stamp({}, layOut).error, ImageError::NoData);
    if (toolAvailable("convert")) {
        ASSERT_EQ(runTool({ "convert", photo("gps/DSCN0010.jpg").string(), "-colorspace", "CMYK",
                              (dir / "cmyk.jpg").string() })
                      .exitCode,
            0);
        const ImageResult<CoefficientStamp::Road> cmyk = stamp.stamp(readFileBytes(dir / "cmyk.jpg"), layOut);
        EXPECT_TRUE(cmyk && cmyk.value == CoefficientStamp::Road::Declined) << int(cmyk.error);
    }
    // Cut off: stamped as far as the data goes, with the decoder's warning.
    const std::string whole = readFileBytes(photo("gps/DSCN0010.jpg"));
    EXPECT_TRUE(wrote(stamp.stamp(whole.substr(0, whole.size() / 2), layOut)));
    EXPECT_EQ(stamp.road(), CoefficientStamp::Road::RewrittenForData);
    EXPECT_GT(stamp.warnings(), 0);
    EXPECT_FALSE(stamp.encoded().empty());
}

} // namespace
} // namespace kelvra::test
