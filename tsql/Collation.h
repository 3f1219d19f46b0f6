#pragma once

struct sqlite3;

namespace tsql {

// Replaces SQLite's NOCASE on this connection with SQL Server's Thai_CI_AS behaviour: ICU's
// Thai collator at secondary strength (letter case ignored), trailing blanks ignored. The
// database files only ever name NOCASE, so any SQLite client can still read them.
void registerCollation(sqlite3* db);

// Replaces SQLite's like() with T-SQL LIKE: %, _, [abc], [a-z], [^...], case ignored.
void registerLike(sqlite3* db);

// Compares two UTF-8 texts under the collation; <0, 0, >0.
int compareTexts(const char* a, int na, const char* b, int nb);

}  // namespace tsql
