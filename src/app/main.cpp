// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra [PHOTO]: the desktop program; a photo named on the command line is
// previewed at once.
#include "ui/main_window.h"
#include "ui/splash_window.h"
#include "ui/user_dialogs.h"

#include <QApplication>
#include <QFileInfo>
#include <QStringList>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvra"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kelvra"));

    kelvra::QtUserDialogs dialogs;
    // Tool tips are on for every widget by default in this toolkit.
    const auto form = kelvra::startWithSplash([&dialogs]() { return std::make_unique<kelvra::TForm1>(dialogs); });
    const QStringList args = QApplication::arguments().mid(1);
    if (!args.isEmpty())
        form->LoadPic(QFileInfo(args.constFirst()).absoluteFilePath());
    return QApplication::exec();
}
