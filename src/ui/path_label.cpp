// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/path_label.h"

#include <QDir>
#include <QFontMetrics>
#include <QGuiApplication>

namespace kelvra {

QString leftToRight(const QString &text)
{
    return text.isEmpty() ? text : QChar(0x2066) + text + QChar(0x2069);
}

QString pathInText(const QString &path)
{
    const QString native = QDir::toNativeSeparators(path);
    return QGuiApplication::isRightToLeft() ? leftToRight(native) : native;
}

PathLabel::PathLabel(QWidget *parent)
    : QLabel(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
}

void PathLabel::setPath(const QString &path)
{
    m_path = QDir::toNativeSeparators(path);
    setToolTip(m_path);
    setAccessibleName(m_path);
    fit();
}

QSize PathLabel::minimumSizeHint() const
{
    return { fontMetrics().horizontalAdvance(QStringLiteral("...")) * 4, QLabel::minimumSizeHint().height() };
}

QSize PathLabel::sizeHint() const
{
    const int margins = contentsMargins().left() + contentsMargins().right() + 2 * margin() + 4;
    return { fontMetrics().horizontalAdvance(m_path) + margins, QLabel::sizeHint().height() };
}

void PathLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    fit();
}

void PathLabel::fit()
{
    const int room = contentsRect().width() - 2 * margin() - 4;
    setText(leftToRight(fontMetrics().elidedText(m_path, Qt::ElideLeft, qMax(0, room))));
}

} // namespace kelvra
