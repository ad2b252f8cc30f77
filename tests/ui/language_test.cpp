// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped languages on the real windows: made in a language from the
// start, switched to while open, and back.
#include "ui_test_support.h"

#include "localization/form_harvest.h"
#include "localization/lang_file.h"
#include "localization/live_translation.h"
#include "localization/module_settings.h"
#include "localization/res_image.h"
#include "platform/data_folder.h"
#include "stamp/ini_file.h"
#include "stamp/settings_file.h"
#include "stamp/stamp_settings.h"
#include "ui/about_window.h"
#include "ui/language_wiring.h"
#include "ui/look_gallery.h"
#include "ui/options_dialog.h"
#include "ui/photo_list_model.h"
#include "ui/photo_strip.h"
#include "ui/progress_window.h"
#include "ui/splash_window.h"
#include "ui/window_batch.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>

#include <filesystem>
#include <map>
#include <set>

namespace kelvra {
namespace {

using namespace test;
namespace fs = std::filesystem;

struct Shipped
{
    quint16 locale;
    const char *file;
    bool rightToLeft;
};
constexpr Shipped kShipped[] = {
    { 0x0407, "Kelvra.DEU.lng", false },
    { 0x040C, "Kelvra.FRA.lng", false },
    { 0x0419, "Kelvra.RUS.lng", false },
    { 0x040D, "Kelvra.HEB.lng", true },
};

QString langFile(const char *name)
{
    return languageFolder() + QLatin1Char('/') + QLatin1String(name);
}

QStringList linesOf(const QString &text)
{
    return text.split(QRegularExpression(QStringLiteral("\r?\n")), Qt::SkipEmptyParts);
}

// What the files say, read without the program's switching: the native file
// and one translation in a store of their own.
struct Expected
{
    TLocStorage store;
    int index = 0;
    bool asIs = false;
    std::set<QString> nativeOnly; // native lines whose translation differs

    explicit Expected(const Shipped &language)
    {
        TLangFile native(langFile("Kelvra.ntv.lng"), true);
        native.Load(&store, -1);
        TLangFile translation(langFile(language.file), true);
        index = store.AddLanguage(0, language.locale);
        translation.Load(&store, index);
        asIs = translation.GetAttribute(faUntranslatedAsIs);
        auto note = [&](const TLocValueList &values) {
            const QStringList from = linesOf(values[0].Value());
            const QStringList to = linesOf(values[index].Value());
            for (qsizetype i = 0; i < from.size() && i < to.size(); ++i)
                if (from[i] != to[i])
                    nativeOnly.insert(from[i]);
        };
        for (const auto &form : store.Forms) {
            for (const auto &p : form->Properties)
                note(p->Values);
            for (const auto &c : form->Components)
                for (const auto &p : c->Properties)
                    note(p->Values);
        }
        for (const auto &unit : store.Units)
            for (const auto &c : unit->Constants)
                note(c->Values);
    }
};

// The program's windows, opened the way the program opens them.
struct Windows
{
    AppOptions options;
    FakeDialogs dialogs;
    std::unique_ptr<TForm1> main;
    std::unique_ptr<TFormOptions> optionsDialog;
    std::unique_ptr<TLogoForm> splash;

