#include "tsql/Conversions.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

#include "dbcore/DigitGroups.h"
#include "tsql/Decimal.h"
#include "tsql/Errors.h"
#include "tsql/Moment.h"

namespace tsql {

namespace {

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QString typeWord(const SqlType& t) {
    QString s = t.toSql();
    int p = s.indexOf(u'(');
    return p < 0 ? s : s.left(p);
}

QString textWord(const SqlType& from) {
    const bool national = from.base == SqlType::NChar || from.base == SqlType::NVarChar;
    return national ? QStringLiteral("nvarchar") : QStringLiteral("varchar");
}

const QDateTime& baseDate() {
    static const QDateTime d(QDate(1900, 1, 1), QTime(0, 0));
    return d;
}

QDateTime fromDays(double days) {
    qint64 ms = static_cast<qint64>(std::llround(days * 86400000.0));
    return baseDate().addMSecs(ms);
}

double toDays(const QDateTime& dt) {
    return static_cast<double>(baseDate().msecsTo(dt)) / 86400000.0;
}

// The exact value of an integer or of a decimal's text; empty for a float.
std::optional<Decimal> exactValue(const Value& n) {
    if (n.kind == Value::Int)
        return Decimal::ofInteger(n.i);
    if (n.kind != Value::Text)
        return std::nullopt;
    if (auto d = Decimal::parse(n.s))
        return d;
    raise(err::ConvertNumeric, QStringLiteral("Error converting data type varchar to numeric."));
}

[[noreturn]] void dateFailed() {
    raise(err::DateConversion,
          QStringLiteral(
              "Conversion failed when converting date and/or time from character string."));
}

QString fitText(const QString& text, const SqlType& to, ConvertMode mode) {
    if (to.length < 0 || to.base == SqlType::Text)
        return text;
    QString r = text;
    if (r.size() > to.length) {
        if (mode == ConvertMode::Store) {
            // Trailing blanks beyond the length are dropped without complaint.
            QString trimmed = r;
            while (trimmed.size() > to.length && trimmed.endsWith(u' '))
                trimmed.chop(1);
            if (trimmed.size() > to.length)
                raise(8152, QStringLiteral("String or binary data would be truncated."));
            r = trimmed;
        } else {
            r.truncate(to.length);
        }
    }
    if (to.isFixedText() && r.size() < to.length)
        r = r.leftJustified(to.length, u' ');
    return r;
}

}  // namespace

QByteArray canonicalDate(const QDateTime& dt) {
    const QDate d = dt.date();
    const QTime t = dt.time();
    if (!d.isValid() || !t.isValid() || d.year() < 0 || d.year() > 9999) {
        char buf[48];
        snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", d.year(), d.month(),
                 d.day(), t.hour(), t.minute(), t.second(), t.msec());
        return QByteArray(buf);
    }
    // Written digit by digit: a parameter of every date check goes through here.
    QByteArray text("0000-00-00 00:00:00.000");
    char* p = text.data();
    auto put = [&](int at, int width, int value) {
        for (int k = at + width - 1; k >= at; --k, value /= 10)
            p[k] = static_cast<char>('0' + value % 10);
    };
    put(0, 4, d.year());
    put(5, 2, d.month());
    put(8, 2, d.day());
    put(11, 2, t.hour());
    put(14, 2, t.minute());
    put(17, 2, t.second());
    put(20, 3, t.msec());
    return text;
}

std::optional<std::pair<QDate, QTime>> canonicalDateParts(const QByteArray& s) {
    if (s.size() < 10 || s[4] != '-' || s[7] != '-')
        return std::nullopt;
    auto num = [&](int at, int len) {
        int v = 0;
        for (int k = 0; k < len; ++k) {
            char c = s[at + k];
            if (c < '0' || c > '9')
                return -1;
            v = v * 10 + (c - '0');
        }
        return v;
    };
    int y = num(0, 4), mo = num(5, 2), d = num(8, 2);
    int h = 0, mi = 0, se = 0, ms = 0;
    if (s.size() >= 19) {
        h = num(11, 2);
        mi = num(14, 2);
        se = num(17, 2);
        if (s.size() >= 23)
            ms = num(20, 3);
    }
    if (y < 0 || mo <= 0 || d <= 0 || h < 0 || mi < 0 || se < 0 || ms < 0)
        return std::nullopt;
    QDate date(y, mo, d);
    QTime time(h, mi, se, ms);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return std::make_pair(date, time);
}

