// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/lang_file_format.h"

#include "localization/byte_io.h"
#include "localization/loc_errors.h"
#include "localization/lzk.h"

#include <QLocale>
#include <QtEndian>

#include <cstring>

namespace kelvra {

namespace {

[[noreturn]] void invalidFormat()
{
    throw ELangFileError(QString::fromLatin1(locmsg::InvalidFormat));
}

[[noreturn]] void doesNotFit()
{
    throw ELangFileError(QString::fromLatin1(locmsg::DoesNotFit));
}

class Reader
{
public:
    Reader(const QByteArray &bytes, quint16 version, const std::function<void(qsizetype)> &grow = {})
        : m_bytes(&bytes)
        , m_grow(grow)
        , m_version(version)
    {
    }
    void setVersion(quint16 version) { m_version = version; }
    qsizetype pos() const { return m_pos; }
    qsizetype remaining() const { return m_bytes->size() - m_pos; }

    const char *take(qsizetype n)
    {
        if (n > remaining() && m_grow)
            m_grow(m_pos + n);
        if (n < 0 || n > remaining())
            invalidFormat();
        const char *at = m_bytes->constData() + m_pos;
        m_pos += n;
        return at;
    }
    quint8 u8() { return quint8(*take(1)); }
    quint16 u16() { return qFromLittleEndian<quint16>(take(2)); }
    quint32 u32() { return qFromLittleEndian<quint32>(take(4)); }
    qint32 i32() { return qint32(u32()); }
    double f64()
    {
        double v;
        std::memcpy(&v, take(8), 8);
        return v;
    }
    quint16 attributes() { return m_version > 1 ? u16() : 0; }

    qsizetype length() { return m_version < 6 ? qsizetype(u16()) : readVarLength(*this); }
    QByteArray str8(qsizetype len) { return QByteArray(take(len), len); }
    QString str16(qsizetype len)
    {
        const char *at = take(len * 2);
        QString s(len, Qt::Uninitialized);
        for (qsizetype i = 0; i < len; ++i)
            s[i] = QChar(qFromLittleEndian<quint16>(at + 2 * i));
        return s;
    }
    QByteArray str8() { return str8(length()); }
    QString str16() { return str16(length()); }

    // Refuses a count whose records could not fit in what remains.
    int count(qsizetype minRecordSize)
    {
        const int n = u16();
        if (qsizetype(n) * minRecordSize > remaining())
            invalidFormat();
        return n;
    }

    qsizetype minLength() const { return m_version < 6 ? 2 : 1; }
    qsizetype minAttributes() const { return m_version > 1 ? 2 : 0; }

private:
    const QByteArray *m_bytes;
    std::function<void(qsizetype)> m_grow;
    quint16 m_version;
    qsizetype m_pos = 0;
};

class Writer
{
public:
    explicit Writer(quint16 version)
        : m_version(version)
    {
    }
    QByteArray bytes;

