// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

namespace kelvra {

// A path left to right in any interface direction, its end always seen: a
// path longer than the label loses its start to an ellipsis. The whole path
// is the tool tip and what a screen reader reads.
class PathLabel : public QLabel
{
    Q_OBJECT
public:
    explicit PathLabel(QWidget *parent = nullptr);

    // Shown elided; the tip and the accessible name hold it whole.
    void setPath(const QString &path);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fit();

    QString m_path;
};

// text kept left to right inside a text of either direction.
QString leftToRight(const QString &text);
// A path for a sentence: the system's separators, kept left to right when
// the interface reads right to left.
QString pathInText(const QString &path);

} // namespace kelvra
