// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace kelvra {

// A file's times in whole seconds since 1 January 1970 UTC; empty where the
// file or the platform cannot give one.
struct FileTimes
{
    std::optional<int64_t> modification;
    // The birth time: where the file system records it (statx on Linux, the
    // creation time on Windows), else empty.
    std::optional<int64_t> creation;
};

FileTimes readFileTimes(const QString &path);

// Sets what the platform allows: the modification time (and the access time
// with it) everywhere, the creation time where the file system can change it
// (Windows; not Linux). False when the modification time could not be set.
bool writeFileTimes(const QString &path, const FileTimes &times);

} // namespace kelvra
