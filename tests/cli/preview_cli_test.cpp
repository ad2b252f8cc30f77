// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/test_support.h"

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace kelvra::test {
namespace {

// "key value" lines of the command's report.
std::map<std::string, std::string> report(const std::string &out)
{
    std::map<std::string, std::string> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        const auto space = line.find(' ');
        if (space != std::string::npos)
            lines[line.substr(0, space)] = line.substr(space + 1);
    }
    return lines;
}

QImage readPng(const std::filesystem::path &path)
{
    return QImage(QString::fromStdString(path.string())).convertToFormat(QImage::Format_RGB32);
}

double meanDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// Every orientation photo: the picture comes out upright with the label box
// where the standard place puts it.
TEST(PreviewCli, OrientationPhotosComeOutUprightWithTheirLabel)
{
    TempDir dir;
    std::map<std::string, QImage> pictures;
    for (const char *scene : { "landscape", "portrait" }) {
        for (int n = 1; n <= 8; ++n) {
            const std::string name = std::string(scene) + "_" + std::to_string(n);
            SCOPED_TRACE(name);
            const auto out = dir / (name + ".png");
            const CommandResult r = runCli({ "preview", "--caption", "Kelvra", "--bg", "#000080", "--color", "#ffff00",
                "--place", "br", "--out", out.string(), photo("orientation/" + name + ".jpg").string() });
            ASSERT_EQ(r.exitCode, 0) << r.err;
            auto facts = report(r.out);
            const bool wide = std::string(scene) == "landscape";
            EXPECT_EQ(facts["scale"], "0");
            EXPECT_EQ(facts["raster"], wide ? "600x450" : "450x600");
            EXPECT_EQ(facts["text"], "Kelvra");

            const QImage picture = readPng(out);
            ASSERT_EQ(picture.size(), wide ? QSize(600, 450) : QSize(450, 600));
            // Size 20 on the shorter side 450: a 22-pixel cell; right and
            // bottom at 90 % of the sides.
            std::istringstream box(facts["label"]);
            int left = 0, top = 0, right = 0, bottom = 0;
            box >> left >> top >> right >> bottom;
            EXPECT_EQ(right, wide ? 540 : 405);
            EXPECT_EQ(bottom, wide ? 405 : 540);
            EXPECT_EQ(bottom - top, 22);
            EXPECT_EQ(picture.pixel(left, top), qRgb(0, 0, 0x80));
            EXPECT_EQ(picture.pixel(right - 1, bottom - 1), qRgb(0, 0, 0x80));
            pictures[name] = picture;
        }
    }
    // Files 2 to 8 show what file 3 shows once upright (file 1 was made
    // apart, with other colours).
    for (const char *scene : { "landscape", "portrait" }) {
        const std::string s(scene);
        for (int n : { 2, 4, 5, 6, 7, 8 })
            EXPECT_LT(meanDifference(pictures[s + "_" + std::to_string(n)], pictures[s + "_3"]), 6.0) << s << n;
    }
}

TEST(PreviewCli, DecodeScaleFollowsTheArea)
{
    TempDir dir;
    struct Case
    {
        const char *area;
        const char *scale;
        const char *raster;
    };
    // A 4032 x 2012 photo.
    const Case cases[] = { { "642x378", "2", "1008x503" }, { "300x200", "3", "504x252" },
        { "2000x1200", "1", "2016x1006" }, { "4100x2100", "0", "4032x2012" } };
    for (const Case &c : cases) {
        const CommandResult r = runCli({ "preview", "--area", c.area, "--out", (dir / "p.png").string(),
            photo("gps/67-0_length_string.jpg").string() });
        ASSERT_EQ(r.exitCode, 0) << r.err;
        auto facts = report(r.out);
        EXPECT_EQ(facts["scale"], c.scale) << c.area;
        EXPECT_EQ(facts["raster"], c.raster) << c.area;
    }
}

TEST(PreviewCli, SettingsFileAndPngNamedJpg)
{
    TempDir dir;
    const QString png = QString::fromStdString((dir / "drawing.jpg").string());
    QImage drawing(320, 240, QImage::Format_RGB32);
    drawing.fill(Qt::white);
    ASSERT_TRUE(drawing.save(png, "PNG"));
    writeFileBytes(dir / "design.cfg",
        "[Options]\nFontSize=10\nXOrient=1\nYOrient=0\nXD=0\nYD=0\n"
        "BgColor=0x00ff00\nCaptionFormat=Kelvra\n");
    const auto out = dir / "out.png";
    const CommandResult r
        = runCli({ "preview", "--cfg", (dir / "design.cfg").string(), "--out", out.string(), png.toStdString() });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto facts = report(r.out);
    EXPECT_EQ(facts["raster"], "320x240");
    std::istringstream box(facts["label"]);
    int left = 0, top = 0, right = 0, bottom = 0;
    box >> left >> top >> right >> bottom;
    EXPECT_EQ(right, 320);
    EXPECT_EQ(top, 0);
    EXPECT_EQ(bottom, 24);
    EXPECT_EQ(readPng(out).pixel(319, 0), qRgb(0, 255, 0));

    // The stamping task switched off: no label.
    writeFileBytes(dir / "off.cfg", "[Options]\nStampPhotosOpt=0\nBgColor=255\n");
    const CommandResult off
        = runCli({ "preview", "--cfg", (dir / "off.cfg").string(), "--out", out.string(), png.toStdString() });
    ASSERT_EQ(off.exitCode, 0) << off.err;
    EXPECT_EQ(report(off.out)["text"], "");
    EXPECT_EQ(readPng(out), drawing.convertToFormat(QImage::Format_RGB32).copy());
}

TEST(PreviewCli, RefusesBadInput)
{
    TempDir dir;
    const std::string out = (dir / "p.png").string();
    const std::string jpg = photo("orientation/landscape_1.jpg").string();
    struct Case
    {
        std::vector<std::string> args;
        int exitCode;
    };
    const Case cases[] = {
        { { "preview", jpg }, 2 }, // no --out
        { { "preview", "--out", out }, 2 }, // no photo
        { { "preview", "--color", "none", "--out", out, jpg }, 2 }, // the font needs a colour
        { { "preview", "--bg", "#12345", "--out", out, jpg }, 2 },
        { { "preview", "--place", "middle", "--out", out, jpg }, 2 },
        { { "preview", "--area", "0x378", "--out", out, jpg }, 2 },
        { { "preview", "--size", "-3", "--out", out, jpg }, 2 },
        { { "preview", "--frobnicate", "--out", out, jpg }, 2 },
        { { "preview", "--out", out, photo("reference.json").string() }, 1 }, // not a photo name
        { { "preview", "--out", out, (dir / "missing.jpg").string() }, 1 },
    };
    for (const Case &c : cases) {
        const CommandResult r = runCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[1] << " " << r.err;
        EXPECT_FALSE(r.err.empty());
    }
    writeFileBytes(dir / "junk.jpg", "neither JPEG nor anything else");
    EXPECT_EQ(runCli({ "preview", "--out", out, (dir / "junk.jpg").string() }).exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}

} // namespace
} // namespace kelvra::test
