// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/label_renderer.h"

#include "imaging/bitmap_rotate.h"
#include "imaging/font_fallback.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kelvra {

namespace {

// Pixel sizes beyond this are refused by the font engines.
constexpr int kMaxCellHeight = 32767;
constexpr int kReferencePixelSize = 100;
const QColor kShadowColor(128, 128, 128);

// trunc() of a placement product, kept far from int overflow for settings
// files that hold absurd fractions.
int truncated(double value)
{
    if (!(value == value))
        return 0;
    return int(std::clamp(value, -1e9, 1e9));
}

} // namespace

QColor toQColor(TColor color)
{
    return QColor(color & 0xff, (color >> 8) & 0xff, (color >> 16) & 0xff);
}

QStringList labelLines(const QString &text)
{
    if (!text.contains(QLatin1Char('\n')))
        return { text };
    QStringList lines;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            lines << line;
    }
    if (lines.isEmpty())
        lines << QString();
    return lines;
}

int stripPadding(const StampSettings &settings, int cellHeight)
{
    return settings.strip() == LabelStrip::None ? 0 : std::max(1, cellHeight / 4);
}

int glowReach(const StampSettings &settings, int cellHeight)
{
    if (!settings.FGlow)
        return 0;
    const double size = std::clamp(settings.GlowSize, 0.0, 100.0);
    return std::max(1, int(std::lround(cellHeight * size / 100.0)));
}

void PhotoCanvas::setFontFace(const QString &family)
{
    if (family != m_family)
        m_resolved = false;
    m_family = family;
}

void PhotoCanvas::setFontStyle(const FontStyles &style)
{
    if (!(style == m_style))
        m_resolved = false;
    m_style = style;
}

void PhotoCanvas::setFontHeight(int cellHeight)
{
    cellHeight = std::clamp(cellHeight, 1, kMaxCellHeight);
    if (cellHeight != m_cellHeight)
        m_resolved = false;
    m_cellHeight = cellHeight;
}

// The font engines only take whole pixel sizes, and their rounded ascent plus
// descent skips values (Liberation Sans: 12 px gives 14, 11 px gives 12). The
// nearest whole size drawn with a small scale gives every cell height exactly.
void PhotoCanvas::resolve() const
{
    if (m_resolved)
        return;
    QFont font(drawnFontFamily(m_family));
    font.setBold(m_style.Bold);
    font.setItalic(m_style.Italic);
    font.setUnderline(m_style.Underline);
    font.setPixelSize(kReferencePixelSize);
    const QFontMetricsF reference(font);
    const qreal perPixel = (reference.ascent() + reference.descent()) / kReferencePixelSize;

    int pixelSize = 1;
    if (perPixel > 0)
        pixelSize = std::max(1, int(std::lround(m_cellHeight / perPixel)));
    pixelSize = std::min(pixelSize, kMaxCellHeight);
    font.setPixelSize(pixelSize);
    const QFontMetricsF metrics(font);
    const qreal cell = metrics.ascent() + metrics.descent();

    m_font = font;
    m_scale = cell > 0 ? m_cellHeight / cell : 1;
    m_ascent = metrics.ascent();
    m_resolved = true;
}

const QFont &PhotoCanvas::resolvedFont() const
{
    resolve();
    return m_font;
}

qreal PhotoCanvas::resolvedScale() const
{
    resolve();
    return m_scale;
}

qreal PhotoCanvas::resolvedAscent() const
{
    resolve();
    return m_ascent;
}

int PhotoCanvas::textWidth(const QString &text) const
{
    if (text.isEmpty())
        return 0;
    resolve();
    return int(std::lround(QFontMetricsF(m_font).horizontalAdvance(text) * m_scale));
}

void PhotoCanvas::textOut(QPainter &painter, int x, int y, const QString &text) const
{
    resolve();
    if (m_opaque)
        painter.fillRect(x, y, textWidth(text), m_cellHeight, m_background);
    if (text.isEmpty())
        return;
    painter.save();
    painter.translate(x, y);
    painter.scale(m_scale, m_scale);
    painter.setFont(m_font);
    painter.setPen(m_fontColor);
    painter.drawText(QPointF(0, m_ascent), text);
    painter.restore();
}

