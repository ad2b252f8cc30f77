// SPDX-License-Identifier: GPL-3.0-or-later
// Run logs with their journal, and plans: files a user may have edited or a
// crash may have cut. Read or refused, never anything else; a plan read back
// never names an output outside its own folder.
#include "jobs/batch_plan.h"
#include "jobs/run_log.h"

#include "fuzz_check.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace kelvra;
    static QTemporaryDir folder;
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    // A NUL splits the input into the log and its journal.
    const qsizetype cut = input.indexOf('\0');
    const QString log = folder.filePath(QStringLiteral("run.json"));
    write(log, cut < 0 ? input : input.left(cut));
    write(folder.filePath(QStringLiteral("run.journal")), cut < 0 ? QByteArray() : input.mid(cut + 1));
    if (const std::optional<RunLogContents> run = readRunLog(log))
        check(run->outputs() <= int(run->photos.size()));
    listRunLogs(folder.path());

    QString error;
    if (const std::optional<BatchPlan> plan = readBatchPlan(log, &error)) {
        check(QDir::isAbsolutePath(plan->outputFolder));
        const PlanShard shard = planShard(*plan, shardPositions(*plan, 0, 1));
        for (const PlannedName &name : shard.job.planned)
            check(QDir::cleanPath(name.output).startsWith(plan->outputFolder + QLatin1Char('/')));
    } else {
        check(!error.isEmpty());
    }
    return 0;
}
