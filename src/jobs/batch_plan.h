// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobs/batch_run.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kelvra {

// The design as a run log and a plan keep it: every setting that changes an
// output, so that a plan carried out elsewhere writes what one run would.
QJsonObject designJson(const StampSettings &settings, const AppOptions &options);
// Fills what the object names; keys it lacks keep their values.
void designFromJson(const QJsonObject &design, StampSettings &settings, AppOptions &options);

// Every output name of a batch, decided in one pass over the photos'
// metadata (no decoding): running numbers, collision numbers, dated folders
// and the conflict rule against what the output folder holds now.
struct BatchPlan
{
    QString id; // names the plan in the run logs of its shards
    QString outputFolder; // absolute
    StampSettings settings;
    AppOptions options;
    int counterStart = 1;
    std::vector<BatchPhotoResult> photos; // list order
};

BatchPlan MakeBatchPlan(const QStringList &photoList, const QString &outputFolder, const BatchJob &job);
QJsonObject planJson(const BatchPlan &plan);
// Nothing, with the reason in *error, when the file is no plan.
std::optional<BatchPlan> readBatchPlan(const QString &path, QString *error);

// The plan's positions that shard `shard` of `count` carries out: every
// count-th photo from position shard, so that each shard gets a fair share
// of a folder's large and small photos alike.
std::vector<int> shardPositions(const BatchPlan &plan, int shard, int count);

// The job that carries out the given positions of the plan: its design, the
// names it decided. Photos the plan skips or refuses are not in it.
struct PlanShard
{
    QStringList photos;
    BatchJob job;
    std::vector<int> positions; // in the plan, one per photo
};
PlanShard planShard(const BatchPlan &plan, const std::vector<int> &positions);

} // namespace kelvra
