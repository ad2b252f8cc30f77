// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/photo_kinds_support.h"

#include "common/test_support.h"

#include <gtest/gtest.h>

namespace kelvra::test {

namespace fs = std::filesystem;

namespace {

void putBe32(std::string &out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>(v >> shift & 0xFF);
}

} // namespace

std::string smallIccProfile(const std::string &description)
{
    std::string desc = "desc";
    desc.append(4, '\0');
    putBe32(desc, static_cast<uint32_t>(description.size() + 1));
    desc += description;
    desc += '\0';
    desc.append(4 + 4 + 2 + 1 + 67, '\0'); // no Unicode or ScriptCode text
    while (desc.size() % 4)
        desc += '\0';

    std::string header(128, '\0');
    auto put = [&header](size_t at, std::string_view bytes) { header.replace(at, bytes.size(), bytes); };
    put(8, std::string_view("\x02\x10\x00\x00", 4));
    put(12, "mntr");
    put(16, "RGB ");
    put(20, "XYZ ");
    put(24, std::string_view("\x07\xE5\x00\x06\x00\x0F\x00\x0A\x00\x14\x00\x1E", 12));
    put(36, "acsp");
    put(68, std::string_view("\x00\x00\xF6\xD6\x00\x01\x00\x00\x00\x00\xD3\x2D", 12));
    std::string table;
    putBe32(table, 1);
    table += "desc";
    putBe32(table, 128 + 16);
    putBe32(table, static_cast<uint32_t>(desc.size()));
    std::string profile = header + table + desc;
    std::string size;
    putBe32(size, static_cast<uint32_t>(profile.size()));
    profile.replace(0, 4, size);
    return profile;
}

bool kindToolsAvailable()
{
    return toolAvailable("heif-enc") && toolAvailable("convert") && toolAvailable("exiftool");
}

std::vector<fs::path> makeKindPhotos(const fs::path &folder)
{
    if (!kindToolsAvailable())
        return {};
    fs::create_directories(folder / "in");
    const fs::path base = folder / "base.jpg";
    const fs::path icc = folder / "base.icc";
    writeFileBytes(icc, smallIccProfile("Kelvra test profile"));
    auto ok = [](const CommandResult &r) {
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.exitCode == 0;
    };
    if (!ok(runTool({ "convert", "-size", "600x400", "xc:#808080", "-quality", "95", base.string() })))
        return {};
    const std::vector<std::string> exif { "-Make=Canon", "-Model=Canon EOS 80D",
        "-DateTimeOriginal=2021:06:15 10:20:30", "-CreateDate=2021:06:15 10:20:30", "-ExposureTime=1/250",
        "-FNumber=5.6", "-ISO=200", "-FocalLength=35", "-GPSLatitude=48.8583", "-GPSLatitudeRef=N",
        "-GPSLongitude=2.2945", "-GPSLongitudeRef=E", "-GPSAltitude=35", "-GPSAltitudeRef=0", "-Orientation#=6",
        "-XMP-dc:Subject=tower" };
    std::vector<std::string> argv { "exiftool", "-q", "-overwrite_original", "-ICC_Profile<=" + icc.string() };
    argv.insert(argv.end(), exif.begin(), exif.end());
    argv.push_back(base.string());
    if (!ok(runTool(argv)))
        return {};

    std::vector<fs::path> made;
    if (ok(runTool({ "heif-enc", "-q", "80", base.string(), "-o", (folder / "in" / "phone.heic").string() })))
        made.push_back(folder / "in" / "phone.heic");
    for (const char *name : { "screen.png", "scan.tif", "web.webp" }) {
        const fs::path out = folder / "in" / name;
        if (!ok(runTool({ "convert", base.string(), out.string() })))
            continue;
        // ImageMagick carries only part of the EXIF block; exiftool writes it all.
        if (ok(runTool({ "exiftool", "-q", "-overwrite_original", "-tagsFromFile", base.string(), "-EXIF:all",
                "-XMP:all", "-ICC_Profile", out.string() })))
            made.push_back(out);
    }
    fs::remove(icc);
    return made;
}

} // namespace kelvra::test
