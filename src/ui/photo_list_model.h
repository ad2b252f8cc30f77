// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace kelvra {

// The queue of photos Start works on, in the order they were added. A photo
// is its full path, compared as exact text, so no path is queued twice; only
// Photo names are taken. The caption is the file name (its tail when long) and
// the hint the full path. Views show it through the model roles; a batch
// reads paths().
class PhotoList : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role { PathRole = Qt::UserRole + 1 };

    // Names longer than this show as "..." and their last kCaptionLength characters.
    static constexpr int kCaptionLength = 25;

    explicit PhotoList(QObject *parent = nullptr);

    // Queues each path that has a photo name and is not queued yet, in order,
    // as one insertion. Returns how many were queued.
    int add(const QStringList &paths);
    bool add(const QString &path);
    // Nothing happens for a row outside the list.
    void removeAt(int row);
    void clear();

    int count() const { return int(m_items.size()); }
    bool isEmpty() const { return m_items.empty(); }
    QStringList paths() const;
    QString path(int row) const;
    QString caption(int row) const;
    QString hint(int row) const;
    // The row holding path, -1 when it is not queued.
    int indexOf(const QString &path) const;
    bool contains(const QString &path) const { return m_rows.contains(path); }

    // The caption a path gets: its file name, shortened when long.
    static QString captionFor(const QString &path);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

Q_SIGNALS:
    // After every change of the queue, once per command.
    void changed();

private:
    struct Item
    {
        QString path;
        QString caption;
    };
    void reindexFrom(int row);

    std::vector<Item> m_items;
    QHash<QString, int> m_rows; // path -> row
};

} // namespace kelvra
