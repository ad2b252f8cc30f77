// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preview_view.h"

#include "stamp/file_mask.h"

#include <QMetaObject>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <cstring>

namespace kelvra {

LabelBox placeLabelOnPreview(QImage &raster, const QImage &photo, StampSettings &settings, const QString &text,
    int cellHeight, RasterPoint point)
{
    // A drag resets the raster on every move: copy into the buffer already
    // held rather than allocating a new one each time.
    if (raster.size() == photo.size() && raster.format() == photo.format() && raster.isDetached()
        && raster.bytesPerLine() == photo.bytesPerLine())
        std::memcpy(raster.bits(), photo.constBits(), size_t(photo.sizeInBytes()));
    else
        raster = photo.copy();
    PhotoCanvas canvas(&raster);
    SetPhotoFontParams(canvas, settings);
    canvas.setFontHeight(cellHeight);
    return DrawTextToPhoto(canvas, settings, text, point.x, point.y);
}

PreviewView::PreviewView(QWidget *parent)
    : QWidget(parent)
    , m_format(FormatSettings::system())
    , m_loader(std::make_unique<PreviewLoader>())
{
    setObjectName(QStringLiteral("ImageView"));
    setCursor(Qt::PointingHandCursor);
    const QString hint = tr("Press left mouse button to place the text label here.");
    setToolTip(hint);
    setAccessibleName(hint);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setVisible(false);
}

PreviewView::~PreviewView() = default;

void PreviewView::setDesign(const StampSettings &settings, const AppOptions &options)
{
    const bool valuesChanged = options.GPSForm != m_options.GPSForm;
    m_settings = settings;
    m_options = options;
    if (!hasPhoto())
        return;
    redraw();
    // The token values were filled with the old form; the file has them again.
    if (valuesChanged)
        LoadPic(m_path, true);
}

void PreviewView::LoadPic(const QString &FName, bool ForceLoad)
{
    if (!ForceLoad && FName == m_path) {
        // Back to the photo shown: a request for another one must not replace it.
        if (!m_pendingPath.isEmpty() && m_pendingPath != m_path)
            dropRequest();
        return;
    }
    if (!ForceLoad && FName == m_pendingPath)
        return;
    if (!IsPhotoFileName(FName)) {
        dropRequest();
        dropPhoto();
        Q_EMIT photoFailed(FName);
        return;
    }
    request(FName);
}

void PreviewView::request(const QString &path)
{
    const quint64 generation = ++m_generation;
    m_pendingPath = path;
    // The scale is only known beforehand for a reload of the photo shown.
    m_pendingScale = path == m_path ? neededPreviewScale(m_photo.uprightFullSize, size()) : -1;
    m_loader->request(path, size(), m_options.GPSForm, m_format, [this, generation](PreviewPhoto photo) {
        // On the loader's thread: hand over to this object's.
        QMetaObject::invokeMethod(
            this, [this, generation, photo = std::move(photo)]() mutable { loaded(std::move(photo), generation); },
            Qt::QueuedConnection);
    });
}

void PreviewView::loaded(PreviewPhoto photo, quint64 generation)
{
    if (generation != m_generation)
        return;
    const QString path = m_pendingPath;
    m_pendingPath.clear();
    m_pendingScale = -1;
    if (!photo.ok() || photo.raster.isNull()) {
        dropPhoto();
        Q_EMIT photoFailed(path);
        return;
    }
    m_path = path;
    m_photo = std::move(photo);
    redraw();
    setVisible(true);
    Q_EMIT photoShown(m_path);
    // The area may have changed while the photo was on its way.
    queueScaleCheck();
}

void PreviewView::dropPhoto()
{
    m_path.clear();
    m_photo = PreviewPhoto();
    m_raster = QImage();
    m_shown = QImage();
    m_labelText.clear();
    m_placement = PreviewPlacement();
    setVisible(false);
}

void PreviewView::dropRequest()
{
    ++m_generation; // whatever is still on its way is stale now
    m_pendingPath.clear();
    m_pendingScale = -1;
}

void PreviewView::clearPhoto()
{
    dropRequest();
    dropPhoto();
}

QString PreviewView::photoPath() const
{
    return m_path;
}

bool PreviewView::hasPhoto() const
{
    return !m_path.isEmpty();
}

PreviewPlacement PreviewView::placement() const
{
    return m_placement;
}

QImage PreviewView::previewRaster() const
{
    return m_raster;
}

int PreviewView::decodeCount() const
{
    return m_loader->decodeCount();
}

void PreviewView::redraw()
{
    PreviewPicture picture = drawPreview(m_photo, m_settings, m_format);
    m_raster = std::move(picture.raster);
    m_labelText = picture.text;
    m_cellHeight = fontCellHeight(m_raster.width(), m_raster.height(), m_settings.Size);
    m_shownStale = true;
    updatePlacement();
    update();
}

void PreviewView::updatePlacement()
{
    const PreviewPlacement placement = GetRightRect(m_raster.width(), m_raster.height(), width(), height());
    if (!(placement.PreviewRect == m_placement.PreviewRect))
        m_shownStale = true;
    m_placement = placement;
}

void PreviewView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().brush(backgroundRole()));
    if (!hasPhoto() || m_raster.isNull())
        return;
    // Loading here would run a decode inside a paint; ask for it afterwards.
    if (neededPreviewScale(m_photo.uprightFullSize, size()) != m_photo.scale)
        queueScaleCheck();
    updatePlacement();
    const PixelRect &r = m_placement.PreviewRect;
    const QRect target(r.Left, r.Top, r.width(), r.height());
    if (target.isEmpty())
        return;
    // Scaled once per change of raster or area, not on every uncovering; at
    // the screen's own pixel density, so it stays sharp there.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(target.size()) * ratio).toSize();
    if (m_shownStale || m_shown.size() != pixels) {
        m_shown = pixels == m_raster.size() ? m_raster
                                            : m_raster.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_shown.setDevicePixelRatio(ratio);
        m_shownStale = false;
    }
    painter.drawImage(target.topLeft(), m_shown);
}

