// The engine's collation and functions as a SQLite loadable extension: with it, the sqlite3 shell
// and other SQLite tools check, read and write the engine's files in the engine's order.
//   sqlite3 -cmd '.load build/tsql/voq-tsql' DIR/NAME.sqlite
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

#include "tsql/Collation.h"
#include "tsql/Functions.h"

extern "C" int sqlite3_voqtsql_init(sqlite3* db, char**, const sqlite3_api_routines* api) {
    SQLITE_EXTENSION_INIT2(api);
    tsql::registerCollation(db);
    tsql::registerLike(db);
    tsql::registerFunctions(db, nullptr);
    return SQLITE_OK;
}
