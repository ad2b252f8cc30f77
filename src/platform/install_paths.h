// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kelvra {

// The folder of the files shipped with the program (the guide, the language
// files), with a trailing separator. An installed program in <prefix>/bin/
// finds them in <prefix>/share/kelvra/; the build tree puts its own copy at
// the same place beside its programs, so one rule serves both.
QString shareFolder();

// The same for a program in programFolder (with or without a trailing
// separator), whether or not the folder exists.
QString shareFolderFor(const QString &programFolder);

// The guide's folder: shareFolder() + "help/".
QString helpFolder();

// The ready designs' folder: shareFolder() + "looks/".
QString looksFolder();

} // namespace kelvra
