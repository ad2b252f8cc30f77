// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStyledItemDelegate>

namespace kelvra {

// A file name, path or size keeps its own reading order in a right-to-left
// window: "67-0_trip.jpg" would otherwise show as "trip.jpg_67-0". Embedded
// left to right unless it holds right-to-left letters itself.
inline QString inOwnReadingOrder(const QString &text)
{
    if (text.isEmpty() || text.isRightToLeft())
        return text;
    return QChar(0x202A) + text + QChar(0x202C);
}

// The views of file names: each item's text in its own reading order.
class OwnReadingOrderDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->direction == Qt::RightToLeft)
            option->text = inOwnReadingOrder(option->text);
    }
};

} // namespace kelvra
