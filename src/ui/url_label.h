// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QLabel>

namespace kelvra {

class UserDialogs;

// A link: takes HighlightColor while the pointer is over it and its own
// colour again when the pointer leaves; a left click or Enter/Space with
// the focus opens URL through the desktop.
class TURLLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TURLLabel(UserDialogs &dialogs, QWidget *parent = nullptr);

    QString URL;
    QColor HighlightColor = QColor(255, 128, 0);

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QColor textColour() const;
    void setTextColour(const QColor &colour);
    void open();

    UserDialogs &m_dialogs;
    QColor m_normal; // the colour to give back on leaving
    bool m_highlighted = false;
};

} // namespace kelvra
