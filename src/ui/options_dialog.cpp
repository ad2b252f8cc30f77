// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/options_dialog.h"

#include "localization/form_harvest.h"
#include "stamp/settings_file.h"
#include "ui/language_list.h"
#include "ui/user_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace kelvra {

namespace {

constexpr int kDialogWidth = 491;

// Lets a quality outside the range be typed, so that leaving the box or
// pressing Enter brings it to the nearer limit rather than dropping it.
class QualitySpinBox : public QSpinBox
{
public:
    using QSpinBox::QSpinBox;

protected:
    QValidator::State validate(QString &input, int &) const override
    {
        const QString text = input.trimmed();
        if (text.isEmpty())
            return QValidator::Intermediate;
        if (text.size() > 4)
            return QValidator::Invalid;
        for (const QChar c : text) {
            if (!c.isDigit())
                return QValidator::Invalid;
        }
        const int value = text.toInt();
        return value >= minimum() && value <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
    }
    void fixup(QString &input) const override { input = QString::number(dialogQuality(input)); }
};

// A form row's caption, named so that a language file reaches it.
QLabel *fieldLabel(const QString &text, const char *name, QWidget *buddy)
{
    auto *label = new QLabel(text, buddy->parentWidget());
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    return label;
}

} // namespace

QString listedLanguageName(const LanguageEntry &entry)
{
    const QString own = entry.localizedName.trimmed();
    if (own.isEmpty() || own == entry.englishName)
        return entry.englishName;
    // Each name keeps its own direction inside a list of the other direction.
    return QChar(0x2068) + own + QChar(0x2069) + QStringLiteral(" (") + entry.englishName + u')';
}

int dialogQuality(const QString &typed)
{
    bool number = false;
    const int value = typed.trimmed().toInt(&number);
    if (!number)
        return kMinDialogQuality;
    return qBound(kMinDialogQuality, value, kMaxDialogQuality);
}

int dialogGpsForm(int stored)
{
    return stored >= 0 && stored <= 2 ? stored : 2;
}

