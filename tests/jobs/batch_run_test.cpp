// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/qt_test_support.h"
#include "common/test_support.h"
#include "imaging/bitmap_rotate.h"
#include "jobs/batch_run.h"
#include "jobs/photo_list.h"
#include "metadata/exif_reader.h"
#include "metadata/exif_writer.h"
#include "platform/file_times.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::photo;
using test::qpath;
using test::readFileBytes;
using test::TempDir;

// Copies test photos into a folder of their own, so that runs may write next
// to them and their dates can be set.
fs::path stage(const TempDir &dir, const std::string &relative, const std::string &as = {})
{
    const fs::path target = dir / "in" / (as.empty() ? fs::path(relative).filename().string() : as);
    fs::create_directories(target.parent_path());
    fs::copy_file(photo(relative), target, fs::copy_options::overwrite_existing);
    return target;
}

BatchJob stampOnly()
{
    BatchJob job;
    job.settings.CaptionFormat = QStringLiteral("[PHOTO_DATE] [Make]");
    job.jobs = 1;
    return job;
}

BatchJob renameOnly(const QString &mask)
{
    BatchJob job;
    job.settings.StampPhotosOpt = false;
    job.settings.RenamePhotos = true;
    job.settings.FNMask = mask;
    job.jobs = 1;
    return job;
}

