// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"

#include "kelvra_version.h"
#include "localization/form_harvest.h"
#include "platform/data_folder.h"
#include "stamp/file_mask.h"
#include "ui/date_page.h"
#include "ui/design_model.h"
#include "ui/folder_browser.h"
#include "ui/form_size.h"
#include "ui/help_topics.h"
#include "ui/label_page.h"
#include "ui/main_commands.h"
#include "ui/mask_page.h"
#include "ui/photo_list_model.h"
#include "ui/photo_strip.h"
#include "ui/preview_view.h"
#include "ui/window_batch.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kelvra {

namespace {

constexpr int kLeftPaneWidth = 284;
constexpr int kStripHeight = 168;
constexpr int kBottomPaneHeight = 181;
// Inside the frame: 960 wide with it.
constexpr QSize kDesignSize(944, 765);

// Strip above, preview below: when the window gets low the strip gives up
// its height first, so the photo stays larger than the strip.
class StripSplitter : public QSplitter
{
public:
    StripSplitter(QWidget *parent)
        : QSplitter(Qt::Vertical, parent)
    {
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QSplitter::resizeEvent(event);
        QList<int> s = sizes();
        if (s.size() != 2 || s[1] >= s[0])
            return;
        const int total = s[0] + s[1];
        const int strip = qMax(widget(0)->minimumHeight(), qMin(kStripHeight, total / 3));
        if (strip < s[0])
            setSizes({ strip, total - strip });
    }
};

} // namespace

TForm1::TForm1(UserDialogs &dialogs, QWidget *parent)
    : QMainWindow(parent)
    , m_dialogs(dialogs)
    , m_design(new DesignModel(this))
    , m_photoList(new PhotoList(this))
{
    setObjectName(QStringLiteral("Form1"));
    // The caption carries the version.
    setProperty(kNotTranslated, QStringList { QStringLiteral("Caption") });
    setProperty("helpTopic", kMainWindowHelpTopic);
    setWindowTitle(QStringLiteral("Kelvra ") + QLatin1String(kVersionText));
    setMinimumSize(kDesignSize.width(), 400);

    m_commands = new MainCommands(*this, m_dialogs, *m_design, *m_photoList);
    connect(m_commands, &MainCommands::saveAsFinished, this, &TForm1::saveAsFinished);
    connect(m_commands, &MainCommands::runStarting, this, &TForm1::runStarting);
    connect(m_commands, &MainCommands::runFinished, this, &TForm1::runFinished);
    connect(m_commands, &MainCommands::closeRequested, this, &QWidget::close);
    connect(m_commands, &MainCommands::taskChosen, this, &TForm1::selectTask);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 2);
    layout->setSpacing(4);

    layout->addWidget(createPanes(central), 1);
    layout->addWidget(createBottomPane());
    setCentralWidget(central);

    createStatusBar();
    connectViews();
    connect(m_design, &DesignModel::changed, this, &TForm1::showDesign);
    m_commands->attach({ *m_preview, *m_browser, *m_strip, { m_todo, m_frame, m_preview, m_strip } });
    showDesign();
    showPhotoCount();

    // Where the design puts the window; a stored placement replaces it.
    resize(kDesignSize);
    if (const QScreen *screen = this->screen())
        setGeometry(centredBounds(kDesignSize, screen->availableGeometry()));
    m_placement = new TFormSize(this);
    m_placement->SaveKey = QStringLiteral("Form1");
    m_placement->SaveName = programIniPath();
    m_placement->LoadFormSettings();

    // The edit inside an editable box is what a screen reader lands on.
    for (QComboBox *box : findChildren<QComboBox *>())
        if (box->lineEdit() && box->lineEdit()->accessibleName().isEmpty())
            box->lineEdit()->setAccessibleName(box->accessibleName());
}

