#include "tsql/Functions.h"

#include "tsql/FunctionSupport.h"
#include "tsql/SqliteApi.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <numbers>
#include <string>
#include <string_view>
#include <unordered_map>

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUuid>

#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/Value.h"

namespace tsql {

QByteArray errorText(const db::Error& e) {
    return "tsql:" + QByteArray::number(e.nativeError()) + ":" + e.message().toUtf8();
}

void resultError(sqlite3_context* ctx, const db::Error& e) {
    const QByteArray msg = errorText(e);
    sqlite3_result_error(ctx, msg.constData(), int(msg.size()));
}

namespace {

// The type a type name reads as, parsed once per thread: SQLite drops a function's auxiliary
// data when its statement is reset, so a statement run again would parse its type names again.
SqlType parsedType(std::string_view text) {
    thread_local std::unordered_map<std::string, SqlType> parsed;
    if (auto it = parsed.find(std::string(text)); it != parsed.end())
        return it->second;
    if (parsed.size() >= 1000)
        parsed.clear();
    const SqlType type =
        SqlType::parseDeclared(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    parsed.emplace(text, type);
    return type;
}

}  // namespace

// A type argument is a constant: it is looked up once per run of a statement.
SqlType cachedType(sqlite3_context* ctx, int arg, sqlite3_value* v) {
    if (auto* t = static_cast<SqlType*>(sqlite3_get_auxdata(ctx, arg)))
        return *t;
    const SqlType type =
        parsedType(std::string_view(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                    static_cast<size_t>(sqlite3_value_bytes(v))));
    sqlite3_set_auxdata(ctx, arg, new SqlType(type),
                        [](void* p) { delete static_cast<SqlType*>(p); });
    return type;
}

namespace {

// tsql_convert(value, to, style, from[, mode]): mode 1 stores into a column, 2 tries
void fnConvert(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
        SqlType to = cachedType(ctx, 1, argv[1]);
        SqlType from = cachedType(ctx, 3, argv[3]);
        int style = sqlite3_value_type(argv[2]) == SQLITE_NULL ? -1 : sqlite3_value_int(argv[2]);
        const auto mode = static_cast<ConvertMode>(argc > 4 ? sqlite3_value_int(argv[4]) : 0);
        if (mode != ConvertMode::Try) {
            convertValue(Value::fromSqlite(argv[0]), from, to, style, mode).result(ctx);
            return;
        }
        try {
            convertValue(Value::fromSqlite(argv[0]), from, to, style).result(ctx);
        } catch (const db::Error&) {
            sqlite3_result_null(ctx);
        }
    });
}

[[noreturn]] void arithmeticOverflow(const QString& type) {
    raise(8115, QStringLiteral("Arithmetic overflow error converting expression to data type %1.")
                    .arg(type));
}

// A number as SQLite's arithmetic holds it: a 64-bit integer or a float.
struct Number {
    bool integer = true;
    qint64 i = 0;
    double d = 0;
    double real() const { return integer ? static_cast<double>(i) : d; }
};

Number numberOf(sqlite3_value* v) {
    if (sqlite3_value_numeric_type(v) == SQLITE_INTEGER)
        return {true, sqlite3_value_int64(v), 0};
    return {false, 0, sqlite3_value_double(v)};
}

// `a op b` (+, - or *) as SQLite computes it: in integers unless either is a float or the result
// leaves 64 bits.
Number sqliteArithmetic(char op, const Number& a, const Number& b) {
    if (a.integer && b.integer) {
        qint64 r = 0;
        const bool over = op == '+'   ? __builtin_add_overflow(a.i, b.i, &r)
                          : op == '-' ? __builtin_sub_overflow(a.i, b.i, &r)
                                      : __builtin_mul_overflow(a.i, b.i, &r);
        if (!over)
            return {true, r, 0};
    }
    const double x = a.real(), y = b.real();
    return {false, 0, op == '+' ? x + y : op == '-' ? x - y : x * y};
}

// A result of arithmetic within its type's range: a float or real while it is finite and within
// the type's largest; an integer within its bounds, and still an integer (SQLite turns a 64-bit
// overflow into a float). Raises 8115 otherwise.
void checkRange(const Number& n, const SqlType& type) {
    if (type.base == SqlType::Float || type.base == SqlType::Real) {
        const double limit = type.base == SqlType::Real ? std::numeric_limits<float>::max()
                                                        : std::numeric_limits<double>::max();
        if (!(std::fabs(n.real()) <= limit))
            arithmeticOverflow(type.toSql());
        return;
    }
    if (!n.integer)
        arithmeticOverflow(type.toSql());
    qint64 low = std::numeric_limits<qint64>::min(), high = std::numeric_limits<qint64>::max();
    if (type.base == SqlType::Int) {
        low = std::numeric_limits<qint32>::min();
        high = std::numeric_limits<qint32>::max();
    } else if (type.base == SqlType::SmallInt) {
        low = std::numeric_limits<qint16>::min();
        high = std::numeric_limits<qint16>::max();
    } else if (type.base == SqlType::TinyInt) {
        low = 0;
        high = 255;
    }
    if (n.i < low || n.i > high)
        arithmeticOverflow(type.toSql());
}

void resultNumber(sqlite3_context* ctx, const Number& n) {
    if (n.integer)
        sqlite3_result_int64(ctx, n.i);
    else
        sqlite3_result_double(ctx, n.d);
}

// tsql_checked(value, type): a result of arithmetic, 8115 when it left the type's range.
void fnChecked(sqlite3_context* ctx, int, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
        const Number n = numberOf(argv[0]);
        checkRange(n, cachedType(ctx, 1, argv[1]));
        resultNumber(ctx, n);
    });
}

