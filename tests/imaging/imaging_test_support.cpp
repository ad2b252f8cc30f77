// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/imaging_test_support.h"

#include "common/test_support.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace kelvra::test {

QImage readPnm(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int width = 0, height = 0, maxValue = 0;
    in >> magic >> width >> height >> maxValue;
    in.get();
    if (!in || (magic != "P6" && magic != "P5") || maxValue != 255)
        throw std::runtime_error("not an 8-bit PNM: " + path.string());
    const int channels = magic == "P6" ? 3 : 1;
    std::vector<unsigned char> bytes(size_t(width) * height * channels);
    in.read(reinterpret_cast<char *>(bytes.data()), std::streamsize(bytes.size()));
    if (!in)
        throw std::runtime_error("short PNM: " + path.string());
    QImage image(width, height, QImage::Format_RGB32);
    const unsigned char *p = bytes.data();
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x, p += channels)
            row[x] = channels == 3 ? qRgb(p[0], p[1], p[2]) : qRgb(p[0], p[0], p[0]);
    }
    return image;
}

QImage djpegDecode(const std::filesystem::path &jpeg, const std::vector<std::string> &extra)
{
    TempDir dir;
    const auto out = dir / "out.pnm";
    std::vector<std::string> argv { "djpeg", "-pnm" };
    argv.insert(argv.end(), extra.begin(), extra.end());
    argv.insert(argv.end(), { "-outfile", out.string(), jpeg.string() });
    const CommandResult result = runTool(argv);
    if (result.exitCode != 0)
        throw std::runtime_error("djpeg failed: " + result.err);
    return readPnm(out);
}

PixelDifference compareImages(const QImage &a, const QImage &b)
{
    PixelDifference d;
    if (a.size() != b.size()) {
        d.maxChannel = 256;
        return d;
    }
    long long sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *ra = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *rb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int diffs[3] = { std::abs(qRed(ra[x]) - qRed(rb[x])), std::abs(qGreen(ra[x]) - qGreen(rb[x])),
                std::abs(qBlue(ra[x]) - qBlue(rb[x])) };
            for (int c : diffs) {
                sum += c;
                d.maxChannel = std::max(d.maxChannel, c);
            }
        }
    }
    d.meanChannel = double(sum) / (3.0 * a.width() * a.height());
    return d;
}

QImage numberedRaster(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = 0xff000000u | (unsigned(y) << 12) | unsigned(x);
    }
    return image;
}

QImage gradientRaster(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb(x * 255 / std::max(1, width - 1), y * 255 / std::max(1, height - 1),
                (x + y) * 255 / std::max(1, width + height - 2));
    }
    return image;
}

} // namespace kelvra::test
