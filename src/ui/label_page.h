// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stamp/stamp_settings.h"

#include <QHash>
#include <QWidget>

class QAction;
class QComboBox;
class QFontComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;

namespace kelvra {

class ColourSelector;
class DesignModel;
class UserDialogs;

// The label page: controls that show the design and write every edit into it.
class LabelPage : public QWidget
{
    Q_OBJECT
public:
    LabelPage(DesignModel &design, const QHash<QString, QAction *> &actions, QMenu *tokenMenu, UserDialogs &dialogs,
        QWidget *parent = nullptr);

    QSlider *sizeSlider() const { return m_slider; }
    QLabel *sizeValue() const { return m_sizeValue; }
    // The standard places, StampTo1..StampTo4 in order.
    const QList<QToolButton *> &placeButtons() const { return m_placeButtons; }
    QFontComboBox *fontBox() const { return m_font; }
    ColourSelector *fontColourBox() const { return m_fontColour; }
    ColourSelector *backgroundColourBox() const { return m_bgColour; }
    ColourSelector *outlineColourBox() const { return m_outlineColour; }
    QComboBox *dateFormatBox() const { return m_dateFormat; }
    QLineEdit *captionBox() const { return m_caption; }
    QPushButton *includeDateButton() const { return m_includeDate; }
    QToolButton *tokenButton() const { return m_tokenButton; }
    QLineEdit *captionLine2Box() const { return m_captionLine2; }
    QToolButton *glowButton() const { return m_glow; }
    ColourSelector *glowColourBox() const { return m_glowColour; }
    QSpinBox *glowSizeBox() const { return m_glowSize; }
    QComboBox *stripBox() const { return m_strip; }
    // The background's opacity in per cent.
    QSpinBox *opacityBox() const { return m_bgAlpha; }

private:
    QWidget *makePlaces(const QHash<QString, QAction *> &actions);
    QHBoxLayout *makeSizeRow();
    void addStyleButtons(QHBoxLayout *row, const QHash<QString, QAction *> &actions);
    QHBoxLayout *makeFontRow(UserDialogs &dialogs);
    QHBoxLayout *makeEffectsRow(UserDialogs &dialogs);
    QHBoxLayout *makeDateRow(const QHash<QString, QAction *> &actions);
    QHBoxLayout *makeCaptionRow(QMenu *tokenMenu);
    QLabel *makeNote();
    void editColour(ColourSelector *box, TColor StampSettings::*field);
    void showDesign();
    void showSize();
    void showEffects();
    static void showText(QLineEdit *box, const QString &text);

    DesignModel &m_design;
    QSlider *m_slider = nullptr;
    QLabel *m_sizeValue = nullptr;
    QList<QToolButton *> m_placeButtons;
    QList<QAction *> m_placeActions;
    QFontComboBox *m_font = nullptr;
    ColourSelector *m_fontColour = nullptr;
    ColourSelector *m_bgColour = nullptr;
    ColourSelector *m_outlineColour = nullptr;
    QComboBox *m_dateFormat = nullptr;
    QPushButton *m_includeDate = nullptr;
    QLineEdit *m_caption = nullptr;
    QToolButton *m_tokenButton = nullptr;
    QLineEdit *m_captionLine2 = nullptr;
    QToolButton *m_glow = nullptr;
    ColourSelector *m_glowColour = nullptr;
    QSpinBox *m_glowSize = nullptr;
    QComboBox *m_strip = nullptr;
    QSpinBox *m_bgAlpha = nullptr;
    QHash<QString, QAction *> m_styleActions;
};

} // namespace kelvra
