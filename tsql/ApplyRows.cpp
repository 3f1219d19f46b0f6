#include "tsql/ApplyRows.h"

#include <sqlite3.h>

#include <QByteArray>

#include "tsql/Database.h"
#include "tsql/Functions.h"

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

int failed(sqlite3_vtab* vtab, int rc, const QByteArray& message) {
    sqlite3_free(vtab->zErrMsg);
    vtab->zErrMsg = sqlite3_mprintf("%s", message.constData());
    return rc;
}

void release(Cursor* c) {
    if (c->st)
        sqlite3_reset(c->st);
    c->st = nullptr;
    c->rc = SQLITE_DONE;
}

QByteArray declaration() {
    QByteArray sql = "CREATE TABLE x(";
    for (int k = 0; k < kApplyColumns; ++k)
        sql += "c" + QByteArray::number(k) + ", ";
    sql += "query HIDDEN";
    for (int k = 0; k < kApplyValues; ++k)
        sql += ", v" + QByteArray::number(k) + " HIDDEN";
    return sql + ")";
}

int connect(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** vtab, char**) {
    static const QByteArray sql = declaration();
    auto* database = static_cast<Database*>(aux);
    const Database::EngineScope scope(*database);  // a declaration, not a translation
    const int rc = sqlite3_declare_vtab(db, sql.constData());
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_vtab_config(db, SQLITE_VTAB_INNOCUOUS);
    auto* t = new Table;
    t->db = database;
    *vtab = &t->base;
    return SQLITE_OK;
}

int disconnect(sqlite3_vtab* vtab) {
    delete tableOf(vtab);
    return SQLITE_OK;
}

// The query and the values are arguments: each must be known before the rows are asked for,
// from the tables to the left of the join.
int bestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
    int given[1 + kApplyValues];
    for (int& g : given)
        g = -1;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        const int k = c.iColumn - kQueryColumn;
        if (k < 0 || c.op != SQLITE_INDEX_CONSTRAINT_EQ)
            continue;
        if (!c.usable)
            return SQLITE_CONSTRAINT;
        given[k] = i;
    }
    int n = 0;
    while (n <= kApplyValues && given[n] >= 0) {
        info->aConstraintUsage[given[n]].argvIndex = n + 1;
        info->aConstraintUsage[given[n]].omit = 1;
        ++n;
    }
    if (n == 0)
        return SQLITE_CONSTRAINT;
    for (int k = n; k <= kApplyValues; ++k)
        if (given[k] >= 0)
            return SQLITE_CONSTRAINT;
    info->estimatedCost = 10;
    info->estimatedRows = 10;
    return SQLITE_OK;
}

int open(sqlite3_vtab*, sqlite3_vtab_cursor** cursor) {
    *cursor = &(new Cursor)->base;
    return SQLITE_OK;
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
    return rc == SQLITE_DONE ? SQLITE_OK : failed(cursor->pVtab, rc, message);
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
        return failed(cursor->pVtab, SQLITE_ERROR, errorText(e));
    }
    if (!sqlite3_stmt_readonly(c->st)) {
        c->st = nullptr;
        return failed(cursor->pVtab, SQLITE_ERROR, "tsql_apply runs a select only");
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

sqlite3_module makeModule() {
    sqlite3_module m{};
    m.xConnect = connect;  // no xCreate: eponymous only
    m.xBestIndex = bestIndex;
    m.xDisconnect = disconnect;
    m.xOpen = open;
    m.xClose = close;
    m.xFilter = filter;
    m.xNext = step;
    m.xEof = eof;
    m.xColumn = column;
    m.xRowid = rowid;
    return m;
}

}  // namespace

void registerApplyRows(Database& db) {
    static const sqlite3_module module = makeModule();
    sqlite3_create_module(db.handle(), kApplyRows, &module, &db);
}

}  // namespace tsql
