// SPDX-License-Identifier: GPL-3.0-or-later
// Photos reach the decoder from anywhere: decode arbitrary bytes at full and
// reduced scale and read every output pixel, then encode what came out; and
// rewrite the coefficients with a band of them changed, as stamping with
// kept quality does.
#include "fuzz_check.h"
#include "imaging/jpeg_codec.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

struct Sink
{
    std::vector<unsigned char> pixels;
    int width = 0, height = 0;
};

unsigned char *giveRows(void *context, int width, int height, std::size_t *stride)
{
    auto *sink = static_cast<Sink *>(context);
    // Keep each run small; the size limits themselves are tested elsewhere.
    if (static_cast<long long>(width) * height > 4'000'000)
        return nullptr;
    sink->width = width;
    sink->height = height;
    *stride = static_cast<std::size_t>(width) * 4;
    sink->pixels.assign(*stride * static_cast<std::size_t>(height), 0);
    return sink->pixels.data();
}

// A band in the middle of the picture, a few MCU rows high.
kelvra::jpeg::RowBand middleBand(void *, const kelvra::jpeg::CoefficientLayout &layout)
{
    check(layout.components >= 1 && layout.components <= 4 && layout.mcuRows >= 0);
    return { layout.mcuRows / 3, layout.mcuRows / 3 + 2, true };
}

// Reads and changes every coefficient of the band, as the label's blocks are.
bool scrambleBand(void *, const kelvra::jpeg::CoefficientLayout &layout, const kelvra::jpeg::CoefficientBand &band)
{
    for (int c = 0; c < layout.components; ++c) {
        const kelvra::jpeg::CoefficientPlane &plane = layout.planes[c];
        const std::size_t count = std::size_t(band.lastMcuRow - band.firstMcuRow) * plane.vSamp * plane.blocksWide * 64;
        for (std::size_t i = 0; i < count; ++i)
            band.blocks[c][i] = static_cast<short>((band.blocks[c][i] * 3 + int(i % 64)) % 1024);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace kelvra::jpeg;
    HeaderInfo info;
    if (!readHeader(data, size, &info).ok)
        return 0;
    for (const DecodeOptions options : { DecodeOptions { 1, false, true }, DecodeOptions { 8, true, false } }) {
        Sink sink;
        const CodecResult result = decode(data, size, options, giveRows, &sink);
        if (!result.ok)
            continue;
        unsigned sum = 0;
        for (unsigned char byte : sink.pixels)
            sum += byte;
        if (sink.pixels.size() != static_cast<size_t>(sink.width) * sink.height * 4)
            std::abort();
        unsigned char *out = nullptr;
        std::size_t outSize = 0;
        if (encode(sink.pixels.data(), sink.width, sink.height, static_cast<std::size_t>(sink.width) * 4,
                static_cast<int>(sum % 100) + 1, &out, &outSize)
                .ok)
            freeEncoded(out);
    }
    if (static_cast<long long>(info.width) * info.height <= 4'000'000) {
        RowMemory band;
        EncodeBuffer out;
        if (rewriteCoefficients(data, size, middleBand, scrambleBand, nullptr, &band, &out).ok) {
            check(out.size > 2 && out.data[0] == 0xFF && out.data[1] == 0xD8);
            HeaderInfo again;
            check(
                readHeader(out.data, out.size, &again).ok && again.width == info.width && again.height == info.height);
        }
        freeEncoded(band.data);
        freeEncoded(out.data);
    }
    return 0;
}
