// SPDX-License-Identifier: GPL-3.0-or-later
// The ready looks in a real window: the submenu lists what the command line
// lists and loads a look into the one design, the gallery draws its pictures
// without holding up the window, and the preview draws each look as the
// batch stamps it, on both of the batch's roads.
#include "ui_test_support.h"

#include "stamp/looks.h"
#include "ui/colour_selector.h"
#include "ui/design_model.h"
#include "ui/label_page.h"
#include "ui/look_gallery.h"
#include "ui/preview_view.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <set>
#include <string>

namespace kelvra::test {
namespace {

using test::changedBox;
using test::meanDifference;
using test::uprightImage;

// The names `kelvra-cli looks` prints, in its order.
QStringList commandLineLooks()
{
    const CommandResult r = runCli({ "looks" });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    QStringList names;
    for (const QString &line : QString::fromStdString(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        names << line.section(QLatin1Char('\t'), 0, 0);
    return names;
}

class Looks : public WindowTest
{
};

TEST_F(Looks, TheSubmenuListsTheShippedLooksAndChoosingOneLoadsItIntoTheDesign)
{
    TForm1 &w = openWithPhoto();
    DesignModel &design = designOf(w);
    const QMenu *menu = w.findChild<QMenu *>(QStringLiteral("LooksMenu"));
    ASSERT_NE(menu, nullptr);
    QList<QAction *> lookActions;
    QStringList names;
    for (QAction *a : menu->actions())
        if (a->objectName().startsWith(QLatin1String("Look_"))) {
            lookActions << a;
            names << withoutMnemonic(a->text());
        }
    EXPECT_EQ(names, commandLineLooks());
    ASSERT_EQ(names.size(), 4);
    // Each opens by a letter of its own.
    std::set<QChar> letters;
    for (const QAction *a : menu->actions()) {
        if (!a->isSeparator()) {
            EXPECT_TRUE(letters.insert(a->text().at(a->text().indexOf(QLatin1Char('&')) + 1).toLower()).second)
                << a->text().toStdString();
        }
    }

    // The user's own: the renaming task and mask, and the clock correction.
    design.edit([](StampSettings &s) {
        s.StampPhotosOpt = false;
        s.RenamePhotos = true;
        s.FNMask = QStringLiteral("%y_%o");
        s.DateShift = QStringLiteral("+1:00");
        s.FixExifDates = true;
        s.DateZone = QStringLiteral("-03:00");
    });
    test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->setCurrentRow(1);
    QSignalSpy changed(&design, &DesignModel::changed);
    for (QAction *action : lookActions) {
        SCOPED_TRACE(action->text().toStdString());
        const QImage before = test::partOf<PreviewView>(w)->previewRaster();
        StampSettings expected = design.settings();
        applyLook(action->data().toString(), expected, FormatSettings::system());
        expected.StampPhotosOpt = true;
        changed.clear();
        action->trigger();
        EXPECT_EQ(changed.count(), 1);
        EXPECT_EQ(design.settings(), expected);
        EXPECT_TRUE(design.settings().RenamePhotos);
        EXPECT_EQ(design.settings().FNMask, QStringLiteral("%y_%o"));
        EXPECT_EQ(design.settings().DateShift, QStringLiteral("+1:00"));
        EXPECT_TRUE(design.settings().FixExifDates);
        EXPECT_EQ(design.settings().DateZone, QStringLiteral("-03:00"));
        // The stamp task is on and its page in front, and everything shows the look.
        EXPECT_EQ(test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(0)->checkState(), Qt::Checked);
        EXPECT_EQ(test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->currentRow(), 0);
        EXPECT_NE(test::partOf<PreviewView>(w)->previewRaster(), before);
        EXPECT_FALSE(test::partOf<PreviewView>(w)->labelText().isEmpty());
        LabelPage *page = test::partOf<LabelPage>(w);
        EXPECT_EQ(test::partOf<QToolButton>(*page, QStringLiteral("GlowButton"))->isChecked(), expected.FGlow);
        EXPECT_EQ(test::partOf<QComboBox>(*page, QStringLiteral("StripBox"))->currentIndex(), expected.Strip);
        EXPECT_EQ(test::partOf<QLineEdit>(*page, QStringLiteral("CaptionEdit"))->text(),
            expected.CaptionFormat.section(QLatin1Char('\n'), 0, 0));
    }

    // A run going on keeps the design: the submenu is off with Load.
    test::actionOf(w, QStringLiteral("RLoadCFG"))->setEnabled(false);
    EXPECT_FALSE(menu->menuAction()->isEnabled());
    test::actionOf(w, QStringLiteral("RLoadCFG"))->setEnabled(true);
    EXPECT_TRUE(menu->menuAction()->isEnabled());
}

// The controls of the looks' keys write the one design, once per edit, and
// the preview draws each change; the design shows in them however it changed.
TEST_F(Looks, GlowStripOpacityAndTheSecondLineWriteTheDesignAndShowIt)
{
    TForm1 &w = openWithPhoto();
    // A label large enough on the preview for the glow's reach to show.
    w.resize(1400, 1000);
    KELVRA_TRY(test::partOf<PreviewView>(w)->photo().scale <= 1);
    DesignModel &design = designOf(w);
    auto *glow = test::partOf<QToolButton>(w, QStringLiteral("GlowButton"));
    auto *glowColour = test::partOf<ColourSelector>(w, QStringLiteral("GlowColorBox"));
    auto *glowSize = test::partOf<QSpinBox>(w, QStringLiteral("GlowSizeBox"));
    auto *strip = test::partOf<QComboBox>(w, QStringLiteral("StripBox"));
    auto *background = test::partOf<ColourSelector>(w, QStringLiteral("BgColorBox"));
    auto *opacity = test::partOf<QSpinBox>(w, QStringLiteral("BgAlphaBox"));
    auto *line1 = test::partOf<QLineEdit>(w, QStringLiteral("CaptionEdit"));
    auto *line2 = test::partOf<QLineEdit>(w, QStringLiteral("CaptionLine2Edit"));
    design.edit([](StampSettings &s) {
        s.CaptionFormat = QStringLiteral("[Make]");
        s.BgColor = kNoColor;
    });
    EXPECT_FALSE(glowColour->isEnabled());
    EXPECT_FALSE(opacity->isEnabled());
    QSignalSpy changed(&design, &DesignModel::changed);
    const struct
    {
        const char *route;
        std::function<void()> act;
        std::function<bool(const StampSettings &)> holds;
    } routes[] = {
        { "glow", [&] { glow->click(); }, [](auto &s) { return s.FGlow; } },
        { "glow colour",
            [&] {
                const int i = glowColour->findText(QStringLiteral("Yellow"));
                glowColour->setCurrentIndex(i);
                Q_EMIT glowColour->activated(i);
            },
            [](auto &s) { return s.GlowColor == 0x00ffff; } },
        { "glow reach", [&] { glowSize->setValue(100); }, [](auto &s) { return s.GlowSize == 100; } },
        { "strip",
            [&] {
                strip->setCurrentIndex(1);
                Q_EMIT strip->activated(1);
            },
            [](auto &s) { return s.strip() == LabelStrip::Across; } },
        { "background",
            [&] {
                const int i = background->findText(QStringLiteral("Navy"));
                background->setCurrentIndex(i);
                Q_EMIT background->activated(i);
            },
            [&](auto &s) { return s.BgColor == 0x800000 && opacity->isEnabled(); } },
        { "opacity", [&] { opacity->setValue(50); }, [](auto &s) { return s.BgAlpha == 128; } },
        { "second line", [&] { line2->setText(QStringLiteral("[ISO]")); },
            [](auto &s) { return s.CaptionFormat == QLatin1String("[Make]\n[ISO]"); } },
        { "first line", [&] { line1->setText(QStringLiteral("[Model]")); },
            [](auto &s) { return s.CaptionFormat == QLatin1String("[Model]\n[ISO]"); } },
        { "no second line", [&] { line2->clear(); },
            [](auto &s) { return s.CaptionFormat == QLatin1String("[Model]"); } },
        { "glow off", [&] { glow->click(); }, [](auto &s) { return !s.FGlow && s.GlowSize == 100; } },
    };
    for (const auto &route : routes) {
        SCOPED_TRACE(route.route);
        changed.clear();
        const QImage before = test::partOf<PreviewView>(w)->previewRaster();
        route.act();
        EXPECT_EQ(changed.count(), 1);
        EXPECT_TRUE(route.holds(design.settings()));
        EXPECT_NE(test::partOf<PreviewView>(w)->previewRaster(), before);
    }

    // Made elsewhere, shown here; the opacity in whole per cent.
    design.edit([](StampSettings &s) {
        s.FGlow = true;
        s.GlowColor = kNoColor;
        s.GlowSize = 25;
        s.Strip = 2;
        s.BgAlpha = 150;
        s.BgColor = kNoColor;
        s.CaptionFormat = QStringLiteral("a\nb\nc");
    });
    EXPECT_TRUE(glow->isChecked());
    EXPECT_TRUE(glowColour->isEnabled());
    EXPECT_EQ(glowColour->colour(), kNoColor);
    EXPECT_EQ(glowSize->value(), 25);
    EXPECT_EQ(strip->currentIndex(), 2);
    EXPECT_EQ(opacity->value(), 59);
    EXPECT_FALSE(opacity->isEnabled());
    EXPECT_EQ(line1->text(), QStringLiteral("a"));
    EXPECT_EQ(line2->text(), QStringLiteral("b\nc"));
    // Showing it wrote nothing back.
    EXPECT_EQ(design.settings().BgAlpha, 150);
    EXPECT_EQ(design.settings().CaptionFormat, QStringLiteral("a\nb\nc"));
    for (QWidget *control : std::initializer_list<QWidget *> { glow, glowColour, glowSize, strip, opacity, line2 }) {
        EXPECT_FALSE(control->objectName().isEmpty());
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
        EXPECT_NE(control->focusPolicy() & Qt::TabFocus, 0) << control->objectName().toStdString();
    }
}

// A look file that is not there, or holds no design, leaves the design as it was.
TEST(DesignModelLooks, AnUnreadableLookChangesNothing)
{
    TempDir dir;
    writeFileBytes(dir / "empty.cfg", "");
    writeFileBytes(dir / "other.cfg", "[Other]\nFontSize=5\n");
    writeFileBytes(dir / "red.cfg", "[Options]\nFontColor=255\nFNMask=theirs\n");
    const struct
    {
        const char *file;
        bool read;
    } cases[] = { { "missing.cfg", false }, { "empty.cfg", false }, { "other.cfg", false }, { "red.cfg", true } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        DesignModel design;
        design.edit([](StampSettings &s) {
            s.FontColor = 0xff0000;
            s.Size = 7;
            s.FNMask = QStringLiteral("mine");
        });
        const StampSettings before = design.settings();
        QSignalSpy changed(&design, &DesignModel::changed);
        const CfgLoadResult result = design.loadLook(qpath(dir / c.file), FormatSettings::system());
        EXPECT_EQ(result.hadOptionsSection, c.read);
        EXPECT_EQ(changed.count(), c.read ? 1 : 0);
        if (c.read) {
            EXPECT_EQ(design.settings().FontColor, 255);
            EXPECT_EQ(design.settings().Size, StampSettings().Size);
            EXPECT_EQ(design.settings().FNMask, QStringLiteral("mine"));
        } else {
            EXPECT_EQ(design.settings(), before);
        }
    }
}

// Gallery pictures are drawn off the window's thread: while they are held
// back, the window's events keep running, and an older set never shows.
TEST(LookGallery, PicturesArriveWithoutHoldingUpTheWindowAndAClickOrEnterChoosesALook)
{
    DesignModel design;
    PreviewView preview(design);
    preview.resize(640, 480);
    const QString photoPath = qpath(photo("gps/DSCN0010.jpg"));
    preview.LoadPic(photoPath);
    ASSERT_TRUE(QTest::qWaitFor([&] { return preview.photoPath() == photoPath; }, 20000));

    QSemaphore gate;
    QMutex lock;
    std::set<QThread *> drawingThreads;
    LookGallery gallery(design, preview, readyLooks(), nullptr,
        [&](const PreviewPhoto &p, const StampSettings &look, const FormatSettings &format, QSize box) {
            // Drawn on the window's thread, a held picture would stop it: then the waits below fail.
            gate.tryAcquire(1, 10000);
            {
                const QMutexLocker locked(&lock);
                drawingThreads.insert(QThread::currentThread());
            }
            return lookPicture(p, look, format, box);
        });
    const int looks = gallery.list()->count();
    ASSERT_EQ(looks, 4);
    QSignalSpy ready(&gallery, &LookGallery::picturesReady);
    gallery.show();
    // A second set while the first is held: the first is stale.
    gallery.hide();
    gallery.show();
    const QLabel *note = test::partOf<QLabel>(gallery, QStringLiteral("LookGalleryNote"));
    EXPECT_TRUE(note->text().startsWith(QLatin1String("Drawing the looks on"))) << note->text().toStdString();

    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 5; }, 10000));
    EXPECT_TRUE(note->text().startsWith(QLatin1String("Drawing the looks on")));
    EXPECT_EQ(ready.count(), 0);
    for (int i = 0; i < looks; ++i)
        EXPECT_FALSE(gallery.list()->item(i)->data(LookGallery::kDrawnRole).toBool());