// tsql_checked_chain(a, op, type, b, op, type, c, ...): a long run of +, - and * on integers or
// floats, each operation computed and checked in turn as tsql_checked(a op b, type) would, in one
// call (SQLite's parser nests calls only some thirty deep).
void fnCheckedChain(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        Number acc = numberOf(argv[0]);
        for (int k = 0; k < argc; k += 3) {  // each value, after its operation and type
            if (sqlite3_value_type(argv[k]) == SQLITE_NULL) {
                sqlite3_result_null(ctx);
                return;
            }
            if (k > 0) {
                const char op = static_cast<char>(*sqlite3_value_text(argv[k - 2]));
                acc = sqliteArithmetic(op, acc, numberOf(argv[k]));
                checkRange(acc, cachedType(ctx, k - 1, argv[k - 1]));
            }
        }
        resultNumber(ctx, acc);
    });
}

[[noreturn]] void divideByZero() {
    raise(err::DivideByZero, QStringLiteral("Divide by zero error encountered."));
}

// tsql_divide(a, b) and tsql_modulo(a, b): NULL when either is NULL, 8134 for a zero divisor,
// integer division of integers, real division otherwise.
void fnDivide(sqlite3_context* ctx, int, sqlite3_value** argv) {
    guarded(ctx, [&] {
        const int ka = sqlite3_value_numeric_type(argv[0]);
        const int kb = sqlite3_value_numeric_type(argv[1]);
        if (ka == SQLITE_NULL || kb == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
        const bool modulo = sqlite3_user_data(ctx) != nullptr;
        if (ka == SQLITE_INTEGER && kb == SQLITE_INTEGER) {
            const qint64 a = sqlite3_value_int64(argv[0]), b = sqlite3_value_int64(argv[1]);
            if (b == 0)
                divideByZero();
            if (b == -1) {  // the one quotient that does not fit: minimum / -1
                if (!modulo && a == std::numeric_limits<qint64>::min())
                    arithmeticOverflow(QStringLiteral("bigint"));
                sqlite3_result_int64(ctx, modulo ? 0 : -a);
                return;
            }
            sqlite3_result_int64(ctx, modulo ? a % b : a / b);
            return;
        }
        const double a = sqlite3_value_double(argv[0]), b = sqlite3_value_double(argv[1]);
        if (b == 0.0)
            divideByZero();
        sqlite3_result_double(ctx, modulo ? std::fmod(a, b) : a / b);
    });
}

// tsql_sqrt, tsql_exp, tsql_ln ... (x), tsql_pow(x, y) and their kin: the C library's functions
// over floats; NULL when an argument is NULL or no number. A result that is no number or infinite
// (SQRT(-1), LOG(0), EXP(1000)) raises 3623, as SQL Server does where its floating point fails.
struct FloatFunction {
    const char* name;
    int args;
    double (*apply)(double, double);
};

FloatFunction floatFunctions[] = {
    {"tsql_sqrt", 1, [](double x, double) { return std::sqrt(x); }},
    {"tsql_square", 1, [](double x, double) { return x * x; }},
    {"tsql_exp", 1, [](double x, double) { return std::exp(x); }},
    {"tsql_ln", 1, [](double x, double) { return std::log(x); }},
    {"tsql_logb", 2, [](double x, double base) { return std::log(x) / std::log(base); }},
    {"tsql_log10", 1, [](double x, double) { return std::log10(x); }},
    {"tsql_pow", 2, [](double x, double y) { return std::pow(x, y); }},
    {"tsql_pi", 0, [](double, double) { return std::numbers::pi; }},
    {"tsql_sin", 1, [](double x, double) { return std::sin(x); }},
    {"tsql_cos", 1, [](double x, double) { return std::cos(x); }},
    {"tsql_tan", 1, [](double x, double) { return std::tan(x); }},
    {"tsql_cot", 1, [](double x, double) { return 1.0 / std::tan(x); }},
    {"tsql_asin", 1, [](double x, double) { return std::asin(x); }},
    {"tsql_acos", 1, [](double x, double) { return std::acos(x); }},
    {"tsql_atan", 1, [](double x, double) { return std::atan(x); }},
    {"tsql_atn2", 2, [](double y, double x) { return std::atan2(y, x); }},
    {"tsql_degrees", 1, [](double x, double) { return x * (180.0 / std::numbers::pi); }},
    {"tsql_radians", 1, [](double x, double) { return x * (std::numbers::pi / 180.0); }},
    // RAND(seed): the first number of the sequence the seed starts, the same for the same seed.
    {"tsql_seeded_rand", 1,
     [](double seed, double) {
         const double kept = std::clamp(seed, -2147483648.0, 2147483647.0);
         return QRandomGenerator(static_cast<quint32>(static_cast<qint32>(kept))).generateDouble();
     }},
};

bool isNumber(sqlite3_value* v) {
    const int kind = sqlite3_value_numeric_type(v);
    return kind == SQLITE_INTEGER || kind == SQLITE_FLOAT;
}

void fnFloat(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        double x[2] = {0.0, 0.0};
        for (int k = 0; k < argc; ++k) {
            if (!isNumber(argv[k])) {
                sqlite3_result_null(ctx);
                return;
            }
            x[k] = sqlite3_value_double(argv[k]);
        }
        const auto* f = static_cast<const FloatFunction*>(sqlite3_user_data(ctx));
        const double result = f->apply(x[0], x[1]);
        if (!std::isfinite(result))
            raise(err::InvalidFloat,
                  QStringLiteral("An invalid floating point operation occurred."));
        sqlite3_result_double(ctx, result);
    });
}

