// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-cli runs and undo: the run logs, and taking a run back.
#include "cli/command.h"

#include "jobs/batch_plan.h"
#include "jobs/run_log.h"

#include <QDir>
#include <QTextStream>

namespace kelvra::cli {

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// One line a run: when, where, how many, and whether it was taken back.
QString runLine(const RunLogContents &run)
{
    QString line = run.id + QStringLiteral("  ") + run.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        + QStringLiteral("  ") + native(run.outputFolder) + QStringLiteral("  ") + QString::number(run.outputs())
        + (run.outputs() == 1 ? QStringLiteral(" output") : QStringLiteral(" outputs"));
    if (run.undone.isValid())
        line += QStringLiteral("  (undone)");
    else if (!run.finished.isValid())
        line += QStringLiteral("  (did not finish)");
    else if (run.cancelled)
        line += QStringLiteral("  (cancelled)");
    if (!run.plan.isEmpty())
        line += QStringLiteral("  plan ") + native(run.plan);
    return line;
}

int runRuns(const QStringList &args)
{
    if (!args.isEmpty())
        return usageError("runs",
            args.first().startsWith(QLatin1Char('-')) ? unknownOption(args.first())
                                                      : QStringLiteral("takes no arguments"));
    QTextStream out(stdout);
    const std::vector<RunLogContents> runs = listRunLogs(defaultRunLogFolder());
    if (runs.empty())
        out << "no runs logged in " << native(defaultRunLogFolder()) << '\n';
    for (const RunLogContents &run : runs)
        out << runLine(run) << '\n';
    return ExitOk;
}

const char *stepText(UndoStep::What what)
{
    switch (what) {
    case UndoStep::What::Removed:
        return "removed";
    case UndoStep::What::Restored:
        return "restored";
    case UndoStep::What::Changed:
        return "left, changed since the run";
    case UndoStep::What::Gone:
        return "already gone";
    case UndoStep::What::NotRestored:
        return "kept, could not go back";
    case UndoStep::What::NoLongerKept:
        return "not put back, the replaced file is no longer kept";
    case UndoStep::What::Failed:
        return "left";
    case UndoStep::What::FolderRemoved:
        return "folder removed";
    }
    return "";
}

// Says what undo did with one run; false when it left anything.
bool reportUndo(const UndoReport &report, bool verbose);

// Every shard of a plan, wherever its log is among the runs.
int undoPlan(const QString &planFile, bool verbose)
{
    QString error;
    const std::optional<BatchPlan> plan = readBatchPlan(planFile, &error);
    if (!plan) {
        QTextStream(stderr) << "kelvra-cli undo: cannot use the plan " << planFile << ": " << error << '\n';
        return ExitFailed;
    }
    int undone = 0;
    bool everything = true;
    for (const RunLogContents &run : listRunLogs(defaultRunLogFolder())) {
        if (run.plan != plan->id || run.undone.isValid())
            continue;
        everything = reportUndo(undoRun(defaultRunLogFolder(), run.id), verbose) && everything;
        ++undone;
    }
    if (undone == 0) {
        QTextStream(stderr) << "kelvra-cli undo: no run of the plan " << plan->id << " left to undo\n";
        return ExitFailed;
    }
    return everything ? ExitOk : ExitFailed;
}

int runUndo(const QStringList &args)
{
    QString id, planFile;
    bool verbose = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--verbose"))
            verbose = true;
        else if (arg == QLatin1String("--plan") && i + 1 < args.size())
            planFile = args.at(++i);
        else if (arg == QLatin1String("--plan"))
            return usageError("undo", needsValue(arg, "a plan file"));
        else if (arg.startsWith(QLatin1Char('-')))
            return usageError("undo", unknownOption(arg));
        else if (!id.isEmpty())
            return usageError("undo", QStringLiteral("one RUN at most"));
        else
            id = arg;
    }
    if (!planFile.isEmpty()) {
        if (!id.isEmpty())
            return usageError("undo", QStringLiteral("RUN or --plan, not both"));
        return undoPlan(planFile, verbose);
    }
    const UndoReport report = undoRun(defaultRunLogFolder(), id);
    QTextStream err(stderr);
    switch (report.status) {
    case UndoReport::Status::NoRun:
        err << "kelvra-cli undo: "
            << (id.isEmpty() ? QStringLiteral("no run left to undo") : QStringLiteral("no run ") + id)
            << " (kelvra-cli runs lists them)\n";
        return ExitFailed;
    case UndoReport::Status::AlreadyUndone:
        err << "kelvra-cli undo: run " << report.run.id << " was undone on "
            << report.run.undone.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << '\n';
        return ExitFailed;
    case UndoReport::Status::Done:
    case UndoReport::Status::LogUnwritable:
        break;
    }
    return reportUndo(report, verbose) ? ExitOk : ExitFailed;
}

bool reportUndo(const UndoReport &report, bool verbose)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    bool everything = true;
    for (const UndoStep &step : report.steps) {
        const bool left = step.what == UndoStep::What::Changed || step.what == UndoStep::What::NotRestored
            || step.what == UndoStep::What::Failed || step.what == UndoStep::What::NoLongerKept;
        everything = everything && !left;
        if (left) {
            err << stepText(step.what) << ": " << native(step.path);
            if (step.what == UndoStep::What::NotRestored)
                err << " (was " << native(step.detail) << ')';
            else if (!step.detail.isEmpty())
                err << ": " << step.detail;
            err << '\n';
        } else if (verbose) {
            out << stepText(step.what) << ": " << native(step.path) << '\n';
        }
    }
    out << "undid run " << report.run.id << " into " << native(report.run.outputFolder) << ": "
        << report.count(UndoStep::What::Removed) << " removed, " << report.count(UndoStep::What::Restored)
        << " restored, "
        << report.count(UndoStep::What::Changed) + report.count(UndoStep::What::NotRestored)
            + report.count(UndoStep::What::NoLongerKept) + report.count(UndoStep::What::Failed)
        << " left\n";
    if (report.status == UndoReport::Status::LogUnwritable) {
        err << "kelvra-cli undo: cannot mark " << native(report.run.path) << " as undone\n";
        return false;
    }
    return everything;
}

const CommandRegistration runsRegistration(
    { "runs", "   list the logged runs, newest first", runRuns, false, "usage: kelvra-cli runs" });
const CommandRegistration undoRegistration(
    { "undo", "[--verbose] [RUN | --plan FILE]   take back a run (default: the last one) or every shard of a plan",
        runUndo, false, "usage: kelvra-cli undo [--verbose] [RUN | --plan FILE]",
        { { "--verbose" }, { "--plan", "a plan file" } } });

} // namespace

} // namespace kelvra::cli
