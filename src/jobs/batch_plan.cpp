// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/batch_plan.h"

#include "platform/file_ops.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

namespace kelvra {

namespace {

// One table for both directions, so a setting added to the design is added
// to plans and logs in one place.
template<typename Visit> void visitDesign(StampSettings &s, AppOptions &o, Visit visit)
{
    visit("size", s.Size);
    visit("font", s.FontName);
    visit("fontColor", s.FontColor);
    visit("bgColor", s.BgColor);
    visit("outlineColor", s.OutlineColor);
    visit("bold", s.Style.Bold);
    visit("italic", s.Style.Italic);
    visit("underline", s.Style.Underline);
    visit("outline", s.FOutline);
    visit("shadow", s.FShadow);
    visit("glow", s.FGlow);
    visit("glowColor", s.GlowColor);
    visit("glowSize", s.GlowSize);
    visit("bgAlpha", s.BgAlpha);
    visit("strip", s.Strip);
    visit("xOrient", s.XOrient);
    visit("yOrient", s.YOrient);
    visit("xd", s.XD);
    visit("yd", s.YD);
    visit("dateFormat", s.DateFormat);
    visit("caption", s.CaptionFormat);
    visit("mask", s.FNMask);
    visit("stamp", s.StampPhotosOpt);
    visit("rename", s.RenamePhotos);
    visit("dateShift", s.DateShift);
    visit("cameraShifts", s.CameraShifts);
    visit("nameDates", s.NameDates);
    visit("ignorePlaceholderDates", s.IgnorePlaceholderDates);
    visit("fixExifDates", s.FixExifDates);
    visit("dateZone", s.DateZone);
    visit("gpsForm", o.GPSForm);
    visit("quality", o.jpgquality);
    visit("postfix", o.FilePostfix);
    visit("keepQuality", o.KeepQuality);
    visit("existing", o.ExistingFiles);
}

PhotoOutcome outcomeFromName(const QString &name)
{
    for (PhotoOutcome outcome :
        { PhotoOutcome::Stamped, PhotoOutcome::Copied, PhotoOutcome::Skipped, PhotoOutcome::Failed }) {
        if (name == QLatin1String(photoOutcomeName(outcome)))
            return outcome;
    }
    return PhotoOutcome::Failed;
}

bool writes(const BatchPhotoResult &r)
{
    return (r.outcome == PhotoOutcome::Stamped || r.outcome == PhotoOutcome::Copied)
        && r.existing != ExistingOutcome::IsSource && !r.output.isEmpty();
}

} // namespace

const char *photoOutcomeName(PhotoOutcome outcome)
{
    switch (outcome) {
    case PhotoOutcome::Stamped:
        return "stamped";
    case PhotoOutcome::Copied:
        return "copied";
    case PhotoOutcome::Skipped:
        return "skipped";
    case PhotoOutcome::Failed:
        return "failed";
    }
    return "unknown";
}

QJsonObject designJson(const StampSettings &settings, const AppOptions &options)
{
    QJsonObject design;
    StampSettings s = settings;
    AppOptions o = options;
    visitDesign(
        s, o, [&design](const char *key, const auto &value) { design.insert(QLatin1String(key), QJsonValue(value)); });
    return design;
}

void designFromJson(const QJsonObject &design, StampSettings &settings, AppOptions &options)
{
    visitDesign(settings, options, [&design](const char *key, auto &value) {
        const QJsonValue v = design.value(QLatin1String(key));
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, QString>) {
            if (v.isString())
                value = v.toString();
        } else if constexpr (std::is_same_v<T, bool>) {
            if (v.isBool())
                value = v.toBool();
        } else if constexpr (std::is_same_v<T, double>) {
            if (v.isDouble())
                value = v.toDouble();
        } else {
            if (v.isDouble())
                value = static_cast<T>(v.toInteger());
        }
    });
}

