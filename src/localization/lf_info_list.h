// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace kelvra {

class TLFInfoList;
struct TEmbeddedLanguages;

// One available language: a file in the language folder, or held in the
// program's resources (empty FileName).
struct TLFInfo
{
    bool Native = false;
    TLFInfoList *InfoList = nullptr;
    QString FileName; // without folder
    quint32 Locale = 0;
    QByteArray EnglishName;
    QString LocalizedName;
    bool ShowUntranslatedAsNative = false;
    quint32 Version = 0;
    quint32 Build = 0;

    QString GetFullFileName() const;
    bool GetInResource() const { return FileName.isEmpty(); }
};

// The languages of one folder, sorted by English name (ordinal; equal names
// keep their arrival order).
class TLFInfoList
{
public:
    QString FolderPath; // as passed in
    QString FullPath; // absolute, with a trailing separator

    int Count() const { return int(m_items.size()); }
    const TLFInfo &GetItem(int index) const { return *m_items[size_t(index)]; }
    TLFInfo &GetItem(int index) { return *m_items[size_t(index)]; }
    int Add(const TLFInfo &info);
    void Clear() { m_items.clear(); }
    int IndexByLocale(quint32 locale) const;
    bool IsResLanguage(quint32 locale) const;
    int NativeIndex() const;

    // Reads the headers of "<base>.*.lng" in `folder`, the names matched
    // case-insensitively and taken in sorted order; a file that does not read
    // is left out without a word. Two files of one locale make one entry:
    // the file found last gives FileName, Native, Version, Build and the
    // English name, the first its localized name.
    void Rebuild(const QString &folder, const QString &programBase);
    // Languages of the embedded resource not listed yet, as held in resources;
    // the first of them is the native one.
    void AddEmbedded(const TEmbeddedLanguages &langs);

private:
    std::vector<std::unique_ptr<TLFInfo>> m_items;
};

// The files of `folder` matching "<base>.<middle>.lng" case-insensitively,
// sorted by name; `middle` "*" takes any.
QStringList findLangFiles(
    const QString &folder, const QString &programBase, const QString &middle = QStringLiteral("*"));
// The one file "<base>.<extension>.lng" of `folder` in any case ("" when none;
// the first in sorted order when several differ only in case).
QString findLangFile(const QString &folder, const QString &programBase, const QString &extension);

} // namespace kelvra
