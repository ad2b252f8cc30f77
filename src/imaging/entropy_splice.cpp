// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/entropy_splice.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>

namespace kelvra::jpeg {

namespace {

// Bits looked up at once: most codes and their extra bits fit, and four
// tables of 2^11 words stay in the first-level cache.
constexpr int kLookBits = 11;

// The natural position of the k-th coefficient in zigzag order.
constexpr unsigned char kNatural[64] = { 0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6, 7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52,
    45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63 };

// An AC symbol's step through the block: end of block jumps past 128, so a
// run that overshoots 64 tells itself apart from it without a branch.
constexpr int kEndOfBlock = 128;

// One Huffman table for reading and writing.
struct Coder
{
    // Per kLookBits-bit prefix: the symbol (bits 0-7), its code's length
    // (8-15, 0 when longer than kLookBits), the code and extra bits together
    // (16-23, 0 when they do not fit or the symbol needs a closer look) and
    // for AC the coefficients it steps over (24-31).
    std::uint32_t look[1 << kLookBits];
    // For stepping over AC symbols, per prefix: the bits of the one or two
    // whole symbols it starts with (bits 0-7, 0 when not even one fits), the
    // coefficients they step over (8-15) and the first one's step when there
    // are two (16-23, else 0): most symbols of a block's tail are that short.
    std::uint32_t skip[1 << kLookBits];
    int maxCode[18]; // largest code of each length, -1 for none
    int firstIndex[18]; // values index of a length's codes, less its first code
    unsigned char values[256];
    int count;
    // For writing: the code of each symbol, length 0 for none.
    std::uint16_t code[256];
    unsigned char length[256];
};

// The skip table from the look-up: a second symbol joins the first where
// both fit, unless the first ends the block.
void buildSkips(Coder &c)
{
    constexpr std::uint32_t kMask = (1u << kLookBits) - 1;
    for (std::uint32_t i = 0; i <= kMask; ++i) {
        const std::uint32_t first = c.look[i];
        const std::uint32_t bits = (first >> 16) & 0xFF, step = first >> 24;
        c.skip[i] = bits | step << 8;
        if (!bits || step >= kEndOfBlock)
            continue;
        const std::uint32_t second = c.look[(i << bits) & kMask];
        const std::uint32_t more = (second >> 16) & 0xFF;
        if (more && bits + more <= std::uint32_t(kLookBits))
            c.skip[i] = (bits + more) | (step + (second >> 24)) << 8 | step << 16;
    }
}

// Builds the canonical codes; false for counts that overflow a length.
bool buildCoder(const HuffmanTable &table, bool dc, Coder &c)
{
    if (!table.present)
        return false;
    std::memset(c.look, 0, sizeof c.look);
    std::memset(c.length, 0, sizeof c.length);
    int code = 0, k = 0;
    for (int len = 1; len <= 16; ++len) {
        c.firstIndex[len] = k - code;
        for (int n = 0; n < table.bits[len]; ++n, ++k, ++code) {
            if (k >= 256 || code >= (1 << len))
                return false;
            const int symbol = table.values[k];
            c.values[k] = static_cast<unsigned char>(symbol);
            if (c.length[symbol] == 0) {
                c.code[symbol] = static_cast<std::uint16_t>(code);
                c.length[symbol] = static_cast<unsigned char>(len);
            }
            if (len > kLookBits)
                continue;
            const int size = symbol & 15, run = symbol >> 4;
            std::uint32_t whole = 0, step = 0;
            if (dc) {
                if (symbol <= 11 && len + symbol <= kLookBits)
                    whole = std::uint32_t(len + symbol);
            } else if (size == 0 && (run == 0 || run == 15)) {
                whole = std::uint32_t(len);
                step = run == 0 ? kEndOfBlock : 16;
            } else if (size >= 1 && size <= 10 && len + size <= kLookBits) {
                whole = std::uint32_t(len + size);
                step = std::uint32_t(run + 1);
            }
            const std::uint32_t entry = std::uint32_t(symbol) | std::uint32_t(len) << 8 | whole << 16 | step << 24;
            const int shift = kLookBits - len;
            for (int i = code << shift; i < (code + 1) << shift; ++i)
                c.look[i] = entry;
        }
        c.maxCode[len] = table.bits[len] ? code - 1 : -1;
        code <<= 1;
    }
    c.count = k;
    if (!dc)
        buildSkips(c);
    return true;
}

// The unstuffed bits of entropy-coded data, from a start to the next marker
// (or the buffer's end); past it, zero bits that overrun() owns up to.
class BitReader
{
public:
    BitReader(const unsigned char *data, std::size_t size, std::size_t start)
        : m_data(data)
        , m_begin(data + std::min(start, size))
        , m_p(m_begin)
        , m_end(data + size)
    {
    }

    // At least 32 bits at hand.
    void fill()
    {
        if (m_bits < 32)
            refill();
    }
    std::uint32_t peek(int n) const { return static_cast<std::uint32_t>(m_acc >> (64 - n)); }
    void skip(int n)
    {
        m_acc <<= n;
        m_bits -= n;
    }
    bool overrun() const { return m_bits < 8 * m_fake; }

    // Where the next bit is: the raw offset of its byte, the bits of that
    // byte before it, and its place among the unstuffed bits since start.
    struct Cursor
    {
        std::size_t offset = 0;
        int bitIn = 0;
        std::uint64_t bit = 0;
    };
    // Only while !overrun().
    Cursor cursor() const
    {
        const int unread = m_bits - 8 * m_fake;
        const unsigned char *q = m_p;
        // Every 0xFF before m_p is a data byte followed by its stuffed zero.
        for (int n = (unread + 7) / 8; n > 0; --n)
            q -= (q - m_begin >= 2 && q[-1] == 0 && q[-2] == 0xFF) ? 2 : 1;
        return { std::size_t(q - m_data), (8 - unread % 8) % 8, m_loaded * 8 - std::uint64_t(unread) };
    }

private:
    void refill()
    {
        while (m_bits <= 56) {
            if (m_fake == 0 && m_end - m_p >= 8) {
                std::uint64_t v;
                std::memcpy(&v, m_p, 8);
                if constexpr (std::endian::native == std::endian::little)
                    v = __builtin_bswap64(v);
                const std::uint64_t inverted = ~v;
                const bool anyFF = ((inverted - 0x0101010101010101ULL) & ~inverted & 0x8080808080808080ULL) != 0;
                if (!anyFF) {
                    const int n = (64 - m_bits) / 8;
                    v &= ~0ULL << (64 - 8 * n);
                    m_acc |= v >> m_bits;
                    m_bits += 8 * n;
                    m_p += n;
                    m_loaded += std::uint64_t(n);
                    return;
                }
            }
            if (m_fake > 0 || m_p >= m_end) {
                ++m_fake;
                m_bits += 8;
                continue;
            }
            const unsigned char byte = *m_p;
            if (byte == 0xFF) {
                if (m_end - m_p < 2 || m_p[1] != 0) {
                    ++m_fake; // a marker: the data stops
                    m_bits += 8;
                    continue;
                }
                m_p += 2;
            } else {
                ++m_p;
            }
            m_acc |= std::uint64_t(byte) << (56 - m_bits);
            m_bits += 8;
            ++m_loaded;
        }
    }

