// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobs/batch_run.h"
#include "stamp/format_settings.h"
#include "stamp/stamp_settings.h"

#include <QHash>
#include <QList>
#include <QObject>

class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;
class QThread;
class QWidget;

namespace kelvra {

struct FileDialogRequest;
class DesignModel;
class FolderBrowser;
class LanguageList;
class PhotoList;
class PhotoStrip;
class PreviewView;
class TAboutBox;
class TProgressForm;
class UserDialogs;
class WindowBatch;

// The main window's views the commands work on, made after the commands.
struct CommandViews
{
    PreviewView &preview;
    FolderBrowser &browser;
    PhotoStrip &strip;
    // What a run turns off besides the commands: the design's controls.
    QList<QWidget *> lockedByRun;
};

// The main window's commands: its actions and menus, and what each does.
// It holds the options and the text forms the design is read and written
// with, and the run going on.
class MainCommands : public QObject
{
    Q_OBJECT
public:
    MainCommands(QMainWindow &window, UserDialogs &dialogs, DesignModel &design, PhotoList &photos);
    ~MainCommands() override;

    const QHash<QString, QAction *> &actions() const { return m_actions; }
    // The token commands and Save As, for the preview and the caption box.
    QMenu *tokenMenu() const { return m_tokenMenu; }
    const FormatSettings &format() const { return m_format; }

    // Loads the program's design and ties the commands to the views.
    void attach(const CommandViews &views);
    // The languages the options dialog offers and switches between; none
    // until this is called. The list must outlive the window.
    void setLanguageList(LanguageList *languages);
    // Save As is there for a photo in the preview.
    void updateSaveAs();
    // False while a run goes on: it is cancelled, and its end closes the window.
    // Otherwise the design and options are written to the program INI.
    bool readyToClose();

Q_SIGNALS:
    void saveAsFinished(const kelvra::BatchPhotoResult &result);
    // Start chose its folder; the run begins when the connected slots return.
    void runStarting(kelvra::WindowBatch *batch);
    // After the closing message, if any.
    void runFinished(const kelvra::BatchReport &report);
    // A loaded design asks for its task's page.
    void taskChosen(int task);
    // The window may close now that its run has ended.
    void closeRequested();

private:
    void createActions();
    void createMenus();
    void createLooksMenu();
    void connectListCommands();
    void chooseLook(const QString &path);
    void showLookGallery();
    void setSortColumnCaptions(const QStringList &captions);

    void addPhotos();
    void addAllPhotos();

    void openPhoto();
    void saveAs();
    void saveAsDone();
    void waitForSaveAs();
    void loadDesign(const QString &path);
    bool saveDesign(const QString &path);
    void loadDesignChosen();
    void saveDesignChosen();
    // A design dialog, opened in the folder last used for a design.
    FileDialogRequest designRequest(const QString &title) const;
    void help();
    void showHelp(int topic);
    void support();
    void options();

    void updateStart();
    void start();
    void runDone();
    void setRunning(bool running);
    // Undo Last Run is on while a logged run is not yet undone.
    void updateUndo();
    // The run with that log id, or the newest not undone for an empty id.
    void undoRunOf(const QString &id);

    QMainWindow &m_window;
    UserDialogs &m_dialogs;
    DesignModel &m_design;
    PhotoList &m_photos;
    AppOptions m_options;
    FormatSettings m_format;
    QString m_iniPath;

    QHash<QString, QAction *> m_actions;
    QMenu *m_tokenMenu = nullptr;
    PreviewView *m_preview = nullptr;
    FolderBrowser *m_browser = nullptr;
    PhotoStrip *m_strip = nullptr;
    QList<QWidget *> m_lockedByRun;
    TAboutBox *m_about = nullptr;
    LanguageList *m_languages = nullptr;

    QThread *m_saveAs = nullptr; // the Save As running, if any
    BatchPhotoResult m_saveAsResult;
    TProgressForm *m_progress = nullptr;
    WindowBatch *m_batch = nullptr; // the run going on, if any
    QActionGroup *m_runLocked = nullptr; // commands a run turns off
    bool m_closeAfterRun = false;
};

} // namespace kelvra
