// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace kelvra {

// What became of a file that held an output's name before the run.
enum class ExistingOutcome {
    None, // the name was free
    KeptBoth, // the output took the next free number instead
    Replaced, // the old file waits in the run's trash until the run is undone or old
    Skipped, // the photo was left out
    IsSource, // the name is the source itself: nothing was written
    WrittenBefore, // an earlier run of the same plan wrote exactly this output: left as it is
};

// One photo as a run log keeps it.
struct RunLogPhoto
{
    QString source;
    QString output; // empty when nothing was written
    QString wanted; // the name the design asked for
    qint64 size = -1;
    QByteArray sha256; // lowercase hex; with size < 0, of the output being written over a kept file
    ExistingOutcome existing = ExistingOutcome::None;
    QString kept; // Replaced: where the old file waits
};

struct RunLogContents
{
    QString id;
    QString path; // the log file
    QDateTime started;
    QDateTime finished; // invalid when the run did not end (killed, say)
    QDateTime undone; // invalid until undone
    bool cancelled = false;
    QString outputFolder;
    QString plan; // the plan a shard carried out; empty for a whole run
    QJsonObject design;
    QStringList folders; // made by the run, parents first
    std::vector<RunLogPhoto> photos;

    int outputs() const; // photos written
};

// The data folder's "runs" folder, where every run keeps its log.
QString defaultRunLogFolder();

// The log of one running batch: a JSON file written when the run starts and
// when it ends, and between the two a journal beside it that gets a line per
// photo, so that a run killed on its way still leaves a log undo can use.
// Safe to call from any thread.
class RunLog
{
public:
    // Starts a log in folder (made on demand). Nothing, with the system's
    // words in *error, when it cannot be written. Trash of runs older than
    // kTrashDays goes at the same time.
    static std::unique_ptr<RunLog> start(const QString &folder, const QString &outputFolder, const QJsonObject &design,
        const QString &plan = QString(), QString *error = nullptr);
    ~RunLog();

    const QString &id() const { return m_contents.id; }
    const QString &path() const { return m_contents.path; }

    // A free name in the run's trash for the file now at output.
    QString trashPathFor(const QString &output);
    // Before a file is replaced: it now waits at kept too, and what replaces
    // it has the hash writing, so that undo knows it if the run dies before
    // the photo is logged.
    void keptAside(const QString &output, const QString &kept, const QByteArray &writing);
    void folderMade(const QString &folder);
    void photo(const RunLogPhoto &photo);
    void finish(bool cancelled);

    static constexpr int kTrashDays = 30;

private:
    RunLog() = default;
    void append(const QJsonObject &line);
    bool writeWhole(QString *error = nullptr);

    QMutex m_lock;
    RunLogContents m_contents;
    QString m_journal;
    int m_trashCount = 0;
};

// Every log in folder, newest first; unreadable files are passed over.
std::vector<RunLogContents> listRunLogs(const QString &folder);
std::optional<RunLogContents> readRunLog(const QString &path);

// The outputs that the logs in folder name for runs that stamped, or that
// wrote into outputFolder, as absolute paths, so that a rerun never takes
// them for photos.
QStringList loggedOutputs(const QString &folder, const QString &outputFolder);

// What undo did with one file of a run.
struct UndoStep
{
    enum class What {
        Removed, // an output as the run wrote it
        Restored, // a replaced file put back under its name
        Changed, // the output is no longer what the run wrote: left
        Gone, // the output was already gone
        NotRestored, // the replaced file could not go back: it stays at path
        NoLongerKept, // path: a replaced file whose copy in the trash is gone (kept 30 days)
        Failed, // the system refused; detail says why
        FolderRemoved, // a folder the run made, empty again
    };
    What what;
    QString path;
    QString detail;
};

struct UndoReport
{
    enum class Status { Done, NoRun, AlreadyUndone, LogUnwritable };
    Status status = Status::NoRun;
    RunLogContents run;
    std::vector<UndoStep> steps;
    int count(UndoStep::What what) const;
};

// Undoes the run whose id (or the start of it) is given, or with an empty id
// the newest run not yet undone: deletes the outputs that are still exactly
// as written, puts back what the run replaced, removes the folders it made
// that are empty again. Sources are never touched.
UndoReport undoRun(const QString &folder, const QString &id = QString());

const char *existingOutcomeName(ExistingOutcome outcome);
ExistingOutcome existingOutcomeFromName(const QString &name);

// SHA-256 in lowercase hex, of bytes or of a file's content (with its size);
// empty when the file cannot be read.
QByteArray sha256Hex(std::string_view bytes);
QByteArray sha256OfFile(const QString &path, qint64 *size = nullptr);

} // namespace kelvra