    const unsigned char *m_data;
    const unsigned char *m_begin;
    const unsigned char *m_p;
    const unsigned char *m_end;
    std::uint64_t m_acc = 0; // the next m_bits bits, from the top
    int m_bits = 0;
    int m_fake = 0; // zero bytes made up past the data
    std::uint64_t m_loaded = 0; // real bytes taken into m_acc
};

// A code longer than the look-up: the symbol and its length, or false for a
// code the table does not have.
bool longSymbol(const BitReader &r, const Coder &c, int &symbol, int &len)
{
    for (len = kLookBits + 1; len <= 16; ++len) {
        const int code = static_cast<int>(r.peek(len));
        if (code <= c.maxCode[len]) {
            const int index = c.firstIndex[len] + code;
            if (index < 0 || index >= c.count)
                return false;
            symbol = c.values[index];
            return true;
        }
    }
    return false;
}

int extend(std::uint32_t bits, int size)
{
    const int v = static_cast<int>(bits);
    return v < (1 << (size - 1)) ? v - (1 << size) + 1 : v;
}

// The DC difference; needs 27 bits at hand.
bool readDc(BitReader &r, const Coder &c, int &diff)
{
    const std::uint32_t e = c.look[r.peek(kLookBits)];
    const int whole = (e >> 16) & 0xFF;
    if (whole) {
        const int size = e & 0xFF;
        const std::uint32_t bits = r.peek(whole);
        r.skip(whole);
        diff = size ? extend(bits & ((1u << size) - 1), size) : 0;
        return true;
    }
    int symbol = e & 0xFF, len = (e >> 8) & 0xFF;
    if (!len && !longSymbol(r, c, symbol, len))
        return false;
    if (symbol > 11)
        return false;
    r.skip(len);
    diff = symbol ? extend(r.peek(symbol), symbol) : 0;
    if (symbol)
        r.skip(symbol);
    return true;
}

// Wraps as the coded differences do on damaged data, without overflow.
int addDc(int pred, int diff)
{
    return static_cast<int>(static_cast<unsigned>(pred) + static_cast<unsigned>(diff));
}

// Steps over one block, keeping only its DC value.
bool skipBlock(BitReader &r, const Coder &dc, const Coder &ac, int &pred)
{
    r.fill();
    int diff;
    if (!readDc(r, dc, diff))
        return false;
    pred = addDc(pred, diff);
    int k = 1;
    while (k < 64) {
        r.fill();
        const std::uint32_t pair = ac.skip[r.peek(kLookBits)];
        const int bits = static_cast<int>(pair & 0xFF);
        // Two symbols only when the first leaves the block open: what
        // follows a block's last coefficient is the next block's.
        if (bits && k + static_cast<int>((pair >> 16) & 0xFF) < 64) {
            r.skip(bits);
            k += static_cast<int>((pair >> 8) & 0xFF);
            continue;
        }
        const std::uint32_t e = ac.look[r.peek(kLookBits)];
        const int whole = (e >> 16) & 0xFF;
        if (whole) {
            r.skip(whole);
            k += static_cast<int>(e >> 24);
            continue;
        }
        int symbol = e & 0xFF, len = (e >> 8) & 0xFF;
        if (!len && !longSymbol(r, ac, symbol, len))
            return false;
        const int size = symbol & 15, run = symbol >> 4;
        if (size == 0 && (run == 0 || run == 15)) {
            r.skip(len);
            k += run == 0 ? kEndOfBlock : 16;
            continue;
        }
        if (size == 0 || size > 10)
            return false; // a run of zeros without a value, or more than 8-bit samples give
        r.skip(len + size);
        k += run + 1;
    }
    return k == 64 || k > kEndOfBlock;
}

// Reads one block's coefficients in natural order, DC absolute.
bool readBlock(BitReader &r, const Coder &dc, const Coder &ac, int &pred, short *block)
{
    std::memset(block, 0, 64 * sizeof(short));
    r.fill();
    int diff;
    if (!readDc(r, dc, diff))
        return false;
    pred = addDc(pred, diff);
    if (pred < -2047 || pred > 2047)
        return false;
    block[0] = static_cast<short>(pred);
    int k = 1;
    while (k < 64) {
        r.fill();
        const std::uint32_t e = ac.look[r.peek(kLookBits)];
        int symbol = e & 0xFF, len = (e >> 8) & 0xFF;
        if (!len && !longSymbol(r, ac, symbol, len))
            return false;
        const int size = symbol & 15, run = symbol >> 4;
        if (size == 0) {
            r.skip(len);
            if (run == 0)
                return true;
            if (run != 15)
                return false;
            k += 16;
            continue;
        }
        if (size > 10 || k + run > 63)
            return false;
        r.skip(len);
        k += run;
        block[kNatural[k]] = static_cast<short>(extend(r.peek(size), size));
        r.skip(size);
        ++k;
    }
    return k == 64; // not a run of zeros past the block's end
}

// Entropy-coded output: stuffs a zero after every 0xFF data byte.
class BitWriter
{
public:
    explicit BitWriter(std::vector<unsigned char> &out, std::size_t used)
        : m_out(out)
        , m_used(used)
    {
    }

    void put(std::uint32_t value, int len)
    {
        m_acc = (m_acc << len) | value;
        m_bits += len;
        if (m_bits >= 32)
            flush();
    }
    // Pads with one bits to a whole byte.
    void pad()
    {
        if (m_bits % 8)
            put((1u << (8 - m_bits % 8)) - 1, 8 - m_bits % 8);
        flush();
    }
    // After pad() only.
    void raw(const unsigned char *bytes, std::size_t count)
    {
        room(count);
        std::memcpy(m_out.data() + m_used, bytes, count);
        m_used += count;
    }
    void marker(unsigned char code)
    {
        const unsigned char bytes[2] = { 0xFF, code };
        raw(bytes, 2);
    }
    std::size_t finish()
    {
        m_out.resize(m_used);
        return m_used;
    }

private:
    void room(std::size_t count)
    {
        if (m_out.size() - m_used < count)
            m_out.resize(std::max(m_out.size() * 2, m_used + count + 65536));
    }
    void flush()
    {
        room(16);
        while (m_bits >= 8) {
            const auto byte = static_cast<unsigned char>(m_acc >> (m_bits - 8));
            m_out[m_used++] = byte;
            if (byte == 0xFF)
                m_out[m_used++] = 0;
            m_bits -= 8;
        }
    }