void PhotoCanvas::strokeText(QPainter &painter, int x, int y, const QString &text) const
{
    if (text.isEmpty())
        return;
    resolve();
    QPainterPath glyphs;
    glyphs.addText(QPointF(0, m_ascent), m_font, text);
    QTransform place;
    place.translate(x, y);
    place.scale(m_scale, m_scale);
    // Mapped first, so the pen width stays in raster pixels.
    painter.strokePath(place.map(glyphs), QPen(m_penColor, m_penWidth));
}

int fontCellHeight(int width, int height, double Size)
{
    double h = std::min(width, height) / Size;
    // A Size stored by a pointer placement is m / h; m / (m / h) can come out
    // a hair under h, and trunc would then shrink the label by a pixel.
    const double whole = std::round(h);
    if (std::abs(h - whole) <= 1e-9 * whole)
        h = whole;
    if (!(h >= 1))
        return 1;
    if (h >= kMaxCellHeight)
        return kMaxCellHeight;
    return int(h);
}

int fontPointSize(int cellHeight)
{
    return int(std::lround(cellHeight * 72.0 / 96.0));
}

int shadowOffset(int cellHeight, bool outline)
{
    const int d = fontPointSize(cellHeight) / 20;
    if (!outline)
        return d;
    // d x 1.5 to nearest, ties to even: an odd d lands on a half.
    const int down = d * 3 / 2;
    return (d % 2 != 0 && down % 2 != 0) ? down + 1 : down;
}

TColor ContrastColor(TColor color)
{
    const double brightness = 0.30 * (color & 0xff) + 0.59 * ((color >> 8) & 0xff) + 0.11 * ((color >> 16) & 0xff);
    return brightness > 127.5 ? TColor(0x000000) : TColor(0xffffff);
}

void SetPhotoFontParams(PhotoCanvas &Canvas, const StampSettings &settings)
{
    Canvas.setFontColor(toQColor(settings.FontColor));
    Canvas.setFontFace(settings.FontName);
    Canvas.setFontStyle(settings.Style);
    if (settings.BgColor == kNoColor) {
        Canvas.setTransparent();
    } else {
        QColor background = toQColor(settings.BgColor);
        background.setAlpha(std::clamp(settings.BgAlpha, 0, 255));
        Canvas.setOpaque(background);
    }
}

