// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-cli tags: the reader's findings as lines of text or as JSON.
#include "common/test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <gtest/gtest.h>

namespace kelvra {
namespace {

std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        out.push_back(text.substr(start, end - start));
    return out;
}

bool hasLine(const test::CommandResult &r, const std::string &line)
{
    const auto all = lines(r.out);
    return std::find(all.begin(), all.end(), line) != all.end();
}

TEST(TagsCommand, TextLinesInUtf8)
{
    const auto r = test::runCli({ "tags", test::photo("orientation/landscape_3.jpg").string() });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    ASSERT_FALSE(lines(r.out).empty());
    EXPECT_EQ(lines(r.out).front(), "<none>");
    EXPECT_TRUE(hasLine(r, "Orientation\tRotated 180\u00B0")) << r.out;

    const std::string gps = test::photo("gps/67-0_length_string.jpg").string();
    EXPECT_TRUE(hasLine(test::runCli({ "tags", gps }), "GPSLatitude\t51\u00B01'30\""));
    EXPECT_TRUE(hasLine(test::runCli({ "tags", "--gps-form", "0", gps }), "GPSLatitude\t51.0250\u00B0"));
    EXPECT_TRUE(hasLine(test::runCli({ "tags", gps, "--gps-form", "1" }), "GPSLongitude\t7\u00B035.52'"));
}

TEST(TagsCommand, Json)
{
    const std::string photo = test::photo("makers/Canon_PowerShot_S40.jpg").string();
    const auto r = test::runCli({ "tags", "--json", photo });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out;
    EXPECT_EQ(root[QStringLiteral("errStr")].toString(), QStringLiteral("<none>"));
    EXPECT_TRUE(root[QStringLiteral("hasExif")].toBool());
    EXPECT_TRUE(root[QStringLiteral("hasThumbnail")].toBool());
    EXPECT_EQ(root[QStringLiteral("thumbStart")].toInt(), 1470);
    EXPECT_EQ(root[QStringLiteral("exifSlot")].toInt(), 2);

    const QJsonArray sections = root[QStringLiteral("sections")].toArray();
    const int markers[] = { 0xE0, 0xE1, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA };
    ASSERT_EQ(sections.size(), static_cast<qsizetype>(std::size(markers)));
    for (qsizetype i = 0; i < sections.size(); ++i)
        EXPECT_EQ(sections[i].toObject()[QStringLiteral("marker")].toInt(), markers[i]) << i;
    EXPECT_EQ(sections[1].toObject()[QStringLiteral("size")].toInt(), 7678);
    EXPECT_EQ(root[QStringLiteral("thumbLength")].toInt(), 7678 + 3 - 1470);

    const QJsonArray tags = root[QStringLiteral("tags")].toArray();
    ASSERT_FALSE(tags.isEmpty());
    const QJsonObject make = tags[0].toObject();
    EXPECT_EQ(make[QStringLiteral("name")].toString(), QStringLiteral("Make"));
    EXPECT_EQ(make[QStringLiteral("tag")].toInt(), 0x010F);
    EXPECT_EQ(make[QStringLiteral("TID")].toInt(), 0);
    EXPECT_EQ(make[QStringLiteral("format")].toInt(), 2);
    EXPECT_EQ(make[QStringLiteral("value")].toString(), QStringLiteral("Canon"));
    EXPECT_EQ(make[QStringLiteral("raw")].toString(), QStringLiteral("43616e6f6e00"));
    EXPECT_GT(make[QStringLiteral("position")].toInt(), 8);

    // The same tags, in the same order, as the text form prints.
    const auto text = lines(test::runCli({ "tags", photo }).out);
    ASSERT_EQ(text.size(), static_cast<size_t>(tags.size()) + 1);
    for (qsizetype i = 0; i < tags.size(); ++i) {
        const QJsonObject tag = tags[i].toObject();
        EXPECT_EQ(text[static_cast<size_t>(i) + 1],
            (tag[QStringLiteral("name")].toString() + '\t' + tag[QStringLiteral("value")].toString()).toStdString());
    }
}

// A photo the reader cannot read says why on standard error, not among the
// findings.
TEST(TagsCommand, FailuresAndUsage)
{
    const std::string notExif = test::photo("structure/olympus-d320l.jpg").string();
    const struct
    {
        std::vector<std::string> args;
        int exitCode;
        const char *firstLine; // nullptr: nothing on stdout
        std::string err; // the start of standard error
    } rows[] = {
        { { "tags", notExif }, 1, nullptr, "kelvra-cli tags: " + notExif + ": Not an EXIF file\n" },
        { { "tags", test::photo("structure/sony-powershota5.jpg").string() }, 0, "<none>", "" },
        { { "tags" }, 2, nullptr, "kelvra-cli tags: the photo is missing" },
        { { "tags", "--gps-form", "x", "a.jpg" }, 2, nullptr, "kelvra-cli tags: --gps-form needs a number" },
        { { "tags", "--verbose", "a.jpg" }, 2, nullptr, "kelvra-cli tags: unknown option --verbose" },
        { { "tags", "a.jpg", "b.jpg" }, 2, nullptr, "kelvra-cli tags: one photo only" },
    };
    for (const auto &row : rows) {
        const auto r = test::runCli(row.args);
        EXPECT_EQ(r.exitCode, row.exitCode) << row.args.back();
        EXPECT_EQ(r.err.substr(0, row.err.size()), row.err);
        if (row.firstLine) {
            ASSERT_FALSE(lines(r.out).empty()) << row.args.back();
            EXPECT_EQ(lines(r.out).front(), row.firstLine);
        } else {
            EXPECT_EQ(r.out, "");
        }
        if (row.exitCode == 2) {
            EXPECT_NE(r.err.find("usage: kelvra-cli tags"), std::string::npos) << r.err;
        }
    }
}

} // namespace
} // namespace kelvra
