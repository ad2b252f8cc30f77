// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/module_settings.h"

#include "localization/byte_io.h"
#include "localization/loc_errors.h"

namespace kelvra {

namespace {

QString invalid()
{
    return QStringLiteral("Invalid settings record");
}

} // namespace

TLibSettings parseLibSettings(const QByteArray &bytes)
{
    TByteReader<EResourceError> r(bytes, invalid());
    TLibSettings s;
    s.Signature = r.bytes(4);
    s.Version = r.i32();
    s.Locale = r.u16();
    s.EnglishName = r.bytes(r.u16());
    s.LocalizedName = r.utf16(r.u16());
    if (r.remaining() >= 8) {
        s.BaseVersion = r.u16();
        s.Reserved = r.u16();
        s.Build = r.u32();
    } else {
        s.Build = 0;
        s.HasBuild = false;
    }
    return s;
}

QByteArray serializeLibSettings(const TLibSettings &s)
{
    TByteWriter<EResourceError> w(QString::fromLatin1(locmsg::CannotSaveDLL));
    w.require(s.Signature.size() == 4);
    w.bytes(s.Signature);
    w.i32(s.Version);
    w.u16(s.Locale);
    w.u16(quint64(s.EnglishName.size()));
    w.bytes(s.EnglishName);
    w.u16(quint64(s.LocalizedName.size()));
    w.utf16(s.LocalizedName);
    w.u16(s.BaseVersion);
    w.u16(s.Reserved);
    w.u32(s.Build);
    w.u8(0);
    return w.out;
}

TDLLInfoItem dllInfoOf(const TLibSettings &s, const QString &fileName)
{
    return { fileName, s.Locale, s.Version, s.EnglishName, s.LocalizedName, s.Build, s.Reserved };
}

TLibSettings programSettings(const char *signature)
{
    TLibSettings s;
    s.Signature = signature;
    s.Version = kResourceVersion;
    s.Locale = 9;
    s.EnglishName = "English";
    s.LocalizedName = QStringLiteral("English");
    s.BaseVersion = kBaseVersionWithoutStore;
    s.Build = 0;
    return s;
}

} // namespace kelvra
