// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-cli stamp: what a run tells (--verbose, --json, --quiet), which files
// a folder gives (--recursive, skipped non-JPEG files), empty runs and the
// warnings of a settings file.
#include "common/test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <set>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::runCli;
using test::TempDir;

using test::contains;
std::set<std::string> namesIn(const fs::path &folder)
{
    std::set<std::string> names;
    for (const auto &entry : fs::recursive_directory_iterator(folder))
        names.insert(fs::relative(entry.path(), folder).generic_string());
    return names;
}

// in/a.jpg, in/notes.txt, in/sub/b.jpg, in/sub/deeper/c.JPG, in/sub/raw.cr2
void makeTree(const TempDir &dir)
{
    fs::create_directories(dir / "in" / "sub" / "deeper");
    fs::copy_file(test::photo("makers/Canon.jpg"), dir / "in" / "a.jpg");
    fs::copy_file(test::photo("makers/Olympus.jpg"), dir / "in" / "sub" / "b.jpg");
    fs::copy_file(test::photo("makers/Nikon.jpg"), dir / "in" / "sub" / "deeper" / "c.JPG");
    test::writeFileBytes(dir / "in" / "notes.txt", "not a photo");
    test::writeFileBytes(dir / "in" / "sub" / "raw.cr2", "not a JPEG either");
}

TEST(StampReports, RecursiveTakesSubfoldersAndNamesComeFromTheMaskOnly)
{
    TempDir dir;
    makeTree(dir);
    auto r = runCli({ "stamp", "--size", "2", "--out", (dir / "flat").string(), (dir / "in").string() });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(namesIn(dir / "flat"), (std::set<std::string> { "a_timestamp.jpg" }));
    EXPECT_TRUE(contains(r.out, (dir / "in").string() + ": 1 non-JPEG file skipped\n")) << r.out;

    r = runCli({ "stamp", "--size", "2", "--recursive", "--out", (dir / "deep").string(), (dir / "in").string() });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "3 stamped, 0 copied, 0 failed")) << r.out;
    EXPECT_TRUE(contains(r.out, ": 2 non-JPEG files skipped\n")) << r.out;
    EXPECT_EQ(
        namesIn(dir / "deep"), (std::set<std::string> { "a_timestamp.jpg", "b_timestamp.jpg", "c_timestamp.JPG" }));

    // A mask's folders are made below the output; the input's are not copied.
    r = runCli({ "stamp", "--recursive", "--no-stamp", "--rename", "%y\\%o", "--out", (dir / "masked").string(),
        (dir / "in").string() });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const std::string &name : namesIn(dir / "masked")) {
        EXPECT_EQ(name.find("sub"), std::string::npos) << name;
        EXPECT_EQ(name.find("deeper"), std::string::npos) << name;
    }
    size_t files = 0;
    for (const auto &entry : fs::recursive_directory_iterator(dir / "masked"))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 3u);
}