    std::vector<unsigned char> &m_out;
    std::size_t m_used;
    std::uint64_t m_acc = 0; // the low m_bits bits are unwritten
    int m_bits = 0;
};

// Codes a DC difference; false for a size the table lacks.
bool writeDc(BitWriter &w, const Coder &dc, int diff)
{
    const int size = std::bit_width(static_cast<unsigned>(diff < 0 ? -diff : diff));
    if (size > 11 || !dc.length[size])
        return false;
    w.put(dc.code[size], dc.length[size]);
    if (size)
        w.put(static_cast<std::uint32_t>(diff < 0 ? diff - 1 : diff) & ((1u << size) - 1), size);
    return true;
}

// Codes one block; false for a symbol the tables lack.
bool writeBlock(BitWriter &w, const Coder &dc, const Coder &ac, const short *block, int &pred)
{
    const int diff = block[0] - pred;
    pred = block[0];
    if (!writeDc(w, dc, diff))
        return false;
    int run = 0;
    for (int k = 1; k < 64; ++k) {
        const int v = block[kNatural[k]];
        if (v == 0) {
            ++run;
            continue;
        }
        for (; run > 15; run -= 16) {
            if (!ac.length[0xF0])
                return false;
            w.put(ac.code[0xF0], ac.length[0xF0]);
        }
        const int size = std::bit_width(static_cast<unsigned>(v < 0 ? -v : v));
        const int symbol = run << 4 | size;
        if (size > 10 || !ac.length[symbol])
            return false;
        w.put(ac.code[symbol], ac.length[symbol]);
        w.put(static_cast<std::uint32_t>(v < 0 ? v - 1 : v) & ((1u << size) - 1), size);
        run = 0;
    }
    if (run > 0) {
        if (!ac.length[0])
            return false;
        w.put(ac.code[0], ac.length[0]);
    }
    return true;
}

// Of two blocks, the sum of their squared differences after dequantising,
// which the transform, being orthonormal, keeps: that of their pixels.
long long squaredError(const short *a, const short *b, const unsigned short *quant)
{
    long long sum = 0;
    for (int k = 0; k < 64; ++k) {
        const long long d = (long long)(a[k] - b[k]) * quant[k];
        sum += d * d;
    }
    return sum;
}

// Whether the table codes a DC difference.
bool dcCodable(const Coder &dc, int diff)
{
    const int size = std::bit_width(static_cast<unsigned>(diff < 0 ? -diff : diff));
    return size <= 11 && dc.length[size] != 0;
}

// Whether writeBlock() can code a block's AC coefficients as they are.
bool acCodable(const Coder &ac, const short *block)
{
    int run = 0;
    for (int k = 1; k < 64; ++k) {
        const int v = block[kNatural[k]];
        if (v == 0) {
            ++run;
            continue;
        }
        const int size = std::bit_width(static_cast<unsigned>(v < 0 ? -v : v));
        if (size > 10 || (run > 15 && !ac.length[0xF0]) || !ac.length[(run & 15) << 4 | size])
            return false;
        run = 0;
    }
    return run == 0 || ac.length[0] != 0;
}

// The AC coefficients of a block made codable with a table that lacks some
// of the symbols they need, as close to them as the table allows: over every
// choice of zeros (a longer run), values of another size category and an
// earlier end of block, the one of least squared error after dequantising,
// which is the error in the block's pixels. False when nothing codes.
bool fitAc(const Coder &ac, const unsigned short *quant, short *block)
{
    if (acCodable(ac, block))
        return true;
    constexpr long long kNone = LLONG_MAX;
    // cost[r]: the least error of positions 1..k with r zeros since the last
    // value; per position, the run and size that the best path to run 0
    // came from.
    long long cost[64], next[64];
    signed char fromRun[64];
    signed char fromSize[64];
    std::fill(cost, cost + 64, kNone);
    cost[0] = 0;
    for (int k = 1; k < 64; ++k) {
        const int n = kNatural[k];
        const long long t = block[n] < 0 ? -block[n] : block[n];
        const long long w = std::max<long long>(quant[n], 1) * std::max<long long>(quant[n], 1);
        std::fill(next, next + 64, kNone);
        fromRun[k] = fromSize[k] = -1;
        for (int r = 0; r < k; ++r) {
            if (cost[r] == kNone)
                continue;
            next[r + 1] = std::min(next[r + 1], cost[r] + w * t * t);
            if (r > 15 && !ac.length[0xF0])
                continue;
            for (int size = 1; size <= 10; ++size) {
                if (!ac.length[(r & 15) << 4 | size])
                    continue;
                const long long lo = 1LL << (size - 1), hi = (1LL << size) - 1;
                const long long e = t < lo ? lo - t : (t > hi ? t - hi : 0);
                if (cost[r] + w * e * e < next[0]) {
                    next[0] = cost[r] + w * e * e;
                    fromRun[k] = static_cast<signed char>(r);
                    fromSize[k] = static_cast<signed char>(size);
                }
            }
        }
        std::copy(next, next + 64, cost);
    }
    int best = -1;
    for (int r = 0; r < 64; ++r)
        if (cost[r] != kNone && (r == 0 || ac.length[0]) && (best < 0 || cost[r] < cost[best]))
            best = r;
    if (best < 0)
        return false;
    // Back from the end: zeros along the runs, a value at each run's end.
    int r = best;
    for (int k = 63; k >= 1; --k) {
        short &v = block[kNatural[k]];
        if (r > 0) {
            v = 0;
            --r;
            continue;
        }
        const int size = fromSize[k];
        const int t = v < 0 ? -v : v;
        const int magnitude = std::clamp(t, 1 << (size - 1), (1 << size) - 1);
        v = static_cast<short>(v < 0 ? -magnitude : magnitude);
        r = fromRun[k];
    }
    return true;
}

// DC values of changed blocks, one component's after another's, chosen so
// that the table codes each difference: the nearest value to the wanted
// one, and where a kept block follows, one from which that block's value
// can still be reached in the blocks left.
class DcChain
{
public:
    static constexpr int kLimit = 2047;

    // end: the kept block's value after the chain, if any. What the table
    // reaches is kept while the table stays the same.
    void start(const Coder &dc, std::optional<int> end)
    {
        if (m_dc != &dc) {
            m_sums.clear();
            m_settled = false;
        }
        m_dc = &dc;
        m_end = end;
    }

    // The value for a block, remaining blocks of the chain after it (-1
    // for a block a restart frees from the end); false when none codes.
    bool choose(int pred, int wanted, int remaining, int &value)
    {
        const bool bound = m_end && remaining >= 0;
        const std::vector<unsigned char> *reach = bound ? reachable(remaining) : nullptr;
        if (bound && !reach)
            return false;
        wanted = std::clamp(wanted, -kLimit, kLimit);
        for (int d = 0; d <= 2 * kLimit; ++d) {
            for (const int v : { wanted - d, wanted + d }) {
                if (v < -kLimit || v > kLimit || !dcCodable(*m_dc, v - pred)
                    || (reach && !(*reach)[std::size_t(*m_end - v + kSpan)]))
                    continue;
                value = v;
                return true;
            }
        }
        return false;
    }

private:
    // Differences between two values of the range, shifted by kSpan.
    static constexpr int kSpan = 2 * kLimit;