    explicit Windows(LanguageList &languages)
    {
        main = std::make_unique<TForm1>(dialogs);
        main->setLanguageList(&languages);
        main->show();
        optionsDialog = std::make_unique<TFormOptions>(options, QString(), languages, dialogs, main.get());
        optionsDialog->show();
        test::partOf<TAboutBox>(*main)->show();
        test::partOf<TProgressForm>(*main)->show();
        splash = std::make_unique<TLogoForm>();
        splash->show();
    }
    std::vector<std::pair<QByteArray, QWidget *>> all() const
    {
        return { { "Form1", main.get() }, { "FormOptions", optionsDialog.get() },
            { "AboutBox", test::partOf<TAboutBox>(*main) }, { "ProgressForm", test::partOf<TProgressForm>(*main) },
            { "LogoForm", splash.get() } };
    }
};

// Every stored property of the form against what the window shows.
int compareWithFile(QWidget *window, const TLocForm &form, const Expected &expected, const char *language)
{
    int compared = 0;
    auto check = [&](const TComponentTarget &target, const TLocProperty &p, const QByteArray &component) {
        const std::optional<TPropertyAccess> access = TLiveTranslator::Access(target, p.Name);
        ASSERT_TRUE(access) << component.constData() << '.' << p.Name.constData();
        EXPECT_EQ(access->Get(), p.ValueFor(expected.index, expected.asIs).Value())
            << language << ' ' << form.Name.constData() << '.' << component.constData() << '.' << p.Name.constData();
        ++compared;
    };
    for (const auto &p : form.Properties)
        check({ window, {}, -1, {} }, *p, {});
    for (const auto &c : form.Components) {
        const std::optional<TComponentTarget> target = TLiveTranslator::ResolveComponent(window, c->Name);
        EXPECT_TRUE(target) << form.Name.constData() << '.' << c->Name.constData();
        if (target)
            for (const auto &p : c->Properties)
                check(*target, *p, c->Name);
    }
    return compared;
}

// The live values of every stored property of the form, in the store's order.
QStringList propertyValues(QWidget *window, const TLocForm &form)
{
    QStringList values;
    auto read = [&](const TComponentTarget &target, const TLocProperty &p) {
        const std::optional<TPropertyAccess> access = TLiveTranslator::Access(target, p.Name);
        values << (access ? access->Get() : QStringLiteral("<none>"));
    };
    for (const auto &p : form.Properties)
        read({ window, {}, -1, {} }, *p);
    for (const auto &c : form.Components)
        if (const std::optional<TComponentTarget> target = TLiveTranslator::ResolveComponent(window, c->Name))
            for (const auto &p : c->Properties)
                read(*target, *p);
    return values;
}

// The texts a user sees on a window: every visible widget's and action's.
QStringList visibleTexts(QWidget *window)
{
    QStringList texts;
    QList<QObject *> objects = window->findChildren<QObject *>();
    objects.prepend(window);
    for (QObject *object : objects) {
        if (object->property(kNotTranslated).toBool())
            continue;
        auto *widget = qobject_cast<QWidget *>(object);
        // A menu's title shows in the menu bar while the menu itself is hidden.
        const bool menu = qobject_cast<QMenu *>(object);
        if (widget && widget != window && !menu && (widget->window() != window || !widget->isVisibleTo(window)))
            continue;
        if (!widget && !qobject_cast<QAction *>(object))
            continue;
        const TComponentTarget self { object, {}, -1, {} };
        for (const char *path : { "Caption", "Hint", "AccessibleName", "Items.Strings", "PlaceholderText" })
            if (const std::optional<TPropertyAccess> access = TLiveTranslator::Access(self, path))
                texts << linesOf(access->Get());
    }
    return texts;
}

class ShippedLanguages : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        for (const Shipped &language : kShipped)
            ASSERT_TRUE(QFileInfo::exists(langFile(language.file))) << language.file;
    }
};

