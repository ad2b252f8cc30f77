// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>

namespace kelvra {

// Colours are 0x00BBGGRR: red in the lowest byte.
using TColor = int32_t;
constexpr TColor kNoColor = -1; // no box (background), automatic contrast (outline)

struct FontStyles
{
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;

    friend bool operator==(const FontStyles &, const FontStyles &) = default;
};

// Where a strip runs: none (the box is the text cell), across the photo's
// whole width, or down its whole height.
enum class LabelStrip { None = 0, Across = 1, Down = 2 };

// The stamp design and the two task switches. Plain data: the imaging layer
// reads it, the settings files and the window fill it.
struct StampSettings
{
    double Size = 20; // font height = shorter photo side / Size
    QString FontName = QStringLiteral("Arial");
    TColor FontColor = 255;
    TColor BgColor = kNoColor;
    TColor OutlineColor = kNoColor;
    FontStyles Style;
    bool FOutline = false;
    bool FShadow = false;
    // A soft halo around the glyphs; kNoColor takes the font colour.
    bool FGlow = false;
    TColor GlowColor = kNoColor;
    double GlowSize = 15; // the halo's reach in percent of the font cell height
    // Opacity of the background colour, 0 (clear) to 255 (opaque).
    int BgAlpha = 255;
    // The background box as a band across the photo: see LabelStrip.
    int Strip = 0;
    int XOrient = 0; // 0: XD from the left edge, 1: from the right
    int YOrient = 0; // 0: YD from the top edge, 1: from the bottom
    double XD = 0.05;
    double YD = 0.05;
    QString DateFormat = QStringLiteral("DD.MM.YYYY hh:nn");
    // A line break ('\n') starts the label's second line.
    QString CaptionFormat = QStringLiteral("[PHOTO_DATE]");
    QString FNMask = QStringLiteral("%o_timestamp");
    bool StampPhotosOpt = true;
    bool RenamePhotos = false;
    // The photo date: a clock correction for every photo and per camera
    // ("MODEL=OFFSET;..."), whether file names may date a photo, and whether
    // an unset camera clock counts as no date.
    QString DateShift;
    QString CameraShifts;
    bool NameDates = true;
    bool IgnorePlaceholderDates = false;
    // Outputs' EXIF dates carry the corrected date.
    bool FixExifDates = false;
    // "+05:30": captions show the photo date in this zone when the photo's
    // own is known; empty for the photo's own zone.
    QString DateZone;

    LabelStrip strip() const
    {
        return Strip == 1 ? LabelStrip::Across : Strip == 2 ? LabelStrip::Down : LabelStrip::None;
    }

    friend bool operator==(const StampSettings &, const StampSettings &) = default;
};

// What a run does when a file already holds an output's name.
enum class ExistingRule {
    KeepBoth = 0, // the output takes the next free number
    Replace = 1, // the old file goes to the run's trash, undo puts it back
    Skip = 2, // the photo is left out
};

struct AppOptions
{
    int Language = 0; // locale identifier; 0 is the native language
    int GPSForm = 2; // 0 degrees, 1 degrees and minutes, 2 degrees, minutes and seconds
    int jpgquality = 90;
    QString FilePostfix = QStringLiteral("_timestamp");
    QString DefaultSaveFolder;
    QString DefaultBrowseFolder;
    QString DesignFolder; // where designs were last loaded or saved
    int Skin = -1;
    // Stamp by re-encoding only the blocks under the label; jpgquality then
    // does not apply.
    bool KeepQuality = false;
    int ExistingFiles = 0; // an ExistingRule; any other value keeps both

    ExistingRule existingRule() const
    {
        return ExistingFiles == 1 ? ExistingRule::Replace
            : ExistingFiles == 2  ? ExistingRule::Skip
                                  : ExistingRule::KeepBoth;
    }

    friend bool operator==(const AppOptions &, const AppOptions &) = default;
};

} // namespace kelvra
