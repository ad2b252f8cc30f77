// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "localization/lf_info_list.h"
#include "localization/loc_storage.h"
#include "localization/res_module.h"

#include <QString>

#include <functional>
#include <memory>

namespace kelvra {

class TLangFile;

enum class TErrorReaction { erException, erMessage, erIgnore };

// A failure a public operation met with erMessage: the window shows it as a
// box titled "Localizer Error".
struct TLocalizerMessage
{
    QString Title;
    QString Text;
};

// The localization controller: the language list of the language folder,
// the native and the chosen language in the store, and which resources
// (the program's own or one language module in the module folder) strings and
// form definitions come from. Windows subscribe to OnRetranslate.
class TKLocalizerOnFly
{
public:
    // `programPath` names the program whose language files and modules are
    // looked for ("<folder>/Kelvra" finds Kelvra.ntv.lng, builds Kelvra.DEU).
    TKLocalizerOnFly(const QString &programPath, TKLocUtils &utils);
    ~TKLocalizerOnFly();
    TKLocalizerOnFly(const TKLocalizerOnFly &) = delete;
    TKLocalizerOnFly &operator=(const TKLocalizerOnFly &) = delete;

    bool Initialization = false;
    bool Initialized = false;
    bool Destroying = false;
    bool DeleteUnusedLDll = false;
    bool ShowUntranslatedAsIs = false;
    quint32 CurrentLocale = 0;
    TLocStorage LocStorage;
    TLFInfoList LangList;
    int LangIndex = 0;
    QString DLLDir;
    QString FullDLLDir;
    TErrorReaction ErrorReaction = TErrorReaction::erMessage;
    quint32 OldLocale = 0;
    bool CheckSync = true;

    std::function<void(const TLocalizerMessage &)> OnMessage;
    std::function<void()> OnRetranslate; // re-translate every open window

    // Each raises ELocOnFlyError (or the layer's errors) as the error reaction says.
    void Init(const QString &langDir = {});
    QString GetLangDir() const { return LangList.FullPath; }
    void SetDLLDir(const QString &dir);
    // 0 is the native language.
    void SwitchTo(quint32 locale);
    // "ntv" and "exe" name the native language.
    void SwitchToExt(const QString &abbreviation);

    quint32 GetNativeLocale() const;
    // The language list's entry of the current language; the native entry
    // while the program's own resources speak.
    int CurrentListIndex() const;
    bool IsRightToLeft() const;
    // The value chosen for the current language shows untranslated items as they stand.
    bool UntranslatedAsIs() const { return ShowUntranslatedAsIs; }

    // A program string by its identifier in the current language, the native
    // text built in when nothing else has it.
    QString rs(quint16 id) const;

    // The store index of a language, loading it when it is not there; -1
    // when it cannot be had.
    int LoadLanguage(quint32 locale);

    TKLocUtils &Utils() { return m_utils; }
    QString NativeFileName() const;
    QString ModuleFileName(quint32 locale) const;

private:
    void guard(const std::function<void()> &operation);
    void doInit(const QString &langDir);
    void setLangDir(const QString &dir);
    void requireInit() const;
    void switchBy(quint32 locale, QString abbreviation);
    void applyFile(TLangFile &file, const QByteArray *embedded);
    const TLFInfo *infoOf(quint32 locale) const;
    QByteArray embeddedData(quint32 locale, bool native) const;
    QString englishName(quint32 locale) const;
    QString folderOfProgram() const;

    QString m_programPath;
    QString m_base;
    TKLocUtils &m_utils;
};

// The start-up switch from the INI's `Language` before any window exists:
// 0 is native; any failure leaves the built-in language and the program
// starts. Returns the message of the failure, empty when none.
QString StartUpSwitch(TKLocalizerOnFly &localizer, int Language);

// The whole start of the localization before any window exists: `Init` with
// the language folder, the data folder (GetDataFolder) for the modules, then
// the switch from `Language`. Nothing here stops the program: a failure
// leaves the built-in language and is returned as a message ("" when none).
QString StartLocalization(TKLocalizerOnFly &localizer, const QString &langDir, int Language);

} // namespace kelvra
