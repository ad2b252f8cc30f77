// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace kelvra {

// A design's font that the machine lacks, and the font the label is drawn
// with instead. The window and the command line turn it into their note.
struct FontFallback
{
    QString requested;
    QString drawn;

    friend bool operator==(const FontFallback &, const FontFallback &) = default;
};

// Of installed, the family nearest to family by name: itself (any case), or
// the one sharing the longest beginning of at least four letters with it (the
// shorter name on a tie), so a missing cut of a family falls back to another
// cut of it. Empty when none is near.
QString nearestFamilyByName(const QString &family, const QStringList &installed);

// The family the label is drawn with: family when installed or when the font
// system knows a stand-in for it (as it maps Arial to a metric twin), else
// the family's nearest installed font, else the system's default. Any thread.
QString drawnFontFamily(const QString &family);

// Set when drawnFontFamily(family) is a font the design did not name and the
// font system had no stand-in for.
std::optional<FontFallback> fontFallback(const QString &family);

} // namespace kelvra
