#pragma once

#include <sqlite3.h>

#include <QByteArray>

namespace tsql {

class Database;

// What the engine's eponymous table-valued functions (tsql_apply, tsql_function_rows) share:
// columns c0, c1 ... then hidden arguments, the first naming what gives the rows and up to
// `values` values after it. Every argument is known before the rows are asked for, from the
// tables to the left of the join.

// CREATE TABLE x(c0, ..., <what> HIDDEN, v0 HIDDEN, ...) for sqlite3_declare_vtab.
QByteArray virtualRowsDeclaration(int columns, const char* what, int values);
// xConnect's declaration of the columns, as the engine's (not a translation's) work.
int declareVirtualRows(sqlite3* db, Database& database, const QByteArray& declaration);
// xDisconnect and xOpen of a module whose Table and Cursor start with their SQLite structs.
template <class Table>
int disconnectVirtualRows(sqlite3_vtab* vtab) {
    delete reinterpret_cast<Table*>(vtab);
    return SQLITE_OK;
}
template <class Cursor>
int openVirtualRows(sqlite3_vtab*, sqlite3_vtab_cursor** cursor) {
    *cursor = &(new Cursor)->base;
    return SQLITE_OK;
}
// xBestIndex: the hidden arguments, from column `firstHidden` on, taken in order as the filter's
// arguments; SQLITE_CONSTRAINT when one is missing or cannot be used.
int virtualRowsIndex(sqlite3_index_info* info, int firstHidden, int values);
// The calls of such a function, in sqlite3_module's order; it has no xCreate, so that it is
// eponymous only.
struct VirtualRowsCalls {
    decltype(sqlite3_module::xConnect) connect;
    decltype(sqlite3_module::xBestIndex) bestIndex;
    decltype(sqlite3_module::xDisconnect) disconnect;
    decltype(sqlite3_module::xOpen) open;
    decltype(sqlite3_module::xClose) close;
    decltype(sqlite3_module::xFilter) filter;
    decltype(sqlite3_module::xNext) next;
    decltype(sqlite3_module::xEof) eof;
    decltype(sqlite3_module::xColumn) column;
    decltype(sqlite3_module::xRowid) rowid;
};
sqlite3_module virtualRowsModule(const VirtualRowsCalls& calls);
// Fails a call of the table with `message` as its error; returns `rc`.
int virtualRowsFailed(sqlite3_vtab* vtab, int rc, const QByteArray& message);

}  // namespace tsql