    void u16(quint32 v)
    {
        if (v > 0xFFFF)
            doesNotFit();
        char b[2];
        qToLittleEndian<quint16>(quint16(v), b);
        bytes.append(b, 2);
    }
    void u32(quint32 v)
    {
        char b[4];
        qToLittleEndian<quint32>(v, b);
        bytes.append(b, 4);
    }
    void i32(qint32 v) { u32(quint32(v)); }
    void f64(double v)
    {
        char b[8];
        std::memcpy(b, &v, 8);
        bytes.append(b, 8);
    }
    void attributes(quint16 v)
    {
        if (m_version > 1)
            u16(v);
    }
    void count(size_t n) { u16(n > 0xFFFF ? 0x10000 : quint32(n)); }
    void length(qsizetype len)
    {
        if (m_version < 6) {
            u16(len > 0xFFFF ? 0x10000 : quint32(len));
        } else if (len < 128) {
            bytes.append(char(len));
        } else if (len <= 0x3FFF) {
            bytes.append(char((len & 0x7F) | 0x80));
            bytes.append(char(len >> 7));
        } else {
            if ((len >> 14) > 0xFFFF)
                doesNotFit();
            bytes.append(char((len & 0x7F) | 0x80));
            bytes.append(char(((len >> 7) & 0x7F) | 0x80));
            u16(quint32(len >> 14));
        }
    }
    void rawStr16(const QString &s)
    {
        for (QChar c : s)
            u16(c.unicode());
    }
    void str8(const QByteArray &s)
    {
        length(s.size());
        bytes.append(s);
    }
    void str16(const QString &s)
    {
        length(s.size());
        rawStr16(s);
    }

private:
    quint16 m_version;
};

// Record sizes with every text empty, for the count checks.
qsizetype minConstant(const Reader &r)
{
    return r.minLength() + r.minAttributes() + 2 + 4 + r.minLength() + 4 + 8;
}
qsizetype minProperty(const Reader &r)
{
    return r.minLength() + r.minAttributes() + 4 + 4 + 4 + 8;
}
qsizetype minExtItem(const Reader &r)
{
    return r.minLength() + 2 + 4 + r.minLength() + 4 + 8;
}

TLangValueRecord readConstant(Reader &r)
{
    TLangValueRecord c;
    c.Name = r.str8();
    c.Attributes = r.attributes();
    c.StringID = r.u16();
    c.ID = r.i32();
    c.Value = r.str16();
    c.ValueVersion = r.i32();
    c.Modified = r.f64();
    return c;
}

TLangValueRecord readProperty(Reader &r, quint16 version)
{
    TLangValueRecord p;
    p.Name = r.str8();
    p.Attributes = r.attributes();
    p.ID = r.i32();
    const quint32 type = r.u32() & 0x7F;
    if (type >= kLocValueTypeCount)
        invalidFormat();
    p.ValueType = TLocValueType(type);
    if (valueTypeHasBytes(p.ValueType, version)) {
        switch (p.ValueType) {
        case TLocValueType::ptFloat:
            p.Value = floatToText(r.f64());
            break;
        case TLocValueType::ptInteger:
            p.Value = QString::number(r.i32());
            break;
        default:
            p.Value = r.str16();
            break;
        }
    }
    p.ValueVersion = r.i32();
    p.Modified = r.f64();
    return p;
}

TLangValueRecord readExtItem(Reader &r)
{
    TLangValueRecord i;
    i.Name = r.str8();
    i.Attributes = r.u16();
    i.ID = r.i32();
    i.Value = r.str16();
    i.ValueVersion = r.i32();
    i.Modified = r.f64();
    return i;
}

void writeValueTail(Writer &w, const TLangValueRecord &v)
{
    w.i32(v.ValueVersion);
    w.f64(v.Modified);
}

void writeProperty(Writer &w, const TLangValueRecord &p, quint16 version)
{
    w.str8(p.Name);
    w.attributes(p.Attributes);
    w.i32(p.ID);
    w.u32(quint32(p.ValueType) & 0x7F);
    if (valueTypeHasBytes(p.ValueType, version)) {
        switch (p.ValueType) {
        case TLocValueType::ptFloat:
            w.f64(p.Value.trimmed().toDouble());
            break;
        case TLocValueType::ptInteger:
            w.i32(p.Value.trimmed().toInt());
            break;
        default:
            w.str16(p.Value);
            break;
        }
    }
    writeValueTail(w, p);
}

} // namespace

bool TLangValueRecord::operator==(const TLangValueRecord &o) const
{
    return Name == o.Name && Attributes == o.Attributes && StringID == o.StringID && ID == o.ID
        && ValueType == o.ValueType && Value == o.Value && ValueVersion == o.ValueVersion
        && std::memcmp(&Modified, &o.Modified, sizeof Modified) == 0;
}

bool valueTypeHasBytes(TLocValueType type, quint16 formatVersion)
{
    switch (type) {
    case TLocValueType::ptString:
    case TLocValueType::ptStringList:
        return true;
    case TLocValueType::ptFloat:
    case TLocValueType::ptInteger:
        return formatVersion >= 4;
    default:
        return false;
    }
}

TLangHeaderParse parseLangHeader(const QByteArray &plain, const std::function<void(qsizetype)> &grow)
{
    // Header strings always carry 2-byte lengths; version 1 has 2-byte lengths throughout.
    Reader r(plain, 1, grow);
    TLangHeaderParse out;
    TLangFileHeader &h = out.Header;
    if (r.u16() != kLangFileMagic)
        invalidFormat();
    h.FormatVersion = r.u16();
    if (h.FormatVersion == 0)
        invalidFormat();
    if (h.FormatVersion > kLangFormatVersion)
        throw ELangFileError(QString::fromLatin1(locmsg::NewerFormat));
    h.Version = r.i32();
    h.Build = h.FormatVersion > 4 ? r.u32() : 0;
    h.Locale = r.u16();
    h.BasedOnLangID = h.FormatVersion > 2 ? r.u16() : 0;
    h.LangEnglishName = r.str8(r.u16());
    h.LangLocalizedName = r.str16(r.u16());
    h.IsNative = r.u16() != 0;
    h.Attributes = h.FormatVersion > 1 ? r.u16() : 0;
    h.ConstMaxID = r.i32();
    h.PropertyMaxID = r.i32();
    h.ExtItemMaxID = h.FormatVersion > 6 ? r.i32() : 0;
    out.BodyOffset = r.pos();
    return out;
}

TLangFileContent parseLangFile(const QByteArray &plain)
{
    TLangFileContent content;
    const TLangHeaderParse head = parseLangHeader(plain);
    content.Header = head.Header;
    const quint16 v = head.Header.FormatVersion;
    Reader r(plain, v);
    r.take(head.BodyOffset);

    const qsizetype minGroup = r.minLength() + r.minAttributes() + 2;
    const int unitCount = r.count(minGroup);
    for (int u = 0; u < unitCount; ++u) {
        TLangGroupRecord unit;
        unit.Name = r.str8();
        unit.Attributes = r.attributes();
        const int n = r.count(minConstant(r));
        for (int i = 0; i < n; ++i)
            unit.Items.push_back(readConstant(r));
        content.Units.push_back(std::move(unit));
    }

    const int formCount = r.count(minGroup + 2);
    for (int f = 0; f < formCount; ++f) {
        TLangGroupRecord form;
        form.Name = r.str8();
        form.Attributes = r.attributes();
        const int props = r.count(minProperty(r));
        for (int i = 0; i < props; ++i)
            form.Items.push_back(readProperty(r, v));
        const int components = r.count(minGroup);
        for (int c = 0; c < components; ++c) {
            TLangGroupRecord component;
            component.Name = r.str8();
            component.Attributes = r.attributes();
            const int n = r.count(minProperty(r));
            for (int i = 0; i < n; ++i)
                component.Items.push_back(readProperty(r, v));
            form.Components.push_back(std::move(component));
        }
        content.Forms.push_back(std::move(form));
    }

    if (v > 6) {
        const int groupCount = r.count(r.minLength() + 2 + 2);
        for (int g = 0; g < groupCount; ++g) {
            TLangGroupRecord group;
            group.Name = r.str8();
            group.Attributes = r.u16();
            const int n = r.count(minExtItem(r));
            for (int i = 0; i < n; ++i)
                group.Items.push_back(readExtItem(r));
            content.Groups.push_back(std::move(group));
        }
    }
    return content;
}

QByteArray serializeLangHeader(const TLangFileHeader &h)
{
    Writer w(1);
    w.u16(kLangFileMagic);
    w.u16(h.FormatVersion);
    w.i32(h.Version);
    if (h.FormatVersion > 4)
        w.u32(h.Build);
    w.u16(h.Locale);
    if (h.FormatVersion > 2)
        w.u16(h.BasedOnLangID);
    w.u16(quint32(std::min<qsizetype>(h.LangEnglishName.size(), 0x10000)));
    w.bytes.append(h.LangEnglishName);
    w.u16(quint32(std::min<qsizetype>(h.LangLocalizedName.size(), 0x10000)));
    w.rawStr16(h.LangLocalizedName);
    w.u16(h.IsNative ? 1 : 0);
    if (h.FormatVersion > 1)
        w.u16(h.Attributes);
    w.i32(h.ConstMaxID);
    w.i32(h.PropertyMaxID);
    if (h.FormatVersion > 6)
        w.i32(h.ExtItemMaxID);
    return w.bytes;
}

QByteArray serializeLangFile(const TLangFileContent &content)
{
    const quint16 v = content.Header.FormatVersion;
    Writer w(v);
    w.bytes = serializeLangHeader(content.Header);

    w.count(content.Units.size());
    for (const TLangGroupRecord &unit : content.Units) {
        w.str8(unit.Name);
        w.attributes(unit.Attributes);
        w.count(unit.Items.size());
        for (const TLangValueRecord &c : unit.Items) {
            w.str8(c.Name);
            w.attributes(c.Attributes);
            w.u16(c.StringID);
            w.i32(c.ID);
            w.str16(c.Value);
            writeValueTail(w, c);
        }
    }

    w.count(content.Forms.size());
    for (const TLangGroupRecord &form : content.Forms) {
        w.str8(form.Name);
        w.attributes(form.Attributes);
        w.count(form.Items.size());
        for (const TLangValueRecord &p : form.Items)
            writeProperty(w, p, v);
        w.count(form.Components.size());
        for (const TLangGroupRecord &component : form.Components) {
            w.str8(component.Name);
            w.attributes(component.Attributes);
            w.count(component.Items.size());
            for (const TLangValueRecord &p : component.Items)
                writeProperty(w, p, v);
        }
    }

    if (v > 6) {
        w.count(content.Groups.size());
        for (const TLangGroupRecord &group : content.Groups) {
            w.str8(group.Name);
            w.u16(group.Attributes);
            w.count(group.Items.size());
            for (const TLangValueRecord &i : group.Items) {
                w.str8(i.Name);
                w.u16(i.Attributes);
                w.i32(i.ID);
                w.str16(i.Value);
                writeValueTail(w, i);
            }
        }
    }
    return w.bytes;
}

TLangHeaderParse readLangHeader(const QByteArray &fileBytes, bool *compressed)
{
    if (compressed)
        *compressed = isLzk(fileBytes);
    if (!isLzk(fileBytes))
        return parseLangHeader(fileBytes);
    TLZKDecoder decoder(fileBytes);
    return parseLangHeader(decoder.output(), [&decoder](qsizetype size) { decoder.decodeTo(size); });
}

QByteArray plainLangBytes(const QByteArray &fileBytes, bool *compressed)
{
    if (compressed)
        *compressed = isLzk(fileBytes);
    return isLzk(fileBytes) ? lzkDecompress(fileBytes) : fileBytes;
}

} // namespace kelvra
