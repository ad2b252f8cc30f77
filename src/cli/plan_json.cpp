// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/plan_json.h"

#include <QDir>
#include <QJsonArray>

namespace kelvra::cli {

namespace {

QJsonValue pathOrNull(const QString &path)
{
    return path.isEmpty() ? QJsonValue() : QJsonValue(absoluteNative(path));
}

// A failed photo's name was reached but nothing stands under it, unless the
// source was copied there unchanged; a copy onto the source itself writes
// nothing either.
bool wroteOutput(const BatchPhotoResult &r)
{
    if (r.copiedUnchanged)
        return true;
    const bool done = r.outcome == PhotoOutcome::Stamped || r.outcome == PhotoOutcome::Copied;
    return done && r.existing != ExistingOutcome::IsSource;
}

} // namespace

QString absoluteNative(const QString &path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
}

QJsonObject photoJson(const ReportedPhoto &photo)
{
    const BatchPhotoResult &r = photo.result;
    return { { QStringLiteral("source"), absoluteNative(r.source) },
        { QStringLiteral("output"), wroteOutput(r) ? pathOrNull(r.output) : QJsonValue() },
        { QStringLiteral("result"), QLatin1String(photoOutcomeName(r.outcome)) },
        { QStringLiteral("error"), QLatin1String(errorName(photo)) }, { QStringLiteral("reason"), failureText(photo) },
        { QStringLiteral("existing"), QLatin1String(existingOutcomeName(r.existing)) },
        { QStringLiteral("wanted"), pathOrNull(r.wanted.isEmpty() ? r.output : r.wanted) } };
}

QJsonObject planTotals(const std::vector<ReportedPhoto> &photos)
{
    int counts[4] = {};
    for (const ReportedPhoto &photo : photos)
        ++counts[int(photo.result.outcome)];
    return { { QStringLiteral("photos"), qint64(photos.size()) },
        { QStringLiteral("stamped"), counts[int(PhotoOutcome::Stamped)] },
        { QStringLiteral("copied"), counts[int(PhotoOutcome::Copied)] },
        { QStringLiteral("skipped"), counts[int(PhotoOutcome::Skipped)] },
        { QStringLiteral("failed"), counts[int(PhotoOutcome::Failed)] } };
}

QJsonObject planJson(const QString &outputFolder, const std::vector<ReportedPhoto> &photos)
{
    QJsonArray list;
    for (const ReportedPhoto &photo : photos)
        list.append(photoJson(photo));
    return { { QStringLiteral("kelvraPlan"), 1 }, { QStringLiteral("output"), absoluteNative(outputFolder) },
        { QStringLiteral("photos"), list }, { QStringLiteral("totals"), planTotals(photos) } };
}

} // namespace kelvra::cli
