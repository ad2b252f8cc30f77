// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/loc_errors.h"
#include "localization/lzk.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace kelvra {
namespace {

const QByteArray kHead("LZK00\0\0\0\0", 9);

QString decodeError(const QByteArray &packed)
{
    try {
        lzkDecompress(packed);
    } catch (const EKCompressError &e) {
        return e.message();
    }
    return QString();
}

// Walks the tokens of a stream and returns the largest distance used.
int largestDistance(const QByteArray &packed, int *longestRun)
{
    int largest = 0;
    *longestRun = 0;
    for (qsizetype i = lzk::kHeaderSize; i < packed.size();) {
        const unsigned t = quint8(packed[i]);
        if (!(t & 1)) {
            *longestRun = std::max(*longestRun, int(t >> 1));
            i += 1 + (t >> 1);
        } else {
            const unsigned w = t | (unsigned(quint8(packed[i + 1])) << 8);
            largest = std::max(largest, int((w & 0xFFF) >> 1));
            i += 2;
        }
    }
    return largest;
}

TEST(Lzk, EncodesTheDocumentedExamples)
{
    EXPECT_EQ(lzkCompress("ab"),
        kHead
            + QByteArray("\x04"
                         "ab"));
    EXPECT_EQ(lzkCompress(QByteArray()), kHead);

    // 300 equal bytes: one literal, sixteen matches of 18 at distance 1, one of 11.
    QByteArray want = kHead
        + QByteArray("\x02"
                     "a");
    for (int i = 0; i < 16; ++i)
        want += QByteArray("\x03\xF0", 2);
    want += QByteArray("\x03\x80", 2);
    EXPECT_EQ(lzkCompress(QByteArray(300, 'a')), want);

    // Without repeats, literal runs of 127 at most.
    QByteArray distinct;
    for (int i = 0; i < 200; ++i)
        distinct.append(char(i));
    const QByteArray packed = lzkCompress(distinct);
    EXPECT_EQ(quint8(packed[9]), 127u << 1);
    EXPECT_EQ(quint8(packed[9 + 128]), 73u << 1);
    EXPECT_EQ(packed.size(), 9 + 2 + 200);

    // The newest of equal candidates wins; a match ends the walk once it is longer than 8.
    EXPECT_EQ(lzkCompress("abcXabcYabc"),
        kHead
            + QByteArray("\x08"
                         "abcX\x09\x00\x02Y\x09\x00",
                11));
}

TEST(Lzk, RoundTripsAndKeepsDistancesInTheWindow)
{
    std::mt19937 random(7);
    QByteArray noise(20000, '\0');
    for (char &c : noise)
        c = char(random() % 4); // few symbols: many matches at every distance
    QByteArray far(5000, '\0');
    for (qsizetype i = 0; i < far.size(); ++i)
        far[i] = char(i < 2046 ? random() : far[i - 2046]); // repeats just inside and outside the window
    QByteArray text;
    for (int i = 0; i < 500; ++i)
        text += "Caption=Start " + QByteArray::number(i % 37) + "\r\n";
    QByteArray allBytes;
    for (int i = 0; i < 256 * 3; ++i)
        allBytes.append(char(i));

    for (const QByteArray &input : { QByteArray("x"), QByteArray("xyz"), noise, far, text, allBytes }) {
        const QByteArray packed = lzkCompress(input);
        EXPECT_EQ(lzkDecompress(packed), input) << input.size();
        int longestRun = 0;
        EXPECT_LE(largestDistance(packed, &longestRun), 2047);
        EXPECT_LE(longestRun, 127);
    }
    EXPECT_LT(lzkCompress(text).size(), text.size() / 4);
}

TEST(Lzk, RefusesBrokenStreams)
{
    struct Case
    {
        const char *what;
        QByteArray bytes;
    };
    const Case cases[] = {
        { "no signature", QByteArray("LZK01\0\0\0\0\x02x", 11) },
        { "version cut", QByteArray("LZK00\0\0", 7) },
        { "literal run cut", kHead + QByteArray("\x06xy") },
        { "match token cut", kHead + QByteArray("\x02x\x03") },
        { "distance 0", kHead + QByteArray("\x02x\x01\x00", 4) },
        { "before the start", kHead + QByteArray("\x02x\x05\x00", 4) },
    };
    for (const Case &c : cases)
        EXPECT_EQ(decodeError(c.bytes), QString::fromLatin1(locmsg::WrongStream)) << c.what;
    EXPECT_EQ(lzkDecompress(kHead + QByteArray("\x02x\x03\x00", 4)), QByteArray(4, 'x'));

    // A few megabytes that would expand past the limit are refused, not expanded.
    QByteArray bomb = kHead + QByteArray("\x02x");
    const qsizetype tokens = lzk::kMaxPlainSize / 18 + 1;
    bomb.reserve(bomb.size() + 2 * tokens);
    for (qsizetype i = 0; i < tokens; ++i)
        bomb += QByteArray("\x03\xF0", 2);
    EXPECT_EQ(decodeError(bomb), QString::fromLatin1(locmsg::WrongStream));
}

TEST(Lzk, StreamsCheckTheirArgumentsAndRestoreThePosition)
{
    TLZKCompressor lzk;
    QBuffer source;
    source.setData("hello hello hello");
    source.open(QIODevice::ReadOnly);
    QBuffer packed;
    packed.open(QIODevice::ReadWrite);
    auto message = [](const std::function<void()> &f) {
        try {
            f();
        } catch (const EKCompressError &e) {
            return e.message();
        }
        return QString();
    };
    EXPECT_EQ(message([&] { lzk.Compress(nullptr, &packed); }), QStringLiteral("Source stream is not defined"));
    EXPECT_EQ(message([&] { lzk.Decompress(&source, nullptr); }), QStringLiteral("Destination stream is not defined"));

    qsizetype steps = 0;
    lzk.OnProgress = [&steps](qsizetype position, qsizetype size) {
        EXPECT_LE(position, size);
        ++steps;
    };
    source.seek(5); // compression starts from position 0 whatever the position
    lzk.Compress(&source, &packed);
    EXPECT_GT(steps, 0);
    packed.seek(3);
    EXPECT_TRUE(TLZKCompressor::IsCompressed(&packed) == false);
    packed.seek(0);
    EXPECT_TRUE(TLZKCompressor::IsCompressed(&packed));
    EXPECT_EQ(packed.pos(), 0);
    QBuffer plain;
    plain.open(QIODevice::ReadWrite);
    lzk.Decompress(&packed, &plain);
    EXPECT_EQ(plain.data(), QByteArray("hello hello hello"));
    EXPECT_EQ(message([&] { lzk.Decompress(&source, &plain); }), QStringLiteral("Wrong stream format"));
}

} // namespace
} // namespace kelvra
