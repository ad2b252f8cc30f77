// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobs/batch_run.h"
#include "jobs/run_log.h"
#include "ui/user_dialogs.h"

#include <QString>

#include <optional>

namespace kelvra {

// The window's words for a failure the jobs report as a code; each text goes
// through the translation of the window it is shown in.
QString failureMessage(const BatchPhotoResult &result);
// Why a photo was stamped with a warning; empty when it was not.
QString warningMessage(const BatchPhotoResult &result);

// A message box to show: its kind, its text and the longer list that goes
// into its details area (empty for none).
struct UserMessage
{
    MessageKind kind = MessageKind::Information;
    QString text;
    QString details;
};

// What the window says at the end of a run into folder. A run in which
// every photo was written cleanly reads "Process finished. See photos in"
// and the folder; otherwise the text adds the counts and the details list
// each photo that failed, was copied unchanged, was stamped with a warning or
// was skipped, with its reason. A cancelled run says how many photos it
// wrote and where.
// photoCount is the length of the list the run was given.
std::optional<UserMessage> runFinishedMessage(const BatchReport &report, const QString &folder, int photoCount);

// The photos a run left on the disk: stamped, or copies.
int writtenPhotos(const BatchReport &report);

// What "Save As..." says when its photo was not plainly saved; nothing when it was.
std::optional<UserMessage> saveAsMessage(const BatchPhotoResult &result);

// The question "Undo Last Run..." asks before it deletes anything: the run's
// output folder, how many photos it wrote and how many files it replaced.
QString undoQuestion(const RunLogContents &run);

// What the window says once a run is undone: how many files were deleted and
// put back, and in the details every file left, with the reason.
UserMessage undoFinishedMessage(const UndoReport &report);

} // namespace kelvra
