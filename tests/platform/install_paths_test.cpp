// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/install_paths.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace kelvra {
namespace {

TEST(InstallPaths, ShareFolderSitsBesideTheProgramsFolder)
{
    const struct
    {
        const char *program;
        const char *share;
    } cases[] = {
        { "/usr/bin", "/usr/share/kelvra/" },
        { "/usr/bin/", "/usr/share/kelvra/" },
        { "/opt/kelvra/bin", "/opt/kelvra/share/kelvra/" },
        { "/home/me/build/debug/src/", "/home/me/build/debug/share/kelvra/" },
        { "/bin", "/share/kelvra/" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(shareFolderFor(QString::fromLatin1(c.program)).toStdString(), c.share) << c.program;
}

// The build's programs find the guide copied beside them by the same rule as
// an installed program.
TEST(InstallPaths, TheBuildsProgramsFindTheBuildsGuide)
{
    const QString programs = QFileInfo(QStringLiteral(KELVRA_CLI_PATH)).absolutePath();
    const QString help = shareFolderFor(programs) + QStringLiteral("help/");
    for (const char *page : { "index.html", "label.html", "names.html", "options.html", "style.css" })
        EXPECT_TRUE(QFileInfo(help + QLatin1String(page)).isFile()) << (help + QLatin1String(page)).toStdString();
    EXPECT_TRUE(helpFolder().endsWith(QStringLiteral("/share/kelvra/help/"))) << helpFolder().toStdString();
}

} // namespace
} // namespace kelvra
