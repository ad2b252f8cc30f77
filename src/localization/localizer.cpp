// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/localizer.h"

#include "localization/codepage.h"
#include "localization/embedded_langs.h"
#include "localization/lang_file.h"
#include "localization/loc_errors.h"
#include "platform/data_folder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kelvra {

namespace {

[[noreturn]] void fail(const char *message, const QString &arg = {})
{
    QString text = QString::fromLatin1(message);
    if (text.contains(QLatin1String("%1")))
        text = text.arg(arg);
    throw ELocOnFlyError(text);
}

const QString kNative = QStringLiteral("ntv");

// Loads the module built for file when another is active; true when the
// active module was made from this very file, so it need not be built again.
bool moduleUpToDate(TKLocUtils &utils, const QString &module, const TLangFile &file)
{
    if (!module.isEmpty() && utils.GetCurrentInfo().Locale != file.Locale && QFileInfo::exists(module)) {
        try {
            utils.LoadResource(module);
        } catch (const ELocError &) {
        }
    }
    const TDLLInfoItem &info = utils.GetCurrentInfo();
    if (!utils.ModuleActive() || info.Locale != file.Locale)
        return false;
    // Judged by what the module was really made from: the file's Build and Version.
    if (info.LFBuild == file.Build && info.LFVersion == quint16(file.Version))
        return true;
    utils.BackToExe();
    return false;
}

// Adds a language to the store from file (or its embedded bytes); the store
// is as before when the file fails to load.
int addToStore(TLocStorage &store, TLangFile &file, const QByteArray *embedded, quint32 locale)
{
    const int index = store.AddLanguage(0, quint16(locale));
    try {
        if (embedded)
            file.LoadFromBytes(*embedded, &store, index);
        else
            file.Load(&store, index);
    } catch (...) {
        store.RemoveLanguage(index);
        throw;
    }
    return index;
}

} // namespace

TKLocalizerOnFly::TKLocalizerOnFly(const QString &programPath, TKLocUtils &utils)
    : m_programPath(QFileInfo(programPath).absoluteFilePath())
    , m_base(QFileInfo(programPath).completeBaseName())
    , m_utils(utils)
{
}

TKLocalizerOnFly::~TKLocalizerOnFly()
{
    Destroying = true;
    if (Initialized && DeleteUnusedLDll) {
        ErrorReaction = TErrorReaction::erIgnore;
        SwitchTo(0);
    }
}

QString TKLocalizerOnFly::folderOfProgram() const
{
    return QFileInfo(m_programPath).absolutePath();
}

void TKLocalizerOnFly::guard(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const ELocError &e) {
        switch (ErrorReaction) {
        case TErrorReaction::erException:
            throw;
        case TErrorReaction::erMessage:
            if (OnMessage)
                OnMessage({ QString::fromLatin1(locmsg::ErrorBoxTitle), e.message() });
            break;
        case TErrorReaction::erIgnore:
            break;
        }
    }
}

void TKLocalizerOnFly::requireInit() const
{
    if (!Initialized)
        fail(locmsg::NotInitialized);
}

void TKLocalizerOnFly::setLangDir(const QString &dir)
{
    const QString full = QDir::cleanPath(QDir(folderOfProgram()).absoluteFilePath(dir));
    if (!QFileInfo(full).isDir())
        fail(locmsg::PathMissing, full);
    QString chosen = full;
    if (findLangFile(full, m_base, kNative).isEmpty()) {
        const QString up = QDir::cleanPath(full + QStringLiteral("/../.."));
        if (!findLangFile(up, m_base, kNative).isEmpty())
            chosen = up;
    }
    LangList.Rebuild(chosen, m_base);
    LangList.FolderPath = dir;
}

void TKLocalizerOnFly::SetDLLDir(const QString &dir)
{
    guard([&] {
        const QString full = QDir::cleanPath(QDir(folderOfProgram()).absoluteFilePath(dir));
        if (!QFileInfo(full).isDir())
            fail(locmsg::PathMissing, full);
        DLLDir = dir;
        FullDLLDir = full;
    });
}

