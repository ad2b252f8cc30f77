// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/launch_arguments.h"

#include "stamp/file_mask.h"
#include "ui/main_window.h"
#include "ui/photo_list_model.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStatusBar>
#include <QUrl>

namespace kelvra {

namespace {

// Long enough to read a few names; the status bar's panels come back after.
constexpr int kRefusedShownMs = 20000;

} // namespace

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
                launch.refused << QCoreApplication::translate("kelvra::TForm1", "%1: not a local file").arg(argument);
                continue;
            }
            path = url.toLocalFile();
        }
        const QFileInfo info(QDir::cleanPath(base.absoluteFilePath(path)));
        if (!info.exists()) {
            launch.refused << QCoreApplication::translate("kelvra::TForm1", "%1: no such file").arg(argument);
            continue;
        }
        if (!info.isFile()) {
            launch.refused << QCoreApplication::translate("kelvra::TForm1", "%1: not a file").arg(argument);
            continue;
        }
        if (!IsPhotoFileName(info.fileName())) {
            launch.refused << QCoreApplication::translate("kelvra::TForm1", "%1: not a photo").arg(argument);
            continue;
        }
        const QString absolute = info.absoluteFilePath();
        if (!launch.photos.contains(absolute))
            launch.photos << absolute;
    }
    return launch;
}

void openLaunchPhotos(TForm1 &form, const QStringList &photos, const QStringList &refused)
{
    if (!refused.isEmpty())
        form.statusBar()->showMessage(
            QCoreApplication::translate("kelvra::TForm1", "Not opened: %1").arg(refused.join(QStringLiteral("; "))),
            kRefusedShownMs);
    if (photos.isEmpty())
        return;
    form.photoList().add(photos);
    form.LoadPic(photos.constFirst());
}

} // namespace kelvra
