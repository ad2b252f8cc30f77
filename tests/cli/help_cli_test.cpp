// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/test_support.h"
#include "stamp/caption.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kelvra {
namespace {

using test::runCli;

// The line that lists field, or empty.
std::string lineOf(const std::string &text, const std::string &field)
{
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("  " + field + ' ', 0) == 0)
            return line;
    }
    return {};
}

// Each topic lists its fields with the example the real code gives for the
// fixed moment 2019-05-01 14:07:09.
TEST(HelpCommand, ListsEveryFieldWithItsExample)
{
    struct Case
    {
        const char *topic, *field, *example;
    };
    const Case cases[] = {
        { "tokens", "[PHOTO_DATE]", "01.05.2019 14:07" },
        { "tokens", "[PN_WOE]", "DSC_0042" },
        { "tokens", "[ETime]", "1/200 sec" },
        { "tokens", "[CURRENT_TIME]", "01.05.2019 14:07" },
        { "masks", "%o", "%o -> OriginalName.jpg" },
        { "masks", "%y", "%y -> 2019.jpg" },
        { "masks", "%n1 .. %n9", "%n3 -> 007.jpg" },
        { "masks", "%dy", "%dy -> 121.jpg" },
        { "masks", "\\", "%y\\%o -> 2019\\OriginalName.jpg" },
        { "dates", "MMM", "May" },
        { "dates", "DDDD", "Wednesday" },
        { "dates", "HH:MM", "14:07" },
        { "dates", "AM/PM", "PM" },
        { "dates", "ZZZ", "000" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.topic) + " " + c.field);
        const auto r = runCli({ "help", c.topic });
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::string line = lineOf(r.out, c.field);
        ASSERT_FALSE(line.empty()) << r.out;
        EXPECT_EQ(line.substr(line.size() - std::string(c.example).size()), c.example) << line;
    }
    // Every caption token is listed, once.
    const auto tokens = runCli({ "help", "tokens" }).out;
    size_t rows = 0;
    for (size_t at = tokens.find("\n  ["); at != std::string::npos; at = tokens.find("\n  [", at + 1))
        ++rows;
    EXPECT_EQ(rows, captionTokens().size());
    for (QLatin1StringView token : captionTokens())
        EXPECT_FALSE(lineOf(tokens, token.toString().toStdString()).empty()) << token.toString().toStdString();
}

TEST(HelpCommand, TokensOfARealPhotoAndRefusals)
{
    const auto r = runCli({ "help", "tokens", test::photo("structure/Nikon_D70.jpg").string() });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(lineOf(r.out, "[Model]").find("NIKON D70"), std::string::npos) << r.out;
    EXPECT_NE(lineOf(r.out, "[PN_WOE]").find("Nikon_D70"), std::string::npos) << r.out;

    EXPECT_EQ(runCli({ "help" }).exitCode, 0);
    EXPECT_NE(runCli({ "help" }).out.find("kelvra-cli stamp"), std::string::npos);
    EXPECT_EQ(runCli({ "help", "colours" }).exitCode, 2);
    EXPECT_EQ(runCli({ "help", "masks", "extra" }).exitCode, 2);
    EXPECT_EQ(runCli({ "help", "tokens", "/nonexistent.jpg" }).exitCode, 1);
}

} // namespace
} // namespace kelvra
