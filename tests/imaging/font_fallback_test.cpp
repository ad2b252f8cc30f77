// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/font_fallback.h"

#include <gtest/gtest.h>

namespace kelvra {
namespace {

TEST(FontFallback, NearestFamilyByName)
{
    const QStringList installed { QStringLiteral("DejaVu Sans"), QStringLiteral("DSEG7 Classic Mini"),
        QStringLiteral("DSEG7 Modern"), QStringLiteral("DSEG14 Classic"), QStringLiteral("Liberation Sans"),
        QStringLiteral("Liberation Serif") };
    struct Case
    {
        const char *wanted;
        const char *nearest;
    } cases[] = {
        { "DSEG7 Modern", "DSEG7 Modern" }, { "dseg7 modern", "DSEG7 Modern" }, // any case
        { "DSEG7 Classic", "DSEG7 Classic Mini" }, // another cut of the family
        { "DSEG14 Modern", "DSEG14 Classic" }, { "DSEG", "DSEG7 Modern" }, // equally near: the shorter name
        { "Liberation Mono", "Liberation Sans" }, { "Comic Sans", "" }, // nothing near
        { "Dej", "" }, // too short to tell
    };
    for (const Case &c : cases)
        EXPECT_EQ(nearestFamilyByName(QString::fromUtf8(c.wanted), installed), QString::fromUtf8(c.nearest))
            << c.wanted;
}

// On this machine: Arial has the font system's stand-in and earns no note;
// a name nobody knows does, and is drawn with an installed font.
TEST(FontFallback, StandInsAreNoFallback)
{
    EXPECT_FALSE(fontFallback(QStringLiteral("Arial")));
    EXPECT_EQ(drawnFontFamily(QStringLiteral("Arial")), QStringLiteral("Arial"));
    const std::optional<FontFallback> unknown = fontFallback(QStringLiteral("Qwzx Grotesk"));
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->requested, QStringLiteral("Qwzx Grotesk"));
    EXPECT_FALSE(unknown->drawn.isEmpty());
    EXPECT_EQ(drawnFontFamily(QStringLiteral("Qwzx Grotesk")), unknown->drawn);
}

} // namespace
} // namespace kelvra
