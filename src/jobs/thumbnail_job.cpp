// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/thumbnail_job.h"

#include "imaging/bitmap_rotate.h"
#include "imaging/jpeg_image.h"
#include "imaging/photo_decoder.h"
#include "imaging/photo_loading.h"
#include "metadata/exif_reader.h"
#include "platform/file_ops.h"

#include <QCache>
#include <QFileInfo>
#include <QImageReader>
#include <QSet>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <deque>
#include <filesystem>
#include <mutex>

namespace kelvra {

namespace {

constexpr int kTiffStart = 8; // two length bytes and "Exif\0\0"
constexpr quint16 kTagThumbnailOffset = 0x0201;
constexpr quint16 kTagThumbnailLength = 0x0202;
// Kept pictures, in KiB: about a thousand strip thumbnails.
constexpr int kCacheKiB = 64 * 1024;

class SegmentBytes
{
public:
    explicit SegmentBytes(const QByteArray &bytes)
        : m_bytes(bytes)
        , m_motorola(bytes.mid(kTiffStart, 2) == "MM")
    {
    }
    // An unsigned value of size bytes at TIFF offset at; -1 outside the block.
    qint64 get(qint64 at, int size) const
    {
        const qint64 from = kTiffStart + at;
        if (at < 0 || from + size > m_bytes.size())
            return -1;
        qint64 value = 0;
        for (int i = 0; i < size; ++i) {
            const auto byte = quint8(m_bytes[qsizetype(from + (m_motorola ? i : size - 1 - i))]);
            value = (value << 8) | byte;
        }
        return value;
    }

private:
    const QByteArray &m_bytes;
    bool m_motorola;
};

QImage decodeJpeg(JpegImage &jpeg, int scale, int orientation)
{
    jpeg.setPerformance(JpegImage::Performance::BestSpeed);
    jpeg.setScale(scale);
    if (!jpeg.decode() || !applyOrientation(jpeg, orientation, false))
        return {};
    return jpeg.takeImage();
}

QImage fitInto(QImage image, QSize bound)
{
    if (image.isNull())
        return image;
    if (image.width() > bound.width() || image.height() > bound.height())
        image = image.scaled(bound, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

QByteArray exifThumbnailBytes(const QByteArray &segment)
{
    if (!segment.mid(2, 6).startsWith("Exif"))
        return {};
    const SegmentBytes bytes(segment);
    const qint64 ifd0 = bytes.get(4, 4);
    const qint64 ifd0Entries = bytes.get(ifd0, 2);
    if (ifd0Entries < 0)
        return {};
    const qint64 ifd1 = bytes.get(ifd0 + 2 + 12 * ifd0Entries, 4);
    const qint64 entries = bytes.get(ifd1, 2);
    if (ifd1 <= 0 || entries <= 0)
        return {};
    qint64 offset = -1;
    qint64 length = -1;
    for (qint64 i = 0; i < entries; ++i) {
        const qint64 entry = ifd1 + 2 + 12 * i;
        const qint64 tag = bytes.get(entry, 2);
        if (tag < 0)
            return {};
        // Cameras write these as LONG; a SHORT sits in the value field's first two bytes.
        const int size = bytes.get(entry + 2, 2) == 3 ? 2 : 4;
        if (tag == kTagThumbnailOffset)
            offset = bytes.get(entry + 8, size);
        else if (tag == kTagThumbnailLength)
            length = bytes.get(entry + 8, size);
    }
    if (offset <= 0 || length <= 0 || kTiffStart + offset + length > segment.size())
        return {};
    const QByteArray jpeg = segment.mid(qsizetype(kTiffStart + offset), qsizetype(length));
    return jpeg.startsWith("\xFF\xD8") ? jpeg : QByteArray();
}

QImage makeThumbnail(const QString &path, QSize bound)
{
    try {
        TimgData metadata;
        metadata.setMakerNoteDecoder(nullptr);
        const bool read = metadata.ProcessFile(nativePath(path));
        const int orientation = read ? metadata.exifOrientation() : 1;
        if (read && metadata.ExifSegment) {
            const std::string &data = metadata.ExifSegment->data;
            const QByteArray thumb = exifThumbnailBytes(QByteArray::fromRawData(data.data(), qsizetype(data.size())));
            JpegImage jpeg;
            if (!thumb.isEmpty() && jpeg.loadFromData(thumb)) {
                QImage image = decodeJpeg(jpeg, 0, orientation);
                if (!image.isNull())
                    return fitInto(std::move(image), bound);
            }
        }
        const PhotoKind kind = photoKindOfFile(nativePath(path));
        if (kind != PhotoKind::Jpeg && kind != PhotoKind::None) {
            ImageResult<DecodedPhoto> decoded = loadOtherPhoto(path, kind);
            if (!decoded)
                return {};
            QImage image = fitInto(
                std::move(decoded.value.raster), orientationSwapsSides(orientation) ? bound.transposed() : bound);
            if (const RasterTurn turn = orientationTurns(orientation).upright; turn && !turn(image))
                return {};
            return image;
        }
        JpegImage jpeg;
        if (jpeg.loadFromFile(path)) {
            QImage image = decodeJpeg(jpeg, 3, orientation);
            if (!image.isNull())
                return fitInto(std::move(image), bound);
        }
        return {};
    } catch (const std::exception &) {
        // Out of memory, most likely: no thumbnail.
        return {};
    }
}

struct ThumbnailMaker::State
{
    struct Entry
    {
        QImage image; // null when the photo could not be decoded
        qint64 modified = 0; // the file's modification time when it was made
        bool checked = true; // false: compare with the file before trusting it
    };

    Make make;
    mutable std::mutex lock;
    std::deque<QString> waiting; // newest at the back
    QSet<QString> waitingSet;
    QSet<QString> running;
    QCache<QString, Entry> kept { kCacheKiB };
    std::atomic<int> made { 0 };
    QThreadPool pool;

    // Under lock.
    bool enqueue(const QString &path)
    {
        if (waitingSet.contains(path) || running.contains(path))
            return false;
        waiting.push_back(path);
        waitingSet.insert(path);
        return true;
    }
};

ThumbnailMaker::ThumbnailMaker(QSize bound, QObject *parent)
    : ThumbnailMaker(bound, makeThumbnail, parent)
{
}

ThumbnailMaker::ThumbnailMaker(QSize bound, Make make, QObject *parent)
    : QObject(parent)
    , m_bound(bound)
    , m_state(std::make_unique<State>())
{
    m_state->make = std::move(make);
    // Two at most: the preview and a batch need the other cores more.
    m_state->pool.setMaxThreadCount(2);
}

ThumbnailMaker::~ThumbnailMaker()
{
    forgetAll();
    m_state->pool.waitForDone();
}

ThumbnailMaker::Status ThumbnailMaker::thumbnail(const QString &path, QImage *image)
{
    bool queued = false;
    Status status = Status::Pending;
    {
        const std::lock_guard<std::mutex> locker(m_state->lock);
        if (State::Entry *entry = m_state->kept.object(path)) {
            if (!entry->checked && !m_state->running.contains(path)) {
                entry->checked = true;
                queued = m_state->enqueue(path);
            }
            status = entry->image.isNull() ? Status::Failed : Status::Ready;
            if (image)
                *image = entry->image;
        } else {
            queued = m_state->enqueue(path);
        }
    }
    if (queued)
        m_state->pool.start([this] { work(); });
    return status;
}

void ThumbnailMaker::recheck(const QStringList &paths)
{
    const std::lock_guard<std::mutex> locker(m_state->lock);
    for (const QString &path : paths) {
        if (State::Entry *entry = m_state->kept.object(path))
            entry->checked = false;
    }
}

void ThumbnailMaker::forget(const QString &path)
{
    const std::lock_guard<std::mutex> locker(m_state->lock);
    if (!m_state->waitingSet.remove(path))
        return;
    auto &waiting = m_state->waiting;
    waiting.erase(std::find(waiting.begin(), waiting.end(), path));
}

void ThumbnailMaker::forgetAll()
{
    const std::lock_guard<std::mutex> locker(m_state->lock);
    m_state->waiting.clear();
    m_state->waitingSet.clear();
}

int ThumbnailMaker::madeCount() const
{
    return m_state->made.load();
}

int ThumbnailMaker::queuedCount() const
{
    const std::lock_guard<std::mutex> locker(m_state->lock);
    return int(m_state->waiting.size());
}

void ThumbnailMaker::work()
{
    // Each start takes the newest waiting path, which need not be the one it was started for.
    QString path;
    qint64 known = -1;
    {
        const std::lock_guard<std::mutex> locker(m_state->lock);
        if (m_state->waiting.empty())
            return;
        path = m_state->waiting.back();
        m_state->waiting.pop_back();
        m_state->waitingSet.remove(path);
        m_state->running.insert(path);
        if (const State::Entry *entry = m_state->kept.object(path))
            known = entry->modified;
    }
    const qint64 modified = QFileInfo(path).lastModified().toMSecsSinceEpoch();
    const bool unchanged = known == modified;
    QImage image;
    if (!unchanged) {
        image = m_state->make(path, m_bound);
        ++m_state->made;
    }
    {
        const std::lock_guard<std::mutex> locker(m_state->lock);
        m_state->running.remove(path);
        if (unchanged)
            return;
        const qsizetype cost = qMax<qsizetype>(1, image.sizeInBytes() / 1024);
        m_state->kept.insert(path, new State::Entry { std::move(image), modified, true }, cost);
    }
    QMetaObject::invokeMethod(
        this, [this, path] { Q_EMIT ready(path); }, Qt::QueuedConnection);
}

} // namespace kelvra
