// SPDX-License-Identifier: GPL-3.0-or-later
// HEIC photos as phones store them: 10 bits per sample, and pixels kept as
// the sensor saw them with a rotation box beside an EXIF orientation that
// describes the same turn. Previews and stamped outputs are upright once.
#include "common/qt_test_support.h"
#include "common/test_support.h"

#include "jobs/preview_job.h"

#include <QImage>

#include <gtest/gtest.h>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::runCli;
using test::runTool;

uint32_t be32(const std::string &d, size_t at)
{
    return uint32_t(uint8_t(d[at])) << 24 | uint32_t(uint8_t(d[at + 1])) << 16 | uint32_t(uint8_t(d[at + 2])) << 8
        | uint8_t(d[at + 3]);
}

uint64_t beN(const std::string &d, size_t at, int bytes)
{
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | uint8_t(d[at + size_t(i)]);
    return v;
}

void putBeN(std::string &d, size_t at, uint64_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i, v >>= 8)
        d[at + size_t(i)] = char(v & 0xFF);
}

// Offset of the first child box of that type in [from, to), or npos.
size_t findBox(const std::string &d, size_t from, size_t to, std::string_view type)
{
    while (from + 8 <= to) {
        const uint32_t size = be32(d, from);
        if (d.compare(from + 4, 4, type) == 0)
            return from;
        if (size < 8)
            return std::string::npos;
        from += size;
    }
    return std::string::npos;
}

void growBox(std::string &d, size_t box, size_t by)
{
    putBeN(d, box, be32(d, box) + by, 4);
}

// Gives the primary image of a single-image HEIF file (meta before mdat, as
// heif-enc writes it) a rotation box of angle * 90 degrees anticlockwise:
// no tool on the machine writes one. Every size and the item locations that
// point past the insertion are mended.
std::string withRotationBox(std::string d, int angle)
{
    const size_t meta = findBox(d, 0, d.size(), "meta");
    const size_t metaEnd = meta + be32(d, meta);
    const size_t iprp = findBox(d, meta + 12, metaEnd, "iprp");
    const size_t ipco = findBox(d, iprp + 8, iprp + be32(d, iprp), "ipco");
    const size_t ipma = findBox(d, iprp + 8, iprp + be32(d, iprp), "ipma");
    const size_t iloc = findBox(d, meta + 12, metaEnd, "iloc");
    EXPECT_TRUE(iprp != std::string::npos && ipco != std::string::npos && ipma != std::string::npos
        && iloc != std::string::npos);

    int properties = 0;
    for (size_t p = ipco + 8; p < ipco + be32(d, ipco); p += be32(d, p))
        ++properties;

    // One association more for the (only) item; the entry's count byte sits
    // after the version, entry count and a 16-bit item id.
    const bool wide = (be32(d, ipma + 8) & 1) != 0;
    EXPECT_EQ(d[ipma + 8], 0); // version 0: 16-bit item ids
    EXPECT_EQ(be32(d, ipma + 12), 1u);
    const size_t count = ipma + 18;
    const int associations = uint8_t(d[count]);
    d[count] = char(associations + 1);
    const size_t assocEnd = count + 1 + size_t(associations) * (wide ? 2 : 1);
    std::string association = wide ? std::string { char(0x80 | ((properties + 1) >> 8)), char(properties + 1) }
                                   : std::string { char(0x80 | (properties + 1)) };
    d.insert(assocEnd, association);
    growBox(d, ipma, association.size());

    const std::string irot = std::string("\0\0\0\x09irot", 8) + char(angle & 3);
    d.insert(ipco + be32(d, ipco), irot);
    growBox(d, ipco, irot.size());
    const size_t added = irot.size() + association.size();
    growBox(d, iprp, added);
    growBox(d, meta, added);

    // The image data moved by what was added: item locations are absolute.
    const int version = uint8_t(d[iloc + 8]);
    const int offsetSize = uint8_t(d[iloc + 12]) >> 4, lengthSize = uint8_t(d[iloc + 12]) & 15;
    const int baseSize = uint8_t(d[iloc + 13]) >> 4, indexSize = version ? uint8_t(d[iloc + 13]) & 15 : 0;
    size_t at = iloc + 14;
    const uint64_t items = beN(d, at, version < 2 ? 2 : 4);
    at += version < 2 ? 2 : 4;
    for (uint64_t i = 0; i < items; ++i) {
        at += version < 2 ? 2 : 4;
        int method = 0;
        if (version) {
            method = int(beN(d, at, 2) & 15);
            at += 2;
        }
        at += 2; // data reference index
        const size_t base = at;
        at += size_t(baseSize);
        const uint64_t extents = beN(d, at, 2);
        at += 2;
        if (method == 0 && baseSize)
            putBeN(d, base, beN(d, base, baseSize) + added, baseSize);
        for (uint64_t e = 0; e < extents; ++e) {
            at += size_t(indexSize);
            if (method == 0 && !baseSize)
                putBeN(d, at, beN(d, at, offsetSize) + added, offsetSize);
            at += size_t(offsetSize + lengthSize);
        }
    }
    return d;
}

