// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <map>
#include <sstream>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::runCli;
using test::runTool;
using test::TempDir;

std::string exiftool(const std::vector<std::string> &args, const fs::path &file)
{
    std::vector<std::string> argv { "exiftool", "-a", "-G1", "-s" };
    argv.insert(argv.end(), args.begin(), args.end());
    argv.push_back(file.string());
    return runTool(argv).out;
}

// One run of the outside reader over many files: its text per file.
std::map<std::string, std::string> exiftoolEach(
    const std::vector<std::string> &args, const std::vector<fs::path> &files)
{
    std::vector<std::string> argv { "exiftool", "-a", "-G1", "-s" };
    argv.insert(argv.end(), args.begin(), args.end());
    for (const fs::path &file : files)
        argv.push_back(file.string());
    std::map<std::string, std::string> result;
    if (files.size() == 1) {
        result[files.front().string()] = runTool(argv).out;
        return result;
    }
    std::istringstream in(runTool(argv).out);
    std::string line, current;
    while (std::getline(in, line)) {
        if (line.rfind("======== ", 0) == 0)
            current = line.substr(9);
        else if (!current.empty() && line.find("image files read") == std::string::npos)
            result[current] += line + "\n";
    }
    return result;
}

std::string outputOf(const fs::path &folder, const fs::path &source)
{
    return (folder / (source.stem().string() + "_timestamp.jpg")).string();
}

// Keywords, ratings and titles a photo manager wrote survive the stamp: the
// outside reader finds the same XMP in the output as in the source, for every
// test photo that has XMP and for photos given XMP here.
TEST(StampMetadata, OutputKeepsTheSourcesXmp)
{
    if (!test::toolAvailable("exiftool"))
        GTEST_SKIP() << "exiftool missing";
    TempDir dir;
    fs::create_directories(dir / "made");
    std::vector<fs::path> photos;
    for (const auto &entry : fs::recursive_directory_iterator(test::photosDir())) {
        if (entry.path().extension() == ".jpg")
            photos.push_back(entry.path());
    }
    std::vector<fs::path> sources;
    for (const auto &[file, xmp] : exiftoolEach({ "-XMP:all" }, photos)) {
        if (!xmp.empty())
            sources.push_back(file);
    }
    EXPECT_GE(sources.size(), 10u);

    // One photo with EXIF, one with none: XMP then leads the file.
    for (const char *name : { "makers/Canon.jpg", "structure/sony-powershota5.jpg" }) {
        const fs::path made = dir / "made" / fs::path(name).filename();
        fs::copy_file(test::photo(name), made);
        const auto r = runTool({ "exiftool", "-q", "-overwrite_original", "-XMP-dc:Subject=holiday",
            "-XMP-dc:Subject=beach", "-XMP-xmp:Rating=4", "-XMP-dc:Title=Evening swim", made.string() });
        ASSERT_EQ(r.exitCode, 0) << r.err;
        ASSERT_NE(exiftool({ "-XMP:all" }, made).find("Rating"), std::string::npos);
        sources.push_back(made);
    }

    std::vector<std::string> args { "stamp", "--size", "2", "--caption", "[Make] [PHOTO_DATE]", "--out",
        (dir / "out").string() };
    for (const fs::path &source : sources)
        args.push_back(source.string());
    const auto r = runCli(args);
    ASSERT_LE(r.exitCode, 1) << r.err;
    std::vector<fs::path> outputs;
    for (const fs::path &source : sources) {
        outputs.push_back(outputOf(dir / "out", source));
        ASSERT_TRUE(fs::exists(outputs.back())) << outputs.back();
    }
    auto before = exiftoolEach({ "-XMP:all" }, sources);
    auto after = exiftoolEach({ "-XMP:all" }, outputs);
    for (size_t i = 0; i < sources.size(); ++i)
        EXPECT_EQ(after[outputs[i].string()], before[sources[i].string()]) << sources[i];
}

