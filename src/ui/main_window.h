// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobs/batch_run.h"
#include "stamp/format_settings.h"
#include "stamp/settings_file.h"
#include "stamp/stamp_settings.h"
#include "ui/path_label.h"

#include <QHash>
#include <QMainWindow>

class QAction;
class QActionGroup;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QSplitter;
class QStackedWidget;
class QThread;

namespace kelvra {

class DesignModel;
class FolderBrowser;
class LabelPage;
class LanguageList;
class DatePage;
class MaskPage;
class PhotoList;
class PhotoStrip;
class PreviewView;
class TAboutBox;
class TFormSize;
class TProgressForm;
class UserDialogs;
class WindowBatch;

// The main window. It owns the design and the options, loads them from the
// program INI when it is created and writes them back when it closes; every
// dialog it shows goes through dialogs.
class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit TForm1(UserDialogs &dialogs, QWidget *parent = nullptr);
    ~TForm1() override;

    // The design every page, the preview and the commands go through.
    DesignModel &design() const { return *m_design; }
    const StampSettings &settings() const;
    const AppOptions &options() const { return m_options; }
    const QString &iniPath() const { return m_iniPath; }
    int helpTopic() const { return m_helpTopic; }
    // Opens the user guide at a topic in the desktop's browser.
    void showHelp(int topic);
    // Where the guide is looked for; the shipped one unless changed.
    void setHelpFolder(const QString &folder) { m_helpFolder = folder; }

    // The queue of photos Start works on.
    PhotoList &photoList() const { return *m_photoList; }

    // The languages the options dialog offers; none until this is called.
    // The list must outlive the window.
    void setLanguageList(const LanguageList *languages);

    // Reads a settings file into the design and shows it.
    void LoadCFGFromFile(const QString &path);
    // Writes the design; a refused write is reported. False when it failed.
    bool SaveCFGToFile(const QString &path);
    // Shows a photo in the preview.
    void LoadPic(const QString &FName);
    // The folder browser's column captions; sort commands beyond them hide.
    void setSortColumnCaptions(const QStringList &captions);

    // The run going on (null when none).
    WindowBatch *runningBatch() const { return m_batch; }

Q_SIGNALS:
    void saveAsFinished(const kelvra::BatchPhotoResult &result);
    // Start chose its folder; the run begins when the connected slots return.
    void runStarting(kelvra::WindowBatch *batch);
    // After the closing message, if any.
    void runFinished(const kelvra::BatchReport &report);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createActions();
    void createMenus();
    // Stamp Configuration > Looks: the ready designs and their gallery.
    void createLooksMenu();
    void chooseLook(const QString &path);
    void showLookGallery();
    QSplitter *createPanes(QWidget *parent);
    QWidget *createLeftPane();
    QWidget *createStrip();
    void createStatusBar();
    void connectPreview();
    QWidget *createBottomPane();
    void selectTask(int row);

    void showDesign();
    void showLabelSize();
    void showPhotoDate();
    void todoSelected(int row);
    void todoTicked();
    void photoShown(const QString &path);
    void photoFailed();
    void photoListChanged();
    void browserEntryFocused(const QString &path, bool isFolder);
    void connectListCommands();

    void PhotoAddExecute();
    void PhotoAddAllExecute();
    void PhotoRemoveExecute();
    void PhotoRemoveAllExecute();

    void AOpenExecute();
    void ASaveAsExecute();
    void saveAsDone();
    void waitForSaveAs();
    void RLoadCFGExecute();
    void RSaveCFGExecute();
    void HelpExecute();
    void SupportExecute();
    void Action3Execute();
    void AOptionsExecute();

    void setUpStart();
    void updateStart();
    void ProcessPhotosExecute();
    void runDone();
    void setRunning(bool running);
    // Undo Last Run is on while a logged run is not yet undone.
    void updateUndo();
    // The run with that log id, or the newest not undone for an empty id.
    // Where the design dialogs open: the folder last used for a design.
    QString designFolder() const;
    void undoRunOf(const QString &id);
    void UndoLastRunExecute();

    UserDialogs &m_dialogs;
    DesignModel *m_design = nullptr;
    AppOptions m_options;
    FormatSettings m_format;
    QString m_iniPath;
    int m_helpTopic = 10;
    QString m_helpFolder;

    QHash<QString, QAction *> m_actions;
    QMenu *m_tokenMenu = nullptr;
    PreviewView *m_preview = nullptr;
    LabelPage *m_labelPage = nullptr;
    MaskPage *m_maskPage = nullptr;
    DatePage *m_datePage = nullptr;
    QListWidget *m_todo = nullptr;
    QStackedWidget *m_pages = nullptr;
    QGroupBox *m_frame = nullptr;
    QString m_designFolder; // last used for a design in this session
    PathLabel *m_photoStatus = nullptr;
    QLabel *m_countStatus = nullptr;
    QLabel *m_labelSizeStatus = nullptr;
    PhotoList *m_photoList = nullptr;
    FolderBrowser *m_browser = nullptr;
    PhotoStrip *m_strip = nullptr;
    QThread *m_saveAs = nullptr; // the Save As running, if any
    TFormSize *m_placement = nullptr;
    TAboutBox *m_about = nullptr;
    const LanguageList *m_languages = nullptr;
    BatchPhotoResult m_saveAsResult;
    TProgressForm *m_progress = nullptr;
    WindowBatch *m_batch = nullptr; // the run going on, if any
    QActionGroup *m_runLocked = nullptr; // commands a run turns off
    bool m_closeAfterRun = false;
};

} // namespace kelvra