// tsql_raise(number, message): raises an engine error from inside a statement.
void fnRaise(sqlite3_context* ctx, int, sqlite3_value** argv) {
    resultError(ctx,
                db::Error(db::Error::Kind::Server, argText(argv[1]), sqlite3_value_int(argv[0])));
}

// tsql_single(value): the value of the only row of a scalar subquery, NULL without a row; a
// second row raises 512, as SQL Server refuses a scalar subquery of more than one row.
struct SingleRow {
    sqlite3_value* value;
    bool seen;
};

void singleStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* row = static_cast<SingleRow*>(sqlite3_aggregate_context(ctx, sizeof(SingleRow)));
    if (!row) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    if (row->seen) {
        resultError(ctx, db::Error(db::Error::Kind::Server,
                                   QStringLiteral("Subquery returned more than 1 value. This is "
                                                  "not permitted when the subquery follows =, !=, "
                                                  "<, <= , >, >= or when the subquery is used as "
                                                  "an expression."),
                                   512));
        return;
    }
    row->seen = true;
    row->value = sqlite3_value_dup(argv[0]);
    if (!row->value)
        sqlite3_result_error_nomem(ctx);
}

void singleFinal(sqlite3_context* ctx) {
    auto* row = static_cast<SingleRow*>(sqlite3_aggregate_context(ctx, 0));
    if (!row || !row->value) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_value(ctx, row->value);
    sqlite3_value_free(row->value);
    row->value = nullptr;
}

