// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/url_label.h"

#include "ui/user_dialogs.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QUrl>

namespace kelvra {

TURLLabel::TURLLabel(UserDialogs &dialogs, QWidget *parent)
    : QLabel(parent)
    , m_dialogs(dialogs)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
}

QColor TURLLabel::textColour() const
{
    return palette().color(QPalette::WindowText);
}

void TURLLabel::setTextColour(const QColor &colour)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

void TURLLabel::enterEvent(QEnterEvent *event)
{
    if (!m_highlighted) {
        m_normal = textColour();
        m_highlighted = true;
        setTextColour(HighlightColor);
    }
    QLabel::enterEvent(event);
}

void TURLLabel::leaveEvent(QEvent *event)
{
    if (m_highlighted) {
        m_highlighted = false;
        setTextColour(m_normal);
    }
    QLabel::leaveEvent(event);
}

void TURLLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        open();
        event->accept();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void TURLLabel::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        open();
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}

void TURLLabel::open()
{
    if (URL.isEmpty())
        return;
    if (!m_dialogs.openUrl(QUrl(URL)))
        m_dialogs.showMessage(window(), MessageKind::Warning, tr("Unable to open %1").arg(URL));
}

} // namespace kelvra
