// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-cli preview [design options] [--area WxH] --out FILE.png PHOTO: the
// picture the preview area would show, without a window: decoded at the scale
// the area needs, turned upright, with the label drawn.
#include "cli/command.h"
#include "cli/design_options.h"

#include "cli/failure_text.h"

#include "jobs/preview_job.h"
#include "platform/atomic_file.h"
#include "platform/file_ops.h"

#include <QBuffer>
#include <QImageWriter>
#include <QRegularExpression>
#include <QTextStream>

#include <optional>

namespace kelvra::cli {

namespace {

const char *const kUsage
    = "usage: kelvra-cli preview [--cfg FILE] [--caption TEXT] [--date-format F] [--font NAME] [--size N]\n"
      "         [--color #RRGGBB] [--bg #RRGGBB|none] [--outline-color #RRGGBB|none] [--bold] [--italic]\n"
      "         [--underline] [--shadow] [--outline] [--place tl|tr|br|bl] [--look NAME] [--glow]\n"
      "         [--glow-color #RRGGBB|none] [--glow-size N] [--bg-alpha N] [--strip none|across|down]\n"
      "         [--area WxH] --out FILE.png PHOTO\n" KELVRA_DATE_USAGE;

struct Parsed
{
    DesignOptions design;
    int areaWidth = 642;
    int areaHeight = 378;
    QString out;
    QString photo;
};

// Returns an error text, or nothing when the arguments are sound.
std::optional<QString> parseArguments(QStringList args, Parsed &parsed)
{
    if (const std::optional<QString> error = takeDesignOptions(args, parsed.design))
        return error;
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const bool hasValue = i + 1 < args.size();
        auto value = [&]() { return args.at(++i); };
        if ((arg == QLatin1String("--area") || arg == QLatin1String("--out")) && !hasValue) {
            return needsValue(arg, arg == QLatin1String("--out") ? "a file" : "WxH");
        } else if (arg == QLatin1String("--area") && hasValue) {
            static const QRegularExpression size(QStringLiteral("^([1-9][0-9]{0,4})x([1-9][0-9]{0,4})$"));
            const QRegularExpressionMatch m = size.match(value());
            if (!m.hasMatch())
                return needsValue(arg, "WxH, for example 642x378");
            parsed.areaWidth = m.captured(1).toInt();
            parsed.areaHeight = m.captured(2).toInt();
        } else if (arg == QLatin1String("--out") && hasValue) {
            parsed.out = value();
        } else if (arg == QLatin1String("--")) {
            positional << args.mid(i + 1);
            break;
        } else if (arg.startsWith(QLatin1String("--"))) {
            return unknownOption(arg);
        } else {
            positional << arg;
        }
    }
    if (parsed.out.isEmpty())
        return QStringLiteral("--out is missing");
    if (positional.size() != 1)
        return positional.isEmpty() ? QStringLiteral("the photo is missing") : QStringLiteral("one photo only");
    parsed.photo = positional.first();
    return std::nullopt;
}

int failed(const QString &message)
{
    QTextStream(stderr) << "kelvra-cli preview: " << message << '\n';
    return ExitFailed;
}

int runPreview(const QStringList &args)
{
    Parsed parsed;
    if (const std::optional<QString> error = parseArguments(args, parsed))
        return usageError("preview", *error);
    const StampSettings &s = parsed.design.settings;
    const FormatSettings locale = FormatSettings::system();
    const PreviewPhoto photo = loadPreviewPhoto(
        parsed.photo, QSize(parsed.areaWidth, parsed.areaHeight), parsed.design.options.GPSForm, locale);
    if (!photo.ok())
        return failed(failureText(photo.error, parsed.photo, photo.detail, photo.imageError));
    if (const QString note = fontNote(s); !note.isEmpty())
        QTextStream(stderr) << "kelvra-cli preview: note: " << note << '\n';
    const PreviewPicture picture = drawPreview(photo, s, locale);
    const QImage &raster = picture.raster;
    const LabelBox &box = picture.box;

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(raster))
        return failed(QStringLiteral("cannot write ") + parsed.out + QStringLiteral(": ") + writer.errorString());
    const FileResult written = writeFileAtomically(
        nativePath(parsed.out), std::string_view(png.constData(), size_t(png.size())), ExistingFile::Update);
    if (!written.ok())
        return failed(failureText(written.error, fromNativePath(written.path), QString::fromStdString(written.detail)));

    QTextStream out(stdout);
    out << "scale " << photo.scale << '\n'
        << "raster " << raster.width() << 'x' << raster.height() << '\n'
        << "label " << box.Left << ' ' << box.Top << ' ' << box.Right << ' ' << box.Bottom << '\n'
        << "text " << picture.text << '\n';
    if (photo.warnings > 0)
        out << "warnings " << photo.warnings << '\n';
    return ExitOk;
}

const CommandRegistration registration(
    { "preview", "[design options] [--area WxH] --out FILE.png PHOTO   the preview picture with its label, as PNG",
        runPreview, true, kUsage, withDesignOptions({ { "--area", "WxH" }, { "--out", "a file" } }) });

} // namespace

} // namespace kelvra::cli
