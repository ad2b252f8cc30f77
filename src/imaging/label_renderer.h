// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/image_error.h"
#include "stamp/stamp_settings.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;

namespace kelvra {

// Left, Top, Right, Bottom in pixels; Right and Bottom are exclusive.
struct PixelRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int width() const { return Right - Left; }
    int height() const { return Bottom - Top; }
    friend bool operator==(const PixelRect &, const PixelRect &) = default;
};

// Where the label ended up on the surface it was drawn on.
using LabelBox = PixelRect;

QColor toQColor(TColor color); // 0x00BBGGRR, top byte ignored

// The label's lines: the text as it is when it holds no line break, else its
// lines that are not blank (a caption token with no value leaves none).
QStringList labelLines(const QString &text);

// The room a strip leaves around the text, in pixels.
int stripPadding(const StampSettings &settings, int cellHeight);

// How far the glow reaches beyond the glyphs, in pixels; 0 without glow.
int glowReach(const StampSettings &settings, int cellHeight);

// A raster to draw the label on, with the text attributes last set on it:
// font face, style and cell height, font colour, background mode and colour,
// pen. They stay until changed, so a pointer placement draws with the font the
// last anchored drawing left. The raster is not owned and must outlive the
// canvas (or be replaced with setRaster()).
class PhotoCanvas
{
public:
    explicit PhotoCanvas(QImage *raster = nullptr)
        : m_raster(raster)
    {
    }

    QImage *raster() const { return m_raster; }
    void setRaster(QImage *raster) { m_raster = raster; }
    int width() const { return m_raster ? m_raster->width() : 0; }
    int height() const { return m_raster ? m_raster->height() : 0; }

    void setFontFace(const QString &family);
    const QString &fontFace() const { return m_family; }
    void setFontStyle(const FontStyles &style);
    const FontStyles &fontStyle() const { return m_style; }
    // The cell height: the font's ascent plus descent, in pixels (at least 1).
    void setFontHeight(int cellHeight);
    int fontHeight() const { return m_cellHeight; }
    void setFontColor(const QColor &color) { m_fontColor = color; }
    const QColor &fontColor() const { return m_fontColor; }

    // Transparent: text leaves the background alone. Opaque: the text cell,
    // w x t pixels, is first filled with the background colour.
    void setTransparent() { m_opaque = false; }
    void setOpaque(const QColor &background)
    {
        m_opaque = true;
        m_background = background;
    }
    bool isOpaque() const { return m_opaque; }
    const QColor &background() const { return m_background; }

    void setPen(const QColor &color, int width)
    {
        m_penColor = color;
        m_penWidth = width;
    }
    int penWidth() const { return m_penWidth; }

    // Measuring: advance width w and cell height t of a one-line text.
    int textWidth(const QString &text) const;
    int textHeight() const { return m_cellHeight; }

    // Draws text with the top-left corner of its cell at (x, y).
    void textOut(QPainter &painter, int x, int y, const QString &text) const;
    // Strokes the glyph outlines with the pen, without filling them. A pen
    // width of 0 draws a one-pixel line.
    void strokeText(QPainter &painter, int x, int y, const QString &text) const;

    // The font as drawn (its whole-pixel size) and the scale that brings its
    // ascent plus descent to exactly the cell height.
    const QFont &resolvedFont() const;
    qreal resolvedScale() const;
    qreal resolvedAscent() const; // of resolvedFont(), before the scale

private:
    void resolve() const;

    QImage *m_raster = nullptr;
    QString m_family = QStringLiteral("Arial");
    FontStyles m_style;
    int m_cellHeight = 16;
    QColor m_fontColor = Qt::black;
    bool m_opaque = false;
    QColor m_background = Qt::white;
    QColor m_penColor = Qt::black;
    int m_penWidth = 1;

    mutable bool m_resolved = false;
    mutable QFont m_font;
    mutable qreal m_scale = 1;
    mutable qreal m_ascent = 0; // of m_font, unscaled
};

// The font cell height for a W x H raster: trunc(min(W, H) / Size), at least
// 1 (also for a Size that is zero, negative or not a number).
int fontCellHeight(int width, int height, double Size);

