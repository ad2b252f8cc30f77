// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/lf_info_list.h"

#include "localization/embedded_langs.h"
#include "localization/lang_file.h"
#include "localization/loc_errors.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace kelvra {

QString TLFInfo::GetFullFileName() const
{
    if (FileName.isEmpty() || !InfoList)
        return FileName;
    return InfoList->FullPath + FileName;
}

int TLFInfoList::Add(const TLFInfo &info)
{
    const auto at = std::find_if(m_items.begin(), m_items.end(),
        [&](const std::unique_ptr<TLFInfo> &item) { return item->EnglishName > info.EnglishName; });
    auto it = m_items.insert(at, std::make_unique<TLFInfo>(info));
    (*it)->InfoList = this;
    return int(it - m_items.begin());
}

int TLFInfoList::IndexByLocale(quint32 locale) const
{
    for (int i = 0; i < Count(); ++i)
        if (GetItem(i).Locale == locale)
            return i;
    return -1;
}

bool TLFInfoList::IsResLanguage(quint32 locale) const
{
    const int i = IndexByLocale(locale);
    return i >= 0 && GetItem(i).GetInResource();
}

int TLFInfoList::NativeIndex() const
{
    for (int i = 0; i < Count(); ++i)
        if (GetItem(i).Native)
            return i;
    return -1;
}

QStringList findLangFiles(const QString &folder, const QString &programBase, const QString &middle)
{
    const QString pattern = QRegularExpression::escape(programBase) + QStringLiteral("\\.")
        + (middle == QStringLiteral("*") ? QStringLiteral("[^/]*") : QRegularExpression::escape(middle))
        + QStringLiteral("\\.lng");
    const QRegularExpression match(
        QRegularExpression::anchoredPattern(pattern), QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Readable | QDir::Hidden);
    for (const QString &name : entries)
        if (match.match(name).hasMatch())
            names.push_back(name);
    // Ordinal order, so every machine finds the same file last.
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

QString findLangFile(const QString &folder, const QString &programBase, const QString &extension)
{
    const QStringList names = findLangFiles(folder, programBase, extension);
    return names.isEmpty() ? QString() : names.front();
}

void TLFInfoList::Rebuild(const QString &folder, const QString &programBase)
{
    Clear();
    FolderPath = folder;
    FullPath = QDir(folder).absolutePath();
    if (!FullPath.endsWith(QLatin1Char('/')))
        FullPath += QLatin1Char('/');
    for (const QString &name : findLangFiles(FullPath, programBase)) {
        TLangFileHeader header;
        try {
            QFile file(FullPath + name);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            header = readLangHeader(file.readAll()).Header;
        } catch (const ELocError &) {
            continue;
        }
        int at = IndexByLocale(header.Locale);
        if (at < 0) {
            TLFInfo info;
            info.Locale = header.Locale;
            info.EnglishName = header.LangEnglishName;
            info.LocalizedName = header.LangLocalizedName;
            at = Add(info);
        } else if (GetItem(at).EnglishName != header.LangEnglishName) {
            // A new English name moves the entry to its sorted place.
            TLFInfo info = GetItem(at);
            info.EnglishName = header.LangEnglishName;
            m_items.erase(m_items.begin() + at);
            at = Add(info);
        }
        TLFInfo &info = GetItem(at);
        info.FileName = name;
        info.Native = header.IsNative;
        info.Version = quint32(header.Version);
        info.Build = header.Build;
        info.ShowUntranslatedAsNative = !(header.Attributes & faUntranslatedAsIs);
    }
}

void TLFInfoList::AddEmbedded(const TEmbeddedLanguages &langs)
{
    for (size_t i = 0; i < langs.Languages.size(); ++i) {
        const TEmbeddedLanguage &lang = langs.Languages[i];
        if (IndexByLocale(lang.Locale) >= 0)
            continue;
        TLFInfo info;
        info.Native = i == 0;
        info.Locale = lang.Locale;
        info.EnglishName = lang.EnglishName;
        info.LocalizedName = lang.LocalizedName;
        info.Version = lang.Version;
        info.Build = lang.Build;
        Add(info);
    }
}

} // namespace kelvra
