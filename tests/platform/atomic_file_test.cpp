// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atomic_file.h"
#include "platform/file_ops.h"

#include "common/test_support.h"

#include <gtest/gtest.h>

#include <QString>

#include <algorithm>

namespace kelvra {
namespace {

namespace fs = std::filesystem;

// Names in the folder besides the ones a test made itself: no temporary file
// may stay behind, whether the write worked or not.
std::vector<std::string> namesIn(const fs::path &dir)
{
    std::vector<std::string> names;
    for (const fs::directory_entry &entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

fs::perms permissionsOf(const fs::path &path)
{
    return fs::status(path).permissions() & fs::perms::mask;
}

TEST(AtomicFile, WritesNewAndReplacesOldWithNothingLeftBeside)
{
    test::TempDir dir;
    const fs::path file = dir / "photo.jpg";
    for (const std::string &bytes : { std::string("first"), std::string("\0\xFF second, longer", 17), std::string() }) {
        const FileResult r = writeFileAtomically(file, bytes);
        ASSERT_TRUE(r.ok()) << r.detail;
        EXPECT_EQ(test::readFileBytes(file), bytes);
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string> { "photo.jpg" });
    }
}

TEST(AtomicFile, ARefusedWriteLeavesTheTargetAsItWas)
{
    test::TempDir dir;
    const FileResult noFolder = writeFileAtomically(dir / "missing/out.jpg", "x");
    EXPECT_EQ(noFolder.error, FileError::CreateFailed);
    EXPECT_EQ(noFolder.path.parent_path(), dir / "missing");
    EXPECT_FALSE(noFolder.detail.empty());

    // A folder standing at the name cannot be replaced by a file.
    fs::create_directory(dir / "taken");
    test::writeFileBytes(dir / "taken/inside", "kept");
    const FileResult onFolder = writeFileAtomically(dir / "taken", "x");
    EXPECT_EQ(onFolder.error, FileError::ReplaceFailed);
    EXPECT_EQ(onFolder.path, dir / "taken");
    EXPECT_FALSE(onFolder.detail.empty());
    EXPECT_EQ(test::readFileBytes(dir / "taken/inside"), "kept");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string> { "taken" });
}

TEST(AtomicFile, ReplaceGivesAFreshFileUpdateKeepsPermissionsAndLinks)
{
    test::TempDir dir;
    const fs::path real = dir / "settings.ini";
    const fs::path link = dir / "link.ini";
    test::writeFileBytes(real, "old");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(real, link);

    ASSERT_TRUE(writeFileAtomically(link, "through the link", ExistingFile::Update).ok());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(test::readFileBytes(real), "through the link");
    EXPECT_EQ(permissionsOf(real), fs::perms::owner_read | fs::perms::owner_write);

    ASSERT_TRUE(writeFileAtomically(link, "link replaced", ExistingFile::Replace).ok());
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(test::readFileBytes(link), "link replaced");
    EXPECT_EQ(test::readFileBytes(real), "through the link");

    // A file that is not there yet is made the same way by both.
    ASSERT_TRUE(writeFileAtomically(dir / "new.ini", "n", ExistingFile::Update).ok());
    ASSERT_TRUE(writeFileAtomically(dir / "new.jpg", "n", ExistingFile::Replace).ok());
    EXPECT_EQ(permissionsOf(dir / "new.ini"), permissionsOf(dir / "new.jpg"));
    EXPECT_NE(permissionsOf(dir / "new.jpg") & fs::perms::owner_write, fs::perms::none);
}

TEST(AtomicFile, CopyOfAReadOnlySourceIsWholeAndWritable)
{
    test::TempDir dir;
    const fs::path source = dir / "source.jpg";
    const std::string bytes(300000, '\x5A');
    test::writeFileBytes(source, bytes);
    fs::permissions(source, fs::perms::owner_read | fs::perms::group_read);
    test::writeFileBytes(dir / "out.jpg", "an earlier output");

    const FileResult copied = copyFileAtomically(source, dir / "out.jpg");
    ASSERT_TRUE(copied.ok()) << copied.detail;
    EXPECT_EQ(test::readFileBytes(dir / "out.jpg"), bytes);
    EXPECT_EQ(permissionsOf(dir / "out.jpg"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string> { "out.jpg", "source.jpg" }));

    const FileResult missing = copyFileReplacing(
        QString::fromStdString((dir / "none.jpg").string()), QString::fromStdString((dir / "out2.jpg").string()));
    EXPECT_EQ(missing.error, FileError::CopyFailed);
    EXPECT_EQ(missing.path, dir / "out2.jpg");
    EXPECT_FALSE(missing.detail.empty());
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string> { "out.jpg", "source.jpg" }));
}

TEST(AtomicFile, StaleTemporariesAreRemovedAndNothingElse)
{
    test::TempDir dir;
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    const std::vector<std::string> ours = { ".kelvra-1.tmp", ".kelvra-4294967295.tmp" };
    const std::vector<std::string> others
        = { ".kelvra-12.tmp.jpg", ".kelvra-.tmp", ".kelvra-1a.tmp", "kelvra-1.tmp", "photo.jpg", ".kelvra-7.tmpx" };
    for (const auto &name : ours)
        test::writeFileBytes(dir / name, "x");
    for (const auto &name : others)
        test::writeFileBytes(dir / name, "x");
    fs::create_directories(dir / ".kelvra-2.tmp"); // a folder is never ours
    for (const auto &entry : fs::directory_iterator(dir.path()))
        fs::last_write_time(entry.path(), old);
    test::writeFileBytes(dir / ".kelvra-3.tmp", "a run still going"); // young: kept

    EXPECT_EQ(removeStaleTemporaries(dir.path()), 2);
    for (const auto &name : ours)
        EXPECT_FALSE(fs::exists(dir / name)) << name;
    for (const auto &name : others)
        EXPECT_TRUE(fs::exists(dir / name)) << name;
    EXPECT_TRUE(fs::exists(dir / ".kelvra-2.tmp"));
    EXPECT_TRUE(fs::exists(dir / ".kelvra-3.tmp"));
    EXPECT_EQ(removeStaleTemporaries(dir / "missing"), 0);
}

TEST(AtomicFile, WritesLeaveNoTemporaryBehind)
{
    test::TempDir dir;
    const fs::path target = dir / "out.jpg";
    for (int round = 0; round < 3; ++round) { // new, then over an existing file
        ASSERT_TRUE(writeFileAtomically(target, "round " + std::to_string(round)).ok());
        EXPECT_EQ(test::readFileBytes(target), "round " + std::to_string(round));
    }
    test::writeFileBytes(dir / "source", "copied");
    fs::permissions(dir / "source", fs::perms::owner_read | fs::perms::group_read);
    ASSERT_TRUE(copyFileAtomically(dir / "source", target).ok());
    EXPECT_EQ(test::readFileBytes(target), "copied");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { "out.jpg", "source" }));
}

} // namespace
} // namespace kelvra
