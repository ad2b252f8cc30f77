// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/qt_test_support.h"
#include "common/test_support.h"
#include "platform/data_folder.h"
#include "stamp/photo_date.h"
#include "stamp/settings_file.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::qpath;
using test::readFileBytes;
using test::TempDir;
using test::writeFileBytes;

FormatSettings commaLocale()
{
    return FormatSettings::fromLocale(QLocale(QLocale::German, QLocale::Germany));
}

struct Loaded
{
    StampSettings settings;
    AppOptions options;
    CfgLoadResult view;
};

Loaded loadCfg(const std::string &text, const FormatSettings &format = {}, int slider = kDefaultSizeSliderPosition)
{
    TempDir dir;
    writeFileBytes(dir / "design.cfg", text);
    Loaded l;
    // Values held before a load must not leak into it.
    l.settings.Size = 99;
    l.settings.CaptionFormat = QStringLiteral("stale");
    l.settings.FontColor = 0x123456;
    l.options.GPSForm = 0;
    l.options.DefaultSaveFolder = QStringLiteral("/kept/save");
    l.options.DefaultBrowseFolder = QStringLiteral("/kept/browse");
    l.view = LoadCFGFromFile(qpath(dir / "design.cfg"), l.settings, l.options, format, slider);
    return l;
}

TEST(SettingsFile, EmptyCfgGivesTheDefaults)
{
    const Loaded l = loadCfg("");
    EXPECT_EQ(l.settings, StampSettings());
    EXPECT_EQ(l.options.GPSForm, 2);
    EXPECT_EQ(l.view.sliderPosition, 50);
    EXPECT_EQ(l.view.selectedTask, TodoTask::StampPhotos);
    EXPECT_TRUE(l.settings.StampPhotosOpt);
}

TEST(SettingsFile, MissingFileGivesTheDefaults)
{
    StampSettings s;
    s.FontName = QStringLiteral("Courier");
    AppOptions o;
    LoadCFGFromFile(QStringLiteral("/nonexistent/folder/x.cfg"), s, o, {});
    EXPECT_EQ(s, StampSettings());
}

