// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/progress_window.h"

#include "localization/form_harvest.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace kelvra {

namespace {

const QString kEllipsis = QStringLiteral("...");

} // namespace

TProgressForm::TProgressForm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("ProgressForm"));
    setAccessibleName(tr("Progress"));
    // Modeless: the main window must still take a close while a run goes on.
    setModal(false);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    // Without a border of its own the window needs a frame to stand out.
    auto *frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Raised);
    outer->addWidget(frame);
    auto *layout = new QVBoxLayout(frame);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(8);

    m_text = new QLabel(kEllipsis, frame);
    m_text->setObjectName(QStringLiteral("Label1"));
    // The name is the text itself, so a screen reader hears the count change;
    // the description says what the text is about.
    m_text->setProperty(kNotTranslated, QStringList { QStringLiteral("Caption"), QStringLiteral("AccessibleName") });
    m_text->setAccessibleName(kEllipsis);
    m_text->setAccessibleDescription(tr("Photo being processed"));
    layout->addWidget(m_text);
    m_bar = new QProgressBar(frame);
    m_bar->setObjectName(QStringLiteral("ProgressBar1"));
    m_bar->setAccessibleName(tr("Progress"));
    m_bar->setTextVisible(false);
    m_bar->setRange(0, 1);
    m_bar->setValue(0);
    layout->addWidget(m_bar);
    m_cancel = new QPushButton(tr("Cancel"), frame);
    m_cancel->setObjectName(QStringLiteral("Button1"));
    m_cancel->setAccessibleName(m_cancel->text());
    m_cancel->setAutoDefault(false);
    layout->addWidget(m_cancel);
    connect(m_cancel, &QPushButton::clicked, this, &TProgressForm::requestCancel);
    // Esc cancels from the main window too; only while a run shows this window.
    m_escape = new QShortcut(
        QKeySequence(Qt::Key_Escape), this, this, &TProgressForm::requestCancel, Qt::ApplicationShortcut);
    m_escape->setEnabled(false);

    setFixedSize(420, sizeHint().height());
}

void TProgressForm::ProgressStart()
{
    m_needToClose = false;
    m_cancel->setEnabled(true);
    setText(kEllipsis);
    m_bar->setRange(0, 1);
    m_bar->setValue(0);
}

void TProgressForm::setText(const QString &text)
{
    if (m_text->text() == text)
        return;
    m_text->setText(text);
    m_text->setAccessibleName(text);
}

void TProgressForm::ProgressStep(int position, int maximum)
{
    if (!isVisible()) {
        show();
        activateWindow();
        m_cancel->setFocus();
    }
    if (position == m_bar->value() && position != 0)
        return;
    setText(tr("Processing: [%1/%2]...").arg(position).arg(maximum));
    m_bar->setRange(0, qMax(1, maximum));
    m_bar->setValue(position);
}

void TProgressForm::ProgressEnd()
{
    setText(kEllipsis);
    m_bar->setValue(0);
    hide();
}

void TProgressForm::reject()
{
    requestCancel();
}

void TProgressForm::closeEvent(QCloseEvent *event)
{
    // Only the run hides this window; a close from outside asks it to stop.
    if (isVisible() && !m_needToClose) {
        requestCancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TProgressForm::showEvent(QShowEvent *event)
{
    if (const QWidget *main = parentWidget()) {
        const QRect area = main->frameGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    m_escape->setEnabled(true);
    QDialog::showEvent(event);
}

void TProgressForm::hideEvent(QHideEvent *event)
{
    m_escape->setEnabled(false);
    QDialog::hideEvent(event);
}

void TProgressForm::requestCancel()
{
    if (m_needToClose)
        return;
    m_needToClose = true;
    // The photos already started still finish; the button says it was heard.
    m_cancel->setEnabled(false);
    Q_EMIT cancelRequested();
}

} // namespace kelvra
