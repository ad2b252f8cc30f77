// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/lang_file.h"

#include "localization/loc_errors.h"
#include "localization/lzk.h"
#include "platform/atomic_file.h"
#include "platform/file_ops.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <set>

namespace kelvra {

namespace {

[[noreturn]] void fail(const char *message)
{
    throw ELangFileError(QString::fromLatin1(message));
}

QByteArray readWholeFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ELangFileError(QStringLiteral("Can not open language file \"%1\"").arg(path));
    return file.readAll();
}

QByteArray readStream(QIODevice *stream)
{
    if (!stream)
        fail(locmsg::InvalidFormat);
    return stream->readAll();
}

// Takes one record's value into a store value.
void takeValue(TLocItem &item, int index, const TLangValueRecord &record, const TLangFileHeader &header)
{
    TLocValue &value = item.Values[index];
    value.Modified = record.Modified;
    value.ValueVersion = record.ValueVersion;
    if (index == 0 && value.ValueVersion < 0)
        value.ValueVersion = header.Version;
    value.Attributes = record.Attributes;
    value.LangID = header.Locale;
    value.SetValue(record.Value);
    if (index > 0 && value.ValueVersion < item.Values[0].ValueVersion)
        value.SetAttribute(vaCurrent, false);
}

// High byte from the saved language's value, low byte shared through the native value.
quint16 savedAttributes(const TLocItem &item, int index)
{
    return quint16((item.Values[index].Attributes & 0xFF00) | (item.Values[0].Attributes & 0x00FF));
}

TLangValueRecord recordOf(const TLocItem &item, int index, bool updateItemVersion)
{
    const TLocValue &value = item.Values[index];
    TLangValueRecord r;
    r.Name = item.Name;
    r.Attributes = savedAttributes(item, index);
    r.ID = item.ID;
    r.ValueType = item.Values.ValueType;
    r.Value = value.Value();
    r.ValueVersion = updateItemVersion ? item.Values[0].ValueVersion : value.ValueVersion;
    r.Modified = value.Modified;
    return r;
}

template<class List> void assignMissingIDs(List list, qint32 &maxID)
{
    for (auto *item : list.Items)
        if (item->ID == 0)
            item->ID = ++maxID;
}

struct MaxIDs
{
    qint32 constant = 0;
    qint32 property = 0;
    qint32 external = 0;
};

// One load of a file's records into a store: the native file (index -1)
// builds the store's items, a translation fills its own slot of them.
class StoreLoad
{
public:
    StoreLoad(TLocStorage &storage, const TLangFileHeader &header, int index, TLFLoadOptions options, MaxIDs max)
        : m_storage(storage)
        , m_header(header)
        , m_native(index < 0)
        , m_slot(index < 0 ? 0 : index)
        , m_byName((options & loSyncByName) != 0)
        , m_repair(index < 0 && (options & loRepair) != 0)
        , m_max(max)
        , m_constants(storage.LinearConstants(true))
        , m_properties(storage.LinearProperties(true))
        , m_externals(storage.LinearExternals(true))
    {
    }

    void takeUnits(const std::vector<TLangGroupRecord> &units)
    {
        for (const TLangGroupRecord &unit : units) {
            for (const TLangValueRecord &r : unit.Items) {
                m_max.constant = std::max(m_max.constant, r.ID);
                TLocConstant *c = nullptr;
                if (m_native) {
                    c = m_storage.AddConstant(nativeID(m_usedConst, r.ID), unit.Name, r.Name, r.StringID);
                    c->Parent->Attributes = unit.Attributes;
                } else {
                    c = m_byName ? m_storage.FindConstant(unit.Name, r.Name) : m_constants.FindByID(r.ID);
                }
                if (c)
                    takeValue(*c, m_slot, r, m_header);
            }
            if (m_native && unit.Items.empty())
                m_storage.Units.Add(unit.Name, [&] { return std::make_unique<TLocUnit>(unit.Name, &m_storage); })
                    ->Attributes
                    = unit.Attributes;
        }
    }

