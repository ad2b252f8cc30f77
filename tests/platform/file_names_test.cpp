// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_ops.h"

#include "common/test_support.h"

#include <gtest/gtest.h>

namespace kelvra {
namespace {

// A name read from the disk must name the same file when handed back,
// whatever its bytes; text that is UTF-8 reads as that text.
TEST(FileNames, EveryByteNameSurvivesTheRoundTrip)
{
    struct Case
    {
        const char *what;
        std::string bytes;
        bool utf8;
    };
    const Case cases[] = {
        { "plain", "IMG_0001.JPG", true },
        { "accents and CJK", "f\xC3\xA9te \xE5\x86\x99\xE7\x9C\x9F.jpg", true },
        { "outside the BMP", "\xF0\x9F\x93\xB7.jpg", true },
        { "Latin-1", "caf\xE9.jpg", false },
        { "overlong slash",
            "a\xC0\xAF"
            "b",
            false },
        { "encoded surrogate", "\xED\xA0\x80.jpg", false },
        { "cut sequence at the end", "x\xE2\x82", false },
        { "past U+10FFFF", "\xF4\x90\x80\x80", false },
        { "lone continuation bytes", "\x80\xBF\xFF", false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString name = fromNativeBytes(c.bytes);
        EXPECT_EQ(nativePath(name).native(), c.bytes);
        if (c.utf8)
            EXPECT_EQ(name, QString::fromUtf8(c.bytes));
        else
            EXPECT_NE(name, QString::fromUtf8(c.bytes));
    }
}

TEST(FileNames, FilesWithSuchNamesOpenAndList)
{
    test::TempDir dir;
    const std::string bytes = "r\xE9sum\xE9.jpg";
    test::writeFileBytes(dir / bytes, "\xFF\xD8 photo");
    const QString name = fromNativePath(dir / bytes);
    EXPECT_TRUE(isFile(name));
    EXPECT_TRUE(pathExists(name));
    EXPECT_FALSE(isFolder(name));
    QFile file;
    ASSERT_TRUE(openForReading(file, name));
    EXPECT_EQ(file.readAll(), QByteArray("\xFF\xD8 photo"));

    const QString folder = fromNativePath(dir / "\xC9t\xE9" / "2003");
    EXPECT_TRUE(makeFolders(folder));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "\xC9t\xE9" / "2003"));
    EXPECT_FALSE(openForReading(file, fromNativePath(dir / "missing\xE9")));
    EXPECT_FALSE(file.errorString().isEmpty());
}

} // namespace
} // namespace kelvra
