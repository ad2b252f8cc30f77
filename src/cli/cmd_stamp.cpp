// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-cli stamp: the batch run without a window.
#include "cli/command.h"
#include "cli/design_options.h"
#include "cli/failure_text.h"
#include "cli/plan_json.h"
#include "cli/stamp_report.h"

#include "jobs/batch_plan.h"
#include "jobs/batch_run.h"
#include "jobs/photo_list.h"
#include "jobs/run_log.h"
#include "platform/console.h"
#include "platform/file_ops.h"
#include "stamp/file_mask.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace kelvra::cli {

namespace {

const char *const kStampUsage
    = "usage: kelvra-cli stamp [design options] [--rename MASK] [--no-stamp] [--quality N|--keep-quality]\n"
      "         [--postfix TEXT] [--gps-form N] [--jobs N] [--existing keep|replace|skip] [--dry-run] [--recursive]\n"
      "         [--verbose|--quiet|--json] [--counter-start N]\n"
      "         --out DIR PHOTO|FOLDER...|--from-list FILE [--null]\n"
      "       kelvra-cli stamp --plan FILE [--shard I/N] [--jobs N] [--verbose|--quiet|--json]\n"
      "       design options: [--cfg FILE] [--caption TEXT] [--date-format F] [--font NAME] [--size N]\n"
      "         [--color #RRGGBB] [--bg #RRGGBB|none] [--outline-color #RRGGBB|none] [--bold] [--italic]\n"
      "         [--underline] [--shadow] [--outline] [--place tl|tr|br|bl] [--look NAME] [--glow]\n"
      "         [--glow-color #RRGGBB|none] [--glow-size N] [--bg-alpha N] [--strip none|across|down]\n"
      "         (--look: a ready design, see kelvra-cli looks; a line break in the caption starts a second "
      "line)\n" KELVRA_DATE_USAGE;

// How much the run prints on standard output.
enum class Report { Summary, Verbose, Quiet, Json };

struct StampArguments
{
    BatchJob job;
    QString outDir;
    PhotoInputs inputs;
    Report report = Report::Summary;
    bool recursive = false;
    bool dryRun = false;
    std::optional<BatchPlan> plan; // --plan: the design and every name come from it
    int shard = 0, shardCount = 1;
};

// The paths of a list file (or standard input for "-"), one a line or, with
// nulSeparated, one per NUL-ended record as find -print0 gives them.
std::optional<QStringList> readPathList(const QString &file, bool nulSeparated, QString *error)
{
    QFile list;
    const bool opened = file == QLatin1String("-") ? list.open(stdin, QIODevice::ReadOnly) : openForReading(list, file);
    if (!opened) {
        *error = QStringLiteral("cannot read the list %1: %2").arg(file, list.errorString());
        return std::nullopt;
    }
    QStringList paths;
    for (QByteArray entry : list.readAll().split(nulSeparated ? '\0' : '\n')) {
        if (!nulSeparated && entry.endsWith('\r'))
            entry.chop(1);
        if (!entry.isEmpty())
            paths << fromNativeBytes(std::string_view(entry.constData(), size_t(entry.size())));
    }
    return paths;
}

std::optional<int> wholeNumber(const QString &text, int min, int max)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < min || n > max)
        return std::nullopt;
    return n;
}

// What the option loop gathers before the options are checked together.
struct LooseOptions
{
    QStringList inputs;
    QString reportFlag;
    bool quality = false;
    QString planFile, listFile, shardText;
    bool nulSeparated = false;
    bool designGiven = false;
    // Options that decide names or the design, which a plan has decided already.
    QStringList decided;
};

