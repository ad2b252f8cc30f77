// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <sys/sendfile.h>
#endif

namespace kelvra {

namespace {

namespace fs = std::filesystem;

FileResult failure(FileError error, fs::path path, const std::error_code &ec = {})
{
    return FileResult { error, std::move(path), ec ? ec.message() : std::string() };
}

const char kTemporaryPrefix[] = ".kelvra-";
const char kTemporarySuffix[] = ".tmp";

// Short and hidden, whatever the target's name: never a photo's extension for
// a folder listing, never over the file system's name length.
fs::path temporaryBeside(const fs::path &target)
{
    std::random_device random;
    return target.parent_path() / (kTemporaryPrefix + std::to_string(random()) + kTemporarySuffix);
}

bool isOurTemporaryName(const std::string &name)
{
    const std::string prefix = kTemporaryPrefix, suffix = kTemporarySuffix;
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0
        || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    const auto digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

#ifndef _WIN32
// The mode a new file gets: what the system gave it, narrowed to within,
// plus write for its owner.
mode_t narrowedMode(mode_t given, fs::perms within)
{
    return (given & 07777 & static_cast<mode_t>(within)) | S_IWUSR;
}

#endif

#ifdef __linux__
// The unnamed-file road: the data goes to a file that has no name until it is
// whole and on the disk, so a killed process leaves nothing behind. -1 when
// the file system has no such files (then the named temporary is used).
int openUnnamedIn(const fs::path &folder)
{
    const fs::path where = folder.empty() ? fs::path(".") : folder;
    return ::open(where.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
}

bool writeAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool copyAll(int from, int to)
{
    for (;;) {
        const ssize_t n = ::sendfile(to, from, nullptr, 1 << 30);
        if (n == 0)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
    }
    // Without sendfile between these files: read and write, from where it stopped.
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!writeAll(to, buffer, static_cast<std::size_t>(n)))
            return false;
    }
}

// Gives the whole, flushed unnamed file fd the name target. A name cannot be
// linked over, so an existing target is replaced through a named temporary
// that lives only between the link and the rename; with Refuse it is not.
FileResult linkIntoPlace(int fd, const fs::path &target, ExistingFile existing)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return {};
    if (errno != EEXIST)
        return failure(FileError::ReplaceFailed, target, std::error_code(errno, std::generic_category()));
    if (existing == ExistingFile::Refuse)
        return failure(FileError::NameTaken, target, std::error_code(EEXIST, std::generic_category()));
    const fs::path temporary = temporaryBeside(target);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) != 0)
        return failure(FileError::ReplaceFailed, target, std::error_code(errno, std::generic_category()));
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int reason = errno;
        ::unlink(temporary.c_str());
        return failure(FileError::ReplaceFailed, target, std::error_code(reason, std::generic_category()));
    }
    return {};
}

// The unnamed-file road for target: nothing when the file system offers no
// unnamed files, else how fill(fd) and the link went.
template<typename FillFd>
std::optional<FileResult> replaceThroughUnnamed(const fs::path &target, ExistingFile existing,
    std::optional<mode_t> exactMode, std::optional<fs::perms> within, FillFd fill)
{
    const int fd = openUnnamedIn(target.parent_path());
    if (fd < 0)
        return std::nullopt;
    FileResult result = fill(fd, target);
    std::optional<mode_t> mode = exactMode;
    struct stat status;
    if (!mode && within && ::fstat(fd, &status) == 0)
        mode = narrowedMode(status.st_mode, *within);
    if (result.ok() && mode && ::fchmod(fd, *mode) != 0)
        result = failure(FileError::PermissionsNotKept, target, std::error_code(errno, std::generic_category()));
    if (result.ok() && ::fdatasync(fd) != 0)
        result = failure(FileError::FlushFailed, target, std::error_code(errno, std::generic_category()));
    if (result.ok())
        result = linkIntoPlace(fd, target, existing);
    ::close(fd);
    return result;
}
#endif

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

// Renames from to to only while to is free. Where the system cannot say so
// atomically (no hard links, no no-replace rename), a look before the rename
// is the best there is.
FileResult renameToFreeName(const fs::path &from, const fs::path &to)
{
#ifdef _WIN32
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH))
        return {};
    const DWORD reason = GetLastError();
    if (reason == ERROR_ALREADY_EXISTS || reason == ERROR_FILE_EXISTS)
        return failure(FileError::NameTaken, to);
    return failure(FileError::ReplaceFailed, to, std::error_code(int(reason), std::system_category()));
#else
#ifdef __linux__
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno == EEXIST)
        return failure(FileError::NameTaken, to, std::error_code(EEXIST, std::generic_category()));
    if (errno != EINVAL && errno != ENOSYS)
        return failure(FileError::ReplaceFailed, to, std::error_code(errno, std::generic_category()));
#endif
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return {};
    }
    if (errno == EEXIST)
        return failure(FileError::NameTaken, to, std::error_code(EEXIST, std::generic_category()));
    std::error_code ec;
    if (fs::exists(to, ec) || fs::is_symlink(to, ec))
        return failure(FileError::NameTaken, to, std::error_code(EEXIST, std::generic_category()));
    fs::rename(from, to, ec);
    if (ec)
        return failure(FileError::ReplaceFailed, to, ec);
    return {};
#endif
}

