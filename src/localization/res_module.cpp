// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/res_module.h"

#include "localization/codepage.h"
#include "localization/embedded_langs.h"
#include "localization/form_processor.h"
#include "localization/lang_file.h"
#include "localization/loc_errors.h"
#include "platform/atomic_file.h"
#include "platform/file_ops.h"

#include <QFile>
#include <QFileInfo>

namespace kelvra {

namespace {

// Identifiers count down from the top of the table, where no block of the
// toolkit's own lies.
const TProgramString kProgramStrings[] = {
    { 65000, "LocErrors", "SNotInitialized", locmsg::NotInitialized },
    { 65001, "LocErrors", "SPathMissing", locmsg::PathMissing },
    { 65002, "LocErrors", "SLangFileMissing", locmsg::LangFileMissing },
    { 65003, "LocErrors", "SLanguageMissing", locmsg::LanguageMissing },
    { 65004, "LocErrors", "SCannotLoadFromResources", locmsg::CannotLoadFromResources },
    { 65005, "LocErrors", "SInvalidKLangs", locmsg::InvalidKLangs },
    { 65006, "LocErrors", "SCannotDelete", locmsg::CannotDelete },
    { 65007, "LocErrors", "SCannotLoadModule", locmsg::CannotLoadModule },
    { 65008, "LocErrors", "SErrorBoxTitle", locmsg::ErrorBoxTitle },
    { 65009, "LocErrors", "SInvalidFormat", locmsg::InvalidFormat },
    { 65010, "LocErrors", "SNewerFormat", locmsg::NewerFormat },
    { 65011, "LocErrors", "SInvalidNativeDLL", locmsg::InvalidNativeDLL },
    { 65012, "LocErrors", "SCannotSaveDLL", locmsg::CannotSaveDLL },
};

[[noreturn]] void fail(const QString &message)
{
    throw EResourceError(message);
}

} // namespace

std::span<const TProgramString> programStrings()
{
    return kProgramStrings;
}

TResourceSet builtInResources()
{
    TResourceSet set;
    for (const TProgramString &s : kProgramStrings)
        set.Strings.Set(s.ID, QString::fromLatin1(s.Text));
    set.RCData.Put(kExeSettingsName, serializeLibSettings(programSettings(kExeSignature)));
    set.RCData.Put(kLibSettingsName, serializeLibSettings(programSettings(kLibSignature)));
    return set;
}

TResourceSet programResources()
{
    // The build writes the full set (every window's definition, every
    // message) into the program as a Qt resource; a program without it, or
    // with a damaged one, still has the strings built in.
    QFile image(QStringLiteral(":/kelvra/Kelvra.res"));
    if (image.open(QIODevice::ReadOnly)) {
        try {
            TResourceSet set = TPEReader::ReadBytes(image.readAll());
            if (settingsOf(set, true) && settingsOf(set, false))
                return set;
        } catch (const EResourceError &) {
        }
    }
    return builtInResources();
}

QString moduleFileName(const QString &folder, const QString &programBase, quint16 locale)
{
    QString dir = folder;
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir + programBase + QLatin1Char('.') + langFileExtension(locale, false);
}

std::optional<TLibSettings> settingsOf(const TResourceSet &resources, bool library)
{
    const TResRCDataItem *item = resources.RCData.Find(library ? kLibSettingsName : kExeSettingsName);
    if (!item)
        return std::nullopt;
    try {
        return parseLibSettings(item->Data);
    } catch (const EResourceError &) {
        return std::nullopt;
    }
}

TResourceSet buildModuleResources(
    const TResourceSet &base, const TLocStorage &store, int langIndex, TLangFile &file, bool checkSync)
{
    const std::optional<TLibSettings> baseSettings = settingsOf(base, true);
    if (!baseSettings || baseSettings->Signature != kLibSignature)
        fail(QString::fromLatin1(locmsg::InvalidNativeDLL));
    TResourceSet out = base;
    const bool asIs = file.GetAttribute(faUntranslatedAsIs);

    for (const auto &unit : store.Units)
        for (const auto &constant : unit->Constants) {
            if (constant->StringID < 0 || constant->StringID > 0xFFFF || !base.Strings.Has(quint16(constant->StringID)))
                continue;
            const quint16 id = quint16(constant->StringID);
            const QString &native = constant->Values[0].Value();
            if (checkSync && base.Strings.Get(id) != native) {
                file.NativeExeMismatch = true;
                file.NativeExeMismatchText = base.Strings.Get(id) + QStringLiteral("\r\n") + native;
            }
            out.Strings.Set(id, constant->ValueFor(langIndex, asIs).Value());
        }

    if (store.Forms.Count() > 0) {
        TFormTranslation how;
        how.LangIndex = langIndex;
        how.LangID = quint16(file.Locale);
        how.WideStrings = file.GetAttribute(faInMemory);
        how.RightToLeft = file.GetAttribute(faRightToLeft);
        how.UntranslatedAsIs = asIs;
        translateFormDefinitions(out.RCData, store, how);
    }

    out.RCData.Remove(kExeSettingsName);
    out.RCData.Remove(kEmbeddedLangsName);
    TLibSettings s;
    s.Signature = kLibSignature;
    s.Version = baseSettings->Version;
    s.Locale = quint16(file.Locale);
    s.EnglishName = file.LangEnglishName;
    s.LocalizedName = file.LangLocalizedName;
    s.BaseVersion = baseSettings->BaseVersion;
    // Readers skip the reserved word: it keeps the language file's Version, so
    // a module can be told stale by what it was really made from.
    s.Reserved = quint16(file.Version);
    s.Build = file.Build;
    out.RCData.Put(kLibSettingsName, serializeLibSettings(s));
    return out;
}

void CreateLDLL(const TResourceSet &base, const QString &moduleFile, const TLocStorage &store, int langIndex,
    TLangFile &file, bool checkSync)
{
    const QByteArray image = writeResourceImage(buildModuleResources(base, store, langIndex, file, checkSync));
    const std::string_view content(image.constData(), size_t(image.size()));
    if (!writeFileAtomically(nativePath(moduleFile), content, ExistingFile::Update).ok())
        fail(QString::fromLatin1(locmsg::CannotSaveDLL));
}

TKLocUtils::TKLocUtils(TResourceSet own)
    : m_own(std::move(own))
{
    GetCurrentInfo();
}

const TDLLInfoItem &TKLocUtils::GetCurrentInfo()
{
    if (const std::optional<TLibSettings> s = settingsOf(Resources(), true))
        m_info = dllInfoOf(*s, m_moduleFile);
    return m_info;
}

bool TKLocUtils::LoadResource(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        fail(QString::fromLatin1(locmsg::CannotLoadModule).arg(fileName));
    TResourceSet module;
    try {
        module = TPEReader::ReadBytes(file.readAll());
    } catch (const ELocError &) {
        return false; // the data folder is the user's: a damaged module is not ours to trust
    }
    const std::optional<TLibSettings> settings = settingsOf(module, true);
    const std::optional<TLibSettings> own = settingsOf(m_own, false);
    if (!settings || settings->Signature != kLibSignature || !own || settings->Version != own->Version)
        return false;
    m_module = std::move(module);
    m_moduleFile = QFileInfo(fileName).absoluteFilePath();
    GetCurrentInfo();
    return true;
}

void TKLocUtils::BackToExe()
{
    m_module.reset();
    m_moduleFile.clear();
    GetCurrentInfo();
}

QString TKLocUtils::LoadStr(quint16 id, const QString &native) const
{
    const QString s = Resources().Strings.Get(id);
    return s.isEmpty() ? native : s;
}

QByteArray TKLocUtils::FormDefinition(const QByteArray &className) const
{
    const TResRCDataItem *item = Resources().RCData.Find(className.toUpper());
    return item ? item->Data : QByteArray();
}

} // namespace kelvra
