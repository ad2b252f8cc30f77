// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kelvra {

// The user's pictures folder when the system names one that exists, else
// the home folder.
QString picturesFolder();

// "Kelvra designs" in the user's documents (the home folder when the system
// names none), created on demand; where stamp designs are kept unless the
// user chose another folder. Empty when it cannot be created.
QString designsFolder();

} // namespace kelvra
