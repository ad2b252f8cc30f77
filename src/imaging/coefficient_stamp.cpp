// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/coefficient_stamp.h"

#include "imaging/ycc_band.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace kelvra {

namespace {

// basis[x][u] = C(u) / 2 * cos((2x + 1) u pi / 16): the orthonormal 8-point
// DCT, so that a block is basis^T * samples * basis and back.
const std::array<std::array<float, 8>, 8> &dctBasis()
{
    static const auto basis = [] {
        std::array<std::array<float, 8>, 8> b {};
        for (int x = 0; x < 8; ++x)
            for (int u = 0; u < 8; ++u)
                b[x][u] = float((u == 0 ? std::sqrt(0.5) : 1.0) / 2 * std::cos((2 * x + 1) * u * M_PI / 16));
        return b;
    }();
    return basis;
}

// std::clamp(std::lround(value), 0, 255) without a library call for every
// sample of the band: a float plus one half is exact in double, so
// truncating it rounds half away from zero as lround.
int toByte(float value)
{
    if (!(value > 0.0f))
        return 0;
    return value >= 255.0f ? 255 : static_cast<int>(double(value) + 0.5);
}

// Dequantises and transforms one block into 8 x 8 samples at out (rows
// stride apart), rounded and clamped as a decoder gives them.
void inverseBlock(const short *coefficients, const unsigned short *quant, unsigned char *out, std::size_t stride)
{
    const auto &b = dctBasis();
    float f[64];
    for (int k = 0; k < 64; ++k)
        f[k] = float(coefficients[k]) * float(quant[k]);
    float rows[64]; // rows[v][x] = sum over u of f[v][u] * b[x][u]
    for (int v = 0; v < 8; ++v)
        for (int x = 0; x < 8; ++x) {
            float sum = 0;
            for (int u = 0; u < 8; ++u)
                sum += f[v * 8 + u] * b[x][u];
            rows[v * 8 + x] = sum;
        }
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            float sum = 0;
            for (int v = 0; v < 8; ++v)
                sum += b[y][v] * rows[v * 8 + x];
            out[std::size_t(y) * stride + std::size_t(x)] = static_cast<unsigned char>(toByte(sum + 128.0f));
        }
}

// Transforms 8 x 8 samples and quantises them with the photo's table,
// rounding half away from zero as an encoder does.
void forwardBlock(const float *samples, const unsigned short *quant, short *coefficients)
{
    const auto &b = dctBasis();
    float cols[64]; // cols[y][u] = sum over x of (s[y][x] - 128) * b[x][u]
    for (int y = 0; y < 8; ++y)
        for (int u = 0; u < 8; ++u) {
            float sum = 0;
            for (int x = 0; x < 8; ++x)
                sum += (samples[y * 8 + x] - 128.0f) * b[x][u];
            cols[y * 8 + u] = sum;
        }
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u) {
            float sum = 0;
            for (int y = 0; y < 8; ++y)
                sum += b[y][v] * cols[y * 8 + u];
            const int k = v * 8 + u;
            const long q = std::lround(sum / float(std::max<unsigned short>(quant[k], 1)));
            // Eleven bits for the DC term, ten for the others, as 8-bit
            // samples allow.
            const long limit = k == 0 ? 2047 : 1023;
            coefficients[k] = static_cast<short>(std::clamp(q, -limit, limit));
        }
}

// One component's sample of an RGB pixel.
float componentOf(QRgb pixel, jpeg::ColourModel colour, int component)
{
    const float r = float(qRed(pixel)), g = float(qGreen(pixel)), b = float(qBlue(pixel));
    if (colour == jpeg::ColourModel::Rgb)
        return component == 0 ? r : (component == 1 ? g : b);
    switch (component) {
    case 0:
        return 0.299f * r + 0.587f * g + 0.114f * b;
    case 1:
        return -0.168736f * r - 0.331264f * g + 0.5f * b + 128.0f;
    default:
        return 0.5f * r - 0.418688f * g - 0.081312f * b + 128.0f;
    }
}