std::vector<std::string> filesBelow(const fs::path &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            names.push_back(fs::relative(entry.path(), folder).generic_string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class Recorder : public BatchProgress
{
public:
    int cancelAt = 0; // position at which to cancel; 0 never
    std::vector<std::pair<int, int>> steps;
    int finished = 0;
    bool started = false, ended = false;

    void ProgressStart() override { started = true; }
    bool ProgressStep(int position, int maximum) override
    {
        steps.emplace_back(position, maximum);
        return position != cancelAt;
    }
    void photoFinished(const BatchPhotoResult &) override { ++finished; }
    void ProgressEnd() override { ended = true; }
};

TEST(BatchRun, StampOnlyNamesWithThePostfixAndKeepsAnEarlierOutput)
{
    TempDir dir;
    const fs::path source = stage(dir, "gps/DSCN0010.jpg", "IMG_1.jpg");
    const BatchJob job = stampOnly();
    for (int run = 0; run < 2; ++run) {
        const BatchReport report = RunBatch({ qpath(source) }, qpath(dir / "out"), job, nullptr);
        ASSERT_EQ(report.photos.size(), 1u);
        EXPECT_EQ(report.photos[0].outcome, PhotoOutcome::Stamped) << int(report.photos[0].error);
    }
    EXPECT_EQ(
        filesBelow(dir / "out"), (std::vector<std::string> { "IMG_1_timestamp.jpg", "IMG_1_timestamp_0001.jpg" }));
}

TEST(BatchRun, RenameSortsIntoDatedFoldersAndNeverOverwrites)
{
    TempDir dir;
    const fs::path a = stage(dir, "gps/DSCN0010.jpg"); // taken 2008:10:22
    const fs::path b = stage(dir, "makers/NikonD70.jpg");
    const BatchJob job = renameOnly(QStringLiteral("%y\\%m\\%o"));
    for (int run = 0; run < 2; ++run) {
        const BatchReport report = RunBatch({ qpath(a), qpath(b) }, qpath(dir / "out"), job, nullptr);
        EXPECT_EQ(report.count(PhotoOutcome::Copied), 2);
    }
    const auto files = filesBelow(dir / "out");
    ASSERT_EQ(files.size(), 4u);
    EXPECT_NE(std::find(files.begin(), files.end(), "2008/10/DSCN0010.jpg"), files.end());
    EXPECT_NE(std::find(files.begin(), files.end(), "2008/10/DSCN0010_0001.jpg"), files.end());
    // A rename-only copy is the source byte for byte.
    EXPECT_EQ(readFileBytes(dir / "out/2008/10/DSCN0010_0001.jpg"), readFileBytes(a));
}

TEST(BatchRun, CountersAndExactOriginalNames)
{
    TempDir dir;
    const fs::path a = stage(dir, "makers/Canon.jpg");
    {
        const BatchReport report
            = RunBatch({ qpath(a), qpath(a) }, qpath(dir / "numbered"), renameOnly(QStringLiteral("%n3")), nullptr);
        EXPECT_EQ(report.count(PhotoOutcome::Copied), 2);
        EXPECT_EQ(filesBelow(dir / "numbered"), (std::vector<std::string> { "001.jpg", "002.jpg" }));
    }
    {
        const BatchReport report
            = RunBatch({ qpath(a), qpath(a) }, qpath(dir / "same"), renameOnly(QStringLiteral("%o")), nullptr);
        EXPECT_EQ(report.count(PhotoOutcome::Copied), 2);
        EXPECT_EQ(filesBelow(dir / "same"), std::vector<std::string> { "Canon.jpg" });
    }
    // "%o" into the photo's own folder: the copy is the photo itself, untouched.
    const std::string before = readFileBytes(a);
    const BatchReport report
        = RunBatch({ qpath(a) }, qpath(a.parent_path()), renameOnly(QStringLiteral("%o")), nullptr);
    EXPECT_EQ(report.count(PhotoOutcome::Copied), 1);
    EXPECT_EQ(readFileBytes(a), before);
}

TEST(BatchRun, TwoSourcesWithOneNameAreBothKept)
{
    TempDir dir;
    const fs::path a = stage(dir, "makers/Canon.jpg", "one/IMG_0001.JPG");
    const fs::path b = stage(dir, "makers/Nikon.jpg", "two/IMG_0001.JPG");
    const BatchReport report = RunBatch({ qpath(a), qpath(b) }, qpath(dir / "out"), stampOnly(), nullptr);
    EXPECT_EQ(report.count(PhotoOutcome::Stamped), 2);
    EXPECT_EQ(filesBelow(dir / "out"),
        (std::vector<std::string> { "IMG_0001_timestamp.JPG", "IMG_0001_timestamp_0001.JPG" }));
}

TEST(BatchRun, StampedOutputCarriesTheSourceMetadata)
{
    TempDir dir;
    const fs::path source = stage(dir, "structure/GPS_with_comment.jpg");
    const fs::path big = stage(dir, "makers/Canon_PowerShot_S40.jpg"); // 5448-byte thumbnail
    const BatchReport report = RunBatch({ qpath(source), qpath(big) }, qpath(dir / "out"), stampOnly(), nullptr);
    ASSERT_EQ(report.count(PhotoOutcome::Stamped), 2);

    for (const fs::path &in : { source, big }) {
        const fs::path out = dir / "out" / (in.stem().string() + "_timestamp.jpg");
        TimgData src, dst;
        ASSERT_TRUE(src.ProcessFile(in));
        ASSERT_TRUE(dst.ProcessFile(out));
        const std::string bytes = readFileBytes(out);
        ASSERT_EQ(bytes.substr(0, 4), "\xFF\xD8\xFF\xE1");
        const std::string &exif = src.ExifSegment->data;
        // Byte for byte up to the thumbnail's directory, but for the length;
        // the thumbnail is one of the stamped photo.
        const std::size_t kept = src.ExifObj->ThumbStart > 0 ? std::size_t(8 + src.ExifObj->ThumbStart) : exif.size();
        EXPECT_EQ(dst.ExifSegment->data.substr(2, kept - 2), exif.substr(2, kept - 2));
        EXPECT_EQ(exifThumbnail(dst).empty(), exifThumbnail(src).empty());
        // A thumbnail that is no picture (a maker's placeholder text) stays.
        if (exifThumbnail(src).substr(0, 2) == "\xFF\xD8") {
            EXPECT_NE(exifThumbnail(dst), exifThumbnail(src));
        }
        EXPECT_EQ(dst.HasIPTC(), src.HasIPTC());
        EXPECT_EQ(dst.GetCommentStr(), src.GetCommentStr());
        EXPECT_EQ(dst.HeaderSegment, nullptr);
        if (test::toolAvailable("djpeg")) {
            EXPECT_EQ(test::runTool({ "djpeg", "-outfile", "/dev/null", out.string() }).exitCode, 0);
        }
    }
}

TEST(BatchRun, OutputsCarryTheSourceModificationDate)
{
    TempDir dir;
    const fs::path source = stage(dir, "makers/Olympus.jpg");
    writeFileTimes(qpath(source), FileTimes { 1262304001, std::nullopt }); // 2010-01-01 00:00:01 UTC
    for (const BatchJob &job : { stampOnly(), renameOnly(QStringLiteral("%o")) }) {
        const fs::path out = dir / (job.settings.RenamePhotos ? "renamed" : "stamped");
        const BatchReport report = RunBatch({ qpath(source) }, qpath(out), job, nullptr);
        ASSERT_EQ(report.photos.size(), 1u);
        const FileTimes times = readFileTimes(qpath(fs::directory_iterator(out)->path()));
        ASSERT_TRUE(times.modification);
        EXPECT_EQ(*times.modification, 1262304000); // two-second resolution
    }
}

TEST(BatchRun, OrientationSixKeepsItsTagAndGetsAnUprightLabel)
{
    TempDir dir;
    const fs::path source = stage(dir, "orientation/portrait_6.jpg");
    BatchJob job = stampOnly();
    job.settings.CaptionFormat = QStringLiteral("KELVRA");
    job.settings.Size = 8;
    job.settings.BgColor = 0xFFFFFF; // a white box, easy to find
    const BatchReport report = RunBatch({ qpath(source) }, qpath(dir / "out"), job, nullptr);
    ASSERT_EQ(report.count(PhotoOutcome::Stamped), 1);
    const fs::path out = dir / "out/portrait_6_timestamp.jpg";

    TimgData meta;
    ASSERT_TRUE(meta.ProcessFile(out));
    EXPECT_EQ(meta.ExifObj->GetRawInt("Orientation"), 6);
    QImage before(qpath(source)), after(qpath(out));
    ASSERT_EQ(after.size(), before.size()); // stored size kept
    // Turned upright, the pixels that changed lie in the top-left corner.
    before = before.convertToFormat(QImage::Format_RGB32);
    after = after.convertToFormat(QImage::Format_RGB32);
    ASSERT_TRUE(RotateClockwise(before) && RotateClockwise(after));
    int minX = after.width(), minY = after.height(), maxX = -1, maxY = -1;
    for (int y = 0; y < after.height(); ++y) {
        const QRgb *a = reinterpret_cast<const QRgb *>(after.constScanLine(y));
        const QRgb *b = reinterpret_cast<const QRgb *>(before.constScanLine(y));
        for (int x = 0; x < after.width(); ++x) {
            if (std::abs(qGray(a[x]) - qGray(b[x])) > 60) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
        }
    }
    ASSERT_GE(maxX, 0);
    const int W = after.width(), H = after.height();
    EXPECT_GE(minX, W * 5 / 100 - 3);
    EXPECT_GE(minY, H * 5 / 100 - 3);
    EXPECT_LT(maxY, H / 4);
    EXPECT_GT(maxX - minX, maxY - minY); // a line of text lies across, so it reads upright
}

TEST(BatchRun, CancelStopsBeforeTheNextPhoto)
{
    TempDir dir;
    const fs::path a = stage(dir, "makers/Canon.jpg");
    const fs::path b = stage(dir, "makers/Nikon.jpg");
    Recorder recorder;
    recorder.cancelAt = 2;
    const BatchReport report = RunBatch({ qpath(a), qpath(b) }, qpath(dir / "out"), stampOnly(), &recorder);
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(report.photos.size(), 1u);
    EXPECT_EQ(filesBelow(dir / "out"), std::vector<std::string> { "Canon_timestamp.jpg" });
    EXPECT_TRUE(recorder.started && recorder.ended);
    EXPECT_EQ(recorder.steps, (std::vector<std::pair<int, int>> { { 1, 2 }, { 2, 2 } }));
    EXPECT_EQ(recorder.finished, 1);
}

// The flag a window sets from its own thread: set when the first photo is
// done, it stops the run before the second; with workers (where the flag may
// come too late to stop anything), every photo handed out is still reported
// exactly once.
class FlagSetter : public BatchProgress
{
public:
    std::atomic<bool> *flag = nullptr;
    std::atomic<int> finished { 0 };
    bool ProgressStep(int, int) override { return true; }
    void photoFinished(const BatchPhotoResult &) override
    {
        ++finished;
        flag->store(true);
    }
};

TEST(BatchRun, CancelFlagStopsTheRun)
{
    TempDir dir;
    QStringList list;
    for (const char *name : { "makers/Canon.jpg", "makers/Nikon.jpg", "gps/DSCN0010.jpg", "makers/Casio.jpg" })
        list << qpath(stage(dir, name));
    for (int jobs : { 1, 3 }) {
        std::atomic<bool> cancel { false };
        BatchJob job = stampOnly();
        job.jobs = jobs;
        job.cancel = &cancel;
        FlagSetter setter;
        setter.flag = &cancel;
        const BatchReport report = RunBatch(list, qpath(dir / ("out" + std::to_string(jobs))), job, &setter);
        if (jobs == 1) {
            EXPECT_TRUE(report.cancelled);
            EXPECT_EQ(report.photos.size(), 1u);
        }
        EXPECT_EQ(setter.finished.load(), int(report.photos.size())) << jobs;
        for (const BatchPhotoResult &r : report.photos)
            EXPECT_EQ(r.outcome, PhotoOutcome::Stamped);
    }
    std::atomic<bool> already { true };
    BatchJob job = stampOnly();
    job.cancel = &already;
    const BatchReport none = RunBatch(list, qpath(dir / "none"), job, nullptr);
    EXPECT_TRUE(none.cancelled);
    EXPECT_TRUE(none.photos.empty());
}

// Three workers, or one photo a run whose idle cores decode ahead, write
// what one worker writes.
TEST(BatchRun, ParallelRunIsByteIdenticalToOneWorker)
{
    TempDir dir;
    QStringList list;
    for (const char *name : { "gps/DSCN0010.jpg", "orientation/landscape_6.jpg", "orientation/landscape_8.jpg",
             "makers/nikon-e950.jpg", "structure/BlueSquare.jpg" })
        list << qpath(stage(dir, name));
    BatchJob job = stampOnly();
    Recorder recorder;
    RunBatch(list, qpath(dir / "one"), job, &recorder);
    EXPECT_EQ(recorder.finished, 5);
    job.jobs = 3;
    RunBatch(list, qpath(dir / "three"), job, nullptr);
    const auto names = filesBelow(dir / "one");
    ASSERT_EQ(names.size(), 5u);
    ASSERT_EQ(filesBelow(dir / "three"), names);
    job.jobs = 0;
    for (const QString &photo : list)
        RunBatch({ photo }, qpath(dir / "alone"), job, nullptr);
    ASSERT_EQ(filesBelow(dir / "alone"), names);
    for (const std::string &name : names) {
        EXPECT_EQ(readFileBytes(dir / "one" / name), readFileBytes(dir / "three" / name)) << name;
        EXPECT_EQ(readFileBytes(dir / "one" / name), readFileBytes(dir / "alone" / name)) << name;
    }
}

TEST(BatchRun, FailuresEndOnlyTheirPhoto)
{
    TempDir dir;
    const fs::path broken = dir / "in" / "broken.jpg";
    fs::create_directories(broken.parent_path());
    test::writeFileBytes(broken, std::string("\xFF\xD8\xFF\xE0 this is not a picture", 26));
    const fs::path good = stage(dir, "makers/Canon.jpg");
    const fs::path text = dir / "in" / "notes.txt";
    test::writeFileBytes(text, "x");

    const BatchReport report = RunBatch({ qpath(broken), qpath(text), qpath(good), qpath(dir / "in/missing.jpg") },
        qpath(dir / "out"), stampOnly(), nullptr);
    ASSERT_EQ(report.photos.size(), 4u);
    EXPECT_EQ(report.photos[0].outcome, PhotoOutcome::Failed);
    EXPECT_EQ(report.photos[0].error, BatchError::Undecodable);
    EXPECT_NE(report.photos[0].imageError, ImageError::None);
    EXPECT_EQ(report.photos[0].path, qpath(broken));
    EXPECT_EQ(report.photos[1].outcome, PhotoOutcome::Skipped);
    EXPECT_EQ(report.photos[1].error, BatchError::NotJpegName);
    EXPECT_EQ(report.photos[2].outcome, PhotoOutcome::Stamped);
    EXPECT_EQ(report.photos[2].error, BatchError::None);
    EXPECT_EQ(report.photos[3].outcome, PhotoOutcome::Failed);
    EXPECT_EQ(report.photos[3].error, BatchError::Unreadable);
    // The plain copy stands for the photo that could not be stamped, and the
    // result says so.
    EXPECT_EQ(readFileBytes(dir / "out/broken_timestamp.jpg"), readFileBytes(broken));
    EXPECT_TRUE(report.photos[0].copiedUnchanged);
    EXPECT_EQ(report.photos[0].output, qpath(dir / "out/broken_timestamp.jpg"));
    EXPECT_FALSE(report.photos[3].copiedUnchanged);
}

TEST(BatchRun, FilesThatAreNotPhotosAreNeverCopied)
{
    TempDir dir;
    fs::create_directories(dir / "in");
    test::writeFileBytes(dir / "in" / "text.jpg", "just some words");
    test::writeFileBytes(dir / "in" / "empty.jpg", "");
    test::writeFileBytes(dir / "in" / "one.jpg", "\xFF");
    const QStringList list { qpath(dir / "in/text.jpg"), qpath(dir / "in/empty.jpg"), qpath(dir / "in/one.jpg") };
    for (const BatchJob &job : { stampOnly(), renameOnly(QStringLiteral("%o")) }) {
        const BatchReport report = RunBatch(list, qpath(dir / "out"), job, nullptr);
        ASSERT_EQ(report.photos.size(), 3u);
        for (const BatchPhotoResult &r : report.photos) {
            EXPECT_EQ(r.outcome, PhotoOutcome::Failed) << r.source.toStdString();
            EXPECT_EQ(r.error, BatchError::NotAPhoto) << r.source.toStdString();
            EXPECT_FALSE(r.copiedUnchanged);
        }
        EXPECT_FALSE(fs::exists(dir / "out"));
    }
}

TEST(BatchRun, DamagedPhotosAreStampedWithAWarning)
{
    TempDir dir;
    const fs::path whole = stage(dir, "gps/DSCN0010.jpg");
    const std::string bytes = readFileBytes(whole);
    const fs::path cut = dir / "in" / "cut.jpg";
    test::writeFileBytes(cut, bytes.substr(0, bytes.size() * 2 / 3));
    for (int jobs : { 1, 2 }) {
        BatchJob job = stampOnly();
        job.jobs = jobs;
        const BatchReport report = RunBatch({ qpath(whole), qpath(cut) }, qpath(dir / "out"), job, nullptr);
        ASSERT_EQ(report.photos.size(), 2u);
        EXPECT_EQ(report.count(PhotoOutcome::Stamped), 2);
        EXPECT_EQ(report.warned(), 1);
        EXPECT_TRUE(report.photos[0].warning.isEmpty()) << report.photos[0].warning.toStdString();
        EXPECT_TRUE(report.photos[1].warning.contains(QStringLiteral("Premature end of JPEG file")))
            << report.photos[1].warning.toStdString();
        EXPECT_TRUE(fs::exists(dir / "out/cut_timestamp.jpg"));
    }
}

TEST(BatchRun, NoMaskLetsOneSourceReplaceAnother)
{
    TempDir dir;
    const fs::path a = stage(dir, "makers/Canon.jpg", "d3/q.jpg");
    const fs::path b = stage(dir, "makers/Nikon.jpg", "d4/q.jpg");
    BatchJob stampAndRename = renameOnly(QStringLiteral("%o"));
    stampAndRename.settings.StampPhotosOpt = true;
    const std::vector<std::pair<const char *, BatchJob>> cases = {
        { "copy", renameOnly(QStringLiteral("%o")) },
        { "copy-blank", renameOnly(QStringLiteral(" %o ")) },
        { "stamp", stampAndRename },
    };
    for (const auto &[name, job] : cases) {
        const fs::path out = dir / name;
        const BatchReport report = RunBatch({ qpath(a), qpath(b) }, qpath(out), job, nullptr);
        ASSERT_EQ(report.photos.size(), 2u) << name;
        EXPECT_EQ(report.count(PhotoOutcome::Failed), 0) << name;
        EXPECT_EQ(filesBelow(out), (std::vector<std::string> { "q.jpg", "q_0001.jpg" })) << name;
        EXPECT_EQ(report.photos[0].output, qpath(out / "q.jpg")) << name;
        EXPECT_EQ(report.photos[1].output, qpath(out / "q_0001.jpg")) << name;
        if (!job.settings.StampPhotosOpt) {
            EXPECT_EQ(readFileBytes(out / "q.jpg"), readFileBytes(a));
            EXPECT_EQ(readFileBytes(out / "q_0001.jpg"), readFileBytes(b));
        }
    }
}

TEST(BatchRun, AnEmptyMaskIsRefusedAndWritesNothing)
{
    TempDir dir;
    const fs::path a = stage(dir, "makers/Canon.jpg");
    for (const QString &mask : { QString(), QStringLiteral("  ") }) {
        for (bool stamp : { false, true }) {
            BatchJob job = renameOnly(mask);
            job.settings.StampPhotosOpt = stamp;
            const BatchReport report = RunBatch({ qpath(a) }, qpath(dir / "out"), job, nullptr);
            ASSERT_EQ(report.photos.size(), 1u);
            EXPECT_EQ(report.photos[0].outcome, PhotoOutcome::Failed);
            EXPECT_EQ(report.photos[0].error, BatchError::EmptyMask);
            EXPECT_FALSE(fs::exists(dir / "out"));
        }
    }
}

TEST(BatchRun, NeverHarmsTheSource)
{
    TempDir dir;
    const fs::path source = stage(dir, "makers/Canon.jpg");
    const std::string before = readFileBytes(source);
    BatchJob job = stampOnly();
    job.settings.RenamePhotos = true;
    job.settings.FNMask = QStringLiteral("%o");
    // Stamped under its own name in its own folder: beside it, or not at all.
    BatchReport report = RunBatch({ qpath(source) }, qpath(source.parent_path()), job, nullptr);
    EXPECT_EQ(report.count(PhotoOutcome::Stamped), 1);
    EXPECT_EQ(report.photos[0].output, qpath(source.parent_path() / "Canon_0001.jpg"));
    for (ExistingRule rule : { ExistingRule::Replace, ExistingRule::Skip }) {
        job.options.ExistingFiles = int(rule);
        report = RunBatch({ qpath(source) }, qpath(source.parent_path()), job, nullptr);
        EXPECT_EQ(report.count(PhotoOutcome::Stamped), 0);
    }
    EXPECT_EQ(SaveStampedAs(qpath(source), qpath(source), stampOnly()).outcome, PhotoOutcome::Failed);
    EXPECT_EQ(readFileBytes(source), before);

    job.settings.FNMask = QStringLiteral("..\\%o");
    EXPECT_EQ(RunBatch({ qpath(source) }, qpath(dir / "out"), job, nullptr).count(PhotoOutcome::Failed), 1);
    EXPECT_FALSE(fs::exists(dir / "Canon.jpg"));
}

TEST(BatchRun, CollisionCounterGivesUpAfter9999)
{
    TempDir dir;
    const fs::path source = stage(dir, "makers/Canon.jpg");
    fs::create_directories(dir / "out");
    test::writeFileBytes(dir / "out/x.jpg", "");
    for (int k = 1; k <= 9999; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "x_%04d.jpg", k);
        std::ofstream(dir / "out" / name);
    }
    const BatchReport report
        = RunBatch({ qpath(source) }, qpath(dir / "out"), renameOnly(QStringLiteral("x")), nullptr);
    ASSERT_EQ(report.photos.size(), 1u);
    EXPECT_EQ(report.photos[0].outcome, PhotoOutcome::Failed);
    EXPECT_EQ(report.photos[0].error, BatchError::NoFreeName);
    EXPECT_TRUE(report.photos[0].path.endsWith(QStringLiteral("_9999.jpg")));
}

TEST(BatchRun, AFailedWriteNamesItsStepAndFile)
{
    TempDir dir;
    const fs::path source = stage(dir, "makers/Canon.jpg");
    // A folder at the chosen name cannot be replaced by the photo.
    fs::create_directories(dir / "chosen.jpg" / "inside");
    const BatchPhotoResult r = SaveStampedAs(qpath(source), qpath(dir / "chosen.jpg"), stampOnly());
    EXPECT_EQ(r.outcome, PhotoOutcome::Failed);
    EXPECT_EQ(r.error, BatchError::WriteFailed);
    EXPECT_EQ(r.fileError, FileError::ReplaceFailed);
    EXPECT_EQ(r.path, qpath(dir / "chosen.jpg"));
    EXPECT_FALSE(r.detail.isEmpty());
    EXPECT_TRUE(fs::is_directory(dir / "chosen.jpg" / "inside"));
}

TEST(BatchRun, SaveAsWritesExactlyTheTarget)
{
    TempDir dir;
    const fs::path source = stage(dir, "makers/Canon.jpg");
    const BatchPhotoResult r = SaveStampedAs(qpath(source), qpath(dir / "chosen.jpeg"), stampOnly());
    EXPECT_EQ(r.outcome, PhotoOutcome::Stamped) << int(r.error);
    EXPECT_TRUE(fs::exists(dir / "chosen.jpeg"));
}

} // namespace
} // namespace kelvra

