// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "localization/loc_errors.h"

#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <cstring>
#include <utility>

namespace kelvra {

// The variable-length count of language files, from any reader with u8()
// and u16(): 1, 2 or 4 bytes.
template<class Reader> qsizetype readVarLength(Reader &r)
{
    const quint8 b0 = r.u8();
    if (!(b0 & 0x80))
        return b0;
    const quint8 b1 = r.u8();
    if (!(b1 & 0x80))
        return (b0 & 0x7F) + (qsizetype(b1) << 7);
    return (b0 & 0x7F) + (qsizetype(b1 & 0x7F) << 7) + (qsizetype(r.u16()) << 14);
}

// Little-endian reads over a byte array that never step outside it: every
// take is checked against what remains, and a short read raises E with the
// message given at construction.
template<class E> class TByteReader
{
public:
    TByteReader(const QByteArray &bytes, QString failure, qsizetype start = 0, qsizetype end = -1)
        : m_bytes(bytes)
        , m_failure(std::move(failure))
        , m_pos(start)
        , m_end(end < 0 ? bytes.size() : end)
    {
        if (start < 0 || start > m_end || m_end > bytes.size())
            fail();
    }

    [[noreturn]] void fail() const { throw E(m_failure); }
    void require(bool condition) const
    {
        if (!condition)
            fail();
    }

    qsizetype pos() const { return m_pos; }
    qsizetype remaining() const { return m_end - m_pos; }
    bool atEnd() const { return m_pos >= m_end; }

    const char *take(qsizetype n)
    {
        require(n >= 0 && n <= remaining());
        const char *at = m_bytes.constData() + m_pos;
        m_pos += n;
        return at;
    }
    void skip(qsizetype n) { take(n); }
    quint8 u8() { return quint8(*take(1)); }
    quint16 u16() { return qFromLittleEndian<quint16>(take(2)); }
    quint32 u32() { return qFromLittleEndian<quint32>(take(4)); }
    qint32 i32() { return qint32(u32()); }
    quint64 u64() { return qFromLittleEndian<quint64>(take(8)); }
    double f64()
    {
        double v;
        std::memcpy(&v, take(8), 8);
        return v;
    }
    QByteArray bytes(qsizetype n) { return QByteArray(take(n), n); }
    QString utf16(qsizetype units)
    {
        require(units >= 0 && units <= remaining() / 2);
        const char *at = take(units * 2);
        QString s(units, Qt::Uninitialized);
        for (qsizetype i = 0; i < units; ++i)
            s[i] = QChar(qFromLittleEndian<quint16>(at + 2 * i));
        return s;
    }
    qsizetype varLength() { return readVarLength(*this); }

private:
    const QByteArray &m_bytes;
    QString m_failure;
    qsizetype m_pos;
    qsizetype m_end;
};

// The writing side; a value that does not fit its field raises E.
template<class E> class TByteWriter
{
public:
    explicit TByteWriter(QString failure)
        : m_failure(std::move(failure))
    {
    }
    QByteArray out;

    void require(bool condition) const
    {
        if (!condition)
            throw E(m_failure);
    }
    void u8(unsigned v)
    {
        require(v <= 0xFF);
        out.append(char(v));
    }
    void u16(quint64 v)
    {
        require(v <= 0xFFFF);
        char b[2];
        qToLittleEndian<quint16>(quint16(v), b);
        out.append(b, 2);
    }
    void u32(quint64 v)
    {
        require(v <= 0xFFFFFFFFu);
        char b[4];
        qToLittleEndian<quint32>(quint32(v), b);
        out.append(b, 4);
    }
    void i32(qint32 v) { u32(quint32(v)); }
    void u64(quint64 v)
    {
        char b[8];
        qToLittleEndian<quint64>(v, b);
        out.append(b, 8);
    }
    void f64(double v)
    {
        char b[8];
        std::memcpy(b, &v, 8);
        out.append(b, 8);
    }
    void bytes(const QByteArray &b) { out.append(b); }
    void utf16(const QString &s)
    {
        for (QChar c : s)
            u16(c.unicode());
    }
    void varLength(qsizetype len)
    {
        require(len >= 0 && (len >> 14) <= 0xFFFF);
        if (len < 128) {
            u8(unsigned(len));
        } else if (len <= 0x3FFF) {
            u8(unsigned((len & 0x7F) | 0x80));
            u8(unsigned(len >> 7));
        } else {
            u8(unsigned((len & 0x7F) | 0x80));
            u8(unsigned(((len >> 7) & 0x7F) | 0x80));
            u16(quint64(len >> 14));
        }
    }
    void zeros(qsizetype n) { out.append(QByteArray(n, '\0')); }
    void alignTo(qsizetype alignment)
    {
        const qsizetype rest = out.size() % alignment;
        if (rest)
            zeros(alignment - rest);
    }
    void put32At(qsizetype at, quint32 v) { qToLittleEndian<quint32>(v, out.data() + at); }

private:
    QString m_failure;
};

} // namespace kelvra
