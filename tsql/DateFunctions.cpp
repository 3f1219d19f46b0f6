// The engine's date functions: GETDATE, DATEPART, DATENAME, DATEADD, DATEDIFF, DATEFROMPARTS and
// the other ...FROMPARTS, EOMONTH and ISDATE.
#include <algorithm>
#include <array>
#include <limits>

#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/FunctionSupport.h"
#include "tsql/Value.h"

namespace tsql {

namespace {

// A date argument: the stored text of a date type, or a number of days.
Moment argDate(sqlite3_value* v) {
    if (sqlite3_value_type(v) == SQLITE_TEXT) {
        const Value val = Value::fromSqlite(v);
        std::optional<Moment> m = Moment::fromStored(val.s);
        if (!m)
            m = parseMomentText(val.toString(), -1, 7);
        if (!m)
            raise(err::DateConversion, QStringLiteral("Conversion failed when converting date "
                                                      "and/or time from character string."));
        return *m;
    }
    const Value c = convertValue(Value::fromSqlite(v), SqlType::of(SqlType::Float),
                                 SqlType::of(SqlType::DateTime));
    return *Moment::fromStored(c.s);
}

void resultStored(sqlite3_context* ctx, const QByteArray& s) {
    sqlite3_result_text(ctx, s.constData(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// tsql_getdate([type]): the clock as a datetime, or as the type named.
void fnGetDate(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    // The clock may refuse a malformed setting: the error must not cross SQLite's C frames.
    guarded(ctx, [&] {
        auto* now = static_cast<std::function<QDateTime()>*>(sqlite3_user_data(ctx));
        const QDateTime at = now ? (*now)() : QDateTime::currentDateTime();
        const SqlType type =
            argc > 0 ? cachedType(ctx, 0, argv[0]) : SqlType::of(SqlType::DateTime);
        resultStored(ctx, storedMoment(Moment::of(at.date(), at.time()), type, QString()));
    });
}

// The SET DATEFIRST argument k of a call that has it, else 7.
int dateFirstArgument(int argc, sqlite3_value** argv, int k) {
    return argc > k ? sqlite3_value_int(argv[k]) : 7;
}

// tsql_datepart(part, date[, datefirst])
void fnDatePart(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(2, argv)) {
            sqlite3_result_null(ctx);
            return;
        }
        sqlite3_result_int(
            ctx, datePart(argText(argv[0]), argDate(argv[1]), dateFirstArgument(argc, argv, 2)));
    });
}

// tsql_datename(part, date[, datefirst])
void fnDateName(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(2, argv)) {
            sqlite3_result_null(ctx);
            return;
        }
        resultText(ctx,
                   dateName(argText(argv[0]), argDate(argv[1]), dateFirstArgument(argc, argv, 2)));
    });
}

void resultDate(sqlite3_context* ctx, const QDate& d) {
    resultStored(ctx, canonicalDate(QDateTime(d, QTime(0, 0))));
}

// EOMONTH(date[, months]): the last day of the month, months later; 517 beyond year 9999.
void fnEndOfMonth(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(argc, argv)) {
            sqlite3_result_null(ctx);
            return;
        }
        const QDate start = argDate(argv[0]).date;
        const qint64 months = argc > 1 ? sqlite3_value_int64(argv[1]) : 0;
        const qint64 index = start.year() * 12LL + start.month() - 1 + months;
        if (index < 12 || index >= 10000 * 12)
            raise(517, QStringLiteral("Adding a value to a 'date' column caused an overflow."));
        const QDate first(static_cast<int>(index / 12), static_cast<int>(index % 12) + 1, 1);
        resultDate(ctx, first.addDays(first.daysInMonth() - 1));
    });
}

// DATEFROMPARTS(year, month, day): a date, 289 for parts that make none.
void fnDateFromParts(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(argc, argv)) {
            sqlite3_result_null(ctx);
            return;
        }
        const QDate d(static_cast<int>(sqlite3_value_int64(argv[0])),
                      static_cast<int>(sqlite3_value_int64(argv[1])),
                      static_cast<int>(sqlite3_value_int64(argv[2])));
        if (!d.isValid() || d.year() < 1)
            raise(289, QStringLiteral("Cannot construct data type date, some of the arguments "
                                      "have values which are not valid."));
        resultDate(ctx, d);
    });
}

