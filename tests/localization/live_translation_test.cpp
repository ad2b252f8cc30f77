// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/test_support.h"
#include "localization/module_fixture.h"

#include "localization/codepage.h"
#include "localization/form_stream.h"
#include "localization/lang_file.h"
#include "localization/live_translation.h"
#include "localization/localizer.h"
#include "localization/res_module.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace kelvra {
namespace {

using namespace test;

// A window addressed the way the fixture's language files address it.
struct Window
{
    QMainWindow main;
    QWidget *pane;
    QLabel *label;
    QPushButton *button;
    QComboBox *combo;
    QTabWidget *pages;
    QLabel *panel1;
    QLabel *panel2;

    Window()
    {
        const FixtureTexts &t = textsOf(kEnglish);
        main.setObjectName(QStringLiteral("Form1"));
        main.setWindowTitle(QString::fromUtf8(t.Caption));
        auto *central = new QWidget(&main);
        main.setCentralWidget(central);
        auto *layout = new QVBoxLayout(central);
        pane = new QWidget(central);
        pane->setObjectName(QStringLiteral("BottomPane"));
        label = new QLabel(QString::fromUtf8(t.Label), pane);
        label->setObjectName(QStringLiteral("Label1"));
        QFont font = label->font();
        font.setFamily(QString::fromUtf8(t.Font));
        label->setFont(font);
        button = new QPushButton(QStringLiteral("Start"), central);
        button->setObjectName(QStringLiteral("Button1"));
        button->setToolTip(QString::fromUtf8(t.Hint));
        combo = new QComboBox(central);
        combo->setObjectName(QStringLiteral("Combo1"));
        combo->addItems({ QStringLiteral("First"), QStringLiteral("Second") });
        pages = new QTabWidget(central);
        pages->setObjectName(QStringLiteral("PageControl1"));
        pages->addTab(new QWidget, QStringLiteral("Label"));
        pages->addTab(new QWidget, QString::fromUtf8(t.Label));
        for (QWidget *w :
            { pane, static_cast<QWidget *>(button), static_cast<QWidget *>(combo), static_cast<QWidget *>(pages) })
            layout->addWidget(w);
        main.statusBar()->setObjectName(QStringLiteral("StatusBar1"));
        panel1 = new QLabel(QStringLiteral("Path"));
        panel2 = new QLabel(QString::fromUtf8(t.Panel));
        main.statusBar()->addWidget(panel1);
        main.statusBar()->addWidget(panel2, 1);
    }

    // Every translatable value of the window, in a fixed order.
    QStringList values() const
    {
        return { main.windowTitle(), label->text(), label->font().family(), button->toolTip(), combo->itemText(0),
            combo->itemText(1), pages->tabText(0), pages->tabText(1), panel1->text(), panel2->text(),
            main.layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl") : QStringLiteral("ltr") };
    }
    // What a language's file says those values are.
    static QStringList expected(quint16 locale)
    {
        const FixtureTexts &t = textsOf(locale);
        const QStringList items = QString::fromUtf8(t.Items).split(QStringLiteral("\r\n"));
        return { QString::fromUtf8(t.Caption), QString::fromUtf8(t.Label), QString::fromUtf8(t.Font),
            QString::fromUtf8(t.Hint), items[0], items[1], QStringLiteral("Label"), QString::fromUtf8(t.Label),
            QStringLiteral("Path"), QString::fromUtf8(t.Panel),
            locale == kHebrew ? QStringLiteral("rtl") : QStringLiteral("ltr") };
    }
};

// The fixture's language files in a folder, the program's own definition of
// its window made from the window itself (as the build makes it), and a
// localizer over them.
class FormDefinitions : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (quint16 locale : { kEnglish, kGerman, kFrench, kHebrew }) {
            const QString ext = locale == kEnglish ? QStringLiteral("ntv") : langFileExtension(locale, false);
            writeLangFile(folder + QStringLiteral("/Kelvra.%1.lng").arg(ext), fixtureContent(locale));
        }
        TLocStorage native;
        TLangFile(folder + QStringLiteral("/Kelvra.ntv.lng"), true).Load(&native, -1);
        Window designed;
        const TFormObject definition = TLiveTranslator::CaptureDefinition(&designed.main, *native.Forms.Find("Form1"));
        EXPECT_EQ(definition.ClassName, "TForm1");
        TResourceSet own = programResources();
        own.RCData.Put("TFORM1", writeFormDefinition(definition));
        utils = std::make_unique<TKLocUtils>(own);
        loc = std::make_unique<TKLocalizerOnFly>(folder + QStringLiteral("/Kelvra"), *utils);
        loc->ErrorReaction = TErrorReaction::erException;
        loc->Init(folder);
        loc->SetDLLDir(folder);
    }

