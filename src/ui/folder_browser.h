// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSortFilterProxyModel>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QFileSystemModel;
class QListView;
class QStackedWidget;
class QToolButton;
class QTreeView;
class QAbstractItemView;

namespace kelvra {

// Where the folder browser opens: defaultFolder when it is a folder, else
// the user's pictures folder when there is one, else the home folder.
QString startBrowseFolder(const QString &defaultFolder);

// Lists one folder of a file-system model: its subfolders and its files
// with photo names (hidden entries are left out by the model), sorted by a
// column on request, folders first. Comparisons are three-way on the
// column's own value, so a sort is a consistent order however far apart
// two sizes or dates are.
class JpegFolderFilter : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setFolder(const QString &path);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    // The kind and the date in the interface language.
    QVariant data(const QModelIndex &index, int role) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    QString m_folder;
};

// The left pane: the path selector ("ShellComboBox1") with the button to the
// parent folder ("SpeedButtonBack") over the folder list ("ShellListView1")
// in report, list or icon view. The list follows the folder as files come
// and go. A click or a move of the focus reports the focused entry; a double
// click (or Enter) opens a folder, or asks to queue the photos chosen.
class FolderBrowser : public QWidget
{
    Q_OBJECT
public:
    enum class ViewStyle { Report, List, Icon };

    explicit FolderBrowser(QWidget *parent = nullptr);

    // Shows path; false, with nothing changed, when it is not a folder.
    bool setFolder(const QString &path);
    QString folder() const { return m_folder; }

    ViewStyle viewStyle() const { return m_style; }
    void setViewStyle(ViewStyle style);

    // The listed entries as full paths, in list order.
    QStringList entries() const;
    // The files to queue: the selected files in list order, or the focused
    // entry when nothing is selected. Folders are never among them.
    QStringList chosenFiles() const;
    void selectAll();
    void clearSelection();
    // Focuses path (and selects it alone); false when it is not listed.
    bool focusEntry(const QString &path);

    // Sorts ascending by column (0 name, 1 size, 2 type, 3 date); SortColumn.
    void sortByColumn(int column);
    int sortColumn() const { return m_sortColumn; }
    QStringList columnCaptions() const;

Q_SIGNALS:
    void folderChanged(const QString &path);
    void entryFocused(const QString &path, bool isFolder);
    void addRequested();
    // The current folder has been read in full, the first time.
    void loaded();
    void sorted(int column); // by a header click or sortByColumn

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void goUp();
    QAbstractItemView *currentView() const;
    // The constructor's steps.
    void setUpPathBar();
    void setUpReportView();
    void setUpIconView();
    void layOutParts();
    void connectParts();

    void fitColumns();
    void activate(const QModelIndex &index);
    void focusChanged(const QModelIndex &index);
    void fillPathBox();
    void pathTyped();
    QString pathOf(const QModelIndex &index) const;
    bool isFolder(const QModelIndex &index) const;

    QFileSystemModel *m_files;
    JpegFolderFilter *m_filter;
    QComboBox *m_pathBox;
    QToolButton *m_back;
    QStackedWidget *m_views;
    QTreeView *m_report;
    QListView *m_icons;
    ViewStyle m_style = ViewStyle::Report;
    QString m_folder;
    int m_sortColumn = 0;
    bool m_loaded = false;
};

} // namespace kelvra
