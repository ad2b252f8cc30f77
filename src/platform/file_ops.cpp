// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_ops.h"

#include "platform/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kelvra {

#ifndef _WIN32
namespace {

// The length of the valid UTF-8 sequence at p, or 0. Overlong forms,
// encoded surrogates and values past U+10FFFF are not valid.
std::size_t utf8Length(const unsigned char *p, std::size_t left, char32_t *value)
{
    const unsigned char b = p[0];
    std::size_t n;
    char32_t c;
    if (b < 0x80) {
        *value = b;
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
        c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        c = b & 0x07;
    } else {
        return 0;
    }
    if (left < n)
        return 0;
    for (std::size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (p[i] & 0x3F);
    }
    if ((n == 3 && c < 0x800) || (n == 4 && c < 0x10000) || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    *value = c;
    return n;
}

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

} // namespace
#endif

QString fromNativeBytes(std::string_view bytes)
{
#ifdef _WIN32
    return QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size()));
#else
    QString name;
    name.reserve(qsizetype(bytes.size()));
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t c = 0;
        const std::size_t n = utf8Length(p + i, bytes.size() - i, &c);
        if (n == 0) {
            name += QChar(char16_t(0xDC00 + p[i]));
            ++i;
            continue;
        }
        name += QString::fromUcs4(&c, 1);
        i += n;
    }
    return name;
#endif
}

std::filesystem::path nativePath(const QString &path)
{
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    std::string bytes;
    bytes.reserve(std::size_t(path.size()));
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t u = path[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < path.size() && QChar::isLowSurrogate(path[i + 1].unicode())) {
            appendUtf8(bytes, QChar::surrogateToUcs4(u, path[i + 1].unicode()));
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            bytes += char(u - 0xDC00);
        } else if (QChar::isSurrogate(u)) {
            appendUtf8(bytes, 0xFFFD); // no file name makes one of these
        } else {
            appendUtf8(bytes, u);
        }
    }
    return std::filesystem::path(std::move(bytes));
#endif
}

QString fromNativePath(const std::filesystem::path &path)
{
#ifdef _WIN32
    return QString::fromStdWString(path.wstring());
#else
    return fromNativeBytes(path.native());
#endif
}

QString notAFileReason(const QString &path)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(nativePath(path), error);
    if (error)
        return QString::fromStdString(error.message());
    if (status.type() == std::filesystem::file_type::not_found)
        return QString::fromStdString(std::make_error_code(std::errc::no_such_file_or_directory).message());
    if (std::filesystem::is_directory(status))
        return QString::fromStdString(std::make_error_code(std::errc::is_a_directory).message());
    if (!std::filesystem::is_regular_file(status))
        return QString::fromStdString(std::make_error_code(std::errc::invalid_argument).message());
    return QString();
}

bool isFile(const QString &path)
{
    std::error_code ec;
    return !path.isEmpty() && std::filesystem::is_regular_file(nativePath(path), ec);
}

bool isFolder(const QString &path)
{
    std::error_code ec;
    return !path.isEmpty() && std::filesystem::is_directory(nativePath(path), ec);
}

bool pathExists(const QString &path)
{
    std::error_code ec;
    return !path.isEmpty() && std::filesystem::exists(nativePath(path), ec);
}

bool makeFolders(const QString &path)
{
    std::error_code ec;
    const std::filesystem::path folder = nativePath(path);
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

bool openForReading(QFile &file, const QString &path, QIODevice::OpenMode extra)
{
#ifdef _WIN32
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly | extra);
#else
    const int fd = ::open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        // Let the toolkit say why, in the same words as for any other file.
        file.setFileName(path);
        return file.open(QIODevice::ReadOnly | extra);
    }
    return file.open(fd, QIODevice::ReadOnly | extra, QFileDevice::AutoCloseHandle);
#endif
}

FileResult copyFileReplacing(const QString &source, const QString &target)
{
    return copyFileAtomically(nativePath(source), nativePath(target));
}

bool nameTooLong(const QString &path)
{
    namespace fs = std::filesystem;
    const fs::path full = nativePath(path);
#ifdef _WIN32
    // Every Windows file system takes 255 UTF-16 units a name.
    const size_t limit = 255;
#else
    // The limit belongs to the file system the name would be made on: that of
    // the nearest folder that stands.
    std::error_code ec;
    fs::path standing = full.parent_path();
    while (!standing.empty() && !fs::is_directory(standing, ec) && standing != standing.parent_path())
        standing = standing.parent_path();
    const long named = ::pathconf(standing.empty() ? "." : standing.c_str(), _PC_NAME_MAX);
    const size_t limit = named > 0 ? size_t(named) : 255;
#endif
    for (const fs::path &part : full) {
        if (part.native().size() > limit)
            return true;
    }
    return false;
}

void clearReadOnly(const QString &path)
{
#ifdef _WIN32
    const std::wstring name = path.toStdWString();
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(name.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
#else
    std::error_code ec;
    std::filesystem::permissions(
        nativePath(path), std::filesystem::perms::owner_write, std::filesystem::perm_options::add, ec);
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
