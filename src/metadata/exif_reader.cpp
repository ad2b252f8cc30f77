// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/exif_reader.h"

#include "metadata/maker_note.h"

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
            return false;
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
    try {
        return walkJpeg(stream);
    } catch (...) {
        return false;
    }
}

bool TimgData::ReadTiffSections(ByteSource &stream)
{
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
    if (!HasEXIF() || !ExifObj)
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
