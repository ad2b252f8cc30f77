// SPDX-License-Identifier: GPL-3.0-or-later
// The queue of photos on its own: order, identity, captions and hints.
#include "ui_test_support.h"

#include "ui/photo_list_model.h"

#include <QSignalSpy>

namespace kelvra::test {
namespace {

TEST(PhotoList, QueuesJpegNamesOnceInTheOrderAdded)
{
    PhotoList list;
    QSignalSpy changed(&list, &PhotoList::changed);
    EXPECT_EQ(
        list.add(QStringList { QStringLiteral("/p/b.jpg"), QStringLiteral("/p/a.JPEG"), QStringLiteral("/p/c.png"),
            QStringLiteral("/p/b.jpg"), QStringLiteral("/p/folder"), QStringLiteral("/p/d.jfif") }),
        3);
    EXPECT_EQ(changed.count(), 1);
    // Identity is the exact text: another case or another folder is another photo.
    EXPECT_FALSE(list.add(QStringLiteral("/p/a.JPEG")));
    EXPECT_TRUE(list.add(QStringLiteral("/p/A.JPEG")));
    EXPECT_TRUE(list.add(QStringLiteral("/q/b.jpg")));
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(list.paths(),
        (QStringList { QStringLiteral("/p/b.jpg"), QStringLiteral("/p/a.JPEG"), QStringLiteral("/p/d.jfif"),
            QStringLiteral("/p/A.JPEG"), QStringLiteral("/q/b.jpg") }));
    EXPECT_EQ(list.indexOf(QStringLiteral("/p/d.jfif")), 2);
    EXPECT_EQ(list.indexOf(QStringLiteral("/p/c.png")), -1);
}

TEST(PhotoList, RemovingKeepsTheOthersInOrderAndFindable)
{
    PhotoList list;
    list.add(QStringList { QStringLiteral("/p/1.jpg"), QStringLiteral("/p/2.jpg"), QStringLiteral("/p/3.jpg"),
        QStringLiteral("/p/4.jpg") });
    QSignalSpy changed(&list, &PhotoList::changed);
    list.removeAt(1);
    list.removeAt(7);
    list.removeAt(-1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(list.paths(),
        (QStringList { QStringLiteral("/p/1.jpg"), QStringLiteral("/p/3.jpg"), QStringLiteral("/p/4.jpg") }));
    EXPECT_EQ(list.indexOf(QStringLiteral("/p/4.jpg")), 2);
    EXPECT_EQ(list.indexOf(QStringLiteral("/p/2.jpg")), -1);
    // A removed photo can come back, at the end.
    EXPECT_TRUE(list.add(QStringLiteral("/p/2.jpg")));
    EXPECT_EQ(list.indexOf(QStringLiteral("/p/2.jpg")), 3);
    list.clear();
    list.clear();
    EXPECT_EQ(changed.count(), 3);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_FALSE(list.contains(QStringLiteral("/p/1.jpg")));
}

TEST(PhotoList, CaptionIsTheNameOrItsLastTwentyFiveCharactersAndTheHintTheFullPath)
{
    struct Case
    {
        const char *name;
        const char *caption;
    };
    const Case cases[] = {
        { "short.jpg", "short.jpg" }, { "exactly_twenty_five_c.jpg", "exactly_twenty_five_c.jpg" }, // 25
        { "twenty_six_characters_.jpg", "...wenty_six_characters_.jpg" }, // 26
        { "a_rather_long_holiday_photo_0001.jpg", "...ng_holiday_photo_0001.jpg" }, // 36
        { "IMG_20260704_153012_seaside_walks.jpg", "..._153012_seaside_walks.jpg" }, // 37
    };
    PhotoList list;
    for (const Case &c : cases) {
        const QString path = QStringLiteral("/photos/2026 summer/") + QLatin1String(c.name);
        ASSERT_TRUE(list.add(path)) << c.name;
        const int row = list.count() - 1;
        EXPECT_EQ(list.caption(row), QLatin1String(c.caption)) << c.name;
        EXPECT_EQ(list.hint(row), path);
        const QModelIndex index = list.index(row);
        EXPECT_EQ(index.data(Qt::DisplayRole).toString(), QLatin1String(c.caption));
        EXPECT_EQ(index.data(Qt::ToolTipRole).toString(), path);
        EXPECT_EQ(index.data(PhotoList::PathRole).toString(), path);
    }
    EXPECT_EQ(list.caption(4).size(), 28);
}

} // namespace
} // namespace kelvra::test
