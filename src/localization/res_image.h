// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <map>
#include <vector>

namespace kelvra {

inline constexpr quint16 rtString = 6;
inline constexpr quint16 rtRCData = 10;

// String-table resources: blocks of 16 strings, the string n in block
// n / 16 + 1 at position n % 16. An empty position is an unused one.
struct TResStringGroup
{
    quint16 BlockID = 0;
    std::array<QString, 16> Strings;
};

class TResString
{
public:
    static constexpr quint16 blockOf(quint16 id) { return quint16(id / 16 + 1); }
    static constexpr int positionOf(quint16 id) { return id % 16; }

    bool Has(quint16 id) const;
    QString Get(quint16 id) const;
    // An empty text frees the position; a block left empty goes.
    void Set(quint16 id, const QString &text);
    const std::map<quint16, TResStringGroup> &Groups() const { return m_groups; }
    void SetGroup(const TResStringGroup &group);
    int Count() const; // strings in use
    bool operator==(const TResString &) const;

private:
    std::map<quint16, TResStringGroup> m_groups;
};

struct TResRCDataItem
{
    QByteArray Name; // upper case, as resource compilers store names
    bool NameIsNumber = false;
    quint16 ID = 0; // when NameIsNumber
    QByteArray Data;
    bool operator==(const TResRCDataItem &) const = default;
};

class TResRCData
{
public:
    std::vector<TResRCDataItem> Items;

    // Names compare case-insensitively.
    const TResRCDataItem *Find(const QByteArray &name) const;
    TResRCDataItem *Find(const QByteArray &name);
    TResRCDataItem &Put(const QByteArray &name, const QByteArray &data);
    bool Remove(const QByteArray &name);
    bool operator==(const TResRCData &) const = default;
};

// The two resource kinds a module carries; everything else in a base is dropped.
struct TResourceSet
{
    TResString Strings;
    TResRCData RCData;
    bool Is64 = false; // the image had (or gets) a 64-bit optional header
    bool operator==(const TResourceSet &) const = default;
};

// The resource-only library image: DOS header and stub, PE header, one
// ".rsrc" section at $2000 with types 6 and 10, every name with language 0.
QByteArray writeResourceImage(const TResourceSet &resources);

// Reads a PE/COFF image (32- or 64-bit; LZK-compressed first when it carries
// the signature) and keeps its string tables and RCDATA. Every offset, size
// and count is checked against the file; a directory is visited once, so a
// hostile image can neither read outside itself nor loop. Raises
// EResourceError with the reader's messages.
class TPEReader
{
public:
    static TResourceSet ReadFile(const QString &fileName);
    static TResourceSet ReadBytes(const QByteArray &image);
};

} // namespace kelvra
