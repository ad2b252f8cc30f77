// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/looks.h"

#include "platform/install_paths.h"
#include "stamp/ini_file.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace kelvra {

std::vector<ReadyLook> readyLooks(const QString &folder)
{
    std::vector<ReadyLook> looks;
    const QFileInfoList files
        = QDir(folder).entryInfoList({ QStringLiteral("*.cfg") }, QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo &file : files) {
        const QString path = file.absoluteFilePath();
        QString name = IniFile(path).readString(kOptionsSection, QStringLiteral("LookName"), QString()).trimmed();
        if (name.isEmpty())
            name = file.completeBaseName();
        looks.push_back(ReadyLook { name, path });
    }
    std::stable_sort(looks.begin(), looks.end(),
        [](const ReadyLook &a, const ReadyLook &b) { return a.name.compare(b.name, Qt::CaseInsensitive) < 0; });
    return looks;
}

std::vector<ReadyLook> readyLooks()
{
    return readyLooks(looksFolder());
}

std::optional<ReadyLook> findLook(const std::vector<ReadyLook> &looks, const QString &name)
{
    const QString wanted = name.trimmed();
    for (const ReadyLook &look : looks) {
        const QFileInfo file(look.path);
        if (look.name.compare(wanted, Qt::CaseInsensitive) == 0
            || file.completeBaseName().compare(wanted, Qt::CaseInsensitive) == 0
            || file.fileName().compare(wanted, Qt::CaseInsensitive) == 0)
            return look;
    }
    return std::nullopt;
}

CfgLoadResult applyLook(const QString &path, StampSettings &settings, const FormatSettings &format)
{
    StampSettings look;
    AppOptions unused;
    const CfgLoadResult result = LoadCFGFromFile(path, look, unused, format, sizeSliderPosition(look.Size));
    StampSettings applied = look;
    applied.FNMask = settings.FNMask;
    applied.StampPhotosOpt = settings.StampPhotosOpt;
    applied.RenamePhotos = settings.RenamePhotos;
    applied.DateShift = settings.DateShift;
    applied.CameraShifts = settings.CameraShifts;
    applied.NameDates = settings.NameDates;
    applied.IgnorePlaceholderDates = settings.IgnorePlaceholderDates;
    applied.FixExifDates = settings.FixExifDates;
    applied.DateZone = settings.DateZone;
    settings = applied;
    return result;
}

} // namespace kelvra
