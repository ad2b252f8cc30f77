// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "localization/lang_file_format.h"
#include "localization/loc_storage.h"
#include "platform/file_lock.h"

#include <QString>

#include <memory>

class QIODevice;

namespace kelvra {

// File attribute bits.
inline constexpr quint16 faInMemory = 0x0001;
inline constexpr quint16 faRightToLeft = 0x0002;
inline constexpr quint16 faUntranslatedAsIs = 0x0100;

enum TLFLoadOption : unsigned { loSyncByName = 1, loRepair = 2 };
using TLFLoadOptions = unsigned;

// One language file: its header fields, and loading into / saving from a
// store. Raises ELangFileError (EKCompressError inside LZK). A load that fails
// leaves the store and the header fields as they were; a save that fails
// leaves the old file.
class TLangFile
{
public:
    TLangFile(); // in memory, no file name
    TLangFile(const QString &AFileName, bool AReadOnly);
    ~TLangFile() = default;
    TLangFile(const TLangFile &) = delete;
    TLangFile &operator=(const TLangFile &) = delete;

    quint16 FormatVersion = kLangFormatVersion;
    quint32 Locale = 0;
    qint32 Version = 0;
    QByteArray LangEnglishName;
    QString LangLocalizedName;
    bool IsNative = false;
    QString FileName;
    qint32 ConstMaxID = 0;
    qint32 PropertyMaxID = 0;
    qint32 ExtItemMaxID = 0;
    bool Modified = false;
    quintptr KeyboardLayout = 0; // no keyboard layouts to remember on this platform
    quint16 Attributes = faInMemory;
    quint16 BasedOnLangID = 0;
    quint32 RepLocale = 0;
    bool AskRepLocale = true;
    bool RegisteredDLL = false;
    quint32 Build = 0;
    qint32 LangIndex = -1;
    bool ReadOnly = false;
    bool Compressed = false;
    bool NativeExeMismatch = false;
    QString NativeExeMismatchText;

    qintptr Handle() const { return m_lock.handle(); }

    // The offset of the first body byte in the plain layout.
    qsizetype LoadHeaderFromStream(QIODevice *Stream, bool SkipOnly);
    // Index -1 loads the native file; a translation goes to index 1 or above.
    void Load(TLocStorage *Storage, int Index, TLFLoadOptions Options = 0);
    void LoadFromBytes(const QByteArray &Bytes, TLocStorage *Storage, int Index, TLFLoadOptions Options = 0);

    // Index -1 or 0 saves the native values.
    void Save(TLocStorage *Storage, int Index, bool UpdateItemVersion = false);
    QByteArray SaveToBytes(TLocStorage *Storage, int Index, bool UpdateItemVersion = false);
    void SaveHeader(const QString &AFileName);

    void Lock();
    void Unlock() { m_lock.release(); }
    void IncreaseVersion() { ++Version; }
    bool GetAttribute(quint16 bits) const { return (Attributes & bits) != 0; }
    void SetAttribute(quint16 bits, bool on) { Attributes = on ? (Attributes | bits) : (Attributes & ~bits); }

    TLangFileHeader header() const;
    void setHeader(const TLangFileHeader &header);

private:
    void checkStorage(TLocStorage *Storage, int Index, bool saving) const;
    void apply(const TLangFileContent &content, TLocStorage &storage, int index, TLFLoadOptions options);
    void writeFile(const QString &path, const QByteArray &bytes);

    ExclusiveFileLock m_lock;
};

} // namespace kelvra
