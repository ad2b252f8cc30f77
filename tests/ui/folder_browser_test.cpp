// SPDX-License-Identifier: GPL-3.0-or-later
// The folder browser in the window: what it lists, how it sorts, and the
// commands that queue photos from it.
#include "test_photos.h"
#include "ui_test_support.h"

#include "jobs/thumbnail_job.h"
#include "stamp/ini_file.h"
#include "ui/folder_browser.h"
#include "ui/photo_list_model.h"
#include "ui/photo_strip.h"
#include "ui/preview_view.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <iostream>

namespace kelvra::test {
namespace {

// What a mouse sends: press, release, double click, release. (QTest's own
// leaves out the first release, which a view in the middle of a selection
// drag ignores.)
void doubleClick(QWidget *widget, QPoint at)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    QMouseEvent twice(QEvent::MouseButtonDblClick, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(widget, &twice);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
}

QStringList names(const QStringList &paths)
{
    QStringList out;
    for (const QString &path : paths)
        out << QFileInfo(path).fileName();
    return out;
}

class FolderBrowsing : public WindowTest
{
protected:
    // The window browsing folder from the start (its DefaultBrowseFolder), once it is listed.
    TForm1 &openAt(const QString &folder)
    {
        QDir().mkpath(dataFolder());
        IniFile ini(dataFolder() + QStringLiteral("/Kelvra.ini"));
        EXPECT_TRUE(ini.writeString(QStringLiteral("Options"), QStringLiteral("DefaultBrowseFolder"), folder));
        TForm1 &w = open();
        // Listing takes the event loop, so it cannot have ended yet.
        QSignalSpy loaded(test::partOf<FolderBrowser>(w), &FolderBrowser::loaded);
        EXPECT_EQ(test::partOf<FolderBrowser>(w)->folder(), folder);
        KELVRA_TRY(loaded.count() == 1);
        return w;
    }
    QString folder(const std::string &name)
    {
        const QString path = qpath(work / name);
        QDir().mkpath(path);
        return path;
    }
    void trigger(const char *action) { test::actionOf(*window, QLatin1String(action))->trigger(); }
    QModelIndex entry(const QString &name) const
    {
        const FolderBrowser *b = test::partOf<FolderBrowser>(*window);
        const int row = names(b->entries()).indexOf(name);
        EXPECT_GE(row, 0) << name.toStdString();
        return test::partOf<QTreeView>(*b, QStringLiteral("ShellListView1Report"))
            ->model()
            ->index(row, 0, test::partOf<QTreeView>(*b, QStringLiteral("ShellListView1Report"))->rootIndex());
    }
    void select(const QStringList &entries)
    {
        QItemSelectionModel *selection
            = test::partOf<QTreeView>(*window, QStringLiteral("ShellListView1Report"))->selectionModel();
        selection->clear();
        for (const QString &name : entries)
            selection->select(entry(name), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QStringList queued() const { return names(window->photoList().paths()); }
    QString countText() const { return test::partOf<QLabel>(*window, QStringLiteral("FilesToProcess"))->text(); }
};

TEST_F(FolderBrowsing, ListsSubfoldersAndJpegNamesAndFollowsTheFolderAsFilesComeAndGo)
{
    const QString dir = folder("listing");
    QDir().mkpath(dir + QStringLiteral("/subfolder"));
    for (const char *name : { "a.jpg", "B.JPEG", "d.jfif", "c.gif", ".h.jpg", "f.png", "g.HEIC", "h.tif", "i.webp" })
        makeFile(dir + QLatin1Char('/') + QLatin1String(name), 10);
    TForm1 &w = openAt(dir);
    FolderBrowser *b = test::partOf<FolderBrowser>(w);
    EXPECT_EQ(names(b->entries()),
        (QStringList { "subfolder", "a.jpg", "B.JPEG", "d.jfif", "f.png", "g.HEIC", "h.tif", "i.webp" }));

    makeFile(dir + QStringLiteral("/e.JPE"), 10);
    makeFile(dir + QStringLiteral("/notes.txt"), 10);
    ASSERT_TRUE(QFile::remove(dir + QStringLiteral("/a.jpg")));
    KELVRA_TRY(names(b->entries())
        == (QStringList { "subfolder", "B.JPEG", "d.jfif", "e.JPE", "f.png", "g.HEIC", "h.tif", "i.webp" }));
    EXPECT_EQ(
        test::partOf<QComboBox>(*b, QStringLiteral("ShellComboBox1"))->currentText(), QDir::toNativeSeparators(dir));
}

TEST_F(FolderBrowsing, AddQueuesTheFocusedFileOrTheSelectedPhotosInListOrderAndNeverTwice)
{
    const QString dir = folder("add");
    for (const char *sub : { "one", "two.jpg" }) // a folder with a photo's name is still a folder
        QDir().mkpath(dir + QLatin1Char('/') + QLatin1String(sub));
    for (const char *name : { "p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg" })
        makePhoto(dir + QLatin1Char('/') + QLatin1String(name));
    TForm1 &w = openAt(dir);
    EXPECT_TRUE(test::partOf<QLabel>(w, QStringLiteral("AdvSmoothLabel1"))->isVisible());
    EXPECT_FALSE(test::actionOf(w, QStringLiteral("PhotoRemove"))->isEnabled());
    EXPECT_FALSE(test::actionOf(w, QStringLiteral("PhotoRemoveAll"))->isEnabled());

    // Nothing selected: the focused file alone.
    QItemSelectionModel *selection
        = test::partOf<QTreeView>(w, QStringLiteral("ShellListView1Report"))->selectionModel();
    selection->setCurrentIndex(entry(QStringLiteral("p2.jpg")), QItemSelectionModel::NoUpdate);
    ASSERT_TRUE(selection->selectedIndexes().isEmpty());
    trigger("PhotoAdd");
    EXPECT_EQ(queued(), QStringList { "p2.jpg" });
    EXPECT_EQ(countText(), QStringLiteral("Files to process: 1"));
    EXPECT_FALSE(test::partOf<QLabel>(w, QStringLiteral("AdvSmoothLabel1"))->isVisible());
    EXPECT_TRUE(test::actionOf(w, QStringLiteral("PhotoRemove"))->isEnabled());
    EXPECT_TRUE(test::actionOf(w, QStringLiteral("PhotoRemoveAll"))->isEnabled());

    // Two folders and three photos selected, in any order: the photos in list
    // order, the one already queued not again.
    select({ "p3.jpg", "two.jpg", "p1.jpg", "one", "p2.jpg" });
    trigger("PhotoAdd");
    EXPECT_EQ(queued(), (QStringList { "p2.jpg", "p1.jpg", "p3.jpg" }));
    EXPECT_EQ(countText(), QStringLiteral("Files to process: 3"));
    trigger("PhotoAdd");
    EXPECT_EQ(w.photoList().count(), 3);
    EXPECT_EQ(countText(), QStringLiteral("Files to process: 3"));
    EXPECT_EQ(w.photoList().paths().first(), dir + QStringLiteral("/p2.jpg"));
}

TEST_F(FolderBrowsing, AddAllTakesThisFolderOnlyAndRemoveCommandsFollowTheList)
{
    const QString dir = folder("all");
    QDir().mkpath(dir + QStringLiteral("/sub"));
    makePhoto(dir + QStringLiteral("/sub/inside.jpg"));
    for (const char *name : { "b.jpg", "a.jpg", "c.jpeg" })
        makePhoto(dir + QLatin1Char('/') + QLatin1String(name));
    TForm1 &w = openAt(dir);
    trigger("PhotoAddAll");
    EXPECT_EQ(queued(), (QStringList { "a.jpg", "b.jpg", "c.jpeg" }));
    EXPECT_TRUE(test::partOf<QTreeView>(w, QStringLiteral("ShellListView1Report"))
                    ->selectionModel()
                    ->selectedIndexes()
                    .isEmpty());

    PhotoStrip *strip = test::partOf<PhotoStrip>(w);
    strip->setCurrentIndex(w.photoList().index(1));
    trigger("PhotoRemove");
    EXPECT_EQ(queued(), (QStringList { "a.jpg", "c.jpeg" }));
    EXPECT_EQ(countText(), QStringLiteral("Files to process: 2"));
    strip->clearSelection();
    trigger("PhotoRemove"); // nothing selected: nothing removed
    EXPECT_EQ(w.photoList().count(), 2);

    trigger("PhotoRemoveAll");
    EXPECT_TRUE(w.photoList().isEmpty());
    EXPECT_EQ(countText(), QStringLiteral("Files to process: 0"));
    EXPECT_FALSE(test::actionOf(w, QStringLiteral("PhotoRemove"))->isEnabled());
    EXPECT_FALSE(test::actionOf(w, QStringLiteral("PhotoRemoveAll"))->isEnabled());
    EXPECT_TRUE(test::partOf<QLabel>(*strip, QStringLiteral("AdvSmoothLabel1"))->isVisible());
}

TEST_F(FolderBrowsing, DoubleClickOpensAFolderWithoutQueuingAndQueuesAPhoto)
{
    const QString dir = folder("double");
    QDir().mkpath(dir + QStringLiteral("/inner.jpg")); // a folder with a photo's name
    makePhoto(dir + QStringLiteral("/inner.jpg/deep.jpg"));
    makePhoto(dir + QStringLiteral("/top.jpg"));
    TForm1 &w = openAt(dir);
    FolderBrowser *b = test::partOf<FolderBrowser>(w);
    QTreeView *view = test::partOf<QTreeView>(*b, QStringLiteral("ShellListView1Report"));
    QSignalSpy loaded(b, &FolderBrowser::loaded);
    doubleClick(view->viewport(), view->visualRect(entry(QStringLiteral("inner.jpg"))).center());
    EXPECT_EQ(b->folder(), dir + QStringLiteral("/inner.jpg"));
    EXPECT_TRUE(w.photoList().isEmpty());
    KELVRA_TRY(loaded.count() == 1);
    KELVRA_TRY(b->entries().size() == 1);

    doubleClick(view->viewport(), view->visualRect(entry(QStringLiteral("deep.jpg"))).center());
    EXPECT_EQ(queued(), QStringList { "deep.jpg" });

    // Back goes to the parent with the folder we came from focused; Enter opens it again.
    QTest::mouseClick(test::partOf<QToolButton>(*b, QStringLiteral("SpeedButtonBack")), Qt::LeftButton);
    EXPECT_EQ(b->folder(), dir);
    KELVRA_TRY(
        view->currentIndex().data(QFileSystemModel::FilePathRole).toString() == dir + QStringLiteral("/inner.jpg"));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(b->folder(), dir + QStringLiteral("/inner.jpg"));
    QTest::keyClick(view, Qt::Key_Backspace);
    EXPECT_EQ(b->folder(), dir);
    EXPECT_EQ(w.photoList().count(), 1);
}

TEST_F(FolderBrowsing, SortsByEachColumnAscendingHoweverFarApartTheValuesAre)
{
    const QString dir = folder("sort");
    QDir().mkpath(dir + QStringLiteral("/zz"));
    // Sizes and dates whose differences do not fit in 16 bits.
    const struct
    {
        const char *name;
        qint64 size;
        int year;
    } files[] = { { "small.jpg", 1, 2010 }, { "big.jpg", 140001, 2001 }, { "mid.jpg", 70000, 2030 } };
    for (const auto &f : files) {
        const QString path = dir + QLatin1Char('/') + QLatin1String(f.name);
        makeFile(path, f.size);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime(QDate(f.year, 6, 1), QTime(12, 0)), QFileDevice::FileModificationTime));
    }
    TForm1 &w = openAt(dir);
    FolderBrowser *b = test::partOf<FolderBrowser>(w);
    KELVRA_TRY(b->entries().size() == 4);
    EXPECT_EQ(names(b->entries()), (QStringList { "zz", "big.jpg", "mid.jpg", "small.jpg" }));

