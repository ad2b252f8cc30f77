// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/stamp_report.h"

#include "cli/plan_json.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <algorithm>

namespace kelvra::cli {

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QJsonObject resultJson(const ReportedPhoto &photo)
{
    QJsonObject json = photoJson(photo);
    json[QStringLiteral("warning")] = QLatin1String(batchWarningName(photo.result.warningCode));
    json[QStringLiteral("warningReason")] = warningText(photo.result);
    return json;
}

QString counted(int n, const char *one, const char *many)
{
    return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

} // namespace

QString resultLine(const ReportedPhoto &photo)
{
    const BatchPhotoResult &r = photo.result;
    QString line = QLatin1String(photoOutcomeName(r.outcome)) + QStringLiteral(": ") + native(r.source);
    if (!r.output.isEmpty())
        line += QStringLiteral(" -> ") + native(r.output);
    if (const QString reason = failureText(photo); !reason.isEmpty())
        line += QStringLiteral(": ") + reason;
    if (r.outcome == PhotoOutcome::Stamped && r.warningCode != BatchWarning::None)
        line += QStringLiteral(": with a warning: ") + warningText(r);
    if (r.existing == ExistingOutcome::Replaced)
        line += QStringLiteral(" (replaced the file there; undo puts it back)");
    if (r.existing == ExistingOutcome::WrittenBefore)
        line += QStringLiteral(" (written before by this plan: left as it is)");
    return line;
}

ReportedPhoto leftOutPhoto(const LeftOutInput &input)
{
    ReportedPhoto photo;
    photo.result.source = input.path;
    photo.result.outcome = PhotoOutcome::Failed;
    photo.target = input.target;
    switch (input.problem) {
    case InputProblem::NotJpegName:
        // As the batch itself would skip it.
        photo.result.outcome = PhotoOutcome::Skipped;
        photo.result.error = BatchError::NotJpegName;
        break;
    case InputProblem::Missing:
        photo.leftOut = LeftOut::Missing;
        break;
    case InputProblem::DanglingLink:
        photo.leftOut = LeftOut::DanglingLink;
        break;
    case InputProblem::NotAFile:
        photo.leftOut = LeftOut::NotAFile;
        break;
    }
    return photo;
}

std::vector<ReportedPhoto> reportedPhotos(const PhotoInputs &inputs, const std::vector<BatchPhotoResult> &results)
{
    std::vector<ReportedPhoto> all;
    auto leftOut = inputs.leftOut.begin();
    for (qsizetype i = 0; i <= inputs.photos.size(); ++i) {
        for (; leftOut != inputs.leftOut.end() && leftOut->position == i; ++leftOut)
            all.push_back(leftOutPhoto(*leftOut));
        if (i == inputs.photos.size())
            break;
        if (size_t(i) < results.size()) {
            all.emplace_back(results[size_t(i)]);
            continue;
        }
        ReportedPhoto stopped;
        stopped.result.source = inputs.photos.at(i);
        stopped.leftOut = LeftOut::Stopped;
        all.push_back(stopped);
    }
    return all;
}

void addFolderTotals(QJsonObject &totals, const PhotoInputs &inputs)
{
    int notJpeg = 0, hidden = 0, dangling = 0;
    for (const FolderSkips &folder : inputs.folders) {
        notJpeg += folder.notJpeg;
        hidden += folder.hidden;
        dangling += folder.danglingLinks;
    }
    totals[QStringLiteral("notJpeg")] = notJpeg;
    totals[QStringLiteral("hidden")] = hidden;
    totals[QStringLiteral("danglingLinks")] = dangling;
    totals[QStringLiteral("earlierOutputs")] = inputs.earlierOutputs;
}

QString folderLine(const FolderSkips &folder)
{
    QStringList parts;
    if (folder.notJpeg)
        parts << counted(folder.notJpeg, "non-JPEG file", "non-JPEG files");
    if (folder.hidden)
        parts << counted(folder.hidden, "hidden file", "hidden files");
    if (folder.danglingLinks)
        parts << counted(folder.danglingLinks, "dangling link", "dangling links");
    if (parts.isEmpty())
        return QString();
    const QString last = parts.takeLast();
    const QString list = parts.isEmpty() ? last : parts.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
    return native(folder.folder) + QStringLiteral(": ") + list + QStringLiteral(" skipped");
}

int RunOutcome::count(PhotoOutcome outcome) const
{
    return int(std::count_if(
        photos.begin(), photos.end(), [outcome](const ReportedPhoto &p) { return p.result.outcome == outcome; }));
}

int RunOutcome::count(LeftOut why) const
{
    return int(std::count_if(photos.begin(), photos.end(), [why](const ReportedPhoto &p) { return p.leftOut == why; }));
}

int RunOutcome::warned() const
{
    return int(std::count_if(photos.begin(), photos.end(), [](const ReportedPhoto &p) {
        return p.result.outcome == PhotoOutcome::Stamped && p.result.warningCode != BatchWarning::None;
    }));
}

int RunOutcome::copied() const
{
    return count(PhotoOutcome::Copied) + int(std::count_if(photos.begin(), photos.end(), [](const ReportedPhoto &p) {
        return p.result.outcome == PhotoOutcome::Failed && p.result.copiedUnchanged;
    }));
}

void printProblems(const RunOutcome &run)
{
    QTextStream err(stderr);
    for (const ReportedPhoto &photo : run.photos) {
        const BatchPhotoResult &r = photo.result;
        if (r.outcome == PhotoOutcome::Stamped && r.warningCode != BatchWarning::None)
            err << "stamped with a warning: " << native(r.source) << ": " << warningText(r) << '\n';
        else if (r.outcome == PhotoOutcome::Skipped && r.error == BatchError::NotJpegName)
            err << "skipped: " << native(r.source) << ": " << failureText(photo) << '\n';
        if (r.outcome != PhotoOutcome::Failed)
            continue;
        if (r.copiedUnchanged)
            err << "not stamped: " << native(r.source) << ": " << failureText(photo) << "; copied unchanged as "
                << native(r.output) << '\n';
        else
            err << "failed: " << native(r.source) << ": " << failureText(photo) << '\n';
    }
}

void printRunJson(const QString &outputFolder, const PhotoInputs &inputs, const RunOutcome &run)
{
    QJsonArray photos;
    for (const ReportedPhoto &photo : run.photos)
        photos.append(resultJson(photo));
    QJsonObject totals { { QStringLiteral("photos"), qint64(run.photos.size()) },
        { QStringLiteral("stamped"), run.count(PhotoOutcome::Stamped) }, { QStringLiteral("warned"), run.warned() },
        { QStringLiteral("copied"), run.copied() }, { QStringLiteral("skipped"), run.count(PhotoOutcome::Skipped) },
        { QStringLiteral("stopped"), run.count(LeftOut::Stopped) },
        { QStringLiteral("failed"), run.count(PhotoOutcome::Failed) } };
    addFolderTotals(totals, inputs);
    const QJsonObject root { { QStringLiteral("output"), absoluteNative(outputFolder) },
        { QStringLiteral("run"), run.runLog.isEmpty() ? QJsonValue() : QJsonValue(run.runLog) },
        { QStringLiteral("cancelled"), run.cancelled }, { QStringLiteral("photos"), photos },
        { QStringLiteral("totals"), totals } };
    QTextStream(stdout) << QJsonDocument(root).toJson(QJsonDocument::Indented);
}

void printSummary(const QString &outputFolder, const RunOutcome &run)
{
    QTextStream out(stdout);
    const int warned = run.warned();
    out << run.count(PhotoOutcome::Stamped) - warned << " stamped, ";
    if (warned)
        out << warned << " stamped with a warning, ";
    out << run.copied() << " copied, " << run.count(PhotoOutcome::Failed) << " failed";
    if (const int skipped = run.count(PhotoOutcome::Skipped)) {
        out << ", " << skipped << " skipped";
        if (const int stopped = run.count(LeftOut::Stopped))
            out << " (" << stopped << " stopped before they started)";
    }
    out << '\n';
    if (!run.cancelled)
        out << "photos in " << absoluteNative(outputFolder) << '\n';
}

} // namespace kelvra::cli
