// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/atomic_file.h"

#include <QByteArray>
#include <QString>

namespace kelvra {

// Copies source to target byte for byte, replacing target, through
// copyFileAtomically (platform/atomic_file.h): target never holds half a photo.
FileResult copyFileReplacing(const QString &source, const QString &target);

// A path from the file system as the toolkit spells it.
QString fromNativePath(const std::filesystem::path &path);

// Makes the file writable by its owner (the read-only attribute on Windows).
void clearReadOnly(const QString &path);

// Whether two paths name the same file (the same file, not the same text).
bool isSameFile(const QString &a, const QString &b);

} // namespace kelvra
