// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/look_gallery.h"

#include "ui/design_model.h"
#include "ui/preview_view.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QFuture>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace kelvra {

QImage lookPicture(const PreviewPhoto &photo, const StampSettings &look, const FormatSettings &format, QSize box)
{
    // Drawn at the preview's scale, so the label has the size it has there, then made small.
    const QImage drawn = drawPreview(photo, look, format).raster;
    if (drawn.isNull())
        return drawn;
    return drawn.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

namespace {

// An empty frame of the picture's size, so the pictures arriving later move nothing.
QIcon emptyPicture(const QPalette &palette)
{
    QPixmap empty(LookGallery::kPictureSize);
    empty.fill(palette.color(QPalette::Mid));
    return QIcon(empty);
}

} // namespace

LookGallery::LookGallery(
    const DesignModel &design, const PreviewView &preview, std::vector<ReadyLook> looks, QWidget *parent, Draw draw)
    : QDialog(parent)
    , m_design(design)
    , m_preview(preview)
    , m_looks(std::move(looks))
    , m_draw(draw ? std::move(draw) : Draw(lookPicture))
    , m_format(FormatSettings::system())
{
    m_pool.setMaxThreadCount(1);
    setObjectName(QStringLiteral("LookGallery"));
    setWindowTitle(tr("Looks"));
    setAccessibleName(windowTitle());

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("LookList"));
    m_list->setAccessibleName(tr("Looks"));
    m_list->setViewMode(QListView::IconMode);
    m_list->setIconSize(kPictureSize);
    m_list->setMovement(QListView::Static);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setWrapping(true);
    m_list->setSpacing(6);
    m_list->setWordWrap(true);
    m_list->setGridSize(QSize(kPictureSize.width() + 16, kPictureSize.height() + 2 * fontMetrics().height() + 16));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const ReadyLook &look : m_looks) {
        auto *item = new QListWidgetItem(emptyPicture(palette()), look.name, m_list);
        item->setToolTip(look.name);
        item->setData(Qt::UserRole, look.path);
    }
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
    // Two rows of two, as far as the screen allows.
    m_list->setMinimumSize(2 * kPictureSize.width() + 60, kPictureSize.height() + 60);
    connect(m_list, &QListWidget::itemClicked, this, &LookGallery::choose);
    connect(m_list, &QListWidget::itemActivated, this, &LookGallery::choose);

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("LookGalleryNote"));
    m_note->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->setObjectName(QStringLiteral("LookGalleryButtons"));
    QPushButton *close = buttons->button(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("LookGalleryClose"));
    // Enter chooses the look in front and leaves the gallery open to try another.
    close->setAutoDefault(false);
    close->setDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_note);
    layout->addWidget(buttons);
    resize(2 * kPictureSize.width() + 100, 2 * kPictureSize.height() + 4 * fontMetrics().height() + 150);

    connect(&m_preview, &PreviewView::photoShown, this, [this]() {
        if (isVisible())
            refresh();
    });
    connect(&m_preview, &PreviewView::photoFailed, this, [this]() {
        if (isVisible())
            refresh();
    });
}

void LookGallery::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    refresh();
}

void LookGallery::changeEvent(QEvent *event)
{
    // Made before a switch of the interface language, the texts follow it.
    if (event->type() == QEvent::LanguageChange) {
        setWindowTitle(tr("Looks"));
        setAccessibleName(windowTitle());
        m_list->setAccessibleName(tr("Looks"));
        if (isVisible())
            refresh();
    }
    QDialog::changeEvent(event);
}

void LookGallery::refresh()
{
    const quint64 generation = ++m_generation;
    const QIcon empty = emptyPicture(palette());
    for (int i = 0; i < m_list->count(); ++i) {
        m_list->item(i)->setIcon(empty);
        m_list->item(i)->setData(kDrawnRole, false);
    }
    if (!m_preview.hasPhoto() || m_looks.empty()) {
        m_note->setText(
            m_looks.empty() ? tr("No ready looks were found.") : tr("Open a photo to see the looks drawn on it."));
        m_note->setAccessibleName(m_note->text());
        Q_EMIT picturesReady();
        return;
    }
    m_note->setText(tr("Drawing the looks on %1...").arg(m_preview.photo().path.section(QLatin1Char('/'), -1)));
    m_note->setAccessibleName(m_note->text());
    // Each look over the design, as choosing it would make it.
    std::vector<StampSettings> designs;
    for (const ReadyLook &look : m_looks) {
        StampSettings design = m_design.settings();
        applyLook(look.path, design, m_format);
        design.StampPhotosOpt = true;
        designs.push_back(std::move(design));
    }
    m_latest->store(generation);
    QtConcurrent::run(&m_pool,
        [draw = m_draw, photo = m_preview.photo(), designs = std::move(designs), format = m_format, latest = m_latest,
            generation]() {
            std::vector<QImage> pictures;
            for (const StampSettings &design : designs) {
                // A newer set is waiting: this one would never be shown.
                if (latest->load() != generation)
                    break;
                pictures.push_back(draw(photo, design, format, kPictureSize));
            }
            return pictures;
        })
        .then(this, [this, generation](const std::vector<QImage> &pictures) { showPictures(pictures, generation); });
}

void LookGallery::showPictures(const std::vector<QImage> &pictures, quint64 generation)
{
    if (generation != m_generation)
        return;
    for (int i = 0; i < m_list->count() && size_t(i) < pictures.size(); ++i) {
        // Every picture in a frame of one size, so the names line up.
        QPixmap framed(kPictureSize);
        framed.fill(Qt::transparent);
        if (!pictures[i].isNull()) {
            const QImage &picture = pictures[i];
            QPainter(&framed).drawImage(
                QPoint((kPictureSize.width() - picture.width()) / 2, (kPictureSize.height() - picture.height()) / 2),
                picture);
        }
        // Selected, the picture stays as drawn rather than tinted.
        QIcon icon(framed);
        icon.addPixmap(framed, QIcon::Selected);
        m_list->item(i)->setIcon(icon);
        m_list->item(i)->setData(kDrawnRole, !pictures[i].isNull());
    }
    m_note->setText(tr("Click a look, or choose it and press Enter, to use it."));
    m_note->setAccessibleName(m_note->text());
    Q_EMIT picturesReady();
}

void LookGallery::choose(QListWidgetItem *item)
{
    if (item)
        Q_EMIT lookChosen(item->data(Qt::UserRole).toString());
}

} // namespace kelvra
