// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobs/batch_run.h"
#include "ui/path_label.h"

#include <QMainWindow>

class QGroupBox;
class QLabel;
class QListWidget;
class QSplitter;
class QStackedWidget;

namespace kelvra {

class DesignModel;
class FolderBrowser;
class LabelPage;
class LanguageList;
class DatePage;
class MainCommands;
class MaskPage;
class PhotoList;
class PhotoStrip;
class PreviewView;
class TFormSize;
class UserDialogs;
class WindowBatch;

// The main window. It owns the design and the photo list; its commands load
// the design from the program INI when it is created and write it back when
// it closes. Every dialog it shows goes through dialogs.
class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit TForm1(UserDialogs &dialogs, QWidget *parent = nullptr);
    ~TForm1() override;

    // The queue of photos Start works on.
    PhotoList &photoList() const { return *m_photoList; }
    // Shows a photo in the preview.
    void LoadPic(const QString &FName);

    // The languages the options dialog offers and switches to; none until
    // this is called. The list must outlive the window.
    void setLanguageList(LanguageList *languages);

Q_SIGNALS:
    void saveAsFinished(const kelvra::BatchPhotoResult &result);
    // Start chose its folder; the run begins when the connected slots return.
    void runStarting(kelvra::WindowBatch *batch);
    // After the closing message, if any.
    void runFinished(const kelvra::BatchReport &report);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QSplitter *createPanes(QWidget *parent);
    QWidget *createLeftPane();
    QWidget *createStrip();
    void createStatusBar();
    void connectViews();
    QWidget *createBottomPane();
    void selectTask(int row);

    void showDesign();
    void showLabelSize();
    void showPhotoDate();
    void showPhotoCount();
    void todoSelected(int row);
    void todoTicked();
    void photoShown(const QString &path);
    void photoFailed();
    void browserEntryFocused(const QString &path, bool isFolder);

    UserDialogs &m_dialogs;
    DesignModel *m_design = nullptr;
    PhotoList *m_photoList = nullptr;
    MainCommands *m_commands = nullptr;

    PreviewView *m_preview = nullptr;
    LabelPage *m_labelPage = nullptr;
    MaskPage *m_maskPage = nullptr;
    DatePage *m_datePage = nullptr;
    QListWidget *m_todo = nullptr;
    QStackedWidget *m_pages = nullptr;
    QGroupBox *m_frame = nullptr;
    PathLabel *m_photoStatus = nullptr;
    QLabel *m_countStatus = nullptr;
    QLabel *m_labelSizeStatus = nullptr;
    FolderBrowser *m_browser = nullptr;
    PhotoStrip *m_strip = nullptr;
    TFormSize *m_placement = nullptr;
};

} // namespace kelvra
