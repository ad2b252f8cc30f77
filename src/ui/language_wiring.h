// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "localization/localizer.h"
#include "localization/string_table_translator.h"
#include "ui/language_list.h"

#include <QObject>

#include <memory>

class QWidget;

namespace kelvra {

// The language files' folder: shipped with the program, share/kelvra/lang.
QString languageFolder();

// The localizer's language list as the options dialog shows it; the current
// entry is the native one while the program's own resources speak.
class LocalizerLanguages : public LanguageList
{
public:
    explicit LocalizerLanguages(TKLocalizerOnFly &localizer)
        : m_localizer(localizer)
    {
    }
    std::vector<LanguageEntry> languages() const override;
    int currentLocale() const override;
    bool switchTo(int locale) override;

private:
    TKLocalizerOnFly &m_localizer;
};

// Windows in the active language: a window is translated from the active
// resources' definition of it when it is first shown, and every open window
// again from the new resources' definitions after a switch.
class WindowTranslator : public QObject
{
public:
    explicit WindowTranslator(TKLocalizerOnFly &localizer, QObject *parent = nullptr);
    // What showing does, for a window built but not yet shown.
    void TranslateNew(QWidget *window);
    void RetranslateOpen();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void translate(QWidget *window);

    TKLocalizerOnFly &m_localizer;
};

// The whole interface language of one run, started before any window
// exists: the localizer over the language folder (modules in the data
// folder), the saved `Language` switched to, the program's messages through
// its string table, windows translated as they open. A failure leaves the
// built-in language and is kept in StartFailure.
class InterfaceLanguage
{
public:
    InterfaceLanguage(const QString &langFolder, int language);
    ~InterfaceLanguage();
    InterfaceLanguage(const InterfaceLanguage &) = delete;
    InterfaceLanguage &operator=(const InterfaceLanguage &) = delete;

    TKLocalizerOnFly &Localizer() { return *m_localizer; }
    // What the options dialog lists and switches through.
    LanguageList &Languages() { return m_languages; }
    WindowTranslator &Windows() { return *m_windows; }
    const QString &StartFailure() const { return m_failure; }
    bool RightToLeft() const;

private:
    void followLanguage();

    TKLocUtils m_utils;
    std::unique_ptr<TKLocalizerOnFly> m_localizer;
    LocalizerLanguages m_languages;
    std::unique_ptr<TStringTableTranslator> m_translator;
    std::unique_ptr<WindowTranslator> m_windows;
    QString m_failure;
};

} // namespace kelvra