std::optional<QString> missingValue(const QString &arg)
{
    static const QStringList valueOptions { QStringLiteral("--rename"), QStringLiteral("--quality"),
        QStringLiteral("--postfix"), QStringLiteral("--gps-form"), QStringLiteral("--jobs"), QStringLiteral("--out"),
        QStringLiteral("--existing"), QStringLiteral("--plan"), QStringLiteral("--shard"),
        QStringLiteral("--from-list"), QStringLiteral("--counter-start") };
    if (!valueOptions.contains(arg))
        return std::nullopt;
    const bool number = arg != QLatin1String("--rename") && arg != QLatin1String("--postfix")
        && arg != QLatin1String("--out") && arg != QLatin1String("--existing");
    return needsValue(arg,
        number                                   ? "a number"
            : arg == QLatin1String("--out")      ? "a folder"
            : arg == QLatin1String("--existing") ? "keep, replace or skip"
                                                 : "a value");
}

std::optional<QString> takeReportFlag(const QString &arg, StampArguments &parsed, LooseOptions &loose)
{
    // Each asks for a different output: which one wins would be a guess.
    if (!loose.reportFlag.isEmpty())
        return loose.reportFlag + QStringLiteral(" and ") + arg + QStringLiteral(" exclude each other");
    loose.reportFlag = arg;
    parsed.report = arg == QLatin1String("--verbose") ? Report::Verbose
        : arg == QLatin1String("--quiet")             ? Report::Quiet
                                                      : Report::Json;
    return std::nullopt;
}

std::optional<QString> takeRename(const QString &mask, StampSettings &s)
{
    s.RenamePhotos = true;
    s.FNMask = mask;
    if (s.FNMask.trimmed().isEmpty()) {
        BatchPhotoResult refused;
        refused.error = BatchError::EmptyMask;
        return failureText(refused);
    }
    if (const QString mistake = maskMistakeText(checkFileMask(s.FNMask), s.FNMask); !mistake.isEmpty())
        return mistake;
    return std::nullopt;
}

std::optional<QString> takeExistingRule(const QString &arg, const QString &rule, AppOptions &o)
{
    if (rule == QLatin1String("keep"))
        o.ExistingFiles = int(ExistingRule::KeepBoth);
    else if (rule == QLatin1String("replace"))
        o.ExistingFiles = int(ExistingRule::Replace);
    else if (rule == QLatin1String("skip"))
        o.ExistingFiles = int(ExistingRule::Skip);
    else
        return needsValue(arg, "keep, replace or skip");
    return std::nullopt;
}

// A number option within its range, stored through store.
template<typename Store>
std::optional<QString> takeNumber(
    const QString &arg, const QString &text, int min, int max, const char *wanted, Store store)
{
    const auto n = wholeNumber(text, min, max);
    if (!n)
        return needsValue(arg, wanted);
    store(*n);
    return std::nullopt;
}

// One option that takes a value, the value given; false when arg is none.
bool takeValueOption(
    const QString &arg, const QString &v, StampArguments &parsed, LooseOptions &loose, std::optional<QString> &error)
{
    StampSettings &s = parsed.job.settings;
    AppOptions &o = parsed.job.options;
    if (arg == QLatin1String("--rename")) {
        error = takeRename(v, s);
    } else if (arg == QLatin1String("--quality")) {
        error = takeNumber(arg, v, 1, 100, "a whole number from 1 to 100", [&](int q) { o.jpgquality = q; });
        loose.quality = !error;
    } else if (arg == QLatin1String("--postfix")) {
        o.FilePostfix = v;
    } else if (arg == QLatin1String("--gps-form")) {
        error = takeNumber(arg, v, 0, 2, "0, 1 or 2", [&](int form) { o.GPSForm = form; });
    } else if (arg == QLatin1String("--jobs")) {
        error = takeNumber(arg, v, 1, 256, "a whole number from 1 to 256", [&](int jobs) { parsed.job.jobs = jobs; });
    } else if (arg == QLatin1String("--out")) {
        parsed.outDir = v;
    } else if (arg == QLatin1String("--plan")) {
        loose.planFile = v;
    } else if (arg == QLatin1String("--shard")) {
        loose.shardText = v;
    } else if (arg == QLatin1String("--from-list")) {
        loose.listFile = v;
    } else if (arg == QLatin1String("--counter-start")) {
        error = takeNumber(arg, v, 0, 999999999, "a whole number from 0 to 999999999",
            [&](int start) { parsed.job.counterStart = start; });
    } else if (arg == QLatin1String("--existing")) {
        error = takeExistingRule(arg, v, o);
    } else {
        return false;
    }
    return true;
}

