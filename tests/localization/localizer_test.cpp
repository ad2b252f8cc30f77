// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/test_support.h"
#include "localization/module_fixture.h"

#include "localization/embedded_langs.h"
#include "localization/lang_file.h"
#include "localization/lf_info_list.h"
#include "localization/loc_errors.h"
#include "localization/localizer.h"
#include "localization/res_module.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace kelvra {
namespace {

using namespace test;

QString str(const std::filesystem::path &p)
{
    return QString::fromStdString(p.string());
}

// A language folder with the native file and three translations, a data
// folder for the modules, and a program named Kelvra beside them.
class LanguageFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        langDir = str(dir.path());
        dataDir = str(dir / "data");
        QDir().mkpath(dataDir);
        program = langDir + QStringLiteral("/Kelvra");
        for (quint16 locale : { kEnglish, kGerman, kFrench, kHebrew })
            writeLang(locale);
    }

    QString langPath(quint16 locale) const
    {
        static const std::map<quint16, const char *> names { { kEnglish, "Kelvra.ntv.lng" },
            { kGerman, "Kelvra.DEU.lng" }, { kFrench, "Kelvra.FRA.lng" }, { kHebrew, "Kelvra.HEB.lng" } };
        return langDir + QLatin1Char('/') + QString::fromLatin1(names.at(locale));
    }
    void writeLang(quint16 locale, qint32 version = 3, quint32 build = 7)
    {
        writeLangFile(langPath(locale), fixtureContent(locale, version, build));
    }
    QString modulePath(const char *name) const { return dataDir + QLatin1Char('/') + QString::fromLatin1(name); }

    std::unique_ptr<TKLocalizerOnFly> start(TKLocUtils &utils)
    {
        auto loc = std::make_unique<TKLocalizerOnFly>(program, utils);
        loc->ErrorReaction = TErrorReaction::erException;
        loc->Init(langDir);
        loc->SetDLLDir(dataDir);
        return loc;
    }

    static void age(const QString &path)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(12, 0)), QFileDevice::FileModificationTime));
    }
    static QDateTime mtime(const QString &path) { return QFileInfo(path).lastModified(); }

    TempDir dir;
    QString langDir;
    QString dataDir;
    QString program;
};

