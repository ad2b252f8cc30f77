// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/colour_selector.h"

#include "imaging/label_renderer.h"
#include "ui/user_dialogs.h"

#include <QPainter>
#include <QPixmap>

namespace kelvra {

namespace {

constexpr int kValueRole = Qt::UserRole;
constexpr int kCustomRole = Qt::UserRole + 1; // marks the "Custom..." entry

struct NamedColour
{
    const char *name;
    TColor value; // 0x00BBGGRR
};

constexpr NamedColour kStandardColours[] = {
    { QT_TR_NOOP("Black"), 0x000000 },
    { QT_TR_NOOP("Maroon"), 0x000080 },
    { QT_TR_NOOP("Green"), 0x008000 },
    { QT_TR_NOOP("Olive"), 0x008080 },
    { QT_TR_NOOP("Navy"), 0x800000 },
    { QT_TR_NOOP("Purple"), 0x800080 },
    { QT_TR_NOOP("Teal"), 0x808000 },
    { QT_TR_NOOP("Gray"), 0x808080 },
    { QT_TR_NOOP("Silver"), 0xC0C0C0 },
    { QT_TR_NOOP("Red"), 0x0000FF },
    { QT_TR_NOOP("Lime"), 0x00FF00 },
    { QT_TR_NOOP("Yellow"), 0x00FFFF },
    { QT_TR_NOOP("Blue"), 0xFF0000 },
    { QT_TR_NOOP("Fuchsia"), 0xFF00FF },
    { QT_TR_NOOP("Aqua"), 0xFFFF00 },
    { QT_TR_NOOP("White"), 0xFFFFFF },
};

QIcon swatch(TColor colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(96, 96, 96));
    if (colour == kNoColor) {
        // A crossed-out square says "none" or "chosen for you".
        painter.setBrush(Qt::white);
        painter.drawRect(1, 1, 13, 13);
        painter.drawLine(2, 13, 13, 2);
    } else {
        painter.setBrush(toQColor(colour));
        painter.drawRect(1, 1, 13, 13);
    }
    return QIcon(pixmap);
}

QString hexName(TColor colour)
{
    return toQColor(colour).name(QColor::HexRgb).toUpper();
}

} // namespace

TColor fromQColor(const QColor &colour)
{
    return TColor(colour.red() | (colour.green() << 8) | (colour.blue() << 16));
}

ColourSelector::ColourSelector(const QString &specialText, TColor specialValue, UserDialogs &dialogs, QWidget *parent)
    : QComboBox(parent)
    , m_dialogs(dialogs)
    , m_colour(specialValue)
{
    addItem(swatch(specialValue), specialText, specialValue);
    for (const NamedColour &c : kStandardColours)
        addItem(swatch(c.value), tr(c.name), c.value);
    addItem(tr("Custom..."));
    m_customIndex = count() - 1;
    setItemData(m_customIndex, true, kCustomRole);
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(this, &QComboBox::activated, this, &ColourSelector::entryActivated);
}

int ColourSelector::indexOf(TColor colour) const
{
    for (int i = 0; i < count(); ++i) {
        if (!itemData(i, kCustomRole).toBool() && itemData(i, kValueRole).isValid()
            && itemData(i, kValueRole).toInt() == colour)
            return i;
    }
    return -1;
}

void ColourSelector::showCustom(TColor colour)
{
    // One entry holds the custom colour, just before "Custom...".
    int custom = m_customIndex - 1;
    if (custom < 1 + int(std::size(kStandardColours))) {
        insertItem(m_customIndex, QString());
        custom = m_customIndex++;
    }
    setItemIcon(custom, swatch(colour));
    setItemText(custom, hexName(colour));
    setItemData(custom, colour, kValueRole);
    setCurrentIndex(custom);
}

void ColourSelector::setColour(TColor colour)
{
    m_colour = colour;
    const int index = indexOf(colour);
    if (index >= 0)
        setCurrentIndex(index);
    else
        showCustom(colour);
}

void ColourSelector::entryActivated(int index)
{
    if (itemData(index, kCustomRole).toBool()) {
        const QColor initial = m_colour == kNoColor ? QColor(Qt::white) : toQColor(m_colour);
        const std::optional<QColor> chosen = m_dialogs.chooseColor(this, initial, toolTip());
        if (!chosen) {
            setColour(m_colour); // back to the entry shown before
            return;
        }
        setColour(fromQColor(*chosen));
    } else {
        m_colour = itemData(index, kValueRole).toInt();
    }
    Q_EMIT colourChosen(m_colour);
}

} // namespace kelvra
