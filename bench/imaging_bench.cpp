// SPDX-License-Identifier: GPL-3.0-or-later
// Decode (full size for the batch, reduced for the preview), encode, the
// kept-quality road, the three turns and the label on a 24-megapixel photo.
#include "big_photo.h"
#include "imaging/bitmap_rotate.h"
#include "imaging/coefficient_stamp.h"
#include "imaging/jpeg_image.h"
#include "imaging/label_renderer.h"
#include "imaging/photo_loading.h"
#include "imaging/photo_workspace.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTransform>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

using namespace kelvra;

constexpr int kWidth = bench::kBigWidth;
constexpr int kHeight = bench::kBigHeight;

const QByteArray &photoBytes()
{
    static const QByteArray bytes = [] {
        QByteArray made = bench::bigPhotoBytes();
        if (made.isEmpty())
            std::abort();
        return made;
    }();
    return bytes;
}

QString writtenPhotoFile; // removed at exit

// photoBytes() as a file, for the readers that take a path.
QString photoFile()
{
    if (writtenPhotoFile.isEmpty()) {
        const QString file
            = QDir::temp().filePath(QStringLiteral("kelvra-bench-%1.jpg").arg(QCoreApplication::applicationPid()));
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(photoBytes()) != photoBytes().size())
            std::abort();
        writtenPhotoFile = file;
    }
    return writtenPhotoFile;
}

const QImage &photoRaster()
{
    static const QImage raster = [] {
        JpegImage jpeg;
        if (!jpeg.loadFromData(photoBytes()) || !jpeg.decode())
            std::abort();
        return jpeg.image();
    }();
    return raster;
}

