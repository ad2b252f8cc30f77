// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog on its own and behind the main window's "Options...".
#include "ui_test_support.h"

#include "stamp/ini_file.h"
#include "stamp/settings_file.h"
#include "ui/language_list.h"
#include "ui/options_dialog.h"
#include "ui/preview_view.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace kelvra::test {
namespace {

class ThreeLanguages : public LanguageList
{
public:
    std::vector<LanguageEntry> languages() const override
    {
        return { { QStringLiteral("English"), 1033, QStringLiteral("English") },
            { QStringLiteral("German"), 1031, QStringLiteral("Deutsch") },
            { QStringLiteral("Russian"), 1049, QString::fromUtf8("Русский") },
            { QStringLiteral("Hebrew"), 1037, QString::fromUtf8("עברית") }, { QStringLiteral("Klingon"), 1 } };
    }
    int currentLocale() const override { return 1031; }
    bool switchTo(int locale) override
    {
        switched.push_back(locale);
        return canSwitch;
    }
    std::vector<int> switched;
    bool canSwitch = false;
};

// The keys of the Options section, in file order, with their values.
QStringList optionLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return { QStringLiteral("<no file>") };
    QStringList lines;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QString text = QString::fromUtf8(line).trimmed();
        if (!text.isEmpty())
            lines << text;
    }
    return lines;
}

class OptionsDialog : public ::testing::Test
{
protected:
    std::unique_ptr<TFormOptions> open(LanguageList &languages)
    {
        auto dialog = std::make_unique<TFormOptions>(options, ini, languages, dialogs);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }
    void typeQuality(TFormOptions &dialog, const QString &text)
    {
        QSpinBox *spin = test::partOf<QSpinBox>(dialog, QStringLiteral("OriginalQuality"));
        spin->setFocus();
        spin->selectAll();
        QTest::keyClick(spin, Qt::Key_Backspace);
        QTest::keyClicks(spin, text);
    }

    TempDir folder;
    QString ini = qpath(folder / "Kelvra.ini");
    AppOptions options;
    FakeDialogs dialogs;
    NoLanguages noLanguages;
};

TEST_F(OptionsDialog, ShowsTheCurrentQualityAndGpsForm)
{
    options.jpgquality = 75;
    options.GPSForm = 1;
    auto dialog = open(noLanguages);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Options..."));
    EXPECT_EQ(dialog->width(), 491);
    EXPECT_EQ(test::partOf<QSpinBox>(*dialog, QStringLiteral("OriginalQuality"))->value(), 75);
    EXPECT_EQ(test::partOf<QSpinBox>(*dialog, QStringLiteral("OriginalQuality"))->minimum(), 40);
    EXPECT_EQ(test::partOf<QSpinBox>(*dialog, QStringLiteral("OriginalQuality"))->maximum(), 100);
    EXPECT_EQ(test::partOf<QSpinBox>(*dialog, QStringLiteral("OriginalQuality"))->singleStep(), 5);
    ASSERT_EQ(test::partOf<QComboBox>(*dialog, QStringLiteral("GPSFormDown"))->count(), 3);
    EXPECT_EQ(test::partOf<QComboBox>(*dialog, QStringLiteral("GPSFormDown"))->currentIndex(), 1);
    EXPECT_EQ(test::partOf<QComboBox>(*dialog, QStringLiteral("GPSFormDown"))->itemText(0),
        QStringLiteral("Decimal Degrees (\u2066XX.XXXX\u00B0\u2069)"));
    EXPECT_EQ(test::partOf<QComboBox>(*dialog, QStringLiteral("GPSFormDown"))->itemText(1),
        QStringLiteral("Degrees, Minutes(\u2066XX\u00B0 XX.XX'\u2069)"));
    EXPECT_EQ(test::partOf<QComboBox>(*dialog, QStringLiteral("GPSFormDown"))->itemText(2),
        QStringLiteral("Degrees, Minutes, Sec (\u2066XX\u00B0 XX' XX''\u2069)"));
    EXPECT_EQ(test::partOf<QPushButton>(*dialog, QStringLiteral("BitBtn1"))->text(), QStringLiteral("Save"));
    EXPECT_TRUE(test::partOf<QPushButton>(*dialog, QStringLiteral("BitBtn1"))->isDefault());
    EXPECT_EQ(test::partOf<QPushButton>(*dialog, QStringLiteral("BitBtn2"))->text(), QStringLiteral("Cancel"));
    // No language files: nothing listed, nothing selected.
    EXPECT_EQ(test::partOf<QComboBox>(*dialog, QStringLiteral("LanguageCombo"))->count(), 0);
    EXPECT_EQ(test::partOf<QComboBox>(*dialog, QStringLiteral("LanguageCombo"))->currentIndex(), -1);
}

