// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/settings_file.h"

#include "stamp/ini_file.h"

#include <algorithm>
#include <cmath>

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
    return FontStyles{set(0), set(1), set(2)};
}

CfgLoadResult LoadCFGFromFile(const QString &path, StampSettings &settings, AppOptions &options,
                              const FormatSettings &format, int currentSliderPosition)
{
    const IniFile ini(path);
    const QString &s = kOptionsSection;
    const StampSettings defaults;

    settings.Size = ini.readFloat(s, QStringLiteral("FontSize"), defaults.Size, format);
    settings.FontName = ini.readString(s, QStringLiteral("FontName"), defaults.FontName);
    settings.FontColor = ini.readInteger(s, QStringLiteral("FontColor"), defaults.FontColor);
    settings.BgColor = ini.readInteger(s, QStringLiteral("BgColor"), defaults.BgColor);
    settings.OutlineColor = ini.readInteger(s, QStringLiteral("OutlineColor"), defaults.OutlineColor);
    settings.DateFormat = ini.readString(s, QStringLiteral("DateFormat"), defaults.DateFormat);
    options.GPSForm = ini.readInteger(s, QStringLiteral("GPSForm"), AppOptions().GPSForm);
    settings.FNMask = ini.readString(s, QStringLiteral("FNMask"), defaults.FNMask);
    settings.Style = parseFontStyle(ini.readString(s, QStringLiteral("FontStyle"), QStringLiteral("000")));
    settings.FOutline = ini.readBool(s, QStringLiteral("FOutline"), defaults.FOutline);
    settings.FShadow = ini.readBool(s, QStringLiteral("FShadow"), defaults.FShadow);
    settings.XOrient = ini.readInteger(s, QStringLiteral("XOrient"), defaults.XOrient);
    settings.YOrient = ini.readInteger(s, QStringLiteral("YOrient"), defaults.YOrient);
    settings.XD = ini.readFloat(s, QStringLiteral("XD"), defaults.XD, format);
    settings.YD = ini.readFloat(s, QStringLiteral("YD"), defaults.YD, format);
    settings.CaptionFormat = ini.readString(s, QStringLiteral("CaptionFormat"), defaults.CaptionFormat);

    CfgLoadResult result;
    result.sliderPosition = sizeSliderPosition(settings.Size);
    settings.Size = sizeAfterSliderMove(result.sliderPosition, currentSliderPosition, settings.Size);

    settings.StampPhotosOpt = ini.readBool(s, QStringLiteral("StampPhotosOpt"), defaults.StampPhotosOpt);
    settings.RenamePhotos = ini.readBool(s, QStringLiteral("RenamePhotos"), defaults.RenamePhotos);
    result.selectedTask = settings.StampPhotosOpt ? TodoTask::StampPhotos : TodoTask::RenamePhotos;
    return result;
}

namespace {

// Runs the writes in order and stops at the first one the file system refuses.
class OrderedWriter
{
public:
    explicit OrderedWriter(const QString &path)
        : m_ini(path)
    {
    }

    template<typename Write>
    void put(const QString &key, Write write)
    {
        if (!m_result.ok)
            return;
        if (!write(m_ini, key)) {
            m_result.ok = false;
            m_result.failedPath = m_ini.path();
            m_result.failedKey = key;
        }
    }

    void putString(const QString &key, const QString &value)
    {
        put(key, [&](IniFile &ini, const QString &k) { return ini.writeString(kOptionsSection, k, value); });
    }
    void putInteger(const QString &key, int value)
    {
        put(key, [&](IniFile &ini, const QString &k) { return ini.writeInteger(kOptionsSection, k, value); });
    }
    void putBool(const QString &key, bool value)
    {
        put(key, [&](IniFile &ini, const QString &k) { return ini.writeBool(kOptionsSection, k, value); });
    }
    void putFloat(const QString &key, double value, const FormatSettings &format)
    {
        put(key, [&](IniFile &ini, const QString &k) { return ini.writeFloat(kOptionsSection, k, value, format); });
    }