namespace kelvra {
namespace {

TEST(PhotoList, FoldersGiveTheirOwnJpegNamesInOrder)
{
    TempDir dir;
    const fs::path b = stage(dir, "makers/Nikon.jpg", "b.JPG");
    const fs::path a = stage(dir, "makers/Canon.jpg", "a.jpeg");
    test::writeFileBytes(dir / "in" / "notes.txt", "x");
    stage(dir, "makers/Casio.jpg", "sub/deeper.jpg");
    const PhotoInputs listed = listPhotos({ qpath(dir / "in") });
    EXPECT_EQ(listed.photos, (QStringList { qpath(a), qpath(b) }));
    ASSERT_EQ(listed.folders.size(), 1u);
    EXPECT_EQ(listed.folders[0].notJpeg, 1);

    // One photo under several spellings, alone or inside its folder, is queued once.
    const QString dotted = qpath(dir / "in" / "." / "a.jpeg");
    const QString updown = qpath(dir / "in" / "sub" / ".." / "a.jpeg");
    EXPECT_EQ(listPhotos({ qpath(a), dotted, updown }).photos, QStringList { qpath(a) });
    EXPECT_EQ(listPhotos({ dotted, qpath(dir / "in") }).photos, (QStringList { qpath(a), qpath(b) }));
    QDir::setCurrent(qpath(dir / "in"));
    EXPECT_EQ(listPhotos({ QStringLiteral("a.jpeg"), QStringLiteral("./a.jpeg") }).photos, QStringList { qpath(a) });

    // Earlier runs' outputs are looked up once a folder is listed, and left
    // out of it; photos named one by one are taken without the lookup.
    int lookups = 0;
    const EarlierOutputs earlier { qpath(dir / "out"), [&] {
                                      ++lookups;
                                      return QStringList { qpath(b) };
                                  } };
    EXPECT_EQ(listPhotos({ qpath(a), qpath(b) }, false, &earlier).photos, (QStringList { qpath(a), qpath(b) }));
    EXPECT_EQ(lookups, 0);
    const PhotoInputs folder = listPhotos({ qpath(dir / "in") }, false, &earlier);
    EXPECT_EQ(folder.photos, QStringList { qpath(a) });
    EXPECT_EQ(folder.earlierOutputs, 1);
    EXPECT_EQ(lookups, 1);
}

#ifndef _WIN32
// An input named that is no photo keeps its place among the photos, with its
// reason; what a folder leaves out is counted, not silently dropped.
TEST(PhotoList, InputsThatAreNoPhotosKeepTheirPlaceAndReason)
{
    TempDir dir;
    const fs::path a = stage(dir, "makers/Canon.jpg", "a.jpg");
    const fs::path b = stage(dir, "makers/Nikon.jpg", "b.jpg");
    const fs::path text = stage(dir, "gps/DSCN0010.jpg", "../photo.txt");
    fs::create_symlink(dir / "gone.jpg", dir / "link.jpg");
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);

