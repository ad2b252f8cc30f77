// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_ops.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <random>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kelvra {

namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

std::filesystem::path nativePath(const QString &path)
{
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

} // namespace

bool copyFileReplacing(const QString &source, const QString &target, QString *error)
{
    namespace fs = std::filesystem;
    const fs::path to = nativePath(target);
    std::random_device random;
    const fs::path temporary = to.parent_path() / (".kelvra-" + std::to_string(random()) + ".tmp");
    std::error_code ec;
    // copy_file hands the work to the kernel (copy_file_range/sendfile on Linux).
    if (!fs::copy_file(nativePath(source), temporary, fs::copy_options::overwrite_existing, ec)) {
        fs::remove(temporary, ec);
        setError(error, QStringLiteral("cannot copy to %1").arg(target));
        return false;
    }
    fs::permissions(temporary, fs::perms::owner_write, fs::perm_options::add, ec);
    fs::rename(temporary, to, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        setError(error, QStringLiteral("cannot write %1: %2").arg(target, QString::fromStdString(ec.message())));
        return false;
    }
    return true;
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
