// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/batch_run.h"

#include "imaging/coefficient_stamp.h"
#include "imaging/label_renderer.h"
#include "imaging/photo_loading.h"
#include "imaging/photo_workspace.h"
#include "metadata/exif_reader.h"
#include "metadata/exif_writer.h"
#include "platform/atomic_file.h"
#include "platform/file_ops.h"
#include "platform/file_times.h"
#include "platform/heap_reuse.h"
#include "stamp/caption.h"
#include "stamp/file_mask.h"
#include "stamp/photo_values.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QThread>
#include <QThreadPool>

#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
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
    // Read once, here; the worker takes orientation and carried segments from it.
    std::shared_ptr<TimgData> metadata; // shared: the worker task must be copyable
};

// The file dates an output gets: the source's, cut to two seconds.
FileTimes outputTimes(const FileTimes &source)
{
    auto cut = [](std::optional<int64_t> seconds) -> std::optional<int64_t> {
        if (!seconds)
            return std::nullopt;
        return *seconds - ((*seconds % 2) + 2) % 2;
    };
    return FileTimes { cut(source.modification), cut(source.creation) };
}

int effectiveQuality(int jpgquality)
{
    return jpgquality >= 1 && jpgquality <= 100 ? jpgquality : 100;
}

QString withCollisionSuffix(const QString &path, int k)
{
    const QFileInfo info(path);
    const QString digits = QStringLiteral("%1").arg(k % 10000, 4, 10, QLatin1Char('0'));
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('_') + digits + QLatin1Char('.')
        + info.suffix();
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
    // A killed earlier run may have left its temporary files in a folder this
    // run writes to; they go the first time the run uses the folder.
    void clearLeftovers(const QString &folder)
    {
        if (m_cleared.contains(folder))
            return;
        m_cleared.insert(folder);
        removeStaleTemporaries(nativePath(folder));
    }

private:
    QHash<QString, QString> m_owners;
    QSet<QString> m_cleared;
};

// The first free name after path: path_0001.ext, path_0002.ext, ...; nothing
// after _9999.
std::optional<QString> freeName(const QString &path, const OutputNames &names)
{
    for (int k = 1; k <= 9999; ++k) {
        const QString candidate = withCollisionSuffix(path, k);
        if (!pathExists(candidate) && !names.taken(candidate))
            return candidate;
    }
    return std::nullopt;
}

// Whether the file begins with a JPEG start of image; anything else is not
// copied under a photo's name.
bool startsLikeJpeg(const QString &path)
{
    QFile file;
    if (!openForReading(file, path))
        return true; // the reader will say why
    const QByteArray head = file.read(2);
    return head.size() == 2 && static_cast<unsigned char>(head[0]) == 0xFF
        && static_cast<unsigned char>(head[1]) == 0xD8;
}

// The naming of one photo, without touching the disk: its output name and
// what would become of it (result.outcome Stamped or Copied), or why it is
// skipped or fails. The dry run and the real run take this one road.
std::optional<PlannedPhoto> planPhoto(const QString &source, const QString &folder, const QString *saveAsTarget,
    int counter, const BatchJob &job, OutputNames &names, BatchPhotoResult &result)
{
    const StampSettings &s = job.settings;
    result.source = source;
    if (!IsJpegFileName(source)) {
        result.outcome = PhotoOutcome::Skipped;
        result.error = BatchError::NotJpegName;
        return std::nullopt;
    }
    auto fail = [&result](BatchError error, const QString &path = QString(), const QString &detail = QString()) {
        result.outcome = PhotoOutcome::Failed;
        result.error = error;
        result.path = path;
        result.detail = detail;
        return std::nullopt;
    };
    if (!isFile(source))
        return fail(BatchError::Unreadable, source);
    if (!saveAsTarget && s.RenamePhotos && s.FNMask.trimmed().isEmpty())
        return fail(BatchError::EmptyMask);
    if (!startsLikeJpeg(source))
        return fail(BatchError::NotAPhoto, source);

    PlannedPhoto plan;
    plan.source = source;
    plan.metadata = std::make_shared<TimgData>(255, photoTextOptions(job.options.GPSForm, job.format));
    const bool read = plan.metadata->ProcessFile(nativePath(source));
    plan.values = photoValuesFrom(source, *plan.metadata, read);
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
            return fail(BatchError::NameOutsideFolder, expanded);
        QString subfolder = folder;
        for (const QString &part : name->folders)
            subfolder += QLatin1Char('/') + part;
        output = QDir::cleanPath(subfolder + QLatin1Char('/') + name->fileName);

        const bool exactOriginal = renaming && s.FNMask.trimmed() == QLatin1String("%o");
        // Renaming never overwrites, but "%o" may land on the photo itself or
        // an earlier run's copy; no mask lets one source's output replace
        // another's within a run.
        const bool collides = renaming && !exactOriginal ? pathExists(output) || names.taken(output)
                                                         : names.takenByOther(output, source);
        if (collides) {
            const std::optional<QString> free = freeName(output, names);
            if (!free)
                return fail(BatchError::NoFreeName, withCollisionSuffix(output, 9999));
            output = *free;
        }
    }
    result.output = output;
    names.claim(output, source);

    if (s.StampPhotosOpt && isSameFile(source, output))
        return fail(BatchError::WouldReplaceSource, output);
    plan.output = output;
    result.outcome = s.StampPhotosOpt ? PhotoOutcome::Stamped : PhotoOutcome::Copied;
    return plan;
}