    // The differences that exactly steps + 1 coded differences add up to
    // (where the values between may leave the range, which only a later
    // block's choice, then failing, finds out); null when that cannot be
    // worked out. The same for every end value, so worked out once.
    const std::vector<unsigned char> *reachable(int steps)
    {
        if (m_sums.empty()) {
            m_sums.emplace_back(2 * kSpan + 1);
            for (int d = -kSpan; d <= kSpan; ++d)
                m_sums[0][std::size_t(d + kSpan)] = dcCodable(*m_dc, d) ? 1 : 0;
        }
        while (!m_settled && int(m_sums.size()) <= steps) {
            // A cycle of one or two steps repeats for ever; a longer one,
            // which only a table without the zero difference could make, is
            // not followed.
            if (m_sums.size() >= 256)
                return nullptr;
            m_sums.push_back(oneMore(m_sums.back()));
            const std::size_t n = m_sums.size();
            m_settled = m_sums[n - 1] == m_sums[n - 2] || (n >= 3 && m_sums[n - 1] == m_sums[n - 3]);
        }
        if (steps < int(m_sums.size()))
            return &m_sums[std::size_t(steps)];
        // Settled with a period of one or two.
        const std::size_t n = m_sums.size();
        const bool periodTwo = m_sums[n - 1] != m_sums[n - 2];
        return &m_sums[periodTwo && (std::size_t(steps) - (n - 1)) % 2 ? n - 2 : n - 1];
    }

    // The sums of one more coded difference.
    std::vector<unsigned char> oneMore(const std::vector<unsigned char> &sums) const
    {
        const int n = 2 * kSpan + 1;
        std::vector<int> prefix(std::size_t(n) + 1, 0);
        for (int i = 0; i < n; ++i)
            prefix[std::size_t(i) + 1] = prefix[std::size_t(i)] + sums[std::size_t(i)];
        const auto any = [&](int a, int b) {
            a = std::max(a, 0);
            b = std::min(b, n - 1);
            return a <= b && prefix[std::size_t(b) + 1] > prefix[std::size_t(a)];
        };
        std::vector<unsigned char> more(std::size_t(n), 0);
        for (int i = 0; i < n; ++i) {
            bool found = m_dc->length[0] && sums[std::size_t(i)];
            for (int size = 1; size <= 11 && !found; ++size) {
                if (!m_dc->length[size])
                    continue;
                const int lo = 1 << (size - 1), hi = (1 << size) - 1;
                found = any(i + lo, i + hi) || any(i - hi, i - lo);
            }
            more[std::size_t(i)] = found ? 1 : 0;
        }
        return more;
    }

    const Coder *m_dc = nullptr;
    std::optional<int> m_end;
    std::vector<std::vector<unsigned char>> m_sums;
    bool m_settled = false;
};

// The scan's MCUs: their count, and for each block of one MCU its component,
// tables and place.
struct ScanGeometry
{
    int mcusWide = 0;
    int scanRows = 0; // MCU rows of the scan
    int rowsPerBandRow = 1; // scan rows in one of the layout's MCU rows
    int blocks = 0;
    int component[10] = {};
    int dx[10] = {}, dy[10] = {};
};

bool scanGeometry(const ScanHeader &h, ScanGeometry &g)
{
    const CoefficientLayout &l = h.layout;
    if (l.components < 1 || l.components > 4 || l.width <= 0 || l.height <= 0 || l.maxHSamp < 1 || l.maxVSamp < 1)
        return false;
    if (l.components == 1) {
        // A lone component is never interleaved: one block is one MCU.
        const CoefficientPlane &p = l.planes[0];
        g.mcusWide = h.blocksWide[0];
        g.scanRows = h.blocksHigh[0];
        g.rowsPerBandRow = p.vSamp;
        g.blocks = 1;
        return g.mcusWide > 0 && g.scanRows > 0 && p.vSamp >= 1 && g.mcusWide <= p.blocksWide
            && g.scanRows <= l.mcuRows * p.vSamp;
    }
    g.mcusWide = (l.width + 8 * l.maxHSamp - 1) / (8 * l.maxHSamp);
    g.scanRows = l.mcuRows;
    for (int i = 0; i < l.components; ++i) {
        const int c = h.order[i];
        if (c < 0 || c >= l.components)
            return false;
        const CoefficientPlane &p = l.planes[c];
        if (p.hSamp < 1 || p.vSamp < 1 || g.mcusWide * p.hSamp > p.blocksWide || g.scanRows * p.vSamp > p.blocksHigh)
            return false;
        for (int y = 0; y < p.vSamp; ++y)
            for (int x = 0; x < p.hSamp; ++x) {
                if (g.blocks == 10)
                    return false;
                g.component[g.blocks] = c;
                g.dx[g.blocks] = x;
                g.dy[g.blocks] = y;
                ++g.blocks;
            }
    }
    return g.mcusWide > 0 && g.scanRows > 0;
}

} // namespace

namespace {

using Cursor = BitReader::Cursor;

// The MCUs [begin, end) of one band row under the label, coded again; the
// MCU after them too when its DC prediction changes (fix).
struct Stretch
{
    std::uint64_t begin = 0, end = 0;
    bool fix = false;
    std::uint64_t tailInterval = 0; // the restart interval of the tail
    Cursor start; // at begin
    Cursor tail; // after the fix MCU, or after end - 1
    int preds[4] = {}; // the DC predictions at begin
    Cursor intervalEnd; // where the tail's interval's data ends
    std::size_t after = 0; // and its marker (or fill bytes) starts
};

// Appends count source bits from a cursor.
void copyBits(BitWriter &w, const unsigned char *data, std::size_t size, const Cursor &from, std::uint64_t count)
{
    BitReader r(data, size, from.offset);
    r.fill();
    if (from.bitIn)
        r.skip(from.bitIn);
    while (count > 0) {
        const int n = count < 32 ? static_cast<int>(count) : 32;
        r.fill();
        w.put(r.peek(n), n);
        r.skip(n);
        count -= std::uint64_t(n);
    }
}

} // namespace

struct HuffmanCoders
{
    Coder dc[4];
    Coder ac[4];
};

SpliceMemory::SpliceMemory()
    : coders(std::make_unique<HuffmanCoders>())
{
}

SpliceMemory::~SpliceMemory() = default;

namespace {

// One scan as a splice or a recode walks it: the source, its MCUs, the
// tables each block of an MCU is read with, and the band in scan rows
// [bandFirst, bandLast) and MCU columns [s0, s1).
struct ScanWalk
{
    const unsigned char *data = nullptr;
    std::size_t size = 0;
    const ScanHeader *header = nullptr;
    ScanGeometry g;
    const Coder *dcOf[10] = {};
    const Coder *acOf[10] = {};
    CoefficientBand band;
    int bandFirst = 0, bandLast = 0;
    int s0 = 0, s1 = 0;
    std::uint64_t wide = 0, total = 0;
    std::uint64_t interval = 0; // the restart interval in MCUs, 0 for none
    std::uint64_t perInterval = 0, intervals = 0;
    short *dcPlanes[4] = {}; // where the DC terms go, when they are collected

    const CoefficientLayout &layout() const { return header->layout; }

    // Block b of MCU (x, scan row y) in the band's memory.
    short *bandBlock(int b, int x, int y) const
    {
        const CoefficientLayout &l = layout();
        const int c = g.component[b];
        const CoefficientPlane &p = l.planes[c];
        const int row = l.components == 1 ? y - band.firstMcuRow * p.vSamp : (y - bandFirst) * p.vSamp + g.dy[b];
        const int column = l.components == 1 ? x : x * p.hSamp + g.dx[b];
        return band.block(c, row, column);
    }