TEST_F(LanguageFolder, ListHoldsOneEntryPerLocaleSortedByEnglishName)
{
    QFile broken(langDir + QStringLiteral("/Kelvra.xyz.lng"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a language file");
    broken.close();
    QFile::rename(langPath(kFrench), langDir + QStringLiteral("/kelvra.fra.LNG"));

    TLFInfoList list;
    list.Rebuild(langDir, QStringLiteral("Kelvra"));
    std::vector<QByteArray> names;
    for (int i = 0; i < list.Count(); ++i)
        names.push_back(list.GetItem(i).EnglishName);
    EXPECT_EQ(names, (std::vector<QByteArray> { "English", "French", "German", "Hebrew" }));
    const TLFInfo &french = list.GetItem(list.IndexByLocale(kFrench));
    EXPECT_EQ(french.FileName, QStringLiteral("kelvra.fra.LNG"));
    EXPECT_EQ(french.GetFullFileName(), langDir + QStringLiteral("/kelvra.fra.LNG"));
    EXPECT_EQ(french.LocalizedName, QStringLiteral("Français"));
    EXPECT_EQ(french.Version, 3u);
    EXPECT_EQ(french.Build, 7u);
    EXPECT_FALSE(french.Native);
    EXPECT_EQ(list.NativeIndex(), list.IndexByLocale(kEnglish));
    EXPECT_FALSE(list.IsResLanguage(kFrench));
}

TEST_F(LanguageFolder, TwoFilesOfOneLocaleGiveOneEntry)
{
    TLangFileContent austrian = fixtureContent(kGerman, 9, 11);
    austrian.Header.LangEnglishName = "German (Austria)";
    austrian.Header.LangLocalizedName = QStringLiteral("Deutsch (Österreich)");
    writeLangFile(langDir + QStringLiteral("/Kelvra.DEA.lng"), austrian); // found before DEU

    TLFInfoList list;
    list.Rebuild(langDir, QStringLiteral("Kelvra"));
    EXPECT_EQ(list.Count(), 4);
    const TLFInfo &german = list.GetItem(list.IndexByLocale(kGerman));
    EXPECT_EQ(german.FileName, QStringLiteral("Kelvra.DEU.lng"));
    EXPECT_EQ(german.Version, 3u);
    EXPECT_EQ(german.Build, 7u);
    EXPECT_EQ(german.EnglishName, "German");
    EXPECT_EQ(german.LocalizedName, QStringLiteral("Deutsch (Österreich)"));
}

TEST_F(LanguageFolder, NativeFileIsFoundTwoFoldersUp)
{
    const QString deep = langDir + QStringLiteral("/share/lang");
    QDir().mkpath(deep);
    TKLocUtils utils;
    TKLocalizerOnFly loc(program, utils);
    loc.ErrorReaction = TErrorReaction::erException;
    loc.Init(deep);
    EXPECT_EQ(QDir(loc.GetLangDir()).canonicalPath(), QDir(langDir).canonicalPath());
    EXPECT_EQ(loc.LangList.Count(), 4);

    // Without a native file anywhere, the folder given stays and Init says which file is missing.
    TempDir empty;
    TKLocalizerOnFly none(str(empty / "Kelvra"), utils);
    none.ErrorReaction = TErrorReaction::erException;
    try {
        none.Init(str(empty.path()));
        ADD_FAILURE() << "initialised without a native language";
    } catch (const ELocOnFlyError &e) {
        EXPECT_EQ(
            e.message(), QStringLiteral("Language file \"%1/Kelvra.ntv.lng\" is not found").arg(str(empty.path())));
    }
}

TEST_F(LanguageFolder, SwitchingBuildsTheModuleAndTakesStringsFromIt)
{
    TKLocUtils utils;
    auto loc = start(utils);
    EXPECT_EQ(loc->CurrentListIndex(), loc->LangList.NativeIndex());
    EXPECT_EQ(loc->rs(kNotInitializedID), QStringLiteral("Localizer is not initialized"));

    loc->SwitchTo(kGerman);
    const QString module = modulePath("Kelvra.DEU");
    ASSERT_TRUE(QFileInfo::exists(module));
    EXPECT_TRUE(utils.ModuleActive());
    EXPECT_EQ(utils.ModuleFile(), QFileInfo(module).absoluteFilePath());
    EXPECT_EQ(loc->CurrentLocale, kGerman);
    EXPECT_EQ(loc->CurrentListIndex(), loc->LangList.IndexByLocale(kGerman));
    EXPECT_EQ(loc->rs(kNotInitializedID), QString::fromUtf8(textsOf(kGerman).Message));

    // The module on disk, read back independently of the one in memory.
    const TResourceSet read = TPEReader::ReadFile(module);
    EXPECT_EQ(read.Strings.Get(kNotInitializedID), QString::fromUtf8(textsOf(kGerman).Message));
    EXPECT_EQ(read.RCData.Find(kExeSettingsName), nullptr);
    const TLibSettings s = parseLibSettings(read.RCData.Find(kLibSettingsName)->Data);
    EXPECT_EQ(s.Signature, "LDLL");
    EXPECT_EQ(s.Version, 606); // the program's, so the module passes activation
    EXPECT_EQ(s.Locale, kGerman);
    EXPECT_EQ(s.EnglishName, "German");
    EXPECT_EQ(s.LocalizedName, QStringLiteral("Deutsch"));
    EXPECT_EQ(s.Build, 7u);
    EXPECT_EQ(s.Reserved, 3); // the language file's Version

    loc->SwitchTo(kHebrew);
    EXPECT_TRUE(loc->IsRightToLeft());
    EXPECT_TRUE(QFileInfo::exists(module)); // kept: DeleteUnusedLDll is off
}

TEST_F(LanguageFolder, UpToDateModuleIsReusedAndAChangedBuildOrVersionRebuildsIt)
{
    const QString module = modulePath("Kelvra.DEU");
    {
        TKLocUtils utils;
        auto loc = start(utils);
        loc->SwitchTo(kGerman);
    }
    age(module);
    const QDateTime built = mtime(module);

    // A second start, the way the program switches before any window exists.
    {
        TKLocUtils utils;
        auto loc = start(utils);
        EXPECT_EQ(StartUpSwitch(*loc, kGerman), QString());
        EXPECT_EQ(mtime(module), built);
        EXPECT_TRUE(utils.ModuleActive());
        EXPECT_EQ(loc->rs(kNotInitializedID), QString::fromUtf8(textsOf(kGerman).Message));
    }

    const struct
    {
        const char *what;
        qint32 version;
        quint32 build;
    } changes[] = { { "build", 3, 8 }, { "version", 4, 8 } };
    for (const auto &c : changes) {
        writeLang(kGerman, c.version, c.build);
        age(module);
        TKLocUtils utils;
        auto loc = start(utils);
        EXPECT_EQ(StartUpSwitch(*loc, kGerman), QString());
        EXPECT_NE(mtime(module), built) << c.what;
        EXPECT_EQ(utils.GetCurrentInfo().LFBuild, c.build) << c.what;
        EXPECT_EQ(utils.GetCurrentInfo().LFVersion, c.version) << c.what;
    }
}

TEST_F(LanguageFolder, SwitchToZeroSelectsTheNativeLanguage)
{
    TKLocUtils utils;
    auto loc = start(utils);
    loc->ErrorReaction = TErrorReaction::erMessage;
    std::vector<TLocalizerMessage> shown;
    loc->OnMessage = [&](const TLocalizerMessage &m) { shown.push_back(m); };
    loc->SwitchTo(kFrench);
    loc->SwitchTo(0);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(utils.ModuleActive());
    EXPECT_EQ(loc->CurrentListIndex(), loc->LangList.NativeIndex());
    EXPECT_GE(loc->CurrentListIndex(), 0);
    EXPECT_TRUE(QFileInfo::exists(modulePath("Kelvra.FRA"))); // nothing deleted
    EXPECT_EQ(loc->rs(kNotInitializedID), QStringLiteral("Localizer is not initialized"));
    loc->SwitchToExt(QStringLiteral("FRA"));
    EXPECT_EQ(loc->CurrentLocale, kFrench);
    loc->SwitchToExt(QStringLiteral("EXE"));
    EXPECT_FALSE(utils.ModuleActive());
}

TEST_F(LanguageFolder, TheModuleInUseIsNeverTheOneDeleted)
{
    TKLocUtils utils;
    auto loc = start(utils);
    loc->DeleteUnusedLDll = true;
    loc->SwitchTo(kGerman);
    loc->SwitchTo(kGerman); // old and new locale equal
    EXPECT_TRUE(QFileInfo::exists(modulePath("Kelvra.DEU")));
    EXPECT_TRUE(utils.ModuleActive());
    loc->SwitchTo(kFrench);
    EXPECT_FALSE(QFileInfo::exists(modulePath("Kelvra.DEU")));
    EXPECT_TRUE(QFileInfo::exists(modulePath("Kelvra.FRA")));
}

TEST_F(LanguageFolder, FailuresFollowTheErrorReaction)
{
    TKLocUtils utils;
    TKLocalizerOnFly fresh(program, utils);
    std::vector<TLocalizerMessage> shown;
    fresh.OnMessage = [&](const TLocalizerMessage &m) { shown.push_back(m); };
    fresh.SwitchTo(kGerman); // before Init
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Title, QStringLiteral("Localizer Error"));
    EXPECT_EQ(shown[0].Text, QStringLiteral("Localizer is not initialized"));

    auto loc = start(utils);
    loc->OnMessage = fresh.OnMessage;
    loc->ErrorReaction = TErrorReaction::erMessage;
    loc->SwitchTo(0x0419);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].Text, QStringLiteral("Language \"Russian\" is not found"));
    loc->ErrorReaction = TErrorReaction::erIgnore;
    loc->SwitchTo(0x0419);
    EXPECT_EQ(shown.size(), 2u);
    loc->ErrorReaction = TErrorReaction::erException;
    EXPECT_THROW(loc->SwitchTo(0x0419), ELocOnFlyError);
    EXPECT_THROW(loc->SetDLLDir(dataDir + QStringLiteral("/missing")), ELocOnFlyError);
}

