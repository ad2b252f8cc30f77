// SPDX-License-Identifier: GPL-3.0-or-later
// Photo dates from EXIF, file names and file dates, with clock corrections, through the command line.
#include "common/qt_test_support.h"
#include "common/test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::contains;
using test::runCli;
using test::runTool;
using test::TempDir;

// A photo without EXIF, then the given EXIF tags set by exiftool ("-Model=CamA").
fs::path makePhoto(const fs::path &path, const std::vector<std::string> &tags = {})
{
    EXPECT_TRUE(test::makePlainPhoto(path, QColor(90, 120, 150), 160, 120));
    if (!tags.empty()) {
        std::vector<std::string> argv { "exiftool", "-q", "-overwrite_original" };
        argv.insert(argv.end(), tags.begin(), tags.end());
        argv.push_back(path.string());
        const auto r = runTool(argv);
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
    return path;
}

// The line of a `dates` listing that starts with label (after the indent).
std::string lineOf(const std::string &text, const std::string &label)
{
    const size_t at = text.find("\n  " + label);
    if (at == std::string::npos)
        return std::string();
    return text.substr(at + 3, text.find('\n', at + 1) - at - 3);
}

class DatesCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!test::toolAvailable("exiftool"))
            GTEST_SKIP() << "exiftool missing";
    }
    TempDir dir;
};

