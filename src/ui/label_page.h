// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stamp/stamp_settings.h"

#include <QHash>
#include <QWidget>

class QAction;
class QComboBox;
class QFontComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QToolButton;

namespace kelvra {

class ColourSelector;
class UserDialogs;

// The label page: the controls that show the design and edit it in place.
// Every edit announces designChanged(); showSettings() announces nothing.
class LabelPage : public QWidget
{
    Q_OBJECT
public:
    LabelPage(StampSettings &settings, const QHash<QString, QAction *> &actions, QMenu *tokenMenu, UserDialogs &dialogs,
        QWidget *parent = nullptr);

    // Every control from the settings; the slider at sliderPosition.
    void showSettings(int sliderPosition);
    // The slider brought to the size the settings hold, keeping that size.
    void followSize();

    QSlider *sizeSlider() const { return m_slider; }
    QFontComboBox *fontBox() const { return m_font; }
    ColourSelector *fontColourBox() const { return m_fontColour; }
    ColourSelector *backgroundColourBox() const { return m_bgColour; }
    ColourSelector *outlineColourBox() const { return m_outlineColour; }
    QComboBox *dateFormatBox() const { return m_dateFormat; }
    QLineEdit *captionBox() const { return m_caption; }
    QPushButton *includeDateButton() const { return m_includeDate; }
    QToolButton *tokenButton() const { return m_tokenButton; }

Q_SIGNALS:
    void designChanged();

private:
    QWidget *makePlaces(const QHash<QString, QAction *> &actions);
    void sliderMoved(int position);
    void showFontName();

    StampSettings &m_settings;
    int m_sliderPosition;
    QSlider *m_slider = nullptr;
    QFontComboBox *m_font = nullptr;
    ColourSelector *m_fontColour = nullptr;
    ColourSelector *m_bgColour = nullptr;
    ColourSelector *m_outlineColour = nullptr;
    QComboBox *m_dateFormat = nullptr;
    QPushButton *m_includeDate = nullptr;
    QLineEdit *m_caption = nullptr;
    QToolButton *m_tokenButton = nullptr;
    QHash<QString, QAction *> m_styleActions;
};

} // namespace kelvra