QString TKLocalizerOnFly::NativeFileName() const
{
    const QString found = findLangFile(LangList.FullPath, m_base, kNative);
    return LangList.FullPath + (found.isEmpty() ? m_base + QStringLiteral(".ntv.lng") : found);
}

QString TKLocalizerOnFly::ModuleFileName(quint32 locale) const
{
    const std::optional<TLibSettings> own = settingsOf(m_utils.ProgramResources(), false);
    if (locale == 0 || locale == GetNativeLocale() || (own && locale == own->Locale))
        return {};
    return moduleFileName(FullDLLDir.isEmpty() ? folderOfProgram() : FullDLLDir, m_base, quint16(locale));
}

void TKLocalizerOnFly::Init(const QString &langDir)
{
    guard([&] { doInit(langDir); });
}

void TKLocalizerOnFly::doInit(const QString &langDir)
{
    Initialization = true;
    struct Done
    {
        bool &flag;
        ~Done() { flag = false; }
    } done { Initialization };

    setLangDir(langDir.isEmpty() ? folderOfProgram() : langDir);
    bool haveNative = false;
    const QString nativeName = findLangFile(LangList.FullPath, m_base, kNative);
    if (!nativeName.isEmpty()) {
        TLangFile file(LangList.FullPath + nativeName, true);
        file.Load(&LocStorage, -1);
        CheckSync = primaryLanguage(quint16(file.Locale)) == 9;
        haveNative = true;
    }
    if (const TResRCDataItem *item = m_utils.ProgramResources().RCData.Find(kEmbeddedLangsName)) {
        const TEmbeddedLanguages langs = parseEmbeddedLanguages(item->Data);
        LangList.AddEmbedded(langs);
        if (!haveNative && !langs.Languages.empty()) {
            TLangFile file;
            file.LoadFromBytes(langs.Languages.front().Data, &LocStorage, -1);
            haveNative = true;
        }
    }
    if (!haveNative)
        fail(locmsg::LangFileMissing, NativeFileName());
    CurrentLocale = m_utils.GetCurrentInfo().Locale;
    LangIndex = std::max(0, LoadLanguage(CurrentLocale));
    LocStorage.CurLangIndex = LangIndex;
    Initialized = true;
}

quint32 TKLocalizerOnFly::GetNativeLocale() const
{
    const int native = LangList.NativeIndex();
    return native < 0 ? 0 : LangList.GetItem(native).Locale;
}

int TKLocalizerOnFly::CurrentListIndex() const
{
    const int exact = LangList.IndexByLocale(CurrentLocale);
    if (exact >= 0)
        return exact;
    // The program's own resources name their language by its primary identifier only.
    if (!m_utils.ModuleActive() || CurrentLocale == GetNativeLocale())
        return LangList.NativeIndex();
    return -1;
}

bool TKLocalizerOnFly::IsRightToLeft() const
{
    const int index = LocStorage.IndexOfLocale(quint16(CurrentLocale));
    const quint16 locale = quint16(index >= 0 ? LocStorage.GetLocale(index) : CurrentLocale);
    switch (primaryLanguage(locale)) {
    case 1:
    case 13:
    case 30:
    case 32:
    case 41:
        return true;
    default:
        return false;
    }
}

const TLFInfo *TKLocalizerOnFly::infoOf(quint32 locale) const
{
    const int i = LangList.IndexByLocale(locale);
    return i < 0 ? nullptr : &LangList.GetItem(i);
}

QString TKLocalizerOnFly::englishName(quint32 locale) const
{
    const TLFInfo *info = infoOf(locale);
    if (info && !info->EnglishName.isEmpty())
        return QString::fromLatin1(info->EnglishName);
    return locale ? QLocale::languageToString(localeOfLangID(quint16(locale)).language()) : QString();
}

