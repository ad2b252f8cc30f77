// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace kelvra {

// The photos named on the desktop program's command line, as a file manager's
// "Open with" passes them: paths (relative ones against workingFolder) or
// file URLs. Existing files with a photo name are kept as absolute paths, each
// once, in the given order; every other argument is refused with a reason.
struct LaunchPhotos
{
    QStringList photos;
    QStringList refused; // "ARGUMENT: reason", in the interface language
};
LaunchPhotos photosFromArguments(const QStringList &arguments, const QString &workingFolder);

class TForm1;
// Queues the photos in the window's photo list and previews the first; the
// arguments refused are told in the window's status bar.
void openLaunchPhotos(TForm1 &form, const QStringList &photos, const QStringList &refused = {});

} // namespace kelvra
