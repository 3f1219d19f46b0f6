#pragma once

#include <QByteArray>
#include <QDateTime>
#include <optional>

#include "tsql/SqlType.h"

namespace tsql {

// A date and a time of day to 100 ns (a tick): what datetime2 and time hold, and the form every
// date type is read into by the date functions and the conversions between date types.
struct Moment {
    static constexpr qint64 kTicksPerSecond = 10000000;
    static constexpr qint64 kTicksPerDay = 86400 * kTicksPerSecond;

    QDate date = QDate(1900, 1, 1);  // a time stands on 1900-01-01
    qint64 ticks = 0;                // since midnight, below kTicksPerDay

    static Moment of(const QDate& date, const QTime& time);
    // Any stored form: "yyyy-mm-dd hh:mm:ss[.fraction]" (date, datetime, datetime2) or
    // "hh:mm:ss[.fraction]" (time); the fraction may have 1 to 7 digits.
    static std::optional<Moment> fromStored(const QByteArray& text);
    // A datetime's value, whose stored milliseconds stand for the 1/300 s step they show
    // (.123 is .1233333): what it converts to datetime2 and time as.
    Moment asDateTimeSteps() const;

    int hour() const { return static_cast<int>(ticks / (3600 * kTicksPerSecond)); }
    int minute() const { return static_cast<int>(ticks / (60 * kTicksPerSecond) % 60); }
    int second() const { return static_cast<int>(ticks / kTicksPerSecond % 60); }
    // The ticks of the current second, 0 to 9999999.
    qint64 fraction() const { return ticks % kTicksPerSecond; }

    // Moved by a number of ticks, carried into the days.
    Moment plusTicks(qint64 n) const;
    // Rounded half up to `scale` decimals of the second, carried into the next day.
    Moment rounded(int scale) const;
    // The time of day truncated to the millisecond.
    QDateTime toDateTime() const;
    // The datetime this moment converts to: rounded to the 1/300 s step.
    QDateTime toDateTimeSteps() const;

    // "yyyy-mm-dd hh:mm:ss.fffffff" and "hh:mm:ss.fffffff": the stored forms, always seven
    // decimals so that texts order as values.
    QByteArray dateTime2Text() const;
    QByteArray timeText() const;
};

// The stored text of a moment as a value of a date type (date, datetime, datetime2(n), time(n)),
// rounded to the type; 242 for a datetime before 1753, naming `fromTypeName`.
QByteArray storedMoment(const Moment& m, const SqlType& type, const QString& fromTypeName);
// A stored datetime2(n) or time(n) text cut to its n decimals, as SQL Server shows it.
QString shownPreciseTime(const QByteArray& stored, int scale);

}  // namespace tsql