// A pixel of the components' samples, with the decoder's own colour tables.
QRgb pixelOf(const int *samples, jpeg::ColourModel colour)
{
    switch (colour) {
    case jpeg::ColourModel::Grey:
        return qRgb(samples[0], samples[0], samples[0]);
    case jpeg::ColourModel::Rgb:
        return qRgb(samples[0], samples[1], samples[2]);
    default:
        return jpeg::yccToRgb32(samples[0], samples[1], samples[2]);
    }
}

// The stored picture at 1/8 from its DC terms: each pixel its blocks' mean,
// as a decoder's 1/8 scale gives it.
QImage pictureOfDc(const jpeg::CoefficientLayout &layout, const jpeg::DcTerms &dc)
{
    QImage picture((layout.width + 7) / 8, (layout.height + 7) / 8, QImage::Format_RGB32);
    if (picture.isNull())
        return {};
    for (int c = 0; c < layout.components; ++c) {
        const jpeg::CoefficientPlane &p = layout.planes[c];
        if (dc.planes[c].size() != std::size_t(p.blocksWide) * std::size_t(p.blocksHigh))
            return {};
    }
    for (int y = 0; y < picture.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            int s[3] = { 0, 0, 0 };
            for (int c = 0; c < layout.components && c < 3; ++c) {
                const jpeg::CoefficientPlane &p = layout.planes[c];
                const int bx = std::min(x * p.hSamp / layout.maxHSamp, p.blocksWide - 1);
                const int by = std::min(y * p.vSamp / layout.maxVSamp, p.blocksHigh - 1);
                const int term = dc.planes[c][std::size_t(by) * std::size_t(p.blocksWide) + std::size_t(bx)];
                // The 1 x 1 inverse transform: the mean, rounded.
                s[c] = std::clamp(((term * int(p.quant[0]) + 4) >> 3) + 128, 0, 255);
            }
            row[x] = pixelOf(s, layout.colour);
        }
    }
    return picture;
}

} // namespace

// What the codec's callbacks share for one photo.
struct CoefficientWork
{
    CoefficientStamp *self;
    const std::function<StoredPhotoLabel(QSize)> *layOut;
    std::optional<StoredPhotoLabel> label;
    bool unsupported = false;
    bool labelFailed = false;
    int firstMcuColumn = 0;
    int lastMcuColumn = 0;

    static jpeg::RowBand plan(void *context, const jpeg::CoefficientLayout &layout);
    static bool edit(void *context, const jpeg::CoefficientLayout &layout, const jpeg::CoefficientBand &band);
    bool editBand(const jpeg::CoefficientLayout &layout, const jpeg::CoefficientBand &band);
};

jpeg::RowBand CoefficientWork::plan(void *context, const jpeg::CoefficientLayout &layout)
{
    auto *work = static_cast<CoefficientWork *>(context);
    work->self->m_layout = layout;
    const bool threeComponents = layout.colour == jpeg::ColourModel::YCbCr || layout.colour == jpeg::ColourModel::Rgb;
    bool supported = (layout.colour == jpeg::ColourModel::Grey && layout.components == 1)
        || (threeComponents && layout.components == 3);
    for (int c = 0; supported && c < layout.components; ++c) {
        const jpeg::CoefficientPlane &plane = layout.planes[c];
        supported = plane.hSamp > 0 && plane.vSamp > 0 && layout.maxHSamp % plane.hSamp == 0
            && layout.maxVSamp % plane.vSamp == 0;
    }
    if (!supported) {
        work->unsupported = true;
        return jpeg::RowBand { 0, 0, false };
    }
    try {
        work->label.emplace((*work->layOut)(QSize(layout.width, layout.height)));
    } catch (...) {
        work->labelFailed = true;
        return jpeg::RowBand { 0, 0, false };
    }
    const QRect area = work->label->storedArea() & QRect(0, 0, layout.width, layout.height);
    if (area.isEmpty())
        return jpeg::RowBand();
    const int mcuWidth = 8 * layout.maxHSamp;
    const int mcuHeight = 8 * layout.maxVSamp;
    const jpeg::RowBand rows { area.top() / mcuHeight, area.bottom() / mcuHeight + 1, true };
    // The band's rows are held as pixels across the whole width; a band
    // larger than a raster may be is left to the pixel road, which refuses it.
    if (static_cast<long long>(layout.width) * (rows.last - rows.first) * mcuHeight > jpeg::kMaxRasterPixels) {
        work->unsupported = true;
        return jpeg::RowBand { 0, 0, false };
    }
    work->firstMcuColumn = area.left() / mcuWidth;
    work->lastMcuColumn = area.right() / mcuWidth + 1;
    return rows;
}

