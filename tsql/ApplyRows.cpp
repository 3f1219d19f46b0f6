#include "tsql/ApplyRows.h"

#include <sqlite3.h>

#include <QByteArray>

#include "tsql/Database.h"
#include "tsql/Functions.h"
#include "tsql/VirtualRows.h"

namespace tsql {

namespace {

constexpr int kQueryColumn = kApplyColumns;  // the hidden query, then the values

struct Table {
    sqlite3_vtab base{};
    Database* db = nullptr;
};

// The select's statement is the cache's: the cursor holds it only while it has a row, so that
// it is never reset or finalized under the cursor.
struct Cursor {
    sqlite3_vtab_cursor base{};
    sqlite3_stmt* st = nullptr;
    int rc = SQLITE_DONE;
    sqlite3_int64 row = 0;
};

Table* tableOf(sqlite3_vtab* vtab) {
    return reinterpret_cast<Table*>(vtab);
}

Cursor* cursorOf(sqlite3_vtab_cursor* cursor) {
    return reinterpret_cast<Cursor*>(cursor);
}

void release(Cursor* c) {
    if (c->st)
        sqlite3_reset(c->st);
    c->st = nullptr;
    c->rc = SQLITE_DONE;
}

int connect(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** vtab, char**) {
    static const QByteArray sql = virtualRowsDeclaration(kApplyColumns, "query", kApplyValues);
    auto* database = static_cast<Database*>(aux);
    if (const int rc = declareVirtualRows(db, *database, sql); rc != SQLITE_OK)
        return rc;
    *vtab = &(new Table{{}, database})->base;
    return SQLITE_OK;
}

int bestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
    return virtualRowsIndex(info, kQueryColumn, kApplyValues);
}

int close(sqlite3_vtab_cursor* cursor) {
    release(cursorOf(cursor));
    delete cursorOf(cursor);
    return SQLITE_OK;
}

int step(sqlite3_vtab_cursor* cursor) {
    Cursor* c = cursorOf(cursor);
    c->rc = sqlite3_step(c->st);
    ++c->row;
    if (c->rc == SQLITE_ROW)
        return SQLITE_OK;
    const int rc = c->rc;
    // The select's error, taken before the reset, becomes the statement's.
    const QByteArray message = sqlite3_errmsg(sqlite3_db_handle(c->st));
    release(c);
    return rc == SQLITE_DONE ? SQLITE_OK : virtualRowsFailed(cursor->pVtab, rc, message);
}

int filter(sqlite3_vtab_cursor* cursor, int, const char*, int argc, sqlite3_value** argv) {
    Cursor* c = cursorOf(cursor);
    release(c);
    c->row = 0;
    const QByteArray query(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])),
                           sqlite3_value_bytes(argv[0]));
    try {
        c->st = tableOf(cursor->pVtab)->db->prepareTranslation(query);
    } catch (const db::Error& e) {
        return virtualRowsFailed(cursor->pVtab, SQLITE_ERROR, errorText(e));
    }
    if (!sqlite3_stmt_readonly(c->st)) {
        c->st = nullptr;
        return virtualRowsFailed(cursor->pVtab, SQLITE_ERROR, "tsql_apply runs a select only");
    }
    for (int k = 1; k < argc; ++k)
        sqlite3_bind_value(c->st, k, argv[k]);
    return step(cursor);
}

int eof(sqlite3_vtab_cursor* cursor) {
    return cursorOf(cursor)->rc != SQLITE_ROW;
}

int column(sqlite3_vtab_cursor* cursor, sqlite3_context* ctx, int k) {
    const Cursor* c = cursorOf(cursor);
    if (c->st && k < kApplyColumns && k < sqlite3_column_count(c->st))
        sqlite3_result_value(ctx, sqlite3_column_value(c->st, k));
    else
        sqlite3_result_null(ctx);
    return SQLITE_OK;
}

int rowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* id) {
    *id = cursorOf(cursor)->row;
    return SQLITE_OK;
}

}  // namespace

void registerApplyRows(Database& db) {
    static const sqlite3_module module =
        virtualRowsModule({connect, bestIndex, disconnectVirtualRows<Table>,
                           openVirtualRows<Cursor>, close, filter, step, eof, column, rowid});
    sqlite3_create_module(db.handle(), kApplyRows, &module, &db);
}

}  // namespace tsql