// The folder and list on the left, the photo strip over the preview on the right.
QSplitter *TForm1::createPanes(QWidget *parent)
{
    auto *mainSplitter = new QSplitter(Qt::Horizontal, parent);
    mainSplitter->setObjectName(QStringLiteral("Splitter1"));
    mainSplitter->setChildrenCollapsible(false);
    mainSplitter->addWidget(createLeftPane());
    auto *right = new StripSplitter(mainSplitter);
    right->setObjectName(QStringLiteral("Splitter2"));
    right->setChildrenCollapsible(false);
    right->addWidget(createStrip());
    auto *previewArea = new QWidget(right);
    previewArea->setObjectName(QStringLiteral("PreviewArea"));
    previewArea->setMinimumHeight(60);
    previewArea->setBackgroundRole(QPalette::Dark);
    auto *previewLayout = new QVBoxLayout(previewArea);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    m_preview = new PreviewView(*m_design, previewArea);
    previewLayout->addWidget(m_preview);
    right->addWidget(previewArea);
    right->setStretchFactor(0, 0);
    right->setStretchFactor(1, 1);
    right->setSizes({ kStripHeight, 10000 });
    mainSplitter->addWidget(right);
    mainSplitter->setStretchFactor(0, 0);
    mainSplitter->setStretchFactor(1, 1);
    mainSplitter->setSizes({ kLeftPaneWidth, 10000 });
    return mainSplitter;
}

void TForm1::createStatusBar()
{
    // Each in a panel of its own; the path gives way, the count never does.
    m_photoStatus = new PathLabel(this);
    m_photoStatus->setObjectName(QStringLiteral("PhotoPath"));
    m_countStatus = new QLabel(tr("Files to process: ") + QString::number(0), this);
    m_countStatus->setObjectName(QStringLiteral("FilesToProcess"));
    m_countStatus->setProperty(kNotTranslated, true);
    m_countStatus->setAccessibleName(m_countStatus->text());
    m_labelSizeStatus = new QLabel(this);
    m_labelSizeStatus->setObjectName(QStringLiteral("LabelSizeStatus"));
    m_labelSizeStatus->setProperty(kNotTranslated, true);
    m_labelSizeStatus->setVisible(false);
    statusBar()->addWidget(m_photoStatus, 1);
    statusBar()->addPermanentWidget(m_datePage->statusLabel());
    statusBar()->addPermanentWidget(m_labelSizeStatus);
    statusBar()->addPermanentWidget(m_countStatus);
}

void TForm1::connectViews()
{
    m_preview->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_preview, &QWidget::customContextMenuRequested, this,
        [this](const QPoint &at) { m_commands->tokenMenu()->popup(m_preview->mapToGlobal(at)); });
    connect(m_preview, &PreviewView::photoShown, this, &TForm1::photoShown);
    connect(m_preview, &PreviewView::photoFailed, this, &TForm1::photoFailed);
    connect(m_preview, &PreviewView::redrawn, this, &TForm1::showLabelSize);
    connect(m_preview, &PreviewView::redrawn, this, &TForm1::showPhotoDate);
    connect(m_photoList, &PhotoList::changed, this, &TForm1::showPhotoCount);
    connect(m_browser, &FolderBrowser::entryFocused, this, &TForm1::browserEntryFocused);
    connect(m_strip, &PhotoStrip::photoSelected, this, &TForm1::LoadPic);
}

TForm1::~TForm1()
{
    // A run or a Save As still going ends before the views it reports to.
    delete m_commands;
    // The views go before the photo list they show.
    delete takeCentralWidget();
}

QWidget *TForm1::createLeftPane()
{
    auto *pane = new QWidget(this);
    pane->setObjectName(QStringLiteral("LeftPane"));
    pane->setMinimumWidth(180);
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    m_browser = new FolderBrowser(pane);
    layout->addWidget(m_browser);
    return pane;
}