    const SettingsWriteResult &result() const { return m_result; }

private:
    IniFile m_ini;
    SettingsWriteResult m_result;
};

} // namespace

SettingsWriteResult SaveCFGToFile(const QString &path, const StampSettings &settings, const AppOptions &options,
                                  const std::optional<QString> &browseFolder, const FormatSettings &format)
{
    OrderedWriter w(path);
    w.putFloat(QStringLiteral("FontSize"), settings.Size, format);
    w.putString(QStringLiteral("FontName"), settings.FontName);
    w.putInteger(QStringLiteral("FontColor"), settings.FontColor);
    w.putInteger(QStringLiteral("BgColor"), settings.BgColor);
    w.putInteger(QStringLiteral("OutlineColor"), settings.OutlineColor);
    w.putString(QStringLiteral("DateFormat"), settings.DateFormat);
    w.putString(QStringLiteral("DefaultSaveFolder"), options.DefaultSaveFolder);
    if (browseFolder)
        w.putString(QStringLiteral("DefaultBrowseFolder"), *browseFolder);
    w.putString(QStringLiteral("FNMask"), settings.FNMask);
    w.putString(QStringLiteral("FontStyle"), fontStyleText(settings.Style));
    w.putBool(QStringLiteral("FShadow"), settings.FShadow);
    w.putBool(QStringLiteral("FOutline"), settings.FOutline);
    w.putInteger(QStringLiteral("XOrient"), settings.XOrient);
    w.putInteger(QStringLiteral("YOrient"), settings.YOrient);
    w.putFloat(QStringLiteral("XD"), settings.XD, format);
    w.putFloat(QStringLiteral("YD"), settings.YD, format);
    w.putBool(QStringLiteral("RenamePhotos"), settings.RenamePhotos);
    w.putBool(QStringLiteral("StampPhotosOpt"), settings.StampPhotosOpt);
    w.putString(QStringLiteral("CaptionFormat"), settings.CaptionFormat);
    return w.result();
}

SettingsWriteResult SaveOptionsToFile(const QString &path, const AppOptions &options)
{
    OrderedWriter w(path);
    w.putString(QStringLiteral("FilePostfix"), options.FilePostfix);
    w.putInteger(QStringLiteral("Language"), options.Language);
    w.putInteger(QStringLiteral("GPSForm"), options.GPSForm);
    w.putInteger(QStringLiteral("jpgquality"), options.jpgquality);
    w.putInteger(QStringLiteral("Skin"), options.Skin);
    return w.result();
}

int ReadLanguage(const QString &path)
{
    return IniFile(path).readInteger(kOptionsSection, QStringLiteral("Language"), AppOptions().Language);
}

void LoadStartupOptions(const QString &path, AppOptions &options)
{
    const IniFile ini(path);
    const AppOptions defaults;
    options.DefaultSaveFolder = ini.readString(kOptionsSection, QStringLiteral("DefaultSaveFolder"), defaults.DefaultSaveFolder);
    options.DefaultBrowseFolder = ini.readString(kOptionsSection, QStringLiteral("DefaultBrowseFolder"), defaults.DefaultBrowseFolder);
    options.Skin = ini.readInteger(kOptionsSection, QStringLiteral("Skin"), defaults.Skin);
    options.jpgquality = ini.readInteger(kOptionsSection, QStringLiteral("jpgquality"), defaults.jpgquality);
    options.FilePostfix = ini.readString(kOptionsSection, QStringLiteral("FilePostfix"), defaults.FilePostfix);
}

CfgLoadResult LoadProgramSettings(const QString &path, StampSettings &settings, AppOptions &options,
                                  const FormatSettings &format)
{
    options.Language = ReadLanguage(path);
    CfgLoadResult result = LoadCFGFromFile(path, settings, options, format);
    LoadStartupOptions(path, options);
    return result;
}

} // namespace kelvra
