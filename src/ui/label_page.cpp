// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/label_page.h"

#include "localization/form_harvest.h"
#include "stamp/caption.h"
#include "stamp/settings_file.h"
#include "ui/colour_selector.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QFontComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace kelvra {

namespace {

// A frame with a block in one corner: where the label goes.
QIcon cornerIcon(bool right, bool bottom)
{
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(80, 80, 80));
    painter.setBrush(QColor(250, 250, 250));
    painter.drawRect(1, 3, 17, 13);
    painter.fillRect(right ? 10 : 3, bottom ? 11 : 5, 7, 3, QColor(200, 30, 30));
    return QIcon(pixmap);
}

// A letter drawn the way its style button changes the label.
QIcon styleIcon(const QString &name)
{
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(15);
    QString letter = name.mid(1, 1);
    if (name == QLatin1String("FBold"))
        font.setBold(true);
    else if (name == QLatin1String("FItalic"))
        font.setItalic(true);
    else if (name == QLatin1String("FUnderline"))
        font.setUnderline(true);
    else if (name == QLatin1String("FOutline"))
        letter = QStringLiteral("O");
    painter.setFont(font);
    const QRect box(0, 0, 20, 20);
    if (name == QLatin1String("FShadow")) {
        painter.setPen(QColor(150, 150, 150));
        painter.drawText(box.translated(2, 2), Qt::AlignCenter, letter);
    }
    if (name == QLatin1String("FOutline")) {
        QPainterPath path;
        const QFontMetrics metrics(font);
        path.addText((20 - metrics.horizontalAdvance(letter)) / 2.0, 15.5, font, letter);
        painter.setPen(QPen(QColor(30, 30, 30), 1.2));
        painter.setBrush(Qt::white);
        painter.drawPath(path);
    } else {
        painter.setPen(QColor(30, 30, 30));
        painter.drawText(box, Qt::AlignCenter, letter);
    }
    return QIcon(pixmap);
}

QToolButton *pictureButton(QAction *action, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setDefaultAction(action);
    // Read out by the action's hint, in the language it has now.
    auto named = [button, action]() { button->setAccessibleName(action->toolTip()); };
    named();
    QObject::connect(action, &QAction::changed, button, named);
    button->setAutoRaise(false);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

// Picture buttons and selectors are read out by their hint.
void nameByHint(QWidget *widget, const QString &hint)
{
    widget->setToolTip(hint);
    widget->setAccessibleName(hint);
}

} // namespace