TEST_F(OptionsDialog, SaveWritesItsKeysInOrderIntoAFreshFile)
{
    options.FilePostfix = QStringLiteral("_dated");
    options.Language = 2057;
    options.jpgquality = 80;
    options.Skin = 3;
    auto dialog = open(noLanguages);
    test::partOf<QComboBox>(*dialog, QStringLiteral("GPSFormDown"))->setCurrentIndex(0);
    QTest::mouseClick(test::partOf<QPushButton>(*dialog, QStringLiteral("BitBtn1")), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->isVisible());
    // An empty language list leaves the pending language as it was; our own
    // quality and conflict keys follow the five of the design.
    EXPECT_EQ(optionLines(ini),
        QStringList({ "[Options]", "FilePostfix=_dated", "Language=2057", "GPSForm=0", "jpgquality=80", "Skin=3",
            "KeepQuality=0", "ExistingFiles=0" }));
    EXPECT_EQ(options.GPSForm, 0);
    EXPECT_EQ(options.jpgquality, 80);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(OptionsDialog, CancelEscAndTheCloseButtonWriteAndChangeNothing)
{
    ThreeLanguages languages;
    const AppOptions before = options;
    for (int way = 0; way < 3; ++way) {
        auto dialog = open(languages);
        typeQuality(*dialog, QStringLiteral("55"));
        test::partOf<QComboBox>(*dialog, QStringLiteral("GPSFormDown"))->setCurrentIndex(0);
        QComboBox *language = test::partOf<QComboBox>(*dialog, QStringLiteral("LanguageCombo"));
        language->setCurrentIndex(2);
        Q_EMIT language->activated(2);
        if (way == 0)
            QTest::mouseClick(test::partOf<QPushButton>(*dialog, QStringLiteral("BitBtn2")), Qt::LeftButton);
        else if (way == 1)
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        else
            dialog->close();
        EXPECT_EQ(dialog->result(), QDialog::Rejected) << way;
        EXPECT_FALSE(QFile::exists(ini)) << way;
        EXPECT_EQ(options, before) << way;
        EXPECT_TRUE(languages.switched.empty()) << way;
        // The cancelled pick is not waiting for the next dialog's "Save".
        auto next = open(languages);
        QTest::mouseClick(test::partOf<QPushButton>(*next, QStringLiteral("BitBtn1")), Qt::LeftButton);
        EXPECT_EQ(IniFile(ini).readInteger(kOptionsSection, QStringLiteral("Language"), -1), before.Language) << way;
        EXPECT_TRUE(languages.switched.empty()) << way;
        QFile::remove(ini);
    }
}

struct QualityCase
{
    const char *typed;
    int saved;
};

const QualityCase kQualities[]
    = { { "30", 40 }, { "150", 100 }, { "", 40 }, { "65", 65 }, { "100", 100 }, { "40", 40 }, { "0", 40 } };

TEST_F(OptionsDialog, QualityIsSavedWithinItsRangeByEnterAndBySave)
{
    for (const bool byEnter : { true, false }) {
        for (const QualityCase &c : kQualities) {
            QFile::remove(ini);
            auto dialog = open(noLanguages);
            typeQuality(*dialog, QString::fromLatin1(c.typed));
            if (byEnter)
                QTest::keyClick(test::partOf<QSpinBox>(*dialog, QStringLiteral("OriginalQuality")), Qt::Key_Return);
            else
                QTest::mouseClick(test::partOf<QPushButton>(*dialog, QStringLiteral("BitBtn1")), Qt::LeftButton);
            EXPECT_EQ(dialog->result(), QDialog::Accepted) << c.typed;
            EXPECT_EQ(IniFile(ini).readInteger(kOptionsSection, QStringLiteral("jpgquality"), -1), c.saved)
                << '"' << c.typed << "\" by " << (byEnter ? "Enter" : "Save");
            EXPECT_EQ(options.jpgquality, c.saved) << c.typed;
        }
    }
}

TEST_F(OptionsDialog, LanguagesAreListedInTheirOwnTongueAndOnlyASavedChangeIsSwitchedTo)
{
    ThreeLanguages languages;
    const QString isolated = QString(QChar(0x2068)) + QString::fromUtf8("עברית") + QChar(0x2069);
    struct Case
    {
        int pick; // -1: none
        bool save;
        int saved; // Language in the file; -1: no file
        bool switches; // the list can switch to it now
        std::vector<int> switched;
        bool notice; // to restart
    };
    const Case cases[] = {
        { -1, true, 0, true, {}, false }, // nothing picked
        { 1, true, 1031, true, {}, false }, // the language shown now, picked again
        { 2, false, -1, true, {}, false }, // picked, then Cancel
        { 2, true, 1049, true, { 1049 }, false },
        { 2, true, 1049, false, { 1049 }, true }, // cannot be had now: at the next start
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pick);
        QFile::remove(ini);
        options.Language = 0;
        dialogs.messages.clear();
        languages.switched.clear();
        languages.canSwitch = c.switches;
        auto dialog = open(languages);
        QComboBox *combo = test::partOf<QComboBox>(*dialog, QStringLiteral("LanguageCombo"));
        EXPECT_EQ(combo->itemText(0), QStringLiteral("English"));
        // Each own name isolated, so it keeps its direction in the list.
        EXPECT_EQ(combo->itemText(1),
            QString(QChar(0x2068)) + QStringLiteral("Deutsch") + QChar(0x2069) + QStringLiteral(" (German)"));
        EXPECT_EQ(combo->itemText(2),
            QString(QChar(0x2068)) + QString::fromUtf8("Русский") + QChar(0x2069) + QStringLiteral(" (Russian)"));
        EXPECT_EQ(combo->itemText(3), isolated + QStringLiteral(" (Hebrew)"));
        EXPECT_EQ(combo->itemText(4), QStringLiteral("Klingon")) << "no name of its own";
        EXPECT_EQ(combo->currentIndex(), 1);
        if (c.pick >= 0) {
            combo->setCurrentIndex(c.pick);
            Q_EMIT combo->activated(c.pick);
        }
        EXPECT_TRUE(dialogs.messages.empty()) << "a pick alone says nothing";
        EXPECT_EQ(options.Language, 0) << "nothing changes before Save";
        QTest::mouseClick(c.save ? test::partOf<QPushButton>(*dialog, QStringLiteral("BitBtn1"))
                                 : test::partOf<QPushButton>(*dialog, QStringLiteral("BitBtn2")),
            Qt::LeftButton);
        EXPECT_EQ(IniFile(ini).readInteger(kOptionsSection, QStringLiteral("Language"), -1), c.saved);
        EXPECT_EQ(languages.switched, c.switched);
        ASSERT_EQ(dialogs.messages.size(), c.notice ? 1u : 0u);
        if (c.notice) {
            EXPECT_EQ(dialogs.messages[0].kind, MessageKind::Warning);
            EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Attention"));
            EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("You should restart application to apply changes"));
        }
    }
}

