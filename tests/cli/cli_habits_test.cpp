// SPDX-License-Identifier: GPL-3.0-or-later
// What every command shares: --help and --version, usage errors that say what
// was wrong, the system's reasons, exit codes.
#include "common/test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::runCli;
using test::TempDir;

using test::contains;
TEST(CliHabits, VersionAndHelpGoToStandardOutput)
{
    const auto version = runCli({ "--version" });
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("kelvra-cli ") + KELVRA_VERSION + "\n");

    for (const char *command : { "stamp", "preview", "tags", "caption", "name", "settings", "lng", "help" }) {
        SCOPED_TRACE(command);
        for (const auto &args : std::vector<std::vector<std::string>> { { command, "--help" }, { "help", command } }) {
            const auto r = runCli(args);
            EXPECT_EQ(r.exitCode, 0) << r.err;
            EXPECT_TRUE(contains(r.out, std::string("usage: kelvra-cli ") + command)) << r.out;
            EXPECT_EQ(r.err, "");
        }
    }
    const auto stampHelp = runCli({ "stamp", "--help" }).out;
    for (const char *option : { "--recursive", "--json", "--quiet", "--verbose", "--cfg FILE" })
        EXPECT_TRUE(contains(stampHelp, option)) << option;
    EXPECT_EQ(runCli({ "--help" }).exitCode, 0);
    EXPECT_EQ(runCli({}).exitCode, 2);
}