LabelPage::LabelPage(StampSettings &settings, const QHash<QString, QAction *> &actions, QMenu *tokenMenu,
    UserDialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_sliderPosition(kDefaultSizeSliderPosition)
{
    setObjectName(QStringLiteral("TextToPhoto"));
    setWindowTitle(tr("Text To Photo"));
    setAccessibleName(windowTitle());
    setProperty("helpTopic", 20);

    auto *grid = new QHBoxLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(8);
    grid->addWidget(makePlaces(actions));

    auto *rows = new QVBoxLayout;
    rows->setSpacing(4);
    grid->addLayout(rows, 1);

    // Size and the style buttons; the note on placing goes last.
    auto *sizeRow = new QHBoxLayout;
    auto *sizeLabel = new QLabel(tr("&Size"), this);
    sizeLabel->setObjectName(QStringLiteral("SizeLabel"));
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("SizeSlider"));
    m_slider->setProperty(kNotTranslated, QStringList { QStringLiteral("Hint") });
    m_slider->setRange(kSizeSliderMin, kSizeSliderMax);
    m_slider->setPageStep(10);
    m_slider->setValue(m_sliderPosition);
    m_slider->setToolTip(QString::number(m_sliderPosition));
    m_slider->setAccessibleName(tr("Size"));
    sizeLabel->setBuddy(m_slider);
    auto *note
        = new QLabel(tr("Press and hold left mouse button to move the text label to any place of the photo"), this);
    note->setObjectName(QStringLiteral("PlacementNote"));
    note->setWordWrap(true);
    QFont small = note->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    note->setFont(small);
    note->setForegroundRole(QPalette::PlaceholderText);
    sizeRow->addWidget(sizeLabel);
    sizeRow->addWidget(m_slider, 1);
    sizeRow->addSpacing(8);
    sizeRow->setSpacing(4);
    rows->addLayout(sizeRow);
    connect(m_slider, &QSlider::valueChanged, this, &LabelPage::sliderMoved);

    // Font and colours.
    auto *fontRow = new QHBoxLayout;
    m_font = new QFontComboBox(this);
    m_font->setObjectName(QStringLiteral("FontBox"));
    m_font->setProperty(kNotTranslated, QStringList { QStringLiteral("Items.Strings") });
    m_font->setMinimumContentsLength(8);
    m_font->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    nameByHint(m_font, tr("Font"));
    m_fontColour = new ColourSelector(tr("Automatic"), 0x000000, dialogs, this);
    m_fontColour->setObjectName(QStringLiteral("FontColorBox"));
    nameByHint(m_fontColour, tr("Font Color"));
    m_bgColour = new ColourSelector(tr("Transparent"), kNoColor, dialogs, this);
    m_bgColour->setObjectName(QStringLiteral("BgColorBox"));
    nameByHint(m_bgColour, tr("Background Color"));
    m_outlineColour = new ColourSelector(tr("Automatic Contrast"), kNoColor, dialogs, this);
    m_outlineColour->setObjectName(QStringLiteral("OutlineColorBox"));
    nameByHint(m_outlineColour, tr("Outline Color"));
    fontRow->addWidget(m_font, 1);
    fontRow->addWidget(m_fontColour);
    fontRow->addWidget(m_bgColour);
    fontRow->addWidget(m_outlineColour);
    for (const char *name : { "FBold", "FItalic", "FUnderline", "FShadow", "FOutline" }) {
        QAction *action = actions.value(QLatin1String(name));
        action->setIcon(styleIcon(QLatin1String(name)));
        m_styleActions.insert(QLatin1String(name), action);
        sizeRow->addWidget(pictureButton(action, this));
        connect(action, &QAction::triggered, this, [this, action](bool on) {
            const QString n = action->objectName();
            if (n == QLatin1String("FBold"))
                m_settings.Style.Bold = on;
            else if (n == QLatin1String("FItalic"))
                m_settings.Style.Italic = on;
            else if (n == QLatin1String("FUnderline"))
                m_settings.Style.Underline = on;
            else if (n == QLatin1String("FShadow"))
                m_settings.FShadow = on;
            else
                m_settings.FOutline = on;
            Q_EMIT designChanged();
        });
    }
    rows->addLayout(fontRow);
    connect(m_font, &QFontComboBox::currentFontChanged, this, [this](const QFont &font) {
        m_settings.FontName = font.family();
        Q_EMIT designChanged();
    });
    auto colourEdit = [this](ColourSelector *box, TColor StampSettings::*field) {
        connect(box, &ColourSelector::colourChosen, this, [this, field](TColor colour) {
            m_settings.*field = colour;
            Q_EMIT designChanged();
        });
    };
    colourEdit(m_fontColour, &StampSettings::FontColor);
    colourEdit(m_bgColour, &StampSettings::BgColor);
    colourEdit(m_outlineColour, &StampSettings::OutlineColor);

    // Date format.
    auto *dateRow = new QHBoxLayout;
    auto *dateLabel = new QLabel(tr("&Date/time format"), this);
    dateLabel->setObjectName(QStringLiteral("DateFormatLabel"));
    m_dateFormat = new QComboBox(this);
    m_dateFormat->setObjectName(QStringLiteral("DateFormatBox"));
    m_dateFormat->setProperty(kNotTranslated, QStringList { QStringLiteral("Items.Strings") });
    m_dateFormat->setEditable(true);
    m_dateFormat->setInsertPolicy(QComboBox::NoInsert);
    m_dateFormat->addItems(offeredDateFormats());
    nameByHint(m_dateFormat, tr("Format of the added date"));
    dateLabel->setBuddy(m_dateFormat);
    m_includeDate = new QPushButton(tr("&Include Photo Date"), this);
    m_includeDate->setObjectName(QStringLiteral("IncludeDateButton"));
    m_includeDate->setAccessibleName(tr("Include Photo Date"));
    connect(m_includeDate, &QPushButton::clicked, actions.value(QStringLiteral("AcDate")), &QAction::trigger);
    dateRow->addWidget(dateLabel);
    dateRow->addWidget(m_dateFormat, 1);
    dateRow->addWidget(m_includeDate);
    rows->addLayout(dateRow);
    connect(m_dateFormat, &QComboBox::editTextChanged, this, [this](const QString &text) {
        m_settings.DateFormat = text;
        Q_EMIT designChanged();
    });

    // Caption.
    auto *captionRow = new QHBoxLayout;
    captionRow->setSpacing(2);
    m_caption = new QLineEdit(this);
    m_caption->setObjectName(QStringLiteral("CaptionEdit"));
    nameByHint(m_caption, tr("Text to photo"));
    m_tokenButton = new QToolButton(this);
    m_tokenButton->setObjectName(QStringLiteral("TokenButton"));
    m_tokenButton->setText(QStringLiteral("+"));
    m_tokenButton->setArrowType(Qt::DownArrow);
    m_tokenButton->setFocusPolicy(Qt::StrongFocus);
    nameByHint(m_tokenButton, tr("Add to photo"));
    connect(m_tokenButton, &QToolButton::clicked, this, [this, tokenMenu]() {
        // At the pointer for a click, under the button from the keyboard.
        const QPoint under = m_tokenButton->mapToGlobal(QPoint(0, m_tokenButton->height()));
        tokenMenu->popup(m_tokenButton->underMouse() ? QCursor::pos() : under);
    });
    captionRow->addWidget(m_caption, 1);
    captionRow->addWidget(m_tokenButton);
    rows->addLayout(captionRow);
    rows->addWidget(note);
    connect(m_caption, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_settings.CaptionFormat = text;
        Q_EMIT designChanged();
    });
    rows->addStretch(1);
}

