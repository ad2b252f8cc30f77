// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "localization/module_settings.h"
#include "localization/res_image.h"

#include <QString>

#include <optional>
#include <span>

namespace kelvra {

class TLangFile;
class TLocStorage;

// A string constant of the program: its string-table identifier and the
// native text built in, so a look-up never comes back empty.
struct TProgramString
{
    quint16 ID;
    const char *Unit;
    const char *Name;
    const char *Text;
};
std::span<const TProgramString> programStrings();

// The program's own resources: its string table, its form definitions and
// both settings items ("KEXE" and "LDLL").
TResourceSet programResources();
// Only what the code carries: the localizer's strings and the settings items.
TResourceSet builtInResources();

// "<folder>/<program base>.<abbreviation>", the abbreviation as a language file's.
QString moduleFileName(const QString &folder, const QString &programBase, quint16 locale);

// A module's resources for the language loaded at `langIndex` from `file`,
// built from `base` (a native module or the program's own resources). A
// string whose table text differs from the native value is recorded in the
// file's mismatch fields when `checkSync` is set. Raises EResourceError.
TResourceSet buildModuleResources(
    const TResourceSet &base, const TLocStorage &store, int langIndex, TLangFile &file, bool checkSync);
// The same, written to `moduleFile` as a resource image; the old file stays
// when writing fails.
void CreateLDLL(const TResourceSet &base, const QString &moduleFile, const TLocStorage &store, int langIndex,
    TLangFile &file, bool checkSync);

// The settings record of a resource set, the library's or the program's;
// nothing when it is missing or does not read.
std::optional<TLibSettings> settingsOf(const TResourceSet &resources, bool library);

// Which resources the program takes strings and form definitions from: its
// own, or one loaded module.
class TKLocUtils
{
public:
    explicit TKLocUtils(TResourceSet own = programResources());

    const TResourceSet &Resources() const { return m_module ? *m_module : m_own; }
    const TResourceSet &ProgramResources() const { return m_own; }
    bool ModuleActive() const { return m_module.has_value(); }
    const QString &ModuleFile() const { return m_moduleFile; }

    // The active source's library settings; a source without readable ones
    // leaves the previous information.
    const TDLLInfoItem &GetCurrentInfo();

    // Makes the module the source when its settings carry the program's
    // resource version; a damaged module, or one of another version, is
    // refused (false) and the active source stays. A file that cannot be read
    // raises "Error loading resource file".
    bool LoadResource(const QString &fileName);
    void BackToExe();

    // The active source's string, else the native text.
    QString LoadStr(quint16 id, const QString &native = {}) const;
    // The active source's definition of a form class ("TForm1"), empty when it has none.
    QByteArray FormDefinition(const QByteArray &className) const;

private:
    TResourceSet m_own;
    std::optional<TResourceSet> m_module;
    QString m_moduleFile;
    TDLLInfoItem m_info;
};

} // namespace kelvra
