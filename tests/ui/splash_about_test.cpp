// SPDX-License-Identifier: GPL-3.0-or-later
// The version text, the splash window at start-up and the about window.
#include "ui_test_support.h"

#include "kelvra_version.h"
#include "ui/about_window.h"
#include "ui/splash_window.h"
#include "ui/url_label.h"
#include "ui/version_text.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace kelvra::test {
namespace {

TEST(VersionText, MajorMinorAndReleaseWithoutTheBuild)
{
    EXPECT_EQ(versionText(3u << 16 | 0u, 6902u << 16 | 3106u), QStringLiteral("v3.0.6902"));
    EXPECT_EQ(versionText(0xFFFFu << 16 | 1u, 0u), QStringLiteral("v65535.1.0"));
    EXPECT_EQ(programVersionText(), QLatin1String(kVersionText));
}

// How many pixels of the picture are near colour.
int pixelsNear(const QImage &image, QColor colour, int tolerance)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) <= tolerance && qAbs(c.green() - colour.green()) <= tolerance
                && qAbs(c.blue() - colour.blue()) <= tolerance)
                ++count;
        }
    }
    return count;
}

TEST(Artwork, IsDrawnFromTheProgramsPicture)
{
    const QImage art = kelvraArtwork().toImage();
    ASSERT_EQ(art.size(), QSize(454, 296));
    // The name's dark ink, the orange date and the album corners: the
    // picture was found and drawn, not left as the page colour.
    EXPECT_GT(pixelsNear(art, QColor(0x1f, 0x2a, 0x36), 12), 1000);
    EXPECT_GT(pixelsNear(art, QColor(0xff, 0x9a, 0x2e), 30), 150);
    EXPECT_GT(pixelsNear(art, QColor(0x22, 0x26, 0x2c), 10), 800);
    const QImage sharp = kelvraArtwork(2.0).toImage();
    EXPECT_EQ(sharp.size(), QSize(908, 592));
}

TEST(Splash, IsCentredWithTheVersionInItsCorner)
{
    TLogoForm splash;
    splash.showNow();
    EXPECT_TRUE(splash.isVisible());
    EXPECT_EQ(splash.size(), QSize(454, 296));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_LE((splash.geometry().center() - screen.center()).manhattanLength(), 1);
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    QLabel *version = test::partOf<QLabel>(splash, QStringLiteral("LabelV"));
    EXPECT_EQ(version->pos(), QPoint(8, 6));
    EXPECT_TRUE(version->font().bold());
    EXPECT_EQ(version->palette().color(QPalette::WindowText), QColor(36, 162, 89));
    EXPECT_EQ(version->text(), programVersionText());
    EXPECT_FALSE(version->autoFillBackground());
    EXPECT_FALSE(test::partOf<QLabel>(splash, QStringLiteral("Image1"))->pixmap().isNull());
}

TEST(Splash, CoversBuildingTheMainWindowAndIsGoneAfterIt)
{
    auto splashes = []() {
        int visible = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            visible += qobject_cast<TLogoForm *>(w) && w->isVisible();
        return visible;
    };
    bool shownWhileBuilding = false;
    bool windowVisibleYet = true;
    auto window = startWithSplash([&]() {
        shownWhileBuilding = splashes() == 1;
        auto w = std::make_unique<QWidget>();
        windowVisibleYet = w->isVisible();
        return w;
    });
    EXPECT_TRUE(shownWhileBuilding);
    EXPECT_FALSE(windowVisibleYet);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(splashes(), 0);
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<TLogoForm *>(w)) << "the splash window was not released";
}

class AboutWindow : public ::testing::Test
{
protected:
    FakeDialogs dialogs;
    TAboutBox about { dialogs };
};

