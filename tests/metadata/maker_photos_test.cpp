// SPDX-License-Identifier: GPL-3.0-or-later
// The maker notes of real camera photos, decoded and compared with what
// exiftool 12.57 reports for the same files (its -n values are recorded in the
// tables; ExiftoolAgrees checks them against the tool when it is installed).
#include "common/test_support.h"
#include "json_reader.h"

#include "metadata/exif_reader.h"
#include "metadata/maker_canon.h"
#include "metadata/maker_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <sstream>

namespace kelvra {
namespace {

// One decoded maker tag and exiftool's value for the same entry.
struct Value
{
    const char *ours; // Name of the found tag (TID 1)
    const char *data; // its value text
    const char *tool; // exiftool's group:tag
    const char *toolValue; // exiftool -n; numbers are compared with the raw value
    bool traceOnly = false; // tag number 0: found in the maker trace, never stored
};

struct MakerPhoto
{
    const char *file;
    std::optional<MakerTableId> table; // nothing: maker not recognised
    int64_t countPosition;
    std::vector<Value> values;
};

void PrintTo(const MakerPhoto &p, std::ostream *os)
{
    *os << p.file;
}

const MakerPhoto kPhotos[] = {
    { "makers/nikon-e950.jpg", MakerTableId::NikonFirst, 8,
        { { "Quality", "2 Mpixel Fine", "Nikon:Quality", "12" }, { "ColorMode", "Color", "Nikon:ColorMode", "1" },
            { "ImageAdjustment", "Contrast+", "Nikon:ImageAdjustment", "3" },
            { "ISOSpeed", "ISO80", "Nikon:CCDSensitivity", "0" },
            { "DigitalZoom", "0/100", "Nikon:DigitalZoom", "0" } } },
    { "makers/Nikon.jpg", MakerTableId::NikonSecond, 0,
        { { "ISOSpeed", "0, 0", "Nikon:ISO", "0 0" }, { "ColorMode", "\"COLOR\"", "Nikon:ColorMode", "COLOR" },
            { "Quality", "\"FINE  \"", "Nikon:Quality", "FINE" },
            { "Adapter", "\"OFF         \"", "Nikon:AuxiliaryLens", "OFF" } } },
    { "makers/NikonD70.jpg", MakerTableId::NikonSecond, 18,
        { { "FamilyID", "\"0210\"", "Nikon:MakerNoteVersion", "0210" }, { "ISOSpeed", "0, 200", "Nikon:ISO", "0 200" },
            { "ImageSharpening", "\"MED.H \"", "Nikon:Sharpness", "MED.H" },
            { "LensInformation", "18.0-70.0(mm)  F3.5-F4.5", "Nikon:Lens", "18 70 3.5 4.5" },
            { "ColorMode", "Mode 2 (Adobe RGB)", "Nikon:ColorHue", "MODE2" },
            { "NoiseReduction", "\"OFF \"", "Nikon:NoiseReduction", "OFF" } } },
    { "makers/Nikon_COOLPIX_P1.jpg", MakerTableId::NikonSecond, 18,
        { { "ColorMode", "\"COLOR\"", "Nikon:ColorMode", "COLOR" },
            { "Quality", "\"NORMAL\"", "Nikon:Quality", "NORMAL" }, { "Saturation", "0", "Nikon:SaturationAdj", "0" },
            { "NoiseReduction", "\"OFF \"", "Nikon:NoiseReduction", "OFF" } } },
    { "tiff/Nikon.nef", MakerTableId::NikonSecond, 18,
        { { "ISOSpeed", "0, 200", "Nikon:ISO", "0 200" }, { "Quality", "\"RAW    \"", "Nikon:Quality", "RAW" } } },
    { "makers/Olympus.jpg", MakerTableId::Olympus, 8,
        { { "SpecialMode", "0, 0, 0", "Olympus:SpecialMode", "0 0 0" }, { "JpegQual", "SQ", "Olympus:Quality", "1" },
            { "Macro", "Normal", "Olympus:Macro", "0" }, { "DigiZoom", "0/100", "Olympus:DigitalZoom", "0" },
            { "CameraID", "\"OLYMPUS DIGITAL CAMERA..........\"", "Olympus:CameraID", "OLYMPUS DIGITAL CAMERA" } } },
    { "makers/OlympusE1.jpg", MakerTableId::Olympus, 8,
        { { "SpecialMode", "2, 2, 0", "Olympus:SpecialMode", "2 2 0" }, { "JpegQual", "SHQ", "Olympus:Quality", "3" },
            { "BlackLevel", "69, 69, 69, 68", "Olympus:BlackLevel", "69 69 69 68" },
            { "FinalWidth", "2560", "Olympus:OlympusImageWidth", "2560" },
            { "FinalHeight", "1920", "Olympus:OlympusImageHeight", "1920" } } },
    { "makers/Epson_synthetic_from_Olympus.jpg", MakerTableId::SeikoEpson, 8,
        { { "Special Mode", "0, 0, 0", "Olympus:SpecialMode", "0 0 0" }, { "JpegQuality", "1", "Olympus:Quality", "1" },
            { "CameraID", "\"OLYMPUS DIGITAL CAMERA..........\"", "Olympus:CameraID", "OLYMPUS DIGITAL CAMERA" } } },
    { "makers/Casio.jpg", MakerTableId::CasioFirst, 0,
        { { "RecordingMode", "Single Shutter", "Casio:RecordingMode", "1" },
            { "Quality", "Fine", "Casio:Quality", "3" }, { "FlashMode", "Red Eye Reduction", "Casio:FlashMode", "4" },
            { "DigitalZoom", "Off", "Casio:DigitalZoom", "65536" },
            { "CCDSensitivity", "Normal", "Casio:ISO", "64" } } },
    { "makers/Casio2.jpg", MakerTableId::CasioSecond, 6,
        { { "WhiteBalanceBias", "87, 93", "Casio:WhiteBalanceBias", "87 93" },
            { "WhiteBalance", "", "Casio:WhiteBalance", "13" }, { "RecordMode", "Normal", "Casio:RecordMode", "2" },
            { "SelfTimer", "On", "Casio:ReleaseMode", "1" },
            { "TimeZone", "\"New York\"", "Casio:HometownCity", "New York" },
            { "CCDSensitivity", "50", "Casio:ISO", "50" } } },
    { "makers/Fujifilm_FinePix6900ZOOM.jpg", MakerTableId::Fujifilm, 12,
        { { "Version", "\"0130\"", "FujiFilm:Version", "0130", true },
            { "Quality", "\"FINE   \"", "FujiFilm:Quality", "FINE" },
            { "Sharpness", "Normal", "FujiFilm:Sharpness", "3" }, { "FlashMode", "Off", "FujiFilm:FujiFlashMode", "2" },
            { "FlashStrength", "0/10", "FujiFilm:FlashExposureComp", "0" },
            { "PictureMode", "Auto", "FujiFilm:PictureMode", "0" } } },
    { "tiff/Fujifilm_FinePix6900ZOOM_exif_MM.tif", MakerTableId::Fujifilm, 12,
        { { "Sharpness", "Normal", "FujiFilm:Sharpness", "3" },
            { "FlashMode", "Off", "FujiFilm:FujiFlashMode", "2" } } },
    { "makers/Canon_PowerShot_S40.jpg", MakerTableId::Canon, 0,
        { { "ImageType", "\"IMG:PowerShot S40 JPEG\"", "Canon:CanonImageType", "IMG:PowerShot S40 JPEG" },
            { "FirmwareVersion", "\"Firmware Version 1.10\"", "Canon:CanonFirmwareVersion", "Firmware Version 1.10" },
            { "ImageNumber", "1171771", "Canon:FileNumber", "1171771" },
            { "OwnerName", "\"Andreas Huggel\"", "Canon:OwnerName", "Andreas Huggel" } } },
    { "makers/Canon.jpg", MakerTableId::Canon, 0,
        { { "ImageType", "\"CRW:EOS DIGITAL REBEL CMOS RAW\"", "Canon:CanonImageType",
              "CRW:EOS DIGITAL REBEL CMOS RAW" },
            { "CameraSerialNumber", "560018150", "Canon:SerialNumber", "560018150" },
            { "ImageNumber", "1181861", "Canon:FileNumber", "1181861" },
            { "OwnerName", "\"Phil Harvey\"", "Canon:OwnerName", "Phil Harvey" } } },
    { "makers/Sanyo.jpg", MakerTableId::Sanyo, 8,
        { { "Special Mode", "0, 0, 0", "Sanyo:SpecialMode", "0 0 0" },
            { "JpegQuality", "262", "Sanyo:SanyoQuality", "262" },
            { "DigiZoom", "0/100", "Sanyo:DigitalZoom", "0" } } },
    { "makers/sanyo-vpcsx550.jpg", MakerTableId::Sanyo, 8,
        { { "JpegQuality", "258", "Sanyo:SanyoQuality", "258" }, { "DigiZoom", "0/10", "Sanyo:DigitalZoom", "0" } } },
    { "makers/Minolta.jpg", MakerTableId::Minolta, 0,
        { { "ModelID", "\"MLT0\"", "Minolta:MakerNoteVersion", "MLT0", true } } },
    { "makers/Panasonic_DMC-FZ30.jpg", std::nullopt, 0, {} },
};

// What the walk handed to the decoder, and the layout chosen for it.
class RecordingDecoder final : public MakerNoteDecoder
{
public:
    bool decode(const MakerNoteInput &note, MakerNoteOutput &out) const override
    {
        ++calls;
        layout = chooseMakerLayout(note);
        return makerNotesDecoder()->decode(note, out);
    }
    mutable int calls = 0;
    mutable std::optional<MakerLayout> layout;
};

std::string trimmed(std::string text)
{
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// A raw value as exiftool -n writes it: texts up to their first zero byte,
// numbers one by one (signed where the format is).
std::string rawAsTool(const TTagEntry &tag, bool motorola)
{
    if (tag.TType == 2 || tag.TType == 7)
        return trimmed(tag.Raw.substr(0, tag.Raw.find('\0')));
    const int size = bytesPerComponent(tag.TType);
    std::ostringstream out;
    for (size_t at = 0; size > 0 && at + static_cast<size_t>(size) <= tag.Raw.size(); at += static_cast<size_t>(size)) {
        const std::string_view part = std::string_view(tag.Raw).substr(at, static_cast<size_t>(size));
        if (at > 0)
            out << ' ';
        const int32_t v = CvtInt(part, motorola);
        switch (tag.TType) {
        case 5:
        case 10:
            out << GetNumber(part, tag.TType, motorola);
            break;
        case 6:
            out << static_cast<int8_t>(v);
            break;
        case 8:
            out << static_cast<int16_t>(v);
            break;
        case 4:
            out << static_cast<uint32_t>(v);
            break;
        default:
            out << v;
        }
    }
    return out.str();
}

const TTagEntry *makerTag(const TImageInfo &info, const std::string &name)
{
    for (const TTagEntry &tag : info.FITagArray) {
        if (tag.TID == 1 && tag.Name == name)
            return &tag;
    }
    return nullptr;
}

class MakerNotePhoto : public ::testing::TestWithParam<MakerPhoto>
{
};

TEST_P(MakerNotePhoto, DecodesLikeExiftool)
{
    const MakerPhoto &p = GetParam();
    auto recorder = std::make_shared<RecordingDecoder>();
    TimgData data;
    data.setMakerNoteDecoder(recorder);
    ASSERT_TRUE(data.ProcessFile(test::photo(p.file)));
    ASSERT_TRUE(data.ExifObj);
    const TImageInfo &info = *data.ExifObj;
    EXPECT_EQ(data.ErrStr, "<none>");
    EXPECT_EQ(recorder->calls, 1);
    EXPECT_EQ(info.msAvailable, p.table.has_value());
    ASSERT_EQ(recorder->layout.has_value(), p.table.has_value());
    if (!p.table) {
        EXPECT_EQ(info.msTraceStr, "");
        EXPECT_TRUE(std::none_of(
            info.FITagArray.begin(), info.FITagArray.end(), [](const TTagEntry &tag) { return tag.TID == 1; }));
        return;
    }
    EXPECT_EQ(recorder->layout->table, *p.table);
    EXPECT_EQ(recorder->layout->countPosition, p.countPosition);
    EXPECT_EQ(info.msName, info.CameraMake);

    // Maker tags come right before MakerNote and after the tags that precede it.
    const int note = info.LookupTag("MakerNote");
    ASSERT_GT(note, 0);
    std::vector<int> tids;
    for (const TTagEntry &tag : info.FITagArray)
        tids.push_back(tag.TID);
    const auto firstMaker = std::find(tids.begin(), tids.end(), 1) - tids.begin();
    EXPECT_LT(firstMaker, note);
    for (int i = 0; i < info.FITagCount; ++i)
        EXPECT_EQ(tids[static_cast<size_t>(i)], i >= firstMaker && i < note ? 1 : 0) << i;
    // Skip rows never show, in the list or in the trace.
    EXPECT_EQ(info.msTraceStr.find("Skip"), std::string::npos);
    EXPECT_EQ(info.LookupTag("Skip"), -1);

    const bool noteMotorola = *p.table == MakerTableId::Fujifilm ? false : info.MotorolaOrder;
    for (const Value &v : p.values) {
        SCOPED_TRACE(v.ours);
        if (v.traceOnly) {
            EXPECT_EQ(makerTag(info, v.ours), nullptr);
            EXPECT_NE(info.msTraceStr.find(std::string("\r\n") + v.ours + " = " + v.data + "\r\n"), std::string::npos);
            EXPECT_EQ(std::string(v.data), '"' + std::string(v.toolValue) + '"');
            continue;
        }
        const TTagEntry *tag = makerTag(info, v.ours);
        ASSERT_TRUE(tag) << info.msTraceStr;
        EXPECT_EQ(tag->Data, v.data);
        EXPECT_EQ(rawAsTool(*tag, noteMotorola), v.toolValue);
        EXPECT_NE(info.msTraceStr.find("\r\n" + tag->Desc + " = " + v.data), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Photos, MakerNotePhoto, ::testing::ValuesIn(kPhotos), [](const auto &info) {
    std::string name;
    for (const char c : std::string(info.param.file))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

// The Canon records' fields, which reach only the trace. The element each
// field reads was chosen from these files: the numbers must be what exiftool
// reports for the same quantity (a divisor turns our unit into its unit).
struct CanonValue
{
    const char *file;
    const char *field;
    const char *text; // nullptr: the field yields no line
    const char *tool;
    double toolValue;
    double divisor = 0; // non-zero: text is a number, compared after dividing
};

const CanonValue kCanonValues[] = {
    { "makers/Canon_PowerShot_S40.jpg", "Macro mode", "Normal", "Canon:MacroMode", 2 },
    { "makers/Canon_PowerShot_S40.jpg", "Flash Mode", "Auto", "Canon:CanonFlashMode", 1 },
    { "makers/Canon_PowerShot_S40.jpg", "Focus Mode", "Single", "Canon:FocusMode", 4 },
    { "makers/Canon_PowerShot_S40.jpg", "Metering Mode", "Center-weighted average", "Canon:MeteringMode", 5 },
    { "makers/Canon_PowerShot_S40.jpg", "AF Point", "Center", "Canon:AFPoint", 12291 },
    { "makers/Canon_PowerShot_S40.jpg", "Exposure Mode", "Program AE", "Canon:CanonExposureMode", 1 },
    { "makers/Canon_PowerShot_S40.jpg", "Self Timer", "0", "Canon:SelfTimer", 0, 1 },
    { "makers/Canon_PowerShot_S40.jpg", "Long focal", "682", "Canon:MaxFocalLength", 21.3125, 32 },
    { "makers/Canon_PowerShot_S40.jpg", "Short focal", "227", "Canon:MinFocalLength", 7.09375, 32 },
    { "makers/Canon_PowerShot_S40.jpg", "Focal Units", "32", "Canon:FocalUnits", 32, 1 },
    { "makers/Canon_PowerShot_S40.jpg", "Sequence Number", "0", "Canon:SequenceNumber", 0, 1 },
    { "makers/Canon_PowerShot_S40.jpg", "OpticalZoom Step", "6", "Canon:OpticalZoomCode", 6, 1 },
    { "makers/Canon_PowerShot_S40.jpg", "AF point", "12290", "Canon:AFPointsInFocus", 12290, 1 },
    { "makers/Canon_PowerShot_S40.jpg", "Distance", "782", "Canon:FocusDistanceUpper", 7.82, 100 },
    { "makers/Canon.jpg", "Macro mode", nullptr, "Canon:MacroMode", 0 },
    { "makers/Canon.jpg", "Drive Mode", "Continuous", "Canon:ContinuousDrive", 1 },
    { "makers/Canon.jpg", "Focus Mode", "MF", "Canon:FocusMode", 3 },
    { "makers/Canon.jpg", "Contrast", "High", "Canon:Contrast", 1 },
    { "makers/Canon.jpg", "Exposure Mode", "Manual", "Canon:CanonExposureMode", 4 },
    { "makers/Canon.jpg", "Long focal", "55", "Canon:MaxFocalLength", 55, 1 },
    { "makers/Canon.jpg", "Short focal", "18", "Canon:MinFocalLength", 18, 1 },
    { "makers/Canon.jpg", "OpticalZoom Step", "8", "Canon:OpticalZoomCode", 8, 1 },
    { "makers/Canon.jpg", "Distance", "65535", "Canon:FocusDistanceUpper", 655.35, 100 },
};

TEST(CanonPhotos, FieldsReadTheElementsExiftoolReads)
{
    for (const CanonValue &v : kCanonValues) {
        SCOPED_TRACE(std::string(v.file) + ": " + v.field);
        TimgData data;
        ASSERT_TRUE(data.ProcessFile(test::photo(v.file)));
        const std::string &trace = data.ExifObj->msTraceStr;
        const std::string line = std::string("\r\n") + v.field + " = ";
        const size_t at = trace.find(line);
        if (!v.text) {
            EXPECT_EQ(at, std::string::npos);
            continue;
        }
        ASSERT_NE(at, std::string::npos) << trace;
        const std::string text = trace.substr(at + line.size(), trace.find("\r\n", at + 2) - at - line.size());
        EXPECT_EQ(text, v.text);
        if (v.divisor != 0) {
            EXPECT_NEAR(std::strtod(text.c_str(), nullptr) / v.divisor, v.toolValue, 1e-9);
        }
        // Decoded fields have no tag number and stay out of the found tags.
        EXPECT_EQ(data.ExifObj->LookupTag(v.field), -1);
    }
}

// The recorded exiftool values, checked against the tool itself.
TEST(MakerNotePhotos, ExiftoolAgrees)
{
    if (!test::toolAvailable("exiftool"))
        GTEST_SKIP() << "exiftool is not installed";
    std::vector<std::string> argv = { "exiftool", "-j", "-n", "-G1", "-MakerNotes:all" };
    for (const MakerPhoto &p : kPhotos)
        argv.push_back(test::photo(p.file).string());
    const test::CommandResult result = test::runTool(argv);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const test::JsonValue root = test::parseJson(result.out);
    ASSERT_EQ(root.array.size(), std::size(kPhotos));

    const auto toolText = [](const test::JsonValue &v) {
        if (v.type == test::JsonValue::Number) {
            char text[32];
            return std::string(text, std::to_chars(text, text + sizeof text, v.number).ptr);
        }
        return trimmed(v.string);
    };
    for (size_t i = 0; i < std::size(kPhotos); ++i) {
        for (const Value &v : kPhotos[i].values)
            EXPECT_EQ(toolText(root.array[i][v.tool]), v.toolValue) << kPhotos[i].file << " " << v.tool;
    }
    for (const CanonValue &v : kCanonValues) {
        for (size_t i = 0; i < std::size(kPhotos); ++i) {
            if (std::string(kPhotos[i].file) == v.file) {
                EXPECT_NEAR(root.array[i][v.tool].number, v.toolValue, 1e-9) << v.file << " " << v.tool;
            }
        }
    }
}

TEST(MakerNotePhotos, CorruptNoteEndsWithAnErrorAndTheWalkGoesOn)
{
    // A newer Olympus note read with the older layout: its entry count is the
    // byte-order mark, far more entries than the note holds.
    TimgData read;
    ASSERT_TRUE(read.ProcessFile(test::photo("invalid/corrupted.jpg")));
    TimgData walked;
    walked.llData = read.ExifSegment->data;
    walked.ProcessEXIF();
    EXPECT_EQ(walked.ErrStr.rfind("Error Detected = maker note ", 0), 0u) << walked.ErrStr;
    EXPECT_TRUE(walked.ExifObj->msAvailable);
    EXPECT_EQ(walked.ExifObj->FITagCount, read.ExifObj->FITagCount);
    EXPECT_GT(walked.ExifObj->LookupTag("ExifImageWidth"), walked.ExifObj->LookupTag("MakerNote"));
}

TEST(MakerNotePhotos, TagsCommandPrintsTheMakerTraceOnRequest)
{
    const std::string photo = test::photo("makers/Canon_PowerShot_S40.jpg").string();
    const test::CommandResult plain = test::runCli({ "tags", photo });
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_NE(plain.out.find("\nOwnerName\t\"Andreas Huggel\"\n"), std::string::npos) << plain.out;
    EXPECT_EQ(plain.out.find("Macro mode = "), std::string::npos);

    const test::CommandResult traced = test::runCli({ "tags", "--trace", photo });
    ASSERT_EQ(traced.exitCode, 0) << traced.err;
    EXPECT_EQ(traced.out.rfind(plain.out, 0), 0u) << "the trace follows the tag list";
    EXPECT_NE(traced.out.find("\nMacro mode = Normal\nCompression Rate = SuperFine\n"), std::string::npos)
        << traced.out;
    EXPECT_EQ(traced.out.find('\r'), std::string::npos);
}

} // namespace
} // namespace kelvra
