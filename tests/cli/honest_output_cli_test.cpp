// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-cli stamp: every photo's reason is its real one.
#include "common/test_support.h"

#include <gtest/gtest.h>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using test::contains;
using test::runCli;
using test::TempDir;

// A name the system cannot make, or that names a drive, says so in its own
// words rather than as a name outside the output folder.
TEST(HonestOutput, NamesRefusedForTheirRealReason)
{
    TempDir dir;
    fs::copy_file(test::photo("makers/Canon.jpg"), dir / "c:shot.jpg");
    const struct
    {
        std::string mask;
        std::string reason;
    } cases[] = {
        { std::string(300, 'a'), "is too long for the file system: File name too long" },
        { std::string(300, 'a') + "\\%o", "is too long for the file system: File name too long" },
        { "%o", "the name \"c:shot.jpg\" starts with a drive" },
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.reason);
        const std::string out = (dir / ("o" + std::to_string(n++))).string();
        const auto r
            = runCli({ "stamp", "--no-stamp", "--rename", c.mask, "--out", out, (dir / "c:shot.jpg").string() });
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(contains(r.err, c.reason)) << r.err;
    }
}

} // namespace
} // namespace kelvra
