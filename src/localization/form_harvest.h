// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QStringList>

class QObject;

namespace kelvra {

class TLocStorage;

// Set to true on an object whose texts are the user's data (a path, a
// count, a file name), which no language file may overwrite.
inline constexpr char kNotTranslated[] = "kelvraNotTranslated";

// What a harvest could not store: texts on widgets without an object name
// (a language file cannot address them) and object names used twice in one
// window (only the first would be reached).
struct THarvestReport
{
    QStringList Unnamed;
    QStringList Duplicates;
};

// Every translatable text a live window shows now (captions, hints,
// accessible names, list items, status bar panels, tab and column captions)
// added to `store` as the native values of the stored form `formName`, with
// property paths a live translation resolves back onto the same widgets.
// New items take IDs from `nextID` on.
void HarvestForm(
    QObject *root, const QByteArray &formName, TLocStorage &store, qint32 &nextID, THarvestReport *report = nullptr);

} // namespace kelvra