namespace {

// Where the label's cell lies on a W x H surface, after clamping. A strip
// pads the text by pad on every side inside the cell.
struct LabelPlace
{
    int left = 0;
    int top = 0;
    int w = 0;
    int t = 0;
    int pad = 0;
    QSize surface; // W x H, for a strip's band
};

LabelPlace clampedPlace(int W, int H, int left, int top, int w, int t)
{
    if (left + w > W)
        left = W - w;
    if (top + t > H)
        top = H - t;
    if (left < 0)
        left = 0;
    if (top < 0)
        top = 0;
    return LabelPlace { left, top, w, t, 0, QSize() };
}

// The label's cell: the widest line by the lines' cells, and the padding.
QSize labelCell(const PhotoCanvas &Canvas, const QStringList &lines, int pad)
{
    int w = 0;
    for (const QString &line : lines)
        w = std::max(w, Canvas.textWidth(line));
    return QSize(w + 2 * pad, int(lines.size()) * Canvas.textHeight() + 2 * pad);
}

// The band a strip fills, on a W x H surface.
QRect stripRect(const StampSettings &settings, const LabelPlace &p, int W, int H)
{
    switch (settings.strip()) {
    case LabelStrip::Across:
        return QRect(0, p.top, W, p.t);
    case LabelStrip::Down:
        return QRect(p.left, 0, p.w, H);
    case LabelStrip::None:
        break;
    }
    return QRect();
}

LabelBox boxOf(const LabelPlace &p, int W, int H)
{
    return LabelBox { p.left, p.top, std::min(p.left + p.w, W), std::min(p.top + p.t, H) };
}

// Font, measure and anchored position on a W x H surface; draws nothing.
LabelPlace anchoredPlace(PhotoCanvas &Canvas, const StampSettings &settings, const QString &text, int W, int H)
{
    SetPhotoFontParams(Canvas, settings);
    Canvas.setFontHeight(fontCellHeight(W, H, settings.Size));
    const QStringList lines = labelLines(text);
    const auto measure = [&](int &w, int &t) {
        const QSize cell = labelCell(Canvas, lines, stripPadding(settings, Canvas.fontHeight()));
        w = cell.width();
        t = cell.height();
    };
    int w = 0;
    int t = 0;
    measure(w, t);
    if (w > W || t > H) {
        // Cut off at the edge, a label loses its end and its place; smaller,
        // it keeps both, inside the margins the settings give.
        const auto room = [](int extent, double fraction) {
            const int margin = truncated(extent * fraction);
            return margin > 0 && margin < extent ? extent - margin : extent;
        };
        const int roomW = room(W, settings.XD);
        const int roomH = room(H, settings.YD);
        const int cellHeight = Canvas.fontHeight();
        int height = std::min(cellHeight, int(qint64(cellHeight) * roomH / std::max(t, 1)));
        if (w > roomW)
            height = std::min(height, int(qint64(cellHeight) * roomW / std::max(w, 1)));
        for (height = std::max(height, 1);; --height) {
            Canvas.setFontHeight(height);
            measure(w, t);
            if (height == 1 || (w <= roomW && t <= roomH))
                break;
        }
    }

    int left = 0;
    int top = 0;
    if (settings.XOrient == 1)
        left = truncated(W - W * settings.XD) - w;
    else
        left = truncated(W * settings.XD);
    if (settings.YOrient == 1)
        top = truncated(H - H * settings.YD) - t;
    else
        top = truncated(H * settings.YD);
    LabelPlace place = clampedPlace(W, H, left, top, w, t);
    place.pad = stripPadding(settings, Canvas.fontHeight());
    place.surface = QSize(W, H);
    return place;
}

// A line of the label and where its cell starts; lines hang from the right
// when the label does.
struct LineSpot
{
    int x = 0;
    int y = 0;
    QString text;
};

std::vector<LineSpot> lineSpots(
    const PhotoCanvas &Canvas, const StampSettings &settings, const QString &text, const LabelPlace &p)
{
    const QStringList lines = labelLines(text);
    const int blockWidth = p.w - 2 * p.pad;
    std::vector<LineSpot> spots;
    spots.reserve(size_t(lines.size()));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int indent = settings.XOrient == 1 ? blockWidth - Canvas.textWidth(lines.at(i)) : 0;
        spots.push_back(
            LineSpot { p.left + p.pad + indent, p.top + p.pad + int(i) * Canvas.textHeight(), lines.at(i) });
    }
    return spots;
}

// The glyphs' ink of a line at spot, which may overhang its cell (italics,
// marks, fallback fonts).
QRectF inkOf(const PhotoCanvas &Canvas, const LineSpot &spot)
{
    if (spot.text.isEmpty())
        return QRectF();
    const qreal scale = Canvas.resolvedScale();
    const QRectF ink = QFontMetricsF(Canvas.resolvedFont()).boundingRect(spot.text);
    return QRectF(spot.x + ink.left() * scale, spot.y + (Canvas.resolvedAscent() + ink.top()) * scale,
        ink.width() * scale, ink.height() * scale);
}

// Every pixel the passes may touch, with room to spare: the cell and the
// glyphs' ink, again at the shadow offset, widened by the pen, the glow and a
// quarter cell for antialiasing and hinting, and the strip.
QRect paintedArea(const PhotoCanvas &Canvas, const StampSettings &settings, const QString &text, const LabelPlace &p)
{
    QRectF area(p.left, p.top, p.w, p.t);
    for (const LineSpot &spot : lineSpots(Canvas, settings, text, p)) {
        if (!spot.text.isEmpty())
            area |= inkOf(Canvas, spot);
    }
    if (settings.FShadow) {
        const int d = shadowOffset(Canvas.fontHeight(), settings.FOutline);
        area |= area.translated(d, d);
    }
    const int margin = fontPointSize(Canvas.fontHeight()) / 20 + 2 + Canvas.fontHeight() / 4
        + glowReach(settings, Canvas.fontHeight());
    QRect painted = area.toAlignedRect().adjusted(-margin, -margin, margin, margin);
    if (settings.BgColor != kNoColor)
        painted |= stripRect(settings, p, p.surface.width(), p.surface.height());
    return painted;
}