std::optional<QDateTime> parseCanonicalDate(const QByteArray& s) {
    // Fast path for the stored form; anything else goes through the general reader.
    if (const auto parts = canonicalDateParts(s))
        return QDateTime(parts->first, parts->second);
    return parseDateText(QString::fromUtf8(s));
}

QDateTime checkedDateTime(const QDateTime& dt, const QString& fromTypeName) {
    if (dt.date().year() < 1753)
        raise(242, QStringLiteral("The conversion of a %1 data type to a datetime data type "
                                  "resulted in an out-of-range value.")
                       .arg(fromTypeName));
    return dt;
}

QDateTime asDateTimeValue(const QDateTime& dt, const QString& fromTypeName) {
    return checkedDateTime(Moment::of(dt.date(), dt.time()).toDateTimeSteps(), fromTypeName);
}

QByteArray dateConstant(const QString& text) {
    const auto dt = parseDateText(text);
    if (!dt)
        dateFailed();
    return canonicalDate(*dt);
}

namespace {

// A time of day as text ("14:07", "2:07PM", "10:00:00.1234567") in ticks; at most `decimals`
// digits of the second.
std::optional<qint64> timeOfDayTicks(const QString& text, int decimals) {
    if (text.isEmpty())
        return 0;
    static const QRegularExpression timeRe(
        QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:[.:](\\d{1,7}))?)?\\s*(AM|PM)?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = timeRe.match(text.trimmed());
    if (!m.hasMatch() || m.capturedLength(4) > decimals)
        return std::nullopt;
    int h = m.captured(1).toInt();
    const int mi = m.captured(2).toInt(), se = m.captured(3).toInt();
    const QString ap = m.captured(5).toUpper();
    if (ap == u"PM" && h < 12)
        h += 12;
    if (ap == u"AM" && h == 12)
        h = 0;
    if (h > 23 || mi > 59 || se > 59)
        return std::nullopt;
    return (h * 3600LL + mi * 60 + se) * Moment::kTicksPerSecond +
           m.captured(4).leftJustified(7, u'0').toLongLong();
}

}  // namespace

std::optional<QDateTime> parseDateText(const QString& raw, int style) {
    const std::optional<Moment> m = parseMomentText(raw, style, 3);
    return m ? std::optional<QDateTime>(m->toDateTime()) : std::nullopt;
}

std::optional<QTime> timeOfDay(const QString& text) {
    const std::optional<QDateTime> at = parseDateText(text);
    if (!at || at->date() != QDate(1900, 1, 1))
        return std::nullopt;
    return at->time();
}

std::optional<Moment> parseMomentText(const QString& raw, int style, int decimals) {
    const QString text = raw.trimmed();
    if (text.isEmpty())
        return Moment{};
    // A year of two digits falls in 1950-2049; one of four is taken as written.
    auto make = [&](int y, int mo, int d, const QString& rest,
                    bool twoDigitYear = false) -> std::optional<Moment> {
        if (twoDigitYear)
            y += y < 50 ? 2000 : 1900;
        const QDate date(y, mo, d);
        const std::optional<qint64> ticks = timeOfDayTicks(rest, decimals);
        if (!date.isValid() || !ticks)
            return std::nullopt;
        return Moment{date, *ticks};
    };
    // yyyymmdd [time]
    static const QRegularExpression compact(
        QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})(?:\\s+(.*))?$"));
    // yyyy-mm-dd[ T]time
    static const QRegularExpression iso(
        QStringLiteral("^(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})(?:[ T]+(.*))?$"));
    // a/b/yyyy [time]
    static const QRegularExpression slashed(
        QStringLiteral("^(\\d{1,2})[-/.](\\d{1,2})[-/.](\\d{2}|\\d{4})(?:\\s+(.*))?$"));
    // Mon dd yyyy [time]
    static const QRegularExpression named(
        QStringLiteral("^([A-Za-z]{3})[A-Za-z]*\\s+(\\d{1,2}),?\\s+(\\d{4})(?:\\s+(.*))?$"));
    // dd Mon yyyy [time]
    static const QRegularExpression dayNamed(
        QStringLiteral("^(\\d{1,2})\\s+([A-Za-z]{3})[A-Za-z]*,?\\s+(\\d{4})(?:\\s+(.*))?$"));
    auto monthNumber = [](const QString& name) {
        for (int k = 0; k < 12; ++k)
            if (name.compare(QLatin1String(kMonths[k]), Qt::CaseInsensitive) == 0)
                return k + 1;
        return 0;
    };
    QRegularExpressionMatch m;
    if ((m = compact.match(text)).hasMatch())
        return make(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                    m.captured(4));
    if ((m = iso.match(text)).hasMatch())
        return make(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                    m.captured(4));
    if ((m = slashed.match(text)).hasMatch()) {
        int a = m.captured(1).toInt(), b = m.captured(2).toInt(), y = m.captured(3).toInt();
        bool dayFirst = style == 103 || style == 3 || style == 104 || style == 4 || style == 105 ||
                        style == 5 || style == 131;
        const bool twoDigits = m.captured(3).size() == 2;
        return dayFirst ? make(y, b, a, m.captured(4), twoDigits)
                        : make(y, a, b, m.captured(4), twoDigits);
    }
    if ((m = named.match(text)).hasMatch())
        return make(m.captured(3).toInt(), monthNumber(m.captured(1)), m.captured(2).toInt(),
                    m.captured(4));
    if ((m = dayNamed.match(text)).hasMatch())
        return make(m.captured(3).toInt(), monthNumber(m.captured(2)), m.captured(1).toInt(),
                    m.captured(4));
    // A bare time reads as that time on 1900-01-01.
    if (const std::optional<qint64> ticks = timeOfDayTicks(text, decimals))
        return Moment{QDate(1900, 1, 1), *ticks};
    return std::nullopt;
}

