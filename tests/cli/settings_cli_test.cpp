// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/test_support.h"

#include <gtest/gtest.h>

namespace kelvra {
namespace {

using test::runCli;

TEST(SettingsCommand, PrintsDefaultsForAMissingFile)
{
    test::TempDir dir;
    const auto r = runCli({ "settings", (dir / "none.ini").string() }, { "LC_ALL=C" });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
        "FontSize=20\nFontName=Arial\nFontColor=255\nBgColor=-1\nOutlineColor=-1\nDateFormat=DD.MM.YYYY hh:nn\n"
        "DefaultSaveFolder=\nDefaultBrowseFolder=\nFNMask=%o_timestamp\nFontStyle=000\nFShadow=0\nFOutline=0\n"
        "XOrient=0\nYOrient=0\nXD=0.05\nYD=0.05\nRenamePhotos=0\nStampPhotosOpt=1\nCaptionFormat=[PHOTO_DATE]\n"
        "FilePostfix=_timestamp\nLanguage=0\nGPSForm=2\njpgquality=90\nSkin=-1\nKeepQuality=0\n");
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

TEST(SettingsCommand, RejectsExtraArguments)
{
    EXPECT_EQ(runCli({ "settings", "a", "b" }).exitCode, 2);
    EXPECT_EQ(runCli({ "nosuchcommand" }).exitCode, 2);
    EXPECT_EQ(runCli({ "--help" }).exitCode, 0);
}

} // namespace
} // namespace kelvra
