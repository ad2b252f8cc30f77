// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "localization/loc_storage.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

namespace kelvra {

inline constexpr quint16 kLangFileMagic = 0x464C; // "LF"
inline constexpr quint16 kLangFormatVersion = 7;

// The header as it stands in the file.
struct TLangFileHeader
{
    quint16 FormatVersion = kLangFormatVersion;
    qint32 Version = 0;
    quint32 Build = 0;
    quint16 Locale = 0;
    quint16 BasedOnLangID = 0;
    QByteArray LangEnglishName;
    QString LangLocalizedName;
    bool IsNative = false;
    quint16 Attributes = 0x0001;
    qint32 ConstMaxID = 0;
    qint32 PropertyMaxID = 0;
    qint32 ExtItemMaxID = 0;

    bool operator==(const TLangFileHeader &) const = default;
};

// One constant, property or external item record. StringID is a constant's,
// ValueType a property's; the others leave them 0.
struct TLangValueRecord
{
    QByteArray Name;
    quint16 Attributes = 0;
    quint16 StringID = 0;
    qint32 ID = 0;
    TLocValueType ValueType = TLocValueType::ptString;
    QString Value; // numbers as decimal text
    qint32 ValueVersion = 0;
    TDateTime Modified = 0;

    bool operator==(const TLangValueRecord &other) const;
};

// A unit, a form, a form's component or an external group. Items holds its
// constants, properties or external items; Components only a form's.
struct TLangGroupRecord
{
    QByteArray Name;
    quint16 Attributes = 0;
    std::vector<TLangValueRecord> Items;
    std::vector<TLangGroupRecord> Components;

    bool operator==(const TLangGroupRecord &) const = default;
};

struct TLangFileContent
{
    TLangFileHeader Header;
    std::vector<TLangGroupRecord> Units;
    std::vector<TLangGroupRecord> Forms;
    std::vector<TLangGroupRecord> Groups;

    bool operator==(const TLangFileContent &) const = default;
};

// Whether a property of this type has value bytes in a file of this version.
bool valueTypeHasBytes(TLocValueType type, quint16 formatVersion);

// Parsing throws ELangFileError with the file's messages; every length and
// count is checked against what remains before it is used.
// `grow` may append bytes to `plain` when a read runs past its end (a header
// being decompressed as far as it goes).
struct TLangHeaderParse
{
    TLangFileHeader Header;
    qsizetype BodyOffset = 0;
};
TLangHeaderParse parseLangHeader(const QByteArray &plain, const std::function<void(qsizetype)> &grow = {});
TLangFileContent parseLangFile(const QByteArray &plain);

// Throws ELangFileError when a text or count does not fit its length field.
QByteArray serializeLangHeader(const TLangFileHeader &header);
QByteArray serializeLangFile(const TLangFileContent &content);

// Plain or LZK bytes; the header decoded no further than it reaches.
TLangHeaderParse readLangHeader(const QByteArray &fileBytes, bool *compressed = nullptr);
QByteArray plainLangBytes(const QByteArray &fileBytes, bool *compressed = nullptr);

} // namespace kelvra
