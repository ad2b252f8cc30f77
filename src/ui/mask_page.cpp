// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/mask_page.h"

#include "localization/form_harvest.h"
#include "stamp/date_time.h"
#include "stamp/file_mask.h"
#include "ui/design_model.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kelvra {

MaskPage::MaskPage(DesignModel &design, const FormatSettings &format, QWidget *parent)
    : QWidget(parent)
    , m_design(design)
    , m_format(format)
{
    setObjectName(QStringLiteral("FileNameMask"));
    setWindowTitle(tr("File name mask"));
    setAccessibleName(windowTitle());
    setProperty("helpTopic", 30);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);

    auto *left = new QVBoxLayout;
    auto *title = new QLabel(tr("File name &mask"), this);
    title->setObjectName(QStringLiteral("MaskLabel"));
    m_mask = new QComboBox(this);
    m_mask->setObjectName(QStringLiteral("MaskBox"));
    m_mask->setProperty(kNotTranslated, true);
    m_mask->setEditable(true);
    m_mask->setInsertPolicy(QComboBox::NoInsert);
    m_mask->addItems(offeredMasks());
    m_mask->setMinimumContentsLength(22);
    m_mask->setAccessibleName(tr("File name mask"));
    title->setBuddy(m_mask);
    m_example = new QLabel(this);
    m_example->setObjectName(QStringLiteral("MaskExample"));
    m_example->setProperty(kNotTranslated, true);
    m_example->setTextInteractionFlags(Qt::TextSelectableByMouse);
    left->addWidget(title);
    left->addWidget(m_mask);
    left->addWidget(m_example);
    left->addStretch(1);
    layout->addLayout(left, 1);

    // The help, in three blocks.
    int blocks = 0;
    auto block = [this, layout, &blocks](const QStringList &lines) {
        auto *label = new QLabel(lines.join(QLatin1Char('\n')), this);
        label->setObjectName(QStringLiteral("MaskHelp%1").arg(++blocks));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        layout->addWidget(label);
    };
    block({ tr("%o - original file name"), tr("%n1-%n9 - photo count (length  1-9)") });
    block({ tr("Photo date:"), tr("%dw - day of week"), tr("%dy - day of the year"), tr("%wy - week of the year"),
        tr("%wm - week of the month") });
    block({ tr("%y - year"), tr("%m - month"), tr("%d - day"), tr("%h - hour"), tr("%n - minute"), tr("%s - second") });
    layout->addStretch(0);

    connect(m_mask, &QComboBox::editTextChanged, this,
        [this](const QString &text) { m_design.edit([&text](StampSettings &s) { s.FNMask = text; }); });
    connect(&m_design, &DesignModel::changed, this, &MaskPage::showDesign);
    showDesign();
}

void MaskPage::showDesign()
{
    const QString &mask = m_design.settings().FNMask;
    // Typed here, the box already holds it; setting it again would move the cursor.
    if (m_mask->currentText() != mask) {
        const QSignalBlocker block(m_mask);
        m_mask->setEditText(mask);
    }
    const TDateTime now = currentDateTime();
    m_example->setText(tr("Example ") + maskExample(mask, now, m_format));
    // Never cut: the page asks for the room the whole example needs.
    m_example->setMinimumWidth(m_example->sizeHint().width());
}

void MaskPage::changeEvent(QEvent *event)
{
    // The example's word and its dates follow the interface language.
    if (event->type() == QEvent::LanguageChange)
        showDesign();
    QWidget::changeEvent(event);
}

} // namespace kelvra