namespace {

QString twoDigits(int v) {
    return QString::number(v).rightJustified(2, u'0');
}

QString isoDate(const QDate& d) {
    return QString::number(d.year()).rightJustified(4, u'0') + u'-' + twoDigits(d.month()) + u'-' +
           twoDigits(d.day());
}

QString milliseconds(const QTime& t) {
    return QString::number(t.msec()).rightJustified(3, u'0');
}

// hh:mm:ss, or h:mm:ss:mmmAM with `twelveHour` as style 109 writes it.
QString timeOfDay(const QTime& t, bool twelveHour = false) {
    if (!twelveHour)
        return twoDigits(t.hour()) + u':' + twoDigits(t.minute()) + u':' + twoDigits(t.second());
    return QStringLiteral("%1:%2:%3:%4%5")
        .arg(t.hour() % 12 == 0 ? 12 : t.hour() % 12)
        .arg(twoDigits(t.minute()), twoDigits(t.second()), milliseconds(t),
             t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
}

// The styles that write a date alone in numbers: day, month and year in an order, a separator
// between them; the style plus 100 writes the year with its century.
struct NumericDateStyle {
    int style;
    const char* order;
    const char* separator;
};

constexpr NumericDateStyle kNumericDateStyles[] = {
    {1, "mdy", "/"}, {2, "ymd", "."},  {3, "dmy", "/"},  {4, "dmy", "."},
    {5, "dmy", "-"}, {10, "mdy", "-"}, {11, "ymd", "/"}, {12, "ymd", ""},
};

std::optional<QString> numericDate(const QDate& d, int style) {
    if (style == 23)
        return isoDate(d);
    for (const NumericDateStyle& s : kNumericDateStyles) {
        if (style != s.style && style != s.style + 100)
            continue;
        QString out;
        for (const char* part = s.order; *part; ++part) {
            if (part != s.order)
                out += QLatin1String(s.separator);
            out += *part == 'd'   ? twoDigits(d.day())
                   : *part == 'm' ? twoDigits(d.month())
                   : style >= 100 ? QString::number(d.year()).rightJustified(4, u'0')
                                  : twoDigits(d.year() % 100);
        }
        return out;
    }
    return std::nullopt;
}

// Mon dd yyyy, the day padded with a space.
QString monthDayYear(const QDate& d) {
    return QLatin1String(kMonths[d.month() - 1]) + u' ' +
           QString::number(d.day()).rightJustified(2, u' ') + u' ' +
           QString::number(d.year()).rightJustified(4, u'0');
}

}  // namespace

QString formatDate(const QDateTime& dt, int style) {
    const QDate d = dt.date();
    const QTime t = dt.time();
    if (std::optional<QString> numeric = numericDate(d, style))
        return *numeric;
    const QString mon = QLatin1String(kMonths[d.month() - 1]);
    const QString yyyy = QString::number(d.year()).rightJustified(4, u'0');
    switch (style) {
        case 8:
        case 108:
            return timeOfDay(t);
        case 20:
        case 120:
            return isoDate(d) + u' ' + timeOfDay(t);
        case 21:
        case 121:
        case 25:
            return isoDate(d) + u' ' + timeOfDay(t) + u'.' + milliseconds(t);
        case 126:
            return isoDate(d) + u'T' + timeOfDay(t) + u'.' + milliseconds(t);
        case 106:
            return twoDigits(d.day()) + u' ' + mon + u' ' + yyyy;
        case 107:
            return mon + u' ' + twoDigits(d.day()) + QStringLiteral(", ") + yyyy;
        case 9:
        case 109:
            return monthDayYear(d) + u' ' + timeOfDay(t, true);
        case 13:
        case 113:
            return twoDigits(d.day()) + u' ' + mon + u' ' + yyyy + u' ' + timeOfDay(t) + u':' +
                   milliseconds(t);
        default: {
            const QString hm12 =
                QStringLiteral("%1:%2%3")
                    .arg(t.hour() % 12 == 0 ? 12 : t.hour() % 12)
                    .arg(twoDigits(t.minute()))
                    .arg(t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
            return monthDayYear(d) + u' ' + hm12.rightJustified(7, u' ');
        }
    }
}

double roundHalfAway(double v, int scale) {
    double f = std::pow(10.0, scale);
    double x = v * f;
    // Guard against binary representation just below the half (2.675 -> 2.67499999).
    double r = std::round(x + (x >= 0 ? 1e-9 : -1e-9));
    return r / f;
}

QString formatNumber(const Value& v, const SqlType& type, int style) {
    if (v.kind == Value::Int && !type.isDecimal())
        return QString::number(v.i);
    double d = v.toDouble();
    if (type.isDecimal()) {
        const bool money = type.base == SqlType::Money;
        const bool commas = money && (style == 1 || style == 3);
        const int decimals =
            !money ? type.scale : ((style == 2 || style == 3 || style == 126) ? 4 : 2);
        std::optional<Decimal> exact =
            v.kind == Value::Real ? Decimal::ofDouble(v.d) : exactValue(v);
        if (exact)
            exact = exact->rescaled(decimals);
        QString s = exact ? QString::fromLatin1(exact->text())
                          : QString::number(roundHalfAway(d, decimals), 'f', decimals);
        if (commas) {
            bool neg = s.startsWith(u'-');
            if (neg)
                s.remove(0, 1);
            int dot = static_cast<int>(s.indexOf(u'.'));
            s = db::groupedDigits(s.left(dot), QStringLiteral(",")) + s.mid(dot);
            if (neg)
                s.prepend(u'-');
        }
        return s;
    }
    if (type.isApprox()) {
        if (style == 1)
            return QString::number(d, 'e', 7);
        if (style == 2)
            return QString::number(d, 'e', 15);
        if (style == 3)
            return QString::number(d, 'g', 17);
        // Style 0: at most six significant digits.
        QString s = QString::number(d, 'g', 6);
        if (s.contains(u'e')) {
            // SQL Server writes exponents with a sign and three digits: 1.23457e+006.
            int e = static_cast<int>(s.indexOf(u'e'));
            QString mant = s.left(e);
            int exp = s.mid(e + 1).toInt();
            s = mant + u'e' + (exp < 0 ? u'-' : u'+') +
                QString::number(std::abs(exp)).rightJustified(3, u'0');
        }
        return s;
    }
    if (v.kind == Value::Int)
        return QString::number(v.i);
    return QString::number(d, 'g', 17);
}

namespace {

// A number text read exactly; beyond 38 digits it overflows the type.
Value exactText(const QString& text, const SqlType& from, const SqlType& to) {
    const std::optional<Decimal> d = Decimal::parse(text.toLatin1());
    if (!d)
        raise(8115,
              QStringLiteral("Arithmetic overflow error converting %1 to data type %2.")
                  .arg(textWord(from), to.base == SqlType::Money ? QStringLiteral("money")
                                                                 : QStringLiteral("numeric")));
    return Value::text(d->text());
}

}  // namespace

Value textToNumber(const QString& raw, const SqlType& from, const SqlType& to) {
    const QString text = raw.trimmed();
    static const QRegularExpression intRe(QStringLiteral("^[+-]?\\d+$"));
    static const QRegularExpression decRe(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)$"));
    static const QRegularExpression floatRe(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    if (to.isInteger()) {
        if (text.isEmpty())
            return Value::integer(0);
        if (to.base == SqlType::Bit && (text.compare(u"TRUE", Qt::CaseInsensitive) == 0 ||
                                        text.compare(u"FALSE", Qt::CaseInsensitive) == 0))
            return Value::integer(text.size() == 4 ? 1 : 0);
        if (!intRe.match(text).hasMatch())
            raise(err::ConversionFailed,
                  QStringLiteral(
                      "Conversion failed when converting the %1 value '%2' to data type %3.")
                      .arg(textWord(from), raw, typeWord(to)));
        bool ok = false;
        qint64 v = text.toLongLong(&ok);
        if (!ok)
            raise(248,
                  QStringLiteral("The conversion of the %1 value '%2' overflowed an int column.")
                      .arg(textWord(from), raw));
        return Value::integer(v);
    }
    if (to.base == SqlType::Money) {
        QString t = text;
        t.remove(u',');
        if (t.startsWith(u'$'))
            t.remove(0, 1);
        if (t.isEmpty())
            return Value::integer(0);
        if (!decRe.match(t).hasMatch())
            raise(235, QStringLiteral("Cannot convert a char value to money. The char value has "
                                      "incorrect syntax."));
        return exactText(t, from, to);
    }
    if (to.base == SqlType::Decimal) {
        if (!decRe.match(text).hasMatch())
            raise(err::ConvertNumeric,
                  QStringLiteral("Error converting data type %1 to numeric.").arg(textWord(from)));
        return exactText(text, from, to);
    }
    if (text.isEmpty())
        return Value::real(0);
    const double d = floatRe.match(text).hasMatch() ? text.toDouble() : qQNaN();
    if (!std::isfinite(d))  // no number, or beyond a float's range
        raise(err::ConvertNumeric,
              QStringLiteral("Error converting data type %1 to float.").arg(textWord(from)));
    return Value::real(d);
}

namespace {

// Msg 8115 with SQL Server's word for the source: values of a known number or text type name
// it, expressions of unknown type are an "expression".
[[noreturn]] void overflow(const SqlType& from, const QString& target) {
    QString source = QStringLiteral("expression");
    if (from.base == SqlType::Decimal)
        source = QStringLiteral("numeric");
    else if (from.isInteger() || from.base == SqlType::Money || from.isApprox() || from.isText())
        source = typeWord(from);
    raise(8115, QStringLiteral("Arithmetic overflow error converting %1 to data type %2.")
                    .arg(source, target));
}

// Integer targets: 248/244 for a text, 220 for a smaller integer type, 8115 otherwise.
void checkIntegerRange(const Value& n, const SqlType& from, const SqlType& to,
                       const QString& text) {
    qint64 low = 0, high = 0;
    switch (to.base) {
        case SqlType::TinyInt:
            high = 255;
            break;
        case SqlType::SmallInt:
            low = -32768;
            high = 32767;
            break;
        case SqlType::Int:
            low = -2147483648LL;
            high = 2147483647LL;
            break;
        default:
            low = std::numeric_limits<qint64>::min();
            high = std::numeric_limits<qint64>::max();
            break;
    }
    bool fits = false;
    if (n.kind == Value::Int) {
        fits = n.i >= low && n.i <= high;
    } else {
        const double t = std::trunc(n.toDouble());
        fits = t >= static_cast<double>(low) && t <= static_cast<double>(high);
    }
    if (fits)
        return;
    const QString word = typeWord(to);
    if (!text.isNull()) {
        if (to.base == SqlType::Int || to.base == SqlType::BigInt)
            raise(248,
                  QStringLiteral("The conversion of the %1 value '%2' overflowed an int column.")
                      .arg(textWord(from), text));
        raise(244, QStringLiteral("The conversion of the %1 value '%2' overflowed an %3 "
                                  "column. Use a larger integer column.")
                       .arg(textWord(from), text,
                            to.base == SqlType::TinyInt ? QStringLiteral("INT1")
                                                        : QStringLiteral("INT2")));
    }
    if (from.base == SqlType::Decimal)
        raise(8115, QStringLiteral("Arithmetic overflow error converting numeric to data type %1.")
                        .arg(word));
    if (n.kind == Value::Int && to.base != SqlType::Int)
        raise(220, QStringLiteral("Arithmetic overflow error for data type %1, value = %2.")
                       .arg(word)
                       .arg(n.i));
    raise(8115, QStringLiteral("Arithmetic overflow error converting expression to data type %1.")
                    .arg(word));
}

// A number (an integer, a float, or the exact text of a decimal) in a number type.
Value toNumber(const Value& n, const SqlType& from, const SqlType& to, const QString& text) {
    const std::optional<Decimal> exact = exactValue(n);
    // What an overflow names as the source: a text converted on the way is a varchar.
    const SqlType overflowing = text.isNull() ? from : SqlType::of(SqlType::VarChar);
    if (to.isInteger()) {
        if (to.base == SqlType::Bit)
            return Value::integer(exact ? !exact->isZero() : n.d != 0);
        Value whole = n;
        if (exact) {
            const std::optional<qint64> t = exact->truncated();
            if (!t)
                overflow(from, typeWord(to));
            whole = Value::integer(*t);
        }
        checkIntegerRange(whole, from, to, text);
        return Value::integer(whole.kind == Value::Int ? whole.i
                                                       : static_cast<qint64>(std::trunc(whole.d)));
    }
    if (to.isDecimal()) {
        const QString word =
            to.base == SqlType::Money ? QStringLiteral("money") : QStringLiteral("numeric");
        const std::optional<Decimal> d = exact ? exact : Decimal::ofDouble(n.d);
        const std::optional<Decimal> r =
            d ? d->rescaled(to.base == SqlType::Money ? 4 : to.scale) : std::nullopt;
        const bool fits =
            r && (to.base == SqlType::Money ? r->units() <= std::numeric_limits<qint64>::max() &&
                                                  r->units() >= std::numeric_limits<qint64>::min()
                                            : r->fitsPrecision(to.precision));
        if (!fits)
            overflow(overflowing, word);
        return Value::text(r->text());
    }
    const double d = exact ? exact->toDouble() : n.d;
    if (to.base == SqlType::Real && std::fabs(d) > std::numeric_limits<float>::max())
        overflow(overflowing, QStringLiteral("real"));
    return Value::real(d);
}

}  // namespace

namespace {

// A datetime2 or time as CONVERT writes it: the ISO form with the type's decimals by default
// (styles 21, 25, 121, 126), without them in styles 20 and 120 (and 8, 108 for a time).
std::optional<QString> preciseText(const Moment& m, const SqlType& type, int style) {
    const bool time = type.base == SqlType::Time;
    const QByteArray stored = time ? m.timeText() : m.dateTime2Text();
    switch (style) {
        case -1:
        case 21:
        case 25:
        case 121:
            return shownPreciseTime(stored, type.scale);
        case 126:
            return shownPreciseTime(stored, type.scale).replace(u' ', u'T');
        case 20:
        case 120:
            return shownPreciseTime(stored, 0);
        case 8:
        case 108:
            return time ? std::optional<QString>(shownPreciseTime(stored, 0)) : std::nullopt;
        default:
            return std::nullopt;
    }
}

// A value of a date type as text in a CONVERT style; a date alone is yyyy-mm-dd by default.
QString temporalText(const Moment& m, const SqlType& type, int style) {
    if (type.isPreciseTime())
        if (const std::optional<QString> text = preciseText(m, type, style))
            return *text;
    return formatDate(m.toDateTime(), type.base == SqlType::Date && style < 0 ? 23 : style);
}

}  // namespace

QByteArray guidText(const QString& raw) {
    static const QRegularExpression form(QStringLiteral(
        "^\\{?([0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12})"
        "\\}?$"));
    const QString text = raw.trimmed();
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch() || text.startsWith(u'{') != text.endsWith(u'}'))
        raise(8169, QStringLiteral("Conversion failed when converting from a character string to "
                                   "uniqueidentifier."));
    return m.captured(1).toUpper().toLatin1();
}

namespace {

// The moment a value converts from: a date type's stored text, a text, or a number of days.
std::optional<Moment> sourceMoment(const Value& v, const SqlType& from, const SqlType& to,
                                   int style, bool text) {
    if (from.isTemporal()) {
        const std::optional<Moment> m = Moment::fromStored(v.s);
        // A datetime's milliseconds stand for its 1/300 s steps, which datetime2 and time keep.
        return m && from.isDateTime() && to.isPreciseTime() ? m->asDateTimeSteps() : m;
    }
    if (text)
        return parseMomentText(v.toString(), style, to.isDateTime() ? 3 : 7);
    const QDateTime days = fromDays(v.toDouble());
    return days.isValid() ? std::optional<Moment>(Moment::of(days.date(), days.time()))
                          : std::nullopt;
}

}  // namespace

void checkExplicitConversion(const SqlType& from, const SqlType& to) {
    // Only datetime is a number of days; a time has no day and a date no time of day.
    auto noDays = [](const SqlType& t) { return t.isTemporal() && !t.isDateTime(); };
    const bool timeAndDate = (from.base == SqlType::Time && to.base == SqlType::Date) ||
                             (from.base == SqlType::Date && to.base == SqlType::Time);
    // A GUID converts to and from texts only.
    auto guidAndOther = [](const SqlType& a, const SqlType& b) {
        return a.base == SqlType::UniqueIdentifier && b.known() && !b.isText() &&
               b.base != SqlType::UniqueIdentifier;
    };
    if ((from.isNumeric() && noDays(to)) || (noDays(from) && to.isNumeric()) || timeAndDate ||
        guidAndOther(from, to) || guidAndOther(to, from))
        raise(529, QStringLiteral("Explicit conversion from data type %1 to %2 is not allowed.")
                       .arg(typeWord(from), typeWord(to)));
}

Value convertValue(const Value& v, const SqlType& from, const SqlType& to, int style,
                   ConvertMode mode) {
    if (v.isNull() || !to.known())
        return v;
    // What the value is: the declared source type when known, else its storage kind.
    const bool srcText = from.known() ? from.isText() : v.kind == Value::Text;
    const bool srcDate = from.isTemporal();

    if (to.isInteger() || to.isNumeric()) {
        Value n;
        if (srcDate) {
            auto dt = parseCanonicalDate(v.s);
            if (!dt)
                dateFailed();
            double days = toDays(*dt);
            n = to.isInteger() ? Value::integer(static_cast<qint64>(std::floor(days + 0.5)))
                               : Value::real(days);
        } else if (srcText || (v.kind == Value::Text && !from.isNumeric())) {
            n = textToNumber(v.toString(), from, to);
        } else {
            n = v;
        }
        return toNumber(n, from, to, srcText ? v.toString() : QString());
    }

    if (to.isTemporal()) {
        const std::optional<Moment> m = sourceMoment(
            v, from, to, style, srcText || (v.kind == Value::Text && !from.isNumeric()));
        if (!m)
            dateFailed();
        return Value::text(
            storedMoment(*m, to, from.known() ? typeWord(from) : QStringLiteral("varchar")));
    }

    if (to.base == SqlType::UniqueIdentifier)
        return Value::text(guidText(v.toString()));

    if (to.isText()) {
        QString text;
        if (from.base == SqlType::UniqueIdentifier && to.length >= 0 && to.length < 36)
            raise(8170, QStringLiteral("Insufficient result space to convert uniqueidentifier "
                                       "value to char."));
        if (srcDate) {
            const std::optional<Moment> m = Moment::fromStored(v.s);
            text = m ? temporalText(*m, from, style) : v.toString();
        } else if (srcText || (v.kind == Value::Text && !from.isNumeric())) {
            text = v.toString();
        } else {
            SqlType src = from;
            if (!src.known())
                src =
                    v.kind == Value::Int ? SqlType::of(SqlType::Int) : SqlType::of(SqlType::Float);
            text = formatNumber(v, src, style);
            if (to.length >= 0 && text.size() > to.length) {
                // An integer too long for char or varchar is "*"; Unicode texts refuse it.
                const bool unicode = to.base == SqlType::NChar || to.base == SqlType::NVarChar;
                if (src.isInteger() && !unicode)
                    return Value::text(fitText(QStringLiteral("*"), to, mode));
                raise(8115,
                      QStringLiteral("Arithmetic overflow error converting %1 to data type %2.")
                          .arg(src.isInteger() ? QStringLiteral("expression")
                                               : QStringLiteral("numeric"),
                               unicode ? QStringLiteral("nvarchar") : QStringLiteral("varchar")));
            }
        }
        return Value::text(fitText(text, to, mode));
    }
    return v;
}

}  // namespace tsql
