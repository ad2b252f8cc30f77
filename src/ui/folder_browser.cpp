// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/folder_browser.h"

#include "localization/form_harvest.h"
#include "stamp/file_mask.h"
#include "ui/reading_order.h"

#include <QAbstractFileIconProvider>
#include <QCollator>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <compare>
#include <set>

namespace kelvra {

namespace {

int sign(std::strong_ordering order)
{
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

const QCollator &nameCollator()
{
    static const QCollator collator = [] {
        QCollator c;
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

} // namespace

QString startBrowseFolder(const QString &defaultFolder)
{
    if (!defaultFolder.isEmpty() && QFileInfo(defaultFolder).isDir())
        return QDir::cleanPath(QFileInfo(defaultFolder).absoluteFilePath());
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return QDir::cleanPath(pictures);
    return QDir::homePath();
}

void JpegFolderFilter::setFolder(const QString &path)
{
    m_folder = QDir::cleanPath(path);
    invalidateFilter();
}

bool JpegFolderFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const auto *files = static_cast<const QFileSystemModel *>(sourceModel());
    // Only the shown folder is filtered; the folders above it must stay to reach it.
    if (QDir::cleanPath(files->filePath(sourceParent)) != m_folder)
        return true;
    const QModelIndex entry = files->index(sourceRow, 0, sourceParent);
    return files->isDir(entry) || IsPhotoFileName(files->fileName(entry));
}

QVariant JpegFolderFilter::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || (index.column() != 2 && index.column() != 3))
        return QSortFilterProxyModel::data(index, role);
    const auto *files = static_cast<const QFileSystemModel *>(sourceModel());
    const QModelIndex entry = mapToSource(index.siblingAtColumn(0));
    if (index.column() == 3)
        return QLocale().toString(files->lastModified(entry), QLocale::ShortFormat);
    if (files->isDir(entry))
        return tr("Folder");
    return IsJpegFileName(files->fileName(entry)) ? tr("JPEG image") : QSortFilterProxyModel::data(index, role);
}

bool JpegFolderFilter::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const auto *files = static_cast<const QFileSystemModel *>(sourceModel());
    const QModelIndex a = left.siblingAtColumn(0);
    const QModelIndex b = right.siblingAtColumn(0);
    const bool aFolder = files->isDir(a);
    const bool bFolder = files->isDir(b);
    if (aFolder != bFolder)
        return aFolder;
    int order = 0;
    switch (left.column()) {
    case 1:
        order = sign(files->size(a) <=> files->size(b));
        break;
    case 2:
        order = nameCollator().compare(files->type(a), files->type(b));
        break;
    case 3:
        order = sign(files->lastModified(a).toMSecsSinceEpoch() <=> files->lastModified(b).toMSecsSinceEpoch());
        break;
    default:
        break;
    }
    if (order == 0)
        order = nameCollator().compare(files->fileName(a), files->fileName(b));
    if (order == 0)
        order = files->fileName(a).compare(files->fileName(b));
    return order < 0;
}

FolderBrowser::FolderBrowser(QWidget *parent)
    : QWidget(parent)
    , m_files(new QFileSystemModel(this))
    , m_filter(new JpegFolderFilter(this))
    , m_pathBox(new QComboBox(this))
    , m_back(new QToolButton(this))
    , m_views(new QStackedWidget(this))
    , m_report(new QTreeView(m_views))
    , m_icons(new QListView(m_views))
{
    setObjectName(QStringLiteral("FolderBrowser"));
    m_files->setObjectName(QStringLiteral("ShellFiles"));
    m_files->setReadOnly(true);
    // Hidden entries are left out by not asking for them.
    m_files->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Drives);
    m_filter->setSourceModel(m_files);
    m_filter->setDynamicSortFilter(true);

    setUpPathBar();
    setUpReportView();
    setUpIconView();
    layOutParts();
    connectParts();
    sortByColumn(0);
}