TEST_F(OptionsDialog, AnUnwritableFileIsReported)
{
    ini = qpath(folder / "missing" / "folder" / "Kelvra.ini");
    QFile::remove(ini);
    writeFileBytes(folder / "missing", "a file where the folder should be");
    auto dialog = open(noLanguages);
    QTest::mouseClick(test::partOf<QPushButton>(*dialog, QStringLiteral("BitBtn1")), Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].kind, MessageKind::Error);
    EXPECT_TRUE(dialogs.messages[0].text.contains(ini)) << dialogs.messages[0].text.toStdString();
}

// Kept quality: the photo's own compression, so the quality box has no say.
TEST_F(OptionsDialog, KeepQualitySitsUnderTheQualityAndTakesItsSay)
{
    options.KeepQuality = true;
    auto dialog = open(noLanguages);
    QCheckBox *keep = test::partOf<QCheckBox>(*dialog, QStringLiteral("KeepQuality"));
    EXPECT_TRUE(keep->isChecked());
    EXPECT_FALSE(test::partOf<QSpinBox>(*dialog, QStringLiteral("OriginalQuality"))->isEnabled());
    EXPECT_GT(keep->geometry().top(),
        test::partOf<QSpinBox>(*dialog, QStringLiteral("OriginalQuality"))->geometry().bottom());
    EXPECT_LT(
        keep->geometry().bottom(), test::partOf<QComboBox>(*dialog, QStringLiteral("GPSFormDown"))->geometry().top());
    EXPECT_EQ(dialog->width(), 491);

    QTest::mouseClick(keep, Qt::LeftButton);
    EXPECT_TRUE(test::partOf<QSpinBox>(*dialog, QStringLiteral("OriginalQuality"))->isEnabled());
    QTest::mouseClick(keep, Qt::LeftButton);
    QTest::mouseClick(test::partOf<QPushButton>(*dialog, QStringLiteral("BitBtn1")), Qt::LeftButton);
    EXPECT_TRUE(options.KeepQuality);
    EXPECT_TRUE(optionLines(ini).contains(QStringLiteral("KeepQuality=1")));

    options.KeepQuality = false;
    auto second = open(noLanguages);
    QTest::mouseClick(test::partOf<QCheckBox>(*second, QStringLiteral("KeepQuality")), Qt::LeftButton);
    QTest::mouseClick(test::partOf<QPushButton>(*second, QStringLiteral("BitBtn2")), Qt::LeftButton);
    EXPECT_FALSE(options.KeepQuality); // Cancel changes nothing
}

