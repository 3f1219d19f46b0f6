#pragma once

struct sqlite3;

namespace tsql {

class Database;

// tsql_apply(query, value, ...): an eponymous table-valued function of SQLite whose rows are those
// of `query`, a translated select whose placeholders ?1, ?2 ... take the values. Joined to the
// tables on its left with their columns among the values, it runs once for each of their rows:
// CROSS APPLY and OUTER APPLY are joins to it, as SQLite has no LATERAL. Its columns are c0, c1
// ... (the select's, kApplyColumns at most), then the hidden query and values.
inline const char* const kApplyRows = "tsql_apply";
inline constexpr int kApplyColumns = 128;
inline constexpr int kApplyValues = 64;

// Registers it on the connection of `db`, whose cache prepares the selects (the translation's
// rules hold for them: only reading, and no table of SQLite's or the engine's own).
void registerApplyRows(Database& db);

}  // namespace tsql