    trigger("Sort2");
    EXPECT_EQ(b->sortColumn(), 1);
    KELVRA_TRY(names(b->entries()) == (QStringList { "zz", "small.jpg", "mid.jpg", "big.jpg" }));
    trigger("Sort2"); // again: still ascending
    EXPECT_EQ(names(b->entries()), (QStringList { "zz", "small.jpg", "mid.jpg", "big.jpg" }));
    trigger("Sort4");
    KELVRA_TRY(names(b->entries()) == (QStringList { "zz", "big.jpg", "small.jpg", "mid.jpg" }));
    EXPECT_TRUE(test::actionOf(w, QStringLiteral("Sort4"))->isChecked());
    // A header click sorts by its column the same way, and the menu follows.
    QHeaderView *header = test::partOf<QTreeView>(*b, QStringLiteral("ShellListView1Report"))->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(0) + 5, 5));
    EXPECT_EQ(b->sortColumn(), 0);
    EXPECT_TRUE(test::actionOf(w, QStringLiteral("Sort1"))->isChecked());
    EXPECT_FALSE(test::actionOf(w, QStringLiteral("Sort4"))->isChecked());
    EXPECT_EQ(names(b->entries()), (QStringList { "zz", "big.jpg", "mid.jpg", "small.jpg" }));

