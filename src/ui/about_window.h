// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kelvra {

class TURLLabel;
class UserDialogs;

inline const QString kProductUrl = QStringLiteral("https://kelvra.org");
inline const QString kSupportMail = QStringLiteral("mailto:support@kelvra.org");

// "About...": the picture, the version, the product's page and support
// address as links, and "Continue". Esc closes it.
class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    TAboutBox(UserDialogs &dialogs, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void showVersion();

    QLabel *m_image;
    QLabel *m_version;
    TURLLabel *m_link1;
    TURLLabel *m_link2;
    QPushButton *m_continue;
};

} // namespace kelvra
