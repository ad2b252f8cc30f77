// SPDX-License-Identifier: GPL-3.0-or-later
// The window as it opens: defaults, commands, menus, names for a screen reader.
#include "ui_test_support.h"

#include "kelvra_version.h"
#include "ui/colour_selector.h"
#include "ui/folder_browser.h"
#include "ui/label_page.h"
#include "ui/main_actions.h"
#include "ui/mask_page.h"
#include "ui/preview_view.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QToolButton>

#include <set>

namespace kelvra::test {
namespace {

using MainWindow = WindowTest;

TEST_F(MainWindow, OpensWithTheDefaultsOnAnEmptySettingsFolder)
{
    ASSERT_FALSE(QDir(dataFolder()).exists());
    TForm1 &w = open();
    EXPECT_EQ(test::partOf<QSlider>(w, QStringLiteral("SizeSlider"))->value(), 50);
    // Read as the label's height: a twentieth of the photo's shorter side.
    EXPECT_EQ(test::partOf<QLabel>(w, QStringLiteral("SizeValue"))->text(),
        QStringLiteral("5") + QLocale().decimalPoint() + QStringLiteral("0 %"));
    EXPECT_EQ(designOf(w).settings().Size, 20);
    EXPECT_EQ(test::partOf<QLineEdit>(w, QStringLiteral("CaptionEdit"))->text(), QStringLiteral("[PHOTO_DATE]"));
    EXPECT_EQ(
        test::partOf<QComboBox>(w, QStringLiteral("DateFormatBox"))->currentText(), QStringLiteral("DD.MM.YYYY hh:nn"));
    EXPECT_EQ(test::partOf<QComboBox>(w, QStringLiteral("MaskBox"))->currentText(), QStringLiteral("%o_timestamp"));
    EXPECT_EQ(test::partOf<QLabel>(w, QStringLiteral("MaskExample"))->text(),
        QStringLiteral("Example OriginalName_timestamp.jpg"));
    EXPECT_GE(test::partOf<QLabel>(w, QStringLiteral("MaskExample"))->minimumWidth(),
        test::partOf<QLabel>(w, QStringLiteral("MaskExample"))->sizeHint().width())
        << "the example is never cut";
    EXPECT_EQ(test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->currentRow(), 0);
    EXPECT_EQ(
        test::partOf<QStackedWidget>(w, QStringLiteral("PageControl1"))->currentWidget(), test::partOf<LabelPage>(w));
    EXPECT_EQ(test::partOf<QGroupBox>(w, QStringLiteral("SettingsFrame"))->title(), QStringLiteral("Stamp photos"));
    EXPECT_EQ(test::partOf<QLabel>(w, QStringLiteral("FilesToProcess"))->text(), QStringLiteral("Files to process: 0"));
    EXPECT_EQ(test::partOf<PathLabel>(w, QStringLiteral("PhotoPath"))->accessibleName(), QString());
    EXPECT_EQ(
        w.windowTitle(), QStringLiteral("Kelvra v%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRelease));
    EXPECT_EQ(helpTopicOf(test::partOf<QListWidget>(w, QStringLiteral("TodoList"))), 20);
    EXPECT_FALSE(test::actionOf(w, QStringLiteral("ASaveAs"))->isEnabled());
    EXPECT_FALSE(test::actionOf(w, QStringLiteral("ProcessPhotos"))->isEnabled());
    EXPECT_FALSE(test::partOf<PreviewView>(w)->isVisible());
    EXPECT_GE(w.minimumWidth(), 944); // 960 with the frame
    EXPECT_GE(w.minimumHeight(), 400);
    EXPECT_TRUE(QDir(dataFolder()).exists());
    EXPECT_TRUE(dialogs.messages.empty());
}

struct ExpectedAction
{
    const char *name;
    const char *caption;
    const char *category;
    const char *shortcut;
};

// The command table; captions of picture buttons are empty.
const ExpectedAction kActions[] = {
    { "Action1", "Exit", "File", "" },
    { "Exit", "Exit", "", "" },
    { "AOpen", "Open...", "File", "Ctrl+O" },
    { "ASaveAs", "Save As...", "File", "Ctrl+S" },
    { "UndoLastRun", "Undo Last Run...", "File", "" },
    { "RLoadCFG", "Load Stamp Configuration", "File", "" },
    { "RSaveCFG", "Save Stamp Configuration", "File", "" },
    { "AviewList", "List", "View", "" },
    { "AViewReport", "Report", "View", "" },
    { "AViewIcon", "Icon", "View", "" },
    { "Sort1", "Name", "Sort by", "" }, // the folder list's first column
    { "Sort7", "", "Sort by", "" },
    { "PhotoAdd", "Add", "List", "" },
    { "PhotoAddAll", "Add all", "List", "" },
    { "PhotoRemove", "Remove", "List", "" },
    { "PhotoRemoveAll", "Remove All", "List", "" },
    { "AcDate", "Add Photo Date", "", "" },
    { "AddMake", "Add Maker", "", "" },
    { "AddModel", "Add Camera Model", "", "" },
    { "AddExposureTime", "Add Exposure Time", "", "" },
    { "AddFNumber", "Add F-Number", "", "" },
    { "AddFocalLength", "Add Focal Length", "", "" },
    { "AddISO", "Add ISO", "", "" },
    { "AcGPSPos", "Add GPS Position", "", "" },
    { "acAddGPSAltitude", "Add GPS Altitude", "", "" },
    { "AddGPSDirection", "Add GPS Image Direction", "", "" },
    { "AcFileName", "Add File Name", "", "" },
    { "AcNAmeWithoutExt", "Add File Name without ext.", "", "" },
    { "AcFullName", "Add Full File Name", "", "" },
    { "AcFileCreation", "Add File Creation Date", "", "" },
    { "AcFileModification", "Add File Modification Date", "", "" },
    { "AcSysDate", "Add Current System Date", "", "" },
    { "AcDateSource", "Add Date Source", "", "" },
    { "AcTimeZone", "Add Time Zone", "", "" },
    { "AOptions", "Options...", "Preferences", "" },
    { "Help", "Help", "Help", "" },
    { "Support", "Online Support", "Help", "" },
    { "Action3", "About...", "Help", "" },
    { "ProcessPhotos", "Start", "", "" },
    { "StampTo1", "", "", "" },
    { "StampTo4", "", "", "" },
    { "FBold", "", "", "" },
    { "FItalic", "", "", "" },
    { "FUnderline", "", "", "" },
    { "FShadow", "", "", "" },
    { "FOutline", "", "", "" },
};

TEST_F(MainWindow, EveryCommandIsAnActionWithItsCaptionCategoryAndShortcut)
{
    TForm1 &w = open();
    for (const ExpectedAction &e : kActions) {
        SCOPED_TRACE(e.name);
        const auto found = w.findChildren<QAction *>(QLatin1String(e.name));
        ASSERT_EQ(found.size(), 1);
        const QAction *a = found.first();
        EXPECT_EQ(withoutMnemonic(a->text()), QLatin1String(e.caption));
        EXPECT_EQ(a->property("category").toString(), QLatin1String(e.category));
        EXPECT_EQ(a->shortcut(), QKeySequence(QLatin1String(e.shortcut)));
    }
    for (const char *style : { "FBold", "FItalic", "FUnderline", "FShadow", "FOutline" })
        EXPECT_TRUE(test::actionOf(w, QLatin1String(style))->isCheckable()) << style;
    EXPECT_EQ(test::actionOf(w, QStringLiteral("FShadow"))->toolTip(), QStringLiteral("Shadow"));
}

// A menu as captions, "-" for separators and "Name>" for submenus.
QStringList walk(const QMenu *menu)
{
    QStringList items;
    for (const QAction *a : menu->actions()) {
        if (a->isSeparator())
            items << QStringLiteral("-");
        else if (a->menu())
            items << withoutMnemonic(a->text()) + QLatin1Char('>');
        else if (a->isVisible())
            items << withoutMnemonic(a->text());
    }
    return items;
}

TEST_F(MainWindow, MenuBarAndContextMenuEqualTheTables)
{
    TForm1 &w = open();
    const std::vector<std::pair<QString, QStringList>> expected = {
        { "File", { "Open...", "Save As...", "-", "Undo Last Run...", "-", "Exit" } },
        { "View", { "List", "Report", "Icon", "Sort By>" } },
        { "List", { "Add", "Add all", "-", "Remove", "Remove All" } },
        { "Add To Photo",
            { "Add Photo Date", "Add Maker", "Add Camera Model", "Add Exposure Time", "Add F-Number",
                "Add Focal Length", "Add ISO", "-", "Add GPS Position", "Add GPS Altitude", "Add GPS Image Direction",
                "-", "Add File Name", "Add Full File Name", "Add File Name without ext.", "Add File Creation Date",
                "Add File Modification Date", "-", "Add Current System Date", "Add Date Source", "Add Time Zone" } },
        { "Stamp Configuration", { "Load Stamp Configuration", "Save Stamp Configuration", "-", "Looks>" } },
        { "Preferences", { "Options..." } },
        { "Help", { "Help", "-", "Online Support", "-", "About..." } },
    };
    const QList<QAction *> top = w.menuBar()->actions();
    ASSERT_EQ(top.size(), qsizetype(expected.size()));
    std::set<QChar> letters;
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].first.toStdString());
        EXPECT_EQ(withoutMnemonic(top[i]->text()), expected[i].first);
        ASSERT_NE(top[i]->menu(), nullptr);
        EXPECT_EQ(walk(top[i]->menu()), expected[i].second);
        // Every menu opens from the keyboard with a letter of its own.
        const QKeySequence mnemonic = QKeySequence::mnemonic(top[i]->text());
        EXPECT_FALSE(mnemonic.isEmpty());
        EXPECT_TRUE(letters.insert(top[i]->text().at(top[i]->text().indexOf(QLatin1Char('&')) + 1).toLower()).second);
    }

