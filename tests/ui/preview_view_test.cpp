// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preview_view.h"

#include "ui/design_model.h"

#include "common/qt_test_support.h"
#include "common/test_support.h"
#include "imaging/jpeg_image.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace kelvra::test {
namespace {

using test::changedBox;

constexpr int kWait = 20000; // ms; a condition, not a clock: met as soon as it holds

bool waitFor(const std::function<bool()> &condition)
{
    return QTest::qWaitFor(condition, kWait);
}

// Every pixel within tolerance per channel.
bool sameWithin(const QImage &a, const QImage &b, int tolerance, std::string *where = nullptr)
{
    if (a.size() != b.size()) {
        if (where)
            *where = "sizes differ";
        return false;
    }
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > tolerance || std::abs(qGreen(p) - qGreen(q)) > tolerance
                || std::abs(qBlue(p) - qBlue(q)) > tolerance) {
                if (where)
                    *where = "pixel " + std::to_string(x) + "," + std::to_string(y);
                return false;
            }
        }
    return true;
}

int differingPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return a.width() * a.height();
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

QRect rectOf(const PreviewPlacement &placement)
{
    const PixelRect &r = placement.PreviewRect;
    return QRect(r.Left, r.Top, r.width(), r.height());
}

QImage grabOf(PreviewView &view)
{
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A smooth picture of the given stored size, written as a JPEG; with an
// orientation other than 1 the EXIF tag is set by exiftool.
void writePhoto(const std::filesystem::path &path, QSize size, int orientation)
{
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            row[x] = qRgb(x * 255 / size.width(), y * 255 / size.height(), 96);
    }
    JpegImage jpeg;
    jpeg.setQuality(80);
    jpeg.setImage(picture);
    const ImageResult<QByteArray> saved = jpeg.saveToData();
    ASSERT_TRUE(saved) << saved.detail;
    test::writeFileBytes(path, saved.value.toStdString());
    if (orientation != 1) {
        const CommandResult r = runTool({ "exiftool", "-q", "-n", "-overwrite_original",
            "-Orientation=" + std::to_string(orientation), path.string() });
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
}

// A label that is easy to find: large, yellow on navy, anchored bottom right.
StampSettings boldDesign()
{
    StampSettings s;
    s.CaptionFormat = QStringLiteral("[PHOTO_DATE] Kelvra");
    s.FontName = QStringLiteral("DejaVu Sans");
    s.Size = 12;
    s.FontColor = 0x00ffff;
    s.BgColor = 0x800000;
    s.Style.Bold = true;
    s.FShadow = true;
    s.FOutline = true;
    s.XOrient = s.YOrient = 1;
    s.XD = s.YD = 0.1;
    return s;
}

const std::vector<std::string> kBoldDesignArgs { "--caption", "[PHOTO_DATE] Kelvra", "--font", "DejaVu Sans", "--size",
    "12", "--color", "#ffff00", "--bg", "#000080", "--bold", "--shadow", "--outline", "--place", "br" };

class PreviewViewTest : public ::testing::Test
{
protected:
    void SetUp() override { view.resize(642, 378); }

    // Every press or move that placed the label anew.
    void watchPlacements()
    {
        QObject::connect(&design, &DesignModel::changed, [this] { placements.push_back(design.settings()); });
    }

    // The raster without a label, from the stamp task switched off.
    QImage plainRaster(StampSettings shown)
    {
        shown.StampPhotosOpt = false;
        design.replace(shown);
        const QImage plain = view.previewRaster();
        shown.StampPhotosOpt = true;
        design.replace(shown);
        watchPlacements();
        return plain;
    }

    // Loads and waits until the view shows it.
    void show(const std::filesystem::path &path)
    {
        const QString name = qpath(path);
        QSignalSpy shown(&view, &PreviewView::photoShown);
        view.LoadPic(name);
        ASSERT_TRUE(waitFor([&] { return shown.count() > 0 && view.photoPath() == name; })) << path;
        ASSERT_TRUE(view.isVisible());
    }

    TempDir dir;
    DesignModel design;
    PreviewView view { design };
    std::vector<StampSettings> placements;
};

// The view shows exactly the picture the command line makes of the same
// photo and design, fitted into PreviewRect, with the background around it.
TEST_F(PreviewViewTest, GrabEqualsTheCommandLinePreviewInsidePreviewRect)
{
    design.replace(boldDesign());
    for (const char *name : { "structure/sony-powershota5.jpg", "orientation/landscape_6.jpg", "gps/DSCN0010.jpg" }) {
        SCOPED_TRACE(name);
        show(photo(name));

        const auto png = dir / "preview.png";
        std::vector<std::string> args { "preview", "--area", "642x378", "--out", png.string() };
        args.insert(args.end(), kBoldDesignArgs.begin(), kBoldDesignArgs.end());
        args.push_back(photo(name).string());
        const CommandResult r = runCli(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const QImage expected = QImage(qpath(png)).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(expected.isNull());
        EXPECT_TRUE(sameWithin(view.previewRaster(), expected, 2));

        const QImage grab = grabOf(view);
        ASSERT_EQ(grab.size(), QSize(642, 378));
        const QRect rect = rectOf(view.placement());
        ASSERT_FALSE(rect.isEmpty());
        // Fitted, never enlarged, centred.
        EXPECT_TRUE(rect.width() <= 642 && rect.height() <= 378);
        EXPECT_TRUE(rect.width() >= 640 || rect.height() >= 376 || view.placement().PreviewScale == 1);
        EXPECT_LE(std::abs(rect.center().x() - 321), 1);
        EXPECT_LE(std::abs(rect.center().y() - 189), 1);

        const QImage fitted = expected.scaled(rect.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        std::string where;
        EXPECT_TRUE(sameWithin(grab.copy(rect), fitted, 6, &where)) << where;
        const QRgb background = view.palette().window().color().rgb();
        EXPECT_EQ(grab.pixel(0, 0), background);
        EXPECT_EQ(grab.pixel(641, 377), background);
    }
}

TEST_F(PreviewViewTest, EveryDesignChangeChangesTheGrab)
{
    StampSettings base = boldDesign();
    base.FShadow = false; // so that switching it on shows
    base.OutlineColor = 0x0000ff;
    base.CaptionFormat = QStringLiteral("[PHOTO_DATE]");
    design.replace(base);
    show(photo("structure/sony-powershota5.jpg"));
    const QImage before = grabOf(view);

    const std::vector<std::pair<const char *, std::function<void(StampSettings &)>>> changes {
        { "size", [](StampSettings &s) { s.Size = 8; } },
        { "font", [](StampSettings &s) { s.FontName = QStringLiteral("DejaVu Serif"); } },
        { "font colour", [](StampSettings &s) { s.FontColor = 0x00ff00; } },
        { "background colour", [](StampSettings &s) { s.BgColor = 0xffffff; } },
        { "transparent background", [](StampSettings &s) { s.BgColor = kNoColor; } },
        { "outline colour", [](StampSettings &s) { s.OutlineColor = 0xff00ff; } },
        { "contrast outline", [](StampSettings &s) { s.OutlineColor = kNoColor; } },
        { "bold", [](StampSettings &s) { s.Style.Bold = false; } },
        { "italic", [](StampSettings &s) { s.Style.Italic = true; } },
        { "underline", [](StampSettings &s) { s.Style.Underline = true; } },
        { "shadow", [](StampSettings &s) { s.FShadow = true; } },
        { "outline", [](StampSettings &s) { s.FOutline = false; } },
        { "date format", [](StampSettings &s) { s.DateFormat = QStringLiteral("YYYY-MM-DD"); } },
        { "caption", [](StampSettings &s) { s.CaptionFormat = QStringLiteral("[PHOTO_DATE] [Make]"); } },
        { "stamp task off", [](StampSettings &s) { s.StampPhotosOpt = false; } },
        { "standard place", [](StampSettings &s) { s.XOrient = s.YOrient = 0; } },
    };
    for (const auto &[what, change] : changes) {
        SCOPED_TRACE(what);
        StampSettings changed = base;
        change(changed);
        design.replace(changed);
        EXPECT_GT(differingPixels(grabOf(view), before), 20);
        // And back: nothing of the change is left behind.
        design.replace(base);
        EXPECT_EQ(differingPixels(grabOf(view), before), 0);
    }
    EXPECT_EQ(view.decodeCount(), 1);
}

StampSettings plainDesign()
{
    StampSettings s;
    s.CaptionFormat = QStringLiteral("Kelvra");
    s.BgColor = 0x800000;
    s.FontColor = 0xffffff;
    return s;
}

TEST_F(PreviewViewTest, PressAtTheCentrePlacesTheLabelCentred)
{
    show(photo("structure/sony-powershota5.jpg"));
    const QImage plain = plainRaster(plainDesign());
    const QRect rect = rectOf(view.placement());
    const QPoint centre(rect.left() + rect.width() / 2, rect.top() + rect.height() / 2);
    QTest::mousePress(&view, Qt::LeftButton, {}, centre);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, centre);
    ASSERT_EQ(placements.size(), 1u);
    const StampSettings &s = placements.front();

    const QImage raster = view.previewRaster();
    const QRect box = changedBox(raster, plain);
    ASSERT_FALSE(box.isEmpty());
    const int W = raster.width(), H = raster.height();
    const int rightGap = W - box.right() - 1, bottomGap = H - box.bottom() - 1;
    // Centred: the gaps differ by the rounding of the pointer mapping only.
    EXPECT_LE(std::abs(box.left() - rightGap), 3);
    EXPECT_LE(std::abs(box.top() - bottomGap), 3);
    const int cell = std::min(W, H) / 20;
    EXPECT_EQ(box.height(), cell);
    EXPECT_EQ(s.XOrient, rightGap < box.left() ? 1 : 0);
    EXPECT_EQ(s.YOrient, bottomGap < box.top() ? 1 : 0);
    EXPECT_DOUBLE_EQ(s.XD, double(s.XOrient == 0 ? box.left() : rightGap) / W);
    EXPECT_DOUBLE_EQ(s.YD, double(s.YOrient == 0 ? box.top() : bottomGap) / H);
    // Placing moves the label and leaves its size alone.
    EXPECT_EQ(s.Size, 20);
}

// Equal gaps on both sides: XOrient 0, and XD is the left gap over the width.
TEST_F(PreviewViewTest, PressOnTheExactCentreGivesXOrientZero)
{
    // Smaller than the area, so it is shown unscaled and the pointer lands
    // on raster pixels.
    writePhoto(dir / "small.jpg", QSize(630, 370), 1);
    show(dir / "small.jpg");
    const QImage plain = plainRaster(plainDesign());
    ASSERT_EQ(view.placement().PreviewScale, 1);
    const int w = changedBox(view.previewRaster(), plain).width();
    ASSERT_GT(w, 0);
    // left = px - w div 2 should come out as (630 - w) div 2.
    const int px = (630 - w) / 2 + w / 2;
    const PixelRect &r = view.placement().PreviewRect;
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(r.Left + px, r.Top + 185));
    ASSERT_EQ(placements.size(), 1u);
    const StampSettings &s = placements.front();
    const QRect box = changedBox(view.previewRaster(), plain);
    EXPECT_EQ(box.width(), w);
    EXPECT_EQ(box.left(), (630 - w) / 2);
    EXPECT_EQ(s.XOrient, 0);
    EXPECT_DOUBLE_EQ(s.XD, double(box.left()) / 630);
    EXPECT_EQ(s.YOrient, 0);
    EXPECT_DOUBLE_EQ(s.YD, double(box.top()) / 370);
}

TEST_F(PreviewViewTest, DragToTheBottomRightCornerGivesOneOneZeroZero)
{
    show(photo("structure/sony-powershota5.jpg"));
    const QImage plain = plainRaster(plainDesign());
    const QRect rect = rectOf(view.placement());
    QTest::mousePress(&view, Qt::LeftButton, {}, rect.topLeft() + QPoint(40, 40));
    QTest::mouseMove(&view, rect.center());
    QTest::mouseMove(&view, rect.bottomRight());
    QTest::mouseRelease(&view, Qt::LeftButton, {}, rect.bottomRight());
    ASSERT_EQ(placements.size(), 3u); // the press and each move
    const StampSettings s = placements.back();
    EXPECT_EQ(s.XOrient, 1);
    EXPECT_EQ(s.YOrient, 1);
    EXPECT_DOUBLE_EQ(s.XD, 0);
    EXPECT_DOUBLE_EQ(s.YD, 0);
    // Only the last label is on the raster, flush with the corner.
    const QImage dragged = view.previewRaster();
    const QRect box = changedBox(dragged, plain);
    EXPECT_EQ(box.right(), dragged.width() - 1);
    EXPECT_EQ(box.bottom(), dragged.height() - 1);
    EXPECT_GT(box.left(), dragged.width() / 2);
    // The shown picture follows the raster.
    const QImage fitted = dragged.scaled(rect.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_TRUE(sameWithin(grabOf(view).copy(rect), fitted, 6));

    // The window hands the placement back: the anchored drawing puts the
    // label where the drag left it.
    design.replace(s);
    EXPECT_EQ(changedBox(view.previewRaster(), plain), box);

    // A pointer outside the picture is pulled back onto it.
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(2, 2)); // (0, 0) would mean the centre to QTest
    ASSERT_EQ(placements.size(), 4u);
    const StampSettings &corner = placements.back();
    EXPECT_EQ(changedBox(view.previewRaster(), plain).topLeft(), QPoint(0, 0));
    EXPECT_EQ(corner.XOrient, 0);
    EXPECT_EQ(corner.YOrient, 0);
    EXPECT_DOUBLE_EQ(corner.XD, 0);
    EXPECT_DOUBLE_EQ(corner.YD, 0);
}

TEST_F(PreviewViewTest, PressesThatMustNotMoveTheLabel)
{
    watchPlacements();
    // No photo: nothing to place on.
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_TRUE(placements.empty());

    // The stamp task off: no label to see, so none to move.
    StampSettings shown = plainDesign();
    shown.StampPhotosOpt = false;
    design.replace(shown);
    placements.clear(); // only what the pointer does counts
    show(photo("structure/sony-powershota5.jpg"));
    const QImage before = view.previewRaster();
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(300, 200));
    QTest::mouseMove(&view, QPoint(320, 220));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(320, 220));
    EXPECT_TRUE(placements.empty());
    EXPECT_EQ(differingPixels(view.previewRaster(), before), 0);

    // The right button places nothing either.
    shown.StampPhotosOpt = true;
    design.replace(shown);
    placements.clear(); // only what the pointer does counts
    const QImage anchored = view.previewRaster();
    QTest::mousePress(&view, Qt::RightButton, {}, QPoint(300, 200));
    QTest::mouseRelease(&view, Qt::RightButton, {}, QPoint(300, 200));
    EXPECT_TRUE(placements.empty());
    EXPECT_EQ(differingPixels(view.previewRaster(), anchored), 0);
}

