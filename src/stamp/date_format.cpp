// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/date_format.h"

namespace kelvra {

namespace {

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
        } else if (startsAt(format, i, QLatin1StringView("AM/PM"))) {
            out += QLatin1StringView("AM/PM");
            i += 5;
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
            return startsAt(format, i, QLatin1StringView("AM/PM")) || startsAt(format, i, QLatin1StringView("AMPM"));
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
    QString localeFormat(const QString &toolkitPattern) const
    {
        return format(dateFormatFromToolkitPattern(toolkitPattern));
    }
    QString marker(const QString &format, qsizetype at) const;

    TDateTime m_value;
    DateTimeFields m_f;
    const FormatSettings &m_locale;
};

// "AM" or "PM" with each letter in the case of the format's letter above it.
QString Formatter::marker(const QString &format, qsizetype at) const
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
    bool markerSeen = false; // an AM/PM or AMPM field came earlier
    bool afterHour = false; // only non-letters since the last hour field

    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (isQuote(c)) {
            qsizetype close = format.indexOf(c, i + 1);
            if (close < 0)
                close = format.size();
            out += QStringView(format).mid(i + 1, close - i - 1);
            i = close + 1;
            continue;
        }
        if (c == QLatin1Char(':')) {
            out += m_locale.timeSeparator;
            ++i;
            continue;
        }
        if (c == QLatin1Char('/')) {
            out += m_locale.dateSeparator;
            ++i;
            continue;
        }
        if (!c.isLetter()) {
            out += c;
            ++i;
            continue;
        }

        const char16_t field = c.toUpper().unicode();
        if (field == u'A' && startsAt(format, i, QLatin1StringView("AM/PM"))) {
            out += marker(format, i);
            markerSeen = true;
            afterHour = false;
            i += 5;
            continue;
        }
        if (field == u'A' && startsAt(format, i, QLatin1StringView("AMPM"))) {
            out += m_f.hour < 12 ? m_locale.timeAMString : m_locale.timePMString;
            markerSeen = true;
            afterHour = false;
            i += 4;
            continue;
        }

        const qsizetype run = runLength(format, i);
        const bool wasAfterHour = afterHour;
        afterHour = false;
        switch (field) {
        case u'Y':
            out += run <= 2 ? number(m_f.year % 100, 2) : number(m_f.year, 4);
            break;
        case u'M':
            if (wasAfterHour && run <= 2)
                out += number(m_f.minute, run == 1 ? 0 : 2);
            else if (run <= 2)
                out += number(m_f.month, run == 1 ? 0 : 2);
            else
                out += nameAt(run == 3 ? m_locale.shortMonthNames : m_locale.longMonthNames, m_f.month - 1);
            break;
        case u'D':
            if (run <= 2)
                out += number(m_f.day, run == 1 ? 0 : 2);
            else if (run <= 4)
                out += nameAt(run == 3 ? m_locale.shortDayNames : m_locale.longDayNames, dayOfWeek(m_value) - 1);
            else
                out += localeFormat(run == 5 ? m_locale.shortDateFormat : m_locale.longDateFormat);
            break;
        case u'H': {
            const bool twelve = markerSeen || hourIsFollowedByMarker(format, i + run);
            int hour = m_f.hour;
            if (twelve)
                hour = hour % 12 == 0 ? 12 : hour % 12;
            out += number(hour, run == 1 ? 0 : 2);
            afterHour = true;
            break;
        }
        case u'N':
            out += number(m_f.minute, run == 1 ? 0 : 2);
            break;
        case u'S':
            out += number(m_f.second, run == 1 ? 0 : 2);
            break;
        case u'Z':
            out += number(m_f.millisecond, run == 1 ? 0 : 3);
            break;
        case u'T':
            out += localeFormat(run == 1 ? m_locale.shortTimeFormat : m_locale.longTimeFormat);
            break;
        case u'C':
            out += localeFormat(m_locale.shortDateFormat);
            if (m_f.hour || m_f.minute || m_f.second || m_f.millisecond)
                out += QLatin1Char(' ') + localeFormat(m_locale.longTimeFormat);
            break;
        case u'A':
            if (run >= 3)
                out += nameAt(run == 3 ? m_locale.shortDayNames : m_locale.longDayNames, dayOfWeek(m_value) - 1);
            else
                out += QStringView(format).mid(i, run);
            break;
        case u'E':
            // Gregorian dates from the year 1 on: the era year is the year.
            out += number(m_f.year, run == 1 ? 0 : 2);
            break;
        case u'G':
            out += run == 1 ? m_locale.eraShortName : m_locale.eraLongName;
            break;
        default:
            out += QStringView(format).mid(i, run);
            break;
        }
        i += run;
    }
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
            out += QLatin1StringView("AMPM");
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
