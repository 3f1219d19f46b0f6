#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

struct sqlite3;

namespace tsql {

// The INFORMATION_SCHEMA views (TABLES, COLUMNS, VIEWS, ROUTINES, KEY_COLUMN_USAGE) with SQL
// Server's column names, as temporary views information_schema_<name> of the connection over
// its main database, whose T-SQL name is `catalog`; then their column types for the binder.
// `viewText`: whether the file keeps the T-SQL text of its views (one made by an older engine
// and opened read-only does not).
std::vector<QByteArray> informationSchemaViews(const QString& catalog, bool viewText);
// tsql_type_facet(declared, facet): what a column's declared type in the file gives one column of
// INFORMATION_SCHEMA.COLUMNS (0 DATA_TYPE, 1 CHARACTER_MAXIMUM_LENGTH, 2 CHARACTER_OCTET_LENGTH,
// 3 NUMERIC_PRECISION, 4 NUMERIC_PRECISION_RADIX, 5 NUMERIC_SCALE, 6 DATETIME_PRECISION).
void registerTypeFacet(sqlite3* db);

}  // namespace tsql
