// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "metadata/exif_tags.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvra {

class TImageInfo;

// One field decoded from a Canon record: display name and value text.
using CanonField = std::pair<std::string, std::string>;

// The fields of the Canon records, from their value text (the record's numbers
// joined by ", "; element 0 is the record's length in bytes). Fields whose
// value has no label are left out.
std::vector<CanonField> decodeCanonExposureInfo1(std::string_view numbers);
std::vector<CanonField> decodeCanonExposureInfo2(std::string_view numbers);
std::vector<CanonField> decodeCanonCustomFunctions(std::string_view numbers);

// Row callbacks: hand each decoded field to AddMSTag and the maker trace, and
// return the text as the trace shows it (printable, cut to 50 characters).
std::string canonExposureInfo1Callback(TImageInfo &info, const std::string &text);
std::string canonExposureInfo2Callback(TImageInfo &info, const std::string &text);
std::string canonCustomFunctionsCallback(TImageInfo &info, const std::string &text);

// True for the three callbacks above: their rows keep the text from before the
// callback (the record's numbers) as their value text.
bool isCanonFieldDecoder(TTagCallback callback);

} // namespace kelvra