// What describes the old encoding stays behind: Adobe's colour transform
// marker and the multi-picture index, whose offsets no longer hold.
TEST(StampMetadata, OutputDropsSegmentsOfTheOldEncoding)
{
    if (!test::toolAvailable("exiftool"))
        GTEST_SKIP() << "exiftool missing";
    TempDir dir;
    const fs::path withMpf = dir / "mpf.jpg";
    fs::copy_file(test::photo("makers/Canon.jpg"), withMpf);
    // An APP2 "MPF" index right after the EXIF block, as phones write it.
    std::string bytes = test::readFileBytes(withMpf);
    // One entry, MPFVersion "0100".
    const std::string mpfPayload = std::string("MPF\0MM\0*\0\0\0\x08\0\x01\xB0\0\0\x07\0\0\0\x04"
                                               "0100\0\0\0\0",
        30);
    const std::string mpf = std::string("\xFF\xE2", 2) + char(0) + char(mpfPayload.size() + 2) + mpfPayload;
    const size_t exifEnd = 4 + ((static_cast<unsigned char>(bytes[4]) << 8) | static_cast<unsigned char>(bytes[5]));
    bytes.insert(exifEnd, mpf);
    test::writeFileBytes(withMpf, bytes);

    const std::vector<fs::path> sources
        = { test::photo("structure/BlueSquare.jpg"), test::photo("orientation/landscape_1.jpg"), withMpf };
    ASSERT_FALSE(exiftool({ "-APP14:all" }, sources[0]).empty());
    ASSERT_NE(exiftool({ "-MPF:all" }, withMpf).find("MPFVersion"), std::string::npos);
    std::vector<std::string> args { "stamp", "--size", "2", "--out", (dir / "out").string() };
    for (const fs::path &source : sources)
        args.push_back(source.string());
    ASSERT_EQ(runCli(args).exitCode, 0);
    for (const fs::path &source : sources) {
        SCOPED_TRACE(source.string());
        const std::string out = outputOf(dir / "out", source);
        EXPECT_EQ(exiftool({ "-APP14:all" }, out), "");
        EXPECT_EQ(exiftool({ "-MPF:all" }, out), "");
        // The EXIF block and what else describes the photo is still there.
        EXPECT_EQ(exiftool({ "-EXIF:Make" }, out), exiftool({ "-EXIF:Make" }, source));
        EXPECT_EQ(exiftool({ "-ICC_Profile:ProfileDescription" }, out),
            exiftool({ "-ICC_Profile:ProfileDescription" }, source));
    }
}

// The segment that comes first among markers, before the scan; the end when none does.
size_t firstSegmentOf(const std::string &jpeg, std::initializer_list<int> markers)
{
    size_t p = 2;
    while (p + 4 <= jpeg.size() && static_cast<unsigned char>(jpeg[p + 1]) != 0xDA) {
        const int marker = static_cast<unsigned char>(jpeg[p + 1]);
        if (std::find(markers.begin(), markers.end(), marker) != markers.end())
            return p;
        p += 2 + (static_cast<unsigned char>(jpeg[p + 2]) << 8 | static_cast<unsigned char>(jpeg[p + 3]));
    }
    return jpeg.size();
}

// IPTC, the comment and the print size in the JFIF header survive however
// many segments that are not carried stand before them, in both layouts that
// lost them: one marker over and over, and every APPn a metadata tool writes.
TEST(StampMetadata, OutputKeepsIptcCommentAndJfifBehindManySegments)
{
    if (!test::toolAvailable("exiftool"))
        GTEST_SKIP() << "exiftool missing";
    TempDir dir;
    const fs::path base = dir / "base.jpg";
    fs::copy_file(test::photo("makers/Canon.jpg"), base);
    // A 300 dpi scan's header; the EXIF block says nothing of the size.
    const auto r = runTool({ "exiftool", "-q", "-overwrite_original",
        "-EXIF:XResolution=", "-EXIF:YResolution=", "-EXIF:ResolutionUnit=", "-JFIF:XResolution=300",
        "-JFIF:YResolution=300", "-JFIF:ResolutionUnit=inches", "-IPTC:Keywords=beach", "-IPTC:Keywords=dunes",
        "-IPTC:Caption-Abstract=Evening swim", "-Comment=scanned at 300 dpi", base.string() });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string bytes = test::readFileBytes(base);
    const size_t carried = firstSegmentOf(bytes, { 0xED, 0xFE });
    ASSERT_LT(carried, bytes.size());

    const std::vector<std::pair<std::string, std::vector<int>>> layouts {
        { "repeated", { 0xE9, 0xEA } },
        { "varied", { 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xEF } },
    };
    std::vector<fs::path> sources;
    for (const auto &[name, markers] : layouts) {
        std::string junk;
        for (int i = 0; i < 30; ++i) {
            const std::string payload
                = "not carried " + std::to_string(i) + std::string(static_cast<size_t>(i * 7), '.');
            junk += { '\xFF', static_cast<char>(markers[static_cast<size_t>(i) % markers.size()]),
                static_cast<char>((payload.size() + 2) >> 8), static_cast<char>((payload.size() + 2) & 0xFF) };
            junk += payload;
        }
        sources.push_back(dir / (name + ".jpg"));
        test::writeFileBytes(sources.back(), std::string(bytes).insert(carried, junk));
    }

    const std::vector<std::string> tags { "-IPTC:all", "-Comment", "-JFIF:all" };
    for (const char *road : { "--quality", "--keep-quality" }) {
        SCOPED_TRACE(road);
        const fs::path out = dir / (std::string("out") + road);
        std::vector<std::string> args { "stamp", "--size", "2", "--out", out.string(), road };
        if (std::string_view(road) == "--quality")
            args.push_back("90");
        args.insert(args.end(), { sources[0].string(), sources[1].string() });
        const auto run = runCli(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        for (const fs::path &source : sources) {
            SCOPED_TRACE(source.filename().string());
            const std::string before = exiftool(tags, source);
            ASSERT_TRUE(test::contains(before, "Evening swim") && test::contains(before, "300")) << before;
            EXPECT_EQ(exiftool(tags, outputOf(out, source)), before);
        }
    }
}

} // namespace
} // namespace kelvra
