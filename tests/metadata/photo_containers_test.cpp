// SPDX-License-Identifier: GPL-3.0-or-later
// Photo kinds and the metadata blocks of HEIF, PNG, WebP and TIFF files, on
// small files built here; every cut of them must read without a fault.
#include "exif_builder.h"

#include "metadata/exif_reader.h"
#include "metadata/photo_containers.h"
#include "metadata/photo_kind.h"

#include <gtest/gtest.h>

#include <zlib.h>

namespace kelvra {
namespace {

using test::TiffBuilder;
using namespace std::string_literals;

std::string be32(uint32_t v)
{
    return { char(v >> 24), char(v >> 16 & 0xFF), char(v >> 8 & 0xFF), char(v & 0xFF) };
}
std::string be16(uint32_t v)
{
    return { char(v >> 8 & 0xFF), char(v & 0xFF) };
}
std::string le32(uint32_t v)
{
    return { char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24) };
}
std::string box(std::string_view type, std::string_view payload)
{
    return be32(uint32_t(8 + payload.size())) + std::string(type) + std::string(payload);
}
std::string fullBox(std::string_view type, int version, std::string_view payload)
{
    return box(type, std::string(1, char(version)) + std::string(3, '\0') + std::string(payload));
}

std::string cameraExif(uint16_t orientation = 6)
{
    TiffBuilder t(true);
    t.ascii(0, 0x010F, "Canon");
    t.ascii(0, 0x0110, "Canon EOS 80D");
    t.shorts(0, 0x0112, { orientation });
    return t.build();
}

const std::string kXmpPacket = "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";
const std::string kIcc = std::string("ICC profile bytes ") + std::string(40, 'p');

// ftyp, then meta with: item 1 the picture, item 2 the EXIF (in idat, by
// construction method 1), item 3 the XMP (in the file, after meta); the
// properties colr (ICC) and, when turnedItem is set, irot on that item. The
// XMP item names the packet xmpExtents times.
std::string heifFile(uint32_t turnedItem, const std::string &exif = cameraExif(), uint16_t xmpExtents = 1)
{
    const std::string exifItem = be32(0) + exif; // no bytes between the offset field and the TIFF header
    std::string infe1 = fullBox("infe", 2, be16(1) + be16(0) + "hvc1" + std::string(1, '\0'));
    std::string infe2 = fullBox("infe", 2, be16(2) + be16(0) + "Exif" + std::string(1, '\0'));
    std::string infe3 = fullBox(
        "infe", 2, be16(3) + be16(0) + "mime" + std::string("XMP\0", 4) + std::string("application/rdf+xml\0", 20));
    const std::string iinf = fullBox("iinf", 0, be16(3) + infe1 + infe2 + infe3);
    const std::string pitm = fullBox("pitm", 0, be16(1));
    const std::string colr = box("colr", "prof" + kIcc);
    const std::string irot = box("irot", std::string(1, '\1'));
    const std::string ipco = box("ipco", colr + irot);
    // Item 1 gets colr (1); turnedItem gets irot (2).
    std::string ipmaEntries = be16(1) + std::string(1, '\1') + std::string(1, char(0x81));
    uint32_t entries = 1;
    if (turnedItem != 0) {
        ipmaEntries += be16(turnedItem) + std::string(1, '\1') + std::string(1, '\2');
        ++entries;
    }
    const std::string ipma = fullBox("ipma", 0, be32(entries) + ipmaEntries);
    const std::string iprp = box("iprp", ipco + ipma);
    const std::string idat = box("idat", exifItem);

    // iloc version 1: offset 4, length 4, base offset 0, index 0.
    auto ilocWith = [&](uint32_t xmpOffset) {
        std::string items = be16(3);
        items += be16(1) + be16(0) + be16(0) + be16(1) + be32(0) + be32(0);
        items += be16(2) + be16(1) + be16(0) + be16(1) + be32(0) + be32(uint32_t(exifItem.size()));
        items += be16(3) + be16(0) + be16(0) + be16(xmpExtents);
        for (uint16_t i = 0; i < xmpExtents; ++i)
            items += be32(xmpOffset) + be32(uint32_t(kXmpPacket.size()));
        return fullBox("iloc", 1, std::string("\x44\x00", 2) + items);
    };
    const std::string ftyp = box("ftyp", std::string("heic") + be32(0) + "mif1heic");
    auto metaWith = [&](uint32_t xmpOffset) {
        return fullBox("meta", 0,
            box("hdlr", std::string(4, '\0') + "pict" + std::string(13, '\0')) + pitm + iinf + ilocWith(xmpOffset)
                + iprp + idat);
    };
    const size_t xmpAt = ftyp.size() + metaWith(0).size() + 8;
    return ftyp + metaWith(uint32_t(xmpAt)) + box("mdat", kXmpPacket);
}

std::string pngChunk(std::string_view type, std::string_view data)
{
    uLong crc = crc32(0, reinterpret_cast<const Bytef *>(type.data()), uInt(type.size()));
    crc = crc32(crc, reinterpret_cast<const Bytef *>(data.data()), uInt(data.size()));
    return be32(uint32_t(data.size())) + std::string(type) + std::string(data) + be32(uint32_t(crc));
}

std::string deflated(std::string_view text)
{
    uLongf size = compressBound(uLong(text.size()));
    std::string out(size, '\0');
    EXPECT_EQ(compress(reinterpret_cast<Bytef *>(out.data()), &size, reinterpret_cast<const Bytef *>(text.data()),
                  uLong(text.size())),
        Z_OK);
    out.resize(size);
    return out;
}

std::string hexProfile(std::string_view name, std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text = "\n" + std::string(name) + "\n      " + std::to_string(bytes.size()) + "\n";
    for (size_t i = 0; i < bytes.size(); ++i) {
        text += digits[uint8_t(bytes[i]) >> 4];
        text += digits[uint8_t(bytes[i]) & 15];
        if (i % 36 == 35)
            text += '\n';
    }
    return text + "\n";
}

const std::string kPngSignature { "\x89PNG\r\n\x1A\n", 8 };
const std::string kIhdr = pngChunk("IHDR", be32(2) + be32(2) + std::string("\x08\x02\x00\x00\x00", 5));

std::string pngFile(bool withExifChunk)
{
    std::string file = kPngSignature + kIhdr;
    file += pngChunk("iCCP", std::string("icc\0\0", 5) + deflated(kIcc));
    file += pngChunk("tIME", std::string(7, '\1'));
    file += pngChunk("tEXt", std::string("Comment\0hello", 13));
    file += pngChunk("zTXt",
        std::string("Raw profile type exif\0\0", 23) + deflated(hexProfile("exif", "Exif\0\0"s + cameraExif(3))));
    file += pngChunk("iTXt", std::string("XML:com.adobe.xmp\0\0\0\0\0", 22) + kXmpPacket);
    if (withExifChunk)
        file += pngChunk("eXIf", cameraExif(6));
    file += pngChunk("IDAT", deflated(std::string(14, '\0')));
    return file + pngChunk("IEND", "");
}

std::string webpFile()
{
    auto chunk = [](std::string_view type, std::string_view data) {
        std::string c = std::string(type) + le32(uint32_t(data.size())) + std::string(data);
        return data.size() % 2 ? c + '\0' : c;
    };
    // An odd-sized ICC chunk first: the padding byte must be skipped.
    const std::string body = "WEBP" + chunk("VP8X", std::string(10, '\0')) + chunk("ICCP", kIcc + "x")
        + chunk("VP8 ", std::string(20, '\0')) + chunk("EXIF", "Exif\0\0"s + cameraExif()) + chunk("XMP ", kXmpPacket);
    return "RIFF" + le32(uint32_t(body.size())) + body;
}

TEST(PhotoKind, ContentDecidesAndTheNameHints)
{
    struct Case
    {
        std::string head;
        PhotoKind kind;
    };
    const Case contents[] = {
        { std::string("\xFF\xD8\xFF\xE1", 4), PhotoKind::Jpeg },
        { std::string("\xFF\xD8 cut", 6), PhotoKind::Jpeg },
        { kPngSignature, PhotoKind::Png },
        { std::string("II*\0\x08\0\0\0", 8), PhotoKind::Tiff },
        { std::string("MM\0*\0\0\0\x08", 8), PhotoKind::Tiff },
        { "RIFF\x10\0\0\0WEBPVP8 "s, PhotoKind::Webp },
        { "RIFF\x10\0\0\0WAVEfmt "s, PhotoKind::None },
        { "\0\0\0\x18"
          "ftypheic\0\0\0\0"s,
            PhotoKind::Heif },
        { "\0\0\0\x18"
          "ftypmif1\0\0\0\0"s,
            PhotoKind::Heif },
        { "\0\0\0\x18"
          "ftypisom\0\0\0\0"s,
            PhotoKind::None }, // a video
        { "GIF89a", PhotoKind::None },
        { "", PhotoKind::None },
    };
    for (const Case &c : contents)
        EXPECT_EQ(photoKindOfContent(c.head), c.kind) << c.head;

    const std::pair<const char *, PhotoKind> names[] = {
        { "a.JPG", PhotoKind::Jpeg },
        { "a.jfif", PhotoKind::Jpeg },
        { "IMG_1.HEIC", PhotoKind::Heif },
        { "x.hif", PhotoKind::Heif },
        { "s.Png", PhotoKind::Png },
        { "scan.tiff", PhotoKind::Tiff },
        { "w.webp", PhotoKind::Webp },
        { "raw.nef", PhotoKind::None },
        { "a.gif", PhotoKind::None },
        { "folder.png/readme", PhotoKind::None },
        { "noext", PhotoKind::None },
    };
    for (const auto &[name, kind] : names)
        EXPECT_EQ(photoKindOfName(name), kind) << name;

    // What each kind becomes when stamped.
    EXPECT_EQ(photoKindTraits(PhotoKind::Heif).stampedKind, PhotoKind::Jpeg);
    EXPECT_EQ(photoKindTraits(PhotoKind::Png).stampedKind, PhotoKind::Png);
    EXPECT_EQ(photoKindTraits(PhotoKind::Tiff).stampedExtension, ".jpg");
}

TEST(HeifMetadata, ItemsAndPropertiesOfThePrimaryImage)
{
    for (uint32_t turned : { 0u, 1u, 3u }) {
        ContainerMetadata found;
        ASSERT_TRUE(readHeifMetadata(heifFile(turned), found));
        EXPECT_EQ(found.exif, cameraExif());
        EXPECT_EQ(found.xmp, kXmpPacket);
        EXPECT_EQ(found.icc, kIcc);
        // A rotation counts only on the primary image.
        EXPECT_EQ(found.turned, turned == 1) << turned;
    }
    ContainerMetadata other;
    EXPECT_FALSE(readHeifMetadata(pngFile(true), other));
}

// Extents may repeat bytes, but an item never grows past the file that holds it.
TEST(HeifMetadata, AnItemIsNoLargerThanTheFile)
{
    ContainerMetadata twice;
    ASSERT_TRUE(readHeifMetadata(heifFile(0, cameraExif(), 2), twice));
    EXPECT_EQ(twice.xmp, kXmpPacket + kXmpPacket);
    const std::string file = heifFile(0, cameraExif(), 200);
    ASSERT_GT(200 * kXmpPacket.size(), file.size());
    ContainerMetadata repeated;
    ASSERT_TRUE(readHeifMetadata(file, repeated));
    EXPECT_TRUE(repeated.xmp.empty());
    EXPECT_EQ(repeated.exif, cameraExif());
}

// Through TimgData the blocks read as a JPEG's would; a HEIF turned by its
// own boxes has nothing left for the EXIF orientation to do.
TEST(HeifMetadata, ReadLikeAJpegsBlocks)
{
    for (uint32_t turned : { 0u, 1u }) {
        TimgData data;
        const std::string file = heifFile(turned);
        MemoryByteSource source(file);
        ASSERT_TRUE(data.ProcessStream(source, ContainerKind::Heif)) << data.ErrStr;
        EXPECT_EQ(data.photoKind, PhotoKind::Heif);
        ASSERT_TRUE(data.ExifObj);
        EXPECT_EQ(data.ExifObj->GetRawInt("Orientation"), 6);
        EXPECT_EQ(data.exifOrientation(), turned ? 1 : 6);
        ASSERT_EQ(data.xmpSegments.size(), 1u);
        EXPECT_TRUE(isXmpSegment(data.xmpSegments[0]));
        int iccChunks = 0;
        for (const tSection &s : data.sections)
            iccChunks += s.dtype == 0xE2 && s.data.substr(2, 11) == "ICC_PROFILE";
        EXPECT_EQ(iccChunks, 1);
    }
}

TEST(PngMetadata, ExifChunkBeforeTheRawProfileText)
{
    ContainerMetadata withChunk, textOnly;
    ASSERT_TRUE(readPngMetadata(pngFile(true), withChunk));
    ASSERT_TRUE(readPngMetadata(pngFile(false), textOnly));
    EXPECT_EQ(withChunk.exif, cameraExif(6));
    EXPECT_EQ(textOnly.exif, cameraExif(3));
    for (const ContainerMetadata *m : { &withChunk, &textOnly }) {
        EXPECT_EQ(m->icc, kIcc);
        EXPECT_EQ(m->xmp, kXmpPacket);
    }
}

// A stamped PNG keeps the source's texts and colour, loses its tIME and its
// raw-profile EXIF, and has the EXIF in one eXIf chunk before the pixels.
TEST(PngMetadata, ComposedOutputReadsBackTheSame)
{
    const std::string encoded = kPngSignature + kIhdr + pngChunk("gAMA", be32(45455))
        + pngChunk("IDAT", deflated(std::string(14, '\x7F'))) + pngChunk("IEND", "");
    const std::string out = composePng(encoded, pngFile(false), cameraExif(3));
    ASSERT_FALSE(out.empty());
    ContainerMetadata back;
    ASSERT_TRUE(readPngMetadata(out, back));
    EXPECT_EQ(back.exif, cameraExif(3));
    EXPECT_EQ(back.icc, kIcc);
    EXPECT_EQ(back.xmp, kXmpPacket);
    EXPECT_NE(out.find(pngChunk("tEXt", std::string("Comment\0hello", 13))), std::string::npos);
    EXPECT_EQ(out.find("tIME"), std::string::npos);
    EXPECT_EQ(out.find("Raw profile type exif"), std::string::npos);
    EXPECT_EQ(out.find("gAMA"), std::string::npos); // the encoder's guess gives way to the source's profile
    EXPECT_LT(out.find("eXIf"), out.find("IDAT"));
    EXPECT_NE(out.find(pngChunk("IDAT", deflated(std::string(14, '\x7F')))), std::string::npos);
    EXPECT_TRUE(composePng("not a png", pngFile(false), {}).empty());
}

TEST(WebpMetadata, ChunksPastOddPadding)
{
    ContainerMetadata found;
    ASSERT_TRUE(readWebpMetadata(webpFile(), found));
    EXPECT_EQ(found.icc, kIcc + "x");
    EXPECT_EQ(found.exif, cameraExif());
    EXPECT_EQ(found.xmp, kXmpPacket);
}

// A TIFF's first directory mixes its pixels' tags with the camera's; the
// block built for a JPEG keeps the camera's and the sub-directories.
TEST(TiffMetadata, BlockForAJpegLeavesThePixelsTagsBehind)
{
    for (bool motorola : { false, true }) {
        TiffBuilder t(motorola);
        t.longs(0, 256, { 600 });
        t.longs(0, 257, { 400 });
        t.longs(0, 273, { 8 }); // strip offsets
        t.ascii(0, 0x010F, "Canon");
        t.shorts(0, 0x0112, { 8 });
        t.undefined(0, 700, kXmpPacket);
        t.undefined(0, 34675, kIcc);
        const int exif = t.addIfd();
        t.ascii(exif, 0x9003, "2021:06:15 10:20:30");
        const int interop = t.addIfd();
        t.ascii(interop, 0x0001, "R98");
        t.pointer(exif, 40965, interop);
        t.pointer(0, 34665, exif);
        const int gps = t.addIfd();
        t.rationals(gps, 0x0002, { { 48, 1 }, { 51, 1 }, { 2988, 100 } });
        t.pointer(0, 34853, gps);
        ContainerMetadata found;
        ASSERT_TRUE(readTiffMetadata(t.build(), found));
        EXPECT_EQ(found.xmp, kXmpPacket);
        EXPECT_EQ(found.icc, kIcc);

        TimgData data;
        ASSERT_TRUE(data.adoptContainerMetadata(found, PhotoKind::Tiff));
        ASSERT_TRUE(data.ExifObj);
        EXPECT_EQ(data.ExifObj->GetRawInt("Orientation"), 8);
        EXPECT_EQ(data.ExifObj->GetTagByName("Make").Data, "Canon");
        EXPECT_NE(data.ExifObj->GetTagByName("DateTimeOriginal").Data.find("2021"), std::string::npos);
        EXPECT_NE(data.ExifObj->GetTagByName("InteroperabilityIndex").Data.find("R98"), std::string::npos);
        EXPECT_NE(data.ExifObj->GetTagByName("GPSLatitude").Tag, 0);
        EXPECT_EQ(data.ExifObj->GetTagByName("ImageWidth").Tag, 0);
        EXPECT_EQ(data.ExifObj->GetTagByName("StripOffsets").Tag, 0);

        std::string tiff = found.exif;
        ASSERT_TRUE(setTiffOrientation(tiff, 1));
        ASSERT_TRUE(data.adoptContainerMetadata({ tiff, {}, {}, false }, PhotoKind::Tiff));
        EXPECT_EQ(data.exifOrientation(), 1);
    }
}

// Every cut of every file reads without a fault; what lies before the cut
// may be found, nothing after it.
TEST(ContainerMetadata, EveryCutReadsSafely)
{
    const std::pair<PhotoKind, std::string> files[] = {
        { PhotoKind::Heif, heifFile(1) },
        { PhotoKind::Png, pngFile(true) },
        { PhotoKind::Webp, webpFile() },
    };
    for (const auto &[kind, file] : files) {
        for (size_t cut = 0; cut <= file.size(); ++cut) {
            const std::string part = file.substr(0, cut); // its own buffer, so a read past it is caught
            ContainerMetadata found;
            readContainerMetadata(kind, part, found);
            EXPECT_LE(found.exif.size() + found.xmp.size() + found.icc.size(), cut);
            TimgData data;
            MemoryByteSource source(part);
            data.ProcessStream(source,
                kind == PhotoKind::Heif      ? ContainerKind::Heif
                    : kind == PhotoKind::Png ? ContainerKind::Png
                                             : ContainerKind::Webp);
        }
    }
}

} // namespace
} // namespace kelvra
