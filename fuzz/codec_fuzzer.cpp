// SPDX-License-Identifier: GPL-3.0-or-later
// Photos reach the decoder from anywhere: decode arbitrary bytes at full and
// reduced scale and read every output pixel, then encode what came out.
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
    return 0;
}
