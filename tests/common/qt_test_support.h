// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QString>

#include <cstdlib>
#include <filesystem>

namespace kelvra::test {

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

} // namespace kelvra::test