// The conflict rule: the index is the value saved, and an unknown stored
// value shows as the rule a run applies to it.
TEST_F(OptionsDialog, TheConflictRuleIsSavedAndShownAgain)
{
    options.ExistingFiles = 5;
    auto first = open(noLanguages);
    QComboBox *combo = test::partOf<QComboBox>(*first, QStringLiteral("ExistingFilesCombo"));
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("Keep both"));
    EXPECT_EQ(combo->itemText(1), QStringLiteral("Replace"));
    EXPECT_EQ(combo->itemText(2), QStringLiteral("Skip"));
    EXPECT_GT(
        combo->geometry().top(), test::partOf<QCheckBox>(*first, QStringLiteral("KeepQuality"))->geometry().bottom());
    EXPECT_LT(
        combo->geometry().bottom(), test::partOf<QComboBox>(*first, QStringLiteral("GPSFormDown"))->geometry().top());
    QTest::mouseClick(test::partOf<QPushButton>(*first, QStringLiteral("BitBtn2")), Qt::LeftButton);

    for (const int rule : { 1, 2, 0 }) {
        SCOPED_TRACE(rule);
        auto dialog = open(noLanguages);
        test::partOf<QComboBox>(*dialog, QStringLiteral("ExistingFilesCombo"))->setFocus();
        // Picked from the keyboard, as a user without a mouse would.
        QTest::keyClick(test::partOf<QComboBox>(*dialog, QStringLiteral("ExistingFilesCombo")), Qt::Key_Home);
        for (int i = 0; i < rule; ++i)
            QTest::keyClick(test::partOf<QComboBox>(*dialog, QStringLiteral("ExistingFilesCombo")), Qt::Key_Down);
        QTest::mouseClick(test::partOf<QPushButton>(*dialog, QStringLiteral("BitBtn1")), Qt::LeftButton);
        EXPECT_EQ(options.ExistingFiles, rule);
        EXPECT_TRUE(optionLines(ini).contains(QStringLiteral("ExistingFiles=%1").arg(rule)))
            << optionLines(ini).join(u' ').toStdString();
        AppOptions read;
        LoadStartupOptions(ini, read);
        EXPECT_EQ(read.ExistingFiles, rule);
        auto again = open(noLanguages);
        EXPECT_EQ(test::partOf<QComboBox>(*again, QStringLiteral("ExistingFilesCombo"))->currentIndex(), rule);
    }
}

using OptionsCommand = WindowTest;