QByteArray TKLocalizerOnFly::embeddedData(quint32 locale, bool native) const
{
    const TResRCDataItem *item = m_utils.ProgramResources().RCData.Find(kEmbeddedLangsName);
    if (!item)
        return {};
    const TEmbeddedLanguages langs = parseEmbeddedLanguages(item->Data);
    for (size_t i = 0; i < langs.Languages.size(); ++i)
        if ((native && i == 0) || (!native && langs.Languages[i].Locale == locale))
            return langs.Languages[i].Data;
    return {};
}

int TKLocalizerOnFly::LoadLanguage(quint32 locale)
{
    if (LocStorage.GetLangCount() == 0)
        return -1;
    const int have = LocStorage.IndexOfLocale(quint16(locale));
    if (have >= 0)
        return have;
    const std::optional<TLibSettings> own = settingsOf(m_utils.ProgramResources(), false);
    if (locale == 0 || locale == GetNativeLocale() || (own && locale == own->Locale))
        return 0;
    auto load = [&](TLangFile &file, const QByteArray *bytes) {
        const int index = addToStore(LocStorage, file, bytes, locale);
        ShowUntranslatedAsIs = file.GetAttribute(faUntranslatedAsIs);
        return index;
    };
    const QString name = findLangFile(LangList.FullPath, m_base, langFileExtension(quint16(locale), false));
    if (!name.isEmpty()) {
        TLangFile file(LangList.FullPath + name, true);
        return load(file, nullptr);
    }
    const QByteArray data = embeddedData(locale, false);
    if (!data.isEmpty()) {
        TLangFile file;
        return load(file, &data);
    }
    return -1;
}

void TKLocalizerOnFly::SwitchTo(quint32 locale)
{
    guard([&] {
        requireInit();
        // 0 is the native language, whatever the list holds.
        if (locale == 0 || locale == GetNativeLocale()) {
            switchBy(GetNativeLocale(), kNative);
            return;
        }
        switchBy(locale, langFileExtension(quint16(locale), false));
    });
}

void TKLocalizerOnFly::SwitchToExt(const QString &abbreviation)
{
    guard([&] {
        requireInit();
        if (abbreviation.compare(kNative, Qt::CaseInsensitive) == 0
            || abbreviation.compare(QLatin1String("exe"), Qt::CaseInsensitive) == 0) {
            switchBy(GetNativeLocale(), kNative);
            return;
        }
        switchBy(langIDOfAbbreviation(abbreviation), abbreviation);
    });
}

void TKLocalizerOnFly::switchBy(quint32 locale, QString abbreviation)
{
    OldLocale = CurrentLocale;
    QString name = findLangFile(LangList.FullPath, m_base, abbreviation);
    const bool native = locale == GetNativeLocale();
    bool fromResources = false;
    if (name.isEmpty()) {
        if (LangList.IsResLanguage(locale))
            fromResources = true;
        else if (native && abbreviation != kNative)
            name = findLangFile(LangList.FullPath, m_base, kNative);
        if (name.isEmpty() && !fromResources)
            fail(locmsg::LanguageMissing, englishName(locale));
    }
    if (!fromResources) {
        const QString path = LangList.FullPath + name;
        if (!QFileInfo::exists(path))
            fail(locmsg::LangFileMissing, path);
        TLangFile file(path, true);
        applyFile(file, nullptr);
    } else {
        QByteArray data;
        TLangFile file;
        try {
            data = embeddedData(locale, native);
            QBuffer buffer(&data);
            buffer.open(QIODevice::ReadOnly);
            file.LoadHeaderFromStream(&buffer, false);
        } catch (const ELocError &) {
            fail(locmsg::CannotLoadFromResources, englishName(locale));
        }
        if (data.isEmpty())
            fail(locmsg::CannotLoadFromResources, englishName(locale));
        applyFile(file, &data);
    }
    // The module now in use is never the one deleted.
    if (DeleteUnusedLDll && OldLocale != CurrentLocale) {
        const QString old = ModuleFileName(OldLocale);
        if (!old.isEmpty() && QFileInfo(old).absoluteFilePath() != m_utils.ModuleFile())
            QFile::remove(old);
    }
}

