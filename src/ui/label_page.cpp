// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/label_page.h"

#include "localization/form_harvest.h"
#include "stamp/caption.h"
#include "stamp/settings_file.h"
#include "ui/colour_selector.h"
#include "ui/design_model.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QEvent>
#include <QFontComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadialGradient>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace kelvra {

namespace {

// The label as a small bar: filled in the place in use, an outline elsewhere.
QIcon placeIcon()
{
    const auto bar = [](bool on) {
        QPixmap pixmap(18, 18);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box(1.5, 5.5, 15, 7);
        painter.setPen(QPen(on ? QColor(120, 10, 10) : QColor(255, 255, 255, 230), 1));
        painter.setBrush(on ? QColor(220, 30, 30) : QColor(255, 255, 255, 60));
        painter.drawRoundedRect(box, 1.5, 1.5);
        return pixmap;
    };
    QIcon icon;
    icon.addPixmap(bar(false), QIcon::Normal, QIcon::Off);
    icon.addPixmap(bar(true), QIcon::Normal, QIcon::On);
    return icon;
}

// A small photo, sky over hills, that the four places sit on.
class PhotoSketch : public QWidget
{
public:
    explicit PhotoSketch(QWidget *parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("PlacesPicture"));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QLinearGradient sky(frame.topLeft(), frame.bottomLeft());
        sky.setColorAt(0, QColor(96, 150, 210));
        sky.setColorAt(1, QColor(190, 220, 240));
        painter.setPen(Qt::NoPen);
        painter.setBrush(sky);
        painter.drawRect(frame);
        const qreal w = frame.width(), h = frame.height();
        painter.setBrush(QColor(250, 225, 120));
        painter.drawEllipse(QPointF(frame.left() + w * 0.72, frame.top() + h * 0.3), h * 0.1, h * 0.1);
        QPainterPath hills;
        hills.moveTo(frame.left(), frame.top() + h * 0.7);
        hills.cubicTo(frame.left() + w * 0.3, frame.top() + h * 0.45, frame.left() + w * 0.55, frame.top() + h * 0.8,
            frame.right(), frame.top() + h * 0.55);
        hills.lineTo(frame.bottomRight());
        hills.lineTo(frame.bottomLeft());
        hills.closeSubpath();
        painter.setBrush(QColor(90, 140, 80));
        painter.drawPath(hills);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::Mid), 1));
        painter.drawRect(frame);
    }
};

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
    if (name == QLatin1String("FGlow")) {
        QRadialGradient halo(QPointF(10, 10), 10);
        halo.setColorAt(0, QColor(255, 140, 0, 200));
        halo.setColorAt(1, QColor(255, 140, 0, 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(halo);
        painter.drawEllipse(box);
    }
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

// The background's opacity in per cent, as the window shows it, and back.
int percentOfAlpha(int alpha)
{
    return qRound(alpha * 100 / 255.0);
}

int alphaOfPercent(int percent)
{
    return qRound(percent * 255 / 100.0);
}

// A line of the caption: the first, or all after the first line break.
QString captionLine(const QString &caption, int index)
{
    const qsizetype at = caption.indexOf(QLatin1Char('\n'));
    if (index == 0)
        return at < 0 ? caption : caption.left(at);
    return at < 0 ? QString() : caption.mid(at + 1);
}

// The caption with one line replaced; no line break before an empty second line.
QString withCaptionLine(const QString &caption, int index, const QString &text)
{
    const QString first = index == 0 ? text : captionLine(caption, 0);
    const QString second = index == 1 ? text : captionLine(caption, 1);
    return second.isEmpty() ? first : first + QLatin1Char('\n') + second;
}

// Picture buttons and selectors are read out by their hint.
void nameByHint(QWidget *widget, const QString &hint)
{
    widget->setToolTip(hint);
    widget->setAccessibleName(hint);
}

} // namespace

LabelPage::LabelPage(DesignModel &design, const QHash<QString, QAction *> &actions, QMenu *tokenMenu,
    UserDialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , m_design(design)
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
    QHBoxLayout *sizeRow = makeSizeRow();
    addStyleButtons(sizeRow, actions);
    rows->addLayout(sizeRow);
    rows->addLayout(makeFontRow(dialogs));
    rows->addLayout(makeEffectsRow(dialogs));
    rows->addLayout(makeDateRow(actions));
    rows->addLayout(makeCaptionRow(tokenMenu));
    rows->addWidget(makeNote());
    rows->addStretch(1);

    connect(&m_design, &DesignModel::changed, this, &LabelPage::showDesign);
    showDesign();
}

QHBoxLayout *LabelPage::makeSizeRow()
{
    auto *sizeRow = new QHBoxLayout;
    auto *sizeLabel = new QLabel(tr("&Size"), this);
    sizeLabel->setObjectName(QStringLiteral("SizeLabel"));
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("SizeSlider"));
    m_slider->setProperty(
        kNotTranslated, QStringList { QStringLiteral("Hint"), QStringLiteral("AccessibleDescription") });
    m_slider->setRange(kSizeSliderMin, kSizeSliderMax);
    m_slider->setPageStep(10);
    m_slider->setAccessibleName(tr("Size"));
    sizeLabel->setBuddy(m_slider);
    m_sizeValue = new QLabel(this);
    m_sizeValue->setObjectName(QStringLiteral("SizeValue"));
    m_sizeValue->setProperty(kNotTranslated, true);
    m_sizeValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Wide enough for the widest value, so the slider keeps its length.
    m_sizeValue->setMinimumWidth(
        m_sizeValue->fontMetrics().horizontalAdvance(tr("%1 %").arg(QLocale().toString(50.0, 'f', 1))) + 4);
    sizeRow->addWidget(sizeLabel);
    sizeRow->addWidget(m_slider, 1);
    sizeRow->addWidget(m_sizeValue);
    sizeRow->addSpacing(8);
    sizeRow->setSpacing(4);
    connect(m_slider, &QSlider::valueChanged, this, [this](int position) { m_design.setSizePosition(position); });
    return sizeRow;
}

