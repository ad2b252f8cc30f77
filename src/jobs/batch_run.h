// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/image_error.h"
#include "jobs/run_log.h"
#include "platform/atomic_file.h"
#include "stamp/format_settings.h"
#include "stamp/stamp_settings.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <atomic>
#include <vector>

namespace kelvra {

enum class PhotoOutcome {
    Stamped, // label drawn, written with the source's metadata
    Copied, // copied under its new name, unchanged
    Skipped, // not a photo name, or the conflict rule said so: nothing done
    Failed, // see error; a plain copy may stand under the output name
};

// Why a photo was skipped or failed; the window and the command line make
// their own sentence of it.
enum class BatchError {
    None,
    NotJpegName, // skipped
    Unreadable, // the source cannot be read
    NameOutsideFolder, // path: the expanded name
    FolderNotCreated, // path: the folder
    NoFreeName, // path: the last name tried
    WouldReplaceSource, // path: the output
    CopyFailed, // path: the output
    Undecodable, // neither the decoder nor the toolkit's readers take the data
    NoMemoryForLabel,
    EncodeFailed,
    WriteFailed, // path: the output
    EmptyMask, // the rename mask is empty: nothing written
    NotAPhoto, // no JPEG start of image: nothing written
    OutputExists, // skipped: a file holds the output's name (path) and the rule is Skip
};

// Why a photo counts as stamped with a warning.
enum class BatchWarning {
    None,
    DamagedData, // the decoder's words in BatchPhotoResult::warning
    EmptyCaption, // the caption expands to nothing for this photo
    LabelTooSmall, // the label would be under kMinLabelHeight pixels high
};

// A label lower than this cannot be read on any print or screen.
constexpr int kMinLabelHeight = 4;

struct BatchPhotoResult
{
    QString source;
    QString output; // empty when no output path was reached
    PhotoOutcome outcome = PhotoOutcome::Skipped;
    BatchError error = BatchError::None;
    QString path; // the path that failed, see BatchError
    // For Unreadable, Undecodable, NoMemoryForLabel and EncodeFailed: what the
    // imaging layer reported.
    ImageError imageError = ImageError::None;
    QString detail; // the codec's or file system's own words, may be empty
    // For CopyFailed and WriteFailed: the step of the copy or write that
    // failed, and path is the file that step worked on.
    FileError fileError = FileError::None;
    // Failed while stamping: the source stands unchanged under output.
    bool copiedUnchanged = false;
    // Stamped, but with no readable label, or the decoder warned of damaged
    // data (a cut-off file, say: part of the picture may be grey; warning
    // then holds its first warning).
    BatchWarning warningCode = BatchWarning::None;
    QString warning;
    // What a file that held the output's name became; wanted is that name.
    ExistingOutcome existing = ExistingOutcome::None;
    QString wanted;
    // The output as written, for the run log.
    qint64 outputSize = -1;
    QByteArray outputSha256;
};

// How a run reports progress and learns of a cancel. Every call comes on the
// thread that called RunBatch, which is never the window's: a window runs the
// batch on a thread of its own and adapts these calls to queued signals, so
// progress, per-photo results and the end reach it as values. The calls must
// not block for long; the run waits for its workers on a condition, never by
// polling.
class BatchProgress
{
public:
    virtual ~BatchProgress() = default;
    virtual void ProgressStart() { }
    // Before photo `position` (1-based) of `maximum` is handed out; false
    // cancels the run there. Photos already started are finished. Only
    // numbers: the text a person reads is the caller's, in its language.
    virtual bool ProgressStep(int position, int maximum) = 0;
    // Once per photo when it is done, in the order they finish.
    virtual void photoFinished(const BatchPhotoResult &) { }
    virtual void ProgressEnd() { }
};

// An output name decided before the run, and whether the conflict rule
// said to replace the file that held it then.
struct PlannedName
{
    QString output;
    bool replace = false;
};

struct BatchJob
{
    StampSettings settings;
    AppOptions options;
    FormatSettings format;
    int jobs = 0; // photos stamped at once; 0 for one per processor core
    // Set from any thread to stop the run before its next photo; photos
    // already started are finished. Not owned; may be null.
    const std::atomic<bool> *cancel = nullptr;
    // Where the run log goes: empty for the data folder's runs folder.
    QString runLogFolder;
    // The output folder was made for this run, so undo may remove it.
    bool outputFolderIsNew = false;
    QString plan; // the id of the plan this run carries out, named in its log
    // Names a plan decided, one per photo of the list; empty: the run names.
    std::vector<PlannedName> planned;
    // Outputs earlier runs of the same plan wrote, with their SHA-256: a
    // shard run again leaves those still as written and writes the rest.
    QHash<QString, QByteArray> writtenBefore;
    int counterStart = 1; // the running number of the list's first photo
};

struct BatchReport
{
    bool cancelled = false;
    std::vector<BatchPhotoResult> photos; // list order; only photos handed out
    QString runLog; // the log's id; empty when none was written
    QString runLogError; // why no log could be written

    int count(PhotoOutcome outcome) const;
    int warned() const; // stamped with a warning
    // Outputs that are plain copies of their source: those copied on purpose
    // and those whose stamping failed after the copy stood.
    int copied() const;
};

// The Start command without its dialogs: every photo of photoList into
// outputFolder. Naming, collision checks and copies happen in list order on
// the calling thread; decoding, drawing, encoding and writing of stamped
// photos run on `jobs` workers, at most one photo per worker at a time. A
// failure ends only its own photo.
BatchReport RunBatch(
    const QStringList &photoList, const QString &outputFolder, const BatchJob &job, BatchProgress *progress);

// What RunBatch would do with the same arguments, without writing anything:
// per photo its output name and outcome (Stamped or Copied) with what the
// conflict rule does to a file in the way, or why it would be skipped or fail. Failures of the disk itself (a folder
// that cannot be made, a full disk) show only in a real run.
std::vector<BatchPhotoResult> PlanBatch(const QStringList &photoList, const QString &outputFolder, const BatchJob &job);

// "Save As...": runs on the calling thread, which is not the window's (the
// window starts it on a worker and takes the result back as a value). The previewed photo stamped (when the stamp task
// is ticked) or copied to exactly target.
BatchPhotoResult SaveStampedAs(const QString &source, const QString &target, const BatchJob &job);

// A stable lowercase name for reports and plans: stamped, copied, skipped, failed.
const char *photoOutcomeName(PhotoOutcome outcome);

} // namespace kelvra
