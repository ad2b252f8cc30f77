// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/preview_job.h"

#include "imaging/font_fallback.h"

#include "imaging/bitmap_rotate.h"

#include "imaging/jpeg_image.h"
#include "imaging/photo_decoder.h"
#include "imaging/photo_loading.h"
#include "platform/file_ops.h"
#include "stamp/caption.h"
#include "stamp/file_mask.h"

#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

namespace kelvra {

namespace {

template<typename T = NoValue>
PreviewPhoto failed(PreviewPhoto photo, PreviewError error, const ImageResult<T> &why = {})
{
    photo.error = error;
    photo.imageError = why.error;
    photo.detail = QString::fromStdString(why.detail);
    return photo;
}

} // namespace

int neededPreviewScale(QSize uprightFullSize, QSize area)
{
    return JPGGetNeededSize(0, uprightFullSize.width(), uprightFullSize.height(), area.width(), area.height());
}

PreviewPhoto loadPreviewPhoto(const QString &path, QSize area, int gpsForm, const FormatSettings &format)
{
    PreviewPhoto photo;
    photo.path = path;
    try {
        if (!isFile(path))
            return failed(std::move(photo), PreviewError::NotFound);
        // The preview shows photo names only; the content then decides the kind.
        if (!IsPhotoFileName(path))
            return failed(std::move(photo), PreviewError::NotJpegName);

        TimgData metadata(255, photoTextOptions(gpsForm, format));
        const bool read = metadata.ProcessFile(nativePath(path));
        photo.values = photoValuesFrom(path, metadata, read);
        photo.dates = photoDateInputs(path, metadata, read);
        const int orientation = read ? metadata.exifOrientation() : 1;

        const PhotoKind kind = photoKindOfFile(nativePath(path));
        if (kind != PhotoKind::Jpeg && kind != PhotoKind::None) {
            ImageResult<DecodedPhoto> decoded = loadOtherPhoto(path, kind);
            if (!decoded)
                return failed(std::move(photo), PreviewError::Unreadable, decoded);
            const QSize stored = decoded.value.raster.size();
            photo.uprightFullSize = orientationSwapsSides(orientation) ? stored.transposed() : stored;
            // The same reduction a JPEG would get from its decoder.
            photo.scale = neededPreviewScale(photo.uprightFullSize, area);
            QImage raster = std::move(decoded.value.raster);
            if (photo.scale > 0) {
                const QSize reduced(
                    std::max(1, stored.width() >> photo.scale), std::max(1, stored.height() >> photo.scale));
                raster = raster.scaled(reduced, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_RGB32);
            }
            if (const RasterTurn turn = orientationTurns(orientation).upright) {
                // A raster left as stored would not fit uprightFullSize.
                if (const ImageResult<> turned = turn(raster); !turned)
                    return failed(std::move(photo), PreviewError::Undecodable, turned);
            }
            photo.raster = std::move(raster);
            return photo;
        }

        JpegImage jpeg;
        if (const ImageResult<> loaded = jpeg.loadFromFile(path); !loaded)
            return failed(std::move(photo), PreviewError::Unreadable, loaded);
        const QSize stored(jpeg.fullWidth(), jpeg.fullHeight());
        photo.uprightFullSize = orientationSwapsSides(orientation) ? stored.transposed() : stored;
        jpeg.setPerformance(JpegImage::Performance::BestSpeed);
        jpeg.setScale(neededPreviewScale(photo.uprightFullSize, area));
        if (const ImageResult<> decoded = jpeg.decode(); !decoded)
            return failed(std::move(photo), PreviewError::Undecodable, decoded);
        photo.scale = jpeg.scale();
        photo.warnings = jpeg.warningCount();
        if (const ImageResult<bool> turned = applyOrientation(jpeg, orientation, false); !turned)
            return failed(std::move(photo), PreviewError::Undecodable, turned);
        photo.raster = jpeg.takeImage();
    } catch (const std::exception &e) {
        // Out of memory, most likely; the photo is then one we cannot show.
        return failed(std::move(photo), PreviewError::Undecodable, failed(ImageError::NoMemory, e.what()));
    }
    return photo;
}

QString previewLabelText(const PreviewPhoto &photo, const StampSettings &settings, const FormatSettings &format)
{
    if (!settings.StampPhotosOpt)
        return {};
    PhotoValues values = photo.values;
    setPhotoDate(values, resolvePhotoDate(photo.dates, dateRulesOf(settings)));
    return GetCurrentFileStampText(settings.CaptionFormat, settings.DateFormat, values, format);
}

LabelBox drawPreviewLabel(QImage &raster, const QImage &photo, const StampSettings &settings, const QString &text)
{
    // A drag redraws on every move: copy into the buffer already held rather
    // than allocating a new one each time.
    if (raster.size() == photo.size() && raster.format() == photo.format() && raster.isDetached()
        && raster.bytesPerLine() == photo.bytesPerLine())
        std::memcpy(raster.bits(), photo.constBits(), size_t(photo.sizeInBytes()));
    else
        raster = photo.copy();
    PhotoCanvas canvas(&raster);
    return DrawTextToPhotoWITH_PARAMS(canvas, settings, text);
}

PreviewPicture drawPreview(const PreviewPhoto &photo, const StampSettings &settings, const FormatSettings &format)
{
    PreviewPicture picture;
    picture.text = previewLabelText(photo, settings, format);
    picture.box = drawPreviewLabel(picture.raster, photo.raster, settings, picture.text);
    return picture;
}

// The worker waits on the condition for a request; a request replaces the
// waiting one and bumps the generation, which makes a running load's result
// stale.
struct PreviewLoader::State
{
    struct Request
    {
        QString path;
        QSize area;
        int gpsForm = 0;
        FormatSettings format;
        Done done;
    };