// Everything before the pixels: the plan, folders, the plain copy. Returns the
// plan when the photo is to be stamped; result says what happened otherwise.
std::optional<PlannedPhoto> preparePhoto(const QString &source, const QString &folder, const QString *saveAsTarget,
    int counter, const BatchJob &job, OutputNames &names, BatchPhotoResult &result)
{
    std::optional<PlannedPhoto> plan = planPhoto(source, folder, saveAsTarget, counter, job, names, result);
    if (!plan)
        return std::nullopt;
    auto fail = [&result](BatchError error, const QString &path, const QString &detail = QString()) {
        result.outcome = PhotoOutcome::Failed;
        result.error = error;
        result.path = path;
        result.detail = detail;
        return std::nullopt;
    };
    if (!saveAsTarget) {
        const QString subfolder = QFileInfo(plan->output).path();
        if (!makeFolders(subfolder))
            return fail(BatchError::FolderNotCreated, subfolder);
        names.clearLeftovers(subfolder);
    }
    if (job.settings.StampPhotosOpt)
        return plan;
    // A copy onto itself is already done.
    if (!isSameFile(source, plan->output)) {
        const FileResult copied = copyFileReplacing(source, plan->output);
        if (!copied.ok()) {
            result.fileError = copied.error;
            // The output's name, not the hidden temporary the failed step may have worked on.
            return fail(BatchError::CopyFailed, plan->output, QString::fromStdString(copied.detail));
        }
        clearReadOnly(plan->output);
        writeFileTimes(plan->output, outputTimes(plan->sourceTimes));
    }
    return std::nullopt;
}

