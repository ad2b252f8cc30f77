// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/byte_source.h"

#include <algorithm>
#include <cstring>
#include <system_error>

namespace kelvra {

size_t MemoryByteSource::read(char *dest, size_t length)
{
    const size_t n = std::min(length, m_bytes.size() - m_pos);
    if (n > 0)
        std::memcpy(dest, m_bytes.data() + m_pos, n);
    m_pos += n;
    count(n);
    return n;
}

bool FileByteSource::open(const std::filesystem::path &path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return false;
    m_file.pubsetbuf(m_buffer, sizeof m_buffer);
    return m_file.open(path, std::ios::in | std::ios::binary) != nullptr;
}

size_t FileByteSource::read(char *dest, size_t length)
{
    if (!m_file.is_open() || length == 0)
        return 0;
    const auto n
        = static_cast<size_t>(std::max<std::streamsize>(0, m_file.sgetn(dest, static_cast<std::streamsize>(length))));
    count(n);
    return n;
}

} // namespace kelvra