TEST(SettingsFile, ValueRules)
{
    struct Case
    {
        const char *body;
        std::function<void(const Loaded &)> check;
    };
    const Case cases[] = {
        { "FontColor=0xFF00", [](const Loaded &l) { EXPECT_EQ(l.settings.FontColor, 0xFF00); } },
        { "FontColor=$FF0000", [](const Loaded &l) { EXPECT_EQ(l.settings.FontColor, 0xFF0000); } },
        { "FontColor=red", [](const Loaded &l) { EXPECT_EQ(l.settings.FontColor, 255); } },
        { "BgColor=", [](const Loaded &l) { EXPECT_EQ(l.settings.BgColor, -1); } },
        { "FontStyle=1",
            [](const Loaded &l) {
                EXPECT_EQ(l.settings.Style, (FontStyles { true, false, false }));
            } },
        { "FontStyle=011",
            [](const Loaded &l) {
                EXPECT_EQ(l.settings.Style, (FontStyles { false, true, true }));
            } },
        { "FontStyle=bold", [](const Loaded &l) { EXPECT_EQ(l.settings.Style, FontStyles {}); } },
        { "FShadow=7\nFOutline=yes",
            [](const Loaded &l) {
                EXPECT_TRUE(l.settings.FShadow);
                EXPECT_FALSE(l.settings.FOutline);
            } },
        { "CaptionFormat=", [](const Loaded &l) { EXPECT_EQ(l.settings.CaptionFormat, QString()); } },
        { "FontName=Arial",
            [](const Loaded &l) { EXPECT_EQ(l.settings.CaptionFormat, QStringLiteral("[PHOTO_DATE]")); } },
        { "CAPTIONformat = '[Make] [Model]' ",
            [](const Loaded &l) { EXPECT_EQ(l.settings.CaptionFormat, QStringLiteral("[Make] [Model]")); } },
        { "GPSForm=1", [](const Loaded &l) { EXPECT_EQ(l.options.GPSForm, 1); } },
        { "DefaultSaveFolder=/x\nDefaultBrowseFolder=/y",
            [](const Loaded &l) {
                EXPECT_EQ(l.options.DefaultSaveFolder, QStringLiteral("/kept/save"));
                EXPECT_EQ(l.options.DefaultBrowseFolder, QStringLiteral("/kept/browse"));
            } },
        { "RenamePhotos=1\nStampPhotosOpt=0",
            [](const Loaded &l) { EXPECT_EQ(l.view.selectedTask, TodoTask::RenamePhotos); } },
        { "RenamePhotos=1\nStampPhotosOpt=1",
            [](const Loaded &l) { EXPECT_EQ(l.view.selectedTask, TodoTask::StampPhotos); } },
        { "FontName=Arial", [](const Loaded &l) { EXPECT_EQ(dateRulesOf(l.settings), DateRules()); } },
        { "DateShift=-1d\nCameraShifts=Canon EOS 5D=+1:00:00\nNameDates=0\nIgnorePlaceholderDates=1\nDateZone=-03:30\n"
          "FixExifDates=1",
            [](const Loaded &l) {
                EXPECT_EQ(dateRulesOf(l.settings),
                    (DateRules { QStringLiteral("-1d"), QStringLiteral("Canon EOS 5D=+1:00:00"), false, true,
                        QStringLiteral("-03:30") }));
                EXPECT_TRUE(l.settings.FixExifDates);
            } },
        { "FontName=Arial", [](const Loaded &l) { EXPECT_FALSE(l.settings.FixExifDates); } },
        { "XD=0.25\nYD=oops\nXOrient=1",
            [](const Loaded &l) {
                EXPECT_DOUBLE_EQ(l.settings.XD, 0.25);
                EXPECT_DOUBLE_EQ(l.settings.YD, 0.05);
                EXPECT_EQ(l.settings.XOrient, 1);
            } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.body);
        c.check(loadCfg(std::string("[Options]\n") + c.body + "\n"));
    }
}

TEST(SettingsFile, DecimalCommaFollowsTheLocale)
{
    EXPECT_DOUBLE_EQ(loadCfg("[Options]\nFontSize=20,5\n", commaLocale()).settings.Size, 1000.0 / 49);
    EXPECT_DOUBLE_EQ(loadCfg("[Options]\nFontSize=20,5\n", commaLocale(), 49).settings.Size, 20.5);
    EXPECT_DOUBLE_EQ(loadCfg("[Options]\nFontSize=20,5\n", FormatSettings()).settings.Size, 20);
}

TEST(SettingsFile, SizeSlider)
{
    struct Case
    {
        double size;
        int position;
    };
    const Case cases[] = { { 20, 50 }, { 2, 500 }, { 125, 8 }, { 1, 500 }, { 1000, 8 },
        { 16, 62 } /* 62.5: half to even */, { 1000.0 / 63.5, 64 }, { 30, 33 }, { 0, 500 }, { -5, 8 } };
    for (const Case &c : cases)
        EXPECT_EQ(sizeSliderPosition(c.size), c.position) << c.size;

    EXPECT_DOUBLE_EQ(sizeAfterSliderMove(33, 50, 30), 1000.0 / 33);
    EXPECT_DOUBLE_EQ(sizeAfterSliderMove(33, 33, 30), 30);
}

