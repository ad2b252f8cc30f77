// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace kelvra {

enum class TLocValueType : quint8 {
    ptFloat,
    ptInteger,
    ptString,
    ptList,
    ptStringList,
    ptBinary,
    ptEnumValue,
    ptSet,
    ptBigInt,
};
inline constexpr unsigned kLocValueTypeCount = 9;

using TDateTime = double;

// The shortest decimal text that reads back as the same double ("-0" keeps its sign).
QString floatToText(double value);

// Value attribute bits with an effect.
inline constexpr quint16 vaNeverApply = 0x0008;
inline constexpr quint16 vaCurrent = 0x0100;
inline constexpr quint16 vaNotInDefinition = 0x0010;
inline constexpr quint16 caKeepCharset = 0x0004;

class TLocStorage;
class TLocValueList;

class TLocValue
{
public:
    explicit TLocValue(TLocValueList *list)
        : ValueList(list)
    {
    }

    TLocValueList *ValueList;
    TDateTime Modified = 0;
    qint32 ValueVersion = -1;
    quint16 Attributes = 0;
    quint16 LangID = 0;

    const QString &Value() const { return m_value; }
    // Setting the native value also sets every language value never translated.
    void SetValue(const QString &value);
    QStringList AsStrings() const;
    qint32 GetAsInteger() const;
    void SetAsInteger(qint32 value);
    double GetAsFloat() const;
    void SetAsFloat(double value);
    qint64 GetAsBigInt() const;
    void SetAsBigInt(qint64 value);
    // Through the code page of the value's language.
    QByteArray GetAsAnsiString() const;
    void SetAsAnsiString(const QByteArray &bytes);
    QByteArray GetAsUtf8() const { return m_value.toUtf8(); }
    void SetAsUtf8(const QByteArray &bytes) { SetValue(QString::fromUtf8(bytes)); }
    bool IsEqualTo(const TLocValue &other) const { return CompareWith(other) == 0; }
    // Numbers compare as numbers, texts in the order of the value's language.
    int CompareWith(const TLocValue &other) const;
    bool GetIsTranslated() const;
    bool GetAttribute(quint16 bits) const { return (Attributes & bits) != 0; }
    void SetAttribute(quint16 bits, bool on) { Attributes = on ? (Attributes | bits) : (Attributes & ~bits); }

private:
    QString m_value;
};

// Item 0 is the native value, item i the value of the store's language i.
class TLocValueList
{
public:
    TLocValueType ValueType = TLocValueType::ptString;

    int Count() const { return int(m_values.size()); }
    TLocValue &operator[](int index) { return *m_values[size_t(index)]; }
    const TLocValue &operator[](int index) const { return *m_values[size_t(index)]; }
    TLocValue &Add();
    void Delete(int index);

private:
    std::vector<std::unique_ptr<TLocValue>> m_values;
};

class TNamedItem
{
public:
    explicit TNamedItem(const QByteArray &name)
        : Name(name)
    {
    }
    virtual ~TNamedItem() = default;
    QByteArray Name; // 8-bit, kept as the file's bytes
    bool Used = false;
    virtual void Mark(bool AUsed) { Used = AUsed; }
};