// The options after the design's, in any order; photos and folders between them.
std::optional<QString> takeStampOptions(const QStringList &args, StampArguments &parsed, LooseOptions &loose)
{
    static const QStringList naming { QStringLiteral("--rename"), QStringLiteral("--no-stamp"),
        QStringLiteral("--quality"), QStringLiteral("--keep-quality"), QStringLiteral("--postfix"),
        QStringLiteral("--gps-form"), QStringLiteral("--existing"), QStringLiteral("--out"),
        QStringLiteral("--recursive"), QStringLiteral("--from-list"), QStringLiteral("--counter-start") };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (naming.contains(arg))
            loose.decided << arg;
        std::optional<QString> error;
        if (i + 1 >= args.size()) {
            if (std::optional<QString> missing = missingValue(arg))
                return missing;
        } else if (takeValueOption(arg, args.at(i + 1), parsed, loose, error)) {
            if (error)
                return error;
            ++i;
            continue;
        }
        if (arg == QLatin1String("--verbose") || arg == QLatin1String("--quiet") || arg == QLatin1String("--json")) {
            if (std::optional<QString> clash = takeReportFlag(arg, parsed, loose))
                return clash;
        } else if (arg == QLatin1String("--recursive")) {
            parsed.recursive = true;
        } else if (arg == QLatin1String("--dry-run")) {
            parsed.dryRun = true;
        } else if (arg == QLatin1String("--no-stamp")) {
            parsed.job.settings.StampPhotosOpt = false;
        } else if (arg == QLatin1String("--keep-quality")) {
            parsed.job.options.KeepQuality = true;
        } else if (arg == QLatin1String("--null")) {
            loose.nulSeparated = true;
        } else if (arg == QLatin1String("--")) {
            loose.inputs << args.mid(i + 1);
            break;
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            return unknownOption(arg);
        } else {
            loose.inputs << arg;
        }
    }
    return std::nullopt;
}

std::optional<QString> takeShard(const LooseOptions &loose, StampArguments &parsed)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{1,6})/(\\d{1,6})$"));
    const QRegularExpressionMatch match = form.match(loose.shardText);
    parsed.shard = match.hasMatch() ? match.captured(1).toInt() : -1;
    parsed.shardCount = match.hasMatch() ? match.captured(2).toInt() : 0;
    if (parsed.shardCount < 1 || parsed.shard < 0 || parsed.shard >= parsed.shardCount)
        return needsValue(QStringLiteral("--shard"), "I/N with I from 0 to N-1, as 2/4");
    if (loose.planFile.isEmpty())
        return QStringLiteral("--shard goes with --plan");
    return std::nullopt;
}

std::optional<QString> takePlan(const LooseOptions &loose, StampArguments &parsed)
{
    if (loose.designGiven || !loose.decided.isEmpty() || !loose.inputs.isEmpty())
        return QStringLiteral("--plan brings its design, names and photos; %1 cannot be given with it")
            .arg(loose.designGiven            ? QStringLiteral("design options")
                    : loose.decided.isEmpty() ? loose.inputs.first()
                                              : loose.decided.first());
    QString error;
    parsed.plan = readBatchPlan(loose.planFile, &error);
    if (!parsed.plan)
        return QStringLiteral("cannot use the plan %1: %2").arg(loose.planFile, error);
    parsed.outDir = parsed.plan->outputFolder;
    return std::nullopt;
}