// The font's size in points at 96 dots per inch, rounded half away from zero.
// Fixed, not the screen's, so a batch gives the same picture everywhere.
int fontPointSize(int cellHeight);

// Shadow offset: points div 20, times 1.5 rounded half to even with the outline on.
int shadowOffset(int cellHeight, bool outline);

TColor ContrastColor(TColor color);

// Font face, style and colour from the settings; opaque in the background
// colour, or transparent for kNoColor. Leaves the height alone.
void SetPhotoFontParams(PhotoCanvas &Canvas, const StampSettings &settings);

// Draws text (already expanded; a line break starts another line) at the
// stored placement. The label's box is its cell: the lines and, with a strip,
// the padding around them; a strip's band runs beyond it to the edges. The window
// resets and shows the preview raster around this call.
LabelBox DrawTextToPhotoWITH_PARAMS(PhotoCanvas &Canvas, const StampSettings &settings, const QString &text);

// The batch's label on a photo as stored, turned and mirrored by its EXIF
// orientation: it reads upright, in its corner, once a viewer applies any
// orientation 1..8 (other values draw on the raster as it is). The pixels are
// those of turning the raster upright, DrawTextToPhotoWITH_PARAMS and turning
// it back, but only the label's neighbourhood is turned, which spares two
// turns of the whole photo. Laid out from the stored size alone, so it can be painted on
// the rows it covers as they come from the decoder.
class StoredPhotoLabel
{
public:
    StoredPhotoLabel(QSize stored, int orientation, const StampSettings &settings, const QString &text);

    // The stored raster's rectangle that paint() changes; empty for none.
    QRect storedArea() const { return m_source; }
    // Where the label lies on the upright picture.
    LabelBox box() const { return m_box; }
    // Paints on band: the part of the stored raster from (bandLeft, bandTop)
    // on, covering storedArea(). False without memory for the patch, with
    // band unchanged.
    bool paint(QImage &band, int bandTop, int bandLeft = 0);

private:
    PhotoCanvas m_canvas;
    StampSettings m_settings;
    QString m_text;
    int m_orientation;
    PixelRect m_cell; // upright
    int m_pad = 0;
    QSize m_upright;
    LabelBox m_box;
    QRect m_area; // upright
    QRect m_source; // stored
};

// The whole stored raster at once; the box is in upright coordinates. Fails
// with ImageError::PaintRefused without memory for the patch.
ImageResult<LabelBox> drawLabelOnStoredPhoto(
    QImage &stored, int orientation, const StampSettings &settings, const QString &text);

// Pointer placement as numbers: the box of a label of size `label` whose
// centre the pointer holds on a raster of size `raster`, kept inside it (the
// top-left corner wins when the label is larger than the raster).
LabelBox pointerLabelBox(QPoint pointer, QSize raster, QSize label);

// XOrient, YOrient, XD, YD and Size of settings from a label box on a raster
// of size `raster` drawn with font cell height cellHeight; nothing changes for
// an empty raster or a cell height below 1.
void placementFromBox(const LabelBox &box, QSize raster, int cellHeight, StampSettings &settings);

// XOrient, YOrient, XD and YD alone from a label box; the size stays.
void anchorFromBox(const LabelBox &box, QSize raster, StampSettings &settings);

// Where DrawTextToPhotoWITH_PARAMS puts text on a raster of that size, shrunk
// to fit as it draws it; draws nothing.
LabelBox anchoredLabelBox(const StampSettings &settings, const QString &text, QSize raster);

// The placement fields that make the anchored drawing put the label centred
// on pointer (kept inside the raster), at the size that drawing gives it.
// Size and every other field stay as they are.
void placeLabelCentredOn(QPoint pointer, QSize raster, const QString &text, StampSettings &settings);

// Pointer placement drawn: text centred on raster point (px, py), with the
// font height the last anchored drawing left on Canvas, then the placement
// fields of settings worked back out of the result (SaveParams). A window that
// knows the label's size uses pointerLabelBox and placementFromBox instead.
LabelBox DrawTextToPhoto(PhotoCanvas &Canvas, StampSettings &settings, const QString &text, int px, int py);

// placementFromBox with Canvas's raster size and font height.
void SaveParams(const PhotoCanvas &Canvas, const LabelBox &box, StampSettings &settings);

} // namespace kelvra
