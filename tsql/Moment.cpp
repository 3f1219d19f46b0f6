#include "tsql/Moment.h"

#include "tsql/Conversions.h"

namespace tsql {

namespace {

constexpr qint64 kTicksPerMs = 10000;

qint64 floorDiv(qint64 a, qint64 b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Digits of `s` from `at` as a number; -1 when one is no digit.
int digitsAt(const QByteArray& s, int at, int count) {
    int v = 0;
    for (int k = at; k < at + count; ++k) {
        const char c = s[k];
        if (c < '0' || c > '9')
            return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// "hh:mm:ss[.fraction]" from `at` to the end as ticks.
std::optional<qint64> timeTicks(const QByteArray& s, int at) {
    if (s.size() < at + 8 || s[at + 2] != ':' || s[at + 5] != ':')
        return std::nullopt;
    const int h = digitsAt(s, at, 2), mi = digitsAt(s, at + 3, 2), se = digitsAt(s, at + 6, 2);
    qint64 fraction = 0;
    if (s.size() > at + 8) {
        const int decimals = static_cast<int>(s.size()) - at - 9;
        if (s[at + 8] != '.' || decimals < 1 || decimals > 7)
            return std::nullopt;
        const int digits = digitsAt(s, at + 9, decimals);
        if (digits < 0)
            return std::nullopt;
        fraction = digits;
        for (int k = decimals; k < 7; ++k)
            fraction *= 10;
    }
    if (h < 0 || h > 23 || mi < 0 || mi > 59 || se < 0 || se > 59)
        return std::nullopt;
    return (h * 3600LL + mi * 60 + se) * Moment::kTicksPerSecond + fraction;
}

void putDigits(char* p, int width, qint64 value) {
    for (int k = width - 1; k >= 0; --k, value /= 10)
        p[k] = static_cast<char>('0' + value % 10);
}

}  // namespace

Moment Moment::of(const QDate& date, const QTime& time) {
    return Moment{date, time.msecsSinceStartOfDay() * kTicksPerMs};
}

Moment Moment::asDateTimeSteps() const {
    const qint64 steps = (ticks / kTicksPerMs * 3 + 5) / 10;
    return Moment{date}.plusTicks((steps * 100000 + 1) / 3);
}

std::optional<Moment> Moment::fromStored(const QByteArray& s) {
    if (s.size() >= 8 && s[2] == ':') {
        const std::optional<qint64> t = timeTicks(s, 0);
        return t ? std::optional<Moment>(Moment{QDate(1900, 1, 1), *t}) : std::nullopt;
    }
    if (s.size() < 10 || s[4] != '-' || s[7] != '-')
        return std::nullopt;
    const QDate date(digitsAt(s, 0, 4), digitsAt(s, 5, 2), digitsAt(s, 8, 2));
    if (!date.isValid())
        return std::nullopt;
    if (s.size() == 10)
        return Moment{date, 0};
    if (s[10] != ' ' && s[10] != 'T')
        return std::nullopt;
    const std::optional<qint64> t = timeTicks(s, 11);
    if (!t)
        return std::nullopt;
    return Moment{date, *t};
}

Moment Moment::plusTicks(qint64 n) const {
    const qint64 total = ticks + n;
    const qint64 days = floorDiv(total, kTicksPerDay);
    return Moment{date.addDays(days), total - days * kTicksPerDay};
}

Moment Moment::rounded(int scale) const {
    qint64 unit = 1;
    for (int k = scale; k < 7; ++k)
        unit *= 10;
    const qint64 r = (ticks + unit / 2) / unit * unit;
    return Moment{date}.plusTicks(r);
}

QDateTime Moment::toDateTime() const {
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ticks / kTicksPerMs)));
}

QDateTime Moment::toDateTimeSteps() const {
    const qint64 steps = (ticks * 3 + 50000) / 100000;
    const qint64 second = steps / 300, step = steps % 300;
    const QDate day = second == 86400 ? date.addDays(1) : date;
    const qint64 ms = (second % 86400) * 1000 + (step * 10 + 1) / 3;
    return QDateTime(day, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

QByteArray Moment::dateTime2Text() const {
    QByteArray text("0000-00-00 ");
    putDigits(text.data(), 4, date.year());
    putDigits(text.data() + 5, 2, date.month());
    putDigits(text.data() + 8, 2, date.day());
    return text + timeText();
}

QByteArray Moment::timeText() const {
    QByteArray text("00:00:00.0000000");
    putDigits(text.data(), 2, hour());
    putDigits(text.data() + 3, 2, minute());
    putDigits(text.data() + 6, 2, second());
    putDigits(text.data() + 9, 7, fraction());
    return text;
}

QByteArray storedMoment(const Moment& m, const SqlType& type, const QString& fromTypeName) {
    switch (type.base) {
        case SqlType::Date:
            return canonicalDate(QDateTime(m.date, QTime(0, 0)));
        case SqlType::DateTime:
            return canonicalDate(checkedDateTime(m.toDateTimeSteps(), fromTypeName));
        case SqlType::Time:
            return m.rounded(type.scale).timeText();
        default:
            return m.rounded(type.scale).dateTime2Text();
    }
}

QString shownPreciseTime(const QByteArray& stored, int scale) {
    const qsizetype dot = stored.indexOf('.');
    const QByteArray whole = dot < 0 ? stored : stored.left(dot);
    if (scale <= 0)
        return QString::fromLatin1(whole);
    const QByteArray fraction = dot < 0 ? QByteArray() : stored.mid(dot + 1);
    return QString::fromLatin1(whole + '.' + fraction.leftJustified(7, '0').left(scale));
}

}  // namespace tsql
