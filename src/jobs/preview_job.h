// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/image_error.h"
#include "imaging/label_renderer.h"
#include "stamp/format_settings.h"
#include "stamp/photo_values.h"
#include "stamp/stamp_settings.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace kelvra {

enum class PreviewError { None, NotFound, NotJpegName, Unreadable, Undecodable };

// A photo loaded for the preview area: decoded at a reduced scale, turned upright, token values filled.
struct PreviewPhoto
{
    QString path;
    PreviewError error = PreviewError::None;
    ImageError imageError = ImageError::None; // for Unreadable and Undecodable
    QString detail; // the codec's or reader's own detail, may be empty
    QImage raster; // upright, at `scale`, WITHOUT the label (Format_RGB32)
    int scale = 0; // DCT reduction used: 0 full, 1 half, 2 quarter, 3 eighth
    QSize uprightFullSize; // the photo's full size, upright
    int warnings = 0; // libjpeg warnings (damaged data)
    PhotoValues values; // the token values of the photo
    DateInputs dates; // so the drawing applies the design's date rules without a reload
    bool ok() const { return error == PreviewError::None; }
};

// The strongest DCT reduction that still covers `area`, from the photo's UPRIGHT full size.
int neededPreviewScale(QSize uprightFullSize, QSize area);

// Reads `path`, decodes it at neededPreviewScale (fast DCT), turns it upright, fills its values.
// Any thread; touches no widget. Never throws. The metadata is read once, for
// both the orientation and the values.
PreviewPhoto loadPreviewPhoto(const QString &path, QSize area, int gpsForm, const FormatSettings &format);

// The label drawn on a copy of photo.raster exactly as the batch draws it (empty text when the stamp
// task is off: settings.StampPhotosOpt false).
struct PreviewPicture
{
    QImage raster;
    LabelBox box;
    QString text;
};
PreviewPicture drawPreview(const PreviewPhoto &photo, const StampSettings &settings, const FormatSettings &format);
// The two halves of drawPreview: the label's text, and raster reset to photo
// (reusing its buffer when it can) with that text drawn at the placement.
QString previewLabelText(const PreviewPhoto &photo, const StampSettings &settings, const FormatSettings &format);
LabelBox drawPreviewLabel(QImage &raster, const QImage &photo, const StampSettings &settings, const QString &text);

// Loads previews off the caller's thread, on one worker thread of its own.
// A newer request supersedes older ones: a request not yet started is
// dropped, and the result of an older one still running is never delivered.
// `done` is called on the worker thread (a window posts it to itself with a
// queued call); it is never called after the destructor returns. The
// destructor waits for the running load. request() may come from any thread.
class PreviewLoader
{
public:
    using Done = std::function<void(PreviewPhoto)>;
    using Load
        = std::function<PreviewPhoto(const QString &path, QSize area, int gpsForm, const FormatSettings &format)>;
    PreviewLoader();
    // With another loading function in place of loadPreviewPhoto (tests hold a load back with it).
    explicit PreviewLoader(Load load);
    ~PreviewLoader();
    PreviewLoader(const PreviewLoader &) = delete;
    PreviewLoader &operator=(const PreviewLoader &) = delete;

    void request(const QString &path, QSize area, int gpsForm, const FormatSettings &format, Done done);
    int decodeCount() const; // loads actually decoded so far (tests count reloads with it)

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The font a design names and the one its label is drawn with, when the
// machine lacks the first; empty when the named font is there.
std::optional<std::pair<QString, QString>> missingDesignFont(const StampSettings &settings);

} // namespace kelvra
