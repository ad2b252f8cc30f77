// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands, its menus and what the commands do.
#include "jobs/run_log.h"
#include "kelvra_version.h"
#include "platform/data_folder.h"
#include "platform/file_ops.h"
#include "platform/install_paths.h"
#include "platform/user_folders.h"
#include "stamp/caption.h"
#include "stamp/file_mask.h"
#include "ui/about_window.h"
#include "ui/design_model.h"
#include "ui/failure_messages.h"
#include "ui/help_topics.h"
#include "ui/label_page.h"
#include "ui/language_list.h"
#include "ui/main_actions.h"
#include "ui/main_window.h"
#include "ui/options_dialog.h"
#include "ui/photo_list_model.h"
#include "ui/photo_strip.h"
#include "ui/preview_view.h"
#include "ui/progress_window.h"
#include "ui/user_dialogs.h"
#include "ui/window_batch.h"

#include "kelvra_version.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
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

void TForm1::createActions()
{
    auto add = [this](const QString &name, const QString &caption, const QString &category) {
        auto *action = new QAction(caption, this);
        action->setObjectName(name);
        action->setProperty("category", category);
        // Shortcuts work wherever the focus is in the window.
        addAction(action);
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
        connect(action, &QAction::triggered, m_design, [this, token]() { m_design->addToken(token); });
    }

    // Waiting for the folder browser and the photo list.
    for (const char *later : { "AviewList", "AViewReport", "AViewIcon", "PhotoAdd", "PhotoAddAll", "PhotoRemove",
             "PhotoRemoveAll", "ProcessPhotos" })
        m_actions.value(QLatin1String(later))->setEnabled(false);
    m_actions.value(QStringLiteral("ASaveAs"))->setEnabled(false);

    connect(m_actions.value(QStringLiteral("AOpen")), &QAction::triggered, this, &TForm1::AOpenExecute);
    connect(m_actions.value(QStringLiteral("ASaveAs")), &QAction::triggered, this, &TForm1::ASaveAsExecute);
    connect(m_actions.value(QStringLiteral("Action1")), &QAction::triggered, this, &QWidget::close);
    connect(m_actions.value(QStringLiteral("Exit")), &QAction::triggered, this, &QWidget::close);
    connect(m_actions.value(QStringLiteral("RLoadCFG")), &QAction::triggered, this, &TForm1::RLoadCFGExecute);
    connect(m_actions.value(QStringLiteral("RSaveCFG")), &QAction::triggered, this, &TForm1::RSaveCFGExecute);
    connect(m_actions.value(QStringLiteral("Help")), &QAction::triggered, this, &TForm1::HelpExecute);
    connect(m_actions.value(QStringLiteral("Support")), &QAction::triggered, this, &TForm1::SupportExecute);
    connect(m_actions.value(QStringLiteral("Action3")), &QAction::triggered, this, &TForm1::Action3Execute);
    connect(m_actions.value(QStringLiteral("AOptions")), &QAction::triggered, this, &TForm1::AOptionsExecute);
    connect(m_actions.value(QStringLiteral("UndoLastRun")), &QAction::triggered, this, &TForm1::UndoLastRunExecute);
    m_helpFolder = helpFolder();
    new HelpKey([this](int topic) { showHelp(topic); }, this);
    setSortColumnCaptions({});
}