// A load tells whether the file had its section and which values the rules
// had to pull into range; rounding to the slider's step is not a correction.
TEST(SettingsFile, LoadReportsMissingSectionAndCorrectedKeys)
{
    struct Case
    {
        const char *text;
        bool hadSection;
        QStringList corrected;
    };
    const QStringList none;
    const QStringList size { QStringLiteral("FontSize") };
    const Case cases[] = {
        { "[Options]\nFontSize=20\n", true, none },
        { "[options]\nFontSize=21.7\n", true, none },
        { "[Options]\nFontSize=2\n", true, none },
        { "[Options]\nFontSize=125\n", true, none },
        { "[Options]\nFontSize=1.5\n", true, size },
        { "[Options]\nFontSize=126\n", true, size },
        { "[Options]\nFontSize=0\n", true, size },
        { "[Options]\nFontSize=-5\n", true, size },
        { "FontSize=20\n", false, none },
        { "[Other]\nFontSize=20\n", false, none },
        { "", false, none },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        const Loaded l = loadCfg(c.text);
        EXPECT_EQ(l.view.hadOptionsSection, c.hadSection);
        EXPECT_EQ(l.view.correctedKeys, c.corrected);
    }
}

TEST(SettingsFile, SaveThenLoadRestoresEveryField)
{
    TempDir dir;
    const QString path = qpath(dir / "round.cfg");
    StampSettings s;
    s.Size = 25; // 1000/25 is whole, so no rounding
    s.FontName = QStringLiteral("DejaVu Serif");
    s.FontColor = 0x00FF00;
    s.BgColor = 0;
    s.OutlineColor = 0xABCDEF;
    s.Style = { true, false, true };
    s.FOutline = true;
    s.FShadow = true;
    s.XOrient = 1;
    s.YOrient = 1;
    s.XD = 0.125;
    s.YD = 0.375;
    s.DateFormat = QStringLiteral("YYYY-MM-DD");
    s.CaptionFormat = QStringLiteral("[PHOTO_DATE] — [Make] \"quoted\"");
    s.FNMask = QStringLiteral("%y\\%m\\%o");
    s.StampPhotosOpt = false;
    s.RenamePhotos = true;
    s.DateShift = QStringLiteral("+1d2:30");
    s.CameraShifts = QStringLiteral("Canon EOS 5D=-1:00:00;NIKON D70=+0:00:30");
    s.NameDates = false;
    s.IgnorePlaceholderDates = true;
    s.FixExifDates = true;
    s.DateZone = QStringLiteral("+05:45");
    s.FGlow = true;
    s.GlowColor = 0x1a8cff;
    s.GlowSize = 32.5;
    s.BgAlpha = 160;
    s.Strip = 2;
    AppOptions o;
    o.DefaultSaveFolder = QStringLiteral("/photos/out");

    for (const FormatSettings &format : { FormatSettings(), commaLocale() }) {
        ASSERT_TRUE(SaveCFGToFile(path, s, o, QStringLiteral("/photos/in"), format).ok);
        StampSettings back;
        AppOptions backOptions;
        const CfgLoadResult view = LoadCFGFromFile(path, back, backOptions, format);
        EXPECT_EQ(back, s);
        EXPECT_EQ(view.sliderPosition, 40);
        EXPECT_EQ(view.selectedTask, TodoTask::RenamePhotos);
    }

    // A size that is not 1000 over a whole number comes back through the slider.
    s.Size = 30;
    ASSERT_TRUE(SaveCFGToFile(path, s, o, std::nullopt, {}).ok);
    StampSettings back;
    AppOptions backOptions;
    LoadCFGFromFile(path, back, backOptions, {});
    EXPECT_DOUBLE_EQ(back.Size, 1000.0 / 33);

    const std::string text = readFileBytes(dir / "round.cfg");
    EXPECT_NE(text.find("DefaultSaveFolder=/photos/out"), std::string::npos);
    EXPECT_NE(text.find("DefaultBrowseFolder=/photos/in"), std::string::npos);
}

