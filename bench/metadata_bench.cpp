// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a photo's metadata: the container walk with the EXIF, GPS and
// maker-note directories, from a file and from bytes already in memory, and
// the token values the batch fills for every photo before it names it.
#include "metadata/byte_source.h"
#include "metadata/exif_reader.h"
#include "stamp/format_settings.h"
#include "stamp/photo_values.h"

#include <QCoreApplication>
#include <QFile>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using namespace kelvra;

// Photos whose metadata differ in kind: GPS with a newer Nikon note, a
// big-endian block with an older Nikon note, a Canon note with a large
// thumbnail, and no EXIF at all.
const char *const kPhotos[] = {
    "gps/DSCN0010.jpg",
    "makers/NikonD70.jpg",
    "makers/Canon_PowerShot_S40.jpg",
    "structure/no_exif.jpg",
};

std::filesystem::path photoPath(const benchmark::State &state)
{
    return std::filesystem::path(KELVRA_TEST_PHOTOS) / kPhotos[state.range(0)];
}

void nameAfterPhoto(benchmark::State &state)
{
    state.SetLabel(kPhotos[state.range(0)]);
}

void BM_ProcessFile(benchmark::State &state)
{
    const std::filesystem::path path = photoPath(state);
    for (auto _ : state) {
        TimgData data;
        benchmark::DoNotOptimize(data.ProcessFile(path));
        benchmark::DoNotOptimize(data.HasEXIF());
    }
    nameAfterPhoto(state);
}
BENCHMARK(BM_ProcessFile)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

// The batch's worker: the file is in memory already, for the decoder.
void BM_ProcessStream(benchmark::State &state)
{
    std::ifstream in(photoPath(state), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty())
        std::abort();
    for (auto _ : state) {
        TimgData data;
        MemoryByteSource source(bytes);
        benchmark::DoNotOptimize(data.ProcessStream(source, ContainerKind::Jpeg));
        benchmark::DoNotOptimize(data.HasEXIF());
    }
    nameAfterPhoto(state);
}
BENCHMARK(BM_ProcessStream)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

// The batch's calling thread, per photo: file dates, date taken, EXIF texts.
void BM_FillPhotoValues(benchmark::State &state)
{
    const QString path = QString::fromStdString(photoPath(state).string());
    const FormatSettings format = FormatSettings::system();
    for (auto _ : state) {
        const PhotoValues values = FillPhotoValues(path, 2, format);
        benchmark::DoNotOptimize(values.PhotoDate);
    }
    nameAfterPhoto(state);
}
BENCHMARK(BM_FillPhotoValues)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
