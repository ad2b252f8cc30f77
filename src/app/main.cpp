// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra [PHOTO...]: the desktop program. Photos named on the command line (a
// file manager's "Open with") are queued and the first one is previewed.
#include "ui/launch_arguments.h"
#include "ui/main_window.h"
#include "ui/photo_list_model.h"
#include "ui/splash_window.h"
#include "ui/user_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QStringList>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvra"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kelvra"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kelvra.Kelvra"));

    const kelvra::LaunchPhotos launch
        = kelvra::photosFromArguments(QApplication::arguments().mid(1), QDir::currentPath());
    for (const QString &refused : launch.refused)
        std::fprintf(stderr, "kelvra: %s\n", qPrintable(refused));

    kelvra::QtUserDialogs dialogs;
    // Tool tips are on for every widget by default in this toolkit.
    const auto form = kelvra::startWithSplash([&dialogs]() { return std::make_unique<kelvra::TForm1>(dialogs); });
    if (!launch.photos.isEmpty()) {
        form->photoList().add(launch.photos);
        form->LoadPic(launch.photos.constFirst());
    }
    return QApplication::exec();
}
