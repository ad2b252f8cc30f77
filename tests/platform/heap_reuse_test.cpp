// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/heap_reuse.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kelvra {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kOwnAllocator = true; // the sanitizer's allocator has no such settings
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kOwnAllocator = true;
#else
constexpr bool kOwnAllocator = false;
#endif
#else
constexpr bool kOwnAllocator = false;
#endif

#if defined(__GLIBC__)
// A photo-sized block after the start-up settings: taken from the heap, not
// mapped on its own, kept when freed, and handed back after the run.
TEST(HeapReuse, PhotoSizedBlocksAreKeptUntilTheRunEnds)
{
    if (kOwnAllocator)
        GTEST_SKIP() << "the sanitizer replaces the allocator";
    keepFreedMemoryForReuse();
    constexpr size_t kBlock = 64 << 20;
    const size_t mappedBefore = mallinfo2().hblkhd;
    auto *block = static_cast<char *>(std::malloc(kBlock));
    ASSERT_NE(block, nullptr);
    std::memset(block, 1, kBlock);
    EXPECT_LT(mallinfo2().hblkhd, mappedBefore + kBlock);
    const size_t heapWithBlock = mallinfo2().arena;
    std::free(block);
    EXPECT_GE(mallinfo2().arena, heapWithBlock); // kept for the next photo
    {
        const KeptMemoryRelease runEnds;
    }
    EXPECT_LE(mallinfo2().arena + kBlock / 2, heapWithBlock);
}
#endif

} // namespace
} // namespace kelvra
