// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::runCli;
using test::TempDir;

TEST(StampCommand, RejectsBadArguments)
{
    TempDir dir;
    const std::string photo = test::photo("makers/Canon.jpg").string();
    const std::vector<std::vector<std::string>> cases = {
        { "stamp", photo }, // no --out
        { "stamp", "--out", dir.path().string() }, // no photo
        { "stamp", "--quality", "0", "--out", dir.path().string(), photo },
        { "stamp", "--jobs", "x", "--out", dir.path().string(), photo },
        { "stamp", "--color", "red", "--out", dir.path().string(), photo },
        { "stamp", "--no-stamp", "--out", dir.path().string(), photo }, // nothing to do
        { "stamp", "--cfg", "/nonexistent.cfg", "--out", dir.path().string(), photo },
        { "stamp", "--frobnicate", "--out", dir.path().string(), photo },
        { "stamp", "--keep-quality", "--quality", "80", "--out", dir.path().string(), photo },
    };
    for (const auto &args : cases) {
        const auto r = runCli(args);
        EXPECT_EQ(r.exitCode, 2) << args[1] << ": " << r.err;
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

// Only the label's blocks change: the top rows, far from a label at the
// bottom, decode as the source's do.
TEST(StampCommand, KeepQualityLeavesThePictureAwayFromTheLabel)
{
    if (!test::toolAvailable("djpeg"))
        GTEST_SKIP() << "needs djpeg";
    TempDir dir;
    const fs::path source = test::photo("gps/DSCN0010.jpg");
    const auto r
        = runCli({ "stamp", "--keep-quality", "--place", "br", "--out", (dir / "out").string(), source.string() });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const fs::path out = dir / "out" / "DSCN0010_timestamp.jpg";
    const auto decoded = [&](const fs::path &jpeg) {
        const auto d = test::runTool({ "djpeg", "-pnm", jpeg.string() });
        EXPECT_EQ(d.exitCode, 0);
        return d.out;
    };
    const std::string a = decoded(source), b = decoded(out);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(a.substr(0, a.size() / 2), b.substr(0, b.size() / 2));
    EXPECT_NE(a, b);
}

TEST(StampCommand, StampsAFolderAndReportsFailures)
{
    TempDir dir;
    fs::create_directories(dir / "in" / "sub");
    for (const char *name : { "makers/Canon.jpg", "makers/Olympus.jpg", "gps/Kodak_CX7530.jpg" })
        fs::copy_file(test::photo(name), dir / "in" / fs::path(name).filename());
    fs::copy_file(test::photo("makers/Nikon.jpg"), dir / "in" / "sub" / "Nikon.jpg");
    test::writeFileBytes(dir / "in" / "readme.txt", "not a photo");

    auto r = runCli({ "stamp", "--size", "2", "--caption", "[Make] [Model]", "--place", "br", "--out",
        (dir / "out").string(), (dir / "in").string() });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("3 stamped, 0 copied, 0 failed"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(dir / "out" / "Canon_timestamp.jpg"));
    EXPECT_FALSE(fs::exists(dir / "out" / "Nikon_timestamp.jpg")); // subfolders are not taken

    test::writeFileBytes(dir / "in" / "broken.jpg", "\xFF\xD8 garbage");
    r = runCli({ "stamp", "--size", "2", "--jobs", "2", "--out", (dir / "out2").string(), (dir / "in").string() });
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("3 stamped, 1 copied, 1 failed"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("broken.jpg"), std::string::npos) << r.err;
}

TEST(StampCommand, RenamesWithoutStamping)
{
    TempDir dir;
    const auto r = runCli({ "stamp", "--no-stamp", "--rename", "%y-%m-%d_%n2", "--out", (dir / "out").string(),
        test::photo("gps/DSCN0010.jpg").string(), test::photo("makers/Canon.jpg").string() });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("0 stamped, 2 copied, 0 failed"), std::string::npos) << r.out;
    EXPECT_EQ(
        test::readFileBytes(dir / "out" / "2008-10-22_01.jpg"), test::readFileBytes(test::photo("gps/DSCN0010.jpg")));
}

TEST(StampCommand, SameNamesFromTwoFoldersAreBothKept)
{
    TempDir dir;
    fs::create_directories(dir / "d3");
    fs::create_directories(dir / "d4");
    fs::copy_file(test::photo("makers/Canon.jpg"), dir / "d3" / "q.jpg");
    fs::copy_file(test::photo("makers/Nikon.jpg"), dir / "d4" / "q.jpg");
    auto r = runCli({ "stamp", "--size", "2", "--rename", "%o", "--out", (dir / "o").string(),
        (dir / "d3" / "q.jpg").string(), (dir / "d4" / "q.jpg").string(), (dir / "d4" / "." / "q.jpg").string() });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("2 stamped, 0 copied, 0 failed"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(dir / "o" / "q.jpg"));
    EXPECT_TRUE(fs::exists(dir / "o" / "q_0001.jpg"));
    EXPECT_FALSE(fs::exists(dir / "o" / "q_0002.jpg"));

    r = runCli({ "stamp", "--rename", "", "--out", (dir / "empty").string(), (dir / "d3" / "q.jpg").string() });
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("the rename mask is empty"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "empty"));
}

