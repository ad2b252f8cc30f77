// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_commands.h"

#include "jobs/run_log.h"
#include "kelvra_version.h"
#include "localization/form_harvest.h"
#include "platform/data_folder.h"
#include "platform/file_ops.h"
#include "platform/install_paths.h"
#include "platform/user_folders.h"
#include "stamp/caption.h"
#include "stamp/file_mask.h"
#include "stamp/looks.h"
#include "ui/about_window.h"
#include "ui/design_model.h"
#include "ui/failure_messages.h"
#include "ui/folder_browser.h"
#include "ui/help_topics.h"
#include "ui/language_list.h"
#include "ui/look_gallery.h"
#include "ui/main_actions.h"
#include "ui/options_dialog.h"
#include "ui/photo_list_model.h"
#include "ui/photo_strip.h"
#include "ui/preview_view.h"
#include "ui/progress_window.h"
#include "ui/user_dialogs.h"
#include "ui/window_batch.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <optional>

namespace kelvra {

namespace {

QString cfgFilter()
{
    return QApplication::translate("kelvra::TForm1", "CFG file (*.cfg)");
}

// A typed name without an extension gets the one its kind needs.
QString withSuffix(const QString &chosen, const QString &suffix)
{
    if (chosen.isEmpty() || !QFileInfo(chosen).suffix().isEmpty())
        return chosen;
    return chosen + u'.' + suffix;
}

// The run Undo Last Run takes back: the newest not yet undone.
std::optional<RunLogContents> lastRunToUndo()
{
    std::vector<RunLogContents> runs = listRunLogs(defaultRunLogFolder());
    const auto open
        = std::find_if(runs.begin(), runs.end(), [](const RunLogContents &run) { return !run.undone.isValid(); });
    if (open == runs.end())
        return std::nullopt;
    return std::move(*open);
}

void fillMenu(QMenu *menu, const std::vector<QString> &items, const QHash<QString, QAction *> &actions)
{
    for (const QString &item : items) {
        if (item == QLatin1String("-"))
            menu->addSeparator();
        else
            menu->addAction(actions.value(item));
    }
}

} // namespace

MainCommands::MainCommands(QMainWindow &window, UserDialogs &dialogs, DesignModel &design, PhotoList &photos)
    : QObject(&window)
    , m_window(window)
    , m_dialogs(dialogs)
    , m_design(design)
    , m_photos(photos)
    , m_format(FormatSettings::system())
    , m_iniPath(programIniPath())
{
    setObjectName(QStringLiteral("MainCommands"));
    createActions();
    createMenus();
}

MainCommands::~MainCommands()
{
    delete m_batch; // cancels and waits for the photos started
    waitForSaveAs();
    delete m_saveAs; // its finished call is never delivered now
}

void MainCommands::createActions()
{
    auto add = [this](const QString &name, const QString &caption, const QString &category) {
        auto *action = new QAction(caption, &m_window);
        action->setObjectName(name);
        action->setProperty("category", category);
        // Shortcuts work wherever the focus is in the window.
        m_window.addAction(action);
        m_actions.insert(name, action);
        return action;
    };
    for (const ActionSpec &spec : windowActionSpecs()) {
        QAction *action = add(spec.name, spec.caption, spec.category);
        if (!spec.shortcut.isEmpty())
            action->setShortcut(QKeySequence(spec.shortcut));
        if (!spec.hint.isEmpty())
            action->setToolTip(spec.hint);
        action->setCheckable(spec.checkable);
    }
    for (const CaptionCommand &command : captionCommands()) {
        QAction *action = m_actions.value(QLatin1String(command.action));
        Q_ASSERT(action);
        const QLatin1StringView token = command.token;
        connect(action, &QAction::triggered, &m_design, [this, token]() { m_design.addToken(token); });
    }

    // Waiting for the folder browser and the photo list.
    for (const char *later : { "AviewList", "AViewReport", "AViewIcon", "PhotoAdd", "PhotoAddAll", "PhotoRemove",
             "PhotoRemoveAll", "ProcessPhotos" })
        m_actions.value(QLatin1String(later))->setEnabled(false);
    m_actions.value(QStringLiteral("ASaveAs"))->setEnabled(false);

    const std::pair<const char *, void (MainCommands::*)()> commands[] = {
        { "AOpen", &MainCommands::openPhoto },
        { "ASaveAs", &MainCommands::saveAs },
        { "RLoadCFG", &MainCommands::loadDesignChosen },
        { "RSaveCFG", &MainCommands::saveDesignChosen },
        { "Help", &MainCommands::help },
        { "Support", &MainCommands::support },
        { "AOptions", &MainCommands::options },
        { "ProcessPhotos", &MainCommands::start },
    };
    for (const auto &[name, command] : commands)
        connect(m_actions.value(QLatin1String(name)), &QAction::triggered, this, command);
    connect(m_actions.value(QStringLiteral("Action1")), &QAction::triggered, &m_window, &QWidget::close);
    connect(m_actions.value(QStringLiteral("Exit")), &QAction::triggered, &m_window, &QWidget::close);
    connect(m_actions.value(QStringLiteral("Action3")), &QAction::triggered, this, [this]() { m_about->exec(); });
    connect(m_actions.value(QStringLiteral("UndoLastRun")), &QAction::triggered, this, [this]() {
        if (!m_batch)
            undoRunOf(QString());
    });
    new HelpKey([this](int topic) { showHelp(topic); }, &m_window);
    setSortColumnCaptions({});
}

void MainCommands::createMenus()
{
    QString usedTitles;
    for (const MenuSpec &spec : mainMenuSpec()) {
        QMenu *menu = m_window.menuBar()->addMenu(withMnemonic(spec.title, usedTitles));
        menu->setObjectName(spec.name);
        // Translated texts and the browser's column names (the sort items)
        // arrive after this; their keys are settled when the menu opens.
        connect(menu, &QMenu::aboutToShow, menu, [menu] { mendMnemonics(menu->actions()); });
        QString used;
        // A run of the command line ends unseen, so the state is looked up on opening.
        if (std::find(spec.items.begin(), spec.items.end(), QStringLiteral("UndoLastRun")) != spec.items.end())
            connect(menu, &QMenu::aboutToShow, this, &MainCommands::updateUndo);
        for (const QString &item : spec.items) {
            if (item == QLatin1String("-")) {
                menu->addSeparator();
            } else if (item.startsWith(QLatin1Char('>'))) {
                for (const MenuSpec &sub : spec.submenus) {
                    if (sub.title != item.mid(1))
                        continue;
                    QMenu *submenu = menu->addMenu(withMnemonic(sub.title, used));
                    submenu->setObjectName(sub.name);
                    connect(submenu, &QMenu::aboutToShow, submenu, [submenu] { mendMnemonics(submenu->actions()); });
                    fillMenu(submenu, sub.items, m_actions);
                }
            } else {
                QAction *action = m_actions.value(item);
                action->setText(withMnemonic(action->text(), used));
                menu->addAction(action);
            }
        }
    }
    m_tokenMenu = new QMenu(&m_window);
    m_tokenMenu->setObjectName(QStringLiteral("PopupMenu1"));
    fillMenu(m_tokenMenu, contextMenuSpec(), m_actions);
    createLooksMenu();
}

void MainCommands::createLooksMenu()
{
    auto *config = m_window.menuBar()->findChild<QMenu *>(QStringLiteral("StampConfiguration1"));
    config->addSeparator();
    QMenu *looks = config->addMenu(tr("L&ooks"));
    looks->setObjectName(QStringLiteral("LooksMenu"));
    // A look changes the design as a loaded configuration does, and no more while a run goes on.
    QAction *load = m_actions.value(QStringLiteral("RLoadCFG"));
    connect(load, &QAction::changed, looks, [looks, load]() { looks->menuAction()->setEnabled(load->isEnabled()); });
    std::vector<ReadyLook> shipped = readyLooks();
    QString used = QStringLiteral("g");
    for (const ReadyLook &look : shipped) {
        // The name is the file's, in no language of ours.
        QAction *action = looks->addAction(withMnemonic(look.name, used));
        action->setProperty(kNotTranslated, true);
        action->setObjectName(QStringLiteral("Look_") + QFileInfo(look.path).completeBaseName());
        action->setData(look.path);
        connect(action, &QAction::triggered, this, [this, path = look.path]() { chooseLook(path); });
    }
    looks->addSeparator();
    QAction *gallery = looks->addAction(tr("&Gallery..."));
    gallery->setObjectName(QStringLiteral("LookGalleryAction"));
    gallery->setEnabled(!shipped.empty());
    connect(gallery, &QAction::triggered, this, &MainCommands::showLookGallery);
}

void MainCommands::attach(const CommandViews &views)
{
    m_preview = &views.preview;
    m_browser = &views.browser;
    m_strip = &views.strip;
    m_lockedByRun = views.lockedByRun;

    m_progress = new TProgressForm(&m_window);
    // A group that is off keeps its actions off whatever else enables them,
    // and gives each its own state back when it is on again.
    m_runLocked = new QActionGroup(this);
    m_runLocked->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    QStringList locked { QStringLiteral("PhotoAdd"), QStringLiteral("PhotoAddAll"), QStringLiteral("PhotoRemove"),
        QStringLiteral("PhotoRemoveAll"), QStringLiteral("ProcessPhotos"), QStringLiteral("RLoadCFG"),
        QStringLiteral("UndoLastRun") };
    for (const char *design :
        { "StampTo1", "StampTo2", "StampTo3", "StampTo4", "FBold", "FItalic", "FUnderline", "FShadow", "FOutline" })
        locked << QLatin1String(design);
    for (const CaptionCommand &command : captionCommands())
        locked << QLatin1String(command.action);
    for (const QString &name : locked)
        m_runLocked->addAction(m_actions.value(name));
    connect(&m_photos, &PhotoList::changed, this, &MainCommands::updateStart);
    connect(&m_design, &DesignModel::changed, this, &MainCommands::updateStart);
    updateStart();
    updateUndo();

    const CfgLoadResult loaded = m_design.loadProgram(m_iniPath, m_options, m_format);
    m_preview->setOptions(m_options);
    Q_EMIT taskChosen(int(loaded.selectedTask));
    connectListCommands();
    m_browser->setFolder(startBrowseFolder(m_options.DefaultBrowseFolder));
    m_about = new TAboutBox(m_dialogs, &m_window);
}

void MainCommands::connectListCommands()
{
    for (const char *name : { "AviewList", "AViewReport", "AViewIcon", "PhotoAdd", "PhotoAddAll" })
        m_actions.value(QLatin1String(name))->setEnabled(true);
    const std::pair<const char *, FolderBrowser::ViewStyle> views[] = {
        { "AviewList", FolderBrowser::ViewStyle::List },
        { "AViewReport", FolderBrowser::ViewStyle::Report },
        { "AViewIcon", FolderBrowser::ViewStyle::Icon },
    };
    // The View menu shows which view and which sort are in use.
    auto *viewGroup = new QActionGroup(this);
    for (const auto &[name, style] : views) {
        QAction *view = m_actions.value(QLatin1String(name));
        view->setCheckable(true);
        view->setChecked(m_browser->viewStyle() == style);
        viewGroup->addAction(view);
        connect(view, &QAction::triggered, this, [this, style = style]() { m_browser->setViewStyle(style); });
    }
    auto *sortGroup = new QActionGroup(this);
    for (int k = 1; k <= 7; ++k) {
        QAction *sort = m_actions.value(QStringLiteral("Sort%1").arg(k));
        sort->setData(k - 1); // the column it sorts by
        sort->setCheckable(true);
        sort->setChecked(m_browser->sortColumn() == k - 1);
        sortGroup->addAction(sort);
        connect(sort, &QAction::triggered, this, [this, sort]() { m_browser->sortByColumn(sort->data().toInt()); });
    }
    connect(m_browser, &FolderBrowser::sorted, this, [this](int column) {
        if (QAction *sort = m_actions.value(QStringLiteral("Sort%1").arg(column + 1)))
            sort->setChecked(true);
    });
    setSortColumnCaptions(m_browser->columnCaptions());

    QAction *add = m_actions.value(QStringLiteral("PhotoAdd"));
    QAction *remove = m_actions.value(QStringLiteral("PhotoRemove"));
    connect(add, &QAction::triggered, this, &MainCommands::addPhotos);
    connect(m_actions.value(QStringLiteral("PhotoAddAll")), &QAction::triggered, this, &MainCommands::addAllPhotos);
    connect(remove, &QAction::triggered, this, [this]() { m_photos.removeAt(m_strip->selectedRow()); });
    connect(m_actions.value(QStringLiteral("PhotoRemoveAll")), &QAction::triggered, &m_photos, &PhotoList::clear);
    // Through the actions, so a run that turned them off turns these off too.
    connect(m_browser, &FolderBrowser::addRequested, add, &QAction::trigger);
    connect(m_strip, &PhotoStrip::removeRequested, remove, &QAction::trigger);
    auto listChanged = [this]() {
        const bool any = !m_photos.isEmpty();
        m_actions.value(QStringLiteral("PhotoRemove"))->setEnabled(any);
        m_actions.value(QStringLiteral("PhotoRemoveAll"))->setEnabled(any);
    };
    connect(&m_photos, &PhotoList::changed, this, listChanged);
    listChanged();
}

void MainCommands::addPhotos()
{
    m_photos.add(m_browser->chosenFiles());
}

void MainCommands::addAllPhotos()
{
    m_browser->selectAll();
    addPhotos();
    m_browser->clearSelection();
}

void MainCommands::chooseLook(const QString &path)
{
    if (m_batch)
        return;
    const CfgLoadResult loaded = m_design.loadLook(path, m_format);
    if (!loaded.hadOptionsSection) {
        m_dialogs.showMessage(
            &m_window, MessageKind::Error, tr("The look %1 could not be read.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    Q_EMIT taskChosen(int(TodoTask::StampPhotos));
}

void MainCommands::showLookGallery()
{
    auto *gallery = m_window.findChild<LookGallery *>();
    if (!gallery) {
        gallery = new LookGallery(m_design, *m_preview, readyLooks(), &m_window);
        gallery->setAttribute(Qt::WA_DeleteOnClose);
        connect(gallery, &LookGallery::lookChosen, this, &MainCommands::chooseLook);
        // No look is taken while a run works from the design.
        gallery->list()->setEnabled(!m_batch);
        connect(this, &MainCommands::runStarting, gallery, [gallery]() { gallery->list()->setEnabled(false); });
        connect(this, &MainCommands::runFinished, gallery, [gallery]() { gallery->list()->setEnabled(true); });
    }
    gallery->show();
    gallery->raise();
    gallery->activateWindow();
}

void MainCommands::setSortColumnCaptions(const QStringList &captions)
{
    for (int k = 1; k <= 7; ++k) {
        QAction *sort = m_actions.value(QStringLiteral("Sort%1").arg(k));
        const bool present = k <= captions.size();
        sort->setText(present ? captions.at(k - 1) : QString());
        sort->setVisible(present);
    }
}

void MainCommands::openPhoto()
{
    FileDialogRequest request;
    request.title = tr("Open");
    request.filter = tr("Photos (%1);;All files (*)").arg(photoChooserPatterns());
    const QString shown = m_preview->photoPath();
    request.folder = shown.isEmpty() ? m_options.DefaultBrowseFolder : QFileInfo(shown).absolutePath();
    const QString chosen = m_dialogs.openFileName(&m_window, request);
    if (!chosen.isEmpty())
        m_preview->LoadPic(chosen);
}

void MainCommands::saveAs()
{
    if (!m_preview->hasPhoto() || m_saveAs)
        return;
    const QString source = m_preview->photoPath();
    FileDialogRequest request;
    request.title = tr("Save As");
    request.filter = tr("JPG,JPEG (*.jpg *.jpeg)");
    request.defaultSuffix = QStringLiteral("jpg");
    request.folder = QFileInfo(source).absolutePath();
    request.fileName = QFileInfo(source).fileName();
    // A HEIC, TIFF or WebP photo is stamped into a JPEG: the offered name says so.
    if (m_design.settings().StampPhotosOpt)
        request.fileName = stampedFileName(request.fileName, photoKindOfFile(nativePath(source)));
    request.confirmOverwrite = true;
    QString target;
    for (;;) {
        target = withSuffix(m_dialogs.saveFileName(&m_window, request), QStringLiteral("jpg"));
        if (target.isEmpty())
            return;
        // The step copies the source over the target before it decodes the copy,
        // so drawing onto the source itself would work on a half-made file.
        if (!m_design.settings().StampPhotosOpt || !isSameFile(source, target))
            break;
        m_dialogs.showMessage(&m_window, MessageKind::Warning,
            tr("The stamped photo cannot replace the photo it is made from. "
               "Choose another name."));
        // Asked again where the user was, not sent back to the start.
        request.folder = QFileInfo(target).absolutePath();
        request.fileName = QFileInfo(target).fileName();
    }
    BatchJob job;
    job.settings = m_design.settings();
    job.options = m_options;
    job.format = m_format;
    // The run's own choice of workers: its one photo decodes on an idle core.
    job.jobs = 0;
    m_actions.value(QStringLiteral("ASaveAs"))->setEnabled(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    // The whole photo is decoded here, so not on the window's thread.
    m_saveAs = QThread::create([this, source, target, job]() { m_saveAsResult = SaveStampedAs(source, target, job); });
    connect(m_saveAs, &QThread::finished, this, &MainCommands::saveAsDone);
    m_saveAs->start();
}

void MainCommands::saveAsDone()
{
    QApplication::restoreOverrideCursor();
    m_saveAs->deleteLater();
    m_saveAs = nullptr;
    updateSaveAs();
    const BatchPhotoResult result = m_saveAsResult;
    if (const std::optional<UserMessage> message = saveAsMessage(result))
        m_dialogs.showMessage(&m_window, message->kind, message->text);
    Q_EMIT saveAsFinished(result);
}

void MainCommands::updateSaveAs()
{
    m_actions.value(QStringLiteral("ASaveAs"))->setEnabled(!m_saveAs && m_preview->hasPhoto());
}

void MainCommands::waitForSaveAs()
{
    if (m_saveAs)
        m_saveAs->wait();
}

bool MainCommands::readyToClose()
{
    if (m_batch) {
        // The photos already started finish first.
        m_closeAfterRun = true;
        m_batch->cancel();
        return false;
    }
    waitForSaveAs();
    // A refused write is reported as the design's is.
    saveDesign(m_iniPath);
    return true;
}

void MainCommands::updateStart()
{
    const StampSettings &s = m_design.settings();
    const bool task = s.StampPhotosOpt || s.RenamePhotos;
    m_actions.value(QStringLiteral("ProcessPhotos"))->setEnabled(!m_photos.isEmpty() && task);
}

void MainCommands::start()
{
    if (m_batch || !m_actions.value(QStringLiteral("ProcessPhotos"))->isEnabled())
        return;
    const QString start
        = QFileInfo(m_options.DefaultSaveFolder).isDir() ? m_options.DefaultSaveFolder : picturesFolder();
    const QString folder = m_dialogs.chooseFolder(&m_window, tr("SAVE PHOTOS TO:"), start);
    if (folder.isEmpty())
        return;
    m_options.DefaultSaveFolder = folder;

    // The run takes the list and the design as they are now.
    BatchJob job;
    job.settings = m_design.settings();
    job.options = m_options;
    job.format = m_format;
    m_batch = new WindowBatch(m_photos.paths(), folder, job, this);
    connect(m_batch, &WindowBatch::step, m_progress, &TProgressForm::ProgressStep);
    connect(m_batch, &WindowBatch::finished, this, &MainCommands::runDone);
    connect(m_progress, &TProgressForm::cancelRequested, m_batch, &WindowBatch::cancel);
    setRunning(true);
    m_progress->ProgressStart();
    Q_EMIT runStarting(m_batch);
    m_batch->start();
}

void MainCommands::runDone()
{
    WindowBatch *batch = m_batch;
    m_batch = nullptr;
    const BatchReport report = batch->report();
    const QString folder = batch->outputFolder();
    const int count = int(batch->photos().size());
    batch->deleteLater();
    m_progress->ProgressEnd();
    setRunning(false);
    updateStart();
    updateUndo();
    if (m_closeAfterRun) {
        m_closeAfterRun = false;
        Q_EMIT closeRequested();
        return;
    }
    // No dead end: a cancelled run offers its folder, a logged run its undo.
    const bool written = writtenPhotos(report) > 0;
    QStringList choices;
    const QString open = tr("Open folder");
    const QString undo = tr("Undo");
    if (report.cancelled && written)
        choices << open;
    if (!report.runLog.isEmpty() && written)
        choices << undo;
    int chosen = -1;
    if (const std::optional<UserMessage> message = runFinishedMessage(report, folder, count))
        chosen = m_dialogs.showMessageWithChoices(&m_window, message->kind, message->text, message->details, choices);
    const QString choice = chosen >= 0 && chosen < choices.size() ? choices.at(chosen) : QString();
    // A folder the desktop cannot open is no failure of the run.
    if ((!report.cancelled && choice != undo) || choice == open)
        m_dialogs.openUrl(QUrl::fromLocalFile(folder));
    if (choice == undo)
        undoRunOf(report.runLog);
    Q_EMIT runFinished(report);
}

void MainCommands::setRunning(bool running)
{
    m_runLocked->setEnabled(!running);
    // The design's controls, the preview whose pointer places the label, and
    // the list nothing is dropped onto while a run works from it.
    for (QWidget *widget : std::as_const(m_lockedByRun))
        widget->setEnabled(!running);
}

void MainCommands::updateUndo()
{
    m_actions.value(QStringLiteral("UndoLastRun"))->setEnabled(lastRunToUndo().has_value());
}

void MainCommands::undoRunOf(const QString &id)
{
    std::optional<RunLogContents> run = lastRunToUndo();
    if (!id.isEmpty()) {
        run.reset();
        for (RunLogContents &logged : listRunLogs(defaultRunLogFolder()))
            if (logged.id == id && !logged.undone.isValid())
                run = std::move(logged);
    }
    if (run && m_dialogs.confirm(&m_window, undoQuestion(*run))) {
        // Only removes and renames, quick enough for the window's thread.
        const UserMessage message = undoFinishedMessage(undoRun(defaultRunLogFolder(), run->id));
        m_dialogs.showDetailedMessage(&m_window, message.kind, message.text, message.details);
    }
    updateUndo();
}

void MainCommands::loadDesign(const QString &path)
{
    const CfgLoadResult loaded = m_design.load(path, m_options, m_format);
    // A design file carries the GPS text form too.
    m_preview->setOptions(m_options);
    Q_EMIT taskChosen(int(loaded.selectedTask));
}

bool MainCommands::saveDesign(const QString &path)
{
    const SettingsWriteResult written
        = SaveCFGToFile(path, m_design.settings(), m_options, m_browser->folder(), m_format);
    if (written.ok)
        return true;
    m_dialogs.showMessage(&m_window, MessageKind::Error, tr("Unable to write to %1").arg(written.failedPath));
    return false;
}

void MainCommands::loadDesignChosen()
{
    const QString chosen = m_dialogs.openFileName(&m_window, designRequest(tr("Load Stamp Configuration")));
    if (chosen.isEmpty())
        return;
    m_options.DesignFolder = QFileInfo(chosen).absolutePath();
    loadDesign(chosen);
}

void MainCommands::saveDesignChosen()
{
    FileDialogRequest request = designRequest(tr("Save Stamp Configuration"));
    request.confirmOverwrite = true;
    const QString chosen = withSuffix(m_dialogs.saveFileName(&m_window, request), QStringLiteral("cfg"));
    if (chosen.isEmpty())
        return;
    m_options.DesignFolder = QFileInfo(chosen).absolutePath();
    saveDesign(chosen);
}

FileDialogRequest MainCommands::designRequest(const QString &title) const
{
    FileDialogRequest request;
    request.title = title;
    request.filter = cfgFilter();
    request.defaultSuffix = QStringLiteral("cfg");
    // Never the hidden settings folder: a design is the user's own file.
    request.folder = !m_options.DesignFolder.isEmpty() && QFileInfo(m_options.DesignFolder).isDir()
        ? m_options.DesignFolder
        : designsFolder();
    return request;
}

void MainCommands::help()
{
    // The menu leaves the focus where it was, so this is the F1 topic too.
    const QWidget *focus = QApplication::focusWidget();
    showHelp(helpTopicOf(focus && focus->window() == &m_window ? focus : &m_window));
}

void MainCommands::showHelp(int topic)
{
    showGuide(m_dialogs, &m_window, helpFolder(), topic);
}

void MainCommands::support()
{
    const QString support = QLatin1String(kSupportUrl);
    if (!m_dialogs.openUrl(QUrl(support)))
        m_dialogs.showMessage(&m_window, MessageKind::Warning,
            tr("No web browser could be started. The support page is %1").arg(support));
}

void MainCommands::setLanguageList(LanguageList *languages)
{
    m_languages = languages;
}

void MainCommands::options()
{
    static NoLanguages none;
    TFormOptions dialog(m_options, m_iniPath, m_languages ? *m_languages : none, m_dialogs, &m_window);
    dialog.exec();
    // The GPS text form may have changed.
    m_preview->setOptions(m_options);
}

} // namespace kelvra