void decode(benchmark::State &state, int scale, JpegImage::Performance performance)
{
    JpegImage jpeg;
    if (!jpeg.loadFromData(photoBytes()))
        std::abort();
    jpeg.setPerformance(performance);
    for (auto _ : state) {
        jpeg.setScale(scale);
        if (!jpeg.decode())
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(jpeg.image().constBits());
        jpeg.setScale((scale + 1) % 4); // drop the raster so the next round decodes again
    }
    state.counters["MB"] = double(photoBytes().size()) / 1e6;
    state.counters["Mpx/s"] = benchmark::Counter(
        double(kWidth) * kHeight / (1 << 2 * scale) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// The batch decodes at full size with the accurate IDCT; the preview at the
// strongest reduction that still covers its area, with the fast one.
void BM_DecodeAccurate(benchmark::State &state)
{
    decode(state, int(state.range(0)), JpegImage::Performance::BestQuality);
}
BENCHMARK(BM_DecodeAccurate)->DenseRange(0, 3)->ArgName("scale")->Unit(benchmark::kMillisecond);

void BM_DecodeFast(benchmark::State &state)
{
    decode(state, int(state.range(0)), JpegImage::Performance::BestSpeed);
}
BENCHMARK(BM_DecodeFast)->DenseRange(0, 3)->ArgName("scale")->Unit(benchmark::kMillisecond);

// The preview's scale for a 1000 x 700 preview area: the decode a click costs.
void BM_PreviewDecode(benchmark::State &state)
{
    JpegImage jpeg;
    if (!jpeg.loadFromData(photoBytes()))
        std::abort();
    jpeg.setPerformance(JpegImage::Performance::BestSpeed);
    const int scale = JPGGetNeededSize(jpeg, 1000, 700);
    for (auto _ : state) {
        jpeg.setScale(scale);
        if (!jpeg.decode())
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(jpeg.image().constBits());
        jpeg.setScale(scale == 0 ? 1 : 0);
    }
    state.counters["scale"] = scale;
}
BENCHMARK(BM_PreviewDecode)->Unit(benchmark::kMillisecond);

// The batch's decode: into a worker's raster that is reused from photo to photo.
void BM_WorkspaceDecode(benchmark::State &state)
{
    PhotoWorkspace workspace;
    if (!workspace.readFile(photoFile()))
        std::abort();
    for (auto _ : state) {
        if (!workspace.decode())
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(workspace.raster().constBits());
    }
}
BENCHMARK(BM_WorkspaceDecode)->Unit(benchmark::kMillisecond);

void BM_WorkspaceEncode(benchmark::State &state)
{
    PhotoWorkspace workspace;
    if (!workspace.readFile(photoFile()) || !workspace.decode())
        std::abort();
    for (auto _ : state) {
        if (!workspace.encode(90))
            state.SkipWithError("encode failed");
        benchmark::DoNotOptimize(workspace.encoded().data());
    }
    state.counters["MB"] = double(workspace.encoded().size()) / 1e6;
}
BENCHMARK(BM_WorkspaceEncode)->Unit(benchmark::kMillisecond);

// The batch's whole pixel work: decode, label on its band of rows, encode,
// in one pass; compare with BM_WorkspaceDecode + BM_WorkspaceEncode.
void BM_WorkspaceOnePass(benchmark::State &state)
{
    PhotoWorkspace workspace;
    if (!workspace.readFile(photoFile()))
        std::abort();
    StampSettings settings;
    settings.XOrient = settings.YOrient = 1;
    settings.FShadow = true;
    const int orientation = int(state.range(0));
    const auto layOut = [&](QSize stored) {
        return StoredPhotoLabel(stored, orientation, settings, QStringLiteral("2024:07:01 08:00:00"));
    };
    for (auto _ : state) {
        if (!workspace.transcode(90, layOut))
            state.SkipWithError("one pass failed");
        benchmark::DoNotOptimize(workspace.encoded().data());
    }
}
BENCHMARK(BM_WorkspaceOnePass)->Arg(1)->Arg(6)->ArgName("orientation")->Unit(benchmark::kMillisecond);

// The kept-quality road on the same photo: every coefficient written again
// (splice 0), or only the label's MCU rows coded again and the rest copied
// (splice 1).
void BM_KeptQuality(benchmark::State &state)
{
    CoefficientStamp stamp;
    stamp.setSplicing(state.range(0) != 0);
    StampSettings settings;
    settings.XOrient = settings.YOrient = 1;
    settings.FShadow = true;
    const auto layOut
        = [&](QSize stored) { return StoredPhotoLabel(stored, 1, settings, QStringLiteral("2024:07:01 08:00:00")); };
    const std::string_view bytes(photoBytes().constData(), std::size_t(photoBytes().size()));
    for (auto _ : state) {
        const ImageResult<CoefficientStamp::Road> stamped = stamp.stamp(bytes, layOut);
        if (!stamped || stamped.value == CoefficientStamp::Road::Declined)
            state.SkipWithError("kept quality failed");
        benchmark::DoNotOptimize(stamp.encoded().data());
    }
    state.counters["spliced"] = stamp.road() == CoefficientStamp::Road::Spliced ? 1 : 0;
}
BENCHMARK(BM_KeptQuality)->Arg(0)->Arg(1)->ArgName("splice")->Unit(benchmark::kMillisecond);

void BM_Encode(benchmark::State &state)
{
    JpegImage jpeg;
    jpeg.setQuality(int(state.range(0)));
    for (auto _ : state) {
        jpeg.setImage(photoRaster());
        if (!jpeg.compress())
            state.SkipWithError("encode failed");
        benchmark::DoNotOptimize(jpeg.data().constData());
    }
    state.counters["MB"] = double(jpeg.data().size()) / 1e6;
}
BENCHMARK(BM_Encode)->Arg(90)->Unit(benchmark::kMillisecond);

template<RasterTurn Turn> void BM_Turn(benchmark::State &state)
{
    QImage raster = photoRaster().copy();
    for (auto _ : state) {
        if (!Turn(raster))
            state.SkipWithError("no memory for the turn");
        benchmark::DoNotOptimize(raster.constBits());
    }
    state.counters["Mpx/s"]
        = benchmark::Counter(double(kWidth) * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK_TEMPLATE(BM_Turn, Rotate180)->Name("BM_Rotate180")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Turn, RotateClockwise)->Name("BM_RotateClockwise")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Turn, RotateCounterClockwise)->Name("BM_RotateCounterClockwise")->Unit(benchmark::kMillisecond);

// The toolkit's own quarter turn, for comparison.
void BM_ToolkitQuarterTurn(benchmark::State &state)
{
    QImage raster = photoRaster().copy();
    for (auto _ : state) {
        raster = raster.transformed(QTransform().rotate(90));
        benchmark::DoNotOptimize(raster.constBits());
    }
}
BENCHMARK(BM_ToolkitQuarterTurn)->Unit(benchmark::kMillisecond);

StampSettings benchLabel(bool shadowAndOutline)
{
    StampSettings settings;
    settings.XOrient = settings.YOrient = 1;
    settings.XD = settings.YD = 0.1;
    settings.BgColor = 0x202020;
    settings.FShadow = shadowAndOutline;
    settings.FOutline = shadowAndOutline;
    return settings;
}

const QString kCaption = QStringLiteral("01.07.2024 08:00  NIKON D70  1/125 s  f/5.6  ISO 200");

void BM_DrawLabel(benchmark::State &state)
{
    QImage raster = photoRaster().copy();
    const StampSettings settings = benchLabel(state.range(0) != 0);
    for (auto _ : state) {
        PhotoCanvas canvas(&raster); // as in a batch: a new surface per photo
        const LabelBox box = DrawTextToPhotoWITH_PARAMS(canvas, settings, kCaption);
        benchmark::DoNotOptimize(box);
    }
}
BENCHMARK(BM_DrawLabel)->Arg(0)->Arg(1)->ArgName("shadow_outline")->Unit(benchmark::kMillisecond);

// A photo stored on its side (orientation 6): the label through an upright
// patch, as the batch draws it ...
void BM_DrawLabelStoredTurned(benchmark::State &state)
{
    QImage raster = photoRaster().copy();
    const StampSettings settings = benchLabel(true);
    for (auto _ : state) {
        const ImageResult<LabelBox> box = drawLabelOnStoredPhoto(raster, 6, settings, kCaption);
        benchmark::DoNotOptimize(box);
    }
}
BENCHMARK(BM_DrawLabelStoredTurned)->Unit(benchmark::kMillisecond);

// ... and the same by turning the whole photo upright and back.
void BM_DrawLabelTurningWholePhoto(benchmark::State &state)
{
    QImage raster = photoRaster().copy();
    const StampSettings settings = benchLabel(true);
    for (auto _ : state) {
        if (!RotateClockwise(raster))
            state.SkipWithError("no memory for the turn");
        PhotoCanvas canvas(&raster);
        const LabelBox box = DrawTextToPhotoWITH_PARAMS(canvas, settings, kCaption);
        if (!RotateCounterClockwise(raster))
            state.SkipWithError("no memory for the turn");
        benchmark::DoNotOptimize(box);
    }
}
BENCHMARK(BM_DrawLabelTurningWholePhoto)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!writtenPhotoFile.isEmpty())
        QFile::remove(writtenPhotoFile);
    return 0;
}
