// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QRect>
#include <QString>

#include <stdexcept>

class QWidget;

namespace kelvra {

class EFormSizeError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Placements live in INI files; the registry is a Windows habit we drop.
enum class TPersistLocation { plIniFile };

// The area that holds every screen: their bounding rectangle, which may
// start at negative coordinates. Empty without screens.
QRect desktopArea(const QList<QRect> &screens);
// bounds moved, size kept, so that they lie inside desktop as far as they fit.
QRect keepOnDesktop(QRect bounds, const QRect &desktop);
// A rectangle of size centred in area.
QRect centredBounds(QSize size, const QRect &area);

// Remembers a window's position, size and maximised state in section
// sectionName() of the INI file SaveName. A window has at most one; it is a
// child of that window. The magnet and dragging by the client area are
// kept as settings only.
class TFormSize : public QObject
{
    Q_OBJECT
public:
    // Throws EFormSizeError when form is not a window or already has one.
    explicit TFormSize(QWidget *form);

    bool SaveMachine = false;
    bool SaveUser = false;
    bool SavePosition = true;
    bool SaveSize = true;
    QString SaveName = QStringLiteral(".\\FORM.INI"); // relative names are in the data folder
    QString SaveKey; // the window's object name at creation
    bool DragAlways = false;
    bool Magnet = false;
    int MagnetDistance = 32;
    TPersistLocation Location = TPersistLocation::plIniFile;

    static QString Version() { return QStringLiteral("1.3.1.5"); }

    // SaveKey, then "-" and the user's name with SaveUser, then "-" and the
    // computer's name with SaveMachine.
    QString sectionName() const;
    // SaveName as a path; never the current folder.
    QString iniPath() const;

    // Position and size from the file, kept on the desktop. Nothing happens
    // without SaveName, SaveKey or the section; bounds without area are ignored.
    void LoadFormSettings();
    // The normal bounds (also while maximised) and whether maximised. False
    // when the file system refused the write.
    bool SaveFormSettings();

private:
    QWidget *m_form;
};

} // namespace kelvra
