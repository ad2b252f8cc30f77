// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kelvra {

// Holds a file open with writes denied to every other opener (another
// process, or another lock on the same file in this one) until released.
class ExclusiveFileLock
{
public:
    ExclusiveFileLock() = default;
    ~ExclusiveFileLock() { release(); }
    ExclusiveFileLock(const ExclusiveFileLock &) = delete;
    ExclusiveFileLock &operator=(const ExclusiveFileLock &) = delete;

    // False when the file is missing, not writable or locked elsewhere.
    bool acquire(const QString &path);
    void release();
    bool held() const { return m_handle != -1; }
    // The descriptor (a HANDLE on Windows), -1 when not held.
    qintptr handle() const { return m_handle; }

private:
    qintptr m_handle = -1;
};

} // namespace kelvra
