#pragma once

#include <QByteArray>
#include <QDateTime>
#include <functional>

#include "dbcore/Error.h"
#include "tsql/Moment.h"

struct sqlite3;
struct sqlite3_context;

namespace tsql {

// Errors raised inside a SQLite callback travel as the function's error text; the statement
// runner turns "tsql:<number>:<message>" back into db::Error.
void resultError(sqlite3_context* ctx, const db::Error& e);
QByteArray errorText(const db::Error& e);

// Registers the engine's scalar functions (conversions, arithmetic, dates, texts) on a
// connection. `now` yields the server clock for GETDATE(); without one, the machine's clock.
void registerFunctions(sqlite3* db, std::function<QDateTime()>* now);

// The parts of a date that DATEPART, DATEADD and DATEDIFF name (time parts from Hour on).
enum class DatePart {
    Year,
    Quarter,
    Month,
    DayOfYear,
    Day,
    Week,
    Weekday,
    IsoWeek,
    Hour,
    Minute,
    Second,
    Millisecond,
    Microsecond,
    Nanosecond,
};
// The part a datepart argument names; 155 for none.
DatePart datePartNamed(const QString& part);

// Date arithmetic shared by the functions and the interpreter. `dateFirst` is SET DATEFIRST's
// first day of the week (1 Monday ... 7 Sunday).
Moment dateAdd(const QString& part, qint64 n, const Moment& d);
qint64 dateDiff(const QString& part, const Moment& a, const Moment& b);
int datePart(const QString& part, const Moment& d, int dateFirst = 7);
// DATENAME: the English name of a month or weekday, the number of other parts.
QString dateName(const QString& part, const Moment& d, int dateFirst = 7);
// Whether a date part names a part of the time of day (hour down to nanosecond).
bool isTimePart(const QString& part);

}  // namespace tsql
