// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/bitmap_rotate.h"

#include "imaging/imaging_test_support.h"

#include <gtest/gtest.h>

namespace kelvra::test {
namespace {

struct MappingCase
{
    const char *name;
    RasterTurn rotate;
    bool swapsSides;
    // Where old pixel (x, y) of a W x H raster lands.
    QPoint (*target)(int x, int y, int W, int H);
};

const MappingCase kMappings[] = {
    { "Rotate180", Rotate180, false, [](int x, int y, int W, int H) { return QPoint(W - 1 - x, H - 1 - y); } },
    { "RotateClockwise", RotateClockwise, true, [](int x, int y, int, int H) { return QPoint(H - 1 - y, x); } },
    { "RotateCounterClockwise", RotateCounterClockwise, true,
        [](int x, int y, int W, int) { return QPoint(y, W - 1 - x); } },
    { "MirrorHorizontal", MirrorHorizontal, false, [](int x, int y, int W, int) { return QPoint(W - 1 - x, y); } },
    { "MirrorVertical", MirrorVertical, false, [](int x, int y, int, int H) { return QPoint(x, H - 1 - y); } },
    { "Transpose", Transpose, true, [](int x, int y, int, int) { return QPoint(y, x); } },
    { "Transverse", Transverse, true, [](int x, int y, int W, int H) { return QPoint(H - 1 - y, W - 1 - x); } },
};

// Sizes off the tile grid on purpose: partial tiles, one row, one column.
const QSize kSizes[] = { { 1, 1 }, { 1, 9 }, { 9, 1 }, { 2, 3 }, { 31, 33 }, { 64, 32 }, { 97, 45 }, { 45, 97 } };

TEST(Rotations, EveryPixelLandsWhereTheMappingSays)
{
    for (const MappingCase &m : kMappings) {
        for (QSize size : kSizes) {
            SCOPED_TRACE(
                std::string(m.name) + " " + std::to_string(size.width()) + "x" + std::to_string(size.height()));
            const QImage before = numberedRaster(size.width(), size.height());
            QImage after = before;
            ASSERT_TRUE(m.rotate(after));
            ASSERT_EQ(after.size(), m.swapsSides ? size.transposed() : size);
            ASSERT_EQ(after.format(), QImage::Format_RGB32);
            int wrong = 0;
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    wrong += after.pixel(m.target(x, y, size.width(), size.height())) != before.pixel(x, y);
            EXPECT_EQ(wrong, 0);
        }
    }
}

TEST(Rotations, LeaveASharedCopyAlone)
{
    const QImage original = numberedRaster(40, 30);
    for (const MappingCase &m : kMappings) {
        QImage shared = original;
        const QImage keep = original.copy();
        ASSERT_TRUE(m.rotate(shared));
        EXPECT_EQ(original, keep) << m.name;
    }
}

// What a viewer does with each EXIF orientation, by where the stored
// raster's top-left and top-right pixels end up on the W x H upright picture.
TEST(Rotations, OrientationTurnsGoUprightAndBack)
{
    struct Case
    {
        int orientation;
        QPoint topLeft, topRight; // with W = 5, H = 3 upright
    };
    const Case cases[] = {
        { 2, { 4, 0 }, { 0, 0 } },
        { 3, { 4, 2 }, { 0, 2 } },
        { 4, { 0, 2 }, { 4, 2 } },
        { 5, { 0, 0 }, { 0, 2 } },
        { 6, { 4, 0 }, { 4, 2 } },
        { 7, { 4, 2 }, { 4, 0 } },
        { 8, { 0, 2 }, { 0, 0 } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.orientation);
        const QSize stored = orientationSwapsSides(c.orientation) ? QSize(3, 5) : QSize(5, 3);
        const QImage before = numberedRaster(stored.width(), stored.height());
        const OrientationTurns turns = orientationTurns(c.orientation);
        ASSERT_TRUE(turns.upright && turns.back);
        QImage image = before;
        ASSERT_TRUE(turns.upright(image));
        ASSERT_EQ(image.size(), QSize(5, 3));
        EXPECT_EQ(image.pixel(c.topLeft), before.pixel(0, 0));
        EXPECT_EQ(image.pixel(c.topRight), before.pixel(stored.width() - 1, 0));
        ASSERT_TRUE(turns.back(image));
        EXPECT_EQ(image, before);
    }
    for (int none : { 1, 0, 9, -6 }) {
        EXPECT_FALSE(orientationTurns(none).upright);
        EXPECT_FALSE(orientationSwapsSides(none));
    }
}

TEST(Rotations, OtherFormatsComeOutAsRgb32)
{
    QImage image = numberedRaster(20, 10).convertToFormat(QImage::Format_RGB888);
    ASSERT_TRUE(RotateClockwise(image));
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_EQ(image.pixel(9, 0), numberedRaster(20, 10).pixel(0, 0));
}

} // namespace
} // namespace kelvra::test