void TForm1::createMenus()
{
    QString usedTitles;
    for (const MenuSpec &spec : mainMenuSpec()) {
        QMenu *menu = menuBar()->addMenu(withMnemonic(spec.title, usedTitles));
        menu->setObjectName(spec.name);
        // Translated texts and the browser's column names (the sort items)
        // arrive after this; their keys are settled when the menu opens.
        connect(menu, &QMenu::aboutToShow, menu, [menu] { mendMnemonics(menu->actions()); });
        QString used;
        // A run of the command line ends unseen, so the state is looked up on opening.
        if (std::find(spec.items.begin(), spec.items.end(), QStringLiteral("UndoLastRun")) != spec.items.end())
            connect(menu, &QMenu::aboutToShow, this, &TForm1::updateUndo);
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
    m_tokenMenu = new QMenu(this);
    m_tokenMenu->setObjectName(QStringLiteral("PopupMenu1"));
    fillMenu(m_tokenMenu, contextMenuSpec(), m_actions);
}

void TForm1::setSortColumnCaptions(const QStringList &captions)
{
    for (int k = 1; k <= 7; ++k) {
        QAction *sort = m_actions.value(QStringLiteral("Sort%1").arg(k));
        const bool present = k <= captions.size();
        sort->setText(present ? captions.at(k - 1) : QString());
        sort->setVisible(present);
    }
}

void TForm1::AOpenExecute()
{
    FileDialogRequest request;
    request.title = tr("Open");
    request.filter = tr("Photos (%1);;All files (*)").arg(photoChooserPatterns());
    const QString shown = m_preview->photoPath();
    request.folder = shown.isEmpty() ? m_options.DefaultBrowseFolder : QFileInfo(shown).absolutePath();
    const QString chosen = m_dialogs.openFileName(this, request);
    if (!chosen.isEmpty())
        LoadPic(chosen);
}

void TForm1::ASaveAsExecute()
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
    if (m_design->settings().StampPhotosOpt)
        request.fileName = stampedFileName(request.fileName, photoKindOfFile(nativePath(source)));
    request.confirmOverwrite = true;
    QString target;
    for (;;) {
        target = withSuffix(m_dialogs.saveFileName(this, request), QStringLiteral("jpg"));
        if (target.isEmpty())
            return;
        // The step copies the source over the target before it decodes the copy,
        // so drawing onto the source itself would work on a half-made file.
        if (!m_design->settings().StampPhotosOpt || !isSameFile(source, target))
            break;
        m_dialogs.showMessage(this, MessageKind::Warning,
            tr("The stamped photo cannot replace the photo it is made from. "
               "Choose another name."));
        // Asked again where the user was, not sent back to the start.
        request.folder = QFileInfo(target).absolutePath();
        request.fileName = QFileInfo(target).fileName();
    }
    BatchJob job;
    job.settings = m_design->settings();
    job.options = m_options;
    job.format = m_format;
    job.jobs = 1;
    m_actions.value(QStringLiteral("ASaveAs"))->setEnabled(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    // The whole photo is decoded here, so not on the window's thread.
    m_saveAs = QThread::create([this, source, target, job]() { m_saveAsResult = SaveStampedAs(source, target, job); });
    connect(m_saveAs, &QThread::finished, this, &TForm1::saveAsDone);
    m_saveAs->start();
}

void TForm1::saveAsDone()
{
    QApplication::restoreOverrideCursor();
    m_saveAs->deleteLater();
    m_saveAs = nullptr;
    m_actions.value(QStringLiteral("ASaveAs"))->setEnabled(m_preview->hasPhoto());
    const BatchPhotoResult result = m_saveAsResult;
    if (const std::optional<UserMessage> message = saveAsMessage(result))
        m_dialogs.showMessage(this, message->kind, message->text);
    Q_EMIT saveAsFinished(result);
}

void TForm1::setUpStart()
{
    m_progress = new TProgressForm(this);
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

    connect(m_actions.value(QStringLiteral("ProcessPhotos")), &QAction::triggered, this, &TForm1::ProcessPhotosExecute);
    connect(m_photoList, &PhotoList::changed, this, &TForm1::updateStart);
    updateStart();
    updateUndo();
}

void TForm1::updateStart()
{
    const StampSettings &s = m_design->settings();
    const bool task = s.StampPhotosOpt || s.RenamePhotos;
    m_actions.value(QStringLiteral("ProcessPhotos"))->setEnabled(!m_photoList->isEmpty() && task);
}

void TForm1::ProcessPhotosExecute()
{
    if (m_batch || !m_actions.value(QStringLiteral("ProcessPhotos"))->isEnabled())
        return;
    const QString start
        = QFileInfo(m_options.DefaultSaveFolder).isDir() ? m_options.DefaultSaveFolder : picturesFolder();
    const QString folder = m_dialogs.chooseFolder(this, tr("SAVE PHOTOS TO:"), start);
    if (folder.isEmpty())
        return;
    m_options.DefaultSaveFolder = folder;

    // The run takes the list and the design as they are now.
    BatchJob job;
    job.settings = m_design->settings();
    job.options = m_options;
    job.format = m_format;
    m_batch = new WindowBatch(m_photoList->paths(), folder, job, this);
    connect(m_batch, &WindowBatch::step, m_progress, &TProgressForm::ProgressStep);
    connect(m_batch, &WindowBatch::finished, this, &TForm1::runDone);
    connect(m_progress, &TProgressForm::cancelRequested, m_batch, &WindowBatch::cancel);
    setRunning(true);
    m_progress->ProgressStart();
    Q_EMIT runStarting(m_batch);
    m_batch->start();
}

void TForm1::runDone()
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
        close();
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
        chosen = m_dialogs.showMessageWithChoices(this, message->kind, message->text, message->details, choices);
    const QString choice = chosen >= 0 && chosen < choices.size() ? choices.at(chosen) : QString();
    // A folder the desktop cannot open is no failure of the run.
    if ((!report.cancelled && choice != undo) || choice == open)
        m_dialogs.openUrl(QUrl::fromLocalFile(folder));
    if (choice == undo)
        undoRunOf(report.runLog);
    Q_EMIT runFinished(report);
}

