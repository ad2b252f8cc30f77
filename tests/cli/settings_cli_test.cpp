// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/test_support.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace kelvra {
namespace {

using test::runCli;

// The program INI of a new user does not exist yet: its defaults are what the
// program reads, and looking creates no data folder.
TEST(SettingsCommand, PrintsDefaultsWithoutAProgramIniAndCreatesNothing)
{
    test::TempDir dir;
    const auto r = runCli({ "settings" }, { "XDG_CONFIG_HOME=" + (dir / "config").string(), "LC_ALL=C" });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "config"));
    EXPECT_EQ(r.out,
        "FontSize=20\nFontName=Arial\nFontColor=255\nBgColor=-1\nOutlineColor=-1\nDateFormat=DD.MM.YYYY hh:nn\n"
        "DefaultSaveFolder=\nDefaultBrowseFolder=\nFNMask=%o_timestamp\nFontStyle=000\nFShadow=0\nFOutline=0\n"
        "XOrient=0\nYOrient=0\nXD=0.05\nYD=0.05\nRenamePhotos=0\nStampPhotosOpt=1\nCaptionFormat=[PHOTO_DATE]\n"
        "FilePostfix=_timestamp\nLanguage=0\nGPSForm=2\njpgquality=90\nSkin=-1\nKeepQuality=0\n"
        "FGlow=0\nGlowColor=-1\nGlowSize=15\nBgAlpha=255\nStrip=0\nCaptionLine2=\n");
}

TEST(SettingsCommand, ReadsTheProgramIniOfTheDataFolder)
{
    test::TempDir dir;
    std::filesystem::create_directories(dir / "Kelvra");
    test::writeFileBytes(
        dir / "Kelvra" / "Kelvra.ini", "[Options]\nFontName=DejaVu Sans\njpgquality=70\nDefaultBrowseFolder=/pics\n");
    const auto r = runCli({ "settings" }, { "XDG_CONFIG_HOME=" + dir.path().string(), "LC_ALL=C" });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("FontName=DejaVu Sans\n"), std::string::npos);
    EXPECT_NE(r.out.find("jpgquality=70\n"), std::string::npos);
    EXPECT_NE(r.out.find("DefaultBrowseFolder=/pics\n"), std::string::npos);
}

// A file named is read as settings or refused with the reason, never taken
// for the defaults.
TEST(SettingsCommand, AFileThatHoldsNoSettingsIsAFailure)
{
    test::TempDir dir;
    test::writeFileBytes(dir / "empty.ini", "");
    test::writeFileBytes(dir / "photo.jpg", "\xFF\xD8\xFF\xE0 not settings");
    test::writeFileBytes(dir / "good.ini", "[Options]\nFontSize=10\n");
    const struct
    {
        std::string file;
        int exitCode;
        std::string err;
    } cases[] = {
        { (dir / "none.ini").string(), 1, "no such file: " + (dir / "none.ini").string() },
        { (dir / "empty.ini").string(), 1, (dir / "empty.ini").string() + " is empty" },
        { (dir / "photo.jpg").string(), 1, "is not a settings file: it has no [Options] section" },
        { dir.path().string(), 1, " is a folder, not a settings file" },
        { (dir / "good.ini").string(), 0, "" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const auto r = runCli({ "settings", c.file });
        EXPECT_EQ(r.exitCode, c.exitCode);
        if (c.exitCode == 0) {
            EXPECT_EQ(r.out.rfind("FontSize=10\n", 0), 0u) << r.out;
            continue;
        }
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("kelvra-cli settings: ", 0), 0u) << r.err;
        EXPECT_TRUE(test::contains(r.err, c.err)) << r.err;
    }
#ifndef _WIN32
    if (geteuid() != 0) {
        std::filesystem::permissions(dir / "good.ini", std::filesystem::perms::none);
        const auto r = runCli({ "settings", (dir / "good.ini").string() });
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(test::contains(r.err, "cannot read " + (dir / "good.ini").string() + ": Permission denied"))
            << r.err;
    }
#endif
}

TEST(SettingsCommand, RejectsExtraArguments)
{
    EXPECT_EQ(runCli({ "settings", "a", "b" }).exitCode, 2);
    EXPECT_EQ(runCli({ "nosuchcommand" }).exitCode, 2);
    EXPECT_EQ(runCli({ "--help" }).exitCode, 0);
}

} // namespace
} // namespace kelvra
