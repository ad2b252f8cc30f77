// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/date_page.h"

#include "localization/form_harvest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QTime>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace kelvra {

namespace {

template<typename Widget> Widget *named(Widget *widget, const char *name, const QString &accessible)
{
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(accessible);
    return widget;
}

} // namespace

DatePage::DatePage(DesignModel &design, QWidget *parent)
    : QWidget(parent)
    , m_design(design)
{
    setObjectName(QStringLiteral("DatePage"));
    setWindowTitle(tr("Date"));
    setAccessibleName(windowTitle());
    setProperty("helpTopic", 40);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);

    auto *left = new QGridLayout;
    auto *shiftLabel = new QLabel(tr("&Clock shift for all photos"), this);
    shiftLabel->setObjectName(QStringLiteral("ShiftLabel"));
    m_sign = named(new QComboBox(this), "ShiftSign", tr("Shift direction"));
    m_sign->addItems({ QStringLiteral("+"), QStringLiteral("-") });
    m_sign->setProperty(kNotTranslated, true);
    m_days = named(new QSpinBox(this), "ShiftDays", tr("Shift days"));
    m_days->setRange(0, 99999);
    m_days->setSuffix(tr(" d"));
    m_time = named(new QTimeEdit(this), "ShiftTime", tr("Shift hours, minutes and seconds"));
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    shiftLabel->setBuddy(m_sign);
    auto *shiftRow = new QHBoxLayout;
    shiftRow->addWidget(m_sign);
    shiftRow->addWidget(m_days);
    shiftRow->addWidget(m_time);
    shiftRow->addStretch(1);
    left->addWidget(shiftLabel, 0, 0);
    left->addLayout(shiftRow, 1, 0);

    m_nameDates = named(new QCheckBox(tr("Dates from file &names (IMG_20210906_165243.jpg)"), this), "NameDatesBox",
        tr("Dates from file names"));
    m_placeholders = named(new QCheckBox(tr("&Ignore unset camera clocks (2000-01-01 00:00:00)"), this),
        "PlaceholderBox", tr("Ignore unset camera clocks"));
    m_fixExif = named(new QCheckBox(tr("&Write the corrected date into the outputs' EXIF"), this), "FixExifBox",
        tr("Write the corrected date into the outputs' EXIF"));
    left->addWidget(m_nameDates, 2, 0);
    left->addWidget(m_placeholders, 3, 0);
    left->addWidget(m_fixExif, 4, 0);

    auto *zoneLabel = new QLabel(tr("Show dates in &zone"), this);
    zoneLabel->setObjectName(QStringLiteral("ZoneLabel"));
    m_zone = named(new QLineEdit(this), "ZoneBox", tr("Show dates in zone"));
    m_zone->setPlaceholderText(tr("the photo's own"));
    m_zone->setToolTip(tr("+HH:MM or -HH:MM; only photos that record their zone are converted"));
    m_zone->setMaxLength(6);
    zoneLabel->setBuddy(m_zone);
    auto *zoneRow = new QHBoxLayout;
    zoneRow->addWidget(zoneLabel);
    zoneRow->addWidget(m_zone);
    zoneRow->addStretch(1);
    left->addLayout(zoneRow, 5, 0);
    left->setRowStretch(6, 1);
    layout->addLayout(left, 1);

    auto *right = new QVBoxLayout;
    auto *camerasLabel = new QLabel(tr("Clock shift per ca&mera"), this);
    camerasLabel->setObjectName(QStringLiteral("CamerasLabel"));
    m_cameras = named(new QTableWidget(0, 2, this), "CameraShiftsTable", tr("Clock shift per camera"));
    m_cameras->setHorizontalHeaderLabels({ tr("Camera model"), tr("Shift (+1d2:30)") });
    m_cameras->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_cameras->verticalHeader()->hide();
    m_cameras->setProperty(kNotTranslated, true);
    camerasLabel->setBuddy(m_cameras);
    auto *add = named(new QPushButton(tr("Add camera"), this), "AddCameraButton", tr("Add camera"));
    auto *remove = named(new QPushButton(tr("Remove camera"), this), "RemoveCameraButton", tr("Remove camera"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    right->addWidget(camerasLabel);
    right->addWidget(m_cameras, 1);
    right->addLayout(buttons);
    layout->addLayout(right, 1);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("PhotoDateSource"));
    m_status->setProperty(kNotTranslated, true);

    connect(m_sign, &QComboBox::currentIndexChanged, this, &DatePage::shiftEdited);
    connect(m_days, &QSpinBox::valueChanged, this, &DatePage::shiftEdited);
    connect(m_time, &QTimeEdit::timeChanged, this, &DatePage::shiftEdited);
    connect(m_cameras, &QTableWidget::cellChanged, this, &DatePage::camerasEdited);
    connect(add, &QPushButton::clicked, this, &DatePage::addCamera);
    connect(remove, &QPushButton::clicked, this, &DatePage::removeCamera);
    const auto flag = [this](QCheckBox *box, bool StampSettings::*member) {
        connect(box, &QCheckBox::toggled, this,
            [this, member](bool on) { m_design.edit([member, on](StampSettings &s) { s.*member = on; }); });
    };
    flag(m_nameDates, &StampSettings::NameDates);
    flag(m_placeholders, &StampSettings::IgnorePlaceholderDates);
    flag(m_fixExif, &StampSettings::FixExifDates);
    connect(m_zone, &QLineEdit::textEdited, this, &DatePage::zoneEdited);
    connect(&m_design, &DesignModel::changed, this, &DatePage::showSettings);
    showSettings();
}

