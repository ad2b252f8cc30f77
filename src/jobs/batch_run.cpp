// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/batch_run.h"

#include "imaging/label_renderer.h"
#include "imaging/photo_workspace.h"
#include "metadata/byte_source.h"
#include "metadata/exif_reader.h"
#include "metadata/exif_writer.h"
#include "platform/file_ops.h"
#include "platform/file_times.h"
#include "stamp/caption.h"
#include "stamp/file_mask.h"
#include "stamp/photo_values.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kelvra {

namespace {

// A photo that passed naming and waits to be stamped.
struct PlannedPhoto
{
    QString source;
    QString output;
    PhotoValues values;
    FileTimes sourceTimes;
};

// The file dates an output gets: the source's, cut to two seconds.
FileTimes outputTimes(const FileTimes &source)
{
    auto cut = [](std::optional<int64_t> seconds) -> std::optional<int64_t> {
        if (!seconds)
            return std::nullopt;
        return *seconds - ((*seconds % 2) + 2) % 2;
    };
    return FileTimes{cut(source.modification), cut(source.creation)};
}

int effectiveQuality(int jpgquality)
{
    return jpgquality >= 1 && jpgquality <= 100 ? jpgquality : 100;
}

QString withCollisionSuffix(const QString &path, int k)
{
    const QFileInfo info(path);
    const QString digits = QStringLiteral("%1").arg(k % 10000, 4, 10, QLatin1Char('0'));
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('_') + digits
           + QLatin1Char('.') + info.suffix();
}

// Naming state of one run: which outputs it has handed out, and to whom.
class OutputNames
{
public:
    bool takenByOther(const QString &output, const QString &source) const
    {
        auto it = m_owners.constFind(output);
        return it != m_owners.constEnd() && *it != source;
    }
    bool taken(const QString &output) const { return m_owners.contains(output); }
    void claim(const QString &output, const QString &source) { m_owners.insert(output, source); }

private:
    QHash<QString, QString> m_owners;
};

// The first free name after path: path_0001.ext, path_0002.ext, ...; nothing
// after _9999.
std::optional<QString> freeName(const QString &path, const OutputNames &names)
{
    for (int k = 1; k <= 9999; ++k) {
        const QString candidate = withCollisionSuffix(path, k);
        if (!QFileInfo::exists(candidate) && !names.taken(candidate))
            return candidate;
    }
    return std::nullopt;
}

// Everything before the pixels: naming, folders, the plain copy. Returns the
// plan when the photo is to be stamped; result says what happened otherwise.
std::optional<PlannedPhoto> preparePhoto(const QString &source, const QString &folder, const QString *saveAsTarget,
                                         int counter, const BatchJob &job, OutputNames &names,
                                         BatchPhotoResult &result)
{
    const StampSettings &s = job.settings;
    result.source = source;
    if (!IsJpegFileName(source)) {
        result.outcome = PhotoOutcome::Skipped;
        result.reason = QStringLiteral("not a JPEG file name");
        return std::nullopt;
    }
    auto fail = [&result](const QString &reason) {
        result.outcome = PhotoOutcome::Failed;
        result.reason = reason;
        return std::nullopt;
    };
    if (!QFileInfo(source).isFile())
        return fail(QStringLiteral("cannot read the photo"));

    PlannedPhoto plan;
    plan.source = source;
    plan.values = FillPhotoValues(source, job.options.GPSForm, job.format);
    plan.sourceTimes = readFileTimes(source);
    const QFileInfo sourceInfo(source);

    QString output;
    if (saveAsTarget) {
        output = *saveAsTarget;
    } else {
        const bool renaming = s.RenamePhotos;
        const QString expanded = renaming
            ? ExpandFileMask(s.FNMask, source, counter, plan.values.PhotoDate, job.format)
            : sourceInfo.completeBaseName() + job.options.FilePostfix + QLatin1Char('.') + sourceInfo.suffix();
        const std::optional<OutputName> name = splitOutputName(expanded);
        if (!name)
            return fail(QStringLiteral("the name \"%1\" would lie outside the output folder").arg(expanded));
        QString subfolder = folder;
        for (const QString &part : name->folders)
            subfolder += QLatin1Char('/') + part;
        if (!QDir().mkpath(subfolder))
            return fail(QStringLiteral("cannot create the folder %1").arg(QDir::toNativeSeparators(subfolder)));
        output = QDir::cleanPath(subfolder + QLatin1Char('/') + name->fileName);

        const bool exactOriginal = renaming && s.FNMask.trimmed() == QLatin1String("%o");
        // Renaming never overwrites; stamping overwrites earlier runs' outputs
        // and a repeat of the same source, but never another source's output.
        const bool collides = renaming ? !exactOriginal && (QFileInfo::exists(output) || names.taken(output))
                                       : names.takenByOther(output, source);
        if (collides) {
            const std::optional<QString> free = freeName(output, names);
            if (!free)
                return fail(QStringLiteral("no free name left after %1").arg(withCollisionSuffix(output, 9999)));
            output = *free;
        }
    }
    result.output = output;
    names.claim(output, source);

    const bool sameFile = isSameFile(source, output);
    if (s.StampPhotosOpt) {
        if (sameFile)
            return fail(QStringLiteral("the output would replace the source photo"));
        plan.output = output;
        return plan;
    }
    // A copy onto itself is already done.
    if (!sameFile) {
        QString error;
        if (!copyFileReplacing(source, output, &error))
            return fail(error);
        clearReadOnly(output);
        writeFileTimes(output, outputTimes(plan.sourceTimes));
    }
    result.outcome = PhotoOutcome::Copied;
    return std::nullopt;
}

// What a worker keeps from one photo to the next, so that a photo's pixels
// and bytes land in memory that is already mapped.
struct WorkerMemory
{
    PhotoWorkspace pixels;
    std::string output; // the file as written: metadata, then the encoded picture
};

// Hands each running photo a WorkerMemory of its own; there are never more
// running photos than workers, so never more memories.
class WorkerMemories
{
public:
    std::unique_ptr<WorkerMemory> take()
    {
        QMutexLocker locker(&m_lock);
        if (m_free.empty())
            return std::make_unique<WorkerMemory>();
        std::unique_ptr<WorkerMemory> memory = std::move(m_free.back());
        m_free.pop_back();
        return memory;
    }
    void give(std::unique_ptr<WorkerMemory> memory)
    {
        QMutexLocker locker(&m_lock);
        m_free.push_back(std::move(memory));
    }

private:
    QMutex m_lock;
    std::vector<std::unique_ptr<WorkerMemory>> m_free;
};

// The metadata as ProcessFile reads it, but from the bytes already read.
void readMetadata(TimgData &metadata, const QString &path, std::string_view bytes)
{
    if (containerKindForFileName(std::filesystem::path(path.toStdU16String())) != ContainerKind::Jpeg)
        return;
    try {
        MemoryByteSource source(bytes);
        metadata.ProcessStream(source, ContainerKind::Jpeg);
    } catch (...) {
        // Whatever was read before the fault stands, as with ProcessFile.
    }
}

// The pixel work of one photo: one read, one pass that decodes, draws the
// label in the photo's own orientation and encodes, the source's metadata in
// front, one write. On failure the plain copy stands under the output name, as if
// the copy had come first.
void stampPhoto(const PlannedPhoto &plan, const BatchJob &job, WorkerMemory &memory, BatchPhotoResult &result)
{
    auto fail = [&](const QString &reason) {
        copyFileReplacing(plan.source, plan.output);
        clearReadOnly(plan.output);
        writeFileTimes(plan.output, outputTimes(plan.sourceTimes));
        result.outcome = PhotoOutcome::Failed;
        result.reason = reason;
    };

    PhotoWorkspace &pixels = memory.pixels;
    QString error;
    if (!pixels.readFile(plan.source, &error))
        return fail(error);
    TimgData metadata;
    readMetadata(metadata, plan.source, pixels.fileBytes());
    int orientation = 1;
    if (metadata.HasEXIF() && metadata.ExifObj)
        orientation = metadata.ExifObj->GetRawInt("Orientation");

    const QString caption = GetCurrentFileStampText(job.settings.CaptionFormat, job.settings.DateFormat, plan.values,
                                                    job.format);
    const int quality = effectiveQuality(job.options.jpgquality);
    const auto layOut = [&](QSize stored) { return StoredPhotoLabel(stored, orientation, job.settings, caption); };
    if (!pixels.transcode(quality, layOut, &error)) {
        if (pixels.labelFailed())
            return fail(error);
        // The decoder refused the data; the whole-raster road tries the
        // toolkit's readers too.
        if (!pixels.decode(&error))
            return fail(error.isEmpty() ? QStringLiteral("cannot decode the photo") : error);
        if (!drawLabelOnStoredPhoto(pixels.raster(), orientation, job.settings, caption))
            return fail(QStringLiteral("no memory to draw the label"));
        if (!pixels.encode(quality, &error))
            return fail(error);
    }

    std::string_view bytes = pixels.encoded();
    if (metadata.HasEXIF()) {
        if (metadata.HasThumbnail())
            removeThumbnail(metadata);
        memory.output.clear();
        SaveExif(metadata, memory.output);
        memory.output.append(bytes.substr(encodedImageStart(bytes)));
        bytes = memory.output;
    }
    std::string writeError;
    if (!writeFileAtomically(QFile::encodeName(plan.output).toStdString(), bytes, &writeError))
        return fail(QString::fromStdString(writeError));
    writeFileTimes(plan.output, outputTimes(plan.sourceTimes));
    result.outcome = PhotoOutcome::Stamped;
}

int workerCount(int jobs)
{
    if (jobs > 0)
        return jobs;
    return std::max(1, QThread::idealThreadCount());
}

} // namespace