// tsql_fromparts(type, year, month, day, hour, minute, second, fraction, digits): the moment in
// the type, NULL when a part is NULL; 289 for parts that make none (a fraction beyond its
// digits, a datetime before 1753).
void fnFromParts(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(argc - 1, argv + 1)) {
            sqlite3_result_null(ctx);
            return;
        }
        const SqlType type = cachedType(ctx, 0, argv[0]);
        std::array<qint64, 8> part{};
        for (size_t k = 0; k < part.size(); ++k)
            part[k] = sqlite3_value_int64(argv[k + 1]);
        const auto [year, month, day, hour, minute, second, fraction, digits] = part;
        qint64 scale = 1;
        for (qint64 k = std::clamp<qint64>(digits, 0, 7); k < 7; ++k)
            scale *= 10;
        const bool inRange = year >= (type.base == SqlType::DateTime ? 1753 : 1) && year <= 9999 &&
                             month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour >= 0 &&
                             hour < 24 && minute >= 0 && minute < 60 && second >= 0 &&
                             second < 60 && fraction >= 0 &&
                             fraction < Moment::kTicksPerSecond / scale;
        const QDate date =
            inRange ? QDate(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day))
                    : QDate();
        if (!date.isValid())
            raise(289, QStringLiteral("Cannot construct data type %1, some of the arguments have "
                                      "values which are not valid.")
                           .arg(type.toSql().section(u'(', 0, 0)));
        Moment m;
        m.date = date;
        m.ticks = ((hour * 60 + minute) * 60 + second) * Moment::kTicksPerSecond + fraction * scale;
        resultStored(ctx, storedMoment(m, type, type.toSql()));
    });
}

// tsql_dateadd(part, number, date, type): the moved date in the date's type (a time wraps
// around midnight).
void fnDateAdd(sqlite3_context* ctx, int, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(3, argv)) {
            sqlite3_result_null(ctx);
            return;
        }
        const SqlType type = cachedType(ctx, 3, argv[3]);
        const Moment moved =
            dateAdd(argText(argv[0]), sqlite3_value_int64(argv[1]), argDate(argv[2]));
        if (!moved.date.isValid() || moved.date.year() < 1 || moved.date.year() > 9999)
            raise(517, QStringLiteral("Adding a value to a '%1' column caused an overflow.")
                           .arg(type.toSql().section(u'(', 0, 0)));
        resultStored(ctx, storedMoment(moved, type, type.toSql().section(u'(', 0, 0)));
    });
}

// tsql_datediff and tsql_datediff_big: the boundaries of the part crossed, 535 beyond int's range
// or bigint's.
template <typename Count>
void dateDiffIn(sqlite3_context* ctx, int argc, sqlite3_value** argv, const char* name) {
    guarded(ctx, [&] {
        if (anyNull(argc, argv)) {
            sqlite3_result_null(ctx);
            return;
        }
        const qint64 n = dateDiff(argText(argv[0]), argDate(argv[1]), argDate(argv[2]));
        if (n < std::numeric_limits<Count>::min() || n >= std::numeric_limits<qint64>::max() ||
            n > std::numeric_limits<Count>::max())
            raise(535, QStringLiteral("The %1 function resulted in an overflow. The number of "
                                      "dateparts separating two date/time instances is too "
                                      "large. Try to use %1 with a less precise datepart.")
                           .arg(QLatin1StringView(name)));
        sqlite3_result_int64(ctx, n);
    });
}

void fnDateDiff(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    dateDiffIn<qint32>(ctx, argc, argv, "datediff");
}

void fnDateDiffBig(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    dateDiffIn<qint64>(ctx, argc, argv, "datediff_big");
}

void fnIsDate(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    sqlite3_result_int(ctx, parseDateText(argText(argv[0])) ? 1 : 0);
}

