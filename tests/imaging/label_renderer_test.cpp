// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/label_renderer.h"

#include "imaging/preview_geometry.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace kelvra::test {
namespace {

const QString kText = QStringLiteral("01.07.2024 08:00");
constexpr QRgb kGround = 0xff336699;

// The rectangle of the pixels that pass the test, if any.
template<typename Test> std::optional<PixelRect> pixelBounds(const QImage &image, Test test)
{
    PixelRect r { image.width(), image.height(), 0, 0 };
    bool any = false;
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (!test(row[x]))
                continue;
            any = true;
            r.Left = std::min(r.Left, x);
            r.Top = std::min(r.Top, y);
            r.Right = std::max(r.Right, x + 1);
            r.Bottom = std::max(r.Bottom, y + 1);
        }
    }
    return any ? std::optional<PixelRect>(r) : std::nullopt;
}

// The pixels that differ from the plain ground.
std::optional<PixelRect> inkBounds(const QImage &image, QRgb ground = kGround)
{
    return pixelBounds(image, [ground](QRgb pixel) { return pixel != ground; });
}

// The pixels of exactly one colour.
std::optional<PixelRect> colourBounds(const QImage &image, QRgb colour)
{
    return pixelBounds(image, [colour](QRgb pixel) { return pixel == colour; });
}

QImage ground(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(kGround);
    return image;
}

StampSettings placed(int xOrient, int yOrient, double xd, double yd)
{
    StampSettings s;
    s.FontColor = 0x00ffff; // yellow
    s.XOrient = xOrient;
    s.YOrient = yOrient;
    s.XD = xd;
    s.YD = yd;
    return s;
}

