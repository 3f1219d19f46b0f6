#pragma once

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

// Exact decimal and money arithmetic, aggregates and rounding (DecimalFunctions.cpp).
void registerDecimalFunctions(sqlite3* db);

}  // namespace tsql
