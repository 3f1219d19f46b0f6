#pragma once

class QString;
struct sqlite3;

namespace tsql {

// The engine's collation, SQL Server's Thai_CI_AS behaviour: ICU's Thai collator at secondary
// strength (letter case ignored), trailing blanks ignored. Text columns of the database files
// declare it by this name, so a SQLite client without the engine's extension refuses to use their
// indexes instead of reading them in another order.
inline constexpr char kCollation[] = "THAI_CI_AS";

// The order of decimal and money columns, which hold exact numeric texts: by value.
inline constexpr char kNumericCollation[] = "NUMERIC_TEXT";

// The order of uniqueidentifier columns, which hold the upper-case text of a GUID: SQL Server's,
// the last six bytes first.
inline constexpr char kGuidCollation[] = "GUID_ORDER";

// Registers the collations on a connection.
void registerCollation(sqlite3* db);
// Registers it under another name as well (SQLite's NOCASE, for files of older engines).
void registerCollationAs(sqlite3* db, const char* name);

// Replaces SQLite's like() with T-SQL LIKE: %, _, [abc], [a-z], [^...], case ignored.
void registerLike(sqlite3* db);

// PATINDEX: the 1-based position where the LIKE pattern first matches the subject, 0 if nowhere.
int patternIndex(const QString& pattern, const QString& subject);

// Compares two GUID texts in SQL Server's order of their bytes; <0, 0, >0.
int compareGuids(const char* a, int na, const char* b, int nb);

// Compares two UTF-8 texts under the collation; <0, 0, >0.
int compareTexts(const char* a, int na, const char* b, int nb);

}  // namespace tsql