    const PhotoInputs listed = listPhotos({ qpath(dir / "missing.jpg"), qpath(a), qpath(text), qpath(dir / "link.jpg"),
        qpath(dir / "pipe.jpg"), qpath(b) });
    EXPECT_EQ(listed.photos, (QStringList { qpath(a), qpath(b) }));
    const struct
    {
        fs::path path;
        InputProblem problem;
        qsizetype position;
    } expected[] = {
        { dir / "missing.jpg", InputProblem::Missing, 0 },
        { text, InputProblem::NotJpegName, 1 },
        { dir / "link.jpg", InputProblem::DanglingLink, 1 },
        { dir / "pipe.jpg", InputProblem::NotAFile, 1 },
    };
    ASSERT_EQ(listed.leftOut.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].path.string());
        EXPECT_EQ(listed.leftOut[i].path, qpath(expected[i].path.lexically_normal()));
        EXPECT_EQ(listed.leftOut[i].problem, expected[i].problem);
        EXPECT_EQ(listed.leftOut[i].position, expected[i].position);
    }
    EXPECT_EQ(listed.leftOut[2].target, qpath(dir / "gone.jpg"));

    // In a folder: hidden files, a hidden folder with --recursive, dangling links.
    fs::create_directories(dir / "f" / ".cache");
    fs::copy_file(a, dir / "f" / ".a.jpg");
    fs::copy_file(a, dir / "f" / ".cache" / "c.jpg");
    fs::copy_file(a, dir / "f" / "shown.jpg");
    fs::create_symlink(dir / "gone.jpg", dir / "f" / "broken.jpg");
    for (const bool recursive : { false, true }) {
        const PhotoInputs folder = listPhotos({ qpath(dir / "f") }, recursive);
        EXPECT_EQ(folder.photos, QStringList { qpath(dir / "f" / "shown.jpg") });
        ASSERT_EQ(folder.folders.size(), 1u);
        EXPECT_EQ(folder.folders[0].hidden, recursive ? 2 : 1);
        EXPECT_EQ(folder.folders[0].danglingLinks, 1);
        EXPECT_EQ(folder.folders[0].notJpeg, 0);
    }
}
#endif

} // namespace
} // namespace kelvra
