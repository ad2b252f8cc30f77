// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_ops.h"

#include "platform/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kelvra {

namespace {

std::filesystem::path nativePath(const QString &path)
{
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

} // namespace

QString fromNativePath(const std::filesystem::path &path)
{
#ifdef _WIN32
    return QString::fromStdWString(path.wstring());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}

FileResult copyFileReplacing(const QString &source, const QString &target)
{
    return copyFileAtomically(nativePath(source), nativePath(target));
}

void clearReadOnly(const QString &path)
{
#ifdef _WIN32
    const std::wstring name = path.toStdWString();
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(name.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
#else
    QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
#endif
}

bool isSameFile(const QString &a, const QString &b)
{
    std::error_code ec;
    const bool same = std::filesystem::equivalent(nativePath(a), nativePath(b), ec);
    if (!ec)
        return same;
    // When either does not exist, compare the cleaned absolute paths.
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

} // namespace kelvra