TEST_F(LanguageFolder, AnyStartUpFailureLeavesTheBuiltInLanguage)
{
    TKLocUtils utils;
    auto loc = start(utils);
    std::vector<TLocalizerMessage> shown;
    loc->OnMessage = [&](const TLocalizerMessage &m) { shown.push_back(m); };
    loc->ErrorReaction = TErrorReaction::erMessage;

    EXPECT_EQ(StartUpSwitch(*loc, 0), QString());
    EXPECT_EQ(StartUpSwitch(*loc, 0x0419), QStringLiteral("Language \"Russian\" is not found"));
    EXPECT_FALSE(utils.ModuleActive());

    // The saved language itself damaged, after a good German start.
    EXPECT_EQ(StartUpSwitch(*loc, kGerman), QString());
    QFile damaged(langPath(kFrench));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("LF\x07\x00garbage");
    damaged.close();
    EXPECT_NE(StartUpSwitch(*loc, kFrench), QString());
    EXPECT_FALSE(utils.ModuleActive());
    EXPECT_EQ(loc->LangIndex, 0);
    EXPECT_EQ(loc->rs(kNotInitializedID), QStringLiteral("Localizer is not initialized"));
    EXPECT_TRUE(shown.empty()); // start-up failures are not boxes
    EXPECT_EQ(loc->ErrorReaction, TErrorReaction::erMessage);
}

