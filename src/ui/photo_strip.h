// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QListView>
#include <QStringList>
#include <QUrl>

class QLabel;

namespace kelvra {

class PhotoList;
class ThumbnailMaker;

// What a drop of these URLs queues: local files as they are, a folder by
// the JPEG-named files directly in it, sorted by name (no subfolders).
QStringList photosFromUrls(const QList<QUrl> &urls);

// The thumbnail strip over the photo list: one row of 170 x 145 boxes
// scrolling sideways, each with its thumbnail and caption, the full path as
// its hint; in a window too low for that the boxes shrink, so thumbnails are
// never cut. Thumbnails come from a maker of its own off the user-interface
// thread; a box paints a placeholder until its picture arrives. Photos and
// folders dropped from a file manager are queued. "Add photos here" covers it
// while the list is empty.
class PhotoStrip : public QListView
{
    Q_OBJECT
public:
    static constexpr int kBoxWidth = 170;
    static constexpr int kBoxHeight = 145;
    static constexpr int kThumbnailHeight = 100;

    explicit PhotoStrip(PhotoList &list, QWidget *parent = nullptr);
    ~PhotoStrip() override;

    // The selected row, -1 when none.
    int selectedRow() const;
    // 170 x 145, or smaller in proportion while the strip is too low for it.
    QSize boxSize() const { return m_box; }

Q_SIGNALS:
    void photoSelected(const QString &path);
    void removeRequested(); // the Delete key

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void thumbnailReady(const QString &path);
    void listChanged();

    PhotoList &m_list;
    ThumbnailMaker *m_maker;
    QLabel *m_empty;
    QSize m_box { kBoxWidth, kBoxHeight };
};

} // namespace kelvra
