// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>
#include <QWidget>

#include <memory>

class QLabel;

namespace kelvra {

inline constexpr QSize kArtworkSize(454, 296);
inline constexpr QColor kVersionColour(36, 162, 89);

// The program's picture, drawn for the given device pixel ratio.
QPixmap kelvraArtwork(qreal devicePixelRatio = 1.0);
// The tagline under the name on the artwork, as a label in the window's language.
QLabel *artworkTagline(QWidget *artworkWindow);

// The splash window: the picture with the version text in its corner, no
// frame, centred on the screen.
class TLogoForm : public QWidget
{
    Q_OBJECT
public:
    explicit TLogoForm(QWidget *parent = nullptr);

    // Shows it centred on the screen and has it painted before returning.
    void showNow();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLabel *m_image;
    QLabel *m_version;
};

// Start-up: the splash covers building the main window with build() and
// showing it, and is gone when this returns. No minimum time.
template<typename Build> auto startWithSplash(Build build)
{
    auto splash = std::make_unique<TLogoForm>();
    splash->showNow();
    auto window = build();
    window->show();
    splash.reset();
    return window;
}

} // namespace kelvra
