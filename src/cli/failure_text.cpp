// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/failure_text.h"

#include "platform/file_ops.h"
#include "stamp/file_mask.h"

#include <QDir>

#include <system_error>

namespace kelvra::cli {

QString failureText(ImageError error, const QString &detail)
{
    if (detailSaysWhy(error))
        return detail;
    switch (error) {
    case ImageError::NoData:
        return QStringLiteral("no JPEG data");
    case ImageError::FileTooLarge:
        return QStringLiteral("file too large");
    case ImageError::PictureTooLarge:
        return QStringLiteral("picture too large");
    case ImageError::TooManyScans:
        return QStringLiteral("too many progressive scans");
    case ImageError::UnsupportedScale:
        return QStringLiteral("unsupported scale");
    case ImageError::NoMemory:
        return QStringLiteral("not enough memory for the picture");
    case ImageError::DecoderStalled:
        return QStringLiteral("decoder stalled");
    case ImageError::UnexpectedLayout:
        return QStringLiteral("unexpected output layout");
    case ImageError::SizeNotEncodable:
        return QStringLiteral("picture size cannot be encoded");
    case ImageError::EncodedTooLarge:
        return QStringLiteral("encoded picture too large");
    case ImageError::PaintRefused:
        return QStringLiteral("cannot draw on the picture");
    case ImageError::NoPicture:
        return QStringLiteral("no picture to encode");
    case ImageError::None:
    case ImageError::Library:
    case ImageError::FileUnreadable:
    case ImageError::NoReader:
        break;
    }
    return detail;
}

namespace {

QString imageText(ImageError error, const QString &detail, const char *fallback)
{
    const QString text = failureText(error, detail);
    return text.isEmpty() ? QString::fromLatin1(fallback) : text;
}

} // namespace

QString failureText(PreviewError error, const QString &path, const QString &detail, ImageError imageError)
{
    switch (error) {
    case PreviewError::None:
        break;
    case PreviewError::NotFound:
        return QStringLiteral("no such file: ") + path;
    case PreviewError::NotJpegName:
        return QStringLiteral("not a JPEG file name: ") + path;
    case PreviewError::Unreadable:
        return QStringLiteral("cannot read ") + path + QStringLiteral(": ")
            + imageText(imageError, detail, "no reader takes it");
    case PreviewError::Undecodable:
        return QStringLiteral("cannot decode ") + path + QStringLiteral(": ")
            + imageText(imageError, detail, "damaged data");
    }
    return QString();
}

QString failureText(FileError error, const QString &path, const QString &detail)
{
    const QString because = detail.isEmpty() ? QString() : QStringLiteral(": ") + detail;
    switch (error) {
    case FileError::None:
        break;
    case FileError::CreateFailed:
        return QStringLiteral("cannot create ") + path + because;
    case FileError::WriteFailed:
        return QStringLiteral("cannot write ") + path + because;
    case FileError::PermissionsNotKept:
        return QStringLiteral("cannot keep the permissions of ") + path + because;
    case FileError::FlushFailed:
        return QStringLiteral("cannot flush ") + path + because;
    case FileError::ReplaceFailed:
        return QStringLiteral("cannot replace ") + path + because;
    case FileError::CopyFailed:
        return QStringLiteral("cannot copy to ") + path + because;
    case FileError::NameTaken:
        return QStringLiteral("another file holds the name ") + path;
    case FileError::MoveFailed:
        return QStringLiteral("cannot move ") + path + because;
    }
    return QString();
}

namespace {

// The system's own words for a name too long, as a failed call gives them.
QString nameTooLongText()
{
    return QString::fromLocal8Bit(std::make_error_code(std::errc::filename_too_long).message());
}

// A write or a folder that failed for a name longer than the file system takes.
bool failedForLongName(const BatchPhotoResult &r)
{
    switch (r.error) {
    case BatchError::FolderNotCreated:
    case BatchError::CopyFailed:
    case BatchError::WriteFailed:
        return nameTooLong(r.path);
    case BatchError::None:
    case BatchError::NotJpegName:
    case BatchError::Unreadable:
    case BatchError::NameOutsideFolder:
    case BatchError::NoFreeName:
    case BatchError::WouldReplaceSource:
    case BatchError::Undecodable:
    case BatchError::NoMemoryForLabel:
    case BatchError::EncodeFailed:
    case BatchError::EmptyMask:
    case BatchError::NotAPhoto:
    case BatchError::OutputExists:
        break;
    }
    return false;
}

} // namespace

QString failureText(const BatchPhotoResult &r)
{
    const QString path = QDir::toNativeSeparators(r.path);
    const QString detail = r.detail;
    if (failedForLongName(r))
        return QStringLiteral("a name in %1 is too long for the file system: %2").arg(path, nameTooLongText());
    switch (r.error) {
    case BatchError::None:
        break;
    case BatchError::NotJpegName:
        return QStringLiteral("not a JPEG file name");
    case BatchError::Unreadable:
        return imageText(r.imageError, detail, "cannot read the photo");
    case BatchError::NameOutsideFolder:
        switch (outputNameProblem(r.path)) {
        case OutputNameProblem::Drive:
            return QStringLiteral("the name \"%1\" starts with a drive; names lie in the output folder").arg(r.path);
        case OutputNameProblem::EndsInSeparator:
            return QStringLiteral("the name \"%1\" ends in a folder separator, so it names no file").arg(r.path);
        case OutputNameProblem::NoName:
            return QStringLiteral("the name \"%1\" names no file").arg(r.path);
        case OutputNameProblem::None:
        case OutputNameProblem::LeavesFolder:
            break;
        }
        return QStringLiteral("the name \"%1\" would lie outside the output folder").arg(r.path);
    case BatchError::FolderNotCreated:
        return QStringLiteral("cannot create the folder %1").arg(path);
    case BatchError::NoFreeName:
        return QStringLiteral("no free name left after %1").arg(r.path);
    case BatchError::WouldReplaceSource:
        return QStringLiteral("the output would replace the source photo");
    case BatchError::CopyFailed:
    case BatchError::WriteFailed:
        return failureText(r.fileError, path, detail);
    case BatchError::EncodeFailed:
        return imageText(r.imageError, detail, "cannot encode the photo");
    case BatchError::Undecodable:
        return imageText(r.imageError, detail, "cannot decode the photo");
    case BatchError::NoMemoryForLabel:
        return QStringLiteral("no memory to draw the label");
    case BatchError::EmptyMask:
        return QStringLiteral("the rename mask is empty");
    case BatchError::NotAPhoto:
        return QStringLiteral("not a JPEG photo (no start of image), nothing written");
    case BatchError::OutputExists:
        return QStringLiteral("%1 exists already").arg(path);
    }
    return QString();
}

QString warningText(const BatchPhotoResult &r)
{
    switch (r.warningCode) {
    case BatchWarning::None:
        break;
    case BatchWarning::DamagedData:
        return r.warning;
    case BatchWarning::EmptyCaption:
        return QStringLiteral("the caption is empty for this photo");
    case BatchWarning::LabelTooSmall:
        return QStringLiteral("the label is too small to read");
    }
    return QString();
}

const char *batchWarningName(BatchWarning warning)
{
    switch (warning) {
    case BatchWarning::None:
        return "none";
    case BatchWarning::DamagedData:
        return "damaged-data";
    case BatchWarning::EmptyCaption:
        return "empty-caption";
    case BatchWarning::LabelTooSmall:
        return "label-too-small";
    }
    return "unknown";
}

const char *batchErrorName(BatchError error)
{
    switch (error) {
    case BatchError::None:
        return "none";
    case BatchError::NotJpegName:
        return "not-jpeg-name";
    case BatchError::Unreadable:
        return "unreadable";
    case BatchError::NameOutsideFolder:
        return "name-outside-folder";
    case BatchError::FolderNotCreated:
        return "folder-not-created";
    case BatchError::NoFreeName:
        return "no-free-name";
    case BatchError::WouldReplaceSource:
        return "would-replace-source";
    case BatchError::CopyFailed:
        return "copy-failed";
    case BatchError::Undecodable:
        return "undecodable";
    case BatchError::NoMemoryForLabel:
        return "no-memory-for-label";
    case BatchError::EncodeFailed:
        return "encode-failed";
    case BatchError::WriteFailed:
        return "write-failed";
    case BatchError::EmptyMask:
        return "empty-mask";
    case BatchError::NotAPhoto:
        return "not-a-photo";
    case BatchError::OutputExists:
        return "output-exists";
    }
    return "unknown";
}

QString maskMistakeText(const MaskCheck &check, const QString &mask)
{
    switch (check.problem) {
    case MaskProblem::None:
        break;
    case MaskProblem::UnknownField:
        return QStringLiteral("the mask has an unknown field ") + check.field
            + QStringLiteral(" (the fields: %o %n1..%n9 %dw %dy %wy %wm %y %m %d %h %n %s)");
    case MaskProblem::EndsInSeparator:
        return QStringLiteral("the mask ends in a folder separator, so the photos would have no name");
    case MaskProblem::Drive:
        return QStringLiteral("the mask starts with a drive (") + mask.trimmed().left(2)
            + QStringLiteral("); names lie in the output folder");
    }
    return QString();
}

QString failureText(const ReportedPhoto &photo)
{
    switch (photo.leftOut) {
    case LeftOut::No:
        break;
    case LeftOut::Missing:
        return QStringLiteral("no such file or folder");
    case LeftOut::DanglingLink:
        return QStringLiteral("a link to %1, which does not exist").arg(QDir::toNativeSeparators(photo.target));
    case LeftOut::NotAFile:
        return QStringLiteral("neither a file nor a folder");
    case LeftOut::Stopped:
        return QStringLiteral("stopped before it was started");
    }
    return photo.result.error == BatchError::None ? QString() : failureText(photo.result);
}

const char *errorName(const ReportedPhoto &photo)
{
    switch (photo.leftOut) {
    case LeftOut::No:
        break;
    case LeftOut::Missing:
        return "missing";
    case LeftOut::DanglingLink:
        return "dangling-link";
    case LeftOut::NotAFile:
        return "not-a-file";
    case LeftOut::Stopped:
        return "stopped";
    }
    const BatchPhotoResult &r = photo.result;
    if (failedForLongName(r))
        return "name-too-long";
    if (r.error == BatchError::NameOutsideFolder) {
        switch (outputNameProblem(r.path)) {
        case OutputNameProblem::Drive:
            return "name-has-drive";
        case OutputNameProblem::EndsInSeparator:
        case OutputNameProblem::NoName:
            return "name-without-file";
        case OutputNameProblem::None:
        case OutputNameProblem::LeavesFolder:
            break;
        }
    }
    return batchErrorName(r.error);
}

} // namespace kelvra::cli