    Load load;
    std::mutex lock;
    std::condition_variable wake;
    std::optional<Request> waiting;
    unsigned generation = 0;
    bool stopping = false;
    std::atomic<int> decodes { 0 };
    std::thread worker;

    void run()
    {
        std::unique_lock<std::mutex> locker(lock);
        for (;;) {
            wake.wait(locker, [this] { return stopping || waiting.has_value(); });
            if (stopping)
                return;
            Request request = std::move(*waiting);
            waiting.reset();
            const unsigned started = generation;
            locker.unlock();
            ++decodes;
            PreviewPhoto photo = load(request.path, request.area, request.gpsForm, request.format);
            locker.lock();
            // Delivered under the lock, so a newer request or the destructor
            // cannot slip in between the check and the call.
            if (started == generation && !stopping && request.done)
                request.done(std::move(photo));
        }
    }
};

PreviewLoader::PreviewLoader()
    : PreviewLoader(Load(loadPreviewPhoto))
{
}

PreviewLoader::PreviewLoader(Load load)
    : m_state(std::make_unique<State>())
{
    m_state->load = std::move(load);
    m_state->worker = std::thread([state = m_state.get()] { state->run(); });
}

PreviewLoader::~PreviewLoader()
{
    {
        std::lock_guard<std::mutex> locker(m_state->lock);
        m_state->stopping = true;
    }
    m_state->wake.notify_all();
    m_state->worker.join();
}

void PreviewLoader::request(const QString &path, QSize area, int gpsForm, const FormatSettings &format, Done done)
{
    {
        std::lock_guard<std::mutex> locker(m_state->lock);
        ++m_state->generation;
        m_state->waiting = State::Request { path, area, gpsForm, format, std::move(done) };
    }
    m_state->wake.notify_one();
}

int PreviewLoader::decodeCount() const
{
    return m_state->decodes.load();
}

std::optional<std::pair<QString, QString>> missingDesignFont(const StampSettings &settings)
{
    const std::optional<FontFallback> fallback = fontFallback(settings.FontName);
    if (!fallback)
        return std::nullopt;
    return std::pair(fallback->requested, fallback->drawn);
}

} // namespace kelvra
