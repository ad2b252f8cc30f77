// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/test_support.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cmath>
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
    const timespec times[2] = { { modified, 0 }, { modified, 0 } };
    EXPECT_EQ(utimensat(AT_FDCWD, copy.c_str(), times, 0), 0);
    return copy;
}

std::string localStamp(time_t t, const char *format)
{
    std::tm local {};
    localtime_r(&t, &local);
    char text[64];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

// The photos with GPS coordinates and what an independent reader found in them.
std::vector<QJsonObject> gpsPhotos()
{
    QFile file(QString::fromStdString(test::photo("reference.json").string()));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    std::vector<QJsonObject> photos;
    const QJsonArray files = QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("files")).toArray();
    for (const QJsonValue &entry : files) {
        if (entry[QStringLiteral("exiftool")].toObject().contains(QStringLiteral("GPS:GPSLatitude")))
            photos.push_back(entry.toObject());
    }
    return photos;
}

std::string format(const char *pattern, double a, double b = 0, double c = 0)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, a, b, c);
    return text;
}

// One coordinate as the caption shows it: degrees, minutes and seconds, or
// decimal degrees.
std::string coordinate(double degrees, int gpsForm)
{
    if (gpsForm == 0)
        return format("%.4f\u00B0", degrees);
    const double whole = std::floor(degrees);
    const double minutes = (degrees - whole) * 60;
    const double wholeMinutes = std::floor(minutes + 1e-9);
    return format("%.0f\u00B0%.0f'%.0f\"", whole, wholeMinutes, (minutes - wholeMinutes) * 60);
}

TEST(CaptionCommand, GpsPhotosAgreeWithTheReference)
{
    const std::vector<QJsonObject> photos = gpsPhotos();
    ASSERT_EQ(photos.size(), 4u);
    for (const QJsonObject &photo : photos) {
        const std::string name = photo[QStringLiteral("file")].toString().toStdString();
        const QJsonObject tags = photo[QStringLiteral("exiftool")].toObject();
        const auto text = [&tags](const char *key) {
            return tags[QLatin1String(key)].toVariant().toString().trimmed().toStdString();
        };
        const auto number = [&tags](const char *key) { return tags[QLatin1String(key)].toDouble(); };

        // "2008:10:22 16:28:39" as DD.MM.YYYY hh:nn
        const std::string taken = tags.contains(QStringLiteral("ExifIFD:DateTimeOriginal"))
            ? text("ExifIFD:DateTimeOriginal")
            : text("IFD0:ModifyDate");
        const std::string date
            = taken.substr(8, 2) + '.' + taken.substr(5, 2) + '.' + taken.substr(0, 4) + ' ' + taken.substr(11, 5);
        const std::string fNumber
            = tags.contains(QStringLiteral("ExifIFD:FNumber")) ? format("f%.1f", number("ExifIFD:FNumber")) : "";

        for (int form : { 2, 0 }) {
            SCOPED_TRACE(name + " form " + std::to_string(form));
            const std::string position = coordinate(number("GPS:GPSLatitude"), form) + text("GPS:GPSLatitudeRef") + ' '
                + coordinate(number("GPS:GPSLongitude"), form) + text("GPS:GPSLongitudeRef");
            const std::string head = date + ' ' + text("IFD0:Make") + ' ' + text("IFD0:Model") + ' ';
            const std::string tail = ' ' + fNumber + ' ' + text("ExifIFD:ISO") + ' ' + position + '\n';

            const test::CommandResult r = test::runCli({ "caption", "--gps-form", std::to_string(form),
                "[PHOTO_DATE] [Make] [Model] [ETime] [FNumber] [ISO] [GPSPos]", test::photo(name).string() });
            ASSERT_EQ(r.exitCode, 0) << r.err;
            ASSERT_GE(r.out.size(), head.size() + tail.size()) << r.out;
            EXPECT_EQ(r.out.substr(0, head.size()), head);
            EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);

            // The exposure as photographers write it: "1/75 sec" for a stored 4/300.
            const std::string exposure = r.out.substr(head.size(), r.out.size() - head.size() - tail.size());
            if (!tags.contains(QStringLiteral("ExifIFD:ExposureTime"))) {
                EXPECT_EQ(exposure, "");
                continue;
            }
            const double seconds = number("ExifIFD:ExposureTime");
            if (seconds < 0.5)
                EXPECT_EQ(exposure, format("1/%.0f sec", std::round(1 / seconds)));
            else
                EXPECT_EQ(exposure, format("%g sec", std::round(seconds * 10) / 10));
        }
    }
}

TEST(CaptionCommand, OptionsAndRefusals)
{
    const std::string photo = test::photo("gps/67-0_length_string.jpg").string();
    struct Case
    {
        std::vector<std::string> args;
        int exitCode;
        const char *out;
    };
    const Case cases[] = {
        { { "caption", "--date-format", "YYYY-MM-DD hh:nn:ss", "[photo_date] [PN_WOE]", photo }, 0,
            "2016-09-12 10:05:31 67-0_length_string\n" },
        { { "caption", "--date-format", "", "<[PHOTO_DATE]>", photo }, 0, "<>\n" },
        { { "caption", "[GPSAlt] m [GPSDir]", photo }, 0, "340 m 29139/100M\n" },
        { { "caption", "--gps-form", "1", "[GPSPos]", photo }, 0, "51\u00B01.50'N 7\u00B035.52'E\n" },
        { { "caption", "--gps-form", "3", "[GPSPos]", photo }, 2, "" },
        { { "caption", "--colour", "[Make]", photo }, 2, "" },
        { { "caption", "[Make]" }, 2, "" },
        { { "caption", "[Make]", photo + ".absent" }, 1, "" },
    };
    for (const Case &c : cases) {
        const test::CommandResult r = test::runCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[1];
        EXPECT_EQ(r.out, c.out) << c.args[1];
    }
}

TEST(NameCommand, ExifPhotoIsNamedFromTheDateTaken)
{
    const test::CommandResult r
        = test::runCli({ "name", "%y\\%m\\%y%m%d_%h%n%s_%n3_%dw_%wy", "12", test::photo("gps/DSCN0010.jpg").string() });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "2008/10/20081022_162839_012_4_43.jpg\n");
}

TEST(NameCommand, PhotoWithoutExifIsNamedFromItsFileDate)
{
    test::TempDir dir;
    const time_t modified = 1556719629; // the copy is created now, so this is the earlier date
    const fs::path copy = copyWithTime(dir, "structure/olympus-d320l.jpg", "scan.JPG", modified);
    const test::CommandResult r = test::runCli({ "name", "%y\\%m\\%d\\%o_%n3", "7", copy.string() });
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
        { { "name", "..\\%o", "1", copy.string() }, 1 }, // leaves the output folder
        { { "name", "%o\\..\\..\\x", "1", copy.string() }, 1 },
        { { "name", "/%o", "1", copy.string() }, 1 },
        { { "name", "%o", "-1", copy.string() }, 2 },
        { { "name", "%o", "seven", copy.string() }, 2 },
        { { "name", "%o", "1" }, 2 },
        { { "name", "%o", "1", (dir / "absent.jpg").string() }, 1 },
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