void FolderBrowser::setUpPathBar()
{
    m_pathBox->setObjectName(QStringLiteral("ShellComboBox1"));
    m_pathBox->setProperty(kNotTranslated, QStringList { QStringLiteral("Items.Strings") });
    m_pathBox->setProperty("helpTopic", 50);
    m_pathBox->setEditable(true);
    m_pathBox->setInsertPolicy(QComboBox::NoInsert);
    m_pathBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_pathBox->setMinimumContentsLength(8);
    m_pathBox->setAccessibleName(tr("Folder"));
    m_pathBox->setToolTip(m_pathBox->accessibleName());
    m_pathBox->lineEdit()->setAccessibleName(m_pathBox->accessibleName());
    // A path reads left to right in any interface language.
    m_pathBox->setLayoutDirection(Qt::LeftToRight);
    m_back->setObjectName(QStringLiteral("SpeedButtonBack"));
    m_back->setArrowType(Qt::UpArrow);
    m_back->setToolTip(tr("Back"));
    m_back->setAccessibleName(tr("Back to the parent folder"));
    m_back->setFocusPolicy(Qt::StrongFocus);
}

void FolderBrowser::setUpReportView()
{
    m_report->setObjectName(QStringLiteral("ShellListView1Report"));
    m_report->setAccessibleName(tr("Folder browser"));
    m_report->setModel(m_filter);
    m_report->setItemDelegate(new OwnReadingOrderDelegate(m_report));
    m_report->setRootIsDecorated(false);
    m_report->setItemsExpandable(false);
    m_report->setExpandsOnDoubleClick(false);
    m_report->setUniformRowHeights(true);
    m_report->setAllColumnsShowFocus(true);
    m_report->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_report->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_report->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QHeaderView *header = m_report->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(0, Qt::AscendingOrder);
    header->setStretchLastSection(false);
    // The pane is narrow: Name and Date come first, so both are seen.
    header->moveSection(3, 1);
    fitColumns();
}

void FolderBrowser::setUpIconView()
{
    m_icons->setObjectName(QStringLiteral("ShellListView1Icons"));
    m_icons->setAccessibleName(tr("Folder browser"));
    m_icons->setModel(m_filter);
    m_icons->setItemDelegate(new OwnReadingOrderDelegate(m_icons));
    QItemSelectionModel *own = m_icons->selectionModel();
    m_icons->setSelectionModel(m_report->selectionModel());
    delete own;
    m_icons->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_icons->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_icons->setMovement(QListView::Static);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setUniformItemSizes(true);
}

void FolderBrowser::layOutParts()
{
    m_views->setObjectName(QStringLiteral("ShellListView1"));
    m_views->setAccessibleName(tr("Folder browser"));
    m_views->addWidget(m_report);
    m_views->addWidget(m_icons);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto *top = new QHBoxLayout;
    top->addWidget(m_pathBox, 1);
    top->addWidget(m_back);
    layout->addLayout(top);
    layout->addWidget(m_views, 1);
    setTabOrder(m_pathBox, m_back);
    setTabOrder(m_back, m_views);
}

void FolderBrowser::connectParts()
{
    connect(m_report->header(), &QHeaderView::sectionClicked, this, &FolderBrowser::sortByColumn);
    connect(m_back, &QToolButton::clicked, this, &FolderBrowser::goUp);
    connect(m_pathBox, &QComboBox::activated, this, [this](int index) {
        const QString path = m_pathBox->itemData(index).toString();
        if (path.isEmpty() || !setFolder(path))
            fillPathBox();
    });
    connect(m_pathBox->lineEdit(), &QLineEdit::returnPressed, this, &FolderBrowser::pathTyped);
    connect(m_files, &QFileSystemModel::directoryLoaded, this, [this](const QString &path) {
        if (QDir::cleanPath(path) == m_folder && !m_loaded) {
            m_loaded = true;
            Q_EMIT loaded();
        }
    });
    for (QAbstractItemView *view :
        { static_cast<QAbstractItemView *>(m_report), static_cast<QAbstractItemView *>(m_icons) }) {
        view->installEventFilter(this);
        connect(view, &QAbstractItemView::doubleClicked, this, &FolderBrowser::activate);
        connect(view, &QAbstractItemView::clicked, this, &FolderBrowser::focusChanged);
    }
    connect(m_report->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex &current) { focusChanged(current); });
}

