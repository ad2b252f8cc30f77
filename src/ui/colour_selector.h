// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stamp/stamp_settings.h"

#include <QComboBox>

namespace kelvra {

class UserDialogs;

// A colour list: a special first entry with its own value (kNoColor for "no
// box" or "automatic contrast"), the sixteen standard colours, the custom
// colour last chosen, and "Custom..." that asks for any other colour.
class ColourSelector : public QComboBox
{
    Q_OBJECT
public:
    ColourSelector(const QString &specialText, TColor specialValue, UserDialogs &dialogs, QWidget *parent = nullptr);

    TColor colour() const { return m_colour; }
    // Shows colour without announcing it; a colour of no entry becomes the
    // custom entry.
    void setColour(TColor colour);

Q_SIGNALS:
    void colourChosen(TColor colour);

private:
    void entryActivated(int index);
    int indexOf(TColor colour) const;
    void showCustom(TColor colour);

    UserDialogs &m_dialogs;
    TColor m_colour;
    int m_customIndex = -1; // the "Custom..." entry
};

TColor fromQColor(const QColor &colour);

} // namespace kelvra