QJsonObject planJson(const BatchPlan &plan)
{
    QJsonArray photos;
    for (const BatchPhotoResult &r : plan.photos) {
        photos.append(QJsonObject { { QStringLiteral("source"), QFileInfo(r.source).absoluteFilePath() },
            { QStringLiteral("output"), r.output.isEmpty() ? QJsonValue() : QJsonValue(r.output) },
            { QStringLiteral("result"), QLatin1String(photoOutcomeName(r.outcome)) },
            { QStringLiteral("existing"), QLatin1String(existingOutcomeName(r.existing)) },
            { QStringLiteral("wanted"), r.wanted.isEmpty() ? QJsonValue() : QJsonValue(r.wanted) } });
    }
    return { { QStringLiteral("kelvraPlan"), 1 }, { QStringLiteral("id"), plan.id },
        { QStringLiteral("output"), plan.outputFolder }, { QStringLiteral("counterStart"), plan.counterStart },
        { QStringLiteral("design"), designJson(plan.settings, plan.options) }, { QStringLiteral("photos"), photos } };
}

std::optional<BatchPlan> readBatchPlan(const QString &path, QString *error)
{
    auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QFile file;
    if (!openForReading(file, path))
        return refuse(file.errorString());
    QJsonParseError parse;
    const QJsonObject o = QJsonDocument::fromJson(file.readAll(), &parse).object();
    if (parse.error != QJsonParseError::NoError)
        return refuse(QStringLiteral("not JSON: ") + parse.errorString());
    if (o.value(QStringLiteral("kelvraPlan")).toInt() != 1)
        return refuse(QStringLiteral("not a plan (no \"kelvraPlan\": 1)"));
    BatchPlan plan;
    plan.id = o.value(QStringLiteral("id")).toString();
    plan.outputFolder = o.value(QStringLiteral("output")).toString();
    if (plan.id.isEmpty() || !QDir::isAbsolutePath(plan.outputFolder))
        return refuse(QStringLiteral("the plan names no id or no absolute output folder"));
    plan.counterStart = o.value(QStringLiteral("counterStart")).toInt(1);
    designFromJson(o.value(QStringLiteral("design")).toObject(), plan.settings, plan.options);
    for (const QJsonValue &value : o.value(QStringLiteral("photos")).toArray()) {
        const QJsonObject p = value.toObject();
        BatchPhotoResult r;
        r.source = p.value(QStringLiteral("source")).toString();
        r.output = p.value(QStringLiteral("output")).toString();
        r.wanted = p.value(QStringLiteral("wanted")).toString();
        r.outcome = outcomeFromName(p.value(QStringLiteral("result")).toString());
        r.existing = existingOutcomeFromName(p.value(QStringLiteral("existing")).toString());
        // A name outside the output folder is no name this plan could have made.
        if (writes(r) && !QDir::cleanPath(r.output).startsWith(plan.outputFolder + QLatin1Char('/')))
            return refuse(QStringLiteral("the output %1 lies outside the plan's folder").arg(r.output));
        if (r.source.isEmpty())
            return refuse(QStringLiteral("a photo without a source"));
        plan.photos.push_back(r);
    }
    return plan;
}

std::vector<int> shardPositions(const BatchPlan &plan, int shard, int count)
{
    std::vector<int> positions;
    for (int i = shard; i < int(plan.photos.size()); i += count)
        positions.push_back(i);
    return positions;
}

PlanShard planShard(const BatchPlan &plan, const std::vector<int> &positions)
{
    PlanShard shard;
    shard.job.settings = plan.settings;
    shard.job.options = plan.options;
    shard.job.plan = plan.id;
    shard.job.counterStart = plan.counterStart;
    // A photo named twice in the list has one output, written where first named.
    QSet<QString> outputs;
    std::vector<bool> first(plan.photos.size());
    for (size_t i = 0; i < plan.photos.size(); ++i)
        first[i] = writes(plan.photos[i]) && !outputs.contains(plan.photos[i].output)
            && (outputs.insert(plan.photos[i].output), true);
    for (int i : positions) {
        const BatchPhotoResult &r = plan.photos[size_t(i)];
        if (!first[size_t(i)])
            continue;
        shard.photos << r.source;
        shard.job.planned.push_back({ r.output, r.existing == ExistingOutcome::Replaced });
        shard.positions.push_back(i);
    }
    return shard;
}

} // namespace kelvra