TEST_F(ShippedLanguages, WindowsAreMadeInTheSavedLanguageWithNoNativeTextLeft)
{
    for (const Shipped &language : kShipped) {
        SCOPED_TRACE(language.file);
        const Expected expected(language);
        // As the program starts: the language saved in its INI.
        QDir().mkpath(dataFolder());
        ASSERT_TRUE(IniFile(programIniPath())
                        .writeInteger(QStringLiteral("Options"), QStringLiteral("Language"), language.locale));
        InterfaceLanguage interface(languageFolder(), ReadLanguage(programIniPath()));
        ASSERT_EQ(interface.StartFailure(), QString());
        EXPECT_EQ(interface.Localizer().CurrentLocale, language.locale);
        EXPECT_EQ(interface.Languages().currentLocale(), int(language.locale));
        Windows windows(interface.Languages());
        for (const auto &[name, window] : windows.all()) {
            const TLocForm *form = expected.store.Forms.Find(name);
            ASSERT_TRUE(form) << name.constData();
            EXPECT_GT(compareWithFile(window, *form, expected, language.file), 0);
            for (const QString &text : visibleTexts(window))
                EXPECT_EQ(expected.nativeOnly.count(text), 0u)
                    << language.file << ": " << name.constData() << " shows the native \"" << text.toStdString() << '"';
            EXPECT_EQ(window->layoutDirection() == Qt::RightToLeft, language.rightToLeft) << name.constData();
        }
        // A translated menu, opened, has an access key on every item, none twice in one menu.
        std::vector<QWidget *> menus { windows.main->menuBar() };
        for (QMenu *menu : windows.main->menuBar()->findChildren<QMenu *>())
            menus.push_back(menu);
        for (QWidget *holder : menus) {
            if (auto *menu = qobject_cast<QMenu *>(holder))
                Q_EMIT menu->aboutToShow();
            std::set<QString> keys;
            for (const QAction *a : holder->actions()) {
                if (a->isSeparator() || !a->isVisible())
                    continue;
                const QString key = QKeySequence::mnemonic(a->text()).toString().toLower();
                EXPECT_FALSE(key.isEmpty()) << language.file << ": no key on " << a->text().toStdString();
                EXPECT_TRUE(key.isEmpty() || keys.insert(key).second)
                    << language.file << ": " << holder->objectName().toStdString() << " gives " << key.toStdString()
                    << " twice, the second to " << a->text().toStdString();
            }
        }
        // Messages come from the string table of the language too.
        const TLocConstant *title = expected.store.FindConstant("LocErrors", "SErrorBoxTitle");
        ASSERT_TRUE(title);
        EXPECT_EQ(QCoreApplication::translate("TForm1", "Process finished. See photos in"),
            expected.store.FindConstByValue(QStringLiteral("Process finished. See photos in"))
                ->ValueFor(expected.index, expected.asIs)
                .Value());
    }
}

TEST_F(ShippedLanguages, SwitchingWhileOpenTranslatesAndNativeRestoresEveryProperty)
{
    InterfaceLanguage interface(languageFolder(), 0);
    ASSERT_EQ(interface.StartFailure(), QString());
    Windows windows(interface.Languages());
    const TLocStorage &store = interface.Localizer().LocStorage;
    std::map<QByteArray, QStringList> before;
    std::map<QByteArray, QStringList> shownBefore;
    for (const auto &[name, window] : windows.all()) {
        ASSERT_TRUE(store.Forms.Find(name)) << name.constData();
        before[name] = propertyValues(window, *store.Forms.Find(name));
        shownBefore[name] = visibleTexts(window);
    }
    for (const Shipped &language : kShipped) {
        SCOPED_TRACE(language.file);
        ASSERT_TRUE(interface.Languages().switchTo(language.locale));
        ASSERT_EQ(interface.Localizer().CurrentLocale, language.locale);
        const Expected expected(language);
        for (const auto &[name, window] : windows.all()) {
            compareWithFile(window, *expected.store.Forms.Find(name), expected, language.file);
            EXPECT_EQ(window->layoutDirection() == Qt::RightToLeft, language.rightToLeft) << name.constData();
        }
        EXPECT_TRUE(interface.Languages().switchTo(0));
        EXPECT_EQ(interface.Languages().currentLocale(), int(interface.Localizer().GetNativeLocale()));
        for (const auto &[name, window] : windows.all()) {
            EXPECT_EQ(propertyValues(window, *store.Forms.Find(name)), before[name]) << name.constData();
            EXPECT_EQ(visibleTexts(window), shownBefore[name]) << name.constData();
            EXPECT_EQ(window->layoutDirection(), Qt::LeftToRight) << name.constData();
        }
    }
}

