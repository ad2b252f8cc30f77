// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvra {

// The coefficient road's arrays (tens of megabytes a photo) come from the
// C library's allocator, which maps such blocks afresh for every photo and
// returns them on free, so every photo pays the page faults again. While a
// run lasts, freed memory is kept for the next photo; afterwards it goes back
// to the system. No effect where the allocator has no such settings.
class HeapReuse
{
public:
    explicit HeapReuse(bool on);
    ~HeapReuse();
    HeapReuse(const HeapReuse &) = delete;
    HeapReuse &operator=(const HeapReuse &) = delete;

private:
    [[maybe_unused]] bool m_on; // unread where the allocator has no settings
};

} // namespace kelvra
