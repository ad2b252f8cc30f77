// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "metadata/photo_kind.h"
#include "stamp/date_time.h"
#include "stamp/format_settings.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace kelvra {

// The output name for one photo: the mask with its fields replaced, then the
// source's extension. "\" in the mask makes subfolders. counter is the
// photo's 1-based place in the photo list.
QString ExpandFileMask(
    const QString &mask, const QString &source, qint64 counter, TDateTime date, const FormatSettings &locale);

// Every field of the mask language, in the order ExpandFileMask replaces
// them: the counters before "%n" (minute), the two-letter fields before "%d"
// and "%y".
const std::array<QLatin1StringView, 20> &fileMaskFields();

// ".JPG", ".JPEG", ".JPE", ".JIF" or ".JFIF" in any case.
bool IsJpegFileName(const QString &fileName);
// A JPEG name or the name of another photo kind (HEIC, PNG, TIFF, WebP):
// what a folder listing, the browser and the photo list take for photos.
bool IsPhotoFileName(const QString &fileName);
// The same names as a file chooser's patterns: "*.jpg *.jpeg ... *.webp".
QString photoChooserPatterns();

// The name a stamped photo of this kind gets: name itself when its extension
// fits what the kind is written as, else name with that kind's extension (a
// HEIC written as a JPEG is named ".jpg").
QString stampedFileName(const QString &name, PhotoKind source);

// The line under the mask box: the mask applied to "OriginalName.jpg", 1, now.
QString maskExample(const QString &mask, TDateTime now, const FormatSettings &locale);

// The masks the mask box offers; the first is the default.
const QStringList &offeredMasks();

// An expanded name split into the subfolders to create below the output
// folder and the file name. "\" and "/" both separate folders.
struct OutputName
{
    QStringList folders;
    QString fileName;

    // Joined with the platform's separator.
    QString toNativePath() const;
};

// Empty when the name would leave the output folder (an absolute path, a
// drive, or a ".." part) or has no file name.
std::optional<OutputName> splitOutputName(const QString &expanded);

// Why splitOutputName refuses a name.
enum class OutputNameProblem {
    None,
    LeavesFolder, // an absolute path or a ".." part
    Drive, // "C:" at the start
    EndsInSeparator, // no file name after the last folder
    NoName, // nothing but separators and dots
};
OutputNameProblem outputNameProblem(const QString &expanded);

// A mask mistake no photo's values can make right.
enum class MaskProblem {
    None,
    UnknownField, // a "%" that starts none of fileMaskFields()
    EndsInSeparator, // the names would be the extension alone, hidden files
    Drive, // "C:" at the start
};
struct MaskCheck
{
    MaskProblem problem = MaskProblem::None;
    QString field; // UnknownField: the "%" and the letter after it
};
MaskCheck checkFileMask(const QString &mask);

} // namespace kelvra
