// The engine's date functions: GETDATE, DATEPART, DATENAME, DATEADD, DATEDIFF, DATEFROMPARTS,
// EOMONTH and ISDATE.
#include <array>
#include <limits>

#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/FunctionSupport.h"
#include "tsql/Value.h"

namespace tsql {

namespace {

QDateTime argDate(sqlite3_value* v) {
    if (sqlite3_value_type(v) == SQLITE_TEXT) {
        Value val = Value::fromSqlite(v);
        auto dt = parseCanonicalDate(val.s);
        if (!dt)
            raise(err::DateConversion, QStringLiteral("Conversion failed when converting date "
                                                      "and/or time from character string."));
        return *dt;
    }
    Value c = convertValue(Value::fromSqlite(v), SqlType::of(SqlType::Float),
                           SqlType::of(SqlType::DateTime));
    return *parseCanonicalDate(c.s);
}

void fnGetDate(sqlite3_context* ctx, int, sqlite3_value**) {
    // The clock may refuse a malformed setting: the error must not cross SQLite's C frames.
    guarded(ctx, [&] {
        auto* now = static_cast<std::function<QDateTime()>*>(sqlite3_user_data(ctx));
        QByteArray s = canonicalDate(now ? (*now)() : QDateTime::currentDateTime());
        sqlite3_result_text(ctx, s.constData(), int(s.size()), SQLITE_TRANSIENT);
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

void resultDate(sqlite3_context* ctx, const QDateTime& d) {
    const QByteArray s = canonicalDate(d);
    sqlite3_result_text(ctx, s.constData(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// EOMONTH(date[, months]): the last day of the month, months later; 517 beyond year 9999.
void fnEndOfMonth(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(argc, argv)) {
            sqlite3_result_null(ctx);
            return;
        }
        const QDate start = argDate(argv[0]).date();
        const qint64 months = argc > 1 ? sqlite3_value_int64(argv[1]) : 0;
        const qint64 index = start.year() * 12LL + start.month() - 1 + months;
        if (index < 12 || index >= 10000 * 12)
            raise(517, QStringLiteral("Adding a value to a 'date' column caused an overflow."));
        const QDate first(static_cast<int>(index / 12), static_cast<int>(index % 12) + 1, 1);
        resultDate(ctx, QDateTime(first.addDays(first.daysInMonth() - 1), QTime(0, 0)));
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
        resultDate(ctx, QDateTime(d, QTime(0, 0)));
    });
}

void fnDateAdd(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(argc, argv)) {
            sqlite3_result_null(ctx);
            return;
        }
        QByteArray s = canonicalDate(
            dateAdd(argText(argv[0]), sqlite3_value_int64(argv[1]), argDate(argv[2])));
        sqlite3_result_text(ctx, s.constData(), int(s.size()), SQLITE_TRANSIENT);
    });
}

void fnDateDiff(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(argc, argv)) {
            sqlite3_result_null(ctx);
            return;
        }
        const qint64 n = dateDiff(argText(argv[0]), argDate(argv[1]), argDate(argv[2]));
        if (n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
            raise(535, QStringLiteral("The datediff function resulted in an overflow. The number "
                                      "of dateparts separating two date/time instances is too "
                                      "large. Try to use datediff with a less precise datepart."));
        sqlite3_result_int64(ctx, n);
    });
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

int datePart(const QString& rawPart, const QDateTime& d, int dateFirst) {
    const QDate day = d.date();
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
            return d.time().hour();
        case DatePart::Minute:
            return d.time().minute();
        case DatePart::Second:
            return d.time().second();
        case DatePart::Millisecond:
            return d.time().msec();
        case DatePart::Microsecond:
            return d.time().msec() * 1000;
        case DatePart::Nanosecond:
            return d.time().msec() * 1000000;
    }
    return 0;
}

