// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/design_model.h"

#include "stamp/caption.h"
#include "stamp/looks.h"

#include <cmath>

namespace kelvra {

namespace {

struct Anchor
{
    int XOrient;
    int YOrient;
};

constexpr Anchor kPlaces[] = { { 0, 0 }, { 1, 0 }, { 1, 1 }, { 0, 1 } };
constexpr double kPlaceMargin = 0.1;

} // namespace

DesignModel::DesignModel(QObject *parent)
    : QObject(parent)
    , m_sizePosition(sizeSliderPosition(m_settings.Size))
{
}

void DesignModel::edit(const std::function<void(StampSettings &)> &change)
{
    StampSettings changed = m_settings;
    change(changed);
    if (changed == m_settings)
        return;
    const bool sized = changed.Size != m_settings.Size;
    m_settings = std::move(changed);
    if (sized)
        m_sizePosition = sizeSliderPosition(m_settings.Size);
    Q_EMIT this->changed();
}

void DesignModel::setSizePosition(int position)
{
    position = std::clamp(position, kSizeSliderMin, kSizeSliderMax);
    if (position == m_sizePosition)
        return;
    m_settings.Size = sizeAfterSliderMove(position, m_sizePosition, m_settings.Size);
    m_sizePosition = position;
    Q_EMIT changed();
}

void DesignModel::setPlace(StandardPlace place)
{
    const Anchor anchor = kPlaces[int(place)];
    edit([anchor](StampSettings &s) {
        s.XOrient = anchor.XOrient;
        s.YOrient = anchor.YOrient;
        s.XD = kPlaceMargin;
        s.YD = kPlaceMargin;
    });
}

std::optional<StandardPlace> DesignModel::standardPlace() const
{
    if (m_settings.XD != kPlaceMargin || m_settings.YD != kPlaceMargin)
        return std::nullopt;
    for (int i = 0; i < 4; ++i)
        if (kPlaces[i].XOrient == m_settings.XOrient && kPlaces[i].YOrient == m_settings.YOrient)
            return StandardPlace(i);
    return std::nullopt;
}

void DesignModel::addToken(QLatin1StringView token)
{
    edit([token](StampSettings &s) { s.CaptionFormat = addTokenToCaption(s.CaptionFormat, token); });
}

void DesignModel::replace(const StampSettings &settings, int sizePosition)
{
    const int position = sizePosition < 0 ? sizeSliderPosition(settings.Size) : sizePosition;
    if (settings == m_settings && position == m_sizePosition)
        return;
    m_settings = settings;
    m_sizePosition = position;
    Q_EMIT changed();
}

CfgLoadResult DesignModel::load(const QString &path, AppOptions &options, const FormatSettings &format)
{
    StampSettings loaded;
    const CfgLoadResult result = LoadCFGFromFile(path, loaded, options, format, m_sizePosition);
    replace(loaded, result.sliderPosition);
    return result;
}

CfgLoadResult DesignModel::loadLook(const QString &path, const FormatSettings &format)
{
    StampSettings looked = m_settings;
    const CfgLoadResult result = applyLook(path, looked, format);
    // A look gone from the disk would turn the design into the defaults.
    if (!result.hadOptionsSection)
        return result;
    looked.StampPhotosOpt = true;
    replace(looked);
    return result;
}

CfgLoadResult DesignModel::loadProgram(const QString &path, AppOptions &options, const FormatSettings &format)
{
    StampSettings loaded;
    const CfgLoadResult result = LoadProgramSettings(path, loaded, options, format);
    replace(loaded, result.sliderPosition);
    return result;
}

double labelHeightPercent(double Size)
{
    return Size > 0 && std::isfinite(Size) ? 100.0 / Size : 0;
}

} // namespace kelvra
