// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kelvra::test {

// A small but well-formed ICC profile (a monitor profile with one
// description tag), so that carried colour profiles can be compared byte for
// byte without shipping one.
std::string smallIccProfile(const std::string &description);

// Photos of each kind made with the outside tools from one grey JPEG of
// 600 x 400 that holds a camera's EXIF (Canon EOS 80D, 2021-06-15 10:20:30,
// ISO 200, GPS near Paris), orientation 6, an XMP subject and an ICC
// profile: "phone.heic" (heif-enc), "screen.png", "scan.tif" and "web.webp"
// (ImageMagick, EXIF then written by exiftool), in folder/"in"; the JPEG
// stays as folder/"base.jpg". Returns the paths made; empty when a tool is
// missing.
std::vector<std::filesystem::path> makeKindPhotos(const std::filesystem::path &folder);

// Whether every tool makeKindPhotos needs is there.
bool kindToolsAvailable();

} // namespace kelvra::test