// A language picked in Options and saved is the interface at once: the open
// window's commands, pages and status texts in it, and its direction.
TEST_F(ShippedLanguages, SavingAnotherLanguageInOptionsSwitchesTheOpenWindow)
{
    InterfaceLanguage interface(languageFolder(), 0);
    ASSERT_EQ(interface.StartFailure(), QString());
    TForm1 &w = openWithPhoto();
    w.setLanguageList(&interface.Languages());
    w.photoList().add(m_photo);
    const QLabel *count = test::partOf<QLabel>(w, QStringLiteral("FilesToProcess"));
    const QLabel *date = test::partOf<QLabel>(w, QStringLiteral("PhotoDateSource"));
    KELVRA_TRY(date->text().startsWith(QLatin1String("Date ")));
    // A window open beside the main one follows too.
    test::actionOf(w, QStringLiteral("LookGalleryAction"))->trigger();
    const QWidget *gallery = test::partOf<LookGallery>(w);
    const struct
    {
        int locale;
        const char *menu, *open, *count, *task, *date, *strip, *looks;
        bool rightToLeft;
    } steps[] = {
        { 0x0407, "Datei", "Öffnen...", "Zu verarbeitende Dateien: 1", "Fotos beschriften", "Datum ",
            "Zu verarbeitende Fotos", "Stile", false },
        { 0x040D, "קובץ", "פתח...", "קבצים לעיבוד: 1", "הטבע כיתוב בתמונות", "תאריך ", "תמונות לעיבוד", "סגנונות",
            true },
        { int(interface.Localizer().GetNativeLocale()), "File", "Open...", "Files to process: 1", "Stamp photos",
            "Date ", "Photos to process", "Looks", false },
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.locale);
        whenModal([&](QWidget *modal) {
            auto *combo = test::partOf<QComboBox>(*modal, QStringLiteral("LanguageCombo"));
            combo->setFocus();
            QTest::keyClick(combo, Qt::Key_Home);
            while (combo->currentData().toInt() != step.locale && combo->currentIndex() + 1 < combo->count())
                QTest::keyClick(combo, Qt::Key_Down);
            QTest::mouseClick(test::partOf<QPushButton>(*modal, QStringLiteral("BitBtn1")), Qt::LeftButton);
        });
        test::actionOf(w, QStringLiteral("AOptions"))->trigger();
        EXPECT_EQ(IniFile(programIniPath()).readInteger(kOptionsSection, QStringLiteral("Language"), -1), step.locale);
        EXPECT_EQ(interface.Languages().currentLocale(), step.locale);
        // The texts made from the state follow when the change reaches the window.
        KELVRA_TRY(count->text() == QString::fromUtf8(step.count));
        EXPECT_EQ(count->accessibleName(), count->text());
        EXPECT_EQ(withoutMnemonic(w.menuBar()->actions().constFirst()->text()), QString::fromUtf8(step.menu));
        EXPECT_EQ(withoutMnemonic(test::actionOf(w, QStringLiteral("AOpen"))->text()), QString::fromUtf8(step.open));
        EXPECT_EQ(
            test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(0)->text(), QString::fromUtf8(step.task));
        EXPECT_EQ(test::partOf<QGroupBox>(w, QStringLiteral("SettingsFrame"))->title(), QString::fromUtf8(step.task));
        EXPECT_TRUE(date->text().startsWith(QString::fromUtf8(step.date))) << date->text().toStdString();
        EXPECT_EQ(test::partOf<PhotoStrip>(w)->accessibleName(), QString::fromUtf8(step.strip));
        EXPECT_EQ(gallery->windowTitle(), QString::fromUtf8(step.looks));
        EXPECT_EQ(w.layoutDirection() == Qt::RightToLeft, step.rightToLeft);
        EXPECT_EQ(gallery->layoutDirection() == Qt::RightToLeft, step.rightToLeft);
        EXPECT_EQ(QApplication::layoutDirection() == Qt::RightToLeft, step.rightToLeft);
        EXPECT_TRUE(dialogs.messages.empty()) << "no restart asked for";
    }
    window.reset();
}