TFormOptions::TFormOptions(
    AppOptions &options, const QString &iniPath, LanguageList &languages, UserDialogs &dialogs, QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
            | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_options(options)
    , m_iniPath(iniPath)
    , m_languages(languages)
    , m_dialogs(dialogs)
    , m_pendingLanguage(options.Language)
{
    setObjectName(QStringLiteral("FormOptions"));
    setWindowTitle(tr("Options..."));
    setProperty("helpTopic", 180);
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 10);
    layout->setSpacing(10);
    m_form = new QFormLayout;
    m_form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_form->setHorizontalSpacing(10);
    m_form->setVerticalSpacing(6);

    m_quality = new QualitySpinBox(this);
    m_quality->setObjectName(QStringLiteral("OriginalQuality"));
    m_quality->setRange(kMinDialogQuality, kMaxDialogQuality);
    m_quality->setSingleStep(5);
    m_quality->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    m_quality->setValue(options.jpgquality);
    m_quality->setAccessibleName(tr("Output JPG quality"));
    m_quality->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_quality->setMinimumWidth(80);
    m_form->addRow(fieldLabel(tr("Output JPG quality"), "QualityLabel", m_quality), m_quality);

    m_keepQuality = new QCheckBox(tr("Keep photo quality (re-encode only the label)"), this);
    m_keepQuality->setObjectName(QStringLiteral("KeepQuality"));
    m_keepQuality->setAccessibleName(m_keepQuality->text());
    m_keepQuality->setToolTip(tr("The photo keeps its own compression; only the blocks under the label are "
                                 "encoded again, so the output quality does not apply."));
    m_keepQuality->setChecked(options.KeepQuality);
    m_form->addRow(QString(), m_keepQuality);
    m_quality->setEnabled(!options.KeepQuality);
    connect(m_keepQuality, &QCheckBox::toggled, m_quality, [this](bool on) { m_quality->setEnabled(!on); });

    m_existing = new QComboBox(this);
    m_existing->setObjectName(QStringLiteral("ExistingFilesCombo"));
    // In ExistingRule order, so the index is what is saved.
    m_existing->addItems({ tr("Keep both"), tr("Replace"), tr("Skip") });
    m_existing->setAccessibleName(tr("When the name is taken"));
    m_existing->setToolTip(tr("Keep both: the new file takes the next free number.\n"
                              "Replace: the old file is kept aside, so Undo Last Run can bring it back.\n"
                              "Skip: the photo is left out."));
    m_existing->setCurrentIndex(int(options.existingRule()));
    m_form->addRow(fieldLabel(tr("When the name is taken"), "ExistingFilesLabel", m_existing), m_existing);

    m_gpsForm = new QComboBox(this);
    m_gpsForm->setObjectName(QStringLiteral("GPSFormDown"));
    // The samples are isolated left to right, so a right-to-left list shows them unmirrored.
    m_gpsForm->addItems(
        { tr("Decimal Degrees (\u2066XX.XXXX\u00B0\u2069)"), tr("Degrees, Minutes(\u2066XX\u00B0 XX.XX'\u2069)"),
            tr("Degrees, Minutes, Sec (\u2066XX\u00B0 XX' XX''\u2069)") });
    m_gpsForm->setAccessibleName(tr("GPS format"));
    m_form->addRow(fieldLabel(tr("GPS format"), "GPSFormLabel", m_gpsForm), m_gpsForm);

    m_language = new QComboBox(this);
    m_language->setObjectName(QStringLiteral("LanguageCombo"));
    // Language names stay as each language file gives them.
    m_language->setProperty(kNotTranslated, true);
    m_language->setAccessibleName(tr("Interface language"));
    const int current = languages.currentLocale();
    m_shownLocale = current;
    for (const LanguageEntry &entry : languages.languages()) {
        m_language->addItem(listedLanguageName(entry), entry.locale);
        if (entry.locale == current)
            m_language->setCurrentIndex(m_language->count() - 1);
    }
    if (m_language->findData(current) < 0)
        m_language->setCurrentIndex(-1);
    m_form->addRow(fieldLabel(tr("Interface language"), "LanguageLabel", m_language), m_language);
    layout->addLayout(m_form);

    auto *buttons = new QDialogButtonBox(this);
    m_save = buttons->addButton(tr("Save"), QDialogButtonBox::AcceptRole);
    m_save->setObjectName(QStringLiteral("BitBtn1"));
    m_save->setDefault(true);
    m_cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    m_cancel->setObjectName(QStringLiteral("BitBtn2"));
    layout->addWidget(buttons);
    fitHeight();

    // Only a pick by the user counts, not the selection made above.
    connect(m_language, &QComboBox::activated, this, &TFormOptions::languagePicked);
    connect(m_save, &QPushButton::clicked, this, &TFormOptions::BitBtn1Click);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_gpsForm->setCurrentIndex(dialogGpsForm(options.GPSForm));
}

void TFormOptions::fitHeight()
{
    // A fixed frame: the width of the design unless a language's texts need
    // more, the height the rows need.
    layout()->activate();
    const QSize need = layout()->sizeHint();
    setFixedSize(std::max(kDialogWidth, need.width()), need.height());
}

void TFormOptions::showEvent(QShowEvent *event)
{
    m_gpsForm->setCurrentIndex(dialogGpsForm(m_options.GPSForm));
    // The texts are the language's by now.
    fitHeight();
    QDialog::showEvent(event);
}

void TFormOptions::languagePicked(int index)
{
    if (index < 0)
        return;
    m_pendingLanguage = m_language->itemData(index).toInt();
    m_languagePicked = true;
}

void TFormOptions::BitBtn1Click()
{
    // A text still being typed counts as it would on leaving the box.
    m_quality->interpretText();
    m_options.GPSForm = dialogGpsForm(m_gpsForm->currentIndex());
    m_options.jpgquality = dialogQuality(m_quality->text());
    m_options.Language = m_pendingLanguage;
    m_options.KeepQuality = m_keepQuality->isChecked();
    m_options.ExistingFiles = m_existing->currentIndex();
    const SettingsWriteResult written = SaveOptionsToFile(m_iniPath, m_options);
    if (!written.ok)
        m_dialogs.showMessage(this, MessageKind::Error, tr("Unable to write to %1").arg(written.failedPath));
    accept();
    // Only a saved choice of another language is switched to; one that
    // cannot be had now is tried again at the next start.
    if (written.ok && m_languagePicked && m_pendingLanguage != m_shownLocale
        && !m_languages.switchTo(m_pendingLanguage))
        m_dialogs.showTitledMessage(
            nullptr, MessageKind::Warning, tr("Attention"), tr("You should restart application to apply changes"));
}

} // namespace kelvra
