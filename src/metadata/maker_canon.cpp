// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/maker_canon.h"

#include "metadata/exif_info.h"
#include "metadata/exif_values.h"
#include "metadata/maker_decoder.h"

#include <charconv>
#include <iterator>
#include <optional>
#include <span>

namespace kelvra {

namespace {

// Element 0 of every record is its length in bytes, so a field's element is
// its index in the camera's own numbering.
struct ListField
{
    const char *name;
    size_t element;
    const char *list;
};

struct NumberField
{
    const char *name;
    size_t element;
};

constexpr const char *kLowNormalHigh = "65535:Low,0:Normal,1:High";

constexpr ListField kExposureInfo1Lists[] = {
    { "Macro mode", 1, "1:Macro,2:Normal" },
    { "Compression Rate", 3, "0:SuperFine,1:Fine,2:Normal,3:Basic,5:SuperFine" },
    { "Flash Mode", 4, "0:Not fired,1:Auto,2:On,3:Red-eye,4:Slow sync,5:Auto+red-eye,6:On+red eye,16:External flash" },
    { "Drive Mode", 5, "0:Single,1:Continuous" },
    { "Focus Mode", 7, "0:One-Shot,1:AI Servo,2:AI Focus,3:MF,4:Single,5:Continuous,6:MF" },
    { "Image Size", 10, "0:Large,1:Medium,2:Small,4:5MPixel,5:2 MPixel,6:1.5 MPixel" },
    { "Easy Shoot", 11,
        "0:Full Auto,1:Manual,2:Landscape,3:Fast Shutter,4:Slow Shutter,5:Night,6:B&W,7:Sepia,8:Portrait,"
        "9:Sports,10:Macro/Close-Up,11:Pan Focus" },
    { "Contrast", 13, kLowNormalHigh },
    { "Saturation", 14, kLowNormalHigh },
    { "Sharpness", 15, kLowNormalHigh },
    { "Metering Mode", 17, "0:Default,1:Spot,2:Average,3:Evaluative,4:Partial,5:Center-weighted average" },
    { "AF Point", 19,
        "8197:Manual AF point selection,12288:None (MF),12289:Auto AF point selection,12290:Right,"
        "12291:Center,12292:Left,16385:Auto AF point selection,16390:Face Detect" },
    { "Exposure Mode", 20,
        "0:Easy,1:Program AE,2:Shutter speed priority AE,3:Aperture-priority AE,4:Manual,5:Depth-of-field AE" },
    { "Focus Mode", 32, "0:Single,1:Continuous,8:Manual" },
    { "CCD ISO", 16, "0:Not used,15:auto,16:50,17:100,18:200,19:400" },
};

constexpr NumberField kExposureInfo1Numbers[] = {
    { "Self Timer", 2 },
    { "Long focal", 23 },
    { "Short focal", 24 },
    { "Focal Units", 25 },
    { "Flash Details", 29 },
};

constexpr ListField kExposureInfo2Lists[] = {
    { "White balance", 7, "0:Auto,1:Sunny,2:Cloudy,3:Tungsten,4:Flourescent,5:Flash,6:Custom" },
    { "Flash bias", 15,
        "65472:-2 EV,65484:-1.67 EV,65488:-1.50 EV,65492:-1.33 EV,65504:-1 EV,65516:-0.67 EV,65520:-0.50 EV,"
        "65524:-0.33 EV,0:0 EV,12:0.33 EV,16:0.50 EV,20:0.67 EV,32:1 EV,44:1.33 EV,48:1.50 EV,52:1.67 EV,64:2 EV" },
};

constexpr NumberField kExposureInfo2Numbers[] = {
    { "Sequence Number", 9 },
    { "OpticalZoom Step", 10 },
    { "AF point", 14 },
    { "Distance", 19 },
};

struct CustomFunction
{
    const char *name;
    const char *list;
};

// Indexed by function number; the high byte of a value selects one.
constexpr CustomFunction kCustomFunctions[] = {
    { nullptr, nullptr },
    { "Noise Reduction", "0: Off,1: On" },
    { "Shutter AE Lock Button", "0:AF/AE lock,1:AE lock/AF,2:AF/AF lock,3:AE+release/AE+AF" },
    { "Mirror Lockup", "0:Disable,1:Enable" },
    { "Exposure Level", "0:1/2 stop,1:1/3 stop" },
    { "AF Assist", "0:On (auto),1:Off" },
    { "AV Shutter Speed", "0:Automatic,1: 1/200 (fixed)" },
    { "AEB Sequence", "0:0 - + / Enabled,1:0 - + / Disabled,2:- 0 + / Enabled,3:- 0 + / Disabled" },
    { "Shutter Sync", "0:1st-curtain sync,1: 2nd-curtain sync" },
    { "Lens AF Button", "0:AF stop,1:Operate AF,2:Lock AE and start timer" },
    { "Fill Flash Reduction", "0:Enable,1:Disable" },
    { "Menu Return", "0:Top,1:Previous (volatile),2:Previous" },
    { "Set Button", "0:Not assigned,1:Change quality,2:Change ISO speed,3:Select parameters" },
    { "Sensor Cleaning", "0:Disable,1:Enable" },
    { "Superimposed Display", "0: On,1: Off" },
    { "Shutter Release w/o CF Card", "0:Enable,1:Disable" },
};

std::optional<int64_t> integerAt(const std::vector<std::string_view> &values, size_t element)
{
    if (element >= values.size())
        return std::nullopt;
    const std::string_view text = values[element];
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::vector<CanonField> decodeRecord(
    std::string_view numbers, std::span<const ListField> lists, std::span<const NumberField> plain)
{
    const auto values = splitValues(numbers);
    std::vector<CanonField> fields;
    for (const ListField &field : lists) {
        const auto value = integerAt(values, field.element);
        // An unreadable field shows "0"; a value the list does not name shows nothing.
        std::string text = value ? lookupValueList(field.list, std::to_string(*value)) : std::string("0");
        if (!text.empty())
            fields.emplace_back(field.name, std::move(text));
    }
    for (const NumberField &field : plain) {
        if (const auto value = integerAt(values, field.element))
            fields.emplace_back(field.name, std::to_string(*value));
    }
    return fields;
}

std::string emitFields(TImageInfo &info, const std::string &text, const std::vector<CanonField> &fields)
{
    for (const auto &[name, value] : fields) {
        AddMSTag(info, name, value, 2);
        info.msTraceStr += "\r\n" + name + " = " + value;
    }
    return printable(text);
}

} // namespace

std::vector<CanonField> decodeCanonExposureInfo1(std::string_view numbers)
{
    return decodeRecord(numbers, kExposureInfo1Lists, kExposureInfo1Numbers);
}

std::vector<CanonField> decodeCanonExposureInfo2(std::string_view numbers)
{
    return decodeRecord(numbers, kExposureInfo2Lists, kExposureInfo2Numbers);
}

std::vector<CanonField> decodeCanonCustomFunctions(std::string_view numbers)
{
    const auto values = splitValues(numbers);
    std::vector<CanonField> fields;
    // Element 0 is the record's length; every later value is one function.
    for (size_t i = 1; i < values.size(); ++i) {
        const auto value = integerAt(values, i);
        if (!value || *value < 0 || *value > 4095)
            continue;
        const auto function = static_cast<size_t>(*value >> 8);
        if (function == 0 || function >= std::size(kCustomFunctions))
            continue;
        std::string text = lookupValueList(kCustomFunctions[function].list, std::to_string(*value & 0xFF));
        if (!text.empty())
            fields.emplace_back(kCustomFunctions[function].name, std::move(text));
    }
    return fields;
}

std::string canonExposureInfo1Callback(TImageInfo &info, const std::string &text)
{
    return emitFields(info, text, decodeCanonExposureInfo1(text));
}

std::string canonExposureInfo2Callback(TImageInfo &info, const std::string &text)
{
    return emitFields(info, text, decodeCanonExposureInfo2(text));
}

std::string canonCustomFunctionsCallback(TImageInfo &info, const std::string &text)
{
    return emitFields(info, text, decodeCanonCustomFunctions(text));
}

bool isCanonFieldDecoder(TTagCallback callback)
{
    return callback == canonExposureInfo1Callback || callback == canonExposureInfo2Callback
        || callback == canonCustomFunctionsCallback;
}

} // namespace kelvra