TEST(SettingsFile, NewFileHasTheKeysInWriteOrder)
{
    TempDir dir;
    ASSERT_TRUE(SaveCFGToFile(qpath(dir / "new.cfg"), StampSettings(), AppOptions(), std::nullopt, {}).ok);
    EXPECT_EQ(readFileBytes(dir / "new.cfg"),
        "[Options]\nFontSize=20\nFontName=Arial\nFontColor=255\nBgColor=-1\nOutlineColor=-1\n"
        "DateFormat=DD.MM.YYYY hh:nn\nDefaultSaveFolder=\nFNMask=%o_timestamp\nFontStyle=000\n"
        "FShadow=0\nFOutline=0\nXOrient=0\nYOrient=0\nXD=0.05\nYD=0.05\nRenamePhotos=0\n"
        "StampPhotosOpt=1\nCaptionFormat=[PHOTO_DATE]\nDateShift=\nCameraShifts=\nNameDates=1\n"
        "IgnorePlaceholderDates=0\nFixExifDates=0\nDateZone=\nFGlow=0\nGlowColor=-1\nGlowSize=15\nBgAlpha=255\nStrip="
        "0\nCaptionLine2=\n");
}

// A design written before glow, strips and second lines existed reads as it
// did: every new key takes the value that changes nothing.
TEST(SettingsFile, LooksKeysMissingOrOutOfRange)
{
    struct Case
    {
        std::string text;
        void (*check)(const Loaded &);
    } cases[] = {
        { "[Options]\nFontSize=20\nBgColor=0\nFShadow=1\nCaptionFormat=[Make]\n",
            [](const Loaded &l) {
                EXPECT_FALSE(l.settings.FGlow);
                EXPECT_EQ(l.settings.GlowColor, kNoColor);
                EXPECT_EQ(l.settings.BgAlpha, 255);
                EXPECT_EQ(l.settings.strip(), LabelStrip::None);
                EXPECT_EQ(l.settings.CaptionFormat, QStringLiteral("[Make]"));
                EXPECT_TRUE(l.view.correctedKeys.isEmpty());
            } },
        { "[Options]\nCaptionFormat=[GPSPos]\nCaptionLine2=[PHOTO_DATE]\n",
            [](const Loaded &l) { EXPECT_EQ(l.settings.CaptionFormat, QStringLiteral("[GPSPos]\n[PHOTO_DATE]")); } },
        { "[Options]\nCaptionLine2=[PHOTO_DATE]\n", // under the default first line
            [](const Loaded &l) {
                EXPECT_EQ(l.settings.CaptionFormat, QStringLiteral("[PHOTO_DATE]\n[PHOTO_DATE]"));
            } },
        { "[Options]\nBgAlpha=300\nGlowSize=0\nStrip=7\nFGlow=1\n",
            [](const Loaded &l) {
                EXPECT_EQ(l.settings.BgAlpha, 255);
                EXPECT_EQ(l.settings.GlowSize, 15);
                EXPECT_EQ(l.settings.Strip, 0);
                EXPECT_TRUE(l.settings.FGlow);
                EXPECT_EQ(l.view.correctedKeys,
                    QStringList({ QStringLiteral("BgAlpha"), QStringLiteral("GlowSize"), QStringLiteral("Strip") }));
            } },
        { "[Options]\nBgAlpha=-4\nGlowSize=abc\nStrip=x\n",
            [](const Loaded &l) {
                EXPECT_EQ(l.settings.BgAlpha, 0);
                EXPECT_EQ(l.settings.GlowSize, 15);
                EXPECT_EQ(l.view.correctedKeys, QStringList({ QStringLiteral("BgAlpha") }));
            } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        c.check(loadCfg(c.text));
    }
}

// A caption's second line goes under its own key; the first stays where an
// older reader looks for the caption.
TEST(SettingsFile, SecondCaptionLineHasItsOwnKey)
{
    TempDir dir;
    StampSettings s;
    s.CaptionFormat = QStringLiteral("[GPSPos]\n[PHOTO_DATE]");
    ASSERT_TRUE(SaveCFGToFile(qpath(dir / "two.cfg"), s, AppOptions(), std::nullopt, {}).ok);
    const std::string text = readFileBytes(dir / "two.cfg");
    EXPECT_NE(text.find("\nCaptionFormat=[GPSPos]\n"), std::string::npos);
    EXPECT_NE(text.find("\nCaptionLine2=[PHOTO_DATE]\n"), std::string::npos);
    // Back to one line: the second key is emptied, not left behind.
    s.CaptionFormat = QStringLiteral("[Make]");
    ASSERT_TRUE(SaveCFGToFile(qpath(dir / "two.cfg"), s, AppOptions(), std::nullopt, {}).ok);
    StampSettings back;
    AppOptions options;
    LoadCFGFromFile(qpath(dir / "two.cfg"), back, options, {});
    EXPECT_EQ(back.CaptionFormat, QStringLiteral("[Make]"));
}

TEST(SettingsFile, OtherSectionsAndUnknownLinesSurvive)
{
    TempDir dir;
    const std::string before = "[Form1]\r\nLeft=12\r\nTop=34\r\n\r\n[Options]\r\n; my note\r\nFontName=Old\r\n"
                               "Unknown=keep me\r\nno equals here\r\n\r\n[Zeta]\r\nA=1\r\n";
    writeFileBytes(dir / "Kelvra.ini", before);
    ASSERT_TRUE(SaveCFGToFile(qpath(dir / "Kelvra.ini"), StampSettings(), AppOptions(), std::nullopt, {}).ok);
    const std::string after = readFileBytes(dir / "Kelvra.ini");
    EXPECT_EQ(after.substr(0, 36), "[Form1]\r\nLeft=12\r\nTop=34\r\n\r\n[Options");
    for (const char *kept : { "; my note\r\nFontName=Arial\r\nUnknown=keep me\r\nno equals here\r\nFontSize=20\r\n",
             "\r\n\r\n[Zeta]\r\nA=1\r\n" })
        EXPECT_NE(after.find(kept), std::string::npos) << kept;
}

TEST(SettingsFile, ReadOnlyFileIsLeftAsItWas)
{
    TempDir dir;
    const fs::path file = dir / "locked.cfg";
    writeFileBytes(file, "[Options]\nFontName=Locked\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    const SettingsWriteResult r = SaveCFGToFile(qpath(file), StampSettings(), AppOptions(), std::nullopt, {});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failedPath, qpath(file));
    EXPECT_EQ(readFileBytes(file), "[Options]\nFontName=Locked\n");
    EXPECT_FALSE(SaveOptionsToFile(qpath(file), AppOptions()).ok);
}

TEST(SettingsFile, UnwritableFolderIsReported)
{
    const SettingsWriteResult r
        = SaveCFGToFile(QStringLiteral("/proc/kelvra-no/x.cfg"), StampSettings(), AppOptions(), std::nullopt, {});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failedPath, QStringLiteral("/proc/kelvra-no/x.cfg"));
}

#ifdef __linux__
// Names that appear in folder (created or renamed into it) while save runs.
template<typename Save> std::vector<std::string> namesPlacedDuring(const fs::path &folder, Save save)
{
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    EXPECT_GE(watch, 0);
    EXPECT_GE(::inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_MOVED_TO), 0);
    save();
    std::vector<std::string> names;
    alignas(inotify_event) char buffer[64 * 1024];
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;) {
        for (char *at = buffer; at < buffer + n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(at);
            if (event->len)
                names.emplace_back(event->name);
            at += sizeof(inotify_event) + event->len;
        }
    }
    ::close(watch);
    return names;
}

