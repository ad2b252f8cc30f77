// SPDX-License-Identifier: GPL-3.0-or-later
// A small native language file and its German, French and Hebrew translations,
// written into a folder as the program's language folder would hold them.
#pragma once

#include "localization/lang_builder.h"

#include "localization/lang_file_format.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace kelvra::test {

inline constexpr quint16 kEnglish = 0x0409;
inline constexpr quint16 kGerman = 0x0407;
inline constexpr quint16 kFrench = 0x040C;
inline constexpr quint16 kHebrew = 0x040D;
inline constexpr quint16 kNotInitializedID = 65000;

struct FixtureTexts
{
    const char *Caption;
    const char *Label;
    const char *Hint;
    const char *Panel;
    const char *Items;
    const char *Message;
    const char *Font;
};

inline const FixtureTexts &textsOf(quint16 locale)
{
    static const FixtureTexts english { "Kelvra", "Date format:", "Start stamping",
        "Files to process:", "First\r\nSecond", "Localizer is not initialized", "Liberation Sans" };
    static const FixtureTexts german { "Kelvra DE", "Datumsformat:", "Stempeln beginnen",
        "Zu bearbeitende Dateien:", "Erste\r\nZweite", "Lokalisierer ist nicht initialisiert", "DejaVu Sans" };
    static const FixtureTexts french { "Kelvra FR", "Format de date :", "Commencer",
        "Fichiers :", "Premier\r\nDeuxième", "Le localisateur n'est pas initialisé", "DejaVu Serif" };
    static const FixtureTexts hebrew { "קלברה", "תבנית תאריך:", "התחל", "קבצים לעיבוד:", "ראשון\r\nשני",
        "המתרגם לא אותחל", "DejaVu Sans" };
    switch (locale) {
    case kGerman:
        return german;
    case kFrench:
        return french;
    case kHebrew:
        return hebrew;
    default:
        return english;
    }
}

// The content of one language file; translations carry the native item IDs
// and versions, so every value is current.
inline TLangFileContent fixtureContent(quint16 locale, qint32 version = 3, quint32 build = 7)
{
    const bool native = locale == kEnglish;
    const FixtureTexts &t = textsOf(locale);
    TLangFileContent c;
    c.Header.Version = version;
    c.Header.Build = build;
    c.Header.Locale = locale;
    c.Header.IsNative = native;
    c.Header.LangEnglishName = native ? "English"
        : locale == kGerman           ? "German"
        : locale == kFrench           ? "French"
                                      : "Hebrew";
    c.Header.LangLocalizedName = native ? QStringLiteral("English")
        : locale == kGerman             ? QStringLiteral("Deutsch")
        : locale == kFrench             ? QStringLiteral("Français")
                                        : QStringLiteral("עברית");
    c.Header.Attributes = quint16(0x0001 | (locale == kHebrew ? 0x0002 : 0));
    c.Header.ConstMaxID = 1;
    c.Header.PropertyMaxID = 8;

    TLangGroupRecord unit;
    unit.Name = "LocErrors";
    unit.Items.push_back(item("SNotInitialized", 1, QString::fromUtf8(t.Message), kNotInitializedID));
    c.Units.push_back(unit);

    using T = TLocValueType;
    TLangGroupRecord form;
    form.Name = "Form1";
    form.Items.push_back(prop("Caption", 1, T::ptString, QString::fromUtf8(t.Caption)));
    auto component = [&](const char *name, std::vector<TLangValueRecord> props) {
        TLangGroupRecord g;
        g.Name = name;
        g.Items = std::move(props);
        form.Components.push_back(g);
    };
    // In name order, as a store saves them.
    component("BottomPane.Label1",
        { prop("Caption", 2, T::ptString, QString::fromUtf8(t.Label)),
            prop("Font.Name", 3, T::ptString, QString::fromUtf8(t.Font)) });
    component("Button1", { prop("Hint", 4, T::ptString, QString::fromUtf8(t.Hint)) });
    component("Combo1", { prop("Items.Strings", 5, T::ptStringList, QString::fromUtf8(t.Items)) });
    component("PageControl1.Pages[1]", { prop("Caption", 6, T::ptString, QString::fromUtf8(t.Label)) });
    component("StatusBar1.Panels[1]", { prop("Text", 7, T::ptString, QString::fromUtf8(t.Panel)) });
    component("StatusBar1.Panels[2]", { prop("Text", 8, T::ptString, QString::fromUtf8(t.Panel)) });
    c.Forms.push_back(form);
    return c;
}

inline void writeLangFile(const QString &path, const TLangFileContent &content)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(serializeLangFile(content));
}

} // namespace kelvra::test
