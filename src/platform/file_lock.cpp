// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_lock.h"

#include <QFile>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace kelvra {

bool ExclusiveFileLock::acquire(const QString &path)
{
    release();
#ifdef _WIN32
    HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(path.utf16()), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    m_handle = reinterpret_cast<qintptr>(h);
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    // flock conflicts between separate opens even within one process.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_handle = fd;
#endif
    return true;
}

void ExclusiveFileLock::release()
{
    if (m_handle == -1)
        return;
#ifdef _WIN32
    CloseHandle(reinterpret_cast<HANDLE>(m_handle));
#else
    ::close(int(m_handle));
#endif
    m_handle = -1;
}

} // namespace kelvra
