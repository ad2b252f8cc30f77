// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-cli stamp: every input named and every photo of a folder shows up in
// the report with what became of it, in each output mode, with the exit code
// to match.
#include "common/test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::contains;
using test::runCli;
using test::TempDir;

QJsonObject parseJson(const std::string &text)
{
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return root;
}

std::string text(const QJsonValue &value)
{
    return value.toString().toStdString();
}

// --out as a path relative to the working folder, so a report must make it absolute.
std::string relativeTo(const fs::path &path)
{
    return fs::relative(path, fs::current_path()).string();
}

TEST(HonestOutput, NamedInputsThatAreNoPhotosAreResultsInTheirPlace)
{
    TempDir dir;
    fs::create_directories(dir / "in");
    fs::copy_file(test::photo("makers/Canon.jpg"), dir / "in" / "good.jpg");
    test::writeFileBytes(dir / "in" / "broken.jpg", "\xFF\xD8 garbage");
    test::writeFileBytes(dir / "in" / "notes.txt", "text");
    fs::create_symlink(dir / "in" / "gone.jpg", dir / "in" / "link.jpg");
    const std::vector<std::string> inputs { (dir / "in" / "good.jpg").string(), (dir / "in" / "missing.jpg").string(),
        (dir / "in" / "notes.txt").string(), (dir / "in" / "link.jpg").string(), (dir / "in" / "broken.jpg").string() };

    std::vector<std::string> args { "stamp", "--size=2", "--out", (dir / "t").string() };
    args.insert(args.end(), inputs.begin(), inputs.end());
    auto r = runCli(args);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_TRUE(fs::exists(dir / "t" / "good_timestamp.jpg")); // the others do not stop the run
    EXPECT_TRUE(contains(r.err, "failed: " + inputs[1] + ": no such file or folder\n")) << r.err;
    EXPECT_TRUE(contains(r.err, "skipped: " + inputs[2] + ": not a JPEG file name\n")) << r.err;
    EXPECT_TRUE(contains(r.err,
        "failed: " + inputs[3] + ": a link to " + (dir / "in" / "gone.jpg").string() + ", which does not exist\n"))
        << r.err;
    EXPECT_FALSE(contains(r.err, "qt.")) << r.err; // the toolkit's own log lines
    EXPECT_TRUE(contains(r.out, "1 stamped, 1 copied, 3 failed, 1 skipped\n")) << r.out;

    args = { "stamp", "--size=2", "--json", "--out=" + relativeTo(dir / "j") };
    args.insert(args.end(), inputs.begin(), inputs.end());
    r = runCli(args);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    const QJsonObject root = parseJson(r.out);
    EXPECT_EQ(text(root[QStringLiteral("output")]), (dir / "j").string());
    const struct
    {
        const char *result;
        const char *error;
        std::string output; // empty: null
    } expected[] = {
        { "stamped", "none", (dir / "j" / "good_timestamp.jpg").string() }, { "failed", "missing", "" },
        { "skipped", "not-jpeg-name", "" }, { "failed", "dangling-link", "" },
        { "failed", "undecodable", (dir / "j" / "broken_timestamp.jpg").string() }, // copied unchanged
    };
    const QJsonArray photos = root[QStringLiteral("photos")].toArray();
    ASSERT_EQ(photos.size(), qsizetype(std::size(expected)));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(inputs[i]);
        const QJsonObject photo = photos[qsizetype(i)].toObject();
        EXPECT_EQ(text(photo[QStringLiteral("source")]), inputs[i]);
        EXPECT_EQ(text(photo[QStringLiteral("result")]), expected[i].result);
        EXPECT_EQ(text(photo[QStringLiteral("error")]), expected[i].error);
        EXPECT_EQ(photo[QStringLiteral("reason")].toString().isEmpty(), std::string(expected[i].error) == "none");
        if (expected[i].output.empty()) {
            EXPECT_TRUE(photo[QStringLiteral("output")].isNull());
        } else {
            EXPECT_EQ(text(photo[QStringLiteral("output")]), expected[i].output);
        }
    }
    const QJsonObject totals = root[QStringLiteral("totals")].toObject();
    EXPECT_EQ(totals[QStringLiteral("photos")].toInt(), 5);
    EXPECT_EQ(totals[QStringLiteral("failed")].toInt(), 3);
    EXPECT_EQ(totals[QStringLiteral("skipped")].toInt(), 1);
}