    // What the program does to a window: the active resources' definition.
    int translate(Window &window) const
    {
        const int applied = TLiveTranslator::ApplyStoredDefinition(
            &window.main, utils->FormDefinition("TForm1"), quint16(loc->CurrentLocale));
        window.main.setLayoutDirection(loc->LangIndex > 0 && loc->IsRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
        return applied;
    }

    TempDir dir;
    QString folder = QString::fromStdString(dir.path().string());
    std::unique_ptr<TKLocUtils> utils;
    std::unique_ptr<TKLocalizerOnFly> loc;
};

// A window open through every switch and one created in each language both
// reach every property; the native language restores the open one.
TEST_F(FormDefinitions, OpenAndNewWindowsTakeEveryLanguageFromTheActiveModule)
{
    Window open;
    const QStringList before = open.values();
    ASSERT_EQ(before, Window::expected(kEnglish));
    loc->OnRetranslate = [&] { translate(open); };
    for (quint16 locale : { kGerman, kFrench, kHebrew, quint16(0) }) {
        loc->SwitchTo(locale);
        const quint16 shown = locale ? locale : kEnglish;
        EXPECT_EQ(open.values(), Window::expected(shown)) << locale;
        Window created;
        EXPECT_EQ(translate(created), 7) << locale; // Panels[2] is beyond the status bar's two parts
        EXPECT_EQ(created.values(), Window::expected(shown)) << locale;
    }
    EXPECT_EQ(open.values(), before);
    // A damaged definition leaves the window as it was.
    EXPECT_EQ(TLiveTranslator::ApplyStoredDefinition(&open.main, "TPF0 damaged", kGerman), 0);
    EXPECT_EQ(open.values(), before);
}

// A translation older than its native text shows the native text, unless the
// language file says untranslated values stand as they are.
TEST_F(FormDefinitions, UntranslatedValuesShowTheNativeTextUnlessShownAsTheyStand)
{
    loc->SwitchTo(kGerman);
    const int de = loc->LangIndex;
    TLocProperty *hint = loc->LocStorage.FindProperty("Form1", "Button1", "Hint");
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->ValueFor(de, false).Value(), QString::fromUtf8(textsOf(kGerman).Hint));
    hint->Values[de].ValueVersion = hint->Values[0].ValueVersion - 1;
    EXPECT_EQ(hint->ValueFor(de, false).Value(), QString::fromUtf8(textsOf(kEnglish).Hint));
    EXPECT_EQ(hint->ValueFor(de, true).Value(), QString::fromUtf8(textsOf(kGerman).Hint));
}

TEST(PropertyPaths, StoredNamesResolveOntoQtProperties)
{
    QMainWindow main;
    main.setObjectName(QStringLiteral("Form1"));
    auto *group = new QGroupBox(&main);
    group->setObjectName(QStringLiteral("TodoGroup"));
    auto *label = new QLabel(group);
    label->setObjectName(QStringLiteral("Label1"));
    auto *action = new QAction(&main);
    action->setObjectName(QStringLiteral("AcDate"));
    auto *menu = new QMenu(&main);
    menu->setObjectName(QStringLiteral("File1"));
    auto *tree = new QTreeWidget(&main);
    tree->setObjectName(QStringLiteral("FolderBrowser"));
    tree->setColumnCount(2);

    const struct
    {
        const char *component;
        const char *path;
        const char *value;
        std::function<QString()> read;
    } cases[] = {
        { "", "Caption", "Window", [&] { return main.windowTitle(); } },
        { "TodoGroup", "Caption", "TO DO", [&] { return group->title(); } },
        { "TodoGroup.Label1", "Caption", "Label", [&] { return label->text(); } },
        { "Label1", "Hint", "Tip", [&] { return label->toolTip(); } },
        { "Label1", "Indent", "5", [&] { return QString::number(label->indent()); } },
        { "Label1", "WordWrap", "1", [&] { return QString::number(label->wordWrap()); } },
        { "Label1.Font", "Name", "DejaVu Serif", [&] { return label->font().family(); } },
        { "Label1", "Font.Size", "17", [&] { return QString::number(label->font().pointSize()); } },
        { "AcDate", "Caption", "Date", [&] { return action->text(); } },
        { "AcDate", "Hint", "Insert the date", [&] { return action->toolTip(); } },
        { "File1", "Caption", "&File", [&] { return menu->title(); } },
        { "FolderBrowser.Columns[1]", "Caption", "Size", [&] { return tree->headerItem()->text(1); } },
    };
    for (const auto &c : cases) {
        const auto target = TLiveTranslator::ResolveComponent(&main, c.component);
        ASSERT_TRUE(target) << c.component;
        const auto access = TLiveTranslator::Access(*target, c.path);
        ASSERT_TRUE(access) << c.component << " " << c.path;
        access->Set(QString::fromUtf8(c.value));
        EXPECT_EQ(c.read(), QString::fromUtf8(c.value)) << c.component << " " << c.path;
        EXPECT_EQ(access->Get(), QString::fromUtf8(c.value)) << c.component << " " << c.path;
    }

    // What does not resolve is skipped, never guessed.
    EXPECT_FALSE(TLiveTranslator::ResolveComponent(&main, "Missing.Label1"));
    EXPECT_FALSE(TLiveTranslator::ResolveComponent(&main, "FolderBrowser.Columns[2]"));
    EXPECT_FALSE(TLiveTranslator::ResolveComponent(&main, "FolderBrowser.Columns[x]"));
    EXPECT_FALSE(TLiveTranslator::ResolveComponent(&main, "TodoGroup.Panels[0]"));
    const auto labelTarget = TLiveTranslator::ResolveComponent(&main, "Label1");
    EXPECT_FALSE(TLiveTranslator::Access(*labelTarget, "Nonsense"));
    EXPECT_FALSE(TLiveTranslator::Access(*labelTarget, "Font.Charset"));
}

} // namespace
} // namespace kelvra