// Each usage error names the fault on its first line, then the usage, all on
// standard error with exit 2 and nothing written.
TEST(CliHabits, UsageErrorsSayWhatWasWrong)
{
    TempDir dir;
    const std::string photo = test::photo("makers/Canon.jpg").string();
    const std::string out = (dir / "out").string();
    struct Case
    {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        { { "stamp", photo }, "kelvra-cli stamp: --out is missing" },
        { { "stamp", "--out", out }, "kelvra-cli stamp: no photo or folder given" },
        { { "stamp", photo, "--out" }, "kelvra-cli stamp: --out needs a folder" },
        { { "stamp", "--foo", "--out", out, photo }, "kelvra-cli stamp: unknown option --foo" },
        { { "stamp", "--out", out, photo, "--size" }, "kelvra-cli stamp: --size needs a number" },
        { { "stamp", "--size", "big", "--out", out, photo }, "kelvra-cli stamp: --size needs a number from 2 to 125" },
        { { "stamp", "--size", "1", "--out", out, photo }, "kelvra-cli stamp: --size needs a number from 2 to 125" },
        { { "stamp", "--size", "126", "--out", out, photo }, "kelvra-cli stamp: --size needs a number from 2 to 125" },
        { { "stamp", "--quality", "0", "--out", out, photo }, "kelvra-cli stamp: --quality needs a whole number" },
        { { "stamp", "--out", out, photo, "--jobs" }, "kelvra-cli stamp: --jobs needs a number" },
        { { "stamp", "--place", "middle", "--out", out, photo }, "kelvra-cli stamp: --place needs tl, tr, br or bl" },
        { { "stamp", "--out", out, photo, "--cfg" }, "kelvra-cli stamp: --cfg needs a file" },
        { { "stamp", "--rename", "--out", out, photo }, "kelvra-cli stamp: --rename needs a mask" },
        { { "stamp", "--out", out, photo, "--rename" }, "kelvra-cli stamp: --rename needs a mask" },
        { { "stamp", "--size", "2", "--size=3", "--out", out, photo }, "kelvra-cli stamp: --size is given twice" },
        { { "stamp", "--bold", "--out", out, "--bold", photo }, "kelvra-cli stamp: --bold is given twice" },
        { { "stamp", "--bold=yes", "--out", out, photo }, "kelvra-cli stamp: --bold takes no value" },
        { { "stamp", "--json", "--verbose", "--out", out, photo },
            "kelvra-cli stamp: --json and --verbose exclude each other" },
        { { "stamp", "--quiet", "--json", "--out", out, photo },
            "kelvra-cli stamp: --quiet and --json exclude each other" },
        { { "stamp", "--verbose", "--dry-run", "--quiet", "--out", out, photo },
            "kelvra-cli stamp: --verbose and --quiet exclude each other" },
        { { "stamp", "--rename", "%y_%q", "--out", out, photo }, "kelvra-cli stamp: the mask has an unknown field %q" },
        { { "stamp", "--rename=%y\\", "--out", out, photo },
            "kelvra-cli stamp: the mask ends in a folder separator, so the photos would have no name" },
        { { "stamp", "--rename", "C:%o", "--out", out, photo }, "kelvra-cli stamp: the mask starts with a drive (C:)" },
        { { "name", "%o%Q", "1", photo }, "kelvra-cli name: the mask has an unknown field %Q" },
        { { "tags", "--json", "--json", photo }, "kelvra-cli tags: --json is given twice" },
        { { "caption", "--gps-form=", "[Make]", photo }, "kelvra-cli caption: --gps-form needs 0, 1 or 2" },
        { { "preview", "--area=big", "--out", out, photo }, "kelvra-cli preview: --area needs WxH" },
        { { "undo", "--verbose=1" }, "kelvra-cli undo: --verbose takes no value" },
        { { "preview", photo }, "kelvra-cli preview: --out is missing" },
        { { "preview", "--out", out }, "kelvra-cli preview: the photo is missing" },
        { { "preview", "--area", "big", "--out", out, photo }, "kelvra-cli preview: --area needs WxH" },
        { { "preview", "--foo", "--out", out, photo }, "kelvra-cli preview: unknown option --foo" },
        { { "tags" }, "kelvra-cli tags: the photo is missing" },
        { { "tags", "--foo", photo }, "kelvra-cli tags: unknown option --foo" },
        { { "tags", photo, "--gps-form" }, "kelvra-cli tags: --gps-form needs a number" },
        { { "caption", "[Make]" }, "kelvra-cli caption: the photo is missing" },
        { { "caption", "--foo", "[Make]", photo }, "kelvra-cli caption: unknown option --foo" },
        { { "caption", "[Make]", photo, "--gps-form" }, "kelvra-cli caption: --gps-form needs a number" },
        { { "name", "%o" }, "kelvra-cli name: MASK, COUNTER and PHOTO are needed, 1 given" },
        { { "name", "%o", "x", photo }, "kelvra-cli name: COUNTER must be a whole number" },
        { { "settings", "--foo" }, "kelvra-cli settings: unknown option --foo" },
        { { "settings", "a", "b" }, "kelvra-cli settings: one file only" },
        { { "lng" }, "kelvra-cli lng: the action is missing" },
        { { "lng", "squash", "a" }, "kelvra-cli lng: unknown action squash" },
        { { "lng", "pack", "a" }, "kelvra-cli lng: pack needs FILE and OUT" },
        { { "help", "colours" }, "kelvra-cli help: unknown topic colours" },
        { { "nosuchcommand" }, "kelvra-cli: unknown command \"nosuchcommand\"" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args.front() + " -> " + c.message);
        const auto r = runCli(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
        EXPECT_TRUE(contains(r.err, "usage:")) << r.err;
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

// "--opt=value" reads as "--opt value" for every command.
TEST(CliHabits, ValuesMayFollowAnEqualsSign)
{
    TempDir dir;
    const std::string photo = test::photo("gps/DSCN0010.jpg").string();
    const std::vector<std::string> pairs[][2] = {
        { { "tags", "--gps-form=0", photo }, { "tags", "--gps-form", "0", photo } },
        { { "caption", "--date-format=YYYY", "[PHOTO_DATE] [Make]", photo },
            { "caption", "--date-format", "YYYY", "[PHOTO_DATE] [Make]", photo } },
        { { "stamp", "--dry-run", "--rename=%y_%o", "--postfix=x", "--out=" + (dir / "o").string(), photo },
            { "stamp", "--dry-run", "--rename", "%y_%o", "--postfix", "x", "--out", (dir / "o").string(), photo } },
    };
    for (const auto &pair : pairs) {
        SCOPED_TRACE(pair[0][1]);
        const auto joined = runCli(pair[0]);
        const auto apart = runCli(pair[1]);
        EXPECT_EQ(joined.exitCode, 0) << joined.err;
        EXPECT_EQ(joined.out, apart.out);
        EXPECT_FALSE(joined.out.empty());
    }
}

TEST(CliHabits, FailuresCarryTheSystemsReason)
{
    TempDir dir;
    const std::string photo = test::photo("makers/Canon.jpg").string();
    test::writeFileBytes(dir / "taken", "a file where the folder should be");
    auto r = runCli({ "stamp", "--out", (dir / "taken").string(), photo });
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "cannot create the output folder " + (dir / "taken").string() + ": File exists"))
        << r.err;

#ifndef _WIN32
    if (geteuid() != 0) {
        fs::create_directory(dir / "locked");
        fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
        r = runCli({ "stamp", "--out", (dir / "locked" / "out").string(), photo });
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(contains(r.err, "Permission denied")) << r.err;
        fs::permissions(dir / "locked", fs::perms::owner_all);
    }
#endif

    for (const char *command : { "tags", "caption" }) {
        std::vector<std::string> args { command };
        if (std::string(command) == "caption")
            args.push_back("[Make]");
        args.push_back((dir / "missing.jpg").string());
        r = runCli(args);
        EXPECT_EQ(r.exitCode, 1) << command;
        EXPECT_EQ(
            r.err, std::string("kelvra-cli ") + command + ": no such file: " + (dir / "missing.jpg").string() + "\n");
    }
}

#ifndef _WIN32
// Ctrl+C, SIGTERM and SIGHUP each let the photos already started finish and
// exit with 128 plus the signal; every file left in the output folder is a
// whole photo, and the report names each photo not started as stopped.
TEST(CliHabits, SignalsStopAfterFinishingStartedPhotos)
{
    TempDir dir;
    const int photos = 30;
    fs::create_directories(dir / "in");
    for (int i = 0; i < photos; ++i)
        fs::copy_file(test::photo("gps/DSCN0010.jpg"), dir / "in" / ("p" + std::to_string(100 + i) + ".jpg"));
    const std::string cli = KELVRA_CLI_PATH;
    const std::string inDir = (dir / "in").string();
    const struct
    {
        int signal;
        int exitCode;
    } cases[] = { { SIGINT, 130 }, { SIGTERM, 143 }, { SIGHUP, 129 } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.signal);
        const fs::path out = dir / ("out" + std::to_string(c.signal));
        const fs::path report = dir / ("report" + std::to_string(c.signal) + ".json");
        const std::string outDir = out.string();
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const int json = ::open(report.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int null = ::open("/dev/null", O_WRONLY);
            dup2(json, 1);
            dup2(null, 2);
            execl(cli.c_str(), cli.c_str(), "stamp", "--json", "--jobs", "1", "--out", outDir.c_str(), inDir.c_str(),
                static_cast<char *>(nullptr));
            _exit(127);
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < until) {
            std::error_code error;
            if (fs::exists(out, error) && !fs::is_empty(out, error))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        kill(child, c.signal);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), c.exitCode);

        int outputs = 0;
        for (const auto &entry : fs::directory_iterator(out)) {
            ++outputs;
            EXPECT_EQ(test::runTool({ "djpeg", "-outfile", "/dev/null", entry.path().string() }).exitCode, 0)
                << entry.path();
        }
        EXPECT_GT(outputs, 0);
        EXPECT_LT(outputs, photos);

        const QJsonObject root
            = QJsonDocument::fromJson(QByteArray::fromStdString(test::readFileBytes(report))).object();
        const QJsonObject totals = root[QStringLiteral("totals")].toObject();
        EXPECT_TRUE(root[QStringLiteral("cancelled")].toBool());
        EXPECT_EQ(totals[QStringLiteral("photos")].toInt(), photos);
        EXPECT_EQ(totals[QStringLiteral("stamped")].toInt(), outputs);
        EXPECT_EQ(totals[QStringLiteral("stopped")].toInt(), photos - outputs);
        EXPECT_EQ(totals[QStringLiteral("skipped")].toInt(), photos - outputs);
        const QJsonArray list = root[QStringLiteral("photos")].toArray();
        ASSERT_EQ(list.size(), photos);
        const QJsonObject last = list.last().toObject();
        EXPECT_EQ(last[QStringLiteral("result")].toString(), QStringLiteral("skipped"));
        EXPECT_EQ(last[QStringLiteral("error")].toString(), QStringLiteral("stopped"));
        EXPECT_TRUE(last[QStringLiteral("output")].isNull());
    }
}
#endif

} // namespace
} // namespace kelvra