bool CoefficientWork::edit(void *context, const jpeg::CoefficientLayout &layout, const jpeg::CoefficientBand &band)
{
    auto *work = static_cast<CoefficientWork *>(context);
    try {
        if (work->editBand(layout, band))
            return true;
    } catch (...) {
    }
    work->labelFailed = true;
    return false;
}

namespace {

// Where the label's MCUs lie in the band: pixel columns [x0, x1) and the
// band's rows; per component its block columns [first, last), the bytes of
// one row of its samples and how many pixels a sample covers.
struct LabelArea
{
    int x0 = 0, x1 = 0;
    int bandTop = 0, bandHeight = 0;
    int mcuRows = 0;
    int first[4] = {}, last[4] = {};
    std::size_t stride[4] = {};
    int ratioX[4] = {}, ratioY[4] = {};
};

// The components' samples under the label's MCUs, as a decoder gives them:
// block columns [first, last) of each, which the band must hold.
bool decodeSamples(const jpeg::CoefficientLayout &layout, const jpeg::CoefficientBand &band, LabelArea &a,
    std::vector<unsigned char> *samples, int firstMcuColumn, int lastMcuColumn)
{
    for (int c = 0; c < layout.components; ++c) {
        const jpeg::CoefficientPlane &plane = layout.planes[c];
        a.first[c] = firstMcuColumn * plane.hSamp;
        a.last[c] = std::min(lastMcuColumn * plane.hSamp, plane.blocksWide);
        if (a.first[c] < band.firstBlock[c] || a.last[c] > band.lastBlock[c] || a.first[c] >= a.last[c])
            return false;
        a.stride[c] = std::size_t(a.last[c] - a.first[c]) * 8;
        a.ratioX[c] = layout.maxHSamp / plane.hSamp;
        a.ratioY[c] = layout.maxVSamp / plane.vSamp;
        const int blockRows = a.mcuRows * plane.vSamp;
        samples[c].resize(a.stride[c] * std::size_t(blockRows) * 8);
        for (int by = 0; by < blockRows; ++by)
            for (int bx = a.first[c]; bx < a.last[c]; ++bx)
                inverseBlock(band.block(c, by, bx), plane.quant,
                    samples[c].data() + std::size_t(by) * 8 * a.stride[c] + std::size_t(bx - a.first[c]) * 8,
                    a.stride[c]);
    }
    return true;
}

// As RGB pixels, chroma repeated over the pixels it covers; only the label's
// MCU columns, which on a panorama are a sliver of the width.
bool samplesToPixels(const jpeg::CoefficientLayout &layout, const LabelArea &a,
    const std::vector<unsigned char> *samples, QImage &pixels)
{
    if (pixels.size() != QSize(a.x1 - a.x0, a.bandHeight) || pixels.format() != QImage::Format_RGB32)
        pixels = QImage(a.x1 - a.x0, a.bandHeight, QImage::Format_RGB32);
    if (pixels.isNull())
        return false;
    for (int y = 0; y < a.bandHeight; ++y) {
        auto *row = reinterpret_cast<QRgb *>(pixels.scanLine(y));
        for (int x = a.x0; x < a.x1; ++x) {
            int s[3] = { 0, 0, 0 };
            for (int c = 0; c < layout.components; ++c)
                s[c] = samples[c][std::size_t(y / a.ratioY[c]) * a.stride[c]
                    + std::size_t(x / a.ratioX[c] - a.first[c] * 8)];
            row[x - a.x0] = pixelOf(s, layout.colour);
        }
    }
    return true;
}

// Whether the label changed any pixel of block (bx, by) of component c.
bool blockChanged(const LabelArea &a, int c, int bx, int by, const QImage &pixels, const QImage &before)
{
    const int rx = a.ratioX[c], ry = a.ratioY[c];
    const int left = bx * 8 * rx, top = by * 8 * ry;
    const int right = std::min(left + 8 * rx, a.x1), bottom = std::min(top + 8 * ry, a.bandHeight);
    for (int y = top; y < bottom; ++y)
        if (std::memcmp(pixels.constScanLine(y) + (left - a.x0) * 4, before.constScanLine(y) + (left - a.x0) * 4,
                std::size_t(std::max(0, right - left)) * 4)
            != 0)
            return true;
    return false;
}

// The samples of block (bx, by) of component c: from the new pixels where
// they changed, its own samples elsewhere.
void changedBlockSamples(const jpeg::CoefficientLayout &layout, const LabelArea &a, int c, int bx, int by,
    const unsigned char *samples, const QImage &pixels, const QImage &before, float *block)
{
    const int rx = a.ratioX[c], ry = a.ratioY[c];
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j) {
            const int sx = bx * 8 + j, sy = by * 8 + i;
            const float own = float(samples[std::size_t(sy) * a.stride[c] + std::size_t(sx - a.first[c] * 8)]);
            float sum = 0;
            for (int y = sy * ry; y < sy * ry + ry; ++y) {
                for (int x = sx * rx; x < sx * rx + rx; ++x) {
                    if (y >= a.bandHeight || x >= a.x1) {
                        sum += own;
                        continue;
                    }
                    const QRgb now = reinterpret_cast<const QRgb *>(pixels.constScanLine(y))[x - a.x0];
                    const QRgb was = reinterpret_cast<const QRgb *>(before.constScanLine(y))[x - a.x0];
                    sum += now == was ? own : componentOf(now, layout.colour, c);
                }
            }
            block[i * 8 + j] = sum / float(rx * ry);
        }
    }
}

} // namespace

