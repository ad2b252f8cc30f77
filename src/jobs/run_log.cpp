// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/run_log.h"

#include "platform/atomic_file.h"
#include "platform/data_folder.h"
#include "platform/file_ops.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QSet>

#include <openssl/evp.h>

#include <algorithm>
#include <filesystem>

namespace kelvra {

namespace {

const char kLogSuffix[] = ".json";
const char kJournalSuffix[] = ".journal";
const char kTrashSuffix[] = ".trash";

const std::pair<ExistingOutcome, const char *> kExistingNames[] = {
    { ExistingOutcome::None, "none" },
    { ExistingOutcome::KeptBoth, "kept both" },
    { ExistingOutcome::Replaced, "replaced" },
    { ExistingOutcome::Skipped, "skipped" },
    { ExistingOutcome::IsSource, "source" },
    { ExistingOutcome::WrittenBefore, "written before" },
};

} // namespace

ExistingOutcome existingOutcomeFromName(const QString &name)
{
    for (const auto &[outcome, text] : kExistingNames) {
        if (name == QLatin1String(text))
            return outcome;
    }
    return ExistingOutcome::None;
}

namespace {

QString isoTime(const QDateTime &time)
{
    return time.isValid() ? time.toString(Qt::ISODateWithMs) : QString();
}

QJsonValue timeJson(const QDateTime &time)
{
    return time.isValid() ? QJsonValue(isoTime(time)) : QJsonValue();
}

QJsonObject photoJson(const RunLogPhoto &p)
{
    QJsonObject o { { QStringLiteral("source"), p.source },
        { QStringLiteral("output"), p.output.isEmpty() ? QJsonValue() : QJsonValue(p.output) },
        { QStringLiteral("existing"), QLatin1String(existingOutcomeName(p.existing)) } };
    if (!p.wanted.isEmpty() && p.wanted != p.output)
        o.insert(QStringLiteral("wanted"), p.wanted);
    if (p.size >= 0) {
        o.insert(QStringLiteral("size"), double(p.size));
        o.insert(QStringLiteral("sha256"), QString::fromLatin1(p.sha256));
    }
    if (!p.kept.isEmpty())
        o.insert(QStringLiteral("kept"), p.kept);
    return o;
}

RunLogPhoto photoFromJson(const QJsonObject &o)
{
    RunLogPhoto p;
    p.source = o.value(QStringLiteral("source")).toString();
    p.output = o.value(QStringLiteral("output")).toString();
    p.wanted = o.value(QStringLiteral("wanted")).toString(p.output);
    p.size = static_cast<qint64>(o.value(QStringLiteral("size")).toDouble(-1));
    p.sha256 = o.value(QStringLiteral("sha256")).toString().toLatin1();
    p.existing = existingOutcomeFromName(o.value(QStringLiteral("existing")).toString());
    p.kept = o.value(QStringLiteral("kept")).toString();
    return p;
}

QJsonObject contentsJson(const RunLogContents &c)
{
    QJsonArray photos;
    for (const RunLogPhoto &p : c.photos)
        photos.append(photoJson(p));
    QJsonObject o { { QStringLiteral("kelvraRunLog"), 1 }, { QStringLiteral("id"), c.id },
        { QStringLiteral("started"), timeJson(c.started) }, { QStringLiteral("finished"), timeJson(c.finished) },
        { QStringLiteral("cancelled"), c.cancelled }, { QStringLiteral("undone"), timeJson(c.undone) },
        { QStringLiteral("outputFolder"), c.outputFolder }, { QStringLiteral("design"), c.design },
        { QStringLiteral("folders"), QJsonArray::fromStringList(c.folders) }, { QStringLiteral("photos"), photos } };
    if (!c.plan.isEmpty())
        o.insert(QStringLiteral("plan"), c.plan);
    return o;
}

QDateTime timeFrom(const QJsonValue &value)
{
    return QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
}

// Merges a journal line into the contents: a photo replaces an earlier line
// about the same output (the note of a file kept aside before it).
void applyJournalLine(RunLogContents &c, const QJsonObject &line)
{
    if (line.contains(QStringLiteral("folder"))) {
        const QString folder = line.value(QStringLiteral("folder")).toString();
        if (!c.folders.contains(folder))
            c.folders << folder;
        return;
    }
    RunLogPhoto p;
    if (line.contains(QStringLiteral("photo"))) {
        p = photoFromJson(line.value(QStringLiteral("photo")).toObject());
    } else if (line.contains(QStringLiteral("keptAside"))) {
        const QJsonObject o = line.value(QStringLiteral("keptAside")).toObject();
        // Not yet written: undo puts the old file back if the name is free.
        p.output = o.value(QStringLiteral("output")).toString();
        p.wanted = p.output;
        p.kept = o.value(QStringLiteral("kept")).toString();
        p.sha256 = o.value(QStringLiteral("writing")).toString().toLatin1();
        p.existing = ExistingOutcome::Replaced;
    } else {
        return;
    }
    if (!p.output.isEmpty()) {
        auto same = std::find_if(c.photos.begin(), c.photos.end(),
            [&](const RunLogPhoto &q) { return q.output == p.output && q.size < 0 && !q.kept.isEmpty(); });
        if (same != c.photos.end()) {
            if (p.kept.isEmpty())
                p.kept = same->kept;
            *same = p;
            return;
        }
    }
    c.photos.push_back(p);
}

QString journalOf(const QString &logPath)
{
    return logPath.left(logPath.size() - int(qstrlen(kLogSuffix))) + QLatin1String(kJournalSuffix);
}

QString trashOf(const QString &logPath)
{
    return logPath.left(logPath.size() - int(qstrlen(kLogSuffix))) + QLatin1String(kTrashSuffix);
}

FileResult writeJson(const QString &path, const QJsonObject &object)
{
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Indented);
    return writeFileAtomically(nativePath(path), std::string_view(bytes.constData(), size_t(bytes.size())));
}

// A run's id sorts by its start: the time to the millisecond, then the
// process, then chance, so two runs started at once get two logs.
QString newRunId(const QDateTime &now)
{
    return now.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) + QLatin1Char('-')
        + QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-')
        + QString::number(QRandomGenerator::global()->bounded(0x10000), 16).rightJustified(4, QLatin1Char('0'));
}

