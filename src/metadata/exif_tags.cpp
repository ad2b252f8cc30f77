// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/exif_tags.h"

#include "metadata/exif_info.h"
#include "metadata/exif_values.h"

#include <vector>

namespace kelvra {

namespace {

std::string componentsCallback(TImageInfo &, const std::string &text)
{
    return componentsText(text);
}

std::string shutterSpeedCallback(TImageInfo &info, const std::string &text)
{
    return shutterSpeedText(text, info.textOptions());
}

std::string flashCallback(TImageInfo &, const std::string &text)
{
    return flashText(text);
}

std::string userCommentCallback(TImageInfo &, const std::string &text)
{
    return userCommentText(text);
}

std::string wideTextCallback(TImageInfo &, const std::string &text)
{
    return wideText(text);
}

std::string coordinateCallback(TImageInfo &info, const std::string &text)
{
    return coordinateText(text, info.textOptions());
}

std::string timeStampCallback(TImageInfo &info, const std::string &text)
{
    return timeStampText(text, info.textOptions());
}

struct TagDefinition
{
    uint16_t tag;
    const char *name;
    const char *desc;
    const char *code;
    const char *format;
    TTagCallback callback;
};

constexpr TagDefinition kMainRows[] = {
    { 0x0001, "InteroperabilityIndex", "", "", "", nullptr },
    { 0x0002, "InteroperabilityVersion", "", "", "", nullptr },
    { 0x000B, "ACDComment", "", "", "", nullptr },
    { 0x00FE, "NewSubfileType", "", "", "", nullptr },
    { 0x00FF, "SubfileType", "", "", "", nullptr },
    { 0x0100, "ImageWidth", "", "", "", nullptr },
    { 0x0101, "ImageLength", "", "", "", nullptr },
    { 0x0102, "BitsPerSample", "", "", "", nullptr },
    { 0x0103, "Compression", "", "6:Jpeg,3:Uncompressed,1:TIFF", "", nullptr },
    { 0x0106, "PhotometricInterpretation", "", "1:Monochrome,2:RGB,6:YCbCr", "", nullptr },
    { 0x010A, "FillOrder", "", "", "", nullptr },
    { 0x010D, "DocumentName", "", "", "", nullptr },
    { 0x010E, "ImageDescription", "", "", "", nullptr },
    { 0x010F, "Make", "", "", "", nullptr },
    { 0x0110, "Model", "", "", "", nullptr },
    { 0x0111, "StripOffsets", "", "", "", nullptr },
    { 0x0112, "Orientation", "", "1:Normal,3:Rotated 180\xB0,6:CounterClockwise 90\xB0,8:Clockwise 90\xB0", "",
        nullptr },
    { 0x0115, "SamplesPerPixel", "", "", "", nullptr },
    { 0x0116, "RowsPerStrip", "", "", "", nullptr },
    { 0x0117, "StripByteCounts", "", "", "", nullptr },
    { 0x0118, "MinSampleValue", "", "", "", nullptr },
    { 0x0119, "MaxSampleValue", "", "", "", nullptr },
    { 0x011A, "XResolution", "", "", "%5.2f", nullptr },
    { 0x011B, "YResolution", "", "", "%5.2f", nullptr },
    { 0x011C, "PlanarConfiguration", "", "", "", nullptr },
    { 0x011D, "PageName", "", "", "", nullptr },
    { 0x011E, "XPosition", "", "", "", nullptr },
    { 0x011F, "YPosition", "", "", "", nullptr },
    { 0x0120, "FreeOffsets", "", "", "", nullptr },
    { 0x0121, "FreeByteCounts", "", "", "", nullptr },
    { 0x0122, "GrayReponseUnit", "", "", "", nullptr },
    { 0x0123, "GrayReponseCurve", "", "", "", nullptr },
    { 0x0124, "T4Options", "", "", "", nullptr },
    { 0x0125, "T6Options", "", "", "", nullptr },
    { 0x0128, "ResolutionUnit", "", "1:None Specified,2:Inch,3:Centimeter", "", nullptr },
    { 0x0129, "PageNumber", "", "", "", nullptr },
    { 0x012D, "TransferFunction", "", "", "", nullptr },
    { 0x0131, "Software", "", "", "", nullptr },
    { 0x0132, "DateTime", "", "", "", nullptr },
    { 0x013B, "Artist", "", "", "", nullptr },
    { 0x013C, "HostComputer", "", "", "", nullptr },
    { 0x013D, "Predictor", "", "", "", nullptr },
    { 0x013E, "WhitePoint", "", "", "", nullptr },
    { 0x013F, "PrimaryChromaticities", "", "", "", nullptr },
    { 0x0140, "ColorMap", "", "", "", nullptr },
    { 0x0141, "HalfToneHints", "", "", "", nullptr },
    { 0x0142, "TileWidth", "", "", "", nullptr },
    { 0x0143, "TileLength", "", "", "", nullptr },
    { 0x0144, "TileOffsets", "", "", "", nullptr },
    { 0x0145, "TileByteCounts", "", "", "", nullptr },
    { 0x014A, "SubIFDs", "", "", "", nullptr },
    { 0x014C, "InkSet", "", "", "", nullptr },
    { 0x014D, "InkNames", "", "", "", nullptr },
    { 0x014E, "NumberOfInks", "", "", "", nullptr },
    { 0x0150, "DotRange", "", "", "", nullptr },
    { 0x0151, "TargetPrinter", "", "", "", nullptr },
    { 0x0152, "ExtraSample", "", "", "", nullptr },
    { 0x0153, "SampleFormat", "", "", "", nullptr },
    { 0x0154, "SMinSampleValue", "", "", "", nullptr },
    { 0x0155, "SMaxSampleValue", "", "", "", nullptr },
    { 0x0156, "TransferRange", "", "", "", nullptr },
    { 0x0157, "ClipPath", "", "", "", nullptr },
    { 0x0158, "XClipPathUnits", "", "", "", nullptr },
    { 0x0159, "YClipPathUnits", "", "", "", nullptr },
    { 0x015A, "Indexed", "", "", "", nullptr },
    { 0x015B, "JPEGTables", "", "", "", nullptr },
    { 0x015F, "OPIProxy", "", "", "", nullptr },
    { 0x0200, "JPEGProc", "", "", "", nullptr },
    { 0x0201, "JPEGInterchangeFormat", "", "", "", nullptr },
    { 0x0202, "JPEGInterchangeFormatLength", "", "", "", nullptr },
    { 0x0203, "JPEGRestartInterval", "", "", "", nullptr },
    { 0x0205, "JPEGLosslessPredictors", "", "", "", nullptr },
    { 0x0206, "JPEGPointTransforms", "", "", "", nullptr },
    { 0x0207, "JPEGQTables", "", "", "", nullptr },
    { 0x0208, "JPEGDCTables", "", "", "", nullptr },
    { 0x0209, "JPEGACTables", "", "", "", nullptr },
    { 0x0211, "YCbCrCoefficients", "", "", "", nullptr },
    { 0x0212, "YCbCrSubSampling", "", "", "", nullptr },
    { 0x0213, "YCbCrPositioning", "", "1:Centered,2:Co-sited", "", nullptr },
    { 0x0214, "ReferenceBlackWhite", "", "", "", nullptr },
    { 0x02BC, "ExtensibleMetadataPlatform", "", "", "", nullptr },
    { 0x0301, "Gamma", "", "", "", nullptr },
    { 0x0302, "ICCProfileDescriptor", "", "", "", nullptr },
    { 0x0303, "SRGBRenderingIntent", "", "", "", nullptr },
    { 0x0304, "ImageTitle", "", "", "", nullptr },
    { 0x1000, "RelatedImageFileFormat", "", "", "", nullptr },
    { 0x1001, "RelatedImageWidth", "", "", "", nullptr },
    { 0x1002, "RelatedImageHeight", "", "", "", nullptr },
    { 0x5001, "ResolutionXUnit", "", "", "", nullptr },
    { 0x5002, "ResolutionYUnit", "", "", "", nullptr },
    { 0x5003, "ResolutionXLengthUnit", "", "", "", nullptr },
    { 0x5004, "ResolutionYLengthUnit", "", "", "", nullptr },
    { 0x5005, "PrintFlags", "", "", "", nullptr },
    { 0x5006, "PrintFlagsVersion", "", "", "", nullptr },
    { 0x5007, "PrintFlagsCrop", "", "", "", nullptr },
    { 0x5008, "PrintFlagsBleedWidth", "", "", "", nullptr },
    { 0x5009, "PrintFlagsBleedWidthScale", "", "", "", nullptr },
    { 0x500A, "HalftoneLPI", "", "", "", nullptr },
    { 0x500B, "HalftoneLPIUnit", "", "", "", nullptr },
    { 0x500C, "HalftoneDegree", "", "", "", nullptr },
    { 0x500D, "HalftoneShape", "", "", "", nullptr },
    { 0x500E, "HalftoneMisc", "", "", "", nullptr },
    { 0x500F, "HalftoneScreen", "", "", "", nullptr },
    { 0x5010, "JPEGQuality", "", "", "", nullptr },
    { 0x5011, "GridSize", "", "", "", nullptr },
    { 0x5012, "ThumbnailFormat", "", "", "", nullptr },
    { 0x5013, "ThumbnailWidth", "", "", "", nullptr },
    { 0x5014, "ThumbnailHeight", "", "", "", nullptr },
    { 0x5015, "ThumbnailColorDepth", "", "", "", nullptr },
    { 0x5016, "ThumbnailPlanes", "", "", "", nullptr },
    { 0x5017, "ThumbnailRawBytes", "", "", "", nullptr },
    { 0x5018, "ThumbnailSize", "", "", "", nullptr },
    { 0x5019, "ThumbnailCompressedSize", "", "", "", nullptr },
    { 0x501A, "ColorTransferFunction", "", "", "", nullptr },
    { 0x501B, "ThumbnailData", "", "", "", nullptr },
    { 0x5020, "ThumbnailImageWidth", "", "", "", nullptr },
    { 0x5021, "ThumbnailImageHeight", "", "", "", nullptr },
    { 0x5022, "ThumbnailBitsPerSample", "", "", "", nullptr },
    { 0x5023, "ThumbnailCompression", "", "", "", nullptr },
    { 0x5024, "ThumbnailPhotometricInterp", "", "", "", nullptr },
    { 0x5025, "ThumbnailImageDescription", "", "", "", nullptr },
    { 0x5026, "ThumbnailEquipMake", "", "", "", nullptr },
    { 0x5027, "ThumbnailEquipModel", "", "", "", nullptr },
    { 0x5028, "ThumbnailStripOffsets", "", "", "", nullptr },
    { 0x5029, "ThumbnailOrientation", "", "", "", nullptr },
    { 0x502A, "ThumbnailSamplesPerPixel", "", "", "", nullptr },
    { 0x502B, "ThumbnailRowsPerStrip", "", "", "", nullptr },
    { 0x502C, "ThumbnailStripBytesCount", "", "", "", nullptr },
    { 0x502D, "ThumbnailResolutionX", "", "", "", nullptr },
    { 0x502E, "ThumbnailResolutionY", "", "", "", nullptr },
    { 0x502F, "ThumbnailPlanarConfig", "", "", "", nullptr },
    { 0x5030, "ThumbnailResolutionUnit", "", "", "", nullptr },
    { 0x5031, "ThumbnailTransferFunction", "", "", "", nullptr },
    { 0x5032, "ThumbnailSoftwareUsed", "", "", "", nullptr },
    { 0x5033, "ThumbnailDateTime", "", "", "", nullptr },
    { 0x5034, "ThumbnailArtist", "", "", "", nullptr },
    { 0x5035, "ThumbnailWhitePoint", "", "", "", nullptr },
    { 0x5036, "ThumbnailPrimaryChromaticities", "", "", "", nullptr },
    { 0x5037, "ThumbnailYCbCrCoefficients", "", "", "", nullptr },
    { 0x5038, "ThumbnailYCbCrSubsampling", "", "", "", nullptr },
    { 0x5039, "ThumbnailYCbCrPositioning", "", "", "", nullptr },
    { 0x503A, "ThumbnailRefBlackWhite", "", "", "", nullptr },
    { 0x503B, "ThumbnailCopyRight", "", "", "", nullptr },
    { 0x5090, "LuminanceTable", "", "", "", nullptr },
    { 0x5091, "ChrominanceTable", "", "", "", nullptr },
    { 0x5100, "FrameDelay", "", "", "", nullptr },
    { 0x5101, "LoopCount", "", "", "", nullptr },
    { 0x5110, "PixelUnit", "", "", "", nullptr },
    { 0x5111, "PixelPerUnitX", "", "", "", nullptr },
    { 0x5112, "PixelPerUnitY", "", "", "", nullptr },
    { 0x5113, "PaletteHistogram", "", "", "", nullptr },
    { 0x800D, "ImageID", "", "", "", nullptr },
    { 0x80E3, "Matteing", "", "", "", nullptr },
    { 0x80E4, "DataType", "", "", "", nullptr },
    { 0x80E5, "ImageDepth", "", "", "", nullptr },
    { 0x80E6, "TileDepth", "", "", "", nullptr },
    { 0x828D, "CFARepeatPatternDim", "", "", "", nullptr },
    { 0x828E, "CFAPattern", "", "", "", nullptr },
    { 0x828F, "BatteryLevel", "", "", "", nullptr },
    { 0x8298, "Copyright", "", "", "", nullptr },
    { 0x829A, "ExposureTime", "", "", "%s sec", nullptr },
    { 0x829D, "FNumber", "", "", "f%0.1f", nullptr },
    { 0x83BB, "IPTC/NAA", "IPTC/NAA", "", "", nullptr },
    { 0x84E3, "IT8RasterPadding", "", "", "", nullptr },
    { 0x84E5, "IT8ColorTable", "", "", "", nullptr },
    { 0x8649, "ImageResourceInformation", "", "", "", nullptr },
    { 0x8769, "ExifOffset", "", "", "", nullptr },
    { 0x8773, "InterColorProfile", "", "", "", nullptr },
    { 0x8822, "ExposureProgram", "",
        "0:Unidentified,1:Manual,2:Normal,3:Aperture priority,4:Shutter "
        "priority,5:Creative(slow),6:Action(high-speed),7:Portrait mode,8:Landscape mode",
        "", nullptr },
    { 0x8824, "SpectralSensitivity", "", "", "", nullptr },
    { 0x8825, "GPSInfo", "", "", "", nullptr },
    { 0x8827, "ISOSpeedRatings", "", "", "", nullptr },
    { 0x8828, "OECF", "", "", "", nullptr },
    { 0x8829, "Interlace", "", "", "", nullptr },
    { 0x882A, "TimeZoneOffset", "", "", "", nullptr },
    { 0x882B, "SelfTimerMode", "", "", "", nullptr },
    { 0x9000, "ExifVersion", "", "", "", nullptr },
    { 0x9003, "DateTimeOriginal", "", "", "", nullptr },
    { 0x9004, "DateTimeDigitized", "", "", "", nullptr },
    { 0x9101, "ComponentsConfiguration", "", "", "", componentsCallback },
    { 0x9102, "CompressedBitsPerPixel", "", "", "", nullptr },
    { 0x9201, "ShutterSpeedValue", "", "", "", shutterSpeedCallback },
    { 0x9202, "ApertureValue", "", "", "F%0.1f", nullptr },
    { 0x9203, "BrightnessValue", "", "", "", nullptr },
    { 0x9204, "ExposureBiasValue", "", "", "", nullptr },
    { 0x9205, "MaxApertureValue", "", "", "F%0.1f", nullptr },
    { 0x9206, "SubjectDistance", "", "", "", nullptr },
    { 0x9207, "MeteringMode", "", "0:Unknown,1:Average,2:Center,3:Spot,4:MultiSpot,5:MultiSegment,6:Partial", "",
        nullptr },
    { 0x9208, "LightSource", "",
        "0:Unidentified,1:Daylight,2:Fluorescent,3:Tungsten,10:Flash,17:Std A,18:Std B,19:Std C", "", nullptr },
    { 0x9209, "Flash", "", "", "", flashCallback },
    { 0x920A, "FocalLength", "", "", "%5.2f mm", nullptr },
    { 0x920B, "FlashEnergy", "", "", "", nullptr },
    { 0x920C, "SpatialFrequencyResponse", "", "", "", nullptr },
    { 0x920D, "Noise", "", "", "", nullptr },
    { 0x920E, "FocalPlaneXResolution", "", "", "", nullptr },
    { 0x920F, "FocalPlaneYResolution", "", "", "", nullptr },
    { 0x9210, "FocalPlaneResolutionUnit", "", "1:None Specified,2:Inch,3:Centimeter", "", nullptr },
    { 0x9211, "ImageNumber", "", "", "", nullptr },
    { 0x9212, "SecurityClassification", "", "", "", nullptr },
    { 0x9213, "ImageHistory", "", "", "", nullptr },
    { 0x9214, "SubjectLocation", "", "", "", nullptr },
    { 0x9215, "ExposureIndex", "", "", "", nullptr },
    { 0x9216, "TIFF/EPStandardID", "", "", "", nullptr },
    { 0x9217, "SensingMethod", "", "", "", nullptr },
    { 0x923F, "StoNits", "", "", "", nullptr },
    { 0x927C, "MakerNote", "", "", "", nullptr },
    { 0x9286, "UserComment", "", "", "", userCommentCallback },
    { 0x9290, "SubSecTime", "", "", "", nullptr },
    { 0x9291, "SubSecTimeOriginal", "", "", "", nullptr },
    { 0x9292, "SubSecTimeDigitized", "", "", "", nullptr },
    { 0x953C, "ImageSourceData", "", "", "", nullptr },
    { 0x9C9B, "Title", "", "", "", wideTextCallback },
    { 0x9C9C, "Comments", "", "", "", wideTextCallback },
    { 0x9C9D, "Author", "", "", "", wideTextCallback },
    { 0x9C9E, "Keywords", "", "", "", wideTextCallback },
    { 0x9C9F, "Subject", "", "", "", wideTextCallback },
    { 0xA000, "FlashPixVersion", "", "", "", nullptr },
    { 0xA001, "ColorSpace", "", "0:sBW,1:sRGB", "", nullptr },
    { 0xA002, "ExifImageWidth", "", "", "", nullptr },
    { 0xA003, "ExifImageLength", "", "", "", nullptr },
    { 0xA004, "RelatedSoundFile", "", "", "", nullptr },
    { 0xA005, "InteroperabilityOffset", "", "", "", nullptr },
    { 0xA20B, "FlashEnergy", "", "", "", nullptr },
    { 0xA20C, "SpatialFrequencyResponse", "", "", "", nullptr },
    { 0xA20E, "FocalPlaneXResolution", "", "", "", nullptr },
    { 0xA20F, "FocalPlaneYResolution", "", "", "", nullptr },
    { 0xA210, "FocalPlaneResolutionUnit", "", "1:None Specified,2:Inch,3:Centimeter", "", nullptr },
    { 0xA211, "ImageNumber", "", "", "", nullptr },
    { 0xA212, "SecurityClassification", "", "", "", nullptr },
    { 0xA213, "ImageHistory", "", "", "", nullptr },
    { 0xA214, "SubjectLocation", "", "", "", nullptr },
    { 0xA215, "ExposureIndex", "", "", "", nullptr },
    { 0xA216, "TIFF/EPStandardID", "TIFF/EPStandardID", "", "", nullptr },
    { 0xA217, "SensingMethod", "",
        "0:Unknown,1:MonochromeArea,2:OneChipColorArea,3:TwoChipColorArea,4:ThreeChipColorArea,5:ColorSequentialArea,6:"
        "MonochromeLinear,7:TriLinear,8:ColorSequentialLinear",
        "", nullptr },
    { 0xA300, "FileSource", "", "1:Unknown,3:Digital Still Camera", "", nullptr },
    { 0xA301, "SceneType", "", "0:Unknown,1:Directly Photographed", "", nullptr },
    { 0xA302, "CFAPattern", "", "", "", nullptr },
    { 0xA401, "CustomRendered", "", "0:Normal process,1:Custom process", "", nullptr },
    { 0xA402, "ExposureMode", "", "0:Auto,1:Manual,2:Auto bracket", "", nullptr },
    { 0xA403, "WhiteBalance", "", "0:Auto,1:Manual", "", nullptr },
    { 0xA404, "DigitalZoomRatio", "", "", "", nullptr },
    { 0xA405, "FocalLengthin35mmFilm", "Focal Length in 35mm Film", "", "%5.2f mm", nullptr },
    { 0xA406, "SceneCaptureType", "", "0:Standard,1:Landscape,2:Portrait,3:Night scene", "", nullptr },
    { 0xA407, "GainControl", "", "0:None,1:Low gain up,2:High gain up,3:Low gain down,4:High gain down", "", nullptr },
    { 0xA408, "Contrast", "", "0:Normal,1:Soft,2:Hard", "", nullptr },
    { 0xA409, "Saturation", "", "0:Normal,1:Low,2:High", "", nullptr },
    { 0xA40A, "Sharpness", "", "0:Normal,1:Soft,2:Hard", "", nullptr },
    { 0xA40B, "DeviceSettingDescription", "", "", "", nullptr },
    { 0xA40C, "SubjectDistanceRange", "", "0:Unknown,1:Macro,2:Close view,3:Distant view", "", nullptr },
    { 0xA420, "ImageUniqueID", "", "", "", nullptr },
    { 0x0000, "Unknown", "", "", "", nullptr },
};

constexpr TagDefinition kGpsRows[] = {
    { 0x0000, "GPSVersionID", "", "", "", nullptr },
    { 0x0001, "GPSLatitudeRef", "", "", "", nullptr },
    { 0x0002, "GPSLatitude", "", "", "", coordinateCallback },
    { 0x0003, "GPSLongitudeRef", "", "", "", nullptr },
    { 0x0004, "GPSLongitude", "", "", "", coordinateCallback },
    { 0x0005, "GPSAltitudeRef", "", "0:Sealevel", "", nullptr },
    { 0x0006, "GPSAltitude", "", "", "", nullptr },
    { 0x0007, "GPSTimeStamp", "", "", "", timeStampCallback },
    { 0x0008, "GPSSatellites", "", "", "", nullptr },
    { 0x0009, "GPSStatus", "", "", "", nullptr },
    { 0x000A, "GPSMeasureMode", "", "", "", nullptr },
    { 0x000B, "GPSDOP", "", "", "", nullptr },
    { 0x000C, "GPSSpeedRef", "", "", "", nullptr },
    { 0x000D, "GPSSpeed", "", "", "", nullptr },
    { 0x000E, "GPSTrackRef", "", "", "", nullptr },
    { 0x000F, "GPSTrack", "", "", "", nullptr },
    { 0x0010, "GPSImageDirectionRef", "", "", "", nullptr },
    { 0x0011, "GPSImageDirection", "", "", "", nullptr },
    { 0x0012, "GPSMapDatum", "", "", "", nullptr },
    { 0x0013, "GPSDestLatitudeRef", "", "", "", nullptr },
    { 0x0014, "GPSDestLatitude", "", "", "", coordinateCallback },
    { 0x0015, "GPSDestLongitudeRef", "", "", "", nullptr },
    { 0x0016, "GPSDestLongitude", "", "", "", coordinateCallback },
    { 0x0017, "GPSDestBearingkRef", "", "", "", nullptr },
    { 0x0018, "GPSDestBearing", "", "", "", nullptr },
    { 0x0019, "GPSDestDistanceRef", "", "", "", nullptr },
    { 0x001A, "GPSDestDistance", "", "", "", nullptr },
    { 0x001B, "GPSProcessingMode", "", "", "", nullptr },
    { 0x001C, "GPSAreaInformation", "", "", "", nullptr },
    { 0x001D, "GPSDateStamp", "", "", "", nullptr },
    { 0x001E, "GPSDifferential", "", "", "", nullptr },
};

static_assert(std::size(kMainRows) == kMainTagRows + 1);
static_assert(std::size(kGpsRows) == 31);

std::vector<TTagEntry> buildTable(std::span<const TagDefinition> rows)
{
    std::vector<TTagEntry> table;
    table.reserve(rows.size());
    for (const TagDefinition &row : rows) {
        TTagEntry entry;
        entry.Tag = row.tag;
        entry.Name = row.name;
        entry.Desc = *row.desc ? std::string(row.desc) : completeDisplayName(row.name);
        entry.Code = row.code;
        entry.FormatS = row.format;
        entry.CallBack = row.callback;
        table.push_back(std::move(entry));
    }
    return table;
}

// Completed once, on first use; a function-local static makes that thread-safe.
const std::vector<TTagEntry> &mainTable()
{
    static const std::vector<TTagEntry> table = buildTable(kMainRows);
    return table;
}

const std::vector<TTagEntry> &gpsTable()
{
    static const std::vector<TTagEntry> table = buildTable(kGpsRows);
    return table;
}

char upperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

std::span<const TTagEntry> mainTagTable()
{
    return mainTable();
}

std::span<const TTagEntry> gpsTagTable()
{
    return gpsTable();
}

const TTagEntry *findMainTag(uint16_t tag)
{
    for (size_t i = 0; i < kMainTagRows; ++i) {
        if (mainTable()[i].Tag == tag)
            return &mainTable()[i];
    }
    return nullptr;
}

const TTagEntry *findGpsTag(uint16_t tag)
{
    for (const TTagEntry &row : gpsTable()) {
        if (row.Tag == tag)
            return &row;
    }
    return nullptr;
}

const TTagEntry &unknownTag()
{
    return mainTable()[kMainTagRows];
}

int findMainTagByName(std::string_view name)
{
    for (size_t i = 0; i < kMainTagRows; ++i) {
        const std::string &candidate = mainTable()[i].Name;
        if (candidate.size() != name.size())
            continue;
        bool same = true;
        for (size_t k = 0; k < name.size() && same; ++k)
            same = upperAscii(candidate[k]) == upperAscii(name[k]);
        if (same)
            return static_cast<int>(i);
    }
    return -1;
}

std::string completeDisplayName(std::string_view name)
{
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const auto isCapital = [](char x) { return x >= 'A' && x <= 'Z'; };
        if (i > 0 && isCapital(c) && !isCapital(name[i - 1]))
            out += ' ';
        out += c;
    }
    return out;
}

} // namespace kelvra
