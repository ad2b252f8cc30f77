// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/label_renderer.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

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
    QFont font(m_family);
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
    if (settings.BgColor == kNoColor)
        Canvas.setTransparent();
    else
        Canvas.setOpaque(toQColor(settings.BgColor));
}

namespace {

// Clamping, the three passes and the box, shared by both placements.
LabelBox drawLabelAt(PhotoCanvas &Canvas, const StampSettings &settings, const QString &text, int left, int top,
                     int w, int t)
{
    const int W = Canvas.width();
    const int H = Canvas.height();
    if (left + w > W)
        left = W - w;
    if (top + t > H)
        top = H - t;
    if (left < 0)
        left = 0;
    if (top < 0)
        top = 0;

    QPainter painter(Canvas.raster());
    const int points = fontPointSize(Canvas.fontHeight());

    if (settings.FShadow) {
        if (settings.BgColor != kNoColor) {
            // The box goes down once, under the shadow, not offset.
            Canvas.textOut(painter, left, top, text);
            Canvas.setTransparent();
        }
        const int d = shadowOffset(Canvas.fontHeight(), settings.FOutline);
        Canvas.setFontColor(kShadowColor);
        Canvas.textOut(painter, left + d, top + d, text);
    }

    SetPhotoFontParams(Canvas, settings);
    if (settings.BgColor != kNoColor && settings.FShadow)
        Canvas.setTransparent();
    Canvas.textOut(painter, left, top, text);

    if (settings.FOutline) {
        const TColor pen = settings.OutlineColor == kNoColor ? ContrastColor(settings.FontColor) : settings.OutlineColor;
        Canvas.setPen(toQColor(pen), points / 20);
        Canvas.strokeText(painter, left, top, text);
        Canvas.setPen(toQColor(pen), 1);
    }

    return LabelBox{left, top, std::min(left + w, W), std::min(top + t, H)};
}

} // namespace

LabelBox DrawTextToPhotoWITH_PARAMS(PhotoCanvas &Canvas, const StampSettings &settings, const QString &text)
{
    if (!Canvas.raster() || Canvas.raster()->isNull())
        return {};
    SetPhotoFontParams(Canvas, settings);
    const int W = Canvas.width();
    const int H = Canvas.height();
    Canvas.setFontHeight(fontCellHeight(W, H, settings.Size));
    const int w = Canvas.textWidth(text);
    const int t = Canvas.textHeight();

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
    return drawLabelAt(Canvas, settings, text, left, top, w, t);
}

LabelBox DrawTextToPhoto(PhotoCanvas &Canvas, StampSettings &settings, const QString &text, int px, int py)
{
    if (!Canvas.raster() || Canvas.raster()->isNull())
        return {};
    const int w = Canvas.textWidth(text);
    const int t = Canvas.textHeight();
    SetPhotoFontParams(Canvas, settings);
    const LabelBox box = drawLabelAt(Canvas, settings, text, px - w / 2, py - t / 2, w, t);
    SaveParams(Canvas, box, settings);
    return box;
}

void SaveParams(const PhotoCanvas &Canvas, const LabelBox &box, StampSettings &settings)
{
    const int W = Canvas.width();
    const int H = Canvas.height();
    if (W <= 0 || H <= 0)
        return;
    settings.XOrient = (W - box.Right) < box.Left ? 1 : 0;
    settings.YOrient = (H - box.Bottom) < box.Top ? 1 : 0;
    settings.XD = settings.XOrient == 0 ? double(box.Left) / W : double(W - box.Right) / W;
    settings.YD = settings.YOrient == 0 ? double(box.Top) / H : double(H - box.Bottom) / H;
    settings.Size = double(std::min(W, H)) / Canvas.fontHeight();
}

} // namespace kelvra
