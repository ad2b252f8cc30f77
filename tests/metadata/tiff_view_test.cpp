// SPDX-License-Identifier: GPL-3.0-or-later
// The one TIFF reader: reads in both byte orders, nothing outside the bytes,
// whatever position a crafted file names.
#include "metadata/exif_builder.h"
#include "metadata/tiff_view.h"

#include <gtest/gtest.h>

namespace kelvra {
namespace {

using test::TiffBuilder;

TEST(TiffView, ReadsDirectoriesInBothOrders)
{
    for (bool motorola : { false, true }) {
        TiffBuilder b(motorola);
        b.shorts(0, 0x0112, { 6 });
        b.longs(0, 0x0201, { 0x01020304 });
        const std::string bytes = b.build();
        const TiffView tiff(bytes);
        SCOPED_TRACE(motorola);
        EXPECT_TRUE(tiff.hasHeader());
        EXPECT_EQ(tiff.motorola(), motorola);
        const uint32_t ifd0 = tiff.get(4, 4).value();
        EXPECT_EQ(ifd0, b.offsetOf(0));
        const std::optional<int64_t> orientation = tiff.findEntry(ifd0, 0x0112);
        ASSERT_TRUE(orientation);
        EXPECT_EQ(tiff.get(*orientation + 8, 2), 6u);
        const std::optional<int64_t> offset = tiff.findEntry(ifd0, 0x0201);
        ASSERT_TRUE(offset);
        EXPECT_EQ(tiff.get(*offset + 8, 4), 0x01020304u);
        EXPECT_FALSE(tiff.findEntry(ifd0, 0x0100));
        EXPECT_EQ(tiff.nextLinkAt(ifd0), TiffView::entryAt(ifd0, 2));
        EXPECT_EQ(tiff.encode(0x0A0B, 2), motorola ? std::string("\x0A\x0B") : std::string("\x0B\x0A"));
        EXPECT_EQ(
            TiffView::ofExifSegment(std::string("\0\x10", 2) + std::string("Exif\0\0", 6) + bytes).get(4, 4), ifd0);
    }
}

TEST(TiffView, ReadsNothingOutsideItsBytes)
{
    const std::string bytes("MM\0*\0\0\0\x08\x12\x34", 10);
    const TiffView tiff(bytes);
    EXPECT_EQ(tiff.get(8, 2), 0x1234u);
    EXPECT_EQ(tiff.sub(8, 2), "\x12\x34");
    struct Case
    {
        int64_t pos;
        int bytes;
    };
    for (const Case c : { Case { 9, 2 }, { 10, 1 }, { -1, 1 }, { INT64_MIN, 4 }, { INT64_MAX, 1 }, { 0, 5 } })
        EXPECT_FALSE(tiff.get(c.pos, c.bytes)) << c.pos << " " << c.bytes;
    EXPECT_TRUE(tiff.sub(9, 2).empty());
    EXPECT_TRUE(tiff.sub(-1, 2).empty());
    EXPECT_TRUE(tiff.sub(2, INT64_MAX).empty());
    // A count read past the end names no entries and no link.
    EXPECT_FALSE(tiff.findEntry(9, 0x1234));
    EXPECT_FALSE(tiff.nextLinkAt(9));
    EXPECT_FALSE(TiffView(std::string_view("II*\0\0\0", 6)).hasHeader());
    EXPECT_FALSE(TiffView::ofExifSegment("Ex").hasHeader());
}

} // namespace
} // namespace kelvra