// Linux names are bytes: a Latin-1 name from an old camera card or archive
// is read, listed, renamed, written and dated like any other.
TEST(StampCommand, KeepsNamesThatAreNotUtf8)
{
    TempDir dir;
    const std::string latin1 = "caf\xE9 \xC0 la plage.jpg";
    fs::create_directories(dir / "in");
    fs::copy_file(test::photo("makers/Canon.jpg"), dir / "in" / latin1);
    auto r = runCli({ "stamp", "--size", "2", "--out", (dir / "a").string(), (dir / "in").string() });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("1 stamped, 0 copied, 0 failed"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::is_regular_file(dir / "a" / "caf\xE9 \xC0 la plage_timestamp.jpg"));

    r = runCli(
        { "stamp", "--no-stamp", "--rename", "%y/%o", "--out", (dir / "b").string(), (dir / "in" / latin1).string() });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const fs::path copy = dir / "b" / "2003" / latin1;
    EXPECT_EQ(test::readFileBytes(copy), test::readFileBytes(test::photo("makers/Canon.jpg")));
    // Outputs carry the source's modification time, to two seconds as the design keeps it.
    const auto drift = fs::last_write_time(dir / "in" / latin1) - fs::last_write_time(copy);
    EXPECT_GE(drift, std::chrono::seconds(0));
    EXPECT_LT(drift, std::chrono::seconds(2));
}

TEST(StampCommand, SaysWhatStandsForAPhotoThatFailed)
{
    TempDir dir;
    fs::create_directories(dir / "in");
    test::writeFileBytes(dir / "in" / "broken.jpg", "\xFF\xD8 garbage");
    test::writeFileBytes(dir / "in" / "words.jpg", "not a photo at all");
    const auto r = runCli({ "stamp", "--out", (dir / "out").string(), (dir / "in").string() });
    EXPECT_EQ(r.exitCode, 1);
    // The plain copy left for broken.jpg is on the disk, so it counts as copied too.
    EXPECT_NE(r.out.find("0 stamped, 1 copied, 2 failed"), std::string::npos) << r.out;
    const std::string copied = (dir / "out" / "broken_timestamp.jpg").string();
    EXPECT_NE(r.err.find("not stamped: " + (dir / "in" / "broken.jpg").string()), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("; copied unchanged as " + copied), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("failed: " + (dir / "in" / "words.jpg").string()), std::string::npos) << r.err;
    EXPECT_EQ(test::readFileBytes(copied), "\xFF\xD8 garbage");
    EXPECT_FALSE(fs::exists(dir / "out" / "words_timestamp.jpg"));
}

TEST(StampCommand, ListsDamagedPhotosApart)
{
    TempDir dir;
    fs::create_directories(dir / "in");
    const std::string bytes = test::readFileBytes(test::photo("gps/DSCN0010.jpg"));
    test::writeFileBytes(dir / "in" / "cut.jpg", bytes.substr(0, bytes.size() / 2));
    fs::copy_file(test::photo("makers/Nikon.jpg"), dir / "in" / "whole.jpg");
    const auto r = runCli({ "stamp", "--size", "2", "--out", (dir / "out").string(), (dir / "in").string() });
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.out.find("1 stamped, 1 stamped with a warning, 0 copied, 0 failed"), std::string::npos) << r.out;
    EXPECT_NE(
        r.err.find("stamped with a warning: " + (dir / "in" / "cut.jpg").string() + ": Premature end of JPEG file"),
        std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("whole.jpg"), std::string::npos) << r.err;
}

