// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

namespace kelvra {

// Value kinds of the binary object stream, by their byte in the stream.
enum class TValueType : quint8 {
    vaNull,
    vaList,
    vaInt8,
    vaInt16,
    vaInt32,
    vaExtended,
    vaString,
    vaIdent,
    vaFalse,
    vaTrue,
    vaBinary,
    vaSet,
    vaLString,
    vaNil,
    vaCollection,
    vaSingle,
    vaCurrency,
    vaDate,
    vaWString,
    vaInt64,
    vaUTF8String,
    vaDouble,
};

struct TFormProperty;
struct TFormCollectionItem;

// One value as it stands in the stream: the field its kind uses holds it.
struct TFormValue
{
    TValueType Type = TValueType::vaNull;
    qint64 Int = 0; // integers; currency as the stream's value times 10000
    double Float = 0; // single, double, date, extended
    QByteArray Bytes; // 8-bit texts, identifiers, binary data
    QString Text; // vaWString
    QList<QByteArray> Set;
    std::vector<TFormValue> List;
    std::vector<TFormCollectionItem> Collection;

    bool isString() const;
    bool isInteger() const;
    bool isFloat() const;
    // A string of any width as text; 8-bit texts by the given code page.
    QString text(int codePage = 1252) const;

    static TFormValue integer(qint64 v); // the narrowest integer kind that holds v
    static TFormValue wideString(const QString &s);
    static TFormValue string8(const QByteArray &s); // vaString or vaLString by length
    static TFormValue ident(const QByteArray &s);
    static TFormValue floating(TValueType type, double v);

    bool operator==(const TFormValue &) const;
};

struct TFormProperty
{
    QByteArray Name; // nested properties are dotted: "Font.Name"
    TFormValue Value;
    bool operator==(const TFormProperty &) const = default;
};

struct TFormCollectionItem
{
    bool HasOrder = false;
    TFormValue Order;
    std::vector<TFormProperty> Properties;
    bool operator==(const TFormCollectionItem &) const = default;
};

inline constexpr quint8 ffInherited = 0x01;
inline constexpr quint8 ffChildPos = 0x02;
inline constexpr quint8 ffInline = 0x04;

struct TFormObject
{
    quint8 Flags = 0;
    qint64 ChildPos = 0; // with ffChildPos
    QByteArray ClassName;
    QByteArray Name;
    std::vector<TFormProperty> Properties;
    std::vector<TFormObject> Children;

    const TFormProperty *property(const QByteArray &name) const;
    bool operator==(const TFormObject &) const = default;
};

// "TPF0", then the root object. Reading checks every length and count and
// limits the nesting depth; damage raises EResourceError.
QByteArray writeFormDefinition(const TFormObject &root);
TFormObject readFormDefinition(const QByteArray &bytes);

// The 10-byte extended float, converted through a double.
QByteArray doubleToExtended(double v);
double extendedToDouble(const char *bytes);

} // namespace kelvra
