#include "tsql/FunctionRows.h"

#include <sqlite3.h>

#include "tsql/Database.h"
#include "tsql/Functions.h"
#include "tsql/VirtualRows.h"

namespace tsql {

namespace {

constexpr int kNameColumn = kFunctionColumns;  // the hidden name, then the values

struct Module {
    Database* db = nullptr;
    FunctionRowsSource source;
};

struct Table {
    sqlite3_vtab base{};
    const Module* module = nullptr;
};

// The rows of one call, taken whole: the body has run before the first is read.
struct Cursor {
    sqlite3_vtab_cursor base{};
    std::vector<std::vector<Value>> rows;
    size_t at = 0;
};

Table* tableOf(sqlite3_vtab* vtab) {
    return reinterpret_cast<Table*>(vtab);
}

Cursor* cursorOf(sqlite3_vtab_cursor* cursor) {
    return reinterpret_cast<Cursor*>(cursor);
}

int connect(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** vtab, char**) {
    static const QByteArray sql =
        virtualRowsDeclaration(kFunctionColumns, "name", kFunctionArguments);
    const auto* module = static_cast<const Module*>(aux);
    if (const int rc = declareVirtualRows(db, *module->db, sql); rc != SQLITE_OK)
        return rc;
    *vtab = &(new Table{{}, module})->base;
    return SQLITE_OK;
}

int bestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
    return virtualRowsIndex(info, kNameColumn, kFunctionArguments);
}

int close(sqlite3_vtab_cursor* cursor) {
    delete cursorOf(cursor);
    return SQLITE_OK;
}

int filter(sqlite3_vtab_cursor* cursor, int, const char*, int argc, sqlite3_value** argv) {
    Cursor* c = cursorOf(cursor);
    c->rows.clear();
    c->at = 0;
    std::vector<Value> args;
    for (int k = 1; k < argc; ++k)
        args.push_back(Value::fromSqlite(argv[k]));
    try {
        c->rows = tableOf(cursor->pVtab)
                      ->module->source(Value::fromSqlite(argv[0]).toString(), std::move(args));
    } catch (const db::Error& e) {
        return virtualRowsFailed(cursor->pVtab, SQLITE_ERROR, errorText(e));
    }
    return SQLITE_OK;
}

int next(sqlite3_vtab_cursor* cursor) {
    ++cursorOf(cursor)->at;
    return SQLITE_OK;
}

int eof(sqlite3_vtab_cursor* cursor) {
    const Cursor* c = cursorOf(cursor);
    return c->at >= c->rows.size();
}

int rowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* id) {
    *id = static_cast<sqlite3_int64>(cursorOf(cursor)->at);
    return SQLITE_OK;
}

// A column past the function's own is NULL.
int column(sqlite3_vtab_cursor* cursor, sqlite3_context* ctx, int k) {
    const Cursor* c = cursorOf(cursor);
    const std::vector<Value>& row = c->rows[c->at];
    static const Value none;
    (k < static_cast<int>(row.size()) ? row[static_cast<size_t>(k)] : none).result(ctx);
    return SQLITE_OK;
}

}  // namespace

void registerFunctionRows(Database& db, FunctionRowsSource source) {
    static const sqlite3_module module =
        virtualRowsModule({connect, bestIndex, disconnectVirtualRows<Table>,
                           openVirtualRows<Cursor>, close, filter, next, eof, column, rowid});
    auto* aux = new Module{&db, std::move(source)};
    sqlite3_create_module_v2(db.handle(), kFunctionRows, &module, aux,
                             [](void* p) { delete static_cast<Module*>(p); });
}

}  // namespace tsql