void DatePage::showSettings()
{
    const StampSettings &settings = m_design.settings();
    const qint64 shift = parseDateOffset(settings.DateShift).value_or(0);
    const qint64 magnitude = shift < 0 ? -shift : shift;
    {
        const QSignalBlocker blockSign(m_sign), blockDays(m_days), blockTime(m_time), blockCameras(m_cameras);
        m_sign->setCurrentIndex(shift < 0 ? 1 : 0);
        m_days->setValue(static_cast<int>(magnitude / 86400));
        m_time->setTime(QTime(0, 0).addSecs(static_cast<int>(magnitude % 86400)));
        if (tableShifts() != settings.CameraShifts)
            showCameras(settings.CameraShifts);
    }
    const QSignalBlocker blockNames(m_nameDates), blockPlaceholders(m_placeholders), blockFix(m_fixExif);
    m_nameDates->setChecked(settings.NameDates);
    m_placeholders->setChecked(settings.IgnorePlaceholderDates);
    m_fixExif->setChecked(settings.FixExifDates);
    if (m_zone->text().trimmed() != settings.DateZone)
        m_zone->setText(settings.DateZone);
}

void DatePage::showCameras(const QString &shifts)
{
    m_cameras->setRowCount(0);
    for (const CameraShift &camera : parseCameraShifts(shifts).value_or(std::vector<CameraShift>())) {
        const int row = m_cameras->rowCount();
        m_cameras->insertRow(row);
        m_cameras->setItem(row, 0, new QTableWidgetItem(camera.camera));
        m_cameras->setItem(row, 1, new QTableWidgetItem(formatDateOffset(camera.seconds)));
    }
}

void DatePage::shiftEdited()
{
    const qint64 seconds = m_days->value() * qint64(86400) + QTime(0, 0).secsTo(m_time->time());
    const qint64 signedSeconds = m_sign->currentIndex() == 1 ? -seconds : seconds;
    const QString shift = signedSeconds == 0 ? QString() : formatDateOffset(signedSeconds);
    m_design.edit([&shift](StampSettings &s) { s.DateShift = shift; });
}

QString DatePage::tableShifts() const
{
    // Rows still being typed, or whose shift is no offset, count for nothing yet.
    QString list;
    for (int row = 0; row < m_cameras->rowCount(); ++row) {
        const QTableWidgetItem *camera = m_cameras->item(row, 0), *offset = m_cameras->item(row, 1);
        if (!camera || !offset || camera->text().trimmed().isEmpty() || offset->text().trimmed().isEmpty())
            continue;
        if (const std::optional<qint64> seconds = parseDateOffset(offset->text()))
            list = withCameraShift(list, camera->text().trimmed(), *seconds);
    }
    return list;
}

void DatePage::camerasEdited()
{
    const QString list = tableShifts();
    m_design.edit([&list](StampSettings &s) { s.CameraShifts = list; });
}

void DatePage::addCamera()
{
    const int row = m_cameras->rowCount();
    m_cameras->insertRow(row);
    m_cameras->setCurrentCell(row, 0);
    m_cameras->editItem(m_cameras->item(row, 0));
}

void DatePage::removeCamera()
{
    const int row = m_cameras->currentRow();
    if (row < 0)
        return;
    m_cameras->removeRow(row);
    camerasEdited();
}

void DatePage::zoneEdited(const QString &text)
{
    // A zone half typed changes nothing yet.
    const QString zone = text.trimmed();
    if (!zone.isEmpty() && !parseZoneOffset(zone))
        return;
    m_design.edit([&zone](StampSettings &s) { s.DateZone = zone; });
}

void DatePage::showPhotoDate(const PhotoDating &dating)
{
    if (dating.source == DateSource::None) {
        m_status->setText(tr("No photo date"));
        return;
    }
    QString source = dateSourceName(dating.source);
    if (dating.source == DateSource::FileName)
        source = tr("the file name");
    else if (dating.source == DateSource::FileDate)
        source = tr("the file date");
    // Dates, tag names and offsets read left to right in a Hebrew window too.
    const auto ltr = [](const QString &part) { return QChar(0x2066) + part + QChar(0x2069); };
    if (dating.source != DateSource::FileName && dating.source != DateSource::FileDate)
        source = ltr(source);
    QString text = tr("Date %1 from %2").arg(ltr(isoDateText(dating.corrected)), source);
    if (dating.shiftSeconds != 0)
        text += tr(", shifted %1").arg(ltr(formatDateOffset(dating.shiftSeconds)));
    if (!dating.offset.isEmpty())
        text += QLatin1Char(' ') + ltr(dating.offset);
    m_status->setText(text);
}

void DatePage::clearPhotoDate()
{
    m_status->clear();
}

} // namespace kelvra