bool isRed(QColor c)
{
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}

// The corner the red mark of the stored picture's top left lands in.
std::string redCorner(const QImage &picture)
{
    const int w = picture.width(), h = picture.height();
    for (auto [x, y, name] : { std::tuple { 20, 20, "top left" }, std::tuple { w - 21, 20, "top right" },
             std::tuple { 20, h - 21, "bottom left" }, std::tuple { w - 21, h - 21, "bottom right" } }) {
        if (isRed(picture.pixelColor(x, y)))
            return name;
    }
    return "none";
}

class HeifVariants : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *tool : { "heif-enc", "heif-convert", "convert", "exiftool" }) {
            if (!test::toolAvailable(tool))
                GTEST_SKIP() << "needs " << tool;
        }
        // 600 x 400 grey with a red mark at the stored top left.
        const std::vector<std::string> draw { "convert", "-size", "600x400", "xc:#808080", "-fill", "#FF0000", "-draw",
            "rectangle 0,0 99,99" };
        auto make = [&](std::vector<std::string> tail) {
            std::vector<std::string> argv = draw;
            argv.insert(argv.end(), tail.begin(), tail.end());
            const auto r = runTool(argv);
            ASSERT_EQ(r.exitCode, 0) << r.err;
        };
        make({ "-depth", "16", ("PNG48:" + (dir / "deep.png").string()) });
        make({ ("PNG24:" + (dir / "plain.png").string()) });
        fs::create_directories(dir / "in");
        for (auto [png, heic, extra] :
            { std::tuple { "deep.png", "deep.heic", "10" }, std::tuple { "plain.png", "plain.heic", "8" } }) {
            const auto r
                = runTool({ "heif-enc", "-q", "92", "-b", extra, (dir / png).string(), "-o", (dir / heic).string() });
            ASSERT_EQ(r.exitCode, 0) << r.err;
        }
        // As a phone stores a portrait: the turn in the file and in the EXIF.
        const std::string turned = withRotationBox(test::readFileBytes(dir / "plain.heic"), 3);
        test::writeFileBytes(dir / "in" / "turned.heic", turned);
        fs::copy_file(dir / "deep.heic", dir / "in" / "deep.heic");
        // The deep one carries a grey EXIF thumbnail, the turned one none.
        const fs::path thumb = dir / "thumb.jpg";
        ASSERT_EQ(runTool({ "convert", "-size", "160x120", "xc:#808080", thumb.string() }).exitCode, 0);
        for (const char *name : { "turned.heic", "deep.heic" }) {
            const bool turnedOne = std::string(name) == "turned.heic";
            const auto r = runTool({ "exiftool", "-q", "-overwrite_original", "-Make=Apple", "-Model=iPhone 12",
                "-DateTimeOriginal=2022:08:01 09:30:00", turnedOne ? "-Orientation#=6" : "-Orientation#=1",
                turnedOne ? "-Software=phone" : "-ThumbnailImage<=" + thumb.string(), (dir / "in" / name).string() });
            ASSERT_EQ(r.exitCode, 0) << r.err;
        }
    }
    test::TempDir dir;
};

