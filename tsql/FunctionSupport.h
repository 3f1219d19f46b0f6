#pragma once

#include <QString>
#include <initializer_list>
#include <new>

#include "dbcore/Error.h"
#include "tsql/Functions.h"
#include "tsql/SqlType.h"
#include "tsql/SqliteApi.h"

// What the engine's SQLite functions share.
namespace tsql {

// Runs a function's body; an engine error becomes the function's error.
template <typename F>
void guarded(sqlite3_context* ctx, F&& f) {
    try {
        f();
    } catch (const db::Error& e) {
        resultError(ctx, e);
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(ctx);
    }
}

// The type named by a constant argument ('decimal(10,2)'), parsed once per statement.
SqlType cachedType(sqlite3_context* ctx, int arg, sqlite3_value* v);

inline QString argText(sqlite3_value* v) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                             sqlite3_value_bytes(v));
}

inline bool anyNull(int argc, sqlite3_value** argv) {
    for (int k = 0; k < argc; ++k)
        if (sqlite3_value_type(argv[k]) == SQLITE_NULL)
            return true;
    return false;
}

inline void resultText(sqlite3_context* ctx, const QString& s) {
    const QByteArray b = s.toUtf8();
    sqlite3_result_text(ctx, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
}

// A deterministic scalar function of the engine: its name, argument count, body and user data.
struct ScalarFunction {
    const char* name;
    int args;
    void (*body)(sqlite3_context*, int, sqlite3_value**);
    void* data = nullptr;
};

inline void registerScalars(sqlite3* db, std::initializer_list<ScalarFunction> functions) {
    for (const ScalarFunction& f : functions)
        sqlite3_create_function(db, f.name, f.args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, f.data,
                                f.body, nullptr, nullptr);
}

// Exact decimal and money arithmetic, aggregates and rounding (DecimalFunctions.cpp).
void registerDecimalFunctions(sqlite3* db);
// Texts: SUBSTRING, LEFT, LEN, REPLACE, STUFF, QUOTENAME and their kin (TextFunctions.cpp).
void registerTextFunctions(sqlite3* db);
// FORMAT of numbers and dates (FormatFunction.cpp).
void registerFormatFunction(sqlite3* db);
// Dates: GETDATE (from `now`), DATEPART, DATEADD, EOMONTH and their kin (DateFunctions.cpp).
void registerDateFunctions(sqlite3* db, std::function<QDateTime()>* now);

}  // namespace tsql