void removeOldTrash(const QString &folder)
{
    const QDateTime limit = QDateTime::currentDateTime().addDays(-RunLog::kTrashDays);
    const QDir dir(folder);
    for (const QString &name : dir.entryList({ QStringLiteral("*") + QLatin1String(kTrashSuffix) }, QDir::Dirs)) {
        const QString trash = dir.filePath(name);
        if (QFileInfo(trash).lastModified() < limit)
            QDir(trash).removeRecursively();
    }
}

} // namespace

int RunLogContents::outputs() const
{
    return static_cast<int>(std::count_if(photos.begin(), photos.end(), [](const RunLogPhoto &p) {
        return !p.output.isEmpty() && p.size >= 0 && p.existing != ExistingOutcome::IsSource;
    }));
}

const char *existingOutcomeName(ExistingOutcome outcome)
{
    for (const auto &[value, text] : kExistingNames) {
        if (value == outcome)
            return text;
    }
    return "none";
}

namespace {

// OpenSSL's digest uses the processor's SHA instructions where it has them:
// several times the speed of a portable one, which a batch would feel.
class Sha256
{
public:
    Sha256()
        : m_context(EVP_MD_CTX_new())
    {
        m_ok = m_context && EVP_DigestInit_ex(m_context, EVP_sha256(), nullptr) == 1;
    }
    ~Sha256() { EVP_MD_CTX_free(m_context); }
    Sha256(const Sha256 &) = delete;
    Sha256 &operator=(const Sha256 &) = delete;

    void add(const char *data, size_t size) { m_ok = m_ok && EVP_DigestUpdate(m_context, data, size) == 1; }
    QByteArray hex()
    {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (!m_ok || EVP_DigestFinal_ex(m_context, digest, &length) != 1)
            return {};
        return QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex();
    }

private:
    EVP_MD_CTX *m_context;
    bool m_ok = false;
};

} // namespace

QByteArray sha256Hex(std::string_view bytes)
{
    Sha256 hash;
    hash.add(bytes.data(), bytes.size());
    return hash.hex();
}

QByteArray sha256OfFile(const QString &path, qint64 *size)
{
    QFile file;
    if (!openForReading(file, path))
        return {};
    Sha256 hash;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qint64 n = file.read(buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (n == 0)
            break;
        hash.add(buffer.constData(), size_t(n));
        total += n;
    }
    if (size)
        *size = total;
    return hash.hex();
}

QString defaultRunLogFolder()
{
    return GetDataFolder() + QStringLiteral("runs");
}

std::unique_ptr<RunLog> RunLog::start(
    const QString &folder, const QString &outputFolder, const QJsonObject &design, const QString &plan, QString *error)
{
    if (!makeFolders(folder)) {
        if (error)
            *error = QStringLiteral("cannot create ") + folder;
        return nullptr;
    }
    removeOldTrash(folder);
    std::unique_ptr<RunLog> log(new RunLog);
    RunLogContents &c = log->m_contents;
    c.started = QDateTime::currentDateTime();
    c.id = newRunId(c.started);
    c.path = QDir(folder).filePath(c.id + QLatin1String(kLogSuffix));
    c.outputFolder = QDir::cleanPath(QFileInfo(outputFolder).absoluteFilePath());
    c.design = design;
    c.plan = plan;
    log->m_journal = journalOf(c.path);
    if (!log->writeWhole(error))
        return nullptr;
    return log;
}

