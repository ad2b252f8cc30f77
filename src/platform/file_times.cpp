// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_times.h"

#include "platform/file_ops.h"

#include <QFile>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace kelvra {

#ifdef _WIN32

namespace {

// FILETIME counts 100-nanosecond steps from 1 January 1601 UTC.
std::optional<int64_t> unixSeconds(const FILETIME &time)
{
    const uint64_t ticks = (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    if (ticks == 0)
        return std::nullopt;
    constexpr int64_t kTicksPerSecond = 10000000;
    constexpr int64_t kSeconds1601To1970 = 11644473600;
    return int64_t(ticks / kTicksPerSecond) - kSeconds1601To1970;
}

} // namespace

FileTimes readFileTimes(const QString &path)
{
    FileTimes times;
    WIN32_FILE_ATTRIBUTE_DATA data;
    const std::wstring name = path.toStdWString();
    if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data))
        return times;
    times.modification = unixSeconds(data.ftLastWriteTime);
    times.creation = unixSeconds(data.ftCreationTime);
    return times;
}

bool writeFileTimes(const QString &path, const FileTimes &times)
{
    auto toFileTime = [](int64_t seconds) {
        constexpr int64_t kTicksPerSecond = 10000000;
        constexpr int64_t kSeconds1601To1970 = 11644473600;
        const uint64_t ticks = uint64_t(seconds + kSeconds1601To1970) * kTicksPerSecond;
        FILETIME time;
        time.dwLowDateTime = DWORD(ticks & 0xFFFFFFFF);
        time.dwHighDateTime = DWORD(ticks >> 32);
        return time;
    };
    const std::wstring name = path.toStdWString();
    HANDLE file = CreateFileW(name.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    FILETIME creation, modification;
    if (times.creation)
        creation = toFileTime(*times.creation);
    if (times.modification)
        modification = toFileTime(*times.modification);
    const BOOL ok = SetFileTime(file, times.creation ? &creation : nullptr,
        times.modification ? &modification : nullptr, times.modification ? &modification : nullptr);
    CloseHandle(file);
    return ok && times.modification;
}

#else

FileTimes readFileTimes(const QString &path)
{
    FileTimes times;
    const std::string name = nativePath(path).native();
#if defined(__linux__) && defined(STATX_BTIME)
    struct statx info;
    if (statx(AT_FDCWD, name.c_str(), 0, STATX_MTIME | STATX_BTIME, &info) != 0)
        return times;
    if (info.stx_mask & STATX_MTIME)
        times.modification = int64_t(info.stx_mtime.tv_sec);
    if (info.stx_mask & STATX_BTIME)
        times.creation = int64_t(info.stx_btime.tv_sec);
#else
    struct stat info;
    if (stat(name.c_str(), &info) != 0)
        return times;
    times.modification = int64_t(info.st_mtime);
#if defined(__APPLE__)
    times.creation = int64_t(info.st_birthtimespec.tv_sec);
#endif
#endif
    return times;
}

bool writeFileTimes(const QString &path, const FileTimes &times)
{
    if (!times.modification)
        return false;
    // Linux has no call that sets a file's birth time.
    const struct timespec both[2] = { { time_t(*times.modification), 0 }, { time_t(*times.modification), 0 } };
    return utimensat(AT_FDCWD, nativePath(path).c_str(), both, 0) == 0;
}

#endif

} // namespace kelvra
