// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <functional>

class QUrl;
class QWidget;

namespace kelvra {

class UserDialogs;

// The help topics of the windows: the main window, the label page, the mask
// page, the folder box, the options dialog.
inline constexpr std::array<int, 6> kHelpTopics = { 10, 20, 30, 40, 50, 180 };
inline constexpr int kMainWindowHelpTopic = 10;

// Where the guide answers a topic: a page of the help folder and the id of
// the section on it. An unknown topic gives the first page, no section.
struct HelpPlace
{
    QString page;
    QString anchor;
};
HelpPlace helpPlace(int topic);

// The guide's page for a topic as a file URL, at the section's anchor.
QUrl helpUrl(const QString &helpFolder, int topic);

// The "helpTopic" property of the widget or of the nearest parent that has
// one; the main window's topic when none has.
int helpTopicOf(const QWidget *widget);

// Opens the guide in helpFolder at a topic in the desktop's browser; a
// missing guide or browser is told over parent, with what to do.
void showGuide(UserDialogs &dialogs, QWidget *parent, const QString &helpFolder, int topic);

// Hands F1, pressed in any window of the program, to show with the topic of
// the widget that has the focus. Watches the whole application while it
// lives.
class HelpKey : public QObject
{
public:
    HelpKey(std::function<void(int topic)> show, QObject *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void(int)> m_show;
};

} // namespace kelvra
