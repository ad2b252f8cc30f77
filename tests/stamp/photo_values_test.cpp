// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/photo_values.h"

#include "common/qt_test_support.h"
#include "common/test_support.h"

#include "printers.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::qpath;

// A copy with a known modification time, created now: its fallback date is
// the modification date.
fs::path copyOf(const test::TempDir &dir, const std::string &photo, time_t modified)
{
    const fs::path copy = dir / fs::path(photo).filename().string();
    fs::copy_file(test::photo(photo), copy);
    const timespec times[2] = { { modified, 0 }, { modified, 0 } };
    EXPECT_EQ(utimensat(AT_FDCWD, copy.c_str(), times, 0), 0);
    return copy;
}

TEST(FillPhotoValues, GpsTextsInEachFormAndSeparator)
{
    FormatSettings comma;
    comma.decimalSeparator = QStringLiteral(",");
    struct Case
    {
        int form;
        const FormatSettings locale;
        const char *pos;
    };
    const Case cases[] = {
        { 0, FormatSettings(), "51.0250°N 7.5919°E" },
        { 0, comma, "51,0250°N 7,5919°E" },
        { 1, FormatSettings(), "51°1.50'N 7°35.52'E" },
        { 2, FormatSettings(), "51°1'30\"N 7°35'31\"E" },
    };
    const QString photo = qpath(test::photo("gps/67-0_length_string.jpg"));
    for (const Case &c : cases) {
        const PhotoValues v = FillPhotoValues(photo, c.form, c.locale);
        EXPECT_EQ(v.GPSPos, QString::fromUtf8(c.pos)) << c.form;
        EXPECT_EQ(v.GPSAlt, QStringLiteral("340/1"));
        EXPECT_EQ(v.GPSDir, QStringLiteral("29139/100M"));
        EXPECT_EQ(GetCurrentFileStampText(QStringLiteral("[GPSAlt] m, [GPSDir]"), {}, v, c.locale),
            QStringLiteral("340 m, 29139/100M"));
    }
}

TEST(FillPhotoValues, ExifTextsAndDateTaken)
{
    const PhotoValues v = FillPhotoValues(qpath(test::photo("gps/DSCN0010.jpg")), 2, FormatSettings());
    EXPECT_EQ(calendarFields(v.PhotoDate), (DateTimeFields { 2008, 10, 22, 16, 28, 39 }));
    EXPECT_EQ(v.Make, QStringLiteral("NIKON"));
    EXPECT_EQ(v.Model, QStringLiteral("COOLPIX P6000"));
    EXPECT_EQ(v.ETime, QStringLiteral("1/75 sec")); // stored as 4/300
    EXPECT_EQ(v.FNumber, QStringLiteral("f5.9"));
    EXPECT_EQ(v.FocalLength, QStringLiteral("24.00 mm"));
    EXPECT_EQ(v.ISO, QStringLiteral("64"));
    EXPECT_EQ(v.GPSAlt, QString());
    // No direction, and a reference of two zero bytes: a text ends at its
    // first zero byte.
    EXPECT_EQ(v.GPSDir, QString());
    EXPECT_TRUE(isRealDate(v.CurrentTime));
}

// Make and Model as the outside reader shows them (cut at the first zero
// byte, no padding), and the exposure time as photographers write it, over
// every real photo that has them.
TEST(FillPhotoValues, CameraTextsAndExposureLikeTheOutsideReader)
{
    if (!test::toolAvailable("exiftool"))
        GTEST_SKIP() << "exiftool missing";
    int exposures = 0;
    for (const char *folder : { "makers", "structure", "gps", "invalid" }) {
        for (const auto &entry : fs::directory_iterator(test::photo(folder))) {
            const std::string file = entry.path().string();
            SCOPED_TRACE(file);
            const PhotoValues v = FillPhotoValues(qpath(entry.path()), 2, FormatSettings());
            if (v.Make.isEmpty() && v.Model.isEmpty())
                continue;
            // One line per tag, "-" for a missing one.
            const QStringList reference = QString::fromStdString(
                test::runTool({ "exiftool", "-s3", "-f", "-EXIF:Make", "-EXIF:Model", "-EXIF:ExposureTime", file }).out)
                                              .split(u'\n');
            ASSERT_GE(reference.size(), 3);
            EXPECT_EQ(v.Make, reference[0].trimmed());
            EXPECT_EQ(v.Model, reference[1].trimmed());
            const QString exposure = reference[2].trimmed() == u"-" ? QString() : reference[2].trimmed();
            if (!exposure.isEmpty()) {
                EXPECT_EQ(v.ETime, exposure + QStringLiteral(" sec"));
                ++exposures;
            }
        }
    }
    EXPECT_GE(exposures, 20);
}