    // The stale set is left after its first picture.
    gate.release(looks + 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ready.count() > 0; }, 20000));
    QTest::qWait(50);
    EXPECT_EQ(ready.count(), 1) << "the stale set never shows";
    EXPECT_EQ(note->text(), QStringLiteral("Click a look, or choose it and press Enter, to use it."));
    EXPECT_FALSE(drawingThreads.count(QThread::currentThread()));
    // Each look looks different on the photo.
    std::vector<QImage> pictures;
    for (int i = 0; i < looks; ++i) {
        const QIcon icon = gallery.list()->item(i)->icon();
        ASSERT_TRUE(gallery.list()->item(i)->data(LookGallery::kDrawnRole).toBool());
        pictures.push_back(icon.pixmap(LookGallery::kPictureSize).toImage());
        for (int j = 0; j < i; ++j)
            EXPECT_NE(pictures[i], pictures[j]) << i << " " << j;
    }

    QSignalSpy chosen(&gallery, &LookGallery::lookChosen);
    QListWidget *list = gallery.list();
    const QRect second = list->visualItemRect(list->item(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    ASSERT_GE(chosen.count(), 1);
    EXPECT_EQ(chosen.last().at(0).toString(), list->item(1)->data(Qt::UserRole).toString());
    chosen.clear();
    list->setFocus();
    list->setCurrentRow(2);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.last().at(0).toString(), list->item(2)->data(Qt::UserRole).toString());
    EXPECT_TRUE(gallery.isVisible());
    // The gallery itself leaves the design alone.
    EXPECT_EQ(design.settings(), StampSettings());

    // Another photo in the preview: the pictures are drawn again.
    gate.release(looks);
    preview.LoadPic(qpath(photo("orientation/landscape_6.jpg")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ready.count() == 2; }, 20000));
    EXPECT_NE(gallery.list()->item(0)->icon().pixmap(LookGallery::kPictureSize).toImage(), pictures[0]);
}