TEST(LabelGeometry, CellHeightAndShadowOffsets)
{
    struct Case
    {
        int w, h;
        double size;
        int cell, points, offset, offsetWithOutline;
    };
    const Case cases[] = {
        { 4000, 3000, 20, 150, 113, 5, 8 },
        { 1000, 750, 20, 37, 28, 1, 2 },
        { 750, 500, 20, 25, 19, 0, 0 }, // under 20 points: no visible shadow
        { 6000, 4000, 2, 2000, 1500, 75, 112 }, // 112.5 to even
        { 800, 600, 8, 75, 56, 2, 3 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        const int cell = fontCellHeight(c.w, c.h, c.size);
        EXPECT_EQ(cell, c.cell);
        EXPECT_EQ(fontPointSize(cell), c.points);
        EXPECT_EQ(shadowOffset(cell, false), c.offset);
        EXPECT_EQ(shadowOffset(cell, true), c.offsetWithOutline);
    }
    // Settings files can hold any number; the height stays usable.
    EXPECT_EQ(fontCellHeight(15, 10, 20), 1);
    EXPECT_EQ(fontCellHeight(600, 400, 0), 32767);
    EXPECT_EQ(fontCellHeight(600, 400, -3), 1);
    EXPECT_EQ(fontCellHeight(600, 400, std::nan("")), 1);
    // A Size worked out by a pointer placement gives back the same height.
    for (int m : { 9, 18, 21, 25, 427, 2000 })
        for (int h = 1; h <= m; ++h)
            ASSERT_EQ(fontCellHeight(m, m + 1, double(m) / h), h) << m << " / " << h;
}

TEST(LabelGeometry, ContrastColor)
{
    EXPECT_EQ(ContrastColor(0x00ffff), 0x000000); // yellow
    EXPECT_EQ(ContrastColor(0xff0000), 0xffffff); // blue
    EXPECT_EQ(ContrastColor(0x808080), 0x000000); // brightness 128
    EXPECT_EQ(ContrastColor(0x7f7f7f), 0xffffff); // brightness 127
}

// The cell is ascent plus descent; it must equal the asked height for any
// font, also where whole pixel sizes cannot reach it, and the glyphs must
// fill it rather than shrink to fit.
TEST(LabelFont, CellHeightEqualsTheAskedHeight)
{
    for (const char *face : { "Arial", "DejaVu Sans", "Liberation Serif", "Liberation Mono", "No Such Font" }) {
        for (int h : { 7, 13, 16, 25, 37, 101, 150, 333 }) {
            SCOPED_TRACE(std::string(face) + " " + std::to_string(h));
            PhotoCanvas canvas;
            canvas.setFontFace(QString::fromLatin1(face));
            canvas.setFontStyle(FontStyles { h % 2 == 0, h % 3 == 0, false });
            canvas.setFontHeight(h);
            const QFontMetricsF m(canvas.resolvedFont());
            EXPECT_NEAR((m.ascent() + m.descent()) * canvas.resolvedScale(), h, 1e-9);
            EXPECT_EQ(canvas.textHeight(), h);
            // The whole pixel size is the nearest one: at most half a pixel off.
            EXPECT_NEAR(canvas.resolvedScale(), 1.0, 1.0 / h);

            // "Hg": the cap top and the descender end inside the cell.
            QImage image = ground(h * 3, h * 2);
            PhotoCanvas drawn(&image);
            drawn.setFontFace(QString::fromLatin1(face));
            drawn.setFontHeight(h);
            drawn.setFontColor(Qt::white);
            QPainter painter(&image);
            drawn.textOut(painter, 0, h / 2, QStringLiteral("Hg"));
            painter.end();
            const auto ink = inkBounds(image);
            ASSERT_TRUE(ink);
            EXPECT_GE(ink->Top, h / 2);
            EXPECT_LE(ink->Bottom, h / 2 + h + 1);
            EXPECT_GT(ink->height(), 0.6 * h);
        }
    }
    PhotoCanvas canvas;
    canvas.setFontFace(QStringLiteral("Arial"));
    EXPECT_EQ(QFontInfo(canvas.resolvedFont()).family(), QStringLiteral("Liberation Sans"));
}

TEST(LabelPlacement, FourAnchors)
{
    struct Case
    {
        int xOrient, yOrient;
        const char *name;
    };
    const Case cases[]
        = { { 0, 0, "top left" }, { 1, 0, "top right" }, { 1, 1, "bottom right" }, { 0, 1, "bottom left" } };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QImage image = ground(1000, 750);
        PhotoCanvas canvas(&image);
        const StampSettings s = placed(c.xOrient, c.yOrient, 0.1, 0.1);
        const LabelBox box = DrawTextToPhotoWITH_PARAMS(canvas, s, kText);
        const int w = canvas.textWidth(kText);
        EXPECT_EQ(canvas.fontHeight(), 37);
        EXPECT_EQ(box.width(), w);
        EXPECT_EQ(box.height(), 37);
        EXPECT_EQ(c.xOrient == 0 ? box.Left : box.Right, c.xOrient == 0 ? 100 : 900);
        EXPECT_EQ(c.yOrient == 0 ? box.Top : box.Bottom, c.yOrient == 0 ? 75 : 675);
        // The ink stays in the box (a pixel of antialiasing aside).
        const auto ink = inkBounds(image);
        ASSERT_TRUE(ink);
        EXPECT_GE(ink->Left, box.Left - 1);
        EXPECT_GE(ink->Top, box.Top);
        EXPECT_LE(ink->Right, box.Right + 1);
        EXPECT_LE(ink->Bottom, box.Bottom);
        EXPECT_GT(ink->width(), w * 0.8);
    }
}

TEST(LabelPlacement, ClampingOrder)
{
    QImage image = ground(800, 600);
    PhotoCanvas canvas(&image);
    DrawTextToPhotoWITH_PARAMS(canvas, placed(0, 0, 0, 0), kText);
    const int w = canvas.textWidth(kText);
    const int t = canvas.textHeight();
    struct Case
    {
        StampSettings settings;
        LabelBox expected;
        const char *what;
    };
    const Case cases[] = {
        { placed(0, 0, 0.95, 0.05), { 800 - w, 30, 800, 30 + t }, "large XD pushes the right side to W" },
        { placed(0, 0, 0.05, 0.99), { 40, 600 - t, 40 + w, 600 }, "large YD pushes the bottom to H" },
        { placed(1, 1, 1.5, 1.5), { 0, 0, w, t }, "far past the left and top edges" },
        { placed(1, 1, -0.5, -0.5), { 800 - w, 600 - t, 800, 600 }, "past the right and bottom edges" },
        { placed(1, 0, 0.1, 0.1), { 720 - w, 60, 720, 60 + t }, "plain top right" },
    };
    for (const Case &c : cases) {
        image.fill(kGround);
        EXPECT_EQ(DrawTextToPhotoWITH_PARAMS(canvas, c.settings, kText), c.expected) << c.what;
    }
}