// One pass of a box blur of the given radius along rows (step 1) or columns
// (step width); what lies beyond the edges counts as clear.
void boxBlur(std::vector<int> &values, int width, int height, int radius, bool alongRows)
{
    const int count = alongRows ? height : width;
    const int length = alongRows ? width : height;
    const int step = alongRows ? 1 : width;
    const int window = 2 * radius + 1;
    std::vector<int> line(static_cast<size_t>(length));
    for (int n = 0; n < count; ++n) {
        int *first = values.data() + (alongRows ? size_t(n) * size_t(width) : size_t(n));
        for (int i = 0; i < length; ++i)
            line[size_t(i)] = first[size_t(i) * size_t(step)];
        int sum = 0;
        for (int i = 0; i <= std::min(radius, length - 1); ++i)
            sum += line[size_t(i)];
        for (int i = 0; i < length; ++i) {
            first[size_t(i) * size_t(step)] = sum / window;
            const int enter = i + radius + 1;
            const int leave = i - radius;
            if (enter < length)
                sum += line[size_t(enter)];
            if (leave >= 0)
                sum -= line[size_t(leave)];
        }
    }
}

// The halo: the glyphs' coverage blurred three times (close to a Gaussian)
// and laid over the surface in the glow colour. Integer sums only, so every
// road that paints the same patch gets the same pixels.
void paintGlow(QPainter &painter, PhotoCanvas &Canvas, const StampSettings &settings,
    const std::vector<LineSpot> &spots, const QRect &patch)
{
    const int reach = glowReach(settings, Canvas.fontHeight());
    QRectF cells;
    for (const LineSpot &spot : spots)
        cells |= QRectF(spot.x, spot.y, Canvas.textWidth(spot.text), Canvas.textHeight()) | inkOf(Canvas, spot);
    const int margin = reach + 2;
    const QRect region = cells.toAlignedRect().adjusted(-margin, -margin, margin, margin) & patch;
    if (region.isEmpty())
        return;
    QImage coverage(region.size(), QImage::Format_ARGB32_Premultiplied);
    if (coverage.isNull())
        return;
    coverage.fill(Qt::transparent);
    {
        QPainter glyphs(&coverage);
        glyphs.translate(-region.x(), -region.y());
        Canvas.setFontColor(Qt::white);
        Canvas.setTransparent();
        for (const LineSpot &spot : spots)
            Canvas.textOut(glyphs, spot.x, spot.y, spot.text);
    }
    const int W = region.width();
    const int H = region.height();
    std::vector<int> alpha(size_t(W) * size_t(H));
    for (int y = 0; y < H; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(coverage.constScanLine(y));
        for (int x = 0; x < W; ++x)
            alpha[size_t(y) * size_t(W) + size_t(x)] = qAlpha(row[x]);
    }
    const int radius = std::max(1, reach / 3);
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(alpha, W, H, radius, true);
        boxBlur(alpha, W, H, radius, false);
    }
    const QColor colour = toQColor(settings.GlowColor == kNoColor ? settings.FontColor : settings.GlowColor);
    QImage &halo = coverage; // reused: every pixel is written again
    for (int y = 0; y < H; ++y) {
        auto *row = reinterpret_cast<QRgb *>(halo.scanLine(y));
        for (int x = 0; x < W; ++x) {
            // Doubled, so the halo is felt right at the glyphs' edges.
            const int a = std::min(255, 2 * alpha[size_t(y) * size_t(W) + size_t(x)]);
            row[x] = qRgba(colour.red() * a / 255, colour.green() * a / 255, colour.blue() * a / 255, a);
        }
    }
    painter.drawImage(region.topLeft(), halo);
}

