// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/coefficient_stamp.h"

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

// std::clamp(std::lround(value), 0, 255) without the library call, which
// cost more than the colour conversion around it: a float plus one half is
// exact in double, so truncating it rounds half away from zero as lround.
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

QRgb pixelOf(const int *samples, jpeg::ColourModel colour)
{
    switch (colour) {
    case jpeg::ColourModel::Grey:
        return qRgb(samples[0], samples[0], samples[0]);
    case jpeg::ColourModel::Rgb:
        return qRgb(samples[0], samples[1], samples[2]);
    default: {
        const float y = float(samples[0]), cb = float(samples[1]) - 128.0f, cr = float(samples[2]) - 128.0f;
        return qRgb(toByte(y + 1.402f * cr), toByte(y - 0.344136f * cb - 0.714136f * cr), toByte(y + 1.772f * cb));
    }
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

bool CoefficientWork::editBand(const jpeg::CoefficientLayout &layout, const jpeg::CoefficientBand &band)
{
    const int mcuWidth = 8 * layout.maxHSamp;
    const int mcuHeight = 8 * layout.maxVSamp;
    const int W = layout.width;
    const int bandTop = band.firstMcuRow * mcuHeight;
    const int bandHeight = std::min(band.lastMcuRow * mcuHeight, layout.height) - bandTop;
    const int x0 = firstMcuColumn * mcuWidth;
    const int x1 = std::min(lastMcuColumn * mcuWidth, W);
    const int mcuRows = band.lastMcuRow - band.firstMcuRow;

    // The components' samples under the label's MCUs, as a decoder gives
    // them: block columns [first, last) of each, which the band must hold.
    int first[4], last[4];
    std::size_t stride[4];
    for (int c = 0; c < layout.components; ++c) {
        const jpeg::CoefficientPlane &plane = layout.planes[c];
        first[c] = firstMcuColumn * plane.hSamp;
        last[c] = std::min(lastMcuColumn * plane.hSamp, plane.blocksWide);
        if (first[c] < band.firstBlock[c] || last[c] > band.lastBlock[c] || first[c] >= last[c])
            return false;
        stride[c] = std::size_t(last[c] - first[c]) * 8;
        const int blockRows = mcuRows * plane.vSamp;
        std::vector<unsigned char> &samples = self->m_samples[c];
        samples.resize(stride[c] * std::size_t(blockRows) * 8);
        for (int by = 0; by < blockRows; ++by)
            for (int bx = first[c]; bx < last[c]; ++bx)
                inverseBlock(band.block(c, by, bx), plane.quant,
                    samples.data() + std::size_t(by) * 8 * stride[c] + std::size_t(bx - first[c]) * 8, stride[c]);
    }

    // As RGB pixels, chroma repeated over the pixels it covers; only the
    // label's MCU columns, which on a panorama are a sliver of the width.
    QImage &pixels = self->m_pixels;
    if (pixels.size() != QSize(x1 - x0, bandHeight) || pixels.format() != QImage::Format_RGB32)
        pixels = QImage(x1 - x0, bandHeight, QImage::Format_RGB32);
    if (pixels.isNull())
        return false;
    int ratioX[4], ratioY[4];
    for (int c = 0; c < layout.components; ++c) {
        ratioX[c] = layout.maxHSamp / layout.planes[c].hSamp;
        ratioY[c] = layout.maxVSamp / layout.planes[c].vSamp;
    }
    for (int y = 0; y < bandHeight; ++y) {
        auto *row = reinterpret_cast<QRgb *>(pixels.scanLine(y));
        for (int x = x0; x < x1; ++x) {
            int s[3] = { 0, 0, 0 };
            for (int c = 0; c < layout.components; ++c)
                s[c] = self->m_samples[c][std::size_t(y / ratioY[c]) * stride[c]
                    + std::size_t(x / ratioX[c] - first[c] * 8)];
            row[x - x0] = pixelOf(s, layout.colour);
        }
    }
    QImage &before = self->m_before;
    before = pixels.copy();
    if (before.isNull() || !label->paint(pixels, bandTop, x0))
        return false;

    // Every block whose pixels the label changed, from the new pixels where
    // they changed and its own samples elsewhere.
    for (int c = 0; c < layout.components; ++c) {
        const jpeg::CoefficientPlane &plane = layout.planes[c];
        const int rx = ratioX[c], ry = ratioY[c];
        const unsigned char *samples = self->m_samples[c].data();
        for (int by = 0; by < mcuRows * plane.vSamp; ++by) {
            for (int bx = first[c]; bx < last[c]; ++bx) {
                const int left = bx * 8 * rx, top = by * 8 * ry;
                const int right = std::min(left + 8 * rx, x1), bottom = std::min(top + 8 * ry, bandHeight);
                bool changed = false;
                for (int y = top; y < bottom && !changed; ++y)
                    changed = std::memcmp(pixels.constScanLine(y) + (left - x0) * 4,
                                  before.constScanLine(y) + (left - x0) * 4, std::size_t(std::max(0, right - left)) * 4)
                        != 0;
                if (!changed)
                    continue;
                float block[64];
                for (int i = 0; i < 8; ++i) {
                    for (int j = 0; j < 8; ++j) {
                        const int sx = bx * 8 + j, sy = by * 8 + i;
                        const float own = float(samples[std::size_t(sy) * stride[c] + std::size_t(sx - first[c] * 8)]);
                        float sum = 0;
                        for (int y = sy * ry; y < sy * ry + ry; ++y) {
                            for (int x = sx * rx; x < sx * rx + rx; ++x) {
                                if (y >= bandHeight || x >= x1) {
                                    sum += own;
                                    continue;
                                }
                                const QRgb now = reinterpret_cast<const QRgb *>(pixels.constScanLine(y))[x - x0];
                                const QRgb was = reinterpret_cast<const QRgb *>(before.constScanLine(y))[x - x0];
                                sum += now == was ? own : componentOf(now, layout.colour, c);
                            }
                        }
                        block[i * 8 + j] = sum / float(rx * ry);
                    }
                }
                forwardBlock(block, plane.quant, band.block(c, by, bx));
                ++self->m_changedBlocks;
            }
        }
    }
    return true;
}

CoefficientStamp::~CoefficientStamp()
{
    jpeg::freeEncoded(m_encoded.data);
    jpeg::freeEncoded(m_markers.data);
    jpeg::freeEncoded(m_band.data);
}

// True when the splice settled the photo (stamped, or the label failed).
bool CoefficientStamp::splice(std::string_view jpeg, CoefficientWork &work, Outcome *outcome, ImageFailure *error)
{
    const auto *data = reinterpret_cast<const unsigned char *>(jpeg.data());
    jpeg::ScanHeader header;
    const jpeg::CodecResult read = jpeg::readScanHeader(data, jpeg.size(), &header, &m_markers);
    if (!read.ok || !header.spliceable)
        return false;
    // A photo the planner refuses is refused again, with its reasons, by
    // the rewriting road.
    const jpeg::RowBand rows = CoefficientWork::plan(&work, header.layout);
    if (!rows.ok)
        return false;
    switch (jpeg::spliceScan(data, jpeg.size(), header, m_markers.data, m_markers.size, rows, work.firstMcuColumn,
        work.lastMcuColumn, &CoefficientWork::edit, &work, m_splice)) {
    case jpeg::SpliceOutcome::Spliced:
        m_road = Road::Spliced;
        *outcome = Outcome::Stamped;
        return true;
    case jpeg::SpliceOutcome::EditFailed:
        if (error)
            *error = ImageFailure { ImageError::PaintRefused, {} };
        *outcome = Outcome::LabelFailed;
        return true;
    case jpeg::SpliceOutcome::CodeMissing: {
        // Writing every block again with the tables completed, one MCU at a
        // time: the bytes libjpeg's rewrite gives, without holding every
        // coefficient.
        m_road = Road::RewrittenForCode;
        jpeg::ScanHeader completed;
        if (!jpeg::readCompletedScanHeader(data, jpeg.size(), &completed, &m_markers).ok || !completed.spliceable
            || jpeg::recodeScan(data, jpeg.size(), header, completed, m_markers.data, m_markers.size, rows,
                   work.firstMcuColumn, work.lastMcuColumn, m_splice)
                != jpeg::SpliceOutcome::Spliced)
            return false;
        m_recoded = true;
        *outcome = Outcome::Stamped;
        return true;
    }
    case jpeg::SpliceOutcome::Refused:
        m_road = Road::RewrittenForData;
        return false;
    }
    return false;
}

CoefficientStamp::Outcome CoefficientStamp::stamp(std::string_view jpeg,
    const std::function<StoredPhotoLabel(QSize)> &layOut, ImageFailure *error, ExifThumbnailMaker *thumbnail)
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
        Outcome outcome = Outcome::Undecodable;
        m_splice.collectDc = wantDc;
        if (splice(jpeg, work, &outcome, error)) {
            if (outcome == Outcome::Stamped)
                giveThumbnail(m_layout, m_splice.dc);
            return outcome;
        }
        m_changedBlocks = 0;
    }
    CoefficientWork work { this, &layOut, std::nullopt };
    const jpeg::CodecResult result
        = jpeg::rewriteCoefficients(reinterpret_cast<const unsigned char *>(jpeg.data()), jpeg.size(),
            &CoefficientWork::plan, &CoefficientWork::edit, &work, &m_band, &m_encoded, wantDc ? &m_dc : nullptr);
    m_warnings = result.warnings;
    if (result.ok) {
        if (m_warnings > 0)
            m_firstWarning = QString::fromLatin1(result.message);
        if (work.label)
            giveThumbnail(m_layout, m_dc);
        return Outcome::Stamped;
    }
    if (error)
        *error = work.labelFailed ? ImageFailure { ImageError::PaintRefused, {} } : failureOf(result);
    if (work.labelFailed)
        return Outcome::LabelFailed;
    return work.unsupported ? Outcome::Unsupported : Outcome::Undecodable;
}

std::string_view CoefficientStamp::encoded() const
{
    if (m_road == Road::Spliced || m_recoded)
        return std::string_view(reinterpret_cast<const char *>(m_splice.out.data()), m_splice.out.size());
    if (!m_encoded.data)
        return {};
    return std::string_view(reinterpret_cast<const char *>(m_encoded.data), m_encoded.size);
}

} // namespace kelvra