bool CoefficientWork::editBand(const jpeg::CoefficientLayout &layout, const jpeg::CoefficientBand &band)
{
    const int mcuWidth = 8 * layout.maxHSamp;
    const int mcuHeight = 8 * layout.maxVSamp;
    LabelArea a;
    a.bandTop = band.firstMcuRow * mcuHeight;
    a.bandHeight = std::min(band.lastMcuRow * mcuHeight, layout.height) - a.bandTop;
    a.x0 = firstMcuColumn * mcuWidth;
    a.x1 = std::min(lastMcuColumn * mcuWidth, layout.width);
    a.mcuRows = band.lastMcuRow - band.firstMcuRow;
    QImage &pixels = self->m_pixels;
    if (!decodeSamples(layout, band, a, self->m_samples, firstMcuColumn, lastMcuColumn)
        || !samplesToPixels(layout, a, self->m_samples, pixels))
        return false;
    QImage &before = self->m_before;
    before = pixels.copy();
    if (before.isNull() || !label->paint(pixels, a.bandTop, a.x0))
        return false;

    // Every block whose pixels the label changed, transformed anew.
    for (int c = 0; c < layout.components; ++c) {
        const jpeg::CoefficientPlane &plane = layout.planes[c];
        for (int by = 0; by < a.mcuRows * plane.vSamp; ++by) {
            for (int bx = a.first[c]; bx < a.last[c]; ++bx) {
                if (!blockChanged(a, c, bx, by, pixels, before))
                    continue;
                float block[64];
                changedBlockSamples(layout, a, c, bx, by, self->m_samples[c].data(), pixels, before, block);
                forwardBlock(block, plane.quant, band.block(c, by, bx));
                ++self->m_changedBlocks;
            }
        }
    }
    return true;
}

CoefficientStamp::~CoefficientStamp() = default;

