// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/failure_text.h"

#include "jobs/photo_list.h"

#include <QJsonObject>

#include <vector>

namespace kelvra::cli {

// The photo a listing left out, as a report gives it: a named file without a
// photo name is skipped as the batch would skip it, a missing one failed.
ReportedPhoto leftOutPhoto(const LeftOutInput &input);

// Every input named, in the order given: the batch's results where it reached
// the photos (results in list order, as RunBatch and PlanBatch give them), the
// inputs it never got in their places, and as stopped the photos after the
// last result.
std::vector<ReportedPhoto> reportedPhotos(const PhotoInputs &inputs, const std::vector<BatchPhotoResult> &results);

// What a run did, or would have done had it found a photo.
struct RunOutcome
{
    std::vector<ReportedPhoto> photos;
    bool cancelled = false;
    QString runLog;

    int count(PhotoOutcome outcome) const;
    int count(LeftOut why) const;
    int warned() const; // stamped with a warning
    // Plain copies on the disk, those of photos whose stamping failed too.
    int copied() const;
};

// One line of --verbose: what became of the photo and where it went.
QString resultLine(const ReportedPhoto &photo);

// What the folders given left out (notJpeg, hidden, danglingLinks,
// earlierOutputs), added to a report's totals.
void addFolderTotals(QJsonObject &totals, const PhotoInputs &inputs);

// "in: 1 non-JPEG file, 2 hidden files and 1 dangling link skipped", or
// nothing when the folder gave up nothing.
QString folderLine(const FolderSkips &folder);

// Warnings, failures and named files that were not photos, one a line on
// standard error, whatever else the run prints.
void printProblems(const RunOutcome &run);

// The run's report as JSON on standard output.
void printRunJson(const QString &outputFolder, const PhotoInputs &inputs, const RunOutcome &run);

// The counts and where the photos went, on standard output.
void printSummary(const QString &outputFolder, const RunOutcome &run);

} // namespace kelvra::cli
