// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace kelvra {

inline constexpr char kLibSettingsName[] = "QVT_LIBSETTINGS_";
inline constexpr char kExeSettingsName[] = "QVT_EXESETTINGS_";
inline constexpr char kLibSignature[] = "LDLL";
inline constexpr char kExeSignature[] = "KEXE";
inline constexpr qint32 kResourceVersion = 606;
inline constexpr quint16 kBaseVersionWithoutStore = 6;

// The record that stamps a module (or the program's own resources) with its
// language, resource version and the build of the language file it came from.
struct TLibSettings
{
    QByteArray Signature = kLibSignature;
    qint32 Version = kResourceVersion;
    quint16 Locale = 0;
    QByteArray EnglishName;
    QString LocalizedName;
    quint16 BaseVersion = kBaseVersionWithoutStore;
    quint16 Reserved = 0;
    quint32 Build = 0;
    bool HasBuild = true; // false when a short record ends after the names

    bool operator==(const TLibSettings &) const = default;
};

// What is known of a module.
struct TDLLInfoItem
{
    QString FileName;
    quint16 Locale = 0;
    qint32 Version = 0;
    QByteArray EnglishName;
    QString LocalizedName;
    quint32 LFBuild = 0;
    quint16 LFVersion = 0; // the language file's Version, kept in the reserved word
};

// Both raise EResourceError. Every length is checked against the bytes that
// are there; the build is read only when its 8 bytes follow the names.
TLibSettings parseLibSettings(const QByteArray &bytes);
QByteArray serializeLibSettings(const TLibSettings &settings);
TDLLInfoItem dllInfoOf(const TLibSettings &settings, const QString &fileName = {});

// The program's own record: English, locale 9, version 606, build 0.
TLibSettings programSettings(const char *signature);

} // namespace kelvra
