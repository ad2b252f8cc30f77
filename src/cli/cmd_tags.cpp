// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-cli tags [--json] [--gps-form N] [--trace] PHOTO: what the metadata reader finds.
#include "cli/command.h"

#include "metadata/codepage.h"
#include "metadata/exif_reader.h"
#include "stamp/format_settings.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <cstdio>

namespace kelvra::cli {

namespace {

QString text(const std::string &cp1252)
{
    return QString::fromStdString(cp1252ToUtf8(cp1252));
}

QString hex(const std::string &bytes)
{
    return QString::fromLatin1(QByteArray::fromStdString(bytes).toHex());
}

QJsonObject toJson(const TimgData &data, bool ok, bool trace)
{
    QJsonObject root;
    root[QStringLiteral("ok")] = ok;
    root[QStringLiteral("errStr")] = text(data.ErrStr);
    root[QStringLiteral("hasExif")] = data.HasEXIF();
    root[QStringLiteral("hasThumbnail")] = data.HasThumbnail();
    root[QStringLiteral("thumbStart")] = data.ExifObj ? data.ExifObj->ThumbStart : 0;
    root[QStringLiteral("thumbLength")] = data.ExifObj ? data.ExifObj->ThumbLength : 0;

    QJsonArray sections;
    for (int i = 0; i < data.SectionCnt; ++i) {
        const tSection &s = data.sections[static_cast<size_t>(i)];
        sections.append(QJsonObject { { QStringLiteral("marker"), s.dtype }, { QStringLiteral("size"), s.size } });
    }
    root[QStringLiteral("sections")] = sections;
    root[QStringLiteral("exifSlot")] = data.slotOf(data.ExifSegment);
    root[QStringLiteral("iptcSlot")] = data.slotOf(data.IPTCSegment);
    root[QStringLiteral("commentSlot")] = data.slotOf(data.CommentSegment);
    root[QStringLiteral("headerSlot")] = data.slotOf(data.HeaderSegment);

    QJsonArray tags;
    if (data.ExifObj) {
        for (const TTagEntry &tag : data.ExifObj->FITagArray) {
            tags.append(QJsonObject { { QStringLiteral("name"), text(tag.Name) }, { QStringLiteral("tag"), tag.Tag },
                { QStringLiteral("TID"), tag.TID }, { QStringLiteral("format"), tag.TType },
                { QStringLiteral("value"), text(tag.Data) }, { QStringLiteral("raw"), hex(tag.Raw) },
                { QStringLiteral("position"), tag.PRaw } });
        }
    }
    root[QStringLiteral("tags")] = tags;
    if (trace)
        root[QStringLiteral("msTrace")] = data.ExifObj ? text(data.ExifObj->msTraceStr) : QString();
    return root;
}

int runTags(const QStringList &args)
{
    bool json = false;
    bool trace = false;
    ExifTextOptions options;
    QString photo;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("--json")) {
            json = true;
        } else if (arg == QLatin1String("--trace")) {
            trace = true;
        } else if (arg == QLatin1String("--gps-form")) {
            bool ok = false;
            options.GPSForm = i + 1 < args.size() ? args[++i].toInt(&ok) : 0;
            if (!ok)
                return usageError("tags", needsValue(arg, "a number"));
        } else if (arg.startsWith(QLatin1Char('-'))) {
            return usageError("tags", unknownOption(arg));
        } else if (!photo.isEmpty()) {
            return usageError("tags", QStringLiteral("one photo only"));
        } else {
            photo = arg;
        }
    }
    if (photo.isEmpty())
        return usageError("tags", QStringLiteral("the photo is missing"));
    if (!QFileInfo(photo).isFile()) {
        QTextStream(stderr) << "kelvra-cli tags: no such file: " << photo << '\n';
        return ExitFailed;
    }
    options.decimalSeparator = utf8ToCp1252(FormatSettings::system().decimalSeparatorUtf8());

    TimgData data(255, options);
    const bool ok = data.ProcessFile(std::filesystem::path(photo.toStdU16String()));

    // Why nothing was read is an error, not a finding.
    if (!ok)
        QTextStream(stderr) << "kelvra-cli tags: " << photo << ": " << text(data.ErrStr) << '\n';
    QTextStream out(stdout);
    if (json) {
        out << QJsonDocument(toJson(data, ok, trace)).toJson(QJsonDocument::Indented);
    } else {
        if (ok)
            out << text(data.ErrStr) << '\n';
        if (data.ExifObj) {
            for (const TTagEntry &tag : data.ExifObj->FITagArray)
                out << text(tag.Name) << '\t' << text(tag.Data) << '\n';
            // The maker trace: one "name = text" line per maker entry, after a blank line.
            if (trace)
                out << text(data.ExifObj->msTraceStr).replace(QLatin1String("\r\n"), QLatin1String("\n")) << '\n';
        }
    }
    return ok ? ExitOk : ExitFailed;
}

const CommandRegistration registration(
    { "tags", "[--json] [--gps-form N] [--trace] PHOTO   print the metadata read from PHOTO, one tag a line", runTags,
        false, nullptr, { { "--json" }, { "--trace" }, { "--gps-form", "a number" } } });

} // namespace

} // namespace kelvra::cli