// A photo stored sideways: the scale comes from its upright size, so
// repaints never reload it, and only a resize that needs another scale does.
TEST_F(PreviewViewTest, SidewaysPhotoDecodesOnceAcrossRepaintsAndOnceMoreOnResize)
{
    if (!toolAvailable("exiftool"))
        GTEST_SKIP() << "exiftool is missing";
    const auto path = dir / "sideways.jpg";
    writePhoto(path, QSize(4000, 3000), 6);
    show(path);
    EXPECT_EQ(view.decodeCount(), 1);
    // Upright 3000 x 4000; an eighth (375 x 500) still covers 378 rows.
    EXPECT_EQ(view.previewRaster().size(), QSize(375, 500));
    QSignalSpy shown(&view, &PreviewView::photoShown);
    for (int i = 0; i < 5; ++i) {
        view.repaint();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(view.decodeCount(), 1);

    // 1300 x 1100 needs a half (1500 x 2000): one more decode, with the
    // label drawn again on the new raster.
    view.resize(1300, 1100);
    ASSERT_TRUE(waitFor([&] { return shown.count() == 1; }));
    EXPECT_EQ(view.previewRaster().size(), QSize(1500, 2000));
    for (int i = 0; i < 5; ++i) {
        view.repaint();
        QCoreApplication::processEvents();
    }
    // A second resize in the same scale range needs nothing.
    view.resize(1250, 1150);
    view.repaint();
    QCoreApplication::processEvents();
    // Anything the repaints had asked for would have shown up by now: the
    // next load is a fresh photo, which must be the only further decode.
    show(photo("orientation/landscape_1.jpg"));
    EXPECT_EQ(view.decodeCount(), 3);
    EXPECT_EQ(shown.count(), 2);
}

TEST_F(PreviewViewTest, UnusableFilesHideTheView)
{
    const auto png = dir / "picture.png";
    ASSERT_TRUE(QImage(QStringLiteral(KELVRA_TEST_PHOTOS "/orientation/landscape_1.jpg")).save(qpath(png), "PNG"));
    const auto gif = dir / "picture.gif"; // no photo kind
    ASSERT_TRUE(QImage(QStringLiteral(KELVRA_TEST_PHOTOS "/orientation/landscape_1.jpg")).save(qpath(gif), "PNG"));
    const auto garbage = dir / "garbage.jpg";
    writeFileBytes(garbage, std::string(4096, 'x'));
    const auto truncated = dir / "truncated.jpg";
    writeFileBytes(truncated, readFileBytes(photo("gps/DSCN0010.jpg")).substr(0, 100));
    const std::filesystem::path missing = dir / "missing.jpg";

    for (const auto &path : { gif, garbage, truncated, missing }) {
        SCOPED_TRACE(path.filename().string());
        show(photo("gps/DSCN0010.jpg"));
        QSignalSpy failed(&view, &PreviewView::photoFailed);
        view.LoadPic(qpath(path));
        ASSERT_TRUE(waitFor([&] { return failed.count() == 1; }));
        EXPECT_EQ(failed.first().first().toString(), qpath(path));
        EXPECT_FALSE(view.isVisible());
        EXPECT_FALSE(view.hasPhoto());
        EXPECT_EQ(view.photoPath(), QString());
        EXPECT_TRUE(view.previewRaster().isNull());
        // No message box or any other window came up.
        for (QWidget *window : QApplication::topLevelWidgets())
            EXPECT_TRUE(window == &view || !window->isVisible()) << window->metaObject()->className();
    }

    // A PNG is a photo, and under a JPEG name it is read by its content and shown.
    show(png);
    EXPECT_EQ(view.previewRaster().size(), QSize(600, 450));
    const auto disguised = dir / "disguised.jpg";
    QFile::copy(qpath(png), qpath(disguised));
    show(disguised);
    EXPECT_EQ(view.previewRaster().size(), QSize(600, 450));
}

TEST_F(PreviewViewTest, NewerRequestsSupersedeOlderOnes)
{
    QSignalSpy shown(&view, &PreviewView::photoShown);
    const QString first = qpath(photo("gps/DSCN0010.jpg"));
    const QString second = qpath(photo("orientation/landscape_3.jpg"));
    const QString third = qpath(photo("orientation/portrait_1.jpg"));
    view.LoadPic(first);
    view.LoadPic(second);
    ASSERT_TRUE(waitFor([&] { return view.photoPath() == second; }));
    show(photo("orientation/portrait_1.jpg")); // whatever was still coming has come
    ASSERT_EQ(shown.count(), 2);
    EXPECT_EQ(shown.at(0).at(0).toString(), second);
    EXPECT_EQ(shown.at(1).at(0).toString(), third);

    // Back to the photo shown before the other one arrives: it stays.
    shown.clear();
    view.LoadPic(first);
    view.LoadPic(third);
    EXPECT_EQ(view.photoPath(), third);
    show(photo("orientation/landscape_1.jpg"));
    ASSERT_EQ(shown.count(), 1);
    view.clearPhoto();
    EXPECT_FALSE(view.isVisible());
    EXPECT_FALSE(view.hasPhoto());
}

} // namespace
} // namespace kelvra::test
