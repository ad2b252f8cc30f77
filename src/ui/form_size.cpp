// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/form_size.h"

#include "platform/data_folder.h"
#include "stamp/ini_file.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QSysInfo>
#include <QWidget>

namespace kelvra {

namespace {

QWidget *checkedForm(QWidget *form)
{
    if (!form || !form->isWindow())
        throw EFormSizeError("Control parent must be a form!");
    if (!form->findChildren<TFormSize *>(Qt::FindDirectChildrenOnly).isEmpty())
        throw EFormSizeError("The form already contains a TFormSize component");
    return form;
}

// The bounds a window goes back to when it is no longer maximised.
QRect normalBounds(const QWidget *form)
{
    const bool stateful = form->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen);
    const QRect normal = form->normalGeometry();
    return stateful && normal.isValid() ? normal : form->geometry();
}

} // namespace

QRect desktopArea(const QList<QRect> &screens)
{
    QRect area;
    for (const QRect &screen : screens)
        area = area.united(screen);
    return area;
}

QRect keepOnDesktop(QRect bounds, const QRect &desktop)
{
    if (desktop.isEmpty())
        return bounds;
    if (bounds.right() > desktop.right())
        bounds.moveRight(desktop.right());
    if (bounds.left() < desktop.left())
        bounds.moveLeft(desktop.left());
    if (bounds.bottom() > desktop.bottom())
        bounds.moveBottom(desktop.bottom());
    if (bounds.top() < desktop.top())
        bounds.moveTop(desktop.top());
    return bounds;
}

QRect centredBounds(QSize size, const QRect &area)
{
    QRect bounds(QPoint(0, 0), size);
    bounds.moveCenter(area.center());
    return bounds;
}

TFormSize::TFormSize(QWidget *form)
    : QObject(checkedForm(form))
    , SaveKey(form->objectName())
    , m_form(form)
{
    setObjectName(QStringLiteral("FormPlacement1"));
}

QString TFormSize::sectionName() const
{
    QString section = SaveKey;
    // The home folder's name is the user's login name on every desktop we know.
    if (SaveUser)
        section += QLatin1Char('-') + QDir::home().dirName();
    if (SaveMachine)
        section += QLatin1Char('-') + QSysInfo::machineHostName();
    return section;
}

QString TFormSize::iniPath() const
{
    QString name = SaveName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDir::isAbsolutePath(name))
        return name;
    return QDir::cleanPath(QDir(GetDataFolder()).absoluteFilePath(name));
}

void TFormSize::LoadFormSettings()
{
    if (SaveName.isEmpty() || SaveKey.isEmpty())
        return;
    const IniFile ini(iniPath());
    const QString section = sectionName();
    if (!ini.hasSection(section))
        return;
    const QRect current = normalBounds(m_form);
    const int left = ini.readInteger(section, QStringLiteral("Left"), current.left());
    const int top = ini.readInteger(section, QStringLiteral("Top"), current.top());
    const int right = ini.readInteger(section, QStringLiteral("Right"), current.left() + current.width());
    const int bottom = ini.readInteger(section, QStringLiteral("Bottom"), current.top() + current.height());
    const bool maximised = ini.readBool(section, QStringLiteral("Maximized"), m_form->isMaximized());

    // Computed in 64 bits: the file may hold any integers.
    const qint64 width = qint64(right) - left;
    const qint64 height = qint64(bottom) - top;
    QRect bounds = current;
    if (width > 0 && height > 0 && width <= 1 << 20 && height <= 1 << 20)
        bounds = QRect(left, top, int(width), int(height));

    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens << screen->geometry();
    // The normal bounds stay what they were even when the window reopens
    // maximised, so leaving the maximised state gives them back.
    m_form->setGeometry(keepOnDesktop(bounds, desktopArea(screens)));
    if (maximised)
        m_form->setWindowState(m_form->windowState() | Qt::WindowMaximized);
    else
        m_form->setWindowState(m_form->windowState() & ~Qt::WindowMaximized);
}

bool TFormSize::SaveFormSettings()
{
    if (SaveName.isEmpty() || SaveKey.isEmpty())
        return true;
    IniFile ini(iniPath());
    const QString section = sectionName();
    const QRect bounds = normalBounds(m_form);
    ini.setInteger(section, QStringLiteral("Left"), bounds.left());
    ini.setInteger(section, QStringLiteral("Top"), bounds.top());
    ini.setInteger(section, QStringLiteral("Right"), bounds.left() + bounds.width());
    ini.setInteger(section, QStringLiteral("Bottom"), bounds.top() + bounds.height());
    ini.setBool(section, QStringLiteral("Maximized"), m_form->isMaximized());
    return ini.save();
}

} // namespace kelvra