    // "Sort By" holds the seven sort commands, hidden while the folder
    // browser has no columns to name them.
    const QMenu *sortBy = w.findChild<QMenu *>(QStringLiteral("SortBy1"));
    ASSERT_NE(sortBy, nullptr);
    QStringList sortNames;
    for (const QAction *a : sortBy->actions())
        sortNames << a->objectName();
    EXPECT_EQ(sortNames, QStringList({ "Sort1", "Sort2", "Sort3", "Sort4", "Sort5", "Sort6", "Sort7" }));
    // Named as the browser names its columns.
    const QStringList columns = test::partOf<FolderBrowser>(w)->columnCaptions();
    EXPECT_FALSE(columns.isEmpty());
    EXPECT_EQ(walk(sortBy), columns);

    const QStringList context = { "Add Photo Date", "Add Maker", "Add Camera Model", "Add Exposure Time",
        "Add F-Number", "Add Focal Length", "Add ISO", "-", "Add GPS Position", "Add GPS Altitude",
        "Add GPS Image Direction", "-", "Add File Name", "Add File Name without ext.", "Add Full File Name",
        "Add File Creation Date", "Add File Modification Date", "-", "Add Current System Date", "Add Date Source",
        "Add Time Zone", "-", "Save As..." };
    EXPECT_EQ(walk(test::partOf<QMenu>(w, QStringLiteral("PopupMenu1"))), context);
    EXPECT_EQ(test::partOf<PreviewView>(w)->contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST_F(MainWindow, MenuItemsHaveDistinctMnemonicsWithinEachMenu)
{
    TForm1 &w = open();
    for (const QAction *top : w.menuBar()->actions()) {
        std::set<QChar> letters;
        for (const QAction *a : top->menu()->actions()) {
            if (a->isSeparator() || !a->isVisible())
                continue;
            const qsizetype amp = a->text().indexOf(QLatin1Char('&'));
            ASSERT_GE(amp, 0) << a->text().toStdString();
            EXPECT_TRUE(letters.insert(a->text().at(amp + 1).toLower()).second) << a->text().toStdString();
        }
    }
}

TEST(Mnemonics, PreferWordStartsAndNeverRepeatALetter)
{
    struct Case
    {
        const char *caption;
        const char *usedBefore;
        const char *expected;
    };
    const Case cases[] = {
        { "Add Photo Date", "", "&Add Photo Date" },
        { "Add Maker", "a", "Add &Maker" },
        { "Add Camera Model", "am", "Add &Camera Model" },
        { "Add ISO", "acmpfe", "Add &ISO" },
        { "Add", "a", "A&dd" },
        { "Add", "ad", "Add" },
        { "Save & Close", "", "&Save && Close" },
        { "ab", "ab", "ab" },
    };
    for (const Case &c : cases) {
        QString used = QLatin1String(c.usedBefore);
        EXPECT_EQ(withMnemonic(QLatin1String(c.caption), used), QLatin1String(c.expected)) << c.caption;
    }
}

TEST_F(MainWindow, TokenCommandsAppendTheirTokenOnce)
{
    TForm1 &w = open();
    QLineEdit *caption = test::partOf<QLineEdit>(w, QStringLiteral("CaptionEdit"));
    ASSERT_EQ(caption->text(), QStringLiteral("[PHOTO_DATE]"));
    test::actionOf(w, QStringLiteral("AddMake"))->trigger();
    EXPECT_EQ(caption->text(), QStringLiteral("[PHOTO_DATE] [Make]"));
    test::actionOf(w, QStringLiteral("AddMake"))->trigger();
    EXPECT_EQ(caption->text(), QStringLiteral("[PHOTO_DATE] [Make]"));
    EXPECT_EQ(designOf(w).settings().CaptionFormat, QStringLiteral("[PHOTO_DATE] [Make]"));

    // "Include Photo Date" is "Add Photo Date"; the test is case-sensitive.
    caption->setText(QStringLiteral("[photo_date]"));
    QTest::mouseClick(test::partOf<QPushButton>(w, QStringLiteral("IncludeDateButton")), Qt::LeftButton);
    EXPECT_EQ(caption->text(), QStringLiteral("[photo_date] [PHOTO_DATE]"));
    test::actionOf(w, QStringLiteral("AcSysDate"))->trigger();
    EXPECT_EQ(designOf(w).settings().CaptionFormat, QStringLiteral("[photo_date] [PHOTO_DATE] [CURRENT_TIME]"));
}

TEST_F(MainWindow, EveryControlTheKeyboardReachesHasAnAccessibleName)
{
    TForm1 &w = open();
    QApplication::processEvents();
    int reached = 0;
    for (QWidget *widget : w.findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(&w) || !(widget->focusPolicy() & Qt::TabFocus) || widget->focusProxy())
            continue;
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(face, nullptr);
        EXPECT_FALSE(face->text(QAccessible::Name).trimmed().isEmpty())
            << widget->metaObject()->className() << " " << widget->objectName().toStdString();
        ++reached;
    }
    EXPECT_GT(reached, 20);
    // The mask page's box too, though its page is not shown at first.
    EXPECT_EQ(test::partOf<QComboBox>(w, QStringLiteral("MaskBox"))->lineEdit()->accessibleName(),
        QStringLiteral("File name mask"));
}

TEST_F(MainWindow, TabOrderFollowsTheLabelPageLayout)
{
    TForm1 &w = open();
    LabelPage *page = test::partOf<LabelPage>(w);
    const QList<QWidget *> order = { test::partOf<QSlider>(*page, QStringLiteral("SizeSlider")),
        test::partOf<QFontComboBox>(*page, QStringLiteral("FontBox")),
        test::partOf<ColourSelector>(*page, QStringLiteral("FontColorBox")),
        test::partOf<ColourSelector>(*page, QStringLiteral("BgColorBox")),
        test::partOf<ColourSelector>(*page, QStringLiteral("OutlineColorBox")),
        test::partOf<QComboBox>(*page, QStringLiteral("DateFormatBox")),
        test::partOf<QPushButton>(*page, QStringLiteral("IncludeDateButton")),
        test::partOf<QLineEdit>(*page, QStringLiteral("CaptionEdit")),
        test::partOf<QToolButton>(*page, QStringLiteral("TokenButton")) };
    // Walk the focus chain once round and note where each control comes.
    std::vector<int> seen;
    QWidget *at = test::partOf<QListWidget>(w, QStringLiteral("TodoList"));
    for (int step = 0; step < 400 && seen.size() < size_t(order.size()); ++step) {
        at = at->nextInFocusChain();
        const qsizetype i = order.indexOf(at);
        if (i >= 0)
            seen.push_back(int(i));
    }
    ASSERT_EQ(seen.size(), size_t(order.size()));
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

TEST_F(MainWindow, HelpAndSupportGoToTheDesktop)
{
    TForm1 &w = open();
    test::actionOf(w, QStringLiteral("Help"))->trigger();
    test::actionOf(w, QStringLiteral("Support"))->trigger();
    ASSERT_EQ(dialogs.opened.size(), 2u);
    EXPECT_TRUE(dialogs.opened[0].isLocalFile());
    EXPECT_TRUE(QFileInfo(dialogs.opened[0].toLocalFile()).isFile()) << dialogs.opened[0].toString().toStdString();
    EXPECT_EQ(dialogs.opened[1].scheme(), QStringLiteral("https"));
}

} // namespace
} // namespace kelvra::test
