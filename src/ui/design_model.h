// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stamp/format_settings.h"
#include "stamp/settings_file.h"
#include "stamp/stamp_settings.h"

#include <QLatin1StringView>
#include <QObject>

#include <functional>
#include <optional>

namespace kelvra {

// The four standard places, in the order of the commands StampTo1..StampTo4.
enum class StandardPlace { TopLeft = 0, TopRight = 1, BottomRight = 2, BottomLeft = 3 };

// The design being edited: the one copy of the stamp settings that the
// window's pages, its preview, its commands and its settings files read and
// write. Every change, however it is made, is announced once by changed(); a
// change that leaves the design as it was announces nothing. A page shows
// settings() when changed() arrives and writes through edit().
class DesignModel : public QObject
{
    Q_OBJECT
public:
    explicit DesignModel(QObject *parent = nullptr);

    const StampSettings &settings() const { return m_settings; }
    // Where the size slider stands (8..500). Kept beside Size: moving the
    // slider to where it stands keeps a Size that 1000 / position would round.
    int sizePosition() const { return m_sizePosition; }

    void edit(const std::function<void(StampSettings &)> &change);
    void setSizePosition(int position);
    // The anchor of a standard place at a tenth of the photo from its edges; the size stays.
    void setPlace(StandardPlace place);
    // The standard place the design is at; none when it was placed by hand.
    std::optional<StandardPlace> standardPlace() const;
    // Appends a caption token (once).
    void addToken(QLatin1StringView token);

    // The whole design at once; the slider at sizePosition, or where Size puts it when that is below 0.
    void replace(const StampSettings &settings, int sizePosition = -1);
    // A settings file read into the design and GPSForm; every key it lacks
    // takes its default.
    CfgLoadResult load(const QString &path, AppOptions &options, const FormatSettings &format);
    // A ready design's appearance over the design (see applyLook); the stamp
    // task comes on, since a look is chosen to be stamped. A file without
    // the design's section changes nothing (hadOptionsSection is false).
    CfgLoadResult loadLook(const QString &path, const FormatSettings &format);
    // The program INI at start: the design, GPSForm and the start-up options.
    CfgLoadResult loadProgram(const QString &path, AppOptions &options, const FormatSettings &format);

Q_SIGNALS:
    void changed();

private:
    StampSettings m_settings;
    int m_sizePosition;
};

// The label's font height in per cent of the photo's shorter side.
double labelHeightPercent(double Size);

} // namespace kelvra
