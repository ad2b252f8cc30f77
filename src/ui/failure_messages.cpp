// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/failure_messages.h"

#include "ui/path_label.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include <algorithm>

namespace kelvra {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TForm1", text);
}

// Our sentence in the interface language, the library's or system's own
// words after it in brackets.
QString withWords(const QString &sentence, const QString &detail)
{
    return detail.isEmpty() ? sentence : sentence + QStringLiteral(" (") + detail + u')';
}

// Which step of a copy or write failed, with the system's words after it.
QString fileMessage(FileError error, const QString &path, const QString &detail, const char *fallback)
{
    QString text;
    switch (error) {
    case FileError::None:
        return withWords(tr(fallback), detail);
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
    case FileError::NameTaken:
        text = tr("Another file holds the name %1.").arg(path);
        break;
    case FileError::MoveFailed:
        text = tr("The file %1 cannot be moved.").arg(path);
        break;
    }
    return withWords(text, detail);
}

// The imaging layer's reason; the codec's or system's words where it gave them.
QString imageMessage(ImageError error, const QString &detail, const char *fallback)
{
    switch (error) {
    case ImageError::FileUnreadable:
        return withWords(tr("The file cannot be read."), detail);
    case ImageError::NoReader:
        return withWords(tr("No image reader takes this file."), detail);
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
    case ImageError::None:
    case ImageError::Library:
        break;
    }
    return withWords(tr(fallback), detail);
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
        return imageMessage(r.imageError, r.detail, QT_TR_NOOP("The photo cannot be read."));
    case BatchError::NameOutsideFolder:
        return tr("The name \"%1\" would lie outside the output folder.").arg(path);
    case BatchError::FolderNotCreated:
        return tr("The folder %1 cannot be created.").arg(path);
    case BatchError::NoFreeName:
        return tr("No free name is left after %1.").arg(path);
    case BatchError::WouldReplaceSource:
        return tr("The output would replace the source photo.");
    case BatchError::CopyFailed:
        return fileMessage(r.fileError, path, r.detail, QT_TR_NOOP("The photo cannot be copied."));
    case BatchError::Undecodable:
        return imageMessage(r.imageError, r.detail, QT_TR_NOOP("The photo cannot be decoded."));
    case BatchError::NoMemoryForLabel:
        return tr("There is not enough memory to draw the label.");
    case BatchError::EncodeFailed:
        return imageMessage(r.imageError, r.detail, QT_TR_NOOP("The photo cannot be encoded."));
    case BatchError::WriteFailed:
        return fileMessage(r.fileError, path, r.detail, QT_TR_NOOP("The photo cannot be written."));
    case BatchError::EmptyMask:
        return tr("The file name mask is empty.");
    case BatchError::NotAPhoto:
        return tr("This file is not a JPEG photo; nothing was written.");
    case BatchError::OutputExists:
        return tr("%1 exists already, and existing files are skipped.").arg(path);
    }
    return QString();
}

QString warningMessage(const BatchPhotoResult &r)
{
    switch (r.warningCode) {
    case BatchWarning::None:
        break;
    case BatchWarning::DamagedData:
        return withWords(tr("The photo is damaged and part of it may be grey."), r.warning);
    case BatchWarning::EmptyCaption:
        return tr("The caption is empty for this photo.");
    case BatchWarning::LabelTooSmall:
        return tr("The label is too small to read.");
    }
    return QString();
}

std::optional<UserMessage> runFinishedMessage(const BatchReport &report, const QString &folder, int photoCount)
{
    QStringList failed, copied, warned, skipped;
    int written = 0;
    for (const BatchPhotoResult &r : report.photos) {
        const QString source = QDir::toNativeSeparators(r.source);
        switch (r.outcome) {
        case PhotoOutcome::Stamped:
            ++written;
            if (r.warningCode != BatchWarning::None)
                warned << source + QStringLiteral(": ") + warningMessage(r);
            break;
        case PhotoOutcome::Copied:
            ++written;
            break;
        case PhotoOutcome::Skipped:
            skipped << source + QStringLiteral(": ") + failureMessage(r);
            break;
        case PhotoOutcome::Failed:
            written += r.copiedUnchanged ? 1 : 0; // the copy stands on the disk
            if (r.copiedUnchanged)
                copied << tr("%1: %2; copied unchanged as %3")
                              .arg(source, failureMessage(r), QDir::toNativeSeparators(r.output));
            else
                failed << source + QStringLiteral(": ") + failureMessage(r);
            break;
        }
    }
    const bool clean = failed.isEmpty() && copied.isEmpty() && warned.isEmpty() && skipped.isEmpty();

    UserMessage message;
    message.text = report.cancelled
        ? tr("Process cancelled after %1 of %2 photos.").arg(report.photos.size()).arg(photoCount) + u'\n'
            + tr("Photos written: %1, in %2").arg(written).arg(pathInText(folder))
        : tr("Process finished. See photos in") + u' ' + pathInText(folder);
    if (clean)
        return message;

    message.kind = failed.isEmpty() && copied.isEmpty() ? MessageKind::Information : MessageKind::Warning;
    QStringList counts { tr("Written: %1. Failed: %2.").arg(written).arg(failed.size() + copied.size()) };
    if (!copied.isEmpty())
        counts << tr("Copied unchanged because stamping failed: %1.").arg(copied.size());
    if (!warned.isEmpty())
        counts << tr("Stamped with a warning: %1.").arg(warned.size());
    if (!skipped.isEmpty())
        counts << tr("Skipped: %1.").arg(skipped.size());
    message.text += QStringLiteral("\n\n") + counts.join(u'\n');

    QStringList sections;
    auto section = [&sections](const QString &title, const QStringList &lines) {
        if (!lines.isEmpty())
            sections << title + u'\n' + lines.join(u'\n');
    };
    section(tr("Failed:"), failed);
    section(tr("Not stamped, copied unchanged:"), copied);
    section(tr("Stamped with a warning:"), warned);
    section(tr("Skipped:"), skipped);
    message.details = sections.join(QStringLiteral("\n\n"));
    return message;
}

