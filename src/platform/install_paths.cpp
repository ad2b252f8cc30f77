// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/install_paths.h"

#include "platform/data_folder.h"

#include <QDir>

// KELVRA_SHARE_FROM_BIN, from the build: the installed layout's path from the
// programs' folder to the share folder, "../share/kelvra" by default.

namespace kelvra {

QString shareFolderFor(const QString &programFolder)
{
    QString folder = QDir::cleanPath(QDir(programFolder).absoluteFilePath(QStringLiteral(KELVRA_SHARE_FROM_BIN)));
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString shareFolder()
{
    return shareFolderFor(programFolder());
}

QString helpFolder()
{
    return shareFolder() + QStringLiteral("help/");
}

QString looksFolder()
{
    return shareFolder() + QStringLiteral("looks/");
}

} // namespace kelvra