// A caption wider than the photo shrinks until it fits inside the margins,
// at the place chosen, on the preview and on a stored photo alike.
TEST(LabelPlacement, WiderThanTheRasterShrinksAndKeepsItsPlace)
{
    const QString longText = kText + QStringLiteral(" NIKON CORPORATION NIKON D70 1/200 sec f9.0");
    struct Case
    {
        int xOrient, yOrient;
        const char *name;
    };
    const Case cases[]
        = { { 0, 0, "top left" }, { 1, 0, "top right" }, { 1, 1, "bottom right" }, { 0, 1, "bottom left" } };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        StampSettings s = placed(c.xOrient, c.yOrient, 0.1, 0.1);
        s.Size = 4; // 50 px high: far wider than 200 px
        s.BgColor = 0x0000ff;
        QImage image = ground(200, 300);
        PhotoCanvas canvas(&image);
        const LabelBox box = DrawTextToPhotoWITH_PARAMS(canvas, s, longText);
        EXPECT_LT(canvas.fontHeight(), 50);
        EXPECT_GT(canvas.fontHeight(), 3);
        EXPECT_LE(box.width(), 180);
        EXPECT_EQ(box.width(), canvas.textWidth(longText));
        EXPECT_EQ(box.height(), canvas.fontHeight());
        EXPECT_EQ(c.xOrient == 0 ? box.Left : box.Right, c.xOrient == 0 ? 20 : 180);
        EXPECT_EQ(c.yOrient == 0 ? box.Top : box.Bottom, c.yOrient == 0 ? 30 : 270);
        const auto red = colourBounds(image, qRgb(255, 0, 0));
        ASSERT_TRUE(red);
        EXPECT_EQ(*red, box);

        // The batch lays the label out the same way on a photo stored turned.
        QImage stored = ground(300, 200);
        const ImageResult<LabelBox> turned = drawLabelOnStoredPhoto(stored, 6, s, longText);
        ASSERT_TRUE(turned);
        EXPECT_EQ(turned.value, box);
        const auto storedRed = colourBounds(stored, qRgb(255, 0, 0));
        ASSERT_TRUE(storedRed);
        EXPECT_EQ(storedRed->width(), box.height());
        EXPECT_EQ(storedRed->height(), box.width());
    }

    // Taller than the raster: the height shrinks to the room under the margin.
    QImage flat = ground(2000, 40);
    PhotoCanvas canvas(&flat);
    StampSettings s = placed(0, 1, 0.1, 0.25);
    s.Size = 0.5; // 80 px high
    const LabelBox box = DrawTextToPhotoWITH_PARAMS(canvas, s, kText);
    EXPECT_EQ(box.Bottom, 30);
    EXPECT_EQ(box.Top, 0);
    EXPECT_EQ(box.Left, 200);
}

TEST(LabelPlacement, EmptyTextDrawsNothing)
{
    QImage image = ground(300, 200);
    PhotoCanvas canvas(&image);
    StampSettings s = placed(0, 0, 0.1, 0.1);
    s.BgColor = 0xffffff;
    s.FShadow = s.FOutline = true;
    const LabelBox box = DrawTextToPhotoWITH_PARAMS(canvas, s, QString());
    EXPECT_EQ(box.width(), 0);
    EXPECT_FALSE(inkBounds(image));
}

// With the text in the box colour the box must be one flat rectangle of
// exactly w x t pixels, with or without the shadow pass.
TEST(LabelPasses, BoxIsExactlyTheCellInTheBackgroundColour)
{
    for (bool shadow : { false, true }) {
        SCOPED_TRACE(shadow ? "shadow" : "no shadow");
        QImage image = ground(640, 480);
        PhotoCanvas canvas(&image);
        StampSettings s = placed(0, 1, 0.2, 0.2);
        s.BgColor = 0x40c020;
        s.FontColor = 0x40c020;
        s.FShadow = shadow;
        const LabelBox box = DrawTextToPhotoWITH_PARAMS(canvas, s, kText);
        const QRgb boxColour = qRgb(0x20, 0xc0, 0x40);
        EXPECT_EQ(colourBounds(image, boxColour), std::optional<PixelRect>(box));
        int boxPixels = 0;
        for (int y = box.Top; y < box.Bottom; ++y)
            for (int x = box.Left; x < box.Right; ++x)
                boxPixels += image.pixel(x, y) == boxColour;
        if (shadow) {
            EXPECT_LT(boxPixels, box.width() * box.height()); // the shadow falls onto the box
        } else {
            EXPECT_EQ(boxPixels, box.width() * box.height());
        }
        EXPECT_EQ(box.width(), canvas.textWidth(kText));
        EXPECT_EQ(box.height(), 24);
    }
}

