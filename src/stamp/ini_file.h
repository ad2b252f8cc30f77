// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stamp/ini_document.h"

#include <QString>

#include <optional>

namespace kelvra {

struct FormatSettings;

// One INI file on disk. Reads never fail: a missing or unreadable file reads
// as empty and every read falls back to its default. A save replaces the
// whole file through a temporary file and a rename, so a crash or a full disk
// never leaves half a file; a file without write permission is never written.
// Keys are set in memory and written together by save().
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

    // Change the document only; save() puts it on disk.
    void setString(const QString &section, const QString &key, const QString &value);
    void setInteger(const QString &section, const QString &key, int value);
    void setBool(const QString &section, const QString &key, bool value);
    void setFloat(const QString &section, const QString &key, double value, const FormatSettings &format);

    // Writes the whole document in one replacement, so a save of many keys
    // lands all of them or none. false when the file system refused or the
    // file is read-only; the file is then as it was.
    bool save() const;

    // One key set and saved; the document is as before when the save fails.
    bool writeString(const QString &section, const QString &key, const QString &value);
    bool writeInteger(const QString &section, const QString &key, int value);

private:
    QString m_path;
    IniDocument m_document;
};

} // namespace kelvra
