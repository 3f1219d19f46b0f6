#pragma once

// The SQLite interface of the engine's collation and functions: the library itself, or, inside
// the loadable extension, the routines of the program that loaded it.
#ifdef VOQ_SQLITE_EXTENSION
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT3
#else
#include <sqlite3.h>
#endif