TEST(StampReports, EmptyRunCreatesNothing)
{
    TempDir dir;
    fs::create_directories(dir / "in");
    test::writeFileBytes(dir / "in" / "readme.txt", "text");
    for (const bool recursive : { false, true }) {
        std::vector<std::string> args { "stamp", "--out", (dir / "out").string(), (dir / "in").string() };
        if (recursive)
            args.insert(args.begin() + 1, "--recursive");
        const auto r = runCli(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(contains(r.err, "no photos")) << r.err;
        EXPECT_FALSE(fs::exists(dir / "out"));
    }
}

TEST(StampReports, VerboseQuietAndJson)
{
    TempDir dir;
    fs::create_directories(dir / "in");
    fs::copy_file(test::photo("makers/Canon.jpg"), dir / "in" / "good.jpg");
    test::writeFileBytes(dir / "in" / "broken.jpg", "\xFF\xD8 garbage");
    test::writeFileBytes(dir / "in" / "notes.txt", "text");
    const std::string in = (dir / "in").string();

    auto r = runCli({ "stamp", "--size", "2", "--verbose", "--jobs", "1", "--out", (dir / "v").string(), in });
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.out,
        "stamped: " + (dir / "in" / "good.jpg").string() + " -> " + (dir / "v" / "good_timestamp.jpg").string() + "\n"))
        << r.out;
    EXPECT_TRUE(contains(r.out, "failed: " + (dir / "in" / "broken.jpg").string())) << r.out;

    r = runCli({ "stamp", "--size", "2", "--quiet", "--out", (dir / "q").string(), in });
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(contains(r.err, "broken.jpg")) << r.err;
    EXPECT_FALSE(contains(r.err, "qt.")) << r.err; // the toolkit's log lines are not ours
    r = runCli(
        { "stamp", "--size", "2", "--quiet", "--out", (dir / "q2").string(), (dir / "in" / "good.jpg").string() });
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out + r.err, "");

    r = runCli({ "stamp", "--size", "2", "--json", "--out", (dir / "j").string(), in });
    EXPECT_EQ(r.exitCode, 1);
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out;
    const QJsonArray photos = root[QStringLiteral("photos")].toArray();
    ASSERT_EQ(photos.size(), 2);
    const QJsonObject broken = photos[0].toObject(); // list order: broken.jpg first
    EXPECT_EQ(broken[QStringLiteral("source")].toString().toStdString(), (dir / "in" / "broken.jpg").string());
    EXPECT_EQ(broken[QStringLiteral("result")].toString(), QStringLiteral("failed"));
    EXPECT_EQ(broken[QStringLiteral("error")].toString(), QStringLiteral("undecodable"));
    EXPECT_FALSE(broken[QStringLiteral("reason")].toString().isEmpty());
    const QJsonObject good = photos[1].toObject();
    EXPECT_EQ(good[QStringLiteral("result")].toString(), QStringLiteral("stamped"));
    EXPECT_EQ(good[QStringLiteral("error")].toString(), QStringLiteral("none"));
    EXPECT_EQ(good[QStringLiteral("output")].toString().toStdString(), (dir / "j" / "good_timestamp.jpg").string());
    EXPECT_EQ(good[QStringLiteral("reason")].toString(), QString());
    const QJsonObject totals = root[QStringLiteral("totals")].toObject();
    EXPECT_EQ(totals[QStringLiteral("stamped")].toInt(), 1);
    EXPECT_EQ(totals[QStringLiteral("failed")].toInt(), 1);
    EXPECT_EQ(totals[QStringLiteral("notJpeg")].toInt(), 1);
    EXPECT_FALSE(root[QStringLiteral("cancelled")].toBool());
}

// A settings file without its section, or with a size the slider cannot
// reach, earns one warning line naming what happened; the run goes on.
TEST(StampReports, SettingsFileWarnings)
{
    TempDir dir;
    // Large enough that the smallest size still gives a readable label.
    const std::string photo = test::photo("structure/sony-powershota5.jpg").string();
    struct Case
    {
        const char *cfg;
        const char *warning; // nullptr: no warning
    };
    const Case cases[] = {
        { "[Options]\nFontSize=20\n", nullptr },
        { "[Options]\nFontSize=21.7\n", nullptr }, // rounded to the slider's step: the rule, not a correction
        { "FontSize=20\n", "no [Options] section" },
        { "[Other]\nFontSize=20\n", "no [Options] section" },
        { "[Options]\nFontSize=1000\n", "out of range, corrected: FontSize" },
        { "[Options]\nFontSize=0.5\n", "out of range, corrected: FontSize" },
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.cfg);
        const fs::path cfg = dir / ("c" + std::to_string(n) + ".cfg");
        test::writeFileBytes(cfg, c.cfg);
        const auto r
            = runCli({ "stamp", "--cfg", cfg.string(), "--out", (dir / ("o" + std::to_string(n++))).string(), photo });
        EXPECT_EQ(r.exitCode, 0) << r.err;
        if (!c.warning) {
            EXPECT_EQ(r.err, "");
            continue;
        }
        EXPECT_EQ(r.err.rfind("kelvra-cli: warning: " + cfg.string() + ": ", 0), 0u) << r.err;
        EXPECT_TRUE(contains(r.err, c.warning)) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

} // namespace
} // namespace kelvra
