// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-cli stamp: the batch run without a window.
#include "cli/command.h"
#include "cli/design_options.h"
#include "cli/failure_text.h"

#include "platform/console.h"
#include "jobs/batch_run.h"
#include "jobs/photo_list.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>


namespace kelvra::cli {

namespace {

const char *const kUsage
    = "usage: kelvra-cli stamp [design options] [--rename MASK] [--no-stamp] [--quality N] [--postfix TEXT]\n"
      "         [--gps-form N] [--jobs N] [--dry-run] --out DIR PHOTO|FOLDER...\n"
      "       design options: ";

struct StampArguments
{
    BatchJob job;
    QString outDir;
    QStringList photos;
    bool dryRun = false;
};

std::optional<int> wholeNumber(const QString &text, int min, int max)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < min || n > max)
        return std::nullopt;
    return n;
}

std::optional<QString> parseArguments(QStringList args, StampArguments &parsed)
{
    DesignOptions design;
    if (const std::optional<QString> error = takeDesignOptions(args, design))
        return error;
    parsed.job.settings = design.settings;
    parsed.job.options = design.options;
    StampSettings &s = parsed.job.settings;
    AppOptions &o = parsed.job.options;

    QStringList inputs;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const bool hasValue = i + 1 < args.size();
        auto value = [&]() { return args.at(++i); };
        if (arg == QLatin1String("--rename") && hasValue) {
            s.RenamePhotos = true;
            s.FNMask = value();
            if (s.FNMask.trimmed().isEmpty()) {
                BatchPhotoResult refused;
                refused.error = BatchError::EmptyMask;
                return failureText(refused);
            }
        } else if (arg == QLatin1String("--dry-run")) {
            parsed.dryRun = true;
        } else if (arg == QLatin1String("--no-stamp")) {
            s.StampPhotosOpt = false;
        } else if (arg == QLatin1String("--quality") && hasValue) {
            const auto q = wholeNumber(value(), 1, 100);
            if (!q)
                return QStringLiteral("--quality takes a whole number from 1 to 100");
            o.jpgquality = *q;
        } else if (arg == QLatin1String("--postfix") && hasValue) {
            o.FilePostfix = value();
        } else if (arg == QLatin1String("--gps-form") && hasValue) {
            const auto form = wholeNumber(value(), 0, 2);
            if (!form)
                return QStringLiteral("--gps-form takes 0, 1 or 2");
            o.GPSForm = *form;
        } else if (arg == QLatin1String("--jobs") && hasValue) {
            const auto jobs = wholeNumber(value(), 1, 256);
            if (!jobs)
                return QStringLiteral("--jobs takes a whole number from 1 to 256");
            parsed.job.jobs = *jobs;
        } else if (arg == QLatin1String("--out") && hasValue) {
            parsed.outDir = value();
        } else if (arg == QLatin1String("--")) {
            inputs << args.mid(i + 1);
            break;
        } else if (arg.startsWith(QLatin1String("--"))) {
            return QString::fromLatin1(kUsage) + QString::fromLatin1(kDesignUsage);
        } else {
            inputs << arg;
        }
    }
    if (parsed.outDir.isEmpty() || inputs.isEmpty())
        return QString::fromLatin1(kUsage) + QString::fromLatin1(kDesignUsage);
    if (!s.StampPhotosOpt && !s.RenamePhotos)
        return QStringLiteral("nothing to do: --no-stamp without --rename");

    QString missing;
    const std::optional<QStringList> photos = listPhotos(inputs, &missing);
    if (!photos)
        return QStringLiteral("no such photo or folder: ") + missing;
    parsed.photos = *photos;
    return std::nullopt;
}

// A one-line bar on stderr when it is a terminal; Ctrl+C cancels between photos.
class TerminalProgress : public BatchProgress
{
public:
    explicit TerminalProgress(bool showBar) : m_showBar(showBar) {}

    void ProgressStart() override { m_clock.start(); }
    bool ProgressStep(const QString &, int, int maximum) override
    {
        m_total = maximum;
        draw();
        return !interruptRequested();
    }
    void photoFinished(const BatchPhotoResult &) override
    {
        ++m_done;
        draw();
    }
    void ProgressEnd() override
    {
        if (m_showBar)
            QTextStream(stderr) << "\r\033[K";
    }

private:
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
    QElapsedTimer m_clock;
    int m_total = 0;
    int m_done = 0;
};