// The part a datepart argument names, with every abbreviation SQL Server takes.
DatePart partNamed(const QString& raw) {
    static const std::pair<const char*, DatePart> names[] = {
        {"year", DatePart::Year},       {"yy", DatePart::Year},
        {"yyyy", DatePart::Year},       {"quarter", DatePart::Quarter},
        {"qq", DatePart::Quarter},      {"q", DatePart::Quarter},
        {"month", DatePart::Month},     {"mm", DatePart::Month},
        {"m", DatePart::Month},         {"dayofyear", DatePart::DayOfYear},
        {"dy", DatePart::DayOfYear},    {"y", DatePart::DayOfYear},
        {"day", DatePart::Day},         {"dd", DatePart::Day},
        {"d", DatePart::Day},           {"week", DatePart::Week},
        {"wk", DatePart::Week},         {"ww", DatePart::Week},
        {"weekday", DatePart::Weekday}, {"dw", DatePart::Weekday},
        {"w", DatePart::Weekday},       {"hour", DatePart::Hour},
        {"hh", DatePart::Hour},         {"minute", DatePart::Minute},
        {"mi", DatePart::Minute},       {"n", DatePart::Minute},
        {"second", DatePart::Second},   {"ss", DatePart::Second},
        {"s", DatePart::Second},        {"millisecond", DatePart::Millisecond},
        {"ms", DatePart::Millisecond},  {"microsecond", DatePart::Microsecond},
        {"mcs", DatePart::Microsecond}, {"nanosecond", DatePart::Nanosecond},
        {"ns", DatePart::Nanosecond},   {"iso_week", DatePart::IsoWeek},
        {"isowk", DatePart::IsoWeek},   {"isoww", DatePart::IsoWeek},
    };
    for (const auto& [name, part] : names)
        if (raw.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return part;
    raise(155, QStringLiteral("'%1' is not a recognized datepart option.").arg(raw));
}

// Monday 1 ... Sunday 7 as the day of a week that starts on `dateFirst` (SET DATEFIRST): 1 ... 7.
int dayOfWeek(const QDate& d, int dateFirst) {
    return (d.dayOfWeek() - dateFirst + 7) % 7 + 1;
}

}  // namespace

DatePart datePartNamed(const QString& part) {
    return partNamed(part);
}

int datePart(const QString& rawPart, const Moment& d, int dateFirst) {
    const QDate day = d.date;
    switch (partNamed(rawPart)) {
        case DatePart::Year:
            return day.year();
        case DatePart::Quarter:
            return (day.month() - 1) / 3 + 1;
        case DatePart::Month:
            return day.month();
        case DatePart::DayOfYear:
            return day.dayOfYear();
        case DatePart::Day:
            return day.day();
        case DatePart::Week:  // January 1 is in week 1, weeks start on the DATEFIRST day
            return (day.dayOfYear() + dayOfWeek(QDate(day.year(), 1, 1), dateFirst) - 2) / 7 + 1;
        case DatePart::Weekday:
            return dayOfWeek(day, dateFirst);
        case DatePart::IsoWeek:
            return day.weekNumber();
        case DatePart::Hour:
            return d.hour();
        case DatePart::Minute:
            return d.minute();
        case DatePart::Second:
            return d.second();
        case DatePart::Millisecond:
            return static_cast<int>(d.fraction() / 10000);
        case DatePart::Microsecond:
            return static_cast<int>(d.fraction() / 10);
        case DatePart::Nanosecond:
            return static_cast<int>(d.fraction() * 100);
    }
    return 0;
}

QString dateName(const QString& part, const Moment& d, int dateFirst) {
    static const std::array<const char*, 12> months = {
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December"};
    static const std::array<const char*, 7> days = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                    "Friday", "Saturday", "Sunday"};
    switch (partNamed(part)) {
        case DatePart::Month:
            return QLatin1String(months[static_cast<size_t>(d.date.month() - 1)]);
        case DatePart::Weekday:
            return QLatin1String(days[static_cast<size_t>(d.date.dayOfWeek() - 1)]);
        default:
            return QString::number(datePart(part, d, dateFirst));
    }
}

bool isTimePart(const QString& part) {
    const DatePart p = partNamed(part);
    return p >= DatePart::Hour && p <= DatePart::Nanosecond;
}

