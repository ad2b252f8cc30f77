// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace kelvra {

// Sequential input of the container readers. The readers pull only the bytes
// they need, so a large photo costs its header segments, not its file size.
class ByteSource
{
public:
    virtual ~ByteSource() = default;

    // Reads up to length bytes into dest; fewer only at the end of the input.
    virtual size_t read(char *dest, size_t length) = 0;

    // Bytes handed out so far.
    uint64_t bytesRead() const { return m_bytesRead; }

protected:
    void count(size_t n) { m_bytesRead += n; }

private:
    uint64_t m_bytesRead = 0;
};

class MemoryByteSource final : public ByteSource
{
public:
    explicit MemoryByteSource(std::string_view bytes)
        : m_bytes(bytes)
    {
    }
    size_t read(char *dest, size_t length) override;

private:
    std::string_view m_bytes;
    size_t m_pos = 0;
};

class FileByteSource final : public ByteSource
{
public:
    // Opens for reading; false when the file cannot be opened or is a folder.
    bool open(const std::filesystem::path &path);
    size_t read(char *dest, size_t length) override;

private:
    // Segments are read in small pieces; a small buffer keeps read-ahead short.
    char m_buffer[8192];
    std::filebuf m_file;
};

} // namespace kelvra
