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

FileByteSource::~FileByteSource()
{
    if (m_file)
        std::fclose(m_file);
}

bool FileByteSource::open(const std::filesystem::path &path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return false;
    m_file = std::fopen(path.c_str(), "rb");
    if (!m_file)
        return false;
    // Segments are read in small pieces; a small buffer keeps read-ahead short.
    std::setvbuf(m_file, nullptr, _IOFBF, 8192);
    return true;
}

size_t FileByteSource::read(char *dest, size_t length)
{
    if (!m_file || length == 0)
        return 0;
    const size_t n = std::fread(dest, 1, length, m_file);
    if (n < length && std::ferror(m_file))
        m_failed = true;
    count(n);
    return n;
}

} // namespace kelvra
