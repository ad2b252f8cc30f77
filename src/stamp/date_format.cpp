// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/date_format.h"

namespace kelvra {

namespace {

// The two forms of the AM/PM field: the fixed letters, and the locale's markers.
constexpr QLatin1StringView kFixedMarker("AM/PM");
constexpr QLatin1StringView kLocaleMarker("AMPM");

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

bool startsAt(const QString &text, qsizetype at, QLatin1StringView word)
{
    return QStringView(text).mid(at, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

qsizetype runLength(const QString &text, qsizetype at)
{
    qsizetype end = at + 1;
    while (end < text.size() && text.at(end) == text.at(at))
        ++end;
    return end - at;
}

QString number(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

QString nameAt(const QStringList &names, int index)
{
    return index >= 0 && index < names.size() ? names.at(index) : QString();
}

// A slash would otherwise print the locale's date separator; quoting it keeps
// it a slash. Quoted text is left alone: it prints as typed anyway.
QString protectSlashes(const QString &format)
{
    QString out;
    out.reserve(format.size() + 8);
    QChar quote;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (!quote.isNull()) {
            out += c;
            if (c == quote)
                quote = QChar();
            ++i;
        } else if (isQuote(c)) {
            quote = c;
            out += c;
            ++i;
        } else if (startsAt(format, i, kFixedMarker)) {
            out += kFixedMarker;
            i += kFixedMarker.size();
        } else if (c == QLatin1Char('/')) {
            out += QLatin1StringView("\"/\"");
            ++i;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

// Whether the first A after position `from`, outside quotes and before any
// further hour field, starts an AM/PM or AMPM field.
bool hourIsFollowedByMarker(const QString &format, qsizetype from)
{
    for (qsizetype i = from; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (isQuote(c)) {
            const qsizetype close = format.indexOf(c, i + 1);
            if (close < 0)
                return false;
            i = close;
            continue;
        }
        const QChar upper = c.toUpper();
        if (upper == QLatin1Char('H'))
            return false;
        if (upper == QLatin1Char('A'))
            return startsAt(format, i, kFixedMarker) || startsAt(format, i, kLocaleMarker);
    }
    return false;
}

// A toolkit (QLocale) date or time pattern, as the locale's own formats are
// stored, rewritten in the language here with every literal quoted.
QString dateFormatFromToolkitPattern(const QString &pattern);

class Formatter
{
public:
    Formatter(TDateTime value, const FormatSettings &locale)
        : m_value(value)
        , m_f(calendarFields(value))
        , m_locale(locale)
    {
    }

    QString format(const QString &format) const;

private:
    // What the fields met so far decide about the next ones.
    struct Context
    {
        bool markerSeen = false; // an AM/PM or AMPM field came earlier
        bool afterHour = false; // only non-letters since the last hour field
    };

    QString localeFormat(const QString &toolkitPattern) const
    {
        return format(dateFormatFromToolkitPattern(toolkitPattern));
    }
    QString literal(QChar c) const;
    qsizetype markerLength(const QString &format, qsizetype at) const;
    QString markerText(const QString &format, qsizetype at, qsizetype length) const;
    QString fixedMarker(const QString &format, qsizetype at) const;
    QString field(const QString &format, qsizetype at, qsizetype run, Context &context) const;
    QString monthOrMinute(qsizetype run, bool afterHour) const;
    QString dayField(qsizetype run) const;
    QString hourField(const QString &format, qsizetype at, qsizetype run, const Context &context) const;
    QString dayName(qsizetype run) const;
    QString dateAndTime() const;

    TDateTime m_value;
    DateTimeFields m_f;
    const FormatSettings &m_locale;
};

// Text between quotes prints as typed; an unclosed quote runs to the end.
// Returns the position after the closing quote.
qsizetype appendQuoted(const QString &format, qsizetype at, QString &out)
{
    qsizetype close = format.indexOf(format.at(at), at + 1);
    if (close < 0)
        close = format.size();
    out += QStringView(format).mid(at + 1, close - at - 1);
    return close + 1;
}

// A character that is not a letter: the locale's separators, or itself.
QString Formatter::literal(QChar c) const
{
    if (c == QLatin1Char(':'))
        return m_locale.timeSeparator;
    if (c == QLatin1Char('/'))
        return m_locale.dateSeparator;
    return QString(c);
}

// The length of the AM/PM or AMPM field at at; 0 for none.
qsizetype Formatter::markerLength(const QString &format, qsizetype at) const
{
    if (startsAt(format, at, kFixedMarker))
        return kFixedMarker.size();
    if (startsAt(format, at, kLocaleMarker))
        return kLocaleMarker.size();
    return 0;
}

QString Formatter::markerText(const QString &format, qsizetype at, qsizetype length) const
{
    if (length == kFixedMarker.size())
        return fixedMarker(format, at);
    return m_f.hour < 12 ? m_locale.timeAMString : m_locale.timePMString;
}

// "AM" or "PM" with each letter in the case of the format's letter above it.
QString Formatter::fixedMarker(const QString &format, qsizetype at) const
{
    const qsizetype from = m_f.hour < 12 ? at : at + 3;
    QString out = m_f.hour < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
    for (int k = 0; k < 2; ++k) {
        if (format.at(from + k).isLower())
            out[k] = out.at(k).toLower();
    }
    return out;
}

QString Formatter::format(const QString &format) const
{
    QString out;
    Context context;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (isQuote(c)) {
            i = appendQuoted(format, i, out);
        } else if (!c.isLetter()) {
            out += literal(c);
            ++i;
        } else if (const qsizetype marker = markerLength(format, i)) {
            out += markerText(format, i, marker);
            context.markerSeen = true;
            context.afterHour = false;
            i += marker;
        } else {
            const qsizetype run = runLength(format, i);
            out += field(format, i, run, context);
            i += run;
        }
    }
    return out;
}

// The run of one letter at at, run letters long.
QString Formatter::field(const QString &format, qsizetype at, qsizetype run, Context &context) const
{
    const bool afterHour = context.afterHour;
    context.afterHour = false;
    const int width = run == 1 ? 0 : 2;
    switch (format.at(at).toUpper().unicode()) {
    case u'Y':
        return run <= 2 ? number(m_f.year % 100, 2) : number(m_f.year, 4);
    case u'M':
        return monthOrMinute(run, afterHour);
    case u'D':
        return dayField(run);
    case u'H':
        context.afterHour = true;
        return hourField(format, at, run, context);
    case u'N':
        return number(m_f.minute, width);
    case u'S':
        return number(m_f.second, width);
    case u'Z':
        return number(m_f.millisecond, run == 1 ? 0 : 3);
    case u'T':
        return localeFormat(run == 1 ? m_locale.shortTimeFormat : m_locale.longTimeFormat);
    case u'C':
        return dateAndTime();
    case u'A':
        return run >= 3 ? dayName(run) : QStringView(format).mid(at, run).toString();
    case u'E':
        // Gregorian dates from the year 1 on: the era year is the year.
        return number(m_f.year, width);
    case u'G':
        return run == 1 ? m_locale.eraShortName : m_locale.eraLongName;
    default:
        return QStringView(format).mid(at, run).toString();
    }
}

// Right after an hour field, M and MM are the minutes.
QString Formatter::monthOrMinute(qsizetype run, bool afterHour) const
{
    if (afterHour && run <= 2)
        return number(m_f.minute, run == 1 ? 0 : 2);
    if (run <= 2)
        return number(m_f.month, run == 1 ? 0 : 2);
    return nameAt(run == 3 ? m_locale.shortMonthNames : m_locale.longMonthNames, m_f.month - 1);
}

QString Formatter::dayField(qsizetype run) const
{
    if (run <= 2)
        return number(m_f.day, run == 1 ? 0 : 2);
    if (run <= 4)
        return dayName(run);
    return localeFormat(run == 5 ? m_locale.shortDateFormat : m_locale.longDateFormat);
}

// Twelve-hour when an AM/PM field stands before it, or after it before the next hour.
QString Formatter::hourField(const QString &format, qsizetype at, qsizetype run, const Context &context) const
{
    const bool twelve = context.markerSeen || hourIsFollowedByMarker(format, at + run);
    int hour = m_f.hour;
    if (twelve)
        hour = hour % 12 == 0 ? 12 : hour % 12;
    return number(hour, run == 1 ? 0 : 2);
}

QString Formatter::dayName(qsizetype run) const
{
    return nameAt(run == 3 ? m_locale.shortDayNames : m_locale.longDayNames, dayOfWeek(m_value) - 1);
}

// The short date, and the long time unless it is midnight exactly.
QString Formatter::dateAndTime() const
{
    QString out = localeFormat(m_locale.shortDateFormat);
    if (m_f.hour || m_f.minute || m_f.second || m_f.millisecond)
        out += QLatin1Char(' ') + localeFormat(m_locale.longTimeFormat);
    return out;
}

QString quoted(QStringView text)
{
    QString out;
    for (QChar c : text) {
        const QChar quote = c == QLatin1Char('"') ? QLatin1Char('\'') : QLatin1Char('"');
        out += quote;
        out += c;
        out += quote;
    }
    return out;
}

QString dateFormatFromToolkitPattern(const QString &pattern)
{
    QString out;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('\'')) {
            // Quoted text, where two quotes stand for one.
            QString text;
            qsizetype j = i + 1;
            if (j < pattern.size() && pattern.at(j) == QLatin1Char('\'')) {
                out += quoted(u"'");
                i = j + 1;
                continue;
            }
            while (j < pattern.size()) {
                if (pattern.at(j) == QLatin1Char('\'')) {
                    if (j + 1 < pattern.size() && pattern.at(j + 1) == QLatin1Char('\'')) {
                        text += QLatin1Char('\'');
                        j += 2;
                        continue;
                    }
                    break;
                }
                text += pattern.at(j++);
            }
            out += quoted(text);
            i = j + 1;
            continue;
        }
        if (c == QLatin1Char('A') || c == QLatin1Char('a')) {
            out += kLocaleMarker;
            const bool pair = i + 1 < pattern.size() && pattern.at(i + 1).toUpper() == QLatin1Char('P');
            i += pair ? 2 : 1;
            continue;
        }
        const qsizetype run = runLength(pattern, i);
        const auto repeat = [](char letter, qsizetype count) { return QString(count, QLatin1Char(letter)); };
        switch (c.unicode()) {
        case u'd':
            out += repeat('d', std::min<qsizetype>(run, 4));
            break;
        case u'M':
            out += repeat('M', std::min<qsizetype>(run, 4));
            break;
        case u'y':
            out += run <= 2 ? repeat('y', 2) : repeat('y', 4);
            break;
        case u'h':
        case u'H':
            out += repeat('h', run == 1 ? 1 : 2);
            break;
        case u'm':
            out += repeat('n', run == 1 ? 1 : 2);
            break;
        case u's':
            out += repeat('s', run == 1 ? 1 : 2);
            break;
        case u'z':
            out += repeat('z', run == 1 ? 1 : 3);
            break;
        case u't':
            // A time zone name: the dates here are local and carry none. The
            // blank that set it apart goes with it.
            if (out.endsWith(QLatin1StringView("\" \"")))
                out.chop(3);
            else if (out.isEmpty())
                while (i + run < pattern.size() && pattern.at(i + run) == u' ')
                    ++i;
            break;
        default:
            out += quoted(QStringView(pattern).mid(i, run));
            break;
        }
        i += run;
    }
    return out;
}

} // namespace

QString FormatPhotoDate(const QString &format, TDateTime value, const FormatSettings &locale)
{
    if (format.isEmpty())
        return {};
    return Formatter(value, locale).format(protectSlashes(format));
}

} // namespace kelvra