RunLog::~RunLog() = default;

bool RunLog::writeWhole(QString *error)
{
    const FileResult written = writeJson(m_contents.path, contentsJson(m_contents));
    if (!written.ok() && error)
        *error = QStringLiteral("cannot write ") + m_contents.path + QStringLiteral(": ")
            + QString::fromStdString(written.detail);
    return written.ok();
}

void RunLog::append(const QJsonObject &line)
{
    // One write per line, appended: a killed run leaves whole lines, at worst
    // one cut short, which the reader passes over.
    QFile journal(m_journal);
    if (!journal.open(QIODevice::Append | QIODevice::Unbuffered))
        return;
    journal.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
}

QString RunLog::trashPathFor(const QString &output)
{
    QMutexLocker locker(&m_lock);
    const QString trash = trashOf(m_contents.path);
    makeFolders(trash);
    return QDir(trash).filePath(QString::number(++m_trashCount) + QLatin1Char('-') + QFileInfo(output).fileName());
}

void RunLog::keptAside(const QString &output, const QString &kept, const QByteArray &writing)
{
    QMutexLocker locker(&m_lock);
    QJsonObject aside { { QStringLiteral("output"), output }, { QStringLiteral("kept"), kept } };
    if (!writing.isEmpty())
        aside.insert(QStringLiteral("writing"), QString::fromLatin1(writing));
    const QJsonObject line { { QStringLiteral("keptAside"), aside } };
    append(line);
    applyJournalLine(m_contents, line);
}

void RunLog::folderMade(const QString &folder)
{
    QMutexLocker locker(&m_lock);
    append({ { QStringLiteral("folder"), folder } });
    applyJournalLine(m_contents, { { QStringLiteral("folder"), folder } });
}

void RunLog::photo(const RunLogPhoto &photo)
{
    QMutexLocker locker(&m_lock);
    const QJsonObject line { { QStringLiteral("photo"), photoJson(photo) } };
    append(line);
    applyJournalLine(m_contents, line);
}

void RunLog::finish(bool cancelled)
{
    QMutexLocker locker(&m_lock);
    m_contents.finished = QDateTime::currentDateTime();
    m_contents.cancelled = cancelled;
    if (writeWhole())
        QFile::remove(m_journal);
}

std::optional<RunLogContents> readRunLog(const QString &path)
{
    QFile file;
    if (!openForReading(file, path))
        return std::nullopt;
    const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
    if (o.value(QStringLiteral("kelvraRunLog")).toInt() != 1)
        return std::nullopt;
    RunLogContents c;
    c.path = path;
    c.id = o.value(QStringLiteral("id")).toString();
    c.started = timeFrom(o.value(QStringLiteral("started")));
    c.finished = timeFrom(o.value(QStringLiteral("finished")));
    c.undone = timeFrom(o.value(QStringLiteral("undone")));
    c.cancelled = o.value(QStringLiteral("cancelled")).toBool();
    c.outputFolder = o.value(QStringLiteral("outputFolder")).toString();
    c.plan = o.value(QStringLiteral("plan")).toString();
    c.design = o.value(QStringLiteral("design")).toObject();
    for (const QJsonValue &folder : o.value(QStringLiteral("folders")).toArray())
        c.folders << folder.toString();
    for (const QJsonValue &photo : o.value(QStringLiteral("photos")).toArray())
        c.photos.push_back(photoFromJson(photo.toObject()));
    // A run that did not end left its journal: what it did is there.
    QFile journal;
    if (!c.finished.isValid() && openForReading(journal, journalOf(path))) {
        for (const QByteArray &line : journal.readAll().split('\n')) {
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            if (!object.isEmpty())
                applyJournalLine(c, object);
        }
    }
    return c;
}

std::vector<RunLogContents> listRunLogs(const QString &folder)
{
    std::vector<RunLogContents> logs;
    const QDir dir(folder);
    for (const QString &name : dir.entryList({ QStringLiteral("*") + QLatin1String(kLogSuffix) }, QDir::Files)) {
        if (std::optional<RunLogContents> log = readRunLog(dir.filePath(name)))
            logs.push_back(std::move(*log));
    }
    std::sort(logs.begin(), logs.end(), [](const RunLogContents &a, const RunLogContents &b) {
        return a.started != b.started ? a.started > b.started : a.id > b.id;
    });
    return logs;
}

