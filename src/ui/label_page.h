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

protected:
    void changeEvent(QEvent *event) override;

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