QWidget *TForm1::createStrip()
{
    auto *strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("PhotoListPane"));
    strip->setMinimumHeight(64);
    auto *layout = new QHBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto *buttons = new QGridLayout;
    buttons->setSpacing(4);
    const char *names[] = { "PhotoAdd", "PhotoAddAll", "PhotoRemove", "PhotoRemoveAll" };
    for (int i = 0; i < 4; ++i) {
        auto *button = new QToolButton(strip);
        button->setDefaultAction(m_commands->actions().value(QLatin1String(names[i])));
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setMinimumWidth(84);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        buttons->addWidget(button, i / 2, i % 2);
    }
    auto *column = new QVBoxLayout;
    column->addLayout(buttons);
    column->addStretch(1);
    layout->addLayout(column);
    m_strip = new PhotoStrip(*m_photoList, strip);
    layout->addWidget(m_strip, 1);
    return strip;
}

void TForm1::browserEntryFocused(const QString &path, bool isFolder)
{
    if (!isFolder && IsPhotoFileName(path)) {
        LoadPic(path);
        return;
    }
    m_preview->clearPhoto();
    photoFailed();
}

void TForm1::showPhotoCount()
{
    m_countStatus->setText(tr("Files to process: ") + QString::number(m_photoList->count()));
    m_countStatus->setAccessibleName(m_countStatus->text());
}