void LabelPage::addStyleButtons(QHBoxLayout *row, const QHash<QString, QAction *> &actions)
{
    for (const char *name : { "FBold", "FItalic", "FUnderline", "FShadow", "FOutline" }) {
        QAction *action = actions.value(QLatin1String(name));
        action->setIcon(styleIcon(QLatin1String(name)));
        m_styleActions.insert(QLatin1String(name), action);
        row->addWidget(pictureButton(action, this));
        connect(action, &QAction::triggered, this, [this, action](bool on) {
            const QString n = action->objectName();
            m_design.edit([&n, on](StampSettings &s) {
                if (n == QLatin1String("FBold"))
                    s.Style.Bold = on;
                else if (n == QLatin1String("FItalic"))
                    s.Style.Italic = on;
                else if (n == QLatin1String("FUnderline"))
                    s.Style.Underline = on;
                else if (n == QLatin1String("FShadow"))
                    s.FShadow = on;
                else
                    s.FOutline = on;
            });
        });
    }
    m_glow = new QToolButton(this);
    m_glow->setObjectName(QStringLiteral("GlowButton"));
    m_glow->setCheckable(true);
    m_glow->setIcon(styleIcon(QStringLiteral("FGlow")));
    m_glow->setFocusPolicy(Qt::StrongFocus);
    nameByHint(m_glow, tr("Glow"));
    row->addWidget(m_glow);
    connect(m_glow, &QToolButton::toggled, this,
        [this](bool on) { m_design.edit([on](StampSettings &s) { s.FGlow = on; }); });
}

QHBoxLayout *LabelPage::makeFontRow(UserDialogs &dialogs)
{
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
    connect(m_font, &QFontComboBox::currentFontChanged, this,
        [this](const QFont &font) { m_design.edit([&font](StampSettings &s) { s.FontName = font.family(); }); });
    editColour(m_fontColour, &StampSettings::FontColor);
    editColour(m_bgColour, &StampSettings::BgColor);
    editColour(m_outlineColour, &StampSettings::OutlineColor);
    return fontRow;
}