// The grey copy lies d pixels right of and below the text: its far edges
// stick out by d beyond those of the same text drawn plain.
TEST(LabelPasses, ShadowOffsets)
{
    struct Case
    {
        int w, h;
        bool outline;
        int offset;
    };
    const Case cases[]
        = { { 4000, 3000, false, 5 }, { 4000, 3000, true, 8 }, { 1000, 750, false, 1 }, { 1000, 750, true, 2 } };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + (c.outline ? " outline" : ""));
        QImage image(c.w, c.h, QImage::Format_RGB32);
        PhotoCanvas canvas(&image);
        StampSettings s = placed(0, 0, 0.1, 0.1);
        s.FontColor = 0x0000ff; // red
        s.OutlineColor = 0xff0000; // blue, apart from both
        image.fill(Qt::black);
        DrawTextToPhotoWITH_PARAMS(canvas, s, QStringLiteral("I"));
        const auto plain = colourBounds(image, qRgb(255, 0, 0));

        s.FShadow = true;
        s.FOutline = c.outline;
        image.fill(Qt::black);
        DrawTextToPhotoWITH_PARAMS(canvas, s, QStringLiteral("I"));
        const auto shade = colourBounds(image, qRgb(128, 128, 128));
        ASSERT_TRUE(plain);
        ASSERT_TRUE(shade);
        EXPECT_EQ(shade->Right - plain->Right, c.offset);
        EXPECT_EQ(shade->Bottom - plain->Bottom, c.offset);
        EXPECT_EQ(bool(colourBounds(image, qRgb(0, 0, 255))), c.outline);
    }
}

TEST(LabelPasses, OutlineUsesContrastWhenAutomatic)
{
    for (TColor font : { TColor(0x00ffff), TColor(0x800000) }) {
        QImage image = ground(400, 300);
        PhotoCanvas canvas(&image);
        StampSettings s = placed(0, 0, 0.1, 0.1);
        s.FontColor = font;
        s.FOutline = true;
        DrawTextToPhotoWITH_PARAMS(canvas, s, kText);
        const QRgb expected = font == 0x00ffff ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
        EXPECT_TRUE(colourBounds(image, expected)) << std::hex << font;
        EXPECT_EQ(canvas.penWidth(), 1);
    }
}

TEST(PointerPlacement, PreviewFitting)
{
    const PreviewPlacement big = GetRightRect(750, 500, 642, 378);
    EXPECT_DOUBLE_EQ(big.PreviewScale, 500.0 / 378.0);
    EXPECT_EQ(big.PreviewRect, (PixelRect { 38, 0, 604, 378 }));
    const PreviewPlacement small = GetRightRect(300, 201, 642, 378);
    EXPECT_EQ(small.PreviewScale, 1.0);
    EXPECT_EQ(small.PreviewRect, (PixelRect { 171, 89, 471, 289 }));
}

TEST(PointerPlacement, BottomRightCornerAnchorsFlush)
{
    QImage image = ground(750, 500);
    PhotoCanvas canvas(&image);
    StampSettings s = placed(0, 0, 0.05, 0.05);
    DrawTextToPhotoWITH_PARAMS(canvas, s, kText);
    const PreviewPlacement view = GetRightRect(750, 500, 642, 378);
    const RasterPoint p = pointerToRaster(view.PreviewRect.Right, view.PreviewRect.Bottom, view);
    EXPECT_EQ(p.x, 748);
    EXPECT_EQ(p.y, 500);
    image.fill(kGround);
    const LabelBox box = DrawTextToPhoto(canvas, s, kText, p.x, p.y);
    EXPECT_EQ(box.Right, 750);
    EXPECT_EQ(box.Bottom, 500);
    EXPECT_EQ(s.XOrient, 1);
    EXPECT_EQ(s.YOrient, 1);
    EXPECT_EQ(s.XD, 0.0);
    EXPECT_EQ(s.YD, 0.0);
    EXPECT_DOUBLE_EQ(s.Size, 500.0 / 25);
}

