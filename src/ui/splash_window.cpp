// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/splash_window.h"

#include "ui/version_text.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

namespace kelvra {

QPixmap kelvraArtwork(qreal devicePixelRatio)
{
    QPixmap pixmap(kArtworkSize * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(QColor(0xfb, 0xf9, 0xf4));
    QSvgRenderer renderer(QStringLiteral(":/art/kelvra-artwork.svg"));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(kArtworkSize)));
    return pixmap;
}

QLabel *artworkTagline(QWidget *artworkWindow)
{
    auto *tagline = new QLabel(
        QCoreApplication::translate("TLogoForm", "Date and camera stamps\nfor your photos"), artworkWindow);
    tagline->setObjectName(QStringLiteral("Tagline"));
    QFont font = tagline->font();
    font.setPixelSize(13);
    tagline->setFont(font);
    QPalette palette = tagline->palette();
    palette.setColor(QPalette::WindowText, QColor(0x5b, 0x64, 0x70));
    tagline->setPalette(palette);
    tagline->setAttribute(Qt::WA_TranslucentBackground);
    tagline->move(28, 152);
    // Under the name, left of the print, as the artwork has it in every language.
    tagline->resize(185, 40);
    tagline->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignTop);
    return tagline;
}

TLogoForm::TLogoForm(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("LogoForm"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFixedSize(kArtworkSize);
    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setGeometry(QRect(QPoint(0, 0), kArtworkSize));
    m_image->setPixmap(kelvraArtwork(devicePixelRatioF()));
    m_image->setAccessibleName(QStringLiteral("Kelvra"));
    artworkTagline(this);

    m_version = new QLabel(this);
    m_version->setObjectName(QStringLiteral("LabelV"));
    m_version->move(8, 6);
    QFont bold = m_version->font();
    bold.setBold(true);
    m_version->setFont(bold);
    QPalette palette = m_version->palette();
    palette.setColor(QPalette::WindowText, kVersionColour);
    m_version->setPalette(palette);
    m_version->setAutoFillBackground(false);
    m_version->setAttribute(Qt::WA_TranslucentBackground);
}

void TLogoForm::showEvent(QShowEvent *event)
{
    m_version->setText(programVersionText());
    m_version->adjustSize();
    QWidget::showEvent(event);
}

void TLogoForm::showNow()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect bounds(QPoint(0, 0), kArtworkSize);
        bounds.moveCenter(screen->geometry().center());
        move(bounds.topLeft());
    }
    show();
    raise();
    // Nothing else runs until the main window stands, so paint now.
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace kelvra
