// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stamp/photo_date.h"
#include "stamp/stamp_settings.h"
#include "ui/design_model.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableWidget;
class QTimeEdit;

namespace kelvra {

// The date page: the clock corrections and the date rules of the design.
// It shows the design model and writes every edit to it.
// It also owns the status-bar text that says where the previewed photo's
// date came from, so the window only places it.
class DatePage : public QWidget
{
    Q_OBJECT
public:
    explicit DatePage(DesignModel &design, QWidget *parent = nullptr);

    // The status text for the previewed photo's dating; cleared without a photo.
    void showPhotoDate(const PhotoDating &dating);
    void clearPhotoDate();
    QLabel *statusLabel() const { return m_status; }

private:
    void showSettings();
    void shiftEdited();
    void camerasEdited();
    QString tableShifts() const;
    void showCameras(const QString &shifts);
    void addCamera();
    void removeCamera();
    void zoneEdited(const QString &text);

    DesignModel &m_design;
    QComboBox *m_sign = nullptr;
    QSpinBox *m_days = nullptr;
    QTimeEdit *m_time = nullptr;
    QTableWidget *m_cameras = nullptr;
    QCheckBox *m_nameDates = nullptr;
    QCheckBox *m_placeholders = nullptr;
    QCheckBox *m_fixExif = nullptr;
    QLineEdit *m_zone = nullptr;
    QLabel *m_status = nullptr;
};

} // namespace kelvra