QWidget *TForm1::createBottomPane()
{
    auto *pane = new QWidget(this);
    pane->setObjectName(QStringLiteral("BottomPane"));
    pane->setFixedHeight(kBottomPaneHeight);
    auto *layout = new QHBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    auto *todo = new QGroupBox(tr("TO DO: "), pane);
    todo->setObjectName(QStringLiteral("TodoGroup"));
    auto *todoLayout = new QVBoxLayout(todo);
    todoLayout->setSpacing(6);
    m_todo = new QListWidget(todo);
    m_todo->setObjectName(QStringLiteral("TodoList"));
    m_todo->setAccessibleName(tr("TO DO"));
    for (const QString &text : { tr("Stamp photos"), tr("Rename\\Sort photos") }) {
        auto *item = new QListWidgetItem(text, m_todo);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    // The date rules serve both tasks: a page, not a task to tick.
    new QListWidgetItem(tr("Date"), m_todo);
    const int rowHeight = m_todo->sizeHintForRow(0);
    m_todo->setFixedHeight(m_todo->count() * rowHeight + 2 * m_todo->frameWidth() + 4);
    m_todo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_todo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Both tasks stay readable whatever the language makes of them.
    auto fitTodo = [todo, this]() {
        const QMargins margins = todo->layout()->contentsMargins();
        const int content = m_todo->sizeHintForColumn(0) + 2 * m_todo->frameWidth() + 8;
        todo->setFixedWidth(std::max(184, content + margins.left() + margins.right()));
    };
    fitTodo();
    connect(m_todo->model(), &QAbstractItemModel::dataChanged, todo, fitTodo);
    todoLayout->addWidget(m_todo);
    auto *start = new QToolButton(todo);
    start->setObjectName(QStringLiteral("StartButton"));
    start->setDefaultAction(m_commands->actions().value(QStringLiteral("ProcessPhotos")));
    start->setToolButtonStyle(Qt::ToolButtonTextOnly);
    start->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    QFont big = start->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    start->setFont(big);
    todoLayout->addWidget(start, 1);
    layout->addWidget(todo);

    m_frame = new QGroupBox(pane);
    m_frame->setObjectName(QStringLiteral("SettingsFrame"));
    auto *frameLayout = new QVBoxLayout(m_frame);
    frameLayout->setContentsMargins(8, 4, 8, 6);
    m_pages = new QStackedWidget(m_frame);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_labelPage = new LabelPage(*m_design, m_commands->actions(), m_commands->tokenMenu(), m_dialogs, m_pages);
    m_maskPage = new MaskPage(*m_design, m_commands->format(), m_pages);
    m_datePage = new DatePage(*m_design, m_pages);
    m_pages->addWidget(m_labelPage);
    m_pages->addWidget(m_maskPage);
    m_pages->addWidget(m_datePage);
    frameLayout->addWidget(m_pages);
    layout->addWidget(m_frame, 1);

    connect(m_todo, &QListWidget::currentRowChanged, this, &TForm1::todoSelected);
    connect(m_todo, &QListWidget::itemChanged, this, &TForm1::todoTicked);
    return pane;
}

void TForm1::selectTask(int row)
{
    // Selecting the row already current still shows its page.
    {
        const QSignalBlocker block(m_todo);
        m_todo->setCurrentRow(row);
    }
    todoSelected(row);
}

// The tasks and Start follow the design, however it changed.
void TForm1::showDesign()
{
    const StampSettings &s = m_design->settings();
    {
        const QSignalBlocker block(m_todo);
        m_todo->item(0)->setCheckState(s.StampPhotosOpt ? Qt::Checked : Qt::Unchecked);
        m_todo->item(1)->setCheckState(s.RenamePhotos ? Qt::Checked : Qt::Unchecked);
    }
}

void TForm1::showLabelSize()
{
    // Below this a label is no longer text anyone can read.
    constexpr int kLegibleHeight = 4;
    const int height = m_preview->labelHeightOnPhoto();
    const bool tooSmall = m_preview->hasPhoto() && height > 0 && height < kLegibleHeight;
    m_labelSizeStatus->setText(
        tooSmall ? tr("The label would be %1 px high on this photo: too small to read.").arg(height) : QString());
    m_labelSizeStatus->setAccessibleName(m_labelSizeStatus->text());
    m_labelSizeStatus->setVisible(tooSmall);
}

void TForm1::showPhotoDate()
{
    if (m_preview->hasPhoto())
        m_datePage->showPhotoDate(m_preview->photoDating());
}

void TForm1::todoSelected(int row)
{
    if (row < 0)
        return;
    m_pages->setCurrentIndex(row);
    m_frame->setTitle(m_todo->item(row)->text());
    // F1 on the TO DO list and the settings answers with the page's topic; the
    // rest of the window keeps the window's own.
    m_frame->parentWidget()->setProperty("helpTopic", m_pages->currentWidget()->property("helpTopic"));
}

void TForm1::todoTicked()
{
    // A click and the space bar both end here.
    const bool stamp = m_todo->item(0)->checkState() == Qt::Checked;
    const bool rename = m_todo->item(1)->checkState() == Qt::Checked;
    m_design->edit([stamp, rename](StampSettings &s) {
        s.StampPhotosOpt = stamp;
        s.RenamePhotos = rename;
    });
}

void TForm1::photoShown(const QString &path)
{
    m_photoStatus->setPath(path);
    m_datePage->showPhotoDate(m_preview->photoDating());
    m_commands->updateSaveAs();
}

void TForm1::photoFailed()
{
    showLabelSize();
    m_photoStatus->setPath(QString());
    m_datePage->clearPhotoDate();
    m_commands->updateSaveAs();
}

void TForm1::LoadPic(const QString &FName)
{
    m_preview->LoadPic(FName);
}

void TForm1::setLanguageList(LanguageList *languages)
{
    m_commands->setLanguageList(languages);
}

void TForm1::changeEvent(QEvent *event)
{
    // What is made from the state speaks the language just switched to; the
    // fixed texts are the translator's.
    if (event->type() == QEvent::LanguageChange) {
        showPhotoCount();
        showLabelSize();
        if (m_preview->hasPhoto())
            showPhotoDate();
        else
            m_datePage->clearPhotoDate();
        if (const QListWidgetItem *task = m_todo->currentItem())
            m_frame->setTitle(task->text());
    }
    QMainWindow::changeEvent(event);
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (!m_commands->readyToClose()) {
        event->ignore();
        return;
    }
    m_placement->SaveFormSettings();
    event->accept();
}

} // namespace kelvra