TEST(HonestOutput, JsonNamesWarningsAndReportsAnEmptyRun)
{
    TempDir dir;
    const std::string photo = test::photo("makers/Canon.jpg").string(); // no GPS
    auto r
        = runCli({ "stamp", "--size", "2", "--caption", "[GPSPos]", "--json", "--out", (dir / "w").string(), photo });
    EXPECT_EQ(r.exitCode, 1);
    QJsonObject root = parseJson(r.out);
    const QJsonObject warned = root[QStringLiteral("photos")].toArray().first().toObject();
    EXPECT_EQ(text(warned[QStringLiteral("result")]), "stamped");
    EXPECT_EQ(text(warned[QStringLiteral("warning")]), "empty-caption");
    EXPECT_EQ(text(warned[QStringLiteral("warningReason")]), "the caption is empty for this photo");
    EXPECT_EQ(root[QStringLiteral("totals")].toObject()[QStringLiteral("warned")].toInt(), 1);

    fs::create_directories(dir / "in");
    test::writeFileBytes(dir / "in" / "readme.txt", "text");
    r = runCli({ "stamp", "--json", "--out", (dir / "none").string(), (dir / "in").string() });
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "no photos")) << r.err;
    root = parseJson(r.out);
    EXPECT_TRUE(root[QStringLiteral("photos")].toArray().isEmpty());
    EXPECT_TRUE(root[QStringLiteral("run")].isNull());
    EXPECT_EQ(root[QStringLiteral("totals")].toObject()[QStringLiteral("notJpeg")].toInt(), 1);
    EXPECT_FALSE(fs::exists(dir / "none"));
}

TEST(HonestOutput, FoldersCountWhatTheyLeaveOut)
{
    TempDir dir;
    fs::create_directories(dir / "in");
    fs::copy_file(test::photo("makers/Canon.jpg"), dir / "in" / "a.jpg");
    fs::copy_file(test::photo("makers/Canon.jpg"), dir / "in" / ".hidden.jpg");
    fs::create_symlink(dir / "in" / "gone.jpg", dir / "in" / "link.jpg");
    test::writeFileBytes(dir / "in" / "notes.txt", "text");
    const std::string in = (dir / "in").string();

    auto r = runCli({ "stamp", "--size", "2", "--out", (dir / "t").string(), in });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, in + ": 1 non-JPEG file, 1 hidden file and 1 dangling link skipped\n")) << r.out;

    r = runCli({ "stamp", "--size", "2", "--json", "--out", (dir / "j").string(), in });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const QJsonObject totals = parseJson(r.out)[QStringLiteral("totals")].toObject();
    EXPECT_EQ(totals[QStringLiteral("stamped")].toInt(), 1);
    EXPECT_EQ(totals[QStringLiteral("notJpeg")].toInt(), 1);
    EXPECT_EQ(totals[QStringLiteral("hidden")].toInt(), 1);
    EXPECT_EQ(totals[QStringLiteral("danglingLinks")].toInt(), 1);
}