bool FolderBrowser::setFolder(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir())
        return false;
    m_folder = QDir::cleanPath(info.absoluteFilePath());
    m_loaded = false;
    m_filter->setFolder(m_folder);
    const QModelIndex root = m_filter->mapFromSource(m_files->setRootPath(m_folder));
    m_report->setRootIndex(root);
    m_icons->setRootIndex(root);
    m_report->selectionModel()->clear();
    m_back->setEnabled(!QDir(m_folder).isRoot());
    fillPathBox();
    Q_EMIT folderChanged(m_folder);
    return true;
}

void FolderBrowser::goUp()
{
    QDir up(m_folder);
    if (!up.cdUp())
        return;
    const QString from = m_folder;
    if (setFolder(up.absolutePath()))
        focusEntry(from); // the folder we came from, so Enter goes back in
}

void FolderBrowser::setViewStyle(ViewStyle style)
{
    m_style = style;
    const QModelIndex current = m_report->selectionModel()->currentIndex();
    if (style == ViewStyle::Report) {
        m_views->setCurrentWidget(m_report);
    } else {
        const bool icons = style == ViewStyle::Icon;
        m_icons->setViewMode(icons ? QListView::IconMode : QListView::ListMode);
        m_icons->setFlow(icons ? QListView::LeftToRight : QListView::TopToBottom);
        m_icons->setWrapping(true);
        m_icons->setMovement(QListView::Static);
        m_icons->setIconSize(icons ? QSize(48, 48) : QSize(16, 16));
        m_icons->setGridSize(icons ? QSize(92, 80) : QSize());
        m_icons->setWordWrap(icons);
        m_views->setCurrentWidget(m_icons);
    }
    if (current.isValid())
        currentView()->scrollTo(current);
}

QAbstractItemView *FolderBrowser::currentView() const
{
    return m_style == ViewStyle::Report ? static_cast<QAbstractItemView *>(m_report) : m_icons;
}

QString FolderBrowser::pathOf(const QModelIndex &index) const
{
    return m_files->filePath(m_filter->mapToSource(index.siblingAtColumn(0)));
}

bool FolderBrowser::isFolder(const QModelIndex &index) const
{
    return m_files->isDir(m_filter->mapToSource(index.siblingAtColumn(0)));
}

QStringList FolderBrowser::entries() const
{
    QStringList out;
    const QModelIndex root = m_report->rootIndex();
    for (int row = 0; row < m_filter->rowCount(root); ++row)
        out << pathOf(m_filter->index(row, 0, root));
    return out;
}

QStringList FolderBrowser::chosenFiles() const
{
    // By ranges: the indexes of a selected folder of thousands would be one per cell.
    std::set<int> rows;
    const QModelIndex root = m_report->rootIndex();
    for (const QItemSelectionRange &range : m_report->selectionModel()->selection()) {
        if (range.parent() != root)
            continue;
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.insert(row);
    }
    QStringList out;
    if (rows.empty()) {
        const QModelIndex focused = m_report->selectionModel()->currentIndex();
        if (focused.isValid() && focused.parent() == root && !isFolder(focused))
            out << pathOf(focused);
        return out;
    }
    for (const int row : rows) {
        const QModelIndex index = m_filter->index(row, 0, root);
        if (!isFolder(index))
            out << pathOf(index);
    }
    return out;
}

void FolderBrowser::selectAll()
{
    currentView()->selectAll();
}

