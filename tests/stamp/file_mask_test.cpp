// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/file_mask.h"

#include "stamp/stamp_settings.h"

#include "printers.h"

#include <gtest/gtest.h>

namespace kelvra {
namespace {

struct MaskCase
{
    const char *mask;
    const char *source;
    qint64 counter;
    TDateTime date;
    const char *expected;
};

TEST(FileMask, Expansion)
{
    const FormatSettings locale;
    const TDateTime may1 = dateOf(2019, 5, 1, 14, 7, 9); // a Wednesday, day 121, ISO week 18
    const MaskCase cases[] = {
        { "%y-%m-%d_%n3", "IMG_1.JPG", 7, may1, "2019-05-01_007.JPG" },
        { "%y\\%m\\%d\\%o", "IMG_1.JPG", 7, may1, "2019\\05\\01\\IMG_1.JPG" },
        { "%Y-%M-%D_%N3", "IMG_1.JPG", 7, may1, "2019-05-01_007.JPG" },
        { "  %o  ", "IMG_1.JPG", 7, may1, "IMG_1.JPG" },
        { "%h.%n.%s", "IMG_1.JPG", 7, may1, "14.07.09.JPG" },
        { "%H%N%S", "a.jpg", 7, dateOf(2019, 5, 1, 9, 5, 3), "090503.jpg" },
        { "%dw %dy %wy %wm", "a.jpg", 7, may1, "4 121 18 1.jpg" },
        { "%DW %DY %WY %WM", "a.jpg", 7, may1, "4 121 18 1.jpg" },
        { "%o_timestamp", "/photos/day/IMG_1.jpg", 7, may1, "IMG_1_timestamp.jpg" },
        { "%n1|%n2|%n3|%n4|%n5|%n9", "a.jpg", 1234, may1, "4|34|234|1234|01234|000001234.jpg" },
        { "%n3", "a.jpg", 7, may1, "007.jpg" },
        { "%n", "a.jpg", 7, may1, "07.jpg" }, // minute: no digit follows
        { "%n10", "a.jpg", 7, may1, "70.jpg" }, // the one-digit counter, then 0
        { "%o", "a.b.jpg", 1, may1, "a.b.jpg" },
        { "%o", "README", 1, may1, "README" },
        { "%o", "50%dOff.jpg", 1, may1, "5001Off.jpg" }, // a field inside the name is expanded too
        { "%o", "%n3.jpg", 1, may1, "073.jpg" }, // counters come first: in a name "%n" is the minute
        { "%dw", "a.jpg", 1, dateOf(2019, 5, 5), "1.jpg" }, // a Sunday
        { "%dw", "a.jpg", 1, dateOf(2019, 5, 4), "7.jpg" }, // a Saturday
        { "%dy", "a.jpg", 1, dateOf(2020, 12, 31), "366.jpg" },
        { "%wy", "a.jpg", 1, dateOf(2021, 1, 1), "53.jpg" },
        { "%wy", "a.jpg", 1, dateOf(2019, 12, 30), "1.jpg" },
        { "%wm", "a.jpg", 1, dateOf(2019, 4, 29), "1.jpg" }, // its week belongs to May
        { "%wm", "a.jpg", 1, dateOf(2019, 3, 1), "4.jpg" }, // its week belongs to February
        { "%y-%m-%d %h%n%s %dw %wy", "a.jpg", 1, 0, "1899-12-30 000000 7 52.jpg" }, // no date at all
        { "plain", "a.JpEg", 1, may1, "plain.JpEg" },
        { "", "a.jpg", 1, may1, ".jpg" },
        { "100%", "a.jpg", 1, may1, "100%.jpg" },
    };
    for (const MaskCase &c : cases)
        EXPECT_EQ(ExpandFileMask(QString::fromUtf8(c.mask), QString::fromUtf8(c.source), c.counter, c.date, locale),
            QString::fromUtf8(c.expected))
            << c.mask << " / " << c.source;
}

TEST(FileMask, ExampleLine)
{
    const FormatSettings locale;
    const TDateTime now = dateOf(2024, 3, 9, 10, 11, 12);
    EXPECT_EQ(maskExample(StampSettings().FNMask, now, locale), QStringLiteral("OriginalName_timestamp.jpg"));
    EXPECT_EQ(maskExample(QStringLiteral("%y%m%d%h%n%s_%n3"), now, locale), QStringLiteral("20240309101112_001.jpg"));
}

TEST(FileMask, OfferedMasks)
{
    EXPECT_EQ(offeredMasks().first(), StampSettings().FNMask);
    EXPECT_EQ(offeredMasks().size(), 16);
    for (const QString &mask : offeredMasks()) {
        // Every offered mask gives a name that stays inside the output folder.
        const QString name = ExpandFileMask(mask, QStringLiteral("x.jpg"), 3, dateOf(2019, 5, 1), FormatSettings());
        EXPECT_TRUE(splitOutputName(name)) << mask.toStdString();
        EXPECT_FALSE(name.contains(u'%')) << mask.toStdString();
    }
}

TEST(FileMask, JpegExtensions)
{
    const std::pair<const char *, bool> cases[] = {
        { "a.jpg", true },
        { "a.JPG", true },
        { "a.jpeg", true },
        { "a.Jfif", true },
        { "a.JPE", true },
        { "a.jif", true },
        { "/d/x.y/a.jpg", true },
        { "a.tar.jpg", true },
        { "a.jpg2", false },
        { "a.png", false },
        { "noextension", false },
        { "jpg", false },
        { "/d/x.jpg/a", false },
        { "a.jpg.txt", false },
        { "", false },
        { ".jpg", true },
    };
    for (const auto &[name, expected] : cases)
        EXPECT_EQ(IsJpegFileName(QString::fromUtf8(name)), expected) << name;
}

TEST(FileMask, OutputNamesStayInTheOutputFolder)
{
    struct Case
    {
        const char *expanded;
        bool accepted;
        const char *folders; // joined by |
        const char *fileName;
    };
    const Case cases[] = {
        { "IMG_1.jpg", true, "", "IMG_1.jpg" },
        { "2019\\05\\01\\IMG_1.jpg", true, "2019|05|01", "IMG_1.jpg" },
        { "2019/05/IMG_1.jpg", true, "2019|05", "IMG_1.jpg" },
        { "2019\\\\05/./IMG_1.jpg", true, "2019|05", "IMG_1.jpg" },
        { "a b\\c.d\\x.jpg", true, "a b|c.d", "x.jpg" },
        { "..\\IMG_1.jpg", false, "", "" },
        { "2019\\..\\..\\IMG_1.jpg", false, "", "" },
        { "../IMG_1.jpg", false, "", "" },
        { "...\\IMG_1.jpg", false, "", "" },
        { ". .\\IMG_1.jpg", false, "", "" },
        { "\\IMG_1.jpg", false, "", "" },
        { "/etc/IMG_1.jpg", false, "", "" },
        { "C:\\IMG_1.jpg", false, "", "" },
        { "c:IMG_1.jpg", false, "", "" },
        { "2019\\", false, "", "" },
        { "", false, "", "" },
        { "..", false, "", "" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expanded);
        const std::optional<OutputName> name = splitOutputName(QString::fromUtf8(c.expanded));
        ASSERT_EQ(name.has_value(), c.accepted);
        if (!name)
            continue;
        EXPECT_EQ(name->folders.join(u'|'), QString::fromUtf8(c.folders));
        EXPECT_EQ(name->fileName, QString::fromUtf8(c.fileName));
    }
}

// A mask mistake is found in the mask itself, before any photo is named.
TEST(FileMask, MistakesNoPhotoCanMakeRight)
{
    const struct
    {
        const char *mask;
        MaskProblem problem;
        const char *field;
    } cases[] = {
        { "%y\\%m\\%o_%n3", MaskProblem::None, "" },
        { "%Y-%M-%D_%N9", MaskProblem::None, "" }, // fields in any case
        { "%dw%dy%wy%wm%h%n%s", MaskProblem::None, "" },
        { "x_%n", MaskProblem::None, "" }, // minute, not a counter
        { "%q", MaskProblem::UnknownField, "%q" },
        { "%o_%x1", MaskProblem::UnknownField, "%x" },
        { "100%", MaskProblem::UnknownField, "%" },
        { "%y\\", MaskProblem::EndsInSeparator, "" },
        { " %o/ ", MaskProblem::EndsInSeparator, "" },
        { "C:%o", MaskProblem::Drive, "" },
        { "d:\\%o", MaskProblem::Drive, "" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mask);
        const MaskCheck check = checkFileMask(QString::fromUtf8(c.mask));
        EXPECT_EQ(check.problem, c.problem);
        EXPECT_EQ(check.field, QString::fromUtf8(c.field));
    }
}

TEST(FileMask, OutputNameProblemSaysWhy)
{
    const struct
    {
        const char *expanded;
        OutputNameProblem problem;
    } cases[] = {
        { "2019\\IMG_1.jpg", OutputNameProblem::None },
        { "..\\IMG_1.jpg", OutputNameProblem::LeavesFolder },
        { "/etc/IMG_1.jpg", OutputNameProblem::LeavesFolder },
        { "C:IMG_1.jpg", OutputNameProblem::Drive },
        { "2019\\", OutputNameProblem::EndsInSeparator },
        { "", OutputNameProblem::NoName },
        { ".\\.", OutputNameProblem::NoName },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.expanded);
        EXPECT_EQ(outputNameProblem(QString::fromUtf8(c.expanded)), c.problem);
    }
}

} // namespace
} // namespace kelvra
