// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace kelvra {

// The picture of a photo for the photo strip: the EXIF thumbnail when the
// file holds a usable one, else the photo decoded at 1/8 scale (the other
// photo kinds decoded whole by their own decoders), turned upright
// and shrunk to fit bound, never enlarged. Null when nothing decodes. Any
// thread; touches no widget; never throws.
QImage makeThumbnail(const QString &path, QSize bound);

// The JPEG bytes of the EXIF thumbnail in an APP1 segment as the metadata
// reader stores it (length bytes, "Exif\0\0", the TIFF block); empty when
// there is none or its offsets leave the segment.
QByteArray exifThumbnailBytes(const QByteArray &segment);

// Makes thumbnails on worker threads and keeps them by path and modification
// time, so the strip never waits: thumbnail() answers at once from what is
// kept and queues what is missing, newest request first (what the user is
// looking at now), and ready() follows on the owner's thread when it is made.
// The kept pictures are bounded in memory; a dropped one is made again when
// asked for. Destroying the maker drops the queue and waits for the
// pictures being made; none is reported after that.
class ThumbnailMaker : public QObject
{
    Q_OBJECT
public:
    using Make = std::function<QImage(const QString &path, QSize bound)>;
    enum class Status { Pending, Ready, Failed };

    explicit ThumbnailMaker(QSize bound, QObject *parent = nullptr);
    // With another making function in place of makeThumbnail (tests hold work back with it).
    ThumbnailMaker(QSize bound, Make make, QObject *parent = nullptr);
    ~ThumbnailMaker() override;

    QSize bound() const { return m_bound; }
    // The kept picture in *image when Ready; Pending queues it when it is
    // not queued yet.
    Status thumbnail(const QString &path, QImage *image);
    // The kept pictures of these paths are checked against their files'
    // modification time when next asked for (a photo queued again may have
    // been edited meanwhile).
    void recheck(const QStringList &paths);
    // Queued work for the path (or for every path) is dropped; a picture being
    // made still arrives and is kept.
    void forget(const QString &path);
    void forgetAll();

    int madeCount() const; // pictures made so far, failures included
    int queuedCount() const; // waiting, not yet started

Q_SIGNALS:
    void ready(const QString &path);

private:
    struct State;
    void work();

    QSize m_bound;
    std::unique_ptr<State> m_state;
};

} // namespace kelvra