TEST_F(DatesCommand, FileNamesDatePhotosWithoutExif)
{
    struct Case
    {
        const char *name;
        const char *chosen;
    };
    const Case cases[] = {
        { "IMG_20210906_165243.jpg", "2021-09-06 16:52:43" },
        { "PXL_20210906_165243123.jpg", "2021-09-06 16:52:43" },
        { "IMG-20210906-WA0001.jpg", "2021-09-06 12:00:00" },
        { "Screenshot_2021-09-06-16-52-43.jpg", "2021-09-06 16:52:43" },
        { "2021-09-06 16.52.43.jpg", "2021-09-06 16:52:43" },
        { "2021-09-06-16-52-43.jpg", "2021-09-06 16:52:43" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path photo = makePhoto(dir / c.name);
        const auto r = runCli({ "dates", photo.string() });
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(contains(lineOf(r.out, "file name"), std::string(c.chosen) + "  <- chosen")) << r.out;
        EXPECT_EQ(lineOf(r.out, "chosen"), "chosen           file name, the first source with a usable date");
        EXPECT_EQ(lineOf(r.out, "corrected"), std::string("corrected        ") + c.chosen);
        // Turned off, the file's own date is next.
        const auto off = runCli({ "dates", "--no-name-dates", photo.string() });
        EXPECT_TRUE(contains(lineOf(off.out, "chosen"), "file date")) << off.out;
    }
}

TEST_F(DatesCommand, PlaceholderClockAndImpossibleDates)
{
    const fs::path photo = makePhoto(dir / "IMG_20211306_101010.jpg",
        { "-DateTimeOriginal=2000:01:01 00:00:00", "-CreateDate=2019:05:01 14:07:09" });
    const auto kept = runCli({ "dates", photo.string() });
    ASSERT_EQ(kept.exitCode, 0) << kept.err;
    EXPECT_EQ(lineOf(kept.out, "corrected"), "corrected        2000-01-01 00:00:00");
    EXPECT_TRUE(contains(lineOf(kept.out, "file name"), "not used: not a real date")) << kept.out;

    const auto ignored = runCli({ "dates", "--ignore-placeholder-dates", photo.string() });
    EXPECT_TRUE(contains(lineOf(ignored.out, "DateTimeOriginal"), "not used: placeholder clock")) << ignored.out;
    EXPECT_TRUE(contains(lineOf(ignored.out, "CreateDate"), "2019-05-01 14:07:09  <- chosen")) << ignored.out;
    EXPECT_EQ(lineOf(ignored.out, "corrected"), "corrected        2019-05-01 14:07:09");
}

TEST_F(DatesCommand, CaptionNamesTheSourceAndTakesTheShift)
{
    const fs::path camA = makePhoto(dir / "a.jpg", { "-Model=CamA", "-DateTimeOriginal=2021:09:06 16:52:43" });
    const fs::path modified = makePhoto(dir / "m.jpg", { "-ModifyDate=2020:02:03 04:05:06" });
    const std::string caption = "[PHOTO_DATE] [DATE_SOURCE]";
    struct Case
    {
        std::vector<std::string> args;
        const char *out;
    };
    const Case cases[] = {
        { { caption, camA.string() }, "06.09.2021 16:52 DateTimeOriginal\n" },
        { { caption, modified.string() }, "03.02.2020 04:05 ModifyDate\n" },
        { { "--shift", "-1d2:00", caption, modified.string() }, "02.02.2020 02:05 ModifyDate\n" },
        { { "--explain", "--shift-from", camA.string() + "=2021-09-06 17:52:43", caption, camA.string() },
            "06.09.2021 17:52 DateTimeOriginal\n"
            "date 2021-09-06 17:52:43 from DateTimeOriginal 2021-09-06 16:52:43 shifted +1:00:00 (camera CamA)\n" },
        // The shift worked out from camera A leaves other cameras alone.
        { { "--shift-from", camA.string() + "=2021-09-06 17:52:43", caption, modified.string() },
            "03.02.2020 04:05 ModifyDate\n" },
    };
    for (const Case &c : cases) {
        std::vector<std::string> args { "caption" };
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto r = runCli(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, c.out) << c.args.front();
    }
}

TEST_F(DatesCommand, BadOffsetsAreUsageErrorsNamingThem)
{
    const fs::path photo = makePhoto(dir / "p.jpg", { "-DateTimeOriginal=2021:09:06 16:52:43" });
    const std::vector<std::vector<std::string>> cases = {
        { "caption", "--shift", "1x", "[PHOTO_DATE]", photo.string() },
        { "caption", "--shift-camera", "CamA=+25", "[PHOTO_DATE]", photo.string() },
        { "dates", "--shift", "+1:75", photo.string() },
        { "dates", "--shift-from", photo.string() + "=yesterday", photo.string() },
        { "stamp", "--shift", "soon", "--out", (dir / "out").string(), photo.string() },
    };
    for (const auto &args : cases) {
        const auto r = runCli(args);
        EXPECT_EQ(r.exitCode, 2) << args[2];
        EXPECT_TRUE(contains(r.err, args[2].substr(args[2].find('=') + 1))) << r.err;
    }
    EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST_F(DatesCommand, DatedFoldersFollowEachCamerasCorrectedDate)
{
    const fs::path camA = makePhoto(dir / "in" / "a.jpg", { "-Model=CamA", "-DateTimeOriginal=2021:09:30 23:30:00" });
    const fs::path camB = makePhoto(dir / "in" / "b.jpg", { "-Model=CamB", "-DateTimeOriginal=2021:09:30 23:30:00" });
    const std::vector<std::string> design { "--no-stamp", "--rename", "%y\\%m\\%o", "--shift", "-1d", "--shift-camera",
        "cama=+1:00:00" };

    std::vector<std::string> stamp { "stamp" };
    stamp.insert(stamp.end(), design.begin(), design.end());
    stamp.insert(stamp.end(), { "--out", (dir / "out").string(), camA.string(), camB.string() });
    const auto r = runCli(stamp);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::is_regular_file(dir / "out" / "2021" / "10" / "a.jpg")) << r.out;
    EXPECT_TRUE(fs::is_regular_file(dir / "out" / "2021" / "09" / "b.jpg")) << r.out;

    // The plan decides the same names and carries the corrections.
    std::vector<std::string> plan { "plan" };
    plan.insert(plan.end(), design.begin(), design.end());
    plan.insert(plan.end(), { "--out", (dir / "planned").string(), camA.string(), camB.string() });
    const auto planned = runCli(plan);
    ASSERT_EQ(planned.exitCode, 0) << planned.err;
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(planned.out)).object();
    const QJsonObject designJson = json[QStringLiteral("design")].toObject();
    EXPECT_EQ(designJson[QStringLiteral("dateShift")].toString(), QStringLiteral("-1d"));
    EXPECT_EQ(designJson[QStringLiteral("cameraShifts")].toString(), QStringLiteral("cama=+1:00:00"));
    const QJsonArray photos = json[QStringLiteral("photos")].toArray();
    ASSERT_EQ(photos.size(), 2);
    EXPECT_TRUE(photos[0][QStringLiteral("output")].toString().endsWith(QStringLiteral("2021/10/a.jpg")));
    EXPECT_TRUE(photos[1][QStringLiteral("output")].toString().endsWith(QStringLiteral("2021/09/b.jpg")));
}

// The name command reads the date as a run does, corrections included.
TEST(NameCommand, FollowsTheCorrectedDate)
{
    const std::string photo = test::photo("gps/DSCN0010.jpg").string(); // taken 2008-10-22 16:28:39
    EXPECT_EQ(runCli({ "name", "%y-%m-%d_%h", "1", photo }).out, "2008-10-22_16.jpg\n");
    EXPECT_EQ(runCli({ "name", "--shift=-1d", "%y-%m-%d_%h", "1", photo }).out, "2008-10-21_16.jpg\n");
    EXPECT_EQ(runCli({ "name", "--shift", "+7:32", "%y-%m-%d_%h", "1", photo }).out, "2008-10-23_00.jpg\n");
    EXPECT_EQ(runCli({ "name", "--shift", "soon", "%y", "1", photo }).exitCode, 2);
}

} // namespace
} // namespace kelvra
