// Exact decimal and money arithmetic inside SQLite: operators, SUM and AVG (also as window
// functions), ROUND, FLOOR, CEILING, ABS and SIGN. Values arrive as texts, integers or (from older
// files and other tools) floats, and leave as exact texts.
#include <cstdlib>
#include <cstring>
#include <string>

#include "tsql/Decimal.h"
#include "tsql/Errors.h"
#include "tsql/FunctionSupport.h"

namespace tsql {

namespace {

constexpr __int128 kMoneyLimit = static_cast<__int128>(std::numeric_limits<qint64>::max());

[[noreturn]] void overflow(const SqlType& to) {
    raise(8115, QStringLiteral("Arithmetic overflow error converting expression to data type %1.")
                    .arg(to.base == SqlType::Money ? QStringLiteral("money")
                                                   : QStringLiteral("numeric")));
}

[[noreturn]] void divideByZero() {
    raise(err::DivideByZero, QStringLiteral("Divide by zero error encountered."));
}

int scaleOf(const SqlType& t) {
    return t.base == SqlType::Money ? 4 : t.scale;
}

Decimal decimalArgument(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            return Decimal::ofInteger(sqlite3_value_int64(v));
        case SQLITE_FLOAT:
            if (auto d = Decimal::ofDouble(sqlite3_value_double(v)))
                return *d;
            raise(8115, QStringLiteral(
                            "Arithmetic overflow error converting float to data type numeric."));
        default:
            break;
    }
    const char* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
    const int size = sqlite3_value_bytes(v);
    if (auto d = Decimal::parse(text, size))
        return *d;
    // A float written as text ("1.5e-07") by another tool.
    const std::string copy(text, static_cast<size_t>(size));
    char* end = nullptr;
    const double f = std::strtod(copy.c_str(), &end);
    if (size > 0 && end == copy.c_str() + size)
        if (auto d = Decimal::ofDouble(f))
            return *d;
    raise(err::ConvertNumeric, QStringLiteral("Error converting data type varchar to numeric."));
}

// The result in the type: its scale, and 8115 when it does not fit.
Decimal fitted(const std::optional<Decimal>& d, const SqlType& type) {
    if (!d)
        overflow(type);
    const std::optional<Decimal> r = d->rescaled(scaleOf(type));
    if (!r)
        overflow(type);
    const bool fits = type.base == SqlType::Money
                          ? r->units() <= kMoneyLimit && r->units() >= -kMoneyLimit - 1
                          : r->fitsPrecision(type.precision);
    if (!fits)
        overflow(type);
    return *r;
}

void resultDecimal(sqlite3_context* ctx, const Decimal& d) {
    const QByteArray t = d.text();
    sqlite3_result_text(ctx, t.constData(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
}

std::optional<Decimal> operate(char op, const Decimal& a, const Decimal& b, int scale) {
    switch (op) {
        case '+':
            return Decimal::add(a, b, scale);
        case '-':
            return Decimal::add(a, b.negated(), scale);
        case '*':
            return Decimal::multiply(a, b, scale);
        default:
            if (b.isZero())
                divideByZero();
            return op == '/' ? Decimal::divide(a, b, scale) : Decimal::modulo(a, b);
    }
}

// tsql_decimal_add|subtract|multiply|divide|modulo(a, b, result type)
void fnArithmetic(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(argc - 1, argv)) {
            sqlite3_result_null(ctx);
            return;
        }
        const char op = *static_cast<const char*>(sqlite3_user_data(ctx));
        const SqlType type = cachedType(ctx, 2, argv[2]);
        resultDecimal(ctx, fitted(operate(op, decimalArgument(argv[0]), decimalArgument(argv[1]),
                                          scaleOf(type)),
                                  type));
    });
}

// tsql_decimal_chain(a, op, type, b, op, type, c, ...): a long run of operations, each computed
// in turn as tsql_decimal_add and its kin compute it, in one call (SQLite's parser nests calls
// only some thirty deep).
void fnChain(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        Decimal acc;
        for (int k = 0; k < argc; k += 3) {  // each value, after its operation and type
            if (sqlite3_value_type(argv[k]) == SQLITE_NULL) {
                sqlite3_result_null(ctx);
                return;
            }
            if (k == 0) {
                acc = decimalArgument(argv[0]);
                continue;
            }
            const char op = static_cast<char>(*sqlite3_value_text(argv[k - 2]));
            const SqlType type = cachedType(ctx, k - 1, argv[k - 1]);
            acc = fitted(operate(op, acc, decimalArgument(argv[k]), scaleOf(type)), type);
        }
        resultDecimal(ctx, acc);
    });
}

// tsql_decimal(value): the exact text of a number, for comparing it with decimal values.
void fnExact(sqlite3_context* ctx, int, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
            sqlite3_result_null(ctx);
        else
            resultDecimal(ctx, decimalArgument(argv[0]));
    });
}

// tsql_decimal_round(value, places, cut, type): ROUND keeps the type of its argument.
void fnRound(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(argc, argv)) {
            sqlite3_result_null(ctx);
            return;
        }
        const Decimal v = decimalArgument(argv[0]);
        const int places = std::clamp(sqlite3_value_int(argv[1]), -38, 38);
        const bool cut = sqlite3_value_int(argv[2]) != 0;
        const SqlType type = cachedType(ctx, 3, argv[3]);
        const std::optional<Decimal> r =
            places >= v.scale() ? std::optional<Decimal>(v) : v.rescaled(places, cut);
        resultDecimal(ctx, fitted(r, type));
    });
}