QWidget *LabelPage::makePlaces(const QHash<QString, QAction *> &actions)
{
    auto *box = new QGroupBox(tr("Standard places"), this);
    box->setObjectName(QStringLiteral("PlacesPanel"));
    // The corners are the photo's, which no language mirrors.
    box->setLayoutDirection(Qt::LeftToRight);
    auto *layout = new QGridLayout(box);
    layout->setContentsMargins(8, 4, 8, 6);
    layout->setSpacing(2);
    struct Place
    {
        const char *name;
        int row, column;
        int XOrient, YOrient;
    };
    static constexpr Place places[] = {
        { "StampTo1", 0, 0, 0, 0 },
        { "StampTo2", 0, 2, 1, 0 },
        { "StampTo3", 2, 2, 1, 1 },
        { "StampTo4", 2, 0, 0, 1 },
    };
    for (const Place &p : places) {
        QAction *action = actions.value(QLatin1String(p.name));
        action->setIcon(cornerIcon(p.XOrient == 1, p.YOrient == 1));
        layout->addWidget(pictureButton(action, box), p.row, p.column);
        connect(action, &QAction::triggered, this, [this, p]() {
            m_settings.XOrient = p.XOrient;
            m_settings.YOrient = p.YOrient;
            m_settings.XD = 0.1;
            m_settings.YD = 0.1;
            Q_EMIT designChanged();
        });
    }
    layout->setColumnMinimumWidth(1, 12);
    layout->setRowMinimumHeight(1, 4);
    return box;
}

void LabelPage::sliderMoved(int position)
{
    m_settings.Size = sizeAfterSliderMove(position, m_sliderPosition, m_settings.Size);
    m_sliderPosition = position;
    m_slider->setToolTip(QString::number(position));
    Q_EMIT designChanged();
}

void LabelPage::followSize()
{
    const QSignalBlocker block(m_slider);
    m_sliderPosition = sizeSliderPosition(m_settings.Size);
    m_slider->setValue(m_sliderPosition);
    m_slider->setToolTip(QString::number(m_sliderPosition));
}

void LabelPage::showFontName()
{
    const QSignalBlocker block(m_font);
    m_font->setCurrentFont(QFont(m_settings.FontName));
    // A face that is only an alias (Arial here) keeps its own name in the box.
    if (m_font->currentText() != m_settings.FontName)
        m_font->setEditText(m_settings.FontName);
}

void LabelPage::showSettings(int sliderPosition)
{
    {
        const QSignalBlocker block(m_slider);
        m_sliderPosition = sliderPosition;
        m_slider->setValue(sliderPosition);
        m_slider->setToolTip(QString::number(sliderPosition));
    }
    showFontName();
    m_fontColour->setColour(m_settings.FontColor);
    m_bgColour->setColour(m_settings.BgColor);
    m_outlineColour->setColour(m_settings.OutlineColor);
    {
        const QSignalBlocker block(m_dateFormat);
        m_dateFormat->setEditText(m_settings.DateFormat);
    }
    {
        const QSignalBlocker block(m_caption);
        m_caption->setText(m_settings.CaptionFormat);
    }
    m_styleActions.value(QStringLiteral("FBold"))->setChecked(m_settings.Style.Bold);
    m_styleActions.value(QStringLiteral("FItalic"))->setChecked(m_settings.Style.Italic);
    m_styleActions.value(QStringLiteral("FUnderline"))->setChecked(m_settings.Style.Underline);
    m_styleActions.value(QStringLiteral("FShadow"))->setChecked(m_settings.FShadow);
    m_styleActions.value(QStringLiteral("FOutline"))->setChecked(m_settings.FOutline);
}

} // namespace kelvra
