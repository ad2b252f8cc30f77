// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/photo_strip.h"

#include "jobs/photo_list.h"
#include "jobs/thumbnail_job.h"
#include "ui/photo_list_model.h"
#include "ui/reading_order.h"

#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QStyledItemDelegate>

namespace kelvra {

namespace {

constexpr int kSpacing = 3;
constexpr int kThumbnailLeft = 5;
constexpr int kThumbnailTop = 3;
constexpr int kCaptionGap = 5;
constexpr int kMinBoxHeight = 40;

class BoxDelegate : public QStyledItemDelegate
{
public:
    BoxDelegate(PhotoStrip &strip, ThumbnailMaker &maker)
        : QStyledItemDelegate(&strip)
        , m_strip(strip)
        , m_maker(maker)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override { return m_strip.boxSize(); }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        painter->save();
        const QRect box = option.rect;
        const QPalette &palette = option.palette;
        const bool selected = option.state & QStyle::State_Selected;
        painter->setRenderHint(QPainter::Antialiasing);
        if (selected) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(palette.color(QPalette::Highlight));
            painter->drawRoundedRect(box.adjusted(1, 1, -1, -1), 4, 4);
        }
        if (option.state & QStyle::State_HasFocus) {
            painter->setPen(QPen(palette.color(QPalette::Highlight).darker(130), 1, Qt::DotLine));
            painter->setBrush(Qt::NoBrush);
            painter->drawRoundedRect(box.adjusted(1, 1, -2, -2), 4, 4);
        }

        // The full-size layout, shrunk with the box.
        const double scale = double(box.height()) / PhotoStrip::kBoxHeight;
        const int left = qRound(kThumbnailLeft * scale);
        const QRect frame(box.left() + left, box.top() + qRound(kThumbnailTop * scale), box.width() - 2 * left,
            qRound(PhotoStrip::kThumbnailHeight * scale));
        QImage picture;
        const QString path = index.data(PhotoList::PathRole).toString();
        if (m_maker.thumbnail(path, &picture) == ThumbnailMaker::Status::Ready) {
            QRect at(QPoint(), picture.size().boundedTo(picture.size().scaled(frame.size(), Qt::KeepAspectRatio)));
            at.moveCenter(frame.center());
            at.moveBottom(frame.bottom()); // pictures of any shape stand on one line
            painter->setRenderHint(QPainter::SmoothPixmapTransform);
            painter->drawImage(at, picture);
        } else {
            // Until the picture arrives, or for a photo that cannot be decoded.
            QRect at(0, 0, frame.height() * 4 / 3, frame.height());
            at.moveCenter(frame.center());
            painter->setPen(palette.color(QPalette::Mid));
            painter->setBrush(palette.color(QPalette::Midlight));
            painter->drawRect(at.adjusted(0, 0, -1, -1));
        }

        const QRect text(box.left() + 2, frame.bottom() + qRound(kCaptionGap * scale), box.width() - 4,
            box.bottom() - frame.bottom() - qRound(kCaptionGap * scale));
        if (text.height() >= option.fontMetrics.height()) {
            painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
            painter->setFont(option.font);
            const QString caption
                = option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideLeft, text.width());
            painter->drawText(text, Qt::AlignHCenter | Qt::AlignTop, inOwnReadingOrder(caption));
        }
        painter->restore();
    }

private:
    const PhotoStrip &m_strip;
    ThumbnailMaker &m_maker;
};

bool hasLocalFiles(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls())
        return false;
    const QList<QUrl> urls = mime->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl &url) { return url.isLocalFile(); });
}

} // namespace

QStringList photosFromUrls(const QList<QUrl> &urls)
{
    QStringList photos;
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        if (info.isDir()) {
            photos << listPhotos({ info.absoluteFilePath() }).photos;
        } else if (info.isFile()) {
            photos << info.absoluteFilePath();
        }
    }
    return photos;
}

PhotoStrip::PhotoStrip(PhotoList &list, QWidget *parent)
    : QListView(parent)
    , m_list(list)
    , m_maker(new ThumbnailMaker(QSize(kBoxWidth - 2 * kThumbnailLeft, kThumbnailHeight), this))
    , m_empty(new QLabel(tr("Add photos here"), this))
{
    setObjectName(QStringLiteral("AdvSmoothImageListBox1"));
    setAccessibleName(tr("Photos to process"));
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(false);
    setUniformItemSizes(true);
    setSpacing(kSpacing);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Always there, so the boxes, sized by the height left, never make it come and go.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setMouseTracking(true); // hints follow the pointer
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DropOnly);
    setItemDelegate(new BoxDelegate(*this, *m_maker));
    setModel(&m_list);

    m_empty->setObjectName(QStringLiteral("AdvSmoothLabel1"));
    m_empty->setAlignment(Qt::AlignCenter);
    QFont big(QStringLiteral("Tahoma"));
    big.setPixelSize(32);
    m_empty->setFont(big);
    m_empty->setForegroundRole(QPalette::PlaceholderText);
    m_empty->setAttribute(Qt::WA_TransparentForMouseEvents);

    connect(m_maker, &ThumbnailMaker::ready, this, &PhotoStrip::thumbnailReady);
    connect(&m_list, &PhotoList::changed, this, &PhotoStrip::listChanged);
    connect(&m_list, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        // A photo queued again may have been edited since its picture was made.
        m_maker->recheck(m_list.paths().mid(first, last - first + 1));
    });
    connect(&m_list, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this](const QModelIndex &, int first, int last) {
        for (int row = first; row <= last; ++row)
            m_maker->forget(m_list.path(row));
    });
    connect(&m_list, &QAbstractItemModel::modelAboutToBeReset, m_maker, &ThumbnailMaker::forgetAll);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex &current) {
        if (current.isValid())
            Q_EMIT photoSelected(m_list.path(current.row()));
    });
    connect(this, &QAbstractItemView::clicked, this,
        [this](const QModelIndex &index) { Q_EMIT photoSelected(m_list.path(index.row())); });
    listChanged();
}

PhotoStrip::~PhotoStrip() = default;

int PhotoStrip::selectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.constFirst().row();
}

void PhotoStrip::thumbnailReady(const QString &path)
{
    const int row = m_list.indexOf(path);
    if (row >= 0)
        viewport()->update(visualRect(m_list.index(row)));
}

void PhotoStrip::listChanged()
{
    m_empty->setVisible(m_list.isEmpty());
    setAccessibleDescription(m_list.isEmpty() ? m_empty->text() : QString());
}

void PhotoStrip::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    m_empty->setGeometry(viewport()->geometry());
    const int height = qBound(kMinBoxHeight, viewport()->height() - 2 * kSpacing, int(kBoxHeight));
    const QSize box(kBoxWidth * height / kBoxHeight, height);
    if (box != m_box) {
        m_box = box;
        scheduleDelayedItemsLayout();
    }
}

void PhotoStrip::dragEnterEvent(QDragEnterEvent *event)
{
    if (hasLocalFiles(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void PhotoStrip::dragMoveEvent(QDragMoveEvent *event)
{
    if (hasLocalFiles(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void PhotoStrip::dropEvent(QDropEvent *event)
{
    if (!hasLocalFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    m_list.add(photosFromUrls(event->mimeData()->urls()));
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void PhotoStrip::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        Q_EMIT removeRequested();
        return;
    }
    QListView::keyPressEvent(event);
}

} // namespace kelvra
