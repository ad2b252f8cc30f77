// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QShortcut;

namespace kelvra {

// The small borderless window a run shows over the main window: the photo
// being worked on, a bar, and "Cancel". It only shows and asks; the run
// itself learns of a cancel through cancelRequested. Esc cancels like the
// button, and neither closes the window: the run hides it when its last
// started photo is done.
class TProgressForm : public QDialog
{
    Q_OBJECT
public:
    explicit TProgressForm(QWidget *parent = nullptr);

    // Text "...", bar at 0, Cancel on again; the window stays hidden
    // until the first step.
    void ProgressStart();
    // Shows the window with "Processing: [position/maximum]..." in the
    // interface language. Repeating the position already shown changes nothing.
    void ProgressStep(int position, int maximum);
    void ProgressEnd();

Q_SIGNALS:
    void cancelRequested();

public Q_SLOTS:
    void reject() override; // Esc

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void requestCancel();
    void setText(const QString &text);

    QLabel *m_text = nullptr;
    QProgressBar *m_bar = nullptr;
    QPushButton *m_cancel = nullptr;
    QShortcut *m_escape = nullptr;
    bool m_needToClose = false;
};

} // namespace kelvra
