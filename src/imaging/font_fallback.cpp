// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/font_fallback.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <QMutex>

namespace kelvra {

namespace {

constexpr qsizetype kNearPrefix = 4;

qsizetype commonPrefix(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    qsizetype i = 0;
    while (i < n && a.at(i).toCaseFolded() == b.at(i).toCaseFolded())
        ++i;
    return i;
}

// What the font system draws a family with when left to itself.
QString matchedFamily(const QString &family)
{
    return QFontInfo(QFont(family)).family();
}

struct Resolved
{
    QString drawn;
    bool fellBack = false;
};

Resolved resolveFamily(const QString &family)
{
    if (family.isEmpty() || QFontDatabase::hasFamily(family))
        return { family, false };
    const QString matched = matchedFamily(family);
    // A name no font system knows gets its default; one it maps elsewhere
    // (an alias, a metric twin) is drawn as it always was.
    const QString fallback = matchedFamily(QStringLiteral("kelvra-no-such-font-family"));
    if (matched.compare(fallback, Qt::CaseInsensitive) != 0)
        return { family, false };
    const QString nearest = nearestFamilyByName(family, QFontDatabase::families());
    return { nearest.isEmpty() ? matched : nearest, true };
}

Resolved cachedFamily(const QString &family)
{
    static QMutex mutex;
    static QHash<QString, Resolved> cache;
    QMutexLocker lock(&mutex);
    const auto found = cache.constFind(family);
    if (found != cache.constEnd())
        return *found;
    const Resolved resolved = resolveFamily(family);
    cache.insert(family, resolved);
    return resolved;
}

} // namespace

QString nearestFamilyByName(const QString &family, const QStringList &installed)
{
    QString best;
    qsizetype bestLength = 0;
    for (const QString &candidate : installed) {
        if (candidate.compare(family, Qt::CaseInsensitive) == 0)
            return candidate;
        const qsizetype length = commonPrefix(family, candidate);
        if (length > bestLength || (length == bestLength && !best.isEmpty() && candidate.size() < best.size())) {
            best = candidate;
            bestLength = length;
        }
    }
    return bestLength >= kNearPrefix ? best : QString();
}

QString drawnFontFamily(const QString &family)
{
    return cachedFamily(family).drawn;
}

std::optional<FontFallback> fontFallback(const QString &family)
{
    const Resolved resolved = cachedFamily(family);
    if (!resolved.fellBack)
        return std::nullopt;
    return FontFallback { family, resolved.drawn };
}

} // namespace kelvra
