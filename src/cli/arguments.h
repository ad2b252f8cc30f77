// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <optional>
#include <vector>

namespace kelvra::cli {

// An option a command knows. value says what its value is, in the words of
// "--out needs a folder"; null for an option that takes none.
struct Option
{
    const char *name;
    const char *value = nullptr;
    bool repeatable = false; // may be given more than once
};

// Puts args (before a "--") into the one form every parser reads: "--opt=v"
// becomes "--opt v". Returns the usage error instead for an option given
// twice, a value missing (also where the next word is another known option,
// so "--rename --out DIR" never takes "--out" for a mask) and a value given
// to an option that takes none. Unknown options are left to the command.
std::optional<QString> normaliseArguments(QStringList &args, const std::vector<Option> &known);

} // namespace kelvra::cli
