// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/label_renderer.h"
#include "imaging/preview_geometry.h"
#include "jobs/preview_job.h"
#include "stamp/format_settings.h"
#include "stamp/stamp_settings.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <memory>

namespace kelvra {

class DesignModel;

// The preview area ("ImageView"): the selected photo, decoded off the
// user-interface thread at the scale the area needs, with the label of the
// design drawn exactly as the batch draws it, redrawn whenever the design
// changes. A left press or drag moves the label: it writes the place, and
// only the place, into the design. Hidden while no photo is shown.
class PreviewView : public QWidget
{
    Q_OBJECT
public:
    explicit PreviewView(DesignModel &design, QWidget *parent = nullptr);
    ~PreviewView() override;

    // The GPS text form the token values are filled with; reloads when it changed.
    void setOptions(const AppOptions &options);
    // Starts loading FName off the UI thread (fast, reduced scale). A newer call supersedes an older.
    // ForceLoad reloads even if FName is the photo shown.
    void LoadPic(const QString &FName, bool ForceLoad = false);
    void clearPhoto(); // no photo: the view hides
    QString photoPath() const; // the previewed photo ("" when none) -- a member, not UI text
    bool hasPhoto() const;
    PreviewPlacement placement() const; // last GetRightRect (PreviewRect, PreviewScale)
    QImage previewRaster() const; // the raster with the label drawn, as shown
    const PreviewPhoto &photo() const { return m_photo; } // as loaded, without the label
    QString labelText() const { return m_labelText; } // as drawn; empty when the stamp task is off
    PhotoDating photoDating() const; // the previewed photo's date under the design's rules
    int decodeCount() const; // decodes done so far (tests)
    // The label's height on the photo at full size, as a run draws it; 0 without a label.
    int labelHeightOnPhoto() const { return m_labelHeightOnPhoto; }

Q_SIGNALS:
    void photoShown(const QString &path); // a load succeeded; the view is visible and drawn
    void photoFailed(const QString &path); // load failed / not a photo name: the view hid itself
    // The raster was drawn again (a new photo, design or place).
    void redrawn();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void request(const QString &path);
    void loaded(PreviewPhoto photo, quint64 generation);
    void dropRequest();
    void dropPhoto();
    void designChanged();
    void redraw(bool sameText = false);
    void updatePlacement();
    void queueScaleCheck();
    void checkScale();
    void placeLabel(QPoint pointer);

    DesignModel &m_design;
    StampSettings m_drawn; // the design m_raster shows
    AppOptions m_options;
    FormatSettings m_format;

    QString m_path; // the photo shown; empty when none
    PreviewPhoto m_photo; // as loaded, without the label
    QImage m_raster; // m_photo's raster with the label
    QString m_labelText; // as drawn on m_raster; empty when the stamp task is off
    int m_labelHeightOnPhoto = 0;
    PreviewPlacement m_placement;
    QImage m_shown; // m_raster scaled into PreviewRect, made at paint time
    bool m_shownStale = true;

    // The request in flight, if any: its path and the scale it will decode at
    // (-1 when unknown), so a resize does not ask twice for the same thing.
    QString m_pendingPath;
    int m_pendingScale = -1;
    quint64 m_generation = 0; // results of older requests are stale
    bool m_scaleCheckQueued = false;

    // Last, so it is destroyed first: its destructor waits for a running load,
    // whose result may still be posted to this object.
    std::unique_ptr<PreviewLoader> m_loader;
};

} // namespace kelvra
