// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_times.h"

#include "common/test_support.h"

#include <gtest/gtest.h>

#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>

namespace kelvra {
namespace {

void setModificationTime(const std::filesystem::path &path, int64_t seconds)
{
    const timespec times[2] = { { time_t(seconds), 0 }, { time_t(seconds), 0 } };
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(FileTimes, ModificationTimeAsSetAndBirthWhenRecorded)
{
    test::TempDir dir;
    const auto file = dir / "photo.jpg";
    const int64_t before = int64_t(std::time(nullptr));
    test::writeFileBytes(file, "x");
    const int64_t after = int64_t(std::time(nullptr));

    for (int64_t set : { int64_t(1556719629), int64_t(0), int64_t(4354819199) }) {
        setModificationTime(file, set);
        const FileTimes times = readFileTimes(QString::fromStdString(file.string()));
        ASSERT_TRUE(times.modification);
        EXPECT_EQ(*times.modification, set);
        // The birth time is the moment the file was written, whatever the
        // modification time says; file systems without one give none.
        if (times.creation) {
            EXPECT_GE(*times.creation, before - 1);
            EXPECT_LE(*times.creation, after + 1);
        }
    }
}

TEST(FileTimes, MissingFileGivesNothing)
{
    test::TempDir dir;
    const FileTimes times = readFileTimes(QString::fromStdString((dir / "absent.jpg").string()));
    EXPECT_FALSE(times.modification);
    EXPECT_FALSE(times.creation);
}

} // namespace
} // namespace kelvra
