// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/photo_list_model.h"

#include "stamp/file_mask.h"

#include <QFileInfo>
#include <QSet>

namespace kelvra {

PhotoList::PhotoList(QObject *parent)
    : QAbstractListModel(parent)
{
}

QString PhotoList::captionFor(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    if (name.size() <= kCaptionLength)
        return name;
    return QStringLiteral("...") + name.right(kCaptionLength);
}

int PhotoList::add(const QStringList &paths)
{
    std::vector<Item> fresh;
    QSet<QString> seen; // a path named twice in one call
    for (const QString &path : paths) {
        if (!IsPhotoFileName(path) || m_rows.contains(path) || seen.contains(path))
            continue;
        seen.insert(path);
        fresh.push_back({ path, captionFor(path) });
    }
    if (fresh.empty())
        return 0;
    const int first = count();
    beginInsertRows(QModelIndex(), first, first + int(fresh.size()) - 1);
    for (Item &item : fresh) {
        m_rows.insert(item.path, count());
        m_items.push_back(std::move(item));
    }
    endInsertRows();
    Q_EMIT changed();
    return int(fresh.size());
}

bool PhotoList::add(const QString &path)
{
    return add(QStringList { path }) == 1;
}

void PhotoList::removeAt(int row)
{
    if (row < 0 || row >= count())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.remove(m_items[size_t(row)].path);
    m_items.erase(m_items.begin() + row);
    reindexFrom(row);
    endRemoveRows();
    Q_EMIT changed();
}

void PhotoList::clear()
{
    if (m_items.empty())
        return;
    beginResetModel();
    m_items.clear();
    m_rows.clear();
    endResetModel();
    Q_EMIT changed();
}

void PhotoList::reindexFrom(int row)
{
    for (int i = row; i < count(); ++i)
        m_rows[m_items[size_t(i)].path] = i;
}

QStringList PhotoList::paths() const
{
    QStringList out;
    out.reserve(count());
    for (const Item &item : m_items)
        out << item.path;
    return out;
}

QString PhotoList::path(int row) const
{
    return row >= 0 && row < count() ? m_items[size_t(row)].path : QString();
}

QString PhotoList::caption(int row) const
{
    return row >= 0 && row < count() ? m_items[size_t(row)].caption : QString();
}

QString PhotoList::hint(int row) const
{
    return path(row);
}

int PhotoList::indexOf(const QString &path) const
{
    return m_rows.value(path, -1);
}

int PhotoList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant PhotoList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const Item &item = m_items[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return item.caption;
    case Qt::ToolTipRole:
    case PathRole:
        return item.path;
    case Qt::TextAlignmentRole:
        return int(Qt::AlignHCenter | Qt::AlignTop);
    default:
        return {};
    }
}

QHash<int, QByteArray> PhotoList::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(PathRole, "path");
    return names;
}

} // namespace kelvra
