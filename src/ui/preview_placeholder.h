// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for the preview widget until it lands: the same interface, a
// plain reduced-scale load and a centred picture, no placement by pointer.
#pragma once

#include "imaging/preview_geometry.h"
#include "stamp/format_settings.h"
#include "stamp/stamp_settings.h"

#include <QImage>
#include <QWidget>

namespace kelvra {

class PreviewView : public QWidget
{
    Q_OBJECT
public:
    explicit PreviewView(QWidget *parent = nullptr);

    void setDesign(const StampSettings &settings, const AppOptions &options);
    void LoadPic(const QString &FName, bool ForceLoad = false);
    void clearPhoto();
    QString photoPath() const { return m_path; }
    bool hasPhoto() const { return !m_path.isEmpty(); }
    PreviewPlacement placement() const { return m_placement; }
    QImage previewRaster() const { return m_raster; }
    int decodeCount() const { return m_decodes; }

Q_SIGNALS:
    void photoShown(const QString &path);
    void photoFailed(const QString &path);
    void labelPlaced(const StampSettings &placed);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void redraw();

    StampSettings m_settings;
    AppOptions m_options;
    FormatSettings m_format = FormatSettings::system();
    QString m_path;
    QImage m_photo;
    QImage m_raster;
    PreviewPlacement m_placement;
    int m_decodes = 0;
};

} // namespace kelvra
