#pragma once

#include "tsql/TableSql.h"

namespace tsql {

class Database;

// SQLite's procedure for the table changes its ALTER TABLE cannot make ("making other kinds of
// table schema changes"): the table is declared anew as `changed` under a new name, its rows are
// copied, the old table is dropped and the new one takes its name; its indexes, triggers and
// identity counter are restored. Foreign keys are not enforced while the old table goes, so rows
// of other tables that refer to it stay.
// Contract: runs inside the caller's transaction or savepoint, which undoes everything when this
// raises or returns false; `changed` has the columns of the table as it is, each filled from the
// old row's column of its name, or from the SQLite expression over the old row that `values`
// gives at its position. Returns whether the table's rows satisfy its foreign keys afterwards.
[[nodiscard]] bool rebuildTable(Database& db, const TableSql& changed,
                                const std::vector<QByteArray>& values = {});

}  // namespace tsql
