// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/jpeg_codec.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kelvra {

// A new EXIF thumbnail for a stamped photo, so that cameras and file
// browsers show the label: the stamped picture scaled into the old
// thumbnail's size (letterboxed where the aspects differ), as a baseline
// JPEG. It is stored as the old one was: in the photo's stored orientation,
// or upright when the old one's sides were the upright picture's
// (orientation 5 to 8).
//
// The picture comes reduced, as the stamping passes by it: the rows of the
// pixel road as they go to the encoder, or the DC terms of the coefficient
// road (scale 8). Each reduced pixel is the mean of a scale x scale square of
// the stored picture, which is what a decoder's reduced scales give too.
class ExifThumbnailMaker
{
public:
    // Wants a thumbnail like old (a JPEG); none is made when old is empty or
    // cannot be read.
    void want(std::string_view oldThumbnail, int orientation);
    bool wanted() const { return m_wanted; }

    // The strongest reduction (8, 4, 2 or 1) whose picture of a stored
    // width x height photo still covers the thumbnail.
    int scaleFor(int width, int height) const;

    // Collects the rows of a width x height photo (Format_RGB32), given in
    // order, reduced by scaleFor(). Must not throw: false when there is no
    // memory for it, and then no thumbnail is made.
    bool start(int width, int height);
    void addRows(const unsigned char *firstRow, std::size_t stride, int first, int last);
    // The same from the samples of a 4:2:0 YCbCr photo (first even).
    void addSamples(const jpeg::RowView &rows, int first, int last);

    // Takes a picture reduced by scale from a width x height photo.
    void setReduced(QImage picture, int scale, int width, int height);

    // The reduced stored picture a whole pass left, else null.
    QImage reduced() const { return m_scale && m_nextRow == m_stored.height() ? m_picture : QImage(); }
    int scale() const { return m_scale; }

    // The new thumbnail, or empty when none was wanted or it cannot be made.
    QByteArray make() const;

private:
    template<typename SumRow> void takeRows(int first, int last, SumRow sumRow);
    void finishRow();

    bool m_wanted = false;
    QSize m_old;
    int m_orientation = 1;
    bool m_upright = false; // the old one shows the upright picture's sides
    QSize m_stored;
    int m_scale = 0;
    QImage m_picture;
    // Per reduced column, its channels' sums over the rows taken so far, two
    // to a word (16 bits each, enough for 8 x 8 pixels of 255).
    std::vector<std::uint32_t> m_sums;
    bool m_samples = false; // the sums are of luma and chroma, not of red, green and blue
    int m_rowsIn = 0; // of the reduced row being summed
    int m_nextRow = 0; // the stored row expected next
};

// The thumbnail from the stamped JPEG itself, decoded at a reduced scale:
// for a photo no pass has reduced.
QByteArray stampedThumbnail(std::string_view stampedJpeg, std::string_view oldThumbnail, int orientation);

} // namespace kelvra
