// SPDX-License-Identifier: GPL-3.0-or-later
// What an output folder holds is never lost: conflict rules, run logs, undo.
#include "common/qt_test_support.h"
#include "common/test_support.h"
#include "jobs/batch_run.h"
#include "jobs/run_log.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <map>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::qpath;
using test::readFileBytes;
using test::sameColour;
using test::TempDir;
using test::treeOf;

fs::path makePhoto(const fs::path &path, QColor colour)
{
    EXPECT_TRUE(test::makePlainPhoto(path, colour));
    return path;
}

QColor middleOf(const fs::path &path)
{
    return test::middleColourOf(qpath(path));
}

BatchJob jobWith(ExistingRule rule, bool stamp, const fs::path &logs)
{
    BatchJob job;
    job.settings.StampPhotosOpt = stamp;
    job.settings.RenamePhotos = !stamp;
    job.settings.FNMask = QStringLiteral("%y\\%o");
    job.options.ExistingFiles = int(rule);
    job.runLogFolder = qpath(logs);
    job.jobs = 2;
    return job;
}

// Two cameras that both count from IMG_1: the second run meets the first's
// outputs under every rule, on both tasks.
TEST(SafeOutputs, EachRuleTreatsAnEarlierRunsOutputAsItSays)
{
    TempDir dir;
    const QColor red(200, 30, 30), blue(30, 30, 200);
    const QStringList a { qpath(makePhoto(dir / "a/IMG_1.jpg", red)), qpath(makePhoto(dir / "a/IMG_2.jpg", red)) };
    const QStringList b { qpath(makePhoto(dir / "b/IMG_1.jpg", blue)), qpath(makePhoto(dir / "b/IMG_2.jpg", blue)) };
    struct Case
    {
        ExistingRule rule;
        ExistingOutcome outcome;
        int files; // in the output folder after both runs
        QColor winner; // what stands under the first run's names
    };
    const Case cases[] = {
        { ExistingRule::KeepBoth, ExistingOutcome::KeptBoth, 4, red },
        { ExistingRule::Replace, ExistingOutcome::Replaced, 2, blue },
        { ExistingRule::Skip, ExistingOutcome::Skipped, 2, red },
    };
    for (bool stamp : { true, false }) {
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(stamp ? "stamp " : "copy ") + existingOutcomeName(c.outcome));
            const fs::path out = dir / ("out" + std::to_string(int(c.rule)) + (stamp ? "s" : "c"));
            const BatchJob job = jobWith(c.rule, stamp, dir / "logs");
            const BatchReport first = RunBatch(a, qpath(out), job, nullptr);
            ASSERT_EQ(first.count(stamp ? PhotoOutcome::Stamped : PhotoOutcome::Copied), 2);
            const BatchReport second = RunBatch(b, qpath(out), job, nullptr);
            ASSERT_EQ(second.photos.size(), 2u);
            int files = 0;
            for (const auto &entry : fs::recursive_directory_iterator(out))
                files += entry.is_regular_file() ? 1 : 0;
            EXPECT_EQ(files, c.files);
            for (const BatchPhotoResult &r : second.photos) {
                EXPECT_EQ(r.existing, c.outcome);
                if (c.rule == ExistingRule::Skip) {
                    EXPECT_EQ(r.outcome, PhotoOutcome::Skipped);
                    EXPECT_EQ(r.error, BatchError::OutputExists);
                } else {
                    // Every output a report names holds the photo it names.
                    EXPECT_TRUE(sameColour(middleOf(test::nativeOf(r.output)), blue)) << r.output.toStdString();
                }
            }
            for (const BatchPhotoResult &r : first.photos)
                EXPECT_TRUE(sameColour(middleOf(test::nativeOf(r.output)), c.winner)) << r.output.toStdString();
        }
    }
}

// Undo of the last two runs, newest first, gives back the folder as it was,
// replaced files included; an output changed since is left and said.
TEST(SafeOutputs, UndoRestoresTheFolderByteForByte)
{
    TempDir dir;
    const fs::path out = dir / "out";
    const QStringList photos { qpath(makePhoto(dir / "in/IMG_1.jpg", QColor(10, 200, 10))),
        qpath(makePhoto(dir / "in/IMG_2.jpg", QColor(200, 200, 10))) };
    fs::create_directories(out);
    test::writeFileBytes(out / "IMG_1_timestamp.jpg", "an earlier photo that Replace replaces");
    test::writeFileBytes(out / "notes.txt", "the user's own file");
    const auto before = treeOf(out);
    const fs::path logs = dir / "logs";

    BatchJob replace = jobWith(ExistingRule::Replace, true, logs);
    replace.settings.RenamePhotos = false;
    const BatchReport replaced = RunBatch(photos, qpath(out), replace, nullptr);
    EXPECT_EQ(replaced.photos[0].existing, ExistingOutcome::Replaced);
    const BatchReport sorted = RunBatch(photos, qpath(out), jobWith(ExistingRule::KeepBoth, false, logs), nullptr);
    ASSERT_FALSE(sorted.runLog.isEmpty());
    EXPECT_NE(treeOf(out), before);

    const UndoReport second = undoRun(qpath(logs));
    EXPECT_EQ(second.status, UndoReport::Status::Done);
    EXPECT_EQ(second.run.id, sorted.runLog);
    EXPECT_EQ(second.count(UndoStep::What::Removed), 2);
    EXPECT_EQ(second.count(UndoStep::What::FolderRemoved), 1); // the year folder
    const UndoReport first = undoRun(qpath(logs));
    EXPECT_EQ(first.run.id, replaced.runLog);
    EXPECT_EQ(first.count(UndoStep::What::Restored), 1);
    EXPECT_EQ(treeOf(out), before);
    EXPECT_EQ(undoRun(qpath(logs), replaced.runLog).status, UndoReport::Status::AlreadyUndone);
    EXPECT_EQ(undoRun(qpath(logs)).status, UndoReport::Status::NoRun);

    // A photo the user edited after the run is not the run's to take back.
    const BatchReport again = RunBatch(photos, qpath(out), replace, nullptr);
    test::writeFileBytes(test::nativeOf(again.photos[1].output), "edited since");
    const UndoReport partial = undoRun(qpath(logs));
    EXPECT_EQ(partial.count(UndoStep::What::Changed), 1);
    EXPECT_EQ(readFileBytes(test::nativeOf(again.photos[1].output)), "edited since");
    EXPECT_EQ(readFileBytes(out / "IMG_1_timestamp.jpg"), "an earlier photo that Replace replaces");
    for (const QString &photo : photos)
        EXPECT_TRUE(fs::exists(test::nativeOf(photo))); // sources are never touched

    // Once its 30 days are over the replaced file is gone from the trash, and undo says so.
    RunBatch(photos, qpath(out), replace, nullptr);
    for (const auto &entry : fs::directory_iterator(logs)) {
        if (entry.path().extension() == ".trash")
            fs::remove_all(entry.path());
    }
    EXPECT_EQ(undoRun(qpath(logs)).count(UndoStep::What::NoLongerKept), 2);
}

