// SPDX-License-Identifier: GPL-3.0-or-later
// The worst a user does to an output folder: runs at once, reruns into the
// input, a kill in the middle; and undo after each.
#include "common/qt_test_support.h"
#include "common/test_support.h"

#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::contains;
using test::qpath;
using test::runCli;
using test::sameColour;
using test::TempDir;

void makePhoto(const fs::path &path, QColor colour, int width = 320, int height = 240)
{
    ASSERT_TRUE(test::makePlainPhoto(path, colour, width, height));
}

size_t filesBelow(const fs::path &folder)
{
    size_t n = 0;
    if (fs::exists(folder)) {
        for (const auto &entry : fs::recursive_directory_iterator(folder))
            n += entry.is_regular_file() ? 1 : 0;
    }
    return n;
}

QJsonArray reportedPhotos(const test::CommandResult &r)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object()[QStringLiteral("photos")].toArray();
}

// Two runs at once into one folder, from two cameras that share names, round
// after round: nothing is replaced, and every output a report names holds
// the photo it names.
TEST(SafeOutputsCli, TwoRunsAtOnceNeverReplaceEachOther)
{
    TempDir dir;
    const QColor colours[] = { QColor(220, 40, 40), QColor(40, 40, 220) };
    for (int camera = 0; camera < 2; ++camera) {
        for (int i = 1; i <= 3; ++i)
            makePhoto(dir / ("cam" + std::to_string(camera)) / ("IMG_" + std::to_string(i) + ".jpg"), colours[camera]);
    }
    for (const char *rule : { "keep", "skip" }) {
        SCOPED_TRACE(rule);
        const fs::path out = dir / (std::string("out-") + rule);
        std::set<QString> named;
        int written = 0;
        for (int round = 0; round < 20; ++round) {
            test::CommandResult results[2];
            std::thread runs[2];
            for (int camera = 0; camera < 2; ++camera) {
                runs[camera] = std::thread([&, camera] {
                    results[camera] = runCli({ "stamp", "--json", "--jobs", "1", "--existing", rule, "--out",
                        out.string(), (dir / ("cam" + std::to_string(camera))).string() });
                });
            }
            for (std::thread &run : runs)
                run.join();
            for (int camera = 0; camera < 2; ++camera) {
                ASSERT_EQ(results[camera].exitCode, 0) << results[camera].err;
                for (const QJsonValue &value : reportedPhotos(results[camera])) {
                    const QJsonObject photo = value.toObject();
                    if (photo[QStringLiteral("result")].toString() == QLatin1String("skipped"))
                        continue;
                    const QString output = photo[QStringLiteral("output")].toString();
                    EXPECT_TRUE(named.insert(output).second) << "named twice: " << output.toStdString();
                    ++written;
                }
            }
        }
        // Each output still holds the photo its report named.
        for (const QString &output : named) {
            const bool red = sameColour(test::middleColourOf(output), colours[0]);
            const bool blue = sameColour(test::middleColourOf(output), colours[1]);
            EXPECT_TRUE(red || blue) << output.toStdString();
        }
        EXPECT_EQ(filesBelow(out), size_t(written));
        if (std::string_view(rule) == "keep")
            EXPECT_EQ(written, 20 * 2 * 3);
        else
            EXPECT_EQ(written, 3); // the first names only, by whichever run claimed each first
    }
}

// The reports above name photos by colour only; a tighter check: with
// rename-only copies every output is byte for byte the source it names.
TEST(SafeOutputsCli, ConcurrentCopiesAreTheirSourcesByteForByte)
{
    TempDir dir;
    for (int camera = 0; camera < 2; ++camera) {
        for (int i = 1; i <= 3; ++i)
            makePhoto(dir / ("cam" + std::to_string(camera)) / ("IMG_" + std::to_string(i) + ".jpg"),
                QColor(40 + 100 * camera, 20 * i, 90));
    }
    const fs::path out = dir / "out";
    for (int round = 0; round < 10; ++round) {
        test::CommandResult results[2];
        std::thread runs[2];
        for (int camera = 0; camera < 2; ++camera) {
            runs[camera] = std::thread([&, camera] {
                results[camera] = runCli({ "stamp", "--json", "--no-stamp", "--rename", "%o", "--out", out.string(),
                    (dir / ("cam" + std::to_string(camera))).string() });
            });
        }
        for (std::thread &run : runs)
            run.join();
        for (const test::CommandResult &r : results) {
            ASSERT_EQ(r.exitCode, 0) << r.err;
            for (const QJsonValue &value : reportedPhotos(r)) {
                const QJsonObject photo = value.toObject();
                EXPECT_EQ(test::readFileBytes(test::nativeOf(photo[QStringLiteral("output")].toString())),
                    test::readFileBytes(test::nativeOf(photo[QStringLiteral("source")].toString())));
            }
        }
    }
    EXPECT_EQ(filesBelow(out), size_t(10 * 2 * 3));
}

