// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands and menus as data, so the window builds them in
// one loop and a test can hold the window against them.
#pragma once

#include <QList>
#include <QString>

#include <vector>

class QAction;
class QWidget;

namespace kelvra {

struct ActionSpec
{
    QString name; // object name
    QString caption; // empty for picture buttons
    QString category; // empty for none
    QString shortcut; // portable text, empty for none
    QString hint; // tool tip; picture buttons are named by it
    bool checkable = false;
};

// Every command of the main window. The token commands are named here; the
// token each puts into the caption comes from the caption's command table.
const std::vector<ActionSpec> &windowActionSpecs();

// A menu's items: an action's object name, "-" for a separator, or a
// submenu ("Sort By") with its own items.
struct MenuSpec
{
    QString title;
    QString name; // object name of the menu
    std::vector<QString> items;
    std::vector<MenuSpec> submenus; // placed where items holds ">" + title
};

const std::vector<MenuSpec> &mainMenuSpec();
// The token commands and "Save As...": the preview's context menu and the
// caption box's button.
const std::vector<QString> &contextMenuSpec();

// caption with "&" before a letter not yet in used (the first letter of a
// word if it can, else any letter), which joins used. Unchanged when no letter
// is left. A literal "&" is doubled.
QString withMnemonic(const QString &caption, QString &used);

// The visible items of one menu with an access key each and none twice: an
// item keeps its key unless an earlier item holds it; the others get one as
// withMnemonic gives it. Translations choose their keys without seeing each
// other, and some texts (the browser's column names) come without one.
void mendMnemonics(const QList<QAction *> &items);

// mendMnemonics on the menu bars of a window, after a translation.
void mendMenuBarMnemonics(QWidget *window);

} // namespace kelvra