// The passes, in surface coordinates: strip or box, glow, shadow, text,
// outline. The raster holds the part of the surface that begins at origin; a
// translation of the painter, not of the coordinates, keeps every fraction a
// glyph edge falls on as it is on the whole surface.
void paintLabel(
    PhotoCanvas &Canvas, const StampSettings &settings, const QString &text, const LabelPlace &p, QPoint origin = {})
{
    QPainter painter(Canvas.raster());
    if (!origin.isNull())
        painter.translate(-origin.x(), -origin.y());
    const int points = fontPointSize(Canvas.fontHeight());
    const std::vector<LineSpot> spots = lineSpots(Canvas, settings, text, p);
    const auto drawLines = [&](int d) {
        for (const LineSpot &spot : spots)
            Canvas.textOut(painter, spot.x + d, spot.y + d, spot.text);
    };

    SetPhotoFontParams(Canvas, settings);
    const bool box = settings.BgColor != kNoColor;
    const QColor boxColour = Canvas.background();
    // The text's cell; a strip's band is filled instead.
    const QRect block(p.left + p.pad, p.top + p.pad, p.w - 2 * p.pad, p.t - 2 * p.pad);
    Canvas.setTransparent();
    bool boxDrawn = !box;
    if (box && settings.strip() != LabelStrip::None) {
        painter.fillRect(stripRect(settings, p, p.surface.width(), p.surface.height()), boxColour);
        boxDrawn = true;
    }

    if (settings.FGlow) {
        if (!boxDrawn) {
            painter.fillRect(block, boxColour);
            boxDrawn = true;
        }
        paintGlow(painter, Canvas, settings, spots, QRect(origin, Canvas.raster()->size()));
        SetPhotoFontParams(Canvas, settings);
        Canvas.setTransparent();
    }

    if (settings.FShadow) {
        if (!boxDrawn) {
            // The box goes down once, under the shadow, not offset.
            painter.fillRect(block, boxColour);
            drawLines(0);
            boxDrawn = true;
        }
        const int d = shadowOffset(Canvas.fontHeight(), settings.FOutline);
        Canvas.setFontColor(kShadowColor);
        drawLines(d);
        Canvas.setFontColor(toQColor(settings.FontColor));
    }

    if (!boxDrawn)
        painter.fillRect(block, boxColour);
    drawLines(0);

    if (settings.FOutline) {
        const TColor pen
            = settings.OutlineColor == kNoColor ? ContrastColor(settings.FontColor) : settings.OutlineColor;
        Canvas.setPen(toQColor(pen), points / 20);
        for (const LineSpot &spot : spots)
            Canvas.strokeText(painter, spot.x, spot.y, spot.text);
        Canvas.setPen(toQColor(pen), 1);
    }
    // As the passes always left it: the settings' font, a box not drawn again.
    SetPhotoFontParams(Canvas, settings);
    if (box && settings.FShadow)
        Canvas.setTransparent();
}

// A rectangle of the upright picture as a rectangle of the stored raster
// (W x H as stored) that a viewer turns by orientation.
QRect storedRect(const QRect &upright, int orientation, int W, int H)
{
    const int u0 = upright.left(), v0 = upright.top();
    const int u1 = u0 + upright.width(), v1 = v0 + upright.height();
    switch (orientation) {
    case 2:
        return QRect(W - u1, v0, u1 - u0, v1 - v0);
    case 3:
        return QRect(W - u1, H - v1, u1 - u0, v1 - v0);
    case 4:
        return QRect(u0, H - v1, u1 - u0, v1 - v0);
    case 5:
        return QRect(v0, u0, v1 - v0, u1 - u0);
    case 6:
        return QRect(v0, H - u1, v1 - v0, u1 - u0);
    case 7:
        return QRect(W - v1, H - u1, v1 - v0, u1 - u0);
    case 8:
        return QRect(W - v1, u0, v1 - v0, u1 - u0);
    default:
        return upright;
    }
}

