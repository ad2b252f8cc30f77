// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/batch_run.h"

#include "jobs/batch_plan.h"

#include "imaging/coefficient_stamp.h"
#include "imaging/exif_thumbnail.h"
#include "imaging/label_renderer.h"
#include "imaging/photo_decoder.h"
#include "imaging/photo_loading.h"
#include "imaging/photo_workspace.h"
#include "metadata/exif_reader.h"
#include "metadata/exif_writer.h"
#include "metadata/photo_containers.h"
#include "metadata/photo_kind.h"
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
#include <QUuid>

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace kelvra {

namespace {

// A photo that passed naming and waits to be written.
struct PlannedPhoto
{
    QString source;
    QString output;
    QString wanted; // the name the design asked for; collision numbers count from it
    bool replace = false; // the conflict rule replaces the file at output
    PhotoKind kind = PhotoKind::Jpeg; // by content
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

QString cleanAbsolute(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// Naming state of one run: which outputs it has handed out, and to whom.
// Workers ask it for a new name when another run took theirs, so it locks.
class OutputNames
{
public:
    explicit OutputNames(const QStringList &sources = {})
    {
        for (const QString &source : sources)
            m_sources.insert(cleanAbsolute(source));
    }
    std::optional<QString> owner(const QString &output) const
    {
        QMutexLocker locker(&m_lock);
        auto it = m_owners.constFind(output);
        if (it == m_owners.constEnd())
            return std::nullopt;
        return *it;
    }
    void claim(const QString &output, const QString &source)
    {
        QMutexLocker locker(&m_lock);
        m_owners.insert(output, source);
    }
    // The first name after wanted that is neither on the disk nor handed out
    // (wanted_0001.ext, ..., nothing after _9999), handed out to source.
    std::optional<QString> claimNextFree(const QString &wanted, const QString &source)
    {
        QMutexLocker locker(&m_lock);
        for (int k = 1; k <= 9999; ++k) {
            const QString candidate = withCollisionSuffix(wanted, k);
            if (!pathExists(candidate) && !m_owners.contains(candidate)) {
                m_owners.insert(candidate, source);
                return candidate;
            }
        }
        return std::nullopt;
    }
    // A photo of this run, which no output may replace.
    bool isRunSource(const QString &path) const { return m_sources.contains(cleanAbsolute(path)); }
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
    mutable QMutex m_lock;
    QHash<QString, QString> m_owners;
    QSet<QString> m_sources;
    QSet<QString> m_cleared; // list thread only
};

// What the file holds, by its content. A JPEG name must hold a JPEG (the
// design's rule); the other names may hold any photo kind. None: not copied
// under a photo's name. A file that cannot be opened is taken by its name,
// and the reader says why.
PhotoKind contentKind(const QString &path)
{
    const PhotoKind kind = photoKindOfFile(nativePath(path));
    if (IsJpegFileName(path) && kind != PhotoKind::Jpeg)
        return PhotoKind::None;
    return kind;
}

// Applies the conflict rule to an output name a file already holds: the
// name to write (output), whether that replaces the file, or a failure or
// skip in result.
bool resolveExisting(const QString &source, QString &output, bool &replace, const BatchJob &job, OutputNames &names,
    BatchPhotoResult &result)
{
    const bool sourceItself = isSameFile(source, output);
    if (sourceItself && !job.settings.StampPhotosOpt) {
        result.existing = ExistingOutcome::IsSource; // a copy onto itself is already done
        return true;
    }
    switch (job.options.existingRule()) {
    case ExistingRule::KeepBoth:
        break;
    case ExistingRule::Replace:
        if (sourceItself || names.isRunSource(output)) {
            result.outcome = PhotoOutcome::Failed;
            result.error = BatchError::WouldReplaceSource;
            result.path = output;
            return false;
        }
        result.existing = ExistingOutcome::Replaced;
        replace = true;
        return true;
    case ExistingRule::Skip:
        result.outcome = PhotoOutcome::Skipped;
        result.error = BatchError::OutputExists;
        result.path = output;
        result.existing = ExistingOutcome::Skipped;
        return false;
    }
    const std::optional<QString> free = names.claimNextFree(output, source);
    if (!free) {
        result.outcome = PhotoOutcome::Failed;
        result.error = BatchError::NoFreeName;
        result.path = withCollisionSuffix(output, 9999);
        return false;
    }
    output = *free;
    result.existing = ExistingOutcome::KeptBoth;
    return true;
}

void setFailure(
    BatchPhotoResult &result, BatchError error, const QString &path = QString(), const QString &detail = QString())
{
    result.outcome = PhotoOutcome::Failed;
    result.error = error;
    result.path = path;
    result.detail = detail;
}

// How naming a photo ended: with an output to write, with its output standing
// already (nothing to write), or with the photo skipped or failed in result.
enum class Naming { Named, Standing, Refused };

// Named once by the plan; a file that took the name since meets the rule.
Naming nameFromPlan(const PlannedName &planned, const QString &source, const BatchJob &job, OutputNames &names,
    PlannedPhoto &plan, BatchPhotoResult &result, QString &output)
{
    output = QDir::cleanPath(planned.output);
    result.wanted = output;
    const auto before = job.writtenBefore.constFind(output);
    if (before != job.writtenBefore.constEnd() && sha256OfFile(output) == *before) {
        result.existing = ExistingOutcome::WrittenBefore;
        return Naming::Standing;
    }
    if (planned.replace) {
        plan.replace = true;
        result.existing = ExistingOutcome::Replaced;
    } else if (pathExists(output) && !resolveExisting(source, output, plan.replace, job, names, result)) {
        return Naming::Refused;
    }
    return Naming::Named;
}

// The name the mask (or the source's name with the postfix) gives, in the
// output folder, clear of this run's other outputs.
Naming nameFromMask(const QString &source, const QString &folder, int index, const BatchJob &job, OutputNames &names,
    PlannedPhoto &plan, BatchPhotoResult &result, QString &output)
{
    const StampSettings &s = job.settings;
    const QFileInfo sourceInfo(source);
    const int counter = job.counterStart + index;
    QString expanded = s.RenamePhotos
        ? ExpandFileMask(s.FNMask, source, counter, plan.values.PhotoDate, job.format)
        : sourceInfo.completeBaseName() + job.options.FilePostfix + QLatin1Char('.') + sourceInfo.suffix();
    if (s.StampPhotosOpt)
        expanded = stampedFileName(expanded, plan.kind);
    const std::optional<OutputName> name = splitOutputName(expanded);
    if (!name) {
        setFailure(result, BatchError::NameOutsideFolder, expanded);
        return Naming::Refused;
    }
    QString subfolder = folder;
    for (const QString &part : name->folders)
        subfolder += QLatin1Char('/') + part;
    output = QDir::cleanPath(subfolder + QLatin1Char('/') + name->fileName);
    result.wanted = output;

    if (const std::optional<QString> owner = names.owner(output); owner && *owner == source) {
        // The same photo named twice: its output stands already.
        return Naming::Standing;
    } else if (owner) {
        // Never over an output of this run.
        const std::optional<QString> free = names.claimNextFree(output, source);
        if (!free) {
            setFailure(result, BatchError::NoFreeName, withCollisionSuffix(output, 9999));
            return Naming::Refused;
        }
        output = *free;
    } else if (pathExists(output) && !resolveExisting(source, output, plan.replace, job, names, result)) {
        return Naming::Refused;
    }
    return Naming::Named;
}

// The naming of one photo, without touching the disk: its output name and
// what would become of it (result.outcome Stamped or Copied), or why it is
// skipped or fails. The dry run and the real run take this one road. An
// empty output in a returned plan means the photo needs no writing.
std::optional<PlannedPhoto> planPhoto(const QString &source, const QString &folder, const QString *saveAsTarget,
    int index, const BatchJob &job, OutputNames &names, BatchPhotoResult &result)
{
    const StampSettings &s = job.settings;
    result.source = source;
    if (!IsPhotoFileName(source)) {
        result.outcome = PhotoOutcome::Skipped;
        result.error = BatchError::NotJpegName;
        return std::nullopt;
    }
    auto fail = [&result](BatchError error, const QString &path = QString(), const QString &detail = QString()) {
        setFailure(result, error, path, detail);
        return std::nullopt;
    };
    // A photo gone since it was queued says why, in the system's words.
    if (!isFile(source)) {
        result.imageError = ImageError::FileUnreadable;
        return fail(BatchError::Unreadable, source, notAFileReason(source));
    }
    if (!saveAsTarget && s.RenamePhotos && s.FNMask.trimmed().isEmpty())
        return fail(BatchError::EmptyMask);
    const PhotoKind kind = contentKind(source);
    if (kind == PhotoKind::None)
        return fail(BatchError::NotAPhoto, source);

    PlannedPhoto plan;
    plan.source = source;
    plan.kind = kind;
    plan.metadata = std::make_shared<TimgData>(255, photoTextOptions(job.options.GPSForm, job.format));
    const bool read = plan.metadata->ProcessFile(nativePath(source));
    plan.values = photoValuesFrom(source, *plan.metadata, read, dateRulesOf(s));
    plan.sourceTimes = readFileTimes(source);
    const PhotoOutcome done = s.StampPhotosOpt ? PhotoOutcome::Stamped : PhotoOutcome::Copied;

    QString output;
    Naming naming = Naming::Named;
    if (saveAsTarget) {
        // The user chose this file and agreed to replace it.
        output = *saveAsTarget;
        plan.replace = true;
    } else if (index < qsizetype(job.planned.size())) {
        naming = nameFromPlan(job.planned[size_t(index)], source, job, names, plan, result, output);
    } else {
        naming = nameFromMask(source, folder, index, job, names, plan, result, output);
    }
    if (naming == Naming::Refused)
        return std::nullopt;
    if (naming == Naming::Standing) {
        result.output = output;
        result.outcome = done;
        plan.wanted = output;
        return plan; // with no output: nothing to write
    }
    plan.wanted = result.wanted.isEmpty() ? output : result.wanted;
    result.output = output;
    names.claim(output, source);

    if (s.StampPhotosOpt && isSameFile(source, output))
        return fail(BatchError::WouldReplaceSource, output);
    if (result.existing != ExistingOutcome::IsSource)
        plan.output = output;
    result.outcome = done;
    return plan;
}

// Puts an output under its name with write(path, existing). Under the
// Replace rule the old file is first kept in the run's trash, and the log
// learns the hash of what replaces it (writing()); otherwise the
// name is claimed only while free, and a name another run took since it was
// planned moves the output to the next free number.
template<typename Write, typename Hash>
FileResult placeOutput(PlannedPhoto &plan, const BatchJob &job, OutputNames &names, RunLog *log,
    BatchPhotoResult &result, Write write, Hash writing)
{
    if (plan.replace) {
        if (log && pathExists(plan.output)) {
            const QString kept = log->trashPathFor(plan.output);
            const FileResult aside = keepAside(nativePath(plan.output), nativePath(kept));
            if (!aside.ok())
                return aside; // nothing is replaced that undo could not bring back
            log->keptAside(plan.output, kept, writing());
        }
        return write(plan.output, ExistingFile::Replace);
    }
    for (;;) {
        FileResult placed = write(plan.output, ExistingFile::Refuse);
        if (placed.error != FileError::NameTaken)
            return placed;
        // Another run took the name since it was planned: the rule answers,
        // but Replace never replaces what another run has just written.
        if (job.options.existingRule() == ExistingRule::Skip) {
            result.existing = ExistingOutcome::Skipped;
            return placed;
        }
        const std::optional<QString> free = names.claimNextFree(plan.wanted, plan.source);
        if (!free)
            return placed;
        plan.output = *free;
        result.output = *free;
        result.existing = ExistingOutcome::KeptBoth;
    }
}

// Notes a failed placement in result; a name that stayed taken up to _9999
// is NoFreeName.
void placementFailed(const FileResult &placed, BatchError error, const PlannedPhoto &plan, BatchPhotoResult &result)
{
    result.outcome = PhotoOutcome::Failed;
    result.fileError = placed.error;
    result.detail = QString::fromStdString(placed.detail);
    if (placed.error == FileError::NameTaken && result.existing == ExistingOutcome::Skipped) {
        result.outcome = PhotoOutcome::Skipped;
        result.error = BatchError::OutputExists;
        result.path = plan.output;
        result.fileError = FileError::None;
        result.detail.clear();
        result.output.clear();
    } else if (placed.error == FileError::NameTaken) {
        result.error = BatchError::NoFreeName;
        result.path = withCollisionSuffix(plan.wanted, 9999);
    } else {
        result.error = error;
        result.path = plan.output; // the output's name, not the hidden temporary the failed step worked on
    }
}

// bytes under the plan's name with the source's permissions and dates, and
// their size and hash in result.
FileResult placeBytes(PlannedPhoto &plan, const BatchJob &job, OutputNames &names, RunLog *log,
    BatchPhotoResult &result, std::string_view bytes)
{
    const std::optional<std::filesystem::perms> permissions = permissionsOf(nativePath(plan.source));
    const QByteArray hash = sha256Hex(bytes);
    const FileResult written = placeOutput(
        plan, job, names, log, result,
        [&](const QString &path, ExistingFile existing) {
            return writeFileAtomically(nativePath(path), bytes, existing, permissions);
        },
        [&] { return hash; });
    if (written.ok()) {
        writeFileTimes(plan.output, outputTimes(plan.sourceTimes));
        result.outputSize = static_cast<qint64>(bytes.size());
        result.outputSha256 = hash;
    }
    return written;
}

// The copy of source under the plan's name, with its dates and hash.
FileResult placeCopy(PlannedPhoto &plan, const BatchJob &job, OutputNames &names, RunLog *log, BatchPhotoResult &result)
{
    const FileResult copied = placeOutput(
        plan, job, names, log, result,
        [&](const QString &path, ExistingFile existing) {
            return copyFileAtomically(nativePath(plan.source), nativePath(path), existing);
        },
        [&] { return sha256OfFile(plan.source); });
    if (copied.ok()) {
        writeFileTimes(plan.output, outputTimes(plan.sourceTimes));
        result.outputSha256 = sha256OfFile(plan.output, &result.outputSize);
    }
    return copied;
}

// The copy of source with its EXIF dates set to the corrected date; a plain
// copy when the source's segments do not allow it.
FileResult placeDatedCopy(
    PlannedPhoto &plan, const BatchJob &job, OutputNames &names, RunLog *log, BatchPhotoResult &result)
{
    QFile file;
    if (!isRealDate(plan.values.PhotoDate) || !openForReading(file, plan.source))
        return placeCopy(plan, job, names, log, result);
    const QByteArray source = file.readAll();
    const TimgData &data = *plan.metadata;
    const ExifDateStamp stamp { formatExifDateTime(plan.values.PhotoDate), plan.values.TimeZone.toStdString() };
    const std::optional<std::string> segment
        = data.ExifSegment ? withExifDates(data.ExifSegment->data, stamp) : minimalExifSegment(stamp);
    const std::optional<std::string> bytes = segment && !segment->empty()
        // An EXIF block the reader found where the splice does not look is
        // left alone rather than joined by a second one.
        ? withExifSegment(
            std::string_view(source.constData(), size_t(source.size())), *segment, data.ExifSegment != nullptr)
        : std::nullopt;
    if (!bytes)
        return placeCopy(plan, job, names, log, result);
    return placeBytes(plan, job, names, log, result, *bytes);
}

// The folders below the output folder's parent that path needs and that do
// not stand yet, parents first.
QStringList missingFolders(const QString &path)
{
    QStringList missing;
    for (QString folder = path; !folder.isEmpty() && !pathExists(folder);) {
        missing.prepend(folder);
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            break;
        folder = parent;
    }
    return missing;
}

// Everything before the pixels: the plan, folders, the plain copy. Returns the
// plan when the photo is to be stamped; result says what happened otherwise.
std::optional<PlannedPhoto> preparePhoto(const QString &source, const QString &folder, const QString *saveAsTarget,
    int index, const BatchJob &job, OutputNames &names, RunLog *log, BatchPhotoResult &result)
{
    std::optional<PlannedPhoto> plan = planPhoto(source, folder, saveAsTarget, index, job, names, result);
    if (!plan || plan->output.isEmpty())
        return std::nullopt;
    if (!saveAsTarget) {
        const QString subfolder = QFileInfo(plan->output).path();
        const QStringList missing = missingFolders(subfolder);
        if (!makeFolders(subfolder)) {
            result.outcome = PhotoOutcome::Failed;
            result.error = BatchError::FolderNotCreated;
            result.path = subfolder;
            return std::nullopt;
        }
        if (log) {
            for (const QString &made : missing)
                log->folderMade(made);
        }
        names.clearLeftovers(subfolder);
    }
    if (job.settings.StampPhotosOpt)
        return plan;
    const FileResult copied = job.settings.FixExifDates ? placeDatedCopy(*plan, job, names, log, result)
                                                        : placeCopy(*plan, job, names, log, result);
    if (!copied.ok())
        placementFailed(copied, BatchError::CopyFailed, *plan, result);
    return std::nullopt;
}

// What a worker keeps from one photo to the next, so that a photo's pixels
// and bytes land in memory that is already mapped.
struct WorkerMemory
{
    PhotoWorkspace pixels;
    CoefficientStamp coefficients;
    ExifThumbnailMaker thumbnail;
    std::string output; // the file as written: metadata, then the encoded picture
};

// Hands each running photo a WorkerMemory of its own; there are never more
// running photos than workers, so never more memories.
class WorkerMemories
{
public:
    // Outlives the pool that uses it.
    explicit WorkerMemories(bool decodeAhead)
        : m_decodeAhead(decodeAhead)
    {
    }

    std::unique_ptr<WorkerMemory> take()
    {
        QMutexLocker locker(&m_lock);
        if (m_free.empty()) {
            auto memory = std::make_unique<WorkerMemory>();
            memory->pixels.setDecodeAhead(m_decodeAhead);
            return memory;
        }
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
    const bool m_decodeAhead;
    QMutex m_lock;
    std::vector<std::unique_ptr<WorkerMemory>> m_free;
};

RunLogPhoto logEntry(const BatchPhotoResult &r)
{
    RunLogPhoto p;
    p.source = r.source;
    p.wanted = r.wanted;
    p.existing = r.existing;
    // An output that a failure left nothing under is no output.
    if (r.outputSize >= 0 || r.existing == ExistingOutcome::IsSource) {
        p.output = r.output;
        p.size = r.outputSize;
        p.sha256 = r.outputSha256;
    }
    return p;
}

// Why a stamped photo shows no readable label, if it does not.
BatchWarning labelWarning(const QString &caption, QSize stored, const StampSettings &settings)
{
    if (caption.trimmed().isEmpty())
        return BatchWarning::EmptyCaption;
    if (stored.isValid() && fontCellHeight(stored.width(), stored.height(), settings.Size) < kMinLabelHeight)
        return BatchWarning::LabelTooSmall;
    return BatchWarning::None;
}

// The corrected date (and the photo's own zone, when known) into the EXIF
// block that goes with the output. A photo without a date keeps its block.
bool setOutputDates(TimgData &metadata, const PhotoValues &values)
{
    const std::string date = formatExifDateTime(values.PhotoDate);
    if (!isRealDate(values.PhotoDate) || date.empty())
        return false;
    return MakeExifDates(metadata, { date, values.TimeZone.toStdString() });
}

// Why stamping failed, with what the imaging layer reported when it failed there.
using FailStamp = std::function<void(BatchError, const ImageResult<> &)>;

// Claims the output for a stamped photo's bytes and gives it the source's dates.
void finishStamped(PlannedPhoto &plan, const BatchJob &job, OutputNames &names, RunLog *log, BatchPhotoResult &result,
    std::string_view bytes, const FailStamp &fail)
{
    const FileResult written = placeBytes(plan, job, names, log, result, bytes);
    if (!written.ok()) {
        // A full disk, say: the plain copy may not fit either, but it is tried.
        const bool skipped = result.existing == ExistingOutcome::Skipped;
        if (!skipped)
            fail(BatchError::WriteFailed, failed(ImageError::None, written.detail));
        placementFailed(written, BatchError::WriteFailed, plan, result);
        return;
    }
    result.outcome = PhotoOutcome::Stamped;
}

// The EXIF thumbnail shows the label too; one that cannot be made goes
// rather than show the photo without it. A photo without one gets none.
// One the stamping pass made already (made) spares decoding the stamped JPEG.
void restampThumbnail(
    TimgData &metadata, std::string_view stampedJpeg, int orientation, const ExifThumbnailMaker *made = nullptr)
{
    const std::string_view thumbnail = exifThumbnail(metadata);
    QByteArray small = made ? made->make() : QByteArray();
    if (small.isEmpty() && !thumbnail.empty())
        small = stampedThumbnail(stampedJpeg, thumbnail, orientation);
    const bool replaced = !small.isEmpty()
        && replaceThumbnail(metadata, std::string_view(small.constData(), std::size_t(small.size())));
    if (!replaced && metadata.HasThumbnail())
        removeThumbnail(metadata);
}

// The EXIF thumbnail of a whole stamped raster, taken as a pass takes its
// rows, which spares decoding the stamped JPEG again.
void thumbnailOfRaster(ExifThumbnailMaker &small, const QImage &raster)
{
    if (small.wanted() && small.start(raster.width(), raster.height()))
        small.addRows(raster.constBits(), std::size_t(raster.bytesPerLine()), 0, raster.height());
}

// A HEIF, PNG, TIFF or WebP photo: decoded whole by its own decoder, the
// label drawn in its orientation, then a PNG stays a PNG and the others
// become a JPEG at the quality setting, each with the source's metadata.
void stampOtherKind(PlannedPhoto &plan, const BatchJob &job, OutputNames &names, RunLog *log, WorkerMemory &memory,
    BatchPhotoResult &result, const QString &caption, const FailStamp &fail)
{
    PhotoWorkspace &pixels = memory.pixels;
    if (const ImageResult<> decoded = pixels.decode(); !decoded)
        return fail(BatchError::Undecodable, decoded);
    TimgData &metadata = *plan.metadata;
    // HEIF turned by its own boxes is upright now and says 1.
    const int orientation = metadata.exifOrientation();
    const QSize storedSize = pixels.raster().size();
    if (!drawLabelOnStoredPhoto(pixels.raster(), orientation, job.settings, caption))
        return fail(BatchError::NoMemoryForLabel, {});

    std::string_view bytes;
    if (photoKindTraits(plan.kind).stampedKind == PhotoKind::Png) {
        ImageResult<QByteArray> encoded = encodePng(pixels.raster());
        if (!encoded)
            return fail(BatchError::EncodeFailed, failedAs(std::move(encoded)));
        const QByteArray &png = encoded.value;
        if (job.settings.FixExifDates)
            setOutputDates(metadata, plan.values);
        std::string exif;
        if (metadata.ExifSegment && metadata.ExifSegment->data.size() > 8)
            exif = metadata.ExifSegment->data.substr(8);
        memory.output = composePng(std::string_view(png.constData(), size_t(png.size())), pixels.fileBytes(), exif);
        if (memory.output.empty())
            return fail(BatchError::EncodeFailed, {});
        bytes = memory.output;
    } else {
        if (const ImageResult<> encoded = pixels.encode(effectiveQuality(job.options.jpgquality)); !encoded)
            return fail(BatchError::EncodeFailed, encoded);
        // A TIFF's EXIF lies in its own first directory, among the tags of its
        // pixels: a block of its own is built for the JPEG.
        TimgData tiffBlocks;
        TimgData *carried = &metadata;
        if (plan.kind == PhotoKind::Tiff) {
            ContainerMetadata found;
            readTiffMetadata(pixels.fileBytes(), found);
            tiffBlocks.adoptContainerMetadata(found, PhotoKind::Tiff);
            carried = &tiffBlocks;
        }
        ExifThumbnailMaker &small = memory.thumbnail;
        small.want(exifThumbnail(*carried), orientation);
        thumbnailOfRaster(small, pixels.raster());
        restampThumbnail(*carried, pixels.encoded(), orientation, &small);
        if (carried->ExifSegment) {
            std::string &segment = carried->ExifSegment->data;
            if (metadata.containerTurned && segment.size() > 8) {
                // The pixels were turned by the decoder: nothing is left to turn.
                std::string tiff = segment.substr(8);
                if (setTiffOrientation(tiff, 1))
                    segment.replace(8, tiff.size(), tiff);
            }
            // One APP1 segment holds at most 65533 bytes.
            if (segment.size() > 0xFFFF)
                carried->ClearEXIF();
        }
        if (job.settings.FixExifDates)
            setOutputDates(*carried, plan.values);
        ComposeExifJpeg(*carried, pixels.encoded(), memory.output);
        bytes = memory.output;
    }
    finishStamped(plan, job, names, log, result, bytes, fail);
    result.warningCode = labelWarning(caption, storedSize, job.settings);
}

// A stamped JPEG's encoded bytes, before the metadata goes in front, and what
// the decoder warned of.
struct StampedJpeg
{
    std::string_view bytes;
    int warnings = 0;
    QString firstWarning;
};

using LabelLayout = std::function<StoredPhotoLabel(QSize stored)>;

// Through the coefficients when the quality is to be kept and they take the
// label, else through the pixels. Nullopt once fail has been told why.
// The EXIF thumbnail shows the label too: memory.thumbnail makes it from the
// stamped picture as the road passes it, in the old thumbnail's size.
std::optional<StampedJpeg> stampJpeg(WorkerMemory &memory, const BatchJob &job, const LabelLayout &layOut,
    int orientation, std::string_view oldThumbnail, const QString &caption, QSize &storedSize, const FailStamp &fail)
{
    PhotoWorkspace &pixels = memory.pixels;
    ExifThumbnailMaker &small = memory.thumbnail;
    small.want(oldThumbnail, orientation);
    if (job.options.KeepQuality) {
        ImageResult<CoefficientStamp::Road> stamped = memory.coefficients.stamp(pixels.fileBytes(), layOut, &small);
        if (stamped.error == ImageError::PaintRefused) {
            fail(BatchError::NoMemoryForLabel, failedAs(std::move(stamped)));
            return std::nullopt;
        }
        // Declined (CMYK, say) or refused by the decoder, which the toolkit's
        // readers may still take: the pixel road tries.
        if (stamped && stamped.value != CoefficientStamp::Road::Declined)
            return StampedJpeg { memory.coefficients.encoded(), memory.coefficients.warnings(),
                memory.coefficients.firstWarning() };
    }
    // Kept quality that the coefficients cannot give is the best the pixels can.
    const int quality = job.options.KeepQuality ? 100 : effectiveQuality(job.options.jpgquality);
    if (const ImageResult<> transcoded = pixels.transcode(quality, layOut, &small); !transcoded) {
        if (transcoded.error == ImageError::PaintRefused) {
            fail(BatchError::NoMemoryForLabel, transcoded);
            return std::nullopt;
        }
        small.want(oldThumbnail, orientation); // drops the rows of the failed pass
        // The decoder refused the data; the whole-raster road tries the
        // toolkit's readers too.
        if (const ImageResult<> decoded = pixels.decode(); !decoded) {
            fail(BatchError::Undecodable, decoded);
            return std::nullopt;
        }
        storedSize = pixels.raster().size();
        if (!drawLabelOnStoredPhoto(pixels.raster(), orientation, job.settings, caption)) {
            fail(BatchError::NoMemoryForLabel, {});
            return std::nullopt;
        }
        thumbnailOfRaster(small, pixels.raster());
        if (const ImageResult<> encoded = pixels.encode(quality); !encoded) {
            fail(BatchError::EncodeFailed, encoded);
            return std::nullopt;
        }
    }
    return StampedJpeg { pixels.encoded(), pixels.warnings(), pixels.firstWarning() };
}

// The source's metadata in front of the stamped JPEG, its thumbnail stamped
// too; bytes then lie in output.
void carryJpegMetadata(const PlannedPhoto &plan, const BatchJob &job, int orientation,
    const ExifThumbnailMaker &thumbnail, std::string_view &bytes, std::string &output)
{
    TimgData &metadata = *plan.metadata;
    restampThumbnail(metadata, bytes, orientation, &thumbnail);
    if (job.settings.FixExifDates)
        setOutputDates(metadata, plan.values);
    // A scan without EXIF still has its print density, caption and comment to keep.
    if (metadata.HasMetaData() || !metadata.xmpSegments.empty() || jfifSegment(metadata)) {
        ComposeExifJpeg(metadata, bytes, output);
        bytes = output;
    }
}

// The pixel work of one photo: one read, one pass that decodes, draws the
// label in the photo's own orientation and encodes, the source's metadata in
// front, one write. On failure the plain copy stands under the output name, as if
// the copy had come first, where that name fits the source's kind: a HEIC is
// never left under a ".jpg" name.
void stampPhotoUnlogged(PlannedPhoto &plan, const BatchJob &job, OutputNames &names, RunLog *log, WorkerMemory &memory,
    BatchPhotoResult &result)
{
    auto fail = [&](BatchError error, const ImageResult<> &why = {}) {
        const bool copyFits = plan.kind == PhotoKind::Jpeg || nameFitsKind(plan.output.toStdString(), plan.kind);
        if (copyFits && placeCopy(plan, job, names, log, result).ok())
            result.copiedUnchanged = true;
        result.outcome = PhotoOutcome::Failed;
        result.error = error;
        result.path = plan.source;
        result.imageError = why.error;
        result.detail = QString::fromStdString(why.detail);
    };

    if (const ImageResult<> read = memory.pixels.readFile(plan.source); !read)
        return fail(BatchError::Unreadable, read);
    const int orientation = plan.metadata->exifOrientation();

    const QString caption
        = GetCurrentFileStampText(job.settings.CaptionFormat, job.settings.DateFormat, plan.values, job.format);
    if (plan.kind != PhotoKind::Jpeg)
        return stampOtherKind(plan, job, names, log, memory, result, caption, fail);
    QSize storedSize;
    const auto layOut = [&](QSize stored) {
        storedSize = stored;
        return StoredPhotoLabel(stored, orientation, job.settings, caption);
    };
    std::optional<StampedJpeg> stamped
        = stampJpeg(memory, job, layOut, orientation, exifThumbnail(*plan.metadata), caption, storedSize, fail);
    if (!stamped)
        return;
    carryJpegMetadata(plan, job, orientation, memory.thumbnail, stamped->bytes, memory.output);
    finishStamped(plan, job, names, log, result, stamped->bytes, fail);
    result.warningCode = labelWarning(caption, storedSize, job.settings);
    if (result.warningCode == BatchWarning::None && stamped->warnings > 0) {
        result.warningCode = BatchWarning::DamagedData;
        result.warning = stamped->firstWarning.isEmpty() ? QStringLiteral("damaged data") : stamped->firstWarning;
    }
}

// The log hears of an output as soon as it stands, from the worker, so that a
// run killed at any moment leaves next to nothing that undo does not know of.
void stampPhoto(PlannedPhoto &plan, const BatchJob &job, OutputNames &names, RunLog *log, WorkerMemory &memory,
    BatchPhotoResult &result)
{
    stampPhotoUnlogged(plan, job, names, log, memory, result);
    if (log)
        log->photo(logEntry(result));
}

int workerCount(int jobs)
{
    if (jobs > 0)
        return jobs;
    return std::max(1, QThread::idealThreadCount());
}

// A run left to choose its own workers and given fewer photos than cores
// (a Save As, a single photo) decodes ahead on the idle ones; an asked-for
// number of jobs is a promise of how many cores the run takes.
bool decodesAhead(const BatchJob &job, int photos)
{
    return job.jobs <= 0 && std::min(workerCount(job.jobs), photos) < QThread::idealThreadCount();
}

} // namespace

int BatchReport::count(PhotoOutcome outcome) const
{
    return static_cast<int>(std::count_if(
        photos.begin(), photos.end(), [outcome](const BatchPhotoResult &r) { return r.outcome == outcome; }));
}

int BatchReport::warned() const
{
    return static_cast<int>(std::count_if(photos.begin(), photos.end(), [](const BatchPhotoResult &r) {
        return r.outcome == PhotoOutcome::Stamped && r.warningCode != BatchWarning::None;
    }));
}

int BatchReport::copied() const
{
    return static_cast<int>(std::count_if(photos.begin(), photos.end(), [](const BatchPhotoResult &r) {
        return r.outcome == PhotoOutcome::Copied || (r.outcome == PhotoOutcome::Failed && r.copiedUnchanged);
    }));
}

namespace {

// Workers hand back finished indexes here and wake the list thread, which
// reports them; it sleeps on the condition, never on a clock.
class FinishedPhotos
{
public:
    FinishedPhotos(const BatchReport &report, BatchProgress *progress)
        : m_report(report)
        , m_progress(progress)
    {
    }

    void report(const BatchPhotoResult &result)
    {
        if (m_progress)
            m_progress->photoFinished(result);
    }

    // Reports what workers finished since the last call.
    void reportFinished()
    {
        std::vector<int> finished;
        {
            std::lock_guard<std::mutex> locker(m_lock);
            finished.swap(m_done);
        }
        for (int index : finished)
            report(m_report.photos[static_cast<size_t>(index)]);
    }

    // Waiting for a free worker keeps at most one full-size raster per worker.
    void takeWorker(int workers)
    {
        waitUntil([&] { return m_running < workers; });
        std::lock_guard<std::mutex> locker(m_lock);
        ++m_running;
    }

    // From a worker: index is finished.
    void workerDone(int index)
    {
        {
            std::lock_guard<std::mutex> locker(m_lock);
            m_done.push_back(index);
            --m_running;
        }
        m_changed.notify_all();
    }

    void waitForWorkers()
    {
        waitUntil([&] { return m_running == 0; });
    }

private:
    // Reports what finishes until ready() holds (checked under the lock).
    template<typename Ready> void waitUntil(Ready ready)
    {
        for (;;) {
            reportFinished();
            std::unique_lock<std::mutex> locker(m_lock);
            if (ready())
                return;
            m_changed.wait(locker, [&] { return !m_done.empty() || ready(); });
        }
    }

    const BatchReport &m_report;
    BatchProgress *m_progress;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<int> m_done; // indexes finished by workers, not yet reported
    int m_running = 0;
};

std::unique_ptr<RunLog> startRunLog(const QString &folder, const BatchJob &job, BatchReport &report)
{
    std::unique_ptr<RunLog> log = RunLog::start(job.runLogFolder.isEmpty() ? defaultRunLogFolder() : job.runLogFolder,
        folder, designJson(job.settings, job.options), job.plan, &report.runLogError);
    if (log) {
        report.runLog = log->id();
        if (job.outputFolderIsNew)
            log->folderMade(cleanAbsolute(folder));
    }
    return log;
}

} // namespace

BatchReport RunBatch(
    const QStringList &photoList, const QString &outputFolder, const BatchJob &job, BatchProgress *progress)
{
    BatchReport report;
    const int count = static_cast<int>(photoList.size());
    report.photos.resize(static_cast<size_t>(count));
    const QString folder = QDir::cleanPath(QDir::fromNativeSeparators(outputFolder));
    const int workers = workerCount(job.jobs);

    const std::unique_ptr<RunLog> log = startRunLog(folder, job, report);
    if (!log && job.options.existingRule() == ExistingRule::Replace) {
        // Replacing files that undo could not bring back is not done.
        report.photos.clear();
        if (progress) {
            progress->ProgressStart();
            progress->ProgressEnd();
        }
        return report;
    }

    const KeptMemoryRelease releaseAtEnd; // the run's freed blocks go back to the system after it
    WorkerMemories memories(decodesAhead(job, count));
    QThreadPool pool;
    pool.setMaxThreadCount(workers);
    FinishedPhotos finished(report, progress);

    if (progress)
        progress->ProgressStart();
    OutputNames names(photoList);
    names.clearLeftovers(folder);
    int handedOut = 0;
    for (int i = 0; i < count; ++i) {
        finished.reportFinished();
        const bool cancelled = job.cancel && job.cancel->load();
        if (cancelled || (progress && !progress->ProgressStep(i + 1, count))) {
            report.cancelled = true;
            break;
        }
        BatchPhotoResult &result = report.photos[static_cast<size_t>(i)];
        ++handedOut;
        std::optional<PlannedPhoto> plan
            = preparePhoto(photoList.at(i), folder, nullptr, i, job, names, log.get(), result);
        if (!plan) {
            if (log)
                log->photo(logEntry(result));
            finished.report(result);
            continue;
        }
        if (workers == 1) {
            std::unique_ptr<WorkerMemory> memory = memories.take();
            stampPhoto(*plan, job, names, log.get(), *memory, result);
            memories.give(std::move(memory));
            finished.report(result);
            continue;
        }
        finished.takeWorker(workers);
        pool.start([&, i, plan = std::move(*plan)]() mutable {
            std::unique_ptr<WorkerMemory> memory = memories.take();
            stampPhoto(plan, job, names, log.get(), *memory, report.photos[static_cast<size_t>(i)]);
            memories.give(std::move(memory));
            finished.workerDone(i);
        });
    }
    finished.waitForWorkers();
    pool.waitForDone();
    finished.reportFinished();
    report.photos.resize(static_cast<size_t>(handedOut));
    if (log)
        log->finish(report.cancelled);
    if (progress)
        progress->ProgressEnd();
    return report;
}

std::vector<BatchPhotoResult> PlanBatch(const QStringList &photoList, const QString &outputFolder, const BatchJob &job)
{
    const QString folder = QDir::cleanPath(QDir::fromNativeSeparators(outputFolder));
    std::vector<BatchPhotoResult> plans(static_cast<size_t>(photoList.size()));
    OutputNames names(photoList);
    for (qsizetype i = 0; i < photoList.size(); ++i)
        planPhoto(photoList.at(i), folder, nullptr, int(i), job, names, plans[static_cast<size_t>(i)]);
    return plans;
}

BatchPlan MakeBatchPlan(const QStringList &photoList, const QString &outputFolder, const BatchJob &job)
{
    BatchPlan plan;
    plan.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    plan.outputFolder = QDir::cleanPath(QFileInfo(outputFolder).absoluteFilePath());
    plan.settings = job.settings;
    plan.options = job.options;
    plan.counterStart = job.counterStart;
    plan.photos = PlanBatch(photoList, plan.outputFolder, job);
    return plan;
}

BatchPhotoResult SaveStampedAs(const QString &source, const QString &target, const BatchJob &job)
{
    BatchPhotoResult result;
    OutputNames names;
    std::optional<PlannedPhoto> plan = preparePhoto(source, QString(), &target, 0, job, names, nullptr, result);
    if (plan) {
        WorkerMemory memory;
        memory.pixels.setDecodeAhead(decodesAhead(job, 1));
        stampPhoto(*plan, job, names, nullptr, memory, result);
    }
    return result;
}

} // namespace kelvra