    // One sort command per column, with its caption; the rest hidden.
    const QStringList captions = b->columnCaptions();
    ASSERT_EQ(captions.size(), 4);
    for (int k = 1; k <= 7; ++k) {
        QAction *sort = test::actionOf(w, QStringLiteral("Sort%1").arg(k));
        EXPECT_EQ(sort->isVisible(), k <= 4) << k;
        if (k <= 4) {
            EXPECT_EQ(sort->text(), captions.at(k - 1));
        }
    }
}

TEST_F(FolderBrowsing, ViewCommandsSwitchTheListAndKeepTheSelection)
{
    const QString dir = folder("views");
    makePhoto(dir + QStringLiteral("/one.jpg"));
    makePhoto(dir + QStringLiteral("/two.jpg"));
    TForm1 &w = openAt(dir);
    FolderBrowser *b = test::partOf<FolderBrowser>(w);
    EXPECT_EQ(b->viewStyle(), FolderBrowser::ViewStyle::Report);
    EXPECT_TRUE(test::actionOf(w, QStringLiteral("AViewReport"))->isChecked());
    // In the narrow pane Name and Date are whole, the date in the interface's form.
    QHeaderView *header = test::partOf<QTreeView>(*b, QStringLiteral("ShellListView1Report"))->header();
    EXPECT_EQ(header->visualIndex(3), 1);
    EXPECT_LE(header->sectionViewportPosition(3) + header->sectionSize(3),
        test::partOf<QTreeView>(*b, QStringLiteral("ShellListView1Report"))->viewport()->width());
    const QModelIndex date
        = test::partOf<QTreeView>(*b, QStringLiteral("ShellListView1Report"))
              ->model()
              ->index(0, 3, test::partOf<QTreeView>(*b, QStringLiteral("ShellListView1Report"))->rootIndex());
    const QString shownDate = date.data().toString();
    EXPECT_EQ(shownDate,
        QLocale().toString(QFileInfo(dir + QStringLiteral("/one.jpg")).lastModified(), QLocale::ShortFormat));
    EXPECT_LE(header->fontMetrics().horizontalAdvance(shownDate), header->sectionSize(3));
    EXPECT_EQ(date.siblingAtColumn(2).data().toString(), QStringLiteral("JPEG image"));
    select({ "two.jpg" });
    trigger("AViewIcon");
    EXPECT_TRUE(test::actionOf(w, QStringLiteral("AViewIcon"))->isChecked());
    EXPECT_FALSE(test::actionOf(w, QStringLiteral("AViewReport"))->isChecked());
    EXPECT_TRUE(test::partOf<QListView>(*b, QStringLiteral("ShellListView1Icons"))->isVisible());
    EXPECT_FALSE(test::partOf<QTreeView>(*b, QStringLiteral("ShellListView1Report"))->isVisible());
    EXPECT_EQ(test::partOf<QListView>(*b, QStringLiteral("ShellListView1Icons"))->viewMode(), QListView::IconMode);
    trigger("AviewList");
    EXPECT_EQ(test::partOf<QListView>(*b, QStringLiteral("ShellListView1Icons"))->viewMode(), QListView::ListMode);
    EXPECT_TRUE(test::partOf<QListView>(*b, QStringLiteral("ShellListView1Icons"))->isVisible());
    trigger("PhotoAdd");
    EXPECT_EQ(queued(), QStringList { "two.jpg" });
    trigger("AViewReport");
    EXPECT_FALSE(test::partOf<QListView>(*b, QStringLiteral("ShellListView1Icons"))->isVisible());
    EXPECT_TRUE(test::partOf<QTreeView>(*b, QStringLiteral("ShellListView1Report"))->isVisible());
}

