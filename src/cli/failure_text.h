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

} // namespace kelvra::cli
