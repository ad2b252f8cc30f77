// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preview_view.h"

#include "stamp/file_mask.h"
#include "ui/design_model.h"

#include <QMetaObject>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

namespace kelvra {

namespace {

// The design with the place left out: equal ones differ in the place alone.
StampSettings withoutPlace(StampSettings s)
{
    s.XOrient = s.YOrient = 0;
    s.XD = s.YD = 0;
    return s;
}

} // namespace

PreviewView::PreviewView(DesignModel &design, QWidget *parent)
    : QWidget(parent)
    , m_design(design)
    , m_drawn(design.settings())
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
    connect(&m_design, &DesignModel::changed, this, &PreviewView::designChanged);
}

PreviewView::~PreviewView() = default;

void PreviewView::setOptions(const AppOptions &options)
{
    const bool valuesChanged = options.GPSForm != m_options.GPSForm;
    m_options = options;
    // The token values were filled with the old form; the file has them again.
    if (valuesChanged && hasPhoto())
        LoadPic(m_path, true);
}

void PreviewView::designChanged()
{
    if (!hasPhoto())
        return;
    // A drag moves the label only: its text stays as it is.
    redraw(withoutPlace(m_design.settings()) == withoutPlace(m_drawn));
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
    m_labelHeightOnPhoto = 0;
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

PhotoDating PreviewView::photoDating() const
{
    return resolvePhotoDate(m_photo.dates, dateRulesOf(m_design.settings()));
}

QImage PreviewView::previewRaster() const
{
    return m_raster;
}

int PreviewView::decodeCount() const
{
    return m_loader->decodeCount();
}

void PreviewView::redraw(bool sameText)
{
    m_drawn = m_design.settings();
    if (!sameText)
        m_labelText = previewLabelText(m_photo, m_drawn, m_format);
    drawPreviewLabel(m_raster, m_photo.raster, m_drawn, m_labelText);
    m_labelHeightOnPhoto
        = m_labelText.isEmpty() ? 0 : anchoredLabelBox(m_drawn, m_labelText, m_photo.uprightFullSize).height();
    m_shownStale = true;
    updatePlacement();
    update();
    Q_EMIT redrawn();
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
    const RasterPoint point = pointerToRaster(pointer.x(), pointer.y(), m_placement);
    StampSettings placed = m_design.settings();
    placeLabelCentredOn(QPoint(point.x, point.y), m_raster.size(), m_labelText, placed);
    // The design redraws the preview, exactly as it draws it anywhere else.
    m_design.edit([&placed](StampSettings &s) {
        s.XOrient = placed.XOrient;
        s.YOrient = placed.YOrient;
        s.XD = placed.XD;
        s.YD = placed.YD;
    });
}

} // namespace kelvra