TEST_F(FolderBrowsing, StartsAtTheSettingElsePicturesElseHomeAndStoresTheFolderShown)
{
    const QByteArray oldHome = qgetenv("HOME");
    const QString home = folder("home");
    qputenv("HOME", home.toUtf8());
    EXPECT_EQ(startBrowseFolder(home + QStringLiteral("/missing")), home);
    EXPECT_EQ(startBrowseFolder(QString()), home);
    QDir().mkpath(home + QStringLiteral("/Pictures"));
    EXPECT_EQ(startBrowseFolder(home + QStringLiteral("/missing")), home + QStringLiteral("/Pictures"));
    EXPECT_EQ(startBrowseFolder(home + QStringLiteral("/")), home);
    qputenv("HOME", oldHome);

    const QString dir = folder("start");
    QDir().mkpath(dir + QStringLiteral("/later"));
    TForm1 &w = openAt(dir);
    ASSERT_TRUE(test::partOf<FolderBrowser>(w)->setFolder(dir + QStringLiteral("/later")));
    EXPECT_FALSE(test::partOf<FolderBrowser>(w)->setFolder(dir + QStringLiteral("/none")));
    w.close();
    const IniFile ini(programIniPath());
    EXPECT_EQ(ini.readString(QStringLiteral("Options"), QStringLiteral("DefaultBrowseFolder"), {}),
        dir + QStringLiteral("/later"));
}