// The dry run prints in the mode asked for and exits as the run would; it
// writes nothing.
TEST(HonestOutput, DryRunHonoursQuietAndJson)
{
    TempDir dir;
    fs::create_directories(dir / "out");
    fs::copy_file(test::photo("makers/Canon.jpg"), dir / "a.jpg");
    test::writeFileBytes(dir / "out" / "a_timestamp.jpg", "in the way");
    const std::string good = (dir / "a.jpg").string();
    const std::string missing = (dir / "missing.jpg").string();
    const std::string out = (dir / "out").string();

    const struct
    {
        std::vector<std::string> args;
        int exitCode;
        bool outEmpty;
        std::string err;
    } cases[] = {
        { { "--quiet", good }, 0, true, "" },
        { { "--quiet", good, missing }, 1, true, missing + ": would fail: no such file or folder\n" },
        { { good, missing }, 1, false, "" },
        { { "--quiet", (dir / "nothing").string() }, 1, true, "" },
    };
    for (const auto &c : cases) {
        std::vector<std::string> args { "stamp", "--dry-run", "--out", out };
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(args.at(4));
        const auto r = runCli(args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.out.empty(), c.outEmpty) << r.out;
        EXPECT_EQ(r.err.substr(0, c.err.size()), c.err);
    }

    const auto r = runCli({ "stamp", "--dry-run", "--json", "--out", relativeTo(dir / "out"), good, missing });
    EXPECT_EQ(r.exitCode, 1);
    const QJsonObject plan = parseJson(r.out);
    EXPECT_EQ(plan[QStringLiteral("kelvraPlan")].toInt(), 1);
    EXPECT_EQ(text(plan[QStringLiteral("output")]), out);
    const QJsonArray photos = plan[QStringLiteral("photos")].toArray();
    ASSERT_EQ(photos.size(), 2);
    const QJsonObject stamped = photos[0].toObject();
    EXPECT_EQ(text(stamped[QStringLiteral("result")]), "stamped");
    EXPECT_EQ(text(stamped[QStringLiteral("existing")]), "kept both");
    EXPECT_EQ(text(stamped[QStringLiteral("wanted")]), (dir / "out" / "a_timestamp.jpg").string());
    EXPECT_EQ(text(stamped[QStringLiteral("output")]), (dir / "out" / "a_timestamp_0001.jpg").string());
    const QJsonObject failed = photos[1].toObject();
    EXPECT_EQ(text(failed[QStringLiteral("result")]), "failed");
    EXPECT_EQ(text(failed[QStringLiteral("error")]), "missing");
    EXPECT_TRUE(failed[QStringLiteral("output")].isNull());
    EXPECT_TRUE(failed[QStringLiteral("wanted")].isNull());
    EXPECT_EQ(plan[QStringLiteral("totals")].toObject()[QStringLiteral("failed")].toInt(), 1);
    EXPECT_FALSE(fs::exists(dir / "out" / "a_timestamp_0001.jpg"));
}

// A name the system cannot make, or that names a drive, says so in its own
// words rather than as a name outside the output folder.
TEST(HonestOutput, NamesRefusedForTheirRealReason)
{
    TempDir dir;
    fs::copy_file(test::photo("makers/Canon.jpg"), dir / "c:shot.jpg");
    const struct
    {
        std::string mask;
        std::string reason;
        const char *error;
    } cases[] = {
        { std::string(300, 'a'), "is too long for the file system: File name too long", "name-too-long" },
        { std::string(300, 'a') + "\\%o", "is too long for the file system: File name too long", "name-too-long" },
        { "%o", "the name \"c:shot.jpg\" starts with a drive", "name-has-drive" },
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.error);
        const std::string out = (dir / ("o" + std::to_string(n++))).string();
        auto r = runCli({ "stamp", "--no-stamp", "--rename", c.mask, "--out", out, (dir / "c:shot.jpg").string() });
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(contains(r.err, c.reason)) << r.err;
        r = runCli(
            { "stamp", "--json", "--no-stamp", "--rename", c.mask, "--out", out, (dir / "c:shot.jpg").string() });
        EXPECT_EQ(r.exitCode, 1);
        const QJsonObject photo = parseJson(r.out)[QStringLiteral("photos")].toArray().first().toObject();
        EXPECT_EQ(text(photo[QStringLiteral("error")]), c.error);
        EXPECT_TRUE(photo[QStringLiteral("output")].isNull());
    }
}

} // namespace
} // namespace kelvra