int BatchReport::count(PhotoOutcome outcome) const
{
    return static_cast<int>(std::count_if(photos.begin(), photos.end(),
                                          [outcome](const BatchPhotoResult &r) { return r.outcome == outcome; }));
}

QString progressText(int i, int n)
{
    return QStringLiteral("Processing:") + QLatin1Char(' ') + QStringLiteral("[%1/%2]").arg(i).arg(n);
}

BatchReport RunBatch(const QStringList &photoList, const QString &outputFolder, const BatchJob &job,
                     BatchProgress *progress)
{
    BatchReport report;
    const int count = static_cast<int>(photoList.size());
    report.photos.resize(static_cast<size_t>(count));
    const QString folder = QDir::cleanPath(QDir::fromNativeSeparators(outputFolder));
    const int workers = workerCount(job.jobs);

    WorkerMemories memories; // outlives the pool that uses it
    QThreadPool pool;
    pool.setMaxThreadCount(workers);
    QSemaphore freeWorkers(workers);
    QMutex doneLock;
    std::vector<int> done; // indexes finished by workers, not yet reported

    auto reportFinished = [&]() {
        std::vector<int> finished;
        {
            QMutexLocker locker(&doneLock);
            finished.swap(done);
        }
        if (progress) {
            for (int index : finished)
                progress->photoFinished(report.photos[static_cast<size_t>(index)]);
        }
    };

    if (progress)
        progress->ProgressStart();
    OutputNames names;
    int handedOut = 0;
    for (int i = 0; i < count; ++i) {
        reportFinished();
        if (progress && !progress->ProgressStep(progressText(i + 1, count), i + 1, count)) {
            report.cancelled = true;
            break;
        }
        BatchPhotoResult &result = report.photos[static_cast<size_t>(i)];
        ++handedOut;
        std::optional<PlannedPhoto> plan = preparePhoto(photoList.at(i), folder, nullptr, i + 1, job, names, result);
        if (!plan) {
            if (progress)
                progress->photoFinished(result);
            continue;
        }
        if (workers == 1) {
            std::unique_ptr<WorkerMemory> memory = memories.take();
            stampPhoto(*plan, job, *memory, result);
            memories.give(std::move(memory));
            if (progress)
                progress->photoFinished(result);
            continue;
        }
        // Waiting for a free worker keeps at most one full-size raster per worker.
        while (!freeWorkers.tryAcquire(1, 50))
            reportFinished();
        pool.start([&, i, plan = std::move(*plan)]() {
            std::unique_ptr<WorkerMemory> memory = memories.take();
            stampPhoto(plan, job, *memory, report.photos[static_cast<size_t>(i)]);
            memories.give(std::move(memory));
            {
                QMutexLocker locker(&doneLock);
                done.push_back(i);
            }
            freeWorkers.release();
        });
    }
    while (!pool.waitForDone(50))
        reportFinished();
    reportFinished();
    report.photos.resize(static_cast<size_t>(handedOut));
    if (progress)
        progress->ProgressEnd();
    return report;
}

BatchPhotoResult SaveStampedAs(const QString &source, const QString &target, const BatchJob &job)
{
    BatchPhotoResult result;
    OutputNames names;
    std::optional<PlannedPhoto> plan = preparePhoto(source, QString(), &target, 0, job, names, result);
    if (plan) {
        WorkerMemory memory;
        stampPhoto(*plan, job, memory, result);
    }
    return result;
}

} // namespace kelvra