TEST_F(FolderBrowsing, TheFocusedEntryAndTheSelectedStripPhotoArePreviewed)
{
    const QString dir = folder("preview");
    QDir().mkpath(dir + QStringLiteral("/sub"));
    makePhoto(dir + QStringLiteral("/first.jpg"), QSize(80, 60), Qt::red);
    makePhoto(dir + QStringLiteral("/second.jpg"), QSize(60, 80), Qt::blue);
    TForm1 &w = openAt(dir);
    FolderBrowser *b = test::partOf<FolderBrowser>(w);
    QTreeView *view = test::partOf<QTreeView>(*b, QStringLiteral("ShellListView1Report"));

    QTest::mouseClick(
        view->viewport(), Qt::LeftButton, {}, view->visualRect(entry(QStringLiteral("first.jpg"))).center());
    KELVRA_TRY(test::partOf<PreviewView>(w)->photoPath() == dir + QStringLiteral("/first.jpg"));
    KELVRA_TRY(test::partOf<PreviewView>(w)->isVisible());
    QTest::keyClick(view, Qt::Key_Down); // the focus moves to second.jpg
    KELVRA_TRY(test::partOf<PreviewView>(w)->photoPath() == dir + QStringLiteral("/second.jpg"));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(entry(QStringLiteral("sub"))).center());
    EXPECT_FALSE(test::partOf<PreviewView>(w)->hasPhoto());
    EXPECT_FALSE(test::partOf<PreviewView>(w)->isVisible());
    EXPECT_TRUE(test::partOf<PathLabel>(w, QStringLiteral("PhotoPath"))->accessibleName().isEmpty());

    trigger("PhotoAddAll");
    ASSERT_EQ(w.photoList().count(), 2);
    PhotoStrip *strip = test::partOf<PhotoStrip>(w);
    QTest::mouseClick(strip->viewport(), Qt::LeftButton, {}, strip->visualRect(w.photoList().index(1)).center());
    KELVRA_TRY(test::partOf<PreviewView>(w)->photoPath() == dir + QStringLiteral("/second.jpg"));
    EXPECT_EQ(
        test::partOf<PathLabel>(w, QStringLiteral("PhotoPath"))->accessibleName(), dir + QStringLiteral("/second.jpg"));
}

