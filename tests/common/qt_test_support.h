// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAction>
#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QObject>
#include <QString>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace kelvra::test {

// A part of a window as a user meets it: by its object name, or by its type
// where the window holds one of that type. Throws when it is missing, so the
// test fails where it looked.
template<typename T> T *partOf(const QObject &window, const QString &name = QString())
{
    T *found = window.findChild<T *>(name);
    if (!found)
        throw std::runtime_error("no " + std::string(T::staticMetaObject.className()) + " \"" + name.toStdString()
            + "\" in " + window.objectName().toStdString());
    return found;
}

// One of a window's commands, by its name.
inline QAction *actionOf(const QObject &window, const QString &name)
{
    return partOf<QAction>(window, name);
}

// A test path as the toolkit layers take it.
inline QString qpath(const std::filesystem::path &path)
{
    return QString::fromStdString(path.string());
}

// And back: a path a toolkit layer reported.
inline std::filesystem::path nativeOf(const QString &path)
{
    return std::filesystem::path(path.toStdString());
}

// A plain photo of one colour, made at test time (parent folders too).
inline bool makePlainPhoto(const std::filesystem::path &path, QColor colour, int width = 320, int height = 240)
{
    std::filesystem::create_directories(path.parent_path());
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(qpath(path), "JPEG", 95);
}

// The colour at a photo's middle, away from any corner label.
inline QColor middleColourOf(const QString &path)
{
    const QImage image(path);
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

// Equal within what a JPEG generation changes.
inline bool sameColour(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12
        && std::abs(a.blue() - b.blue()) < 12;
}

// A picture file as a viewer shows it: turned by its EXIF orientation.
inline QImage uprightImage(const std::filesystem::path &path)
{
    QImageReader reader(qpath(path));
    reader.setAutoTransform(true);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

// Mean difference of the channels of two pictures inside an area of both.
inline double meanDifference(const QImage &a, const QImage &b, const QRect &area)
{
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * area.width() * area.height());
}

// Where two rasters of one size differ: the label's box when it is drawn
// on an opaque background without shadow or outline.
inline QRect changedBox(const QImage &image, const QImage &plain)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != plain.pixel(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace kelvra::test
