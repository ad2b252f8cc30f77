// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "localization/form_stream.h"
#include "localization/loc_storage.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QObject;

namespace kelvra {

// An object's class name without its namespace ("TForm1" for kelvra::TForm1),
// which names its form definition in the resources.
QByteArray bareClassName(const QObject *object);

// One stored property path made reachable on a live object: its current
// value as text and a way to set it.
struct TPropertyAccess
{
    std::function<QString()> Get;
    std::function<void(const QString &)> Set;
};

// Where a stored component's name leads in a live tree: an object, or an item
// of one of its collections, with the part of the path that did not resolve
// to an object left as a prefix for the property paths.
struct TComponentTarget
{
    QObject *Object = nullptr;
    QByteArray Collection; // "Panels" for "StatusBar1.Panels[1]"
    int Index = -1;
    QByteArray Prefix;
};

// Stored property paths ("Caption", "Hint", "Font.Name", "Items.Strings",
// "Panels[1].Text" ...) resolved onto the properties of Qt objects through a
// small table per class; collections (status bar parts, combo and list items,
// tab pages, tree columns) through adapters. Nothing here fails on a name it
// cannot find: that entry is skipped.
class TLiveTranslator
{
public:
    // The object or collection item a stored component names below `root`.
    static std::optional<TComponentTarget> ResolveComponent(QObject *root, const QByteArray &name);
    static std::optional<TPropertyAccess> Access(const TComponentTarget &target, const QByteArray &path);
    // A live window's translatable properties as the form definition the
    // program's resources hold for it: one object per stored component,
    // collection items as collections.
    static TFormObject CaptureDefinition(QObject *root, const TLocForm &form);
    // A window, new or open after a switch, given a definition of the active
    // resources: its values set by the same property paths; "BiDiMode"
    // "bdRightToLeft" mirrors it.
    // 8-bit strings are read in the code page of `langID`.
    static int ApplyDefinition(QObject *root, const TFormObject &definition, quint16 langID);
    // The same from a definition as the resources store it; a damaged one
    // sets nothing.
    static int ApplyStoredDefinition(QObject *root, const QByteArray &definition, quint16 langID);
};

} // namespace kelvra
