// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/user_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace kelvra {

namespace {

QString runFileDialog(QWidget *parent, const FileDialogRequest &request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, request.title, request.folder, request.filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.confirmOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

void QtUserDialogs::showMessage(QWidget *parent, MessageKind kind, const QString &text)
{
    showTitledMessage(parent, kind, QApplication::applicationDisplayName(), text);
}

void QtUserDialogs::showTitledMessage(QWidget *parent, MessageKind kind, const QString &title, const QString &text)
{
    switch (kind) {
    case MessageKind::Information:
        QMessageBox::information(parent, title, text);
        break;
    case MessageKind::Warning:
        QMessageBox::warning(parent, title, text);
        break;
    case MessageKind::Error:
        QMessageBox::critical(parent, title, text);
        break;
    }
}

void UserDialogs::showDetailedMessage(QWidget *parent, MessageKind kind, const QString &text, const QString &details)
{
    showMessage(parent, kind, details.isEmpty() ? text : text + QStringLiteral("\n\n") + details);
}

void QtUserDialogs::showDetailedMessage(QWidget *parent, MessageKind kind, const QString &text, const QString &details)
{
    if (details.isEmpty()) {
        showMessage(parent, kind, text);
        return;
    }
    const QMessageBox::Icon icon = kind == MessageKind::Information ? QMessageBox::Information
        : kind == MessageKind::Warning                              ? QMessageBox::Warning
                                                                    : QMessageBox::Critical;
    QMessageBox box(icon, QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
    box.setDetailedText(details);
    box.exec();
}

int UserDialogs::showMessageWithChoices(
    QWidget *parent, MessageKind kind, const QString &text, const QString &details, const QStringList &)
{
    showDetailedMessage(parent, kind, text, details);
    return -1;
}

int QtUserDialogs::showMessageWithChoices(
    QWidget *parent, MessageKind kind, const QString &text, const QString &details, const QStringList &choices)
{
    const QMessageBox::Icon icon = kind == MessageKind::Information ? QMessageBox::Information
        : kind == MessageKind::Warning                              ? QMessageBox::Warning
                                                                    : QMessageBox::Critical;
    QMessageBox box(icon, QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
    if (!details.isEmpty())
        box.setDetailedText(details);
    std::vector<QAbstractButton *> buttons;
    for (const QString &choice : choices)
        buttons.push_back(box.addButton(choice, QMessageBox::ActionRole));
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    const auto pressed = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return pressed == buttons.end() ? -1 : int(pressed - buttons.begin());
}

bool QtUserDialogs::confirm(QWidget *parent, const QString &text)
{
    return QMessageBox::question(parent, QApplication::applicationDisplayName(), text,
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

QString QtUserDialogs::openFileName(QWidget *parent, const FileDialogRequest &request)
{
    return runFileDialog(parent, request, QFileDialog::AcceptOpen);
}

QString QtUserDialogs::saveFileName(QWidget *parent, const FileDialogRequest &request)
{
    return runFileDialog(parent, request, QFileDialog::AcceptSave);
}

QString QtUserDialogs::chooseFolder(QWidget *parent, const QString &title, const QString &start)
{
    return QFileDialog::getExistingDirectory(parent, title, start);
}

std::optional<QColor> QtUserDialogs::chooseColor(QWidget *parent, const QColor &initial, const QString &title)
{
    const QColor chosen = QColorDialog::getColor(initial, parent, title);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

bool QtUserDialogs::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

} // namespace kelvra