// A rerun whose output folder lies in its input, or is its input, never
// stamps what an earlier run stamped.
TEST(SafeOutputsCli, EarlierOutputsAreNeverInputs)
{
    TempDir dir;
    // Stamped outputs of a run into another folder are no photos either.
    makePhoto(dir / "in" / "a.jpg", Qt::darkGreen);
    makePhoto(dir / "in" / "sub" / "b.jpg", Qt::darkCyan);
    for (const fs::path &out : { dir / "in" / "stamped", dir / "in" }) {
        for (int run = 0; run < 2; ++run) {
            SCOPED_TRACE(out.string() + " run " + std::to_string(run));
            const auto r = runCli({ "stamp", "--recursive", "--out", out.string(), (dir / "in").string() });
            EXPECT_EQ(r.exitCode, 0) << r.err;
            EXPECT_TRUE(contains(r.out, "2 stamped")) << r.out;
            if (run == 1) {
                EXPECT_TRUE(contains(r.out, "outputs of earlier runs or in the output folder left out")) << r.out;
            }
        }
    }
    for (const auto &entry : fs::recursive_directory_iterator(dir / "in"))
        EXPECT_FALSE(contains(entry.path().filename().string(), "_timestamp_timestamp")) << entry.path();
}

// Killed at any moment, a run still leaves a log from which undo takes back
// what it wrote.
TEST(SafeOutputsCli, UndoAfterAKilledRun)
{
    TempDir dir;
    for (int i = 0; i < 24; ++i)
        makePhoto(dir / "in" / ("p" + std::to_string(i) + ".jpg"), QColor(10 * i, 100, 200), 800, 600);
    makePhoto(dir / "out" / "p0_timestamp.jpg", Qt::black, 800, 600); // replaced, then put back
    const std::string before = test::readFileBytes(dir / "out" / "p0_timestamp.jpg");
    // A data folder of its own: undo takes the newest run of this test only.
    const std::string config = (dir / "config").string();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(config));
    int undone = 0;
    for (int round = 0; round < 6; ++round) {
        QProcess run;
        run.setProcessEnvironment(environment);
        run.start(QStringLiteral(KELVRA_CLI_PATH),
            { QStringLiteral("stamp"), QStringLiteral("--existing"), QStringLiteral("replace"),
                QStringLiteral("--jobs"), QStringLiteral("2"), QStringLiteral("--out"), qpath(dir / "out"),
                qpath(dir / "in") });
        ASSERT_TRUE(run.waitForStarted());
        // Killed once its first output stands, and a little later each round:
        // a clock alone kills a run on a loaded machine before it began.
        QElapsedTimer waited;
        waited.start();
        while (filesBelow(dir / "out") < 2 && test::readFileBytes(dir / "out" / "p0_timestamp.jpg") == before
            && run.state() == QProcess::Running && waited.elapsed() < 30000)
            QThread::msleep(2);
        QThread::msleep(40 * round);
        run.kill();
        ASSERT_TRUE(run.waitForFinished(30000));
        const auto r = runCli({ "undo" }, { "XDG_CONFIG_HOME=" + config });
        if (r.exitCode == 0 || contains(r.out, "undid run"))
            ++undone;
        // What is left is what was there before, or at most the outputs that
        // had landed when the kill came but not yet reached the log (one a worker).
        EXPECT_LE(filesBelow(dir / "out"), 3u) << r.out << r.err;
        EXPECT_EQ(test::readFileBytes(dir / "out" / "p0_timestamp.jpg"), before) << r.out << r.err;
        for (const auto &entry : fs::directory_iterator(dir / "out")) {
            if (entry.path().filename() != "p0_timestamp.jpg")
                fs::remove(entry.path());
        }
    }
    EXPECT_GE(undone, 4);
}

// A scan without EXIF keeps its print density, caption and comment.
TEST(SafeOutputsCli, AScanWithoutExifKeepsItsMetadata)
{
    if (!test::toolAvailable("exiftool"))
        GTEST_SKIP() << "exiftool missing";
    TempDir dir;
    QImage image(600, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(11811); // 300 dpi
    image.setDotsPerMeterY(11811);
    ASSERT_TRUE(image.save(qpath(dir / "scan.jpg"), "JPEG", 90));
    ASSERT_EQ(test::runTool({ "exiftool", "-q", "-overwrite_original", "-IPTC:Caption-Abstract=A caption",
                                "-Comment=A comment", (dir / "scan.jpg").string() })
                  .exitCode,
        0);
    ASSERT_EQ(runCli({ "stamp", "--out", (dir / "out").string(), (dir / "scan.jpg").string() }).exitCode, 0);
    auto tags = [](const fs::path &path) {
        return test::runTool({ "exiftool", "-s", "-s", "-IPTC:all", "-Comment", "-JFIF:all", path.string() }).out;
    };
    const std::string source = tags(dir / "scan.jpg");
    EXPECT_TRUE(contains(source, "XResolution: 300")) << source;
    EXPECT_EQ(tags(dir / "out" / "scan_timestamp.jpg"), source);
}

} // namespace
} // namespace kelvra
