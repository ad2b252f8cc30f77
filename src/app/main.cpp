// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra [PHOTO...]: the desktop program. Photos named on the command line (a
// file manager's "Open with") are queued and the first one is previewed.
#include "platform/data_folder.h"
#include "platform/heap_reuse.h"
#include "stamp/settings_file.h"
#include "ui/language_wiring.h"
#include "ui/launch_arguments.h"
#include "ui/main_window.h"
#include "ui/splash_window.h"
#include "ui/user_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QStringList>

#include <cstdio>

int main(int argc, char **argv)
{
    kelvra::keepFreedMemoryForReuse(); // before any thread
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvra"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kelvra.Kelvra"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.kelvra.Kelvra")));

    // Before any window, so that every window is made in the chosen language.
    kelvra::InterfaceLanguage language(kelvra::languageFolder(), kelvra::ReadLanguage(kelvra::programIniPath()));
    if (!language.StartFailure().isEmpty())
        std::fprintf(stderr, "kelvra: %s\n", qPrintable(language.StartFailure()));

    // After the language, so that what is refused is said in it.
    const kelvra::LaunchPhotos launch
        = kelvra::photosFromArguments(QApplication::arguments().mid(1), QDir::currentPath());
    for (const QString &refused : launch.refused)
        std::fprintf(stderr, "kelvra: %s\n", qPrintable(refused));

    kelvra::QtUserDialogs dialogs;
    language.Localizer().OnMessage = [&dialogs](const kelvra::TLocalizerMessage &message) {
        dialogs.showTitledMessage(
            QApplication::activeWindow(), kelvra::MessageKind::Error, message.Title, message.Text);
    };
    // Tool tips are on for every widget by default in this toolkit.
    const auto form = kelvra::startWithSplash([&dialogs]() { return std::make_unique<kelvra::TForm1>(dialogs); });
    form->setLanguageList(&language.Languages());
    kelvra::openLaunchPhotos(*form, launch.photos, launch.refused);
    return QApplication::exec();
}