TEST_F(Looks, TheGalleryOpensFromTheMenuAndAPictureAppliesItsLook)
{
    TForm1 &w = openWithPhoto();
    w.findChild<QAction *>(QStringLiteral("LookGalleryAction"))->trigger();
    auto *gallery = w.findChild<LookGallery *>();
    ASSERT_NE(gallery, nullptr);
    EXPECT_TRUE(gallery->isVisible());
    KELVRA_TRY(test::partOf<QLabel>(*gallery, QStringLiteral("LookGalleryNote"))->text()
        == QStringLiteral("Click a look, or choose it and press Enter, to use it."));
    // Named for the language files, and read out.
    for (const char *name : { "LookList", "LookGalleryNote", "LookGalleryClose" }) {
        const auto *widget = gallery->findChild<QWidget *>(QLatin1String(name));
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_FALSE(widget->accessibleName().isEmpty() && !qobject_cast<const QAbstractButton *>(widget)) << name;
    }
    // The keyboard starts on the pictures.
    KELVRA_TRY(QApplication::focusWidget() == gallery->list());
    EXPECT_EQ(gallery->list()->currentRow(), 0);

    QListWidget *list = gallery->list();
    for (int row = 0; row < list->count(); ++row) {
        SCOPED_TRACE(row);
        ASSERT_TRUE(list->item(row)->data(LookGallery::kDrawnRole).toBool());
        const QImage before = test::partOf<PreviewView>(w)->previewRaster();
        StampSettings expected = designOf(w).settings();
        applyLook(list->item(row)->data(Qt::UserRole).toString(), expected, FormatSettings::system());
        expected.StampPhotosOpt = true;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
        EXPECT_EQ(designOf(w).settings(), expected);
        if (row > 0) {
            EXPECT_NE(test::partOf<PreviewView>(w)->previewRaster(), before);
        }
    }
    // Opening it again brings the same gallery forward.
    w.findChild<QAction *>(QStringLiteral("LookGalleryAction"))->trigger();
    EXPECT_EQ(w.findChildren<LookGallery *>().size(), 1);
}

