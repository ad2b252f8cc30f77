// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/about_window.h"

#include "localization/form_harvest.h"
#include "ui/splash_window.h"
#include "ui/url_label.h"
#include "ui/version_text.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>

namespace kelvra {

namespace {

// The page's corner stays free for the version; the links and the button
// sit on the empty strip below the print.
constexpr QPoint kLink1At(30, 222);
constexpr QPoint kLink2At(30, 246);
constexpr QSize kButtonSize(104, 30);

void setColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

TURLLabel *makeLink(
    UserDialogs &dialogs, const QString &name, const QString &text, const QString &url, QPoint at, QWidget *parent)
{
    auto *link = new TURLLabel(dialogs, parent);
    link->setObjectName(name);
    link->setProperty(kNotTranslated, true);
    link->setText(text);
    link->URL = url;
    link->HighlightColor = QColor(240, 138, 36);
    setColour(link, kVersionColour);
    link->setAccessibleName(text);
    link->setToolTip(url);
    link->move(at);
    link->adjustSize();
    return link;
}

} // namespace

TAboutBox::TAboutBox(UserDialogs &dialogs, QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
            | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(tr("About..."));
    setProperty("helpTopic", 50);
    setFixedSize(kArtworkSize);

    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setGeometry(QRect(QPoint(0, 0), kArtworkSize));
    m_image->setPixmap(kelvraArtwork(devicePixelRatioF()));
    m_image->setCursor(Qt::PointingHandCursor);
    m_image->setAccessibleName(QStringLiteral("Kelvra"));
    artworkTagline(this);

    m_version = new QLabel(this);
    m_version->setObjectName(QStringLiteral("Label2"));
    m_version->setProperty(kNotTranslated, true);
    QFont bold = m_version->font();
    bold.setBold(true);
    m_version->setFont(bold);
    setColour(m_version, kVersionColour);
    m_version->move(8, 6);

    m_link1 = makeLink(dialogs, QStringLiteral("URLLabel1"), QStringLiteral("kelvra.org"), kProductUrl, kLink1At, this);
    m_link2 = makeLink(
        dialogs, QStringLiteral("URLLabel2"), QStringLiteral("support@kelvra.org"), kSupportMail, kLink2At, this);

    m_continue = new QPushButton(tr("Continue"), this);
    m_continue->setObjectName(QStringLiteral("BitBtn2"));
    m_continue->setDefault(true);
    m_continue->resize(kButtonSize);
    m_continue->move(
        kArtworkSize.width() - kButtonSize.width() - 14, kArtworkSize.height() - kButtonSize.height() - 14);
    connect(m_continue, &QPushButton::clicked, this, &QDialog::accept);

    showVersion();
}

void TAboutBox::showVersion()
{
    m_version->setText(programVersionText());
    m_version->adjustSize();
}

void TAboutBox::showEvent(QShowEvent *event)
{
    showVersion();
    m_continue->setFocus();
    QDialog::showEvent(event);
}

void TAboutBox::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        showVersion();
    QDialog::changeEvent(event);
}

} // namespace kelvra