// The photos to stamp, once the options agree with each other.
std::optional<QString> takeInputs(LooseOptions &loose, StampArguments &parsed)
{
    if (loose.nulSeparated && loose.listFile.isEmpty())
        return QStringLiteral("--null goes with --from-list");
    if (!loose.listFile.isEmpty()) {
        QString error;
        const std::optional<QStringList> listed = readPathList(loose.listFile, loose.nulSeparated, &error);
        if (!listed)
            return error;
        loose.inputs << *listed;
    }
    if (parsed.outDir.isEmpty())
        return QStringLiteral("--out is missing");
    if (loose.inputs.isEmpty())
        return QStringLiteral("no photo or folder given");
    const StampSettings &s = parsed.job.settings;
    if (!s.StampPhotosOpt && !s.RenamePhotos)
        return QStringLiteral("nothing to do: --no-stamp without --rename");
    // A quality would silently not apply.
    if (loose.quality && parsed.job.options.KeepQuality)
        return QStringLiteral("--quality and --keep-quality exclude each other");

    const EarlierOutputs earlier { parsed.outDir, [&] { return loggedOutputs(defaultRunLogFolder(), parsed.outDir); } };
    parsed.inputs = listPhotos(loose.inputs, parsed.recursive, &earlier);
    return std::nullopt;
}