QString dateName(const QString& part, const QDateTime& d, int dateFirst) {
    static const std::array<const char*, 12> months = {
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December"};
    static const std::array<const char*, 7> days = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                    "Friday", "Saturday", "Sunday"};
    switch (partNamed(part)) {
        case DatePart::Month:
            return QLatin1String(months[static_cast<size_t>(d.date().month() - 1)]);
        case DatePart::Weekday:
            return QLatin1String(days[static_cast<size_t>(d.date().dayOfWeek() - 1)]);
        default:
            return QString::number(datePart(part, d, dateFirst));
    }
}

bool isTimePart(const QString& part) {
    const DatePart p = partNamed(part);
    return p >= DatePart::Hour && p <= DatePart::Nanosecond;
}

QDateTime dateAdd(const QString& part, qint64 n, const QDateTime& d) {
    switch (partNamed(part)) {
        case DatePart::Year:
            return d.addYears(static_cast<int>(n));
        case DatePart::Quarter:
            return d.addMonths(static_cast<int>(n * 3));
        case DatePart::Month:
            return d.addMonths(static_cast<int>(n));
        case DatePart::Week:
        case DatePart::IsoWeek:
            return d.addDays(n * 7);
        case DatePart::Hour:
            return d.addSecs(n * 3600);
        case DatePart::Minute:
            return d.addSecs(n * 60);
        case DatePart::Second:
            return d.addSecs(n);
        case DatePart::Millisecond:
            return d.addMSecs(n);
        case DatePart::Microsecond:  // values are kept to the millisecond
            return d.addMSecs(n / 1000);
        case DatePart::Nanosecond:
            return d.addMSecs(n / 1000000);
        default:  // day, dayofyear, weekday
            return d.addDays(n);
    }
}

qint64 dateDiff(const QString& part, const QDateTime& a, const QDateTime& b) {
    // Counts boundaries crossed, as SQL Server does.
    const QDate da = a.date(), db = b.date();
    qint64 unit = 1;  // of the time parts, in milliseconds
    switch (partNamed(part)) {
        case DatePart::Year:
            return db.year() - da.year();
        case DatePart::Quarter:
            return (db.year() - da.year()) * 4 + (db.month() - 1) / 3 - (da.month() - 1) / 3;
        case DatePart::Month:
            return (db.year() - da.year()) * 12 + db.month() - da.month();
        case DatePart::Week:
        case DatePart::IsoWeek:  // weeks start on Sunday whatever DATEFIRST says
            return da.addDays(-(da.dayOfWeek() % 7)).daysTo(db.addDays(-(db.dayOfWeek() % 7))) / 7;
        case DatePart::Hour:
            unit = 3600000;
            break;
        case DatePart::Minute:
            unit = 60000;
            break;
        case DatePart::Second:
            unit = 1000;
            break;
        case DatePart::Millisecond:
            break;
        case DatePart::Microsecond:
            return dateDiff(QStringLiteral("ms"), a, b) * 1000;
        case DatePart::Nanosecond:
            return dateDiff(QStringLiteral("ms"), a, b) * 1000000;
        default:  // day, dayofyear, weekday
            return da.daysTo(db);
    }
    auto floorTo = [unit](const QDateTime& t) {
        const qint64 ms = QDateTime(QDate(1900, 1, 1), QTime(0, 0)).msecsTo(t);
        return ms >= 0 ? ms / unit : -((-ms + unit - 1) / unit);
    };
    return floorTo(b) - floorTo(a);
}

void registerDateFunctions(sqlite3* db, std::function<QDateTime()>* now) {
    registerScalars(db, {
                            {"tsql_datepart", 2, fnDatePart},
                            {"tsql_datepart", 3, fnDatePart},
                            {"tsql_datename", 2, fnDateName},
                            {"tsql_datename", 3, fnDateName},
                            {"tsql_eomonth", 1, fnEndOfMonth},
                            {"tsql_eomonth", 2, fnEndOfMonth},
                            {"tsql_dateadd", 3, fnDateAdd},
                            {"tsql_datefromparts", 3, fnDateFromParts},
                            {"tsql_datediff", 3, fnDateDiff},
                            {"tsql_isdate", 1, fnIsDate},
                        });
    sqlite3_create_function(db, "tsql_getdate", 0, SQLITE_UTF8, now, fnGetDate, nullptr, nullptr);
}

}  // namespace tsql
