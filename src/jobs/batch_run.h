// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stamp/format_settings.h"
#include "stamp/stamp_settings.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace kelvra {

enum class PhotoOutcome {
    Stamped, // label drawn, written with the source's metadata
    Copied,  // copied under its new name, unchanged
    Skipped, // not a JPEG name: nothing done
    Failed,  // see reason; a plain copy may stand under the output name
};

struct BatchPhotoResult
{
    QString source;
    QString output; // empty when no output path was reached
    PhotoOutcome outcome = PhotoOutcome::Skipped;
    QString reason;
};

// How a run reports progress and learns of a cancel. Every call comes on the
// thread that called RunBatch; a window repaints and lets its events run
// inside ProgressStep.
class BatchProgress
{
public:
    virtual ~BatchProgress() = default;
    virtual void ProgressStart() {}
    // Before photo `position` (1-based) of `maximum` is handed out; false
    // cancels the run there. Photos already started are finished.
    virtual bool ProgressStep(const QString &text, int position, int maximum) = 0;
    // Once per photo when it is done, in the order they finish.
    virtual void photoFinished(const BatchPhotoResult &) {}
    virtual void ProgressEnd() {}
};

struct BatchJob
{
    StampSettings settings;
    AppOptions options;
    FormatSettings format;
    int jobs = 0; // photos stamped at once; 0 for one per processor core
};

struct BatchReport
{
    bool cancelled = false;
    std::vector<BatchPhotoResult> photos; // list order; only photos handed out

    int count(PhotoOutcome outcome) const;
};

// The Start command without its dialogs: every photo of photoList into
// outputFolder. Naming, collision checks and copies happen in list order on
// the calling thread; decoding, drawing, encoding and writing of stamped
// photos run on `jobs` workers, at most one photo per worker at a time. A
// failure ends only its own photo.
BatchReport RunBatch(const QStringList &photoList, const QString &outputFolder, const BatchJob &job,
                     BatchProgress *progress);

// "Save As...": the previewed photo stamped (when the stamp task is ticked)
// or copied to exactly target.
BatchPhotoResult SaveStampedAs(const QString &source, const QString &target, const BatchJob &job);

// The text of the progress window for photo i (1-based) of n.
QString progressText(int i, int n);

} // namespace kelvra