TEST(PointerPlacement, CentredLabelTieGivesLeftAnchor)
{
    QImage probe = ground(600, 400);
    PhotoCanvas canvas(&probe);
    StampSettings s = placed(1, 1, 0.1, 0.1);
    DrawTextToPhotoWITH_PARAMS(canvas, s, kText);
    const int w = canvas.textWidth(kText);
    const int t = canvas.textHeight();
    // A raster where the centred label leaves equal gaps on both sides.
    const int W = 2 * 150 + w;
    const int H = 2 * 100 + t;
    QImage image = ground(W, H);
    canvas.setRaster(&image);
    const LabelBox box = DrawTextToPhoto(canvas, s, kText, 150 + w / 2, 100 + t / 2);
    EXPECT_EQ(box, (LabelBox { 150, 100, 150 + w, 100 + t }));
    EXPECT_EQ(s.XOrient, 0);
    EXPECT_EQ(s.YOrient, 0);
    EXPECT_DOUBLE_EQ(s.XD, 150.0 / W);
    EXPECT_DOUBLE_EQ(s.YD, 100.0 / H);
}

TEST(PointerPlacement, DrawsWithTheLastAnchoredHeightAndNeverShrinksSize)
{
    for (double oldSize : { 7.0, 13.3, 20.0, 33.0 }) {
        QImage image = ground(640, 427);
        PhotoCanvas canvas(&image);
        StampSettings s = placed(0, 0, 0.1, 0.1);
        s.Size = oldSize;
        DrawTextToPhotoWITH_PARAMS(canvas, s, kText);
        const int h = canvas.fontHeight();
        const LabelBox box = DrawTextToPhoto(canvas, s, kText, 500, 50);
        EXPECT_EQ(box.height(), h);
        EXPECT_EQ(canvas.fontHeight(), h);
        EXPECT_DOUBLE_EQ(s.Size, 427.0 / int(427 / oldSize));
        EXPECT_GE(s.Size, oldSize);
        // The stored placement redraws the label where the pointer put it.
        QImage again = ground(640, 427);
        PhotoCanvas other(&again);
        const LabelBox redrawn = DrawTextToPhotoWITH_PARAMS(other, s, kText);
        EXPECT_NEAR(redrawn.Left, box.Left, 1);
        EXPECT_NEAR(redrawn.Top, box.Top, 1);
    }
}

} // namespace
} // namespace kelvra::test

namespace kelvra::test {
namespace {

// A line break (LF or CRLF) starts another line; a tab or a lone CR is
// drawn on its line, not interpreted.
TEST(LabelPlacement, OnlyLineBreaksMakeLines)
{
    struct Case
    {
        QString text;
        int lines;
    } cases[] = {
        { QStringLiteral("a\tb\rc"), 1 },
        { QStringLiteral("first\nsecond"), 2 },
        { QStringLiteral("a\tb\r\nc"), 2 },
    };
    for (const Case &c : cases) {
        QImage image = ground(800, 600);
        PhotoCanvas canvas(&image);
        const LabelBox box = DrawTextToPhotoWITH_PARAMS(canvas, placed(0, 0, 0.1, 0.1), c.text);
        EXPECT_EQ(box.height(), 30 * c.lines);
        const auto ink = inkBounds(image);
        ASSERT_TRUE(ink);
        EXPECT_GE(ink->Top, box.Top);
        EXPECT_LE(ink->Bottom, box.Bottom);
        EXPECT_GT(ink->width(), box.width() / 2);
        EXPECT_GT(ink->height(), 30 * (c.lines - 1)); // ink on every line
    }
}

} // namespace
} // namespace kelvra::test