void TKLocalizerOnFly::applyFile(TLangFile &file, const QByteArray *embedded)
{
    const quint32 fileLocale = file.Locale;
    const bool native = file.IsNative || fileLocale == GetNativeLocale();
    const QString module = native ? QString() : ModuleFileName(fileLocale);
    const bool upToDate = moduleUpToDate(m_utils, module, file);
    ShowUntranslatedAsIs = file.GetAttribute(faUntranslatedAsIs);

    int index = native ? 0 : LocStorage.IndexOfLocale(quint16(fileLocale));
    if (index < 0 && !(upToDate && Initialization))
        index = addToStore(LocStorage, file, embedded, fileLocale);

    if (!upToDate && native) {
        m_utils.BackToExe();
    } else if (!upToDate) {
        if (QFileInfo::exists(module) && !QFile::remove(module))
            fail(locmsg::CannotDelete, module);
        // The native module, or else the program's own resources, is the new module's base.
        const QString nativeModule = LangList.FullPath + m_base + QStringLiteral(".ntv");
        TResourceSet base;
        if (QFileInfo::exists(nativeModule)) {
            base = TPEReader::ReadFile(nativeModule);
        } else {
            m_utils.BackToExe();
            base = m_utils.ProgramResources();
        }
        CreateLDLL(base, module, LocStorage, index, file, CheckSync);
        if (!m_utils.LoadResource(module))
            fail(locmsg::CannotLoadModule, module);
    }
    if (Destroying)
        return;
    LangIndex = std::max(0, index);
    LocStorage.CurLangIndex = LangIndex;
    CurrentLocale = m_utils.GetCurrentInfo().Locale;
    if (OnRetranslate)
        OnRetranslate();
}

QString TKLocalizerOnFly::rs(quint16 id) const
{
    if (m_utils.ModuleActive()) {
        const QString s = m_utils.Resources().Strings.Get(id);
        if (!s.isEmpty())
            return s;
    }
    if (const TLocConstant *c = LocStorage.FindConstByID(id)) {
        const QString v = c->ValueFor(LangIndex, ShowUntranslatedAsIs).Value();
        if (!v.isEmpty())
            return v;
    }
    const QString own = m_utils.ProgramResources().Strings.Get(id);
    if (!own.isEmpty())
        return own;
    for (const TProgramString &s : programStrings())
        if (s.ID == id)
            return QString::fromLatin1(s.Text);
    return {};
}

QString StartUpSwitch(TKLocalizerOnFly &localizer, int Language)
{
    const TErrorReaction saved = localizer.ErrorReaction;
    localizer.ErrorReaction = TErrorReaction::erException;
    QString failure;
    try {
        localizer.SwitchTo(Language < 0 ? 0 : quint32(Language));
    } catch (const ELocError &e) {
        failure = e.message();
        localizer.Utils().BackToExe();
        localizer.LangIndex = 0;
        localizer.LocStorage.CurLangIndex = 0;
        localizer.CurrentLocale = localizer.Utils().GetCurrentInfo().Locale;
    }
    localizer.ErrorReaction = saved;
    return failure;
}

QString StartLocalization(TKLocalizerOnFly &localizer, const QString &langDir, int Language)
{
    const TErrorReaction saved = localizer.ErrorReaction;
    localizer.ErrorReaction = TErrorReaction::erException;
    QString failure;
    try {
        localizer.Init(langDir);
        localizer.SetDLLDir(GetDataFolder());
    } catch (const ELocError &e) {
        failure = e.message();
    }
    localizer.ErrorReaction = saved;
    if (!failure.isEmpty() || !localizer.Initialized)
        return failure;
    return StartUpSwitch(localizer, Language);
}

} // namespace kelvra
