// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/atomic_file.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <filesystem>
#include <string_view>

namespace kelvra {

// Copies source to target byte for byte, replacing target, through
// copyFileAtomically (platform/atomic_file.h): target never holds half a photo.
FileResult copyFileReplacing(const QString &source, const QString &target);

// File names on POSIX are bytes in no promised encoding; the toolkit's own
// conversion turns a name that is not UTF-8 into one that names no file.
// These keep every name the file system gives: valid UTF-8 reads as text,
// any other byte b as the lone surrogate U+DC00 + b, which turns back into b.
// Every path the batch opens, lists or writes goes through them.
QString fromNativeBytes(std::string_view bytes);
QString fromNativePath(const std::filesystem::path &path);
std::filesystem::path nativePath(const QString &path);

bool isFile(const QString &path); // a regular file, links followed
// Why path is not a regular file to read, in the system's words ("No such
// file or directory"); empty when it is one.
QString notAFileReason(const QString &path);
bool isFolder(const QString &path);
bool pathExists(const QString &path);
// Makes the folder and its missing parents; true when it stands afterwards.
bool makeFolders(const QString &path);
// Opens path for reading into file (not opened yet); false with the
// system's words in file.errorString() when it cannot.
bool openForReading(QFile &file, const QString &path, QIODevice::OpenMode extra = QIODevice::NotOpen);

// Whether a part of path is longer than the file system allows a name to be:
// what the system refuses with "File name too long".
bool nameTooLong(const QString &path);

// Makes the file writable by its owner (the read-only attribute on Windows).
void clearReadOnly(const QString &path);

// Whether two paths name the same file (the same file, not the same text).
bool isSameFile(const QString &a, const QString &b);

} // namespace kelvra