TEST_F(HeifVariants, TheFilesAreWhatTheTestSays)
{
    const std::string deep = test::readFileBytes(dir / "in" / "deep.heic");
    EXPECT_NE(deep.find(std::string("pixi\0\0\0\0\x03\x0a\x0a\x0a", 12)), std::string::npos); // 10 bits each
    // Another decoder honours the rotation box: a quarter turn clockwise.
    const fs::path png = dir / "check.png";
    const auto r = runTool({ "heif-convert", (dir / "in" / "turned.heic").string(), png.string() });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QImage check(test::qpath(png));
    ASSERT_EQ(check.size(), QSize(400, 600));
    EXPECT_EQ(redCorner(check), "top right");
}

TEST_F(HeifVariants, PreviewAndStampAreUprightOnce)
{
    struct Case
    {
        const char *name;
        QSize upright;
        const char *corner;
    };
    for (const Case &c :
        { Case { "turned.heic", { 400, 600 }, "top right" }, Case { "deep.heic", { 600, 400 }, "top left" } }) {
        SCOPED_TRACE(c.name);
        const PreviewPhoto p
            = loadPreviewPhoto(test::qpath(dir / "in" / c.name), { 600, 600 }, 0, FormatSettings::system());
        ASSERT_TRUE(p.ok()) << p.detail.toStdString();
        EXPECT_EQ(p.uprightFullSize, c.upright);
        EXPECT_EQ(redCorner(p.raster), c.corner);
        // 10 bits brought to 8: the grey stays the grey.
        EXPECT_TRUE(test::sameColour(
            p.raster.pixelColor(p.raster.width() / 2, p.raster.height() / 2), QColor(0x80, 0x80, 0x80)));
        EXPECT_EQ(p.values.Model, QStringLiteral("iPhone 12"));
    }

    const fs::path out = dir / "out";
    const auto r = runCli({ "stamp", "--caption", "[Model]", "--place", "bl", "--size", "12", "--color", "#FFFFFF",
        "--bg", "#0000FF", "--out", out.string(), (dir / "in").string() });
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    for (auto [name, size, corner] :
        { std::tuple { "turned", QSize(400, 600), "top right" }, std::tuple { "deep", QSize(600, 400), "top left" } }) {
        SCOPED_TRACE(name);
        fs::path output;
        for (const auto &entry : fs::directory_iterator(out)) {
            if (entry.path().filename().string().rfind(name, 0) == 0)
                output = entry.path();
        }
        ASSERT_EQ(output.extension(), ".jpg");
        // The pixels are stored upright and say so: nothing is left to turn.
        const std::string orientation = runTool({ "exiftool", "-n", "-s3", "-Orientation", output.string() }).out;
        EXPECT_TRUE(orientation.empty() || orientation.rfind("1", 0) == 0) << orientation;
        const QImage stamped(test::qpath(output));
        ASSERT_EQ(stamped.size(), size);
        EXPECT_EQ(redCorner(stamped), corner);
        // The label's blue box lies in the bottom left quarter only.
        int blue[2][2] = {};
        for (int y = 0; y < stamped.height(); ++y) {
            for (int x = 0; x < stamped.width(); ++x) {
                const QColor c = stamped.pixelColor(x, y);
                if (c.blue() > 200 && c.red() < 60 && c.green() < 60)
                    ++blue[y * 2 / stamped.height()][x * 2 / stamped.width()];
            }
        }
        EXPECT_GT(blue[1][0], 50);
        EXPECT_EQ(blue[0][0] + blue[0][1] + blue[1][1], 0);

        // A thumbnail only where the source had one, in its size, with the label on it.
        const std::string small = runTool({ "exiftool", "-b", "-ThumbnailImage", output.string() }).out;
        const QImage thumbnail = QImage::fromData(reinterpret_cast<const uchar *>(small.data()), int(small.size()));
        ASSERT_EQ(thumbnail.isNull(), std::string(name) == "turned");
        if (!thumbnail.isNull()) {
            EXPECT_EQ(thumbnail.size(), QSize(160, 120));
            int labelled = 0;
            for (int y = thumbnail.height() / 2; y < thumbnail.height(); ++y) {
                for (int x = 0; x < thumbnail.width() / 2; ++x)
                    labelled += thumbnail.pixelColor(x, y).blue() > 150 && thumbnail.pixelColor(x, y).red() < 90;
            }
            EXPECT_GT(labelled, 10);
        }
    }
}

} // namespace
} // namespace kelvra
