// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>

class QUrl;
class QWidget;

namespace kelvra {

struct FileDialogRequest
{
    QString title;
    QString filter; // the toolkit's form: "CFG file (*.cfg)"
    QString defaultSuffix; // without the dot; empty adds none
    QString folder; // where the dialog opens
    QString fileName; // filled in; empty for none
    bool confirmOverwrite = true;
};

enum class MessageKind { Information, Warning, Error };

// Every dialog, message box and hand-over to the desktop the windows use.
// Windows call only this, so a test puts in answers and is never stopped by
// a modal dialog. An empty text or nothing means the user cancelled.
class UserDialogs
{
public:
    virtual ~UserDialogs() = default;

    virtual void showMessage(QWidget *parent, MessageKind kind, const QString &text) = 0;
    // A message under a title of its own rather than the program's name.
    virtual void showTitledMessage(QWidget *parent, MessageKind kind, const QString & /*title*/, const QString &text)
    {
        showMessage(parent, kind, text);
    }
    // A message with a longer list the user can open below it; without a
    // details area of its own the list follows the text.
    virtual void showDetailedMessage(QWidget *parent, MessageKind kind, const QString &text, const QString &details);
    // A detailed message with buttons of its own beside OK: the index of the
    // one pressed, or -1 for OK or a closed box. Without buttons of its own
    // it is a detailed message.
    virtual int showMessageWithChoices(
        QWidget *parent, MessageKind kind, const QString &text, const QString &details, const QStringList &choices);
    // A yes-or-no question before something that cannot be taken back; No is
    // the default answer.
    virtual bool confirm(QWidget *parent, const QString &text) = 0;
    virtual QString openFileName(QWidget *parent, const FileDialogRequest &request) = 0;
    virtual QString saveFileName(QWidget *parent, const FileDialogRequest &request) = 0;
    virtual QString chooseFolder(QWidget *parent, const QString &title, const QString &start) = 0;
    virtual std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial, const QString &title) = 0;
    // A folder in the file manager, a document in its viewer, a web page in
    // the browser. False when the desktop could not do it.
    virtual bool openUrl(const QUrl &url) = 0;
};

// The toolkit's own dialogs and the desktop's handlers.
class QtUserDialogs : public UserDialogs
{
public:
    void showMessage(QWidget *parent, MessageKind kind, const QString &text) override;
    void showTitledMessage(QWidget *parent, MessageKind kind, const QString &title, const QString &text) override;
    void showDetailedMessage(QWidget *parent, MessageKind kind, const QString &text, const QString &details) override;
    int showMessageWithChoices(QWidget *parent, MessageKind kind, const QString &text, const QString &details,
        const QStringList &choices) override;
    bool confirm(QWidget *parent, const QString &text) override;
    QString openFileName(QWidget *parent, const FileDialogRequest &request) override;
    QString saveFileName(QWidget *parent, const FileDialogRequest &request) override;
    QString chooseFolder(QWidget *parent, const QString &title, const QString &start) override;
    std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial, const QString &title) override;
    bool openUrl(const QUrl &url) override;
};

} // namespace kelvra
