// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/bitmap_rotate.h"
#include "imaging/imaging_test_support.h"
#include "imaging/label_renderer.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace kelvra::test {
namespace {

struct Design
{
    const char *what;
    StampSettings settings;
    QString text;
};

StampSettings design(int xOrient, int yOrient, double size, void (*tweak)(StampSettings &))
{
    StampSettings s;
    s.XOrient = xOrient;
    s.YOrient = yOrient;
    s.XD = s.YD = 0.1;
    s.Size = size;
    tweak(s);
    return s;
}

const QString kDate = QStringLiteral("2024:07:01 08:00:00");

const Design kDesigns[] = {
    { "shadow and outline, bottom right, drawn as paths",
        design(1, 1, 6, [](StampSettings &s) { s.FShadow = s.FOutline = true; }), kDate },
    { "box, shadow, top left, small cached glyphs",
        design(0, 0, 16,
            [](StampSettings &s) {
                s.FShadow = true;
                s.BgColor = 0x203040;
            }),
        kDate },
    { "italic underlined outline with marks that overhang the cell",
        design(1, 0, 7,
            [](StampSettings &s) {
                s.Style = FontStyles { true, true, true };
                s.FOutline = true;
                s.OutlineColor = 0x00ff00;
            }),
        QStringLiteral("fÅjÿ Ḉ̈̈ g") },
    { "wider than the photo, underlined: cut at the far edge",
        design(1, 1, 2,
            [](StampSettings &s) {
                s.Style.Underline = true;
                s.FShadow = s.FOutline = true;
                s.BgColor = 0xffffff;
            }),
        kDate },
    { "italic, underlined, cut at the right edge, small cached glyphs",
        design(1, 0, 9,
            [](StampSettings &s) {
                s.Style = FontStyles { false, true, true };
                s.FShadow = s.FOutline = true;
                s.BgColor = 0x203040;
            }),
        QStringLiteral("08.12.2026 18:41  gÿjÄ") },
    { "nothing to draw", design(0, 1, 10, [](StampSettings &s) { s.FShadow = true; }), QString() },
    { "glow in another colour, with shadow and outline",
        design(1, 1, 8,
            [](StampSettings &s) {
                s.FGlow = s.FShadow = s.FOutline = true;
                s.GlowColor = 0x00a5ff;
                s.GlowSize = 40;
            }),
        kDate },
    { "translucent strip across, two lines, top right",
        design(1, 0, 12,
            [](StampSettings &s) {
                s.Strip = 1;
                s.BgColor = 0x101010;
                s.BgAlpha = 140;
                s.FGlow = true;
            }),
        kDate + QStringLiteral("\nNIKON E950") },
    { "strip down the left side, bottom",
        design(0, 1, 14,
            [](StampSettings &s) {
                s.Strip = 2;
                s.BgColor = 0xffffff;
                s.BgAlpha = 90;
                s.FShadow = true;
            }),
        QStringLiteral("\n ISO 100\n\n1/250 sec") },
};

// How a viewer turns each orientation upright, and how the batch turns back.
struct Orientation
{
    int value;
    RasterTurn upright;
    RasterTurn back;
};
const Orientation kOrientations[] = {
    { 2, MirrorHorizontal, MirrorHorizontal },
    { 3, Rotate180, Rotate180 },
    { 4, MirrorVertical, MirrorVertical },
    { 5, Transpose, Transpose },
    { 6, RotateClockwise, RotateCounterClockwise },
    { 7, Transverse, Transverse },
    { 8, RotateCounterClockwise, RotateClockwise },
};

// The patch road must give the very pixels of turning the whole photo.
TEST(LabelOnStoredPhoto, SamePixelsAsTurningTheWholePhoto)
{
    const QImage photo = gradientRaster(641, 419); // odd sides: no symmetry to hide a slip
    for (const Orientation &o : kOrientations) {
        for (const Design &d : kDesigns) {
            SCOPED_TRACE(std::to_string(o.value) + ": " + d.what);
            QImage turned = photo;
            ASSERT_TRUE(o.upright(turned));
            PhotoCanvas canvas(&turned);
            const LabelBox expectedBox = DrawTextToPhotoWITH_PARAMS(canvas, d.settings, d.text);
            ASSERT_TRUE(o.back(turned));

            QImage patched = photo;
            const ImageResult<LabelBox> box = drawLabelOnStoredPhoto(patched, o.value, d.settings, d.text);
            ASSERT_TRUE(box);
            EXPECT_EQ(box.value, expectedBox);
            EXPECT_EQ(patched.size(), photo.size());
            EXPECT_EQ(patched.format(), QImage::Format_RGB32);
            EXPECT_TRUE(patched == turned);
            EXPECT_EQ(patched == photo, d.text.isEmpty()); // the label is there
        }
    }
}

// The patch must hold every pixel the label touches. Painted straight on the
// whole raster, a label clear of the edges gives the same pixels.
TEST(LabelOnStoredPhoto, PatchHoldsAllTheInk)
{
    const QImage photo = gradientRaster(900, 500);
    for (const Design &d : { kDesigns[0], kDesigns[2] }) {
        SCOPED_TRACE(d.what);
        QImage direct = photo;
        PhotoCanvas canvas(&direct);
        SetPhotoFontParams(canvas, d.settings);
        canvas.setFontHeight(fontCellHeight(direct.width(), direct.height(), d.settings.Size));
        const int w = canvas.textWidth(d.text);
        const int left = d.settings.XOrient == 1 ? int(direct.width() * 0.9) - w : int(direct.width() * 0.1);
        const int top
            = d.settings.YOrient == 1 ? int(direct.height() * 0.9) - canvas.textHeight() : int(direct.height() * 0.1);
        {
            QPainter painter(&direct);
            const int points = fontPointSize(canvas.fontHeight());
            if (d.settings.FShadow) {
                canvas.setFontColor(QColor(128, 128, 128));
                const int offset = shadowOffset(canvas.fontHeight(), d.settings.FOutline);
                canvas.textOut(painter, left + offset, top + offset, d.text);
                canvas.setFontColor(toQColor(d.settings.FontColor));
            }
            canvas.textOut(painter, left, top, d.text);
            if (d.settings.FOutline) {
                const TColor pen = d.settings.OutlineColor == kNoColor ? ContrastColor(d.settings.FontColor)
                                                                       : d.settings.OutlineColor;
                canvas.setPen(toQColor(pen), points / 20);
                canvas.strokeText(painter, left, top, d.text);
            }
        }
        QImage patched = photo;
        PhotoCanvas patchedCanvas(&patched);
        const LabelBox box = DrawTextToPhotoWITH_PARAMS(patchedCanvas, d.settings, d.text);
        ASSERT_EQ(box.Left, left);
        ASSERT_GT(box.Left, 0);
        ASSERT_LT(box.Right, photo.width()); // clear of the edges
        EXPECT_TRUE(patched == direct);
    }
}

TEST(LabelOnStoredPhoto, UnturnedOrientationsDrawOnTheRasterAsItIs)
{
    const QImage photo = gradientRaster(300, 200);
    for (int orientation : { 0, 1, 9, -6 }) {
        QImage direct = photo;
        PhotoCanvas canvas(&direct);
        const LabelBox expected = DrawTextToPhotoWITH_PARAMS(canvas, kDesigns[0].settings, kDate);
        QImage stored = photo;
        const ImageResult<LabelBox> drawn = drawLabelOnStoredPhoto(stored, orientation, kDesigns[0].settings, kDate);
        ASSERT_TRUE(drawn);
        EXPECT_EQ(drawn.value, expected);
        EXPECT_TRUE(stored == direct) << orientation;
    }
}

} // namespace
} // namespace kelvra::test
