// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "metadata/photo_kind.h"

#include <string>
#include <string_view>

namespace kelvra {

// The metadata blocks of a HEIF, PNG or WebP file, as the JPEG road keeps
// them: the EXIF block's TIFF structure, the XMP packet, the ICC profile.
struct ContainerMetadata
{
    std::string exif; // begins "II*\0" or "MM\0*"; empty when none
    std::string xmp;
    std::string icc;
    // HEIF: the primary image has a rotation or mirror of its own, which the
    // decoder applies; its EXIF Orientation then describes nothing left to do.
    bool turned = false;
};

// Largest block kept, against crafted sizes; real ones are far below.
inline constexpr size_t kMaxContainerBlock = 16 * 1024 * 1024;

// Read the blocks of a whole file's bytes. Every offset and size is checked
// against the bytes; a damaged file gives what could be read before the
// damage. False when the bytes are not of the kind at all.
bool readHeifMetadata(std::string_view file, ContainerMetadata &out);
bool readPngMetadata(std::string_view file, ContainerMetadata &out);
bool readWebpMetadata(std::string_view file, ContainerMetadata &out);
bool readContainerMetadata(PhotoKind kind, std::string_view file, ContainerMetadata &out);

// A TIFF file's blocks for a JPEG made of it: the XMP (tag 700) and ICC
// (tag 34675) of its first directory, and an EXIF block built from that
// directory without the tags that describe the TIFF's own pixels (size,
// strips, tiles, compression, samples, sub-images, XMP, ICC, IPTC), with its
// EXIF, GPS and interoperability directories copied after it. Values keep
// the file's byte order; offsets are those of the new block, so a maker note
// that points by absolute offsets into its old file points wrong.
bool readTiffMetadata(std::string_view file, ContainerMetadata &out);

// A stamped PNG: the encoder's image chunks (IHDR, PLTE, tRNS, sBIT, IDAT,
// IEND) with the source's other chunks after IHDR: colour (iCCP, sRGB, gAMA,
// cHRM), density, texts and any safe-to-copy chunk, but tIME and the
// source's EXIF in eXIf or in a raw-profile text, which exifTiff (a TIFF
// structure, may be empty) replaces as one eXIf chunk. Empty when encoded
// is no PNG; a damaged source gives what could be read.
std::string composePng(std::string_view encoded, std::string_view source, std::string_view exifTiff);

// Sets the Orientation of the first directory of a TIFF structure (an EXIF
// block) to value, where the tag is there as a SHORT; false otherwise.
bool setTiffOrientation(std::string &tiff, int value);

// The TIFF structure inside an EXIF payload as containers store it: bare, or
// after "Exif\0\0"; empty when neither.
std::string_view exifTiffOf(std::string_view payload);

} // namespace kelvra