    void takeForms(const std::vector<TLangGroupRecord> &forms)
    {
        for (const TLangGroupRecord &form : forms) {
            if (m_native)
                addForm(form);
            for (const TLangValueRecord &r : form.Items)
                takeProperty(form.Name, QByteArray(), r);
            for (const TLangGroupRecord &component : form.Components)
                for (const TLangValueRecord &r : component.Items)
                    takeProperty(form.Name, component.Name, r);
        }
    }

    void takeGroups(const std::vector<TLangGroupRecord> &groups)
    {
        for (const TLangGroupRecord &group : groups) {
            if (m_native)
                m_storage.ExtGroups
                    .Add(group.Name, [&] { return std::make_unique<TLocExtGroup>(group.Name, &m_storage); })
                    ->Attributes
                    = group.Attributes;
            for (const TLangValueRecord &r : group.Items) {
                m_max.external = std::max(m_max.external, r.ID);
                TLocExtItem *i = nullptr;
                if (m_native)
                    i = m_storage.AddExternalItem(nativeID(m_usedExt, r.ID), group.Name, r.Name);
                else
                    i = m_byName ? m_storage.FindExtItem(group.Name, r.Name) : m_externals.FindByID(r.ID);
                if (i)
                    takeValue(*i, m_slot, r, m_header);
            }
        }
    }

    // Gives the native file's items without an ID one; the highest IDs seen.
    MaxIDs finish()
    {
        if (m_native) {
            assignMissingIDs(m_storage.LinearConstants(true), m_max.constant);
            assignMissingIDs(m_storage.LinearProperties(true), m_max.property);
            assignMissingIDs(m_storage.LinearExternals(true), m_max.external);
        }
        return m_max;
    }

private:
    // With repair, an ID met a second time is handed out anew.
    qint32 nativeID(std::set<qint32> &used, qint32 id) const
    {
        if (!m_repair)
            return id;
        return used.insert(id).second ? id : 0;
    }

    void addForm(const TLangGroupRecord &form)
    {
        TLocForm *f = m_storage.Forms.Add(form.Name, [&] { return std::make_unique<TLocForm>(form.Name, &m_storage); });
        f->Attributes = form.Attributes;
        for (const TLangGroupRecord &component : form.Components)
            f->Components.Add(component.Name, [&] { return std::make_unique<TLocComponent>(component.Name, f); })
                ->Attributes
                = component.Attributes;
    }

    void takeProperty(const QByteArray &form, const QByteArray &component, const TLangValueRecord &r)
    {
        m_max.property = std::max(m_max.property, r.ID);
        TLocProperty *p = nullptr;
        if (m_native) {
            p = m_storage.AddProperty(nativeID(m_usedProp, r.ID), form, component, r.Name, r.ValueType);
        } else {
            p = m_byName ? m_storage.FindProperty(form, component, r.Name) : m_properties.FindByID(r.ID);
            if (p && p->Values.ValueType != r.ValueType)
                p = nullptr;
        }
        if (p)
            takeValue(*p, m_slot, r, m_header);
    }

    TLocStorage &m_storage;
    const TLangFileHeader &m_header;
    const bool m_native;
    const int m_slot;
    const bool m_byName;
    const bool m_repair;
    MaxIDs m_max;
    const TLinearConstantList m_constants;
    const TLinearPropertyList m_properties;
    const TLinearExternalList m_externals;
    std::set<qint32> m_usedConst, m_usedProp, m_usedExt;
};

} // namespace

TLangFile::TLangFile() = default;

