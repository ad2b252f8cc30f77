// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preview_placeholder.h"

#include "imaging/jpeg_image.h"
#include "imaging/label_renderer.h"
#include "imaging/photo_loading.h"
#include "stamp/caption.h"
#include "stamp/file_mask.h"
#include "stamp/photo_values.h"

#include <QFileInfo>
#include <QPainter>
#include <QTimer>

namespace kelvra {

PreviewView::PreviewView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ImageView"));
    setCursor(Qt::PointingHandCursor);
    setToolTip(tr("Press left mouse button to place the text label here."));
    setAccessibleName(toolTip());
    hide();
}

void PreviewView::setDesign(const StampSettings &settings, const AppOptions &options)
{
    m_settings = settings;
    m_options = options;
    redraw();
}

void PreviewView::LoadPic(const QString &FName, bool ForceLoad)
{
    if (FName == m_path && !ForceLoad)
        return;
    JpegImage jpeg;
    bool ok = QFileInfo(FName).isFile() && IsJpegFileName(FName) && jpeg.loadFromFile(FName);
    if (ok) {
        jpeg.setPerformance(JpegImage::Performance::BestSpeed);
        jpeg.setScale(JPGGetNeededSize(jpeg, qMax(width(), 642), qMax(height(), 378)));
        ok = jpeg.decode();
    }
    if (!ok) {
        clearPhoto();
        QTimer::singleShot(0, this, [this, FName]() { Q_EMIT photoFailed(FName); });
        return;
    }
    ++m_decodes;
    ApplyExifOrientation(jpeg, FName, false);
    m_photo = jpeg.takeImage();
    m_path = FName;
    redraw();
    show();
    QTimer::singleShot(0, this, [this, FName]() { Q_EMIT photoShown(FName); });
}

void PreviewView::clearPhoto()
{
    m_path.clear();
    m_photo = QImage();
    m_raster = QImage();
    hide();
}

void PreviewView::redraw()
{
    if (m_photo.isNull())
        return;
    m_raster = m_photo.copy();
    QString text;
    if (m_settings.StampPhotosOpt) {
        const PhotoValues values = FillPhotoValues(m_path, m_options.GPSForm, m_format);
        text = GetCurrentFileStampText(m_settings.CaptionFormat, m_settings.DateFormat, values, m_format);
    }
    PhotoCanvas canvas(&m_raster);
    DrawTextToPhotoWITH_PARAMS(canvas, m_settings, text);
    update();
}

void PreviewView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (m_raster.isNull())
        return;
    m_placement = GetRightRect(m_raster.width(), m_raster.height(), width(), height());
    const PixelRect &r = m_placement.PreviewRect;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(r.Left, r.Top, r.width(), r.height()), m_raster);
}

} // namespace kelvra
