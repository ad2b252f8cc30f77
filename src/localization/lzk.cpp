// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/lzk.h"

#include "localization/loc_errors.h"

#include <QIODevice>

#include <array>
#include <deque>

namespace kelvra {

namespace {

[[noreturn]] void wrongStream()
{
    throw EKCompressError(QString::fromLatin1(locmsg::WrongStream));
}

// Positions where each byte value last occurred, oldest first.
class Dictionary
{
public:
    static constexpr size_t kDepth = 40;

    void enter(const char *source, qsizetype position)
    {
        auto &list = m_positions[static_cast<unsigned char>(source[position])];
        list.push_back(position);
        if (list.size() > kDepth)
            list.pop_front();
    }
    std::deque<qsizetype> &positionsOf(char byte) { return m_positions[static_cast<unsigned char>(byte)]; }

private:
    std::array<std::deque<qsizetype>, 256> m_positions;
};

QByteArray readAll(QIODevice *device)
{
    device->seek(0);
    return device->readAll();
}

} // namespace

bool isLzk(const QByteArray &bytes)
{
    return bytes.startsWith(QByteArrayView(lzk::kSignature, lzk::kSignatureSize));
}

QByteArray lzkCompress(const QByteArray &plain, const LzkProgress &progress)
{
    QByteArray out(lzk::kSignature, lzk::kSignatureSize);
    out.append(4, '\0');
    const char *src = plain.constData();
    const qsizetype size = plain.size();
    Dictionary dictionary;
    QByteArray literals;
    auto flush = [&] {
        if (literals.isEmpty())
            return;
        out.append(static_cast<char>(literals.size() << 1));
        out.append(literals);
        literals.clear();
    };

    qsizetype pos = 0;
    while (pos < size) {
        const qsizetype lookAhead = std::min(lzk::kMaxLiteralRun, size - pos);
        qsizetype bestLength = 0;
        qsizetype bestPosition = 0;
        if (lookAhead >= lzk::kMinMatch) {
            // A position has slid out once it lies more than the window minus the
            // look-ahead behind, so no distance ever exceeds 2047.
            const qsizetype oldest = pos + lookAhead - lzk::kWindowSize;
            const qsizetype limit = std::min(lookAhead, lzk::kMaxMatch);
            auto &candidates = dictionary.positionsOf(src[pos]);
            for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
                const qsizetype candidate = *it;
                if (candidate < oldest) {
                    candidates.erase(candidates.begin(), it.base());
                    break;
                }
                qsizetype length = 1;
                while (length < limit && src[candidate + length] == src[pos + length])
                    ++length;
                if (length >= lzk::kMinMatch && length > bestLength) {
                    bestLength = length;
                    bestPosition = candidate;
                }
                if (bestLength > 8)
                    break;
            }
        }
        if (bestLength > 0) {
            flush();
            const unsigned word = 1u | (unsigned(pos - bestPosition) << 1) | (unsigned(bestLength - 3) << 12);
            out.append(static_cast<char>(word & 0xFF));
            out.append(static_cast<char>(word >> 8));
            for (qsizetype i = 0; i < bestLength; ++i)
                dictionary.enter(src, pos + i);
            pos += bestLength;
        } else {
            if (literals.size() == lzk::kMaxLiteralRun)
                flush();
            literals.append(src[pos]);
            dictionary.enter(src, pos);
            ++pos;
        }
        if (progress)
            progress(pos, size);
    }
    flush();
    return out;
}

TLZKDecoder::TLZKDecoder(const QByteArray &packed)
    : m_packed(packed)
{
    if (!isLzk(packed) || packed.size() < lzk::kHeaderSize)
        wrongStream();
}

void TLZKDecoder::decodeTo(qsizetype size)
{
    const auto *in = reinterpret_cast<const unsigned char *>(m_packed.constData());
    const qsizetype end = m_packed.size();
    while (m_out.size() < size && m_in < end) {
        const unsigned t = in[m_in++];
        if ((t & 1) == 0) {
            const qsizetype run = t >> 1;
            if (run > end - m_in || m_out.size() + run > lzk::kMaxPlainSize)
                wrongStream();
            m_out.append(reinterpret_cast<const char *>(in + m_in), run);
            m_in += run;
            continue;
        }
        if (m_in >= end)
            wrongStream();
        const unsigned word = t | (unsigned(in[m_in++]) << 8);
        const qsizetype distance = (word & 0xFFF) >> 1;
        const qsizetype length = (word >> 12) + 3;
        if (distance == 0 || distance > m_out.size() || m_out.size() + length > lzk::kMaxPlainSize)
            wrongStream();
        // Byte by byte: the copy may read what it has just written.
        const qsizetype at = m_out.size();
        m_out.resize(at + length);
        char *data = m_out.data();
        for (qsizetype i = 0; i < length; ++i)
            data[at + i] = data[at - distance + i];
    }
}

QByteArray lzkDecompress(const QByteArray &packed)
{
    TLZKDecoder decoder(packed);
    decoder.decodeAll();
    return decoder.output();
}

void TLZKCompressor::Compress(QIODevice *Source, QIODevice *Dest)
{
    if (!Source)
        throw EKCompressError(QString::fromLatin1(locmsg::NoSource));
    if (!Dest)
        throw EKCompressError(QString::fromLatin1(locmsg::NoDestination));
    Dest->write(lzkCompress(readAll(Source), OnProgress));
}

void TLZKCompressor::Decompress(QIODevice *Source, QIODevice *Dest)
{
    if (!Source)
        throw EKCompressError(QString::fromLatin1(locmsg::NoSource));
    if (!Dest)
        throw EKCompressError(QString::fromLatin1(locmsg::NoDestination));
    Dest->write(lzkDecompress(readAll(Source)));
}

bool TLZKCompressor::IsCompressed(QIODevice *Stream)
{
    if (!Stream)
        return false;
    const qint64 at = Stream->pos();
    const QByteArray head = Stream->read(lzk::kSignatureSize);
    Stream->seek(at);
    return isLzk(head);
}

} // namespace kelvra