TEST_F(AboutWindow, ShowsTheVersionTheLinksAndContinue)
{
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About..."));
    EXPECT_EQ(about.size(), QSize(454, 296));
    EXPECT_EQ(test::partOf<QLabel>(about, QStringLiteral("Label2"))->text(), programVersionText());
    EXPECT_TRUE(test::partOf<QLabel>(about, QStringLiteral("Label2"))->font().bold());
    EXPECT_EQ(test::partOf<QPushButton>(about, QStringLiteral("BitBtn2"))->text(), QStringLiteral("Continue"));
    EXPECT_TRUE(test::partOf<QPushButton>(about, QStringLiteral("BitBtn2"))->isDefault());
    for (QWidget *control : std::initializer_list<QWidget *> { test::partOf<QLabel>(about, QStringLiteral("Label2")),
             test::partOf<TURLLabel>(about, QStringLiteral("URLLabel1")),
             test::partOf<TURLLabel>(about, QStringLiteral("URLLabel2")),
             test::partOf<QPushButton>(about, QStringLiteral("BitBtn2")) })
        EXPECT_TRUE(about.rect().contains(control->geometry())) << control->objectName().toStdString();
    EXPECT_FALSE(test::partOf<TURLLabel>(about, QStringLiteral("URLLabel1"))
                     ->geometry()
                     .intersects(test::partOf<TURLLabel>(about, QStringLiteral("URLLabel2"))->geometry()));
    // Tab reaches the links, then Continue, each named for a screen reader.
    QStringList order;
    QWidget *at = test::partOf<QPushButton>(about, QStringLiteral("BitBtn2"));
    do {
        if (at->isVisible() && (at->focusPolicy() & Qt::TabFocus) && at->window() == &about) {
            order << at->objectName();
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(at);
            EXPECT_FALSE(face && face->text(QAccessible::Name).trimmed().isEmpty()) << at->objectName().toStdString();
        }
        at = at->nextInFocusChain();
    } while (at != test::partOf<QPushButton>(about, QStringLiteral("BitBtn2")));
    EXPECT_EQ(
        order, QStringList({ QStringLiteral("BitBtn2"), QStringLiteral("URLLabel1"), QStringLiteral("URLLabel2") }));
    QTest::mouseClick(test::partOf<QPushButton>(about, QStringLiteral("BitBtn2")), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST_F(AboutWindow, ALinkLightsUpUnderThePointerAndOpensItsTarget)
{
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    const std::pair<TURLLabel *, QString> links[]
        = { { test::partOf<TURLLabel>(about, QStringLiteral("URLLabel1")), kProductUrl },
              { test::partOf<TURLLabel>(about, QStringLiteral("URLLabel2")), kSupportMail } };
    for (const auto &[link, target] : links) {
        const QColor normal = link->palette().color(QPalette::WindowText);
        EXPECT_EQ(normal, QColor(36, 162, 89));
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
        QEnterEvent enter(QPointF(2, 2), link->mapTo(&about, QPointF(2, 2)), link->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(link, &enter);
        EXPECT_EQ(link->palette().color(QPalette::WindowText), link->HighlightColor);
        EXPECT_NE(link->HighlightColor, normal);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(link, &leave);
        EXPECT_EQ(link->palette().color(QPalette::WindowText), normal);

        dialogs.opened.clear();
        QTest::mouseClick(link, Qt::LeftButton);
        ASSERT_EQ(dialogs.opened.size(), 1u);
        EXPECT_EQ(dialogs.opened[0], QUrl(target));
        QTest::mouseClick(link, Qt::RightButton);
        EXPECT_EQ(dialogs.opened.size(), 1u) << "only the left button opens";
    }
    EXPECT_TRUE(about.isVisible());
}

TEST_F(AboutWindow, EscCloses)
{
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Rejected);
}

using AboutCommand = WindowTest;

TEST_F(AboutCommand, OpensTheAboutWindowModallyOverTheMainWindow)
{
    TForm1 &w = open();
    ASSERT_TRUE(test::partOf<TAboutBox>(w));
    bool modal = false;
    QTimer::singleShot(0, [&]() {
        KELVRA_TRY(QApplication::activeModalWidget() == test::partOf<TAboutBox>(w));
        modal = test::partOf<TAboutBox>(w)->isVisible() && test::partOf<TAboutBox>(w)->parentWidget() == &w;
        QTest::keyClick(test::partOf<TAboutBox>(w), Qt::Key_Escape);
    });
    test::actionOf(w, QStringLiteral("Action3"))->trigger();
    EXPECT_TRUE(modal);
    EXPECT_FALSE(test::partOf<TAboutBox>(w)->isVisible());
    EXPECT_TRUE(dialogs.messages.empty());
}

} // namespace
} // namespace kelvra::test