void PreviewView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!hasPhoto())
        return;
    updatePlacement();
    queueScaleCheck();
}

void PreviewView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (hasPhoto())
        queueScaleCheck();
}

void PreviewView::queueScaleCheck()
{
    if (m_scaleCheckQueued)
        return;
    m_scaleCheckQueued = true;
    QMetaObject::invokeMethod(this, &PreviewView::checkScale, Qt::QueuedConnection);
}

// The decode scale follows the photo's upright full size and the area, so a
// photo stored sideways gets the same scale at every check.
void PreviewView::checkScale()
{
    m_scaleCheckQueued = false;
    if (!hasPhoto() || !isVisible())
        return;
    const int needed = neededPreviewScale(m_photo.uprightFullSize, size());
    if (!m_pendingPath.isEmpty()) {
        // Another photo, or this one at the right scale, is already on its way.
        if (m_pendingPath != m_path || m_pendingScale == needed)
            return;
    } else if (needed == m_photo.scale) {
        return;
    }
    LoadPic(m_path, true);
}

void PreviewView::mousePressEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        placeLabel(event->position().toPoint());
    event->accept();
}

void PreviewView::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        placeLabel(event->position().toPoint());
    event->accept();
}

void PreviewView::placeLabel(QPoint pointer)
{
    // Without a label to see, the stored placement stays where it was.
    if (!hasPhoto() || m_raster.isNull() || m_labelText.isEmpty())
        return;
    placeLabelOnPreview(m_raster, m_photo.raster, m_settings, m_labelText, m_cellHeight,
        pointerToRaster(pointer.x(), pointer.y(), m_placement));
    m_shownStale = true;
    const PixelRect &r = m_placement.PreviewRect;
    update(QRect(r.Left, r.Top, r.width(), r.height()));
    Q_EMIT labelPlaced(m_settings);
}

} // namespace kelvra