void TForm1::setRunning(bool running)
{
    m_runLocked->setEnabled(!running);
    // The design's controls, and the preview whose pointer places the label.
    m_todo->setEnabled(!running);
    m_frame->setEnabled(!running);
    m_preview->setEnabled(!running);
    // Nothing is dropped onto the list while a run works from it.
    m_strip->setEnabled(!running);
}

void TForm1::updateUndo()
{
    m_actions.value(QStringLiteral("UndoLastRun"))->setEnabled(lastRunToUndo().has_value());
}

void TForm1::UndoLastRunExecute()
{
    if (m_batch)
        return;
    undoRunOf(QString());
}

void TForm1::undoRunOf(const QString &id)
{
    std::optional<RunLogContents> run = lastRunToUndo();
    if (!id.isEmpty()) {
        run.reset();
        for (RunLogContents &logged : listRunLogs(defaultRunLogFolder()))
            if (logged.id == id && !logged.undone.isValid())
                run = std::move(logged);
    }
    if (run && m_dialogs.confirm(this, undoQuestion(*run))) {
        // Only removes and renames, quick enough for the window's thread.
        const UserMessage message = undoFinishedMessage(undoRun(defaultRunLogFolder(), run->id));
        m_dialogs.showDetailedMessage(this, message.kind, message.text, message.details);
    }
    updateUndo();
}

void TForm1::RLoadCFGExecute()
{
    FileDialogRequest request;
    request.title = tr("Load Stamp Configuration");
    request.filter = cfgFilter();
    request.defaultSuffix = QStringLiteral("cfg");
    request.folder = designFolder();
    const QString chosen = m_dialogs.openFileName(this, request);
    if (chosen.isEmpty())
        return;
    m_designFolder = QFileInfo(chosen).absolutePath();
    LoadCFGFromFile(chosen);
}

void TForm1::RSaveCFGExecute()
{
    FileDialogRequest request;
    request.title = tr("Save Stamp Configuration");
    request.filter = cfgFilter();
    request.defaultSuffix = QStringLiteral("cfg");
    request.folder = designFolder();
    request.confirmOverwrite = true;
    const QString chosen = withSuffix(m_dialogs.saveFileName(this, request), QStringLiteral("cfg"));
    if (chosen.isEmpty())
        return;
    m_designFolder = QFileInfo(chosen).absolutePath();
    SaveCFGToFile(chosen);
}

QString TForm1::designFolder() const
{
    // Never the hidden settings folder: a design is the user's own file.
    if (!m_designFolder.isEmpty() && QFileInfo(m_designFolder).isDir())
        return m_designFolder;
    return designsFolder();
}

void TForm1::HelpExecute()
{
    // The menu leaves the focus where it was, so this is the F1 topic too.
    const QWidget *focus = QApplication::focusWidget();
    showHelp(helpTopicOf(focus && focus->window() == this ? focus : this));
}

void TForm1::showHelp(int topic)
{
    const QUrl url = helpUrl(m_helpFolder, topic);
    const QString page = QDir::toNativeSeparators(url.toLocalFile());
    if (!QFileInfo(url.toLocalFile()).isFile()) {
        m_dialogs.showMessage(this, MessageKind::Warning,
            tr("The user guide is missing: %1 was not found.\n\n"
               "Install Kelvra again to get it back. When you run Kelvra from a build folder, build it again: "
               "the build puts the guide beside the program.")
                .arg(page));
        return;
    }
    if (!m_dialogs.openUrl(url))
        m_dialogs.showMessage(this, MessageKind::Warning,
            tr("No web browser could be started to show the user guide. Open %1 in your browser.").arg(page));
}

void TForm1::SupportExecute()
{
    const QString support = QLatin1String(kSupportUrl);
    if (!m_dialogs.openUrl(QUrl(support)))
        m_dialogs.showMessage(
            this, MessageKind::Warning, tr("No web browser could be started. The support page is %1").arg(support));
}

void TForm1::Action3Execute()
{
    m_about->exec();
}

void TForm1::setLanguageList(const LanguageList *languages)
{
    m_languages = languages;
}

void TForm1::AOptionsExecute()
{
    static const NoLanguages none;
    TFormOptions dialog(m_options, m_iniPath, m_languages ? *m_languages : none, m_dialogs, this);
    dialog.exec();
    // The GPS text form may have changed.
    m_preview->setOptions(m_options);
}

} // namespace kelvra