TEST_F(OptionsCommand, AGpsFormOutOfRangeIsShownAndSavedAsTwo)
{
    QDir().mkpath(dataFolder());
    writeFileBytes(config.path() / "Kelvra" / "Kelvra.ini", "[Options]\r\nGPSForm=7\r\njpgquality=85\r\n");
    TForm1 &w = open();
    QAction *options = test::actionOf(w, QStringLiteral("AOptions"));
    ASSERT_TRUE(options->isEnabled());
    int shown = -1;
    whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<TFormOptions *>(modal);
        ASSERT_TRUE(dialog);
        shown = test::partOf<QComboBox>(*dialog, QStringLiteral("GPSFormDown"))->currentIndex();
        EXPECT_EQ(test::partOf<QSpinBox>(*dialog, QStringLiteral("OriginalQuality"))->value(), 85);
        QTest::mouseClick(test::partOf<QPushButton>(*dialog, QStringLiteral("BitBtn1")), Qt::LeftButton);
    });
    options->trigger();
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(IniFile(programIniPath()).readInteger(kOptionsSection, QStringLiteral("GPSForm"), -1), 2);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // The window holds the form saved: the dialog shows it again.
    whenModal([&](QWidget *modal) {
        shown = test::partOf<QComboBox>(*modal, QStringLiteral("GPSFormDown"))->currentIndex();
        QTest::mouseClick(test::partOf<QPushButton>(*modal, QStringLiteral("BitBtn2")), Qt::LeftButton);
    });
    shown = -1;
    options->trigger();
    EXPECT_EQ(shown, 2);
}

TEST_F(OptionsCommand, ANewGpsFormRedrawsThePreviewFromTheFile)
{
    TForm1 &w = open();
    w.LoadPic(qpath(photo("gps/DSCN0010.jpg")));
    KELVRA_TRY(test::partOf<PreviewView>(w)->hasPhoto());
    const int decodes = test::partOf<PreviewView>(w)->decodeCount();
    whenModal([](QWidget *modal) {
        auto *dialog = qobject_cast<TFormOptions *>(modal);
        ASSERT_TRUE(dialog);
        test::partOf<QComboBox>(*dialog, QStringLiteral("GPSFormDown"))->setCurrentIndex(0);
        QTest::mouseClick(test::partOf<QPushButton>(*dialog, QStringLiteral("BitBtn1")), Qt::LeftButton);
    });
    test::actionOf(w, QStringLiteral("AOptions"))->trigger();
    EXPECT_EQ(IniFile(programIniPath()).readInteger(kOptionsSection, QStringLiteral("GPSForm"), -1), 0);
    KELVRA_TRY(test::partOf<PreviewView>(w)->decodeCount() > decodes);
}

// Tab walks the rows top to bottom and then the buttons, and a screen
// reader names every stop.
TEST_F(OptionsDialog, TabWalksTheRowsInOrderAndEveryStopHasAName)
{
    ThreeLanguages languages;
    auto dialog = open(languages);
    test::partOf<QSpinBox>(*dialog, QStringLiteral("OriginalQuality"))->setFocus();
    QStringList order;
    QWidget *at = test::partOf<QSpinBox>(*dialog, QStringLiteral("OriginalQuality"));
    do {
        if (at->isVisible() && at->isEnabled() && (at->focusPolicy() & Qt::TabFocus) && at->window() == dialog.get()
            && !at->focusProxy()) {
            order << at->objectName();
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(at);
            ASSERT_NE(face, nullptr);
            EXPECT_FALSE(face->text(QAccessible::Name).trimmed().isEmpty()) << at->objectName().toStdString();
        }
        at = at->nextInFocusChain();
    } while (at != test::partOf<QSpinBox>(*dialog, QStringLiteral("OriginalQuality")));
    EXPECT_EQ(order,
        QStringList({ QStringLiteral("OriginalQuality"), QStringLiteral("KeepQuality"),
            QStringLiteral("ExistingFilesCombo"), QStringLiteral("GPSFormDown"), QStringLiteral("LanguageCombo"),
            QStringLiteral("BitBtn1"), QStringLiteral("BitBtn2") }));
}

} // namespace
} // namespace kelvra::test
