// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/launch_arguments.h"

#include "stamp/file_mask.h"
#include "ui/main_window.h"
#include "ui/photo_list_model.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace kelvra {

LaunchPhotos photosFromArguments(const QStringList &arguments, const QString &workingFolder)
{
    LaunchPhotos launch;
    const QDir base(workingFolder);
    for (const QString &argument : arguments) {
        QString path = argument;
        // A URL has a scheme longer than a drive letter.
        const QUrl url(argument);
        if (url.scheme().size() > 1 && (url.isLocalFile() || argument.contains(QLatin1String("://")))) {
            if (!url.isLocalFile()) {
                launch.refused << argument + QStringLiteral(": not a local file");
                continue;
            }
            path = url.toLocalFile();
        }
        const QFileInfo info(QDir::cleanPath(base.absoluteFilePath(path)));
        if (!info.exists()) {
            launch.refused << argument + QStringLiteral(": no such file");
            continue;
        }
        if (!info.isFile()) {
            launch.refused << argument + QStringLiteral(": not a file");
            continue;
        }
        if (!IsPhotoFileName(info.fileName())) {
            launch.refused << argument + QStringLiteral(": not a photo");
            continue;
        }
        const QString absolute = info.absoluteFilePath();
        if (!launch.photos.contains(absolute))
            launch.photos << absolute;
    }
    return launch;
}

void openLaunchPhotos(TForm1 &form, const QStringList &photos)
{
    if (photos.isEmpty())
        return;
    form.photoList().add(photos);
    form.LoadPic(photos.constFirst());
}

} // namespace kelvra
