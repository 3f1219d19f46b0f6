// FORMAT of dates and times: .NET's standard and custom date and time format strings, and the
// TimeSpan formats a time takes.
#include "tsql/Format.h"

namespace tsql {

namespace {

QString padded(qint64 v, int width) {
    return QString::number(v).rightJustified(width, u'0');
}

// The length of the run of `ch` from `at`.
int runLength(const QString& s, qsizetype at) {
    qsizetype end = at;
    while (end < s.size() && s[end] == s[at])
        ++end;
    return static_cast<int>(end - at);
}

// A quoted text or an escaped character at `at`: appended to `out`, `at` moved past it. False
// when there is none.
bool literalAt(const QString& pattern, qsizetype& at, QString& out) {
    const QChar ch = pattern[at];
    if (ch == u'\\') {
        if (at + 1 < pattern.size())
            out += pattern[++at];
        return true;
    }
    if (ch != u'\'' && ch != u'"')
        return false;
    const qsizetype end = pattern.indexOf(ch, at + 1);
    const qsizetype stop = end < 0 ? pattern.size() : end;
    out += pattern.mid(at + 1, stop - at - 1);
    at = stop;
    return true;
}

// f...: the first `n` digits of the second's fraction; F...: the same without trailing zeros.
QString fractionDigits(const Moment& m, int n, bool trim) {
    QString digits = padded(m.fraction(), 7).left(n);
    if (trim)
        while (digits.endsWith(u'0'))
            digits.chop(1);
    return digits;
}

QString dayField(const Moment& m, int n, const Culture& c) {
    const int weekday = m.date.dayOfWeek() % 7;  // Sunday 0
    if (n >= 4)
        return QString::fromUtf8(c.days[static_cast<size_t>(weekday)]);
    if (n == 3)
        return QString::fromUtf8(c.daysShort[static_cast<size_t>(weekday)]);
    return padded(m.date.day(), n);
}

QString monthField(const Moment& m, int n, const Culture& c) {
    const auto month = static_cast<size_t>(m.date.month() - 1);
    if (n >= 4)
        return QString::fromUtf8(c.months[month]);
    if (n == 3)
        return QString::fromUtf8(c.monthsShort[month]);
    return padded(m.date.month(), n);
}

QString yearField(const Moment& m, int n, const Culture& c) {
    const int year = m.date.year() + c.yearOffset;
    return n <= 2 ? padded(year % 100, n) : padded(year, n);
}

// The fields of the time of day that dates and times share: H (24 hours), m, s and the
// fractions f and F; empty for another character.
std::optional<QString> clockField(const Moment& m, QChar ch, int n) {
    switch (ch.unicode()) {
        case 'H':
            return padded(m.hour(), std::min(n, 2));
        case 'm':
            return padded(m.minute(), std::min(n, 2));
        case 's':
            return padded(m.second(), std::min(n, 2));
        case 'f':
        case 'F':
            return fractionDigits(m, n, ch == u'F');
        default:
            return std::nullopt;
    }
}

// One field of a custom date pattern: the run of `ch`, `n` long.
QString dateField(const Moment& m, QChar ch, int n, const Culture& c) {
    const QString designator = QString::fromUtf8(m.hour() < 12 ? c.am : c.pm);
    switch (ch.unicode()) {
        case 'd':
            return dayField(m, n, c);
        case 'M':
            return monthField(m, n, c);
        case 'y':
            return yearField(m, n, c);
        case 'h':
            return padded(m.hour() % 12 == 0 ? 12 : m.hour() % 12, std::min(n, 2));
        case 't':
            return n == 1 ? designator.left(1) : designator;
        case ':':
            return QStringLiteral(":");
        case '/':
            return QString::fromUtf8(c.dateSeparator);
        default:
            return clockField(m, ch, n).value_or(QString(n, ch));
    }
}

QString customDate(const Moment& m, const QString& pattern, const Culture& c) {
    QString out;
    for (qsizetype k = 0; k < pattern.size(); ++k) {
        if (literalAt(pattern, k, out))
            continue;
        if (pattern[k] == u'%')  // %d: the single-letter field, not the standard format
            continue;
        const int n = runLength(pattern, k);
        const QString field = dateField(m, pattern[k], n, c);
        // F fields that write nothing take the point before them along.
        if (pattern[k] == u'F' && field.isEmpty() && out.endsWith(u'.'))
            out.chop(1);
        out += field;
        k += n - 1;
    }
    return out;
}

// The pattern a standard date format stands for; empty for a letter that names none.
QString standardDatePattern(QChar kind, const Culture& c) {
    auto p = [](const char* text) { return QString::fromUtf8(text); };
    switch (kind.unicode()) {
        case 'd':
            return p(c.shortDate);
        case 'D':
            return p(c.longDate);
        case 't':
            return p(c.shortTime);
        case 'T':
            return p(c.longTime);
        case 'f':
            return p(c.longDate) + u' ' + p(c.shortTime);
        case 'F':
            return p(c.longDate) + u' ' + p(c.longTime);
        case 'g':
            return p(c.shortDate) + u' ' + p(c.shortTime);
        case 'G':
            return p(c.shortDate) + u' ' + p(c.longTime);
        case 'm':
        case 'M':
            return p(c.monthDay);
        case 'y':
        case 'Y':
            return p(c.yearMonth);
        case 's':
            return QStringLiteral("yyyy'-'MM'-'dd'T'HH':'mm':'ss");
        case 'u':
            return QStringLiteral("yyyy'-'MM'-'dd HH':'mm':'ss'Z'");
        default:
            return {};
    }
}

// One field of a TimeSpan pattern: days (none), hours, minutes, seconds and fractions; empty
// for a character that is no field.
std::optional<QString> timeSpanField(const Moment& m, QChar ch, int n) {
    if (ch == u'd')
        return padded(0, n);
    if (ch == u'h')
        return clockField(m, u'H', n);
    return ch == u'H' ? std::nullopt : clockField(m, ch, n);
}

}  // namespace

std::optional<QString> formatDateText(const Moment& value, const QString& format,
                                      const Culture& culture) {
    if (format.size() == 1) {
        const QString pattern = standardDatePattern(format[0], culture);
        if (pattern.isEmpty())
            return std::nullopt;
        return customDate(value, pattern, culture);
    }
    return customDate(value, format, culture);
}

std::optional<QString> formatTimeText(const Moment& value, const QString& format) {
    if (format == u"c" || format == u"t" || format == u"T") {
        const QString fraction = fractionDigits(value, 7, false);
        const QString whole = padded(value.hour(), 2) + u':' + padded(value.minute(), 2) + u':' +
                              padded(value.second(), 2);
        return value.fraction() ? whole + u'.' + fraction : whole;
    }
    QString out;
    for (qsizetype k = 0; k < format.size(); ++k) {
        if (literalAt(format, k, out) || format[k] == u'%')
            continue;
        const int n = runLength(format, k);
        const std::optional<QString> field = timeSpanField(value, format[k], n);
        if (!field)
            return std::nullopt;
        out += *field;
        k += n - 1;
    }
    return out;
}

}  // namespace tsql