QStringList loggedOutputs(const QString &folder, const QString &outputFolder)
{
    QStringList outputs;
    const QString wanted = QDir::cleanPath(QFileInfo(outputFolder).absoluteFilePath());
    for (const RunLogContents &log : listRunLogs(folder)) {
        // A sorted copy is a photo as good as its source; a stamped one is not.
        if (log.outputFolder != wanted && !log.design.value(QStringLiteral("stamp")).toBool())
            continue;
        for (const RunLogPhoto &p : log.photos) {
            if (!p.output.isEmpty() && p.existing != ExistingOutcome::IsSource)
                outputs << p.output;
        }
    }
    return outputs;
}

int UndoReport::count(UndoStep::What what) const
{
    return static_cast<int>(
        std::count_if(steps.begin(), steps.end(), [what](const UndoStep &s) { return s.what == what; }));
}

UndoReport undoRun(const QString &folder, const QString &id)
{
    UndoReport report;
    const std::vector<RunLogContents> logs = listRunLogs(folder);
    auto chosen = std::find_if(logs.begin(), logs.end(),
        [&](const RunLogContents &log) { return id.isEmpty() ? !log.undone.isValid() : log.id.startsWith(id); });
    if (chosen == logs.end())
        return report;
    report.run = *chosen;
    if (report.run.undone.isValid()) {
        report.status = UndoReport::Status::AlreadyUndone;
        return report;
    }

    // Outputs are files the run made, never a source's other name, so the
    // paths tell; comparing every output with every source on the disk would
    // cost a run of n photos n * n looks.
    QSet<QString> sources;
    for (const RunLogPhoto &p : report.run.photos)
        sources.insert(QDir::cleanPath(QFileInfo(p.source).absoluteFilePath()));
    auto isSource
        = [&](const QString &path) { return sources.contains(QDir::cleanPath(QFileInfo(path).absoluteFilePath())); };
    bool trashEmptied = true;
    for (auto p = report.run.photos.rbegin(); p != report.run.photos.rend(); ++p) {
        if (p->output.isEmpty() || p->existing == ExistingOutcome::IsSource || isSource(p->output))
            continue;
        bool nameFree = !pathExists(p->output);
        if (nameFree) {
            if (p->size >= 0)
                report.steps.push_back({ UndoStep::What::Gone, p->output, {} });
        } else if (p->size >= 0) {
            qint64 size = -1;
            const QByteArray hash = sha256OfFile(p->output, &size);
            if (size != p->size || hash != p->sha256) {
                report.steps.push_back({ UndoStep::What::Changed, p->output, {} });
            } else if (QFile::remove(p->output)) {
                report.steps.push_back({ UndoStep::What::Removed, p->output, {} });
                nameFree = true;
            } else {
                report.steps.push_back({ UndoStep::What::Failed, p->output, QStringLiteral("cannot remove it") });
            }
        }
        if (p->kept.isEmpty())
            continue;
        if (!pathExists(p->kept)) {
            if (p->size >= 0)
                report.steps.push_back({ UndoStep::What::NoLongerKept, p->output, {} });
            continue;
        }
        if (p->size < 0 && !nameFree) {
            // Killed after keeping the old file aside: whether it was replaced
            // is told by what stands under its name now.
            const QByteArray now = sha256OfFile(p->output);
            if (isSameFile(p->kept, p->output) || sha256OfFile(p->kept) == now) {
                QFile::remove(p->kept);
                continue;
            }
            // The run's own output, killed before it was logged, goes; any
            // other file there is someone's since and stays.
            if (p->sha256.isEmpty() || now != p->sha256 || !QFile::remove(p->output)) {
                trashEmptied = false;
                report.steps.push_back({ UndoStep::What::NotRestored, p->kept, p->output });
                continue;
            }
            report.steps.push_back({ UndoStep::What::Removed, p->output, {} });
            nameFree = true;
        }
        const FileResult moved = nameFree ? moveToFreeName(nativePath(p->kept), nativePath(p->output))
                                          : FileResult { FileError::NameTaken, {}, {} };
        if (moved.ok()) {
            report.steps.push_back({ UndoStep::What::Restored, p->output, {} });
        } else {
            trashEmptied = false;
            report.steps.push_back({ UndoStep::What::NotRestored, p->kept, p->output });
        }
    }
    for (auto f = report.run.folders.crbegin(); f != report.run.folders.crend(); ++f) {
        if (QDir(*f).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System) && QDir().rmdir(*f))
            report.steps.push_back({ UndoStep::What::FolderRemoved, *f, {} });
    }
    if (trashEmptied)
        QDir(trashOf(report.run.path)).removeRecursively();

    report.run.undone = QDateTime::currentDateTime();
    if (!report.run.finished.isValid())
        report.run.finished = report.run.undone; // what the journal said is in the log now
    report.status = writeJson(report.run.path, contentsJson(report.run)).ok() ? UndoReport::Status::Done
                                                                              : UndoReport::Status::LogUnwritable;
    if (report.status == UndoReport::Status::Done)
        QFile::remove(journalOf(report.run.path));
    return report;
}

} // namespace kelvra