    // Whether block b of MCU (x, scan row y) lies past the picture's edge,
    // only there to fill the MCU of an interleaved scan.
    bool pastEdge(int b, int x, int y) const
    {
        const CoefficientLayout &l = layout();
        if (l.components == 1)
            return false;
        const int c = g.component[b];
        const CoefficientPlane &p = l.planes[c];
        return x * p.hSamp + g.dx[b] >= l.pictureBlocksWide(c) || y * p.vSamp + g.dy[b] >= l.pictureBlocksHigh(c);
    }

    // Where block b of MCU (x, scan row y) has its DC term.
    short &dcTerm(int b, int x, int y) const
    {
        const CoefficientLayout &l = layout();
        const int c = g.component[b];
        const CoefficientPlane &p = l.planes[c];
        const int row = l.components == 1 ? y : y * p.vSamp + g.dy[b];
        const int column = l.components == 1 ? x : x * p.hSamp + g.dx[b];
        return dcPlanes[c][std::size_t(row) * std::size_t(p.blocksWide) + std::size_t(column)];
    }

    // The marker after interval i.
    unsigned markerAfter(std::uint64_t i) const { return i + 1 < intervals ? 0xD0 + unsigned(i & 7) : 0xD9; }
};

// The geometry of a scan worth walking, the band's rows (clamped into
// *firstRow, *lastRow) and columns in scan terms, and the intervals.
bool startWalk(ScanWalk &w, const unsigned char *data, std::size_t size, const ScanHeader &header, RowBand rows,
    int firstColumn, int lastColumn, int *firstRow, int *lastRow)
{
    w.data = data;
    w.size = size;
    w.header = &header;
    if (!data || !header.spliceable || header.entropyOffset > size || !scanGeometry(header, w.g))
        return false;
    const CoefficientLayout &layout = header.layout;
    *firstRow = std::clamp(rows.first, 0, layout.mcuRows);
    *lastRow = std::clamp(rows.last, *firstRow, layout.mcuRows);
    w.bandFirst = std::min(*firstRow * w.g.rowsPerBandRow, w.g.scanRows);
    w.bandLast = std::min(*lastRow * w.g.rowsPerBandRow, w.g.scanRows);
    const int columnScale = layout.components == 1 ? layout.planes[0].hSamp : 1;
    w.s0 = std::clamp(firstColumn, 0, w.g.mcusWide) * columnScale;
    w.s1 = std::min(std::clamp(lastColumn, 0, w.g.mcusWide) * columnScale, w.g.mcusWide);
    w.wide = std::uint64_t(w.g.mcusWide);
    w.total = w.wide * std::uint64_t(w.g.scanRows);
    w.interval = layout.restartInterval > 0 ? std::uint64_t(layout.restartInterval) : 0;
    w.perInterval = w.interval ? w.interval : w.total;
    w.intervals = (w.total + w.perInterval - 1) / w.perInterval;
    return true;
}

// The source's tables for every block of an MCU, each built once.
bool buildSourceCoders(ScanWalk &w, HuffmanCoders &coders)
{
    const ScanHeader &header = *w.header;
    bool built[2][4] = {};
    for (int b = 0; b < w.g.blocks; ++b) {
        const int c = w.g.component[b];
        const int d = header.dcTable[c], a = header.acTable[c];
        if (d < 0 || d > 3 || a < 0 || a > 3)
            return false;
        if (!built[0][d] && !buildCoder(header.dc[d], true, coders.dc[d]))
            return false;
        if (!built[1][a] && !buildCoder(header.ac[a], false, coders.ac[a]))
            return false;
        built[0][d] = built[1][a] = true;
        w.dcOf[b] = &coders.dc[d];
        w.acOf[b] = &coders.ac[a];
    }
    return true;
}

// The DC terms of every plane, zero until the walk writes them.
void startDcTerms(ScanWalk &w, SpliceMemory &memory)
{
    if (!memory.collectDc)
        return;
    const CoefficientLayout &layout = w.layout();
    for (int c = 0; c < layout.components; ++c) {
        const CoefficientPlane &p = layout.planes[c];
        memory.dc.planes[c].assign(std::size_t(p.blocksWide) * std::size_t(p.blocksHigh), 0);
        w.dcPlanes[c] = memory.dc.planes[c].data();
    }
}

// Where an interval's data, which ends at `end`, is followed by its last
// byte (a data 0xFF with its stuffed zero), nothing but fill bytes and then
// `marker`: after is where the fill bytes start, next the byte after the
// marker. False when anything else follows.
struct IntervalEnd
{
    std::size_t after = 0;
    std::size_t next = 0;
};

bool reachMarker(const unsigned char *data, std::size_t size, const Cursor &end, unsigned marker, IntervalEnd &found)
{
    std::size_t after = end.offset;
    if (end.bitIn)
        after += data[end.offset] == 0xFF ? 2 : 1;
    if (after >= size || data[after] != 0xFF)
        return false;
    std::size_t q = after;
    while (q < size && data[q] == 0xFF)
        ++q;
    if (q >= size || data[q] != marker)
        return false;
    found = { after, q + 1 };
    return true;
}

// The band's MCUs by band row, rows that meet merged into one stretch.
std::vector<Stretch> planStretches(const ScanWalk &w)
{
    std::vector<Stretch> stretches;
    if (w.s0 < w.s1) {
        for (int y = w.bandFirst; y < w.bandLast; ++y) {
            const std::uint64_t begin = std::uint64_t(y) * w.wide + std::uint64_t(w.s0);
            const std::uint64_t end = std::uint64_t(y) * w.wide + std::uint64_t(w.s1);
            if (!stretches.empty() && stretches.back().end == begin)
                stretches.back().end = end;
            else {
                Stretch s;
                s.begin = begin;
                s.end = end;
                stretches.push_back(s);
            }
        }
    }
    for (Stretch &s : stretches) {
        // The MCU after a stretch has its DC differences coded anew, unless
        // a restart resets the prediction there.
        s.fix = s.end < w.total && (w.interval == 0 || s.end % w.interval != 0);
        s.tailInterval = (s.fix ? s.end : s.end - 1) / w.perInterval;
    }
    return stretches;
}

// Only the label's block columns: a turned photo's label runs down many MCU
// rows of which it covers a sliver.
void layOutBand(ScanWalk &w, int firstColumn, int lastColumn, SpliceMemory &memory)
{
    const CoefficientLayout &layout = w.layout();
    CoefficientBand &band = w.band;
    std::size_t count[4] = {}, total = 0;
    for (int c = 0; c < layout.components; ++c) {
        const CoefficientPlane &p = layout.planes[c];
        band.firstBlock[c] = std::min(std::max(firstColumn, 0) * p.hSamp, p.blocksWide);
        band.lastBlock[c] = std::max(band.firstBlock[c], std::min(std::max(lastColumn, 0) * p.hSamp, p.blocksWide));
        count[c] = std::size_t(band.lastMcuRow - band.firstMcuRow) * std::size_t(p.vSamp)
            * std::size_t(band.lastBlock[c] - band.firstBlock[c]) * 64;
        total += count[c];
    }
    memory.band.assign(total, 0);
    std::size_t at = 0;
    for (int c = 0; c < layout.components; ++c) {
        band.blocks[c] = memory.band.data() + at;
        at += count[c];
    }
}

// Block b of the MCU after stretch k, as read.
short *nextBlock(const ScanWalk &w, SpliceMemory &memory, std::size_t k, int b)
{
    return memory.next.data() + (k * std::size_t(w.g.blocks) + std::size_t(b)) * 64;
}

// Where the scan's data ends and its EOI marker starts.
struct ScanEnd
{
    Cursor cursor;
    std::size_t offset = 0;
};

// Reads one MCU: into the band within stretch s, into the next blocks of
// stretch j right after it, else past it (keeping its DC terms when asked).
bool readMcu(const ScanWalk &w, BitReader &r, const Stretch *s, std::size_t j, std::uint64_t m, int x, int y,
    int *preds, SpliceMemory &memory)
{
    bool ok = true;
    if (s && m >= s->begin && m < s->end) {
        for (int b = 0; b < w.g.blocks && ok; ++b)
            ok = readBlock(r, *w.dcOf[b], *w.acOf[b], preds[w.g.component[b]], w.bandBlock(b, x, y));
    } else if (s && s->fix && m == s->end) {
        for (int b = 0; b < w.g.blocks && ok; ++b)
            ok = readBlock(r, *w.dcOf[b], *w.acOf[b], preds[w.g.component[b]], nextBlock(w, memory, j, b));
    } else {
        for (int b = 0; b < w.g.blocks && ok; ++b) {
            ok = skipBlock(r, *w.dcOf[b], *w.acOf[b], preds[w.g.component[b]]);
            if (w.dcPlanes[0])
                w.dcTerm(b, x, y) = static_cast<short>(preds[w.g.component[b]]);
        }
    }
    return ok && !r.overrun();
}

// One walk over every MCU: where each stretch starts and its tail begins,
// where each interval's data ends and that a marker follows. False for data
// the splice must not copy.
bool readScan(const ScanWalk &w, std::vector<Stretch> &stretches, SpliceMemory &memory, ScanEnd &scanEnd)
{
    std::size_t position = w.header->entropyOffset;
    std::size_t j = 0, t = 0; // the stretch being read, the first whose interval is not done
    std::uint64_t m = 0;
    int x = 0, y = 0; // of MCU m
    for (std::uint64_t i = 0; i < w.intervals; ++i) {
        BitReader r(w.data, w.size, position);
        int preds[4] = {};
        const std::uint64_t last = std::min(m + w.perInterval, w.total);
        for (; m < last; ++m) {
            Stretch *s = j < stretches.size() ? &stretches[j] : nullptr;
            if (s && m == s->begin) {
                s->start = r.cursor();
                std::copy(preds, preds + 4, s->preds);
            }
            if (!readMcu(w, r, s, j, m, x, y, preds, memory))
                return false;
            if (s && m == (s->fix ? s->end : s->end - 1)) {
                s->tail = r.cursor();
                ++j;
            }
            if (++x == w.g.mcusWide) {
                x = 0;
                ++y;
            }
        }
        const Cursor end = r.cursor();
        IntervalEnd found;
        if (!reachMarker(w.data, w.size, end, w.markerAfter(i), found))
            return false;
        for (; t < stretches.size() && stretches[t].tailInterval == i; ++t) {
            stretches[t].intervalEnd = end;
            stretches[t].after = found.after;
        }
        position = found.next;
        if (i + 1 == w.intervals)
            scanEnd = { end, found.after };
    }
    return true;
}

// From the tail of stretch k to the cursor `to` in interval toInterval: the
// source's bits shifted into place, and the markers between as they are.
void copyFromTail(BitWriter &out, const ScanWalk &w, const Stretch &k, const Cursor &to, std::uint64_t toInterval)
{
    if (k.tailInterval == toInterval) {
        copyBits(out, w.data, w.size, k.tail, to.bit - k.tail.bit);
        return;
    }
    copyBits(out, w.data, w.size, k.tail, k.intervalEnd.bit - k.tail.bit);
    out.pad();
    out.raw(w.data + k.after, to.offset - k.after);
    if (to.bitIn)
        out.put(w.data[to.offset] >> (8 - to.bitIn), to.bitIn);
}

// What coding the stretches again changed and lost, in squared differences
// of pixels.
struct Fitting
{
    long long changed = 0;
    long long lost = 0;
    long long changedPixels = 0;
};

// Codes one changed block of a stretch with the source's tables, fitted to
// what they code; false when nothing near it codes.
bool codeBlock(
    BitWriter &out, const ScanWalk &w, int b, short *block, int dc, int &pred, SpliceMemory &memory, Fitting &fitting)
{
    const int c = w.g.component[b];
    const unsigned short *quant = w.layout().planes[c].quant;
    const short *was = memory.before.data() + (block - memory.band.data());
    const long long change = squaredError(was, block, quant);
    fitting.changed += change;
    fitting.changedPixels += change > 0 ? 64 : 0;
    const bool codable = dc == block[0] && acCodable(*w.acOf[b], block);
    if (!codable) {
        short wanted[64];
        std::copy(block, block + 64, wanted);
        block[0] = static_cast<short>(dc);
        if (!fitAc(*w.acOf[b], quant, block))
            return false;
        fitting.lost += squaredError(wanted, block, quant);
        ++memory.fittedBlocks;
    }
    return writeBlock(out, *w.dcOf[b], *w.acOf[b], block, pred);
}

// Stretch k coded again, and the MCU after it with its new DC differences;
// false when the tables code no block near enough a changed one.
bool codeStretch(BitWriter &out, const ScanWalk &w, std::size_t k, const Stretch &s, DcChain *chains,
    SpliceMemory &memory, Fitting &fitting)
{
    int preds[4];
    std::copy(s.preds, s.preds + 4, preds);
    // Per component: its blocks in one MCU, and the value of its first
    // block in the kept MCU after the stretch, which the last changed
    // block's value must let the table reach.
    int perMcu[4] = {};
    std::optional<int> end[4];
    for (int b = 0; b < w.g.blocks; ++b) {
        const int c = w.g.component[b];
        if (s.fix && perMcu[c] == 0)
            end[c] = nextBlock(w, memory, k, b)[0];
        ++perMcu[c];
    }
    for (int b = 0; b < w.g.blocks; ++b)
        chains[w.g.component[b]].start(*w.dcOf[b], end[w.g.component[b]]);
    int x = static_cast<int>(s.begin % w.wide);
    int y = static_cast<int>(s.begin / w.wide);
    for (std::uint64_t m = s.begin; m < s.end; ++m) {
        if (w.interval && m % w.interval == 0 && m != s.begin) {
            out.pad();
            out.marker(static_cast<unsigned char>(0xD0 + ((m / w.interval - 1) & 7)));
            std::fill(preds, preds + 4, 0);
        }
        // A restart before the stretch's end frees this interval's
        // blocks from the kept MCU's value.
        const bool toEnd = w.interval == 0 || (m / w.interval + 1) * w.interval >= s.end;
        int seen[4] = {};
        for (int b = 0; b < w.g.blocks; ++b) {
            const int c = w.g.component[b];
            short *block = w.bandBlock(b, x, y);
            const int remaining = int(s.end - m - 1) * perMcu[c] + perMcu[c] - 1 - seen[c]++;
            int dc = block[0];
            if (!chains[c].choose(preds[c], block[0], toEnd ? remaining : -1, dc)
                || !codeBlock(out, w, b, block, dc, preds[c], memory, fitting))
                return false;
        }
        if (++x == w.g.mcusWide) {
            x = 0;
            ++y;
        }
    }
    if (s.fix)
        for (int b = 0; b < w.g.blocks; ++b)
            if (!writeBlock(out, *w.dcOf[b], *w.acOf[b], nextBlock(w, memory, k, b), preds[w.g.component[b]]))
                return false;
    return true;
}

// The DC terms of the band as written, and of the MCUs after its stretches
// as read.
void keepBandDc(const ScanWalk &w, const std::vector<Stretch> &stretches, SpliceMemory &memory)
{
    for (std::size_t k = 0; k < stretches.size(); ++k) {
        const Stretch &s = stretches[k];
        for (std::uint64_t i = s.begin; i < s.end + (s.fix ? 1 : 0); ++i) {
            const int mx = static_cast<int>(i % w.wide), my = static_cast<int>(i / w.wide);
            for (int b = 0; b < w.g.blocks; ++b)
                w.dcTerm(b, mx, my) = (i < s.end ? w.bandBlock(b, mx, my) : nextBlock(w, memory, k, b))[0];
        }
    }
}

// The markers, then the source's data up to the first stretch as it is;
// each stretch and the MCU after it coded again, and the source's bits up to
// the next one, shifted into place.
SpliceEnd writeSplice(const ScanWalk &w, const std::vector<Stretch> &stretches, const ScanEnd &scanEnd,
    const unsigned char *markers, std::size_t markersSize, SpliceMemory &memory)
{
    const std::size_t entropyOffset = w.header->entropyOffset;
    std::vector<unsigned char> &bytes = memory.out;
    const std::size_t prefix
        = stretches.empty() ? scanEnd.offset - entropyOffset : stretches.front().start.offset - entropyOffset;
    bytes.resize(markersSize + prefix + (w.size >> 3) + 65536);
    std::memcpy(bytes.data(), markers, markersSize);
    std::memcpy(bytes.data() + markersSize, w.data + entropyOffset, prefix);
    BitWriter out(bytes, markersSize + prefix);
    DcChain chains[4]; // what each component's table reaches, worked out once
    Fitting fitting;
    for (std::size_t k = 0; k < stretches.size(); ++k) {
        const Stretch &s = stretches[k];
        if (k == 0) {
            if (s.start.bitIn)
                out.put(w.data[s.start.offset] >> (8 - s.start.bitIn), s.start.bitIn);
        } else {
            copyFromTail(out, w, stretches[k - 1], s.start, s.begin / w.perInterval);
        }
        if (!codeStretch(out, w, k, s, chains, memory, fitting))
            return SpliceEnd::CodeMissing;
    }
    // Tables that code the label only as a shadow of itself (a flat or
    // grainy picture's, say) leave it to the rewrite, which completes them:
    // fitting may cost the changed pixels no more than a PSNR of 26 dB, or
    // a quarter of the change.
    memory.changedEnergy = fitting.changed;
    memory.lostEnergy = fitting.lost;
    if (double(fitting.lost) * 398.1 > double(fitting.changedPixels) * 255 * 255 || fitting.lost > fitting.changed / 4)
        return SpliceEnd::CodeMissing;
    if (w.dcPlanes[0])
        keepBandDc(w, stretches, memory);
    if (!stretches.empty()) {
        copyFromTail(out, w, stretches.back(), scanEnd.cursor, w.intervals - 1);
        out.pad();
    }
    out.marker(0xD9);
    out.finish();
    return SpliceEnd::Spliced;
}

} // namespace

ImageResult<SpliceEnd> spliceScan(const unsigned char *data, std::size_t size, const ScanHeader &header,
    const unsigned char *markers, std::size_t markersSize, RowBand rows, int firstColumn, int lastColumn,
    CoefficientEditor edit, void *context, SpliceMemory &memory)
{
    memory.out.clear();
    memory.held = CoefficientBand();
    memory.fittedBlocks = 0;
    memory.changedEnergy = memory.lostEnergy = 0;
    ScanWalk w;
    CoefficientBand &band = w.band;
    if (!startWalk(w, data, size, header, rows, firstColumn, lastColumn, &band.firstMcuRow, &band.lastMcuRow)
        || !buildSourceCoders(w, *memory.coders))
        return succeeded(SpliceEnd::Refused);
    std::vector<Stretch> stretches = planStretches(w);
    if (!stretches.empty())
        layOutBand(w, firstColumn, lastColumn, memory);
    memory.held = band;
    startDcTerms(w, memory);
    memory.next.assign(stretches.size() * std::size_t(w.g.blocks) * 64, 0);
    ScanEnd scanEnd { Cursor(), header.entropyOffset };
    if (!readScan(w, stretches, memory, scanEnd))
        return succeeded(SpliceEnd::Refused);

    // The blocks as read, to weigh what fitting loses against what the
    // editor changed.
    memory.before = memory.band;
    if (!stretches.empty() && edit && !edit(context, header.layout, band))
        return failed<SpliceEnd>(ImageError::PaintRefused);
    memory.edited = memory.band;
    return succeeded(writeSplice(w, stretches, scanEnd, markers, markersSize, memory));
}

namespace {

// The source's tables to read every block with, the completed ones to
// write it with.
bool buildRecodeCoders(ScanWalk &w, const ScanHeader &completed, HuffmanCoders &coders, HuffmanCoders &written,
    const Coder **dcOut, const Coder **acOut)
{
    const ScanHeader &header = *w.header;
    for (int b = 0; b < w.g.blocks; ++b) {
        const int c = w.g.component[b];
        const int d = header.dcTable[c], a = header.acTable[c];
        if (d < 0 || d > 3 || a < 0 || a > 3 || completed.dcTable[c] != d || completed.acTable[c] != a)
            return false;
        if (!buildCoder(header.dc[d], true, coders.dc[d]) || !buildCoder(header.ac[a], false, coders.ac[a])
            || !buildCoder(completed.dc[d], true, written.dc[d]) || !buildCoder(completed.ac[a], false, written.ac[a]))
            return false;
        w.dcOf[b] = &coders.dc[d];
        w.acOf[b] = &coders.ac[a];
        dcOut[b] = &written.dc[d];
        acOut[b] = &written.ac[a];
    }
    return true;
}

// One block from the source's tables into other ones, symbol by symbol, in
// the very bits writeBlock() gives the block readBlock() reads: runs of
// sixteen zeros only before a value, an end of block for any zeros left.
// Refused where readBlock() refuses; value is the block's DC term.
SpliceEnd transcodeBlock(BitReader &r, const Coder &dcIn, const Coder &acIn, const Coder &dcOut, const Coder &acOut,
    BitWriter &out, int &readPred, int &writePred, int &value)
{
    r.fill();
    int diff;
    if (!readDc(r, dcIn, diff))
        return SpliceEnd::Refused;
    readPred = addDc(readPred, diff);
    if (readPred < -2047 || readPred > 2047)
        return SpliceEnd::Refused;
    value = readPred;
    if (!writeDc(out, dcOut, readPred - writePred))
        return SpliceEnd::CodeMissing;
    writePred = readPred;
    int k = 1, sixteens = 0;
    bool ended = false;
    while (k < 64 && !ended) {
        r.fill();
        const std::uint32_t e = acIn.look[r.peek(kLookBits)];
        int symbol = e & 0xFF, len = (e >> 8) & 0xFF;
        if (!len && !longSymbol(r, acIn, symbol, len))
            return SpliceEnd::Refused;
        const int size = symbol & 15, run = symbol >> 4;
        r.skip(len);
        if (size == 0) {
            if (run != 0 && run != 15)
                return SpliceEnd::Refused;
            ended = run == 0;
            k += run == 0 ? 0 : 16;
            sixteens += run == 0 ? 0 : 1;
            continue;
        }
        if (size > 10 || k + run > 63)
            return SpliceEnd::Refused;
        const std::uint32_t bits = r.peek(size);
        r.skip(size);
        for (; sixteens > 0; --sixteens) {
            if (!acOut.length[0xF0])
                return SpliceEnd::CodeMissing;
            out.put(acOut.code[0xF0], acOut.length[0xF0]);
        }
        if (!acOut.length[symbol])
            return SpliceEnd::CodeMissing;
        out.put(acOut.code[symbol], acOut.length[symbol]);
        out.put(bits, size);
        k += run + 1;
    }
    if (!ended && k != 64)
        return SpliceEnd::Refused; // a run of zeros past the block's end
    if (ended || sixteens > 0) {
        if (!acOut.length[0])
            return SpliceEnd::CodeMissing;
        out.put(acOut.code[0], acOut.length[0]);
    }
    return SpliceEnd::Spliced;
}

// One interval read with the source's tables and written with the completed
// ones, the band's blocks as the editor left them.
SpliceEnd recodeInterval(BitWriter &out, const ScanWalk &w, BitReader &r, std::uint64_t last, const Coder *const *dcOut,
    const Coder *const *acOut, bool hasBand, SpliceMemory &memory, std::uint64_t &m, int &x, int &y)
{
    short block[64];
    // A block past the picture's edge is written as a rewrite writes it:
    // the DC of the block before, no AC.
    short filler[64] = {};
    int readPreds[4] = {}, writePreds[4] = {};
    for (; m < last; ++m) {
        const bool inBand = hasBand && y >= w.bandFirst && y < w.bandLast && x >= w.s0 && x < w.s1;
        for (int b = 0; b < w.g.blocks; ++b) {
            const int c = w.g.component[b];
            if (!inBand && !(b > 0 && w.pastEdge(b, x, y))) {
                int value = 0;
                const SpliceEnd copied = transcodeBlock(
                    r, *w.dcOf[b], *w.acOf[b], *dcOut[b], *acOut[b], out, readPreds[c], writePreds[c], value);
                if (copied != SpliceEnd::Spliced)
                    return copied;
                filler[0] = static_cast<short>(value);
                if (w.dcPlanes[0])
                    w.dcTerm(b, x, y) = static_cast<short>(value);
                continue;
            }
            // Band blocks are read too: the data must hold them whole.
            if (!readBlock(r, *w.dcOf[b], *w.acOf[b], readPreds[c], block))
                return SpliceEnd::Refused;
            const short *coded = inBand ? memory.edited.data() + (w.bandBlock(b, x, y) - memory.band.data()) : block;
            if (b > 0 && w.pastEdge(b, x, y))
                coded = filler;
            filler[0] = coded[0];
            if (!writeBlock(out, *dcOut[b], *acOut[b], coded, writePreds[c]))
                return SpliceEnd::CodeMissing;
            if (w.dcPlanes[0])
                w.dcTerm(b, x, y) = coded[0];
        }
        if (r.overrun())
            return SpliceEnd::Refused;
        if (++x == w.g.mcusWide) {
            x = 0;
            ++y;
        }
    }
    return SpliceEnd::Spliced;
}

} // namespace

ImageResult<SpliceEnd> recodeScan(const unsigned char *data, std::size_t size, const ScanHeader &header,
    const ScanHeader &completed, const unsigned char *markers, std::size_t markersSize, RowBand rows, int firstColumn,
    int lastColumn, SpliceMemory &memory)
{
    memory.out.clear();
    memory.fittedBlocks = 0;
    memory.changedEnergy = memory.lostEnergy = 0;
    ScanWalk w;
    // The band as spliceScan() laid it out.
    w.band = memory.held;
    int firstRow = 0, lastRow = 0;
    auto written = std::make_unique<HuffmanCoders>();
    const Coder *dcOut[10] = {}, *acOut[10] = {};
    if (!completed.spliceable || !startWalk(w, data, size, header, rows, firstColumn, lastColumn, &firstRow, &lastRow)
        || !buildRecodeCoders(w, completed, *memory.coders, *written, dcOut, acOut))
        return succeeded(SpliceEnd::Refused);
    const bool hasBand = w.s0 < w.s1 && w.bandFirst < w.bandLast;
    if (hasBand
        && (w.band.firstMcuRow != firstRow || w.band.lastMcuRow != lastRow
            || memory.edited.size() != memory.band.size()))
        return succeeded(SpliceEnd::Refused);
    startDcTerms(w, memory);

    std::vector<unsigned char> &bytes = memory.out;
    bytes.resize(markersSize + size + (size >> 3) + 65536);
    std::memcpy(bytes.data(), markers, markersSize);
    BitWriter out(bytes, markersSize);
    std::size_t position = header.entropyOffset;
    std::uint64_t m = 0;
    int x = 0, y = 0;
    for (std::uint64_t i = 0; i < w.intervals; ++i) {
        if (i > 0) {
            out.pad();
            out.marker(static_cast<unsigned char>(0xD0 + ((i - 1) & 7)));
        }
        BitReader r(data, size, position);
        const std::uint64_t last = std::min(m + w.perInterval, w.total);
        const SpliceEnd coded = recodeInterval(out, w, r, last, dcOut, acOut, hasBand, memory, m, x, y);
        if (coded != SpliceEnd::Spliced)
            return succeeded(coded);
        IntervalEnd found;
        if (!reachMarker(data, size, r.cursor(), w.markerAfter(i), found))
            return succeeded(SpliceEnd::Refused);
        position = found.next;
    }
    out.pad();
    out.marker(0xD9);
    out.finish();
    return succeeded(SpliceEnd::Spliced);
}

} // namespace kelvra::jpeg
