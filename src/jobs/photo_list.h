// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace kelvra {

// Why an input named on its own is not among the photos.
enum class InputProblem {
    Missing, // nothing under that name
    DanglingLink, // a link whose target does not exist (target says which)
    NotAFile, // a device, a pipe, a socket
    NotJpegName, // a file whose name is not a photo name (JPEG, HEIC, PNG, TIFF, WebP)
};

struct LeftOutInput
{
    QString path; // absolute and clean
    InputProblem problem = InputProblem::Missing;
    QString target; // DanglingLink: where the link points
    qsizetype position = 0; // how many photos are queued before it
};

// What the listing of one folder given left out, and why.
struct FolderSkips
{
    QString folder; // as given
    int notJpeg = 0; // files without a photo name
    int hidden = 0; // hidden files, and with recursive hidden folders (each counted once)
    int danglingLinks = 0;
};

struct PhotoInputs
{
    QStringList photos; // absolute paths, in the order given
    // The inputs named on their own that are not photos, with their place
    // among the photos, so a report can keep the order given.
    std::vector<LeftOutInput> leftOut;
    std::vector<FolderSkips> folders;
    // Files of the folders given that earlier runs wrote, or that lie in the
    // output folder: never taken for photos.
    int earlierOutputs = 0;
};

// What a folder listing never takes: the output folder (everything below it,
// where it lies inside the folder listed) and the files earlier runs wrote
// into it.
struct EarlierOutputs
{
    QString outputFolder;
    // Asked for once a folder is listed, not before: photos named one by one
    // (a script's loop) spare reading every run log ever written.
    std::function<QStringList()> files;
};

// The photos a list of inputs names, as absolute clean paths, a photo named
// twice only where first named: a file with a photo name as it is, a folder
// by its photo-named files sorted by name, and with recursive those of every
// subfolder too (sorted by their path below the folder; links to folders are
// not followed). A file named on its own is taken whatever `outputs` says:
// the user asked for it.
PhotoInputs listPhotos(const QStringList &inputs, bool recursive = false, const EarlierOutputs *outputs = nullptr);

} // namespace kelvra
