#include "tsql/VirtualRows.h"

#include <vector>

#include "tsql/Database.h"

namespace tsql {

QByteArray virtualRowsDeclaration(int columns, const char* what, int values) {
    QByteArray sql = "CREATE TABLE x(";
    for (int k = 0; k < columns; ++k)
        sql += "c" + QByteArray::number(k) + ", ";
    sql += QByteArray(what) + " HIDDEN";
    for (int k = 0; k < values; ++k)
        sql += ", v" + QByteArray::number(k) + " HIDDEN";
    return sql + ")";
}

int declareVirtualRows(sqlite3* db, Database& database, const QByteArray& declaration) {
    const Database::EngineScope scope(database);
    const int rc = sqlite3_declare_vtab(db, declaration.constData());
    if (rc == SQLITE_OK)
        sqlite3_vtab_config(db, SQLITE_VTAB_INNOCUOUS);
    return rc;
}

int virtualRowsIndex(sqlite3_index_info* info, int firstHidden, int values) {
    std::vector<int> given(static_cast<size_t>(values) + 1, -1);
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        const int k = c.iColumn - firstHidden;
        if (k < 0 || c.op != SQLITE_INDEX_CONSTRAINT_EQ)
            continue;
        if (!c.usable)
            return SQLITE_CONSTRAINT;
        given[static_cast<size_t>(k)] = i;
    }
    int n = 0;
    while (n <= values && given[static_cast<size_t>(n)] >= 0) {
        info->aConstraintUsage[given[static_cast<size_t>(n)]].argvIndex = n + 1;
        info->aConstraintUsage[given[static_cast<size_t>(n)]].omit = 1;
        ++n;
    }
    if (n == 0)
        return SQLITE_CONSTRAINT;
    for (int k = n; k <= values; ++k)
        if (given[static_cast<size_t>(k)] >= 0)
            return SQLITE_CONSTRAINT;
    info->estimatedCost = 10;
    info->estimatedRows = 10;
    return SQLITE_OK;
}

sqlite3_module virtualRowsModule(const VirtualRowsCalls& calls) {
    sqlite3_module m{};
    m.xConnect = calls.connect;
    m.xBestIndex = calls.bestIndex;
    m.xDisconnect = calls.disconnect;
    m.xOpen = calls.open;
    m.xClose = calls.close;
    m.xFilter = calls.filter;
    m.xNext = calls.next;
    m.xEof = calls.eof;
    m.xColumn = calls.column;
    m.xRowid = calls.rowid;
    return m;
}

int virtualRowsFailed(sqlite3_vtab* vtab, int rc, const QByteArray& message) {
    sqlite3_free(vtab->zErrMsg);
    vtab->zErrMsg = sqlite3_mprintf("%s", message.constData());
    return rc;
}

}  // namespace tsql
