// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "metadata/exif_tags.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kelvra {

struct ExifTextOptions;

// The definition tables of the makers' private directories.
enum class MakerTableId {
    NikonFirst,
    NikonSecond,
    Olympus,
    CasioFirst,
    CasioSecond,
    Fujifilm,
    Canon,
    SeikoEpson,
    Sanyo,
    Minolta,
};

// Rows in the maker's order. Desc is the display name; "Skip" marks a tag that
// is read past. FormatS is always empty.
std::span<const TTagEntry> makerTagTable(MakerTableId id);

// The first row of table whose Tag equals tag; nullptr when none.
const TTagEntry *findMakerRow(std::span<const TTagEntry> table, uint16_t tag);

bool isSkipRow(const TTagEntry &row);

// Four rationals "n/d, n/d, n/d, n/d" (focal range, aperture range) as
// "18.0-70.0(mm)  F3.5-F4.5".
std::string nikonLensText(std::string_view text, const ExifTextOptions &options);
// A quoted ASCII value: "MODE1" and its kin spelled out, other modes as stored
// (control bytes shown as '.').
std::string nikonColorModeText(std::string_view text);

} // namespace kelvra
