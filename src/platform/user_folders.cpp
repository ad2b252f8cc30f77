// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kelvra {

namespace {

QString existingLocation(QStandardPaths::StandardLocation location)
{
    const QString path = QStandardPaths::writableLocation(location);
    return !path.isEmpty() && QFileInfo(path).isDir() ? QDir::cleanPath(path) : QString();
}

} // namespace

QString picturesFolder()
{
    const QString pictures = existingLocation(QStandardPaths::PicturesLocation);
    return pictures.isEmpty() ? QDir::homePath() : pictures;
}

QString designsFolder()
{
    QString documents = existingLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    const QString folder = QDir(documents).filePath(QStringLiteral("Kelvra designs"));
    return QDir().mkpath(folder) ? folder : QString();
}

} // namespace kelvra
