// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/qt_test_support.h"
#include "common/test_support.h"
#include "stamp/looks.h"

#include <gtest/gtest.h>

namespace kelvra {
namespace {

using test::qpath;
using test::TempDir;
using test::writeFileBytes;

TEST(Looks, FoundByNameOrFileAndKeepTheUsersOwnSettings)
{
    TempDir dir;
    writeFileBytes(dir / "film-date.cfg",
        "[Options]\nLookName=Film date\nFontName=DSEG7 Classic\nFGlow=1\n"
        "XOrient=1\nYOrient=1\nFNMask=%y\\%o\nStampPhotosOpt=0\n");
    writeFileBytes(dir / "plain.cfg", "[Options]\nFontColor=0\n");
    writeFileBytes(dir / "notes.txt", "[Options]\nLookName=Not a look\n");
    const std::vector<ReadyLook> looks = readyLooks(qpath(dir.path()));
    ASSERT_EQ(looks.size(), 2u);
    EXPECT_EQ(looks[0].name, QStringLiteral("Film date"));
    EXPECT_EQ(looks[1].name, QStringLiteral("plain")); // no LookName: the file's name

    for (const char *name : { "Film date", "film DATE", "film-date", "film-date.cfg" })
        EXPECT_TRUE(findLook(looks, QString::fromUtf8(name))) << name;
    EXPECT_FALSE(findLook(looks, QStringLiteral("Film")));

    StampSettings mine;
    mine.FNMask = QStringLiteral("%n3");
    mine.RenamePhotos = true;
    mine.DateShift = QStringLiteral("+1:00");
    mine.FixExifDates = true;
    mine.DateZone = QStringLiteral("+05:30");
    mine.FontColor = 0x123456;
    mine.FShadow = true;
    applyLook(looks[0].path, mine, {});
    EXPECT_EQ(mine.FontName, QStringLiteral("DSEG7 Classic"));
    EXPECT_TRUE(mine.FGlow);
    EXPECT_EQ(mine.FontColor, StampSettings().FontColor); // the look's, by default
    EXPECT_FALSE(mine.FShadow);
    EXPECT_EQ(mine.XOrient, 1);
    EXPECT_EQ(mine.FNMask, QStringLiteral("%n3"));
    EXPECT_TRUE(mine.RenamePhotos);
    EXPECT_TRUE(mine.StampPhotosOpt);
    EXPECT_EQ(mine.DateShift, QStringLiteral("+1:00"));
    EXPECT_TRUE(mine.FixExifDates);
    EXPECT_EQ(mine.DateZone, QStringLiteral("+05:30"));
}

} // namespace
} // namespace kelvra
