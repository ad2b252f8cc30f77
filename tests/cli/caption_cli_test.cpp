// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>

namespace kelvra {
namespace {

namespace fs = std::filesystem;

// A copy of a test photo whose modification time is `modified`.
fs::path copyWithTime(const test::TempDir &dir, const std::string &photo, const std::string &name, time_t modified)
{
    const fs::path copy = dir / name;
    fs::copy_file(test::photo(photo), copy);
    const timespec times[2] = {{modified, 0}, {modified, 0}};
    EXPECT_EQ(utimensat(AT_FDCWD, copy.c_str(), times, 0), 0);
    return copy;
}

std::string localStamp(time_t t, const char *format)
{
    std::tm local{};
    localtime_r(&t, &local);
    char text[64];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

TEST(NameCommand, PhotoWithoutExifIsNamedFromItsFileDate)
{
    test::TempDir dir;
    const time_t modified = 1556719629; // the copy is created now, so this is the earlier date
    const fs::path copy = copyWithTime(dir, "structure/olympus-d320l.jpg", "scan.JPG", modified);
    const test::CommandResult r = test::runCli({"name", "%y\\%m\\%d\\%o_%n3", "7", copy.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, localStamp(modified, "%Y/%m/%d/scan_007.JPG\n"));
}

TEST(NameCommand, Refusals)
{
    test::TempDir dir;
    const fs::path copy = copyWithTime(dir, "structure/olympus-d320l.jpg", "a.jpg", 1556719629);
    struct Case
    {
        std::vector<std::string> args;
        int exitCode;
    };
    const Case cases[] = {
        {{"name", "..\\%o", "1", copy.string()}, 1},     // leaves the output folder
        {{"name", "%o\\..\\..\\x", "1", copy.string()}, 1},
        {{"name", "/%o", "1", copy.string()}, 1},
        {{"name", "%o", "-1", copy.string()}, 2},
        {{"name", "%o", "seven", copy.string()}, 2},
        {{"name", "%o", "1"}, 2},
        {{"name", "%o", "1", (dir / "absent.jpg").string()}, 1},
    };
    for (const Case &c : cases) {
        const test::CommandResult r = test::runCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[1] << ' ' << c.args[2];
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_FALSE(r.err.empty());
    }
}

} // namespace
} // namespace kelvra