// Paints the label through a patch: source, the stored rectangle of the
// painted area, is copied out of band (the stored raster from bandOrigin
// on), turned upright, painted and turned back in. Every road paints
// the very same patch (the painter's sums depend on the size of what it
// paints on, at the edges), so a photo stored turned gets the pixels of one
// turned upright in full, and the whole photo is never turned. False
// without memory for the patch; the band is then unchanged.
bool paintThroughPatch(QImage &band, QPoint bandOrigin, const QRect &source, const QRect &area, int orientation,
    PhotoCanvas &Canvas, const StampSettings &settings, const QString &text, const LabelPlace &p)
{
    if (area.isEmpty())
        return true;
    const QRect inBand = source.translated(-bandOrigin);
    const OrientationTurns turns = orientationTurns(orientation);
    QImage patch = band.copy(inBand);
    if (patch.isNull() || (turns.upright && !turns.upright(patch)))
        return false;
    QImage *surface = Canvas.raster();
    Canvas.setRaster(&patch);
    paintLabel(Canvas, settings, text, p, area.topLeft());
    Canvas.setRaster(surface);
    if (turns.back && !turns.back(patch))
        return false;

    if (patch.format() == band.format() && patch.depth() == 32) {
        const qsizetype rowBytes = qsizetype(inBand.width()) * 4;
        for (int y = 0; y < inBand.height(); ++y)
            std::memcpy(band.scanLine(inBand.top() + y) + qsizetype(inBand.left()) * 4, patch.constScanLine(y),
                static_cast<size_t>(rowBytes));
    } else {
        QPainter paste(&band);
        paste.setCompositionMode(QPainter::CompositionMode_Source);
        paste.drawImage(inBand.topLeft(), patch);
    }
    return true;
}

} // namespace

LabelBox DrawTextToPhotoWITH_PARAMS(PhotoCanvas &Canvas, const StampSettings &settings, const QString &text)
{
    if (!Canvas.raster() || Canvas.raster()->isNull())
        return {};
    const int W = Canvas.width();
    const int H = Canvas.height();
    const LabelPlace p = anchoredPlace(Canvas, settings, text, W, H);
    const QRect area = paintedArea(Canvas, settings, text, p) & QRect(0, 0, W, H);
    if (!paintThroughPatch(*Canvas.raster(), {}, area, area, 1, Canvas, settings, text, p))
        paintLabel(Canvas, settings, text, p);
    return boxOf(p, W, H);
}

StoredPhotoLabel::StoredPhotoLabel(QSize stored, int orientation, const StampSettings &settings, const QString &text)
    : m_settings(settings)
    , m_text(text)
    , m_orientation(orientationTurns(orientation).upright ? orientation : 1)
{
    const bool quarter = orientationSwapsSides(m_orientation);
    const int W = quarter ? stored.height() : stored.width();
    const int H = quarter ? stored.width() : stored.height();
    const LabelPlace p = anchoredPlace(m_canvas, settings, text, W, H);
    m_cell = PixelRect { p.left, p.top, p.left + p.w, p.top + p.t };
    m_pad = p.pad;
    m_upright = p.surface;
    m_box = boxOf(p, W, H);
    m_area = paintedArea(m_canvas, settings, text, p) & QRect(0, 0, W, H);
    m_source = m_area.isEmpty() ? QRect() : storedRect(m_area, m_orientation, stored.width(), stored.height());
}

bool StoredPhotoLabel::paint(QImage &band, int bandTop, int bandLeft)
{
    const LabelPlace p { m_cell.Left, m_cell.Top, m_cell.width(), m_cell.height(), m_pad, m_upright };
    return paintThroughPatch(
        band, QPoint(bandLeft, bandTop), m_source, m_area, m_orientation, m_canvas, m_settings, m_text, p);
}

ImageResult<LabelBox> drawLabelOnStoredPhoto(
    QImage &stored, int orientation, const StampSettings &settings, const QString &text)
{
    if (stored.isNull())
        return succeeded(LabelBox {});
    StoredPhotoLabel label(stored.size(), orientation, settings, text);
    if (!label.paint(stored, 0))
        return failed<LabelBox>(ImageError::PaintRefused);
    return succeeded(label.box());
}

