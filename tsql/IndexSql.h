#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "tsql/Ast.h"
#include "tsql/Catalog.h"

namespace tsql {

// CREATE [UNIQUE] INDEX schema.stored ON table (columns).
QByteArray createIndexSql(bool unique, const QString& schema, const QString& stored,
                          const QString& table, const IndexedColumns& columns);

// On SQL Server a unique key holds NULL as a value equal to itself: a key with a NULL in it is
// taken once. SQLite's unique indexes take any number of such keys. So each key and unique index
// the engine makes (but a primary key, whose columns take no NULL) has a guard beside it: a
// partial unique index over the rows whose key has a NULL, keyed by each column's value with
// NULL made a value of its own (a flag beside it), under the collations of the index it guards.

// The start of every guard's SQLite name.
inline constexpr char kNullGuardPrefix[] = "tsql_nulls:";
// The SQLite name of the guard of `index`.
QString nullGuardOf(const QString& index);
// The index a guard's name stands for; any other name as it is.
QString guardedIndex(const QString& name);
// The statement that makes the guard of `index`, an index of `table` in `schema` over `key`.
QByteArray nullGuardSql(const QString& schema, const QString& table, const QString& index,
                        const std::vector<IndexColumn>& key);

}  // namespace tsql