TEST_F(FolderBrowsing, TheKeyboardGoesFromThePathToTheListToTheListCommandsToTheStrip)
{
    const QString dir = folder("keys");
    makePhoto(dir + QStringLiteral("/one.jpg"));
    TForm1 &w = openAt(dir);
    trigger("PhotoAddAll"); // so that the remove commands are enabled and on the way
    FolderBrowser *b = test::partOf<FolderBrowser>(w);
    QList<QWidget *> order = { test::partOf<QComboBox>(*b, QStringLiteral("ShellComboBox1")),
        test::partOf<QToolButton>(*b, QStringLiteral("SpeedButtonBack")),
        test::partOf<QTreeView>(*b, QStringLiteral("ShellListView1Report")) };
    for (QToolButton *button : w.findChildren<QToolButton *>()) {
        if (button->defaultAction() && button->defaultAction()->objectName().startsWith(QLatin1String("Photo")))
            order << button;
    }
    order << test::partOf<PhotoStrip>(w);
    ASSERT_EQ(order.size(), 8);
    for (QWidget *widget : std::as_const(order))
        EXPECT_FALSE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name).isEmpty())
            << widget->objectName().toStdString();
    EXPECT_EQ(
        test::partOf<QComboBox>(*b, QStringLiteral("ShellComboBox1"))->objectName(), QStringLiteral("ShellComboBox1"));
    EXPECT_EQ(test::partOf<QToolButton>(*b, QStringLiteral("SpeedButtonBack"))->objectName(),
        QStringLiteral("SpeedButtonBack"));
    EXPECT_EQ(test::partOf<PhotoStrip>(w)->objectName(), QStringLiteral("AdvSmoothImageListBox1"));
    EXPECT_EQ(
        test::partOf<QLabel>(w, QStringLiteral("AdvSmoothLabel1"))->objectName(), QStringLiteral("AdvSmoothLabel1"));

    test::partOf<QComboBox>(*b, QStringLiteral("ShellComboBox1"))->setFocus();
    for (int i = 1; i < order.size(); ++i) {
        QWidget *from = QApplication::focusWidget();
        QTest::keyClick(from, Qt::Key_Tab);
        KELVRA_TRY(QApplication::focusWidget() == order.at(i)) << i;
    }
}

TEST_F(FolderBrowsing, TwoThousandQueuedPhotosKeepTheEventLoopAnswering)
{
    const QString dir = folder("many");
    const QString first = dir + QStringLiteral("/photo_0000.jpg");
    makePhoto(first, QSize(640, 480), Qt::darkYellow);
    // Links are quick to make; each is a photo of its own name.
    for (int i = 1; i < 2000; ++i)
        std::filesystem::create_hard_link(
            first.toStdString(), (dir + QStringLiteral("/photo_%1.jpg").arg(i, 4, 10, QLatin1Char('0'))).toStdString());
    TForm1 &w = openAt(dir);
    KELVRA_TRY(test::partOf<FolderBrowser>(w)->entries().size() == 2000);

    QElapsedTimer clock;
    clock.start();
    trigger("PhotoAddAll");
    const qint64 addMs = clock.elapsed();
    ASSERT_EQ(w.photoList().count(), 2000);
    EXPECT_EQ(countText(), QStringLiteral("Files to process: 2000"));
    RecordProperty("add_all_2000_ms", int(addMs));
    std::cout << "Add all of 2,000 photos returned after " << addMs << " ms\n";

    // While thumbnails are made, the strip scrolls and timers keep firing.
    qint64 longestGap = 0;
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { longestGap = qMax(longestGap, sinceTick.restart()); });
    ticker.start(5);
    PhotoStrip *strip = test::partOf<PhotoStrip>(w);
    QScrollBar *bar = strip->horizontalScrollBar();
    for (int step = 0; step <= 40; ++step) {
        bar->setValue(bar->maximum() * step / 40);
        QTest::qWait(10);
    }
    EXPECT_EQ(bar->value(), bar->maximum());
    KELVRA_TRY(shownPicturesArrived(*strip));
    ticker.stop();
    std::cout << "Longest wait between timer ticks: " << longestGap << " ms\n";
    EXPECT_LT(longestGap, 500);
    EXPECT_LT(test::partOf<ThumbnailMaker>(*strip)->madeCount(), 2000); // only what was shown, not the whole list
}

} // namespace
} // namespace kelvra::test
