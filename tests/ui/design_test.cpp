// SPDX-License-Identifier: GPL-3.0-or-later
// The design in a real window: every control and command writes the one
// design and shows it, a drag moves the label only, the standard places
// show the one in use, and the size reads as the label's height.
#include "ui_test_support.h"

#include "imaging/label_renderer.h"
#include "ui/colour_selector.h"
#include "ui/design_model.h"
#include "ui/label_page.h"
#include "ui/mask_page.h"
#include "ui/photo_list_model.h"
#include "ui/preview_view.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QSignalSpy>
#include <QSlider>
#include <QToolButton>

#include <functional>
#include <string>

namespace kelvra::test {
namespace {

using test::changedBox;

class Design : public WindowTest
{
protected:
    void loadCfg(TForm1 &w, const std::string &lines)
    {
        writeFileBytes(work / "design.cfg", "[Options]\n" + lines);
        dialogs.fileAnswers = { qpath(work / "design.cfg") };
        test::actionOf(w, QStringLiteral("RLoadCFG"))->trigger();
    }
    // The picture the command line makes of the photo with the window's design, in the preview's area.
    QImage commandLinePreview(TForm1 &w)
    {
        const QString cfg = qpath(work / "now.cfg");
        EXPECT_TRUE(saveDesign(w, cfg));
        const QSize area = test::partOf<PreviewView>(w)->size();
        const auto png = work / "preview.png";
        const CommandResult r = runCli({ "preview", "--cfg", cfg.toStdString(), "--area",
            std::to_string(area.width()) + "x" + std::to_string(area.height()), "--out", png.string(),
            m_photo.toStdString() });
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return QImage(qpath(png)).convertToFormat(QImage::Format_RGB32);
    }
};

int largestDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 256;
    int most = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            most = std::max(
                { most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q)) });
        }
    return most;
}

QString percent(const char *whole, const char *tenth)
{
    return QLatin1String(whole) + QLocale().decimalPoint() + QLatin1String(tenth) + QStringLiteral(" %");
}

