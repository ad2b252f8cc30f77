// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/photo_kind.h"

#include <algorithm>
#include <array>
#include <fstream>

namespace kelvra {

namespace {

struct NamedExtension
{
    std::string_view extension;
    PhotoKind kind;
};

constexpr std::array<NamedExtension, 12> kExtensions { {
    { ".jpg", PhotoKind::Jpeg },
    { ".jpeg", PhotoKind::Jpeg },
    { ".jpe", PhotoKind::Jpeg },
    { ".jif", PhotoKind::Jpeg },
    { ".jfif", PhotoKind::Jpeg },
    { ".heic", PhotoKind::Heif },
    { ".heif", PhotoKind::Heif },
    { ".hif", PhotoKind::Heif },
    { ".png", PhotoKind::Png },
    { ".tif", PhotoKind::Tiff },
    { ".tiff", PhotoKind::Tiff },
    { ".webp", PhotoKind::Webp },
} };

// Brands of HEVC-coded HEIF images and of the general image brand that
// phones put first.
constexpr std::array<std::string_view, 8> kHeifBrands { "heic", "heix", "heim", "heis", "hevc", "hevx", "mif1",
    "msf1" };

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

std::string_view extensionOf(std::string_view fileName)
{
    const size_t slash = fileName.find_last_of("/\\");
    if (slash != std::string_view::npos)
        fileName.remove_prefix(slash + 1);
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    return fileName.substr(dot);
}

} // namespace

const PhotoKindTraits &photoKindTraits(PhotoKind kind)
{
    static const std::array<PhotoKindTraits, 6> traits { {
        { PhotoKind::None, "none", PhotoKind::None, "" },
        { PhotoKind::Jpeg, "JPEG", PhotoKind::Jpeg, ".jpg" },
        { PhotoKind::Heif, "HEIF", PhotoKind::Jpeg, ".jpg" },
        { PhotoKind::Png, "PNG", PhotoKind::Png, ".png" },
        { PhotoKind::Tiff, "TIFF", PhotoKind::Jpeg, ".jpg" },
        { PhotoKind::Webp, "WebP", PhotoKind::Jpeg, ".jpg" },
    } };
    return traits[static_cast<size_t>(kind)];
}

PhotoKind photoKindOfName(std::string_view fileName)
{
    const std::string_view extension = extensionOf(fileName);
    for (const NamedExtension &e : kExtensions) {
        if (equalsIgnoringCase(extension, e.extension))
            return e.kind;
    }
    return PhotoKind::None;
}

std::string photoNamePatterns()
{
    std::string patterns;
    for (const NamedExtension &e : kExtensions)
        patterns += (patterns.empty() ? "*" : " *") + std::string(e.extension);
    return patterns;
}

bool nameFitsKind(std::string_view fileName, PhotoKind kind)
{
    return kind != PhotoKind::None && photoKindOfName(fileName) == kind;
}

PhotoKind photoKindOfContent(std::string_view head)
{
    // A start of image is enough: the decoder says what is wrong after it.
    if (head.size() >= 2 && head.substr(0, 2) == "\xFF\xD8")
        return PhotoKind::Jpeg;
    if (head.size() >= 8 && head.substr(0, 8) == "\x89PNG\r\n\x1A\n")
        return PhotoKind::Png;
    if (head.size() >= 4
        && (head.substr(0, 4) == std::string_view("II*\0", 4) || head.substr(0, 4) == std::string_view("MM\0*", 4)))
        return PhotoKind::Tiff;
    if (head.size() >= 12 && head.substr(0, 4) == "RIFF" && head.substr(8, 4) == "WEBP")
        return PhotoKind::Webp;
    if (head.size() >= 12 && head.substr(4, 4) == "ftyp") {
        const std::string_view brand = head.substr(8, 4);
        if (std::find(kHeifBrands.begin(), kHeifBrands.end(), brand) != kHeifBrands.end())
            return PhotoKind::Heif;
    }
    return PhotoKind::None;
}

PhotoKind photoKindOfFile(const std::filesystem::path &path)
{
    const PhotoKind byName = photoKindOfName(path.filename().string());
    std::ifstream in(path, std::ios::binary);
    char head[16] = {};
    if (!in.read(head, sizeof head) && in.gcount() <= 0)
        return in.is_open() ? PhotoKind::None : byName;
    return photoKindOfContent(std::string_view(head, static_cast<size_t>(in.gcount())));
}

} // namespace kelvra
