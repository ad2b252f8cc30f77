// SPDX-License-Identifier: GPL-3.0-or-later
// The fuzzers' one assertion: a broken promise must stop the run where
// libFuzzer sees it, in every build type.
#pragma once

#include <cstdlib>

namespace {

inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace
