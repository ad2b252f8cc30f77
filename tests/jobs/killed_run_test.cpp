// SPDX-License-Identifier: GPL-3.0-or-later
// A run killed at any moment leaves only whole outputs in its folder.
#include "common/test_support.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringList>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

QString q(const fs::path &path)
{
    return QString::fromStdString(path.string());
}

// Busy pictures, so that each photo costs the run some work.
std::map<std::string, std::string> makePhotos(const fs::path &folder, int count)
{
    fs::create_directories(folder);
    std::map<std::string, std::string> bytes;
    QRandomGenerator random(12);
    for (int i = 0; i < count; ++i) {
        QImage image(640, 480, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                row[x] = qRgb((x + i * 7) & 0xFF, (y * 3) & 0xFF, int(random.bounded(256)));
        }
        const std::string name = "photo" + std::to_string(i) + ".jpg";
        EXPECT_TRUE(image.save(q(folder / name), "JPG", 90));
        bytes[name] = test::readFileBytes(folder / name);
    }
    return bytes;
}

QStringList runArguments(bool stamp, const fs::path &in, const fs::path &out)
{
    QStringList args { QStringLiteral("stamp"), QStringLiteral("--jobs"), QStringLiteral("2") };
    if (!stamp)
        args << QStringLiteral("--no-stamp") << QStringLiteral("--rename") << QStringLiteral("%o");
    return args << QStringLiteral("--out") << q(out) << q(in);
}

// Every file in out is an output of the run, whole: a stamped photo decodes
// cleanly, a copy is its source byte for byte.
void expectOnlyWholeOutputs(
    const fs::path &out, bool stamp, const std::map<std::string, std::string> &sources, int round)
{
    if (!fs::exists(out))
        return;
    for (const auto &entry : fs::directory_iterator(out)) {
        const std::string name = entry.path().filename().string();
        if (stamp) {
            const std::string suffix = "_timestamp.jpg";
            ASSERT_TRUE(name.size() > suffix.size() && name.ends_with(suffix)) << "round " << round << ": " << name;
            ASSERT_TRUE(sources.contains(name.substr(0, name.size() - suffix.size()) + ".jpg")) << name;
            const auto decoded = test::runTool({ "djpeg", "-outfile", "/dev/null", entry.path().string() });
            EXPECT_EQ(decoded.exitCode, 0) << "round " << round << ": " << name << ": " << decoded.err;
            EXPECT_EQ(decoded.err, "") << "round " << round << ": " << name;
        } else {
            const auto source = sources.find(name);
            ASSERT_NE(source, sources.end()) << "round " << round << ": " << name;
            EXPECT_EQ(test::readFileBytes(entry.path()), source->second) << "round " << round << ": " << name;
        }
    }
}

TEST(KilledRun, LeavesOnlyWholeOutputsAndNoTemporaries)
{
    if (!test::toolAvailable("djpeg"))
        GTEST_SKIP() << "djpeg missing";
    TempDir dir;
    const auto sources = makePhotos(dir / "in", 40);

    // How long a whole run takes here, so that the kills land all through one.
    QProcess whole;
    QElapsedTimer clock;
    clock.start();
    whole.start(QStringLiteral(KELVRA_CLI_PATH), runArguments(true, dir / "in", dir / "whole"));
    ASSERT_TRUE(whole.waitForFinished(120000));
    ASSERT_EQ(whole.exitCode(), 0) << whole.readAllStandardError().toStdString();
    const int wholeMs = std::max<int>(50, int(clock.elapsed()));
    expectOnlyWholeOutputs(dir / "whole", true, sources, -1);
    ASSERT_EQ(std::distance(fs::directory_iterator(dir / "whole"), fs::directory_iterator()), 40);

    QRandomGenerator random(2026);
    int interrupted = 0;
    for (int round = 0; round < 20; ++round) {
        const bool stamp = round % 2 == 0;
        const fs::path out = dir / ("out" + std::to_string(round));
        QProcess run;
        run.start(QStringLiteral(KELVRA_CLI_PATH), runArguments(stamp, dir / "in", out));
        ASSERT_TRUE(run.waitForStarted());
        QThread::msleep(random.bounded(stamp ? wholeMs : std::max(1, wholeMs / 4)));
        run.kill(); // SIGKILL
        ASSERT_TRUE(run.waitForFinished(30000));
        if (run.exitStatus() == QProcess::CrashExit)
            ++interrupted;
        expectOnlyWholeOutputs(out, stamp, sources, round);
    }
    // Most kills must land in a run, or the test shows nothing.
    EXPECT_GE(interrupted, 10);
}

TEST(KilledRun, TheNextRunRemovesOldTemporaries)
{
    TempDir dir;
    makePhotos(dir / "in", 1);
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(2);
    for (const fs::path &left : { dir / "out" / ".kelvra-41.tmp", dir / "out" / "2026" / ".kelvra-42.tmp" }) {
        fs::create_directories(left.parent_path());
        test::writeFileBytes(left, "half a photo");
        fs::last_write_time(left, old);
    }
    test::writeFileBytes(dir / "out" / ".kelvra-43.tmp", "young"); // may be another run's, kept
    const auto r
        = test::runCli({ "stamp", "--rename", "2026/%o", "--out", (dir / "out").string(), (dir / "in").string() });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(fs::exists(dir / "out" / ".kelvra-41.tmp"));
    EXPECT_FALSE(fs::exists(dir / "out" / "2026" / ".kelvra-42.tmp"));
    EXPECT_TRUE(fs::exists(dir / "out" / ".kelvra-43.tmp"));
    EXPECT_TRUE(fs::exists(dir / "out" / "2026" / "photo0.jpg"));
}

} // namespace
} // namespace kelvra