void FolderBrowser::clearSelection()
{
    m_report->selectionModel()->clearSelection();
}

bool FolderBrowser::focusEntry(const QString &path)
{
    const QModelIndex index = m_filter->mapFromSource(m_files->index(path));
    if (!index.isValid() || index.parent() != m_report->rootIndex())
        return false;
    m_report->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    currentView()->scrollTo(index);
    return true;
}

void FolderBrowser::sortByColumn(int column)
{
    if (column < 0 || column >= m_files->columnCount())
        return;
    m_sortColumn = column;
    // Always ascending: a second click on a column sorts it the same way.
    m_filter->sort(column, Qt::AscendingOrder);
    m_report->header()->setSortIndicator(column, Qt::AscendingOrder);
    Q_EMIT sorted(column);
}

QStringList FolderBrowser::columnCaptions() const
{
    QStringList captions;
    for (int column = 0; column < m_files->columnCount(); ++column)
        captions << m_files->headerData(column, Qt::Horizontal).toString();
    return captions;
}

void FolderBrowser::activate(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    // A folder only opens; files are never handed to the desktop.
    if (isFolder(index))
        setFolder(pathOf(index));
    else
        Q_EMIT addRequested();
}

void FolderBrowser::focusChanged(const QModelIndex &index)
{
    if (index.isValid())
        Q_EMIT entryFocused(pathOf(index), isFolder(index));
}

void FolderBrowser::fillPathBox()
{
    const QSignalBlocker block(m_pathBox);
    m_pathBox->clear();
    const QIcon folderIcon
        = m_files->iconProvider() ? m_files->iconProvider()->icon(QAbstractFileIconProvider::Folder) : QIcon();
    QStringList listed;
    for (QDir dir(m_folder);;) {
        listed << dir.absolutePath();
        if (!dir.cdUp())
            break;
    }
    for (const QString &place :
        { QDir::homePath(), QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) }) {
        if (!place.isEmpty() && !listed.contains(place) && QFileInfo(place).isDir())
            listed << place;
    }
    for (const QString &path : std::as_const(listed))
        m_pathBox->addItem(folderIcon, QDir::toNativeSeparators(path), path);
    m_pathBox->setCurrentIndex(0);
    // The end of a long path names the folder; its start gives way.
    m_pathBox->lineEdit()->end(false);
}

void FolderBrowser::fitColumns()
{
    const QFontMetrics metrics = m_report->fontMetrics();
    QHeaderView *header = m_report->header();
    const int pad = 3 * metrics.averageCharWidth();
    auto fit = [&](int column, const QString &widest) {
        const QString caption = m_filter->headerData(column, Qt::Horizontal).toString();
        header->resizeSection(
            column, qMax(metrics.horizontalAdvance(widest), metrics.horizontalAdvance(caption)) + pad);
    };
    fit(1, QLocale().formattedDataSize(999'900'000));
    fit(2, tr("JPEG image"));
    fit(3, QLocale().toString(QDateTime(QDate(2028, 12, 28), QTime(23, 58, 59)), QLocale::ShortFormat));
    header->resizeSection(0, 14 * metrics.averageCharWidth());
}

void FolderBrowser::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange || event->type() == QEvent::FontChange)
        fitColumns();
    QWidget::changeEvent(event);
}

void FolderBrowser::pathTyped()
{
    QString typed = QDir::fromNativeSeparators(m_pathBox->currentText().trimmed());
    if (typed == QLatin1String("~") || typed.startsWith(QLatin1String("~/")))
        typed.replace(0, 1, QDir::homePath());
    if (!setFolder(typed))
        fillPathBox();
}

bool FolderBrowser::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == m_report || watched == m_icons)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier) {
            activate(m_report->selectionModel()->currentIndex());
            return true;
        }
        if (key->key() == Qt::Key_Backspace || (key->key() == Qt::Key_Up && key->modifiers() == Qt::AltModifier)) {
            goUp();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kelvra