// The glow's colour and reach, the strip, and how opaque the background is.
QHBoxLayout *LabelPage::makeEffectsRow(UserDialogs &dialogs)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(4);
    m_glowColour = new ColourSelector(tr("Font Color"), kNoColor, dialogs, this);
    m_glowColour->setObjectName(QStringLiteral("GlowColorBox"));
    nameByHint(m_glowColour, tr("Glow Color"));
    editColour(m_glowColour, &StampSettings::GlowColor);
    m_glowSize = new QSpinBox(this);
    m_glowSize->setObjectName(QStringLiteral("GlowSizeBox"));
    m_glowSize->setRange(1, int(kMaxGlowSize));
    m_glowSize->setSuffix(tr(" %"));
    nameByHint(m_glowSize, tr("Glow reach, in per cent of the text height"));
    connect(m_glowSize, &QSpinBox::valueChanged, this,
        [this](int reach) { m_design.edit([reach](StampSettings &s) { s.GlowSize = reach; }); });

    auto *stripLabel = new QLabel(tr("S&trip"), this);
    stripLabel->setObjectName(QStringLiteral("StripLabel"));
    m_strip = new QComboBox(this);
    m_strip->setObjectName(QStringLiteral("StripBox"));
    m_strip->addItems({ tr("None"), tr("Across the photo"), tr("Down the photo") });
    // Gives way to the glow's colour in a narrow window.
    m_strip->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_strip->setMinimumContentsLength(6);
    nameByHint(m_strip, tr("Background as a strip"));
    stripLabel->setBuddy(m_strip);
    connect(m_strip, &QComboBox::activated, this,
        [this](int strip) { m_design.edit([strip](StampSettings &s) { s.Strip = strip; }); });

    auto *opacityLabel = new QLabel(tr("O&pacity"), this);
    opacityLabel->setObjectName(QStringLiteral("BgAlphaLabel"));
    m_bgAlpha = new QSpinBox(this);
    m_bgAlpha->setObjectName(QStringLiteral("BgAlphaBox"));
    m_bgAlpha->setRange(0, 100);
    m_bgAlpha->setSuffix(tr(" %"));
    nameByHint(m_bgAlpha, tr("Background opacity"));
    opacityLabel->setBuddy(m_bgAlpha);
    connect(m_bgAlpha, &QSpinBox::valueChanged, this,
        [this](int percent) { m_design.edit([percent](StampSettings &s) { s.BgAlpha = alphaOfPercent(percent); }); });

    auto *glowLabel = new QLabel(tr("&Glow"), this);
    glowLabel->setObjectName(QStringLiteral("GlowLabel"));
    glowLabel->setBuddy(m_glowColour);
    row->addWidget(glowLabel);
    row->addWidget(m_glowColour, 1);
    row->addWidget(m_glowSize);
    row->addSpacing(4);
    row->addWidget(stripLabel);
    row->addWidget(m_strip, 1);
    row->addSpacing(4);
    row->addWidget(opacityLabel);
    row->addWidget(m_bgAlpha);
    return row;
}

QHBoxLayout *LabelPage::makeDateRow(const QHash<QString, QAction *> &actions)
{
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
    connect(m_dateFormat, &QComboBox::editTextChanged, this,
        [this](const QString &text) { m_design.edit([&text](StampSettings &s) { s.DateFormat = text; }); });
    return dateRow;
}

// The caption's two lines side by side; the token button adds to its end.
QHBoxLayout *LabelPage::makeCaptionRow(QMenu *tokenMenu)
{
    auto *captionRow = new QHBoxLayout;
    captionRow->setSpacing(2);
    m_caption = new QLineEdit(this);
    m_caption->setObjectName(QStringLiteral("CaptionEdit"));
    nameByHint(m_caption, tr("Text to photo"));
    m_captionLine2 = new QLineEdit(this);
    m_captionLine2->setObjectName(QStringLiteral("CaptionLine2Edit"));
    nameByHint(m_captionLine2, tr("Second line"));
    m_captionLine2->setPlaceholderText(tr("Second line"));
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
    captionRow->addWidget(m_caption, 3);
    captionRow->addWidget(m_captionLine2, 2);
    captionRow->addWidget(m_tokenButton);
    connect(m_caption, &QLineEdit::textChanged, this, [this](const QString &first) {
        m_design.edit([&first](StampSettings &s) { s.CaptionFormat = withCaptionLine(s.CaptionFormat, 0, first); });
    });
    connect(m_captionLine2, &QLineEdit::textChanged, this, [this](const QString &second) {
        m_design.edit([&second](StampSettings &s) { s.CaptionFormat = withCaptionLine(s.CaptionFormat, 1, second); });
    });
    return captionRow;
}

QLabel *LabelPage::makeNote()
{
    auto *note
        = new QLabel(tr("Press and hold left mouse button to move the text label to any place of the photo"), this);
    note->setObjectName(QStringLiteral("PlacementNote"));
    note->setWordWrap(true);
    QFont small = note->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    note->setFont(small);
    note->setForegroundRole(QPalette::PlaceholderText);
    return note;
}

void LabelPage::editColour(ColourSelector *box, TColor StampSettings::*field)
{
    connect(box, &ColourSelector::colourChosen, this,
        [this, field](TColor colour) { m_design.edit([field, colour](StampSettings &s) { s.*field = colour; }); });
}

