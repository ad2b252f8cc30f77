// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/data_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifdef _WIN32
#include <shlobj.h>
#include <windows.h>
#else
#include <cstdlib>
#endif

namespace kelvra {

namespace {

QString withSeparator(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

// Where the system keeps per-user application settings; empty when unknown.
QString userSettingsRoot()
{
#ifdef _WIN32
    PWSTR path = nullptr;
    QString root;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path)))
        root = QDir::fromNativeSeparators(QString::fromWCharArray(path));
    CoTaskMemFree(path);
    return root;
#else
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    // The base directory rules ignore a relative XDG_CONFIG_HOME.
    if (xdg && *xdg && QDir::isAbsolutePath(QString::fromLocal8Bit(xdg)))
        return QString::fromLocal8Bit(xdg);
    const char *home = std::getenv("HOME");
    if (home && *home)
        return QString::fromLocal8Bit(home) + QStringLiteral("/.config");
    return {};
#endif
}

} // namespace

QString programFolder()
{
    if (QCoreApplication::instance())
        return withSeparator(QCoreApplication::applicationDirPath());
#ifndef _WIN32
    QFileInfo self(QStringLiteral("/proc/self/exe"));
    if (self.exists())
        return withSeparator(QFileInfo(self.symLinkTarget()).absolutePath());
#endif
    return withSeparator(QDir::currentPath());
}

QString GetDataFolder()
{
    const QString root = userSettingsRoot();
    if (!root.isEmpty()) {
        const QString folder = withSeparator(root) + QStringLiteral("Kelvra/");
        if (QDir().mkpath(folder))
            return folder;
    }
    return programFolder();
}

QString programIniPath()
{
    return GetDataFolder() + QStringLiteral("Kelvra.ini");
}

QString programIniPathToRead()
{
    const QString root = userSettingsRoot();
    const QString folder = root.isEmpty() ? programFolder() : withSeparator(root) + QStringLiteral("Kelvra/");
    return folder + QStringLiteral("Kelvra.ini");
}

} // namespace kelvra
