// FORMAT(value, format[, culture]) as the engine's SQLite function tsql_format.
#include "tsql/Format.h"
#include "tsql/FunctionSupport.h"
#include "tsql/Value.h"

namespace tsql {

namespace {

std::optional<QString> formatted(const Value& v, const SqlType& type, const QString& format,
                                 const Culture& culture) {
    if (type.isTemporal()) {
        const std::optional<Moment> m = Moment::fromStored(v.s);
        if (!m)
            return std::nullopt;
        return type.base == SqlType::Time ? formatTimeText(*m, format)
                                          : formatDateText(*m, format, culture);
    }
    const std::optional<Decimal> d = v.kind == Value::Int    ? Decimal::ofInteger(v.i)
                                     : v.kind == Value::Real ? Decimal::ofDouble(v.d)
                                                             : Decimal::parse(v.s.trimmed());
    if (!d)
        return std::nullopt;
    return formatNumberText(*d, type.isInteger(), format, culture);
}

// tsql_format(value, format, culture, type): NULL where .NET refuses the format.
void fnFormat(sqlite3_context* ctx, int, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(3, argv)) {
            sqlite3_result_null(ctx);
            return;
        }
        const Culture& culture = cultureNamed(argText(argv[2]));
        const std::optional<QString> text = formatted(
            Value::fromSqlite(argv[0]), cachedType(ctx, 3, argv[3]), argText(argv[1]), culture);
        if (text)
            resultText(ctx, *text);
        else
            sqlite3_result_null(ctx);
    });
}

}  // namespace

void registerFormatFunction(sqlite3* db) {
    registerScalars(db, {{"tsql_format", 4, fnFormat}});
}

}  // namespace tsql
