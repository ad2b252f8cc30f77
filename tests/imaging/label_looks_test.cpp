// SPDX-License-Identifier: GPL-3.0-or-later
// Glow, strips, translucent boxes and two-line labels, judged by their pixels.
#include "imaging/imaging_test_support.h"
#include "imaging/label_renderer.h"

#include <QSet>

#include <gtest/gtest.h>

#include <cmath>

namespace kelvra::test {
namespace {

const QString kDate = QStringLiteral("'98 7 14");

QImage flat(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

StampSettings bottomRight(double size)
{
    StampSettings s;
    s.XOrient = s.YOrient = 1;
    s.XD = s.YD = 0.1;
    s.Size = size;
    return s;
}

// What a halo did: the pixels it changed beyond those the text alone changes.
struct Halo
{
    int changed = 0;
    int distinctReds = 0;
    bool tinted = true; // every changed pixel leans to the glow colour
    QRect bounds;
};

Halo haloOf(const StampSettings &withGlow, const QString &text)
{
    StampSettings plain = withGlow;
    plain.FGlow = false;
    QImage a = flat(800, 500, qRgb(0, 0, 0));
    QImage b = a;
    PhotoCanvas ca(&a), cb(&b);
    DrawTextToPhotoWITH_PARAMS(ca, plain, text);
    DrawTextToPhotoWITH_PARAMS(cb, withGlow, text);
    Halo h;
    QSet<int> reds;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (p == q || p != qRgb(0, 0, 0))
                continue;
            ++h.changed;
            reds.insert(qRed(q));
            h.tinted = h.tinted && qRed(q) >= qGreen(q) && qRed(q) >= qBlue(q);
            h.bounds |= QRect(x, y, 1, 1);
        }
    h.distinctReds = int(reds.size());
    return h;
}

TEST(LabelGlow, IsASoftHaloInItsColourThatGrowsWithItsSize)
{
    StampSettings s = bottomRight(10);
    s.FontColor = 0x00ffff; // yellow text
    s.FGlow = true;
    s.GlowColor = 0x0000ff; // red halo
    QImage raster = flat(800, 500, qRgb(0, 0, 0));
    PhotoCanvas canvas(&raster);
    const LabelBox box = DrawTextToPhotoWITH_PARAMS(canvas, s, kDate);
    const int reach = glowReach(s, canvas.fontHeight());
    EXPECT_EQ(reach, int(std::lround(canvas.fontHeight() * 0.15)));

    int last = 0;
    for (double size : { 10.0, 25.0, 50.0 }) {
        SCOPED_TRACE(size);
        s.GlowSize = size;
        const Halo h = haloOf(s, kDate);
        EXPECT_GT(h.changed, last);
        last = h.changed;
        EXPECT_TRUE(h.tinted);
        EXPECT_GT(h.distinctReds, 10); // a falloff, not a hard edge
        const int r = glowReach(s, canvas.fontHeight());
        EXPECT_TRUE(QRect(box.Left, box.Top, box.width(), box.height())
                        .adjusted(-r - 4, -r - 4, r + 4, r + 4)
                        .contains(h.bounds));
    }
    // A glow in the font's own colour when none is chosen.
    s.GlowColor = kNoColor;
    s.FontColor = 0xff0000; // blue
    QImage own = flat(800, 500, qRgb(0, 0, 0));
    PhotoCanvas ownCanvas(&own);
    DrawTextToPhotoWITH_PARAMS(ownCanvas, s, kDate);
    const QRgb near = own.pixel(box.Left - 2, (box.Top + box.Bottom) / 2);
    EXPECT_GT(qBlue(near), qRed(near));
}

TEST(LabelStrip, SpansTheWholePhotoAtTheLabelsPlace)
{
    const QRgb grey = qRgb(200, 200, 200);
    struct Case
    {
        const char *what;
        int strip;
        int xOrient, yOrient;
        int alpha;
    } cases[] = {
        { "across, bottom", 1, 1, 1, 255 },
        { "across, top, translucent", 1, 0, 0, 128 },
        { "down, left, translucent", 2, 0, 1, 64 },
        { "down, right", 2, 1, 0, 255 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        StampSettings s;
        s.Strip = c.strip;
        s.XOrient = c.xOrient;
        s.YOrient = c.yOrient;
        s.XD = s.YD = 0;
        s.BgColor = 0x000000;
        s.BgAlpha = c.alpha;
        s.FontColor = 0xffffff;
        s.Size = 15;
        QImage raster = flat(640, 400, grey);
        PhotoCanvas canvas(&raster);
        const LabelBox box = DrawTextToPhotoWITH_PARAMS(canvas, s, QStringLiteral("NIKON · f/2.8"));
        const int pad = stripPadding(s, canvas.fontHeight());
        EXPECT_EQ(pad, canvas.fontHeight() / 4);
        EXPECT_EQ(box.height(), canvas.fontHeight() + 2 * pad);
        // The band sits in the corner the label hangs from, flush with the edges.
        EXPECT_EQ(c.xOrient == 1 ? raster.width() - box.Right : box.Left, 0);
        EXPECT_EQ(c.yOrient == 1 ? raster.height() - box.Bottom : box.Top, 0);
        const int band = 200 * (255 - c.alpha) / 255;
        const QRect strip = c.strip == 1 ? QRect(0, box.Top, raster.width(), box.height())
                                         : QRect(box.Left, 0, box.width(), raster.height());
        // Even: the band's far end, away from the text, is one colour, the blend.
        const QPoint far = c.strip == 1 ? QPoint(c.xOrient == 1 ? 1 : raster.width() - 2, box.Top + 1)
                                        : QPoint(box.Left + 1, c.yOrient == 1 ? 1 : raster.height() - 2);
        EXPECT_NEAR(qRed(raster.pixel(far)), band, 1);
        for (int i = 0; i < (c.strip == 1 ? raster.width() : raster.height()); i += 37) {
            const QPoint edge = c.strip == 1 ? QPoint(i, strip.top()) : QPoint(strip.left(), i);
            EXPECT_NEAR(qRed(raster.pixel(edge)), band, 1) << i;
        }
        // Nothing outside the band changes.
        const QPoint outside = c.strip == 1 ? QPoint(5, c.yOrient == 1 ? strip.top() - 1 : strip.bottom() + 1)
                                            : QPoint(c.xOrient == 1 ? strip.left() - 1 : strip.right() + 1, 5);
        EXPECT_EQ(raster.pixel(outside), grey);
        // The text stands inside the padding.
        bool white = false;
        for (int y = box.Top + pad; y < box.Bottom - pad && !white; ++y)
            for (int x = box.Left + pad; x < box.Right - pad && !white; ++x)
                white = qRed(raster.pixel(x, y)) > 240;
        EXPECT_TRUE(white);
    }
}

TEST(LabelLines, StackInTheCornerAndDropTheBlankOnes)
{
    struct Case
    {
        QString text;
        int lines;
    } cases[] = {
        { QStringLiteral("22.10.2008"), 1 },
        { QStringLiteral("43°28'3\"N 11°53'6\"E\n22.10.2008"), 2 },
        { QStringLiteral("\n22.10.2008"), 1 }, // no position: the date alone
        { QStringLiteral(" \n\n"), 1 },
    };
    for (int xOrient : { 0, 1 }) {
        for (const Case &c : cases) {
            SCOPED_TRACE(c.text.toStdString() + " x" + std::to_string(xOrient));
            StampSettings s = bottomRight(20);
            s.XOrient = xOrient;
            s.BgColor = 0x000000;
            QImage raster = flat(600, 400, qRgb(255, 255, 255));
            PhotoCanvas canvas(&raster);
            const LabelBox box = DrawTextToPhotoWITH_PARAMS(canvas, s, c.text);
            EXPECT_EQ(labelLines(c.text).size(), c.lines);
            EXPECT_EQ(box.height(), c.lines * canvas.fontHeight());
            EXPECT_EQ(box.Bottom, 360);
            int widest = 0;
            for (const QString &line : labelLines(c.text))
                widest = std::max(widest, canvas.textWidth(line));
            EXPECT_EQ(box.width(), widest);
            if (widest == 0)
                continue;
            // The box is filled whole, under both lines.
            EXPECT_EQ(raster.pixel(box.Left, box.Top), qRgb(0, 0, 0));
            EXPECT_EQ(raster.pixel(box.Right - 1, box.Bottom - 1), qRgb(0, 0, 0));
        }
    }
}

TEST(LabelBox, TranslucentBoxBlendsAndOpaqueOneCovers)
{
    for (int alpha : { 0, 51, 128, 255 }) {
        StampSettings s = bottomRight(12);
        s.BgColor = 0x0000ff; // red box
        s.BgAlpha = alpha;
        QImage raster = flat(500, 300, qRgb(0, 0, 255));
        PhotoCanvas canvas(&raster);
        const LabelBox box = DrawTextToPhotoWITH_PARAMS(canvas, s, QStringLiteral("|"));
        const QRgb corner = raster.pixel(box.Left, box.Top);
        EXPECT_NEAR(qRed(corner), alpha, 1) << alpha;
        EXPECT_NEAR(qBlue(corner), 255 - alpha, 1) << alpha;
    }
}

} // namespace
} // namespace kelvra::test
