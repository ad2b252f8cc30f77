// SPDX-License-Identifier: GPL-3.0-or-later
// Window placement: kept on the desktop, written and read back in "Form1".
#include "ui_test_support.h"

#include "stamp/ini_file.h"
#include "ui/form_size.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kelvra::test {
namespace {

struct DesktopCase
{
    const char *what;
    QRect bounds;
    QRect expected;
};

// Two screens side by side, the left one at negative coordinates.
const QRect kDesktop = desktopArea({ QRect(-1920, 0, 1920, 1080), QRect(0, 0, 1920, 1200) });

const DesktopCase kDesktopCases[] = {
    { "inside stays", QRect(100, 100, 800, 600), QRect(100, 100, 800, 600) },
    { "on the left screen stays", QRect(-1800, 50, 800, 600), QRect(-1800, 50, 800, 600) },
    { "beyond the right edge", QRect(1500, 100, 800, 600), QRect(1120, 100, 800, 600) },
    { "beyond the left edge", QRect(-2000, 100, 800, 600), QRect(-1920, 100, 800, 600) },
    { "below the bottom", QRect(100, 900, 800, 600), QRect(100, 600, 800, 600) },
    { "above the top", QRect(100, -50, 800, 600), QRect(100, 0, 800, 600) },
    { "off both far edges", QRect(3000, 2000, 400, 300), QRect(1520, 900, 400, 300) },
    { "wider than the desktop keeps its left on it", QRect(-100, 0, 5000, 300), QRect(-1920, 0, 5000, 300) },
};

TEST(Placement, BoundsAreKeptOnTheUnionOfAllScreens)
{
    EXPECT_EQ(kDesktop, QRect(-1920, 0, 3840, 1200));
    for (const DesktopCase &c : kDesktopCases)
        EXPECT_EQ(keepOnDesktop(c.bounds, kDesktop), c.expected) << c.what;
    EXPECT_EQ(keepOnDesktop(QRect(5, 5, 10, 10), QRect()), QRect(5, 5, 10, 10)) << "no screens";
}

class PlacementFile : public WindowTest
{
protected:
    QString ini() const { return qpath(work / "placement.ini"); }
    void writeSection(const std::string &body) { writeFileBytes(work / "placement.ini", "[Form1]\n" + body); }
    std::unique_ptr<QWidget> window(QRect bounds)
    {
        auto w = std::make_unique<QWidget>();
        w->setObjectName(QStringLiteral("Form1"));
        w->setGeometry(bounds);
        return w;
    }
    TFormSize *placeOn(QWidget &w)
    {
        auto *placement = new TFormSize(&w);
        placement->SaveName = ini();
        return placement;
    }
    int read(const char *key) const { return IniFile(ini()).readInteger(QStringLiteral("Form1"), key, -99999); }
    QRect screen() const { return QGuiApplication::primaryScreen()->geometry(); }
};

TEST_F(PlacementFile, DefaultsOfANewPlacement)
{
    QWidget w;
    w.setObjectName(QStringLiteral("SomeForm"));
    TFormSize placement(&w);
    EXPECT_TRUE(placement.SavePosition);
    EXPECT_TRUE(placement.SaveSize);
    EXPECT_FALSE(placement.SaveUser);
    EXPECT_FALSE(placement.SaveMachine);
    EXPECT_FALSE(placement.Magnet);
    EXPECT_FALSE(placement.DragAlways);
    EXPECT_EQ(placement.MagnetDistance, 32);
    EXPECT_EQ(placement.SaveKey, QStringLiteral("SomeForm"));
    EXPECT_EQ(placement.sectionName(), QStringLiteral("SomeForm"));
    EXPECT_EQ(TFormSize::Version(), QStringLiteral("1.3.1.5"));
    EXPECT_EQ(placement.Location, TPersistLocation::plIniFile);
}

TEST_F(PlacementFile, OnlyOnePlacementOnAWindowAndOnlyOnAWindow)
{
    QWidget w;
    TFormSize first(&w);
    try {
        TFormSize second(&w);
        ADD_FAILURE() << "a second placement was made";
    } catch (const EFormSizeError &e) {
        EXPECT_STREQ(e.what(), "The form already contains a TFormSize component");
    }
    QWidget child(&w);
    try {
        TFormSize inner(&child);
        ADD_FAILURE() << "a placement on a child widget was made";
    } catch (const EFormSizeError &e) {
        EXPECT_STREQ(e.what(), "Control parent must be a form!");
    }
    EXPECT_THROW(TFormSize(nullptr), EFormSizeError);
    EXPECT_EQ(w.findChildren<TFormSize *>().size(), 1);
}

TEST_F(PlacementFile, SaveWritesTheBoundsWithRightAndBottomAsEdges)
{
    auto w = window(QRect(100, 120, 500, 300));
    TFormSize *placement = placeOn(*w);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    ASSERT_TRUE(placement->SaveFormSettings());
    EXPECT_EQ(read("Left"), 100);
    EXPECT_EQ(read("Top"), 120);
    EXPECT_EQ(read("Right"), 600);
    EXPECT_EQ(read("Bottom"), 420);
    EXPECT_EQ(read("Maximized"), 0);

    auto again = window(QRect(0, 0, 200, 200));
    placeOn(*again)->LoadFormSettings();
    EXPECT_EQ(again->geometry(), QRect(100, 120, 500, 300));
}

TEST_F(PlacementFile, BoundsBeyondTheDesktopComeBackWithTheirSize)
{
    const QRect s = screen();
    writeSection("Left=" + std::to_string(s.right() - 100) + "\nTop=" + std::to_string(s.bottom() - 50)
        + "\nRight=" + std::to_string(s.right() + 300) + "\nBottom=" + std::to_string(s.bottom() + 250) + "\n");
    auto w = window(QRect(10, 10, 100, 100));
    placeOn(*w)->LoadFormSettings();
    EXPECT_EQ(w->geometry(), QRect(s.right() - 399, s.bottom() - 299, 400, 300));
}

TEST_F(PlacementFile, BoundsWithoutAreaAreIgnored)
{
    for (const char *body : { "Left=10\nTop=10\nRight=10\nBottom=300\n", "Left=10\nTop=10\nRight=300\nBottom=-5\n",
             "Left=-2147483648\nTop=0\nRight=2147483647\nBottom=100\n" }) {
        writeSection(body);
        auto w = window(QRect(20, 30, 200, 150));
        placeOn(*w)->LoadFormSettings();
        EXPECT_EQ(w->geometry(), QRect(20, 30, 200, 150)) << body;
    }
}

TEST_F(PlacementFile, MaximisedIsSavedWithTheNormalBoundsAndReopensMaximised)
{
    auto w = window(QRect(50, 60, 300, 200));
    TFormSize *placement = placeOn(*w);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->showMaximized();
    KELVRA_TRY(w->isMaximized() && w->geometry() != QRect(50, 60, 300, 200));
    ASSERT_TRUE(placement->SaveFormSettings());
    EXPECT_EQ(read("Left"), 50);
    EXPECT_EQ(read("Top"), 60);
    EXPECT_EQ(read("Right"), 350);
    EXPECT_EQ(read("Bottom"), 260);
    EXPECT_EQ(read("Maximized"), 1);

    auto again = window(QRect(0, 0, 100, 100));
    placeOn(*again)->LoadFormSettings();
    again->show();
    KELVRA_TRY(again->isMaximized());
    again->showNormal();
    KELVRA_TRY(again->geometry() == QRect(50, 60, 300, 200));
}

TEST_F(PlacementFile, NothingHappensWithoutANameOrAKey)
{
    writeSection("Left=1\nTop=2\nRight=300\nBottom=400\n");
    for (int which = 0; which < 2; ++which) {
        auto w = window(QRect(20, 30, 200, 150));
        TFormSize *placement = placeOn(*w);
        (which == 0 ? placement->SaveName : placement->SaveKey).clear();
        placement->LoadFormSettings();
        EXPECT_EQ(w->geometry(), QRect(20, 30, 200, 150));
        EXPECT_TRUE(placement->SaveFormSettings());
    }
    EXPECT_EQ(read("Left"), 1);
}

TEST_F(PlacementFile, ARelativeNameIsNeverTheCurrentFolder)
{
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(qpath(work.path())));
    writeFileBytes(work / "FORM.INI", "[Form1]\nLeft=1\nTop=2\nRight=300\nBottom=400\n");
    auto w = window(QRect(20, 30, 200, 150));
    TFormSize placement(w.get());
    EXPECT_EQ(placement.iniPath(), QDir(dataFolder()).filePath(QStringLiteral("FORM.INI")));
    placement.LoadFormSettings();
    EXPECT_EQ(w->geometry(), QRect(20, 30, 200, 150));
    QDir::setCurrent(before);
}