namespace {

constexpr qint64 kTicksPerMs = 10000;

// The ticks of one unit of a time part; 0 for the parts of a date.
qint64 unitTicks(DatePart part) {
    switch (part) {
        case DatePart::Hour:
            return 3600 * Moment::kTicksPerSecond;
        case DatePart::Minute:
            return 60 * Moment::kTicksPerSecond;
        case DatePart::Second:
            return Moment::kTicksPerSecond;
        case DatePart::Millisecond:
            return kTicksPerMs;
        case DatePart::Microsecond:
            return 10;
        default:
            return 0;
    }
}

// The moment moved by a number of months, the day kept within the month's last.
Moment plusMonths(const Moment& d, qint64 months) {
    return Moment{d.date.addMonths(static_cast<int>(months)), d.ticks};
}

}  // namespace

Moment dateAdd(const QString& rawPart, qint64 n, const Moment& d) {
    const DatePart part = partNamed(rawPart);
    switch (part) {
        case DatePart::Year:
            return Moment{d.date.addYears(static_cast<int>(n)), d.ticks};
        case DatePart::Quarter:
            return plusMonths(d, n * 3);
        case DatePart::Month:
            return plusMonths(d, n);
        case DatePart::Week:
        case DatePart::IsoWeek:
            return Moment{d.date.addDays(n * 7), d.ticks};
        case DatePart::Nanosecond:  // to the nearest 100 ns
            return d.plusTicks(n >= 0 ? (n + 50) / 100 : -((-n + 50) / 100));
        default:
            break;
    }
    const qint64 unit = unitTicks(part);
    return unit ? d.plusTicks(n * unit) : Moment{d.date.addDays(n), d.ticks};
}

qint64 dateDiff(const QString& rawPart, const Moment& a, const Moment& b) {
    // Counts boundaries crossed, as SQL Server does.
    const QDate da = a.date, db = b.date;
    const DatePart part = partNamed(rawPart);
    switch (part) {
        case DatePart::Year:
            return db.year() - da.year();
        case DatePart::Quarter:
            return (db.year() - da.year()) * 4 + (db.month() - 1) / 3 - (da.month() - 1) / 3;
        case DatePart::Month:
            return (db.year() - da.year()) * 12 + db.month() - da.month();
        case DatePart::Week:
        case DatePart::IsoWeek:  // weeks start on Sunday whatever DATEFIRST says
            return da.addDays(-(da.dayOfWeek() % 7)).daysTo(db.addDays(-(db.dayOfWeek() % 7))) / 7;
        case DatePart::Nanosecond: {
            // Beyond bigint's range the count is the largest bigint, which DATEDIFF_BIG refuses.
            const qint64 ticks = da.daysTo(db) * Moment::kTicksPerDay + b.ticks - a.ticks;
            qint64 nanoseconds = 0;
            return __builtin_mul_overflow(ticks, qint64{100}, &nanoseconds)
                       ? std::numeric_limits<qint64>::max()
                       : nanoseconds;
        }
        default:
            break;
    }
    const qint64 unit = unitTicks(part);
    if (!unit)  // day, dayofyear, weekday
        return da.daysTo(db);
    // Whole units since midnight of the first day, then the days between in units.
    const qint64 perDay = Moment::kTicksPerDay / unit;
    return da.daysTo(db) * perDay + b.ticks / unit - a.ticks / unit;
}

void registerDateFunctions(sqlite3* db, std::function<QDateTime()>* now) {
    registerScalars(db, {
                            {"tsql_datepart", 2, fnDatePart},
                            {"tsql_datepart", 3, fnDatePart},
                            {"tsql_datename", 2, fnDateName},
                            {"tsql_datename", 3, fnDateName},
                            {"tsql_eomonth", 1, fnEndOfMonth},
                            {"tsql_eomonth", 2, fnEndOfMonth},
                            {"tsql_dateadd", 4, fnDateAdd},
                            {"tsql_datefromparts", 3, fnDateFromParts},
                            {"tsql_fromparts", 9, fnFromParts},
                            {"tsql_datediff", 3, fnDateDiff},
                            {"tsql_datediff_big", 3, fnDateDiffBig},
                            {"tsql_isdate", 1, fnIsDate},
                        });
    for (int args : {0, 1})
        sqlite3_create_function(db, "tsql_getdate", args, SQLITE_UTF8, now, fnGetDate, nullptr,
                                nullptr);
}

}  // namespace tsql