// The design file is replaced once per save, so a crash in the middle of a
// save finds the old design or the whole new one, never some keys of each.
TEST(SettingsFile, ASaveReplacesTheFileOnce)
{
    TempDir dir;
    const QString path = qpath(dir / "Kelvra.ini");
    writeFileBytes(dir / "Kelvra.ini", "[Form1]\nLeft=1\n");
    StampSettings design;
    design.CaptionFormat = QStringLiteral("[Model] [ISO]");
    AppOptions options;
    options.GPSForm = 2;
    const std::vector<std::string> cfg = namesPlacedDuring(
        dir.path(), [&] { ASSERT_TRUE(SaveCFGToFile(path, design, options, QStringLiteral("/photos"), {}).ok); });
    EXPECT_EQ(std::count(cfg.begin(), cfg.end(), "Kelvra.ini"), 1);
    const std::vector<std::string> opts
        = namesPlacedDuring(dir.path(), [&] { ASSERT_TRUE(SaveOptionsToFile(path, options).ok); });
    EXPECT_EQ(std::count(opts.begin(), opts.end(), "Kelvra.ini"), 1);

    StampSettings back;
    AppOptions backOptions;
    LoadProgramSettings(path, back, backOptions, {});
    EXPECT_EQ(back.CaptionFormat, design.CaptionFormat);
    EXPECT_EQ(backOptions.GPSForm, 2);
    EXPECT_EQ(backOptions.DefaultBrowseFolder, QStringLiteral("/photos"));
    EXPECT_EQ(readFileBytes(dir / "Kelvra.ini").substr(0, 16), "[Form1]\nLeft=1\n[");
}
#endif