TEST_F(Design, ADragMovesTheShrunkLabelOnlyAndThePreviewDrawsItAsTheCommandLineDoes)
{
    TForm1 &w = openWithPhoto();
    LabelPage *page = test::partOf<LabelPage>(w);
    PreviewView *preview = test::partOf<PreviewView>(w);
    // Shown at last, the area needs the photo whole (640 x 480).
    KELVRA_TRY(preview->previewRaster().width() == 640);
    // Far too wide for the photo at this size: every road draws it shrunk.
    test::partOf<QLineEdit>(*page, QStringLiteral("CaptionEdit"))
        ->setText(QStringLiteral("[PHOTO_DATE] Summer trip, day three: the ridge above the lake at first light"));
    designOf(w).edit([](StampSettings &s) { s.BgColor = 0x202020; });
    test::partOf<QSlider>(*page, QStringLiteral("SizeSlider"))->setValue(55);
    const double size = designOf(w).settings().Size;
    ASSERT_DOUBLE_EQ(size, 1000.0 / 55);
    test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(0)->setCheckState(Qt::Unchecked);
    const QImage plain = preview->previewRaster();
    test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(0)->setCheckState(Qt::Checked);
    const QImage anchored = preview->previewRaster();
    const QSize raster = anchored.size();

    const int unshrunk = fontCellHeight(raster.width(), raster.height(), size);
    ASSERT_LT(changedBox(anchored, plain).height(), unshrunk) << "not shrunk";

    const PixelRect &r = preview->placement().PreviewRect;
    const QRect rect(r.Left, r.Top, r.width(), r.height());
    const auto compare = [&](const char *when) {
        SCOPED_TRACE(when);
        // The place only: the size stays as the slider set it.
        EXPECT_EQ(test::partOf<QSlider>(*page, QStringLiteral("SizeSlider"))->value(), 55);
        EXPECT_EQ(designOf(w).settings().Size, size);
        const QImage shown = preview->previewRaster();
        const QImage expected = commandLinePreview(w);
        ASSERT_EQ(expected.size(), shown.size());
        const QRect box = changedBox(shown, plain);
        const QRect theirs = changedBox(expected, plain);
        // Shrunk, never drawn at the unshrunk height and cut off at the edge.
        EXPECT_LT(box.height(), unshrunk);
        // A place written with fifteen digits may land a pixel off when read back.
        EXPECT_LE((box.topLeft() - theirs.topLeft()).manhattanLength(), 2);
        ASSERT_EQ(box.size(), theirs.size());
        EXPECT_LE(largestDifference(shown.copy(box), expected.copy(theirs)), 2);
        // The area shows that raster, fitted.
        const QImage grab = preview->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(rect);
        const QImage fitted = shown.scaled(rect.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LE(largestDifference(grab, fitted), 6);
    };
    QTest::mousePress(preview, Qt::LeftButton, {}, rect.center());
    QTest::mouseMove(preview, rect.center() + QPoint(rect.width() / 6, rect.height() / 4));
    compare("during the drag");
    const QPoint end = rect.center() - QPoint(rect.width() / 5, rect.height() / 3);
    QTest::mouseMove(preview, end);
    QTest::mouseRelease(preview, Qt::LeftButton, {}, end);
    compare("after the drag");
    // Centred under the pointer, as far as the raster lets it be.
    const QRect box = changedBox(preview->previewRaster(), plain);
    const QPoint pointer(
        (end.x() - r.Left) * raster.width() / r.width(), (end.y() - r.Top) * raster.height() / r.height());
    EXPECT_LE(std::abs(box.center().y() - pointer.y()), 3);
    EXPECT_LE(
        std::abs(std::clamp(pointer.x(), box.width() / 2, raster.width() - box.width() / 2) - box.center().x()), 3);
}

TEST_F(Design, StartFollowsTheTasksALoadedCfgBrings)
{
    TForm1 &w = open();
    writeFileBytes(work / "a.jpg", readFileBytes(photo("gps/DSCN0010.jpg")));
    w.photoList().add({ qpath(work / "a.jpg") });
    QAction *start = test::actionOf(w, QStringLiteral("ProcessPhotos"));
    ASSERT_TRUE(start->isEnabled());
    const struct
    {
        const char *cfg;
        bool stamp, rename, enabled;
        int page;
    } cases[] = {
        { "StampPhotosOpt=0\nRenamePhotos=0\n", false, false, false, 1 },
        { "", true, false, true, 0 },
        { "StampPhotosOpt=0\nRenamePhotos=0\n", false, false, false, 1 },
        { "StampPhotosOpt=0\nRenamePhotos=1\n", false, true, true, 1 },
        { "StampPhotosOpt=1\nRenamePhotos=1\n", true, true, true, 0 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.cfg);
        loadCfg(w, c.cfg);
        EXPECT_EQ(start->isEnabled(), c.enabled);
        EXPECT_EQ(
            test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(0)->checkState() == Qt::Checked, c.stamp);
        EXPECT_EQ(
            test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(1)->checkState() == Qt::Checked, c.rename);
        EXPECT_EQ(test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->currentRow(), c.page);
    }
    w.photoList().clear();
    EXPECT_FALSE(start->isEnabled());
}

// Whatever the route, an edit lands in the one design, announced once, and
// an edit of the design made elsewhere (a page of its own) shows everywhere.
TEST_F(Design, EveryRouteWritesTheOneDesignAndEveryPageShowsIt)
{
    TForm1 &w = openWithPhoto();
    DesignModel &design = designOf(w);
    LabelPage *p = test::partOf<LabelPage>(w);
    QSignalSpy changed(&design, &DesignModel::changed);
    const struct
    {
        const char *route;
        std::function<void()> act;
        std::function<bool(const StampSettings &)> holds;
        bool drawn = true; // the label changes with it
    } routes[] = {
        { "slider", [&] { test::partOf<QSlider>(*p, QStringLiteral("SizeSlider"))->setValue(80); },
            [](auto &s) { return s.Size == 12.5; } },
        { "font",
            [&] {
                test::partOf<QFontComboBox>(*p, QStringLiteral("FontBox"))
                    ->setCurrentFont(QFont(QStringLiteral("DejaVu Serif")));
            },
            [](auto &s) { return s.FontName == QLatin1String("DejaVu Serif"); } },
        { "colour",
            [&] {
                const int i = test::partOf<ColourSelector>(*p, QStringLiteral("FontColorBox"))
                                  ->findText(QStringLiteral("Blue"));
                test::partOf<ColourSelector>(*p, QStringLiteral("FontColorBox"))->setCurrentIndex(i);
                Q_EMIT test::partOf<ColourSelector>(*p, QStringLiteral("FontColorBox"))->activated(i);
            },
            [](auto &s) { return s.FontColor == 0xff0000; } },
        { "bold", [&] { test::actionOf(w, QStringLiteral("FBold"))->trigger(); },
            [](auto &s) { return s.Style.Bold; } },
        { "date format",
            [&] { test::partOf<QComboBox>(*p, QStringLiteral("DateFormatBox"))->setEditText(QStringLiteral("YYYY")); },
            [](auto &s) { return s.DateFormat == QLatin1String("YYYY"); } },
        { "caption",
            [&] { test::partOf<QLineEdit>(*p, QStringLiteral("CaptionEdit"))->setText(QStringLiteral("[Model]")); },
            [](auto &s) { return s.CaptionFormat == QLatin1String("[Model]"); } },
        { "token command", [&] { test::actionOf(w, QStringLiteral("AddISO"))->trigger(); },
            [](auto &s) { return s.CaptionFormat == QLatin1String("[Model] [ISO]"); } },
        { "standard place", [&] { test::actionOf(w, QStringLiteral("StampTo2"))->trigger(); },
            [](auto &s) { return s.XOrient == 1 && s.YOrient == 0 && s.XD == 0.1 && s.YD == 0.1; } },
        { "mask", [&] { test::partOf<QComboBox>(w, QStringLiteral("MaskBox"))->setEditText(QStringLiteral("%y_%o")); },
            [](auto &s) { return s.FNMask == QLatin1String("%y_%o"); }, false },
        { "task",
            [&] { test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(1)->setCheckState(Qt::Checked); },
            [](auto &s) { return s.RenamePhotos; }, false },
        { "drag",
            [&] {
                QTest::mousePress(test::partOf<PreviewView>(w), Qt::LeftButton, {}, QPoint(30, 30));
                QTest::mouseRelease(test::partOf<PreviewView>(w), Qt::LeftButton, {}, QPoint(30, 30));
            },
            [](auto &s) { return s.XOrient == 0 && s.YOrient == 0 && s.XD < 0.1 && s.Size == 12.5; } },
    };
    for (const auto &route : routes) {
        SCOPED_TRACE(route.route);
        changed.clear();
        const QImage before = test::partOf<PreviewView>(w)->previewRaster();
        route.act();
        EXPECT_EQ(changed.count(), 1);
        EXPECT_TRUE(route.holds(design.settings()));
        EXPECT_TRUE(route.holds(designOf(w).settings()));
        EXPECT_EQ(test::partOf<PreviewView>(w)->previewRaster() != before, route.drawn);
    }
    // The token went through the design, and the box shows it.
    EXPECT_EQ(test::partOf<QLineEdit>(*p, QStringLiteral("CaptionEdit"))->text(), QStringLiteral("[Model] [ISO]"));

    changed.clear();
    design.edit([](StampSettings &s) {
        s.Size = 10;
        s.CaptionFormat = QStringLiteral("[Make]");
        s.DateFormat = QStringLiteral("hh:nn");
        s.FNMask = QStringLiteral("%o_%n2");
        s.Style.Italic = true;
        s.BgColor = kNoColor;
        s.StampPhotosOpt = false;
        s.RenamePhotos = false;
    });
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(test::partOf<QSlider>(*p, QStringLiteral("SizeSlider"))->value(), 100);
    EXPECT_EQ(test::partOf<QLabel>(*p, QStringLiteral("SizeValue"))->text(), percent("10", "0"));
    EXPECT_EQ(test::partOf<QLineEdit>(*p, QStringLiteral("CaptionEdit"))->text(), QStringLiteral("[Make]"));
    EXPECT_EQ(test::partOf<QComboBox>(*p, QStringLiteral("DateFormatBox"))->currentText(), QStringLiteral("hh:nn"));
    EXPECT_EQ(test::partOf<QComboBox>(w, QStringLiteral("MaskBox"))->currentText(), QStringLiteral("%o_%n2"));
    EXPECT_TRUE(test::actionOf(w, QStringLiteral("FItalic"))->isChecked());
    EXPECT_EQ(test::partOf<ColourSelector>(*p, QStringLiteral("BgColorBox"))->colour(), kNoColor);
    EXPECT_EQ(test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(0)->checkState(), Qt::Unchecked);
    EXPECT_FALSE(test::actionOf(w, QStringLiteral("ProcessPhotos"))->isEnabled());
    // Nothing changed, nothing announced.
    design.edit([](StampSettings &s) { s.Size = 10; });
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(Design, TheStandardPlacesShowTheOneInUseAtItsCorner)
{
    TForm1 &w = openWithPhoto();
    // The buttons of the four place commands, in their order.
    QList<QToolButton *> buttons;
    for (QToolButton *b : test::partOf<QWidget>(w, QStringLiteral("PlacesPanel"))->findChildren<QToolButton *>())
        if (b->defaultAction() && b->defaultAction()->objectName().startsWith(QLatin1String("StampTo")))
            buttons << b;
    std::sort(buttons.begin(), buttons.end(), [](QToolButton *a, QToolButton *b) {
        return a->defaultAction()->objectName() < b->defaultAction()->objectName();
    });
    ASSERT_EQ(buttons.size(), 4);
    const auto checked = [&] {
        QString marks;
        for (QToolButton *b : buttons)
            marks += b->isChecked() ? QLatin1Char('x') : QLatin1Char('-');
        return marks;
    };
    // The default 0.05 is no standard place.
    EXPECT_EQ(checked(), QStringLiteral("----"));
    // Top left, top right, bottom right, bottom left; in a right-to-left window too.
    const bool right[] = { false, true, true, false }, bottom[] = { false, false, true, true };
    for (Qt::LayoutDirection direction : { Qt::LeftToRight, Qt::RightToLeft }) {
        w.setLayoutDirection(direction);
        QApplication::processEvents();
        for (int i = 0; i < 4; ++i) {
            const QWidget *picture = buttons[i]->parentWidget();
            const QPoint c = buttons[i]->geometry().center();
            EXPECT_EQ(c.x() > picture->width() / 2, right[i]) << i;
            EXPECT_EQ(c.y() > picture->height() / 2, bottom[i]) << i;
            EXPECT_FALSE(buttons[i]->accessibleName().isEmpty()) << i;
        }
    }

    QTest::mouseClick(buttons[2], Qt::LeftButton);
    EXPECT_EQ(checked(), QStringLiteral("--x-"));
    // Clicked again, the place stays in use.
    QTest::mouseClick(buttons[2], Qt::LeftButton);
    EXPECT_EQ(checked(), QStringLiteral("--x-"));
    QTest::mouseClick(buttons[0], Qt::LeftButton);
    EXPECT_EQ(checked(), QStringLiteral("x---"));
    const StampSettings &s = designOf(w).settings();
    EXPECT_TRUE(s.XOrient == 0 && s.YOrient == 0 && s.XD == 0.1 && s.YD == 0.1);

    const QPoint inside = test::partOf<PreviewView>(w)->rect().center();
    QTest::mousePress(test::partOf<PreviewView>(w), Qt::LeftButton, {}, inside);
    QTest::mouseRelease(test::partOf<PreviewView>(w), Qt::LeftButton, {}, inside);
    EXPECT_EQ(checked(), QStringLiteral("----"));

    loadCfg(w, "XOrient=1\nYOrient=0\nXD=0.1\nYD=0.1\n");
    EXPECT_EQ(checked(), QStringLiteral("-x--"));
    loadCfg(w, "XOrient=1\nYOrient=0\nXD=0.1\nYD=0.2\n");
    EXPECT_EQ(checked(), QStringLiteral("----"));
}

TEST_F(Design, TheSizeReadsAsTheLabelsHeightAndLabelsTooSmallToReadAreMarked)
{
    // 300 x 200: the shorter side is 200 pixels.
    ASSERT_TRUE(makePlainPhoto(work / "plain.jpg", QColor(90, 120, 200), 300, 200));
    TForm1 &w = open();
    test::partOf<QLineEdit>(w, QStringLiteral("CaptionEdit"))->setText(QStringLiteral("Kelvra"));
    w.LoadPic(qpath(work / "plain.jpg"));
    KELVRA_TRY(test::partOf<PreviewView>(w)->isVisible());
    QSlider *slider = test::partOf<QSlider>(w, QStringLiteral("SizeSlider"));
    QLabel *status = test::partOf<QLabel>(w, QStringLiteral("LabelSizeStatus"));
    const struct
    {
        int position;
        QString shown;
        int pixels; // 0: readable, no mark
    } cases[] = {
        { 50, percent("5", "0"), 0 },
        { 500, percent("50", "0"), 0 },
        { 20, percent("2", "0"), 0 }, // 200 / 50 = 4 pixels
        { 19, percent("1", "9"), 3 },
        { 8, percent("0", "8"), 1 },
        { 125, percent("12", "5"), 0 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.position);
        slider->setValue(c.position);
        EXPECT_EQ(test::partOf<QLabel>(w, QStringLiteral("SizeValue"))->text(), c.shown);
        EXPECT_EQ(designOf(w).settings().Size, 1000.0 / c.position);
        KELVRA_TRY(status->isVisible() == (c.pixels > 0));
        if (c.pixels > 0) {
            EXPECT_TRUE(status->text().contains(QString::number(c.pixels) + QStringLiteral(" px")))
                << status->text().toStdString();
        }
    }
    // A stored size the slider cannot stand at exactly keeps its value and
    // reads as it, when the slider already stands where that size puts it.
    slider->setValue(55);
    writeFileBytes(work / "size.cfg", "[Options]\nFontSize=18.3\nCaptionFormat=Kelvra\n");
    loadDesign(w, qpath(work / "size.cfg"));
    EXPECT_EQ(designOf(w).settings().Size, 18.3);
    EXPECT_EQ(slider->value(), 55);
    EXPECT_EQ(test::partOf<QLabel>(w, QStringLiteral("SizeValue"))->text(), percent("5", "5"));
    // No photo, no mark.
    slider->setValue(8);
    KELVRA_TRY(status->isVisible());
    writeFileBytes(work / "not-a-photo.jpg", "nothing");
    w.LoadPic(qpath(work / "not-a-photo.jpg"));
    KELVRA_TRY(!test::partOf<PreviewView>(w)->isVisible());
    EXPECT_FALSE(status->isVisible());
}

} // namespace
} // namespace kelvra::test