using MainWindowPlacement = WindowTest;

TEST_F(MainWindowPlacement, WithoutASectionTheWindowIsCentredAtItsDesignSize)
{
    // Not shown: the headless screen is smaller than the window and would push it.
    TForm1 w(dialogs);
    EXPECT_EQ(w.size(), QSize(944, 765));
    EXPECT_EQ(w.geometry().center(), w.screen()->availableGeometry().center());
    ASSERT_TRUE(test::partOf<TFormSize>(w));
    EXPECT_EQ(test::partOf<TFormSize>(w)->sectionName(), QStringLiteral("Form1"));
    EXPECT_EQ(test::partOf<TFormSize>(w)->iniPath(), programIniPath());
}

TEST_F(MainWindowPlacement, ClosingWritesThePlacementBesideTheDesignAndOpeningReadsIt)
{
    const QRect s = QGuiApplication::primaryScreen()->geometry();
    const QRect bounds(s.left() + 10, s.top() + 20, 960, 500);
    {
        TForm1 &w = open();
        w.setGeometry(bounds);
        w.close();
    }
    const IniFile ini(qpath(config.path() / "Kelvra" / "Kelvra.ini"));
    EXPECT_TRUE(ini.hasSection(QStringLiteral("Options")));
    EXPECT_EQ(ini.readInteger(QStringLiteral("Form1"), QStringLiteral("Right"), 0), bounds.left() + 960);
    EXPECT_EQ(ini.readInteger(QStringLiteral("Form1"), QStringLiteral("Bottom"), 0), bounds.top() + 500);
    TForm1 &again = open();
    // The headless screen is narrower than the window: its left edge is held on it.
    ASSERT_LT(s.width(), 960);
    EXPECT_EQ(again.geometry(), QRect(s.left(), bounds.top(), 960, 500));
    EXPECT_FALSE(again.isMaximized());
}

TEST_F(MainWindowPlacement, SavedMaximisedReopensMaximised)
{
    QDir().mkpath(dataFolder());
    writeFileBytes(
        config.path() / "Kelvra" / "Kelvra.ini", "[Form1]\nLeft=0\nTop=0\nRight=1000\nBottom=600\nMaximized=1\n");
    TForm1 &w = open();
    KELVRA_TRY(w.isMaximized());
    EXPECT_EQ(w.normalGeometry().size(), QSize(1000, 600));
}

} // namespace
} // namespace kelvra::test
