// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/failure_messages.h"

#include <QCoreApplication>
#include <QDir>

namespace kelvra {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TForm1", text);
}

// The file system's or codec's own words, or ours when it gave none.
QString detailOr(const QString &detail, const char *fallback)
{
    return detail.isEmpty() ? tr(fallback) : detail;
}

// Which step of a copy or write failed, with the system's words after it.
QString fileMessage(FileError error, const QString &path, const QString &detail, const char *fallback)
{
    QString text;
    switch (error) {
    case FileError::None:
        return detailOr(detail, fallback);
    case FileError::CreateFailed:
        text = tr("The file %1 cannot be created.").arg(path);
        break;
    case FileError::WriteFailed:
        text = tr("The file %1 cannot be written.").arg(path);
        break;
    case FileError::PermissionsNotKept:
        text = tr("The permissions of %1 cannot be kept.").arg(path);
        break;
    case FileError::FlushFailed:
        text = tr("The file %1 cannot be flushed to the disk.").arg(path);
        break;
    case FileError::ReplaceFailed:
        text = tr("The file %1 cannot be replaced.").arg(path);
        break;
    case FileError::CopyFailed:
        text = tr("The photo cannot be copied to %1.").arg(path);
        break;
    }
    return detail.isEmpty() ? text : text + u' ' + detail;
}

// The imaging layer's reason; the codec's or system's words where it gave them.
QString imageMessage(ImageError error, const QString &detail, const char *fallback)
{
    switch (error) {
    case ImageError::None:
    case ImageError::Library:
    case ImageError::FileUnreadable:
    case ImageError::FileUnwritable:
    case ImageError::NoReader:
        return detailOr(detail, fallback);
    case ImageError::NoData:
        return tr("The file holds no JPEG data.");
    case ImageError::FileTooLarge:
        return tr("The file is too large.");
    case ImageError::PictureTooLarge:
        return tr("The picture is too large.");
    case ImageError::TooManyScans:
        return tr("The file has too many progressive scans.");
    case ImageError::UnsupportedScale:
        return tr("The picture cannot be reduced to this scale.");
    case ImageError::NoMemory:
        return tr("There is not enough memory for the picture.");
    case ImageError::DecoderStalled:
        return tr("The file ends too early.");
    case ImageError::UnexpectedLayout:
        return tr("The picture's colours cannot be read.");
    case ImageError::SizeNotEncodable:
        return tr("A picture of this size cannot be saved as JPEG.");
    case ImageError::EncodedTooLarge:
        return tr("The saved picture would be too large.");
    case ImageError::PaintRefused:
        return tr("The label cannot be drawn on the picture.");
    case ImageError::NoPicture:
        return tr("There is no picture to save.");
    }
    return detailOr(detail, fallback);
}

} // namespace

QString failureMessage(const BatchPhotoResult &r)
{
    const QString path = QDir::toNativeSeparators(r.path);
    switch (r.error) {
    case BatchError::None:
        break;
    case BatchError::NotJpegName:
        return tr("This is not a JPEG file name.");
    case BatchError::Unreadable:
        return imageMessage(r.imageError, r.detail, "The photo cannot be read.");
    case BatchError::NameOutsideFolder:
        return tr("The name \"%1\" would lie outside the output folder.").arg(path);
    case BatchError::FolderNotCreated:
        return tr("The folder %1 cannot be created.").arg(path);
    case BatchError::NoFreeName:
        return tr("No free name is left after %1.").arg(path);
    case BatchError::WouldReplaceSource:
        return tr("The output would replace the source photo.");
    case BatchError::CopyFailed:
        return fileMessage(r.fileError, path, r.detail, "The photo cannot be copied.");
    case BatchError::Undecodable:
        return imageMessage(r.imageError, r.detail, "The photo cannot be decoded.");
    case BatchError::NoMemoryForLabel:
        return tr("There is not enough memory to draw the label.");
    case BatchError::EncodeFailed:
        return imageMessage(r.imageError, r.detail, "The photo cannot be encoded.");
    case BatchError::WriteFailed:
        return fileMessage(r.fileError, path, r.detail, "The photo cannot be written.");
    case BatchError::EmptyMask:
        return tr("The file name mask is empty.");
    case BatchError::NotAPhoto:
        return tr("This file is not a JPEG photo; nothing was written.");
    }
    return QString();
}

} // namespace kelvra
