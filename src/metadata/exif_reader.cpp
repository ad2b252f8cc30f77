// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/exif_reader.h"

#include "metadata/maker_note.h"
#include "metadata/photo_containers.h"

#include <algorithm>
#include <system_error>

namespace kelvra {

namespace {

std::string lowerAscii(std::string text)
{
    for (char &c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// Reads exactly length bytes unless the input ends first; the rest stays as is.
size_t readFully(ByteSource &stream, char *dest, size_t length)
{
    size_t done = 0;
    while (done < length) {
        const size_t n = stream.read(dest + done, length - done);
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

int readByte(ByteSource &stream)
{
    char c = 0;
    return stream.read(&c, 1) == 1 ? static_cast<unsigned char>(c) : -1;
}

enum class SegmentRead { Read, End, Broken };

// The next segment after its marker (fill bytes skipped), its two length
// bytes first; End where the input ends, Broken for a length below 2.
SegmentRead readSegment(ByteSource &stream, tSection &segment)
{
    int marker = 0;
    do {
        marker = readByte(stream);
    } while (marker == 0xFF);
    if (marker < 0)
        return SegmentRead::End;

    unsigned char length[2];
    if (readFully(stream, reinterpret_cast<char *>(length), 2) != 2)
        return SegmentRead::End;
    const int size = length[0] << 8 | length[1];
    if (size < 2)
        return SegmentRead::Broken;

    segment.dtype = marker;
    segment.size = size;
    // Missing bytes at the end of the file read as zero.
    segment.data.assign(static_cast<size_t>(size), '\0');
    segment.data[0] = static_cast<char>(length[0]);
    segment.data[1] = static_cast<char>(length[1]);
    readFully(stream, segment.data.data() + 2, static_cast<size_t>(size - 2));
    return SegmentRead::Read;
}

} // namespace

bool isXmpSegment(const tSection &section)
{
    static constexpr std::string_view kPacket { "http://ns.adobe.com/xap/1.0/\0", 29 };
    static constexpr std::string_view kExtension { "http://ns.adobe.com/xmp/extension/\0", 35 };
    if (section.dtype != 0xE1 || section.data.size() < 2)
        return false;
    const std::string_view payload = std::string_view(section.data).substr(2);
    return payload.starts_with(kPacket) || payload.starts_with(kExtension);
}

ContainerKind containerKindForFileName(const std::filesystem::path &fileName)
{
    const std::string ext = lowerAscii(fileName.extension().string());
    // Every name the photo list accepts as JPEG is read as one, or a .jfif
    // photo would be stamped without its metadata.
    if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe" || ext == ".jif" || ext == ".jfif")
        return ContainerKind::Jpeg;
    if (ext == ".tif" || ext == ".tiff" || ext == ".nef")
        return ContainerKind::Tiff;
    return ContainerKind::Unknown;
}

TimgData::TimgData(int buildCode, ExifTextOptions options)
    : BuildList(buildCode)
    , m_options(std::move(options))
    , m_makerNotes(defaultMakerNoteDecoder())
{
    reset();
}

TimgData::~TimgData() = default;

void TimgData::reset()
{
    SectionCnt = 0;
    ExifSegment = nullptr;
    IPTCSegment = nullptr;
    CommentSegment = nullptr;
    HeaderSegment = nullptr;
    Filename.clear();
    FileSize = 0;
    ErrStr.clear();
    ExifObj.reset();
    IptcObj.reset();
    sections.clear();
    xmpSegments.clear();
    photoKind = PhotoKind::None;
    containerTurned = false;
    MotorolaOrder = false;
    m_openFailed = false;
}

void TimgData::setMakerNoteDecoder(std::shared_ptr<const MakerNoteDecoder> decoder)
{
    m_makerNotes = std::move(decoder);
}

int TimgData::slotOf(const tSection *segment) const
{
    for (size_t i = 0; i < sections.size(); ++i) {
        if (segment == &sections[i])
            return static_cast<int>(i) + 1;
    }
    return 0;
}

bool TimgData::ProcessFile(const std::filesystem::path &FileName)
{
    reset();
    try {
        std::error_code ec;
        if (!std::filesystem::exists(FileName, ec) || std::filesystem::is_directory(FileName, ec))
            return false;
        SetFileInfo(FileName);
        ErrStr = "Not an EXIF file";
        bool ok = false;
        switch (containerKindForFileName(FileName)) {
        case ContainerKind::Jpeg:
            ok = ReadJpegFile(FileName);
            break;
        case ContainerKind::Tiff:
            ok = ReadTiffFile(FileName);
            break;
        case ContainerKind::Unknown:
            ok = readByContent(FileName);
            break;
        default:
            break;
        }
        if (m_openFailed) {
            ErrStr = "Illegal Exif construction";
            return false;
        }
        if (ok)
            ErrStr = "<none>";
        return ok;
    } catch (...) {
        ErrStr = "Illegal Exif construction";
        return false;
    }
}

bool TimgData::ProcessStream(ByteSource &source, ContainerKind kind)
{
    reset();
    return readSource(source, kind);
}

bool TimgData::readSource(ByteSource &source, ContainerKind kind)
{
    ErrStr = "Not an EXIF file";
    bool ok = false;
    if (kind == ContainerKind::Jpeg) {
        TiffFmt = false;
        ok = ReadJpegSections(source);
    } else if (kind == ContainerKind::Tiff) {
        TiffFmt = true;
        ok = ReadTiffSections(source);
        TiffFmt = false;
    } else if (kind != ContainerKind::Unknown) {
        std::string bytes;
        char chunk[65536];
        for (size_t n; (n = source.read(chunk, sizeof chunk)) > 0;) {
            if (bytes.size() + n > kMaxContainerFile)
                return false;
            bytes.append(chunk, n);
        }
        try {
            ok = ReadContainerBytes(bytes, kind);
        } catch (...) {
            ok = false;
        }
    }
    if (ok)
        ErrStr = "<none>";
    return ok;
}

void TimgData::SetFileInfo(const std::filesystem::path &fname)
{
    std::error_code ec;
    const auto status = std::filesystem::status(fname, ec);
    if (ec || !std::filesystem::exists(status))
        return;
    Filename = fname;
    const auto size = std::filesystem::is_regular_file(status) ? std::filesystem::file_size(fname, ec) : 0;
    FileSize = ec ? 0 : static_cast<int32_t>(static_cast<uint32_t>(size));
}

bool TimgData::readByContent(const std::filesystem::path &FileName)
{
    switch (photoKindOfFile(FileName)) {
    case PhotoKind::Jpeg:
        return ReadJpegFile(FileName);
    case PhotoKind::Tiff:
        return ReadTiffFile(FileName);
    case PhotoKind::Heif:
        return readContainerFile(FileName, ContainerKind::Heif);
    case PhotoKind::Png:
        return readContainerFile(FileName, ContainerKind::Png);
    case PhotoKind::Webp:
        return readContainerFile(FileName, ContainerKind::Webp);
    case PhotoKind::None:
        break;
    }
    return false;
}

bool TimgData::readContainerFile(const std::filesystem::path &FileName, ContainerKind kind)
{
    std::ifstream in(FileName, std::ios::binary);
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(FileName, ec);
    if (!in || ec) {
        m_openFailed = true;
        return false;
    }
    if (size > kMaxContainerFile)
        return false;
    std::string bytes(static_cast<size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return ReadContainerBytes(bytes, kind);
}

bool TimgData::ReadContainerBytes(std::string_view bytes, ContainerKind kind)
{
    const PhotoKind photo = kind == ContainerKind::Heif ? PhotoKind::Heif
        : kind == ContainerKind::Png                    ? PhotoKind::Png
        : kind == ContainerKind::Webp                   ? PhotoKind::Webp
                                                        : PhotoKind::None;
    ContainerMetadata found;
    if (!readContainerMetadata(photo, bytes, found))
        return false;
    return adoptContainerMetadata(found, photo);
}

bool TimgData::adoptContainerMetadata(const ContainerMetadata &found, PhotoKind photo)
{
    ExifSegment = IPTCSegment = CommentSegment = HeaderSegment = nullptr;
    sections.clear();
    xmpSegments.clear();
    ExifObj.reset();
    SectionCnt = 0;
    TiffFmt = false;
    photoKind = photo;
    containerTurned = found.turned;
    if (!found.xmp.empty()) {
        tSection xmp;
        xmp.dtype = 0xE1;
        xmp.data.assign(2, '\0');
        xmp.data.append("http://ns.adobe.com/xap/1.0/\0", 29);
        xmp.data.append(found.xmp);
        xmp.size = static_cast<int>(std::min<size_t>(xmp.data.size(), 0xFFFF));
        // A packet over one segment is not carried into a JPEG; it is still read.
        if (xmp.data.size() <= 0xFFFF) {
            xmp.data[0] = static_cast<char>(xmp.size >> 8);
            xmp.data[1] = static_cast<char>(xmp.size & 0xFF);
            keepXmp(xmp);
        }
    }
    // The profile in APP2 chunks of at most 65519 bytes, numbered from 1.
    const size_t kChunk = 0xFFFF - 2 - 14;
    const size_t chunks = (found.icc.size() + kChunk - 1) / kChunk;
    for (size_t i = 0; i < chunks && chunks <= 255; ++i) {
        tSection &icc = sections.emplace_back();
        const std::string_view piece = std::string_view(found.icc).substr(i * kChunk, kChunk);
        icc.dtype = 0xE2;
        icc.size = static_cast<int>(2 + 14 + piece.size());
        icc.data.reserve(static_cast<size_t>(icc.size));
        icc.data += static_cast<char>(icc.size >> 8);
        icc.data += static_cast<char>(icc.size & 0xFF);
        icc.data.append("ICC_PROFILE\0", 12);
        icc.data += static_cast<char>(i + 1);
        icc.data += static_cast<char>(chunks);
        icc.data.append(piece);
    }
    if (!found.exif.empty()) {
        tSection &exif = sections.emplace_front();
        exif.dtype = 0xE1;
        exif.data.assign(2, '\0');
        exif.data.append("Exif\0\0", 6);
        exif.data.append(found.exif);
        exif.size = static_cast<int>(exif.data.size());
        // The length field says at most 65535; the batch drops a block that large before writing.
        const size_t field = std::min<size_t>(exif.data.size(), 0xFFFF);
        exif.data[0] = static_cast<char>(field >> 8);
        exif.data[1] = static_cast<char>(field & 0xFF);
        ExifSegment = &exif;
    }
    SectionCnt = static_cast<int>(sections.size());
    if (ExifSegment) {
        createExifObj();
        llData = ExifSegment->data;
        try {
            ProcessEXIF();
        } catch (...) {
            return false; // as for a JPEG whose main directory cannot be decoded
        }
    }
    return HasMetaData() || !xmpSegments.empty() || !found.icc.empty();
}

bool TimgData::ReadJpegFile(const std::filesystem::path &FileName)
{
    TiffFmt = false;
    FileByteSource source;
    if (!source.open(FileName)) {
        m_openFailed = true;
        return false;
    }
    return ReadJpegSections(source);
}

bool TimgData::ReadTiffFile(const std::filesystem::path &FileName)
{
    TiffFmt = true;
    FileByteSource source;
    bool ok = false;
    if (source.open(FileName))
        ok = ReadTiffSections(source);
    else
        m_openFailed = true;
    TiffFmt = false;
    return ok;
}

bool TimgData::ReadJpegSections(ByteSource &stream)
{
    photoKind = PhotoKind::Jpeg;
    try {
        return walkJpeg(stream);
    } catch (...) {
        return false;
    }
}

bool TimgData::ReadTiffSections(ByteSource &stream)
{
    photoKind = PhotoKind::Tiff;
    try {
        return readTiffWindow(stream);
    } catch (...) {
        return false;
    }
}

void TimgData::createExifObj()
{
    ExifObj = std::make_unique<TImageInfo>(this, BuildList, m_options, m_makerNotes);
    ExifObj->TraceLevel = TraceLevel;
}

bool TimgData::walkJpeg(ByteSource &stream)
{
    if (readByte(stream) != 0xFF || readByte(stream) != 0xD8)
        return false;
    ExifSegment = IPTCSegment = CommentSegment = HeaderSegment = nullptr;
    sections.clear();
    SectionCnt = 0;
    for (;;) {
        tSection segment;
        switch (readSegment(stream, segment)) {
        case SegmentRead::End:
            return HasMetaData();
        case SegmentRead::Broken:
            return false;
        case SegmentRead::Read:
            break;
        }
        const int marker = segment.dtype;
        // An APP1 past the fifth slot or after the EXIF block takes no slot;
        // only its XMP is kept.
        if (marker == 0xE1 && (SectionCnt >= 5 || ExifSegment)) {
            keepXmp(segment);
            continue;
        }
        tSection &slot = sections.emplace_back(std::move(segment));
        SectionCnt = static_cast<int>(sections.size());

        if (SectionCnt == 5 && !HasMetaData())
            return false;
        if (marker == 0xD9 || marker == 0xDA)
            return HasMetaData();
        switch (marker) {
        case 0xE0:
            HeaderSegment = &slot;
            break;
        case 0xE1:
            ExifSegment = &slot;
            createExifObj();
            llData = slot.data;
            try {
                ProcessEXIF();
            } catch (...) {
                // The read fails as before, but the XMP further on is still
                // the photo's and goes with whatever is carried.
                collectLaterXmp(stream);
                throw;
            }
            break;
        case 0xED:
            if (!IPTCSegment) {
                IPTCSegment = &slot;
                IptcObj = std::make_unique<TIPTCdata>(this);
            }
            break;
        case 0xFE:
            CommentSegment = &slot;
            break;
        default:
            break;
        }
    }
}

void TimgData::keepXmp(const tSection &section)
{
    size_t kept = 0;
    for (const tSection &s : xmpSegments)
        kept += s.data.size();
    if (isXmpSegment(section) && kept + section.data.size() <= kMaxXmpBytes)
        xmpSegments.push_back(section);
}

// The rest of the segments before the image data, for their XMP only, when
// the walk cannot go on; none of them enters the section table.
void TimgData::collectLaterXmp(ByteSource &stream)
{
    tSection section;
    std::string skipped;
    for (;;) {
        int marker = 0;
        do {
            marker = readByte(stream);
        } while (marker == 0xFF);
        if (marker < 0 || marker == 0xD9 || marker == 0xDA)
            return;
        unsigned char length[2];
        if (readFully(stream, reinterpret_cast<char *>(length), 2) != 2)
            return;
        const size_t size = static_cast<size_t>(length[0] << 8 | length[1]);
        if (size < 2)
            return;
        std::string &data = marker == 0xE1 ? section.data : skipped;
        data.assign(size, '\0');
        data[0] = static_cast<char>(length[0]);
        data[1] = static_cast<char>(length[1]);
        if (readFully(stream, data.data() + 2, size - 2) != size - 2)
            return; // a cut piece of XMP would not parse
        if (marker == 0xE1) {
            section.dtype = marker;
            section.size = static_cast<int>(size);
            keepXmp(section);
        }
    }
}

void TimgData::ProcessEXIF()
{
    if (!ExifObj)
        createExifObj();
    if (llData.size() < 7 || llData.compare(2, 5, std::string("Exif\0", 5)) != 0) {
        ErrStr = "Incorrect Exif header";
        return;
    }
    const std::string mark = llData.size() >= 10 ? llData.substr(8, 2) : std::string();
    if (mark == "II") {
        MotorolaOrder = false;
    } else if (mark == "MM") {
        MotorolaOrder = true;
    } else {
        ErrStr = "Invalid Exif alignment marker";
        return;
    }
    ExifObj->TraceStr.clear();
    ExifObj->SetDataBuff(llData);
    ExifObj->MotorolaOrder = MotorolaOrder;
    const int64_t first = Get32s(12);
    ExifObj->ProcessExifDir(first == 0 ? 16 : 8 + first, 8, TImageInfo::MainDir);
    ExifObj->Calc35Equiv();
}

bool TimgData::readTiffWindow(ByteSource &stream)
{
    char mark[2];
    if (readFully(stream, mark, 2) != 2 || !((mark[0] == 'I' && mark[1] == 'I') || (mark[0] == 'M' && mark[1] == 'M')))
        return false;
    char header[6];
    readFully(stream, header, sizeof header);

    sections.clear();
    tSection &slot = sections.emplace_back();
    slot.data.assign(kTiffWindow, '\0');
    readFully(stream, slot.data.data(), kTiffWindow);
    slot.dtype = 0;
    slot.size = static_cast<int>(kTiffWindow);
    SectionCnt = 1;
    ExifSegment = &slot;

    createExifObj();
    ExifObj->TiffFmt = true;
    ExifObj->TraceStr.clear();
    MotorolaOrder = mark[0] == 'M';
    llData = slot.data;
    ExifObj->SetDataBuff(slot.data);
    ExifObj->MotorolaOrder = MotorolaOrder;
    // The first directory is taken to follow the header; TIFF offset x is
    // window position x - 8.
    ExifObj->ProcessExifDir(0, -8, TImageInfo::MainDir);
    ExifObj->Calc35Equiv();
    return true;
}

int TimgData::exifOrientation() const
{
    if (!HasEXIF() || !ExifObj || containerTurned)
        return 1;
    const int32_t orientation = ExifObj->GetRawInt("Orientation");
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

std::string TimgData::GetCommentStr() const
{
    if (!CommentSegment || CommentSegment->size < 2 || CommentSegment->data.size() < 2)
        return {};
    return CommentSegment->data.substr(2, static_cast<size_t>(CommentSegment->size - 2));
}

} // namespace kelvra
