// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/loc_storage.h"

#include "localization/codepage.h"
#include "localization/loc_errors.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace kelvra {

namespace {

bool isNumeric(TLocValueType type)
{
    return type == TLocValueType::ptFloat || type == TLocValueType::ptInteger || type == TLocValueType::ptBigInt;
}

} // namespace

QString floatToText(double value)
{
    if (value == 0 && std::signbit(value))
        return QStringLiteral("-0");
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

void TLocValue::SetValue(const QString &value)
{
    m_value = value;
    // The native value stands in for every language not translated yet.
    if (ValueList && ValueList->Count() > 0 && &(*ValueList)[0] == this) {
        for (int i = 1; i < ValueList->Count(); ++i) {
            TLocValue &v = (*ValueList)[i];
            if (v.ValueVersion < 0)
                v.m_value = value;
        }
    }
}

QStringList TLocValue::AsStrings() const
{
    if (m_value.isEmpty())
        return {};
    QStringList lines = m_value.split(QStringLiteral("\r\n"));
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

qint32 TLocValue::GetAsInteger() const
{
    return m_value.trimmed().toInt();
}

void TLocValue::SetAsInteger(qint32 value)
{
    SetValue(QString::number(value));
}

double TLocValue::GetAsFloat() const
{
    return m_value.trimmed().toDouble();
}

void TLocValue::SetAsFloat(double value)
{
    SetValue(floatToText(value));
}

qint64 TLocValue::GetAsBigInt() const
{
    return m_value.trimmed().toLongLong();
}

void TLocValue::SetAsBigInt(qint64 value)
{
    SetValue(QString::number(value));
}

QByteArray TLocValue::GetAsAnsiString() const
{
    return fromUtf16ByCodePage(m_value, localeAnsiCodePage(LangID));
}

void TLocValue::SetAsAnsiString(const QByteArray &bytes)
{
    SetValue(toUtf16ByCodePage(bytes, localeAnsiCodePage(LangID)));
}

int TLocValue::CompareWith(const TLocValue &other) const
{
    if (ValueList && isNumeric(ValueList->ValueType)) {
        const double a = GetAsFloat();
        const double b = other.GetAsFloat();
        return a < b ? -1 : (b < a ? 1 : 0);
    }
    const QCollator collator(localeOfLangID(LangID));
    const int order = collator.compare(m_value, other.m_value);
    if (order != 0)
        return order < 0 ? -1 : 1;
    return m_value == other.m_value ? 0 : (m_value < other.m_value ? -1 : 1);
}

bool TLocValue::GetIsTranslated() const
{
    if (!ValueList || ValueList->Count() == 0)
        return false;
    return ValueVersion >= (*ValueList)[0].ValueVersion;
}

TLocValue &TLocValueList::Add()
{
    m_values.push_back(std::make_unique<TLocValue>(this));
    return *m_values.back();
}

void TLocValueList::Delete(int index)
{
    m_values.erase(m_values.begin() + index);
}

TLocItem::TLocItem(const QByteArray &name, qint32 id, TLocStorage *storage)
    : TNamedItem(name)
    , ID(id)
    , LocStorage(storage)
{
}

const TLocValue &TLocItem::ValueFor(int langIndex, bool untranslatedAsIs) const
{
    if (langIndex <= 0 || langIndex >= Values.Count())
        return Values[0];
    const TLocValue &value = Values[langIndex];
    if (untranslatedAsIs || value.ValueVersion == Values[0].ValueVersion)
        return value;
    return Values[0];
}

int TLocProperty::CurrentValueIndex() const
{
    return LocStorage ? LocStorage->CurLangIndex : 0;
}

QByteArray TLocProperty::GetFullName(char delimiter) const
{
    QByteArray name;
    if (Parent) {
        if (Parent->Parent)
            name = Parent->Parent->Name + delimiter;
        name += Parent->Name + delimiter;
    }
    return name + Name;
}

QByteArray TLocConstant::GetFullName(char delimiter) const
{
    return (Parent ? Parent->Name + delimiter : QByteArray()) + Name;
}

QByteArray TLocExtItem::GetFullName(char delimiter) const
{
    return (Parent ? Parent->Name + delimiter : QByteArray()) + Name;
}

void TLocComponent::Mark(bool AUsed)
{
    TNamedItem::Mark(AUsed);
    for (const auto &p : Properties)
        p->Mark(AUsed);
}

void TLocForm::Mark(bool AUsed)
{
    TLocComponent::Mark(AUsed);
    for (const auto &c : Components)
        c->Mark(AUsed);
}

void TLocUnit::Mark(bool AUsed)
{
    TNamedItem::Mark(AUsed);
    for (const auto &c : Constants)
        c->Mark(AUsed);
}

void TLocExtGroup::Mark(bool AUsed)
{
    TNamedItem::Mark(AUsed);
    for (const auto &i : ExternalItems)
        i->Mark(AUsed);
}

template<class T> void TLinearList<T>::SortByID()
{
    std::stable_sort(Items.begin(), Items.end(), [](const T *a, const T *b) { return a->ID < b->ID; });
    Sorted = true;
}

template<class T> T *TLinearList<T>::FindByID(qint32 id) const
{
    if (!Sorted) {
        auto it = std::find_if(Items.begin(), Items.end(), [id](const T *item) { return item->ID == id; });
        return it == Items.end() ? nullptr : *it;
    }
    auto it = std::lower_bound(Items.begin(), Items.end(), id, [](const T *item, qint32 v) { return item->ID < v; });
    return it != Items.end() && (*it)->ID == id ? *it : nullptr;
}

template class TLinearList<TLocProperty>;
template class TLinearList<TLocConstant>;
template class TLinearList<TLocExtItem>;

void TLocStorage::addValues(TLocItem &item)
{
    for (int i = 0; i < GetLangCount(); ++i)
        item.Values.Add().LangID = Locales[size_t(i)];
}

int TLocStorage::AddLanguage(int baseIndex, quint16 langID)
{
    if (Locales.empty())
        throw ELocStorageError(QString::fromLatin1(locmsg::EmptyDictionary));
    if (baseIndex < 0 || baseIndex >= GetLangCount())
        throw ELocStorageError(QString::fromLatin1(locmsg::CannotAddLanguage));
    auto copy = [baseIndex, langID](TLocItem &item) {
        const TLocValue &base = item.Values[baseIndex];
        const QString text = base.Value();
        const TDateTime modified = base.Modified;
        const quint16 attributes = base.Attributes;
        TLocValue &v = item.Values.Add();
        v.SetValue(text);
        v.Modified = modified;
        v.Attributes = attributes;
        v.ValueVersion = -1;
        v.LangID = langID;
    };
    for (const auto &form : Forms) {
        for (const auto &p : form->Properties)
            copy(*p);
        for (const auto &c : form->Components)
            for (const auto &p : c->Properties)
                copy(*p);
    }
    for (const auto &unit : Units)
        for (const auto &c : unit->Constants)
            copy(*c);
    for (const auto &group : ExtGroups)
        for (const auto &i : group->ExternalItems)
            copy(*i);
    Locales.push_back(langID);
    return GetLangCount() - 1;
}

void TLocStorage::RemoveLanguage(int index)
{
    if (index < 0 || index >= GetLangCount())
        throw ELocStorageError(QString::fromLatin1(locmsg::CannotRemoveLanguage));
    auto drop = [index](TLocItem &item) {
        if (index < item.Values.Count())
            item.Values.Delete(index);
    };
    for (const auto &form : Forms) {
        for (const auto &p : form->Properties)
            drop(*p);
        for (const auto &c : form->Components)
            for (const auto &p : c->Properties)
                drop(*p);
    }
    for (const auto &unit : Units)
        for (const auto &c : unit->Constants)
            drop(*c);
    for (const auto &group : ExtGroups)
        for (const auto &i : group->ExternalItems)
            drop(*i);
    Locales.erase(Locales.begin() + index);
    if (CurLangIndex >= GetLangCount())
        CurLangIndex = 0;
}

void TLocStorage::SetLanguageLangID(int index, quint16 langID)
{
    if (index >= 0 && index < GetLangCount())
        Locales[size_t(index)] = langID;
    if (index == 0)
        MainLangID = langID;
}

void TLocStorage::SetMainLangID(quint16 langID)
{
    MainLangID = langID;
    if (Locales.empty())
        Locales.push_back(langID);
    else
        Locales[0] = langID;
}

quint16 TLocStorage::GetLocale(int index) const
{
    return index >= 0 && index < GetLangCount() ? Locales[size_t(index)] : 0;
}

int TLocStorage::IndexOfLocale(quint16 locale) const
{
    for (int i = 0; i < GetLangCount(); ++i)
        if (Locales[size_t(i)] == locale)
            return i;
    return -1;
}

int TLocStorage::IndexOfLanguage(quint16 langID) const
{
    const bool primaryOnly = (langID & ~0x3FF) == 0;
    for (int i = 0; i < GetLangCount(); ++i) {
        const quint16 l = Locales[size_t(i)];
        if (primaryOnly ? (l & 0x3FF) == langID : l == langID)
            return i;
    }
    return -1;
}

TLocProperty *TLocStorage::AddProperty(
    qint32 id, const QByteArray &form, const QByteArray &component, const QByteArray &propName, TLocValueType type)
{
    TLocForm *f = Forms.Add(form, [&] { return std::make_unique<TLocForm>(form, this); });
    TLocComponent *owner = f;
    if (!component.isEmpty())
        owner = f->Components.Add(component, [&] { return std::make_unique<TLocComponent>(component, f); });
    bool created = false;
    TLocProperty *p = owner->Properties.Add(propName, [&] {
        created = true;
        return std::make_unique<TLocProperty>(propName, id, this, owner);
    });
    if (created) {
        p->Values.ValueType = type;
        addValues(*p);
    }
    return p;
}

TLocConstant *TLocStorage::AddConstant(qint32 id, const QByteArray &unit, const QByteArray &constName, qint32 stringID)
{
    TLocUnit *u = Units.Add(unit, [&] { return std::make_unique<TLocUnit>(unit, this); });
    bool created = false;
    TLocConstant *c = u->Constants.Add(constName, [&] {
        created = true;
        return std::make_unique<TLocConstant>(constName, id, this, u);
    });
    if (created) {
        c->StringID = stringID;
        addValues(*c);
    }
    return c;
}

TLocExtItem *TLocStorage::AddExternalItem(qint32 id, const QByteArray &group, const QByteArray &itemName)
{
    TLocExtGroup *g = ExtGroups.Add(group, [&] { return std::make_unique<TLocExtGroup>(group, this); });
    bool created = false;
    TLocExtItem *i = g->ExternalItems.Add(itemName, [&] {
        created = true;
        return std::make_unique<TLocExtItem>(itemName, id, this, g);
    });
    if (created)
        addValues(*i);
    return i;
}

TLocProperty *TLocStorage::FindProperty(
    const QByteArray &form, const QByteArray &component, const QByteArray &propName) const
{
    const TLocForm *f = Forms.Find(form);
    if (!f)
        return nullptr;
    const TLocComponent *owner = component.isEmpty() ? f : f->Components.Find(component);
    return owner ? owner->Properties.Find(propName) : nullptr;
}

TLocProperty *TLocStorage::FindPropByIntID(qint32 id) const
{
    for (const auto &form : Forms) {
        for (const auto &p : form->Properties)
            if (p->ID == id)
                return p.get();
        for (const auto &c : form->Components)
            for (const auto &p : c->Properties)
                if (p->ID == id)
                    return p.get();
    }
    return nullptr;
}

TLocConstant *TLocStorage::FindConstant(const QByteArray &unit, const QByteArray &constName) const
{
    const TLocUnit *u = Units.Find(unit);
    return u ? u->Constants.Find(constName) : nullptr;
}

TLocConstant *TLocStorage::FindConstByIDEx(qint32 stringID, bool includeRC) const
{
    for (const auto &unit : Units) {
        if (!includeRC && unit->Name.compare("RC", Qt::CaseInsensitive) == 0)
            continue;
        for (const auto &c : unit->Constants)
            if (c->StringID == stringID)
                return c.get();
    }
    return nullptr;
}

TLocConstant *TLocStorage::FindConstByIntID(qint32 id) const
{
    for (const auto &unit : Units)
        for (const auto &c : unit->Constants)
            if (c->ID == id)
                return c.get();
    return nullptr;
}

TLocConstant *TLocStorage::FindConstByValueEx(const QString &value, bool includeRC) const
{
    for (const auto &unit : Units) {
        if (!includeRC && unit->Name.compare("RC", Qt::CaseInsensitive) == 0)
            continue;
        for (const auto &c : unit->Constants)
            if (c->Values.Count() > 0 && c->Values[0].Value() == value)
                return c.get();
    }
    return nullptr;
}

TLocExtItem *TLocStorage::FindExtItem(const QByteArray &group, const QByteArray &itemName) const
{
    const TLocExtGroup *g = ExtGroups.Find(group);
    return g ? g->ExternalItems.Find(itemName) : nullptr;
}

TLocExtItem *TLocStorage::FindExtItemByID(qint32 id) const
{
    for (const auto &group : ExtGroups)
        for (const auto &i : group->ExternalItems)
            if (i->ID == id)
                return i.get();
    return nullptr;
}

TLocExtItem *TLocStorage::FindExtItemOnlyByName(const QByteArray &itemName) const
{
    for (const auto &group : ExtGroups)
        if (TLocExtItem *i = group->ExternalItems.Find(itemName))
            return i;
    return nullptr;
}

TLocExtItem *TLocStorage::FindExtItemByValue(const QString &value) const
{
    for (const auto &group : ExtGroups)
        for (const auto &i : group->ExternalItems)
            if (i->Values.Count() > 0 && i->Values[0].Value() == value)
                return i.get();
    return nullptr;
}

void TLocStorage::MarkAll(bool used)
{
    for (const auto &f : Forms)
        f->Mark(used);
    for (const auto &u : Units)
        u->Mark(used);
    for (const auto &g : ExtGroups)
        g->Mark(used);
}

void TLocStorage::GetFormNames(QStringList &names) const
{
    names.clear();
    for (const auto &f : Forms)
        names << QString::fromLatin1(f->Name);
}

void TLocStorage::Clear()
{
    Forms.Clear();
    Units.Clear();
    ExtGroups.Clear();
}

TLinearPropertyList TLocStorage::LinearProperties(bool sorted) const
{
    TLinearPropertyList list;
    for (const auto &form : Forms) {
        for (const auto &p : form->Properties)
            list.Items.push_back(p.get());
        for (const auto &c : form->Components)
            for (const auto &p : c->Properties)
                list.Items.push_back(p.get());
    }
    if (sorted)
        list.SortByID();
    return list;
}

TLinearConstantList TLocStorage::LinearConstants(bool sorted) const
{
    TLinearConstantList list;
    for (const auto &unit : Units)
        for (const auto &c : unit->Constants)
            list.Items.push_back(c.get());
    if (sorted)
        list.SortByID();
    return list;
}

TLinearExternalList TLocStorage::LinearExternals(bool sorted) const
{
    TLinearExternalList list;
    for (const auto &group : ExtGroups)
        for (const auto &i : group->ExternalItems)
            list.Items.push_back(i.get());
    if (sorted)
        list.SortByID();
    return list;
}

} // namespace kelvra