// Every word of the native file that is a word of letters: what must not
// show in a translated window.
std::set<QString> nativeWords(const TLocStorage &store)
{
    std::set<QString> words;
    auto add = [&words](const TLocValueList &values) {
        for (const QString &word : values[0].Value().split(QRegularExpression(QStringLiteral("[^\\p{L}]+"))))
            if (word.size() > 2)
                words.insert(word.toLower());
    };
    for (const auto &form : store.Forms) {
        for (const auto &p : form->Properties)
            add(p->Values);
        for (const auto &c : form->Components)
            for (const auto &p : c->Properties)
                add(p->Values);
    }
    for (const auto &unit : store.Units)
        for (const auto &c : unit->Constants)
            add(c->Values);
    return words;
}

TEST_F(ShippedLanguages, ARunShowsItsCountInTheInterfaceLanguageAndToAScreenReader)
{
    fs::create_directories(work / "in");
    QStringList queued;
    for (int i = 1; i <= 3; ++i) {
        const fs::path path = work / "in" / ("p" + std::to_string(i) + ".jpg");
        writeFileBytes(path, readFileBytes(photo("gps/DSCN0010.jpg")));
        queued << qpath(path);
    }
    for (const Shipped &language : { kShipped[0], kShipped[3] }) {
        SCOPED_TRACE(language.file);
        const Expected expected(language);
        const std::set<QString> english = nativeWords(expected.store);
        ASSERT_TRUE(english.count(QStringLiteral("processing")));
        InterfaceLanguage interface(languageFolder(), language.locale);
        ASSERT_EQ(interface.StartFailure(), QString());
        TForm1 &w = open();
        w.photoList().add(queued);
        const fs::path out = work / (std::string("out-") + language.file);
        fs::create_directories(out);
        dialogs.fileAnswers = { qpath(out) };

        // Read after the progress window has taken each step, while the run goes on.
        struct Seen
        {
            QString text, spoken;
            bool visible;
        };
        std::vector<Seen> seen;
        QLabel *label = test::partOf<QLabel>(w, QStringLiteral("Label1"));
        QMetaObject::Connection watch = QObject::connect(&w, &TForm1::runStarting, [&](WindowBatch *batch) {
            QObject::connect(batch, &WindowBatch::step, label, [&]() {
                seen.push_back({ label->text(), QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name),
                    test::partOf<TProgressForm>(w)->isVisible() });
            });
        });
        QSignalSpy finished(&w, &TForm1::runFinished);
        test::actionOf(w, QStringLiteral("ProcessPhotos"))->trigger();
        QObject::disconnect(watch);
        ASSERT_TRUE(finished.count() == 1 || finished.wait(60000));
        ASSERT_EQ(seen.size(), 3u);
        for (int position = 1; position <= 3; ++position) {
            const Seen &step = seen[size_t(position - 1)];
            EXPECT_TRUE(step.visible);
            EXPECT_TRUE(step.text.contains(QStringLiteral("%1/3").arg(position))) << step.text.toStdString();
            EXPECT_EQ(step.spoken, step.text);
            for (const QString &word :
                step.text.split(QRegularExpression(QStringLiteral("[^\\p{L}]+")), Qt::SkipEmptyParts))
                EXPECT_EQ(english.count(word.toLower()), 0u)
                    << "native word \"" << word.toStdString() << "\" in " << step.text.toStdString();
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 3);
        window.reset();
    }
}

