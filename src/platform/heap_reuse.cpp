// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/heap_reuse.h"

#include <cstdlib> // defines __GLIBC__ where the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kelvra {

#if defined(__GLIBC__)
namespace {

// Above the largest photo's coefficient arrays (2^28 pixels at 4:4:4 is
// 1.5 GB; camera photos stay far below), and glibc's own bound for the
// setting.
constexpr int kKeptBlock = 512 * 1024 * 1024;

} // namespace
#endif

void keepFreedMemoryForReuse()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, kKeptBlock);
    mallopt(M_TRIM_THRESHOLD, kKeptBlock);
#endif
}

void releaseKeptMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace kelvra
