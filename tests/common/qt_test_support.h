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

} // namespace kelvra::test
