#pragma once

#include <QDateTime>
#include <optional>

#include "tsql/SqlType.h"
#include "tsql/Value.h"

namespace tsql {
struct Moment;
}

namespace tsql {

// Conversions with SQL Server's rules and error numbers; one implementation serves CAST and
// CONVERT in statements, assignments to variables and values stored into columns.
enum class ConvertMode {
    Explicit,  // CAST/CONVERT: texts are cut silently
    Store,     // into a column: a text too long raises 8152
    Try,       // TRY_CAST/TRY_CONVERT: NULL where the conversion fails
};

// Refuses (529) what no CAST converts: numbers to and from date and datetime2.
void checkExplicitConversion(const SqlType& from, const SqlType& to);

Value convertValue(const Value& v, const SqlType& from, const SqlType& to, int style = -1,
                   ConvertMode mode = ConvertMode::Explicit);

// Canonical stored form of date-times: "YYYY-MM-DD HH:MM:SS.mmm".
QByteArray canonicalDate(const QDateTime& dt);
std::optional<QDateTime> parseCanonicalDate(const QByteArray& text);
// The date and time of the stored form "yyyy-MM-dd[ hh:mm:ss[.zzz]]" without the cost of a
// QDateTime; nullopt for any other text.
std::optional<std::pair<QDate, QTime>> canonicalDateParts(const QByteArray& text);
// Reads a text as a date the way SQL Server does under the mdy date format (style -1), or with
// an explicit style (101, 103, 112, ...). Empty when it is not a date.
std::optional<QDateTime> parseDateText(const QString& text, int style = -1);
// The time of a text that reads as a datetime without a date (1 January 1900); empty otherwise.
std::optional<QTime> timeOfDay(const QString& text);
// The same to 100 ns, with at most `decimals` digits of the second (a datetime takes three).
std::optional<Moment> parseMomentText(const QString& text, int style, int decimals);
// A datetime as SQL Server keeps it: in steps of 1/300 second (shown as .000, .003 and .007),
// rounded to the nearest step and carried into the next second. Raises 242, naming the source
// type (such as "varchar"), for a day before 1753.
QDateTime asDateTimeValue(const QDateTime& dt, const QString& fromTypeName);
// `dt` itself, or 242 when it is before 1753.
QDateTime checkedDateTime(const QDateTime& dt, const QString& fromTypeName);
// A text constant used as a date, in the stored form; 241 when it is no date.
QByteArray dateConstant(const QString& text);
// Formats a date-time with a CONVERT style.
QString formatDate(const QDateTime& dt, int style);

// The stored form of a GUID's text (upper case, without braces); 8169 when it is no GUID.
QByteArray guidText(const QString& text);

// Rounds half away from zero to `scale` decimals.
double roundHalfAway(double v, int scale);
// Text of a number as SQL Server shows a value of the type (decimal scale, money style).
QString formatNumber(const Value& v, const SqlType& type, int style = -1);

// Raises 245/8114/235 for a text that is not a number of the wanted type, naming the text's
// type (from) as SQL Server does: nvarchar for a national text, varchar otherwise.
Value textToNumber(const QString& text, const SqlType& from, const SqlType& to);

}  // namespace tsql