// What a worker keeps from one photo to the next, so that a photo's pixels
// and bytes land in memory that is already mapped.
struct WorkerMemory
{
    PhotoWorkspace pixels;
    CoefficientStamp coefficients;
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

// The pixel work of one photo: one read, one pass that decodes, draws the
// label in the photo's own orientation and encodes, the source's metadata in
// front, one write. On failure the plain copy stands under the output name, as if
// the copy had come first.
void stampPhoto(const PlannedPhoto &plan, const BatchJob &job, WorkerMemory &memory, BatchPhotoResult &result)
{
    auto fail = [&](BatchError error, const ImageFailure &why = {}) {
        if (copyFileReplacing(plan.source, plan.output).ok()) {
            clearReadOnly(plan.output);
            writeFileTimes(plan.output, outputTimes(plan.sourceTimes));
            result.copiedUnchanged = true;
        }
        result.outcome = PhotoOutcome::Failed;
        result.error = error;
        result.path = error == BatchError::WriteFailed ? plan.output : plan.source;
        result.imageError = why.code;
        result.detail = why.detail;
    };

    PhotoWorkspace &pixels = memory.pixels;
    ImageFailure error;
    if (!pixels.readFile(plan.source, &error))
        return fail(BatchError::Unreadable, error);
    TimgData &metadata = *plan.metadata;
    const int orientation = metadata.exifOrientation();

    const QString caption
        = GetCurrentFileStampText(job.settings.CaptionFormat, job.settings.DateFormat, plan.values, job.format);
    const auto layOut = [&](QSize stored) { return StoredPhotoLabel(stored, orientation, job.settings, caption); };
    std::string_view bytes;
    int warnings = 0;
    QString firstWarning;
    if (job.options.KeepQuality) {
        switch (memory.coefficients.stamp(pixels.fileBytes(), layOut, &error)) {
        case CoefficientStamp::Outcome::Stamped:
            bytes = memory.coefficients.encoded();
            warnings = memory.coefficients.warnings();
            firstWarning = memory.coefficients.firstWarning();
            break;
        case CoefficientStamp::Outcome::LabelFailed:
            return fail(BatchError::NoMemoryForLabel, error);
        case CoefficientStamp::Outcome::Unsupported: // CMYK, say
        case CoefficientStamp::Outcome::Undecodable: // the toolkit's readers may still take it
            break;
        }
    }
    if (bytes.empty()) {
        // Kept quality that the coefficients cannot give is the best the pixels can.
        const int quality = job.options.KeepQuality ? 100 : effectiveQuality(job.options.jpgquality);
        if (!pixels.transcode(quality, layOut, &error)) {
            if (pixels.labelFailed())
                return fail(BatchError::NoMemoryForLabel, error);
            // The decoder refused the data; the whole-raster road tries the
            // toolkit's readers too.
            if (!pixels.decode(&error))
                return fail(BatchError::Undecodable, error);
            if (!drawLabelOnStoredPhoto(pixels.raster(), orientation, job.settings, caption))
                return fail(BatchError::NoMemoryForLabel);
            if (!pixels.encode(quality, &error))
                return fail(BatchError::EncodeFailed, error);
        }
        bytes = pixels.encoded();
        warnings = pixels.warnings();
        firstWarning = pixels.firstWarning();
    }
    if (metadata.HasEXIF()) {
        if (metadata.HasThumbnail())
            removeThumbnail(metadata);
        ComposeExifJpeg(metadata, bytes, memory.output);
        bytes = memory.output;
    }
    const FileResult written = writeFileAtomically(nativePath(plan.output), bytes);
    if (!written.ok()) {
        fail(BatchError::WriteFailed, { ImageError::None, QString::fromStdString(written.detail) });
        result.fileError = written.error;
        result.path = plan.output; // not the hidden temporary of the failed step
        return;
    }
    writeFileTimes(plan.output, outputTimes(plan.sourceTimes));
    result.outcome = PhotoOutcome::Stamped;
    if (warnings > 0)
        result.warning = firstWarning.isEmpty() ? QStringLiteral("damaged data") : firstWarning;
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
    return static_cast<int>(std::count_if(
        photos.begin(), photos.end(), [outcome](const BatchPhotoResult &r) { return r.outcome == outcome; }));
}

int BatchReport::warned() const
{
    return static_cast<int>(std::count_if(photos.begin(), photos.end(),
        [](const BatchPhotoResult &r) { return r.outcome == PhotoOutcome::Stamped && !r.warning.isEmpty(); }));
}

QString progressText(int i, int n)
{
    return QStringLiteral("Processing:") + QLatin1Char(' ') + QStringLiteral("[%1/%2]").arg(i).arg(n);
}

BatchReport RunBatch(
    const QStringList &photoList, const QString &outputFolder, const BatchJob &job, BatchProgress *progress)
{
    BatchReport report;
    const int count = static_cast<int>(photoList.size());
    report.photos.resize(static_cast<size_t>(count));
    const QString folder = QDir::cleanPath(QDir::fromNativeSeparators(outputFolder));
    const int workers = workerCount(job.jobs);

    const HeapReuse heap(job.options.KeepQuality && job.settings.StampPhotosOpt);
    WorkerMemories memories; // outlives the pool that uses it
    QThreadPool pool;
    pool.setMaxThreadCount(workers);
    // Workers hand back finished indexes here and wake the list thread, which
    // reports them; it sleeps on the condition, never on a clock.
    std::mutex doneLock;
    std::condition_variable doneChanged;
    std::vector<int> done; // indexes finished by workers, not yet reported
    int running = 0;

    auto reportFinished = [&]() {
        std::vector<int> finished;
        {
            std::lock_guard<std::mutex> locker(doneLock);
            finished.swap(done);
        }
        if (progress) {
            for (int index : finished)
                progress->photoFinished(report.photos[static_cast<size_t>(index)]);
        }
    };
    // Reports what finishes until ready() holds (checked under the lock).
    auto waitUntil = [&](auto ready) {
        for (;;) {
            reportFinished();
            std::unique_lock<std::mutex> locker(doneLock);
            if (ready())
                return;
            doneChanged.wait(locker, [&] { return !done.empty() || ready(); });
        }
    };

    if (progress)
        progress->ProgressStart();
    OutputNames names;
    names.clearLeftovers(folder);
    int handedOut = 0;
    for (int i = 0; i < count; ++i) {
        reportFinished();
        const bool cancelled = job.cancel && job.cancel->load();
        if (cancelled || (progress && !progress->ProgressStep(progressText(i + 1, count), i + 1, count))) {
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
        waitUntil([&] { return running < workers; });
        {
            std::lock_guard<std::mutex> locker(doneLock);
            ++running;
        }
        pool.start([&, i, plan = std::move(*plan)]() {
            std::unique_ptr<WorkerMemory> memory = memories.take();
            stampPhoto(plan, job, *memory, report.photos[static_cast<size_t>(i)]);
            memories.give(std::move(memory));
            {
                std::lock_guard<std::mutex> locker(doneLock);
                done.push_back(i);
                --running;
            }
            doneChanged.notify_all();
        });
    }
    waitUntil([&] { return running == 0; });
    pool.waitForDone();
    reportFinished();
    report.photos.resize(static_cast<size_t>(handedOut));
    if (progress)
        progress->ProgressEnd();
    return report;
}

std::vector<BatchPhotoResult> PlanBatch(const QStringList &photoList, const QString &outputFolder, const BatchJob &job)
{
    const QString folder = QDir::cleanPath(QDir::fromNativeSeparators(outputFolder));
    std::vector<BatchPhotoResult> plans(static_cast<size_t>(photoList.size()));
    OutputNames names;
    for (qsizetype i = 0; i < photoList.size(); ++i)
        planPhoto(photoList.at(i), folder, nullptr, int(i) + 1, job, names, plans[static_cast<size_t>(i)]);
    return plans;
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
