// SPDX-License-Identifier: GPL-3.0-or-later
// The queue of photos on its own: order, identity, captions and hints.
#include "test_photos.h"
#include "ui_test_support.h"

#include "jobs/thumbnail_job.h"
#include "ui/photo_list_model.h"
#include "ui/photo_strip.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>

namespace kelvra::test {
namespace {

TEST(PhotoList, QueuesJpegNamesOnceInTheOrderAdded)
{
    PhotoList list;
    QSignalSpy changed(&list, &PhotoList::changed);
    EXPECT_EQ(
        list.add(QStringList { QStringLiteral("/p/b.jpg"), QStringLiteral("/p/a.JPEG"), QStringLiteral("/p/c.gif"),
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
    EXPECT_EQ(list.indexOf(QStringLiteral("/p/c.gif")), -1);
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

// Sends a drag of data onto the strip as a file manager does; whether it was taken.
bool drop(PhotoStrip *strip, QMimeData *data)
{
    QWidget *target = strip->viewport();
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &move);
    QDropEvent dropped(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
}

using PhotoStripInWindow = WindowTest;

TEST_F(PhotoStripInWindow, DroppingPhotosAndAFolderQueuesThePhotosAndTheFolderJpegFiles)
{
    const QString dir = qpath(work.path());
    const QString folder = dir + QStringLiteral("/dropped");
    QDir().mkpath(folder + QStringLiteral("/sub"));
    for (const char *name : { "p1.jpg", "p2.JPG", "dropped/y.jpeg", "dropped/x.jpg", "dropped/z.gif",
             "dropped/.hidden.jpg", "dropped/sub/w.jpg" })
        makeFile(dir + QLatin1Char('/') + QLatin1String(name), 10);
    TForm1 &w = open();
    PhotoStrip *strip = test::partOf<PhotoStrip>(w);

    QMimeData text;
    text.setText(QStringLiteral("p1.jpg"));
    EXPECT_FALSE(drop(strip, &text));

    QMimeData files;
    files.setUrls({ QUrl::fromLocalFile(dir + QStringLiteral("/p2.JPG")),
        QUrl(QStringLiteral("https://example.org/a.jpg")), QUrl::fromLocalFile(folder),
        QUrl::fromLocalFile(dir + QStringLiteral("/p1.jpg")), QUrl::fromLocalFile(dir + QStringLiteral("/p2.JPG")) });
    EXPECT_TRUE(drop(strip, &files));
    EXPECT_EQ(w.photoList().paths(),
        (QStringList { dir + QStringLiteral("/p2.JPG"), folder + QStringLiteral("/x.jpg"),
            folder + QStringLiteral("/y.jpeg"), dir + QStringLiteral("/p1.jpg") }));
    EXPECT_EQ(test::partOf<QLabel>(w, QStringLiteral("FilesToProcess"))->text(), QStringLiteral("Files to process: 4"));
    EXPECT_FALSE(test::partOf<QLabel>(*strip, QStringLiteral("AdvSmoothLabel1"))->isVisible());
    EXPECT_TRUE(test::actionOf(w, QStringLiteral("PhotoRemoveAll"))->isEnabled());
}

TEST(PhotoStrip, RemovingPhotosBeforeTheirThumbnailsArriveIsHarmless)
{
    TempDir dir;
    const QString first = qpath(dir / "photo_00.jpg");
    makePhoto(first, QSize(2400, 1600), Qt::darkRed);
    QStringList paths { first };
    for (int i = 1; i < 40; ++i) {
        paths << qpath(dir / QStringLiteral("photo_%1.jpg").arg(i, 2, 10, QLatin1Char('0')).toStdString());
        ASSERT_TRUE(QFile::copy(first, paths.last()));
    }

    PhotoList list;
    auto strip = std::make_unique<PhotoStrip>(list);
    strip->resize(1200, 170);
    strip->show();
    list.add(paths);
    strip->repaint(); // asks for the pictures of the first boxes
    list.removeAt(0);
    list.removeAt(2);
    strip->horizontalScrollBar()->setValue(strip->horizontalScrollBar()->maximum());
    strip->repaint();
    list.clear();
    list.add(paths.mid(10));
    strip->repaint();
    list.removeAt(1);
    KELVRA_TRY(shownPicturesArrived(*strip));
    EXPECT_EQ(list.count(), 29);

    // Going away with pictures still on their way.
    list.clear();
    list.add(paths);
    strip->repaint();
    strip.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(list.count(), 40);
}

} // namespace
} // namespace kelvra::test
