// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobs/preview_job.h"
#include "stamp/format_settings.h"
#include "stamp/looks.h"
#include "stamp/stamp_settings.h"

#include <QDialog>
#include <QImage>
#include <QSize>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QListWidget;
class QListWidgetItem;

namespace kelvra {

class DesignModel;
class PreviewView;

// A look drawn on the photo the preview shows, fitted into box. Any thread.
QImage lookPicture(const PreviewPhoto &photo, const StampSettings &look, const FormatSettings &format, QSize box);

// The ready designs, each drawn on the photo the preview shows. The pictures
// are made on a worker thread whenever the gallery opens or the preview shows
// another photo; a newer set makes an older one stale. Choosing a picture
// (a click, or Enter) announces its look; the gallery changes nothing itself.
class LookGallery : public QDialog
{
    Q_OBJECT
public:
    using Draw = std::function<QImage(
        const PreviewPhoto &photo, const StampSettings &look, const FormatSettings &format, QSize box)>;

    // draw makes one picture: lookPicture unless given (tests hold it back).
    LookGallery(const DesignModel &design, const PreviewView &preview, std::vector<ReadyLook> looks,
        QWidget *parent = nullptr, Draw draw = {});

    QListWidget *list() const { return m_list; }

    static constexpr QSize kPictureSize { 240, 180 };
    // An item's role that holds whether its picture is drawn.
    static constexpr int kDrawnRole = Qt::UserRole + 1;

Q_SIGNALS:
    void lookChosen(const QString &path);
    // Every picture of the newest set is shown.
    void picturesReady();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Draws the pictures again, of the photo the preview shows now.
    void refresh();
    void showPictures(const std::vector<QImage> &pictures, quint64 generation);
    void choose(QListWidgetItem *item);

    const DesignModel &m_design;
    const PreviewView &m_preview;
    std::vector<ReadyLook> m_looks;
    Draw m_draw;
    FormatSettings m_format;
    QListWidget *m_list = nullptr;
    QLabel *m_note = nullptr;
    quint64 m_generation = 0;
    // The newest generation, for the worker to leave a stale set early.
    std::shared_ptr<std::atomic<quint64>> m_latest = std::make_shared<std::atomic<quint64>>(0);
    // A thread of the gallery's own: the shared pool stays free for the
    // toolkit's own image work on the window's thread. Last, so that it is
    // destroyed first and waits for the set being drawn.
    QThreadPool m_pool;
};

} // namespace kelvra
