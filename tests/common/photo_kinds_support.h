// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/test_support.h"

#include <gtest/gtest.h>

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

// A test of the four kinds: skipped without the tools, the photos made anew
// in dir for each test, since tests write beside them.
class KindPhotosTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!kindToolsAvailable())
            GTEST_SKIP() << "needs heif-enc, convert and exiftool";
        photos = makeKindPhotos(dir.path());
        ASSERT_EQ(photos.size(), 4u);
    }
    TempDir dir;
    std::vector<std::filesystem::path> photos; // phone.heic, screen.png, scan.tif, web.webp
};

} // namespace kelvra::test