// Each look on real photos, one of them turned by its EXIF orientation: the
// preview at full scale and the batch's output (pixel road and kept-quality
// road) hold the same label, near in the label's neighbourhood and far from
// the photo without it.
TEST(LooksPreview, ThePreviewDrawsEachLookAsTheBatchStampsIt)
{
    TempDir dir;
    const char *const photos[] = { "orientation/landscape_1.jpg", "orientation/landscape_6.jpg", "gps/DSCN0010.jpg" };
    const char *const roads[] = { "--quality", "--keep-quality" };
    std::vector<std::string> sources;
    for (const char *name : photos)
        sources.push_back(photo(name).string());

    DesignModel design;
    PreviewView view(design);
    view.resize(2000, 2000); // room for the photos at full scale
    view.show();
    for (const ReadyLook &look : readyLooks()) {
        // The batch's outputs of every photo on both roads.
        std::map<std::string, std::filesystem::path> outputs;
        for (const char *road : roads) {
            const auto out = dir / (QFileInfo(look.path).completeBaseName().toStdString() + road);
            std::vector<std::string> args { "stamp", "--look", look.name.toStdString(), "--quiet", "--out",
                out.string(), road };
            if (std::string(road) == "--quality")
                args.push_back("100");
            args.insert(args.end(), sources.begin(), sources.end());
            const CommandResult stamped = runCli(args);
            ASSERT_EQ(stamped.exitCode, 0) << stamped.err;
            outputs[road] = out;
        }
        ASSERT_TRUE(design.loadLook(look.path, FormatSettings::system()).hadOptionsSection);
        const StampSettings looked = design.settings();
        for (const std::string &source : sources) {
            SCOPED_TRACE(look.name.toStdString() + " " + source);
            QSignalSpy shown(&view, &PreviewView::photoShown);
            view.LoadPic(qpath(source));
            ASSERT_TRUE(QTest::qWaitFor([&] { return view.photoPath() == qpath(source); }, 20000));
            ASSERT_EQ(view.photo().scale, 0);
            const QImage drawn = view.previewRaster().convertToFormat(QImage::Format_RGB32);
            StampSettings off = looked;
            off.StampPhotosOpt = false;
            design.replace(off);
            const QImage plain = view.previewRaster().convertToFormat(QImage::Format_RGB32);
            design.replace(looked);
            const QRect box = changedBox(drawn, plain);
            ASSERT_FALSE(box.isEmpty());
            const QRect near
                = box.adjusted(-box.height() / 2, -box.height() / 2, box.height() / 2, box.height() / 2) & drawn.rect();
            const QImage bare = uprightImage(source);
            ASSERT_EQ(drawn.size(), bare.size());
            // The fast preview decode differs from the batch's in the photo;
            // the label adds little to that, a label out of place far more.
            const double decoding = meanDifference(plain, bare, near);
            for (const char *road : roads) {
                SCOPED_TRACE(road);
                const QImage batch
                    = uprightImage(outputs[road] / (std::filesystem::path(source).stem().string() + "_timestamp.jpg"));
                ASSERT_EQ(batch.size(), drawn.size());
                EXPECT_LT(meanDifference(drawn, batch, near), decoding + 3.0) << decoding;
                EXPECT_GT(meanDifference(bare, batch, box), decoding + 8.0);
                EXPECT_LT(meanDifference(drawn, batch, drawn.rect()), 3.0);
            }
        }
    }
}

} // namespace
} // namespace kelvra::test
