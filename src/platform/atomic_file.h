// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kelvra {

// The one way Kelvra replaces a file. The new content goes to a temporary file
// in the target's folder (unnamed until it is whole where the system allows,
// so that a killed process leaves no file behind), is flushed to the disk (fdatasync; FlushFileBuffers
// on Windows) and is then renamed over the target. A reader, a crash or a full
// disk therefore finds the old file or the whole new one, never a torn one.
// The folder is not flushed after the rename: after a power cut the old file
// may be back, but never half of the new one. On failure the temporary file is
// removed, the target is as it was, and the result says which step failed.

// What becomes of a file already at the target.
enum class ExistingFile {
    Replace, // the name gets a new file with default permissions; a link there is replaced
    Update, // the file keeps its permissions and, when the name is a link, the link's place
    Refuse, // the name is claimed only while free: whatever holds it stays, and the result is NameTaken
};

// Which step failed; the window and the command line make their own sentence.
enum class FileError {
    None,
    CreateFailed, // path: the temporary file
    WriteFailed, // path: the temporary file
    PermissionsNotKept, // path: the target
    FlushFailed, // path: the temporary file
    ReplaceFailed, // path: the target
    CopyFailed, // path: the target
    NameTaken, // path: the target, which another file holds
    MoveFailed, // path: the target
};

struct FileResult
{
    FileError error = FileError::None;
    std::filesystem::path path;
    std::string detail; // the system's own words, may be empty
    bool ok() const { return error == FileError::None; }
};

// A new file (Replace, Refuse) gets the default permissions, narrowed to
// `within` when given, plus write for its owner: an output is never more
// readable than the photo it was made from.
FileResult writeFileAtomically(const std::filesystem::path &path, std::string_view bytes,
    ExistingFile existing = ExistingFile::Replace, std::optional<std::filesystem::perms> within = std::nullopt);

// The same with the bytes of source, copied by the kernel where it can, and
// narrowed to source's permissions.
FileResult copyFileAtomically(const std::filesystem::path &source, const std::filesystem::path &target,
    ExistingFile existing = ExistingFile::Replace);

// A file's permission bits; nothing when it cannot be read.
std::optional<std::filesystem::perms> permissionsOf(const std::filesystem::path &path);

// Puts a second name on file at keep (a hard link, or a whole copy where the
// file system has none), so that it survives being replaced. keep must be free.
FileResult keepAside(const std::filesystem::path &file, const std::filesystem::path &keep);

// Moves from to the free name to, across file systems too; never replaces.
FileResult moveToFreeName(const std::filesystem::path &from, const std::filesystem::path &to);

// Removes the named temporary files these functions leave in folder when the
// process dies between writing and renaming, once they are at least age old
// (younger ones may belong to a run still going). Returns how many went.
int removeStaleTemporaries(const std::filesystem::path &folder, std::chrono::seconds age = std::chrono::seconds(60));

} // namespace kelvra
