// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kelvra {

// What a photo file holds. The content decides; the name is a hint for
// content that no kind claims and for listing a folder without opening files.
enum class PhotoKind { None, Jpeg, Heif, Png, Tiff, Webp };

// What the program can do with one kind.
struct PhotoKindTraits
{
    PhotoKind kind = PhotoKind::None;
    std::string_view name; // for reports: "JPEG", "HEIF", ...
    // A stamped photo is written as this kind: JPEG for every kind that has
    // no lossless road of ours, PNG for PNG.
    PhotoKind stampedKind = PhotoKind::None;
    // The extension a stamped output gets when the source's name is not of
    // stampedKind (lower case, with the dot).
    std::string_view stampedExtension;
};

const PhotoKindTraits &photoKindTraits(PhotoKind kind);

// By extension alone, any case: .jpg .jpeg .jpe .jif .jfif, .heic .heif
// .hif, .png, .tif .tiff, .webp. Everything else is None.
PhotoKind photoKindOfName(std::string_view fileName);

// By the first bytes of a file (16 are enough); None for anything else.
PhotoKind photoKindOfContent(std::string_view head);

// The kind of a file by its content; None when no kind claims it. A file
// that cannot be opened is judged by its name, so that the reader of its
// kind reports why.
PhotoKind photoKindOfFile(const std::filesystem::path &path);

// Every photo name as a chooser's pattern list: "*.jpg *.jpeg ... *.webp".
std::string photoNamePatterns();

// Whether a name with this extension is of the kind (case-insensitive).
bool nameFitsKind(std::string_view fileName, PhotoKind kind);

} // namespace kelvra