TEST(FillPhotoValues, ExposureTimesInEveryRange)
{
    if (!test::toolAvailable("exiftool"))
        GTEST_SKIP() << "exiftool missing";
    const std::pair<const char *, const char *> cases[] = {
        { "0.00560852", "1/178 sec" },
        { "10/2134", "1/213 sec" },
        { "1/8000", "1/8000 sec" },
        { "1/2", "1/2 sec" },
        { "0.8", "0,8 sec" },
        { "1", "1 sec" },
        { "1.3", "1,3 sec" },
        { "1.25", "1,3 sec" },
        { "2", "2 sec" },
        { "30", "30 sec" },
    };
    FormatSettings comma;
    comma.decimalSeparator = QStringLiteral(",");
    test::TempDir dir;
    const fs::path file = dir / "exposure.jpg";
    fs::copy_file(test::photo("makers/Canon.jpg"), file);
    for (const auto &[stored, text] : cases) {
        SCOPED_TRACE(stored);
        ASSERT_EQ(test::runTool({ "exiftool", "-q", "-overwrite_original", std::string("-ExposureTime=") + stored,
                                    file.string() })
                      .exitCode,
            0);
        EXPECT_EQ(FillPhotoValues(qpath(file), 2, comma).ETime, QString::fromLatin1(text));
    }
}

TEST(FillPhotoValues, FallbackDates)
{
    test::TempDir dir;
    const time_t modified = 1556719629;
    const TDateTime fileDate = localDosFileDate(int64_t(modified));

    // No EXIF at all.
    const PhotoValues plain = FillPhotoValues(qpath(copyOf(dir, "structure/olympus-d320l.jpg", modified)), 2, {});
    EXPECT_EQ(plain.PhotoDate, fileDate);
    EXPECT_EQ(plain.FileModification, fileDate);
    EXPECT_TRUE(plain.Make.isEmpty() && plain.Model.isEmpty() && plain.GPSPos.isEmpty() && plain.ETime.isEmpty());

    // A date taken of 30 February: the next source, CreateDate, dates it.
    const fs::path patched = copyOf(dir, "gps/DSCN0010.jpg", modified);
    std::string bytes = test::readFileBytes(patched);
    const size_t at = bytes.find("2008:10:22 16:28:39");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 19, "2008:02:30 16:28:39");
    test::writeFileBytes(patched, bytes);
    const timespec times[2] = { { modified, 0 }, { modified, 0 } };
    ASSERT_EQ(utimensat(AT_FDCWD, patched.c_str(), times, 0), 0);
    const PhotoValues badDate = FillPhotoValues(qpath(patched), 2, {});
    EXPECT_EQ(badDate.PhotoDate, *tryEncodeDateTime({ 2008, 10, 22, 16, 28, 39, 0 }));
    EXPECT_EQ(badDate.DateSource, QStringLiteral("CreateDate"));
    EXPECT_EQ(badDate.Make, QStringLiteral("NIKON")); // the texts are still read

    // No file: nothing but the path and the clock.
    const PhotoValues missing = FillPhotoValues(qpath(dir / "absent.jpg"), 2, {});
    EXPECT_EQ(missing.PhotoDate, 0);
    EXPECT_EQ(missing.CurrentFile, qpath(dir / "absent.jpg"));
}

} // namespace
} // namespace kelvra
