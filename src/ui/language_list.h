// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <vector>

namespace kelvra {

// One language the interface can be shown in.
struct LanguageEntry
{
    QString englishName;
    int locale = 0; // the locale identifier written to the Language key
    QString localizedName = {}; // the language's name in itself; empty when unknown
};

// What the options dialog lists: the name a speaker of the language knows,
// with the English one beside it ("Deutsch (German)").
QString listedLanguageName(const LanguageEntry &entry);

// The languages the options dialog offers, in the order it lists them, and
// the one the interface shows now. The language switching controller sits
// behind it.
class LanguageList
{
public:
    virtual ~LanguageList() = default;
    virtual std::vector<LanguageEntry> languages() const = 0;
    virtual int currentLocale() const = 0;
    // Shows the interface in that language now, every open window included.
    // False when it cannot be had there; the interface stays as it was.
    virtual bool switchTo(int locale) = 0;
};

// No language files found: nothing to list, nothing current, no switch.
class NoLanguages : public LanguageList
{
public:
    std::vector<LanguageEntry> languages() const override { return {}; }
    int currentLocale() const override { return -1; }
    bool switchTo(int) override { return false; }
};

} // namespace kelvra