std::optional<QString> parseArguments(QStringList args, StampArguments &parsed)
{
    DesignOptions design;
    const qsizetype given = args.size();
    if (const std::optional<QString> error = takeDesignOptions(args, design))
        return error;
    LooseOptions loose;
    loose.designGiven = args.size() != given;
    parsed.job.settings = design.settings;
    parsed.job.options = design.options;
    if (std::optional<QString> error = takeStampOptions(args, parsed, loose))
        return error;
    if (!loose.shardText.isEmpty()) {
        if (std::optional<QString> error = takeShard(loose, parsed))
            return error;
    }
    if (!loose.planFile.isEmpty())
        return takePlan(loose, parsed);
    return takeInputs(loose, parsed);
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// A one-line bar on stderr when it is a terminal; a stop signal cancels between
// photos. With --verbose each photo's line goes to stdout as it finishes.
class TerminalProgress : public BatchProgress
{
public:
    TerminalProgress(bool showBar, bool verbose)
        : m_showBar(showBar)
        , m_verbose(verbose)
    {
    }

    void ProgressStart() override { m_clock.start(); }
    bool ProgressStep(int, int maximum) override
    {
        m_total = maximum;
        draw();
        return !interruptRequested();
    }
    void photoFinished(const BatchPhotoResult &r) override
    {
        ++m_done;
        if (m_verbose) {
            clearBar();
            QTextStream(stdout) << resultLine(ReportedPhoto(r)) << Qt::endl;
        }
        draw();
    }
    void ProgressEnd() override { clearBar(); }

private:
    void clearBar()
    {
        if (m_showBar)
            QTextStream(stderr) << "\r\033[K";
    }

    void draw()
    {
        if (!m_showBar || m_total == 0)
            return;
        const double seconds = m_clock.elapsed() / 1000.0;
        const double rate = seconds > 0 ? m_done / seconds : 0;
        const int width = 30;
        const int filled = m_done * width / m_total;
        QString line = QStringLiteral("\r[%1%2] %3/%4  %5 photos/s")
                           .arg(QString(filled, QLatin1Char('#')), QString(width - filled, QLatin1Char('.')))
                           .arg(m_done)
                           .arg(m_total)
                           .arg(rate, 0, 'f', 1);
        if (rate > 0)
            line += QStringLiteral("  %1 s left").arg((m_total - m_done) / rate, 0, 'f', 0);
        QTextStream(stderr) << line << "\033[K";
    }

    bool m_showBar;
    bool m_verbose;
    QElapsedTimer m_clock;
    int m_total = 0;
    int m_done = 0;
};

// What the conflict rule does to a file in the photo's way, for the dry run.
QString conflictNote(const BatchPhotoResult &r)
{
    switch (r.existing) {
    case ExistingOutcome::None:
    case ExistingOutcome::IsSource:
    case ExistingOutcome::Skipped:
        break;
    case ExistingOutcome::KeptBoth:
        return QStringLiteral(" (%1 exists: would be renamed to %2)").arg(native(r.wanted), native(r.output));
    case ExistingOutcome::Replaced:
        return QStringLiteral(" (would replace %1)").arg(native(r.output));
    case ExistingOutcome::WrittenBefore:
        return QStringLiteral(" (written before by this plan: left as it is)");
    }
    return QString();
}

// Each photo's output name, or why it would be refused; nothing is written.
// The exit code is the one the run would have.
int printPlan(const StampArguments &parsed)
{
    const std::vector<ReportedPhoto> plan
        = reportedPhotos(parsed.inputs, PlanBatch(parsed.inputs.photos, parsed.outDir, parsed.job));
    QTextStream out(stdout);
    QTextStream err(stderr);
    int stamped = 0, copied = 0, refused = 0, skipped = 0;
    for (const ReportedPhoto &photo : plan) {
        const BatchPhotoResult &r = photo.result;
        const QString source = native(r.source);
        switch (r.outcome) {
        case PhotoOutcome::Stamped:
        case PhotoOutcome::Copied:
            (r.outcome == PhotoOutcome::Stamped ? stamped : copied) += 1;
            if (parsed.report != Report::Quiet && parsed.report != Report::Json)
                out << source << " \u2192 " << native(r.output) << (r.outcome == PhotoOutcome::Copied ? " (copy)" : "")
                    << conflictNote(r) << '\n';
            break;
        case PhotoOutcome::Skipped:
            ++skipped;
            if (parsed.report != Report::Quiet && parsed.report != Report::Json)
                out << source << (r.error == BatchError::OutputExists ? ": would skip: " : ": skipped: ")
                    << failureText(photo) << '\n';
            break;
        case PhotoOutcome::Failed:
            ++refused;
            if (parsed.report == Report::Quiet)
                err << source << ": would fail: " << failureText(photo) << '\n';
            else if (parsed.report != Report::Json)
                out << source << ": would fail: " << failureText(photo) << '\n';
            break;
        }
    }
    if (parsed.report == Report::Json) {
        QJsonObject json = planJson(parsed.outDir, plan);
        QJsonObject totals = json[QStringLiteral("totals")].toObject();
        addFolderTotals(totals, parsed.inputs);
        json[QStringLiteral("totals")] = totals;
        out << QJsonDocument(json).toJson(QJsonDocument::Indented);
    } else if (parsed.report != Report::Quiet) {
        out << "dry run: " << stamped << " to stamp, " << copied << " to copy, " << refused << " refused";
        if (skipped)
            out << ", " << skipped << " skipped";
        out << "; nothing written\n";
    }
    if (parsed.inputs.photos.isEmpty()) {
        err << "kelvra-cli stamp: no photos to stamp\n";
        return ExitFailed;
    }
    return refused > 0 ? ExitFailed : ExitOk;
}

// Created only once there is something to put in it; the system's reason when
// it cannot be.
std::optional<QString> makeOutputFolder(const QString &folder, bool *made)
{
    std::error_code error;
    const std::filesystem::path path(folder.toStdU16String());
    *made = !std::filesystem::exists(path, error);
    // Something other than a folder under that name is the system's EEXIST,
    // as mkdir gives it.
    if (std::filesystem::exists(path, error) && !std::filesystem::is_directory(path, error))
        error = std::make_error_code(std::errc::file_exists);
    else
        std::filesystem::create_directories(path, error);
    if (!error)
        return std::nullopt;
    return QStringLiteral("cannot create the output folder %1: %2")
        .arg(native(folder), QString::fromLocal8Bit(error.message()));
}

// The plan's photos of this shard, and what earlier runs of the plan wrote.
// An exit code when the shard has nothing to do.
std::optional<int> takePlanShard(StampArguments &parsed)
{
    const int jobs = parsed.job.jobs;
    const PlanShard shard = planShard(*parsed.plan, shardPositions(*parsed.plan, parsed.shard, parsed.shardCount));
    parsed.job = shard.job;
    parsed.job.jobs = jobs;
    for (const RunLogContents &run : listRunLogs(defaultRunLogFolder())) {
        if (run.plan != parsed.plan->id || run.undone.isValid())
            continue;
        for (const RunLogPhoto &photo : run.photos) {
            if (photo.size >= 0)
                parsed.job.writtenBefore.insert(photo.output, photo.sha256);
        }
    }
    parsed.inputs.photos = shard.photos;
    if (!shard.photos.isEmpty())
        return std::nullopt;
    // More shards than photos to write: this one has none, which is no failure.
    if (parsed.report == Report::Summary || parsed.report == Report::Verbose)
        QTextStream(stdout) << "nothing to do in shard " << parsed.shard << '/' << parsed.shardCount << '\n';
    return ExitOk;
}

// What is known before the run: the font, the folders' skipped files and the
// inputs left out.
void printBeforeRun(const StampArguments &parsed, bool quiet)
{
    QTextStream err(stderr);
    QTextStream out(stdout);
    if (parsed.job.settings.StampPhotosOpt) {
        if (const QString note = fontNote(parsed.job.settings); !note.isEmpty())
            err << "kelvra-cli stamp: note: " << note << Qt::endl;
    }
    if (!quiet) {
        for (const FolderSkips &folder : parsed.inputs.folders) {
            if (const QString line = folderLine(folder); !line.isEmpty())
                out << line << '\n';
        }
        if (const int earlier = parsed.inputs.earlierOutputs)
            out << earlier << (earlier == 1 ? " output" : " outputs")
                << " of earlier runs or in the output folder left out\n";
    }
    if (parsed.report == Report::Verbose) {
        for (const LeftOutInput &input : parsed.inputs.leftOut)
            out << resultLine(leftOutPhoto(input)) << '\n';
    }
    out.flush(); // before the run's own lines
}

// How a run that has started ended, on the streams the report asks for.
struct FinishedRun
{
    BatchReport report;
    RunOutcome run;
    bool interrupted = false;
    int exitSignal = 0;
    const char *signalName = "";
};

int reportRun(const StampArguments &parsed, const FinishedRun &finished, bool quiet)
{
    QTextStream err(stderr);
    QTextStream out(stdout);
    const BatchReport &report = finished.report;
    const RunOutcome &run = finished.run;
    if (!report.runLogError.isEmpty())
        err << "kelvra-cli stamp: no run log, so this run cannot be undone: " << report.runLogError << '\n';
    if (report.runLog.isEmpty() && parsed.job.options.existingRule() == ExistingRule::Replace)
        err << "kelvra-cli stamp: nothing replaced without a run log to undo it\n";
    printProblems(run);
    if (report.cancelled) {
        err << "kelvra-cli stamp: stopped";
        if (finished.interrupted)
            err << " by " << finished.signalName;
        err << " after " << report.photos.size() << " of " << parsed.inputs.photos.size() << " photos\n";
    }
    if (parsed.report == Report::Verbose) {
        for (const ReportedPhoto &photo : run.photos) {
            if (photo.leftOut == LeftOut::Stopped)
                out << resultLine(photo) << '\n';
        }
        out.flush();
    }
    if (parsed.report == Report::Json)
        printRunJson(parsed.outDir, parsed.inputs, run);
    else if (!quiet)
        printSummary(parsed.outDir, run);

    if (finished.interrupted)
        return 128 + finished.exitSignal;
    if (report.runLog.isEmpty() && parsed.job.options.existingRule() == ExistingRule::Replace)
        return ExitFailed; // nothing was done
    return report.cancelled || run.count(PhotoOutcome::Failed) > 0 || run.warned() > 0 ? ExitFailed : ExitOk;
}

int runStamp(const QStringList &args)
{
    StampArguments parsed;
    if (const std::optional<QString> error = parseArguments(args, parsed))
        return usageError("stamp", *error);
    if (parsed.plan) {
        if (const std::optional<int> exit = takePlanShard(parsed))
            return *exit;
    }
    if (parsed.dryRun) {
        parsed.job.format = FormatSettings::system();
        return printPlan(parsed);
    }
    const bool quiet = parsed.report == Report::Quiet || parsed.report == Report::Json;
    printBeforeRun(parsed, quiet);
    QTextStream err(stderr);
    if (parsed.inputs.photos.isEmpty()) {
        const RunOutcome nothing { reportedPhotos(parsed.inputs, {}), false, QString() };
        printProblems(nothing);
        if (parsed.report == Report::Json)
            printRunJson(parsed.outDir, parsed.inputs, nothing);
        err << "kelvra-cli stamp: no photos to stamp\n";
        return ExitFailed;
    }
    if (const std::optional<QString> error = makeOutputFolder(parsed.outDir, &parsed.job.outputFolderIsNew)) {
        err << "kelvra-cli stamp: " << *error << '\n';
        return ExitFailed;
    }
    parsed.job.format = FormatSettings::system();

    watchInterrupts(true);
    TerminalProgress progress(errorStreamIsTerminal() && !quiet, parsed.report == Report::Verbose);
    FinishedRun finished;
    finished.report = RunBatch(parsed.inputs.photos, parsed.outDir, parsed.job, &progress);
    finished.interrupted = finished.report.cancelled && interruptRequested();
    finished.exitSignal = interruptSignal();
    finished.signalName = interruptSignalName();
    watchInterrupts(false);
    finished.run
        = { reportedPhotos(parsed.inputs, finished.report.photos), finished.report.cancelled, finished.report.runLog };
    return reportRun(parsed, finished, quiet);
}

// kelvra-cli plan: every output name of a batch, decided once, as JSON on
// standard output, for stamp --plan to carry out whole or in shards.
int runPlan(const QStringList &args)
{
    StampArguments parsed;
    if (const std::optional<QString> error = parseArguments(args, parsed))
        return usageError("plan", *error);
    if (parsed.plan)
        return usageError("plan", QStringLiteral("--plan is for stamp"));
    parsed.job.format = FormatSettings::system();
    const BatchPlan plan = MakeBatchPlan(parsed.inputs.photos, parsed.outDir, parsed.job);
    // The dry run's entries, named inputs left out included, under the plan's own head.
    const std::vector<ReportedPhoto> reported = reportedPhotos(parsed.inputs, plan.photos);
    QJsonObject json = kelvra::planJson(plan);
    QJsonArray photos;
    int refused = 0;
    for (const ReportedPhoto &photo : reported) {
        photos.append(photoJson(photo));
        refused += photo.result.outcome == PhotoOutcome::Failed ? 1 : 0;
    }
    json.insert(QStringLiteral("photos"), photos);
    json.insert(QStringLiteral("totals"), planTotals(reported));
    QTextStream(stdout) << QJsonDocument(json).toJson(QJsonDocument::Indented);
    return refused > 0 ? ExitFailed : ExitOk;
}

const char *const kPlanUsage
    = "usage: kelvra-cli plan [stamp options] [--counter-start N] --out DIR PHOTO|FOLDER...|--from-list FILE [--null]\n"
      "       the plan (JSON) goes to standard output; carry it out with kelvra-cli stamp --plan FILE [--shard I/N]";

std::vector<Option> stampOptions()
{
    return withDesignOptions({ { "--rename", "a mask" }, { "--no-stamp" }, { "--quality", "a number" },
        { "--keep-quality" }, { "--postfix", "a value" }, { "--gps-form", "a number" }, { "--jobs", "a number" },
        { "--existing", "keep, replace or skip" }, { "--dry-run" }, { "--recursive" }, { "--verbose" }, { "--quiet" },
        { "--json" }, { "--out", "a folder" }, { "--plan", "a plan file" }, { "--shard", "I/N" },
        { "--from-list", "a file" }, { "--null" }, { "--counter-start", "a whole number" } });
}

const CommandRegistration planRegistration(
    { "plan", "[stamp options] --out DIR PHOTO|FOLDER...   decide every output name, as JSON for stamp --plan", runPlan,
        false, kPlanUsage, stampOptions() });

const CommandRegistration registration(
    { "stamp", "[design options] [--rename MASK] [--no-stamp] ... --out DIR PHOTO|FOLDER...   the batch run", runStamp,
        true, kStampUsage, stampOptions() });

} // namespace

} // namespace kelvra::cli
