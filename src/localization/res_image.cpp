// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/res_image.h"

#include "localization/byte_io.h"
#include "localization/loc_errors.h"
#include "localization/lzk.h"

#include <QFile>

#include <algorithm>
#include <set>

namespace kelvra {

bool TResString::Has(quint16 id) const
{
    return !Get(id).isEmpty();
}

QString TResString::Get(quint16 id) const
{
    const auto it = m_groups.find(blockOf(id));
    return it == m_groups.end() ? QString() : it->second.Strings[size_t(positionOf(id))];
}

void TResString::Set(quint16 id, const QString &text)
{
    const quint16 block = blockOf(id);
    auto it = m_groups.find(block);
    if (it == m_groups.end()) {
        if (text.isEmpty())
            return;
        it = m_groups.emplace(block, TResStringGroup { block, {} }).first;
    }
    it->second.Strings[size_t(positionOf(id))] = text;
    if (std::all_of(it->second.Strings.begin(), it->second.Strings.end(), [](const QString &s) { return s.isEmpty(); }))
        m_groups.erase(it);
}

void TResString::SetGroup(const TResStringGroup &group)
{
    m_groups[group.BlockID] = group;
}

int TResString::Count() const
{
    int n = 0;
    for (const auto &[block, group] : m_groups)
        n += int(
            std::count_if(group.Strings.begin(), group.Strings.end(), [](const QString &s) { return !s.isEmpty(); }));
    return n;
}

bool TResString::operator==(const TResString &other) const
{
    if (m_groups.size() != other.m_groups.size())
        return false;
    for (const auto &[block, group] : m_groups) {
        const auto it = other.m_groups.find(block);
        if (it == other.m_groups.end() || it->second.Strings != group.Strings)
            return false;
    }
    return true;
}

const TResRCDataItem *TResRCData::Find(const QByteArray &name) const
{
    for (const TResRCDataItem &item : Items)
        if (item.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &item;
    return nullptr;
}

TResRCDataItem *TResRCData::Find(const QByteArray &name)
{
    return const_cast<TResRCDataItem *>(std::as_const(*this).Find(name));
}

TResRCDataItem &TResRCData::Put(const QByteArray &name, const QByteArray &data)
{
    if (TResRCDataItem *item = Find(name)) {
        item->Data = data;
        return *item;
    }
    Items.push_back({ name.toUpper(), false, 0, data });
    return Items.back();
}

bool TResRCData::Remove(const QByteArray &name)
{
    const auto it = std::find_if(Items.begin(), Items.end(),
        [&](const TResRCDataItem &item) { return item.Name.compare(name, Qt::CaseInsensitive) == 0; });
    if (it == Items.end())
        return false;
    Items.erase(it);
    return true;
}

namespace {

constexpr quint32 kNewHeaderOffset = 256;
constexpr quint32 kSectionRva = 0x2000;
constexpr quint32 kSectionAlignment = 0x1000;
constexpr quint32 kFileAlignment = 0x200;
constexpr quint32 kHeadersSize = 0x400;
constexpr quint32 kSubdirectoryBit = 0x80000000u;
constexpr int kMaxLevel = 3;

using Writer = TByteWriter<EResourceError>;
using Reader = TByteReader<EResourceError>;

QString message(const char *text)
{
    return QString::fromLatin1(text);
}

quint32 alignUp(quint32 value, quint32 alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

// One leaf of the directory tree: type, name (a number or text) and data.
struct Leaf
{
    quint16 Type;
    QByteArray Name;
    bool NameIsNumber;
    quint16 ID;
    QByteArray Data;
};

QByteArray stringBlock(const TResStringGroup &group)
{
    Writer w(message(locmsg::BadResources));
    for (const QString &s : group.Strings) {
        w.u16(quint64(s.size()));
        w.utf16(s);
    }
    return w.out;
}

// Named entries come first in ascending order of the upper-cased name, then IDs ascending.
bool leafLess(const Leaf &a, const Leaf &b)
{
    if (a.NameIsNumber != b.NameIsNumber)
        return !a.NameIsNumber;
    if (a.NameIsNumber)
        return a.ID < b.ID;
    return a.Name.toUpper() < b.Name.toUpper();
}

// The leaves of each type the set holds, strings first, each type's leaves in
// directory order.
std::vector<std::vector<Leaf>> leavesByType(const TResourceSet &resources)
{
    std::vector<Leaf> strings;
    for (const auto &[block, group] : resources.Strings.Groups())
        strings.push_back({ rtString, {}, true, block, stringBlock(group) });
    std::vector<Leaf> rcdata;
    for (const TResRCDataItem &item : resources.RCData.Items)
        rcdata.push_back({ rtRCData, item.Name.toUpper(), item.NameIsNumber, item.ID, item.Data });
    std::sort(rcdata.begin(), rcdata.end(), leafLess);
    std::vector<std::vector<Leaf>> types;
    if (!strings.empty())
        types.push_back(std::move(strings));
    if (!rcdata.empty())
        types.push_back(std::move(rcdata));
    return types;
}

quint32 directorySize(size_t entries)
{
    return 16 + 8 * quint32(entries);
}

quint32 nameSize(const Leaf &leaf)
{
    return 2 + 2 * quint32(leaf.Name.size());
}

// Where the parts of the section start.
struct SectionLayout
{
    quint32 typeDirsStart = 0;
    quint32 langDirsStart = 0;
    quint32 namesStart = 0;
    quint32 entriesStart = 0;
    quint32 dataStart = 0;
};

SectionLayout layoutOf(const std::vector<std::vector<Leaf>> &types)
{
    SectionLayout at;
    size_t leaves = 0;
    quint32 typeDirsSize = 0;
    quint32 namesSize = 0;
    for (const std::vector<Leaf> &t : types) {
        leaves += t.size();
        typeDirsSize += directorySize(t.size());
        for (const Leaf &leaf : t)
            if (!leaf.NameIsNumber)
                namesSize += nameSize(leaf);
    }
    // Root, one directory per type, per name and the language entries.
    at.typeDirsStart = directorySize(types.size());
    at.langDirsStart = at.typeDirsStart + typeDirsSize;
    at.namesStart = at.langDirsStart + quint32(leaves) * directorySize(1);
    at.entriesStart = alignUp(at.namesStart + namesSize, 4);
    at.dataStart = at.entriesStart + 16 * quint32(leaves);
    return at;
}

void writeDirectoryHead(Writer &w, int named, int ids)
{
    w.u32(0);
    w.u32(0);
    w.u16(4);
    w.u16(0);
    w.u16(quint64(named));
    w.u16(quint64(ids));
}

// The root, a directory per type and one per leaf with its single language.
void writeDirectories(Writer &w, const std::vector<std::vector<Leaf>> &types, const SectionLayout &at)
{
    writeDirectoryHead(w, 0, int(types.size()));
    quint32 nextTypeDir = at.typeDirsStart;
    for (const std::vector<Leaf> &t : types) {
        w.u32(t.front().Type);
        w.u32(nextTypeDir | kSubdirectoryBit);
        nextTypeDir += directorySize(t.size());
    }
    quint32 nextLangDir = at.langDirsStart;
    quint32 nextName = at.namesStart;
    for (const std::vector<Leaf> &t : types) {
        const int named = int(std::count_if(t.begin(), t.end(), [](const Leaf &l) { return !l.NameIsNumber; }));
        writeDirectoryHead(w, named, int(t.size()) - named);
        for (const Leaf &leaf : t) {
            if (leaf.NameIsNumber) {
                w.u32(leaf.ID);
            } else {
                w.u32(nextName | kSubdirectoryBit);
                nextName += nameSize(leaf);
            }
            w.u32(nextLangDir | kSubdirectoryBit);
            nextLangDir += directorySize(1);
        }
    }
    // Language directories: one entry, language 0.
    quint32 nextEntry = at.entriesStart;
    for (const std::vector<Leaf> &t : types)
        for (size_t i = 0; i < t.size(); ++i) {
            writeDirectoryHead(w, 0, 1);
            w.u32(0);
            w.u32(nextEntry);
            nextEntry += 16;
        }
}

// Names: a length in UTF-16 units, then the units.
void writeNames(Writer &w, const std::vector<std::vector<Leaf>> &types)
{
    for (const std::vector<Leaf> &t : types)
        for (const Leaf &leaf : t)
            if (!leaf.NameIsNumber) {
                w.u16(quint64(leaf.Name.size()));
                w.utf16(QString::fromLatin1(leaf.Name));
            }
    w.alignTo(4);
}

// Data entries, then the data.
void writeData(Writer &w, const std::vector<std::vector<Leaf>> &types, const SectionLayout &at)
{
    quint32 nextData = at.dataStart;
    for (const std::vector<Leaf> &t : types)
        for (const Leaf &leaf : t) {
            w.u32(kSectionRva + nextData);
            w.u32(quint64(leaf.Data.size()));
            w.u32(0);
            w.u32(0);
            nextData = alignUp(nextData + quint32(leaf.Data.size()), 4);
        }
    for (const std::vector<Leaf> &t : types)
        for (const Leaf &leaf : t) {
            w.bytes(leaf.Data);
            w.alignTo(4);
        }
}

// The whole ".rsrc" section: directories, then name strings, then data
// entries, then the data itself, each part 4-byte aligned.
QByteArray resourceSection(const TResourceSet &resources)
{
    const std::vector<std::vector<Leaf>> types = leavesByType(resources);
    const SectionLayout at = layoutOf(types);
    Writer w(message(locmsg::BadResources));
    writeDirectories(w, types, at);
    writeNames(w, types);
    writeData(w, types, at);
    return w.out;
}

void dosHeader(Writer &w)
{
    w.bytes("MZ");
    w.u16(0x90); // bytes on the last page
    w.u16(3); // pages
    w.u16(0); // relocations
    w.u16(4); // header paragraphs
    w.u16(0);
    w.u16(0xFFFF);
    w.u16(0); // ss
    w.u16(0xB8); // sp
    w.u16(0); // checksum
    w.u16(0); // ip
    w.u16(0); // cs
    w.u16(0x40); // relocation table
    w.u16(0); // overlay
    w.zeros(0x3C - w.out.size());
    w.u32(kNewHeaderOffset);
    // A real-mode stub that prints the message and exits.
    static const char code[] = "\x0E\x1F\xBA\x0E\x00\xB4\x09\xCD\x21\xB8\x01\x4C\xCD\x21";
    w.bytes(QByteArray(code, sizeof code - 1));
    w.bytes("This program must be run under Win32\r\n$");
    w.zeros(qsizetype(kNewHeaderOffset) - w.out.size());
}

} // namespace

QByteArray writeResourceImage(const TResourceSet &resources)
{
    const QByteArray section = resourceSection(resources);
    const quint32 rawSize = alignUp(quint32(section.size()), kFileAlignment);
    const quint32 imageSize = kSectionRva + alignUp(quint32(section.size()), kSectionAlignment);
    const bool is64 = resources.Is64;

    Writer w(message(locmsg::BadResources));
    dosHeader(w);
    w.bytes(QByteArray("PE\0\0", 4));
    w.u16(0x14C);
    w.u16(1);
    w.u32(0); // time stamp: a module is the same bytes whenever it is built
    w.u32(0);
    w.u32(0);
    w.u16(is64 ? 240 : 224);
    w.u16(0xA18E);

    w.u16(is64 ? 0x20B : 0x10B);
    w.u8(2); // linker version
    w.u8(25);
    w.u32(0); // code
    w.u32(rawSize); // initialised data
    w.u32(0);
    w.u32(0); // entry point: none, resources only
    w.u32(0x1000); // base of code
    if (!is64)
        w.u32(kSectionRva); // base of data
    if (is64)
        w.u64(0x400000);
    else
        w.u32(0x400000);
    w.u32(kSectionAlignment);
    w.u32(kFileAlignment);
    w.u16(4); // operating system version
    w.u16(0);
    w.u16(0); // image version
    w.u16(0);
    w.u16(4); // subsystem version
    w.u16(0);
    w.u32(0);
    w.u32(imageSize);
    w.u32(kHeadersSize);
    w.u32(0); // checksum
    w.u16(2); // GUI
    w.u16(0);
    for (quint64 v : { 0x100000, 0x1000, 0x100000, 0x1000 }) {
        if (is64)
            w.u64(v);
        else
            w.u32(v);
    }
    w.u32(0); // loader flags
    w.u32(16);
    for (int i = 0; i < 16; ++i) {
        w.u32(i == 2 ? kSectionRva : 0);
        w.u32(i == 2 ? quint64(section.size()) : 0);
    }

    w.bytes(QByteArray(".rsrc\0\0\0", 8));
    w.u32(quint64(section.size()));
    w.u32(kSectionRva);
    w.u32(rawSize);
    w.u32(kHeadersSize);
    w.u32(0);
    w.u32(0);
    w.u16(0);
    w.u16(0);
    w.u32(0x40000040); // initialised data, readable

    w.zeros(qsizetype(kHeadersSize) - w.out.size());
    w.bytes(section);
    w.zeros(qsizetype(kHeadersSize + rawSize) - w.out.size());
    return w.out;
}

namespace {

struct Section
{
    quint32 Rva = 0;
    quint32 VirtualSize = 0;
    quint32 RawOffset = 0;
    quint32 RawSize = 0;
};

class ResourceWalker
{
public:
    ResourceWalker(const QByteArray &image, const Section &section, quint32 rootRva)
        : m_image(image)
        , m_section(section)
        , m_root(rootRva)
    {
    }

    TResourceSet walk()
    {
        TResourceSet set;
        directory(0, 0, set, {});
        return set;
    }

private:
    struct Path
    {
        quint32 Type = 0;
        bool TypeIsNumber = true;
        QByteArray Name;
        bool NameIsNumber = true;
        quint16 ID = 0;
    };

    [[noreturn]] void damaged() const { throw EResourceError(message(locmsg::BadResources)); }

    // The file offset of `size` bytes at `rva`, checked against the section and the file.
    qsizetype fileOffset(quint64 rva, quint64 size) const
    {
        const quint64 inSection
            = std::min(m_section.VirtualSize ? m_section.VirtualSize : m_section.RawSize, m_section.RawSize);
        if (rva < m_section.Rva || rva - m_section.Rva > inSection || size > inSection - (rva - m_section.Rva))
            damaged();
        const quint64 at = m_section.RawOffset + (rva - m_section.Rva);
        if (at + size > quint64(m_image.size()))
            damaged();
        return qsizetype(at);
    }
    qsizetype dirOffset(quint32 offset, quint64 size) const { return fileOffset(quint64(m_root) + offset, size); }

    QByteArray nameAt(quint32 offset) const
    {
        const qsizetype at = dirOffset(offset, 2);
        Reader r(m_image, message(locmsg::BadResources), at);
        const quint16 len = r.u16();
        dirOffset(offset, 2 + 2 * quint64(len));
        const QString name = r.utf16(len);
        return name.toLatin1();
    }

    void directory(quint32 offset, int level, TResourceSet &set, Path path)
    {
        // Each directory once: shared subdirectories would multiply the work without end.
        if (!m_visited.insert(offset).second)
            damaged();
        const qsizetype at = dirOffset(offset, 16);
        Reader head(m_image, message(locmsg::BadResources), at + 12, at + 16);
        const quint32 count = quint32(head.u16()) + head.u16();
        const qsizetype entries = dirOffset(offset + 16, 8 * quint64(count));
        Reader r(m_image, message(locmsg::BadResources), entries, entries + 8 * qsizetype(count));
        for (quint32 i = 0; i < count; ++i) {
            const quint32 name = r.u32();
            const quint32 target = r.u32();
            Path next = path;
            const bool isNumber = !(name & kSubdirectoryBit);
            if (level == 0) {
                next.Type = name;
                next.TypeIsNumber = isNumber;
                if (!isNumber || (name != rtString && name != rtRCData))
                    continue;
            } else if (level == 1) {
                next.NameIsNumber = isNumber;
                if (isNumber) {
                    if (name > 0xFFFF)
                        damaged();
                    next.ID = quint16(name);
                } else {
                    next.Name = nameAt(name & ~kSubdirectoryBit);
                }
            }
            if (target & kSubdirectoryBit) {
                if (level + 1 >= kMaxLevel)
                    damaged();
                directory(target & ~kSubdirectoryBit, level + 1, set, next);
            } else {
                if (level == 0)
                    damaged();
                leaf(target, set, next);
            }
        }
    }

    void leaf(quint32 offset, TResourceSet &set, const Path &path)
    {
        const qsizetype at = dirOffset(offset, 16);
        Reader r(m_image, message(locmsg::BadResources), at, at + 16);
        const quint32 rva = r.u32();
        const quint32 size = r.u32();
        const qsizetype data = fileOffset(rva, size);
        const QByteArray bytes = m_image.mid(data, size);
        if (path.Type == rtRCData) {
            // A second language of the same name: the first one found stands.
            const QByteArray name = path.NameIsNumber ? QByteArray::number(path.ID) : path.Name.toUpper();
            if (!set.RCData.Find(name))
                set.RCData.Items.push_back({ name, path.NameIsNumber, path.ID, bytes });
            return;
        }
        // String blocks are numbered from 1; a named one has no identifiers.
        if (!path.NameIsNumber || path.ID == 0 || path.ID > 4096)
            return;
        TResStringGroup group { path.ID, {} };
        Reader s(bytes, message(locmsg::BadResources));
        for (QString &text : group.Strings) {
            if (s.atEnd())
                break;
            text = s.utf16(s.u16());
        }
        if (set.Strings.Groups().count(path.ID) == 0)
            set.Strings.SetGroup(group);
    }

    const QByteArray &m_image;
    Section m_section;
    quint32 m_root;
    std::set<quint32> m_visited;
};

} // namespace

TResourceSet TPEReader::ReadFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EResourceError(QString::fromLatin1(locmsg::CannotOpenImage).arg(fileName));
    return ReadBytes(file.readAll());
}

TResourceSet TPEReader::ReadBytes(const QByteArray &bytes)
{
    const QByteArray image = isLzk(bytes) ? lzkDecompress(bytes) : bytes;
    if (image.size() < 0x40 || !image.startsWith("MZ"))
        throw EResourceError(message(locmsg::UnrecognizedImage));
    const QString notPE = message(locmsg::NotPE);
    Reader dos(image, notPE, 0x3C);
    const quint32 peOffset = dos.u32();
    if (quint64(peOffset) + 24 > quint64(image.size()) || image.mid(peOffset, 4) != QByteArray("PE\0\0", 4))
        throw EResourceError(notPE);
    Reader coff(image, notPE, qsizetype(peOffset) + 4);
    coff.skip(2); // machine
    const quint16 sections = coff.u16();
    coff.skip(12);
    const quint16 optionalSize = coff.u16();
    coff.skip(2);
    const qsizetype optionalAt = coff.pos();
    Reader opt(image, notPE, optionalAt);
    opt.require(optionalSize <= opt.remaining());
    const quint16 magic = opt.u16();
    opt.require(magic == 0x10B || magic == 0x20B);
    const bool is64 = magic == 0x20B;
    const qsizetype countAt = is64 ? 108 : 92;
    opt.require(optionalSize >= countAt + 4);
    Reader dirs(image, notPE, optionalAt + countAt, optionalAt + optionalSize);
    const quint32 dirCount = dirs.u32();
    quint32 resourceRva = 0;
    quint32 resourceSize = 0;
    if (dirCount > 2 && dirs.remaining() >= 24) {
        dirs.skip(16);
        resourceRva = dirs.u32();
        resourceSize = dirs.u32();
    }
    if (resourceRva == 0 || resourceSize == 0)
        throw EResourceError(message(locmsg::NoResources));

    Reader table(image, notPE, optionalAt + optionalSize);
    table.require(quint64(sections) * 40 <= quint64(table.remaining()));
    Section found;
    bool have = false;
    for (quint16 i = 0; i < sections; ++i) {
        table.skip(8);
        Section s;
        s.VirtualSize = table.u32();
        s.Rva = table.u32();
        s.RawSize = table.u32();
        s.RawOffset = table.u32();
        table.skip(16);
        const quint64 span = std::max(s.VirtualSize, s.RawSize);
        if (!have && resourceRva >= s.Rva && resourceRva - quint64(s.Rva) < span) {
            found = s;
            have = true;
        }
    }
    if (!have)
        throw EResourceError(message(locmsg::NoResources));
    // The part of the section in use must all be there: a cut file is damaged, not short of a resource or two.
    const quint64 used = found.VirtualSize ? std::min(found.VirtualSize, found.RawSize) : found.RawSize;
    if (quint64(found.RawOffset) + used > quint64(image.size()))
        throw EResourceError(message(locmsg::BadResources));
    TResourceSet set = ResourceWalker(image, found, resourceRva).walk();
    set.Is64 = is64;
    return set;
}

} // namespace kelvra
