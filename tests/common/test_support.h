// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kelvra::test {

// The project's own copy of the camera photos. Tests only read it; whatever a
// test changes is first copied into a TempDir.
std::filesystem::path photosDir();
std::filesystem::path photo(const std::string &relative);

std::string readFileBytes(const std::filesystem::path &path);
void writeFileBytes(const std::filesystem::path &path, const std::string &bytes);
// Every file and folder below folder (folders end in '/'), files with their
// bytes: a picture of a tree to compare before and after. Empty when missing.
std::map<std::string, std::string> treeOf(const std::filesystem::path &folder);

// A fresh folder removed with everything in it when the object goes.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    std::filesystem::path operator/(const std::string &name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

struct CommandResult
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs kelvra-cli with the given arguments (no shell involved).
CommandResult runCli(const std::vector<std::string> &args, const std::vector<std::string> &extraEnvironment = {});

// Runs an outside tool such as exiftool or djpeg; exitCode 127 when it cannot start.
CommandResult runTool(const std::vector<std::string> &argv, const std::vector<std::string> &extraEnvironment = {});

bool toolAvailable(const std::string &name);

// Whether part occurs in text (output of a program, say).
inline bool contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

} // namespace kelvra::test
