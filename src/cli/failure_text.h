// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobs/batch_run.h"
#include "jobs/preview_job.h"
#include "stamp/file_mask.h"

#include <QString>

namespace kelvra::cli {

// The English of a failure the layers below report as a code: the one place
// the command line makes such sentences (the window makes translated ones).
QString failureText(ImageError error, const QString &detail);
QString failureText(PreviewError error, const QString &path, const QString &detail, ImageError imageError);
QString failureText(FileError error, const QString &path, const QString &detail);
QString failureText(const BatchPhotoResult &result);
// Why a photo counts as stamped with a warning; empty when it does not.
QString warningText(const BatchPhotoResult &result);

// A code's name for machine-read reports: lowercase, never translated, kept
// from one version to the next.
const char *batchErrorName(BatchError error);
const char *batchWarningName(BatchWarning warning);

// What is wrong with a mask, empty when nothing is.
QString maskMistakeText(const MaskCheck &check, const QString &mask);

// Why the command line never handed a photo to the batch.
enum class LeftOut {
    No,
    Missing, // named, but nothing has that name: failed
    DanglingLink, // named, a link to nothing: failed
    NotAFile, // named, a device or a pipe: failed
    Stopped, // a signal stopped the run before it started: skipped
};

// One photo of a report or a plan: what the batch did with it, or why it
// never reached the batch (result.source and result.outcome set then).
struct ReportedPhoto
{
    ReportedPhoto() = default;
    explicit ReportedPhoto(const BatchPhotoResult &batchResult)
        : result(batchResult)
    {
    }

    BatchPhotoResult result;
    LeftOut leftOut = LeftOut::No;
    QString target; // DanglingLink: where the link points
};

// The photo's reason in English, empty when there is none; and its code,
// finer than batchErrorName where the command line knows more ("missing",
// "stopped", "name-too-long", "name-has-drive", ...).
QString failureText(const ReportedPhoto &photo);
const char *errorName(const ReportedPhoto &photo);

} // namespace kelvra::cli
