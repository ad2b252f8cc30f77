// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/user_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

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
