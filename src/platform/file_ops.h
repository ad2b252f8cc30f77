// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace kelvra {

// Copies source to target byte for byte, replacing target, through
// copyFileAtomically (platform/atomic_file.h): target never holds half a photo.
bool copyFileReplacing(const QString &source, const QString &target, QString *error = nullptr);

// Makes the file writable by its owner (the read-only attribute on Windows).
void clearReadOnly(const QString &path);

// Whether two paths name the same file (the same file, not the same text).
bool isSameFile(const QString &a, const QString &b);

} // namespace kelvra
