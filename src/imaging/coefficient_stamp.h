// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/entropy_splice.h"
#include "imaging/exif_thumbnail.h"
#include "imaging/image_error.h"
#include "imaging/jpeg_codec.h"
#include "imaging/label_renderer.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace kelvra {

struct CoefficientWork;

// Stamps a JPEG without encoding the picture again: every coefficient block
// is kept bit for bit except those whose pixels the label changes, which are
// transformed and quantised anew with the photo's own tables. Only the MCU
// rows under the label are decoded, in the photo's stored orientation (the
// label is laid out as StoredPhotoLabel does). Keeps its memory from one
// photo to the next; one per worker thread, never shared.
class CoefficientStamp
{
public:
    // How stamp() wrote the photo, or that it left it to the pixel road.
    enum class Road {
        Declined, // nothing written: a colour model or sampling this road does not draw on (CMYK, say)
        Spliced, // only the label's MCU rows coded again, the rest copied
        Rewritten, // every coefficient written again: progressive, arithmetic, one scan per component
        RewrittenForCode, // the same, as the source's tables code nothing near some changed block
        RewrittenForData, // the same, as the splice found the entropy-coded data damaged or odd
    };

    CoefficientStamp() = default;
    ~CoefficientStamp();
    CoefficientStamp(const CoefficientStamp &) = delete;
    CoefficientStamp &operator=(const CoefficientStamp &) = delete;

    // A thumbnail maker that wants one gets the stamped picture at 1/8 from
    // the DC terms, when that scale covers its thumbnail. Fails with
    // ImageError::PaintRefused when there is no memory to draw the label, and
    // with the decoder's reason when it refuses the data (the pixel road and
    // the toolkit's readers may still take it).
    ImageResult<Road> stamp(std::string_view jpeg, const std::function<StoredPhotoLabel(QSize stored)> &layOut,
        ExifThumbnailMaker *thumbnail = nullptr);

    // The JPEG of the last successful stamp(), without metadata segments.
    std::string_view encoded() const;
    // Blocks transformed anew by the last stamp(), over all components.
    int changedBlocks() const { return m_changedBlocks; }
    // Of the blocks the last splice coded again, those the source's tables
    // could not code as they were, moved to the nearest they code.
    int fittedBlocks() const { return m_road == Road::Spliced ? m_splice.fittedBlocks : 0; }
    // What fitting lost of the label's change to the pixels, 0 to 1.
    double fittingLoss() const
    {
        return m_road == Road::Spliced && m_splice.changedEnergy > 0
            ? double(m_splice.lostEnergy) / double(m_splice.changedEnergy)
            : 0;
    }
    int warnings() const { return m_warnings; }
    // How the last stamp() that wrote the photo wrote it.
    Road road() const { return m_road; }
    // Off: every photo is rewritten through libjpeg, for comparing the roads.
    void setSplicing(bool on) { m_splicing = on; }
    const QString &firstWarning() const { return m_firstWarning; }

private:
    friend struct CoefficientWork;

    // True when the splice wrote the photo, false when it leaves it to the
    // rewrite; fails when the label cannot be drawn.
    ImageResult<bool> splice(std::string_view jpeg, CoefficientWork &work);

    jpeg::EncodeBuffer m_encoded;
    jpeg::EncodeBuffer m_markers;
    jpeg::SpliceMemory m_splice;
    bool m_splicing = true;
    Road m_road = Road::Rewritten;
    bool m_recoded = false; // RewrittenForCode one MCU at a time, into m_splice.out
    jpeg::RowMemory m_band;
    jpeg::DcTerms m_dc; // of the rewrite
    jpeg::CoefficientLayout m_layout; // of the last photo planned
    std::vector<unsigned char> m_samples[4];
    QImage m_pixels;
    QImage m_before;
    int m_changedBlocks = 0;
    int m_warnings = 0;
    QString m_firstWarning;
};

} // namespace kelvra