TLangFile::TLangFile(const QString &AFileName, bool AReadOnly)
    : FileName(AFileName)
    , ReadOnly(AReadOnly)
{
    if (!QFileInfo::exists(AFileName))
        return;
    if (!ReadOnly) {
        ExclusiveFileLock probe;
        if (!probe.acquire(AFileName))
            ReadOnly = true;
    }
    QFile file(AFileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    LoadHeaderFromStream(&file, false);
}

TLangFileHeader TLangFile::header() const
{
    TLangFileHeader h;
    h.FormatVersion = FormatVersion;
    h.Version = Version;
    h.Build = Build;
    h.Locale = quint16(Locale);
    h.BasedOnLangID = BasedOnLangID;
    h.LangEnglishName = LangEnglishName;
    h.LangLocalizedName = LangLocalizedName;
    h.IsNative = IsNative;
    h.Attributes = Attributes;
    h.ConstMaxID = ConstMaxID;
    h.PropertyMaxID = PropertyMaxID;
    h.ExtItemMaxID = ExtItemMaxID;
    return h;
}

void TLangFile::setHeader(const TLangFileHeader &h)
{
    FormatVersion = h.FormatVersion;
    Version = h.Version;
    Build = h.Build;
    Locale = h.Locale;
    BasedOnLangID = h.BasedOnLangID;
    LangEnglishName = h.LangEnglishName;
    LangLocalizedName = h.LangLocalizedName;
    IsNative = h.IsNative;
    Attributes = h.Attributes;
    ConstMaxID = h.ConstMaxID;
    PropertyMaxID = h.PropertyMaxID;
    ExtItemMaxID = h.ExtItemMaxID;
}

qsizetype TLangFile::LoadHeaderFromStream(QIODevice *Stream, bool SkipOnly)
{
    bool compressed = false;
    const TLangHeaderParse parsed = readLangHeader(readStream(Stream), &compressed);
    if (!SkipOnly) {
        setHeader(parsed.Header);
        Compressed = compressed;
    }
    return parsed.BodyOffset;
}

void TLangFile::checkStorage(TLocStorage *Storage, int Index, bool saving) const
{
    if (!Storage)
        fail(locmsg::InvalidStorage);
    // Index 0 is the native slot: a translation must never land on it.
    if (Index >= Storage->GetLangCount() || (Index == 0 && !saving))
        fail(locmsg::InvalidIndex);
}

void TLangFile::Load(TLocStorage *Storage, int Index, TLFLoadOptions Options)
{
    checkStorage(Storage, Index, false);
    bool compressed = false;
    const TLangFileContent content = parseLangFile(plainLangBytes(readWholeFile(FileName), &compressed));
    Compressed = compressed;
    apply(content, *Storage, Index, Options);
}

void TLangFile::LoadFromBytes(const QByteArray &Bytes, TLocStorage *Storage, int Index, TLFLoadOptions Options)
{
    checkStorage(Storage, Index, false);
    bool compressed = false;
    const TLangFileContent content = parseLangFile(plainLangBytes(Bytes, &compressed));
    // Nothing below fails: the whole file has been read and checked.
    Compressed = compressed;
    setHeader(content.Header);
    apply(content, *Storage, Index, Options);
}

void TLangFile::apply(const TLangFileContent &content, TLocStorage &storage, int index, TLFLoadOptions options)
{
    const TLangFileHeader &h = content.Header;
    if (index < 0) {
        storage.Clear();
        storage.SetMainLangID(h.Locale);
    }
    StoreLoad load(storage, h, index, options,
        { std::max(ConstMaxID, h.ConstMaxID), std::max(PropertyMaxID, h.PropertyMaxID),
            std::max(ExtItemMaxID, h.ExtItemMaxID) });
    load.takeUnits(content.Units);
    load.takeForms(content.Forms);
    load.takeGroups(content.Groups);
    const MaxIDs max = load.finish();
    ConstMaxID = max.constant;
    PropertyMaxID = max.property;
    ExtItemMaxID = max.external;
    storage.MaxConstID = std::max(storage.MaxConstID, max.constant);
    storage.MaxPropID = std::max(storage.MaxPropID, max.property);
    storage.MaxExtItemID = std::max(storage.MaxExtItemID, max.external);
}

QByteArray TLangFile::SaveToBytes(TLocStorage *Storage, int Index, bool UpdateItemVersion)
{
    if (!Storage)
        fail(locmsg::InvalidStorage);
    if (Index >= Storage->GetLangCount() || Storage->GetLangCount() == 0)
        fail(locmsg::InvalidIndex);
    const int slot = std::max(Index, 0);

    TLangFileContent content;
    for (const auto &unit : Storage->Units) {
        TLangGroupRecord u { unit->Name, unit->Attributes, {}, {} };
        for (const auto &c : unit->Constants) {
            u.Items.push_back(recordOf(*c, slot, UpdateItemVersion));
            u.Items.back().StringID = quint16(c->StringID);
            ConstMaxID = std::max(ConstMaxID, c->ID);
        }
        content.Units.push_back(std::move(u));
    }
    for (const auto &form : Storage->Forms) {
        TLangGroupRecord f { form->Name, form->Attributes, {}, {} };
        for (const auto &p : form->Properties) {
            f.Items.push_back(recordOf(*p, slot, UpdateItemVersion));
            PropertyMaxID = std::max(PropertyMaxID, p->ID);
        }
        for (const auto &component : form->Components) {
            TLangGroupRecord c { component->Name, component->Attributes, {}, {} };
            for (const auto &p : component->Properties) {
                c.Items.push_back(recordOf(*p, slot, UpdateItemVersion));
                PropertyMaxID = std::max(PropertyMaxID, p->ID);
            }
            f.Components.push_back(std::move(c));
        }
        content.Forms.push_back(std::move(f));
    }
    for (const auto &group : Storage->ExtGroups) {
        TLangGroupRecord g { group->Name, group->Attributes, {}, {} };
        for (const auto &i : group->ExternalItems) {
            g.Items.push_back(recordOf(*i, slot, UpdateItemVersion));
            ExtItemMaxID = std::max(ExtItemMaxID, i->ID);
        }
        content.Groups.push_back(std::move(g));
    }

    FormatVersion = std::max<quint16>(FormatVersion, 4);
    content.Header = header();
    if (Modified && FormatVersion > 4)
        ++content.Header.Build;
    const QByteArray plain = serializeLangFile(content);
    Build = content.Header.Build;
    return Compressed ? lzkCompress(plain) : plain;
}

void TLangFile::Save(TLocStorage *Storage, int Index, bool UpdateItemVersion)
{
    if (ReadOnly)
        throw ELangFileError(QString::fromLatin1(locmsg::ReadOnlyFile).arg(FileName));
    const quint16 formatVersion = FormatVersion;
    const quint32 build = Build;
    const qint32 maxIDs[3] = { ConstMaxID, PropertyMaxID, ExtItemMaxID };
    try {
        writeFile(FileName, SaveToBytes(Storage, Index, UpdateItemVersion));
    } catch (...) {
        FormatVersion = formatVersion;
        Build = build;
        ConstMaxID = maxIDs[0];
        PropertyMaxID = maxIDs[1];
        ExtItemMaxID = maxIDs[2];
        throw;
    }
}

void TLangFile::writeFile(const QString &path, const QByteArray &bytes)
{
    // The new file goes beside the old one and replaces it only when whole.
    const bool wasLocked = m_lock.held() && path == FileName;
    if (wasLocked)
        m_lock.release();
    const std::string_view content(bytes.constData(), size_t(bytes.size()));
    const bool ok = writeFileAtomically(nativePath(path), content, ExistingFile::Update).ok();
    if (wasLocked && !m_lock.acquire(path))
        fail(locmsg::NotExclusive);
    if (!ok)
        throw ELangFileError(QString::fromLatin1(locmsg::CannotWrite).arg(path));
}

void TLangFile::SaveHeader(const QString &AFileName)
{
    if (ReadOnly)
        throw ELangFileError(QString::fromLatin1(locmsg::ReadOnlyFile).arg(AFileName));
    const QByteArray head = serializeLangHeader(header());
    if (!QFileInfo::exists(AFileName)) {
        writeFile(AFileName, head + QByteArray(6, '\0'));
        return;
    }
    bool compressed = false;
    const QByteArray plain = plainLangBytes(readWholeFile(AFileName), &compressed);
    const qsizetype body = parseLangHeader(plain).BodyOffset;
    const QByteArray out = head + plain.mid(body);
    writeFile(AFileName, compressed ? lzkCompress(out) : out);
}

void TLangFile::Lock()
{
    if (!m_lock.held() && !m_lock.acquire(FileName))
        fail(locmsg::NotExclusive);
}

} // namespace kelvra