LabelBox pointerLabelBox(QPoint pointer, QSize raster, QSize label)
{
    const int W = raster.width();
    const int H = raster.height();
    const int w = label.width();
    const int t = label.height();
    return boxOf(clampedPlace(W, H, pointer.x() - w / 2, pointer.y() - t / 2, w, t), W, H);
}

void anchorFromBox(const LabelBox &box, QSize raster, StampSettings &settings)
{
    const int W = raster.width();
    const int H = raster.height();
    if (W <= 0 || H <= 0)
        return;
    settings.XOrient = (W - box.Right) < box.Left ? 1 : 0;
    settings.YOrient = (H - box.Bottom) < box.Top ? 1 : 0;
    settings.XD = settings.XOrient == 0 ? double(box.Left) / W : double(W - box.Right) / W;
    settings.YD = settings.YOrient == 0 ? double(box.Top) / H : double(H - box.Bottom) / H;
}

void placementFromBox(const LabelBox &box, QSize raster, int cellHeight, StampSettings &settings)
{
    if (raster.width() <= 0 || raster.height() <= 0 || cellHeight < 1)
        return;
    anchorFromBox(box, raster, settings);
    settings.Size = double(std::min(raster.width(), raster.height())) / cellHeight;
}

LabelBox anchoredLabelBox(const StampSettings &settings, const QString &text, QSize raster)
{
    if (raster.isEmpty())
        return {};
    PhotoCanvas canvas;
    return boxOf(
        anchoredPlace(canvas, settings, text, raster.width(), raster.height()), raster.width(), raster.height());
}

void placeLabelCentredOn(QPoint pointer, QSize raster, const QString &text, StampSettings &settings)
{
    if (raster.isEmpty())
        return;
    // A label shrunk to fit takes its room from the margins, so a new place
    // may give it another size: settle on a place that keeps its own size.
    StampSettings trial = settings;
    LabelBox drawn = anchoredLabelBox(trial, text, raster);
    for (int round = 0; round < 4; ++round) {
        const LabelBox wanted = pointerLabelBox(pointer, raster, QSize(drawn.width(), drawn.height()));
        anchorFromBox(wanted, raster, trial);
        const LabelBox next = anchoredLabelBox(trial, text, raster);
        if (next.width() == drawn.width() && next.height() == drawn.height())
            break;
        drawn = next;
    }
    settings.XOrient = trial.XOrient;
    settings.YOrient = trial.YOrient;
    settings.XD = trial.XD;
    settings.YD = trial.YD;
}

LabelBox DrawTextToPhoto(PhotoCanvas &Canvas, StampSettings &settings, const QString &text, int px, int py)
{
    if (!Canvas.raster() || Canvas.raster()->isNull())
        return {};
    // Measured before the settings' font is set: the size is the one the
    // last anchored drawing left.
    const int pad = stripPadding(settings, Canvas.fontHeight());
    const QSize label = labelCell(Canvas, labelLines(text), pad);
    SetPhotoFontParams(Canvas, settings);
    const QSize raster(Canvas.width(), Canvas.height());
    const LabelBox box = pointerLabelBox(QPoint(px, py), raster, label);
    // The cell as placed, before the raster's edge clips the box.
    const LabelPlace p { box.Left, box.Top, label.width(), label.height(), pad, raster };
    const QRect area = paintedArea(Canvas, settings, text, p) & QRect(QPoint(0, 0), raster);
    if (!paintThroughPatch(*Canvas.raster(), {}, area, area, 1, Canvas, settings, text, p))
        paintLabel(Canvas, settings, text, p);
    SaveParams(Canvas, box, settings);
    return box;
}

void SaveParams(const PhotoCanvas &Canvas, const LabelBox &box, StampSettings &settings)
{
    placementFromBox(box, QSize(Canvas.width(), Canvas.height()), Canvas.fontHeight(), settings);
}

} // namespace kelvra