void fnRound(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    int n = sqlite3_value_int(argv[1]);
    bool truncate = argc > 2 && sqlite3_value_int(argv[2]) != 0;
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        qint64 v = sqlite3_value_int64(argv[0]);
        if (n >= 0) {
            sqlite3_result_int64(ctx, v);
            return;
        }
        double f = std::pow(10.0, -n);
        double r = truncate ? std::trunc(double(v) / f) * f : roundHalfAway(double(v) / f, 0) * f;
        sqlite3_result_int64(ctx, static_cast<qint64>(r));
        return;
    }
    double v = sqlite3_value_double(argv[0]);
    if (truncate) {
        double f = std::pow(10.0, n);
        sqlite3_result_double(ctx, std::trunc(v * f) / f);
        return;
    }
    sqlite3_result_double(ctx, roundHalfAway(v, n));
}

// ISNUMERIC: 1 for a number, or a text that converts to one of int, decimal, money or float: a
// currency sign, a sign, thousands separators, a decimal point, an exponent; a sign, a point or a
// comma alone count, as on SQL Server.
void fnIsNumeric(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int t = sqlite3_value_type(argv[0]);
    if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) {
        sqlite3_result_int(ctx, 1);
        return;
    }
    static const QRegularExpression number(
        QStringLiteral("^\\s*\\$?\\s*[+-]?\\s*\\$?\\s*([\\d,]*\\.?\\d*)([eEdD][+-]?\\d+)?\\s*$"));
    const QString s = t == SQLITE_TEXT ? argText(argv[0]) : QString();
    const QRegularExpressionMatch m = number.match(s);
    // An exponent needs digits before it; a blank text is no number.
    const bool numeric = m.hasMatch() && !s.trimmed().isEmpty() &&
                         (m.capturedLength(1) > 0 || m.capturedLength(2) == 0);
    sqlite3_result_int(ctx, numeric ? 1 : 0);
}

// tsql_newid(): a random (version 4) GUID in the stored form.
void fnNewId(sqlite3_context* ctx, int, sqlite3_value**) {
    const QByteArray id = QUuid::createUuid().toByteArray(QUuid::WithoutBraces).toUpper();
    sqlite3_result_text(ctx, id.constData(), static_cast<int>(id.size()), SQLITE_TRANSIENT);
}

}  // namespace

void registerFunctions(sqlite3* db, std::function<QDateTime()>* now) {
    static int flag = 1;
    registerScalars(db, {
                            {"tsql_convert", 4, fnConvert, nullptr},
                            {"tsql_convert", 5, fnConvert, nullptr},
                            {"tsql_checked", 2, fnChecked, nullptr},
                            {"tsql_checked_chain", -1, fnCheckedChain, nullptr},
                            {"tsql_divide", 2, fnDivide, nullptr},
                            {"tsql_modulo", 2, fnDivide, &flag},
                            {"tsql_raise", 2, fnRaise, nullptr},
                            {"tsql_round", 2, fnRound, nullptr},
                            {"tsql_round", 3, fnRound, nullptr},
                            {"tsql_isnumeric", 1, fnIsNumeric, nullptr},
                        });
    const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "tsql_single", 1, det, nullptr, nullptr, singleStep, singleFinal);
    sqlite3_create_function(db, "tsql_newid", 0, SQLITE_UTF8, nullptr, fnNewId, nullptr, nullptr);
    for (FloatFunction& f : floatFunctions)
        sqlite3_create_function(db, f.name, f.args, det, &f, fnFloat, nullptr, nullptr);
    registerDecimalFunctions(db);
    registerTextFunctions(db);
    registerDateFunctions(db, now);
    registerFormatFunction(db);
}

}  // namespace tsql
