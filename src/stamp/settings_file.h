// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stamp/format_settings.h"
#include "stamp/stamp_settings.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace kelvra {

inline const QString kOptionsSection = QStringLiteral("Options");

// The size slider: positions 8..500 stand for Size 125 down to 2.
constexpr int kSizeSliderMin = 8;
constexpr int kSizeSliderMax = 500;
constexpr int kDefaultSizeSliderPosition = 50;

// 1000 / size rounded half to even, clamped to the slider's range.
int sizeSliderPosition(double size);
// Size after the slider moves to newPosition; a move to where it already
// stands keeps the current size.
double sizeAfterSliderMove(int newPosition, int currentPosition, double currentSize);

// The largest halo, in percent of the font cell height.
constexpr double kMaxGlowSize = 100;

enum class TodoTask { StampPhotos = 0, RenamePhotos = 1 };

// What a settings load leaves for the window to show.
struct CfgLoadResult
{
    int sliderPosition = kDefaultSizeSliderPosition;
    TodoTask selectedTask = TodoTask::StampPhotos;
    bool hadOptionsSection = true;
    // Keys whose value lay outside what the settings allow and was changed.
    QStringList correctedKeys;
};

// Reads a ".cfg" file or the program INI into the design and GPSForm. Missing
// keys take their defaults, never the values held before. The slider's
// current position decides whether Size is rounded (see sizeAfterSliderMove).
CfgLoadResult LoadCFGFromFile(const QString &path, StampSettings &settings, AppOptions &options,
    const FormatSettings &format, int currentSliderPosition = kDefaultSizeSliderPosition);

// A save writes all its keys or none; failedPath is the file that refused.
struct SettingsWriteResult
{
    bool ok = true;
    QString failedPath;
};

// Writes the design and the two folders. browseFolder is the folder browser's
// current path; without one the DefaultBrowseFolder key is skipped.
SettingsWriteResult SaveCFGToFile(const QString &path, const StampSettings &settings, const AppOptions &options,
    const std::optional<QString> &browseFolder, const FormatSettings &format);

// The options dialog's save: FilePostfix, Language, GPSForm, jpgquality, Skin.
SettingsWriteResult SaveOptionsToFile(const QString &path, const AppOptions &options);

// Start-up reads of the program INI besides LoadCFGFromFile.
int ReadLanguage(const QString &path);
void LoadStartupOptions(const QString &path, AppOptions &options);

// Everything the program reads from its INI at start, in that order.
CfgLoadResult LoadProgramSettings(
    const QString &path, StampSettings &settings, AppOptions &options, const FormatSettings &format);

QString fontStyleText(const FontStyles &style);
FontStyles parseFontStyle(const QString &text);

} // namespace kelvra