ImageResult<bool> CoefficientStamp::splice(std::string_view jpeg, CoefficientWork &work)
{
    const auto *data = reinterpret_cast<const unsigned char *>(jpeg.data());
    const ImageResult<jpeg::ScanHeader> read = jpeg::readScanHeader(data, jpeg.size(), &m_markers);
    if (!read.ok() || !read.value.spliceable)
        return succeeded(false);
    const jpeg::ScanHeader &header = read.value;
    // A photo the planner refuses is refused again, with its reasons, by
    // the rewriting road.
    const jpeg::RowBand rows = CoefficientWork::plan(&work, header.layout);
    if (!rows.ok)
        return succeeded(false);
    ImageResult<jpeg::SpliceEnd> spliced = jpeg::spliceScan(data, jpeg.size(), header, m_markers.data.get(),
        m_markers.size, rows, work.firstMcuColumn, work.lastMcuColumn, &CoefficientWork::edit, &work, m_splice);
    if (!spliced)
        return failedAs<bool>(std::move(spliced));
    switch (spliced.value) {
    case jpeg::SpliceEnd::Spliced:
        m_road = Road::Spliced;
        return succeeded(true);
    case jpeg::SpliceEnd::CodeMissing: {
        // Writing every block again with the tables completed, one MCU at a
        // time: the bytes libjpeg's rewrite gives, without holding every
        // coefficient.
        m_road = Road::RewrittenForCode;
        const ImageResult<jpeg::ScanHeader> completed = jpeg::readCompletedScanHeader(data, jpeg.size(), &m_markers);
        if (!completed.ok() || !completed.value.spliceable)
            return succeeded(false);
        const ImageResult<jpeg::SpliceEnd> recoded = jpeg::recodeScan(data, jpeg.size(), header, completed.value,
            m_markers.data.get(), m_markers.size, rows, work.firstMcuColumn, work.lastMcuColumn, m_splice);
        m_recoded = recoded.ok() && recoded.value == jpeg::SpliceEnd::Spliced;
        return succeeded(m_recoded);
    }
    case jpeg::SpliceEnd::Refused:
        m_road = Road::RewrittenForData;
        return succeeded(false);
    }
    return succeeded(false);
}

ImageResult<CoefficientStamp::Road> CoefficientStamp::stamp(
    std::string_view jpeg, const std::function<StoredPhotoLabel(QSize)> &layOut, ExifThumbnailMaker *thumbnail)
{
    m_changedBlocks = 0;
    m_warnings = 0;
    m_firstWarning.clear();
    m_road = Road::Rewritten;
    m_recoded = false;
    const bool wantDc = thumbnail && thumbnail->wanted();
    // The 1/8 picture of what was written, when it makes the thumbnail.
    const auto giveThumbnail = [&](const jpeg::CoefficientLayout &layout, const jpeg::DcTerms &dc) {
        if (wantDc && thumbnail->scaleFor(layout.width, layout.height) == 8)
            thumbnail->setReduced(pictureOfDc(layout, dc), 8, layout.width, layout.height);
    };
    if (m_splicing) {
        CoefficientWork work { this, &layOut, std::nullopt };
        m_splice.collectDc = wantDc;
        ImageResult<bool> spliced = splice(jpeg, work);
        if (!spliced)
            return failedAs<Road>(std::move(spliced));
        if (spliced.value) {
            giveThumbnail(m_layout, m_splice.dc);
            return succeeded(m_road);
        }
        m_changedBlocks = 0;
    }
    CoefficientWork work { this, &layOut, std::nullopt };
    ImageResult<jpeg::Warnings> result
        = jpeg::rewriteCoefficients(reinterpret_cast<const unsigned char *>(jpeg.data()), jpeg.size(),
            &CoefficientWork::plan, &CoefficientWork::edit, &work, &m_band, &m_encoded, wantDc ? &m_dc : nullptr);
    if (result.ok()) {
        m_warnings = result.value.count;
        if (m_warnings > 0)
            m_firstWarning = QString::fromStdString(result.value.first);
        if (work.label)
            giveThumbnail(m_layout, m_dc);
        return succeeded(m_road);
    }
    if (work.labelFailed)
        return failed<Road>(ImageError::PaintRefused);
    if (work.unsupported)
        return succeeded(Road::Declined);
    return failedAs<Road>(std::move(result));
}

std::string_view CoefficientStamp::encoded() const
{
    if (m_road == Road::Spliced || m_recoded)
        return std::string_view(reinterpret_cast<const char *>(m_splice.out.data()), m_splice.out.size());
    return m_encoded.bytes();
}

} // namespace kelvra