// Each photo's output name, or why it would be refused; nothing is written.
int printPlan(const StampArguments &parsed)
{
    QTextStream out(stdout);
    int stamped = 0, copied = 0, refused = 0, skipped = 0;
    for (const BatchPhotoResult &r : PlanBatch(parsed.photos, parsed.outDir, parsed.job)) {
        const QString source = QDir::toNativeSeparators(r.source);
        switch (r.outcome) {
        case PhotoOutcome::Stamped:
        case PhotoOutcome::Copied:
            (r.outcome == PhotoOutcome::Stamped ? stamped : copied) += 1;
            out << source << " \u2192 " << QDir::toNativeSeparators(r.output)
                << (r.outcome == PhotoOutcome::Copied ? " (copy)" : "") << '\n';
            break;
        case PhotoOutcome::Skipped:
            ++skipped;
            out << source << ": skipped: " << failureText(r) << '\n';
            break;
        case PhotoOutcome::Failed:
            ++refused;
            out << source << ": would fail: " << failureText(r) << '\n';
            break;
        }
    }
    out << "dry run: " << stamped << " to stamp, " << copied << " to copy, " << refused << " refused";
    if (skipped)
        out << ", " << skipped << " skipped (not JPEG)";
    out << "; nothing written\n";
    return refused > 0 ? ExitFailed : ExitOk;
}

int runStamp(const QStringList &args)
{
    StampArguments parsed;
    if (const std::optional<QString> error = parseArguments(args, parsed))
        return usageError("stamp", *error);
    if (parsed.dryRun) {
        parsed.job.format = FormatSettings::system();
        return printPlan(parsed);
    }
    QTextStream err(stderr);
    if (!QDir().mkpath(parsed.outDir)) {
        err << "kelvra-cli stamp: cannot create the output folder " << parsed.outDir << '\n';
        return ExitFailed;
    }
    parsed.job.format = FormatSettings::system();

    watchInterrupts(true);
    TerminalProgress progress(errorStreamIsTerminal());
    const BatchReport report = RunBatch(parsed.photos, parsed.outDir, parsed.job, &progress);
    watchInterrupts(false);

    QTextStream out(stdout);
    for (const BatchPhotoResult &r : report.photos) {
        if (r.outcome == PhotoOutcome::Stamped && !r.warning.isEmpty())
            err << "stamped with a warning: " << QDir::toNativeSeparators(r.source) << ": " << r.warning << '\n';
        if (r.outcome != PhotoOutcome::Failed)
            continue;
        if (r.copiedUnchanged)
            err << "not stamped: " << QDir::toNativeSeparators(r.source) << ": " << failureText(r)
                << "; copied unchanged as " << QDir::toNativeSeparators(r.output) << '\n';
        else
            err << "failed: " << QDir::toNativeSeparators(r.source) << ": " << failureText(r) << '\n';
    }
    const int warned = report.warned();
    out << report.count(PhotoOutcome::Stamped) - warned << " stamped, ";
    if (warned)
        out << warned << " stamped with a warning, ";
    out << report.count(PhotoOutcome::Copied) << " copied, " << report.count(PhotoOutcome::Failed) << " failed";
    if (const int skipped = report.count(PhotoOutcome::Skipped))
        out << ", " << skipped << " skipped (not JPEG)";
    out << '\n';
    if (report.cancelled) {
        out << "cancelled after " << report.photos.size() << " of " << parsed.photos.size() << " photos\n";
        return ExitFailed;
    }
    out << "photos in " << QDir::toNativeSeparators(QFileInfo(parsed.outDir).absoluteFilePath()) << '\n';
    return report.count(PhotoOutcome::Failed) > 0 || warned > 0 ? ExitFailed : ExitOk;
}

const CommandRegistration registration(
    {"stamp", "[design options] [--rename MASK] [--no-stamp] ... --out DIR PHOTO|FOLDER...   the batch run",
     runStamp, true});

} // namespace

} // namespace kelvra::cli
