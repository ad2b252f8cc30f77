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

// exiftool's listing of a file, one "[Group] Tag : value" line each, without
// the file system's entries and, when dropDates, without the dates a fix
// rewrites (and the composite tags made of them).
std::vector<std::string> listing(const fs::path &file, bool dropDates)
{
    const auto r = runTool({ "exiftool", "-a", "-G1", "-s", file.string() });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    static const std::vector<std::string> fixed { "DateTimeOriginal", "CreateDate", "ModifyDate", "OffsetTime",
        "OffsetTimeOriginal", "OffsetTimeDigitized" };
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = r.out.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = r.out.substr(start, end - start);
        const size_t close = line.find("] ");
        const std::string group = line.substr(0, close + 1);
        const size_t from = line.find_first_not_of(' ', close + 1);
        const std::string tag = line.substr(from, line.find(' ', from) - from);
        if (group == "[System]")
            continue;
        const bool isFixed = std::find(fixed.begin(), fixed.end(), tag) != fixed.end()
            || (group == "[Composite]" && contains(tag, "Date"));
        if (!(dropDates && isFixed))
            lines.push_back(line);
    }
    return lines;
}

// "DateTimeOriginal CreateDate ModifyDate | OffsetTime OffsetTimeOriginal OffsetTimeDigitized" as exiftool reads them.
std::string exifDates(const fs::path &file)
{
    const auto r = runTool({ "exiftool", "-s3", "-f", "-DateTimeOriginal", "-CreateDate", "-ModifyDate", "-OffsetTime",
        "-OffsetTimeOriginal", "-OffsetTimeDigitized", file.string() });
    std::string text = r.out;
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

TEST_F(DatesCommand, FixedExifDatesAreTheCorrectedOnesAndNothingElseChanges)
{
    struct Photo
    {
        const char *name;
        std::vector<std::string> tags;
        const char *dates; // as exiftool reads them in the fixed output
    };
    // Every shape a date block comes in: all tags in place, little-endian,
    // only the main directory, an EXIF directory without dates, no EXIF at all.
    const Photo photos[] = {
        { "full.jpg",
            { "-Model=CamA", "-Artist=Ann", "-DateTimeOriginal=2021:09:06 16:52:43", "-CreateDate=2021:09:06 16:52:40",
                "-ModifyDate=2021:09:07 08:00:00", "-OffsetTimeOriginal=+02:00", "-GPSDateStamp=2021:09:06",
                "-ISO=200" },
            "2021:09:06 17:52:43 2021:09:06 17:52:43 2021:09:06 17:52:43 +02:00 +02:00 +02:00 " },
        { "intel.jpg",
            { "-ExifByteOrder=Little-endian", "-Make=Maker", "-Model=CamB", "-DateTimeOriginal=2020:02:29 23:30:00",
                "-ExposureTime=1/200" },
            "2020:03:01 00:30:00 2020:03:01 00:30:00 2020:03:01 00:30:00 - - - " },
        { "main-only.jpg", { "-Model=CamC", "-ModifyDate=2019:05:01 14:07:09", "-Software=Editor 1.0" },
            "2019:05:01 15:07:09 2019:05:01 15:07:09 2019:05:01 15:07:09 - - - " },
        { "IMG_20190501_140709_undated.jpg", { "-Model=CamD", "-ISO=400", "-FNumber=2.8" },
            "2019:05:01 15:07:09 2019:05:01 15:07:09 2019:05:01 15:07:09 - - - " },
        { "IMG_20210906_165243.jpg", {}, "2021:09:06 17:52:43 2021:09:06 17:52:43 2021:09:06 17:52:43 - - - " },
    };
    std::vector<std::string> sources;
    std::map<std::string, std::string> sourceBytes;
    for (const Photo &p : photos) {
        const fs::path path = makePhoto(dir / "in" / p.name, p.tags);
        sources.push_back(path.string());
    }
    ASSERT_EQ(exifDates(sources[3]), "- - - - - - ");
    for (const std::string &source : sources)
        sourceBytes[source] = test::readFileBytes(source);

    const std::vector<std::vector<std::string>> roads
        = { {}, { "--keep-quality" }, { "--no-stamp", "--rename", "%o" } };
    for (size_t road = 0; road < roads.size(); ++road) {
        const auto run = [&](const std::string &out, bool fix) {
            std::vector<std::string> args { "stamp", "--caption", "[PHOTO_DATE] [TZ]", "--shift", "+1:00:00" };
            args.insert(args.end(), roads[road].begin(), roads[road].end());
            if (fix)
                args.push_back("--fix-exif-dates");
            args.insert(args.end(), { "--out", (dir / out).string() });
            args.insert(args.end(), sources.begin(), sources.end());
            const auto r = runCli(args);
            EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
        };
        const std::string plain = "plain" + std::to_string(road), fixed = "fixed" + std::to_string(road);
        run(plain, false);
        run(fixed, true);
        for (const Photo &p : photos) {
            SCOPED_TRACE(std::string(p.name) + " road " + std::to_string(road));
            const std::string name = road == 2 ? p.name : fs::path(p.name).stem().string() + "_timestamp.jpg";
            const fs::path before = dir / plain / name, after = dir / fixed / name;
            ASSERT_TRUE(fs::is_regular_file(after));
            EXPECT_EQ(exifDates(after), p.dates);
            if (!p.tags.empty())
                EXPECT_EQ(listing(after, true), listing(before, true));
            else
                EXPECT_TRUE(contains(test::readFileBytes(after), std::string("Exif\0\0", 6)));
            // exiftool finds nothing wrong in the rewritten block's structure;
            // tags a camera would add are not ours to invent.
            const auto warned = runTool({ "exiftool", "-validate", "-warning", "-a", "-s3", after.string() });
            for (const std::string &line : { warned.out }) {
                std::string rest;
                for (size_t at = 0, end; (end = line.find('\n', at)) != std::string::npos; at = end + 1) {
                    const std::string one = line.substr(at, end - at);
                    if (!contains(one, "Missing required") && !contains(one, " Warnings"))
                        rest += one + '\n';
                }
                EXPECT_EQ(rest, "");
            }
        }
    }
    for (const std::string &source : sources)
        EXPECT_EQ(test::readFileBytes(source), sourceBytes[source]) << source;
}

TEST_F(DatesCommand, ZoneConvertsCaptionDatesOnlyFromAKnownZone)
{
    const fs::path zoned
        = makePhoto(dir / "z.jpg", { "-DateTimeOriginal=2021:09:06 16:52:43", "-OffsetTimeOriginal=+02:00" });
    const fs::path bare = makePhoto(dir / "b.jpg", { "-DateTimeOriginal=2021:09:06 16:52:43" });
    const std::string caption = "[PHOTO_DATE] [TZ]";
    struct Case
    {
        std::vector<std::string> args;
        const char *out;
    };
    const Case cases[] = {
        { { caption, zoned.string() }, "06.09.2021 16:52 +02:00\n" },
        { { "--zone", "+05:30", caption, zoned.string() }, "06.09.2021 20:22 +05:30\n" },
        { { "--zone", "-10:00", "--shift", "-1d", caption, zoned.string() }, "05.09.2021 04:52 -10:00\n" },
        { { "--zone", "+05:30", caption, bare.string() }, "06.09.2021 16:52 \n" },
        { { "--explain", "--zone", "+05:30", caption, zoned.string() },
            "06.09.2021 20:22 +05:30\n"
            "date 2021-09-06 16:52:43 from DateTimeOriginal shown 2021-09-06 20:22:43 in +05:30 (taken in +02:00)\n" },
    };
    for (const Case &c : cases) {
        std::vector<std::string> args { "caption" };
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto r = runCli(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, c.out);
    }
    const auto listed = runCli({ "dates", "--zone", "+05:30", zoned.string() });
    EXPECT_EQ(lineOf(listed.out, "zone"), "zone             +02:00 (OffsetTimeOriginal)");
    EXPECT_EQ(lineOf(listed.out, "in captions"), "in captions      2021-09-06 20:22:43 +05:30");
    // Dated folders keep the photo's own clock.
    EXPECT_EQ(runCli({ "name", "--zone", "+05:30", "%h%n", "1", zoned.string() }).out, "1652.jpg\n");
    for (const char *bad : { "+5:30", "+15:00", "UTC" }) {
        const auto r = runCli({ "caption", "--zone", bad, caption, zoned.string() });
        EXPECT_EQ(r.exitCode, 2) << bad;
        EXPECT_TRUE(contains(r.err, bad)) << r.err;
    }
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
