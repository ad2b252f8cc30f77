// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/settings_file.h"

#include "stamp/ini_file.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <variant>

namespace kelvra {

int sizeSliderPosition(double size)
{
    const double exact = 1000.0 / size;
    if (std::isnan(exact))
        return kSizeSliderMin;
    if (exact >= kSizeSliderMax)
        return kSizeSliderMax;
    if (exact <= kSizeSliderMin)
        return kSizeSliderMin;
    return static_cast<int>(std::nearbyint(exact)); // the default rounding mode is half to even
}

double sizeAfterSliderMove(int newPosition, int currentPosition, double currentSize)
{
    if (newPosition == currentPosition)
        return currentSize;
    return 1000.0 / newPosition;
}

QString fontStyleText(const FontStyles &style)
{
    QString text;
    text += style.Bold ? QLatin1Char('1') : QLatin1Char('0');
    text += style.Italic ? QLatin1Char('1') : QLatin1Char('0');
    text += style.Underline ? QLatin1Char('1') : QLatin1Char('0');
    return text;
}

FontStyles parseFontStyle(const QString &text)
{
    auto set = [&text](int i) { return text.size() > i && text.at(i) == QLatin1Char('1'); };
    return FontStyles { set(0), set(1), set(2) };
}

namespace {

// Which of the reads and writes below take a key.
enum KeyUse : unsigned {
    DesignLoad = 1, // LoadCFGFromFile
    DesignSave = 2, // SaveCFGToFile
    BrowsingSave = 4, // SaveCFGToFile, only with the folder browser's path
    OptionsSave = 8, // SaveOptionsToFile
    StartupLoad = 16, // LoadStartupOptions
    LanguageLoad = 32 // ReadLanguage
};

// A line of the caption: the first under CaptionFormat, so that a caption of
// one line reads as it always did, the rest under a key of its own.
struct CaptionLine
{
    int index;
};

using KeyMember
    = std::variant<double StampSettings::*, int StampSettings::*, bool StampSettings::*, QString StampSettings::*,
        FontStyles StampSettings::*, int AppOptions::*, bool AppOptions::*, QString AppOptions::*, CaptionLine>;

// One key of the Options section: the member it fills, whose type says how it
// is written and whose default-constructed value is its default.
struct IniKey
{
    const char *name;
    KeyMember member;
    unsigned uses;
};

// Every key, in the order the writes put them in a new file.
const IniKey kIniKeys[] = {
    { "FontSize", &StampSettings::Size, DesignLoad | DesignSave },
    { "FontName", &StampSettings::FontName, DesignLoad | DesignSave },
    { "FontColor", &StampSettings::FontColor, DesignLoad | DesignSave },
    { "BgColor", &StampSettings::BgColor, DesignLoad | DesignSave },
    { "OutlineColor", &StampSettings::OutlineColor, DesignLoad | DesignSave },
    { "DateFormat", &StampSettings::DateFormat, DesignLoad | DesignSave },
    { "DefaultSaveFolder", &AppOptions::DefaultSaveFolder, DesignSave | StartupLoad },
    { "DefaultBrowseFolder", &AppOptions::DefaultBrowseFolder, BrowsingSave | StartupLoad },
    { "DesignFolder", &AppOptions::DesignFolder, BrowsingSave | StartupLoad },
    { "FNMask", &StampSettings::FNMask, DesignLoad | DesignSave },
    { "FontStyle", &StampSettings::Style, DesignLoad | DesignSave },
    { "FShadow", &StampSettings::FShadow, DesignLoad | DesignSave },
    { "FOutline", &StampSettings::FOutline, DesignLoad | DesignSave },
    { "XOrient", &StampSettings::XOrient, DesignLoad | DesignSave },
    { "YOrient", &StampSettings::YOrient, DesignLoad | DesignSave },
    { "XD", &StampSettings::XD, DesignLoad | DesignSave },
    { "YD", &StampSettings::YD, DesignLoad | DesignSave },
    { "RenamePhotos", &StampSettings::RenamePhotos, DesignLoad | DesignSave },
    { "StampPhotosOpt", &StampSettings::StampPhotosOpt, DesignLoad | DesignSave },
    { "CaptionFormat", CaptionLine { 0 }, DesignLoad | DesignSave },
    { "DateShift", &StampSettings::DateShift, DesignLoad | DesignSave },
    { "CameraShifts", &StampSettings::CameraShifts, DesignLoad | DesignSave },
    { "NameDates", &StampSettings::NameDates, DesignLoad | DesignSave },
    { "IgnorePlaceholderDates", &StampSettings::IgnorePlaceholderDates, DesignLoad | DesignSave },
    { "FixExifDates", &StampSettings::FixExifDates, DesignLoad | DesignSave },
    { "DateZone", &StampSettings::DateZone, DesignLoad | DesignSave },
    { "FGlow", &StampSettings::FGlow, DesignLoad | DesignSave },
    { "GlowColor", &StampSettings::GlowColor, DesignLoad | DesignSave },
    { "GlowSize", &StampSettings::GlowSize, DesignLoad | DesignSave },
    { "BgAlpha", &StampSettings::BgAlpha, DesignLoad | DesignSave },
    { "Strip", &StampSettings::Strip, DesignLoad | DesignSave },
    { "CaptionLine2", CaptionLine { 1 }, DesignLoad | DesignSave },
    { "FilePostfix", &AppOptions::FilePostfix, OptionsSave | StartupLoad },
    { "Language", &AppOptions::Language, OptionsSave | LanguageLoad },
    { "GPSForm", &AppOptions::GPSForm, DesignLoad | OptionsSave },
    { "jpgquality", &AppOptions::jpgquality, OptionsSave | StartupLoad },
    { "Skin", &AppOptions::Skin, OptionsSave | StartupLoad },
    { "KeepQuality", &AppOptions::KeepQuality, OptionsSave | StartupLoad },
    { "ExistingFiles", &AppOptions::ExistingFiles, OptionsSave | StartupLoad },
};

template<typename Member> struct MemberOf;
template<typename Type, typename Owner> struct MemberOf<Type Owner::*>
{
    using OwnerType = Owner;
};

// The caption's first line, or everything after its first line break.
QString captionPart(const QString &caption, int index)
{
    const qsizetype at = caption.indexOf(QLatin1Char('\n'));
    if (index == 0)
        return at < 0 ? caption : caption.left(at);
    return at < 0 ? QString() : caption.mid(at + 1);
}

// The record of settings or options that a member belongs to.
template<typename Owner, typename Settings, typename Options> auto &recordOf(Settings &settings, Options &options)
{
    if constexpr (std::is_same_v<Owner, StampSettings>)
        return settings;
    else
        return options;
}

template<typename T>
T readValue(const IniFile &ini, const QString &key, const T &fallback, const FormatSettings &format)
{
    if constexpr (std::is_same_v<T, double>)
        return ini.readFloat(kOptionsSection, key, fallback, format);
    else if constexpr (std::is_same_v<T, int>)
        return ini.readInteger(kOptionsSection, key, fallback);
    else if constexpr (std::is_same_v<T, bool>)
        return ini.readBool(kOptionsSection, key, fallback);
    else if constexpr (std::is_same_v<T, QString>)
        return ini.readString(kOptionsSection, key, fallback);
    else
        return parseFontStyle(ini.readString(kOptionsSection, key, fontStyleText(fallback)));
}

template<typename T> void setValue(IniFile &ini, const QString &key, const T &value, const FormatSettings &format)
{
    if constexpr (std::is_same_v<T, double>)
        ini.setFloat(kOptionsSection, key, value, format);
    else if constexpr (std::is_same_v<T, int>)
        ini.setInteger(kOptionsSection, key, value);
    else if constexpr (std::is_same_v<T, bool>)
        ini.setBool(kOptionsSection, key, value);
    else if constexpr (std::is_same_v<T, QString>)
        ini.setString(kOptionsSection, key, value);
    else
        ini.setString(kOptionsSection, key, fontStyleText(value));
}

// Every key of use, each from its own default.
void loadKeys(
    const IniFile &ini, unsigned use, StampSettings &settings, AppOptions &options, const FormatSettings &format)
{
    const StampSettings defaultSettings;
    const AppOptions defaultOptions;
    for (const IniKey &key : kIniKeys) {
        if (!(key.uses & use))
            continue;
        std::visit(
            [&](auto member) {
                const QString name = QString::fromLatin1(key.name);
                if constexpr (std::is_same_v<decltype(member), CaptionLine>) {
                    const QString line = ini.readString(
                        kOptionsSection, name, member.index == 0 ? defaultSettings.CaptionFormat : QString());
                    if (member.index == 0)
                        settings.CaptionFormat = line;
                    else if (!line.isEmpty())
                        settings.CaptionFormat += QLatin1Char('\n') + line;
                } else {
                    using Owner = typename MemberOf<decltype(member)>::OwnerType;
                    recordOf<Owner>(settings, options).*member
                        = readValue(ini, name, recordOf<Owner>(defaultSettings, defaultOptions).*member, format);
                }
            },
            key.member);
    }
}

// Every key of use in table order, saved in one write.
SettingsWriteResult saveKeys(const QString &path, unsigned use, const StampSettings &settings,
    const AppOptions &options, const FormatSettings &format)
{
    IniFile ini(path);
    for (const IniKey &key : kIniKeys) {
        if (!(key.uses & use))
            continue;
        std::visit(
            [&](auto member) {
                if constexpr (std::is_same_v<decltype(member), CaptionLine>) {
                    ini.setString(kOptionsSection, QString::fromLatin1(key.name),
                        captionPart(settings.CaptionFormat, member.index));
                } else {
                    using Owner = typename MemberOf<decltype(member)>::OwnerType;
                    setValue(ini, QString::fromLatin1(key.name), recordOf<Owner>(settings, options).*member, format);
                }
            },
            key.member);
    }
    SettingsWriteResult result;
    if (!ini.save()) {
        result.ok = false;
        result.failedPath = ini.path();
    }
    return result;
}

} // namespace

CfgLoadResult LoadCFGFromFile(const QString &path, StampSettings &settings, AppOptions &options,
    const FormatSettings &format, int currentSliderPosition)
{
    const IniFile ini(path);
    loadKeys(ini, DesignLoad, settings, options, format);
    CfgLoadResult result;
    result.hadOptionsSection = ini.hasSection(kOptionsSection);
    result.sliderPosition = sizeSliderPosition(settings.Size);
    // Rounding to the slider's step is the rule for any size; only a size the
    // slider cannot reach at all counts as corrected.
    const double exactPosition = 1000.0 / settings.Size;
    if (!(exactPosition >= kSizeSliderMin && exactPosition <= kSizeSliderMax))
        result.correctedKeys << QStringLiteral("FontSize");
    settings.Size = sizeAfterSliderMove(result.sliderPosition, currentSliderPosition, settings.Size);
    const StampSettings defaults;
    if (settings.BgAlpha < 0 || settings.BgAlpha > 255) {
        settings.BgAlpha = std::clamp(settings.BgAlpha, 0, 255);
        result.correctedKeys << QStringLiteral("BgAlpha");
    }
    if (!(settings.GlowSize > 0 && settings.GlowSize <= kMaxGlowSize)) {
        settings.GlowSize = defaults.GlowSize;
        result.correctedKeys << QStringLiteral("GlowSize");
    }
    if (settings.Strip < 0 || settings.Strip > 2) {
        settings.Strip = defaults.Strip;
        result.correctedKeys << QStringLiteral("Strip");
    }
    result.selectedTask = settings.StampPhotosOpt ? TodoTask::StampPhotos : TodoTask::RenamePhotos;
    return result;
}

SettingsWriteResult SaveCFGToFile(const QString &path, const StampSettings &settings, const AppOptions &options,
    const std::optional<QString> &browseFolder, const FormatSettings &format)
{
    AppOptions saved = options;
    if (browseFolder)
        saved.DefaultBrowseFolder = *browseFolder;
    const unsigned use = browseFolder ? DesignSave | BrowsingSave : DesignSave;
    return saveKeys(path, use, settings, saved, format);
}

SettingsWriteResult SaveOptionsToFile(const QString &path, const AppOptions &options)
{
    return saveKeys(path, OptionsSave, StampSettings(), options, FormatSettings());
}

int ReadLanguage(const QString &path)
{
    StampSettings unused;
    AppOptions options;
    loadKeys(IniFile(path), LanguageLoad, unused, options, FormatSettings());
    return options.Language;
}

void LoadStartupOptions(const QString &path, AppOptions &options)
{
    StampSettings unused;
    loadKeys(IniFile(path), StartupLoad, unused, options, FormatSettings());
}

CfgLoadResult LoadProgramSettings(
    const QString &path, StampSettings &settings, AppOptions &options, const FormatSettings &format)
{
    options.Language = ReadLanguage(path);
    CfgLoadResult result = LoadCFGFromFile(path, settings, options, format);
    LoadStartupOptions(path, options);
    return result;
}

} // namespace kelvra
