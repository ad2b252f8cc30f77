// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/qt_test_support.h"
#include "common/test_support.h"
#include "imaging/jpeg_codec.h"
#include "jobs/batch_run.h"
#include "metadata/exif_reader.h"
#include "metadata/exif_writer.h"
#include "platform/file_times.h"

#include <gtest/gtest.h>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::photo;
using test::qpath;
using test::readFileBytes;
using test::TempDir;

struct Blocks
{
    jpeg::CoefficientLayout layout;
    std::vector<short> luma;
};

void keepLuma(void *context, const jpeg::CoefficientLayout &layout, const jpeg::CoefficientBand &all)
{
    auto *b = static_cast<Blocks *>(context);
    b->layout = layout;
    const jpeg::CoefficientPlane &p = layout.planes[0];
    b->luma.assign(all.blocks[0], all.blocks[0] + std::size_t(p.blocksWide) * p.blocksHigh * 64);
}

Blocks readBlocks(const fs::path &file)
{
    const std::string bytes = readFileBytes(file);
    Blocks b;
    jpeg::RowMemory memory;
    EXPECT_TRUE(jpeg::readCoefficients(
        reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), keepLuma, &b, &memory));
    return b;
}

// Share of the luma blocks that two files of one layout have in common.
double sameShare(const Blocks &a, const Blocks &b)
{
    if (a.luma.size() != b.luma.size() || a.luma.empty())
        return 0;
    std::size_t same = 0;
    for (std::size_t at = 0; at < a.luma.size(); at += 64)
        same += std::equal(a.luma.begin() + at, a.luma.begin() + at + 64, b.luma.begin() + at) ? 1 : 0;
    return double(same) / double(a.luma.size() / 64);
}

fs::path stage(const TempDir &dir, const std::string &relative)
{
    const fs::path target = dir / "in" / fs::path(relative).filename();
    fs::create_directories(target.parent_path());
    fs::copy_file(photo(relative), target, fs::copy_options::overwrite_existing);
    return target;
}

// The batch with KeepQuality: the coefficient road for the pixels, the same
// road as ever for names, metadata, dates and warnings; jpgquality is unused.
TEST(KeepQualityBatch, KeepsTheBlocksAndEverythingElseOfTheBatch)
{
    TempDir dir;
    const std::vector<fs::path> sources = { stage(dir, "structure/GPS_with_comment.jpg"),
        stage(dir, "makers/Canon_PowerShot_S40.jpg"), stage(dir, "orientation/portrait_6.jpg") };
    writeFileTimes(qpath(sources[0]), FileTimes { 1262304001, std::nullopt });
    const std::string whole = readFileBytes(photo("gps/DSCN0010.jpg"));
    const fs::path cut = dir / "in" / "cut.jpg";
    test::writeFileBytes(cut, whole.substr(0, whole.size() * 2 / 3));

    for (int jobs : { 1, 2 }) {
        BatchJob job;
        job.settings.CaptionFormat = QStringLiteral("[PHOTO_DATE] [Make]");
        job.settings.FShadow = true;
        job.options.KeepQuality = true;
        job.options.jpgquality = 5; // would show in every block
        job.jobs = jobs;
        QStringList list;
        for (const fs::path &p : sources)
            list << qpath(p);
        list << qpath(cut);
        const fs::path out = dir / ("out" + std::to_string(jobs));
        const BatchReport report = RunBatch(list, qpath(out), job, nullptr);
        for (const BatchPhotoResult &r : report.photos)
            EXPECT_NE(r.outcome, PhotoOutcome::Failed)
                << r.source.toStdString() << " " << int(r.error) << " " << r.detail.toStdString();
        ASSERT_EQ(report.count(PhotoOutcome::Stamped), 4);
        EXPECT_EQ(report.warned(), 1);
        EXPECT_FALSE(report.photos[3].warning.isEmpty());

        for (const fs::path &in : sources) {
            SCOPED_TRACE(in.filename().string());
            const fs::path stamped = out / (in.stem().string() + "_timestamp.jpg");
            const Blocks a = readBlocks(in), b = readBlocks(stamped);
            EXPECT_TRUE(std::equal(a.layout.planes[0].quant, a.layout.planes[0].quant + 64, b.layout.planes[0].quant));
            EXPECT_GT(sameShare(a, b), 0.8);
            TimgData src, dst;
            ASSERT_TRUE(src.ProcessFile(in));
            ASSERT_TRUE(dst.ProcessFile(stamped));
            ASSERT_TRUE(dst.HasEXIF());
            EXPECT_EQ(exifThumbnail(dst).empty(), exifThumbnail(src).empty());
            EXPECT_EQ(dst.exifOrientation(), src.exifOrientation());
            EXPECT_EQ(dst.GetCommentStr(), src.GetCommentStr());
            EXPECT_EQ(dst.HasIPTC(), src.HasIPTC());
        }
        const FileTimes times = readFileTimes(qpath(out / "GPS_with_comment_timestamp.jpg"));
        ASSERT_TRUE(times.modification);
        EXPECT_EQ(*times.modification, 1262304000);
    }
}

// Photos the coefficients cannot carry a label for go the pixel road at the
// best quality, not at jpgquality.
TEST(KeepQualityBatch, CmykTakesThePixelRoadAtFullQuality)
{
    if (!test::toolAvailable("convert"))
        GTEST_SKIP() << "needs ImageMagick";
    TempDir dir;
    const fs::path cmyk = dir / "in" / "cmyk.jpg";
    fs::create_directories(cmyk.parent_path());
    ASSERT_EQ(test::runTool({ "convert", photo("gps/DSCN0010.jpg").string(), "-colorspace", "CMYK", "-quality", "80",
                                cmyk.string() })
                  .exitCode,
        0);
    BatchJob job;
    job.options.KeepQuality = true;
    job.options.jpgquality = 5;
    job.jobs = 1;
    const BatchReport report = RunBatch({ qpath(cmyk) }, qpath(dir / "out"), job, nullptr);
    ASSERT_EQ(report.count(PhotoOutcome::Stamped), 1);
    const Blocks b = readBlocks(dir / "out" / "cmyk_timestamp.jpg");
    EXPECT_EQ(b.layout.colour, jpeg::ColourModel::YCbCr);
    EXPECT_EQ(b.layout.planes[0].quant[0], 1); // quality 100
}

} // namespace
} // namespace kelvra