QWidget *LabelPage::makePlaces(const QHash<QString, QAction *> &actions)
{
    auto *box = new QGroupBox(tr("Standard places"), this);
    box->setObjectName(QStringLiteral("PlacesPanel"));
    // The corners are the photo's, which no language mirrors.
    box->setLayoutDirection(Qt::LeftToRight);
    auto *boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(8, 4, 8, 6);
    auto *sketch = new PhotoSketch(box);
    sketch->setAccessibleName(tr("Standard places"));
    boxLayout->addWidget(sketch, 0, Qt::AlignCenter);
    boxLayout->addStretch(1);
    auto *layout = new QGridLayout(sketch);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(0);
    struct Place
    {
        const char *name;
        int row, column;
    };
    static constexpr Place places[] = {
        { "StampTo1", 0, 0 },
        { "StampTo2", 0, 2 },
        { "StampTo3", 2, 2 },
        { "StampTo4", 2, 0 },
    };
    const QIcon icon = placeIcon();
    for (int i = 0; i < 4; ++i) {
        const Place &p = places[i];
        QAction *action = actions.value(QLatin1String(p.name));
        action->setIcon(icon);
        QToolButton *button = pictureButton(action, sketch);
        button->setAutoRaise(true);
        button->setIconSize(QSize(18, 18));
        layout->addWidget(button, p.row, p.column,
            Qt::Alignment(p.row == 0 ? Qt::AlignTop : Qt::AlignBottom)
                | (p.column == 0 ? Qt::AlignLeft : Qt::AlignRight));
        m_placeButtons << button;
        m_placeActions << action;
        // A click on the place in use keeps it in use.
        connect(action, &QAction::triggered, this, [this, i]() {
            m_design.setPlace(StandardPlace(i));
            showDesign();
        });
    }
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(1, 1);
    const int side = m_placeButtons.first()->sizeHint().height();
    // A photo of three by two, with room between the corners.
    sketch->setFixedSize(qMax(3 * side + 12, 120), qMax(2 * side + 16, 80));
    return box;
}

void LabelPage::changeEvent(QEvent *event)
{
    // The size is said in the interface language, its decimals in its locale.
    if (event->type() == QEvent::LanguageChange)
        showSize();
    QWidget::changeEvent(event);
}

void LabelPage::showSize()
{
    const int position = m_design.sizePosition();
    if (m_slider->value() != position) {
        const QSignalBlocker block(m_slider);
        m_slider->setValue(position);
    }
    const QString percent = tr("%1 %").arg(QLocale().toString(labelHeightPercent(m_design.settings().Size), 'f', 1));
    m_sizeValue->setText(percent);
    // The value as the photographer reads it: the label's height on the photo.
    const QString said = tr("Label height: %1 of the photo's shorter side").arg(percent);
    m_sizeValue->setAccessibleName(said);
    m_slider->setToolTip(said);
    m_slider->setAccessibleDescription(said);
}

void LabelPage::showDesign()
{
    const StampSettings &s = m_design.settings();
    showSize();
    // A box the user types in already holds what it wrote; setting it again
    // would move the cursor.
    if (m_font->currentText() != s.FontName) {
        const QSignalBlocker block(m_font);
        m_font->setCurrentFont(QFont(s.FontName));
        // A face that is only an alias (Arial here) keeps its own name in the box.
        if (m_font->currentText() != s.FontName)
            m_font->setEditText(s.FontName);
    }
    m_fontColour->setColour(s.FontColor);
    m_bgColour->setColour(s.BgColor);
    m_outlineColour->setColour(s.OutlineColor);
    if (m_dateFormat->currentText() != s.DateFormat) {
        const QSignalBlocker block(m_dateFormat);
        m_dateFormat->setEditText(s.DateFormat);
    }
    showText(m_caption, captionLine(s.CaptionFormat, 0));
    showText(m_captionLine2, captionLine(s.CaptionFormat, 1));
    showEffects();
    m_styleActions.value(QStringLiteral("FBold"))->setChecked(s.Style.Bold);
    m_styleActions.value(QStringLiteral("FItalic"))->setChecked(s.Style.Italic);
    m_styleActions.value(QStringLiteral("FUnderline"))->setChecked(s.Style.Underline);
    m_styleActions.value(QStringLiteral("FShadow"))->setChecked(s.FShadow);
    m_styleActions.value(QStringLiteral("FOutline"))->setChecked(s.FOutline);
    const std::optional<StandardPlace> place = m_design.standardPlace();
    for (int i = 0; i < m_placeActions.size(); ++i)
        m_placeActions[i]->setChecked(place && int(*place) == i);
}

void LabelPage::showText(QLineEdit *box, const QString &text)
{
    if (box->text() != text) {
        const QSignalBlocker block(box);
        box->setText(text);
    }
}

void LabelPage::showEffects()
{
    const StampSettings &s = m_design.settings();
    {
        const QSignalBlocker block(m_glow);
        m_glow->setChecked(s.FGlow);
    }
    m_glowColour->setColour(s.GlowColor);
    m_glowColour->setEnabled(s.FGlow);
    if (m_glowSize->value() != qRound(s.GlowSize)) {
        const QSignalBlocker block(m_glowSize);
        m_glowSize->setValue(qRound(s.GlowSize));
    }
    m_glowSize->setEnabled(s.FGlow);
    m_strip->setCurrentIndex(int(s.strip()));
    if (m_bgAlpha->value() != percentOfAlpha(s.BgAlpha)) {
        const QSignalBlocker block(m_bgAlpha);
        m_bgAlpha->setValue(percentOfAlpha(s.BgAlpha));
    }
    // Without a background there is nothing to see through.
    m_bgAlpha->setEnabled(s.BgColor != kNoColor);
}

} // namespace kelvra