// A list kept sorted by name, case-insensitive unless switched; the last item
// found is tried first, as lookups tend to repeat.
template<class T> class TNamedItemList
{
public:
    bool CaseSensitive = false;

    int Count() const { return int(m_items.size()); }
    T *operator[](int index) const { return m_items[size_t(index)].get(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

    T *Find(const QByteArray &name) const
    {
        if (m_last >= 0 && m_last < Count() && compare(m_items[size_t(m_last)]->Name, name) == 0)
            return m_items[size_t(m_last)].get();
        bool found = false;
        const int at = lowerBound(name, found);
        if (!found)
            return nullptr;
        m_last = at;
        return m_items[size_t(at)].get();
    }
    // The existing item of that name, or a new one made by `make` at its sorted place.
    template<class Make> T *Add(const QByteArray &name, Make make)
    {
        if (T *item = Find(name))
            return item;
        bool found = false;
        const int at = lowerBound(name, found);
        m_items.insert(m_items.begin() + at, make());
        m_last = at;
        return m_items[size_t(at)].get();
    }
    void Clear()
    {
        m_items.clear();
        m_last = -1;
    }

private:
    int compare(const QByteArray &a, const QByteArray &b) const
    {
        return a.compare(b, CaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
    }
    int lowerBound(const QByteArray &name, bool &found) const
    {
        int lo = 0;
        int hi = Count();
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            if (compare(m_items[size_t(mid)]->Name, name) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        found = lo < Count() && compare(m_items[size_t(lo)]->Name, name) == 0;
        return lo;
    }

    std::vector<std::unique_ptr<T>> m_items;
    mutable int m_last = -1;
};

class TLocItem : public TNamedItem
{
public:
    TLocItem(const QByteArray &name, qint32 id, TLocStorage *storage);
    qint32 ID;
    TLocStorage *LocStorage;
    TLocValueList Values;

    virtual int CurrentValueIndex() const { return 0; }
    virtual QByteArray GetFullName(char delimiter) const = 0;
    // The value to show for a language by the store's choice rule.
    const TLocValue &ValueFor(int langIndex, bool untranslatedAsIs) const;
};

class TLocComponent;
class TLocForm;
class TLocUnit;
class TLocExtGroup;

class TLocProperty : public TLocItem
{
public:
    TLocProperty(const QByteArray &name, qint32 id, TLocStorage *storage, TLocComponent *parent)
        : TLocItem(name, id, storage)
        , Parent(parent)
    {
    }
    TLocComponent *Parent;
    int CurrentValueIndex() const override;
    QByteArray GetFullName(char delimiter) const override;
};

class TLocConstant : public TLocItem
{
public:
    TLocConstant(const QByteArray &name, qint32 id, TLocStorage *storage, TLocUnit *parent)
        : TLocItem(name, id, storage)
        , Parent(parent)
    {
    }
    TLocUnit *Parent;
    qint32 StringID = 0;
    QByteArray GetFullName(char delimiter) const override;
};

class TLocExtItem : public TLocItem
{
public:
    TLocExtItem(const QByteArray &name, qint32 id, TLocStorage *storage, TLocExtGroup *parent)
        : TLocItem(name, id, storage)
        , Parent(parent)
    {
    }
    TLocExtGroup *Parent;
    QByteArray GetFullName(char delimiter) const override;
};

class TLocComponent : public TNamedItem
{
public:
    TLocComponent(const QByteArray &name, TLocForm *parent)
        : TNamedItem(name)
        , Parent(parent)
    {
    }
    TLocForm *Parent;
    TNamedItemList<TLocProperty> Properties;
    quint16 Attributes = 0;
    void Mark(bool AUsed) override;
};

class TLocForm : public TLocComponent
{
public:
    TLocForm(const QByteArray &name, TLocStorage *storage)
        : TLocComponent(name, nullptr)
        , LocStorage(storage)
    {
    }
    TLocStorage *LocStorage;
    TNamedItemList<TLocComponent> Components;
    void Mark(bool AUsed) override;
};

class TLocUnit : public TNamedItem
{
public:
    TLocUnit(const QByteArray &name, TLocStorage *storage)
        : TNamedItem(name)
        , LocStorage(storage)
    {
    }
    TNamedItemList<TLocConstant> Constants;
    quint16 Attributes = 0;
    TLocStorage *LocStorage;
    void Mark(bool AUsed) override;
};

class TLocExtGroup : public TNamedItem
{
public:
    TLocExtGroup(const QByteArray &name, TLocStorage *storage)
        : TNamedItem(name)
        , LocStorage(storage)
    {
    }
    TNamedItemList<TLocExtItem> ExternalItems;
    quint16 Attributes = 0;
    TLocStorage *LocStorage;
    void Mark(bool AUsed) override;
};

// Every item of one kind, optionally sorted by ID for binary search; built once
// per load to match file records by ID.
template<class T> class TLinearList
{
public:
    std::vector<T *> Items;
    bool Sorted = false;

    void SortByID();
    T *FindByID(qint32 id) const;
};
using TLinearPropertyList = TLinearList<TLocProperty>;
using TLinearConstantList = TLinearList<TLocConstant>;
using TLinearExternalList = TLinearList<TLocExtItem>;

class TLocStorage
{
public:
    TLocStorage() = default;
    TLocStorage(const TLocStorage &) = delete;
    TLocStorage &operator=(const TLocStorage &) = delete;

    TNamedItemList<TLocForm> Forms;
    TNamedItemList<TLocUnit> Units;
    TNamedItemList<TLocExtGroup> ExtGroups;
    quint16 MainLangID = 0;
    qint32 CurLangIndex = 0;
    std::vector<quint16> Locales; // index 0 is the native language
    qint32 MaxPropID = 0;
    qint32 MaxConstID = 0;
    qint32 MaxExtItemID = 0;

    int AddLanguage(int baseIndex, quint16 langID);
    void RemoveLanguage(int index);
    void SetLanguageLangID(int index, quint16 langID);
    void SetMainLangID(quint16 langID);
    int GetLangCount() const { return int(Locales.size()); }
    quint16 GetLocale(int index) const;
    int IndexOfLocale(quint16 locale) const;
    // Same primary language (the low 10 bits); a primary-only identifier finds any sub-language.
    int IndexOfLanguage(quint16 langID) const;

    TLocProperty *AddProperty(
        qint32 id, const QByteArray &form, const QByteArray &component, const QByteArray &propName, TLocValueType type);
    TLocConstant *AddConstant(qint32 id, const QByteArray &unit, const QByteArray &constName, qint32 stringID);
    TLocExtItem *AddExternalItem(qint32 id, const QByteArray &group, const QByteArray &itemName);

    // A component name that is empty addresses the form's own properties.
    TLocProperty *FindProperty(const QByteArray &form, const QByteArray &component, const QByteArray &propName) const;
    TLocProperty *FindPropByIntID(qint32 id) const;
    TLocConstant *FindConstant(const QByteArray &unit, const QByteArray &constName) const;
    TLocConstant *FindConstByID(qint32 stringID) const { return FindConstByIDEx(stringID, true); }
    TLocConstant *FindConstByIDEx(qint32 stringID, bool includeRC) const;
    TLocConstant *FindConstByIntID(qint32 id) const;
    TLocConstant *FindConstByValue(const QString &value) const { return FindConstByValueEx(value, true); }
    TLocConstant *FindConstByValueEx(const QString &value, bool includeRC) const;
    TLocExtItem *FindExtItem(const QByteArray &group, const QByteArray &itemName) const;
    TLocExtItem *FindExtItemByID(qint32 id) const;
    TLocExtItem *FindExtItemOnlyByName(const QByteArray &itemName) const;
    TLocExtItem *FindExtItemByValue(const QString &value) const;

    void MarkAll(bool used);
    void GetFormNames(QStringList &names) const;
    void Clear(); // items only; the languages stay

    TLinearPropertyList LinearProperties(bool sorted) const;
    TLinearConstantList LinearConstants(bool sorted) const;
    TLinearExternalList LinearExternals(bool sorted) const;

private:
    void addValues(TLocItem &item);
};

} // namespace kelvra
