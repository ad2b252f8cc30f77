// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atomic_file.h"

#include <cerrno>
#include <fstream>
#include <optional>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kelvra {

namespace {

namespace fs = std::filesystem;

FileResult failure(FileError error, fs::path path, const std::error_code &ec = {})
{
    return FileResult { error, std::move(path), ec ? ec.message() : std::string() };
}

// Short and hidden, whatever the target's name: never a photo's extension for
// a folder listing, never over the file system's name length.
fs::path temporaryBeside(const fs::path &target)
{
    std::random_device random;
    return target.parent_path() / (".kelvra-" + std::to_string(random()) + ".tmp");
}

// The data of a closed file, on the disk.
bool flushToDisk(const fs::path &path)
{
#ifdef _WIN32
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool flushed = FlushFileBuffers(file) != 0;
    CloseHandle(file);
    return flushed;
#else
    // A read-only descriptor is enough to flush, so a copy of a read-only file flushes too.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
#ifdef __APPLE__
    const bool flushed = ::fsync(fd) == 0;
#else
    const bool flushed = ::fdatasync(fd) == 0;
#endif
    return ::close(fd) == 0 && flushed;
#endif
}

// Fills a temporary file beside target with fill(temporary), flushes it and
// renames it over target.
template<typename Fill> FileResult replaceFile(const fs::path &path, ExistingFile existing, Fill fill)
{
    std::error_code ec;
    fs::path target = path;
    std::optional<fs::perms> keptPermissions;
    if (existing == ExistingFile::Update && fs::exists(path, ec)) {
        const fs::path resolved = fs::canonical(path, ec);
        if (!ec)
            target = resolved;
        const fs::file_status status = fs::status(target, ec);
        if (!ec)
            keptPermissions = status.permissions();
    }

    const fs::path temporary = temporaryBeside(target);
    auto failWith = [&](FileResult result) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return result;
    };
    if (FileResult filled = fill(temporary, target); !filled.ok())
        return failWith(std::move(filled));
    if (keptPermissions) {
        fs::permissions(temporary, *keptPermissions, fs::perm_options::replace, ec);
        if (ec)
            return failWith(failure(FileError::PermissionsNotKept, target, ec));
    }
    if (!flushToDisk(temporary))
        return failWith(failure(FileError::FlushFailed, temporary, std::error_code(errno, std::generic_category())));
    fs::rename(temporary, target, ec);
    if (ec)
        return failWith(failure(FileError::ReplaceFailed, target, ec));
    return {};
}

} // namespace

FileResult writeFileAtomically(const fs::path &path, std::string_view bytes, ExistingFile existing)
{
    return replaceFile(path, existing, [bytes](const fs::path &temporary, const fs::path &) {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file)
            return failure(FileError::CreateFailed, temporary, std::error_code(errno, std::generic_category()));
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file)
            return failure(FileError::WriteFailed, temporary, std::error_code(errno, std::generic_category()));
        return FileResult();
    });
}

FileResult copyFileAtomically(const fs::path &source, const fs::path &target)
{
    return replaceFile(target, ExistingFile::Replace, [&](const fs::path &temporary, const fs::path &finalTarget) {
        std::error_code ec;
        // copy_file hands the work to the kernel (copy_file_range/sendfile on Linux).
        if (!fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, ec))
            return failure(FileError::CopyFailed, finalTarget, ec);
        fs::permissions(temporary, fs::perms::owner_write, fs::perm_options::add, ec);
        return FileResult();
    });
}

} // namespace kelvra
