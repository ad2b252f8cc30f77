// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/photo_values.h"

#include "common/test_support.h"

#include "printers.h"

#include <gtest/gtest.h>

#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>

namespace kelvra {
namespace {

TEST(FileDates, LocalEvenSecondsAndTheEarlierDateAsFallback)
{
    test::TempDir dir;
    const auto file = dir / "copied.jpg";
    test::writeFileBytes(file, "x");
    const time_t modified = 1556719629; // odd seconds
    const timespec times[2] = { { modified, 0 }, { modified, 0 } };
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);

    const FileDates dates = readFileDates(QString::fromStdString(file.string()));
    std::tm local {};
    ASSERT_TRUE(localtime_r(&modified, &local));
    EXPECT_EQ(calendarFields(dates.modification),
        (DateTimeFields { local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
            local.tm_sec & ~1, 0 }));
    // Created now, after its last change, like a copied photo: the
    // modification date is the earlier one, and without a birth time the
    // only one.
    if (isRealDate(dates.creation)) {
        EXPECT_GT(dates.creation, dates.modification);
    }
    EXPECT_EQ(FallbackFileDate(dates.creation, dates.modification), dates.modification);
}

TEST(FileDates, MissingFileHasNoDates)
{
    const FileDates dates = readFileDates(QStringLiteral("/nonexistent/photo.jpg"));
    EXPECT_EQ(dates.creation, 0);
    EXPECT_EQ(dates.modification, 0);
}

} // namespace
} // namespace kelvra
