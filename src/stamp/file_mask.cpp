// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/file_mask.h"

#include "metadata/photo_kind.h"
#include "stamp/date_format.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace kelvra {

using namespace Qt::StringLiterals;

namespace {

// From the last dot of the name, the dot included; empty without a dot.
QString extensionOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

QString counterText(qint64 counter, int width)
{
    const QString digits = u"000000000000"_s + QString::number(counter);
    return digits.right(width);
}

} // namespace

const std::array<QLatin1StringView, 20> &fileMaskFields()
{
    static constexpr std::array<QLatin1StringView, 20> fields = {
        "%n1"_L1,
        "%n2"_L1,
        "%n3"_L1,
        "%n4"_L1,
        "%n5"_L1,
        "%n6"_L1,
        "%n7"_L1,
        "%n8"_L1,
        "%n9"_L1, //
        "%o"_L1, //
        "%dw"_L1,
        "%dy"_L1,
        "%wy"_L1,
        "%wm"_L1, //
        "%y"_L1,
        "%m"_L1,
        "%d"_L1,
        "%h"_L1,
        "%n"_L1,
        "%s"_L1,
    };
    return fields;
}

QString ExpandFileMask(
    const QString &mask, const QString &source, qint64 counter, TDateTime date, const FormatSettings &locale)
{
    const QString sourceName = QFileInfo(source).fileName();
    const QString extension = extensionOf(sourceName);
    const auto formatted = [&](const char *format) { return FormatPhotoDate(QLatin1String(format), date, locale); };
    // In the order of fileMaskFields().
    const QString values[20] = {
        counterText(counter, 1),
        counterText(counter, 2),
        counterText(counter, 3),
        counterText(counter, 4),
        counterText(counter, 5),
        counterText(counter, 6),
        counterText(counter, 7),
        counterText(counter, 8),
        counterText(counter, 9),
        sourceName.left(sourceName.size() - extension.size()),
        QString::number(dayOfWeek(date)),
        QString::number(dayOfYear(date)),
        QString::number(isoWeekOfYear(date)),
        QString::number(weekOfMonth(date)),
        formatted("YYYY"),
        formatted("MM"),
        formatted("DD"),
        formatted("hh"),
        formatted("nn"),
        formatted("ss"),
    };
    QString name = mask.trimmed();
    for (size_t i = 0; i < fileMaskFields().size(); ++i)
        name.replace(fileMaskFields()[i], values[i], Qt::CaseInsensitive);
    return name + extension;
}

bool IsJpegFileName(const QString &fileName)
{
    return photoKindOfName(QFileInfo(fileName).fileName().toStdString()) == PhotoKind::Jpeg;
}

bool IsPhotoFileName(const QString &fileName)
{
    return photoKindOfName(QFileInfo(fileName).fileName().toStdString()) != PhotoKind::None;
}

QString photoChooserPatterns()
{
    return QString::fromStdString(photoNamePatterns());
}

QString stampedFileName(const QString &name, PhotoKind source)
{
    const PhotoKindTraits &traits = photoKindTraits(photoKindTraits(source).stampedKind);
    if (traits.kind == PhotoKind::None || nameFitsKind(name.toStdString(), traits.kind))
        return name;
    const qsizetype slash = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString base = dot > slash ? name.left(dot) : name;
    return base + QString::fromLatin1(traits.stampedExtension.data(), qsizetype(traits.stampedExtension.size()));
}

QString maskExample(const QString &mask, TDateTime now, const FormatSettings &locale)
{
    return ExpandFileMask(mask, u"OriginalName.jpg"_s, 1, now, locale);
}

const QStringList &offeredMasks()
{
    static const QStringList masks = {
        u"%o_timestamp"_s,
        u"%o"_s,
        u"%y-%m-%d_%n3"_s,
        u"%y-%m-%d-%h.%n.%s_%n3"_s,
        u"%y%m%d_%n3"_s,
        u"%y%m%d%h%n%s_%n3"_s,
        u"%y\\%m\\%d\\%y%m%d_%n3"_s,
        u"%y\\%m\\%d\\%o"_s,
        u"%y\\%m\\%o"_s,
        u"%y\\%m\\%y%m%d_%n3"_s,
        u"%y\\%y%m%d_%n3"_s,
        u"%n5"_s,
        u"%n6"_s,
        u"%n7"_s,
        u"%n8"_s,
        u"%n9"_s,
    };
    return masks;
}

QString OutputName::toNativePath() const
{
    QStringList parts = folders;
    parts << fileName;
    return QDir::toNativeSeparators(parts.join(u'/'));
}

namespace {

OutputNameProblem split(const QString &expanded, OutputName *name)
{
    if (expanded.startsWith(u'\\') || expanded.startsWith(u'/'))
        return OutputNameProblem::LeavesFolder;
    // "C:" at the start names a drive on Windows; refuse it everywhere so a
    // mask behaves the same on every system.
    if (expanded.size() >= 2 && expanded.at(1) == u':' && expanded.at(0).isLetter())
        return OutputNameProblem::Drive;

    QString unified = expanded;
    unified.replace(u'\\', u'/');
    QStringList parts;
    for (const QString &part : unified.split(u'/')) {
        if (part.isEmpty() || part == "."_L1)
            continue;
        // Windows drops trailing dots and blanks, so ". ." or "..." can name
        // the parent folder there; no sensible mask makes such a part.
        const bool onlyDotsAndBlanks
            = std::all_of(part.begin(), part.end(), [](QChar c) { return c == u'.' || c == u' '; });
        if (onlyDotsAndBlanks)
            return OutputNameProblem::LeavesFolder;
        parts << part;
    }
    if (parts.isEmpty())
        return OutputNameProblem::NoName;
    if (expanded.endsWith(u'\\') || expanded.endsWith(u'/'))
        return OutputNameProblem::EndsInSeparator;
    name->fileName = parts.takeLast();
    name->folders = parts;
    return OutputNameProblem::None;
}

} // namespace

std::optional<OutputName> splitOutputName(const QString &expanded)
{
    OutputName name;
    if (split(expanded, &name) != OutputNameProblem::None)
        return std::nullopt;
    return name;
}

OutputNameProblem outputNameProblem(const QString &expanded)
{
    OutputName name;
    return split(expanded, &name);
}

MaskCheck checkFileMask(const QString &mask)
{
    const QString trimmed = mask.trimmed();
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        if (trimmed.at(i) != u'%')
            continue;
        const QStringView rest = QStringView(trimmed).mid(i);
        const auto known = std::find_if(fileMaskFields().begin(), fileMaskFields().end(),
            [rest](QLatin1StringView field) { return rest.startsWith(field, Qt::CaseInsensitive); });
        if (known == fileMaskFields().end())
            return { MaskProblem::UnknownField, rest.left(2).toString() };
        i += known->size() - 1;
    }
    if (trimmed.endsWith(u'\\') || trimmed.endsWith(u'/'))
        return { MaskProblem::EndsInSeparator, {} };
    if (trimmed.size() >= 2 && trimmed.at(1) == u':' && trimmed.at(0).isLetter())
        return { MaskProblem::Drive, {} };
    return {};
}

} // namespace kelvra
