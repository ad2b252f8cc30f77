// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <functional>

class QIODevice;

namespace kelvra {

// The LZK scheme: "LZK00", a 4-byte compressor version, then literal runs and
// back references into the last 2048 output bytes.
namespace lzk {
inline constexpr char kSignature[] = "LZK00";
inline constexpr qsizetype kSignatureSize = 5;
inline constexpr qsizetype kHeaderSize = kSignatureSize + 4;
inline constexpr qsizetype kWindowSize = 2048;
inline constexpr qsizetype kMaxLiteralRun = 127;
inline constexpr qsizetype kMinMatch = 3;
inline constexpr qsizetype kMaxMatch = 18;
// No language file comes near this; a hostile stream that expands further is refused.
inline constexpr qsizetype kMaxPlainSize = qsizetype(64) << 20;
} // namespace lzk

bool isLzk(const QByteArray &bytes);

// Progress receives the source position and size after every step.
using LzkProgress = std::function<void(qsizetype position, qsizetype size)>;

QByteArray lzkCompress(const QByteArray &plain, const LzkProgress &progress = {});
// Throws EKCompressError("Wrong stream format") on anything but a whole, valid stream.
QByteArray lzkDecompress(const QByteArray &packed);

// Decodes a stream only as far as a reader asks, so a file's header can be read
// without expanding the body.
class TLZKDecoder
{
public:
    explicit TLZKDecoder(const QByteArray &packed); // checks the signature and version
    // Decodes until the output holds at least `size` bytes or the stream ends.
    void decodeTo(qsizetype size);
    void decodeAll() { decodeTo(lzk::kMaxPlainSize + 1); }
    bool atEnd() const { return m_in >= m_packed.size(); }
    const QByteArray &output() const { return m_out; }

private:
    const QByteArray m_packed;
    qsizetype m_in = lzk::kHeaderSize;
    QByteArray m_out;
};

class TKCompressor
{
public:
    virtual ~TKCompressor() = default;
    // Both work from source position 0 to its end.
    virtual void Compress(QIODevice *Source, QIODevice *Dest) = 0;
    virtual void Decompress(QIODevice *Source, QIODevice *Dest) = 0;
};

class TLZKCompressor : public TKCompressor
{
public:
    void Compress(QIODevice *Source, QIODevice *Dest) override;
    void Decompress(QIODevice *Source, QIODevice *Dest) override;
    // The stream's position is where it was afterwards.
    static bool IsCompressed(QIODevice *Stream);

    LzkProgress OnProgress;
};

} // namespace kelvra
