// ALTER TABLE ... ALTER COLUMN: the table declared anew with the column's new type and
// nullability, its values converted as CAST converts them.
#include "tsql/Errors.h"
#include "tsql/Interpreter.h"
#include "tsql/TableRebuild.h"

namespace tsql {

// 245 and its kin when a value does not convert; 515 when a column made NOT NULL holds a NULL.
void Interpreter::alterColumn(const TableInfo& t, const ColumnDef& c) {
    const int k = t.indexOf(c.name);
    if (k < 0)
        raise(4924, QStringLiteral("ALTER TABLE ALTER COLUMN failed because column '%1' does not "
                                   "exist in table '%2'.")
                        .arg(c.name, t.name));
    const ColumnInfo& old = t.columns[static_cast<size_t>(k)];
    if (old.identity)
        notSupported(QStringLiteral("altering an identity column"));
    TableSql d = declaration(t.name);
    const ColumnSql changed = columnDeclaration(c, t.name, true, false, nullptr);
    ColumnSql& column = d.columns[static_cast<size_t>(k)];
    column.type = changed.type;
    column.notNull = changed.notNull;
    Expr cast(Expr::Cast);
    cast.a = std::make_unique<Expr>(Expr::Column);
    cast.a->parts << old.name;
    cast.castType = resolveType(c.type, c.aliasType);
    SqliteEmitter emitter(*this);
    std::vector<QByteArray> values(d.columns.size());
    values[static_cast<size_t>(k)] = emitter.tableExpression(cast, t).sql;
    try {
        rebuild(d, values);
    } catch (const db::Error& e) {
        if (!e.message().contains(QStringLiteral("NOT NULL constraint failed")))
            throw;
        raise(err::NullNotAllowed,
              QStringLiteral("Cannot insert the value NULL into column '%1', table '%2.dbo.%3'; "
                             "column does not allow nulls. UPDATE fails.")
                  .arg(old.name, dbName_, t.name));
    }
}

}  // namespace tsql
