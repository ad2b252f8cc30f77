// SPDX-License-Identifier: GPL-3.0-or-later
// Every test photo read with ProcessFile and compared with what an independent
// reader reported for it (reference.json next to the photos).
#include "common/test_support.h"
#include "json_reader.h"

#include "metadata/exif_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

namespace kelvra {
namespace {

using test::JsonValue;

const JsonValue &reference()
{
    static const JsonValue root = test::parseJson(test::readFileBytes(test::photo("reference.json")));
    return root;
}

// Our value texts keep what the file stores: trailing blanks and padding zero
// bytes (shown as '.') that the reference trims away.
::testing::AssertionResult sameText(const std::string &ours, const std::string &theirs)
{
    if (ours.compare(0, theirs.size(), theirs) == 0 && ours.find_first_not_of(". ", theirs.size()) == std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << '"' << ours << "\" vs \"" << theirs << '"';
}

double leadingNumber(const std::string &text, size_t skip = 0)
{
    return std::strtod(text.c_str() + std::min(skip, text.size()), nullptr);
}

double number(const JsonValue &v)
{
    return v.type == JsonValue::String ? leadingNumber(v.string) : v.number;
}

const JsonValue &exiftool(const JsonValue &file, const char *group, const char *tag)
{
    return file["exiftool"][std::string(group) + ":" + tag];
}

// The segment walk as the reader must do it, replayed on the reference's
// independent segment list: slots taken, and whether the walk succeeds.
struct ExpectedWalk
{
    std::vector<std::pair<int, int>> slots; // marker, length field
    int exifIndex = 0; // 1-based index in the file's segment list
    bool ok = false;
};

ExpectedWalk expectedWalk(const JsonValue &file)
{
    ExpectedWalk walk;
    bool meta = false;
    bool exifTaken = false;
    for (const JsonValue &s : file["segments"].array) {
        const int marker = static_cast<int>(std::strtol(s["marker"].string.c_str(), nullptr, 16));
        walk.slots.emplace_back(marker, static_cast<int>(s["length"].number));
        if (walk.slots.size() == 5 && !meta)
            return walk;
        if (marker == 0xDA || marker == 0xD9)
            break;
        if (marker == 0xE1) {
            if (walk.slots.size() > 5 || exifTaken) {
                walk.slots.pop_back();
                continue;
            }
            exifTaken = meta = true;
            walk.exifIndex = static_cast<int>(s["index"].number);
        }
        if (marker == 0xED || marker == 0xFE)
            meta = true;
    }
    walk.ok = meta;
    return walk;
}

class ReferencePhoto : public ::testing::TestWithParam<std::string>
{
protected:
    const JsonValue &entry() const
    {
        for (const JsonValue &f : reference()["files"].array) {
            if (f["file"].string == GetParam())
                return f;
        }
        throw std::runtime_error("no reference for " + GetParam());
    }
};

// Make, model, the date taken and the exposure, as the reference reads them.
void expectCameraValues(const TImageInfo &info, const JsonValue &file)
{
    for (const char *tag : { "Make", "Model" }) {
        const JsonValue &want = exiftool(file, "IFD0", tag);
        if (want.isNull())
            EXPECT_EQ(info.LookupTagVal(tag), "") << tag;
        else
            EXPECT_TRUE(sameText(info.LookupTagVal(tag), want.string)) << tag;
    }
    EXPECT_TRUE(sameText(info.CameraMake, exiftool(file, "IFD0", "Make").string));

    // The date taken: DateTimeOriginal when present, else the DateTime tag.
    std::string taken = exiftool(file, "ExifIFD", "DateTimeOriginal").string;
    if (taken.empty())
        taken = exiftool(file, "IFD0", "DateTimeOriginal").string;
    if (taken.empty())
        taken = exiftool(file, "IFD0", "ModifyDate").string;
    EXPECT_EQ(info.DateTime, taken);
    if (!taken.empty()) {
        EXPECT_GT(ExifDateToDateTime(info.DateTime), 100);
    }

    const JsonValue &exposure = exiftool(file, "ExifIFD", "ExposureTime");
    if (exposure.isNull()) {
        EXPECT_EQ(info.LookupTagVal("ExposureTime"), "");
    } else {
        const std::string text = info.LookupTagVal("ExposureTime");
        ASSERT_NE(text.find(" sec"), std::string::npos) << text;
        const double n = leadingNumber(text);
        const double d = leadingNumber(text, text.find('/') + 1);
        EXPECT_NEAR(n / d, exposure.number, 1e-9) << text;
    }

    const JsonValue &fnumber = exiftool(file, "ExifIFD", "FNumber");
    if (!fnumber.isNull()) {
        const std::string text = info.LookupTagVal("FNumber");
        ASSERT_EQ(text.substr(0, 1), "f");
        EXPECT_NEAR(leadingNumber(text, 1), fnumber.number, 0.05) << text;
    }
    const JsonValue &focal = exiftool(file, "ExifIFD", "FocalLength");
    if (!focal.isNull()) {
        const std::string text = info.LookupTagVal("FocalLength");
        EXPECT_EQ(text.size() >= 8 ? text.substr(text.size() - 3) : text, " mm");
        EXPECT_NEAR(leadingNumber(text), focal.number, 0.005) << text;
    }
    const JsonValue &iso = exiftool(file, "ExifIFD", "ISO");
    if (!iso.isNull()) {
        EXPECT_EQ(leadingNumber(info.LookupTagVal("ISOSpeedRatings")), iso.number);
    }
}

void expectGps(const TImageInfo &info, const JsonValue &file)
{
    for (const char *axis : { "GPSLatitude", "GPSLongitude" }) {
        const JsonValue &want = exiftool(file, "GPS", axis);
        const std::string text = info.LookupTagVal(axis);
        if (want.isNull()) {
            EXPECT_EQ(text, "") << axis;
            continue;
        }
        ASSERT_EQ(text.empty() ? '\0' : text.back(), '\xB0') << axis << ": " << text;
        EXPECT_NEAR(leadingNumber(text), want.number, 0.00006) << axis << ": " << text;
        const std::string ref = std::string(axis) + "Ref";
        EXPECT_EQ(info.LookupTagVal(ref), exiftool(file, "GPS", ref.c_str()).string);
    }
    // Altitude and direction stay rationals in the text; their numbers must agree.
    const std::pair<const char *, const char *> rationals[]
        = { { "GPSAltitude", "GPSAltitude" }, { "GPSImageDirection", "GPSImgDirection" } };
    for (const auto &[ours, theirs] : rationals) {
        const JsonValue &want = exiftool(file, "GPS", theirs);
        if (want.isNull()) {
            EXPECT_EQ(info.LookupTagVal(ours), "") << ours;
            continue;
        }
        EXPECT_NEAR(info.GetRawFloat(ours), want.number, 1e-9) << ours;
        EXPECT_NE(info.LookupTagVal(ours).find('/'), std::string::npos) << ours;
    }
    const JsonValue &directionRef = exiftool(file, "GPS", "GPSImgDirectionRef");
    if (!directionRef.isNull()) {
        EXPECT_TRUE(sameText(info.LookupTagVal("GPSImageDirectionRef"), directionRef.string));
    }
}

// Orientation, sizes and the EXIF version.
void expectLayout(const TImageInfo &info, const JsonValue &file)
{
    const JsonValue &orientation = exiftool(file, "IFD0", "Orientation");
    EXPECT_EQ(info.GetRawInt("Orientation"), orientation.isNull() ? 0 : orientation.number);

    const std::pair<const char *, const char *> sizes[]
        = { { "ExifImageWidth", "ExifImageWidth" }, { "ExifImageLength", "ExifImageHeight" } };
    for (const auto &[ours, theirs] : sizes) {
        const JsonValue &want = exiftool(file, "ExifIFD", theirs);
        EXPECT_EQ(info.GetRawInt(ours), want.isNull() ? 0 : number(want)) << ours;
    }
    if (!exiftool(file, "ExifIFD", "ExifImageWidth").isNull()) {
        EXPECT_EQ(info.Width, number(exiftool(file, "ExifIFD", "ExifImageWidth")));
        EXPECT_EQ(info.Height, number(exiftool(file, "ExifIFD", "ExifImageHeight")));
    }

    EXPECT_EQ(info.exifVersion, file["exif"]["exif_version"].string);
}

void expectThumbnailAndMakerNote(const TimgData &data, const JsonValue &file, bool isTiff)
{
    const TImageInfo &info = *data.ExifObj;
    const JsonValue &exif = file["exif"];
    if (!isTiff) {
        EXPECT_EQ(info.ThumbStart, exif["ifd1_offset"].number);
        // Only thumbnails that are real pictures (the small test files carry a
        // 28-byte placeholder) are worth cutting out.
        const double thumbLength = exif["thumbnail"]["length"].number;
        EXPECT_EQ(data.HasThumbnail(), thumbLength > 256) << "thumbnail of " << thumbLength << " bytes";
    }

    const JsonValue &note = file["maker_note"];
    if (note["present"].boolean) {
        const int base = isTiff ? -8 : 8;
        EXPECT_EQ(info.MakerOffset, base + note["tiff_offset"].number);
        EXPECT_EQ(info.MakerNote.size(), note["length"].number);
        EXPECT_GE(info.LookupTag("MakerNote"), 0);
        // The makers of the reader's maker-note tables, as the reference names them.
        const std::string &maker = note["maker"].string;
        const bool known = maker == "Nikon" || maker == "Olympus" || maker == "Casio" || maker == "FujiFilm"
            || maker == "Canon" || maker == "Sanyo" || maker == "Minolta";
        EXPECT_EQ(info.msAvailable, known) << maker;
    } else {
        EXPECT_EQ(info.LookupTag("MakerNote"), -1);
    }
}

TEST_P(ReferencePhoto, MatchesReference)
{
    const JsonValue &file = entry();
    ExifTextOptions options;
    options.GPSForm = 0; // decimal degrees, to compare as numbers
    TimgData data(255, options);
    const bool ok = data.ProcessFile(test::photo(GetParam()));
    const bool isTiff = file["container"].string == "TIFF";
    const JsonValue &exif = file["exif"];

    bool expectTags = false;
    if (isTiff) {
        EXPECT_TRUE(ok);
        EXPECT_EQ(data.SectionCnt, 1);
        // The reader takes the first directory to follow the header.
        expectTags = exif["ifd0_offset"].number == 8;
    } else {
        const ExpectedWalk walk = expectedWalk(file);
        EXPECT_EQ(ok, walk.ok);
        ASSERT_EQ(static_cast<size_t>(data.SectionCnt), walk.slots.size());
        for (size_t i = 0; i < walk.slots.size(); ++i) {
            EXPECT_EQ(data.sections[i].dtype, walk.slots[i].first) << "slot " << i + 1;
            EXPECT_EQ(data.sections[i].size, walk.slots[i].second) << "slot " << i + 1;
        }
        EXPECT_EQ(data.HasEXIF(), walk.exifIndex != 0);
        expectTags = walk.exifIndex != 0 && exif["first_app1_id"].string == "Exif";
        if (data.HasEXIF() && !expectTags) {
            EXPECT_EQ(data.ExifObj->FITagCount, 0) << "an APP1 that is not EXIF has no tags";
        }
    }
    EXPECT_EQ(data.ErrStr, ok ? "<none>" : "Not an EXIF file");
    EXPECT_EQ(data.FileSize, static_cast<int32_t>(file["size"].number));
    if (!expectTags)
        return;

    ASSERT_TRUE(data.ExifObj);
    const TImageInfo &info = *data.ExifObj;
    EXPECT_EQ(info.MotorolaOrder, exif["byte_order"].string == "MM");

    expectCameraValues(info, file);
    expectGps(info, file);
    expectLayout(info, file);
    expectThumbnailAndMakerNote(data, file, isTiff);
}

std::vector<std::string> referenceFiles()
{
    std::vector<std::string> names;
    for (const JsonValue &f : reference()["files"].array)
        names.push_back(f["file"].string);
    return names;
}

std::string testName(const ::testing::TestParamInfo<std::string> &info)
{
    std::string name;
    for (char c : info.param)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Photos, ReferencePhoto, ::testing::ValuesIn(referenceFiles()), testName);

TEST(ReferencePhotos, EveryPhotoHasAReference)
{
    size_t photos = 0;
    for (const auto &e : std::filesystem::recursive_directory_iterator(test::photosDir())) {
        if (e.is_regular_file() && containerKindForFileName(e.path()) != ContainerKind::Unknown)
            ++photos;
    }
    EXPECT_EQ(photos, referenceFiles().size());
    EXPECT_GE(photos, 50u);
}

} // namespace
} // namespace kelvra