// A run killed on its way leaves only its journal; undo still finds every
// output it wrote and every file it set aside.
TEST(SafeOutputs, UndoTakesBackARunThatNeverFinished)
{
    TempDir dir;
    const fs::path out = dir / "out";
    fs::create_directories(out);
    test::writeFileBytes(out / "a.jpg", "old a");
    test::writeFileBytes(out / "b.jpg", "old b");
    test::writeFileBytes(out / "c.jpg", "old c");
    std::unique_ptr<RunLog> log = RunLog::start(qpath(dir / "logs"), qpath(out), {});
    ASSERT_TRUE(log);
    auto replace = [&](const char *name, const char *bytes) {
        const QString output = qpath(out / name);
        const QString kept = log->trashPathFor(output);
        fs::create_hard_link(out / name, test::nativeOf(kept));
        log->keptAside(output, kept, sha256Hex(bytes));
        test::writeFileBytes(out / "new", bytes); // a new file takes the name, as a run writes
        fs::rename(out / "new", out / name);
        return RunLogPhoto { qpath(dir / "src.jpg"), output, output, qint64(std::string(bytes).size()),
            sha256Hex(bytes), ExistingOutcome::Replaced, kept };
    };
    log->photo(replace("a.jpg", "new a"));
    replace("b.jpg", "new b"); // killed before its photo line
    replace("c.jpg", "new c");
    test::writeFileBytes(out / "c.jpg", "the user's own c"); // written after the run died
    log.reset();

    const std::vector<RunLogContents> runs = listRunLogs(qpath(dir / "logs"));
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_FALSE(runs[0].finished.isValid());
    const UndoReport report = undoRun(qpath(dir / "logs"));
    EXPECT_EQ(readFileBytes(out / "a.jpg"), "old a");
    // b is the run's own output by its hash; c is not the run's to take.
    EXPECT_EQ(readFileBytes(out / "b.jpg"), "old b");
    EXPECT_EQ(readFileBytes(out / "c.jpg"), "the user's own c");
    EXPECT_EQ(report.count(UndoStep::What::Restored), 2);
    EXPECT_EQ(report.count(UndoStep::What::NotRestored), 1);
}

TEST(SafeOutputs, OutputsAreNeverMoreReadableThanTheirSource)
{
    TempDir dir;
    const fs::path source = makePhoto(dir / "in/private.jpg", Qt::gray);
    fs::permissions(source, fs::perms::owner_read | fs::perms::owner_write);
    for (bool stamp : { true, false }) {
        const BatchReport report = RunBatch({ qpath(source) }, qpath(dir / (stamp ? "s" : "c")),
            jobWith(ExistingRule::KeepBoth, stamp, dir / "logs"), nullptr);
        ASSERT_EQ(report.photos.size(), 1u);
        const fs::perms perms = fs::status(test::nativeOf(report.photos[0].output)).permissions();
        EXPECT_EQ(perms & (fs::perms::group_all | fs::perms::others_all), fs::perms::none) << stamp;
    }
}

// A label nobody can read is a warning, not a plain success.
TEST(SafeOutputs, AnInvisibleLabelIsStampedWithAWarning)
{
    TempDir dir;
    const fs::path photo = makePhoto(dir / "in/plain.jpg", Qt::white);
    struct Case
    {
        const char *caption;
        double size;
        BatchWarning warning;
    };
    const Case cases[] = {
        { "[PHOTO_NAME]", 20, BatchWarning::None },
        { "[GPSPos]", 20, BatchWarning::EmptyCaption }, // no GPS in the photo
        { " ", 20, BatchWarning::EmptyCaption },
        { "[PHOTO_NAME]", 125, BatchWarning::LabelTooSmall }, // 240 / 125: one pixel
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.caption);
        BatchJob job = jobWith(ExistingRule::KeepBoth, true, dir / "logs");
        job.settings.CaptionFormat = QString::fromLatin1(c.caption);
        job.settings.Size = c.size;
        const BatchReport report = RunBatch({ qpath(photo) }, qpath(dir / "out"), job, nullptr);
        ASSERT_EQ(report.photos.size(), 1u);
        EXPECT_EQ(report.photos[0].outcome, PhotoOutcome::Stamped);
        EXPECT_EQ(report.photos[0].warningCode, c.warning);
        EXPECT_EQ(report.warned(), c.warning == BatchWarning::None ? 0 : 1);
    }
}

} // namespace
} // namespace kelvra