int writtenPhotos(const BatchReport &report)
{
    return report.count(PhotoOutcome::Stamped) + report.copied();
}

std::optional<UserMessage> saveAsMessage(const BatchPhotoResult &r)
{
    const QString output = QDir::toNativeSeparators(r.output.isEmpty() ? r.source : r.output);
    switch (r.outcome) {
    case PhotoOutcome::Stamped:
        if (r.warningCode == BatchWarning::None)
            return std::nullopt;
        if (r.warningCode == BatchWarning::DamagedData)
            return UserMessage { MessageKind::Warning,
                tr("%1 was saved, but the photo is damaged and part of it may be grey: %2").arg(output, r.warning),
                {} };
        return UserMessage { MessageKind::Warning, output + u' ' + warningMessage(r), {} };
    case PhotoOutcome::Copied:
        return std::nullopt;
    case PhotoOutcome::Skipped:
    case PhotoOutcome::Failed:
        break;
    }
    if (r.copiedUnchanged)
        return UserMessage { MessageKind::Error,
            tr("The photo was not stamped (%1); it was saved unchanged as %2.").arg(failureMessage(r), output), {} };
    return UserMessage { MessageKind::Error, tr("Unable to save %1: %2").arg(output, failureMessage(r)), {} };
}

QString undoQuestion(const RunLogContents &run)
{
    const auto replaced = std::count_if(run.photos.begin(), run.photos.end(),
        [](const RunLogPhoto &p) { return p.existing == ExistingOutcome::Replaced; });
    QString text = tr("Undo the run into %1?").arg(QDir::toNativeSeparators(run.outputFolder)) + QStringLiteral("\n\n")
        + tr("Photos it wrote, to be deleted: %1.").arg(run.outputs());
    if (replaced > 0)
        text += u'\n' + tr("Files it replaced, to be put back: %1.").arg(replaced);
    return text + QStringLiteral("\n\n") + tr("A photo changed since the run is left as it is.");
}

UserMessage undoFinishedMessage(const UndoReport &report)
{
    UserMessage message;
    switch (report.status) {
    case UndoReport::Status::NoRun:
        message.text = tr("No run is left to undo.");
        return message;
    case UndoReport::Status::AlreadyUndone:
        message.text = tr("The run into %1 was undone already.").arg(QDir::toNativeSeparators(report.run.outputFolder));
        return message;
    case UndoReport::Status::Done:
    case UndoReport::Status::LogUnwritable:
        break;
    }
    QStringList left, gone;
    for (const UndoStep &step : report.steps) {
        const QString path = QDir::toNativeSeparators(step.path);
        switch (step.what) {
        case UndoStep::What::Removed:
        case UndoStep::What::Restored:
        case UndoStep::What::FolderRemoved:
            break;
        case UndoStep::What::Changed:
            left << tr("%1: changed since the run").arg(path);
            break;
        case UndoStep::What::NotRestored:
            // The step's path is where the old file waits, its detail the name it had.
            left << tr("%1: could not be put back, it waits at %2").arg(QDir::toNativeSeparators(step.detail), path);
            break;
        case UndoStep::What::Failed:
            left << tr("%1: could not be deleted").arg(path);
            break;
        case UndoStep::What::NoLongerKept:
            left << tr("%1: the file it replaced is no longer kept").arg(path);
            break;
        case UndoStep::What::Gone:
            gone << path;
            break;
        }
    }
    message.text = tr("The run into %1 is undone.").arg(QDir::toNativeSeparators(report.run.outputFolder));
    QStringList counts { tr("Deleted: %1. Put back: %2.")
                             .arg(report.count(UndoStep::What::Removed))
                             .arg(report.count(UndoStep::What::Restored)) };
    if (!left.isEmpty())
        counts << tr("Left as they are: %1.").arg(left.size());
    if (!gone.isEmpty())
        counts << tr("Already gone: %1.").arg(gone.size());
    message.text += QStringLiteral("\n\n") + counts.join(u'\n');
    if (report.status == UndoReport::Status::LogUnwritable) {
        message.text += QStringLiteral("\n\n")
            + tr("The run log %1 cannot be written, so the run is not marked as undone.")
                  .arg(QDir::toNativeSeparators(report.run.path));
    }
    QStringList sections;
    if (!left.isEmpty())
        sections << tr("Left as they are:") + u'\n' + left.join(u'\n');
    if (!gone.isEmpty())
        sections << tr("Already gone:") + u'\n' + gone.join(u'\n');
    message.details = sections.join(QStringLiteral("\n\n"));
    message.kind
        = left.isEmpty() && report.status == UndoReport::Status::Done ? MessageKind::Information : MessageKind::Warning;
    return message;
}

} // namespace kelvra
