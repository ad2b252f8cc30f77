// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/exif_writer.h"

#include "metadata/exif_reader.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

namespace kelvra {

namespace {

void putSegment(std::string &out, const tSection &section, int marker)
{
    out += '\xFF';
    out += static_cast<char>(marker);
    out += section.data;
}

bool isIccChunk(const tSection &section)
{
    static constexpr std::string_view kIccId{"ICC_PROFILE\0", 12};
    return section.dtype == 0xE2 && std::string_view(section.data).substr(2, kIccId.size()) == kIccId;
}

void setLength(tSection &section)
{
    section.size = static_cast<int>(section.data.size());
    section.data[0] = static_cast<char>((section.size >> 8) & 0xFF);
    section.data[1] = static_cast<char>(section.size & 0xFF);
}

// The slot a Make operation fills: the existing one, or the next free slot.
tSection *segmentSlot(TimgData &data, tSection *TimgData::*reference)
{
    if (data.*reference)
        return data.*reference;
    if (data.SectionCnt >= TimgData::kSectionSlots)
        return nullptr;
    ++data.SectionCnt;
    data.*reference = &data.sections[static_cast<size_t>(data.SectionCnt - 1)];
    return data.*reference;
}

void makeSegment(TimgData &data, tSection *TimgData::*reference, int marker, std::string_view buff)
{
    // A segment's length field has 16 bits; a larger record cannot be carried.
    if (buff.size() > 0xFFFF - 2)
        return;
    tSection *slot = segmentSlot(data, reference);
    if (!slot)
        return;
    slot->data.assign(2, '\0');
    slot->data.append(buff);
    slot->dtype = marker;
    setLength(*slot);
}

} // namespace

int64_t SaveExif(const TimgData &data, std::string &out)
{
    out += "\xFF\xD8";
    const size_t start = out.size();
    if (data.ExifSegment)
        putSegment(out, *data.ExifSegment, 0xE1);
    else if (data.HeaderSegment)
        putSegment(out, *data.HeaderSegment, 0xE0);
    else
        out += kDefaultJfifHeader;
    if (data.IPTCSegment)
        putSegment(out, *data.IPTCSegment, 0xED);
    if (data.CommentSegment)
        putSegment(out, *data.CommentSegment, 0xFE);
    for (int i = 0; i < data.SectionCnt && !data.TiffFmt; ++i) {
        const tSection &section = data.sections[static_cast<size_t>(i)];
        if (isIccChunk(section))
            putSegment(out, section, 0xE2);
    }
    return static_cast<int64_t>(out.size() - start);
}

size_t encodedImageStart(std::string_view jpeg)
{
    size_t p = 2;
    for (int marker : {0xE0, 0xE1, 0xED, 0xFE}) {
        if (p + 4 > jpeg.size() || static_cast<unsigned char>(jpeg[p + 1]) != marker)
            continue;
        p += 2 + (static_cast<size_t>(static_cast<unsigned char>(jpeg[p + 2])) << 8) +
             static_cast<unsigned char>(jpeg[p + 3]);
    }
    return std::min(p, jpeg.size());
}

std::string ComposeExifJpeg(const TimgData &data, std::string_view encodedJpeg)
{
    std::string out;
    out.reserve(encodedJpeg.size() + (data.ExifSegment ? data.ExifSegment->data.size() : 0) + 1024);
    SaveExif(data, out);
    out.append(encodedJpeg.substr(encodedImageStart(encodedJpeg)));
    return out;
}

bool writeFileAtomically(const std::filesystem::path &path, std::string_view bytes, std::string *error)
{
    namespace fs = std::filesystem;
    std::random_device rd;
    const fs::path temporary = path.parent_path() / (path.filename().string() + ".kelvra-" + std::to_string(rd()));
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) {
            if (error)
                *error = "cannot create " + temporary.string();
            return false;
        }
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            if (error)
                *error = "cannot write " + temporary.string();
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        fs::remove(temporary, ec);
        if (error)
            *error = "cannot replace " + path.string();
        return false;
    }
    return true;
}

bool WriteEXIFJpeg(const TimgData &data, std::string_view encodedJpeg, const std::filesystem::path &fname,
                   std::string *error)
{
    return writeFileAtomically(fname, ComposeExifJpeg(data, encodedJpeg), error);
}

bool WriteEXIFJpeg(const TimgData &data, const std::filesystem::path &fname, std::string *error)
{
    std::ifstream in(data.Filename, std::ios::binary);
    if (!in) {
        if (error)
            *error = "cannot read " + data.Filename.string();
        return false;
    }
    const std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return WriteEXIFJpeg(data, image, fname, error);
}

void removeThumbnail(TimgData &data)
{
    if (!data.ExifSegment || !data.ExifObj)
        return;
    tSection &exif = *data.ExifSegment;
    const int64_t thumbStart = data.ExifObj->ThumbStart;
    const int64_t cut = 8 + thumbStart;
    if (thumbStart <= 0 || cut > static_cast<int64_t>(exif.data.size()))
        return;

    // Clear the main directory's link when it is the one pointing at IFD1.
    const bool motorola = exif.data.size() >= 10 && exif.data[8] == 'M';
    auto get = [&](int64_t pos, int bytes) -> int64_t {
        if (pos < 0 || pos + bytes > cut)
            return -1;
        int64_t v = 0;
        for (int i = 0; i < bytes; ++i) {
            const int64_t byte = static_cast<unsigned char>(exif.data[static_cast<size_t>(pos + (motorola ? i : bytes - 1 - i))]);
            v = (v << 8) | byte;
        }
        return v;
    };
    const int64_t ifd0 = get(12, 4);
    const int64_t entries = ifd0 >= 0 ? get(8 + ifd0, 2) : -1;
    if (entries >= 0) {
        const int64_t link = 8 + ifd0 + 2 + 12 * entries;
        if (get(link, 4) == thumbStart) {
            for (int i = 0; i < 4; ++i)
                exif.data[static_cast<size_t>(link + i)] = '\0';
        }
    }

    exif.data.resize(static_cast<size_t>(cut));
    setLength(exif);
    data.ExifObj->ThumbLength = 0;
}

void MakeIPTCSegment(TimgData &data, std::string_view buff)
{
    makeSegment(data, &TimgData::IPTCSegment, 0xED, buff);
}

void MakeCommentSegment(TimgData &data, std::string_view buff)
{
    makeSegment(data, &TimgData::CommentSegment, 0xFE, buff);
}

std::string GetCommentSegment(const TimgData &data)
{
    return data.CommentSegment ? data.CommentSegment->data : std::string();
}

} // namespace kelvra
