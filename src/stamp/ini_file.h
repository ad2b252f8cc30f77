// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stamp/ini_document.h"

#include <QString>

#include <optional>

namespace kelvra {

struct FormatSettings;

// One INI file on disk. Reads never fail: a missing or unreadable file reads
// as empty and every read falls back to its default. Each write replaces the
// whole file through a temporary file and a rename, so a crash or a full disk
// never leaves half a file; a file without write permission is never written.
class IniFile
{
public:
    explicit IniFile(QString path);

    const QString &path() const { return m_path; }

    bool hasSection(const QString &section) const { return m_document.hasSection(section.toStdString()); }
    std::optional<QString> value(const QString &section, const QString &key) const;
    QString readString(const QString &section, const QString &key, const QString &fallback) const;
    int readInteger(const QString &section, const QString &key, int fallback) const;
    bool readBool(const QString &section, const QString &key, bool fallback) const;
    double readFloat(const QString &section, const QString &key, double fallback, const FormatSettings &format) const;

    // false when the file system refused; the file is then as it was.
    bool writeString(const QString &section, const QString &key, const QString &value);
    bool writeInteger(const QString &section, const QString &key, int value);
    bool writeBool(const QString &section, const QString &key, bool value);
    bool writeFloat(const QString &section, const QString &key, double value, const FormatSettings &format);

private:
    QString m_path;
    IniDocument m_document;
};

} // namespace kelvra