TEST_F(LanguageFolder, StartKeepsModulesInTheDataFolder)
{
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", (langDir + QStringLiteral("/config")).toLocal8Bit());
    {
        TKLocUtils utils;
        TKLocalizerOnFly loc(program, utils);
        EXPECT_EQ(StartLocalization(loc, langDir, kGerman), QString());
        EXPECT_TRUE(QFileInfo::exists(langDir + QStringLiteral("/config/Kelvra/Kelvra.DEU")));
        EXPECT_EQ(loc.CurrentLocale, kGerman);
        EXPECT_EQ(loc.ErrorReaction, TErrorReaction::erMessage);

        TKLocUtils otherUtils;
        TKLocalizerOnFly nowhere(program, otherUtils);
        EXPECT_EQ(StartLocalization(nowhere, langDir + QStringLiteral("/missing"), kGerman),
            QStringLiteral("Specified path \"%1/missing\" does not exist").arg(langDir));
        EXPECT_FALSE(otherUtils.ModuleActive());
    }
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

TEST_F(LanguageFolder, BadModulesAreIgnored)
{
    TKLocUtils utils;
    const QString module = modulePath("Kelvra.DEU");
    auto writeModule = [&](const QByteArray &bytes) {
        QFile f(module);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    };
    TResourceSet otherVersion = programResources();
    TLibSettings old = programSettings(kLibSignature);
    old.Version = 605;
    otherVersion.RCData.Put(kLibSettingsName, serializeLibSettings(old));
    TResourceSet longName = programResources();
    QByteArray record = serializeLibSettings(programSettings(kLibSignature));
    record[10] = char(0x7F); // the English name's length beyond the record
    longName.RCData.Put(kLibSettingsName, record);
    TResourceSet noSettings = programResources();
    noSettings.RCData.Remove(kLibSettingsName);

    for (const QByteArray &bytes : { QByteArray("MZ garbage"), writeResourceImage(otherVersion),
             writeResourceImage(longName), writeResourceImage(noSettings) }) {
        writeModule(bytes);
        EXPECT_FALSE(utils.LoadResource(module));
        EXPECT_FALSE(utils.ModuleActive());
        EXPECT_EQ(utils.GetCurrentInfo().Locale, 9);
    }
    EXPECT_THROW(utils.LoadResource(modulePath("missing")), EResourceError);

    // A switch rebuilds over the bad module.
    auto loc = start(utils);
    loc->SwitchTo(kGerman);
    EXPECT_TRUE(utils.ModuleActive());
    EXPECT_EQ(loc->rs(kNotInitializedID), QString::fromUtf8(textsOf(kGerman).Message));
}

TEST(EmbeddedLanguages, TheProgramsResourcesCanCarryTheNativeLanguageAndOthers)
{
    TempDir dir;
    QDir().mkpath(str(dir / "data"));
    TEmbeddedLanguages langs;
    for (quint16 locale : { kEnglish, kGerman }) {
        const TLangFileContent c = fixtureContent(locale);
        langs.Languages.push_back(
            { locale, c.Header.LangEnglishName, c.Header.LangLocalizedName, 3, 7, serializeLangFile(c) });
    }
    TResourceSet own = programResources();
    own.RCData.Put(kEmbeddedLangsName, serializeEmbeddedLanguages(langs));
    TKLocUtils utils(own);
    TKLocalizerOnFly loc(str(dir / "Kelvra"), utils);
    loc.ErrorReaction = TErrorReaction::erException;
    loc.Init(str(dir.path())); // no language file at all
    loc.SetDLLDir(str(dir / "data"));
    ASSERT_EQ(loc.LangList.Count(), 2);
    EXPECT_TRUE(loc.LangList.IsResLanguage(kGerman));
    EXPECT_EQ(loc.GetNativeLocale(), kEnglish);
    loc.SwitchTo(kGerman);
    EXPECT_EQ(loc.rs(kNotInitializedID), QString::fromUtf8(textsOf(kGerman).Message));
    // The embedded resource stays out of the module.
    EXPECT_EQ(TPEReader::ReadFile(str(dir / "data" / "Kelvra.DEU")).RCData.Find(kEmbeddedLangsName), nullptr);

    own.RCData.Put(kEmbeddedLangsName, QByteArray("KLL\x05\x00", 5));
    TKLocUtils badUtils(own);
    TKLocalizerOnFly bad(str(dir / "Kelvra"), badUtils);
    bad.ErrorReaction = TErrorReaction::erException;
    EXPECT_THROW(bad.Init(str(dir.path())), EResourceError);
}

} // namespace
} // namespace kelvra
