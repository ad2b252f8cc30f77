// SPDX-License-Identifier: GPL-3.0-or-later
// Writes language files byte by byte from the format's tables, apart from the
// program's own writer, so the reader is checked against the layout itself.
#pragma once

#include "localization/lang_file_format.h"

#include <QByteArray>
#include <QString>

#include <cstring>

namespace kelvra::test {

class LangBytes
{
public:
    explicit LangBytes(int version)
        : v(version)
    {
    }
    QByteArray b;
    int v;

    LangBytes &u8(unsigned x)
    {
        b.append(char(x));
        return *this;
    }
    LangBytes &u16(unsigned x) { return u8(x & 0xFF).u8((x >> 8) & 0xFF); }
    LangBytes &u32(quint32 x) { return u16(x & 0xFFFF).u16(x >> 16); }
    LangBytes &f64(double d)
    {
        char raw[8];
        std::memcpy(raw, &d, 8);
        b.append(raw, 8);
        return *this;
    }
    LangBytes &len(qsizetype n)
    {
        if (v < 6)
            return u16(unsigned(n));
        if (n < 128)
            return u8(unsigned(n));
        if (n <= 0x3FFF)
            return u8((n & 0x7F) | 0x80).u8(unsigned(n >> 7));
        return u8((n & 0x7F) | 0x80).u8(((n >> 7) & 0x7F) | 0x80).u16(unsigned(n >> 14));
    }
    LangBytes &str8(const QByteArray &s)
    {
        len(s.size());
        b.append(s);
        return *this;
    }
    LangBytes &units16(const QString &s)
    {
        for (QChar c : s)
            u16(c.unicode());
        return *this;
    }
    LangBytes &str16(const QString &s)
    {
        len(s.size());
        return units16(s);
    }
    LangBytes &attr(unsigned a) { return v > 1 ? u16(a) : *this; }
};

inline bool typeHasBytes(TLocValueType t, int version)
{
    using T = TLocValueType;
    return t == T::ptString || t == T::ptStringList || (version >= 4 && (t == T::ptFloat || t == T::ptInteger));
}

inline void writeProp(LangBytes &w, const TLangValueRecord &p)
{
    w.str8(p.Name).attr(p.Attributes).u32(p.ID).u32(unsigned(p.ValueType));
    if (typeHasBytes(p.ValueType, w.v)) {
        if (p.ValueType == TLocValueType::ptFloat)
            w.f64(p.Value.toDouble());
        else if (p.ValueType == TLocValueType::ptInteger)
            w.u32(quint32(p.Value.toInt()));
        else
            w.str16(p.Value);
    }
    w.u32(quint32(p.ValueVersion)).f64(p.Modified);
}

inline QByteArray buildLangFile(const TLangFileContent &c)
{
    const TLangFileHeader &h = c.Header;
    const int v = h.FormatVersion;
    LangBytes w(v);
    w.u8('L').u8('F').u16(h.FormatVersion).u32(quint32(h.Version));
    if (v > 4)
        w.u32(h.Build);
    w.u16(h.Locale);
    if (v > 2)
        w.u16(h.BasedOnLangID);
    w.u16(unsigned(h.LangEnglishName.size()));
    w.b.append(h.LangEnglishName);
    w.u16(unsigned(h.LangLocalizedName.size())).units16(h.LangLocalizedName);
    w.u16(h.IsNative ? 1 : 0).attr(h.Attributes).u32(quint32(h.ConstMaxID)).u32(quint32(h.PropertyMaxID));
    if (v > 6)
        w.u32(quint32(h.ExtItemMaxID));

    w.u16(unsigned(c.Units.size()));
    for (const auto &u : c.Units) {
        w.str8(u.Name).attr(u.Attributes).u16(unsigned(u.Items.size()));
        for (const auto &k : u.Items)
            w.str8(k.Name)
                .attr(k.Attributes)
                .u16(k.StringID)
                .u32(quint32(k.ID))
                .str16(k.Value)
                .u32(quint32(k.ValueVersion))
                .f64(k.Modified);
    }
    w.u16(unsigned(c.Forms.size()));
    for (const auto &f : c.Forms) {
        w.str8(f.Name).attr(f.Attributes).u16(unsigned(f.Items.size()));
        for (const auto &p : f.Items)
            writeProp(w, p);
        w.u16(unsigned(f.Components.size()));
        for (const auto &comp : f.Components) {
            w.str8(comp.Name).attr(comp.Attributes).u16(unsigned(comp.Items.size()));
            for (const auto &p : comp.Items)
                writeProp(w, p);
        }
    }
    if (v > 6) {
        w.u16(unsigned(c.Groups.size()));
        for (const auto &g : c.Groups) {
            w.str8(g.Name).u16(g.Attributes).u16(unsigned(g.Items.size()));
            for (const auto &i : g.Items)
                w.str8(i.Name)
                    .u16(i.Attributes)
                    .u32(quint32(i.ID))
                    .str16(i.Value)
                    .u32(quint32(i.ValueVersion))
                    .f64(i.Modified);
        }
    }
    return w.b;
}

inline TLangValueRecord prop(
    const char *name, qint32 id, TLocValueType type, const QString &value, quint16 attributes = 0, qint32 version = 1)
{
    TLangValueRecord r;
    r.Name = name;
    r.ID = id;
    r.ValueType = type;
    r.Value = value;
    r.Attributes = attributes;
    r.ValueVersion = version;
    r.Modified = 45000.25 + id;
    return r;
}

inline TLangValueRecord item(
    const char *name, qint32 id, const QString &value, quint16 stringID = 0, quint16 attributes = 0, qint32 version = 1)
{
    TLangValueRecord r = prop(name, id, TLocValueType::ptString, value, attributes, version);
    r.StringID = stringID;
    return r;
}

// A file with every value type, texts at the length boundaries and one group of each kind.
// Records are in name order so that a store saves them back in the same order.
TLangFileContent sampleContent(int version, bool native = true);

} // namespace kelvra::test