// Fills a temporary file beside target with fill(temporary), flushes it and
// renames it over target (or, with Refuse, onto target only while it is
// free). Where the system has unnamed files, fillFd(fd) fills one instead and
// it is linked into place.
template<typename Fill, typename FillFd>
FileResult replaceFile(const fs::path &path, ExistingFile existing, std::optional<fs::perms> within, Fill fill,
    [[maybe_unused]] FillFd fillFd)
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

#ifdef __linux__
    std::optional<mode_t> exactMode;
    if (keptPermissions)
        exactMode = static_cast<mode_t>(*keptPermissions);
    if (std::optional<FileResult> done = replaceThroughUnnamed(target, existing, exactMode, within, fillFd))
        return std::move(*done);
#endif
    const fs::path temporary = temporaryBeside(target);
    auto failWith = [&](FileResult result) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return result;
    };
    if (FileResult filled = fill(temporary, target); !filled.ok())
        return failWith(std::move(filled));
    std::optional<fs::perms> permissions = keptPermissions;
#ifndef _WIN32
    if (!permissions && within) {
        const fs::file_status status = fs::status(temporary, ec);
        if (!ec)
            permissions = static_cast<fs::perms>(narrowedMode(static_cast<mode_t>(status.permissions()), *within));
    }
#endif
    if (permissions) {
        fs::permissions(temporary, *permissions, fs::perm_options::replace, ec);
        if (ec)
            return failWith(failure(FileError::PermissionsNotKept, target, ec));
    }
    if (!flushToDisk(temporary))
        return failWith(failure(FileError::FlushFailed, temporary, std::error_code(errno, std::generic_category())));
    if (existing == ExistingFile::Refuse) {
        FileResult placed = renameToFreeName(temporary, target);
        return placed.ok() ? placed : failWith(std::move(placed));
    }
    fs::rename(temporary, target, ec);
    if (ec)
        return failWith(failure(FileError::ReplaceFailed, target, ec));
    return {};
}

} // namespace

FileResult writeFileAtomically(
    const fs::path &path, std::string_view bytes, ExistingFile existing, std::optional<fs::perms> within)
{
    auto fillFd = [&]([[maybe_unused]] int fd, const fs::path &target) {
#ifdef __linux__
        if (writeAll(fd, bytes.data(), bytes.size()))
            return FileResult();
#endif
        return failure(FileError::WriteFailed, target, std::error_code(errno, std::generic_category()));
    };
    return replaceFile(
        path, existing, within,
        [bytes](const fs::path &temporary, const fs::path &) {
            std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
            if (!file)
                return failure(FileError::CreateFailed, temporary, std::error_code(errno, std::generic_category()));
            file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            file.close();
            if (!file)
                return failure(FileError::WriteFailed, temporary, std::error_code(errno, std::generic_category()));
            return FileResult();
        },
        fillFd);
}

std::optional<fs::perms> permissionsOf(const fs::path &path)
{
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec)
        return std::nullopt;
    return status.permissions();
}

FileResult copyFileAtomically(const fs::path &source, const fs::path &target, ExistingFile existing)
{
    auto fillFd = [&]([[maybe_unused]] int fd, const fs::path &finalTarget) {
#ifdef __linux__
        const int from = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
        const bool copied = from >= 0 && copyAll(from, fd);
        const int reason = errno;
        if (from >= 0)
            ::close(from);
        if (copied)
            return FileResult();
        return failure(FileError::CopyFailed, finalTarget, std::error_code(reason, std::generic_category()));
#else
        return failure(FileError::CopyFailed, finalTarget);
#endif
    };
    // Without the source's permissions the copy gets only its owner's.
    const fs::perms within = permissionsOf(source).value_or(fs::perms::owner_read | fs::perms::owner_write);
    return replaceFile(
        target, existing, within,
        [&](const fs::path &temporary, const fs::path &finalTarget) {
            std::error_code ec;
            // copy_file hands the work to the kernel (copy_file_range/sendfile on Linux).
            if (!fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, ec))
                return failure(FileError::CopyFailed, finalTarget, ec);
            fs::permissions(temporary, fs::perms::owner_write, fs::perm_options::add, ec);
            return FileResult();
        },
        fillFd);
}

FileResult keepAside(const fs::path &file, const fs::path &keep)
{
    std::error_code ec;
    fs::create_hard_link(file, keep, ec);
    if (!ec)
        return {};
    if (ec == std::errc::file_exists)
        return failure(FileError::NameTaken, keep, ec);
    return copyFileAtomically(file, keep, ExistingFile::Refuse);
}

FileResult moveToFreeName(const fs::path &from, const fs::path &to)
{
    FileResult moved = renameToFreeName(from, to);
    if (moved.ok() || moved.error == FileError::NameTaken)
        return moved;
    // Another file system: a whole copy first, then the old name goes.
    FileResult copied = copyFileAtomically(from, to, ExistingFile::Refuse);
    if (!copied.ok())
        return copied;
    std::error_code ec;
    if (!fs::remove(from, ec))
        return failure(FileError::MoveFailed, from, ec);
    return {};
}

int removeStaleTemporaries(const fs::path &folder, std::chrono::seconds age)
{
    int removed = 0;
    std::error_code ec;
    const auto now = fs::file_time_type::clock::now();
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code entryError;
        if (!isOurTemporaryName(it->path().filename().string()) || !it->is_regular_file(entryError))
            continue;
        const auto written = it->last_write_time(entryError);
        if (entryError || now - written < age)
            continue;
        if (fs::remove(it->path(), entryError))
            ++removed;
    }
    return removed;
}

} // namespace kelvra