namespace kelvra::test {
namespace {

TEST(PointerPlacement, BoxIsANumberFunction)
{
    struct Case
    {
        QPoint pointer;
        QSize raster;
        QSize label;
        LabelBox box;
    };
    const Case cases[] = {
        { { 100, 50 }, { 640, 480 }, { 40, 20 }, { 80, 40, 120, 60 } }, // centred on the pointer
        { { 101, 51 }, { 640, 480 }, { 41, 21 }, { 81, 41, 122, 62 } }, // odd sizes: the extra pixel right and below
        { { 5, 5 }, { 640, 480 }, { 40, 20 }, { 0, 0, 40, 20 } }, // held inside at the top left
        { { 639, 479 }, { 640, 480 }, { 40, 20 }, { 600, 460, 640, 480 } }, // and at the bottom right
        { { -50, 900 }, { 640, 480 }, { 40, 20 }, { 0, 460, 40, 480 } }, // a pointer outside the raster
        { { 10, 10 }, { 30, 15 }, { 40, 20 }, { 0, 0, 30, 15 } }, // larger than the raster: top left, clipped
        { { 0, 0 }, { 0, 0 }, { 40, 20 }, { 0, 0, 0, 0 } },
    };
    for (const Case &c : cases)
        EXPECT_EQ(pointerLabelBox(c.pointer, c.raster, c.label), c.box) << c.pointer.x() << "," << c.pointer.y();
}

TEST(PointerPlacement, PlacementFromNumbers)
{
    struct Case
    {
        LabelBox box;
        QSize raster;
        int cell;
        int xOrient, yOrient;
        double xd, yd, size;
    };
    const Case cases[] = {
        { { 64, 48, 164, 72 }, { 640, 480 }, 24, 0, 0, 0.1, 0.1, 20.0 },
        { { 500, 400, 600, 424 }, { 640, 480 }, 24, 1, 1, 40.0 / 640, 56.0 / 480, 20.0 },
        { { 270, 228, 370, 252 }, { 640, 480 }, 24, 0, 0, 270.0 / 640, 228.0 / 480, 20.0 }, // equal gaps: left, top
        { { 0, 0, 30, 10 }, { 30, 10 }, 10, 0, 0, 0.0, 0.0, 1.0 },
    };
    for (const Case &c : cases) {
        StampSettings s;
        placementFromBox(c.box, c.raster, c.cell, s);
        EXPECT_EQ(s.XOrient, c.xOrient) << c.box.Left;
        EXPECT_EQ(s.YOrient, c.yOrient) << c.box.Left;
        EXPECT_DOUBLE_EQ(s.XD, c.xd) << c.box.Left;
        EXPECT_DOUBLE_EQ(s.YD, c.yd) << c.box.Left;
        EXPECT_DOUBLE_EQ(s.Size, c.size) << c.box.Left;
    }
    // Nothing to work out from an empty raster or cell.
    StampSettings untouched;
    const StampSettings before = untouched;
    placementFromBox({ 1, 1, 2, 2 }, { 0, 480 }, 24, untouched);
    placementFromBox({ 1, 1, 2, 2 }, { 640, 480 }, 0, untouched);
    EXPECT_EQ(untouched.XD, before.XD);
    EXPECT_EQ(untouched.Size, before.Size);
}

// The drawn pointer placement is the number function fed with the label's size.
TEST(PointerPlacement, DrawingAgreesWithTheNumbers)
{
    QImage image = ground(640, 427);
    PhotoCanvas canvas(&image);
    StampSettings s = placed(0, 0, 0.1, 0.1);
    DrawTextToPhotoWITH_PARAMS(canvas, s, kText);
    const QSize label(canvas.textWidth(kText), canvas.textHeight());
    for (const QPoint pointer : { QPoint(320, 200), QPoint(2, 2), QPoint(639, 426) }) {
        StampSettings drawn = s;
        const LabelBox box = DrawTextToPhoto(canvas, drawn, kText, pointer.x(), pointer.y());
        EXPECT_EQ(box, pointerLabelBox(pointer, image.size(), label));
        StampSettings numbers = s;
        placementFromBox(box, image.size(), label.height(), numbers);
        EXPECT_EQ(drawn.XOrient, numbers.XOrient);
        EXPECT_EQ(drawn.XD, numbers.XD);
        EXPECT_EQ(drawn.YD, numbers.YD);
        EXPECT_EQ(drawn.Size, numbers.Size);
    }
}

} // namespace
} // namespace kelvra::test
