// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <filesystem>

namespace kelvra::test {

// A test path as the toolkit layers take it.
inline QString qpath(const std::filesystem::path &path)
{
    return QString::fromStdString(path.string());
}

// And back: a path a toolkit layer reported.
inline std::filesystem::path nativeOf(const QString &path)
{
    return std::filesystem::path(path.toStdString());
}

} // namespace kelvra::test
