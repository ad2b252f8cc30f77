// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvra {

// The coefficient road's arrays and the decoded rasters (tens of megabytes a
// photo) come from the C library's allocator, which maps such blocks afresh
// for every photo and returns them on free, so every photo pays the page
// faults again. These settings are the whole process's, so each program makes
// them once at its start, before any thread exists: from then on freed memory
// is kept for the next photo. No effect where the allocator has no such settings.
void keepFreedMemoryForReuse();

// Hands the memory kept for reuse back to the system, so that a window left
// open after a run does not hold the run's peak. The settings stay.
void releaseKeptMemory();

// Calls releaseKeptMemory() when it goes: one lives as long as a run.
class KeptMemoryRelease
{
public:
    KeptMemoryRelease() = default;
    ~KeptMemoryRelease() { releaseKeptMemory(); }
    KeptMemoryRelease(const KeptMemoryRelease &) = delete;
    KeptMemoryRelease &operator=(const KeptMemoryRelease &) = delete;
};

} // namespace kelvra
