// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/maker_tables.h"

#include "metadata/exif_info.h"
#include "metadata/exif_values.h"
#include "metadata/maker_canon.h"

#include <array>
#include <vector>

namespace kelvra {

namespace {

std::string nikonLensCallback(TImageInfo &info, const std::string &text)
{
    return nikonLensText(text, info.textOptions());
}

std::string nikonColorModeCallback(TImageInfo &, const std::string &text)
{
    return nikonColorModeText(text);
}

struct MakerRow
{
    uint16_t tag;
    const char *name;
    const char *desc; // nullptr: shown under its name
    const char *code;
    TTagCallback callback;
};

constexpr MakerRow row(uint16_t tag, const char *name, const char *code = "")
{
    return { tag, name, nullptr, code, nullptr };
}

constexpr MakerRow shown(uint16_t tag, const char *name, const char *desc, const char *code = "")
{
    return { tag, name, desc, code, nullptr };
}

constexpr MakerRow skip(uint16_t tag)
{
    return { tag, "Skip", "Skip", "", nullptr };
}

constexpr MakerRow kNikonFirst[] = {
    row(0x0002, "FamilyID"),
    row(0x0003, "Quality",
        "1:Vga Basic,2:Vga Normal,3:Vga Fine,4:SXGA Basic,5:SXGA Normal,6:SXGA Fine,"
        "10:2 Mpixel Basic,11:2 Mpixel Normal,12:2 Mpixel Fine"),
    row(0x0004, "ColorMode", "1:Color,2:Monochrome"),
    row(0x0005, "ImageAdjustment", "0:Normal,1:Bright+,2:Bright-,3:Contrast+,4:Contrast-"),
    row(0x0006, "ISOSpeed", "0:ISO80,2:ISO160,4:ISO320,5:ISO100"),
    row(0x0007, "WhiteBalance", "0:Auto,1:Preset,2:Daylight,3:Incandescense,4:Fluorescence,5:Cloudy,6:SpeedLight"),
    row(0x0008, "Focus"),
    skip(0x0009),
    row(0x000A, "DigitalZoom"),
    row(0x000B, "Converter", "0:Not used,1:Used"),
    skip(0x0F00),
};

constexpr MakerRow kNikonSecond[] = {
    shown(0x0001, "FamilyID", "Family ID"),
    shown(0x0002, "ISOSpeed", "ISO Speed"),
    shown(0x0003, "ColorMode", "Color Mode"),
    row(0x0004, "Quality"),
    shown(0x0005, "WhiteBalance", "White Balance"),
    shown(0x0006, "ImageSharpening", "Image Sharpening"),
    shown(0x0007, "FocusMode", "Focus Mode"),
    shown(0x0008, "FlashSetting", "Flash Setting"),
    shown(0x0009, "AutoFlashMode", "Auto Flash Mode"),
    skip(0x000A),
    shown(0x000B, "WhiteBiasValue", "White Bias Value"),
    shown(0x000F, "DigitalZoom", "Digital Zoom"),
    skip(0x0010),
    skip(0x0011),
    shown(0x0080, "ImageAdjustment", "Image Adjustment"),
    shown(0x0081, "ImageAdjustment", "Image Adjustment"),
    row(0x0082, "Adapter"),
    { 0x0084, "LensInformation", "Lens information", "", nikonLensCallback },
    shown(0x0085, "ManualFocusDistance", "Manual Focus Distance"),
    shown(0x0086, "DigitalZoom", "Digital Zoom"),
    shown(0x0088, "FocusArea", "Focus Area"),
    row(0x0089, "Mode"),
    { 0x008D, "ColorMode", "Color Mode", "", nikonColorModeCallback },
    shown(0x008F, "SceneMode", "Scene Mode"),
    shown(0x0092, "HueAdjustment", "Hue Adjustment"),
    row(0x0094, "Saturation"),
    shown(0x0095, "NoiseReduction", "Noise Reduction"),
    skip(0x0F00),
};

constexpr MakerRow kOlympus[] = {
    row(0x0200, "SpecialMode"),
    row(0x0201, "JpegQual", "1:SQ,2:HQ,3:SHQ,4:Raw"),
    row(0x0202, "Macro", "0:Normal,1:Macro"),
    skip(0x0203),
    shown(0x0204, "DigiZoom", "Digital Zoom Ratio"),
    skip(0x0205),
    skip(0x0206),
    row(0x0207, "Firmware"),
    shown(0x0208, "PictInfo", "Picture Info"),
    shown(0x0209, "CameraID", "Camera ID"),
    skip(0x0F00),
    shown(0x1004, "FlashMode", "Flash Mode"),
    row(0x1006, "Bracket"),
    shown(0x100B, "FocusMode", "Focus Mode"),
    shown(0x100C, "FocusDistance", "Focus Distance"),
    row(0x100D, "Zoom"),
    shown(0x100E, "MacroFocus", "Macro Focus"),
    row(0x100F, "Sharpness"),
    shown(0x1011, "ColorMatrix", "Color Matrix"),
    shown(0x1012, "BlackLevel", "Black Level"),
    shown(0x1015, "WhiteBalance", "White Balance"),
    shown(0x1017, "RedBias", "Red Bias"),
    shown(0x1018, "BlueBias", "Blue Bias"),
    row(0x101A, "SerialNumber"),
    shown(0x1023, "FlashBias", "Flash Bias"),
    row(0x1029, "Contrast"),
    shown(0x102A, "SharpnessFactor", "Sharpness Factor"),
    shown(0x102B, "ColorControl", "Color Control"),
    shown(0x102C, "ValidBits", "Valid Bits"),
    shown(0x102D, "Coring", "Coring Filter"),
    shown(0x102E, "FinalWidth", "Final Width"),
    shown(0x102F, "FinalHeight", "Final Height"),
    shown(0x1034, "CompressionRatio", "Compression Ratio"),
};

constexpr MakerRow kCasioFirst[] = {
    row(0x0001, "RecordingMode", "1:Single Shutter,2:Panorama,3:Night Scene,4:Portrait,5:Landscape"),
    row(0x0002, "Quality", "1:Economy,2:Normal,3:Fine"),
    row(0x0003, "FocusingMode", "2:Macro,3:Auto Focus,4:Manual Focus,5:Infinity"),
    row(0x0004, "FlashMode", "1:Auto,2:On,3:Off,4:Red Eye Reduction"),
    row(0x0005, "FlashIntensity", "11:Weak,13:Normal,15:Strong"),
    row(0x0006, "ObjectDistance"),
    row(0x0007, "WhiteBalance", "1:Auto,2:Tungsten,3:Daylight,4:Fluorescent,5:Shade,129:Manual"),
    skip(0x0008),
    skip(0x0009),
    row(0x000A, "DigitalZoom", "65536:Off,65537:2X Digital Zoom"),
    row(0x000B, "Sharpness", "0:Normal,1:Soft,2:Hard"),
    row(0x000C, "Contrast", "0:Normal,1:Low,2:High"),
    row(0x000D, "Saturation", "0:Normal,1:Low,2:High"),
    skip(0x000E),
    skip(0x000F),
    skip(0x0010),
    skip(0x0011),
    skip(0x0012),
    skip(0x0013),
    row(0x0014, "CCDSensitivity", "64:Normal,125:+1.0,250:+2.0,244:+3.0,80:Normal,100:High"),
    skip(0x0015),
    skip(0x0016),
    skip(0x0017),
    skip(0x0018),
    skip(0x0019),
    skip(0x001A),
};

constexpr const char *kOffOn = "0:Off,1:On";
constexpr const char *kLessNormalMore = "0:-1,1:Normal,2:+1";

constexpr MakerRow kCasioSecond[] = {
    shown(0x0002, "ThumbnailDimensions", "Thumbnail Dimensions"),
    shown(0x0003, "ThumbnailSize", "Thumbnail Size"),
    shown(0x0004, "ThumbnailOffset", "Thumbnail OffSet"),
    row(0x0008, "Quality", "1:Fine,2:Super Fine"),
    row(0x0009, "ImageSize",
        "0:640 x 480,4:1600 x 1200,5:2048 x 1536,20:2288 x 1712,21:2592 x 1944,22:2304 x 1728,36:3008 x 2008"),
    row(0x000D, "FocusMode", "0:Normal,1:Macro"),
    row(0x0014, "IsoSensitivity", "3:50,4:64,6:100,9:200"),
    row(0x0019, "WhiteBalance", "0:Auto,1:Daylight,2:Shade,3:Tungsten,4:Fluorescent,5:Manual"),
    shown(0x001D, "FocalLength", "Focal Length (.1 mm)"),
    row(0x001F, "Saturation", kLessNormalMore),
    row(0x0020, "Contrast", kLessNormalMore),
    row(0x0021, "Sharpness", kLessNormalMore),
    shown(0x0E00, "PIM", "Print Image Matching Info"),
    skip(0x2000),
    skip(0x2001),
    skip(0x2002),
    skip(0x2003),
    shown(0x2011, "WhiteBalanceBias", "White Balance Bias"),
    skip(0x2013),
    shown(0x2012, "WhiteBalance", "White Balance", "0:Manual,1:Auto,4:Flash,12:Flash"),
    skip(0x2021),
    shown(0x2022, "ObjectDistance", "Object Distance (mm)"),
    skip(0x2023),
    skip(0x2031),
    skip(0x2032),
    skip(0x2033),
    shown(0x2034, "FlashDistance", "Flash Distance"),
    shown(0x3000, "RecordMode", "Record Mode", "2:Normal"),
    shown(0x3001, "SelfTimer", "Self Timer", kOffOn),
    row(0x3002, "Quality", "1:Economy,2:Normal,3:Fine"),
    shown(0x3003, "FocusMode", "Focus Mode", "1:Fixed,3:Auto Focus,6:Multi-Area Auto Focus"),
    skip(0x3005),
    shown(0x3006, "TimeZone", "Time Zone"),
    shown(0x3007, "BestshotMode", "Bestshot Mode", kOffOn),
    skip(0x3011),
    skip(0x3012),
    skip(0x3013),
    shown(0x3014, "CCDSensitivity", "CCD Sensitivity"),
    shown(0x3015, "ColorMode", "Color Mode", kOffOn),
    row(0x3016, "Enhancement", kOffOn),
    row(0x3017, "Filter", kOffOn),
    skip(0x3018),
    skip(0x3019),
    skip(0x301A),
    skip(0x301B),
};

constexpr const char *kNormalHighLow = "0:Normal,256:High,512:Low";

constexpr MakerRow kFujifilm[] = {
    row(0x0000, "Version"),
    row(0x1000, "Quality"),
    row(0x1001, "Sharpness", "1:Soft,2:Soft,3:Normal,4:Hard,5:Hard"),
    row(0x1002, "WhiteBalance",
        "0:Auto,256:Daylight,512:Cloudy,768:DaylightColor-fluorescence,769:DaywhiteColor-fluorescence,"
        "770:White-fluorescence,1024:Incandenscense,3840:Custom white balance."),
    row(0x1003, "Color", kNormalHighLow),
    row(0x1004, "Tone", kNormalHighLow),
    row(0x1010, "FlashMode", "0:Auto,1:On,2:Off,3:Red-eye reduction"),
    row(0x1011, "FlashStrength"),
    row(0x1020, "Macro", kOffOn),
    row(0x1021, "Focusmode", "0:Auto Focus,1:Manual Focus"),
    row(0x1030, "SlowSync", kOffOn),
    row(0x1031, "PictureMode",
        "0:Auto,1:Portrait scene,2:Landscape scene,4:Sports scene,5:Night scene,6:Program AE,"
        "256:Aperture prior AE,512:Shutter prior AE,768:Manual exposure"),
    skip(0x1032),
    row(0x1100, "ContTake/Bracket", kOffOn),
    skip(0x1200),
    row(0x1300, "BlurWarning", "0:No blur warning,1:Blur warning"),
    row(0x1301, "FocusWarning", "0:Auto Focus good,1:Out of focus"),
    row(0x1302, "AEWarning", "0:AE good,1:Over exposure"),
};

constexpr MakerRow kCanon[] = {
    skip(0x0000),
    { 0x0001, "ExposureInfo1", nullptr, "", canonExposureInfo1Callback },
    skip(0x0002),
    skip(0x0003),
    { 0x0004, "ExposureInfo2", nullptr, "", canonExposureInfo2Callback },
    row(0x0006, "ImageType"),
    row(0x0007, "FirmwareVersion"),
    row(0x0008, "ImageNumber"),
    row(0x0009, "OwnerName"),
    skip(0x000A),
    skip(0x000B),
    row(0x000C, "CameraSerialNumber"),
    skip(0x000D),
    skip(0x000E),
    { 0x000F, "CustomFunctions", nullptr, "", canonCustomFunctionsCallback },
    skip(0x0010),
};

constexpr MakerRow kSeikoEpson[] = {
    row(0x0200, "Special Mode"),
    row(0x0201, "JpegQuality"),
    row(0x0202, "Macro"),
    skip(0x0203),
    row(0x0204, "DigiZoom"),
    row(0x0209, "CameraID"),
    row(0x020A, "Comments"),
    row(0x020B, "Width"),
    row(0x020C, "Height"),
    row(0x020D, "SoftRelease"),
    row(0x0300, "??"),
    skip(0x0F00),
};

constexpr MakerRow kSanyo[] = {
    row(0x0200, "Special Mode"),
    row(0x0201, "JpegQuality"),
    row(0x0202, "Macro"),
    skip(0x0203),
    row(0x0204, "DigiZoom"),
    row(0x0F00, "DataDump"),
};

constexpr MakerRow kMinolta[] = {
    row(0x0000, "ModelID"),
    row(0x0E00, "PIMdata"),
};

static_assert(std::size(kNikonFirst) == 11 && std::size(kNikonSecond) == 28 && std::size(kOlympus) == 33);
static_assert(std::size(kCasioFirst) == 26 && std::size(kCasioSecond) == 45 && std::size(kFujifilm) == 18);
static_assert(
    std::size(kCanon) == 16 && std::size(kSeikoEpson) == 12 && std::size(kSanyo) == 6 && std::size(kMinolta) == 2);

std::vector<TTagEntry> buildTable(std::span<const MakerRow> rows)
{
    std::vector<TTagEntry> table;
    table.reserve(rows.size());
    for (const MakerRow &r : rows) {
        TTagEntry entry;
        entry.Tag = r.tag;
        entry.Name = r.name;
        entry.Desc = r.desc ? r.desc : r.name;
        entry.Code = r.code;
        entry.CallBack = r.callback;
        table.push_back(std::move(entry));
    }
    return table;
}

constexpr size_t kTableCount = static_cast<size_t>(MakerTableId::Minolta) + 1;

const std::array<std::vector<TTagEntry>, kTableCount> &tables()
{
    // Built once, on first use; a function-local static makes that thread-safe.
    static const std::array<std::vector<TTagEntry>, kTableCount> all = {
        buildTable(kNikonFirst),
        buildTable(kNikonSecond),
        buildTable(kOlympus),
        buildTable(kCasioFirst),
        buildTable(kCasioSecond),
        buildTable(kFujifilm),
        buildTable(kCanon),
        buildTable(kSeikoEpson),
        buildTable(kSanyo),
        buildTable(kMinolta),
    };
    return all;
}

char upperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

std::span<const TTagEntry> makerTagTable(MakerTableId id)
{
    return tables()[static_cast<size_t>(id)];
}

const TTagEntry *findMakerRow(std::span<const TTagEntry> table, uint16_t tag)
{
    for (const TTagEntry &r : table) {
        if (r.Tag == tag)
            return &r;
    }
    return nullptr;
}

bool isSkipRow(const TTagEntry &row)
{
    static constexpr std::string_view kSkip = "SKIP";
    if (row.Desc.size() != kSkip.size())
        return false;
    for (size_t i = 0; i < kSkip.size(); ++i) {
        if (upperAscii(row.Desc[i]) != kSkip[i])
            return false;
    }
    return true;
}

std::string nikonLensText(std::string_view text, const ExifTextOptions &options)
{
    const auto parts = splitValues(text);
    double values[4] = { 0, 0, 0, 0 };
    for (size_t i = 0; i < 4 && i < parts.size(); ++i)
        values[i] = parseFraction(parts[i]);
    return formatPattern(
        "%0.1f-%0.1f(mm)  F%0.1f-F%0.1f", { values[0], values[1], values[2], values[3] }, options.decimalSeparator);
}

std::string nikonColorModeText(std::string_view text)
{
    const std::string mode(text.substr(std::min<size_t>(1, text.size()), 5));
    if (mode == "MODE1")
        return "Mode1 (sRGB)";
    if (mode == "MODE2")
        return "Mode 2 (Adobe RGB)";
    if (mode == "MODE3")
        return "Mode 3 (sRGB): higher saturation";
    return printable(mode);
}

} // namespace kelvra
