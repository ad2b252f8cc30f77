// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stamp/stamp_settings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QPushButton;
class QSpinBox;

namespace kelvra {

class LanguageList;
class UserDialogs;

constexpr int kMinDialogQuality = 40;
constexpr int kMaxDialogQuality = 100;

// The quality the dialog saves for a typed text: the nearer limit outside
// 40..100, the lower one for a text that is not a number.
int dialogQuality(const QString &typed);
// The GPS text form the dialog shows for a stored one: 2 for anything but 0..2.
int dialogGpsForm(int stored);

// "Options...": the output quality, what a run does with a file that holds
// an output's name, the GPS text form and the interface language. "Save"
// writes them to the program INI at once and into options, and switches to
// a newly picked language; anything else writes and changes nothing.
class TFormOptions : public QDialog
{
    Q_OBJECT
public:
    TFormOptions(AppOptions &options, const QString &iniPath, LanguageList &languages, UserDialogs &dialogs,
        QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void languagePicked(int index);
    void BitBtn1Click();
    void fitHeight();

    AppOptions &m_options;
    QString m_iniPath;
    LanguageList &m_languages;
    UserDialogs &m_dialogs;
    int m_pendingLanguage;
    int m_shownLocale = -1;
    bool m_languagePicked = false;

    QFormLayout *m_form = nullptr;
    QSpinBox *m_quality = nullptr;
    QComboBox *m_gpsForm = nullptr;
    QCheckBox *m_keepQuality = nullptr;
    QComboBox *m_existing = nullptr; // Keep both, Replace, Skip: the index is the ExistingRule
    QComboBox *m_language = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace kelvra