TEST_F(ShippedLanguages, ASavedLanguageThatCannotBeHadStartsInTheNativeOne)
{
    // A locale without a file, one whose module in the data folder is damaged
    // (made anew), and the native one.
    QDir().mkpath(dataFolder());
    QFile junk(dataFolder() + QStringLiteral("/Kelvra.DEU"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("MZ not a module");
    junk.close();
    for (int saved : { 0x0416, 0x0407, 0 }) {
        InterfaceLanguage interface(languageFolder(), saved);
        EXPECT_EQ(interface.StartFailure().isEmpty(), saved != 0x0416) << interface.StartFailure().toStdString();
        Windows windows(interface.Languages());
        EXPECT_EQ(test::actionOf(*windows.main, QStringLiteral("AOpen"))->text(),
            saved == 0x0407 ? QString::fromUtf8("\xC3\x96&ffnen...") : QStringLiteral("&Open..."));
        if (saved == 0x0407)
            EXPECT_EQ(interface.Localizer().CurrentLocale, 0x0407u);
        else
            EXPECT_EQ(interface.Localizer().LangIndex, 0) << saved;
    }
}

TEST_F(ShippedLanguages, TheGermanModuleIsALibraryImageReusedUntilTheFileChanges)
{
    const QString module = dataFolder() + QStringLiteral("/Kelvra.DEU");
    TLangFile german(langFile("Kelvra.DEU.lng"), true);
    std::optional<InterfaceLanguage> interface(std::in_place, languageFolder(), 0x0407);
    ASSERT_TRUE(QFileInfo::exists(module));

    if (test::toolAvailable("wrestool")) {
        const test::CommandResult listing = test::runTool({ "wrestool", "-l", module.toStdString() });
        EXPECT_EQ(listing.exitCode, 0) << listing.err;
        for (const char *part : { "--type=6 ", "--type=10 ", "--name='TFORM1'", "--name='TFORMOPTIONS'" })
            EXPECT_TRUE(test::contains(listing.out, part)) << part << '\n' << listing.out;
    }
    const test::CommandResult pe = test::runTool({ "/usr/bin/python3", "-c",
        "import pefile,sys\npe=pefile.PE(sys.argv[1])\n"
        "print(hex(pe.FILE_HEADER.Machine), [s.Name.rstrip(b'\\0').decode() for s in pe.sections])",
        module.toStdString() });
    if (pe.exitCode == 0) {
        EXPECT_EQ(pe.out, "0x14c ['.rsrc']\n");
    }

    // The settings record, byte for byte.
    QByteArray record;
    QDataStream out(&record, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("LDLL", 4);
    out << qint32(606) << quint16(0x0407) << quint16(6);
    out.writeRawData("German", 6);
    out << quint16(7);
    for (const QChar c : QStringLiteral("Deutsch"))
        out << quint16(c.unicode());
    out << quint16(6) << quint16(german.Version) << quint32(german.Build) << quint8(0);
    const TResourceSet resources = TPEReader::ReadFile(module);
    ASSERT_TRUE(resources.RCData.Find(kLibSettingsName));
    EXPECT_EQ(resources.RCData.Find(kLibSettingsName)->Data.toHex(' '), record.toHex(' '));

    // A second start takes the module as it is; a changed file makes it anew.
    const QDateTime made = QFileInfo(module).lastModified();
    interface.reset();
    interface.emplace(languageFolder(), 0x0407);
    EXPECT_EQ(QFileInfo(module).lastModified(), made);
    interface.reset();
    const QString folder = qpath(work.path());
    for (const char *name : { "Kelvra.ntv.lng", "Kelvra.DEU.lng" })
        ASSERT_TRUE(QFile::copy(langFile(name), folder + QLatin1Char('/') + QLatin1String(name)));
    {
        TLangFile changed(folder + QStringLiteral("/Kelvra.DEU.lng"), false);
        changed.Build += 1;
        changed.SaveHeader(changed.FileName);
    }
    interface.emplace(folder, 0x0407);
    EXPECT_EQ(interface->Localizer().CurrentLocale, 0x0407u);
    const std::optional<TLibSettings> rebuilt = settingsOf(TPEReader::ReadFile(module), true);
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(rebuilt->Build, german.Build + 1);
}

} // namespace
} // namespace kelvra