// tsql_decimal_floor(value, type) and tsql_decimal_ceiling(value, type).
void fnFloor(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(argc, argv)) {
            sqlite3_result_null(ctx);
            return;
        }
        const bool ceiling = sqlite3_user_data(ctx) != nullptr;
        const Decimal v = decimalArgument(argv[0]);
        std::optional<Decimal> whole = v.rescaled(0, true);
        if (whole && Decimal::compare(*whole, v) != 0 && v.isNegative() != ceiling)
            whole = Decimal::add(*whole, Decimal::ofInteger(ceiling ? 1 : -1), 0);
        resultDecimal(ctx, fitted(whole, cachedType(ctx, 1, argv[1])));
    });
}

// tsql_decimal_abs(value, type) and tsql_decimal_sign(value, type).
void fnAbs(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(argc, argv)) {
            sqlite3_result_null(ctx);
            return;
        }
        const bool sign = sqlite3_user_data(ctx) != nullptr;
        const Decimal v = decimalArgument(argv[0]);
        const Decimal r = sign ? Decimal::ofInteger(v.isZero() ? 0 : (v.isNegative() ? -1 : 1))
                          : v.isNegative() ? v.negated()
                                           : v;
        resultDecimal(ctx, fitted(r, cachedType(ctx, 1, argv[1])));
    });
}

// SUM and AVG: tsql_decimal_sum|avg(value). The total is kept in 128 bits at the largest scale
// of its values (all of one scale, but for files written by other tools); it must end within 38
// digits. AVG divides at that scale or 6, whichever is more, cutting as division does.
// SQLite aligns the aggregate's memory to 8 bytes only: the 128-bit total is copied in and out.
struct Total {
    unsigned char total[sizeof(__int128)];
    qint64 count = 0;
    int scale = 0;
    bool overflowed = false;

    __int128 units() const {
        __int128 v;
        std::memcpy(&v, total, sizeof v);
        return v;
    }
    void setUnits(__int128 v) { std::memcpy(total, &v, sizeof v); }
};

void accumulate(sqlite3_context* ctx, sqlite3_value** argv, int direction) {
    guarded(ctx, [&] {
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
            return;
        auto* total = static_cast<Total*>(sqlite3_aggregate_context(ctx, sizeof(Total)));
        if (!total) {
            sqlite3_result_error_nomem(ctx);
            return;
        }
        std::optional<Decimal> v = decimalArgument(argv[0]);
        if (v->scale() > total->scale) {
            const std::optional<Decimal> widened =
                Decimal(total->units(), total->scale).rescaled(v->scale());
            if (!widened)
                total->overflowed = true;
            else
                total->setUnits(widened->units());
            total->scale = v->scale();
        } else if (v->scale() < total->scale) {
            v = v->rescaled(total->scale);
        }
        __int128 next = 0;
        if (!v || __builtin_add_overflow(total->units(), direction * v->units(), &next))
            total->overflowed = true;
        total->setUnits(next);
        total->count += direction;
    });
}

void aggregateStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    accumulate(ctx, argv, 1);
}

void aggregateInverse(sqlite3_context* ctx, int, sqlite3_value** argv) {
    accumulate(ctx, argv, -1);
}

void aggregateValue(sqlite3_context* ctx) {
    guarded(ctx, [&] {
        const auto* total = static_cast<const Total*>(sqlite3_aggregate_context(ctx, 0));
        if (!total || total->count == 0) {
            sqlite3_result_null(ctx);
            return;
        }
        const bool average = sqlite3_user_data(ctx) != nullptr;
        SqlType type = SqlType::decimal(38, total->scale);
        if (average)
            type = decimalAverage(type);
        if (total->overflowed)
            overflow(type);
        const Decimal sum(total->units(), total->scale);
        resultDecimal(
            ctx, fitted(average ? Decimal::divide(sum, Decimal::ofInteger(total->count), type.scale)
                                : std::optional<Decimal>(sum),
                        type));
    });
}

}  // namespace

void registerDecimalFunctions(sqlite3* db) {
    static const char ops[] = "+-*/%";
    const char* const names[] = {"tsql_decimal_add", "tsql_decimal_subtract",
                                 "tsql_decimal_multiply", "tsql_decimal_divide",
                                 "tsql_decimal_modulo"};
    const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    for (int k = 0; k < 5; ++k)
        sqlite3_create_function(db, names[k], 3, det, const_cast<char*>(ops + k), fnArithmetic,
                                nullptr, nullptr);
    sqlite3_create_function(db, "tsql_decimal_chain", -1, det, nullptr, fnChain, nullptr, nullptr);
    static int flag = 1;
    sqlite3_create_function(db, "tsql_decimal", 1, det, nullptr, fnExact, nullptr, nullptr);
    sqlite3_create_function(db, "tsql_decimal_round", 4, det, nullptr, fnRound, nullptr, nullptr);
    sqlite3_create_function(db, "tsql_decimal_floor", 2, det, nullptr, fnFloor, nullptr, nullptr);
    sqlite3_create_function(db, "tsql_decimal_ceiling", 2, det, &flag, fnFloor, nullptr, nullptr);
    sqlite3_create_function(db, "tsql_decimal_abs", 2, det, nullptr, fnAbs, nullptr, nullptr);
    sqlite3_create_function(db, "tsql_decimal_sign", 2, det, &flag, fnAbs, nullptr, nullptr);
    sqlite3_create_window_function(db, "tsql_decimal_sum", 1, det, nullptr, aggregateStep,
                                   aggregateValue, aggregateValue, aggregateInverse, nullptr);
    sqlite3_create_window_function(db, "tsql_decimal_avg", 1, det, &flag, aggregateStep,
                                   aggregateValue, aggregateValue, aggregateInverse, nullptr);
}

}  // namespace tsql
