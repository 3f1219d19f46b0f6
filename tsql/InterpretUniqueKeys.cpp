// Unique indexes, the keys' and CREATE UNIQUE INDEX's, each with the guard of its NULLs.
#include "tsql/Errors.h"
#include "tsql/IndexSql.h"
#include "tsql/Interpreter.h"
#include "tsql/SqliteSyntax.h"

namespace tsql {

void Interpreter::createUniqueIndex(const QString& schema, const QString& table,
                                    const QString& stored, const QString& shown,
                                    const IndexedColumns& columns, bool primary) {
    try {
        db_->exec(createIndexSql(true, schema, stored, table, columns));
        if (!primary)
            db_->exec(nullGuardSql(schema, table, stored, catalog_->indexColumns(schema, stored)));
    } catch (const db::Error& e) {
        // SQLite refuses an index over keys that repeat as a failed constraint.
        if (e.nativeError() == err::ReferenceConflict)
            duplicateKeyFound(schema, table, shown, columns);
        throw;
    }
}

void Interpreter::dropUniqueIndex(const QString& schema, const QString& stored) {
    db_->exec("DROP INDEX IF EXISTS " + sqlite::qualifiedName(schema, nullGuardOf(stored)));
    db_->exec("DROP INDEX " + sqlite::qualifiedName(schema, stored));
}

}  // namespace tsql