TEST(SettingsFile, OptionsSaveAndStartupReads)
{
    TempDir dir;
    const QString path = qpath(dir / "Kelvra.ini");
    AppOptions o;
    o.FilePostfix = QStringLiteral("_dated");
    o.Language = 1049;
    o.GPSForm = 0;
    o.jpgquality = 75;
    o.Skin = 3;
    o.KeepQuality = true;
    ASSERT_TRUE(SaveOptionsToFile(path, o).ok);
    EXPECT_EQ(readFileBytes(dir / "Kelvra.ini"),
        "[Options]\nFilePostfix=_dated\nLanguage=1049\nGPSForm=0\njpgquality=75\nSkin=3\nKeepQuality=1\n"
        "ExistingFiles=0\n");

    StampSettings s;
    AppOptions back;
    LoadProgramSettings(path, s, back, {});
    EXPECT_EQ(back.Language, 1049);
    EXPECT_EQ(back.GPSForm, 0);
    EXPECT_EQ(back.jpgquality, 75);
    EXPECT_EQ(back.FilePostfix, QStringLiteral("_dated"));
    EXPECT_EQ(back.Skin, 3);
    EXPECT_TRUE(back.KeepQuality);
}

// Written by hand or by an older program: anything but a number is the default.
TEST(SettingsFile, KeepQualityReadsTolerantly)
{
    const struct
    {
        const char *line;
        bool expected;
    } cases[] = {
        { "", false },
        { "KeepQuality=1\n", true },
        { "KeepQuality=0\n", false },
        { "KeepQuality= 1 \n", true },
        { "KeepQuality=yes\n", false },
        { "KeepQuality=\n", false },
    };
    for (const auto &c : cases) {
        TempDir dir;
        writeFileBytes(dir / "Kelvra.ini", std::string("[Options]\njpgquality=80\n") + c.line);
        AppOptions o;
        LoadStartupOptions(qpath(dir / "Kelvra.ini"), o);
        EXPECT_EQ(o.KeepQuality, c.expected) << c.line;
        EXPECT_EQ(o.jpgquality, 80) << c.line;
    }
}

TEST(DataFolder, FollowsXdgConfigHomeAndCreatesIt)
{
    TempDir dir;
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((dir / "deep" / "config").string()));
    const QString folder = GetDataFolder();
    EXPECT_EQ(folder, qpath(dir / "deep" / "config" / "Kelvra") + QLatin1Char('/'));
    EXPECT_TRUE(fs::is_directory(dir / "deep" / "config" / "Kelvra"));
    EXPECT_EQ(programIniPath(), folder + QStringLiteral("Kelvra.ini"));

    // A folder that cannot be created falls back to the program's own folder.
    qputenv("XDG_CONFIG_HOME", "/proc/kelvra-no");
    EXPECT_EQ(GetDataFolder(), programFolder());
    qputenv("XDG_CONFIG_HOME", old);
}

} // namespace
} // namespace kelvra
