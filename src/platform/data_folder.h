// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kelvra {

// The per-user data folder, with a trailing separator, created with its
// parents on demand: $XDG_CONFIG_HOME/Kelvra/ (default ~/.config/Kelvra/) on
// POSIX, the roaming application-data folder plus Kelvra\ on Windows. When
// that cannot be had, the program's own folder.
QString GetDataFolder();

// The folder of the running program, with a trailing separator.
QString programFolder();

// The program INI: the data folder plus "Kelvra.ini".
QString programIniPath();

// The same file for a command that only reads it, without creating the data
// folder: a folder not made yet holds no INI, so its defaults apply. (Only
// where the data folder could not be made does programIniPath look in the
// program's folder instead.)
QString programIniPathToRead();

} // namespace kelvra