TEST(StampCommand, DryRunNamesEveryOutputAndWritesNothing)
{
    TempDir dir;
    for (const char *folder : { "d3", "d4" })
        fs::create_directories(dir / folder);
    fs::copy_file(test::photo("makers/Canon.jpg"), dir / "d3" / "q.jpg");
    fs::copy_file(test::photo("makers/Nikon.jpg"), dir / "d4" / "q.jpg");
    test::writeFileBytes(dir / "d4" / "words.jpg", "not a photo");
    fs::create_directories(dir / "o");
    test::writeFileBytes(dir / "o" / "q.jpg", "from an earlier run");
    const std::string o = (dir / "o").string();
    const std::vector<std::string> photos
        = { (dir / "d3" / "q.jpg").string(), (dir / "d4" / "q.jpg").string(), (dir / "d4" / "words.jpg").string() };

    auto args = std::vector<std::string> { "stamp", "--dry-run", "--no-stamp", "--rename", "x/%o", "--out", o };
    args.insert(args.end(), photos.begin(), photos.end());
    auto r = runCli(args);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.out.find(photos[0] + " \u2192 " + o + "/x/q.jpg (copy)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(photos[1] + " \u2192 " + o + "/x/q_0001.jpg (copy)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(photos[2] + ": would fail: not a JPEG photo"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("dry run: 0 to stamp, 2 to copy, 1 refused; nothing written"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir / "o" / "x"));

    // The real run then writes exactly the names the dry run gave.
    args.erase(args.begin() + 1);
    r = runCli(args);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(test::readFileBytes(dir / "o" / "x" / "q.jpg"), test::readFileBytes(dir / "d3" / "q.jpg"));
    EXPECT_EQ(test::readFileBytes(dir / "o" / "x" / "q_0001.jpg"), test::readFileBytes(dir / "d4" / "q.jpg"));

    r = runCli({ "stamp", "--dry-run", "--out", (dir / "new").string(), photos[0] });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(photos[0] + " \u2192 " + (dir / "new" / "q_timestamp.jpg").string() + "\n"), std::string::npos)
        << r.out;
    EXPECT_FALSE(fs::exists(dir / "new"));
}

// Splits exiftool's multi-file output into warnings per file name.
std::map<std::string, std::string> warningsByFile(const std::string &text)
{
    std::map<std::string, std::string> result;
    std::istringstream in(text);
    std::string line, current;
    while (std::getline(in, line)) {
        if (line.rfind("======== ", 0) == 0)
            current = fs::path(line.substr(9)).stem().string();
        else if (line.find("Warning") != std::string::npos && line.rfind("Validate", 0) != 0)
            result[current] += line.substr(line.find(':') + 1) + "\n";
    }
    return result;
}

// The outside reader finds nothing wrong with an output that it does not find
// with its source.
TEST(StampCommand, OutputsValidateLikeTheirSources)
{
    if (!test::toolAvailable("exiftool"))
        GTEST_SKIP() << "exiftool missing";
    TempDir dir;
    std::vector<std::string> sources;
    for (const char *folder : { "gps", "makers", "structure", "orientation" }) {
        for (const auto &entry : fs::directory_iterator(test::photo(folder)))
            sources.push_back(entry.path().string());
    }
    std::vector<std::string> args { "stamp", "--size", "2", "--caption", "[PHOTO_DATE] [Make] [GPSPos]", "--out",
        (dir / "out").string() };
    args.insert(args.end(), sources.begin(), sources.end());
    const auto r = runCli(args);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;

    std::vector<std::string> check { "exiftool", "-validate", "-warning", "-a" };
    check.insert(check.end(), sources.begin(), sources.end());
    const auto before = warningsByFile(test::runTool(check).out);
    check.resize(4);
    for (const auto &entry : fs::directory_iterator(dir / "out"))
        check.push_back(entry.path().string());
    const auto after = warningsByFile(test::runTool(check).out);
    ASSERT_FALSE(after.empty() && before.empty() && sources.empty());
    for (const auto &[name, warnings] : after) {
        const std::string source = name.substr(0, name.size() - std::string("_timestamp").size());
        const std::string known = before.count(source) ? before.at(source) : std::string();
        std::istringstream lines(warnings);
        std::string line;
        while (std::getline(lines, line))
            EXPECT_NE(known.find(line), std::string::npos) << name << ":" << line;
    }
    for (const auto &entry : fs::directory_iterator(dir / "out"))
        EXPECT_EQ(test::runTool({ "djpeg", "-outfile", "/dev/null", entry.path().string() }).exitCode, 0)
            << entry.path();
}

} // namespace
} // namespace kelvra
