// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stamp/format_settings.h"

#include <QWidget>

class QComboBox;
class QLabel;

namespace kelvra {

class DesignModel;

// The file-name mask page: the mask box, the example under it and the help.
class MaskPage : public QWidget
{
    Q_OBJECT
public:
    MaskPage(DesignModel &design, const FormatSettings &format, QWidget *parent = nullptr);

protected:
    void changeEvent(QEvent *event) override;

private:
    void showDesign();

    DesignModel &m_design;
    const FormatSettings &m_format;
    QComboBox *m_mask = nullptr;
    QLabel *m_example = nullptr;
};

} // namespace kelvra
