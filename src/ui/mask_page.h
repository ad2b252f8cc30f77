// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stamp/format_settings.h"
#include "stamp/stamp_settings.h"

#include <QWidget>

class QComboBox;
class QLabel;

namespace kelvra {

// The file-name mask page: the mask box, the example under it and the help.
class MaskPage : public QWidget
{
    Q_OBJECT
public:
    MaskPage(StampSettings &settings, const FormatSettings &format, QWidget *parent = nullptr);

    void showSettings();
    QComboBox *maskBox() const { return m_mask; }
    QLabel *exampleLabel() const { return m_example; }

private:
    void showExample();

    StampSettings &m_settings;
    const FormatSettings &m_format;
    QComboBox *m_mask = nullptr;
    QLabel *m_example = nullptr;
};

} // namespace kelvra
